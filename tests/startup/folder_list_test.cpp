#include "startup/folder_list.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/test_support.h"

namespace vendrik {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

struct NormalCase {
    const char* name;
    const char* path;
    const char* base;
    const char* expected;
};

class NormalFolder : public ::testing::TestWithParam<NormalCase> {};

TEST_P(NormalFolder, Path) {
    EXPECT_EQ(normalFolderPath(GetParam().path, GetParam().base), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, NormalFolder,
    ::testing::Values(NormalCase{"Root", "/", "/x", "/"}, NormalCase{"DoubleRoot", "//", "/", "/"},
                      NormalCase{"TrailingSlash", "/tmp/Fotos/", "/", "/tmp/Fotos"},
                      NormalCase{"Relative", "Fotos", "/tmp", "/tmp/Fotos"},
                      NormalCase{"DotsAndDoubles", "/a/./b/../c//", "/", "/a/c"},
                      NormalCase{"AboveTheRoot", "/../..", "/", "/"},
                      NormalCase{"EmptyIsTheBase", "", "/tmp/x/", "/tmp/x"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FolderList, StartFolderFallsBackUnlessAFolderIsGiven) {
    TempDir dir;
    const std::string root = dir.path().string();
    fs::create_directory(root + "/Fotos");
    test::writeText(root + "/bild.jpg", "x");
    EXPECT_EQ(chooserStartFolder("", root + "/"), root);
    EXPECT_EQ(chooserStartFolder(root + "/fehlt", root), root);
    EXPECT_EQ(chooserStartFolder(root + "/bild.jpg", root), root);
    EXPECT_EQ(chooserStartFolder(root + "/Fotos/", "/"), root + "/Fotos");
}

TEST(FolderList, CurrentFolderIsAbsoluteAndNormal) {
    const std::string cwd = currentFolder();
    ASSERT_FALSE(cwd.empty());
    EXPECT_EQ(cwd.front(), '/');
    EXPECT_EQ(cwd, normalFolderPath(cwd, "/"));
}

TEST(FolderList, SubfoldersSortedWithoutHiddenFilesOrDots) {
    TempDir dir;
    const std::string root = dir.path().string();
    for (const char* f : {"b", "A", "C", ".versteckt", "Zeile\nUmbruch"}) {
        fs::create_directory(root + "/" + f);
    }
    test::writeText(root + "/datei.jpg", "x");
    fs::create_directory_symlink(root + "/A", root + "/a-link");
    fs::create_symlink(root + "/datei.jpg", root + "/datei-link");
    fs::create_symlink(root + "/fehlt", root + "/tot");
    const auto names = listSubfolders(root);
    ASSERT_TRUE(names);
    EXPECT_EQ(*names, (std::vector<std::string>{"A", "a-link", "b", "C", "Zeile\nUmbruch"}));
    EXPECT_FALSE(listSubfolders(root + "/fehlt"));
    EXPECT_FALSE(listSubfolders(root + "/datei.jpg"));
}

TEST(FolderList, EntriesAreTheOpenPathThenTheSubfolders) {
    const auto root = folderListEntries("/", {"etc", "tmp"});
    ASSERT_EQ(root.size(), 3u);
    EXPECT_EQ(root[0].name, "/");
    EXPECT_TRUE(root[0].open);
    EXPECT_EQ(root[1].path, "/etc");
    EXPECT_EQ(root[1].level, 1);
    EXPECT_FALSE(root[1].open);

    const auto deep = folderListEntries("/tmp/Fotos", {"2004"});
    ASSERT_EQ(deep.size(), 4u);
    const std::vector<std::string> paths{deep[0].path, deep[1].path, deep[2].path, deep[3].path};
    EXPECT_EQ(paths, (std::vector<std::string>{"/", "/tmp", "/tmp/Fotos", "/tmp/Fotos/2004"}));
    EXPECT_EQ(deep[2].name, "Fotos");
    EXPECT_EQ(deep[2].level, 2);
    EXPECT_TRUE(deep[2].open);
    EXPECT_EQ(deep[3].level, 3);
    EXPECT_FALSE(deep[3].open);
}

struct DisplayCase {
    const char* name;
    const char* raw;
    const char* shown;
};

class DisplayName : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(DisplayName, OneReadableLine) {
    EXPECT_EQ(displayName(GetParam().raw), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Names, DisplayName,
                         ::testing::Values(DisplayCase{"Plain", "Urlaub 2004", "Urlaub 2004"},
                                           DisplayCase{"Umlauts",
                                                       "Gr\xc3\xbc\xc3\x9f"
                                                       "e",
                                                       "Gr\xc3\xbc\xc3\x9f"
                                                       "e"},
                                           DisplayCase{"LineBreak", "a\nb",
                                                       "a\xe2\x90\x8a"
                                                       "b"},
                                           DisplayCase{"Tab", "a\tb",
                                                       "a\xe2\x90\x89"
                                                       "b"},
                                           DisplayCase{"Delete", "a\x7f", "a\xe2\x90\xa1"},
                                           DisplayCase{"NotUtf8",
                                                       "a\xff"
                                                       "b",
                                                       "a\xef\xbf\xbd"
                                                       "b"},
                                           DisplayCase{"CutCharacter", "a\xc3", "a\xef\xbf\xbd"},
                                           DisplayCase{"C1Control", "a\xc2\x85", "a\xef\xbf\xbd"},
                                           DisplayCase{"Emoji", "\xf0\x9f\x93\xb7",
                                                       "\xf0\x9f\x93\xb7"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vendrik
