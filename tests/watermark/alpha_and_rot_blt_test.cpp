#include "watermark/alpha_and_rot_blt.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <thread>
#include <vector>

#include "common/error.h"
#include "watermark/watermark_preview.h"
#include "watermark/watermark_step.h"

namespace vendrik {
namespace {

const Bgr kPicture{30, 60, 90};

// A renderer with known extents: every line is 10 pixels a character wide
// and 20 high, drawn as solid blocks. It records what it was asked.
class BlockRenderer final : public TextRenderer {
public:
    double setFontSize(double points) override {
        if (failing) {
            throw VendrikError(1, "Watermark", "keine Schrift");
        }
        requested.push_back(points);
        return points;
    }
    TextExtent measure(std::string_view text) override {
        TextExtent e;
        std::size_t lineLength = 0;
        int lines = 1;
        for (const char ch : text) {
            if (ch == '\n') {
                ++lines;
                lineLength = 0;
            } else if (ch != '\r') {
                ++lineLength;
                e.width = std::max(e.width, static_cast<int>(lineLength) * 10);
            }
        }
        e.height = lines * 20;
        return e;
    }
    void draw(Surface& target, std::string_view, Bgr colour) override {
        drawnIn.push_back(colour);
        for (int y = 0; y < target.height(); ++y) {
            for (int x = 0; x < target.width(); ++x) {
                target.setPixel(x, y, colour);
            }
        }
    }

    bool failing = false;
    std::vector<double> requested;
    std::vector<Bgr> drawnIn;
};

WatermarkSettings settingsWith(const std::string& text) {
    WatermarkSettings s;
    s.text = text;
    s.lineBreaks = countWatermarkLineBreaks(text);
    return s;
}

Surface picture(int w, int h) {
    Surface s(w, h);
    s.fill(kPicture);
    return s;
}

int changedPixels(const Surface& s, Bgr from) {
    int n = 0;
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            n += s.pixel(x, y) != from ? 1 : 0;
        }
    }
    return n;
}

struct FontSizeCase {
    int size;
    int width;
    double points;
};

class CompositingFontSize : public testing::TestWithParam<FontSizeCase> {};

TEST_P(CompositingFontSize, GrowsWithThePictureWidth) {
    const FontSizeCase p = GetParam();
    BlockRenderer renderer;
    TextPicture box(renderer);
    WatermarkSettings s = settingsWith("ab");
    s.size = static_cast<std::int16_t>(p.size);
    Surface pic = picture(p.width, 100);
    AlphaAndRotBlt(pic, s, box);
    ASSERT_EQ(renderer.requested.size(), 1u);
    EXPECT_EQ(renderer.requested[0], p.points);
}

// floor(WSize / 2 × width / 295).
INSTANTIATE_TEST_SUITE_P(Cases, CompositingFontSize,
                         testing::Values(FontSizeCase{38, 295, 19}, FontSizeCase{38, 590, 38},
                                         FontSizeCase{38, 600, 38}, FontSizeCase{17, 295, 8},
                                         FontSizeCase{70, 4000, 474}, FontSizeCase{16, 100, 2}),
                         [](const auto& info) {
                             return "Size" + std::to_string(info.param.size) + "Width" +
                                    std::to_string(info.param.width);
                         });

TEST(Compositing, TinyPictureGetsNoWatermark) {
    BlockRenderer renderer;
    TextPicture box(renderer);
    WatermarkSettings s = settingsWith("ab");
    Surface pic = picture(10, 10);  // 19 × 10 / 295 < 1 point
    AlphaAndRotBlt(pic, s, box);
    EXPECT_TRUE(renderer.requested.empty());
    EXPECT_EQ(changedPixels(pic, kPicture), 0);
}

