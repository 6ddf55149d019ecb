#pragma once
// The inner loops of the transform and quantisation, as inline kernels so the
// sampling loop can compile them once per instruction set (see
// colour_sampling.cpp). Eight lanes run together: one pass of the transform
// handles all eight columns (or, after a transpose, rows) of a block. The
// arithmetic of each lane is exactly the scalar one: IEEE single-precision
// sums, products formed in double and rounded to single. So the results do
// not depend on the vector width, and every build writes the same bytes.

#include <cstdint>
#include <cstring>
#include <utility>

#include "common/round_half_even.h"
#include "jpeg/jpeg_tables.h"

// The kernels never cross an ABI boundary (all inline); the warning about
// passing wide vectors by value does not apply.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace vendrik::jpeg::kernels {

using V8f = float __attribute__((vector_size(32)));
using V8d = double __attribute__((vector_size(64)));
using V8i = std::int32_t __attribute__((vector_size(32)));

// cos(π/4), cos(3π/8), cos(π/8) − cos(3π/8), cos(π/8) + cos(3π/8): the AAN
// rotation constants.
inline constexpr double kC4 = 0.707106781186548;
inline constexpr double kC6 = 0.382683432365091;
inline constexpr double kC2mC6 = 0.541196100146196;
inline constexpr double kC2pC6 = 1.30656296487638;

[[gnu::always_inline]] inline V8d widen(V8f v) {
    return __builtin_convertvector(v, V8d);
}
[[gnu::always_inline]] inline V8f narrow(V8d v) {
    return __builtin_convertvector(v, V8f);
}

// One 8-point pass on d[0..7], each a lane vector (Arai, Agui, Nakajima).
[[gnu::always_inline]] inline void dctPass(V8f* d) {
    const V8f t0 = d[0] + d[7];
    const V8f t7 = d[0] - d[7];
    const V8f t1 = d[1] + d[6];
    const V8f t6 = d[1] - d[6];
    const V8f t2 = d[2] + d[5];
    const V8f t5 = d[2] - d[5];
    const V8f t3 = d[3] + d[4];
    const V8f t4 = d[3] - d[4];

    // Even part.
    const V8f u10 = t4 + t5;
    const V8f t13 = t0 - t3;
    const V8f t10 = t0 + t3;
    const V8f t11 = t2 + t1;
    const V8f z1 = narrow(widen(t1 - t2 + t13) * kC4);

    // Odd part.
    const V8f u12 = t6 + t7;
    const V8f z3 = narrow(widen(t5 + t6) * kC4);
    const V8f q = narrow(widen(u12 - u10) * kC6);
    const V8f z2 = narrow(widen(u10) * kC2mC6 - widen(q));
    const V8f z4 = narrow(widen(u12) * kC2pC6 - widen(q));
    const V8f z11 = z3 + t7;
    const V8f z13 = t7 - z3;

    d[0] = t10 + t11;
    d[4] = t10 - t11;
    d[1] = z11 + z4;
    d[7] = z11 - z4;
    d[2] = t13 + z1;
    d[6] = t13 - z1;
    d[5] = z2 + z13;
    d[3] = z13 - z2;
}

[[gnu::always_inline]] inline void transpose(V8f* rows) {
    float m[8][8];
    std::memcpy(m, rows, sizeof m);
    float t[8][8];
    for (int r = 0; r < 8; ++r) {
        for (int c = 0; c < 8; ++c) {
            t[c][r] = m[r][c];
        }
    }
    std::memcpy(rows, t, sizeof t);
}

// The scaled transform of the block held as eight row vectors, in place:
// columns first, then rows.
[[gnu::always_inline]] inline void forwardDct(V8f* rows) {
    dctPass(rows);
    transpose(rows);
    dctPass(rows);
    transpose(rows);
}

template <std::size_t... N>
[[gnu::always_inline]] inline void storeZigzag(const std::int32_t* natural, std::int16_t* out,
                                               std::index_sequence<N...>) {
    ((out[N] = static_cast<std::int16_t>(natural[kNaturalOrder[N]])), ...);
}

// out[zigzag(n)] = round-half-even(rows[n] · divisors[n]), divisors in
// natural order.
[[gnu::always_inline]] inline void quantise(const V8f* rows, const V8f* divisors,
                                            std::int16_t* out) {
    // roundHalfEven on eight lanes; with 8-bit samples and Q ≥ 1 the
    // products stay below 1024.
    constexpr float kRound = kRoundHalfEven;
    alignas(32) std::int32_t q[64];
    for (int r = 0; r < 8; ++r) {
        const V8f p = rows[r] * divisors[r];  // single-precision product
        const V8i v = __builtin_convertvector((p + kRound) - kRound, V8i);
        std::memcpy(&q[r * 8], &v, sizeof v);
    }
    storeZigzag(q, out, std::make_index_sequence<64>());
}

}  // namespace vendrik::jpeg::kernels

#pragma GCC diagnostic pop
