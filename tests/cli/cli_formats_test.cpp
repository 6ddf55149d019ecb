// The output format from the command line: optimise --format and the
// settings key "Format", encode by the output's ending or --format, and the
// calls that make no sense for a format.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "support/cli_runs.h"
#include "support/jpeg_test_pictures.h"

namespace vendrik {
namespace {

using Bytes = std::vector<std::uint8_t>;

// What a file's first bytes say it is.
std::string kindOf(const Bytes& file) {
    const auto at = [&file](std::size_t offset, std::string_view text) {
        return file.size() >= offset + text.size() &&
               std::equal(text.begin(), text.end(), file.begin() + static_cast<std::ptrdiff_t>(offset),
                          [](char c, std::uint8_t b) { return static_cast<std::uint8_t>(c) == b; });
    };
    if (at(0, "RIFF") && at(8, "WEBP")) {
        return "webp";
    }
    if (at(4, "ftypavif")) {
        return "avif";
    }
    if (at(0, "\xFF\xD8\xFF")) {
        return "jpeg";
    }
    return "?";
}

struct FormatRunCase {
    const char* name;
    const char* options;     // besides the source and -o
    const char* settings;    // the settings file's lines, or nullptr for --no-settings
    const char* written;     // the file the run writes into the output folder
    const char* kind;
};

class OptimiseFormat : public ::testing::TestWithParam<FormatRunCase> {};

TEST_P(OptimiseFormat, WritesTheChosenFormatUnderItsEnding) {
    const FormatRunCase& c = GetParam();
    TempDir dir;
    // A JPEG, which a lossless rewrite takes too.
    ASSERT_TRUE(test::writeJpeg(dir.file("bild.jpg"), 90, 60));
    fs::create_directory(dir.path() / "out");
    std::string settings = "--no-settings";
    if (c.settings != nullptr) {
        test::writeText(dir.file("v.ini"), std::string("[Tervane Vendrik]\r\n") + c.settings);
        settings = "--settings " + shellQuote(dir.file("v.ini"));
    }
    const auto r = runCommand(cli() + " optimise -q " + settings + " " + c.options + " -o " +
                              shellQuote(dir.file("out")) + " " + shellQuote(dir.file("bild.jpg")));
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const std::string out = dir.file(std::string("out/") + c.written);
    ASSERT_TRUE(fs::exists(out)) << r.output;
    EXPECT_EQ(kindOf(test::readFileBytes(out)), c.kind);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path() / "out"), fs::directory_iterator()), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OptimiseFormat,
    ::testing::Values(
        FormatRunCase{"Default", "", nullptr, "bild_new.jpg", "jpeg"},
        FormatRunCase{"WebP", "--format webp --tag-preset web", nullptr, "bild_web.webp", "webp"},
        FormatRunCase{"AvifAnyCase", "--format AVIF --tag-preset web", nullptr, "bild_web.avif",
                      "avif"},
        FormatRunCase{"FromTheSettingsFile", "", "Format=1\r\n", "bild_new.webp", "webp"},
        FormatRunCase{"OptionBeforeTheSettingsFile", "--format jpeg", "Format=2\r\n",
                      "bild_new.jpg", "jpeg"},
        FormatRunCase{"StoredValueOutOfRange", "", "Format=7\r\n", "bild_new.jpg", "jpeg"},
        // A lossless rewrite is the source's JPEG data, named as a JPEG.
        FormatRunCase{"LosslessBeforeTheStoredFormat", "", "Verlustfrei=1\r\nFormat=1\r\n",
                      "bild_new.jpg", "jpeg"},
        FormatRunCase{"LosslessOptionBeforeTheStoredFormat", "--lossless", "Format=2\r\n",
                      "bild_new.jpg", "jpeg"}),
    [](const auto& info) { return std::string(info.param.name); });

struct WrongCallCase {
    const char* name;
    const char* command;  // after vendrik-cli, with IN.ppm for the input
    const char* message;
};

class FormatWrongCall : public ::testing::TestWithParam<WrongCallCase> {};

