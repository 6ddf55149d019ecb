#include "imaging/exif_orientation.h"

#include <cstring>

namespace vendrik {

int exifOrientation(std::span<const std::uint8_t> segment) noexcept {
    constexpr std::size_t kExifHeader = 6;  // "Exif\0\0"
    if (segment.size() < kExifHeader + 8 || std::memcmp(segment.data(), "Exif\0\0", 6) != 0) {
        return 1;
    }
    return exifOrientationOfTiff(segment.subspan(kExifHeader));
}

int exifOrientationOfTiff(std::span<const std::uint8_t> tiff) noexcept {
    if (tiff.size() < 8) {
        return 1;
    }
    bool little = false;
    if (tiff[0] == 'I' && tiff[1] == 'I') {
        little = true;
    } else if (!(tiff[0] == 'M' && tiff[1] == 'M')) {
        return 1;
    }
    auto u16 = [&](std::size_t at) -> unsigned {
        return little ? tiff[at] | (tiff[at + 1] << 8) : (tiff[at] << 8) | tiff[at + 1];
    };
    auto u32 = [&](std::size_t at) -> std::uint32_t {
        return little ? (std::uint32_t{u16(at + 2)} << 16) | u16(at)
                      : (std::uint32_t{u16(at)} << 16) | u16(at + 2);
    };
    if (u16(2) != 42) {
        return 1;
    }
    // TIFF 6.0 section 2: IFD0 offset, a 2-byte entry count, 12-byte entries
    // (tag, type, count, value). Every offset is checked against the size.
    const std::size_t size = tiff.size();
    const std::uint32_t ifd = u32(4);
    if (ifd > size || size - ifd < 2) {
        return 1;
    }
    const unsigned count = u16(ifd);
    constexpr unsigned kOrientationTag = 0x0112;
    constexpr unsigned kTypeShort = 3;
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t entry = ifd + 2 + std::size_t{i} * 12;
        if (entry > size || size - entry < 12) {
            return 1;
        }
        if (u16(entry) == kOrientationTag) {
            if (u16(entry + 2) != kTypeShort || u32(entry + 4) != 1) {
                return 1;
            }
            const unsigned v = u16(entry + 8);
            return v >= 1 && v <= 8 ? static_cast<int>(v) : 1;
        }
    }
    return 1;
}

}  // namespace vendrik
