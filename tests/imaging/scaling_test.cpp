// The fit rule and the drawing it leads to.

#include "imaging/scaling.h"

#include <gtest/gtest.h>

#include "imaging/surface_ops.h"
#include "support/test_support.h"

namespace vendrik {
namespace {

struct FitCase {
    const char* name;
    int w, h;      // the picture
    BoxSize box;   // the target box (width, height)
    BoxSize want;  // the scaled size (width, height)
};

class FitPictureSize : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitPictureSize, ShrinksTheBoxInOneDirection) {
    const FitCase& c = GetParam();
    EXPECT_EQ(fitPictureSize(c.w, c.h, c.box), c.want);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, FitPictureSize,
    ::testing::Values(
        // The 160 × 120 box.
        FitCase{"SameAspect", 800, 600, {160, 120}, {160, 120}},
        FitCase{"Wide", 1000, 500, {160, 120}, {160, 80}},
        FitCase{"TooHighAtFullWidth", 1000, 900, {160, 120}, {133, 120}},
        FitCase{"Portrait", 600, 800, {160, 120}, {90, 120}},
        FitCase{"SquareIsLandscape", 500, 500, {160, 120}, {120, 120}},
        FitCase{"SmallIsEnlarged", 80, 60, {160, 120}, {160, 120}},
        // "480 x 640": 480 high, 640 wide.
        FitCase{"Landscape4000x3000", 4000, 3000, {640, 480}, {640, 480}},
        FitCase{"Portrait3000x4000", 3000, 4000, {640, 480}, {360, 480}},
        FitCase{"Enlarged320x240", 320, 240, {640, 480}, {640, 480}},
        // "1024 x 1280" with a phone photo shown upright.
        FitCase{"UprightPhone", 3000, 4000, {1280, 1024}, {768, 1024}},
        // A portrait picture too wide at full height takes the full width.
        FitCase{"PortraitTooWide", 900, 1000, {100, 200}, {100, 111}},
        // Halves round to the even neighbour: 3 × 10 / 4 = 7.5 gives 8,
        // 2 × 9 / 4 = 4.5 gives 4; other fractions to the nearest.
        FitCase{"HalfUpToEven", 4, 3, {10, 100}, {10, 8}},
        FitCase{"HalfDownToEven", 4, 2, {9, 100}, {9, 4}},
        FitCase{"FractionDown", 2, 5, {100, 3}, {1, 3}},
        // A sliver keeps one pixel instead of vanishing.
        FitCase{"Sliver", 10000, 1, {160, 120}, {160, 1}},
        FitCase{"EmptyBox", 800, 600, {0, 120}, {0, 0}},
        FitCase{"EmptyPicture", 0, 600, {160, 120}, {0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FitLoadedPicture, ReducesByAreaAveraging) {
    // A 4 × 2 picture of two-pixel stripes becomes 2 × 1 of their means.
    LoadedPicture p;
    p.width = 4;
    p.height = 2;
    p.pixels = Surface(4, 2);
    for (int x = 0; x < 4; ++x) {
        const auto v = static_cast<std::uint8_t>(x < 2 ? 10 * (x + 1) : 200);
        p.pixels.setPixel(x, 0, {v, v, v});
        p.pixels.setPixel(x, 1, {static_cast<std::uint8_t>(v + 2), v, v});
    }
    const Surface out = fitLoadedPicture(p, {2, 100});
    ASSERT_EQ(out.width(), 2);
    ASSERT_EQ(out.height(), 1);
    EXPECT_EQ(out.pixel(0, 0), (Bgr{16, 15, 15}));
    EXPECT_EQ(out.pixel(1, 0), (Bgr{201, 200, 200}));
}

TEST(FitLoadedPicture, UsesTheOwnSizeWhenPixelsWereDecodedSmaller) {
    // A picture of 4000 × 3000 decoded at 1500 × 1125 still fits by its own
    // size, and the whole decoded surface is drawn.
    LoadedPicture p;
    p.width = 4000;
    p.height = 3000;
    p.pixels = Surface(1500, 1125);
    p.pixels.fill({1, 2, 3});
    const Surface out = fitLoadedPicture(p, {1280, 1024});
    EXPECT_EQ(out.width(), 1280);
    EXPECT_EQ(out.height(), 960);
    EXPECT_EQ(out.pixel(1279, 959), (Bgr{1, 2, 3}));
}

struct TransformCase {
    const char* name;
    Transform t;
    int w, h;
    // Where the source's top-left, top-right and bottom-left pixels go.
    int tlx, tly, trx, try_, blx, bly;
};

class Transforms : public ::testing::TestWithParam<TransformCase> {};

TEST_P(Transforms, MapCornersExactly) {
    const TransformCase& c = GetParam();
    Surface src(4, 3);
    src.setPixel(0, 0, {1, 0, 0});
    src.setPixel(3, 0, {2, 0, 0});
    src.setPixel(0, 2, {3, 0, 0});
    const Surface out = transformed(src, c.t);
    ASSERT_EQ(out.width(), c.w);
    ASSERT_EQ(out.height(), c.h);
    EXPECT_EQ(out.pixel(c.tlx, c.tly).b, 1);
    EXPECT_EQ(out.pixel(c.trx, c.try_).b, 2);
    EXPECT_EQ(out.pixel(c.blx, c.bly).b, 3);
}

INSTANTIATE_TEST_SUITE_P(
    Orientations, Transforms,
    ::testing::Values(TransformCase{"Identity", Transform::Identity, 4, 3, 0, 0, 3, 0, 0, 2},
                      TransformCase{"MirrorLeftRight", Transform::MirrorLeftRight, 4, 3, 3, 0, 0, 0, 3, 2},
                      TransformCase{"Rotate180", Transform::Rotate180, 4, 3, 3, 2, 0, 2, 3, 0},
                      TransformCase{"MirrorTopBottom", Transform::MirrorTopBottom, 4, 3, 0, 2, 3, 2, 0, 0},
                      TransformCase{"Transpose", Transform::Transpose, 3, 4, 0, 0, 0, 3, 2, 0},
                      TransformCase{"RotateClockwise", Transform::RotateClockwise, 3, 4, 2, 0, 2, 3, 0, 0},
                      TransformCase{"Transverse", Transform::Transverse, 3, 4, 2, 3, 2, 0, 0, 3},
                      TransformCase{"RotateAnticlockwise", Transform::RotateAnticlockwise, 3, 4, 0, 3, 0, 0, 2, 3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CopyPictureToBox, KeepsSizeAndPixels) {
    // A 3 × 2 BMP, bottom-up: the loader turns it upright unchanged.
    const std::vector<std::uint8_t> bmp = {
        'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0,
        24, 0, 0, 0, 0, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0,  // bottom row
        10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0};
    test::TempDir dir;
    test::writeFileBytes(dir.file("p.bmp"), bmp);
    const Result<Surface> out = CopyPictureToBox(dir.file("p.bmp"));
    ASSERT_TRUE(out) << out.reason();
    ASSERT_EQ(out->width(), 3);
    ASSERT_EQ(out->height(), 2);
    EXPECT_EQ(out->pixel(0, 0), (Bgr{10, 11, 12}));
    EXPECT_EQ(out->pixel(2, 1), (Bgr{7, 8, 9}));

    const Result<Surface> missing = FitPictureToBox(dir.file("missing.bmp"), {160, 120});
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.reason(), "Datei nicht gefunden");
    const Result<Surface> empty = FitPictureToBox(dir.file("p.bmp"), {0, 120});
    EXPECT_FALSE(empty);
    EXPECT_NE(empty.reason().find("leer"), std::string::npos) << empty.reason();
}

TEST(ReadRect, OutsidePixelsReadBlack) {
    Surface src(2, 2);
    src.fill({9, 9, 9});
    const Surface r = readRect(src, 1, -1, 3, 3);
    EXPECT_EQ(r.pixel(0, 0), (Bgr{}));
    EXPECT_EQ(r.pixel(0, 1), (Bgr{9, 9, 9}));
    EXPECT_EQ(r.pixel(0, 2), (Bgr{9, 9, 9}));
    EXPECT_EQ(r.pixel(1, 1), (Bgr{}));
}

}  // namespace
}  // namespace vendrik
