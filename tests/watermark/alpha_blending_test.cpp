#include "watermark/alpha_blending.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "common/error.h"
#include "support/test_support.h"

namespace vendrik {
namespace {

using test::sameSurface;

constexpr std::uint32_t kKey = 0x808080;
const Bgr kKeyBgr = Surface::fromColorRef(kKey);
const Bgr kBackground{40, 90, 160};

Fixed4 fx(double v) {
    return *Fixed4::fromDouble(v);
}

// A source of distinct, never key-coloured pixels.
Surface patternSource(int w, int h) {
    Surface s(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            s.setPixel(
                x, y,
                {static_cast<std::uint8_t>(10 + 20 * x), static_cast<std::uint8_t>(5 + 17 * y),
                 static_cast<std::uint8_t>(200 - x - y)});
        }
    }
    return s;
}

Surface filled(int w, int h, Bgr c) {
    Surface s(w, h);
    s.fill(c);
    return s;
}

struct Call {
    Fixed4 angle{0};
    int centreX = 10;
    int centreY = 10;
    Fixed4 alpha{1};
    Fixed4 zoom{1};
    std::int16_t rotX = kRotationCentreNotGiven;
    std::int16_t rotY = kRotationCentreNotGiven;
};

void blend(Surface& dst, const Surface& src, Call& c) {
    RotAlphaBlend(dst, c.angle, c.centreX, c.centreY, src.width(), src.height(), src, kKey, c.alpha,
                  c.zoom, c.rotX, c.rotY);
}

// Angle 0, zoom 1, alpha 1: the source appears unchanged at `origin`, except
// its last column and row; everything else keeps the background.
struct IdentityCase {
    const char* name;
    int w, h;
    Call call;
    int originX, originY;  // where source pixel (0, 0) lands
};

class IdentityBlend : public testing::TestWithParam<IdentityCase> {};

TEST_P(IdentityBlend, DrawsSourceUnchangedExceptLastRowAndColumn) {
    IdentityCase p = GetParam();
    const Surface src = patternSource(p.w, p.h);
    Surface dst = filled(24, 24, kBackground);
    blend(dst, src, p.call);
    for (int y = 0; y < dst.height(); ++y) {
        for (int x = 0; x < dst.width(); ++x) {
            const int sx = x - p.originX;
            const int sy = y - p.originY;
            const bool drawn = sx >= 0 && sy >= 0 && sx < p.w - 1 && sy < p.h - 1;
            EXPECT_EQ(dst.pixel(x, y), drawn ? src.pixel(sx, sy) : kBackground)
                << "at " << x << "," << y;
        }
    }
}

// Square sides: 6 × 8 has the diagonal 10; 5 × 12 has 13 (odd differences
// put the source a pixel further left); 7 × 5 has floor(8.6) = 8. A given
// rotation centre x of 2 on 6 × 8 widens the square by 1 to 11, whose
// centring rounds 4.5 to the even 4.
INSTANTIATE_TEST_SUITE_P(Cases, IdentityBlend,
                         testing::Values(IdentityCase{"EvenSquare", 6, 8, {}, 7, 6},
                                         IdentityCase{"OddDifference", 5, 12, {}, 8, 4},
                                         IdentityCase{"WideSource", 7, 5, {}, 6, 7},
                                         IdentityCase{"GivenCentreWidensSquare", 6, 8,
                                                      Call{Fixed4(0), 10, 10, Fixed4(1), Fixed4(1),
                                                           2, kRotationCentreNotGiven},
                                                      6, 5}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RotAlphaBlend, RotationCentreMarksAreReplacedAndWrittenBack) {
    const Surface src = patternSource(5, 7);
    Surface dst = filled(20, 20, kBackground);
    Call both;
    blend(dst, src, both);
    EXPECT_EQ(both.rotX, 2);  // round(5 / 2) = round(2.5), ties to even
    EXPECT_EQ(both.rotY, 4);  // round(3.5)

    Call onlyX;
    onlyX.rotX = 1;
    blend(dst, src, onlyX);
    EXPECT_EQ(onlyX.rotX, 1);
    EXPECT_EQ(onlyX.rotY, 4);
}

TEST(RotAlphaBlend, InvisibleSourcesLeaveDestinationUnchanged) {
    const Surface pattern = patternSource(9, 6);
    const Surface allKey = filled(9, 6, kKeyBgr);
    const Surface original = patternSource(30, 30);
    for (const Surface* src : {&pattern, &allKey}) {
        Call c;
        c.angle = fx(0.7);
        c.zoom = fx(1.3);
        c.centreX = 15;
        c.centreY = 14;
        c.alpha = src == &allKey ? Fixed4(1) : Fixed4(0);
        Surface dst = original.clone();
        blend(dst, *src, c);
        EXPECT_TRUE(sameSurface(dst, original));
    }
}

TEST(RotAlphaBlend, SingleDrawnPixelAmongKeyPixelsBlendsAtItsOwnPlace) {
    Surface src = filled(5, 5, kKeyBgr);
    src.setPixel(2, 2, {10, 30, 200});
    const Bgr background{0, 0, 50};
    Surface dst = filled(20, 20, background);
    Call c;
    c.alpha = fx(0.45);
    blend(dst, src, c);
    // c = 7, left = top = round(10 - 3.5) = 6, offsets 1: (2, 2) lands on (9, 9).
    // 10 × 0.45 = 4.5 → 4 and 30 × 0.45 = 13.5 → 14 (ties to even);
    // 200 × 0.45 + 50 × 0.55 = 117.5 → 118.
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            const Bgr want = (x == 9 && y == 9) ? Bgr{4, 14, 118} : background;
            EXPECT_EQ(dst.pixel(x, y), want) << x << "," << y;
        }
    }
}

