#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "startup/key_value_store.h"
#include "startup/markers.h"
#include "startup/path_helpers.h"
#include "startup/window_helpers.h"
#include "support/test_support.h"

namespace vendrik {
namespace {

using test::TempDir;

struct PathCase {
    const char* name;
    const char* path;
    const char* parent;
    const char* fileName;
};

class PathSplit : public ::testing::TestWithParam<PathCase> {};

TEST_P(PathSplit, ParentPathAndFileNameOf) {
    EXPECT_EQ(ParentPath(GetParam().path), GetParam().parent) << GetParam().path;
    EXPECT_EQ(FileNameOf(GetParam().path), GetParam().fileName) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PathSplit,
    ::testing::Values(PathCase{"FolderBelowRoot", "/Bilder/", "/", "Bilder"},
                      PathCase{"FileInRoot", "/a.jpg", "/", "a.jpg"},
                      PathCase{"File", "/Bilder/Urlaub/IMG_0001.JPG", "/Bilder/Urlaub",
                               "IMG_0001.JPG"},
                      PathCase{"FolderWithSlash", "/Bilder/Urlaub/", "/Bilder", "Urlaub"},
                      PathCase{"NoSlash", "a.jpg", "a.jpg", "a.jpg"},
                      PathCase{"Empty", "", "", ""}, PathCase{"Root", "/", "/", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PathHelpers, AddBackslash) {
    std::string empty;
    EXPECT_EQ(AddBackslash(empty), "/");
    std::string folder = "/tmp";
    EXPECT_EQ(&AddBackslash(folder), &folder);
    EXPECT_EQ(folder, "/tmp/");
    EXPECT_EQ(AddBackslash(folder), "/tmp/");
}

TEST(PathHelpers, FolderAndFileExist) {
    TempDir dir;
    const std::string folder = dir.path().string();
    EXPECT_TRUE(FolderExists(folder));
    EXPECT_TRUE(FolderExists(folder + "/"));
    EXPECT_TRUE(FolderExists(""));  // the root
    EXPECT_FALSE(FolderExists(folder + "/fehlt"));
    test::writeFileBytes(dir.file("a.jpg"), {1, 2, 3});
    EXPECT_FALSE(FolderExists(dir.file("a.jpg")));
    EXPECT_TRUE(FileExists(dir.file("a.jpg")));
    EXPECT_FALSE(FileExists(folder));
    EXPECT_FALSE(FileExists(dir.file("fehlt.jpg")));
    EXPECT_FALSE(FileExists(""));
}

TEST(PathHelpers, LongPathNameKeepsExistingPathsAndCasesMissingOnes) {
    TempDir dir;
    const std::string existing = dir.path().string();
    EXPECT_EQ(LongPathName(existing), existing);
    // Nothing of it exists below the root: the whole text gets the rule.
    EXPECT_EQ(LongPathName("/eigene dateien/urlaub_2004/bild-01.JPG"),
              "/Eigene Dateien/Urlaub_2004/Bild-01.jpg");
    EXPECT_EQ(LongPathName("c:\\eigene dateien\\(alt)x"), "C:\\eigene Dateien\\(Alt)x");
    EXPECT_EQ(LongPathName("\u00FCber \u00E4RGER"), "\u00DCber \u00C4rger");
    // An existing folder keeps its spelling; only the missing rest changes.
    std::filesystem::create_directory(dir.path() / "MiXed cAse");
    EXPECT_EQ(LongPathName(existing + "/MiXed cAse/neu bild.JPG"),
              existing + "/MiXed cAse/Neu Bild.jpg");
}

TEST(PathHelpers, MakePathCreatesEveryLevel) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "Fotos");
    std::string path = dir.file("Fotos/2004/Urlaub");
    ASSERT_TRUE(MakePath(path));
    EXPECT_EQ(path, dir.file("Fotos/2004/Urlaub/"));
    EXPECT_TRUE(FolderExists(path));
    EXPECT_TRUE(MakePath(path));  // all there already
    test::writeFileBytes(dir.file("datei"), {1});
    std::string blocked = dir.file("datei/unter");
    EXPECT_FALSE(MakePath(blocked));
    std::string relative = "relativ/pfad";
    EXPECT_FALSE(MakePath(relative));
}

TEST(PathHelpers, MakePathFailsOnReadOnlyMount) {
    TempDir dir;
    const std::string mountPoint = dir.file("ro");
    std::filesystem::create_directory(mountPoint);
    if (::mount("tmpfs", mountPoint.c_str(), "tmpfs", MS_RDONLY, "size=64k") != 0) {
        GTEST_SKIP() << "cannot mount a read-only file system here (needs root)";
    }
    std::string path = mountPoint + "/a/b";
    const bool made = MakePath(path);
    ::umount(mountPoint.c_str());
    EXPECT_FALSE(made);
}

TEST(PathHelpers, TempDirEndsInSlash) {
    const std::string t = GetTempDir();
    ASSERT_FALSE(t.empty());
    EXPECT_EQ(t.back(), '/');
    EXPECT_EQ(t.front(), '/');
}

TEST(PathHelpers, InitPathsSplitsTheProgramFile) {
    TempDir dir;
    const ProgramPaths p = InitPaths(dir.file("vendrik"));
    EXPECT_EQ(p.programFolder, dir.path().string() + "/");
    EXPECT_EQ(p.programFileName, "vendrik");
    const ProgramPaths self = InitPaths();
    EXPECT_EQ(self.programFileName, "test_startup");
}

struct KeyCase {
    int mode;
    int key;
    int expected;
};

class KeyFilter : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeyFilter, SwallowsPassesOrChanges) {
    std::int16_t key = static_cast<std::int16_t>(GetParam().key);
    FilterKey(key, static_cast<std::int16_t>(GetParam().mode));
    EXPECT_EQ(key, GetParam().expected) << "mode " << GetParam().mode << " key "
                                        << GetParam().key;
}

INSTANTIATE_TEST_SUITE_P(
    Modes, KeyFilter,
    ::testing::Values(
        // Numbers: "a", ":" and "-" swallowed; digits, "." and "," pass.
        KeyCase{2, 'a', 0}, KeyCase{2, ':', 0}, KeyCase{2, '-', 0}, KeyCase{2, '7', '7'},
        KeyCase{2, '.', '.'}, KeyCase{2, ',', ','},
        // Names: "." and "/" swallowed, "_" passes, and so on.
        KeyCase{1, '.', 0}, KeyCase{1, '/', 0}, KeyCase{1, '_', '_'}, KeyCase{1, ' ', ' '},
        KeyCase{1, '-', '-'}, KeyCase{1, '&', '&'}, KeyCase{1, '"', 0}, KeyCase{1, '<', 0},
        KeyCase{1, '\\', 0}, KeyCase{1, '^', 0}, KeyCase{1, '?', '?'}, KeyCase{1, '~', '~'},
        KeyCase{1, 252, 252}, KeyCase{1, 225, 225},
        // Control keys always pass.
        KeyCase{2, 8, 8}, KeyCase{3, 13, 13}, KeyCase{4, 22, 22}, KeyCase{1, 3, 3},
        // Letters, hexadecimal, upper and lower case.
        KeyCase{3, 'q', 'q'}, KeyCase{3, '1', 0}, KeyCase{4, 'b', 'B'}, KeyCase{4, 'F', 'F'},
        KeyCase{4, 'g', 0}, KeyCase{5, 'x', 'X'}, KeyCase{5, '1', '1'}, KeyCase{6, 'X', 'x'},
        KeyCase{6, '#', '#'},
        // Any other mode passes every key.
        KeyCase{0, '/', '/'}, KeyCase{7, 'a', 'a'}),
    [](const auto& info) {
        return "Mode" + std::to_string(info.param.mode) + "Key" + std::to_string(info.param.key);
    });

struct TypedTextCase {
    const char* name;
    int mode;
    const char* typed;
    const char* kept;
};

class TypedText : public ::testing::TestWithParam<TypedTextCase> {};

TEST_P(TypedText, EachCharacterAsAKeystroke) {
    EXPECT_EQ(filterTypedText(GetParam().typed, static_cast<std::int16_t>(GetParam().mode)),
              GetParam().kept);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TypedText,
    ::testing::Values(
        TypedTextCase{"NameDropsDotSlashColon", 1, "Neu.er/Ord:ner", "NeuerOrdner"},
        TypedTextCase{"NameKeepsUmlautsBlanksAndEuro", 1, "B\xc3\xa4r & \xe2\x82\xac_1",
                      "B\xc3\xa4r & \xe2\x82\xac_1"},
        TypedTextCase{"NameDropsLineBreaksAndControls", 1, "a\r\nb\x03\x16\x08" "c", "abc"},
        TypedTextCase{"NameDropsC1Controls", 1, "a\xc2\x85" "b", "ab"},
        TypedTextCase{"NumbersDropLettersAndWideCharacters", 2, "1,5a\xe2\x82\xac.2", "1,5.2"},
        TypedTextCase{"UpperCaseChangesLetters", 5, "abc\xc3\xa4", "ABC\xc3\xa4"},
        TypedTextCase{"HexadecimalChangesAndDrops", 4, "0afz", "0AF"},
        TypedTextCase{"NotUtf8IsDropped", 0, "a\xff" "b", "ab"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WindowHelpers, CenterFormSitsALittleAboveTheMiddle) {
    // 0.95 × 1080 = 1026 → 513 − 558/2 = 513 − 279 = 234; 1920/2 − 575/2 = 960 − 287.
    const FormPosition p = CenterForm(1920, 1080, 575, 558);
    EXPECT_EQ(p.top, 234);
    EXPECT_EQ(p.left, 673);
    // 0.95 × 770 = 731.5 → 732 (ties to even) → 366.
    EXPECT_EQ(CenterForm(100, 770, 0, 0).top, 366);
    // 0.95 × 790 = 750.5 → 750 → 375.
    EXPECT_EQ(CenterForm(100, 790, 0, 0).top, 375);
    const FormPosition big = CenterForm(800, 600, 1000, 900);
    EXPECT_EQ(big.left, 0);
    EXPECT_EQ(big.top, 0);
}

TEST(WindowHelpers, MessageBoxContent) {
    const auto info = messageBoxContent("Hallo", 1, "");
    EXPECT_EQ(info.icon, MessageIcon::Information);
    EXPECT_EQ(info.title, "Tervane Vendrik");
    EXPECT_EQ(messageBoxContent("x", 4, "Frage").title, "Frage");
    EXPECT_EQ(messageBoxContent("x", 4, "").icon, MessageIcon::Question);
    EXPECT_EQ(messageBoxContent("x", 9, "").icon, MessageIcon::None);
}

TEST(Markers, DecodeEncodeAndCount) {
    std::string stored = "x#\u00A7y";
    EXPECT_EQ(DecodeMarkers(stored), "x\r\ny");
    EXPECT_EQ(stored, "x\r\ny");  // in place as well
    EXPECT_EQ(EncodeMarkers(stored), "x#\u00A7y");
    EXPECT_EQ(stored, "x#\u00A7y");

    std::string twice = "a#\u00A7b#\u00A7c";
    DecodeMarkers(twice);
    EXPECT_EQ(twice, "a\r\nb\r\nc");
    EXPECT_EQ(countWatermarkLineBreaks(twice), 2);

    std::string lone = "#";
    EXPECT_EQ(DecodeMarkers(lone), "\r");
    EXPECT_EQ(countWatermarkLineBreaks(lone), 1);
    std::string empty;
    EXPECT_EQ(DecodeMarkers(empty), "");
    EXPECT_EQ(countWatermarkLineBreaks(empty), 0);
    // Other characters, other UTF-8 sequences starting with 0xC2 included,
    // are untouched.
    std::string other = "\u00A9 \u00A8 \u00E4";
    EXPECT_EQ(DecodeMarkers(other), "\u00A9 \u00A8 \u00E4");
}

TEST(RegString, TrimsCutsAndRefusesOverlongValues) {
    MemoryKeyValueStore store;
    WriteRegString(store, RegistryRoot::CurrentUser, kTheBatKey, kTheBatValue,
                   " D:\\Mail\\Anh\u00E4nge ");
    EXPECT_EQ(ReadRegString(store, RegistryRoot::CurrentUser, "software\\rit\\the bat!",
                            "LAST ATTACH PATH"),
              "D:\\Mail\\Anh\u00E4nge");
    EXPECT_EQ(ReadRegString(store, RegistryRoot::ClassesRoot, kTheBatKey, kTheBatValue), "");
    EXPECT_EQ(ReadRegString(store, RegistryRoot::CurrentUser, kTheBatKey, "fehlt"), "");
    WriteRegString(store, RegistryRoot::CurrentUser, "k", "nul", std::string("ab\0cd", 5));
    EXPECT_EQ(ReadRegString(store, RegistryRoot::CurrentUser, "k", "nul"), "ab");
    WriteRegString(store, RegistryRoot::CurrentUser, "k", "255", std::string(255, 'x'));
    WriteRegString(store, RegistryRoot::CurrentUser, "k", "256", std::string(256, 'x'));
    EXPECT_EQ(ReadRegString(store, RegistryRoot::CurrentUser, "k", "255").size(), 255u);
    EXPECT_EQ(ReadRegString(store, RegistryRoot::CurrentUser, "k", "256"), "");
    const PlatformKeyValueStore platform;
    EXPECT_EQ(ReadRegString(platform, RegistryRoot::CurrentUser, kTheBatKey, kTheBatValue), "");
}

}  // namespace
}  // namespace vendrik
