// RotAlphaBlend against a literal, slow rendering of the algorithm: the
// whole c × c square with its background and output buffers, X outer and Y
// inner, every quantity a Fixed4 with its own rounding. The engine skips
// what lies outside the source's footprint and the destination and walks
// rows; the bytes must be the same.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "common/error.h"
#include "watermark/alpha_blending.h"

namespace vendrik {
namespace {

std::int64_t roundEven(double v) {
    return static_cast<std::int64_t>(std::nearbyint(v));
}

void literalBlend(Surface& dst, Fixed4 angle, int centreX, int centreY, int w, int h,
                  const Surface& src, std::uint32_t key, Fixed4 alpha, Fixed4 zoom,
                  std::int16_t rcx, std::int16_t rcy) {
    const double diag = std::sqrt(double(w) * w + double(h) * h);
    std::int64_t c = 0;
    if (rcx == kRotationCentreNotGiven) {
        c = roundEven(zoom.toDouble() * std::floor(diag));
    } else {
        if (rcy == kRotationCentreNotGiven) {
            rcy = static_cast<std::int16_t>(roundEven(h / 2.0));
        }
        const double d = std::hypot(rcy - h / 2.0, rcx - w / 2.0);
        c = roundEven(zoom.toDouble() * std::floor(diag + d));
    }
    const std::int64_t cx = rcx == kRotationCentreNotGiven ? roundEven(w / 2.0) : rcx;
    const std::int64_t cy = rcy == kRotationCentreNotGiven ? roundEven(h / 2.0) : rcy;
    const std::int64_t left = roundEven(centreX - c / 2.0);
    const std::int64_t top = roundEven(centreY - c / 2.0);
    const auto n = static_cast<std::size_t>(c);
    std::vector<Bgr> background(n * n);
    std::vector<Bgr> output(n * n);
    for (std::int64_t j = 0; j < c; ++j) {
        for (std::int64_t i = 0; i < c; ++i) {
            const std::int64_t x = left + i;
            const std::int64_t y = top + j;
            const bool inside = x >= 0 && y >= 0 && x < dst.width() && y < dst.height();
            background[j * c + i] = inside ? dst.pixel(int(x), int(y)) : Bgr{};
        }
    }
    const std::int64_t offX = static_cast<std::int64_t>(std::floor((c - w) / 2.0));
    const std::int64_t offY = static_cast<std::int64_t>(std::floor((c - h) / 2.0));
    const Bgr keyBgr = Surface::fromColorRef(key);
    const Fixed4 cosZ = *Fixed4::fromDouble(std::cos(angle.toDouble()) / zoom.toDouble());
    const Fixed4 sinZ = *Fixed4::fromDouble(std::sin(angle.toDouble()) / zoom.toDouble());
    const Fixed4 one(1);
    for (std::int64_t X = -offX; X <= c - offX - 1; ++X) {
        for (std::int64_t Y = -offY; Y <= c - offY - 1; ++Y) {
            const std::size_t o = static_cast<std::size_t>((Y + offY) * c + (X + offX));
            const Fixed4 sx = Fixed4(X - cx) * cosZ - Fixed4(Y - cy) * sinZ + Fixed4(cx);
            const Fixed4 sy = Fixed4(X - cx) * sinZ + Fixed4(Y - cy) * cosZ + Fixed4(cy);
            const std::int64_t ix = sx.floor();
            const std::int64_t iy = sy.floor();
            const Fixed4 fx = sx - Fixed4(ix);
            const Fixed4 fy = sy - Fixed4(iy);
            output[o] = background[o];
            if (sx < Fixed4(0) || ix + 1 >= w || sy < Fixed4(0) || iy + 1 >= h) {
                continue;
            }
            const Bgr p[4] = {src.pixel(int(ix), int(iy)), src.pixel(int(ix + 1), int(iy)),
                              src.pixel(int(ix), int(iy + 1)), src.pixel(int(ix + 1), int(iy + 1))};
            const Fixed4 weight[4] = {(one - fx) * (one - fy), fx * (one - fy), (one - fx) * fy,
                                      fx * fy};
            Fixed4 cover[4];
            for (int k = 0; k < 4; ++k) {
                const bool differs = p[k].r != keyBgr.r || p[k].g != keyBgr.g || p[k].b != keyBgr.b;
                cover[k] = differs ? alpha : Fixed4(0);
            }
            const auto channel = [&](auto get) {
                const Fixed4 b(get(background[o]));
                Fixed4 v(0);
                for (int k = 0; k < 4; ++k) {
                    v += weight[k] * (Fixed4(get(p[k])) * cover[k] + b * (one - cover[k]));
                }
                return static_cast<std::uint8_t>(v.round());
            };
            output[o] = {channel([](Bgr q) { return q.b; }), channel([](Bgr q) { return q.g; }),
                         channel([](Bgr q) { return q.r; })};
        }
    }
    for (std::int64_t j = 0; j < c; ++j) {
        for (std::int64_t i = 0; i < c; ++i) {
            const std::int64_t x = left + i;
            const std::int64_t y = top + j;
            if (x >= 0 && y >= 0 && x < dst.width() && y < dst.height()) {
                dst.setPixel(int(x), int(y), output[j * c + i]);
            }
        }
    }
}

TEST(RotAlphaBlendReference, MatchesTheLiteralAlgorithmToTheByte) {
    std::mt19937 rng(20261208);
    const auto uniform = [&](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(rng);
    };
    constexpr std::uint32_t kKey = 0x808080;
    const Bgr keyBgr = Surface::fromColorRef(kKey);
    for (int round = 0; round < 300; ++round) {
        const int w = uniform(1, 14);
        const int h = uniform(1, 14);
        Surface src(w, h);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const bool key = uniform(0, 2) == 0;
                src.setPixel(x, y,
                             key ? keyBgr
                                 : Bgr{std::uint8_t(uniform(0, 255)), std::uint8_t(uniform(0, 255)),
                                       std::uint8_t(uniform(0, 255))});
            }
        }
        Surface a(uniform(1, 30), uniform(1, 30));
        for (int y = 0; y < a.height(); ++y) {
            for (int x = 0; x < a.width(); ++x) {
                a.setPixel(x, y,
                           {std::uint8_t(uniform(0, 255)), std::uint8_t(uniform(0, 255)),
                            std::uint8_t(uniform(0, 255))});
            }
        }
        Surface b = a.clone();
        const Fixed4 angle = Fixed4::fromRaw(uniform(-70000, 70000));
        const Fixed4 alpha = Fixed4::fromRaw(uniform(0, 10000));
        const Fixed4 zoom = Fixed4::fromRaw(uniform(3000, 30000));
        const int centreX = uniform(-10, 40);
        const int centreY = uniform(-10, 40);
        std::int16_t rcx =
            uniform(0, 3) == 0 ? std::int16_t(uniform(-5, 20)) : kRotationCentreNotGiven;
        std::int16_t rcy =
            uniform(0, 3) == 0 ? std::int16_t(uniform(-5, 20)) : kRotationCentreNotGiven;
        literalBlend(a, angle, centreX, centreY, w, h, src, kKey, alpha, zoom, rcx, rcy);
        RotAlphaBlend(b, angle, centreX, centreY, w, h, src, kKey, alpha, zoom, rcx, rcy);
        for (int y = 0; y < a.height(); ++y) {
            for (int x = 0; x < a.width(); ++x) {
                ASSERT_EQ(a.pixel(x, y), b.pixel(x, y))
                    << "round " << round << " at " << x << "," << y << " angle " << angle.toString()
                    << " zoom " << zoom.toString() << " alpha " << alpha.toString();
            }
        }
    }
}

}  // namespace
}  // namespace vendrik
