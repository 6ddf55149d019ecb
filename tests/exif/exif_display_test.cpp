// What the reader shows for single entries, in both byte orders.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "exif/clsEXIF.h"
#include "exif/exif_format.h"
#include "support/exif_block_builder.h"

namespace vendrik {
namespace {

using test::ExifBlockBuilder;

struct DisplayCase {
    const char* name;
    std::uint16_t id;
    std::function<void(ExifBlockBuilder&)> add;
    std::string display;
};

const ExifEntry* findEntry(const clsEXIF& exif, std::int32_t id) {
    for (const ExifEntry& e : exif.entries()) {
        if (e.Id == id) {
            return &e;
        }
    }
    return nullptr;
}

class EntryDisplay : public ::testing::TestWithParam<std::tuple<DisplayCase, bool>> {};

TEST_P(EntryDisplay, ShowsTheValueByItsRule) {
    const auto& [c, intel] = GetParam();
    ExifBlockBuilder b(intel);
    b.exifDirectory();
    c.add(b);
    clsEXIF exif(".");
    exif.imageBytes(b.jpeg());
    ASSERT_EQ(exif.state(), ExifState::Read);
    EXPECT_EQ(exif.IntelByteAlignment(), intel);
    const ExifEntry* e = findEntry(exif, c.id);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->Display, c.display);
}

using R = std::vector<std::pair<std::uint32_t, std::uint32_t>>;
using S = std::vector<std::pair<std::int32_t, std::int32_t>>;

const DisplayCase kCases[] = {
    {"FNumber", 33437, [](auto& b) { b.rational(33437, R{{28, 10}}); }, "2.8"},
    {"ExposureTime125", 33434, [](auto& b) { b.rational(33434, R{{1, 125}}); }, "125"},
    {"ExposureTime10by300", 33434, [](auto& b) { b.rational(33434, R{{10, 300}}); }, "30"},
    {"ExposureTimeZero", 33434, [](auto& b) { b.rational(33434, R{{0, 1}}); }, ""},
    {"ApertureValue", 37378, [](auto& b) { b.rational(37378, R{{3, 1}}); }, "2.8"},
    {"MaxApertureZero", 37381, [](auto& b) { b.rational(37381, R{{0, 1}}); }, "1.0"},
    {"ShutterSpeedValue", 37377, [](auto& b) { b.srational(37377, S{{7, 1}}); }, "128"},
    {"ShutterSpeedHuge", 37377, [](auto& b) { b.srational(37377, S{{INT32_MAX, 1}}); }, ""},
    {"ShutterSpeedTiny", 37377, [](auto& b) { b.srational(37377, S{{INT32_MIN, 1}}); }, "0"},
    {"ExposureBias", 37380, [](auto& b) { b.srational(37380, S{{-1, 3}}); }, "-0.3"},
    {"ExposureBiasIntMin", 37380, [](auto& b) { b.srational(37380, S{{INT32_MIN, -1}}); },
     "2147483648.0"},
    {"XResolution", 282, [](auto& b) { b.rational(282, R{{72, 1}}); }, "72.0"},
    {"WhitePoint", 318, [](auto& b) { b.rational(318, R{{313, 1000}, {329, 1000}}); },
     "0.313/0.329"},
    {"ListWithZeroDenominator", 318, [](auto& b) { b.rational(318, R{{1, 2}, {7, 0}}); },
     "0.500/7/0"},
    {"SingleRational", 37122, [](auto& b) { b.rational(37122, R{{5, 0}}); }, "5/0"},
    {"SignedRational", 37379, [](auto& b) { b.srational(37379, S{{INT32_MIN, -1}}); },
     "-2147483648/-1"},
    {"ModelWithoutItsZero", 272, [](auto& b) { b.ascii(272, "Canon EOS 300D"); },
     "Canon EOS 300D"},
    {"ShortAsciiInline", 305, [](auto& b) { b.ascii(305, "ab"); }, "ab"},
    {"ExifVersion", 36864, [](auto& b) { b.undefined(36864, {'0', '2', '2', '1'}); }, "2.21"},
    {"FlashPixVersion", 40960, [](auto& b) { b.undefined(40960, {'0', '1', '0', '0'}); }, "1.00"},
    {"Components", 37121, [](auto& b) { b.undefined(37121, {1, 2, 3, 0}); }, "YCbCr"},
    {"ComponentsRgbAndJunk", 37121, [](auto& b) { b.undefined(37121, {4, 9, 5, 6}); }, "RGB"},
    {"MakerNotePrintableOnly", 37500,
     [](auto& b) { b.undefined(37500, {'N', 1, 'i', 0x80, 'k', 0, 200, 'o', 127}); },
     "Niko\x7F"},
    {"FileSource", 41728, [](auto& b) { b.undefined(41728, {3}); }, "3"},
    {"UserComment", 37510, [](auto& b) { b.undefined(37510, {'A', 0, 'B', 'C', 0, 0}); }, "ABC"},
    {"Orientation", 274, [](auto& b) { b.shortValue(274, 6); }, "6"},
    {"SignedShort", 37379, [](auto& b) { b.signedShort(37379, -5); }, "-5"},
    {"LongValue", 40962, [](auto& b) { b.longValue(40962, 4000000000u); }, "4000000000"},
    {"UnknownTagKeepsItsDisplay", 41985, [](auto& b) { b.shortValue(41985, 1); }, "1"},
    {"TypeZero", 270, [](auto& b) { b.raw(270, 0, 1, 77); }, "0"},
    {"TypeAboveTwelve", 270, [](auto& b) { b.raw(270, 13, 1, 77); }, ""},
};

std::string caseName(const ::testing::TestParamInfo<std::tuple<DisplayCase, bool>>& info) {
    return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "_II" : "_MM");
}

INSTANTIATE_TEST_SUITE_P(Rules, EntryDisplay,
                         ::testing::Combine(::testing::ValuesIn(kCases), ::testing::Bool()),
                         caseName);

TEST(EntryValue, IsTheConvertedQuotientOrTheFirstValueInBothByteOrders) {
    for (const bool intel : {true, false}) {
        ExifBlockBuilder b(intel);
        b.shortValue(274, 6).exifDirectory().rational(33437, R{{28, 10}}).rational(37378, R{{5, 0}});
        clsEXIF exif(",");
        exif.imageBytes(b.jpeg());
        EXPECT_EQ(findEntry(exif, 274)->Value, 6);
        EXPECT_DOUBLE_EQ(findEntry(exif, 33437)->Value, 2.8);
        EXPECT_EQ(findEntry(exif, 33437)->Display, "2,8");
        // A zero denominator keeps the raw field, the offset of the value,
        // and shows it through the entry's rule.
        const ExifEntry* broken = findEntry(exif, 37378);
        EXPECT_GT(broken->Value, 8);
        EXPECT_EQ(broken->Display, formatDecimal(std::pow(std::sqrt(2.0), broken->Value), 1, ","));
    }
}

}  // namespace
}  // namespace vendrik
