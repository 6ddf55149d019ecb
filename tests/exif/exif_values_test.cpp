// Reading numbers from EXIF bytes and writing them as display texts.

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

#include "exif/exif_format.h"
#include "exif/exif_numbers.h"

namespace vendrik {
namespace {

struct FormatCase {
    double value;
    int decimals;
    const char* separator;
    const char* expected;
};

class FormatDecimal : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatDecimal, RoundsHalvesAwayFromZero) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(formatDecimal(c.value, c.decimals, c.separator), c.expected);
}

constexpr double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatDecimal,
    ::testing::Values(FormatCase{2.8, 1, ".", "2.8"}, FormatCase{2.8, 1, ",", "2,8"},
                      FormatCase{72, 1, ".", "72.0"}, FormatCase{125, 0, ".", "125"},
                      FormatCase{0.25, 1, ".", "0.3"}, FormatCase{-0.25, 1, ".", "-0.3"},
                      // 0.35 lies just below in binary; a user reads a half.
                      FormatCase{0.35, 1, ".", "0.4"}, FormatCase{2.5, 0, ".", "3"},
                      FormatCase{-2.5, 0, ".", "-3"}, FormatCase{-1.0 / 3, 1, ".", "-0.3"},
                      FormatCase{0.313, 3, ".", "0.313"}, FormatCase{0.0005, 3, ",", "0,001"},
                      FormatCase{9.96, 1, ".", "10.0"}, FormatCase{999.5, 0, ".", "1000"},
                      // No "-0.0" for a value that rounds to zero.
                      FormatCase{-0.03, 1, ".", "0.0"}, FormatCase{0, 0, ".", "0"},
                      FormatCase{2147483648.0, 1, ".", "2147483648.0"},
                      FormatCase{1e20, 0, ".", "100000000000000000000"},
                      FormatCase{1e-300, 3, ".", "0.000"}, FormatCase{kInf, 1, ".", ""},
                      FormatCase{std::nan(""), 0, ".", ""}));

TEST(ReadNumber, FollowsByteOrderAndReadsZeroPastTheEnd) {
    const std::uint8_t b[] = {0x12, 0x34, 0x56, 0x78, 0xFF};
    EXPECT_EQ(ReadNumber(b, 0, 2, true), 0x3412u);
    EXPECT_EQ(ReadNumber(b, 0, 2, false), 0x1234u);
    EXPECT_EQ(ReadNumber(b, 0, 4, true), 0x78563412u);
    EXPECT_EQ(ReadNumber(b, 0, 4, false), 0x12345678u);
    // Only 0xFF is there; the three missing bytes count as 0.
    EXPECT_EQ(ReadNumber(b, 4, 4, true), 0xFFu);
    EXPECT_EQ(ReadNumber(b, 4, 4, false), 0xFF000000u);
    EXPECT_EQ(ReadNumber(b, std::numeric_limits<std::uint64_t>::max(), 4, true), 0u);
    EXPECT_EQ(ReadSignedNumber(b, 4, 1, true), -1);
    EXPECT_EQ(ReadSignedNumber(b, 3, 2, true), -136);   // 0xFF78
    EXPECT_EQ(ReadSignedNumber(b, 0, 2, false), 0x1234);
}

TEST(ReadRational, GivesTextAndQuotientUnlessTheDenominatorIsZero) {
    const std::uint8_t intMinByMinusOne[] = {0x80, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    const ExifRational s = ReadSignedRational(intMinByMinusOne, 0, false);
    EXPECT_EQ(s.text, "-2147483648/-1");
    EXPECT_EQ(s.quotient, 2147483648.0);
    const ExifRational u = ReadRational(intMinByMinusOne, 0, false);
    EXPECT_EQ(u.text, "2147483648/4294967295");
    const std::uint8_t fiveByZero[] = {5, 0, 0, 0, 0, 0, 0, 0};
    const ExifRational z = ReadRational(fiveByZero, 0, true);
    EXPECT_EQ(z.text, "5/0");
    EXPECT_FALSE(z.quotient.has_value());
}

TEST(ExifBytesToText, DropsZerosKeepsUtf8AndReadsOtherBytesAsWindows1252) {
    const auto text = [](std::initializer_list<std::uint8_t> b) {
        const std::vector<std::uint8_t> v(b);
        return exifBytesToText(v);
    };
    EXPECT_EQ(text({'C', 'a', 'n', 0, 'o', 'n', 0}), "Canon");
    EXPECT_EQ(text({0xC2, 0xA9, ' ', 'A'}), "\u00A9 A");  // UTF-8 stays
    EXPECT_EQ(text({0xA9, ' ', 'A'}), "\u00A9 A");        // Windows-1252 0xA9
    EXPECT_EQ(text({0xE2, 0x82}), "\u00E2\u201A");        // cut UTF-8 is not UTF-8
    const std::vector<std::uint8_t> huge(kDisplayLimit + 100, 0xA9);
    const std::string capped = exifBytesToText(huge);
    EXPECT_LE(capped.size(), kDisplayLimit);
    EXPECT_EQ(capped.size() % 2, 0u) << "a two-byte character was cut";
}

TEST(Utf8PrefixSuffix, CountCharactersNotBytes) {
    EXPECT_EQ(utf8Prefix("2005:06:15 12:34:56", 10), "2005:06:15");
    EXPECT_EQ(utf8Suffix("2005:06:15 12:34:56", 8), "12:34:56");
    EXPECT_EQ(utf8Suffix("äöü", 2), "öü");
    EXPECT_EQ(utf8Prefix("äöü", 1), "ä");
    EXPECT_EQ(utf8Suffix("12:3", 8), "12:3");
}

TEST(LocaleDecimalSeparator, FollowsLcNumeric) {
    EXPECT_EQ(localeDecimalSeparator(), ".");  // a program starts in the C locale
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "de_DE.UTF-8 is not generated (scripts/install-deps.sh test does it)";
    }
    EXPECT_EQ(localeDecimalSeparator(), ",");
    std::setlocale(LC_NUMERIC, "C");
}

}  // namespace
}  // namespace vendrik
