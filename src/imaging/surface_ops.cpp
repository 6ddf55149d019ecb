#include "imaging/surface_ops.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "common/round_half_even.h"

namespace vendrik {

void copyRect(const Surface& src, int sx, int sy, int w, int h, Surface& dst, int dx, int dy) {
    constexpr int kBpp = Surface::kBytesPerPixel;
    // Clip against the destination first; every remaining destination pixel
    // is written, with black where its source lies outside `src`.
    const int x0 = std::max(0, -dx);
    const int y0 = std::max(0, -dy);
    const int x1 = std::min(w, dst.width() - dx);
    const int y1 = std::min(h, dst.height() - dy);
    if (x0 >= x1 || y0 >= y1) {
        return;
    }
    // The part of [x0, x1) whose source column lies inside `src`.
    const int ix0 = std::clamp(-sx, x0, x1);
    const int ix1 = std::clamp(src.width() - sx, ix0, x1);
    for (int y = y0; y < y1; ++y) {
        std::uint8_t* out = dst.row(dy + y) + static_cast<std::ptrdiff_t>(dx) * kBpp;
        const int syy = sy + y;
        if (syy < 0 || syy >= src.height()) {
            std::memset(out + x0 * kBpp, 0, static_cast<std::size_t>(x1 - x0) * kBpp);
            continue;
        }
        std::memset(out + x0 * kBpp, 0, static_cast<std::size_t>(ix0 - x0) * kBpp);
        if (ix1 > ix0) {
            std::memcpy(out + ix0 * kBpp, src.row(syy) + static_cast<std::ptrdiff_t>(sx + ix0) * kBpp,
                        static_cast<std::size_t>(ix1 - ix0) * kBpp);
        }
        std::memset(out + ix1 * kBpp, 0, static_cast<std::size_t>(x1 - ix1) * kBpp);
    }
}

namespace {

// The source pixels one destination pixel draws from along one direction,
// with their weights (summing to 1).
struct Taps {
    std::vector<int> first;      // first source index per destination index
    std::vector<int> count;      // number of taps per destination index
    std::vector<float> weights;  // `maxCount` weights per destination index
    int maxCount = 0;
};

Taps makeTaps(int srcLen, int dstLen) {
    Taps t;
    t.first.resize(static_cast<std::size_t>(dstLen));
    t.count.resize(static_cast<std::size_t>(dstLen));
    const double scale = static_cast<double>(srcLen) / dstLen;
    if (dstLen <= srcLen) {
        // Area averaging: destination pixel i covers [i·scale, (i+1)·scale).
        t.maxCount = static_cast<int>(std::ceil(scale)) + 1;
        t.weights.assign(static_cast<std::size_t>(dstLen) * t.maxCount, 0.0F);
        for (int i = 0; i < dstLen; ++i) {
            const double a = i * scale;
            const double b = std::min<double>((i + 1) * scale, srcLen);
            const int j0 = static_cast<int>(std::floor(a));
            const int j1 = std::min(srcLen, static_cast<int>(std::ceil(b)));
            t.first[i] = j0;
            t.count[i] = std::min(j1 - j0, t.maxCount);
            for (int k = 0; k < t.count[i]; ++k) {
                const double lo = std::max<double>(a, j0 + k);
                const double hi = std::min<double>(b, j0 + k + 1);
                t.weights[static_cast<std::size_t>(i) * t.maxCount + k] =
                    static_cast<float>((hi - lo) / scale);
            }
        }
        return t;
    }
    // Enlargement: linear interpolation between pixel centres, edges held.
    t.maxCount = 2;
    t.weights.assign(static_cast<std::size_t>(dstLen) * 2, 0.0F);
    for (int i = 0; i < dstLen; ++i) {
        const double pos = std::clamp((i + 0.5) * scale - 0.5, 0.0, srcLen - 1.0);
        const int j = std::min(static_cast<int>(pos), srcLen - 1);
        const double frac = pos - j;
        t.first[i] = j;
        if (j + 1 < srcLen && frac > 0.0) {
            t.count[i] = 2;
            t.weights[static_cast<std::size_t>(i) * 2] = static_cast<float>(1.0 - frac);
            t.weights[static_cast<std::size_t>(i) * 2 + 1] = static_cast<float>(frac);
        } else {
            t.count[i] = 1;
            t.weights[static_cast<std::size_t>(i) * 2] = 1.0F;
        }
    }
    return t;
}

std::uint8_t toByte(float v) {
    return static_cast<std::uint8_t>(std::clamp(roundHalfEven(v), 0.0F, 255.0F));
}

// Exactly half the size in both directions, the common case of colour
// subsampling: each destination pixel is the mean of a 2 × 2 square. The sum
// of four bytes divided by 4 is exact in float, so this gives the very bytes
// of the general path, rounded half to even, at a fraction of its cost.
// Compiled for AVX2 as well, chosen at load time: the loop vectorises well.
#if defined(__x86_64__) && !defined(__clang__)
__attribute__((target_clones("avx2", "default")))
#endif
void halve(const Surface& src, int sx, int sy, Surface& dst, int dx, int dy, int x0, int x1,
           int y0, int y1) {
    constexpr int kBpp = Surface::kBytesPerPixel;
    for (int y = y0; y < y1; ++y) {
        const std::uint8_t* a = src.row(sy + 2 * y) + static_cast<std::ptrdiff_t>(sx) * kBpp;
        const std::uint8_t* b = src.row(sy + 2 * y + 1) + static_cast<std::ptrdiff_t>(sx) * kBpp;
        std::uint8_t* out = dst.row(dy + y) + static_cast<std::ptrdiff_t>(dx) * kBpp;
        for (int x = x0; x < x1; ++x) {
            for (int k = 0; k < kBpp; ++k) {
                const int i = 2 * x * kBpp + k;
                const unsigned sum = a[i] + a[i + kBpp] + b[i] + b[i + kBpp];
                unsigned q = sum >> 2;
                const unsigned r = sum & 3U;
                q += static_cast<unsigned>(r > 2 || (r == 2 && (q & 1U) != 0));
                out[x * kBpp + k] = static_cast<std::uint8_t>(q);
            }
        }
    }
}

}  // namespace

void stretchRect(const Surface& src, int sx, int sy, int sw, int sh, Surface& dst, int dx, int dy,
                 int dw, int dh) {
    constexpr int kBpp = Surface::kBytesPerPixel;
    // Clip the source rectangle to the source surface.
    if (sx < 0) {
        sw += sx;
        sx = 0;
    }
    if (sy < 0) {
        sh += sy;
        sy = 0;
    }
    sw = std::min(sw, src.width() - sx);
    sh = std::min(sh, src.height() - sy);
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) {
        return;
    }
    if (sw == dw && sh == dh) {
        copyRect(src, sx, sy, sw, sh, dst, dx, dy);
        return;
    }
    if (sw == 2 * dw && sh == 2 * dh) {
        const int x0 = std::max(0, -dx);
        const int x1 = std::min(dw, dst.width() - dx);
        const int y0 = std::max(0, -dy);
        const int y1 = std::min(dh, dst.height() - dy);
        if (x0 < x1) {
            halve(src, sx, sy, dst, dx, dy, x0, x1, y0, y1);
        }
        return;
    }
    const Taps hx = makeTaps(sw, dw);
    const Taps vy = makeTaps(sh, dh);

