#include "jpeg/jpeg_tables.h"

#include <algorithm>
#include <cmath>

namespace vendrik::jpeg {
namespace {

constexpr QuantValues toZigzag(const QuantValues& natural) {
    QuantValues z{};
    for (std::size_t n = 0; n < 64; ++n) {
        z[kZigzag[n]] = natural[n];
    }
    return z;
}

// Natural (row-major) order, as printed in T.81 Annex K.
constexpr QuantValues kLuminanceNatural = {
    16, 11, 10, 16, 24,  40,  51,  61,   //
    12, 12, 14, 19, 26,  58,  60,  55,   //
    14, 13, 16, 24, 40,  57,  69,  56,   //
    14, 17, 22, 29, 51,  87,  80,  62,   //
    18, 22, 37, 56, 68,  109, 103, 77,   //
    24, 35, 55, 64, 81,  104, 113, 92,   //
    49, 64, 78, 87, 103, 121, 120, 101,  //
    72, 92, 95, 98, 112, 100, 103, 99,
};
constexpr QuantValues kChrominanceNatural = {
    17, 18, 24, 47, 99, 99, 99, 99,  //
    18, 21, 26, 66, 99, 99, 99, 99,  //
    24, 26, 56, 99, 99, 99, 99, 99,  //
    47, 66, 99, 99, 99, 99, 99, 99,  //
    99, 99, 99, 99, 99, 99, 99, 99,  //
    99, 99, 99, 99, 99, 99, 99, 99,  //
    99, 99, 99, 99, 99, 99, 99, 99,  //
    99, 99, 99, 99, 99, 99, 99, 99,
};

}  // namespace

const QuantValues kLuminanceBase = toZigzag(kLuminanceNatural);
const QuantValues kChrominanceBase = toZigzag(kChrominanceNatural);

int qualityScale(int quality) {
    if (quality >= 50) {
        return 200 - 2 * quality;
    }
    return static_cast<int>(std::nearbyint(5000.0 / quality));
}

QuantValues scaleQuantTable(const QuantValues& base, int scale) {
    QuantValues out{};
    for (std::size_t i = 0; i < 64; ++i) {
        const double v = std::nearbyint((static_cast<double>(base[i]) * scale + 50.0) / 100.0);
        out[i] = static_cast<std::uint16_t>(std::clamp(v, 1.0, 255.0));
    }
    return out;
}

}  // namespace vendrik::jpeg
