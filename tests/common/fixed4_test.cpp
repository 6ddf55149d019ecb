#include <gtest/gtest.h>

#include <cmath>

#include "common/fixed4.h"

namespace vendrik {
namespace {

Fixed4 f(double v) {
    return *Fixed4::fromDouble(v);
}

TEST(Fixed4, ConversionRoundsToNearestTenThousandth) {
    EXPECT_EQ(f(0.45).raw(), 4500);
    EXPECT_EQ(f(std::cos(0.7)).raw(), 7648);  // 0.764842...
    EXPECT_EQ(f(-0.33333).raw(), -3333);
    EXPECT_EQ(f(0.00016).raw(), 2);
    EXPECT_EQ(f(-0.00016).raw(), -2);
    EXPECT_FALSE(Fixed4::fromDouble(NAN).has_value());
    EXPECT_FALSE(Fixed4::fromDouble(1e300).has_value());
}

TEST(Fixed4, ProductsRoundHalfToEvenSumsAreExact) {
    // 0.0175 × 90 is exact (integer product); 40 × 0.0175 = 0.7.
    EXPECT_EQ((Fixed4::fromRaw(175) * 90).raw(), 15750);
    EXPECT_EQ((Fixed4(40) * Fixed4::fromRaw(175)).raw(), 7000);
    // 0.0001 × 0.5 = 0.00005 → tie → 0 (even); 0.0003 × 0.5 = 0.00015 → 0.0002.
    EXPECT_EQ((Fixed4::fromRaw(1) * Fixed4::fromRaw(5000)).raw(), 0);
    EXPECT_EQ((Fixed4::fromRaw(3) * Fixed4::fromRaw(5000)).raw(), 2);
    EXPECT_EQ((Fixed4::fromRaw(-3) * Fixed4::fromRaw(5000)).raw(), -2);
    EXPECT_EQ((f(0.1) + f(0.2)).raw(), 3000);
    EXPECT_FALSE(checkedMultiply(Fixed4(1'000'000'000), Fixed4(1'000'000'000)).has_value());
}

TEST(Fixed4, IntegerViews) {
    EXPECT_EQ(Fixed4::fromRaw(25000).round(), 2);
    EXPECT_EQ(Fixed4::fromRaw(35000).round(), 4);
    EXPECT_EQ(Fixed4::fromRaw(-25000).round(), -2);
    EXPECT_EQ(Fixed4::fromRaw(-15001).floor(), -2);
    EXPECT_EQ(Fixed4::fromRaw(15001).floor(), 1);
    EXPECT_EQ(Fixed4::fromRaw(-3000).toString(), "-0.3");
    EXPECT_EQ(Fixed4(40).toString(), "40");
    EXPECT_EQ(Fixed4::fromRaw(15750).toString(), "1.575");
}

}  // namespace
}  // namespace vendrik
