#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "scoped_env.h"
#include "startup/open_with.h"
#include "support/test_support.h"

namespace vendrik {
namespace {

using test::runCommand;
using test::shellQuote;
using test::TempDir;

bool haveTool(const std::string& name) {
    return runCommand("command -v " + name + " >/dev/null").exitCode == 0;
}

// A stand-in program that writes the path it was started with into a file,
// so a test can see what the file manager would hand over.
void writeRecordingProgram(const std::string& path, const std::string& record) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    const std::string script = "#!/bin/sh\nprintf '%s' \"$1\" > " + shellQuote(record) + "\n";
    test::writeFileBytes(path, {script.begin(), script.end()});
    ::chmod(path.c_str(), 0755);
}

// Program folders a user might really have: blanks, umlauts, quotes, "%",
// "$", a backslash.
struct FolderCase {
    const char* name;
    const char* folder;
};

class OpenWith : public ::testing::TestWithParam<FolderCase> {};

TEST_P(OpenWith, EntryIsValidAndStartsTheProgramWithThePicture) {
    if (!haveTool("desktop-file-validate") || !haveTool("gio")) {
        GTEST_SKIP() << "desktop-file-utils or gio missing (scripts/install-deps.sh test)";
    }
    TempDir dir;
    test::ScopedEnv env;
    env.set("XDG_DATA_HOME", dir.file("data"));
    env.set("XDG_DATA_DIRS", dir.file("system"));
    const std::string program = dir.file(GetParam().folder) + "/vendrik";
    const std::string record = dir.file("started-with.txt");
    writeRecordingProgram(program, record);
    ASSERT_TRUE(RegisterOpenWith(program));
    const std::string entry = desktopEntryPath();
    ASSERT_EQ(entry, dir.file("data/applications/vendrik.desktop"));

    const auto validate = runCommand("desktop-file-validate " + shellQuote(entry));
    EXPECT_EQ(validate.exitCode, 0) << validate.output;
    EXPECT_EQ(validate.output, "");

    // After update-desktop-database, GLib lists us among the programs for
    // JPEG pictures and the phone and web formats, and starts us with the
    // picture's path unchanged.
    const std::string apps = dir.file("data/applications");
    ASSERT_EQ(runCommand("update-desktop-database " + shellQuote(apps)).exitCode, 0);
    const std::string gioEnv = "XDG_DATA_HOME=" + shellQuote(dir.file("data")) +
                               " XDG_DATA_DIRS=/nonexistent ";
    for (const char* type :
         {"image/jpeg", "image/heic", "image/heif", "image/avif", "image/webp"}) {
        const auto mime = runCommand(gioEnv + "gio mime " + type);
        EXPECT_NE(mime.output.find("vendrik.desktop"), std::string::npos) << type << mime.output;
    }
    const std::string picture = dir.file("Ferien Bild 100%.jpg");
    test::writeFileBytes(picture, {0xFF, 0xD8});
    const auto launch = runCommand(gioEnv + "gio launch " + shellQuote(entry) + " " +
                                   shellQuote(picture) + " && sleep 0.3");
    EXPECT_EQ(launch.exitCode, 0) << launch.output;
    const auto got = test::readFileBytes(record);
    EXPECT_EQ(std::string(got.begin(), got.end()), picture);
}

INSTANTIATE_TEST_SUITE_P(
    ProgramFolders, OpenWith,
    ::testing::Values(FolderCase{"Blank", "Mein Ordner"},
                      FolderCase{"Umlauts", "M\u00FCller \u00D6ffnen"},
                      FolderCase{"Quotes", "a \"b\" 'c'"}, FolderCase{"Percent", "100% sicher"},
                      FolderCase{"DollarBacktickBackslash", "x$HOME`y\\z"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OpenWithEntry, RewrittenForAMovedProgramAndRefusedWithoutHome) {
    TempDir dir;
    test::ScopedEnv env;
    env.set("XDG_DATA_HOME", dir.file("data"));
    env.set("XDG_DATA_DIRS", dir.file("system"));
    ASSERT_TRUE(RegisterOpenWith("/opt/alt/vendrik"));
    ASSERT_TRUE(RegisterOpenWith("/opt/neu/vendrik"));
    const auto b = test::readFileBytes(desktopEntryPath());
    const std::string text(b.begin(), b.end());
    EXPECT_NE(text.find("Exec=/opt/neu/vendrik %f\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("/opt/alt"), std::string::npos);
    EXPECT_NE(text.find("MimeType=image/jpeg;image/bmp;image/tiff;image/gif;image/png;"
                        "image/heic;image/heif;image/avif;image/webp;\n"),
              std::string::npos)
        << text;

    env.unset("XDG_DATA_HOME");
    env.unset("HOME");
    EXPECT_EQ(desktopEntryPath(), "");
    EXPECT_FALSE(RegisterOpenWith("/opt/neu/vendrik"));
    env.set("XDG_DATA_HOME", dir.file("data"));
    EXPECT_FALSE(RegisterOpenWith(std::string("/opt/\xFF/vendrik")));  // not UTF-8
}

// Where a package's entry is looked for ($XDG_DATA_DIRS), whether one is
// there, and whether an
// earlier start's per-user entry is; what start-up then leaves in the
// per-user place.
struct PackagedCase {
    const char* name;
    const char* dataDirs;   // "@" stands for the scratch folder
    const char* installed;  // the folder holding applications/vendrik.desktop, or ""
    bool earlierEntry;
    const char* foundUnder;  // what packagedDesktopEntryPath names, or ""
    bool perUserAfter;
};

class PackagedEntry : public ::testing::TestWithParam<PackagedCase> {};

TEST_P(PackagedEntry, ShadowsNoPackagedEntryAndLeavesNoneBehind) {
    const PackagedCase& c = GetParam();
    TempDir dir;
    test::ScopedEnv env;
    env.set("XDG_DATA_HOME", dir.file("data"));
    std::string dirs = c.dataDirs;
    for (std::size_t at; (at = dirs.find('@')) != std::string::npos;) {
        dirs.replace(at, 1, dir.path().string());
    }
    env.set("XDG_DATA_DIRS", dirs);
    if (c.earlierEntry) {
        ASSERT_TRUE(RegisterOpenWith("/opt/alt/vendrik"));
    }
    if (*c.installed != '\0') {
        std::filesystem::create_directories(dir.file(c.installed) + "/applications");
        test::writeFileBytes(dir.file(c.installed) + "/applications/vendrik.desktop", {'#'});
    }
    const std::string perUser = dir.file("data/applications/vendrik.desktop");
    const std::string expected =
        *c.foundUnder == '\0' ? "" : dir.file(c.foundUnder) + "/applications/vendrik.desktop";
    EXPECT_EQ(packagedDesktopEntryPath(), expected);

    EXPECT_TRUE(RegisterOpenWith("/opt/neu/vendrik"));
    EXPECT_EQ(std::filesystem::exists(perUser), c.perUserAfter);
    if (c.perUserAfter) {
        const auto b = test::readFileBytes(perUser);
        EXPECT_NE(std::string(b.begin(), b.end()).find("Exec=/opt/neu/vendrik %f"),
                  std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Installations, PackagedEntry,
    ::testing::Values(
        PackagedCase{"NoPackageWritesOurs", "@/usr:@/system", "", false, "", true},
        PackagedCase{"PackageWritesNothing", "@/usr:@/system", "system", false, "system", false},
        PackagedCase{"PackageRemovesAnEarlierEntry", "@/usr:@/system/", "system", true, "system",
                     false},
        PackagedCase{"EmptyEntriesAndSlashes", ":@/usr/::@/system", "usr", true, "usr", false},
        // Listing the data home itself does not make our own entry a package's.
        PackagedCase{"DataHomeIsNoPackage", "@/data", "data", true, "", true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vendrik
