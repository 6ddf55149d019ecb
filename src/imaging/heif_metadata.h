#pragma once
// The EXIF and XMP of a HEIF file (HEIC, AVIF), read through libheif from
// the items that belong to the primary picture, as a viewer shows them.
// Exiv2 has no reader for the format of its own here: asked, it takes a
// HEIF file for a QuickTime film and describes the file instead of the
// picture.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/result.h"

namespace vendrik {

struct HeifMetadata {
    // The TIFF structure of the Exif item (its leading offset field and any
    // "Exif\0\0" before the structure passed over); empty when there is none.
    std::vector<std::uint8_t> exif;
    std::string xmp;  // the packet of the XMP item; empty when there is none
    // The items' sizes as the file gives them, also for an item too large
    // to be read.
    std::size_t exifSize = 0;
    std::size_t xmpSize = 0;
};

// Reads the metadata of the HEIF file open at `fd` (from its start, without
// moving the descriptor's offset): the file's boxes and these two items,
// never its pictures. An item larger than `maxItem` bytes is not read; only
// its size is told. Fails with a German reason when libheif cannot read
// the file.
[[nodiscard]] Result<HeifMetadata> readHeifMetadata(int fd, std::size_t maxItem);

}  // namespace vendrik