TEST(RotAlphaBlend, KeyNeighboursSmoothTheEdgeByTheirBilinearWeight) {
    // Zoom 2 maps output pixels to half-pixel source positions: a lone white
    // pixel gets neighbours with half and quarter weights.
    Surface src = filled(4, 4, kKeyBgr);
    src.setPixel(1, 1, {255, 255, 255});
    Surface dst = filled(20, 20, {0, 0, 0});
    Call c;
    c.zoom = Fixed4(2);
    blend(dst, src, c);
    // c = 10, left = top = 5, offsets 3, rotation centre (2, 2): source
    // (1, 1) lands on (8, 8). 0.5 × 255 = 127.5 → 128, 0.25 × 255 → 64.
    const int expected[3][3] = {{64, 128, 64}, {128, 255, 128}, {64, 128, 64}};
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            const bool near = x >= 7 && x <= 9 && y >= 7 && y <= 9;
            const int v = near ? expected[y - 7][x - 7] : 0;
            EXPECT_EQ(dst.pixel(x, y),
                      (Bgr{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v),
                           static_cast<std::uint8_t>(v)}))
                << x << "," << y;
        }
    }
}

TEST(RotAlphaBlend, PositiveAngleTurnsCounterClockwiseOnScreen) {
    // A horizontal bar, red with a blue right end, turned by about 90°: the
    // bar stands upright and its right end points up.
    Surface src = filled(21, 5, {0, 0, 255});
    for (int y = 0; y < 5; ++y) {
        for (int x = 15; x < 21; ++x) {
            src.setPixel(x, y, {255, 0, 0});
        }
    }
    Surface dst = filled(40, 40, {0, 0, 0});
    Call c;
    c.angle = fx(1.575);
    c.centreX = 20;
    c.centreY = 20;
    blend(dst, src, c);
    int blueCount = 0;
    int redCount = 0;
    long blueY = 0;
    long redY = 0;
    int minX = 40;
    int maxX = -1;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            const Bgr p = dst.pixel(x, y);
            const bool blue = p.b > 200 && p.r < 50;
            const bool red = p.r > 200 && p.b < 50;
            blueCount += blue ? 1 : 0;
            blueY += blue ? y : 0;
            redCount += red ? 1 : 0;
            redY += red ? y : 0;
            if (blue || red) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
        }
    }
    ASSERT_GT(blueCount, 0);
    ASSERT_GT(redCount, 0);
    EXPECT_LT(blueY / blueCount + 5, redY / redCount);  // the right end is now on top
    EXPECT_LE(maxX - minX, 6);  // upright: about as wide as the bar was high
}

