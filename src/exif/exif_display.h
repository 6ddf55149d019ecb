#pragma once
// The display rules: what the user reads for one directory entry, and the
// number (Value) the entry stands for.

#include <cstdint>
#include <string>
#include <string_view>

#include "exif/exif_numbers.h"

namespace vendrik {

// One 12-byte directory entry as stored (TIFF 6.0 section 2, "IFD Entry").
struct ExifRawEntry {
    std::uint16_t id = 0;
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::uint32_t valueField = 0;     // the last four bytes as an unsigned number
    std::uint64_t valueFieldPos = 0;  // where those four bytes sit in the data
};

// Where an entry's offsets lead: the bytes read, the TIFF header's position
// in them (offsets count from there) and the byte order.
struct ExifBlock {
    ExifBytes data;
    std::uint64_t tiffStart = 0;
    bool intel = false;
};

struct ExifDisplayed {
    std::string display;
    double value = 0;
};

// The display text and Value of `entry`; `separator` is the locale's decimal
// separator. Never fails: missing bytes count as 0, texts stay within
// kDisplayLimit, unknown types display as "".
[[nodiscard]] ExifDisplayed displayEntry(const ExifRawEntry& entry, const ExifBlock& block,
                                         std::string_view separator);

}  // namespace vendrik
