#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/cli_runs.h"

namespace vendrik {
namespace {

using test::CommandResult;
using test::readFileBytes;

CommandResult optimise(const std::string& args, const std::string& env = "") {
    return runCommand(env + " " + test::cli() + " optimise --quiet " + args);
}

// A 600 × 400 gradient JPEG, dark enough for a white text to show.
void makePicture(const std::string& path) {
    const CommandResult r = runCommand(
        "/usr/bin/python3 -c " +
        shellQuote("from PIL import Image\n"
                   "img = Image.linear_gradient('L').resize((600, 400)).point(lambda v: v // 2)\n"
                   "Image.merge('RGB', (img, img.transpose(Image.ROTATE_180), img)).save('" +
                   path + "', format='JPEG', quality=92)\n"));
    ASSERT_EQ(r.exitCode, 0) << r.output;
}

// The one JPEG a run wrote into `folder`.
std::vector<std::uint8_t> outputOf(const std::string& folder) {
    std::vector<std::filesystem::path> found;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        found.push_back(e.path());
    }
    EXPECT_EQ(found.size(), 1u) << folder;
    return found.empty() ? std::vector<std::uint8_t>{} : readFileBytes(found[0].string());
}

// Mean brightness of a JPEG, as an independent decoder reads it.
double brightness(const std::string& folder) {
    const CommandResult r = runCommand(
        "/usr/bin/python3 -c 'import sys, glob; from PIL import Image, ImageStat; "
        "print(ImageStat.Stat(Image.open(glob.glob(sys.argv[1] + \"/*.jpg\")[0]).convert(\"L\"))"
        ".mean[0])' " +
        shellQuote(folder));
    return std::stod(r.output);
}

class OptimiseWatermark : public testing::Test {
protected:
    void SetUp() override {
        makePicture(m_dir.file("bild.jpg"));
        for (const char* out : {"plain", "marked", "invisible", "nofont"}) {
            std::filesystem::create_directory(m_dir.file(out));
        }
    }
    std::string run(const char* out, const std::string& options, const std::string& env = "",
                    int wantExit = 0) {
        const CommandResult r =
            optimise("--size original --out " + shellQuote(m_dir.file(out)) + " " + options + " " +
                         shellQuote(m_dir.file("bild.jpg")),
                     env);
        EXPECT_EQ(r.exitCode, wantExit) << options << ": " << r.output;
        return r.output;
    }
    TempDir m_dir;
};

TEST_F(OptimiseWatermark, DrawsTheTextAndOpacityZeroChangesNothing) {
    run("plain", "");
    run("marked", "--watermark");
    run("invisible", "--watermark --wm-opacity 0 --wm-angle 269 --wm-color red");
    EXPECT_EQ(outputOf(m_dir.file("invisible")), outputOf(m_dir.file("plain")));
    EXPECT_NE(outputOf(m_dir.file("marked")), outputOf(m_dir.file("plain")));
    // White at 45 %: the watermarked picture is brighter.
    EXPECT_GT(brightness(m_dir.file("marked")), brightness(m_dir.file("plain")) + 1.0);
}

TEST_F(OptimiseWatermark, WithoutAFontThePictureIsWrittenPlainAndTheRunFails) {
    const std::string config = m_dir.file("fonts.conf");
    const std::string xml = "<?xml version=\"1.0\"?><fontconfig></fontconfig>\n";
    test::writeFileBytes(config, std::vector<std::uint8_t>(xml.begin(), xml.end()));
    run("plain", "");
    const std::string output =
        run("nofont", "--watermark", "FONTCONFIG_FILE=" + shellQuote(config), 1);
    EXPECT_NE(output.find("Wasserzeichen nicht eingeblendet: keine Schrift"), std::string::npos)
        << output;
    EXPECT_EQ(outputOf(m_dir.file("nofont")), outputOf(m_dir.file("plain")));
}

TEST(OptimiseWatermarkUsage, WatermarkOptionsAreChecked) {
    TempDir dir;
    makePicture(dir.file("bild.jpg"));
    const std::string picture = " " + shellQuote(dir.file("bild.jpg"));
    struct Case {
        const char* options;
        const char* message;
    };
    for (const Case c : {Case{"--watermark --wm-angle 400", "--wm-angle erwartet"},
                         Case{"--watermark --wm-color pink", "--wm-color erwartet"},
                         Case{"--wm-size 40", "die --wm-Optionen wirken nur mit --watermark"}}) {
        const CommandResult r = optimise(std::string(c.options) + picture);
        EXPECT_EQ(r.exitCode, 2) << c.options << ": " << r.output;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
    }
    // Nothing was written beside the source.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
}

}  // namespace
}  // namespace vendrik
