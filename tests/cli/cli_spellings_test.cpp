// Every option of the program in every spelling it accepts, and the one-line
// usage errors, from outside.

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>

#include "help_options.h"
#include "support/cli_runs.h"

namespace vendrik {
namespace {

// Replaces every "{KEY}" in `text`.
std::string fill(std::string text, const std::map<std::string, std::string>& values) {
    for (const auto& [key, value] : values) {
        const std::string mark = "{" + key + "}";
        for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark)) {
            text.replace(at, mark.size(), value);
        }
    }
    return text;
}

// `text` with every run of digits (and decimal separators) after `before`
// replaced by "N": timings and numbered folders made equal.
std::string numbersAfter(std::string text, const std::string& before) {
    for (std::size_t at = text.find(before); at != std::string::npos;
         at = text.find(before, at + 1)) {
        const std::size_t from = at + before.size();
        std::size_t to = from;
        while (to < text.size() && (std::isdigit(static_cast<unsigned char>(text[to])) ||
                                    text[to] == '.' || text[to] == ',')) {
            ++to;
        }
        text.replace(from, to - from, "N");
    }
    return text;
}

// What a run left: its exit code, what it printed (the timing made equal),
// and every file under the output folder with its bytes.
struct Outcome {
    int exitCode = 0;
    std::string printed;
    std::map<std::string, std::vector<std::uint8_t>> files;
    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
    os << "exit " << o.exitCode << "\n" << o.printed;
    for (const auto& [name, bytes] : o.files) {
        os << name << " (" << bytes.size() << " Bytes)\n";
    }
    return os;
}

class OptimiseSpellings : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_dir.path() / "in/unter");
        test::writeBmp(m_dir.file("in/a.bmp"), 64, 48, 1);
        test::writeBmp(m_dir.file("in/b.bmp"), 40, 60, 2);
        test::writeBmp(m_dir.file("in/unter/c.bmp"), 50, 50, 3);
        test::writeText(m_dir.file("vendrik.ini"), "[Tervane Vendrik]\nQuality=60\nPreTags=2\n");
        test::writeText(m_dir.file("liste.txt"), "in/a.bmp\n");
    }

    // One run with `options`; the output folder, the settings file and the
    // rest of the command line are filled in.
    Outcome run(const std::string& options) {
        const fs::path out = m_dir.path() / ("out" + std::to_string(m_runs++));
        fs::create_directory(out);
        const std::map<std::string, std::string> values{
            {"OUT", shellQuote(out.string())}, {"INI", shellQuote(m_dir.file("vendrik.ini"))}};
        std::string line = fill(options, values);
        if (options.find("{OUT}") == std::string::npos) {
            line += " -o " + values.at("OUT");
        }
        if (options.find("settings") == std::string::npos) {
            line += " --no-settings";
        }
        const auto r = runCommand("cd " + shellQuote(m_dir.path().string()) + " && " + cli() +
                                  " optimise " + line + " in");
        Outcome o;
        o.exitCode = r.exitCode;
        o.printed = numbersAfter(numbersAfter(r.output, "KiB in "), "/out");
        for (const auto& e : fs::recursive_directory_iterator(out)) {
            if (e.is_regular_file()) {
                o.files[fs::relative(e.path(), out).string()] =
                    test::readFileBytes(e.path().string());
            }
        }
        return o;
    }

    TempDir m_dir;
    int m_runs = 0;
};

struct Spellings {
    const char* name;
    std::vector<const char*> forms;  // each alone must give the same outcome
    bool changesOutcome;             // ... and one other than without the option
    int exitCode = 0;                // of the first form
};