TEST_P(FormatWrongCall, EndsWithTwoAndOneLineSayingWhy) {
    TempDir dir;
    test::writePnm(test::makePicture(16, 16), dir.file("in.ppm"));
    std::string command = GetParam().command;
    command.replace(command.find("IN"), 2, dir.file("in"));
    const auto r = runCommand("cd " + shellQuote(dir.path().string()) + " && " + cli() + " " + command);
    EXPECT_EQ(r.exitCode, 2) << r.output;
    EXPECT_NE(r.output.find(GetParam().message), std::string::npos) << r.output;
    EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << r.output;
    // Nothing written.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatWrongCall,
    ::testing::Values(
        WrongCallCase{"UnknownFormat", "optimise --no-settings --format gif IN.ppm",
                      "--format erwartet jpeg, webp oder avif, nicht 'gif'"},
        WrongCallCase{"LosslessAsWebP", "optimise --no-settings --lossless --format webp IN.ppm",
                      "--format webp und verlustfrei (--lossless, Verlustfrei=1) schließen sich aus"},
        WrongCallCase{"SamplingForWebP", "optimise --no-settings --format webp --sampling 444 IN.ppm",
                      "--sampling gilt nicht für WebP"},
        WrongCallCase{"EncodeUnknownFormat", "encode --format png IN.ppm out.png",
                      "--format erwartet jpeg, webp oder avif, nicht 'png'"},
        WrongCallCase{"EncodeCommentInWebP", "encode --comment Hallo IN.ppm out.webp",
                      "--comment gibt es nur für JPEG"},
        WrongCallCase{"EncodeStrongInAvif", "encode --compression strong IN.ppm out.avif",
                      "--compression strong gibt es nur für JPEG"},
        WrongCallCase{"EncodeGreyInWebP", "encode --format webp --sampling gray IN.ppm out.bin",
                      "--sampling gray gibt es nur für JPEG"}),
    [](const auto& info) { return std::string(info.param.name); });

struct EncodeCase {
    const char* name;
    const char* options;
    const char* output;
    const char* kind;
};

