#pragma once
// Reading binary PPM (P6) and PGM (P5) files, the plain interchange formats
// of the encoder's own command and of its tests.

#include <cstddef>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "common/result.h"
#include "imaging/surface.h"

namespace vendrik {

struct PnmImage {
    Surface surface;    // grey files have equal blue, green and red
    bool grey = false;  // P5
};

struct PnmLimits {
    // A header may claim any size; memory is allocated only below these.
    long long maxPixels = 100'000'000;
    int maxSide = 65535;
    // Told the size and the bytes of the row buffer before the pixels are
    // allocated (the picture loader's memory budget).
    std::function<void(int width, int height, std::size_t rowBuffer)> beforeAllocating;
};

// Reads the file, or fails with a German reason a user understands
// ("abgeschnitten", "kein PPM/PGM", ...). Only an ordinary file is read: a
// FIFO or a device is refused without waiting.
[[nodiscard]] Result<PnmImage> readPnm(const std::string& path, const PnmLimits& limits = {});

// The same from a file already open, read from its current position.
[[nodiscard]] Result<PnmImage> readPnm(std::FILE* file, const PnmLimits& limits = {});

}  // namespace vendrik
