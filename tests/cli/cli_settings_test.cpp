#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/cli_runs.h"
#include "support/read_only_folder.h"

namespace vendrik {
namespace {

using test::cliPath;

std::string lineOf(const std::string& output, const std::string& key) {
    const auto at = output.find("\n" + key + " ");
    if (at == std::string::npos) {
        return {};
    }
    return output.substr(at + 1, output.find('\n', at + 1) - at - 1);
}

TEST(CliSettings, ShowsEveryKeyWithItsSource) {
    TempDir dir;
    const std::string ini = dir.file("v.ini");
    const std::string text =
        "[Tervane Vendrik]\r\nQuality=150\r\nSize=3.5\r\nWSize=99999\r\nTag=gro\xDF\r\n"
        "Info=a#\xA7" "b\r\n";
    test::writeFileBytes(ini, {text.begin(), text.end()});
    const auto r = runCommand(test::cli() + " settings --settings " + shellQuote(ini));
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output.rfind("Einstellungsdatei: " + ini + "\n", 0), 0u) << r.output;
    EXPECT_EQ(lineOf(r.output, "Quality"),
              "Quality       = 80  [Vorgabe, gespeichert \"150\" nicht anwendbar]");
    EXPECT_EQ(lineOf(r.output, "Size"), "Size          = 4  [Datei]");
    EXPECT_EQ(lineOf(r.output, "WSize"),
              "WSize         = 0  [Datei, gespeichert \"99999\" nicht anwendbar]");
    EXPECT_EQ(lineOf(r.output, "Tag"), "Tag           = gro\u00DF  [Datei]");
    EXPECT_EQ(lineOf(r.output, "Angle"), "Angle         = 40  [Vorgabe]");
    EXPECT_EQ(lineOf(r.output, "Info"), "Info          = a#\u00A7b  [Datei]");
    EXPECT_NE(r.output.find("\nZeilenumbrüche = 1\n"), std::string::npos) << r.output;

    const auto none = runCommand(test::cli() + " settings --no-settings");
    ASSERT_EQ(none.exitCode, 0);
    EXPECT_EQ(none.output.rfind("Einstellungsdatei: keine (eingebaute Vorgaben)\n", 0), 0u);
    EXPECT_EQ(lineOf(none.output, "Quality"), "Quality       = 80  [Vorgabe]");
    // An empty "Info" shows the notice start-up puts in its place.
    EXPECT_NE(lineOf(none.output, "Info").find("#\u00A7"), std::string::npos) << none.output;
}

// The command line looks for the windows' vendrik.ini beside itself when
// that folder is writable, else in the config folder.
TEST(CliSettings, FindsTheWindowsFileByTheSameRule) {
    TempDir dir;
    const std::string bin = dir.file("bin");
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(dir.path() / "config" / "vendrik");
    std::filesystem::copy_file(cliPath(), bin + "/vendrik-cli");
    const std::string beside = bin + "/vendrik.ini";
    const std::string inConfig = dir.file("config/vendrik/vendrik.ini");
    const std::string besideText = "[Tervane Vendrik]\nQuality=60\n";
    const std::string configText = "[Tervane Vendrik]\nQuality=70\n";
    test::writeFileBytes(beside, {besideText.begin(), besideText.end()});
    test::writeFileBytes(inConfig, {configText.begin(), configText.end()});
    const std::string command = "XDG_CONFIG_HOME=" + shellQuote(dir.file("config")) + " " +
                                shellQuote(bin + "/vendrik-cli") + " settings";

    auto r = runCommand(command);
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output.rfind("Einstellungsdatei: " + beside + "\n", 0), 0u) << r.output;
    EXPECT_EQ(lineOf(r.output, "Quality"), "Quality       = 60  [Datei]");

    // A writable program folder without the file: defaults, not the config file.
    std::filesystem::remove(beside);
    r = runCommand(command);
    EXPECT_EQ(r.output.rfind("Einstellungsdatei: keine (eingebaute Vorgaben)\n", 0), 0u)
        << r.output;

    test::ReadOnlyFolder readOnly(bin);
    if (!readOnly.active()) {
        GTEST_SKIP() << "cannot make a folder read-only here";
    }
    r = runCommand(command);
    EXPECT_EQ(r.output.rfind("Einstellungsdatei: " + inConfig + "\n", 0), 0u) << r.output;
    EXPECT_EQ(lineOf(r.output, "Quality"), "Quality       = 70  [Datei]");
}

struct UsageCase {
    const char* args;
    int exitCode;
    const char* says;
};

class CliUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(CliUsage, BadUsageExitsWithTwo) {
    const auto r = runCommand(test::cli() + " " + GetParam().args);
    EXPECT_EQ(r.exitCode, GetParam().exitCode) << r.output;
    EXPECT_NE(r.output.find(GetParam().says), std::string::npos) << r.output;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CliUsage,
    ::testing::Values(
        UsageCase{"settings --settings", 2, "vendrik-cli settings: --settings erwartet"},
        UsageCase{"settings --settings a --no-settings", 2, "schließen einander aus"},
        UsageCase{"settings extra", 2, "unbekanntes Argument 'extra'"},
        UsageCase{"settings --help", 0, "Aufruf: vendrik-cli settings"},
        UsageCase{"register --program", 2, "vendrik-cli register: --program erwartet"},
        UsageCase{"register --program relativ", 2, "absoluten Pfad"},
        UsageCase{"register --help", 0, "Aufruf: vendrik-cli register"}));

TEST(CliRegister, WritesTheEntryAndFailsCleanlyOnAReadOnlyPlace) {
    TempDir dir;
    const std::string env = "XDG_DATA_HOME=" + shellQuote(dir.file("data")) +
                            " XDG_DATA_DIRS=" + shellQuote(dir.file("system")) + " ";
    const auto r = runCommand(env + test::cli() + " register --program " +
                              shellQuote("/opt/Mein Ördner/vendrik"));
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output, dir.file("data/applications/vendrik.desktop") + "\n");
    const auto b = test::readFileBytes(dir.file("data/applications/vendrik.desktop"));
    EXPECT_NE(std::string(b.begin(), b.end()).find("Exec=\"/opt/Mein Ördner/vendrik\" %f"),
              std::string::npos);

    // XDG_DATA_HOME naming a file: the folder cannot be made.
    test::writeFileBytes(dir.file("datei"), {1});
    const auto bad = runCommand("XDG_DATA_HOME=" + shellQuote(dir.file("datei")) +
                                " XDG_DATA_DIRS=" + shellQuote(dir.file("system")) + " " +
                                test::cli() + " register --program /opt/v/vendrik");
    EXPECT_EQ(bad.exitCode, 1) << bad.output;
    EXPECT_NE(bad.output.find("vendrik-cli register: "), std::string::npos);

    // Installed as a package: its entry is the one, and ours goes.
    const std::string packaged = dir.file("system/applications/vendrik.desktop");
    std::filesystem::create_directories(dir.file("system/applications"));
    test::writeFileBytes(packaged, {'#'});
    const auto installed = runCommand(env + test::cli() + " register");
    ASSERT_EQ(installed.exitCode, 0) << installed.output;
    EXPECT_EQ(installed.output, packaged + "\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("data/applications/vendrik.desktop")));
}

}  // namespace
}  // namespace vendrik
