#include "jpeg/forward_dct.h"

#pragma GCC diagnostic ignored "-Wpsabi"

#include <cstring>

#include "jpeg/dct_kernels.h"
#include "jpeg/jpeg_error.h"

namespace vendrik::jpeg {
void forwardDct(WorkBlock& block) noexcept {
    kernels::V8f rows[8];
    std::memcpy(rows, block.data(), sizeof rows);
    kernels::forwardDct(rows);
    std::memcpy(block.data(), rows, sizeof rows);
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

Divisors naturalOrder(const Divisors& zigzag) noexcept {
    Divisors n{};
    for (std::size_t i = 0; i < 64; ++i) {
        n[i] = zigzag[kZigzag[i]];
    }
    return n;
}

void quantiseBlock(const WorkBlock& block, const Divisors& naturalDivisors,
                   std::int16_t* out) noexcept {
    kernels::V8f rows[8];
    kernels::V8f div[8];
    std::memcpy(rows, block.data(), sizeof rows);
    std::memcpy(div, naturalDivisors.data(), sizeof div);
    kernels::quantise(rows, div, out);
}

}  // namespace vendrik::jpeg
