#pragma once
// Constant tables of the encoder and the quality scaling of its quantisation
// tables (ITU-T T.81 Annex K.1).

#include <array>
#include <cstdint>

namespace vendrik::jpeg {

using Block64u8 = std::array<std::uint8_t, 64>;
using QuantValues = std::array<std::uint16_t, 64>;

// For each natural position (row × 8 + column) its number in the zigzag
// sequence, built by walking the block as T.81 Figure 5 draws it: up and to
// the right, bouncing off the edges.
constexpr Block64u8 makeZigzagMap() {
    Block64u8 map{};
    int row = 0;
    int col = 0;
    int d = 1;
    for (int k = 0; k < 64; ++k) {
        map[static_cast<std::size_t>(row * 8 + col)] = static_cast<std::uint8_t>(k);
        row -= d;
        col += d;
        if (col >= 8) {
            col = 7;
            row += 2;
            d = -1;
        } else if (row >= 8) {
            row = 7;
            col += 2;
            d = 1;
        } else if (col < 0) {
            col = 0;
            d = 1;
        } else if (row < 0) {
            row = 0;
            d = -1;
        }
    }
    return map;
}

inline constexpr Block64u8 kZigzag = makeZigzagMap();

// The inverse: the natural position of each zigzag number.
constexpr Block64u8 makeNaturalOrder() {
    Block64u8 inv{};
    for (std::size_t n = 0; n < 64; ++n) {
        inv[kZigzag[n]] = static_cast<std::uint8_t>(n);
    }
    return inv;
}
inline constexpr Block64u8 kNaturalOrder = makeNaturalOrder();

// T.81 tables K.1 (luminance) and K.2 (chrominance), in zigzag order.
extern const QuantValues kLuminanceBase;
extern const QuantValues kChrominanceBase;

// The AAN transform's output scale factors r[k] = 1 / (√8 · s_k), s_0 = 1,
// s_k = √2 · cos(kπ/16), as 15-digit decimals so every build agrees.
inline constexpr std::array<double, 8> kScaleFactors = {
    0.353553390593273, 0.25489778955208,  0.270598050073098, 0.300672443467523,
    0.353553390593273, 0.449988111568207, 0.653281482438186, 1.28145772387074,
};

// Quality 1..100 to the percentage the base tables are scaled by: 200 − 2q
// from 50 up, else 5000 / q rounded half to even (16 gives 312, not 313).
[[nodiscard]] int qualityScale(int quality);

// base × scale / 100, rounded half to even, clamped to 1..255.
[[nodiscard]] QuantValues scaleQuantTable(const QuantValues& base, int scale);

// The strong compression's base tables (zigzag order), tuned for perceived
// quality.
extern const QuantValues kStrongLuminanceBase;
extern const QuantValues kStrongChrominanceBase;

// The strong compression's table for a quality 1..100 (zigzag order),
// scaled as scaleQuantTable does; the chrominance table is finer when the
// chroma components are stored at a reduced resolution.
[[nodiscard]] QuantValues strongQuantTable(int quality, bool chroma, bool halvedChroma);

}  // namespace vendrik::jpeg
