// cImage: DIB layout, palettes and the copying operations.

#include "imaging/cImage.h"

#include <gtest/gtest.h>

namespace vendrik {
namespace {

struct ScanLineCase {
    int width;
    int bits;
    int bytes;
};

class BytesPerScanLine : public ::testing::TestWithParam<ScanLineCase> {};

TEST_P(BytesPerScanLine, RowsArePaddedToFourBytes) {
    const ScanLineCase& c = GetParam();
    cImage img;
    ASSERT_TRUE(img.Create(c.width, 2, c.bits));
    EXPECT_EQ(img.BytesPerScanLine(), c.bytes);
    EXPECT_EQ(img.header().sizeImage, static_cast<std::uint32_t>(2 * c.bytes));
}

INSTANTIATE_TEST_SUITE_P(Layout, BytesPerScanLine,
                         ::testing::Values(ScanLineCase{1, 1, 4}, ScanLineCase{1, 4, 4},
                                           ScanLineCase{1, 8, 4}, ScanLineCase{1, 24, 4},
                                           ScanLineCase{5, 24, 16}, ScanLineCase{33, 1, 8},
                                           ScanLineCase{9, 4, 8}, ScanLineCase{5, 8, 8}),
                         [](const auto& info) {
                             return "Width" + std::to_string(info.param.width) + "At" +
                                    std::to_string(info.param.bits) + "Bits";
                         });

TEST(cImageCreate, RefusesOtherBitCountsAndStaysEmpty) {
    for (const int bits : {0, 2, 16, 32}) {
        cImage img;
        EXPECT_FALSE(img.Create(4, 4, bits)) << bits;
        EXPECT_TRUE(img.empty());
        EXPECT_EQ(img.DIBitsPtr(), nullptr);
        EXPECT_TRUE(img.hDC().empty());
    }
}

TEST(cImageCreate, IndexedImagesStartWithTheGreyRamp) {
    cImage four;
    ASSERT_TRUE(four.Create(3, 3, 4));
    const auto table = four.colorTable();
    ASSERT_EQ(table.size(), 16U);
    for (int i = 0; i < 16; ++i) {
        const auto v = static_cast<std::uint8_t>(17 * i);
        EXPECT_EQ(table[static_cast<std::size_t>(i)], (Bgr{v, v, v}));
    }
    cImage one;
    ASSERT_TRUE(one.Create(3, 3, 1));
    EXPECT_EQ(one.colorTable(), (std::vector<Bgr>{{0, 0, 0}, {255, 255, 255}}));
    cImage rgb;
    ASSERT_TRUE(rgb.Create(3, 3, 24));
    EXPECT_TRUE(rgb.colorTable().empty());
}

TEST(cImageLayout, MemoryIsBottomUpBgr) {
    cImage img;
    ASSERT_TRUE(img.Create(2, 3, 24));
    Surface dc = img.hDC();
    dc.setPixel(1, 0, {1, 2, 3});  // top row, right pixel
    // The top row is the last stored row; pixel 1 starts at byte 3.
    const std::uint8_t* top = img.DIBitsPtr() + 2 * img.BytesPerScanLine();
    EXPECT_EQ(top[3], 1);
    EXPECT_EQ(top[4], 2);
    EXPECT_EQ(top[5], 3);
}

TEST(cImageCopyStdPicture, AutomaticDepthFollowsThePicture) {
    Surface pixels(3, 2);
    pixels.fill({10, 20, 30});
    cImage img;
    int bits = 0;
    ASSERT_TRUE(img.CopyStdPicture({&pixels, 16, {}}, bits));
    EXPECT_EQ(bits, 24);
    EXPECT_EQ(img.BitCount(), 24);
    EXPECT_EQ(img.colorAt(2, 1), (Bgr{10, 20, 30}));

    bits = 0;
    EXPECT_FALSE(img.CopyStdPicture({&pixels, 32, {}}, bits));
    EXPECT_EQ(bits, 32);
    EXPECT_TRUE(img.empty());

    // At 8 bits each pixel becomes the nearest entry of the picture's table.
    bits = 0;
    const std::vector<Bgr> table = {{0, 0, 0}, {12, 18, 33}, {255, 255, 255}};
    ASSERT_TRUE(img.CopyStdPicture({&pixels, 8, table}, bits));
    EXPECT_EQ(img.indexAt(0, 0), 1U);
}

TEST(cImageCopyHDC, CopiesARectangleWithBlackOutside) {
    Surface src(4, 4);
    src.setPixel(3, 3, {7, 8, 9});
    cImage img;
    ASSERT_TRUE(img.CopyHDC(src, 2, 2, 0, 3, 3));
    EXPECT_EQ(img.BitCount(), 24);
    EXPECT_EQ(img.colorAt(0, 0), (Bgr{7, 8, 9}));
    EXPECT_EQ(img.colorAt(1, 1), (Bgr{}));

    cImage indexed;
    ASSERT_TRUE(indexed.Create(4, 4, 4));
    cImage copy;
    ASSERT_TRUE(copy.CopyHDC(indexed, 4, 4, 0, 0, 0));
    EXPECT_EQ(copy.BitCount(), 4);  // 16 colour-table entries
}

TEST(cImageOperations, GreyscaleIsTheNearestGrey) {
    cImage img;
    ASSERT_TRUE(img.Create(2, 1, 24));
    Surface dc = img.hDC();
    dc.setPixel(0, 0, {0, 0, 255});
    dc.setPixel(1, 0, {100, 101, 101});
    const cImage grey = img.Greyscale();
    EXPECT_EQ(grey.BitCount(), 8);
    EXPECT_EQ(grey.indexAt(0, 0), 85U);
    EXPECT_EQ(grey.indexAt(1, 0), 101U);  // 302 / 3 = 100.67
}

TEST(cImageOperations, ResampleToTheSameSizeCopiesExactly) {
    cImage img;
    ASSERT_TRUE(img.Create(5, 3, 24));
    Surface dc = img.hDC();
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            dc.setPixel(x, y, {static_cast<std::uint8_t>(x * 40), static_cast<std::uint8_t>(y * 70), 5});
        }
    }
    const cImage same = img.Resample(5, 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(same.colorAt(x, y), img.colorAt(x, y));
        }
    }
    const cImage half = img.Resample(2, 1);
    EXPECT_EQ(half.Width(), 2);
    EXPECT_EQ(half.Height(), 1);
}