TEST(Compositing, EmptyOrBlankTextDrawsNothing) {
    BlockRenderer renderer;
    TextPicture box(renderer);
    for (const char* text : {"", "\r\n", "\r\n\r\n"}) {
        WatermarkSettings s = settingsWith(text);
        Surface pic = picture(400, 300);
        AlphaAndRotBlt(pic, s, box);
        EXPECT_EQ(changedPixels(pic, kPicture), 0) << text;
    }
}

TEST(Compositing, TheRunStepWatermarksEveryPictureItIsGiven) {
    WatermarkSettings s = settingsWith("Vendrik");
    const auto step = makeWatermarkStep(s);
    const auto copy = step;  // copies share the run's state
    Surface first = picture(500, 300);
    Surface second = picture(800, 600);
    step(first);
    copy(second);
    EXPECT_GT(changedPixels(first, kPicture), 100);
    EXPECT_GT(changedPixels(second, kPicture), changedPixels(first, kPicture));
}

TEST(Compositing, TheRunStepGivesTheSameBytesFromParallelJobs) {
    const auto step = makeWatermarkStep(settingsWith("Parallel\r\nVendrik"));
    std::vector<Surface> alone;
    std::vector<Surface> together;
    for (int k = 0; k < 4; ++k) {
        alone.push_back(picture(300 + 100 * (k % 2), 250));
        together.push_back(picture(300 + 100 * (k % 2), 250));
        step(alone.back());
    }
    std::vector<std::thread> jobs;
    for (Surface& s : together) {
        jobs.emplace_back([&step, &s] { step(s); });
    }
    for (std::thread& t : jobs) {
        t.join();
    }
    for (std::size_t k = 0; k < alone.size(); ++k) {
        for (int y = 0; y < alone[k].height(); ++y) {
            for (int x = 0; x < alone[k].width(); ++x) {
                ASSERT_EQ(alone[k].pixel(x, y), together[k].pixel(x, y)) << k;
            }
        }
    }
}

TEST(Compositing, ColourOutsideTheTableKeepsThePreviousForeground) {
    BlockRenderer renderer;
    TextPicture box(renderer);
    Surface pic = picture(300, 200);
    WatermarkSettings s = settingsWith("a");
    s.color = WatermarkColour{7};
    AlphaAndRotBlt(pic, s, box);  // first use: white
    s = settingsWith("b");
    s.color = WatermarkColour::Red;
    AlphaAndRotBlt(pic, s, box);  // red
    s = settingsWith("c");
    s.color = WatermarkColour{7};
    AlphaAndRotBlt(pic, s, box);  // still red
    s = settingsWith("d");
    s.color = WatermarkColour{-1};
    AlphaAndRotBlt(pic, s, box);
    const Bgr white{255, 255, 255};
    const Bgr red{0, 0, 255};
    EXPECT_EQ(renderer.drawnIn, (std::vector<Bgr>{white, red, red, red}));
}

TEST(Compositing, AnEqualRequestReusesTheLastTextPicture) {
    BlockRenderer renderer;
    TextPicture box(renderer);
    WatermarkSettings s = settingsWith("abc");
    Surface first = picture(300, 200);
    Surface second = picture(300, 200);
    AlphaAndRotBlt(first, s, box);
    AlphaAndRotBlt(second, s, box);
    EXPECT_EQ(renderer.drawnIn.size(), 1u);
    for (int y = 0; y < first.height(); ++y) {
        for (int x = 0; x < first.width(); ++x) {
            ASSERT_EQ(first.pixel(x, y), second.pixel(x, y));
        }
    }
    // Another width, text or colour renders anew.
    Surface wider = picture(600, 200);
    AlphaAndRotBlt(wider, s, box);
    s.color = WatermarkColour::Blue;
    AlphaAndRotBlt(wider, s, box);
    s.text = "abd";
    AlphaAndRotBlt(wider, s, box);
    EXPECT_EQ(renderer.drawnIn.size(), 4u);
}

