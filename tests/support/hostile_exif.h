#pragma once
// The damaged and hostile EXIF files of the reader's tests, shared with the
// suites that must survive the same bytes elsewhere (keeping metadata).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "exif/clsEXIF.h"
#include "support/exif_block_builder.h"

namespace vendrik::test {

struct HostileCase {
    const char* name;
    std::function<Bytes()> file;
    ExifState state;          // what the reader ends in
    bool create = true;       // false: no file at all
    bool worstCase = false;   // the most text a file head can produce
};

// Patches a 2- or 4-byte number into a JPEG made by ExifBlockBuilder, at an
// offset counted from the TIFF start (which sits at file offset 12).
[[nodiscard]] Bytes patched(const ExifBlockBuilder& b, std::size_t tiffOffset, std::uint64_t value,
                            unsigned width);

// IFD0 with an Orientation and an Exif directory with an FNumber.
[[nodiscard]] ExifBlockBuilder small(bool intel);

extern const std::vector<HostileCase> kHostile;

}  // namespace vendrik::test
