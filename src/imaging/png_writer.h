#pragma once
// Encoding a surface as a PNG file (8-bit RGB, no interlace), for the
// command line's pictures that must not lose a bit, like previews.

#include <cstdint>
#include <vector>

#include "imaging/surface.h"

namespace vendrik {

// The PNG file of `surface`, or an empty vector when libpng fails or the
// surface is empty.
[[nodiscard]] std::vector<std::uint8_t> encodePng(const Surface& surface);

}  // namespace vendrik
