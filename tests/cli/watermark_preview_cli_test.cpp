#include <gtest/gtest.h>

#include <string>

#include "support/cli_runs.h"

namespace vendrik {
namespace {

using test::CommandResult;
using test::readFileBytes;

CommandResult preview(const std::string& out, const std::string& options = "",
                      const std::string& env = "") {
    return runCommand(env + " " + test::cli() + " watermark-preview " + shellQuote(out) + " " +
                      options);
}

// Size and mean brightness, as an independent decoder (PIL) reads them.
std::string decoded(const std::string& path) {
    return runCommand(
               "/usr/bin/python3 -c 'import sys; from PIL import Image, ImageStat; "
               "im = Image.open(sys.argv[1]).convert(\"RGB\"); "
               "print(im.size, [round(m) for m in ImageStat.Stat(im).mean])' " +
               shellQuote(path))
        .output;
}

TEST(WatermarkPreviewCommand, WritesPngAndJpegOfTheSampleSize) {
    TempDir dir;
    for (const char* name : {"p.png", "p.jpg", "p.JPEG"}) {
        const CommandResult r = preview(dir.file(name));
        ASSERT_EQ(r.exitCode, 0) << r.output;
        EXPECT_EQ(decoded(dir.file(name)).substr(0, 10), "(307, 222)") << name;
    }
}

TEST(WatermarkPreviewCommand, EveryOptionChangesThePicture) {
    TempDir dir;
    ASSERT_EQ(preview(dir.file("base.png")).exitCode, 0);
    const auto base = readFileBytes(dir.file("base.png"));
    const char* variants[] = {
        "--wm-text 'Zeile eins\\nZeile zwei'",
        "--wm-angle 89",
        "--wm-angle 269",
        "--wm-angle 12.5",
        "--wm-opacity 100",
        "--wm-size 70",
        "--wm-halign left",
        "--wm-halign right",
        "--wm-valign top",
        "--wm-valign bottom",
        "--wm-color black",
        "--wm-color blue",
        "--wm-color yellow",
        "--wm-color red",
        "--wm-color green",
    };
    int n = 0;
    for (const char* options : variants) {
        const std::string out = dir.file("v" + std::to_string(n++) + ".png");
        const CommandResult r = preview(out, options);
        ASSERT_EQ(r.exitCode, 0) << options << ": " << r.output;
        EXPECT_NE(readFileBytes(out), base) << options;
    }
    // Opacity 0 shows the bare sample: the same whatever the text.
    ASSERT_EQ(preview(dir.file("bare1.png"), "--wm-opacity 0").exitCode, 0);
    ASSERT_EQ(
        preview(dir.file("bare2.png"), "--wm-opacity 0 --wm-text anders --wm-size 70").exitCode, 0);
    EXPECT_EQ(readFileBytes(dir.file("bare1.png")), readFileBytes(dir.file("bare2.png")));
}

struct UsageCase {
    const char* name;
    const char* options;
    const char* message;
};

class WatermarkPreviewUsage : public testing::TestWithParam<UsageCase> {};

TEST_P(WatermarkPreviewUsage, IsRefusedWithExitCode2AndAReason) {
    TempDir dir;
    const std::string out = dir.file("x.png");
    const CommandResult r = preview(out, GetParam().options);
    EXPECT_EQ(r.exitCode, 2) << r.output;
    EXPECT_NE(r.output.find(std::string("vendrik-cli watermark-preview: ") + GetParam().message),
              std::string::npos)
        << r.output;
    EXPECT_FALSE(std::filesystem::exists(out));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WatermarkPreviewUsage,
    testing::Values(UsageCase{"AngleTooLarge", "--wm-angle 361",
                              "--wm-angle erwartet einen Winkel von 0 bis 360"},
                    UsageCase{"AngleNotANumber", "--wm-angle 4x", "--wm-angle erwartet"},
                    UsageCase{"OpacityNegative", "--wm-opacity -1", "--wm-opacity erwartet"},
                    UsageCase{"SizeTooSmall", "--wm-size 15",
                              "--wm-size erwartet eine ganze Zahl von 16 bis 70"},
                    UsageCase{"SizeFractional", "--wm-size 20.5", "--wm-size erwartet"},
                    UsageCase{"UnknownAlignment", "--wm-halign mitte",
                              "--wm-halign erwartet left, center oder right"},
                    UsageCase{"UnknownColour", "--wm-color pink",
                              "--wm-color erwartet black, white, blue, yellow, red oder green"},
                    UsageCase{"MissingValue", "--wm-valign", "--wm-valign erwartet einen Wert"},
                    UsageCase{"UnknownWatermarkOption", "--wm-font Arial",
                              "unbekannte Option '--wm-font'"},
                    UsageCase{"SecondFile", "other.png", "zu viele Dateinamen"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WatermarkPreviewCommand, RefusesUnknownExtensionAndMissingOutput) {
    TempDir dir;
    EXPECT_EQ(preview(dir.file("x.gif")).exitCode, 2);
    EXPECT_EQ(runCommand(test::cli() + " watermark-preview").exitCode, 2);
    EXPECT_EQ(runCommand(test::cli() + " watermark-preview --help").exitCode, 0);
}

TEST(WatermarkPreviewCommand, NeverOverwritesAnExistingFile) {
    TempDir dir;
    const std::string out = dir.file("keep.png");
    test::writeFileBytes(out, {1, 2, 3});
    const CommandResult r = preview(out);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("existiert bereits"), std::string::npos) << r.output;
    EXPECT_EQ(readFileBytes(out), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(WatermarkPreviewCommand, WithoutAFontItFailsWithTheReasonAndWritesNothing) {
    TempDir dir;
    const std::string config = dir.file("fonts.conf");
    const std::string xml = "<?xml version=\"1.0\"?><fontconfig></fontconfig>\n";
    test::writeFileBytes(config, std::vector<std::uint8_t>(xml.begin(), xml.end()));
    const std::string out = dir.file("x.png");
    const CommandResult r = preview(out, "", "FONTCONFIG_FILE=" + shellQuote(config));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("keine Schrift für \"Arial\" fett gefunden"), std::string::npos)
        << r.output;
    EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
}  // namespace vendrik
