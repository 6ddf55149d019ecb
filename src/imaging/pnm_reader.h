#pragma once
// Reading binary PPM (P6) and PGM (P5) files, the plain interchange formats
// of the encoder's own command and of its tests.

#include <optional>
#include <string>

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
};

// Reads the file; on failure returns nullopt and sets `error` to a German
// reason a user understands ("abgeschnitten", "kein PPM/PGM", ...).
[[nodiscard]] std::optional<PnmImage> readPnm(const std::string& path, std::string& error,
                                              const PnmLimits& limits = {});

}  // namespace vendrik