    // Horizontally resampled source rows, kept in a ring: the rows one
    // destination row needs form a window that only moves downwards.
    const int ringSize = vy.maxCount;
    std::vector<float> ring(static_cast<std::size_t>(ringSize) * dw * kBpp);
    std::vector<int> ringTag(static_cast<std::size_t>(ringSize), -1);
    auto resampledRow = [&](int j) -> const float* {
        const int slot = j % ringSize;
        float* out = ring.data() + static_cast<std::size_t>(slot) * dw * kBpp;
        if (ringTag[slot] != j) {
            ringTag[slot] = j;
            const std::uint8_t* in = src.row(sy + j) + static_cast<std::ptrdiff_t>(sx) * kBpp;
            for (int i = 0; i < dw; ++i) {
                const float* w = &hx.weights[static_cast<std::size_t>(i) * hx.maxCount];
                const std::uint8_t* p = in + static_cast<std::ptrdiff_t>(hx.first[i]) * kBpp;
                float b = 0, g = 0, r = 0;
                for (int k = 0; k < hx.count[i]; ++k, p += kBpp) {
                    b += w[k] * p[0];
                    g += w[k] * p[1];
                    r += w[k] * p[2];
                }
                out[i * kBpp] = b;
                out[i * kBpp + 1] = g;
                out[i * kBpp + 2] = r;
            }
        }
        return out;
    };

