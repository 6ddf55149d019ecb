// The shared text helpers: the one number scanner with the syntaxes of its
// callers, whole numbers of options, the UTF-8 decoder, case-insensitive
// order and the picture endings.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "common/ascii_case.h"
#include "common/cp1252.h"
#include "common/number_text.h"
#include "common/path_text.h"
#include "common/picture_endings.h"
#include "common/utf8.h"

namespace vendrik {
namespace {

struct NumberCase {
    const char* name;
    std::string_view text;
    NumberSyntax syntax;
    std::optional<double> want;  // nothing: no digits
};

class LeadingNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(LeadingNumberTest, ReadsTheNumberATextBeginsWith) {
    const NumberCase& c = GetParam();
    const LeadingNumber n = leadingNumber(c.text, c.syntax);
    if (c.want) {
        EXPECT_EQ(n.scan, NumberScan::Read);
        EXPECT_EQ(n.value, *c.want);
    } else {
        EXPECT_EQ(n.scan, NumberScan::NoDigits);
        EXPECT_EQ(n.value, 0);
    }
}

constexpr NumberSyntax kDot{true, true, false, "."};
constexpr NumberSyntax kComma{true, true, false, ","};

INSTANTIATE_TEST_SUITE_P(
    Syntaxes, LeadingNumberTest,
    ::testing::Values(
        // An own size typed into the size fields: digits and a fraction only.
        NumberCase{"OwnSizeStopsAtComma", "640,5", kPlainNumberSyntax, 640},
        NumberCase{"OwnSizeStopsAtLetters", "12.5px", kPlainNumberSyntax, 12.5},
        NumberCase{"OwnSizeOneFraction", "1.2.3", kPlainNumberSyntax, 1.2},
        NumberCase{"OwnSizeNoBlanks", " 5", kPlainNumberSyntax, std::nullopt},
        NumberCase{"OwnSizeEmpty", "", kPlainNumberSyntax, std::nullopt},
        NumberCase{"OwnSizeBareFraction", ".5", kPlainNumberSyntax, 0.5},
        NumberCase{"OwnSizeNoSign", "-5", kPlainNumberSyntax, std::nullopt},
        // EXIF display texts, with the locale's separator.
        NumberCase{"ExifWhole", "134", kDot, 134},
        NumberCase{"ExifBlanksAndRational", "  134/1", kDot, 134},
        NumberCase{"ExifNegative", "-5", kDot, -5},
        NumberCase{"ExifComma", "2,5", kComma, 2.5},
        NumberCase{"ExifPointBesideComma", "0.500/0.250", kComma, 0.5},
        NumberCase{"ExifLetters", "abc", kDot, std::nullopt},
        NumberCase{"ExifEmpty", "", kDot, std::nullopt},
        // The settings file's numbers.
        NumberCase{"SettingTrailingText", "95abc", kSettingNumberSyntax, 95},
        NumberCase{"SettingExponent", " +2.5e2x", kSettingNumberSyntax, 250},
        NumberCase{"SettingBareExponent", "5e", kSettingNumberSyntax, 5},
        NumberCase{"SettingNoDigits", "e5", kSettingNumberSyntax, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LeadingNumber, OverflowIsNotAValue) {
    EXPECT_EQ(leadingNumber("1e999", kSettingNumberSyntax).scan, NumberScan::Overflow);
    EXPECT_EQ(leadingNumber("1e-999", kSettingNumberSyntax).value, 0.0);
}

TEST(WholeNumber, TakesOnlyAWholeNumberInItsRange) {
    EXPECT_EQ(wholeNumber("80", 1, 100), 80);
    EXPECT_EQ(wholeNumber("-3", -5, 5), -3);
    EXPECT_EQ(wholeNumber("101", 1, 100), std::nullopt);
    for (const char* bad : {"", " 80", "80 ", "+80", "8O", "0x10", "99999999999"}) {
        EXPECT_EQ(wholeNumber(bad, 0, 1000), std::nullopt) << bad;
    }
    EXPECT_EQ(decimalNumber("12.25", 0, 360), 12.25);
    EXPECT_EQ(decimalNumber("361", 0, 360), std::nullopt);
    EXPECT_EQ(decimalNumber("nan", 0, 360), std::nullopt);
}

// The decoder all callers share: what it accepts decides what the INI file,
// the desktop entry and the text renderer see.
TEST(Utf8, DecoderAcceptsWellFormedAndRejectsTheRest) {
    struct Case {
        std::string bytes;
        std::optional<char32_t> want;
    };
    const std::vector<Case> cases = {
        {"A", U'A'},
        {"\xC3\xBC", U'\u00FC'},
        {"\xE2\x82\xAC", U'\u20AC'},
        {"\xF0\x9F\x98\x80", U'\U0001F600'},
        {"\xC0\xAF", std::nullopt},          // overlong "/"
        {"\xE0\x80\xAF", std::nullopt},      // overlong
        {"\xED\xA0\x80", std::nullopt},      // surrogate
        {"\xF4\x90\x80\x80", std::nullopt},  // above U+10FFFF
        {"\xC3", std::nullopt},              // cut short
        {"\x80", std::nullopt},              // continuation alone
    };
    for (const Case& c : cases) {
        const auto got = decodeUtf8At(c.bytes, 0);
        ASSERT_EQ(got.has_value(), c.want.has_value()) << c.bytes;
        if (got) {
            EXPECT_EQ(got->codePoint, *c.want);
            EXPECT_EQ(got->length, c.bytes.size());
            std::string again;
            appendUtf8(again, got->codePoint);
            EXPECT_EQ(again, c.bytes);
        }
    }
    EXPECT_EQ(utf8ValidLength("ab\xC3\xBC\xFF"), 4u);
    EXPECT_EQ(utf8CodePoints("a\xFF" "b"), (std::vector<char32_t>{U'a', U'?', U'b'}));
    EXPECT_EQ(utf8WithoutLast("ab.\u00E4\u00F6\u00FC\u00DF", 4), "ab.");
    EXPECT_EQ(utf8BoundaryAtOrBefore("a\u00FC", 2), 1u);  // not inside the ü
    EXPECT_EQ(utf8ToCp1252("\u20AC\xC0\xAF"), "\x80??");
}

TEST(AsciiCase, OrdersAndComparesIgnoringCase) {
    std::vector<std::string> names = {"b.jpg", "A.jpg", "a.jpg", "B.JPG", "a.jpeg", "\u00C4.jpg"};
    std::sort(names.begin(), names.end(),
              [](const std::string& x, const std::string& y) { return lessIgnoringCase(x, y); });
    EXPECT_EQ(names, (std::vector<std::string>{"a.jpeg", "A.jpg", "a.jpg", "B.JPG", "b.jpg",
                                               "\u00C4.jpg"}));
    EXPECT_TRUE(equalsIgnoringCase("Tervane Vendrik", "TERVANE VENDRIK"));
    EXPECT_FALSE(equalsIgnoringCase("\u00E4", "\u00C4"));  // only A to Z fold
    EXPECT_TRUE(endsWithIgnoringCase("IMG.JPEG", ".jpeg"));
}

TEST(PictureEndings, TheTwoListsDifferWhereStartUpNeedsThem) {
    for (const char* listed :
         {"a.jpg", "a.JPEG", "a.bmp", "a.Tif", "a.TIFF", "a.gif", "a.PNG", "a.jps"}) {
        EXPECT_TRUE(matchesFileListPattern(listed)) << listed;
    }
    EXPECT_FALSE(matchesFileListPattern("a.tif.txt"));
    EXPECT_FALSE(matchesFileListPattern("jpg"));
    for (const char* picture : {"/x/a.JPG", "a.jpe", "a.jpeg", "a.tif", "a.bmp", "a.gif", "a.HEIC",
                                "a.heif", "a.avif", "a.WebP"}) {
        EXPECT_TRUE(isPictureArgument(picture)) << picture;
    }
    // The file list shows them; start-up does not take them for pictures.
    for (const char* other : {"a.png", "a.jps", "a.tiff", "jpg"}) {
        EXPECT_FALSE(isPictureArgument(other)) << other;
    }
}

TEST(PathText, SplitsAndJoins) {
    EXPECT_EQ(lastPathName("/a/b.jpg"), "b.jpg");
    EXPECT_EQ(lastPathName("b.jpg"), "b.jpg");
    EXPECT_EQ(folderPart("/a/b.jpg"), "/a/");
    EXPECT_EQ(folderPart("b.jpg"), "");
    EXPECT_EQ(joinPath("/a", "b"), "/a/b");
    EXPECT_EQ(joinPath("/a/", "b"), "/a/b");
    EXPECT_EQ(joinPath("", "b"), "b");
    EXPECT_EQ(withTrailingSlash(""), "");
}

}  // namespace
}  // namespace vendrik
