// Quality scaling, zigzag map and settings of cJpeg.

#include <gtest/gtest.h>

#include <string>

#include "jpeg/cJpeg.h"
#include "jpeg/jpeg_error.h"
#include "jpeg/jpeg_tables.h"

namespace vendrik {
namespace {

using jpeg::kZigzag;

TEST(Zigzag, FollowsTheStandardSequence) {
    // The first entries of T.81 Figure A.6 and a few from the far corner.
    EXPECT_EQ(kZigzag[0], 0);
    EXPECT_EQ(kZigzag[1], 1);
    EXPECT_EQ(kZigzag[8], 2);
    EXPECT_EQ(kZigzag[16], 3);
    EXPECT_EQ(kZigzag[9], 4);
    EXPECT_EQ(kZigzag[2], 5);
    EXPECT_EQ(kZigzag[3], 6);
    EXPECT_EQ(kZigzag[10], 7);
    EXPECT_EQ(kZigzag[56], 35);
    EXPECT_EQ(kZigzag[7], 28);
    EXPECT_EQ(kZigzag[62], 62);
    EXPECT_EQ(kZigzag[55], 61);
    EXPECT_EQ(kZigzag[63], 63);
    // Every number appears once, and consecutive numbers are neighbours.
    for (std::size_t n = 0; n < 64; ++n) {
        EXPECT_EQ(kZigzag[jpeg::kNaturalOrder[n]], n);
    }
    for (std::size_t k = 1; k < 64; ++k) {
        const int a = jpeg::kNaturalOrder[k - 1];
        const int b = jpeg::kNaturalOrder[k];
        EXPECT_LE(std::abs(a / 8 - b / 8), 1) << k;
        EXPECT_LE(std::abs(a % 8 - b % 8), 1) << k;
    }
}

TEST(QualityScale, RoundsHalfToEven) {
    EXPECT_EQ(jpeg::qualityScale(50), 100);
    EXPECT_EQ(jpeg::qualityScale(80), 40);
    EXPECT_EQ(jpeg::qualityScale(16), 312);  // 312.5
    EXPECT_EQ(jpeg::qualityScale(3), 1667);
    EXPECT_EQ(jpeg::qualityScale(100), 0);
    EXPECT_EQ(jpeg::qualityScale(1), 5000);
}

TEST(CJpegQuality, Quality50MovesOddBaseValuesToEvenNeighbours) {
    cJpeg j;
    j.Quality(50);
    const std::uint16_t want[] = {16, 12, 12, 14, 12, 10, 16, 14, 14, 14, 18, 18, 16, 20, 24, 40};
    for (std::size_t i = 0; i < std::size(want); ++i) {
        EXPECT_EQ(j.quantTable(0)[i], want[i]) << i;
    }
}

TEST(CJpegQuality, Quality80Tables) {
    cJpeg j;
    j.Quality(80);
    const std::uint16_t lum[] = {7, 5, 5, 6, 5, 4, 7, 6, 6, 6, 8, 7, 7, 8, 10, 16};
    const std::uint16_t chrom[] = {7, 8, 8, 10, 9, 10, 19, 11, 11, 19, 40, 27, 23, 27, 40, 40};
    for (std::size_t i = 0; i < std::size(lum); ++i) {
        EXPECT_EQ(j.quantTable(0)[i], lum[i]) << i;
        EXPECT_EQ(j.quantTable(1)[i], chrom[i]) << i;
    }
    EXPECT_EQ(j.Quality(), 80);
}

TEST(CJpegQuality, ExtremesAndIgnoredValues) {
    cJpeg j;
    EXPECT_EQ(j.Quality(), 95);
    j.Quality(100);
    for (auto v : j.quantTable(0)) EXPECT_EQ(v, 1);
    j.Quality(1);
    for (auto v : j.quantTable(1)) EXPECT_EQ(v, 255);
    const auto before = j.quantTable(0);
    j.Quality(0);
    j.Quality(101);
    EXPECT_EQ(j.Quality(), 1);
    EXPECT_EQ(j.quantTable(0), before);
}

TEST(CJpegSampling, FactorsAndComponentCounts) {
    cJpeg j;
    ASSERT_EQ(j.components().size(), 3U);
    for (const auto& c : j.components()) {
        EXPECT_EQ(c.H, 1);
        EXPECT_EQ(c.V, 1);
    }
    j.SetSamplingFrequencies(2, 2, 1, 1, 1, 1);
    ASSERT_EQ(j.components().size(), 3U);
    EXPECT_EQ(j.maxH(), 2);
    EXPECT_EQ(j.maxV(), 2);
    EXPECT_EQ(j.components()[1].Tq, 1);
    EXPECT_EQ(j.components()[2].Tq, 1);
    j.SetSamplingFrequencies(2, 2, 0, 0, 0, 0);
    ASSERT_EQ(j.components().size(), 1U);
    EXPECT_EQ(j.components()[0].H, 1);
    EXPECT_EQ(j.components()[0].V, 1);
}

TEST(CJpegErrors, NumberOneAndExactTexts) {
    cJpeg j;
    j.SetSamplingFrequencies(2, 2, 1, 1, 1, 1);
    const auto expectError = [](auto&& call, const char* text) {
        try {
            call();
            ADD_FAILURE() << "no error for " << text;
        } catch (const JpegError& e) {
            EXPECT_EQ(e.number(), 1);
            EXPECT_STREQ(e.what(), text);
            EXPECT_EQ(e.source(), "cJpeg");
        }
    };
    expectError([&] { j.SetSamplingFrequencies(5, 1, 1, 1, 1, 1); }, "Invalid Sampling Value");
    expectError([&] { j.SetSamplingFrequencies(1, 1, 0, 1, 0, 0); }, "Invalid Sampling Value");
    expectError([&] { j.SetSamplingFrequencies(0, 1, 0, 0, 0, 0); }, "Invalid Sampling Value");
    // The failing calls left the 4:2:0 setup alone.
    EXPECT_EQ(j.components().size(), 3U);
    EXPECT_EQ(j.maxH(), 2);

    j.Comment(std::string(65533, 'a'));
    expectError([&] { j.Comment(std::string(65534, 'a')); }, "Illegal Comment Length");
    EXPECT_EQ(j.Comment().size(), 65533U);
    // Characters count, not UTF-8 bytes: 65533 umlauts are allowed.
    std::string umlauts;
    for (int i = 0; i < 65533; ++i) umlauts += "ä";
    EXPECT_NO_THROW(j.Comment(umlauts));

    expectError([] { (void)jpeg::prepareDivisors(jpeg::QuantValues{}, 8); },
                "Bad Quantization Table");
    jpeg::QuantValues big{};
    big.fill(256);
    expectError([&] { (void)jpeg::prepareDivisors(big, 8); }, "Bad Quantization Table");
    EXPECT_NO_THROW((void)jpeg::prepareDivisors(big, 12));
}

}  // namespace
}  // namespace vendrik
