// Rate–distortion optimised quantisation of a block: it finds the cheapest
// choice (checked against trying every choice), and its limits are plain
// rounding and dropping everything.

#include "jpeg/trellis_quantiser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "jpeg/scan_coding.h"

namespace vendrik::jpeg {
namespace {

// Rates of a made-up table: short codes for short runs and small sizes, as
// in photographs, and a few symbols that have no code at all.
AcRates someRates(unsigned seed) {
    std::mt19937 random(seed);
    AcRates r;
    for (int run = 0; run < 16; ++run) {
        for (int size = 0; size <= 10; ++size) {
            const float base =
                2.0F + static_cast<float>(run) * 0.6F + static_cast<float>(size) * 0.8F;
            r.bits[static_cast<std::size_t>(run * 16 + size)] =
                base + static_cast<float>(random() % 3);
        }
    }
    r.bits[0x00] = 3.0F;  // end of block
    r.bits[0xF0] = 9.0F;  // sixteen zeros
    return r;
}

struct Block {
    std::array<std::int16_t, 64> fine{};
    std::array<float, 64> inverseStep{};
    std::array<float, 64> weight{};
};

// What the search minimises, computed the slow way: Σ weight · (x − v)²
// over all positions plus λ · the bits codeBlock() would send.
double costOf(const Block& b, const std::array<std::int16_t, 64>& values, const AcRates& rates,
              float lambda) {
    double distortion = 0;
    for (std::size_t k = 1; k < 64; ++k) {
        const double x = b.fine[k] * static_cast<double>(b.inverseStep[k]);
        const double e = x - values[k];
        distortion += b.weight[k] * e * e;
    }
    struct BitCounter {
        const AcRates* rates;
        double bits = 0;
        void dc(int, std::uint32_t) {}
        void ac(int symbol, std::uint32_t, int length) {
            bits += rates->bits[static_cast<std::size_t>(symbol)] + length;
        }
    } counter{&rates};
    int pred = values[0];
    codeBlock(values.data(), pred, counter);
    return distortion + lambda * counter.bits;
}

std::array<std::int16_t, 64> trellis(const Block& b, const AcRates& rates, float lambda) {
    std::array<std::int16_t, 64> out{};
    trellisQuantiseAc(b.fine.data(), b.inverseStep.data(), rates, {b.weight.data(), lambda},
                      out.data());
    return out;
}

// A block with `candidates` positions whose values round to 1 or more,
// the others below 0.5.
Block randomBlock(std::mt19937& random, int candidates) {
    Block b;
    for (std::size_t k = 0; k < 64; ++k) {
        const int q = 1 + static_cast<int>(random() % 40);
        b.inverseStep[k] = 1.0F / (16.0F * static_cast<float>(q));
        b.weight[k] = 0.5F + static_cast<float>(random() % 100) / 50.0F;
        // Below half a step: never worth sending.
        b.fine[k] = static_cast<std::int16_t>(static_cast<int>(random() % (8 * q)) - 4 * q + 1);
    }
    for (int n = 0; n < candidates; ++n) {
        const std::size_t k = 1 + random() % 63;
        const int q = static_cast<int>(std::lround(1.0F / (16.0F * b.inverseStep[k])));
        const double x = 0.5 + (random() % 1000) / 1000.0 * (random() % 4 == 0 ? 40 : 4);
        const int sign = random() % 2 == 0 ? 1 : -1;
        b.fine[k] = static_cast<std::int16_t>(sign * std::lround(x * 16 * q));
    }
    return b;
}

TEST(TrellisQuantiser, FindsTheCheapestChoice) {
    std::mt19937 random(42);
    for (int trial = 0; trial < 300; ++trial) {
        const Block b = randomBlock(random, 1 + trial % 7);
        const AcRates rates = someRates(static_cast<unsigned>(trial));
        const float lambda = std::array{0.02F, 0.2F, 1.0F, 5.0F}[trial % 4];
        const auto chosen = trellis(b, rates, lambda);

        // Every choice among: zero, the nearest value, the largest value of
        // the next smaller size, at each position that rounds to 1 or more.
        std::vector<std::size_t> positions;
        std::vector<std::array<int, 3>> options;
        for (std::size_t k = 1; k < 64; ++k) {
            const double x = std::fabs(b.fine[k] * static_cast<double>(b.inverseStep[k]));
            if (x >= 0.5) {
                const int nearest = std::max(1, static_cast<int>(std::nearbyint(x)));
                const int size = std::bit_width(static_cast<unsigned>(nearest));
                positions.push_back(k);
                options.push_back({0, nearest, size > 1 ? (1 << (size - 1)) - 1 : 0});
            }
        }
        double best = std::numeric_limits<double>::max();
        const std::size_t n = positions.size();
        std::size_t combinations = 1;
        for (std::size_t i = 0; i < n; ++i) combinations *= 3;
        for (std::size_t code = 0; code < combinations; ++code) {
            std::array<std::int16_t, 64> values{};
            std::size_t rest = code;
            for (std::size_t i = 0; i < n; ++i) {
                const int v = options[i][rest % 3];
                rest /= 3;
                values[positions[i]] = static_cast<std::int16_t>(b.fine[positions[i]] < 0 ? -v : v);
            }
            best = std::min(best, costOf(b, values, rates, lambda));
        }
        EXPECT_NEAR(costOf(b, chosen, rates, lambda), best, 1e-3 * std::max(1.0, best))
            << "trial " << trial;
        // Nothing below half a step is ever sent.
        for (std::size_t k = 1; k < 64; ++k) {
            if (std::find(positions.begin(), positions.end(), k) == positions.end()) {
                EXPECT_EQ(chosen[k], 0) << "trial " << trial << " position " << k;
            }
        }
    }
}

TEST(TrellisQuantiser, FreeBitsRoundToNearestAndDearBitsDropEverything) {
    std::mt19937 random(7);
    const AcRates rates = someRates(1);
    for (int trial = 0; trial < 50; ++trial) {
        const Block b = randomBlock(random, 20);
        const auto free = trellis(b, rates, 0.0F);
        const auto dear = trellis(b, rates, 1e9F);
        for (std::size_t k = 1; k < 64; ++k) {
            const float x = static_cast<float>(b.fine[k]) * b.inverseStep[k];
            const float nearest = std::nearbyint(x);
            // At exactly half a step either neighbour is as near.
            if (std::fabs(std::fabs(x - std::trunc(x)) - 0.5F) > 1e-4F) {
                EXPECT_EQ(free[k], nearest) << "position " << k << " x " << x;
            }
            EXPECT_EQ(dear[k], 0);
        }
    }
}

TEST(TrellisQuantiser, LeavesDcAndKeepsSigns) {
    Block b;
    b.inverseStep.fill(1.0F / 16.0F);
    b.weight.fill(1.0F);
    b.fine[1] = -16 * 9;
    b.fine[5] = 16 * 3;
    std::array<std::int16_t, 64> out{};
    out[0] = 123;
    trellisQuantiseAc(b.fine.data(), b.inverseStep.data(), someRates(3), {b.weight.data(), 0.0F},
                      out.data());
    EXPECT_EQ(out[0], 123);
    EXPECT_EQ(out[1], -9);
    EXPECT_EQ(out[5], 3);
}

TEST(TrellisQuantiser, RatesComeFromTheCodeLengths) {
    HuffmanTableSlot slot;
    slot.length.fill(0);
    slot.length[0x01] = 2;
    slot.length[0x00] = 4;
    slot.length[0xF0] = 11;
    const AcRates r = acRatesOf(slot);
    EXPECT_EQ(r.bits[0x01], 2.0F);
    EXPECT_EQ(r.bits[0x00], 4.0F);
    // A symbol without a code costs more than the longest code there is.
    EXPECT_EQ(r.bits[0x35], 13.0F);
}

// λ follows the block's texture: the DC (any brightness) does not count,
// the AC energy raises it linearly, and the ceiling holds for noise.
TEST(TrellisQuantiser, TextureRaisesLambdaUpToTheCeiling) {
    constexpr MaskedLambda kM{0.03F, 100.0F, 0.3F};
    struct Row {
        std::int16_t dc;
        std::int16_t ac;  // every AC coefficient, in table units
        float lambda;
    };
    for (const Row& r :
         {Row{0, 0, 0.03F}, Row{1000, 0, 0.03F}, Row{0, 10, 0.06F}, Row{0, -10, 0.06F},
          Row{-500, 20, 0.15F}, Row{0, 40, 0.3F}, Row{0, 2047, 0.3F}}) {
        std::array<std::int16_t, 64> fine{};
        fine.fill(static_cast<std::int16_t>(16 * r.ac));
        fine[0] = static_cast<std::int16_t>(16 * r.dc);
        EXPECT_NEAR(blockLambda(fine.data(), kM), r.lambda, 1e-5F) << r.dc << " " << r.ac;
    }
}

}  // namespace
}  // namespace vendrik::jpeg
