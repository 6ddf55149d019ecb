#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "scoped_env.h"
#include "startup/open_with.h"
#include "startup/path_helpers.h"
#include "startup/settings_file.h"
#include "startup/start_up.h"
#include "support/read_only_folder.h"
#include "support/test_support.h"

namespace vendrik {
namespace {

using test::TempDir;

const std::string kSection(SettingsSection);

// A program folder, a home with a documents folder and a lock file, all
// inside one scratch folder.
class StartUp : public ::testing::Test {
protected:
    void SetUp() override {
        m_env.set("HOME", home());
        m_env.set("XDG_CONFIG_HOME", m_dir.file("home/.config"));
        m_env.set("XDG_DATA_HOME", m_dir.file("home/.local/share"));
        m_env.set("XDG_DATA_DIRS", m_dir.file("usr/share"));
        m_env.unset("XDG_RUNTIME_DIR");
        std::filesystem::create_directories(m_dir.path() / "prog");
        std::filesystem::create_directories(m_dir.path() / "home" / "Dokumente");
        std::filesystem::create_directories(m_dir.path() / "home" / ".config");
        test::writeFileBytes(m_dir.file("home/.config/user-dirs.dirs"),
                             bytes("XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n"));
        m_inputs.programFile = m_dir.file("prog/vendrik");
        m_inputs.lockFile = m_dir.file("vendrik.lock");
        m_inputs.store = &m_store;
    }
    static std::vector<std::uint8_t> bytes(const std::string& s) {
        return {s.begin(), s.end()};
    }
    std::string home() const {
        return m_dir.file("home");
    }
    std::string ini() const {
        return m_dir.file("prog/vendrik.ini");
    }
    StartupState start(std::vector<std::string> args = {}) {
        m_inputs.arguments = std::move(args);
        StartupState s = runStartup(m_inputs);
        return s;
    }

