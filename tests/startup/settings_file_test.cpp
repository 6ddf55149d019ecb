#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <map>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include "common/settings_keys.h"
#include "startup/ini_document.h"
#include "startup/settings.h"
#include "scoped_env.h"
#include "startup/settings_file.h"
#include "support/read_only_folder.h"
#include "support/test_support.h"

namespace vendrik {
namespace {

using test::readFileBytes;
using test::TempDir;

const std::string kSection(SettingsSection);

std::string fileText(const std::string& path) {
    const auto b = readFileBytes(path);
    return {b.begin(), b.end()};
}

using test::writeText;

TEST(SettingsFile, MissingFileGivesDefaultsAndFirstWriteCreatesIt) {
    TempDir dir;
    const std::string ini = dir.file("vendrik.ini");
    for (const SettingKey& k : kSettingKeys) {
        EXPECT_EQ(ReadIniValue(kSection, k.name, ini, std::string(k.defaultValue)), k.defaultValue)
            << k.name;
    }
    ASSERT_TRUE(WriteIniValue(kSection, "FirstRun", "0", ini));
    EXPECT_EQ(fileText(ini), "[Tervane Vendrik]\r\nFirstRun=0\r\n");
}

// How the reader treats what it finds on a line, and what the conversions
// of the key table make of it.
struct ReadCase {
    const char* name;
    std::string_view line;  // as stored, Windows-1252
    const char* key;
    const char* expected;  // UTF-8
};

class ReadValue : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadValue, ReadsAsThePlatformReaderDoes) {
    TempDir dir;
    const std::string ini = dir.file("v.ini");
    writeText(ini, "[tervane VENDRIK]\r\n" + std::string(GetParam().line) + "\r\n");
    EXPECT_EQ(ReadIniValue(kSection, GetParam().key, ini, "DEF"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ReadValue,
    ::testing::Values(ReadCase{"EmptyValueGivesDefault", "Quality=", "Quality", "DEF"},
                      ReadCase{"BlanksOnlyGiveDefault", "Quality=   \t", "Quality", "DEF"},
                      ReadCase{"KeyCaseIgnored", "qUaLiTy=95", "Quality", "95"},
                      ReadCase{"BlanksAroundTrimmed", "  Tag =  mini  ", "Tag", "mini"},
                      ReadCase{"EnclosingQuotesRemoved", "Tag=\" a b \"", "Tag", " a b "},
                      ReadCase{"UnpairedQuoteKept", "Tag=\"ab", "Tag", "\"ab"},
                      ReadCase{"SectionSignAndUmlauts", "Info=\xA9 M\xFCller#\xA7x", "Info",
                               "\u00A9 M\u00FCller#\u00A7x"},
                      ReadCase{"FirstOfTwoKeysWins", "Size=3\r\nSize=7", "Size", "3"},
                      ReadCase{"CommentIsNoKey", ";Size=3", "Size", "DEF"},
                      ReadCase{"ValueCutAtNul", std::string_view("Tag=ab\0cd", 9), "Tag",
                               "ab"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsFile, LongValueComesBackCutTo2047) {
    TempDir dir;
    const std::string ini = dir.file("v.ini");
    ASSERT_TRUE(WriteIniValue(kSection, "Tag", std::string(3000, 'x'), ini));
    EXPECT_EQ(ReadIniValue(kSection, "Tag", ini, ""), std::string(2047, 'x'));
    // Cut by characters on disk, not by UTF-8 bytes: 2047 umlauts survive whole.
    std::string umlauts;
    for (int i = 0; i < 3000; ++i) {
        umlauts += "\u00E4";
    }
    ASSERT_TRUE(WriteIniValue(kSection, "Tag", umlauts, ini));
    EXPECT_EQ(ReadIniValue(kSection, "Tag", ini, ""), umlauts.substr(0, 2 * 2047));
}

struct ConversionCase {
    const char* name;
    const char* text;
    std::optional<int> integer;
    double number;
};

class Conversion : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(Conversion, LeadingNumberRoundedTiesToEven) {
    const auto& c = GetParam();
    EXPECT_EQ(toInteger16(c.text), c.integer ? std::optional<std::int16_t>(*c.integer)
                                             : std::nullopt);
    ASSERT_TRUE(toDouble(c.text).has_value());
    EXPECT_DOUBLE_EQ(*toDouble(c.text), c.number);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Conversion,
    ::testing::Values(ConversionCase{"TrailingLetters", "95abc", 95, 95},
                      ConversionCase{"HalfToEvenDown", "2.5", 2, 2.5},
                      ConversionCase{"HalfToEvenUp", "3.5", 4, 3.5},
                      ConversionCase{"NegativeHalf", "-2.5", -2, -2.5},
                      ConversionCase{"LeadingBlanks", "  12", 12, 12},
                      ConversionCase{"NoNumber", "abc", 0, 0}, ConversionCase{"Empty", "", 0, 0},
                      ConversionCase{"Exponent", "1e2x", 100, 100},
                      ConversionCase{"BareE", "5e", 5, 5},
                      ConversionCase{"CommaStops", "7,5", 7, 7},
                      ConversionCase{"NoIntegerPart", ".5", 0, 0.5},
                      ConversionCase{"JustInRange", "32767.4", 32767, 32767.4},
                      ConversionCase{"RoundsOutOfRange", "32767.5", std::nullopt, 32767.5},
                      ConversionCase{"Smallest", "-32768", -32768, -32768},
                      ConversionCase{"TooLarge", "40000", std::nullopt, 40000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Conversion, FixedAndOverflow) {
    EXPECT_EQ(toFixed4("12.34567")->raw(), 123457);
    EXPECT_EQ(toFixed4("40")->raw(), 400000);
    EXPECT_FALSE(toFixed4("1e300").has_value());
    EXPECT_FALSE(toDouble("1e999").has_value());
    EXPECT_EQ(toDouble("1e-999"), 0.0);
}

TEST(SettingsValues, MainWindowValuesOutsideTheirRangeAreNotApplied) {
    TempDir dir;
    const std::string ini = dir.file("v.ini");
    writeText(ini,
              "[Tervane Vendrik]\r\nQuality=150\r\nSize=3.5\r\nPreTags=7\r\noptTag=0\r\n"
              "OrigSize=nein\r\nSamePath=99999\r\nchkAnfang=1\r\n");
    // A value that cannot apply leaves the control's design-time value, which
    // is the key's default.
    const Settings m = loadSettings(ini);
    EXPECT_EQ(m.quality, 80);  // slider 40..95 keeps its design-time value
    EXPECT_EQ(m.sizeIndex, 4);
    EXPECT_EQ(m.preTags, 5);  // the tag list has 7 entries
    EXPECT_EQ(m.optTag, 1);   // there is no option button 0
    EXPECT_TRUE(m.origSize);  // anything but "0" ticks it
    EXPECT_TRUE(m.samePath);
    EXPECT_TRUE(m.tagAtStart);

    writeText(ini, "[Tervane Vendrik]\r\nQuality=95abc\r\noptTag=2\r\nOrigSize=0\r\n");
    const Settings n = loadSettings(ini);
    EXPECT_EQ(n.quality, 95);
    EXPECT_EQ(n.optTag, 2);
    EXPECT_FALSE(n.origSize);
    EXPECT_EQ(n.sizeIndex, 5);
}

TEST(SettingsValues, WatermarkValuesReadAndWriteBack) {
    TempDir dir;
    const std::string ini = dir.file("v.ini");
    writeText(ini, "[Tervane Vendrik]\r\nWSize=70000\r\nAngle=12.5\r\nHPos=1e999\r\n"
                   "Info=Zeile 1#\xA7Zeile 2#\xA7Zeile 3\r\n");
    WatermarkSettings w = loadSettings(ini).watermark;
    EXPECT_EQ(w.size, 0);  // beyond 16 bits: stays 0
    EXPECT_EQ(w.angle.raw(), 125000);
    EXPECT_EQ(w.hPos, 0.0);
    EXPECT_EQ(w.vPos, 120.0);
    EXPECT_EQ(w.opacity.raw(), 450000);
    EXPECT_EQ(w.text, "Zeile 1\r\nZeile 2\r\nZeile 3");
    EXPECT_EQ(w.lineBreaks, 2);

    w.text = "x\r\ny#z";  // a "#" typed by the user
    w.size = 50;
    ASSERT_TRUE(saveWatermarkSettings(w, ini));
    EXPECT_NE(fileText(ini).find("Info=x#\xA7y#z\r\n"), std::string::npos);
    const WatermarkSettings again = loadSettings(ini).watermark;
    EXPECT_EQ(again.text, "x\r\ny\rz");  // ... comes back as a line break
    EXPECT_EQ(again.lineBreaks, 2);
    EXPECT_EQ(again.size, 50);
    EXPECT_EQ(again.angle.raw(), 120000);  // the designer stores whole degrees
}

// Numbers a hand-edited file may hold for the closed sets are kept as they
// are, so that each keeps its defined effect (a colour outside the table
// keeps the previous colour, an alignment outside 0..2 puts the coordinate at
// 0, a size below 2 draws nothing), and the designer writes them back as read.
TEST(SettingsValues, HostileWatermarkNumbersAreKeptNotMended) {
    TempDir dir;
    const std::string ini = dir.file("v.ini");
    writeText(ini, "[Tervane Vendrik]\r\nColor=17\r\nAngle=9999\r\nWSize=-5\r\nHPosN=3\r\n"
                   "VPosN=-2\r\nAngleN=42\r\n");
    const WatermarkSettings w = loadSettings(ini).watermark;
    EXPECT_EQ(storedNumber(w.color), 17);
    EXPECT_FALSE(isNamed(w.color));
    EXPECT_EQ(colourValue(w.color), std::nullopt);
    EXPECT_EQ(w.angle, Fixed4(9999));
    EXPECT_EQ(w.size, -5);
    EXPECT_EQ(storedNumber(w.hAlign), 3);
    EXPECT_EQ(storedNumber(w.vAlign), -2);
    EXPECT_EQ(storedNumber(w.angleMode), 42);
    EXPECT_FALSE(isNamed(w.hAlign) || isNamed(w.vAlign) || isNamed(w.angleMode));

    ASSERT_TRUE(saveWatermarkSettings(w, ini));
    const std::string text = fileText(ini);
    for (const char* entry : {"Color=17\r\n", "Angle=9999\r\n", "WSize=-5\r\n", "HPosN=3\r\n",
                              "VPosN=-2\r\n", "AngleN=42\r\n"}) {
        EXPECT_NE(text.find(entry), std::string::npos) << entry;
    }
}

TEST(SettingsValues, EmptyInfoGivesTheTwoLineNotice) {
    TempDir dir;
    const WatermarkSettings w = loadSettings(dir.file("none.ini")).watermark;
    EXPECT_EQ(w.lineBreaks, 1);
    EXPECT_NE(w.text.find("\r\n"), std::string::npos);
    EXPECT_EQ(w.text.find('#'), std::string::npos);
}

TEST(SettingsFile, OurOwnFileRoundTripsByteExact) {
    TempDir dir;
    const std::string ini = dir.file("v.ini");
    Settings state;
    state.sourceFolder = "/home/u/Bilder/Urlaub \u00FCber M\u00FCnchen";
    state.targetFolder = "/home/u/Ausgabe";
    state.tag = "gr\u00FC\u00DF";
    state.quality = 90;
    ASSERT_TRUE(saveMainWindowSettings(state, ini));
    WatermarkSettings w;
    w.text = "\u00A9 Ich\r\n   www.example.org";
    ASSERT_TRUE(saveWatermarkSettings(w, ini));
    const std::string before = fileText(ini);
    EXPECT_NE(before.find("Quelle=/home/u/Bilder/Urlaub \xFC" "ber M\xFCnchen\r\n"),
              std::string::npos);
    EXPECT_NE(before.find("Info=\xA9 Ich#\xA7   www.example.org\r\n"), std::string::npos);

    // Read everything and write it back unchanged: not one byte moves.
    Settings again = state;
    again.sourceFolder = ReadIniValue(kSection, "Quelle", ini, "");
    again.tag = ReadIniValue(kSection, "Tag", ini, "");
    ASSERT_TRUE(saveMainWindowSettings(again, ini));
    ASSERT_TRUE(saveWatermarkSettings(loadSettings(ini).watermark, ini));
    EXPECT_EQ(fileText(ini), before);
}

// The window's later keys (Metadaten, NoEnlarge, MaxSize, Kompression,
// Format): written only once they differ from their default, and then kept,
// also when set back to it.
TEST(SettingsFile, LaterKeysGoInOnlyOnceSet) {
    TempDir dir;
    const std::string ini = dir.file("v.ini");
    const auto has = [&](const char* line) {
        return fileText(ini).find(std::string("\r\n") + line + "\r\n") != std::string::npos;
    };
    Settings state;
    ASSERT_TRUE(saveMainWindowSettings(state, ini));
    for (const char* key : {"Metadaten=", "NoEnlarge=", "MaxSize=", "Kompression=", "Format="}) {
        EXPECT_EQ(fileText(ini).find(key), std::string::npos) << key;
    }
    state.noEnlarge = true;
    state.maxSizeKB = 200;
    state.format = 2;
    ASSERT_TRUE(saveMainWindowSettings(state, ini));
    EXPECT_TRUE(has("NoEnlarge=1"));
    EXPECT_TRUE(has("MaxSize=200"));
    EXPECT_TRUE(has("Format=2"));
    EXPECT_EQ(fileText(ini).find("Metadaten="), std::string::npos);
    EXPECT_EQ(fileText(ini).find("Kompression="), std::string::npos);
    state.strongCompression = true;
    ASSERT_TRUE(saveMainWindowSettings(state, ini));
    // A key new to the file goes after those it has.
    EXPECT_TRUE(has("Format=2\r\nKompression=1"));

    state.noEnlarge = false;
    state.maxSizeKB = 0;
    state.format = 0;
    state.metadata = 1;
    state.strongCompression = false;
    ASSERT_TRUE(saveMainWindowSettings(state, ini));
    EXPECT_TRUE(has("NoEnlarge=0"));
    EXPECT_TRUE(has("Format=0"));
    EXPECT_TRUE(has("MaxSize=0"));
    EXPECT_TRUE(has("Metadaten=1"));
    EXPECT_TRUE(has("Kompression=0"));
    const std::string before = fileText(ini);
    ASSERT_TRUE(saveMainWindowSettings(loadSettings(ini), ini));
    EXPECT_EQ(fileText(ini), before);
}

TEST(SettingsFile, HandWrittenFileRoundTripsByteExact) {
    TempDir dir;
    const std::string ini = dir.file("v.ini");
    // Windows-1252, odd spacing, a comment, LF endings, another section and
    // no line ending at the end.
    const std::string hand =
        "; von Hand\n[Andere]\nQuelle=/nicht/diese\n\n[TERVANE VENDRIK]\n"
        "Quelle = /home/u/B\xFC" "cher\nInfo=\xA9 M\xFCller#\xA7   www.example.org\n"
        "Tag=\"gro\xDF\"\nQuality=85";
    writeText(ini, hand);
    for (const SettingKey& k : kSettingKeys) {
        const std::string v = ReadIniValue(kSection, k.name, ini, "");
        if (!v.empty()) {
            ASSERT_TRUE(WriteIniValue(kSection, k.name, v, ini)) << k.name;
        }
    }
    EXPECT_EQ(fileText(ini), hand);
    EXPECT_EQ(ReadIniValue(kSection, "Quelle", ini, ""), "/home/u/B\u00FCcher");
    EXPECT_EQ(ReadIniValue(kSection, "Tag", ini, ""), "gro\u00DF");

    // A changed value changes its line only; a new key joins the section.
    ASSERT_TRUE(WriteIniValue(kSection, "Quality", "70", ini));
    ASSERT_TRUE(WriteIniValue(kSection, "Size", "2", ini));
    std::string expected = hand;
    expected.replace(expected.find("Quality=85"), 10, "Quality=70\nSize=2\n");
    EXPECT_EQ(fileText(ini), expected);
}

TEST(SettingsFile, CorruptFilesLoadAndGiveDefaults) {
    TempDir dir;
    const std::string ini = dir.file("v.ini");
    std::mt19937 rng(7);
    std::string garbage(8u << 20, '\0');
    for (char& c : garbage) {
        c = static_cast<char>(rng());
    }
    // 8 MB of noise with a readable section buried in the middle, after a
    // duplicate of the section that has no "=" on any line.
    garbage.insert(4u << 20, "\n[Tervane Vendrik]\nohne Gleichheitszeichen\n"
                             "[Tervane Vendrik]\nQuality=91\n");
    writeText(ini, garbage);
    EXPECT_EQ(ReadIniValue(kSection, "Size", ini, "5"), "5");
    // The first section of the name is the one read, as the platform does.
    EXPECT_EQ(ReadIniValue(kSection, "Quality", ini, "80"), "80");
    ASSERT_TRUE(WriteIniValue(kSection, "Size", "3", ini));
    EXPECT_EQ(ReadIniValue(kSection, "Size", ini, "5"), "3");
    // Everything else is kept: the new line is the only difference.
    std::string after = fileText(ini);
    const auto added = after.find("Size=3");
    ASSERT_NE(added, std::string::npos);
    after.erase(added, after.compare(added + 6, 2, "\r\n") == 0 ? 8 : 7);
    EXPECT_TRUE(after == garbage);

    // A folder, a FIFO and an unreadable name in the file's place.
    std::filesystem::create_directory(dir.file("folder.ini"));
    EXPECT_EQ(ReadIniValue(kSection, "Size", dir.file("folder.ini"), "5"), "5");
    EXPECT_FALSE(WriteIniValue(kSection, "Size", "1", dir.file("folder.ini")));
    ASSERT_EQ(::mkfifo(dir.file("fifo.ini").c_str(), 0600), 0);
    EXPECT_EQ(ReadIniValue(kSection, "Size", dir.file("fifo.ini"), "5"), "5");
}

TEST(SettingsFile, LineBreakInAValueIsNotWritten) {
    TempDir dir;
    const std::string ini = dir.file("v.ini");
    ASSERT_TRUE(WriteIniValue(kSection, "Quelle", "/a", ini));
    EXPECT_FALSE(WriteIniValue(kSection, "Quelle", "/x\nQuality=10", ini));
    EXPECT_EQ(ReadIniValue(kSection, "Quelle", ini, ""), "/a");
    EXPECT_EQ(ReadIniValue(kSection, "Quality", ini, "80"), "80");
}

TEST(SettingsFile, LinkToTheFileIsFollowedAndKept) {
    TempDir dir;
    const std::string real = dir.file("real.ini");
    const std::string link = dir.file("link.ini");
    writeText(real, "[Tervane Vendrik]\r\nSize=1\r\n");
    std::filesystem::create_symlink(real, link);
    ASSERT_TRUE(WriteIniValue(kSection, "Size", "2", link));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadIniValue(kSection, "Size", real, ""), "2");
}

TEST(SettingsFile, ReadOnlyFolderWriteFailsQuietlyAndKeepsTheFile) {
    TempDir dir;
    const std::string ini = dir.file("v.ini");
    ASSERT_TRUE(WriteIniValue(kSection, "Size", "1", ini));
    const auto before = readFileBytes(ini);
    test::ReadOnlyFolder readOnly(dir.path().string());
    if (!readOnly.active()) {
        GTEST_SKIP() << "cannot make a folder read-only here";
    }
    EXPECT_FALSE(WriteIniValue(kSection, "Size", "2", ini));
    EXPECT_EQ(readFileBytes(ini), before);
    EXPECT_EQ(ReadIniValue(kSection, "Size", ini, ""), "1");
}

// A copy in a folder of its own keeps its settings beside itself; one
// installed under /usr never does, even for root, who may write there.
TEST(SettingsFile, BesideAPortableCopyButNeverBesideAnInstalledProgram) {
    TempDir dir;
    test::ScopedEnv env;
    env.set("XDG_CONFIG_HOME", dir.file("config"));
    const std::string inConfig = dir.file("config") + "/vendrik/vendrik.ini";
    EXPECT_EQ(locateSettingsFile(dir.path().string() + "/"), dir.file("vendrik.ini"));
    EXPECT_EQ(locateSettingsFile(dir.file("nicht-da") + "/"), inConfig);
    // Run as root (as CI is), these folders are writable.
    for (const char* installed : {"/usr/bin/", "/usr/local/bin/", "/bin/"}) {
        EXPECT_EQ(locateSettingsFile(installed), inConfig) << installed;
    }
}

// A child rewrites the settings over and over, alternating between two
// versions of different length; killing it at random moments must leave
// one version or the other on disk, never a mixture or a truncated file.
TEST(SettingsFile, KillWhileWritingLeavesOldOrNewFile) {
    TempDir dir;
    const std::string ini = dir.file("v.ini");
    const std::string shortTag(100, 'a');
    const std::string longTag(2000, 'b');
    ASSERT_TRUE(WriteIniValue(kSection, "Tag", shortTag, ini));
    ASSERT_TRUE(WriteIniValue(kSection, "Quality", "80", ini));
    const std::string versionA = fileText(ini);
    ASSERT_TRUE(WriteIniValue(kSection, "Tag", longTag, ini));
    const std::string versionB = fileText(ini);

    std::mt19937 rng(42);
    int sawA = 0;
    int sawB = 0;
    for (int round = 0; round < 12; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (unsigned i = 0;; ++i) {
                static_cast<void>(WriteIniValue(kSection, "Tag", i % 2 ? longTag : shortTag, ini));
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + rng() % 60));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        const std::string now = fileText(ini);
        ASSERT_TRUE(now == versionA || now == versionB) << "round " << round << ", "
                                                        << now.size() << " bytes";
        (now == versionA ? sawA : sawB)++;
    }
    EXPECT_EQ(sawA + sawB, 12);
}

}  // namespace
}  // namespace vendrik

namespace vendrik {
namespace {

// Random documents built from the pieces that trip INI parsers up: headers
// with odd spacing and case, duplicate sections, keys without "=", comments,
// quotes, NUL and high bytes, mixed line endings. Whatever the document,
// a value written reads back, and no other key's value changes.
TEST(IniDocumentProperty, WrittenValueReadsBackAndOthersStay) {
    constexpr std::array<std::string_view, 14> kPieces = {
        "[Tervane Vendrik]", " [ tervane vendrik ] ", "[Andere]", "Quality=95", "quality = 7 ",
        "Tag=\"x\"", "ohne gleich", ";Size=1", "Size=", "=leer", std::string_view("\0\xA7\xFF", 3),
        "[", "Info=#\xA7", "Size='3'"};
    constexpr std::array<std::string_view, 3> kEndings = {"\r\n", "\n", ""};
    constexpr std::array<std::string_view, 4> kKeys = {"Quality", "Size", "Tag", "Neu"};
    std::mt19937 rng(1234);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int lines = static_cast<int>(rng() % 8);
        for (int i = 0; i < lines; ++i) {
            text += kPieces[rng() % kPieces.size()];
            text += kEndings[rng() % kEndings.size()];
        }
        IniDocument doc = IniDocument::parse(text);
        ASSERT_EQ(doc.bytes(), text);  // parsing alone never changes a byte
        const std::string_view key = kKeys[rng() % kKeys.size()];
        const std::string value = "v" + std::to_string(rng() % 100);
        std::map<std::string_view, std::optional<std::string>> before;
        for (const auto k : kKeys) {
            before[k] = doc.value("Tervane Vendrik", k);
        }
        doc.setValue("Tervane Vendrik", key, value);
        const IniDocument reread = IniDocument::parse(doc.bytes());
        ASSERT_EQ(reread.value("TERVANE VENDRIK", key), value) << "round " << round;
        for (const auto k : kKeys) {
            if (k != key) {
                ASSERT_EQ(reread.value("Tervane Vendrik", k), before[k]) << "round " << round;
            }
        }
    }
}

// A last header ended by a lone CR in a file of LF lines has no line ending:
// a key added after it goes on a line of its own, not onto the header's.
TEST(IniDocumentProperty, AKeyAfterALastHeaderEndedByALoneCrGetsItsOwnLine) {
    for (const std::string_view text : {"ne JQuality=10\n[tervane vendrik\r",
                                        "a=1\n[Tervane Vendrik]\r", "a=1\r\n[Tervane Vendrik]"}) {
        IniDocument doc = IniDocument::parse(text);
        doc.setValue("Tervane Vendrik", "Tag", "anevendrik");
        EXPECT_EQ(IniDocument::parse(doc.bytes()).value("Tervane Vendrik", "Tag"), "anevendrik")
            << doc.bytes();
    }
}

}  // namespace
}  // namespace vendrik