TEST(cImageOperations, RotateReducesTheAngle) {
    cImage img;
    ASSERT_TRUE(img.Create(40, 30, 24));
    Surface dc = img.hDC();
    for (int x = 0; x < 40; ++x) {
        dc.setPixel(x, 0, {static_cast<std::uint8_t>(x + 1), 0, 0});
    }
    for (const int angle : {90, 450, -270}) {
        const auto turned = img.Rotate(angle);
        ASSERT_TRUE(turned) << angle;
        ASSERT_EQ(turned->Width(), 30);
        ASSERT_EQ(turned->Height(), 40);
        // The left column read from bottom to top is the top row read from
        // left to right.
        for (int i = 0; i < 40; ++i) {
            EXPECT_EQ(turned->colorAt(0, 39 - i).b, i + 1) << angle;
        }
    }
    const auto minus90 = img.Rotate(-90);
    const auto plus270 = img.Rotate(270);
    ASSERT_TRUE(minus90 && plus270);
    EXPECT_EQ(minus90->colorAt(29, 0).b, 1);  // the top-left pixel, turned clockwise
    EXPECT_EQ(plus270->colorAt(29, 0).b, 1);
    EXPECT_FALSE(img.Rotate(45));
    EXPECT_EQ(img.Rotate(180)->colorAt(39, 29).b, 1);
}

TEST(cImageOperations, MirrorAndRotateKeepIndices) {
    cImage img;
    ASSERT_TRUE(img.Create(3, 2, 4));
    img.setIndex(0, 0, 5);
    img.setIndex(2, 1, 9);
    const cImage lr = img.Mirror(false);
    EXPECT_EQ(lr.indexAt(2, 0), 5U);
    EXPECT_EQ(lr.indexAt(0, 1), 9U);
    const cImage tb = img.Mirror(true);
    EXPECT_EQ(tb.indexAt(0, 1), 5U);
    EXPECT_EQ(tb.indexAt(2, 0), 9U);
    EXPECT_EQ(tb.colorTable(), img.colorTable());
}

TEST(cImageOperations, PaintHDCAppliesTheRasterOperation) {
    cImage img;
    ASSERT_TRUE(img.Create(1, 1, 24));
    Surface dc = img.hDC();
    dc.setPixel(0, 0, {0x0F, 0xF0, 0xFF});
    Surface target(2, 1);
    target.fill({0x33, 0x33, 0x33});
    img.PaintHDC(target, 1, 0, RasterOp::SrcAnd);
    EXPECT_EQ(target.pixel(1, 0), (Bgr{0x03, 0x30, 0x33}));
    EXPECT_EQ(target.pixel(0, 0), (Bgr{0x33, 0x33, 0x33}));
    img.PaintHDC(target, 5, 5, RasterOp::SrcCopy);  // wholly outside: nothing happens
    img.PaintHDC(target, 0, 0, RasterOp::NotSrcCopy);
    EXPECT_EQ(target.pixel(0, 0), (Bgr{0xF0, 0x0F, 0x00}));
}

}  // namespace
}  // namespace vendrik