TEST(Compositing, OpacityZeroLeavesThePictureUnchangedAndHundredReplacesIt) {
    BlockRenderer renderer;
    TextPicture box(renderer);
    WatermarkSettings s = settingsWith("abcdef");
    s.angle = Fixed4(0);
    s.color = WatermarkColour::Yellow;
    s.opacity = Fixed4(0);
    Surface pic = picture(600, 400);
    AlphaAndRotBlt(pic, s, box);
    EXPECT_EQ(changedPixels(pic, kPicture), 0);

    s.opacity = Fixed4(100);
    AlphaAndRotBlt(pic, s, box);
    // The 60 × 20 block, less its last row and column, replaces the picture.
    const Bgr yellow{0, 255, 255};
    int replaced = 0;
    for (int y = 0; y < pic.height(); ++y) {
        for (int x = 0; x < pic.width(); ++x) {
            const Bgr p = pic.pixel(x, y);
            ASSERT_TRUE(p == kPicture || p == yellow) << x << "," << y;
            replaced += p == yellow ? 1 : 0;
        }
    }
    EXPECT_EQ(replaced, 59 * 19);
}

TEST(Compositing, WritesTheUnturnedTextEdgesIntoThePositionFields) {
    BlockRenderer renderer;
    TextPicture box(renderer);
    WatermarkSettings s = settingsWith("abcdef\r\nab");  // 60 × 40
    Surface pic = picture(590, 400);
    AlphaAndRotBlt(pic, s, box);
    EXPECT_EQ(s.hPos, 295 - 30);
    EXPECT_EQ(s.vPos, 200 - 20);
}

TEST(Compositing, HorizontalAlignment3PutsTheMiddleAtXZero) {
    BlockRenderer renderer;
    TextPicture box(renderer);
    WatermarkSettings s = settingsWith("abcdefghij");  // 100 × 20
    s.angle = Fixed4(0);
    s.opacity = Fixed4(100);
    s.hAlign = HorizontalAlignment{3};
    Surface pic = picture(590, 400);
    AlphaAndRotBlt(pic, s, box);
    // Middle at (0, 180): the square of side 101 starts at round(-50.5) =
    // -50, so source columns 50..98 show at x = 0..48, rows at 170..188.
    for (int y = 0; y < pic.height(); ++y) {
        for (int x = 0; x < pic.width(); ++x) {
            const bool inside = x <= 48 && y >= 170 && y <= 188;
            ASSERT_EQ(pic.pixel(x, y) != kPicture, inside) << x << "," << y;
        }
    }
}

// The changed pixels' bounding box: left, top, right, bottom (inclusive).
std::array<int, 4> changedBox(const Surface& s, Bgr from) {
    std::array<int, 4> box{s.width(), s.height(), -1, -1};
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            if (s.pixel(x, y) != from) {
                box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x),
                       std::max(box[3], y)};
            }
        }
    }
    return box;
}

