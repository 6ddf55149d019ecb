#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "support/cli_runs.h"

namespace vendrik {
namespace {

using test::writeText;

// Width and height from a baseline JPEG's frame header.
std::optional<std::pair<int, int>> jpegSize(const std::string& path) {
    const auto b = test::readFileBytes(path);
    for (std::size_t i = 0; i + 8 < b.size(); ++i) {
        if (b[i] == 0xFF && b[i + 1] == 0xC0) {
            return std::pair{(b[i + 7] << 8) | b[i + 8], (b[i + 5] << 8) | b[i + 6]};
        }
    }
    return std::nullopt;
}

// A 400 × 300 picture, written by our own encoder from a PPM.
std::string makePicture(const TempDir& dir) {
    std::string ppm = "P6\n400 300\n255\n";
    ppm.append(400 * 300 * 3, '\x60');
    writeText(dir.file("bild.ppm"), ppm);
    const std::string jpg = dir.file("bild.jpg");
    EXPECT_EQ(runCommand(test::cli() + " encode " + shellQuote(dir.file("bild.ppm")) + " " +
                         shellQuote(jpg))
                  .exitCode,
              0);
    return jpg;
}

// optimise starts from the windows' settings; options on the command line
// go over them; --no-settings uses the built-in defaults.
TEST(CliSettingsLayer, OptimiseRunsAsTheWindowsWereLastSet) {
    TempDir dir;
    const std::string picture = makePicture(dir);
    const std::string ini = dir.file("s.ini");
    writeText(ini, "[Tervane Vendrik]\r\nQuality=60\r\nSize=0\r\noptTag=2\r\nTag=klein\r\n"
                   "chkAnfang=1\r\n");
    const std::string run = test::cli() + " optimise --quiet ";

    auto r = runCommand(run + "--settings " + shellQuote(ini) + " " + shellQuote(picture));
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(jpegSize(dir.file("klein_bild.jpg")), std::pair(160, 120));  // "120 x 160"

    r = runCommand(run + "--settings " + shellQuote(ini) + " --tag gross --size 1 " +
                   shellQuote(picture));
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(jpegSize(dir.file("gross_bild.jpg")), std::pair(320, 240));  // "240 x 320"

    r = runCommand(run + "--no-settings " + shellQuote(picture));
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(jpegSize(dir.file("bild_new.jpg")), std::pair(1280, 960));  // "1024 x 1280"

    r = runCommand(run + "--settings " + shellQuote(ini) + " --no-settings x.jpg");
    EXPECT_EQ(r.exitCode, 2) << r.output;
}

// "kleinere Dateien (langsamer)" as the window left it ("Kompression=1"),
// and --compression over it either way.
TEST(CliSettingsLayer, CompressionFromTheFileAndTheOption) {
    TempDir dir;
    const std::string picture = makePicture(dir);
    const std::string strongIni = dir.file("strong.ini");
    writeText(strongIni, "[Tervane Vendrik]\r\nKompression=1\r\n");
    struct Case {
        const char* name;
        std::string options;
        bool progressive;
    };
    const Case cases[] = {
        {"defaults", "--no-settings", false},
        {"from the file", "--settings " + shellQuote(strongIni), true},
        {"option over the file", "--settings " + shellQuote(strongIni) + " --compression standard",
         false},
        {"option alone", "--no-settings --compression strong", true},
        {"with a size limit", "--no-settings --compression strong --max-size 40K", true},
    };
    for (const Case& c : cases) {
        const std::string out = dir.file("aus.jpg");
        const auto r = runCommand("{ " + test::cli() + " optimise --quiet -o - " + c.options +
                                  " " + shellQuote(picture) + " > " + shellQuote(out) + "; }");
        ASSERT_EQ(r.exitCode, 0) << c.name << ": " << r.output;
        const auto d = runCommand("djpeg -verbose -verbose -outfile /dev/null " + shellQuote(out));
        EXPECT_EQ(d.exitCode, 0) << c.name << ": " << d.output;
        EXPECT_EQ(d.output.find("Start Of Frame 0xc2") != std::string::npos, c.progressive)
            << c.name << ": " << d.output;
        EXPECT_EQ(d.output.find("arning"), std::string::npos) << c.name << ": " << d.output;
    }
}

// --watermark shows the designer's last watermark: a settings file holding
// only the defaults gives the same bytes as none, another design others.
TEST(CliSettingsLayer, OptimiseWatermarkUsesTheDesignersValues) {
    TempDir dir;
    const std::string picture = makePicture(dir);
    const std::string defaults = dir.file("defaults.ini");
    const std::string red = dir.file("red.ini");
    writeText(defaults, "[Tervane Vendrik]\r\nAngle=40\r\nColor=1\r\n");
    writeText(red, "[Tervane Vendrik]\r\nInfo=Hallo#\xA7Welt\r\nColor=4\r\nAlpha=100\r\n");
    const auto output = [&](const std::string& settings, const std::string& tag) {
        const auto r = runCommand(test::cli() + " optimise --quiet --watermark " + settings +
                                  " --tag " + tag + " --tag-first " + shellQuote(picture));
        EXPECT_EQ(r.exitCode, 0) << r.output;
        // The own tag and the tag position come from the command line, so
        // the three runs differ only in the watermark.
        return test::readFileBytes(dir.file(tag + "_bild.jpg"));
    };
    const auto none = output("--no-settings", "a");
    EXPECT_EQ(output("--settings " + shellQuote(defaults), "b"), none);
    EXPECT_NE(output("--settings " + shellQuote(red), "c"), none);
}

// The preview takes the designer's last values; a settings file holding just
// the defaults draws exactly what --no-settings draws.
TEST(CliSettingsLayer, WatermarkPreviewTakesTheDesignersValues) {
    TempDir dir;
    const std::string defaults = dir.file("defaults.ini");
    const std::string red = dir.file("red.ini");
    writeText(defaults, "[Tervane Vendrik]\r\nAngle=40\r\nAlpha=45\r\nColor=1\r\n");
    writeText(red, "[Tervane Vendrik]\r\nInfo=Hallo#\xA7Welt\r\nColor=4\r\nAlpha=100\r\n");
    const std::string run = test::cli() + " watermark-preview ";
    ASSERT_EQ(runCommand(run + "--no-settings " + shellQuote(dir.file("a.png"))).exitCode, 0);
    ASSERT_EQ(runCommand(run + "--settings " + shellQuote(defaults) + " " +
                         shellQuote(dir.file("b.png")))
                  .exitCode,
              0);
    ASSERT_EQ(runCommand(run + "--settings " + shellQuote(red) + " " +
                         shellQuote(dir.file("c.png")))
                  .exitCode,
              0);
    EXPECT_EQ(test::readFileBytes(dir.file("a.png")), test::readFileBytes(dir.file("b.png")));
    EXPECT_NE(test::readFileBytes(dir.file("a.png")), test::readFileBytes(dir.file("c.png")));
}

}  // namespace
}  // namespace vendrik
