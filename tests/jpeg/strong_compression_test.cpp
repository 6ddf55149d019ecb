// The strong compression as a user gets it from cJpeg: valid progressive
// files for every size, sampling and quality, that independent decoders read
// without a warning; scans that pay, at a bounded loss.

#include <gtest/gtest.h>

#include <random>

#include "jpeg/cJpeg.h"
#include "support/jpeg_test_pictures.h"
#include "libjpeg_coefficients.h"

namespace vendrik {
namespace {

using test::runCommand;
using test::shellQuote;

using Sampling = test::Mode;
using test::modeName;

cJpeg configured(Sampling s, int quality, JpegCompression mode = JpegCompression::Strong) {
    cJpeg j;
    test::configure(j, s);
    j.setCompression(mode);
    j.Quality(quality);
    return j;
}

Surface noise(int w, int h, unsigned seed) {
    Surface s(w, h);
    std::mt19937 random(seed);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const auto v = random();
            s.setPixel(x, y, {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                              static_cast<std::uint8_t>(v >> 16)});
        }
    }
    return s;
}

Surface flat(int w, int h) {
    Surface s(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) s.setPixel(x, y, {200, 30, 90});
    }
    return s;
}

// Libjpeg reads the file without a word and finds exactly the coefficients
// the encoder chose.
void expectExactRead(const cJpeg& j, const std::vector<std::uint8_t>& file, const std::string& what) {
    const test::LibjpegCoefficients read = test::readWithLibjpeg(file);
    ASSERT_TRUE(read.ok) << what << ": " << read.messages;
    EXPECT_EQ(read.messages, "") << what;
    EXPECT_TRUE(read.progressive) << what;
    ASSERT_EQ(read.components.size(), j.components().size()) << what;
    for (std::size_t i = 0; i < read.components.size(); ++i) {
        const auto& ours = j.components()[i].coefficients;
        ASSERT_EQ(read.components[i].size(), ours.size()) << what;
        EXPECT_TRUE(std::equal(ours.begin(), ours.end(), read.components[i].begin()))
            << what << " component " << i;
    }
}

// Every quality, every sampling, on pictures that stress the extremes:
// noise (every coefficient large), a flat colour (nothing but DC) and a
// photograph-like picture. Runs under the sanitizers like every test.
TEST(StrongCompression, EveryQualityReadsBackExactly) {
    const std::pair<std::string, Surface> pictures[] = {
        {"picture", test::makePicture(37, 23, false, 5)},
        {"noise", noise(19, 21, 3)},
        {"flat", flat(24, 16)},
    };
    for (const auto& [name, p] : pictures) {
        for (const Sampling s : {Sampling::S444, Sampling::S420, Sampling::Grey}) {
            for (int q = 1; q <= 100; ++q) {
                cJpeg j = configured(s, q);
                ASSERT_EQ(j.SampleHDC(p, p.width(), p.height(), 0, 0), cJpeg::kSampled);
                expectExactRead(j, j.encodeToMemory(),
                                name + " " + modeName(s) + " q" + std::to_string(q));
            }
        }
    }
}

using test::djpeg;

struct SizeCase {
    int w;
    int h;
    Sampling sampling;
    int quality;
};

