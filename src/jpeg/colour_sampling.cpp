// SampleHDC: from a surface's pixels to quantised coefficients. Each
// component's picture is drawn (reduced for subsampled components) into a
// working surface padded to whole blocks by repeating the edge pixels, then
// converted to Y, Cb or Cr block by block, transformed and quantised.

#include <algorithm>
#include <cstring>
#include <new>

#include "imaging/surface_ops.h"
#include "jpeg/cJpeg.h"

namespace vendrik {
namespace {

int ceilDiv(long long a, long long b) {
    return static_cast<int>((a + b - 1) / b);
}

// Repeats column cw − 1 to the right and row ch − 1 downwards, so a block at
// the edge continues the picture instead of jumping to black.
void padEdges(Surface& s, int cw, int ch) {
    constexpr int kBpp = Surface::kBytesPerPixel;
    for (int y = 0; y < ch; ++y) {
        std::uint8_t* row = s.row(y);
        for (int x = cw; x < s.width(); ++x) {
            std::memcpy(row + x * kBpp, row + (x - 1) * kBpp, kBpp);
        }
    }
    const std::size_t rowBytes = static_cast<std::size_t>(s.width()) * kBpp;
    for (int y = ch; y < s.height(); ++y) {
        std::memcpy(s.row(y), s.row(y - 1), rowBytes);
    }
}

// The colour transform of JFIF (ITU-T T.871 §7). Y uses double constants; the
// six chroma constants are single-precision values. Sums are formed in double
// and stored as float.
struct YConverter {
    float operator()(const std::uint8_t* p) const noexcept {
        return static_cast<float>(0.299 * p[2] + 0.587 * p[1] + 0.114 * p[0] - 128.0);
    }
};
struct CbConverter {
    static constexpr double kR = static_cast<float>(-0.16874);
    static constexpr double kG = static_cast<float>(-0.33126);
    static constexpr double kB = static_cast<float>(0.5);
    float operator()(const std::uint8_t* p) const noexcept {
        return static_cast<float>(kR * p[2] + kG * p[1] + kB * p[0]);
    }
};
struct CrConverter {
    static constexpr double kR = static_cast<float>(0.5);
    static constexpr double kG = static_cast<float>(-0.41869);
    static constexpr double kB = static_cast<float>(-0.08131);
    float operator()(const std::uint8_t* p) const noexcept {
        return static_cast<float>(kR * p[2] + kG * p[1] + kB * p[0]);
    }
};

template <typename Convert>
void quantiseComponent(const Surface& drawing, const jpeg::Divisors& divisors,
                       jpeg::JpegComponent& comp, Convert convert) {
    constexpr int kBpp = Surface::kBytesPerPixel;
    jpeg::WorkBlock block;
    std::int16_t* out = comp.coefficients.data();
    for (int by = 0; by < comp.blocksPerColumn; ++by) {
        for (int bx = 0; bx < comp.blocksPerRow; ++bx) {
            for (int r = 0; r < 8; ++r) {
                const std::uint8_t* p = drawing.row(by * 8 + r) + bx * 8 * kBpp;
                for (int c = 0; c < 8; ++c, p += kBpp) {
                    block[static_cast<std::size_t>(r * 8 + c)] = convert(p);
                }
            }
            jpeg::forwardDct(block);
            jpeg::quantiseBlock(block, divisors, out);
            out += 64;
        }
    }
}

}  // namespace

int cJpeg::SampleHDC(const Surface& lHDC, int lWidth, int lHeight, int lSrcLeft, int lSrcTop) {
    if (lWidth < 1 || lHeight < 1 || lWidth > kMaxDimension || lHeight > kMaxDimension) {
        return kSurfaceFailed;
    }
    try {
        std::vector<jpeg::JpegComponent> comps = m_components;
        Surface drawing;
        int drawnW = -1;
        int drawnH = -1;
        for (std::size_t i = 0; i < comps.size(); ++i) {
            report(30 + 10 * static_cast<int>(i));
            jpeg::JpegComponent& comp = comps[i];
            comp.id = static_cast<int>(i) + 1;
            const int cw = ceilDiv(static_cast<long long>(comp.H) * lWidth, m_hmax);
            const int ch = ceilDiv(static_cast<long long>(comp.V) * lHeight, m_vmax);
            const int pw = (cw + 7) / 8 * 8;
            const int ph = (ch + 7) / 8 * 8;
            comp.blocksPerRow = pw / 8;
            comp.blocksPerColumn = ph / 8;
            comp.coefficients.assign(static_cast<std::size_t>(pw) * ph, 0);

            // A component whose padded size equals the previous one's uses
            // the drawing already there: in 4:4:4 all three share one, and
            // a chroma component that rounds up to the same blocks as its
            // predecessor reuses that (even unreduced) drawing.
            if (pw != drawnW || ph != drawnH) {
                drawing = Surface(pw, ph);
                if (cw == lWidth && ch == lHeight) {
                    copyRect(lHDC, lSrcLeft, lSrcTop, cw, ch, drawing, 0, 0);
                } else {
                    stretchRect(lHDC, lSrcLeft, lSrcTop, lWidth, lHeight, drawing, 0, 0, cw, ch);
                }
                padEdges(drawing, cw, ch);
                drawnW = pw;
                drawnH = ph;
            }

            const jpeg::Divisors& div = m_divisors[static_cast<std::size_t>(comp.Tq)];
            if (comps.size() == 1 || i == 0) {
                quantiseComponent(drawing, div, comp, YConverter{});
            } else if (i == 1) {
                quantiseComponent(drawing, div, comp, CbConverter{});
            } else {
                quantiseComponent(drawing, div, comp, CrConverter{});
            }
        }
        m_components = std::move(comps);
    } catch (const std::bad_alloc&) {
        return kSurfaceFailed;
    }
    m_precision = 8;
    m_width = lWidth;
    m_height = lHeight;
    return kSampled;
}

}  // namespace vendrik