// "Rechts"/"Unten" at "Normal" put a short text's middle at W − PW + 6.2 × FS,
// half of it beyond the right edge; it is drawn whole, at the right edge.
// A text that fitted is drawn where it was. "Whole" is the extent the same
// text has drawn in the middle of a large picture.
TEST(Compositing, AShortTextAtRightBottomIsDrawnWholeInsideThePicture) {
    const auto drawnBox = [](const char* text, HorizontalAlignment h, VerticalAlignment v,
                             int width, int height) {
        BlockRenderer renderer;
        TextPicture box(renderer);
        WatermarkSettings s = settingsWith(text);
        s.size = 32;
        s.angle = Fixed4(0);
        s.opacity = Fixed4(100);
        s.hAlign = h;
        s.vAlign = v;
        Surface pic = picture(width, height);
        AlphaAndRotBlt(pic, s, box);
        return changedBox(pic, kPicture);
    };
    const auto extent = [](const std::array<int, 4>& b) {
        return std::array<int, 2>{b[2] - b[0] + 1, b[3] - b[1] + 1};
    };
    struct Case {
        const char* text;
        HorizontalAlignment h;
        VerticalAlignment v;
        std::array<int, 4> want;
    };
    // 590 × 400 at 32 points. "ab" (20 × 20): the rules put its middle at
    // x round(32 × 6.2 + 570) = 768, far right of the picture; it is drawn
    // at the right edge. Its middle y, 32 + 380 + 4 − 32 = 384, is inside:
    // rows as the rules say. "abc" (30 × 20) at left/top: middle
    // (round(32 × 7.5 + 1), 32 + 1 + 1 − 2) = (241, 32), inside already.
    // (The engine leaves the text picture's last column and row out.)
    const Case cases[] = {
        {"ab", HorizontalAlignment::Right, VerticalAlignment::Bottom, {570, 374, 588, 392}},
        {"abc", HorizontalAlignment::Left, VerticalAlignment::Top, {226, 22, 254, 40}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto drawn = drawnBox(c.text, c.h, c.v, 590, 400);
        EXPECT_EQ(drawn, c.want);
        const auto whole = drawnBox(c.text, HorizontalAlignment::Centre,
                                    VerticalAlignment::Middle, 590, 400);
        EXPECT_EQ(extent(drawn), extent(whole));
    }
}

TEST(Compositing, AFailingStepLeavesThePictureUnchanged) {
    BlockRenderer renderer;
    TextPicture box(renderer);
    WatermarkSettings s = settingsWith("ab");
    Surface pic = picture(300, 200);
    renderer.failing = true;
    EXPECT_THROW(AlphaAndRotBlt(pic, s, box), VendrikError);
    renderer.failing = false;
    s.opacity = Fixed4(150);  // from an edited settings file
    EXPECT_THROW(AlphaAndRotBlt(pic, s, box), VendrikError);
    EXPECT_EQ(changedPixels(pic, kPicture), 0);
}

TEST(Compositing, RealTextOnAPictureStaysNearItsPlace) {
    const auto renderer = makeSystemTextRenderer();
    TextPicture box(*renderer);
    WatermarkSettings s = settingsWith("Vendrik\r\nTest");
    Surface pic = picture(600, 400);
    AlphaAndRotBlt(pic, s, box);
    const int changed = changedPixels(pic, kPicture);
    EXPECT_GT(changed, 500);
    // White at 45 % over the picture: every changed pixel moved towards white.
    for (int y = 0; y < pic.height(); ++y) {
        for (int x = 0; x < pic.width(); ++x) {
            const Bgr p = pic.pixel(x, y);
            ASSERT_GE(p.b, kPicture.b);
            ASSERT_LE(p.b, 30 + (255 - 30) * 45 / 100 + 1);
        }
    }
}

TEST(Preview, DrawsOnTheSampleAndWritesThePositionFields) {
    const auto renderer = makeSystemTextRenderer();
    TextPicture box(*renderer);
    WatermarkSettings s;
    s.text = "Probe";
    const Surface sample = makePreviewSample();
    ASSERT_EQ(sample.width(), kPreviewWidth);
    ASSERT_EQ(sample.height(), kPreviewHeight);
    Surface preview = sample.clone();
    PreviewDesign d = previewDesignOf(s);
    RotBlit(preview, d, s, box);
    int changed = 0;
    for (int y = 0; y < preview.height(); ++y) {
        for (int x = 0; x < preview.width(); ++x) {
            changed += preview.pixel(x, y) != sample.pixel(x, y) ? 1 : 0;
        }
    }
    EXPECT_GT(changed, 300);
    EXPECT_NE(s.hPos, 160);
    EXPECT_NE(s.vPos, 120);

    d.opacity = 0;
    Surface untouched = sample.clone();
    RotBlit(untouched, d, s, box);
    for (int y = 0; y < untouched.height(); ++y) {
        for (int x = 0; x < untouched.width(); ++x) {
            ASSERT_EQ(untouched.pixel(x, y), sample.pixel(x, y));
        }
    }
}

}  // namespace
}  // namespace vendrik
