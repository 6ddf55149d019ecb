#pragma once
// Synthetic pictures for the encoder tests: smooth gradients with detail and
// a little noise, so that every coefficient range and symbol kind occurs.

#include <cmath>
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "imaging/pnm_reader.h"
#include "imaging/surface.h"
#include "jpeg/cJpeg.h"
#include "support/test_support.h"

namespace vendrik::test {

inline Surface makePicture(int w, int h, bool grey = false, std::uint32_t seed = 1) {
    Surface s(w, h);
    std::uint32_t state = seed;
    const auto noise = [&state] {
        state = state * 1664525U + 1013904223U;
        return static_cast<int>(state >> 28) - 8;
    };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double fx = static_cast<double>(x) / std::max(1, w - 1);
            const double fy = static_cast<double>(y) / std::max(1, h - 1);
            const double wave = 40.0 * std::sin(x * 0.21) * std::cos(y * 0.13);
            const auto clamp = [](double v) {
                return static_cast<std::uint8_t>(std::lround(std::fmin(255.0, std::fmax(0.0, v))));
            };
            const std::uint8_t r = clamp(200.0 * fx + wave + noise());
            const std::uint8_t g = grey ? r : clamp(60.0 + 150.0 * fy - wave / 2 + noise());
            const std::uint8_t b = grey ? r : clamp(230.0 - 180.0 * fx * fy + noise());
            s.setPixel(x, y, {b, g, r});
        }
    }
    return s;
}

// Writes a binary PPM (or PGM for grey pictures) of the surface.
inline void writePnm(const Surface& s, const std::string& path, bool grey = false) {
    std::vector<std::uint8_t> bytes;
    const std::string header = std::string(grey ? "P5" : "P6") + "\n" + std::to_string(s.width()) +
                               " " + std::to_string(s.height()) + "\n255\n";
    bytes.assign(header.begin(), header.end());
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            const Bgr p = s.pixel(x, y);
            if (grey) {
                bytes.push_back(p.r);
            } else {
                bytes.insert(bytes.end(), {p.r, p.g, p.b});
            }
        }
    }
    writeFileBytes(path, bytes);
}

// Peak signal-to-noise ratio of b against a over all channels, in dB.
inline double psnr(const Surface& a, const Surface& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const Bgr p = a.pixel(x, y);
            const Bgr q = b.pixel(x, y);
            const double d[] = {double(p.b) - q.b, double(p.g) - q.g, double(p.r) - q.r};
            sum += d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
        }
    }
    const double mse = sum / (3.0 * a.width() * a.height());
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

// The samplings the encoder tests go through.
enum class Mode { S444, S420, Grey };

inline std::string modeName(Mode m) {
    return m == Mode::S444 ? "444" : m == Mode::S420 ? "420" : "grey";
}

inline void configure(cJpeg& j, Mode m) {
    if (m == Mode::S420) j.SetSamplingFrequencies(2, 2, 1, 1, 1, 1);
    if (m == Mode::Grey) j.SetSamplingFrequencies(1, 1, 0, 0, 0, 0);
}

// Decodes with djpeg; fails the test on an exit code or any message.
inline Surface djpeg(const std::string& jpg, const TempDir& dir) {
    const std::string ppm = dir.file("decoded.pnm");
    const auto r = runCommand("djpeg -pnm -outfile " + shellQuote(ppm) + " " + shellQuote(jpg));
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output, "") << "djpeg warned about " << jpg;
    auto img = readPnm(ppm);
    EXPECT_TRUE(img) << img.reason();
    return img ? std::move(img->surface) : Surface();
}

}  // namespace vendrik::test
