#pragma once
// Rounding a float to the nearest integer, half to even, without a call.
//
// std::nearbyint does the same but is a library call on the x86-64
// baseline (its instruction needs SSE4.1), which keeps loops over
// coefficients and samples from being vectorised. Adding and subtracting
// 1.5 · 2^23 leaves a float of magnitude below 2^22 rounded to an integer in
// the default rounding mode; the build forbids the contractions and
// reassociations that would fold the two away.

namespace vendrik {

inline constexpr float kRoundHalfEven = 12582912.0F;

// |v| < 2^22.
[[nodiscard]] inline float roundHalfEven(float v) noexcept {
    return (v + kRoundHalfEven) - kRoundHalfEven;
}

}  // namespace vendrik