// Extreme sizes and ordinary ones: djpeg and Pillow decode every file
// without a warning, to the right size; jpegtran's copy of the
// coefficients into a baseline file decodes to the very same pixels.
TEST(StrongCompression, DecodersAgreeOnEverySize) {
    const SizeCase cases[] = {
        {1, 1, Sampling::S444, 80},       {1, 1, Sampling::S420, 80},
        {1, 10000, Sampling::S420, 75},   {10000, 1, Sampling::S444, 90},
        {17, 9, Sampling::Grey, 50},      {100, 75, Sampling::S420, 85},
        {333, 251, Sampling::S444, 95},   {640, 480, Sampling::S420, 30},
    };
    test::TempDir dir;
    std::string files;
    for (const SizeCase& c : cases) {
        const std::string what = std::to_string(c.w) + "x" + std::to_string(c.h) + "_" +
                                 modeName(c.sampling) + "_q" + std::to_string(c.quality);
        const Surface p = test::makePicture(c.w, c.h, c.sampling == Sampling::Grey, 9);
        cJpeg j = configured(c.sampling, c.quality);
        ASSERT_EQ(j.SampleHDC(p, c.w, c.h, 0, 0), cJpeg::kSampled);
        const std::string out = dir.file(what + ".jpg");
        ASSERT_EQ(j.SaveFile(out), cJpeg::kSaved);
        const Surface d = djpeg(out, dir);
        ASSERT_EQ(d.width(), c.w) << what;
        ASSERT_EQ(d.height(), c.h) << what;

        const std::string copy = dir.file(what + "-baseline.jpg");
        const auto r = runCommand("jpegtran -copy none -outfile " + shellQuote(copy) + " " +
                                  shellQuote(out));
        ASSERT_EQ(r.exitCode, 0) << r.output;
        EXPECT_EQ(r.output, "");
        EXPECT_EQ(test::psnr(d, djpeg(copy, dir)), 99.0) << what;
        files += " " + shellQuote(out);
    }
    const auto r = runCommand(
        "/usr/bin/python3 -W error -c 'import sys\nfrom PIL import Image\n"
        "for f in sys.argv[1:]:\n    im = Image.open(f)\n    im.load()\n"
        "    assert im.info.get(\"progressive\"), f' " + files);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output, "");
}

// The progressive scans pay: the file is smaller than the same
// coefficients in a baseline file with optimised tables (jpegtran). And the
// loss is bounded against the standard mode at the same quality setting, so
// that a search that throws away too much fails here. (The size at one
// setting is not compared: the strong tables keep fine texture finer, and a
// picture made of it, like this one, can come out larger.)
TEST(StrongCompression, ScansPayAndLossIsBounded) {
    test::TempDir dir;
    const Surface p = test::makePicture(640, 480, false, 3);
    for (const Sampling s : {Sampling::S444, Sampling::S420}) {
        for (const int q : {50, 75, 90}) {
            const std::string what = modeName(s) + " q" + std::to_string(q);
            cJpeg standard = configured(s, q, JpegCompression::Standard);
            cJpeg strong = configured(s, q);
            ASSERT_EQ(standard.SampleHDC(p, 640, 480, 0, 0), cJpeg::kSampled);
            ASSERT_EQ(strong.SampleHDC(p, 640, 480, 0, 0), cJpeg::kSampled);
            const std::string a = dir.file("standard.jpg");
            const std::string b = dir.file("strong.jpg");
            const std::string c = dir.file("baseline.jpg");
            std::filesystem::remove(a);
            std::filesystem::remove(b);
            ASSERT_EQ(standard.SaveFile(a), cJpeg::kSaved);
            ASSERT_EQ(strong.SaveFile(b), cJpeg::kSaved);
            const auto r = runCommand("jpegtran -optimize -copy none -outfile " + shellQuote(c) +
                                      " " + shellQuote(b));
            ASSERT_EQ(r.exitCode, 0) << r.output;
            const auto strongBytes = test::readFileBytes(b).size();
            EXPECT_LT(strongBytes, test::readFileBytes(c).size()) << what;

            const double standardDb = test::psnr(p, djpeg(a, dir));
            const double strongDb = test::psnr(p, djpeg(b, dir));
            EXPECT_GT(strongDb, standardDb - 1.5) << what << ": " << strongDb << " vs " << standardDb;
            EXPECT_LT(strongBytes, 2 * test::readFileBytes(a).size()) << what;
        }
    }
}

