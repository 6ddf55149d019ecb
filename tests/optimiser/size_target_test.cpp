// The search for the highest quality whose file fits, on encoders whose
// sizes are known, and the sizes the command line and the window read.

#include "optimiser/size_target.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace vendrik {
namespace {

// A stand-in encoder whose file at quality q has size(q) bytes, filled with
// q so that the file returned can be told apart.
struct FakeEncoder {
    std::function<std::uint64_t(int)> size;
    std::set<int> tried;
    EncodeAtQuality encoder() {
        return [this](int q) {
            EXPECT_TRUE(tried.insert(q).second) << "quality " << q << " encoded twice";
            return std::vector<std::uint8_t>(size(q), static_cast<std::uint8_t>(q));
        };
    }
};

// A photograph's sizes: growing by a few percent a step, steeper near 95.
std::uint64_t photoSize(int q) {
    return static_cast<std::uint64_t>(60000 * std::exp(0.025 * (q - 40)) +
                                      (q > 85 ? 9000.0 * (q - 85) * (q - 85) : 0));
}

// The highest quality whose size fits, by trying them all.
std::optional<int> bruteForce(const std::function<std::uint64_t(int)>& size, std::uint64_t max) {
    std::optional<int> best;
    for (int q = kLowestSearchQuality; q <= kHighestSearchQuality; ++q) {
        if (size(q) <= max) {
            best = q;
        }
    }
    return best;
}

TEST(EncodeWithinSize, FindsTheHighestFittingQualityForEveryLimit) {
    int worstTrials = 0;
    for (std::uint64_t max = 50000; max <= 1000000; max += 17389) {
        for (int start : {40, 60, 80, 95}) {
            FakeEncoder fake{photoSize, {}};
            const SizedEncoding got = encodeWithinSize(max, start, fake.encoder());
            const auto expected = bruteForce(photoSize, max);
            ASSERT_EQ(got.fits, expected.has_value()) << max;
            EXPECT_EQ(got.quality, expected.value_or(kLowestSearchQuality)) << max << " " << start;
            ASSERT_FALSE(got.file.empty());
            EXPECT_EQ(got.file.front(), got.quality) << "the file of another quality";
            EXPECT_EQ(got.file.size(), photoSize(got.quality));
            EXPECT_EQ(got.trials, static_cast<int>(fake.tried.size()));
            // Its neighbour above was encoded and seen not to fit.
            if (got.fits && got.quality < kHighestSearchQuality) {
                EXPECT_TRUE(fake.tried.contains(got.quality + 1)) << max;
            }
            worstTrials = std::max(worstTrials, got.trials);

        }
    }
    // Aiming at the limit: a blind halving of the 56 qualities from the
    // ends would take 6 plus the two ends, every time.
    EXPECT_LE(worstTrials, 8);
}

TEST(EncodeWithinSize, EndsOfTheRange) {
    struct Case {
        const char* name;
        std::uint64_t max;
        int quality;
        bool fits;
    };
    const Case cases[] = {
        {"everything fits: 95", 10'000'000, 95, true},
        {"nothing fits: 40, marked", 1000, 40, false},
        {"exactly the size at 40", photoSize(40), 40, true},
        {"exactly the size at 95", photoSize(95), 95, true},
        {"one byte short of 95", photoSize(95) - 1, 94, true},
    };
    for (const Case& c : cases) {
        FakeEncoder fake{photoSize, {}};
        const SizedEncoding got = encodeWithinSize(c.max, 80, fake.encoder());
        EXPECT_EQ(got.quality, c.quality) << c.name;
        EXPECT_EQ(got.fits, c.fits) << c.name;
        EXPECT_EQ(got.file.size(), photoSize(c.quality)) << c.name;
    }
}

TEST(EncodeWithinSize, SizesThatDoNotGrowEverywhereStillGiveAFittingFileWhoseNeighbourDoesNot) {
    // Flat stretches and a dip, as rounded quantisation tables can make.
    const auto bumpy = [](int q) -> std::uint64_t {
        if (q >= 60 && q <= 64) {
            return 100000;  // flat
        }
        if (q == 77) {
            return 90000;  // a dip below its neighbours
        }
        return photoSize(q);
    };
    for (std::uint64_t max : {95000ULL, 100000ULL, 150000ULL, 99999ULL}) {
        FakeEncoder fake{bumpy, {}};
        const SizedEncoding got = encodeWithinSize(max, 80, fake.encoder());
        ASSERT_TRUE(got.fits) << max;
        EXPECT_LE(got.file.size(), max);
        if (got.quality < kHighestSearchQuality) {
            EXPECT_GT(bumpy(got.quality + 1), max) << max;
        }
    }
}

TEST(SizeLimitText, ReadsKilobytesAndMegabytes) {
    struct Case {
        const char* text;
        std::optional<std::uint64_t> bytes;
    };
    const Case cases[] = {
        {"200K", 200 * 1024},
        {"200k", 200 * 1024},
        {"200KB", 200 * 1024},
        {"200", 200 * 1024},  // a bare number is KB, as jpegoptim reads it
        {"1.5M", 1536 * 1024},
        {"1,5mb", 1536 * 1024},
        {"1024M", 1024ULL * 1024 * 1024},
        {"1025M", std::nullopt},  // more than 1 GB
        {"0", std::nullopt},
        {"0.0001K", std::nullopt},  // less than a byte
        {"", std::nullopt},
        {"K", std::nullopt},
        {"-5K", std::nullopt},
        {"200 K", std::nullopt},
        {"200X", std::nullopt},
        {"99999999999999999999", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseSizeLimit(c.text), c.bytes) << c.text;
    }
}

TEST(SizeLimitText, ShowsKilobytesOf1024Bytes) {
    EXPECT_EQ(kiloBytesText(0), "0 KB");
    EXPECT_EQ(kiloBytesText(1), "1 KB");
    EXPECT_EQ(kiloBytesText(250880), "245 KB");
    EXPECT_EQ(kiloBytesText(150 * 1024), "150 KB");
    EXPECT_EQ(kiloBytesText(150 * 1024 + 511), "150 KB");
    EXPECT_EQ(kiloBytesText(150 * 1024 + 512), "151 KB");
}

}  // namespace
}  // namespace vendrik
