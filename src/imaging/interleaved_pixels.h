#pragma once
// What the HEIF and WebP decoders share: reading a coded file whole (WebP
// decodes from memory) within a size, and interleaved 8-bit pixels in an
// order of each library's own, with or without alpha, that become a 24-bit
// surface.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/result.h"
#include "imaging/box_size.h"
#include "imaging/surface.h"

namespace vendrik::decoders {

// A compressed file larger than this is refused before it is read: the raw
// samples of the largest picture the loader takes (8 bits, four samples a
// pixel). No encoder writes a picture larger than its raw samples, and a
// file past them is padding or a forged size.
inline constexpr std::size_t kMaxEncodedFileBytes = std::size_t{kMaxPicturePixels} * 4;

// The size of `file`, or a German reason when it cannot be known or passes
// kMaxEncodedFileBytes.
[[nodiscard]] Result<std::uint64_t> encodedFileSize(std::FILE* file);

// Reads `file` from its start to its end. Fails with a German reason when it
// cannot be read or is larger than kMaxEncodedFileBytes.
[[nodiscard]] Result<std::vector<std::uint8_t>> readWholeFile(std::FILE* file);

// At most the first `bytes` of `file` (fewer when it is shorter), checked as
// readWholeFile checks the whole: what a header is read from before memory
// for the rest is reserved.
[[nodiscard]] Result<std::vector<std::uint8_t>> readFileHead(std::FILE* file, std::size_t bytes);

// The order of the channels in a row of interleaved pixels.
enum class ChannelOrder { Rgb, Rgba, Bgra };

// Copies height rows of `width` pixels, `stride` bytes apart, into `out`
// (which has that size), turning them into blue, green, red. Alpha is
// flattened onto white, as the loader does for every format: c·a/255 +
// 255·(255 − a)/255, rounded.
void copyInterleavedRows(const std::uint8_t* top, std::ptrdiff_t stride, ChannelOrder order,
                         Surface& out) noexcept;

}  // namespace vendrik::decoders
