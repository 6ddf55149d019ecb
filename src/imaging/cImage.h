#pragma once
// cImage: the system's in-memory device-independent bitmap. It keeps exactly
// the memory layout of a bottom-up DIB: 1, 4, 8 or 24 bits per pixel, rows
// stored from the bottom row of the picture up, each padded to a multiple of
// 4 bytes, 24-bit pixels as blue, green, red, indexed pixels with the
// leftmost pixel in the most significant bits, and a colour table of up to
// 256 entries (a linear grey ramp when created).
//
// Its "device context" is its Surface: hDC() hands a 24-bit image's pixels
// out as a view (no copy), which the encoder's SampleHDC reads directly.
// Operations that return an image return a new, independent cImage and never
// change the image they are called on.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "imaging/surface.h"

namespace vendrik {

enum class Transform;

// The block-transfer raster operations PaintHDC knows (their GDI codes).
enum class RasterOp : std::uint32_t {
    SrcCopy = 0x00CC0020,
    SrcPaint = 0x00EE0086,   // destination OR source
    SrcAnd = 0x008800C6,     // destination AND source
    SrcInvert = 0x00660046,  // destination XOR source
    NotSrcCopy = 0x00330008,
};

// A loaded picture as CopyStdPicture takes it over: its pixels and the depth
// and colour table the picture had (a picture from the loader is 24-bit).
struct StdPicture {
    const Surface* pixels = nullptr;
    int bitsPerPixel = 24;
    std::vector<Bgr> colorTable;
};

// The 40-byte BITMAPINFOHEADER fields of the image.
struct BitmapInfoHeader {
    std::uint32_t size = 40;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;  // uncompressed RGB
    std::uint32_t sizeImage = 0;    // height × BytesPerScanLine
};

class cImage {
public:
    cImage() = default;
    cImage(cImage&&) noexcept = default;
    cImage& operator=(cImage&&) noexcept = default;
    cImage(const cImage&) = delete;
    cImage& operator=(const cImage&) = delete;

    // An empty image reports 0 for all of these.
    [[nodiscard]] int Width() const noexcept { return m_header.width; }
    [[nodiscard]] int Height() const noexcept { return m_header.height; }
    [[nodiscard]] int BitCount() const noexcept { return m_header.bitCount; }
    [[nodiscard]] int BytesPerScanLine() const noexcept { return bytesPerScanLine(Width(), BitCount()); }
    [[nodiscard]] bool empty() const noexcept { return m_bits == nullptr; }

    // The pixel memory in bottom-up order; nullptr when empty.
    [[nodiscard]] std::uint8_t* DIBitsPtr() noexcept { return m_bits.get(); }
    [[nodiscard]] const std::uint8_t* DIBitsPtr() const noexcept { return m_bits.get(); }
    // A 24-bit image's pixels as a top-down view into DIBitsPtr (negative
    // stride); valid while the image lives and is not re-created. Empty for
    // an empty or indexed image, which has no 24-bit surface.
    [[nodiscard]] Surface hDC() noexcept;
    [[nodiscard]] const BitmapInfoHeader& header() const noexcept { return m_header; }
    // The colour table, 2^BitCount entries for an indexed image, none at 24.
    [[nodiscard]] std::vector<Bgr> colorTable() const;

    // Makes a new lWidth × lHeight picture of 1, 4, 8 or 24 bits, releasing
    // what the image held. Any other bit count, a size below 1 and a failed
    // allocation return false and leave the image empty.
    bool Create(int lWidth, int lHeight, int iBitCount);
    // Makes the image a copy of a picture. iBitCount 0 takes the picture's
    // own depth (16 becomes 24) and writes it back to the caller's variable;
    // a 32-bit picture taken over that way fails. At 1, 4 or 8 bits each
    // pixel becomes the nearest colour of the colour table.
    bool CopyStdPicture(const StdPicture& TheStdPicture, int& iBitCount);
    // Makes the image a copy of the lWidth × lHeight rectangle at
    // (lSrcLeft, lSrcTop) of a surface; outside pixels read as black.
    // iBitCount 0 means 24 (a surface has no colour table).
    bool CopyHDC(const Surface& lHDC, int lWidth, int lHeight, int iBitCount, int lSrcLeft,
                 int lSrcTop);
    // The same from another image: iBitCount 0 chooses the depth from the
    // number of its colour-table entries (none → 24, 2 → 1, ≤16 → 4, else 8)
    // and takes its colour table over.
    bool CopyHDC(const cImage& lHDC, int lWidth, int lHeight, int iBitCount, int lSrcLeft,
                 int lSrcTop);
    // Copies up to 2^BitCount colour-table entries of `lHDC` into this image;
    // true when any were copied.
    bool CopyPalletHDC(const cImage& lHDC);
    // Draws the whole image at (lDestLeft, lDestTop) of `lHDC`, clipped.
    void PaintHDC(Surface& lHDC, int lDestLeft, int lDestTop, RasterOp eRop) const;

    // An 8-bit copy with the grey ramp, each pixel the grey level nearest in
    // RGB distance.
    [[nodiscard]] cImage Greyscale() const;
    // A copy of lWidth × lHeight: area averaging when shrinking, linear
    // interpolation when enlarging; the same size copies exactly. An empty
    // image when the copy cannot be created; a blank one of the asked size
    // when memory runs out while drawing it.
    [[nodiscard]] cImage Resample(int lWidth, int lHeight) const;
    // Vertical: top and bottom exchanged; otherwise left and right.
    [[nodiscard]] cImage Mirror(bool Vertical) const;
    // A copy turned by 90 (anticlockwise on screen), 180 or 270 (clockwise)
    // degrees after reducing modulo 360; nothing for other angles.
    [[nodiscard]] std::optional<cImage> Rotate(int Degrees) const;

    // The colour of pixel (x, y), y counted from the top; indices resolved.
    [[nodiscard]] Bgr colorAt(int x, int y) const noexcept;
    [[nodiscard]] unsigned indexAt(int x, int y) const noexcept;
    void setIndex(int x, int y, unsigned index) noexcept;

    [[nodiscard]] static constexpr int bytesPerScanLine(int width, int bitCount) noexcept {
        switch (bitCount) {
            case 0:
                return 0;
            case 1:
                return ((width - 1) / 8 + 4) & ~3;
            case 4:
                return ((width - 1) / 2 + 4) & ~3;
            case 8:
                return (width + 3) & ~3;
            default:
                return (3 * width + 3) & ~3;
        }
    }

private:
    void ReleaseDib() noexcept;
    [[nodiscard]] std::uint8_t* storedRow(int y) const noexcept {
        return m_bits.get() + static_cast<std::size_t>(Height() - 1 - y) * BytesPerScanLine();
    }
    // Every pixel of `src` (same size as the image) written as the nearest
    // colour-table entry, or copied at 24 bits.
    void takePixels(const Surface& src) noexcept;
    [[nodiscard]] Surface toSurface() const;
    // hDC()'s view; the const operations only read through it.
    [[nodiscard]] Surface pixelView() const noexcept;
    [[nodiscard]] cImage transformedCopy(Transform transform) const;

    std::unique_ptr<std::uint8_t[]> m_bits;
    BitmapInfoHeader m_header;
    std::array<Bgr, 256> m_colors{};
};

}  // namespace vendrik
