#pragma once
// Fixed4: a decimal fixed-point number with four places, held as a signed
// 64-bit count of 1/10 000. Sums and differences are exact; the product of
// two Fixed4 values is rounded to four places, ties to even; the product with
// an integer is exact. The watermark's angle and opacity and the whole
// arithmetic of the rotate-and-blend engine use it, so that results do not
// depend on binary floating point.

#include <cmath>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>

namespace vendrik {

class Fixed4 {
public:
    static constexpr std::int64_t kScale = 10'000;

    constexpr Fixed4() = default;
    // An integer value (exact).
    constexpr explicit Fixed4(std::int64_t whole) : m_raw(whole * kScale) {}

    // From the raw count of 1/10 000.
    static constexpr Fixed4 fromRaw(std::int64_t raw) {
        Fixed4 f;
        f.m_raw = raw;
        return f;
    }
    // The nearest 1/10 000 to `value`, ties to even. Values beyond the
    // range, and NaN, give nullopt.
    static std::optional<Fixed4> fromDouble(double value);

    [[nodiscard]] constexpr std::int64_t raw() const { return m_raw; }
    [[nodiscard]] double toDouble() const { return static_cast<double>(m_raw) / kScale; }
    // Nearest integer, ties to even.
    [[nodiscard]] std::int64_t round() const;
    // Largest integer not above the value.
    [[nodiscard]] std::int64_t floor() const;
    // "12.5", "-0.3", "40": no trailing zeros, '.' as separator.
    [[nodiscard]] std::string toString() const;

    friend constexpr Fixed4 operator+(Fixed4 a, Fixed4 b) { return fromRaw(a.m_raw + b.m_raw); }
    friend constexpr Fixed4 operator-(Fixed4 a, Fixed4 b) { return fromRaw(a.m_raw - b.m_raw); }
    friend constexpr Fixed4 operator-(Fixed4 a) { return fromRaw(-a.m_raw); }
    friend Fixed4 operator*(Fixed4 a, Fixed4 b);
    friend constexpr Fixed4 operator*(Fixed4 a, std::int64_t k) { return fromRaw(a.m_raw * k); }
    friend constexpr Fixed4 operator*(std::int64_t k, Fixed4 a) { return fromRaw(a.m_raw * k); }
    Fixed4& operator+=(Fixed4 b) {
        m_raw += b.m_raw;
        return *this;
    }
    Fixed4& operator-=(Fixed4 b) {
        m_raw -= b.m_raw;
        return *this;
    }

    friend constexpr auto operator<=>(Fixed4, Fixed4) = default;

private:
    std::int64_t m_raw = 0;
};

// Overflow-checked product for code that must notice a result beyond the
// 64-bit range instead of wrapping.
[[nodiscard]] std::optional<Fixed4> checkedMultiply(Fixed4 a, Fixed4 b);

}  // namespace vendrik