class EncodeFormat : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeFormat, ChoosesByTheEndingOrTheOption) {
    const EncodeCase& c = GetParam();
    TempDir dir;
    test::writePnm(test::makePicture(48, 32), dir.file("in.ppm"));
    const std::string out = dir.file(c.output);
    const auto r = runCommand(cli() + " encode " + c.options + " " + shellQuote(dir.file("in.ppm")) +
                              " " + shellQuote(out));
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(kindOf(test::readFileBytes(out)), c.kind);
    // An existing output stays as it is, in every format.
    const auto again = runCommand(cli() + " encode " + c.options + " " +
                                  shellQuote(dir.file("in.ppm")) + " " + shellQuote(out));
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.output.find("existiert bereits"), std::string::npos) << again.output;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EncodeFormat,
    ::testing::Values(EncodeCase{"WebPByEnding", "", "a.WEBP", "webp"},
                      EncodeCase{"AvifByEnding", "--quality 60", "a.avif", "avif"},
                      EncodeCase{"AvifByOption", "--format avif", "a.bin", "avif"},
                      EncodeCase{"OptionBeforeEnding", "--format jpeg", "a.webp", "jpeg"},
                      EncodeCase{"OtherEndingIsJpeg", "", "a.bild", "jpeg"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliFormats, StandardOutputJsonAndSizeLimitInEveryFormat) {
    TempDir dir;
    test::writeBmp(dir.file("bild.bmp"), 400, 300, 5);
    for (const char* format : {"webp", "avif"}) {
        // -o -: the file alone on standard output.
        const auto piped = runCommand(cli() + " optimise --no-settings --format " + format +
                                      " -o - " + shellQuote(dir.file("bild.bmp")) + " > " +
                                      shellQuote(dir.file(std::string("piped.") + format)));
        ASSERT_EQ(piped.exitCode, 0) << piped.output;
        EXPECT_EQ(kindOf(test::readFileBytes(dir.file(std::string("piped.") + format))), format);

        // --json names the format; --max-size searches the format's quality.
        const std::string folder = dir.file(std::string("out-") + format);
        fs::create_directory(folder);
        const auto r = runCommand(cli() + " optimise --no-settings -s 0 --json --max-size 3K --format " +
                                  format + " -o " + shellQuote(folder) + " " +
                                  shellQuote(dir.file("bild.bmp")));
        ASSERT_EQ(r.exitCode, 0) << r.output;
        EXPECT_NE(r.output.find(std::string("\"format\":\"") + format + "\","), std::string::npos)
            << r.output;
        const std::string written = folder + "/bild_new." + format;
        EXPECT_NE(r.output.find("\"target\":\"" + written + "\""), std::string::npos) << r.output;
        EXPECT_LE(fs::file_size(written), 3U * 1024U);
    }
}

// The strong mode belongs to our JPEG encoder: WebP and AVIF files are the
// same with it, from the option or the settings file, as without.
TEST(CliFormats, StrongCompressionLeavesOtherFormatsAsTheyAre) {
    TempDir dir;
    test::writeBmp(dir.file("bild.bmp"), 160, 120, 7);
    test::writeText(dir.file("v.ini"), "[Tervane Vendrik]\r\nKompression=1\r\n");
    for (const char* format : {"webp", "avif"}) {
        const auto run = [&](const std::string& how) {
            const std::string out = dir.file("out.bin");
            const auto r = runCommand(cli() + " optimise -q " + how + " --format " + format +
                                      " -o - " + shellQuote(dir.file("bild.bmp")) + " > " +
                                      shellQuote(out));
            EXPECT_EQ(r.exitCode, 0) << how << r.output;
            Bytes file = test::readFileBytes(out);
            EXPECT_EQ(kindOf(file), format) << how;
            return file;
        };
        const Bytes plain = run("--no-settings");
        EXPECT_EQ(plain, run("--settings " + shellQuote(dir.file("v.ini")))) << format;
        EXPECT_EQ(plain, run("--no-settings --compression strong")) << format;
        // Also every trial of a size limit that makes the run search: four
        // fifths of the file at the slider's quality.
        const std::string limit =
            " --max-size " + std::to_string(static_cast<double>(plain.size()) * 0.8 / 1024) + "K";
        const Bytes limited = run("--no-settings" + limit);
        EXPECT_LT(limited.size(), plain.size()) << format;
        EXPECT_EQ(limited, run("--no-settings --compression strong" + limit)) << format;
    }
    // The JPEG, for which the mode is made, does change.
    const auto jpeg = [&](const std::string& how) {
        const auto r = runCommand(cli() + " optimise -q --no-settings " + how + " -o - " +
                                  shellQuote(dir.file("bild.bmp")) + " > " +
                                  shellQuote(dir.file("out.jpg")));
        EXPECT_EQ(r.exitCode, 0) << r.output;
        return test::readFileBytes(dir.file("out.jpg"));
    };
    EXPECT_NE(jpeg(""), jpeg("--compression strong"));
    // Its slider rule keeps the colour halved up to quality 89: the
    // luminance's sampling factors in the frame header.
    const auto lumaFactors = [](const Bytes& file) {
        for (std::size_t i = 0; i + 11 < file.size(); ++i) {
            if (file[i] == 0xFF && (file[i + 1] == 0xC0 || file[i + 1] == 0xC2)) {
                return static_cast<int>(file[i + 11]);
            }
        }
        return 0;
    };
    const struct {
        const char* how;
        int factors;
    } rule[] = {
        {"--quality 80", 0x11},
        {"--quality 80 --compression strong", 0x22},
        {"--quality 89 --compression strong", 0x22},
        {"--quality 90 --compression strong", 0x11},
        {"--quality 80 --compression strong --sampling 444", 0x11},
    };
    for (const auto& c : rule) {
        EXPECT_EQ(lumaFactors(jpeg(c.how)), c.factors) << c.how;
    }
}

}  // namespace
}  // namespace vendrik
