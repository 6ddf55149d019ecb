#pragma once
// What the HEIF and WebP decoders share: both libraries want the whole
// file in memory, and both hand back interleaved 8-bit pixels in an order of
// their own, with or without alpha, that become a 24-bit surface.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/result.h"
#include "imaging/surface.h"

namespace vendrik::decoders {

// A compressed file larger than this is refused before it is read: far more
// than any 100-megapixel HEIF or WebP needs, far less than a forged size
// field could claim.
inline constexpr std::size_t kMaxEncodedFileBytes = std::size_t{512} * 1024 * 1024;

// Reads `file` from its start to its end. Fails with a German reason when it
// cannot be read or is larger than kMaxEncodedFileBytes.
[[nodiscard]] Result<std::vector<std::uint8_t>> readWholeFile(std::FILE* file);

// The order of the channels in a row of interleaved pixels.
enum class ChannelOrder { Rgb, Rgba, Bgra };

// Copies height rows of `width` pixels, `stride` bytes apart, into `out`
// (which has that size), turning them into blue, green, red. Alpha is
// flattened onto white, as the loader does for every format: c·a/255 +
// 255·(255 − a)/255, rounded.
void copyInterleavedRows(const std::uint8_t* top, std::ptrdiff_t stride, ChannelOrder order,
                         Surface& out) noexcept;

}  // namespace vendrik::decoders
