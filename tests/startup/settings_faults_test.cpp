// Settings files that are not what they should be, and writers that meet:
// each fault is named, none turns into a file that is ignored from then on,
// and no writer undoes another's write.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>

#include "common/settings_keys.h"
#include "startup/ini_document.h"
#include "startup/settings.h"
#include "startup/settings_file.h"
#include "support/test_support.h"

namespace vendrik {
namespace {

using test::TempDir;

const std::string kSection(SettingsSection);

std::string fileText(const std::string& path) {
    const auto b = test::readFileBytes(path);
    return {b.begin(), b.end()};
}

// Runs `check` in a child without root's power to read anything, and gives
// its result; root reads files whatever their permissions say.
bool asUnprivileged(const std::function<bool()>& check) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(2);
        }
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct StateCase {
    const char* name;
    std::function<void(const std::string& path)> make;
    bool found;
    const char* problem;  // empty: read, or missing
};

TEST(SettingsFileRead, EachFaultIsNamed) {
    const std::vector<StateCase> cases = {
        {"missing", [](const std::string&) {}, false, ""},
        {"read", [](const std::string& p) { test::writeText(p, "[Tervane Vendrik]\nSize=3\n"); },
         true, ""},
        {"folder", [](const std::string& p) { std::filesystem::create_directory(p); }, false,
         "ist ein Ordner, keine Datei"},
        {"fifo", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, false,
         "ist eine benannte Pipe (FIFO), keine gewöhnliche Datei"},
        {"too large",
         [](const std::string& p) {
             test::writeText(p, "[Tervane Vendrik]\n");
             std::filesystem::resize_file(p, kMaxIniFileSize + 1);
         },
         false, "größer als 64 MiB, nicht gelesen"},
    };
    for (const StateCase& c : cases) {
        TempDir dir;
        const std::string ini = dir.file("vendrik.ini");
        c.make(ini);
        const Result<SettingsFileRead> read = readSettingsFile(ini);
        EXPECT_EQ(read.reason(), c.problem) << c.name;
        ASSERT_EQ(read.ok(), std::string(c.problem).empty()) << c.name;
        if (read) {
            EXPECT_EQ(read->found, c.found) << c.name;
            EXPECT_EQ(read->document.bytes().empty(), !c.found) << c.name;
        }
        // Whatever the fault, the settings are the defaults.
        EXPECT_EQ(loadSettings(ini).sizeIndex, c.found ? 3 : 5) << c.name;
    }
}

TEST(SettingsFileRead, AnUnreadableFileIsNamedNotTakenForMissing) {
    TempDir dir;
    std::filesystem::permissions(dir.path(), std::filesystem::perms::all);
    const std::string ini = dir.file("vendrik.ini");
    test::writeText(ini, "[Tervane Vendrik]\nSize=3\n");
    ::chmod(ini.c_str(), 0);
    EXPECT_TRUE(asUnprivileged([&] {
        const Result<SettingsFileRead> read = readSettingsFile(ini);
        // Nor may a write replace it by a file holding only the new key.
        return !read && read.reason() == "keine Leseberechtigung" &&
               !WriteIniValue(kSection, "Size", "4", ini);
    }));
    ::chmod(ini.c_str(), 0600);
    EXPECT_EQ(ReadIniValue(kSection, "Size", ini, ""), "3");
}

// Lines ended by CR alone (as the classic Mac OS wrote them) are lines: the
// values are read, and a write keeps the file's line ends.
TEST(SettingsFile, CarriageReturnLinesAreRead) {
    TempDir dir;
    const std::string ini = dir.file("v.ini");
    test::writeText(ini, "; alt\r[Tervane Vendrik]\rQuality=91\rTag=mac\r");
    const Settings s = loadSettings(ini);
    EXPECT_EQ(s.quality, 91);
    EXPECT_EQ(s.tag, "mac");
    EXPECT_TRUE(readIniFile(ini).carriageReturnLines());
    ASSERT_TRUE(WriteIniValue(kSection, "Size", "2", ini));
    ASSERT_TRUE(WriteIniValue(kSection, "Tag", "neu", ini));
    EXPECT_EQ(fileText(ini), "; alt\r[Tervane Vendrik]\rQuality=91\rTag=neu\rSize=2\r");
}

// The program's own write must not make the file too large to be read: the
// next start would then ignore every stored value and refuse every write.
TEST(SettingsFile, AWriteNeverPushesTheFileBeyondTheLimit) {
    TempDir dir;
    const std::string ini = dir.file("v.ini");
    const std::string head = "[Tervane Vendrik]\nQuality=91\n;";
    test::writeText(ini, head + std::string(kMaxIniFileSize - head.size() - 40, 'x') + "\n");
    EXPECT_TRUE(WriteIniValue(kSection, "Size", "2", ini));  // 7 bytes more: still fits
    const auto before = std::filesystem::file_size(ini);
    EXPECT_FALSE(WriteIniValue(kSection, "Tag", std::string(100, 't'), ini));
    EXPECT_EQ(std::filesystem::file_size(ini), before);
    const Result<SettingsFileRead> read = readSettingsFile(ini);
    EXPECT_TRUE(read && read->found);
    EXPECT_EQ(ReadIniValue(kSection, "Quality", ini, ""), "91");
    EXPECT_EQ(ReadIniValue(kSection, "Size", ini, ""), "2");
}

// Three processes write 300 values each into their own key of one file. Each
// write reads, changes and replaces the file; without taking turns a writer
// replaces the file with a copy read before another's write and undoes it.
TEST(SettingsFile, ConcurrentWritersLoseNoUpdate) {
    TempDir dir;
    const std::string ini = dir.file("v.ini");
    constexpr int kWriters = 3;
    constexpr int kWrites = 300;
    std::array<pid_t, kWriters> children{};
    for (int w = 0; w < kWriters; ++w) {
        children[static_cast<std::size_t>(w)] = ::fork();
        if (children[static_cast<std::size_t>(w)] == 0) {
            bool ok = true;
            for (int i = 0; i < kWrites; ++i) {
                const std::string key = "Writer" + std::to_string(w);
                ok = WriteIniValue(kSection, key, std::to_string(i), ini) && ok;
            }
            ::_exit(ok ? 0 : 1);
        }
    }
    for (const pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int w = 0; w < kWriters; ++w) {
        EXPECT_EQ(ReadIniValue(kSection, "Writer" + std::to_string(w), ini, ""),
                  std::to_string(kWrites - 1))
            << "writer " << w;
    }
    EXPECT_TRUE(test::temporaryNamesIn(dir.path()).empty());
}

// The values of all keys in one pass answer as each key read alone, in
// documents of every kind of line end, CR alone included.
TEST(IniDocumentProperty, AllValuesAtOnceAnswerAsEachAlone) {
    constexpr std::array<std::string_view, 10> kPieces = {
        "[Tervane Vendrik]", "[andere]", "Quality=95", "quality = 7 ", "Tag=\"x\"",
        "ohne gleich", ";Size=1", "  [ TERVANE vendrik ]", "Size='3'", "Info=#\xA7"};
    constexpr std::array<std::string_view, 3> kEndings = {"\r\n", "\n", "\r"};
    const std::vector<std::string_view> keys = {"Quality", "Size", "Tag", "Info", "Neu"};
    std::mt19937 rng(99);
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        const std::string_view ending = kEndings[rng() % kEndings.size()];
        const int lines = static_cast<int>(rng() % 9);
        for (int i = 0; i < lines; ++i) {
            text += kPieces[rng() % kPieces.size()];
            text += ending;
        }
        const IniDocument doc = IniDocument::parse(text);
        const auto all = doc.values("Tervane Vendrik", keys);
        for (std::size_t k = 0; k < keys.size(); ++k) {
            ASSERT_EQ(all[k], doc.value("tervane vendrik", keys[k])) << "round " << round;
        }
        // A value written reads back, and the line ends stay those of the file.
        IniDocument changed = doc;
        changed.setValue("Tervane Vendrik", "Neu", "v");
        ASSERT_EQ(changed.value("Tervane Vendrik", "Neu"), "v") << "round " << round;
        if (!text.empty()) {
            ASSERT_EQ(changed.carriageReturnLines(), ending == "\r") << "round " << round;
        }
    }
}

}  // namespace
}  // namespace vendrik