TEST(RotAlphaBlend, SquareBeyondTheEdgesIsClippedAsIfTheDestinationWereLarger) {
    const Surface src = patternSource(12, 7);
    Surface small = filled(20, 16, kBackground);
    Surface large = filled(60, 56, kBackground);
    Call a;
    a.angle = fx(0.7);
    a.alpha = fx(0.6);
    a.centreX = 1;
    a.centreY = 2;
    Call b = a;
    b.centreX += 20;
    b.centreY += 20;
    blend(small, src, a);
    blend(large, src, b);
    int changed = 0;
    for (int y = 0; y < small.height(); ++y) {
        for (int x = 0; x < small.width(); ++x) {
            ASSERT_EQ(small.pixel(x, y), large.pixel(x + 20, y + 20)) << x << "," << y;
            changed += small.pixel(x, y) != kBackground ? 1 : 0;
        }
    }
    EXPECT_GT(changed, 10);
}

TEST(RotAlphaBlend, BottomUpDestinationViewGivesTheSameResult) {
    const Surface src = patternSource(12, 7);
    Surface topDown = filled(30, 30, kBackground);
    std::vector<std::uint8_t> memory(30 * 30 * 3);
    // Row 0 at the end of the memory, as a bottom-up bitmap keeps it.
    Surface bottomUp = Surface::view(memory.data() + 29 * 90, 30, 30, -90);
    bottomUp.fill(kBackground);
    Call a;
    a.angle = fx(2.1);
    a.alpha = fx(0.45);
    a.centreX = 14;
    a.centreY = 13;
    Call b = a;
    blend(topDown, src, a);
    blend(bottomUp, src, b);
    EXPECT_TRUE(sameSurface(topDown, bottomUp));
}

struct FaultCase {
    const char* name;
    int w, h;  // the source's own size is max(1, w) × max(1, h) unless `smallSource`
    Call call;
    BlendErrc errc;
    bool smallSource = false;
};

class RotAlphaBlendFault : public testing::TestWithParam<FaultCase> {};

TEST_P(RotAlphaBlendFault, AbandonsTheCallAndLeavesTheDestinationUnchanged) {
    FaultCase p = GetParam();
    const Surface src = p.smallSource ? patternSource(3, 3) : patternSource(p.w, p.h);
    const Surface original = patternSource(40, 40);
    Surface dst = original.clone();
    try {
        RotAlphaBlend(dst, p.call.angle, p.call.centreX, p.call.centreY, p.w, p.h, src, kKey,
                      p.call.alpha, p.call.zoom, p.call.rotX, p.call.rotY);
        ADD_FAILURE() << "no error";
    } catch (const VendrikError& e) {
        EXPECT_EQ(e.number(), static_cast<int>(p.errc));
        EXPECT_EQ(e.source(), "AlphaBlending");
    }
    EXPECT_TRUE(sameSurface(dst, original));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RotAlphaBlendFault,
    testing::Values(
        FaultCase{"AlphaAboveOne", 8, 6, Call{Fixed4(0), 20, 20, Fixed4::fromRaw(10'001)},
                  BlendErrc::Overflow},
        FaultCase{"AlphaBelowZero", 8, 6, Call{Fixed4(0), 20, 20, Fixed4::fromRaw(-1)},
                  BlendErrc::Overflow},
        FaultCase{"ZoomZero", 8, 6, Call{Fixed4(0), 20, 20, Fixed4(1), Fixed4(0)},
                  BlendErrc::DivisionByZero},
        // Turned by 90° about a far-away rotation centre the source
        // positions pass 32 767.
        FaultCase{"CoordinateBeyond16Bits", 8, 6,
                  Call{Fixed4::fromRaw(15750), 20, 20, Fixed4(1), Fixed4(1), 30000, 30000},
                  BlendErrc::Overflow},
        FaultCase{"SourceSmallerThanSaid", 8, 6, Call{}, BlendErrc::InvalidCall, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RotAlphaBlend, SourceWiderThanSixteenBitsIsAnOverflow) {
    const Surface src = patternSource(2, 2);
    Surface dst = filled(10, 10, kBackground);
    Call c;
    EXPECT_THROW(
        RotAlphaBlend(dst, c.angle, 5, 5, 70'000, 2, src, kKey, c.alpha, c.zoom, c.rotX, c.rotY),
        VendrikError);
}

}  // namespace
}  // namespace vendrik