    TempDir m_dir;
    test::ScopedEnv m_env;
    MemoryKeyValueStore m_store;
    StartupInputs m_inputs;
};

TEST_F(StartUp, FirstStartUsesDefaultsAndStoresFirstRunFirst) {
    StartupState s = start();
    ASSERT_FALSE(s.secondInstance);
    EXPECT_EQ(s.settingsFile, ini());
    EXPECT_EQ(s.FirstRunFlag, 1);
    const auto b = test::readFileBytes(ini());
    EXPECT_EQ(std::string(b.begin(), b.end()), "[Tervane Vendrik]\r\nFirstRun=0\r\n");
    EXPECT_EQ(s.DocumentsFolder, home() + "/Dokumente/");
    EXPECT_EQ(s.settings.sourceFolder, s.DocumentsFolder);
    EXPECT_EQ(s.settings.targetFolder, s.DocumentsFolder);
    EXPECT_EQ(s.TempImagePath, s.tempFolder + "img.bmp");
    EXPECT_EQ(s.TempWorkPath, s.tempFolder + "temp.bmp");
    EXPECT_EQ(s.settings.watermark.lineBreaks, 1);
    EXPECT_EQ(s.settings.quality, 80);
    EXPECT_EQ(s.settings.optTag, 1);
    EXPECT_TRUE(s.registeredOpenWith);
    EXPECT_TRUE(FileExists(desktopEntryPath()));
    EXPECT_TRUE(s.fileToSelect.empty());
    s.lock = InstanceLock();
    EXPECT_EQ(start().FirstRunFlag, 0);  // every later start
}

TEST_F(StartUp, FoldersFallBackWhenStoredOnesAreGone) {
    const std::string src = m_dir.file("quelle");
    std::filesystem::create_directory(src);
    ASSERT_TRUE(WriteIniValue(kSection, "Quelle", src, ini()));
    EXPECT_EQ(start().settings.sourceFolder, src);

    std::filesystem::remove(src);
    // The mail client's folder comes before the documents folder for the target.
    const std::string mail = m_dir.file("anhang");
    std::filesystem::create_directory(mail);
    m_store.writeValue(RegistryRoot::CurrentUser, kTheBatKey, kTheBatValue, " " + mail + " ");
    ASSERT_TRUE(WriteIniValue(kSection, "LastSavePath", m_dir.file("weg"), ini()));
    StartupState s = start();
    EXPECT_EQ(s.settings.sourceFolder, home() + "/Dokumente/");
    EXPECT_EQ(s.settings.targetFolder, mail);
    s.lock = InstanceLock();

    // No documents folder either: the root.
    std::filesystem::remove(m_dir.path() / "home" / "Dokumente");
    m_env.unset("HOME");
    s = start();
    EXPECT_EQ(s.settings.sourceFolder, "/");
}

struct ArgumentCase {
    const char* name;
    const char* argument;  // "%" stands for the scratch folder
    bool picture;
};

class CommandLine : public StartUp, public ::testing::WithParamInterface<ArgumentCase> {};

TEST_P(CommandLine, PictureFolderOrNeither) {
    std::string arg = GetParam().argument;
    arg.replace(arg.find('%'), 1, m_dir.path().string());
    const StartupState s = start({arg});
    if (GetParam().picture) {
        EXPECT_EQ(s.settings.sourceFolder, m_dir.file("Urlaub"));
        EXPECT_EQ(s.fileToSelect, FileNameOf(s.commandLineArgument));
        EXPECT_FALSE(s.fileToSelect.empty());
    } else {
        EXPECT_EQ(s.settings.sourceFolder, home() + "/Dokumente/");
        EXPECT_TRUE(s.fileToSelect.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLine,
    ::testing::Values(ArgumentCase{"Jpg", "%/Urlaub/IMG_0001.JPG", true},
                      ArgumentCase{"QuotedJpeg", "\"%/Urlaub/bild.jpeg\"", true},
                      ArgumentCase{"Tif", "%/Urlaub/scan.TIF", true},
                      ArgumentCase{"Jpe", "%/Urlaub/x.jpe", true},
                      ArgumentCase{"Heic", "%/Urlaub/IMG_1234.HEIC", true},
                      ArgumentCase{"Heif", "%/Urlaub/bild.heif", true},
                      ArgumentCase{"Avif", "%/Urlaub/bild.avif", true},
                      ArgumentCase{"QuotedWebp", "\"%/Urlaub/bild.WebP\"", true},
                      ArgumentCase{"Png", "%/Urlaub/bild.png", false},
                      ArgumentCase{"Jps", "%/Urlaub/bild.jps", false},
                      ArgumentCase{"Tiff", "%/Urlaub/bild.tiff", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StartUp, FolderArgumentBecomesTheSource) {
    std::filesystem::create_directories(m_dir.path() / "Mein Ordner");
    // A path with a blank that the shell split into two words.
    const std::string folder = m_dir.file("Mein Ordner");
    const StartupState s = start({m_dir.file("Mein"), "Ordner"});
    EXPECT_EQ(s.settings.sourceFolder, folder);
    EXPECT_TRUE(s.fileToSelect.empty());
}

TEST_F(StartUp, PictureInAnExistingFolderKeepsTheFolderSpelling) {
    std::filesystem::create_directories(m_dir.path() / "Urlaub");
    const StartupState s = start({m_dir.file("Urlaub/IMG_0001.JPG")});
    EXPECT_EQ(s.settings.sourceFolder, m_dir.file("Urlaub"));
    // The picture does not exist, so its own name gets the case rule.
    EXPECT_EQ(s.fileToSelect, "Img_0001.jpg");
}

TEST(StripQuotes, RemovesQuotesButOnlyTheFirstOfAPair) {
    std::string a = "\"/a b/c.jpg\"";
    EXPECT_EQ(StripQuotes(a), "/a b/c.jpg");
    EXPECT_EQ(a, "/a b/c.jpg");
    std::string b = "x\"\"y";
    EXPECT_EQ(StripQuotes(b), "x\"y");
    std::string c = "\"\"\"";
    EXPECT_EQ(StripQuotes(c), "\"");
}

// The second start runs in a process of its own while this one holds the
// lock: it must end at once and leave the settings file alone, with the
// path of its command line made absolute for the first start's window (the
// two run in different folders).
TEST_F(StartUp, SecondStartEndsAtOnceWithoutTouchingTheSettings) {
    StartupState first = start();
    ASSERT_FALSE(first.secondInstance);
    ASSERT_TRUE(WriteIniValue(kSection, "FirstRun", "7", ini()));
    const auto before = test::readFileBytes(ini());
    struct stat stBefore {};
    ASSERT_EQ(::stat(ini().c_str(), &stBefore), 0);

    const auto t0 = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    std::filesystem::create_directory(m_dir.file("Neue Bilder"));
    if (child == 0) {
        std::filesystem::current_path(m_dir.path());
        StartupInputs inputs = m_inputs;
        inputs.arguments = {"\"Neue", "Bilder\""};
        const StartupState second = runStartup(inputs);
        const bool handedOver = second.commandLineArgument == m_dir.file("Neue Bilder");
        ::_exit(second.secondInstance && handedOver ? 42 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    const auto elapsed = std::chrono::steady_clock::now() - t0;
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 42);
    EXPECT_LT(elapsed, std::chrono::seconds(2));
    EXPECT_EQ(test::readFileBytes(ini()), before);
    struct stat stAfter {};
    ASSERT_EQ(::stat(ini().c_str(), &stAfter), 0);
    EXPECT_EQ(stAfter.st_ino, stBefore.st_ino);  // not even rewritten with the same bytes
    EXPECT_EQ(stAfter.st_mtim.tv_nsec, stBefore.st_mtim.tv_nsec);

    // Once the first copy ends, the next start runs normally.
    first.lock = InstanceLock();
    EXPECT_FALSE(start().secondInstance);
}

TEST_F(StartUp, SettingsGoToTheConfigFolderWhenTheProgramFolderIsReadOnly) {
    test::ReadOnlyFolder readOnly(m_dir.file("prog"));
    if (!readOnly.active()) {
        GTEST_SKIP() << "cannot make a folder read-only here";
    }
    const StartupState s = start();
    EXPECT_EQ(s.settingsFile, m_dir.file("home/.config/vendrik/vendrik.ini"));
    EXPECT_TRUE(FileExists(s.settingsFile));  // its folder was made for it
    EXPECT_EQ(s.FirstRunFlag, 1);
}

}  // namespace
}  // namespace vendrik
