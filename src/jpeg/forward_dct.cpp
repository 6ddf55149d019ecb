#include "jpeg/forward_dct.h"

#include <cmath>

#include "jpeg/jpeg_error.h"

namespace vendrik::jpeg {
namespace {

// cos(π/4), cos(3π/8), cos(π/8) − cos(3π/8), cos(π/8) + cos(3π/8): the AAN
// rotation constants, products formed in double and stored in single
// precision, which the encoder's output depends on.
constexpr double kC4 = 0.707106781186548;
constexpr double kC6 = 0.382683432365091;
constexpr double kC2mC6 = 0.541196100146196;
constexpr double kC2pC6 = 1.30656296487638;

// One 8-point pass over the values at p[0], p[stride], ..., p[7·stride].
inline void pass(float* p, int stride) noexcept {
    const float d0 = p[0 * stride];
    const float d1 = p[1 * stride];
    const float d2 = p[2 * stride];
    const float d3 = p[3 * stride];
    const float d4 = p[4 * stride];
    const float d5 = p[5 * stride];
    const float d6 = p[6 * stride];
    const float d7 = p[7 * stride];

    const float t0 = d0 + d7;
    const float t7 = d0 - d7;
    const float t1 = d1 + d6;
    const float t6 = d1 - d6;
    const float t2 = d2 + d5;
    const float t5 = d2 - d5;
    const float t3 = d3 + d4;
    const float t4 = d3 - d4;

    // Even part.
    const float u10 = t4 + t5;
    const float t13 = t0 - t3;
    const float t10 = t0 + t3;
    const float t11 = t2 + t1;
    const auto z1 = static_cast<float>(static_cast<double>(t1 - t2 + t13) * kC4);

    // Odd part.
    const float u12 = t6 + t7;
    const auto z3 = static_cast<float>(static_cast<double>(t5 + t6) * kC4);
    const auto q = static_cast<float>(static_cast<double>(u12 - u10) * kC6);
    const auto z2 = static_cast<float>(static_cast<double>(u10) * kC2mC6 - q);
    const auto z4 = static_cast<float>(static_cast<double>(u12) * kC2pC6 - q);
    const float z11 = z3 + t7;
    const float z13 = t7 - z3;

    p[0 * stride] = t10 + t11;
    p[4 * stride] = t10 - t11;
    p[1 * stride] = z11 + z4;
    p[7 * stride] = z11 - z4;
    p[2 * stride] = t13 + z1;
    p[6 * stride] = t13 - z1;
    p[5 * stride] = z2 + z13;
    p[3 * stride] = z13 - z2;
}

}  // namespace

void forwardDct(WorkBlock& block) noexcept {
    for (int c = 0; c < 8; ++c) {
        pass(block.data() + c, 8);
    }
    for (int r = 0; r < 8; ++r) {
        pass(block.data() + r * 8, 1);
    }
}

Divisors prepareDivisors(const QuantValues& q, int precision) {
    const int upper = precision == 12 ? 65535 : 255;
    Divisors d{};
    for (int row = 0; row < 8; ++row) {
        for (int col = 0; col < 8; ++col) {
            const std::size_t z = kZigzag[static_cast<std::size_t>(row * 8 + col)];
            enforce(q[z] >= 1 && q[z] <= upper, jpegError(JpegErrc::BadQuantizationTable));
            d[z] = static_cast<float>(kScaleFactors[static_cast<std::size_t>(row)] *
                                      kScaleFactors[static_cast<std::size_t>(col)] / q[z]);
        }
    }
    return d;
}

void quantiseBlock(const WorkBlock& block, const Divisors& divisors, std::int16_t* out) noexcept {
    for (std::size_t n = 0; n < 64; ++n) {
        const std::size_t z = kZigzag[n];
        // Single-precision product, then round half to even; with 8-bit
        // samples and Q ≥ 1 the magnitude stays below 1024.
        const float v = block[n] * divisors[z];
        out[z] = static_cast<std::int16_t>(std::nearbyint(v));
    }
}

}  // namespace vendrik::jpeg