const std::vector<Spellings> kOptimiseSpellings = {
    {"size", {"--size=480x640", "--size 480x640", "-s 480x640", "-s480x640", "--si 480x640"}, true},
    {"sizePreset", {"--size='120 x 160'", "--size '120 x 160'", "-s '120 x 160'", "-s0"}, true},
    {"box", {"--box=640x480", "--box 640x480", "-s 480x640"}, true},
    {"quality", {"--quality=60", "--quality 60", "-Q 60", "-Q60"}, true},
    {"preset", {"--preset=Website", "--preset Website", "--preset website"}, true},
    {"sampling", {"--sampling=420", "--sampling 420"}, true},
    {"compression", {"--compression=strong", "--compression strong", "--comp strong"}, true},
    // The pictures carry neither metadata nor a profile: same outputs.
    {"metadata", {"--metadata=keep", "--metadata keep", "--meta keep"}, false},
    {"keepPixels", {"--keep-pixels"}, false},
    {"format", {"--format=webp", "--format webp", "--format WebP", "--form webp"}, true},
    {"tagPreset", {"--tag-preset=thumb", "--tag-preset thumb"}, true},
    {"tag", {"--tag=klein", "--tag klein"}, true},
    {"tagFirst", {"--tag-first", "--tag-f"}, true},
    {"out", {"--out={OUT}", "--out {OUT}", "-o {OUT}", "-o{OUT}"}, false},
    {"recursive", {"--recursive", "-r"}, true},
    {"skipExisting", {"--skip-existing"}, false},
    {"noEnlarge", {"--no-enlarge", "--no-e"}, true},
    // b.bmp stands upright: its box turns.
    {"turnBox", {"--turn-box", "--turn"}, true},
    {"maxSize", {"--max-size=30K", "--max-size 30K", "--max-size 30"}, false},
    // Bitmaps are never larger than their outputs, and the outputs' dates
    // are not compared; a lossless rewrite takes JPEG sources only.
    {"neverLarger", {"--never-larger", "--never"}, false},
    {"keepDates", {"--keep-dates", "--keep-d"}, false},
    {"lossless", {"--lossless", "--lossl"}, true, 1},
    // A list naming a picture of the folder again: the same run.
    {"filesFrom", {"--files-from=liste.txt", "--files-from liste.txt"}, false},
    {"json", {"--json", "--js"}, true},
    {"dryRun", {"--dry-run", "-n"}, true},
    {"jobs", {"--jobs=2", "--jobs 2", "-j 2", "-j2"}, false},
    {"quiet", {"--quiet", "-q"}, true},
    {"verbose", {"--verbose", "-v"}, true},
    {"combined", {"-q -r -n", "-qrn", "-nqr", "-n -qr"}, true},
    {"settings", {"--settings={INI}", "--settings {INI}"}, true},
    {"noSettings", {"--no-settings"}, false},
    {"watermark", {"--watermark"}, true},
    {"wmText", {"--watermark --wm-text=Hallo", "--watermark --wm-text Hallo"}, true},
    {"wmAngle", {"--watermark --wm-angle=89", "--watermark --wm-angle 89"}, true},
    {"wmOpacity", {"--watermark --wm-opacity=90", "--watermark --wm-opacity 90"}, true},
    {"wmSize", {"--watermark --wm-size=20", "--watermark --wm-size 20"}, true},
    {"wmHalign", {"--watermark --wm-halign=left", "--watermark --wm-halign left"}, true},
    {"wmValign", {"--watermark --wm-valign=top", "--watermark --wm-valign top"}, true},
    {"wmColor", {"--watermark --wm-color=red", "--watermark --wm-color red"}, true},
};

TEST_F(OptimiseSpellings, EveryFormOfAnOptionGivesIdenticalOutputs) {
    const Outcome plain = run("");
    ASSERT_EQ(plain.exitCode, 0) << plain;
    ASSERT_EQ(plain.files.size(), 2U) << plain;
    for (const Spellings& s : kOptimiseSpellings) {
        SCOPED_TRACE(s.name);
        const Outcome first = run(s.forms.front());
        EXPECT_EQ(first.exitCode, s.exitCode) << first;
        for (std::size_t k = 1; k < s.forms.size(); ++k) {
            EXPECT_EQ(run(s.forms[k]), first) << s.forms[k];
        }
        if (s.changesOutcome) {
            EXPECT_NE(first, plain) << s.forms.front();
        }
    }
}

TEST_F(OptimiseSpellings, TheTableCoversEveryOptionOfTheHelp) {
    std::string covered;
    for (const Spellings& s : kOptimiseSpellings) {
        for (const char* form : s.forms) {
            covered += std::string(" ") + form;
        }
    }
    const auto options = test::optionsOfHelp(runCommand(cli() + " optimise --help").output);
    ASSERT_GT(options.size(), 30U);
    for (const std::string& o : options) {
        if (o == "-h" || o == "--help" || o == "-V" || o == "--version") {
            continue;
        }
        // The short form may come with its value attached ("-Q60").
        EXPECT_NE(covered.find(" " + o), std::string::npos) << o;
    }
}

