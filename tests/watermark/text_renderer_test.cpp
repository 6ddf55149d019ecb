#include "watermark/text_renderer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/error.h"
#include "watermark/text_picture.h"

namespace vendrik {
namespace {

const Bgr kGrey = Surface::fromColorRef(kTextBackground);

class SystemTextRenderer : public testing::Test {
protected:
    std::unique_ptr<TextRenderer> m_renderer = makeSystemTextRenderer();
};

TEST_F(SystemTextRenderer, SizesAreWholePixelsAtNinetySixDpi) {
    // 19 pt are 25.33 px, drawn at 25 px = 18.75 pt; 38 pt are 50.67 px → 51.
    EXPECT_DOUBLE_EQ(m_renderer->setFontSize(19), 18.75);
    EXPECT_DOUBLE_EQ(m_renderer->setFontSize(38), 38.25);
    EXPECT_DOUBLE_EQ(m_renderer->setFontSize(12), 12.0);
}

TEST_F(SystemTextRenderer, ExtentIsWidestLineByAllLines) {
    m_renderer->setFontSize(19);
    const TextExtent shortLine = m_renderer->measure("ab");
    const TextExtent longLine = m_renderer->measure("Wasserzeichen");
    EXPECT_GT(longLine.width, 3 * shortLine.width);
    // Bold "Arial" at 25 px: a line a little higher than the size.
    EXPECT_GE(longLine.height, 25);
    EXPECT_LE(longLine.height, 32);
    for (const char* text : {"ab\r\nWasserzeichen", "Wasserzeichen\nab", "ab\rWasserzeichen"}) {
        const TextExtent two = m_renderer->measure(text);
        EXPECT_EQ(two.width, longLine.width) << text;
        EXPECT_EQ(two.height, 2 * longLine.height) << text;
    }
    EXPECT_EQ(m_renderer->measure("a\r\n\r\nb").height, 3 * longLine.height);
    // Twice the size, about twice the width.
    m_renderer->setFontSize(38);
    const int wide = m_renderer->measure("Wasserzeichen").width;
    EXPECT_NEAR(wide, 2 * longLine.width, longLine.width / 10);
}

TEST_F(SystemTextRenderer, MalformedUtf8IsDrawnNotFatal) {
    m_renderer->setFontSize(19);
    const std::string broken = "a\xC3\x28\xFF\xE2\x82";
    EXPECT_GT(m_renderer->measure(broken).width, 0);
}

TEST_F(SystemTextRenderer, TextPictureIsGreyWithTheTextInItsColourAndSmoothEdges) {
    TextPicture box(*m_renderer);
    const RenderedText& r = box.render("Vendrik\r\nTest", 19, WatermarkColour::Red);
    EXPECT_DOUBLE_EQ(r.fontSize, 18.75);
    ASSERT_FALSE(r.picture.empty());
    int full = 0;
    int edge = 0;
    int grey = 0;
    for (int y = 0; y < r.picture.height(); ++y) {
        for (int x = 0; x < r.picture.width(); ++x) {
            const Bgr p = r.picture.pixel(x, y);
            if (p == kGrey) {
                ++grey;
            } else if (p == Bgr{0, 0, 255}) {
                ++full;
            } else {
                // Anti-aliased: between grey and red, channel by channel.
                EXPECT_LE(p.b, 128);
                EXPECT_GE(p.r, 128);
                ++edge;
            }
        }
    }
    EXPECT_GT(full, 100);
    EXPECT_GT(edge, 50);
    EXPECT_GT(grey, full);
    // Both lines are printed: ink in the upper and the lower half.
    const auto inkInRows = [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            for (int x = 0; x < r.picture.width(); ++x) {
                if (r.picture.pixel(x, y) != kGrey) {
                    return true;
                }
            }
        }
        return false;
    };
    EXPECT_TRUE(inkInRows(0, r.picture.height() / 2));
    EXPECT_TRUE(inkInRows(r.picture.height() / 2, r.picture.height()));
}

TEST_F(SystemTextRenderer, DrawingIntoATooSmallSurfaceIsClipped) {
    m_renderer->setFontSize(30);
    // The sanitizers watch the writes; some ink must still land inside.
    Surface tiny(12, 40);
    tiny.fill(kGrey);
    m_renderer->draw(tiny, "WWW\r\nWWW", {255, 255, 255});
    bool ink = false;
    for (int y = 0; y < tiny.height(); ++y) {
        for (int x = 0; x < tiny.width(); ++x) {
            ink = ink || tiny.pixel(x, y) != kGrey;
        }
    }
    EXPECT_TRUE(ink);
}

TEST_F(SystemTextRenderer, ATextTooLargeToTurnIsRefusedBeforeDrawing) {
    TextPicture box(*m_renderer);
    EXPECT_THROW((void)box.render(std::string(300, 'W'), 500, WatermarkColour::White), VendrikError);
}

}  // namespace
}  // namespace vendrik
