// Windows bitmaps, read by Vendrik itself: 1, 4, 8, 16, 24 and 32 bits per
// pixel, bottom-up and top-down, uncompressed (BI_RGB) or with colour masks
// (BI_BITFIELDS). Run-length compressed bitmaps are refused.

#include <array>
#include <bit>
#include <cstdint>
#include <vector>

#include "imaging/picture_decoders.h"

namespace vendrik::decoders {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;  // OS/2 BITMAPCOREHEADER
constexpr std::uint32_t kInfoHeaderSize = 40;  // BITMAPINFOHEADER
constexpr std::uint32_t kMaxHeaderSize = 124;  // BITMAPV5HEADER

enum Compression : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kAlphaBitfields = 6 };

std::uint32_t le32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24);
}
std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

// One colour channel given by a mask, scaled to 0..255.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    explicit Channel(std::uint32_t m) : mask(m) {
        if (m != 0) {
            shift = std::countr_zero(m);
            max = m >> shift;
        }
    }
    [[nodiscard]] std::uint8_t operator()(std::uint32_t pixel) const {
        if (max == 0) {
            return 0;
        }
        const std::uint64_t v = (pixel & mask) >> shift;
        return static_cast<std::uint8_t>((v * 255 + max / 2) / max);
    }
};

bool readAt(std::FILE* f, long offset, void* buffer, std::size_t size) {
    return std::fseek(f, offset, SEEK_SET) == 0 && std::fread(buffer, 1, size, f) == size;
}

}  // namespace

Result<void> decodeBmp(std::FILE* file, const LoadOptions& options, LoadedPicture& out) {
    std::array<std::uint8_t, kFileHeaderSize + kMaxHeaderSize + 16> head{};
    const std::size_t got = std::fread(head.data(), 1, head.size(), file);
    if (got < kFileHeaderSize + 4) {
        return Failure{"BMP abgeschnitten (Dateikopf unvollständig)"};
    }
    const std::uint32_t pixelOffset = le32(&head[10]);
    const std::uint32_t headerSize = le32(&head[14]);
    const bool core = headerSize == kCoreHeaderSize;
    if (!core && (headerSize < kInfoHeaderSize || headerSize > kMaxHeaderSize)) {
        return Failure{"BMP mit unbekanntem Kopf (" + std::to_string(headerSize) + " Byte)"};
    }
    if (got < kFileHeaderSize + headerSize) {
        return Failure{"BMP abgeschnitten (Dateikopf unvollständig)"};
    }
    const std::uint8_t* h = &head[kFileHeaderSize];
    std::int64_t width = core ? le16(h + 4) : static_cast<std::int32_t>(le32(h + 4));
    std::int64_t height = core ? le16(h + 6) : static_cast<std::int32_t>(le32(h + 8));
    const int bits = le16(h + (core ? 10 : 14));
    const std::uint32_t compression = core ? kRgb : le32(h + 16);
    const bool topDown = height < 0;
    height = topDown ? -height : height;
    if (Result<void> size = checkPictureSize(width, height); !size) {
        return size;
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        return Failure{"BMP mit " + std::to_string(bits) + " Bit je Pixel wird nicht unterstützt"};
    }
    const bool masked = compression == kBitfields || compression == kAlphaBitfields;
    if (compression == kRle8 || compression == kRle4) {
        return Failure{"lauflängenkomprimierte BMP werden nicht unterstützt"};
    }
    if (compression != kRgb && !(masked && (bits == 16 || bits == 32))) {
        return Failure{"BMP mit Kompression " + std::to_string(compression) +
                       " wird nicht unterstützt"};
    }

    // Colour masks: in the header from version 2 on, else right after it.
    std::uint32_t masks[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};
    if (bits == 16) {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
    }
    std::size_t tableStart = kFileHeaderSize + headerSize;
    if (masked) {
        if (headerSize == kInfoHeaderSize) {
            tableStart += compression == kAlphaBitfields ? 16 : 12;
        }
        if (got < kFileHeaderSize + kInfoHeaderSize + 12) {
            return Failure{"BMP abgeschnitten (Farbmasken fehlen)"};
        }
        for (int i = 0; i < 3; ++i) {
            masks[i] = le32(&head[kFileHeaderSize + kInfoHeaderSize + 4 * i]);
        }
    }
    const Channel red(masks[0]);
    const Channel green(masks[1]);
    const Channel blue(masks[2]);

    std::vector<Bgr> palette;
    if (bits <= 8) {
        const std::uint32_t maxEntries = 1U << bits;
        std::uint32_t entries = core ? maxEntries : le32(h + 32);
        if (entries == 0 || entries > maxEntries) {
            entries = maxEntries;
        }
        const std::size_t entrySize = core ? 3 : 4;
        std::vector<std::uint8_t> raw(entries * entrySize);
        if (!readAt(file, static_cast<long>(tableStart), raw.data(), raw.size())) {
            return Failure{"BMP abgeschnitten (Farbtabelle unvollständig)"};
        }
        palette.resize(entries);
        for (std::uint32_t i = 0; i < entries; ++i) {
            palette[i] = {raw[i * entrySize], raw[i * entrySize + 1], raw[i * entrySize + 2]};
        }
    }

    const int w = static_cast<int>(width);
    const int ht = static_cast<int>(height);
    const std::size_t stride = ((static_cast<std::size_t>(w) * bits + 31) / 32) * 4;
    if (Result<void> allocated = allocatePixels(out, w, ht, options); !allocated) {
        return allocated;
    }
    std::vector<std::uint8_t> line(stride);
    if (std::fseek(file, static_cast<long>(pixelOffset), SEEK_SET) != 0) {
        return Failure{"BMP abgeschnitten (keine Pixeldaten)"};
    }
    for (int fileRow = 0; fileRow < ht; ++fileRow) {
        if (std::fread(line.data(), 1, stride, file) != stride) {
            return Failure{"BMP abgeschnitten (Zeile " + std::to_string(fileRow + 1) + " von " +
                           std::to_string(ht) + " fehlt)"};
        }
        std::uint8_t* o = out.pixels.row(topDown ? fileRow : ht - 1 - fileRow);
        const std::uint8_t* in = line.data();
        for (int x = 0; x < w; ++x, o += 3) {
            Bgr c;
            if (bits <= 8) {
                const int perByte = 8 / bits;
                const int shift = 8 - bits - (x % perByte) * bits;
                const unsigned index = (in[x / perByte] >> shift) & ((1U << bits) - 1);
                c = index < palette.size() ? palette[index] : Bgr{};
            } else if (bits == 24) {
                c = {in[x * 3], in[x * 3 + 1], in[x * 3 + 2]};
            } else {
                const std::uint32_t px =
                    bits == 16 ? le16(in + x * 2) : le32(in + static_cast<std::size_t>(x) * 4);
                c = {blue(px), green(px), red(px)};
            }
            o[0] = c.b;
            o[1] = c.g;
            o[2] = c.r;
        }
    }
    return {};
}

}  // namespace vendrik::decoders
