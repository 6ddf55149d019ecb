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

// The strong compression's luminance table: DC as in K.1, the AC steps
// rising with the square of the radial frequency r = √(u² + v²) / 7 as
// 10 · (1 + 2.5 r²), rounded. Against K.1 it keeps the high frequencies
// about twice as fine and the lowest a little coarser: fine texture is what
// a viewer (and the structural scores we measured, SSIMULACRA and
// butteraugli) misses first once the bytes go down, while K.1 spends its
// bits on the steps next to DC. How steep it rises is a balance of the two
// scores: with the trellis's λ growing in textured blocks (see
// trellis_quantiser.cpp), over eight photographs at 1280 × 1024 in 4:2:0 a
// rise of 2.5 needed about 1 % fewer bytes at equal SSIMULACRA than 3 and
// about 1 % more at equal butteraugli, evening out the two scores where
// SSIMULACRA was the harder one; 2 gained no more on SSIMULACRA and lost
// 2–3 % on butteraugli, and steeper tables (5, or one as steep as
// mozjpeg's) gained on butteraugli what they lost on SSIMULACRA.
constexpr QuantValues strongLuminanceNatural() {
    QuantValues t{};
    for (int v = 0; v < 8; ++v) {
        for (int u = 0; u < 8; ++u) {
            // 10 · (1 + 2.5 (u² + v²) / 49) = (490 + 25 (u² + v²)) / 49,
            // rounded to the nearest (no step falls on a half).
            t[static_cast<std::size_t>(8 * v + u)] =
                static_cast<std::uint16_t>((490 + 25 * (u * u + v * v) + 24) / 49);
        }
    }
    t[0] = 16;
    return t;
}
constexpr QuantValues kStrongLuminanceNatural = strongLuminanceNatural();

// The strong compression's table for chroma at full resolution: K.2 with
// the steps of the lowest frequencies (u + v ≤ 2, the first six in zigzag
// order, DC among them) 1.3× as coarse and all the others 0.8×. K.2 spends
// its chroma bits on the lowest frequencies, where colour changes slowly
// and little of the error shows, and quantises everything above so
// coarsely (99) that colour edges bleed over their block; butteraugli,
// which sees colour at full resolution, weighs that bleeding. Over eight
// photographs at 1280 × 1024 in 4:4:4 this table needed 2–3 % fewer bytes
// at equal butteraugli and SSIMULACRA than K.2. The tilt is narrow: 1.6×
// and 0.7× cost 14 % more bytes at equal butteraugli, steps finer
// everywhere cost SSIMULACRA bytes, coarser ones butteraugli bytes, and
// finer low with coarser high frequencies lost on both scores.
constexpr QuantValues kStrongChrominanceNatural = {
    22, 23, 31, 38, 79, 79, 79, 79,  //
    23, 27, 21, 53, 79, 79, 79, 79,  //
    31, 21, 45, 79, 79, 79, 79, 79,  //
    38, 53, 79, 79, 79, 79, 79, 79,  //
    79, 79, 79, 79, 79, 79, 79, 79,  //
    79, 79, 79, 79, 79, 79, 79, 79,  //
    79, 79, 79, 79, 79, 79, 79, 79,  //
    79, 79, 79, 79, 79, 79, 79, 79,
};

// The percentage the strong compression scales its base tables by at a
// quality 1..100.
int strongQualityScale(int quality) {
    // The strong tables at a quality are the usual scale's 6 % coarser.
    // Over photographs at 1280 × 1024 the strong mode met the standard
    // mode's SSIMULACRA score with tables 10–20 % coarser and its
    // butteraugli score with about the same tables (−2 % to +4 %); 6 % keeps
    // one setting's look close in both modes and makes a photograph's strong
    // file the smaller one (0.86–0.91 of the bytes), which is what "kleinere
    // Dateien" promises and what lets a size limit be met at a higher
    // setting. A picture of fine texture alone can still come out larger:
    // the strong tables keep the high frequencies finer. A shift by whole
    // qualities would coarsen the few steps of the top qualities far more.
    return static_cast<int>(std::nearbyint(qualityScale(quality) * 1.06));
}

}  // namespace

const QuantValues kLuminanceBase = toZigzag(kLuminanceNatural);
const QuantValues kChrominanceBase = toZigzag(kChrominanceNatural);
const QuantValues kStrongLuminanceBase = toZigzag(kStrongLuminanceNatural);
const QuantValues kStrongChrominanceBase = toZigzag(kStrongChrominanceNatural);

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

QuantValues strongQuantTable(int quality, bool chroma, bool halvedChroma) {
    const int scale = strongQualityScale(quality);
    if (!chroma) {
        return scaleQuantTable(kStrongLuminanceBase, scale);
    }
    if (!halvedChroma) {
        return scaleQuantTable(kStrongChrominanceBase, scale);
    }
    // Halved chroma is quantised finer: each of its steps covers twice the
    // pixels in each halved direction, so its error spreads over more of
    // the picture, and sharpened for the decoder's enlargement (see
    // colour_sampling.cpp) it carries the colour edges butteraugli looks
    // at. Over eight photographs at 1280 × 1024 in 4:2:0, K.2 at 0.65 of
    // the scale needed 9–12 % fewer bytes at equal butteraugli and up to
    // 1 % fewer at equal SSIMULACRA than at the full scale; 0.8 gained
    // less, 0.5 more on butteraugli but lost on SSIMULACRA. The tilted
    // table of full-resolution chroma lost 5–6 % at equal butteraugli here
    // (for 1 % at equal SSIMULACRA).
    //
    // From quality 70 up the factor falls, to 0.45 at 85 and above: there
    // the luminance is fine enough that colour errors are the largest
    // butteraugli finds. Over the same photographs this needed 5 % fewer
    // bytes at the butteraugli score of libjpeg's 4:2:0 quality 85 (0.758
    // of cjpeg's bytes instead of 0.798) and as many at the SSIMULACRA
    // scores; falling to 0.3 gained less (0.768), and a finer factor below
    // 70 cost 1–2 % at the SSIMULACRA score of quality 70.
    const double factor = 0.65 - 0.2 * std::clamp((quality - 70) / 15.0, 0.0, 1.0);
    return scaleQuantTable(kChrominanceBase, static_cast<int>(std::nearbyint(scale * factor)));
}

}  // namespace vendrik::jpeg
