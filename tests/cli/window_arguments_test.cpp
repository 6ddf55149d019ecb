// The window program's command line: what its one option table makes of a
// line, what its help promises (every picture ending it takes), that its man
// page keeps up with the help, and the built program's answers.

#include "window_arguments.h"

#include <gtest/gtest.h>

#include "common/picture_endings.h"
#include "help_options.h"
#include "support/cli_runs.h"

namespace vendrik {
namespace {

struct LineCase {
    const char* name;
    std::vector<std::string> args;
    WindowArguments want;
};

class WindowLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(WindowLines, ChooseTheModeAndItsValues) {
    const WindowArguments& want = GetParam().want;
    WindowArguments a;
    std::string error;
    ASSERT_TRUE(parseWindowArguments(GetParam().args, a, error)) << error;
    EXPECT_EQ(a.mode, want.mode);
    EXPECT_EQ(a.operands, want.operands);
    EXPECT_EQ(a.target, want.target);
    EXPECT_EQ(a.settingsFile, want.settingsFile);
    EXPECT_EQ(a.picture, want.picture);
    EXPECT_FALSE(a.help || a.version);
}

using enum WindowMode;

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Lines, WindowLines,
    ::testing::Values(
        LineCase{"Nothing", {}, {}},
        LineCase{"Folder", {"/home/anna/Bilder"}, {.operands = {"/home/anna/Bilder"}}},
        // Start-up joins a path the shell split at its blanks.
        LineCase{"SplitPath", {"/tmp/Mein", "Urlaub.jpg"},
                 {.operands = {"/tmp/Mein", "Urlaub.jpg"}}},
        LineCase{"DashedNameAfterTheEnd", {"--", "-neu.jpg"}, {.operands = {"-neu.jpg"}}},
        LineCase{"FolderDialog", {"--dialog", "folder"}, {.mode = FolderDialog}},
        LineCase{"FolderDialogEverything",
                 {"--dialog=folder", "--target", "--settings", "a.ini", "/tmp"},
                 {.mode = FolderDialog, .target = true, .settingsFile = "a.ini",
                  .operands = {"/tmp"}}},
        LineCase{"FolderDialogStartFirst", {"/tmp", "--dialog", "folder"},
                 {.mode = FolderDialog, .operands = {"/tmp"}}},
        // An empty START is a START: the chooser opens on the current folder.
        LineCase{"FolderDialogEmptyStart", {"--dialog", "folder", ""},
                 {.mode = FolderDialog, .operands = {""}}},
        LineCase{"WatermarkDialog",
                 {"--dialog", "watermark", "--settings", "a.ini", "--picture", "p.jpg"},
                 {.mode = WatermarkDialog, .settingsFile = "a.ini", .picture = "p.jpg"}},
        LineCase{"AbbreviatedOptions", {"--dia", "watermark", "--pic=p.jpg"},
                 {.mode = WatermarkDialog, .picture = "p.jpg"}},
        LineCase{"Gallery", {"--controls-gallery"}, {.mode = ControlsGallery}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

struct WrongCase {
    const char* name;
    std::vector<std::string> args;
    std::string error;
};

class WrongWindowLines : public ::testing::TestWithParam<WrongCase> {};

TEST_P(WrongWindowLines, AreRefusedWithAReason) {
    WindowArguments a;
    std::string error;
    EXPECT_FALSE(parseWindowArguments(GetParam().args, a, error));
    EXPECT_EQ(error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, WrongWindowLines,
    ::testing::Values(
        WrongCase{"UnknownLong", {"--bogus"}, "unbekannte Option '--bogus'"},
        WrongCase{"UnknownShort", {"-x", "/tmp"}, "unbekannte Option '-x'"},
        WrongCase{"DialogWithoutKind", {"--dialog"}, "--dialog erwartet einen Wert (ART)"},
        WrongCase{"UnknownDialog",
                  {"--dialog", "folders"},
                  "--dialog erwartet folder oder watermark, nicht 'folders'"},
        WrongCase{"SwitchWithValue",
                  {"--controls-gallery=ja"},
                  "--controls-gallery erwartet keinen Wert"},
        WrongCase{"TargetAlone", {"--target"}, "--target gilt nur mit --dialog folder"},
        WrongCase{"TargetForTheDesigner",
                  {"--dialog", "watermark", "--target"},
                  "--target gilt nur mit --dialog folder"},
        WrongCase{"PictureForTheChooser",
                  {"--dialog", "folder", "--picture", "p.jpg"},
                  "--picture gilt nur mit --dialog watermark"},
        WrongCase{"SettingsForTheMainWindow",
                  {"--settings", "a.ini", "/tmp"},
                  "--settings gilt nur mit --dialog"},
        WrongCase{"TwoStarts",
                  {"--dialog", "folder", "/a", "/b"},
                  "--dialog folder nimmt nur einen START, nicht auch '/b'"},
        WrongCase{
            "DesignerOperand", {"--dialog", "watermark", "x.jpg"}, "unbekanntes Argument 'x.jpg'"},
        WrongCase{"GalleryAndDialog",
                  {"--controls-gallery", "--dialog", "folder"},
                  "--controls-gallery und --dialog schließen einander aus"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WindowArguments, HelpAndVersionWinOverOptionsThatDoNotFit) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--target", "--help"},
                                                 {"--dialog", "bogus", "-h"},
                                                 {"/a", "--vers"},
                                                 {"-V", "--dialog", "watermark", "x"}}) {
        WindowArguments a;
        std::string error;
        EXPECT_TRUE(parseWindowArguments(args, a, error)) << args.front() << ": " << error;
        EXPECT_TRUE(a.help || a.version) << args.front();
    }
}

TEST(WindowHelp, NamesEveryPictureEndingTheProgramTakes) {
    const std::string help = windowHelpText();
    const std::vector<std::string> endings = pictureArgumentEndings();
    ASSERT_EQ(endings.size(), kCommandLineEndings.size());
    for (const std::string& e : endings) {
        EXPECT_EQ(e.front(), '.') << e;
        EXPECT_TRUE(isPictureArgument("urlaub" + e)) << e;
        EXPECT_TRUE(test::holdsWord(help, e)) << e;
    }
    // The phone and web formats too, and the folder's list with all of
    // its endings.
    for (const std::string_view e : kPhoneAndWebEndings) {
        EXPECT_TRUE(test::holdsWord(help, std::string(e))) << e;
    }
    for (const std::string_view e : kFileListEndings) {
        EXPECT_TRUE(test::holdsWord(help, std::string(e))) << e;
    }
    EXPECT_EQ(test::optionsOfHelp(help),
              (std::vector<std::string>{"--dialog", "--target", "--settings", "--picture",
                                        "--controls-gallery", "-h", "--help", "-V", "--version"}));
}

TEST(WindowHelp, IsDescribedByTheManPage) {
    const auto shown = runCommand("MANWIDTH=200 man -l " +
                                  shellQuote(std::string(VENDRIK_PACKAGING) + "/man/vendrik.1"));
    ASSERT_EQ(shown.exitCode, 0) << shown.output;
    for (const std::string& o : test::optionsOfHelp(windowHelpText())) {
        EXPECT_TRUE(test::holdsWord(shown.output, o)) << o;
    }
    for (const std::string& e : pictureArgumentEndings()) {
        EXPECT_TRUE(test::holdsWord(shown.output, e)) << e;
    }
}

#ifdef VENDRIK_WINDOW_PROGRAM
// The built program with `platform` as Qt's platform and no display to fall
// back on. What Qt keeps until the process ends is no leak of ours.
std::string windowProgram(const std::string& platform = "offscreen") {
    return "env -u DISPLAY -u WAYLAND_DISPLAY ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=" +
           platform + " " + shellQuote(VENDRIK_WINDOW_PROGRAM);
}

TEST(WindowProgram, AnswersHelpAndVersionAndRefusesAWrongCall) {
    const auto help = runCommand(windowProgram() + " --help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.output, windowHelpText());
    const auto version = runCommand(windowProgram() + " -V 2>&1");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output, windowVersionText());
    for (const char* wrong :
         {" --bogus", " --dialog folder --bogus", " --dialog watermark x", " --settings a.ini"}) {
        const auto r = runCommand(windowProgram() + wrong + " 2>&1");
        EXPECT_EQ(r.exitCode, 2) << wrong;
        EXPECT_NE(r.output.find("(Hilfe: vendrik --help)"), std::string::npos) << r.output;
    }
}

// Qt takes its own options (here the platform, over one that cannot start
// without a display) before the line is read again.
TEST(WindowProgram, LeavesQtItsOwnOptions) {
    // Only standard output: Qt may say a word of its own on standard error.
    const auto version =
        runCommand("{ " + windowProgram("xcb") + " -platform offscreen --version 2>/dev/null; }");
    EXPECT_EQ(version.exitCode, 0) << version.output;
    EXPECT_EQ(version.output, windowVersionText());
    const auto wrong =
        runCommand(windowProgram("xcb") + " -platform offscreen --dialog folder --bogus 2>&1");
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_NE(wrong.output.find("vendrik: unbekannte Option '--bogus' (Hilfe: vendrik --help)\n"),
              std::string::npos)
        << wrong.output;
}
#endif

}  // namespace
}  // namespace vendrik
