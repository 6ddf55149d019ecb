#pragma once
// The one EXIF value the loader needs: the Orientation tag (0x0112) of IFD0,
// read from a JPEG's APP1 "Exif" segment. The full EXIF reader is clsEXIF;
// this stays a few checked lines so that loading depends on nothing else.

#include <cstddef>
#include <cstdint>
#include <span>

namespace vendrik {

// 1..8 when the segment holds a valid Orientation, else 1 (as stored).
// `segment` is the APP1 payload after its length field, starting "Exif\0\0".
[[nodiscard]] int exifOrientation(std::span<const std::uint8_t> segment) noexcept;

// The same from the TIFF structure itself ("II*\0" or "MM\0*" first), as
// formats other than JPEG store their EXIF block.
[[nodiscard]] int exifOrientationOfTiff(std::span<const std::uint8_t> tiff) noexcept;

}  // namespace vendrik
