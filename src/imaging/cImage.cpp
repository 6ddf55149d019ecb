#include "imaging/cImage.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "imaging/box_size.h"
#include "imaging/surface_ops.h"

namespace vendrik {

void cImage::ReleaseDib() noexcept {
    m_bits.reset();
    m_header = BitmapInfoHeader{};
}

bool cImage::Create(int lWidth, int lHeight, int iBitCount) {
    ReleaseDib();
    if (iBitCount != 1 && iBitCount != 4 && iBitCount != 8 && iBitCount != 24) {
        return false;
    }
    if (!withinPictureLimits(lWidth, lHeight)) {
        return false;
    }
    const std::size_t stride = static_cast<std::size_t>(bytesPerScanLine(lWidth, iBitCount));
    const std::size_t bytes = stride * static_cast<std::size_t>(lHeight);
    m_bits.reset(new (std::nothrow) std::uint8_t[bytes]);
    if (!m_bits) {
        return false;
    }
    std::memset(m_bits.get(), 0, bytes);
    m_header.width = lWidth;
    m_header.height = lHeight;
    m_header.bitCount = static_cast<std::uint16_t>(iBitCount);
    m_header.sizeImage = static_cast<std::uint32_t>(bytes);
    m_colors = {};
    if (iBitCount <= 8) {
        // The grey ramp: entry i of 2^bits is i × 255 / (2^bits − 1).
        const int top = (1 << iBitCount) - 1;
        for (int i = 0; i <= top; ++i) {
            const auto v = static_cast<std::uint8_t>(i * 255 / top);
            m_colors[static_cast<std::size_t>(i)] = {v, v, v};
        }
    }
    return true;
}

Surface cImage::hDC() noexcept {
    return pixelView();
}

Surface cImage::pixelView() const noexcept {
    if (empty() || BitCount() != 24) {
        return {};
    }
    const std::ptrdiff_t stride = BytesPerScanLine();
    return Surface::view(storedRow(0), Width(), Height(), -stride);
}

std::vector<Bgr> cImage::colorTable() const {
    if (empty() || BitCount() > 8) {
        return {};
    }
    return {m_colors.begin(), m_colors.begin() + (1 << BitCount())};
}

unsigned cImage::indexAt(int x, int y) const noexcept {
    const int bits = BitCount();
    const std::uint8_t* row = storedRow(y);
    const int perByte = 8 / bits;
    const int shift = 8 - bits - (x % perByte) * bits;
    return (row[x / perByte] >> shift) & ((1U << bits) - 1);
}

void cImage::setIndex(int x, int y, unsigned index) noexcept {
    const int bits = BitCount();
    std::uint8_t* row = storedRow(y);
    const int perByte = 8 / bits;
    const int shift = 8 - bits - (x % perByte) * bits;
    const unsigned mask = ((1U << bits) - 1) << shift;
    std::uint8_t& byte = row[x / perByte];
    byte = static_cast<std::uint8_t>((byte & ~mask) | ((index << shift) & mask));
}

Bgr cImage::colorAt(int x, int y) const noexcept {
    if (BitCount() == 24) {
        const std::uint8_t* p = storedRow(y) + static_cast<std::ptrdiff_t>(x) * 3;
        return {p[0], p[1], p[2]};
    }
    return m_colors[indexAt(x, y)];
}

void cImage::takePixels(const Surface& src) noexcept {
    if (BitCount() == 24) {
        Surface dst = hDC();
        copyRect(src, 0, 0, Width(), Height(), dst, 0, 0);
        return;
    }
    // The nearest colour-table entry in RGB distance; the first on a tie.
    const int entries = 1 << BitCount();
    for (int y = 0; y < Height(); ++y) {
        for (int x = 0; x < Width(); ++x) {
            const Bgr c = src.pixel(x, y);
            int best = 0;
            int bestDistance = std::numeric_limits<int>::max();
            for (int i = 0; i < entries && bestDistance > 0; ++i) {
                const Bgr& e = m_colors[static_cast<std::size_t>(i)];
                const int db = c.b - e.b;
                const int dg = c.g - e.g;
                const int dr = c.r - e.r;
                const int d = db * db + dg * dg + dr * dr;
                if (d < bestDistance) {
                    bestDistance = d;
                    best = i;
                }
            }
            setIndex(x, y, static_cast<unsigned>(best));
        }
    }
}

Surface cImage::toSurface() const {
    Surface out(Width(), Height());
    for (int y = 0; y < Height(); ++y) {
        for (int x = 0; x < Width(); ++x) {
            out.setPixel(x, y, colorAt(x, y));
        }
    }
    return out;
}

bool cImage::CopyStdPicture(const StdPicture& TheStdPicture, int& iBitCount) {
    if (TheStdPicture.pixels == nullptr || TheStdPicture.pixels->empty()) {
        ReleaseDib();
        return false;
    }
    const bool automatic = iBitCount == 0;
    if (automatic) {
        iBitCount = TheStdPicture.bitsPerPixel == 16 ? 24 : TheStdPicture.bitsPerPixel;
    }
    const Surface& src = *TheStdPicture.pixels;
    if (!Create(src.width(), src.height(), iBitCount)) {
        return false;
    }
    if (automatic && iBitCount <= 8 && !TheStdPicture.colorTable.empty()) {
        const std::size_t n =
            std::min(TheStdPicture.colorTable.size(), static_cast<std::size_t>(1) << iBitCount);
        std::copy_n(TheStdPicture.colorTable.begin(), n, m_colors.begin());
    }
    takePixels(src);
    return true;
}

bool cImage::CopyHDC(const Surface& lHDC, int lWidth, int lHeight, int iBitCount, int lSrcLeft,
                     int lSrcTop) {
    if (!Create(lWidth, lHeight, iBitCount == 0 ? 24 : iBitCount)) {
        return false;
    }
    try {
        takePixels(readRect(lHDC, lSrcLeft, lSrcTop, lWidth, lHeight));
    } catch (const std::bad_alloc&) {
        ReleaseDib();
        return false;
    }
    return true;
}

bool cImage::CopyHDC(const cImage& lHDC, int lWidth, int lHeight, int iBitCount, int lSrcLeft,
                     int lSrcTop) {
    const std::vector<Bgr> table = lHDC.colorTable();
    if (iBitCount == 0) {
        const std::size_t n = table.size();
        iBitCount = n == 0 ? 24 : n <= 2 ? 1 : n <= 16 ? 4 : 8;
    }
    if (!Create(lWidth, lHeight, iBitCount)) {
        return false;
    }
    if (!table.empty()) {
        CopyPalletHDC(lHDC);
    }
    try {
        takePixels(readRect(lHDC.toSurface(), lSrcLeft, lSrcTop, lWidth, lHeight));
    } catch (const std::bad_alloc&) {
        ReleaseDib();
        return false;
    }
    return true;
}

bool cImage::CopyPalletHDC(const cImage& lHDC) {
    const std::vector<Bgr> table = lHDC.colorTable();
    if (table.empty() || empty() || BitCount() > 8) {
        return false;
    }
    const std::size_t n = std::min(table.size(), static_cast<std::size_t>(1) << BitCount());
    std::copy_n(table.begin(), n, m_colors.begin());
    return n == table.size();
}

void cImage::PaintHDC(Surface& lHDC, int lDestLeft, int lDestTop, RasterOp eRop) const {
    for (int y = 0; y < Height(); ++y) {
        const int dy = lDestTop + y;
        if (dy < 0 || dy >= lHDC.height()) {
            continue;
        }
        for (int x = 0; x < Width(); ++x) {
            const int dx = lDestLeft + x;
            if (dx < 0 || dx >= lHDC.width()) {
                continue;
            }
            const Bgr s = colorAt(x, y);
            const Bgr d = lHDC.pixel(dx, dy);
            auto op = [&](std::uint8_t sv, std::uint8_t dv) -> std::uint8_t {
                switch (eRop) {
                    case RasterOp::SrcPaint:
                        return sv | dv;
                    case RasterOp::SrcAnd:
                        return sv & dv;
                    case RasterOp::SrcInvert:
                        return sv ^ dv;
                    case RasterOp::NotSrcCopy:
                        return static_cast<std::uint8_t>(~sv);
                    case RasterOp::SrcCopy:
                        break;
                }
                return sv;
            };
            lHDC.setPixel(dx, dy, {op(s.b, d.b), op(s.g, d.g), op(s.r, d.r)});
        }
    }
}

cImage cImage::Greyscale() const {
    cImage grey;
    if (empty() || !grey.Create(Width(), Height(), 8)) {
        return grey;
    }
    for (int y = 0; y < Height(); ++y) {
        for (int x = 0; x < Width(); ++x) {
            const Bgr c = colorAt(x, y);
            // The mean of the three is the nearest point on the grey axis;
            // thirds never tie, so rounding is (sum + 1) / 3.
            grey.setIndex(x, y, (static_cast<unsigned>(c.b) + c.g + c.r + 1) / 3);
        }
    }
    return grey;
}

cImage cImage::Resample(int lWidth, int lHeight) const {
    cImage out;
    if (empty() || !out.Create(lWidth, lHeight, BitCount())) {
        return out;
    }
    if (BitCount() <= 8) {
        out.CopyPalletHDC(*this);
    }
    try {
        const Surface src = toSurface();
        Surface scaled(lWidth, lHeight);
        stretchRect(src, 0, 0, Width(), Height(), scaled, 0, 0, lWidth, lHeight);
        out.takePixels(scaled);
    } catch (const std::bad_alloc&) {
        // Resample reports no failure (see its contract): without memory for
        // the scaling the copy stays blank.
    }
    return out;
}

cImage cImage::transformedCopy(Transform transform) const {
    cImage out;
    const bool swap = swapsSides(transform);
    if (empty() || !out.Create(swap ? Height() : Width(), swap ? Width() : Height(), BitCount())) {
        return out;
    }
    try {
        if (BitCount() == 24) {
            const Surface turned = transformed(pixelView(), transform);
            Surface dst = out.hDC();
            copyRect(turned, 0, 0, turned.width(), turned.height(), dst, 0, 0);
            return out;
        }
        // Indexed pixels move as they are: carry each index through the
        // transform in a surface's blue byte, so no colour is re-matched.
        out.CopyPalletHDC(*this);
        Surface indices(Width(), Height());
        for (int y = 0; y < Height(); ++y) {
            for (int x = 0; x < Width(); ++x) {
                indices.setPixel(x, y, {static_cast<std::uint8_t>(indexAt(x, y)), 0, 0});
            }
        }
        const Surface turned = transformed(indices, transform);
        for (int y = 0; y < out.Height(); ++y) {
            for (int x = 0; x < out.Width(); ++x) {
                out.setIndex(x, y, turned.pixel(x, y).b);
            }
        }
    } catch (const std::bad_alloc&) {
    }
    return out;
}

cImage cImage::Mirror(bool Vertical) const {
    return transformedCopy(Vertical ? Transform::MirrorTopBottom : Transform::MirrorLeftRight);
}

std::optional<cImage> cImage::Rotate(int Degrees) const {
    int angle = Degrees % 360;
    if (angle < 0) {
        angle += 360;
    }
    switch (angle) {
        case 90:
            return transformedCopy(Transform::RotateAnticlockwise);
        case 180:
            return transformedCopy(Transform::Rotate180);
        case 270:
            return transformedCopy(Transform::RotateClockwise);
        default:
            return std::nullopt;
    }
}

}  // namespace vendrik
