// The search for the highest quality whose file fits, on encoders whose
// sizes are known, and the sizes the command line and the window read.

#include "optimiser/size_target.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

namespace vendrik {
namespace {

// A stand-in encoder whose file at quality q has size(q) bytes, filled with
// q so that the file returned can be told apart.
struct FakeEncoder {
    std::function<std::uint64_t(int)> size;
    std::set<int> tried;
    EncodeAtQuality encoder() {
        return [this](int q) -> Result<EncodedFile> {
            EXPECT_TRUE(tried.insert(q).second) << "quality " << q << " encoded twice";
            return EncodedFile{std::vector<std::uint8_t>(size(q), static_cast<std::uint8_t>(q)),
                               {}};
        };
    }
};

// A photograph's sizes: growing by a few percent a step, steeper near 95.
std::uint64_t photoSize(int q) {
    return static_cast<std::uint64_t>(60000 * std::exp(0.025 * (q - 40)) +
                                      (q > 85 ? 9000.0 * (q - 85) * (q - 85) : 0));
}

// The highest quality up to `cap` whose size fits, by trying them all.
std::optional<int> bruteForce(const std::function<std::uint64_t(int)>& size, std::uint64_t max,
                              int cap) {
    std::optional<int> best;
    for (int q = kSizeSearchLowest; q <= cap; ++q) {
        if (size(q) <= max) {
            best = q;
        }
    }
    return best;
}

TEST(EncodeWithinSize, FindsTheHighestFittingQualityUnderTheCapForEveryLimit) {
    int worstTrials = 0;
    for (std::uint64_t max = 20000; max <= 1000000; max += 17389) {
        for (int cap : {40, 60, 80, 95}) {
            FakeEncoder fake{photoSize, {}};
            const Result<SizedEncoding> sized =
                encodeWithinSize(max, {kSizeSearchLowest, cap}, cap, fake.encoder());
            ASSERT_TRUE(sized);
            const SizedEncoding& got = *sized;
            const auto expected = bruteForce(photoSize, max, cap);
            ASSERT_EQ(got.fits, expected.has_value()) << max;
            EXPECT_EQ(got.quality, expected.value_or(kSizeSearchLowest)) << max << " " << cap;
            // A picture that fits at the cap costs one encode, the plain
            // run's own.
            if (photoSize(cap) <= max) {
                EXPECT_EQ(got.trials, 1) << max << " " << cap;
            }
            ASSERT_FALSE(got.file.bytes.empty());
            EXPECT_EQ(got.file.bytes.front(), got.quality) << "the file of another quality";
            EXPECT_EQ(got.file.bytes.size(), photoSize(got.quality));
            EXPECT_EQ(got.trials, static_cast<int>(fake.tried.size()));
            // Its neighbour above was encoded and seen not to fit.
            if (got.fits && got.quality < cap) {
                EXPECT_TRUE(fake.tried.contains(got.quality + 1)) << max;
            }
            worstTrials = std::max(worstTrials, got.trials);
        }
    }
    // Aiming at the limit: a blind halving of the 86 qualities from the
    // ends would take 7 plus the two ends, every time.
    EXPECT_LE(worstTrials, 8);
}

TEST(EncodeWithinSize, EndsOfTheRange) {
    struct Case {
        const char* name;
        std::uint64_t max;
        int quality;
        bool fits;
    };
    // The slider stands at 80: the cap.
    const Case cases[] = {
        {"everything fits: the slider's 80", 10'000'000, 80, true},
        {"nothing fits: 10, marked", 1000, 10, false},
        {"exactly the size at 10", photoSize(10), 10, true},
        {"exactly the size at 80", photoSize(80), 80, true},
        {"one byte short of 80", photoSize(80) - 1, 79, true},
        {"below the slider's range", photoSize(25), 25, true},
    };
    for (const Case& c : cases) {
        FakeEncoder fake{photoSize, {}};
        const Result<SizedEncoding> got =
            encodeWithinSize(c.max, {kSizeSearchLowest, 80}, 80, fake.encoder());
        ASSERT_TRUE(got) << c.name;
        EXPECT_EQ(got->quality, c.quality) << c.name;
        EXPECT_EQ(got->fits, c.fits) << c.name;
        EXPECT_EQ(got->file.bytes.size(), photoSize(c.quality)) << c.name;
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
        const Result<SizedEncoding> got =
            encodeWithinSize(max, {kSizeSearchLowest, kQualityMax}, 80, fake.encoder());
        ASSERT_TRUE(got && got->fits) << max;
        EXPECT_LE(got->file.bytes.size(), max);
        if (got->quality < kQualityMax) {
            EXPECT_GT(bumpy(got->quality + 1), max) << max;
        }
    }
}

TEST(EncodeWithinSize, AFailingEncodeEndsTheSearchWithItsReason) {
    int calls = 0;
    const Result<SizedEncoding> got =
        encodeWithinSize(100000, {}, 80, [&calls](int) -> Result<EncodedFile> {
            ++calls;
            return Failure{"Bild kann nicht kodiert werden"};
        });
    EXPECT_FALSE(got);
    EXPECT_EQ(got.reason(), "Bild kann nicht kodiert werden");
    EXPECT_EQ(calls, 1);
}

// An output format whose file size depends on quality, sampling and
// compression only: 4:2:0 takes 60 % of the bytes 4:4:4 takes at the same
// quality, the strong compression 80 %. The file's first byte holds the
// sampling it was made with, its last the compression, so that the answer
// can be told.
class SizedFormat final : public OutputFormat {
public:
    // `sampled`: whether the format stores colour as EncodeSettings says; a
    // format that does not always writes the 4:4:4 sizes.
    // `compressing`: whether the strong compression is the format's own,
    // which keeps the slider's rule at 4:2:0 up to 89.
    explicit SizedFormat(bool sampled = true, bool compressing = false)
        : m_sampled(sampled), m_compressing(compressing) {}