struct UsageCase {
    const char* args;
    const char* names;  // what the one line must name
};

class OneLineUsageErrors : public ::testing::TestWithParam<UsageCase> {};

TEST_P(OneLineUsageErrors, ExitTwoWithOneLineNamingTheOption) {
    TempDir dir;
    const auto r = runCommand("cd " + shellQuote(dir.path().string()) + " && " + cli() + " " +
                              GetParam().args + " </dev/null");
    EXPECT_EQ(r.exitCode, 2) << r.output;
    EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << r.output;
    EXPECT_NE(r.output.find(GetParam().names), std::string::npos) << r.output;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, OneLineUsageErrors,
    ::testing::Values(
        UsageCase{"optimise --fast a.jpg", "'--fast'"}, UsageCase{"optimise -Z a.jpg", "'-Z'"},
        UsageCase{"optimise -qZ a.jpg", "'-Z'"},
        UsageCase{"optimise --wm-font=Arial a.jpg", "'--wm-font'"},
        UsageCase{"optimise a.jpg --out", "--out erwartet"},
        UsageCase{"optimise a.jpg -o", "-o erwartet"},
        UsageCase{"optimise a.jpg -s", "-s erwartet"},
        UsageCase{"optimise a.jpg --quality", "--quality erwartet"},
        UsageCase{"optimise a.jpg --quality=", "--quality erwartet"},
        UsageCase{"optimise --quiet=1 a.jpg", "--quiet erwartet keinen Wert"},
        UsageCase{"optimise --s 1 a.jpg", "mehrdeutige Option '--s'"},
        UsageCase{"optimise --box 640 a.jpg", "--box erwartet"},
        UsageCase{"optimise - a.jpg -o -", "Standardeingabe"},
        UsageCase{"encode --fast a.ppm b.jpg", "'--fast'"},
        UsageCase{"encode a.ppm b.jpg -Q", "-Q erwartet"},
        UsageCase{"exif --tag", "--tag erwartet"}, UsageCase{"exif -t 1 a.jpg", "'-t'"},
        UsageCase{"settings --settings", "--settings erwartet"},
        UsageCase{"settings --settings fehlt.ini", "fehlt.ini nicht gefunden"},
        UsageCase{"settings --bunt", "'--bunt'"},
        UsageCase{"register --program", "--program erwartet"}, UsageCase{"register -p /x", "'-p'"},
        UsageCase{"watermark-preview --wm-color", "--wm-color erwartet"},
        UsageCase{"watermark-preview --wm-font Arial a.png", "'--wm-font'"}));

// "--" ends the options of every command: a file may begin with "-".
TEST(DoubleDash, EndsTheOptionsOfEveryCommand) {
    TempDir dir;
    const std::string cd = "cd " + shellQuote(dir.path().string()) + " && " + cli();
    test::writeBmp(dir.file("-bild.bmp"), 32, 24, 4);
    auto r = runCommand(cd + " optimise -q --no-settings -- -bild.bmp");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(fs::exists(dir.path() / "-bild_new.jpg"));

    test::writeText(dir.file("-in.ppm"), std::string("P6\n2 2\n255\n") + std::string(12, '\x40'));
    r = runCommand(cd + " encode -Q 90 -- -in.ppm -aus.jpg");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(fs::exists(dir.path() / "-aus.jpg"));

    r = runCommand(cd + " exif -- -aus.jpg");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output.find("unbekannte Option"), std::string::npos) << r.output;

    r = runCommand(cd + " watermark-preview --no-settings -- -vorschau.png");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(fs::exists(dir.path() / "-vorschau.png"));

    r = runCommand(cd + " settings -- -x");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.output.find("unbekanntes Argument '-x'"), std::string::npos) << r.output;
}

TEST(Version, EveryCommandAndTheProgramTellIt) {
    for (const char* args : {"--version", "-V", "optimise -V", "encode --version", "exif -V",
                             "settings -V", "register -V", "watermark-preview --version"}) {
        const auto r = runCommand(cli() + " " + args);
        EXPECT_EQ(r.exitCode, 0) << args;
        EXPECT_EQ(r.output.rfind("vendrik-cli (Tervane Vendrik) ", 0), 0U) << args << r.output;
    }
}

}  // namespace
}  // namespace vendrik
