#pragma once
// The forward DCT of the Arai–Agui–Nakajima kind in single precision, and the
// quantisation that folds the transform's output scaling into one multiplier
// per coefficient.

#include <array>
#include <cstdint>

#include "jpeg/jpeg_tables.h"

namespace vendrik::jpeg {

using WorkBlock = std::array<float, 64>;  // natural order, samples centred on 0
using Divisors = std::array<float, 64>;   // zigzag order

// In place: the result at (u, v) is 8 · s_u · s_v · F(u, v), F being the DCT
// of T.81 A.3.3. Columns first, then rows; 5 multiplications per pass.
void forwardDct(WorkBlock& block) noexcept;

// divisor[zigzag(row·8 + col)] = r[row] · r[col] / Q, in double, stored as
// float. Throws "Bad Quantization Table" when a value lies outside 1..255
// (1..65535 at precision 12).
[[nodiscard]] Divisors prepareDivisors(const QuantValues& q, int precision);

// The same divisors in natural order, as quantiseBlock takes them.
[[nodiscard]] Divisors naturalOrder(const Divisors& zigzag) noexcept;

// out[zigzag(n)] = round-half-even(block[n] · divisor(n)), with the divisors
// given in natural order (naturalOrder()).
void quantiseBlock(const WorkBlock& block, const Divisors& naturalDivisors,
                   std::int16_t* out) noexcept;

}  // namespace vendrik::jpeg
