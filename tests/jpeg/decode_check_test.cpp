// Our files as independent decoders and encoders see them: every file decodes
// with libjpeg-turbo's djpeg and with Pillow without a warning; the decoded
// pixels are as close to the source as cjpeg's with the same tables; the
// Huffman tables are as small as jpegtran's optimisation makes them.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <tuple>

#include "jpeg/cJpeg.h"
#include "jpeg/jpeg_tables.h"
#include "support/jpeg_test_pictures.h"

namespace vendrik {
namespace {

using test::runCommand;
using test::shellQuote;

using test::configure;
using test::Mode;
using test::modeName;

using test::djpeg;

struct Case {
    int w;
    int h;
    Mode mode;
    int quality;
};

class DecodesEverywhere : public ::testing::TestWithParam<std::tuple<int, Mode>> {};

TEST_P(DecodesEverywhere, AllSizesAndQualities) {
    const auto [quality, mode] = GetParam();
    test::TempDir dir;
    const std::pair<int, int> sizes[] = {{1, 1}, {3, 3}, {17, 9}, {100, 75}, {640, 480}};
    std::string files;
    for (const auto& [w, h] : sizes) {
        const Surface p = test::makePicture(w, h, mode == Mode::Grey, static_cast<std::uint32_t>(w));
        cJpeg j;
        configure(j, mode);
        j.Quality(quality);
        ASSERT_EQ(j.SampleHDC(p, w, h, 0, 0), cJpeg::kSampled);
        const std::string out = dir.file(std::to_string(w) + "x" + std::to_string(h) + ".jpg");
        ASSERT_EQ(j.SaveFile(out), cJpeg::kSaved);
        const Surface d = djpeg(out, dir);
        ASSERT_EQ(d.width(), w);
        ASSERT_EQ(d.height(), h);
        const double db = test::psnr(p, d);
        // Quality 100 is near lossless in 4:4:4 and grey: only the colour
        // transform and rounding remain. Larger pictures keep a floor that
        // rises with the quality (4:2:0 loses the chroma detail of the
        // noisy test picture, whatever the quality).
        if (quality == 100 && mode != Mode::S420) {
            EXPECT_GT(db, 45.0) << out;
        }
        if (w >= 100) {
            const double floor = quality == 1 ? 21 : quality == 16 ? 28 : quality == 50 ? 32 : 33;
            EXPECT_GT(db, floor) << out;
        }
        files += " " + shellQuote(out);
    }
    // Pillow opens and fully decodes every file, with warnings as errors.
    const auto r = runCommand(
        "/usr/bin/python3 -W error -c 'import sys\nfrom PIL import Image\n"
        "for f in sys.argv[2:]:\n    im = Image.open(f)\n    im.load()\n"
        "    assert im.mode == sys.argv[1], im.mode' " + std::string(mode == Mode::Grey ? "L" : "RGB") +
        files);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output, "");
}

INSTANTIATE_TEST_SUITE_P(Qualities, DecodesEverywhere,
                         ::testing::Combine(::testing::Values(1, 16, 50, 80, 95, 100),
                                            ::testing::Values(Mode::S444, Mode::S420, Mode::Grey)),
                         [](const auto& info) {
                             return "q" + std::to_string(std::get<0>(info.param)) + "_" +
                                    modeName(std::get<1>(info.param));
                         });

// cjpeg with our quantisation tables (-quality 50 leaves -qtables unscaled),
// its float DCT and optimised Huffman tables.
std::string cjpegWithOurTables(const cJpeg& j, const std::string& pnm, Mode mode,
                               const test::TempDir& dir) {
    const std::string tables = dir.file("tables.txt");
    std::ofstream t(tables);
    for (int slot = 0; slot < (mode == Mode::Grey ? 1 : 2); ++slot) {
        for (std::size_t n = 0; n < 64; ++n) {
            t << j.quantTable(slot)[jpeg::kZigzag[n]] << (n % 8 == 7 ? "\n" : " ");
        }
    }
    t.close();
    const std::string out = dir.file("cjpeg.jpg");
    std::string opts = "-quality 50 -qtables " + shellQuote(tables) + " -optimize -dct float";
    opts += mode == Mode::S420 ? " -sample 2x2" : mode == Mode::Grey ? " -grayscale" : " -sample 1x1";
    const auto r = runCommand("cjpeg " + opts + " -outfile " + shellQuote(out) + " " + shellQuote(pnm));
    EXPECT_EQ(r.exitCode, 0) << r.output;
    return out;
}

class MatchesCjpeg : public ::testing::TestWithParam<std::tuple<int, Mode>> {};

TEST_P(MatchesCjpeg, SameTablesSameQualityAndSize) {
    const auto [quality, mode] = GetParam();
    test::TempDir dir;
    const bool grey = mode == Mode::Grey;
    const Surface p = test::makePicture(640, 480, grey, 3);
    const std::string pnm = dir.file(grey ? "src.pgm" : "src.ppm");
    test::writePnm(p, pnm, grey);

    cJpeg j;
    configure(j, mode);
    j.Quality(quality);
    ASSERT_EQ(j.SampleHDC(p, 640, 480, 0, 0), cJpeg::kSampled);
    const std::string ours = dir.file("ours.jpg");
    ASSERT_EQ(j.SaveFile(ours), cJpeg::kSaved);
    const std::string theirs = cjpegWithOurTables(j, pnm, mode, dir);

    const double ourDb = test::psnr(p, djpeg(ours, dir));
    const double theirDb = test::psnr(p, djpeg(theirs, dir));
    const double ourSize = static_cast<double>(test::readFileBytes(ours).size());
    const double theirSize = static_cast<double>(test::readFileBytes(theirs).size());
    // The only differences left are libjpeg's integer colour conversion and
    // its chroma reduction: hundredths of a dB and well under a percent of
    // size, either way (grey files come out the same size).
    EXPECT_NEAR(ourDb, theirDb, 0.1) << "ours " << ourDb << " cjpeg " << theirDb;
    EXPECT_NEAR(ourSize / theirSize, 1.0, 0.01) << "ours " << ourSize << " cjpeg " << theirSize;

    // jpegtran's optimisation of our file finds nothing to gain (0.1 %).
    const std::string optimised = dir.file("jpegtran.jpg");
    const auto r = runCommand("jpegtran -optimize -copy none -outfile " + shellQuote(optimised) +
                              " " + shellQuote(ours));
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const double reSize = static_cast<double>(test::readFileBytes(optimised).size());
    EXPECT_GE(reSize, ourSize * 0.999) << "jpegtran " << reSize << " ours " << ourSize;
    // ... and it decodes to the very same pixels: our entropy coding loses
    // nothing of the coefficients.
    const Surface a = djpeg(ours, dir);
    const Surface b = djpeg(optimised, dir);
    EXPECT_EQ(test::psnr(a, b), 99.0);
}

INSTANTIATE_TEST_SUITE_P(Qualities, MatchesCjpeg,
                         ::testing::Combine(::testing::Values(16, 50, 80, 95),
                                            ::testing::Values(Mode::S444, Mode::S420, Mode::Grey)),
                         [](const auto& info) {
                             return "q" + std::to_string(std::get<0>(info.param)) + "_" +
                                    modeName(std::get<1>(info.param));
                         });

TEST(LargePicture, TwelveMegapixelsDecode) {
    test::TempDir dir;
    const Surface p = test::makePicture(4000, 3000, false, 11);
    for (const Mode mode : {Mode::S444, Mode::S420}) {
        cJpeg j;
        configure(j, mode);
        j.Quality(80);
        ASSERT_EQ(j.SampleHDC(p, 4000, 3000, 0, 0), cJpeg::kSampled);
        const std::string out = dir.file(modeName(mode) + ".jpg");
        ASSERT_EQ(j.SaveFile(out), cJpeg::kSaved);
        const Surface d = djpeg(out, dir);
        ASSERT_EQ(d.width(), 4000);
        EXPECT_GT(test::psnr(p, d), 30.0);
    }
}

}  // namespace
}  // namespace vendrik