    const int y0 = std::max(0, -dy);
    const int y1 = std::min(dh, dst.height() - dy);
    const int x0 = std::max(0, -dx);
    const int x1 = std::min(dw, dst.width() - dx);
    if (x0 >= x1) {
        return;
    }
    std::vector<float> acc(static_cast<std::size_t>(dw) * kBpp);
    for (int y = y0; y < y1; ++y) {
        std::fill(acc.begin(), acc.end(), 0.0F);
        const float* w = &vy.weights[static_cast<std::size_t>(y) * vy.maxCount];
        for (int k = 0; k < vy.count[y]; ++k) {
            const float* in = resampledRow(vy.first[y] + k);
            const float wk = w[k];
            for (int i = x0 * kBpp; i < x1 * kBpp; ++i) {
                acc[i] += wk * in[i];
            }
        }
        std::uint8_t* out = dst.row(dy + y) + static_cast<std::ptrdiff_t>(dx) * kBpp;
        for (int i = x0 * kBpp; i < x1 * kBpp; ++i) {
            out[i] = toByte(acc[i]);
        }
    }
}

}  // namespace vendrik

namespace vendrik {

Surface readRect(const Surface& src, int x, int y, int w, int h) {
    Surface out(w, h);
    copyRect(src, x, y, w, h, out, 0, 0);
    return out;
}

Surface transformed(const Surface& src, Transform t) {
    constexpr int kBpp = Surface::kBytesPerPixel;
    const int w = src.width();
    const int h = src.height();
    if (t == Transform::Identity) {
        return src.clone();
    }
    const bool swap = swapsSides(t);
    Surface out(swap ? h : w, swap ? w : h);
    if (out.empty()) {
        return out;
    }
    // Walk the source row by row and write each pixel where the transform
    // puts it: destination (dx, dy) = origin + x·stepX + y·stepY, expressed
    // as byte offsets into the destination.
    const std::ptrdiff_t ds = out.stride();
    std::ptrdiff_t origin = 0;
    std::ptrdiff_t stepX = kBpp;
    std::ptrdiff_t stepY = ds;
    const std::ptrdiff_t right = static_cast<std::ptrdiff_t>(out.width() - 1) * kBpp;
    const std::ptrdiff_t bottom = static_cast<std::ptrdiff_t>(out.height() - 1) * ds;
    switch (t) {
        case Transform::Identity:
            break;
        case Transform::MirrorLeftRight:  // (x, y) → (w−1−x, y)
            origin = right;
            stepX = -kBpp;
            break;
        case Transform::Rotate180:  // (x, y) → (w−1−x, h−1−y)
            origin = right + bottom;
            stepX = -kBpp;
            stepY = -ds;
            break;
        case Transform::MirrorTopBottom:  // (x, y) → (x, h−1−y)
            origin = bottom;
            stepY = -ds;
            break;
        case Transform::Transpose:  // (x, y) → (y, x)
            stepX = ds;
            stepY = kBpp;
            break;
        case Transform::RotateClockwise:  // (x, y) → (h−1−y, x)
            origin = right;
            stepX = ds;
            stepY = -kBpp;
            break;
        case Transform::Transverse:  // (x, y) → (h−1−y, w−1−x)
            origin = right + bottom;
            stepX = -ds;
            stepY = -kBpp;
            break;
        case Transform::RotateAnticlockwise:  // (x, y) → (y, w−1−x)
            origin = bottom;
            stepX = -ds;
            stepY = kBpp;
            break;
    }
    std::uint8_t* base = out.row(0);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* in = src.row(y);
        std::uint8_t* o = base + origin + y * stepY;
        for (int x = 0; x < w; ++x, in += kBpp, o += stepX) {
            o[0] = in[0];
            o[1] = in[1];
            o[2] = in[2];
        }
    }
    return out;
}

}  // namespace vendrik
