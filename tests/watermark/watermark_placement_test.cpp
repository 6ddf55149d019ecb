#include "watermark/watermark_placement.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "common/error.h"

namespace vendrik {
namespace {

Fixed4 deg(double v) {
    return *Fixed4::fromDouble(v);
}

// The two rule sets: a picture of the batch and the designer's preview,
// each worked by hand for one box and one text.
struct Rules {
    TextCentre (*place)(const PlacementInput&, double& hPos, double& vPos);
    // The box drawn on and the text picture in pixels, the font in points.
    struct {
        double width, height, textWidth, textHeight, fontSize;
    } box;
    // The left and top edge of the unturned text for the three alignments.
    double edgeH[3];
    double edgeV[3];
    // An alignment outside the table: the picture leaves the edge as it was,
    // the preview counts it as the first.
    bool outsideCountsAsFirst;
};

// A 590 × 400 picture with a 300 × 100 text at 38.25 points. Worked by hand:
//   x: left  round(38.25 × 7.5 + 1) = 288, then − A / 1.35 or − 100 × 1.7
//      centre round(38.25 × 6.7 + 295 − 150) = 401
//      right round(38.25 × 6.2 + 290) = 527, then + A / 1.35 or + 170
//   y, two lines: top round(38.25 + 1 + 20) = 59; middle 400 / (A / 2) +
//      188.25 (A = 0: 188.25 − 8); bottom round(38.25 + 300 + 2) = 340
//   y, one line: top round(38.25 + 1 + 1 − 2) = 38; middle 40 less; bottom
//      round(38.25 + 300 + 4) = 342, then − A − 32 or − 122
const Rules kPicture{
    placeOnPicture, {590, 400, 300, 100, 38.25}, {1, 145, 290}, {1, 150, 300}, false};

// The preview: 307 × 222 sample, a 200 × 60 text at 18.75 points.
//   x: left round(18.75 × 7.5 + 1) = 142 − a / 1.35; centre
//      round(125.625 + 53.5) = 179; right round(116.25 + 107) = 223 + a / 1.35
//   y, two lines: top round(18.75 + 11) = 30 + a; middle round(18.75 + 81 + 10)
//      = 110 (A = 0: + 7 → 107); bottom round(18.75 + 162 + 3) = 184 − a
//   y, one line: top round(18.75 + 3) = 22 + a; middle 98 (A = 0: 95);
//      bottom round(18.75 + 162 − 8) = 173 − a
const Rules kPreview{
    placeOnPreview, {307, 222, 200, 60, 18.75}, {1, 53.5, 107}, {1, 81, 162}, true};

struct PlacementCase {
    const char* name;
    const Rules* rules;
    Fixed4 angle;
    std::int16_t hAlign;
    std::int16_t vAlign;
    int lineBreaks;
    TextCentre want;
};

// The edge a rule set leaves for `align`, starting from `before`.
double expectedEdge(const double (&edges)[3], int align, bool outsideCountsAsFirst, double before) {
    if (align >= 0 && align <= 2) {
        return edges[align];
    }
    return outsideCountsAsFirst ? edges[0] : before;
}

class PlacementRules : public testing::TestWithParam<PlacementCase> {};

TEST_P(PlacementRules, PutTheTextMiddleWhereTheySay) {
    const PlacementCase& p = GetParam();
    const Rules& r = *p.rules;
    const PlacementInput in{r.box.width,
                            r.box.height,
                            r.box.textWidth,
                            r.box.textHeight,
                            r.box.fontSize,
                            p.angle,
                            HorizontalAlignment{p.hAlign},
                            VerticalAlignment{p.vAlign},
                            p.lineBreaks};
    double hPos = -7;
    double vPos = -7;
    EXPECT_EQ(r.place(in, hPos, vPos), p.want);
    // The left and top edge of the unturned text go to hPos and vPos.
    EXPECT_EQ(hPos, expectedEdge(r.edgeH, p.hAlign, r.outsideCountsAsFirst, -7));
    EXPECT_EQ(vPos, expectedEdge(r.edgeV, p.vAlign, r.outsideCountsAsFirst, -7));
}

INSTANTIATE_TEST_SUITE_P(
    Picture, PlacementRules,
    testing::Values(
        PlacementCase{"DefaultsTwoLines", &kPicture, Fixed4(40), 1, 1, 1, {401, 208}},
        PlacementCase{"MiddleAngle0TwoLines", &kPicture, Fixed4(0), 1, 1, 1, {401, 180}},
        PlacementCase{"MiddleAngle0OneLineIs40Higher", &kPicture, Fixed4(0), 1, 1, 0, {401, 140}},
        PlacementCase{"MiddleAngle0ThreeLines", &kPicture, Fixed4(0), 1, 1, 2, {401, 140}},
        PlacementCase{"MiddleOneLine", &kPicture, Fixed4(40), 1, 1, 0, {401, 168}},
        PlacementCase{"Minus90TwoLines", &kPicture, Fixed4(89), 1, 1, 1, {401, 197}},  // 400 / 44.5
        PlacementCase{
            "Plus90TwoLines", &kPicture, Fixed4(269), 1, 1, 1, {401, 191}},  // 400 / 134.5
        PlacementCase{"LeftTop", &kPicture, Fixed4(40), 0, 0, 1, {258, 99}},
        PlacementCase{"LeftMinus90UsesTextHeight", &kPicture, Fixed4(89), 0, 0, 1, {118, 148}},
        PlacementCase{"RightBottom", &kPicture, Fixed4(40), 2, 2, 1, {557, 300}},
        PlacementCase{"RightPlus90Bottom", &kPicture, Fixed4(269), 2, 2, 1, {697, 250}},
        PlacementCase{"TopOneLinePlus90AddsOnly90", &kPicture, Fixed4(269), 0, 0, 0, {118, 128}},
        PlacementCase{"BottomOneLine", &kPicture, Fixed4(40), 1, 2, 0, {401, 270}},
        PlacementCase{"BottomOneLinePlus90", &kPicture, Fixed4(269), 1, 2, 0, {401, 220}},
        // y + A and y − A − 32 are summed in Fixed4 and rounded to even.
        PlacementCase{"FractionalAngleTopTiesToEven", &kPicture, deg(40.5), 1, 0, 0, {401, 78}},
        PlacementCase{"FractionalAngleBottomTiesToEven", &kPicture, deg(40.5), 1, 2, 0, {401, 270}},
        PlacementCase{"HorizontalAlignment3IsAtZero", &kPicture, Fixed4(40), 3, 1, 1, {0, 208}},
        PlacementCase{"VerticalAlignment3IsAtZero", &kPicture, Fixed4(40), 1, 3, 1, {401, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Preview, PlacementRules,
    testing::Values(PlacementCase{"Defaults", &kPreview, Fixed4(40), 1, 1, 1, {179, 110}},
                    PlacementCase{"MiddleAngle0", &kPreview, Fixed4(0), 1, 1, 1, {179, 107}},
                    PlacementCase{"MiddleOneLine", &kPreview, Fixed4(40), 1, 1, 0, {179, 98}},
                    PlacementCase{"MiddleOneLineAngle0", &kPreview, Fixed4(0), 1, 1, 0, {179, 95}},
                    PlacementCase{"LeftTop", &kPreview, Fixed4(27), 0, 0, 1, {122, 57}},
                    // "+90°": the correction uses 90, not 269.
                    PlacementCase{"RightPlus90", &kPreview, Fixed4(269), 2, 1, 1, {290, 110}},
                    PlacementCase{"LeftBottomPlus90", &kPreview, Fixed4(269), 0, 2, 1, {75, 94}},
                    PlacementCase{"BottomOneLine", &kPreview, Fixed4(40), 1, 2, 0, {179, 133}},
                    PlacementCase{"TopOneLine", &kPreview, Fixed4(40), 1, 0, 0, {179, 62}},
                    // No option chosen counts as the first.
                    PlacementCase{
                        "UnchosenAlignmentsAreLeftTop", &kPreview, Fixed4(0), 5, -1, 1, {142, 30}}),
    [](const auto& info) { return std::string(info.param.name); });

// Keeping the text inside: a 590 × 400 picture with a text picture of
// `text`, its middle where the rules put it (`placed`). Worked by hand for
// angle 0: the square of side floor(diagonal) starts at
// round(x − side / 2), the text at (side − w) / 2 (floored) inside it.
struct InsideCase {
    const char* name;
    double textWidth, textHeight;
    Fixed4 angle;
    std::int16_t hAlign, vAlign;
    TextCentre placed;
    TextCentre want;
};

class KeepInside : public testing::TestWithParam<InsideCase> {};

TEST_P(KeepInside, MovesOnlyATextThatWouldLeaveThePicture) {
    const InsideCase& c = GetParam();
    const PlacementInput in{590, 400, c.textWidth, c.textHeight, 20, c.angle,
                            HorizontalAlignment{c.hAlign}, VerticalAlignment{c.vAlign}, 0};
    EXPECT_EQ(keepInsidePicture(c.placed, in), c.want);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeepInside,
    testing::Values(
        // Inside already: unchanged, whatever the alignment.
        InsideCase{"InsideStays", 300, 100, Fixed4(0), 2, 2, {401, 300}, {401, 300}},
        InsideCase{"InsideTurnedStays", 100, 40, Fixed4(40), 0, 0, {295, 200}, {295, 200}},
        // Turned by 40 degrees a 300 × 100 text is 269 high: at the rules'
        // y 99 its upper corner would leave the picture; it moves down.
        InsideCase{"TurnedAtTopMovesDown", 300, 100, Fixed4(40), 0, 0, {258, 99}, {258, 135}},
        // 100 × 40 at (600, 390): the square of side 107 starts at
        // round(546.5) = 546 (ties to even), the text 3 further: columns
        // 549..648. At 541 the square would start at round(487.5) = 488,
        // the text reach 590: 540 puts it at 490..589. Rows 369..408 go to
        // 360..399 the same way.
        InsideCase{"RightBottomMovesIn", 100, 40, Fixed4(0), 2, 2, {600, 390}, {540, 380}},
        // Exactly at the edge: the last column is 589, nothing moves.
        InsideCase{"TouchingTheEdgeStays", 100, 40, Fixed4(0), 2, 2, {540, 380}, {540, 380}},
        // Columns from round(−43.5) + 3 = −41 move by 41 (to 1: round(−2.5)
        // is −2); rows from round(−48.5) + 33 = −15 by 15, where round(−33.5)
        // = −34 leaves one row out, and one more.
        InsideCase{"LeftTopMovesIn", 100, 40, Fixed4(0), 0, 0, {10, 5}, {51, 21}},
        // Turned by 89 degrees the text stands upright: 40 wide, 100 high.
        InsideCase{"UprightUsesTheTurnedExtent", 100, 40, Fixed4(89), 2, 2, {600, 390}, {570, 350}},
        // Longer than the picture: no place shows it whole, it stays.
        InsideCase{"LongerThanThePictureStays", 700, 40, Fixed4(0), 2, 2, {900, 380}, {900, 380}},
        // A middle at the edge of the 32-bit range (an angle close to 0 at
        // "Mitte") comes back inside without overflowing.
        InsideCase{"MiddleAtTheEdgeOfTheRange", 100, 40, Fixed4(0), 2, 1, {2147483637, 200}, {540, 200}},
        // An alignment outside the named ones keeps its coordinate at 0.
        InsideCase{"UnnamedAlignmentStays", 100, 40, Fixed4(0), 3, 3, {0, 0}, {0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PictureRules, AnAngleNearZeroThatPushesTheMiddleBeyondRangeIsAnError) {
    PlacementInput in{590,
                      400,
                      300,
                      100,
                      38.25,
                      Fixed4::fromRaw(1),
                      HorizontalAlignment::Centre,
                      VerticalAlignment::Middle,
                      1};
    double hPos = 0;
    double vPos = 0;
    // 400 / 0.00005 = 8 000 000 still fits; a huge picture height does not.
    EXPECT_EQ(placeOnPicture(in, hPos, vPos).y, 8'000'188);
    in.boxHeight = 1e6;
    EXPECT_THROW((void)placeOnPicture(in, hPos, vPos), VendrikError);
}

}  // namespace
}  // namespace vendrik
