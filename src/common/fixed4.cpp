#include "common/fixed4.h"

#include <cstdlib>
#include <limits>

namespace vendrik {
namespace {

// A 128-bit intermediate keeps every product of two 64-bit raw values exact.
__extension__ using Int128 = __int128;

// q = n / d rounded to nearest, ties to even (d > 0).
Int128 divRoundEven(Int128 n, Int128 d) {
    Int128 q = n / d;
    Int128 r = n % d;
    if (r < 0) {
        r += d;
        q -= 1;
    }
    // Now n = q·d + r with 0 ≤ r < d.
    if (2 * r > d || (2 * r == d && (q % 2 != 0))) {
        q += 1;
    }
    return q;
}

}  // namespace

std::optional<Fixed4> Fixed4::fromDouble(double value) {
    const double scaled = value * kScale;
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2e18) {
        return std::nullopt;
    }
    return fromRaw(static_cast<std::int64_t>(std::nearbyint(scaled)));
}

std::int64_t Fixed4::round() const {
    return static_cast<std::int64_t>(divRoundEven(m_raw, kScale));
}

std::int64_t Fixed4::floor() const {
    std::int64_t q = m_raw / kScale;
    if (m_raw % kScale != 0 && m_raw < 0) {
        --q;
    }
    return q;
}

std::string Fixed4::toString() const {
    const bool negative = m_raw < 0;
    const std::uint64_t mag = negative ? 0 - static_cast<std::uint64_t>(m_raw)
                                       : static_cast<std::uint64_t>(m_raw);
    std::string s = std::to_string(mag / kScale);
    std::uint64_t frac = mag % kScale;
    if (frac != 0) {
        std::string digits = std::to_string(frac);
        digits.insert(0, 4 - digits.size(), '0');
        while (!digits.empty() && digits.back() == '0') {
            digits.pop_back();
        }
        s += "." + digits;
    }
    return negative ? "-" + s : s;
}

Fixed4 operator*(Fixed4 a, Fixed4 b) {
    const Int128 p = static_cast<Int128>(a.m_raw) * b.m_raw;
    return Fixed4::fromRaw(static_cast<std::int64_t>(divRoundEven(p, Fixed4::kScale)));
}

std::optional<Fixed4> checkedMultiply(Fixed4 a, Fixed4 b) {
    const Int128 p = static_cast<Int128>(a.raw()) * b.raw();
    const Int128 q = divRoundEven(p, Fixed4::kScale);
    if (q > std::numeric_limits<std::int64_t>::max() ||
        q < std::numeric_limits<std::int64_t>::min()) {
        return std::nullopt;
    }
    return Fixed4::fromRaw(static_cast<std::int64_t>(q));
}

}  // namespace vendrik
