#include "watermark/alpha_blending.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <limits>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "common/error.h"

namespace vendrik {
namespace {

constexpr std::int64_t kOne = Fixed4::kScale;
constexpr const char* kSource = "AlphaBlending";

VendrikError blendError(BlendErrc errc, const std::string& description) {
    return VendrikError(static_cast<int>(errc), kSource, description);
}

// Nearest integer, ties to even, of a double that must fit a 32-bit integer:
// the engine's coordinates are 32-bit, and a value beyond that is an
// overflow the caller reports, not a number to wrap.
[[nodiscard]] std::optional<std::int64_t> roundToLong(double value) {
    const double r = std::nearbyint(value);
    if (!std::isfinite(r) || r < std::numeric_limits<std::int32_t>::min() ||
        r > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(r);
}

[[nodiscard]] std::int64_t floorDiv(std::int64_t n, std::int64_t d) {
    std::int64_t q = n / d;
    if (n % d != 0 && ((n < 0) != (d < 0))) {
        --q;
    }
    return q;
}

// n / 10 000 rounded to nearest, ties to even: the rounding of every
// Fixed4 product and of the final channel value, all of which are ≥ 0.
// Every n here stays below 2^35 (a weight of at most 1 times a channel term
// of at most 255 × 10 000, both raw), so n / 10 000 is taken as
// (n / 16) / 625 on 32 bits, which the compiler turns into one 64-bit
// multiplication instead of a 128-bit one.
[[nodiscard]] inline std::uint64_t roundFixed(std::uint64_t n) {
    constexpr std::uint64_t one = kOne;
    assert(n < (std::uint64_t{1} << 36));
    const std::uint64_t q = static_cast<std::uint32_t>(n >> 4) / 625u;
    const std::uint64_t r = n - q * one;
    return q + static_cast<std::uint64_t>((r > one / 2) | ((r == one / 2) & (q & 1u)));
}

[[nodiscard]] bool fitsInt16(std::int64_t v) {
    return v >= std::numeric_limits<std::int16_t>::min() &&
           v <= std::numeric_limits<std::int16_t>::max();
}

// The default rotation centre coordinate: round(extent / 2), which must fit
// the 16-bit in-out parameter.
std::int16_t middleOf(int extent) {
    const std::int64_t m = static_cast<std::int64_t>(std::nearbyint(extent / 2.0));
    enforce(fitsInt16(m), [] {
        return blendError(BlendErrc::Overflow,
                          "Überlauf: Quellbild breiter oder höher als 65534 Pixel");
    });
    return static_cast<std::int16_t>(m);
}

struct Mapping {
    std::int64_t cosZ = 0;  // raw Fixed4 of cos(angle) / zoom
    std::int64_t sinZ = 0;  // raw Fixed4 of sin(angle) / zoom
    std::int64_t cx = 0;    // rotation centre in source pixels
    std::int64_t cy = 0;

    // Raw Fixed4 source point of the square's point (X, Y), both relative to
    // the source's top-left corner placed in the square.
    [[nodiscard]] std::int64_t sx(std::int64_t X, std::int64_t Y) const {
        return (X - cx) * cosZ - (Y - cy) * sinZ + cx * kOne;
    }
    [[nodiscard]] std::int64_t sy(std::int64_t X, std::int64_t Y) const {
        return (X - cx) * sinZ + (Y - cy) * cosZ + cy * kOne;
    }
};

// The sample position's integer part is a 16-bit number. The mapping is
// monotonic in X and in Y (every rounded product is), so its extremes over
// the square lie at the square's corners; checking those before drawing
// anything finds every overflow the pixel loop would meet.
void checkCornersFit(const Mapping& m, std::int64_t x0, std::int64_t x1, std::int64_t y0,
                     std::int64_t y1) {
    for (const std::int64_t X : {x0, x1}) {
        for (const std::int64_t Y : {y0, y1}) {
            enforce(
                fitsInt16(floorDiv(m.sx(X, Y), kOne)) && fitsInt16(floorDiv(m.sy(X, Y), kOne)), [] {
                    return blendError(BlendErrc::Overflow,
                                      "Überlauf: Quellkoordinate außerhalb des 16-Bit-Bereichs");
                });
        }
    }
}

[[nodiscard]] std::int64_t ceilDiv(std::int64_t n, std::int64_t d) {
    return -floorDiv(-n, d);
}

// The steps k of a column, first to last, narrowed to those where linear
// source coordinates start + k × step stay within 0..limit.
struct StepRange {
    std::int64_t first;
    std::int64_t last;

    void keepWithin(std::int64_t start, std::int64_t step, std::int64_t limit) {
        if (step == 0) {
            if (start < 0 || start > limit) {
                last = first - 1;
            }
            return;
        }
        // 0 ≤ start + k·step ≤ limit, solved for k by the sign of step.
        const std::int64_t a = step > 0 ? ceilDiv(-start, step) : ceilDiv(limit - start, step);
        const std::int64_t b = step > 0 ? floorDiv(limit - start, step) : floorDiv(-start, step);
        first = std::max(first, a);
        last = std::min(last, b);
    }
};

// The source as the pixel loop reads it. Most of a text picture is key
// colour, so each 2 × 2 cell of neighbours gets a precomputed bit: set when
// any of its four pixels is drawn. The bits of a large text fit the
// processor's cache where the pixels do not, and a cell of key pixels then
// costs one bit test.
class BlendSource {
public:
    BlendSource(const Surface& picture, int w, int h, Bgr key, std::int64_t alpha)
        : m_picture(picture),
          m_w(w),
          m_h(h),
          m_alpha(alpha),
          m_key(key),
          m_wordsPerRow((static_cast<std::size_t>(w) + 63) / 64) {
        try {
            m_cells.assign(m_wordsPerRow * static_cast<std::size_t>(h), 0);
        } catch (const std::bad_alloc&) {
            throw blendError(BlendErrc::OutOfMemory, "Nicht genügend Speicher zum Überblenden");
        }
        // A drawn pixel (x, y) marks the cells whose corner it is:
        // (x − 1 .. x, y − 1 .. y).
        for (int y = 0; y < h; ++y) {
            const std::uint8_t* p = picture.row(y);
            for (int x = 0; x < w; ++x, p += Surface::kBytesPerPixel) {
                if (!isKey(p)) {
                    for (int cy = std::max(0, y - 1); cy <= y; ++cy) {
                        for (int cx = std::max(0, x - 1); cx <= x; ++cx) {
                            mark(cx, cy);
                        }
                    }
                }
            }
        }
    }

    // One output pixel: the background at `out` mixed with the four source
    // neighbours of the raw Fixed4 point (sxRaw, syRaw), each laid over the
    // background with its coverage and weighted bilinearly.
    void blendPixel(std::uint8_t* out, std::int64_t sxRaw, std::int64_t syRaw) const;

private:
    [[nodiscard]] bool isKey(const std::uint8_t* p) const {
        return p[0] == m_key.b && p[1] == m_key.g && p[2] == m_key.r;
    }
    void mark(int x, int y) {
        m_cells[static_cast<std::size_t>(y) * m_wordsPerRow + static_cast<std::size_t>(x) / 64] |=
            std::uint64_t{1} << (x % 64);
    }
    [[nodiscard]] bool anyDrawn(std::int64_t x, std::int64_t y) const {
        const std::uint64_t word =
            m_cells[static_cast<std::size_t>(y) * m_wordsPerRow + static_cast<std::size_t>(x) / 64];
        return ((word >> (x % 64)) & 1u) != 0;
    }

    const Surface& m_picture;
    std::int64_t m_w;
    std::int64_t m_h;
    std::int64_t m_alpha;  // raw Fixed4
    Bgr m_key;
    std::size_t m_wordsPerRow;
    std::vector<std::uint64_t> m_cells;
};

inline void BlendSource::blendPixel(std::uint8_t* out, std::int64_t sxRaw,
                                    std::int64_t syRaw) const {
    if (sxRaw < 0 || syRaw < 0) {
        return;
    }
    const std::int64_t ix = sxRaw / kOne;
    const std::int64_t iy = syRaw / kOne;
    if (ix + 1 >= m_w || iy + 1 >= m_h) {
        return;
    }
    // Four key-coloured neighbours mix the background with itself; the
    // rounded weights then give back the background byte.
    if (!anyDrawn(ix, iy)) {
        return;
    }
    const std::uint8_t* upper = m_picture.row(static_cast<int>(iy)) + ix * Surface::kBytesPerPixel;
    const std::uint8_t* lower =
        m_picture.row(static_cast<int>(iy + 1)) + ix * Surface::kBytesPerPixel;
    const std::array<const std::uint8_t*, 4> p = {upper, upper + 3, lower, lower + 3};
    const std::array<bool, 4> drawn = {!isKey(p[0]), !isKey(p[1]), !isKey(p[2]), !isKey(p[3])};
    const std::uint64_t fx = static_cast<std::uint64_t>(sxRaw - ix * kOne);
    const std::uint64_t fy = static_cast<std::uint64_t>(syRaw - iy * kOne);
    constexpr std::uint64_t one = kOne;
    const std::array<std::uint64_t, 4> weight = {
        roundFixed((one - fx) * (one - fy)),  // W00
        roundFixed(fx * (one - fy)),          // W10
        roundFixed((one - fx) * fy),          // W01
        roundFixed(fx * fy),                  // W11
    };
    const std::uint64_t a = m_alpha;
    for (int ch = 0; ch < 3; ++ch) {
        const std::uint64_t b = out[ch];
        // The neighbour terms, raw: P × a + b × (1 − a), or b for a key
        // neighbour.
        std::array<std::uint64_t, 4> term{};
        std::uint64_t exactSum = 0;  // Σ W × term, before any rounding
        for (std::size_t k = 0; k < 4; ++k) {
            term[k] = drawn[k] ? p[k][ch] * a + b * (one - a) : b * one;
            exactSum += weight[k] * term[k];
        }
        // Rounding each of the four products moves the sum by at most
        // 4 × 5 000, so unless the unrounded sum lies that close to a half,
        // the channel byte is already decided; only then are the products
        // rounded one by one as the arithmetic prescribes.
        constexpr std::uint64_t kByte = one * one;
        constexpr std::uint64_t kHalf = kByte / 2;
        constexpr std::uint64_t kSlack = 4 * (one / 2);
        const std::uint64_t whole = exactSum / kByte;
        const std::uint64_t rest = exactSum - whole * kByte;
        if (rest + kSlack < kHalf) {
            out[ch] = static_cast<std::uint8_t>(whole);
        } else if (rest > kHalf + kSlack) {
            out[ch] = static_cast<std::uint8_t>(whole + 1);
        } else {
            std::uint64_t v = 0;
            for (std::size_t k = 0; k < 4; ++k) {
                v += roundFixed(weight[k] * term[k]);
            }
            out[ch] = static_cast<std::uint8_t>(roundFixed(v));
        }
    }
}

}  // namespace

void RotAlphaBlend(Surface& destination, Fixed4 angle, int centreX, int centreY, int w, int h,
                   const Surface& source, std::uint32_t keyColor, Fixed4 alpha, Fixed4 zoom,
                   std::int16_t& rotationCentreX, std::int16_t& rotationCentreY) {
    const auto overflow = [] {
        return blendError(BlendErrc::Overflow, "Überlauf beim Drehen und Überblenden");
    };
    const double zoomValue = zoom.toDouble();
    // The diagonal in double precision, as the square's side needs it.
    const double diagonal = std::sqrt(static_cast<double>(w) * w + static_cast<double>(h) * h);

    // 1. Side of the working square: the diagonal, widened by the distance
    //    of a given rotation centre from the source's middle.
    std::optional<std::int64_t> side;
    if (rotationCentreX == kRotationCentreNotGiven) {
        side = roundToLong(zoomValue * std::floor(diagonal));
    } else {
        if (rotationCentreY == kRotationCentreNotGiven) {
            rotationCentreY = middleOf(h);
        }
        const double dy = rotationCentreY - h / 2.0;
        const double dx = rotationCentreX - w / 2.0;
        const double d = std::sqrt(dy * dy + dx * dx);
        side = roundToLong(zoomValue * std::floor(diagonal + d));
    }
    enforce(side.has_value(), overflow);
    const std::int64_t c = *side;

    // 2. Default rotation centre: the source's middle, written back.
    if (rotationCentreX == kRotationCentreNotGiven) {
        rotationCentreX = middleOf(w);
    }
    if (rotationCentreY == kRotationCentreNotGiven) {
        rotationCentreY = middleOf(h);
    }

    // 3. The square is centred on (centreX, centreY).
    const std::optional<std::int64_t> leftOpt = roundToLong(centreX - c / 2.0);
    const std::optional<std::int64_t> topOpt = roundToLong(centreY - c / 2.0);
    enforce(leftOpt && topOpt, overflow);
    const std::int64_t left = *leftOpt;
    const std::int64_t top = *topOpt;

    // Every value a pixel is built from is a convex mix of bytes when alpha
    // lies in 0..1 (the rounded weights sum to 1 ± 0.0002, far from moving a
    // byte by a half), so alpha outside that range is the only way to a
    // result byte outside 0..255. Refusing it here, before the first pixel,
    // leaves the destination untouched rather than half blended.
    enforce(alpha.raw() >= 0 && alpha.raw() <= kOne, [] {
        return blendError(BlendErrc::Overflow, "Überlauf: Deckkraft außerhalb von 0 bis 1");
    });
    // The mapping divides by the zoom, even when the square is empty.
    enforce(zoom.raw() != 0, [] {
        return blendError(BlendErrc::DivisionByZero, "Division durch null: Zoomfaktor 0");
    });
    if (c <= 0 || w <= 0 || h <= 0) {
        return;  // an empty square or source draws nothing
    }
    enforce(source.width() >= w && source.height() >= h, [] {
        return blendError(BlendErrc::InvalidCall,
                          "Ungültiger Aufruf: Quellbild kleiner als angegeben");
    });

    // 5. The source sits centred in the square; odd differences put it one
    //    pixel further left or up.
    const std::int64_t offX = floorDiv(c - w, 2);
    const std::int64_t offY = floorDiv(c - h, 2);

    // 6. Key colour channels, &H00BBGGRR.
    const int keyRed = static_cast<int>(keyColor & 0xFFu);
    const int keyGreen = static_cast<int>((keyColor & 0xFF00u) / 256);
    const int keyBlue = static_cast<int>((keyColor & 0xFF0000u) / 65536);

    // 7. Mapping coefficients, rounded to four places.
    const double angleValue = angle.toDouble();
    const std::optional<Fixed4> cosZ = Fixed4::fromDouble(std::cos(angleValue) / zoomValue);
    const std::optional<Fixed4> sinZ = Fixed4::fromDouble(std::sin(angleValue) / zoomValue);
    enforce(cosZ && sinZ, overflow);
    const Mapping map{cosZ->raw(), sinZ->raw(), rotationCentreX, rotationCentreY};
    checkCornersFit(map, -offX, c - offX - 1, -offY, c - offY - 1);

    // 8. Only the part of the square inside the destination is computed:
    //    each output pixel depends on its own background pixel and the
    //    source alone, and whatever lies outside would be clipped on writing.
    //    For the same reason the result can be written in place: all checks
    //    that could abandon the call are behind us.
    const std::int64_t iLo = std::max<std::int64_t>(0, -left);
    const std::int64_t iHi = std::min<std::int64_t>(c, destination.width() - left);
    const std::int64_t jLo = std::max<std::int64_t>(0, -top);
    const std::int64_t jHi = std::min<std::int64_t>(c, destination.height() - top);
    if (iLo >= iHi || jLo >= jHi) {
        return;
    }
    const BlendSource src(source, w, h,
                          {static_cast<std::uint8_t>(keyBlue), static_cast<std::uint8_t>(keyGreen),
                           static_cast<std::uint8_t>(keyRed)},
                          alpha.raw());
    const std::int64_t sxLimit = (w - 1) * kOne - 1;  // sx < w − 1: a right neighbour exists
    const std::int64_t syLimit = (h - 1) * kOne - 1;
    // No output pixel depends on another, so the square is walked row by
    // row: the bytes are those of any order, and memory is read and written
    // in order instead of a row apart.
    for (std::int64_t j = jLo; j < jHi; ++j) {
        const std::int64_t Y = j - offY;
        const std::int64_t sx0 = map.sx(iLo - offX, Y);
        const std::int64_t sy0 = map.sy(iLo - offX, Y);
        // Along a row the source point moves by (cosZ, sinZ), exactly in raw
        // Fixed4. Most of the square lies outside the turned source: the
        // steps whose point is inside follow from the two linear
        // coordinates, so only those are visited.
        StepRange steps{0, iHi - iLo - 1};
        steps.keepWithin(sx0, map.cosZ, sxLimit);
        steps.keepWithin(sy0, map.sinZ, syLimit);
        std::int64_t sxRaw = sx0 + steps.first * map.cosZ;
        std::int64_t syRaw = sy0 + steps.first * map.sinZ;
        std::uint8_t* out = destination.row(static_cast<int>(top + j)) +
                            (left + iLo + steps.first) * Surface::kBytesPerPixel;
        for (std::int64_t k = steps.first; k <= steps.last;
             ++k, sxRaw += map.cosZ, syRaw += map.sinZ, out += Surface::kBytesPerPixel) {
            src.blendPixel(out, sxRaw, syRaw);
        }
    }
}

}  // namespace vendrik