// Saturated colour stripes seven pixels wide, so that every other edge falls
// inside a pixel pair that a halved component averages, changing every nine
// rows.
Surface colourStripes(int w, int h) {
    constexpr Bgr kColours[] = {{0, 0, 255}, {255, 0, 0}, {0, 255, 0}, {0, 255, 255}};
    Surface s(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) s.setPixel(x, y, kColours[(x / 7 + y / 9) % 4]);
    }
    return s;
}

// A halved colour component is chosen for the way decoders enlarge it: at
// the finest quantisation, where nearly all the error left is the
// halving's, the strong file's colour edges come back closer to the picture
// than the plain averages of the standard mode do. Even and odd sizes, so
// that the picture's last column and row are covered.
TEST(StrongCompression, HalvedColourComesBackCloser) {
    test::TempDir dir;
    for (const auto& [w, h] : {std::pair{64, 48}, std::pair{37, 23}}) {
        const std::string what = std::to_string(w) + "x" + std::to_string(h);
        const Surface p = colourStripes(w, h);
        std::array<double, 2> db{};
        for (const JpegCompression mode : {JpegCompression::Standard, JpegCompression::Strong}) {
            cJpeg j = configured(Sampling::S420, 100, mode);
            ASSERT_EQ(j.SampleHDC(p, w, h, 0, 0), cJpeg::kSampled);
            const std::string out =
                dir.file(what + (mode == JpegCompression::Strong ? "s" : "d") + ".jpg");
            ASSERT_EQ(j.SaveFile(out), cJpeg::kSaved);
            db[mode == JpegCompression::Strong ? 1 : 0] = test::psnr(p, djpeg(out, dir));
        }
        EXPECT_GT(db[1], db[0] + 0.1) << what << ": strong " << db[1] << " dB, standard " << db[0];
    }
}

// Halved chroma gets the finer chrominance table whatever the order of the
// settings: the table follows a sampling set after the quality.
TEST(StrongCompression, ChromaTableFollowsTheSampling) {
    cJpeg halvedFirst = configured(Sampling::S420, 60);
    const jpeg::QuantValues halved = halvedFirst.quantTable(1);
    cJpeg j = configured(Sampling::S444, 60);
    const jpeg::QuantValues full = j.quantTable(1);
    EXPECT_EQ(j.quantTable(0), halvedFirst.quantTable(0));
    int halvedSum = 0;
    int fullSum = 0;
    for (std::size_t k = 0; k < 64; ++k) {
        EXPECT_LE(halved[k], full[k]) << k;
        halvedSum += halved[k];
        fullSum += full[k];
    }
    EXPECT_LT(halvedSum, fullSum);
    j.SetSamplingFrequencies(2, 2, 1, 1, 1, 1);
    EXPECT_EQ(j.quantTable(1), halved);
    j.SetSamplingFrequencies(1, 1, 1, 1, 1, 1);
    EXPECT_EQ(j.quantTable(1), full);
}

TEST(StrongCompression, IsASettingLikeQuality) {
    cJpeg j;
    EXPECT_EQ(j.compression(), JpegCompression::Standard);
    j.Quality(80);
    const jpeg::QuantValues standardTable = j.quantTable(0);
    j.setCompression(JpegCompression::Strong);
    EXPECT_EQ(j.Quality(), 80);
    j.setCompression(JpegCompression::Standard);
    EXPECT_EQ(j.quantTable(0), standardTable);

    // Saving twice writes the same bytes; progress runs up to 100 in order.
    const Surface p = test::makePicture(64, 64);
    j.setCompression(JpegCompression::Strong);
    std::vector<int> progress;
    j.setProgress([&progress](int v) { progress.push_back(v); });
    ASSERT_EQ(j.SampleHDC(p, 64, 64, 0, 0), cJpeg::kSampled);
    const auto first = j.encodeToMemory();
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), 100);
    EXPECT_EQ(j.encodeToMemory(), first);
}

}  // namespace
}  // namespace vendrik
