// The option parser, the help it is described by, the progress line and
// locale numbers, without running the program.

#include "command_line.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <locale.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>

#include "optimise_options.h"
#include "progress_line.h"
#include "standard_streams.h"
#include "support/test_support.h"

namespace vendrik::cli {
namespace {

// A table that records what was applied, in order.
struct Recorder {
    std::vector<std::string> applied;

    std::vector<CliOption> table() {
        auto record = [this](std::string name) {
            return [this, name](const std::string& value, std::string&) {
                applied.push_back(name + "=" + value);
                return true;
            };
        };
        return {
            {"size", 's', "GRÖSSE", "Rahmen", record("size"), false, ""},
            {"quiet", 'q', "", "still", record("quiet"), false, ""},
            {"recursive", 'r', "", "Unterordner", record("recursive"), false, ""},
            {"out", 'o', "ORDNER", "Ziel", record("out"), false, ""},
            {"no-settings", 0, "", "ohne", record("no-settings"), true, ""},
            {"no-enlarge", 0, "", "nicht vergrößern", record("no-enlarge"), false, ""},
            {"wm-text", 0, "TEXT", "Text", record("wm-text"), false, "Wasserzeichen:"},
        };
    }
};

struct ParseCase {
    const char* name;
    Args args;
    std::vector<std::string> applied;
    std::vector<std::string> operands;
};

class ParseSpellings : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseSpellings, GiveTheSameOptionsInTheOrderWritten) {
    Recorder rec;
    const auto table = rec.table();
    CommandLine line;
    std::string error;
    ASSERT_TRUE(parseCommandLine(table, GetParam().args, line, error)) << error;
    ASSERT_TRUE(applyOptions(line, false, error)) << error;
    EXPECT_EQ(rec.applied, GetParam().applied);
    EXPECT_EQ(line.operands, GetParam().operands);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseSpellings,
    ::testing::Values(
        ParseCase{"LongEquals", {"--size=5", "a.jpg"}, {"size=5"}, {"a.jpg"}},
        ParseCase{"LongSpace", {"--size", "5", "a.jpg"}, {"size=5"}, {"a.jpg"}},
        ParseCase{"ShortSpace", {"-s", "5", "a.jpg"}, {"size=5"}, {"a.jpg"}},
        ParseCase{"ShortAttached", {"-s5", "a.jpg"}, {"size=5"}, {"a.jpg"}},
        ParseCase{"Abbreviated", {"--si=5", "a.jpg"}, {"size=5"}, {"a.jpg"}},
        ParseCase{"CombinedSwitches", {"-qr", "a.jpg"}, {"quiet=", "recursive="}, {"a.jpg"}},
        ParseCase{"CombinedWithValue",
                  {"-qro", "ziel", "a"},
                  {"quiet=", "recursive=", "out=ziel"},
                  {"a"}},
        ParseCase{"OptionsAfterOperands",
                  {"a", "-q", "b", "--out", "z"},
                  {"quiet=", "out=z"},
                  {"a", "b"}},
        ParseCase{"LastOneWins", {"-s1", "--size", "2"}, {"size=1", "size=2"}, {}},
        ParseCase{"ValueBeginningWithDash",
                  {"--wm-text", "-- privat --", "x"},
                  {"wm-text=-- privat --"},
                  {"x"}},
        ParseCase{"EmptyValue", {"--wm-text="}, {"wm-text="}, {}},
        ParseCase{"DashIsAnOperand", {"-", "-o", "-"}, {"out=-"}, {"-"}},
        ParseCase{
            "DoubleDashEndsOptions", {"-q", "--", "-r", "--out"}, {"quiet="}, {"-r", "--out"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParseCommandLine, OperandsKeepTheirOrderUnderPosixlyCorrect) {
    ::setenv("POSIXLY_CORRECT", "1", 1);
    Recorder rec;
    const auto table = rec.table();
    CommandLine line;
    std::string error;
    const bool ok = parseCommandLine(table, {"a", "-q", "b"}, line, error);
    ::unsetenv("POSIXLY_CORRECT");
    ASSERT_TRUE(ok) << error;
    EXPECT_EQ(line.operands, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(line.given.size(), 1U);
}

TEST(ParseCommandLine, EarlyOptionsAreAppliedApart) {
    Recorder rec;
    const auto table = rec.table();
    CommandLine line;
    std::string error;
    ASSERT_TRUE(parseCommandLine(table, {"-q", "--no-settings", "-r"}, line, error));
    ASSERT_TRUE(applyOptions(line, true, error));
    EXPECT_EQ(rec.applied, (std::vector<std::string>{"no-settings="}));
    ASSERT_TRUE(applyOptions(line, false, error));
    EXPECT_EQ(rec.applied, (std::vector<std::string>{"no-settings=", "quiet=", "recursive="}));
}

struct ErrorCase {
    const char* name;
    Args args;
    const char* error;
};

class ParseErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ParseErrors, NameTheOption) {
    Recorder rec;
    const auto table = rec.table();
    CommandLine line;
    std::string error;
    EXPECT_FALSE(parseCommandLine(table, GetParam().args, line, error));
    EXPECT_EQ(error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseErrors,
    ::testing::Values(
        ErrorCase{"UnknownLong", {"--fast", "a"}, "unbekannte Option '--fast'"},
        ErrorCase{"UnknownLongWithValue", {"--fast=1"}, "unbekannte Option '--fast'"},
        ErrorCase{"UnknownShort", {"-x"}, "unbekannte Option '-x'"},
        ErrorCase{"UnknownShortInAGroup", {"--size", "1", "-qx"}, "unbekannte Option '-x'"},
        ErrorCase{"Ambiguous", {"--no"}, "mehrdeutige Option '--no' (--no-settings, --no-enlarge)"},
        ErrorCase{"MissingLongValue", {"a", "--out"}, "--out erwartet einen Wert (ORDNER)"},
        ErrorCase{"MissingShortValue", {"a", "-o"}, "-o erwartet einen Wert (ORDNER)"},
        ErrorCase{"ValueForASwitch", {"--quiet=ja"}, "--quiet erwartet keinen Wert"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParseCommandLine, HelpAndVersionEverywhere) {
    Recorder rec;
    const auto table = rec.table();
    for (const Args& args : {Args{"-h"}, Args{"a", "--help"}, Args{"-qh"}}) {
        CommandLine line;
        std::string error;
        ASSERT_TRUE(parseCommandLine(table, args, line, error)) << error;
        EXPECT_TRUE(line.help);
    }
    CommandLine line;
    std::string error;
    ASSERT_TRUE(parseCommandLine(table, {"-V"}, line, error));
    EXPECT_TRUE(line.version);
    EXPECT_NE(versionText().find("vendrik-cli (Tervane Vendrik) "), std::string::npos);
}

TEST(HelpText, ListsEveryOptionInOneLayout) {
    Recorder rec;
    const std::string help = helpText(
        {"vendrik-cli probe [OPTIONEN]", "Beschreibung.\n", "Rückgabe: 0.\n"}, rec.table());
    EXPECT_EQ(help.rfind("Aufruf: vendrik-cli probe [OPTIONEN]\n\nBeschreibung.\n\nOptionen:\n", 0),
              0U)
        << help;
    // Every description starts in the same column, whatever the option's
    // length or its non-ASCII value name.
    for (const char* line :
         {"  -s, --size GRÖSSE   Rahmen\n", "      --no-enlarge    nicht vergrößern\n",
          "\nWasserzeichen:\n      --wm-text TEXT  Text\n",
          "\n  -h, --help          diese Hilfe zeigen\n"}) {
        EXPECT_NE(help.find(line), std::string::npos) << line << "\n" << help;
    }
}

TEST(HelpText, WrapsLongDescriptionsAtBlanksWithinEightyColumns) {
    // The column is 17 here ("  -V, --version" and two blanks): 63 characters a line.
    const std::string a(40, 'a');
    const std::string b(40, 'b');
    const std::string c(70, 'c');  // longer than a line: it stands alone
    std::vector<CliOption> table{
        {"lang", 0, "", a + " " + b + " " + c + "\n0: a   1: b", nullptr, false, ""}};
    const std::string help = helpText({"x", "", ""}, table);
    const std::string indent(17, ' ');
    EXPECT_NE(help.find("      --lang     " + a + "\n" + indent + b + "\n" + indent + c + "\n" +
                        indent + "0: a   1: b\n\n  -h"),
              std::string::npos)
        << help;
}

TEST(OptimiseOptionTable, SizeHelpListsEveryPresetWithItsIndex) {
    OptimiseOptions options;
    const std::string help = helpText(kOptimiseHelp, optimiseOptionTable(options));
    for (std::size_t i = 0; i < kSizePresets.size(); ++i) {
        EXPECT_NE(help.find(std::to_string(i) + ": " + std::string(kSizePresets[i].text)),
                  std::string::npos)
            << i;
    }
}

TEST(OptimiseOptionTable, BoxIsWidthFirstAndSizeHeightFirst) {
    OptimiseOptions options;
    const auto table = optimiseOptionTable(options);
    CommandLine line;
    std::string error;
    ASSERT_TRUE(parseCommandLine(table, {"--box", "800x600"}, line, error));
    ASSERT_TRUE(applyOptions(line, false, error)) << error;
    EXPECT_EQ(options.batch.picture.sizeIndex, kOwnSizeIndex);
    EXPECT_EQ(options.batch.picture.size.ownWidthText, "800");
    EXPECT_EQ(options.batch.picture.size.ownHeightText, "600");
    CommandLine size;
    ASSERT_TRUE(parseCommandLine(table, {"--size", "800x600"}, size, error));
    ASSERT_TRUE(applyOptions(size, false, error)) << error;
    EXPECT_EQ(options.batch.picture.size.ownHeightText, "800");
    EXPECT_EQ(options.batch.picture.size.ownWidthText, "600");
}

// A clock the test moves by hand.
struct FakeClock {
    std::chrono::steady_clock::time_point now{};
    ProgressLine::Clock function() {
        return [this] { return now; };
    }
};

std::string readAll(std::FILE* f) {
    std::rewind(f);
    std::string s;
    int c = 0;
    while ((c = std::fgetc(f)) != EOF) {
        s += static_cast<char>(c);
    }
    return s;
}

TEST(ProgressLine, RedrawsAtMostTenTimesASecond) {
    std::FILE* out = std::tmpfile();
    FakeClock clock;
    ProgressLine line(out, true, 1000, clock.function());
    // A thousand pictures finishing within one second, each with a hundred
    // progress reports.
    for (std::size_t done = 1; done <= 1000; ++done) {
        clock.now += std::chrono::milliseconds(1);
        for (int k = 0; k < 100; ++k) {
            line.refresh();
        }
        line.update(done);
    }
    EXPECT_LE(line.redraws(), 10U);
    EXPECT_GE(line.redraws(), 9U);
    std::fclose(out);
}

TEST(ProgressLine, CountsFinishedPicturesAndShowsTheLastCountWhenDue) {
    std::FILE* out = std::tmpfile();
    FakeClock clock;
    ProgressLine line(out, true, 3, clock.function());
    line.update(0);
    clock.now += std::chrono::milliseconds(150);
    line.update(2);
    line.update(3);  // too soon after the last draw
    EXPECT_EQ(readAll(out).find("[100%]"), std::string::npos);
    clock.now += std::chrono::milliseconds(150);
    line.refresh();  // the next report draws it
    const std::string text = readAll(out);
    EXPECT_NE(text.find("\r\033[K[  0%] 0 von 3 Bildern fertig"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\033[K[ 66%] 2 von 3 Bildern fertig"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\033[K[100%] 3 von 3 Bildern fertig"), std::string::npos) << text;
    EXPECT_EQ(line.redraws(), 3U);
    line.clear();
    EXPECT_EQ(readAll(out).substr(text.size()), "\r\033[K");
    std::fclose(out);
}

TEST(ProgressLine, DrawsNothingWhenOff) {
    std::FILE* out = std::tmpfile();
    ProgressLine line(out, false, 2);
    line.update(1);
    line.clear();
    EXPECT_EQ(readAll(out), "");
    std::fclose(out);
}

TEST(LocaleDecimal, UsesTheLocalesSeparator) {
    const char* saved = std::getenv("LC_ALL");
    const std::optional<std::string> previous =
        saved ? std::optional(std::string(saved)) : std::nullopt;
    ::setenv("LC_ALL", "C", 1);
    EXPECT_EQ(localeDecimal(935.84, 1), "935.8");
    EXPECT_EQ(localeDecimal(0.855, 2), "0.85");
    ::setenv("LC_ALL", "de_DE.UTF-8", 1);
    const locale_t german = ::newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (german != static_cast<locale_t>(nullptr)) {
        ::freelocale(german);
        EXPECT_EQ(localeDecimal(935.84, 1), "935,8");
        EXPECT_EQ(localeDecimal(12.0, 2), "12,00");
    }
    if (previous) {
        ::setenv("LC_ALL", previous->c_str(), 1);
    } else {
        ::unsetenv("LC_ALL");
    }
    if (german == static_cast<locale_t>(nullptr)) {
        GTEST_SKIP() << "de_DE.UTF-8 is not generated (scripts/install-deps.sh test does it)";
    }
}

TEST(StandardInputFile, RefusesMoreThanItsLimitAndKeepsWhatItRead) {
    test::TempDir dir;
    const std::string input = dir.file("in.bin");
    test::writeText(input, std::string(1000, 'x'));
    const int saved = ::dup(STDIN_FILENO);
    auto readWithLimit = [&](std::size_t limit, std::string& path, std::string& error) {
        const int fd = ::open(input.c_str(), O_RDONLY);
        ::dup2(fd, STDIN_FILENO);
        ::close(fd);
        StandardInputFile file;
        const bool ok = file.read(error, limit);
        path = ok ? file.path() : "";
        return ok ? test::readFileBytes(file.path()).size() : 0U;
    };
    std::string path;
    std::string error;
    EXPECT_EQ(readWithLimit(999, path, error), 0U);
    EXPECT_NE(error.find("Standardeingabe größer als"), std::string::npos) << error;
    EXPECT_EQ(readWithLimit(1000, path, error), 1000U);
    ::dup2(saved, STDIN_FILENO);
    ::close(saved);
}

}  // namespace
}  // namespace vendrik::cli