    [[nodiscard]] std::string_view name() const noexcept override {
        return "Probe";
    }
    [[nodiscard]] std::string_view ending() const noexcept override {
        return ".probe";
    }
    [[nodiscard]] bool choosesSampling() const noexcept override {
        return m_sampled;
    }
    [[nodiscard]] bool compresses() const noexcept override {
        return m_compressing;
    }
    [[nodiscard]] std::size_t encodeBytesPerPictureByte() const noexcept override {
        return 0;
    }
    [[nodiscard]] Result<EncodedFile> encode(const Surface&, const EncodeSettings& s,
                                             const MetadataSegments& metadata,
                                             const EncodeProgress&) const override {
        const bool strong = s.compression == JpegCompression::Strong;
        const double share =
            (s.sampling == Sampling::Best || !m_sampled ? 1.0 : 0.6) * (strong ? 0.8 : 1.0);
        const auto size =
            static_cast<std::size_t>(static_cast<double>(photoSize(s.quality)) * share);
        EncodedFile f{std::vector<std::uint8_t>(size + metadata.exif.size(),
                                                s.sampling == Sampling::Best ? 44 : 20),
                      {}};
        f.bytes.back() = strong ? 2 : 1;
        return f;
    }

private:
    bool m_sampled;
    bool m_compressing;
};

// A format whose files do not depend on the sampling is searched once: a
// second search at 4:2:0 would encode the same files again.
TEST(EncodeWithinLimit, AFormatWithoutASamplingChoiceIsSearchedOnce) {
    const Surface picture(8, 8);
    for (const std::uint64_t max :
         {photoSize(75), photoSize(50), photoSize(kSizeSearchLowest) / 2}) {
        int sampled = 0;
        int unsampled = 0;
        const Result<SizedEncoding> twice =
            encodeWithinLimit(SizedFormat(true), picture, 80, std::nullopt,
                              JpegCompression::Standard, {}, max, [&sampled] { ++sampled; });
        const Result<SizedEncoding> once =
            encodeWithinLimit(SizedFormat(false), picture, 80, std::nullopt,
                              JpegCompression::Standard, {}, max, [&unsampled] { ++unsampled; });
        ASSERT_TRUE(twice && once) << max;
        EXPECT_EQ(unsampled, once->trials) << max;
        EXPECT_LE(once->trials, sampled) << max;
        if (max == photoSize(50)) {
            EXPECT_EQ(once->quality, 50);
            EXPECT_GT(sampled, twice->trials);  // the 4:2:0 search after the first
        }
        EXPECT_EQ(once->fits, max >= photoSize(kSizeSearchLowest)) << max;
        if (once->fits) {
            EXPECT_LE(once->file.bytes.size(), max) << max;
        }
    }
}

TEST(EncodeWithinLimit, TheSlidersRuleGoesOnAt420WhereOnlyALowQualityFits) {
    const SizedFormat format;
    const Surface picture(8, 8);
    struct Case {
        const char* name;
        std::uint64_t max;
        int start;
        std::optional<Sampling> chosen;
        Sampling expected;
    };
    const Case cases[] = {
        // photoSize(75) fits at 4:4:4: the rule keeps it.
        {"fits at 75, 4:4:4", photoSize(75), 80, std::nullopt, Sampling::Best},
        // At 4:4:4 only 50 would fit; 4:2:0 reaches a higher quality.
        {"only 50 at 4:4:4", photoSize(50), 80, std::nullopt, Sampling::Faster},
        // Nothing fits at 4:4:4, not even at 10; 4:2:0 does.
        {"nothing at 4:4:4", photoSize(10) * 7 / 10, 80, std::nullopt, Sampling::Faster},
        // Nothing fits at all: the smaller file at 10 is the 4:2:0 one.
        {"nothing at all", photoSize(10) / 2, 80, std::nullopt, Sampling::Faster},
        // A start below 70 follows the rule at 4:2:0 from the first trial.
        {"start 60", photoSize(75), 60, std::nullopt, Sampling::Faster},
        // The user's choice holds at every quality tried.
        {"4:4:4 chosen", photoSize(50), 80, Sampling::Best, Sampling::Best},
        {"4:2:0 chosen", photoSize(90), 80, Sampling::Faster, Sampling::Faster},
    };
    for (const Case& c : cases) {
        int trials = 0;
        const Result<SizedEncoding> got = encodeWithinLimit(
            format, picture, c.start, c.chosen, JpegCompression::Standard, {}, c.max,
            [&trials] { ++trials; });
        ASSERT_TRUE(got) << c.name;
        EXPECT_EQ(got->file.bytes.front(), c.expected == Sampling::Best ? 44 : 20) << c.name;
        // Every encode is heard of; a second search at 4:2:0 adds its own.
        const bool secondSearch = !c.chosen && c.start >= 70 && c.expected == Sampling::Faster;
        EXPECT_EQ(trials > got->trials, secondSearch) << c.name;
    }
    // Without a choice, the answer is the higher of the two qualities.
    const Result<SizedEncoding> rule =
        encodeWithinLimit(format, picture, 80, std::nullopt, JpegCompression::Standard, {},
                          photoSize(50), {});
    const Result<SizedEncoding> best = encodeWithinLimit(
        format, picture, 80, Sampling::Best, JpegCompression::Standard, {}, photoSize(50), {});
    ASSERT_TRUE(rule && best);
    EXPECT_GT(rule->quality, best->quality);
}

// With the strong compression of a format that has it, the rule keeps
// 4:2:0 up to 89, at the first trial and where only a lower quality fits.
TEST(EncodeWithinLimit, TheStrongRuleKeeps420UpTo89) {
    const Surface picture(8, 8);
    struct Case {
        const char* name;
        bool compressing;
        int start;
        std::uint64_t max;
        Sampling expected;
        bool secondSearch;
    };
    const Case cases[] = {
        {"80 fits", true, 80, photoSize(95), Sampling::Faster, false},
        {"90 fits", true, 90, photoSize(95), Sampling::Best, false},
        {"95, only 83 at 4:4:4", true, 95, photoSize(75), Sampling::Faster, true},
        {"not the format's", false, 80, photoSize(95), Sampling::Best, false},
    };
    for (const Case& c : cases) {
        int trials = 0;
        const Result<SizedEncoding> got = encodeWithinLimit(
            SizedFormat(true, c.compressing), picture, c.start, std::nullopt,
            JpegCompression::Strong, {}, c.max, [&trials] { ++trials; });
        ASSERT_TRUE(got && got->fits) << c.name;
        EXPECT_EQ(got->file.bytes.front(), c.expected == Sampling::Best ? 44 : 20) << c.name;
        EXPECT_EQ(trials > got->trials, c.secondSearch) << c.name;
    }
}

// The compression reaches every trial, and a mode that writes fewer bytes
// for a quality fits the same limit at a higher one.
TEST(EncodeWithinLimit, EveryTrialUsesTheRunsCompression) {
    const SizedFormat format;
    const Surface picture(8, 8);
    std::map<JpegCompression, int> quality;
    for (const JpegCompression mode : {JpegCompression::Standard, JpegCompression::Strong}) {
        for (const std::optional<Sampling> chosen :
             {std::optional<Sampling>(), std::optional(Sampling::Best)}) {
            const Result<SizedEncoding> got =
                encodeWithinLimit(format, picture, 80, chosen, mode, {}, photoSize(75), {});
            ASSERT_TRUE(got && got->fits);
            EXPECT_EQ(got->file.bytes.back(), mode == JpegCompression::Strong ? 2 : 1);
            quality[mode] = got->quality;
        }
    }
    EXPECT_GT(quality[JpegCompression::Strong], quality[JpegCompression::Standard]);
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
