#include "imaging/pnm_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "common/regular_file.h"

namespace vendrik {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// A header number: decimal digits after white space and '#' comments.
bool readNumber(std::FILE* f, long long& value) {
    int c = std::fgetc(f);
    for (;;) {
        if (c == '#') {
            while (c != EOF && c != '\n') {
                c = std::fgetc(f);
            }
        } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            c = std::fgetc(f);
        } else {
            break;
        }
    }
    if (c < '0' || c > '9') {
        return false;
    }
    value = 0;
    while (c >= '0' && c <= '9') {
        value = value * 10 + (c - '0');
        if (value > 1'000'000'000) {
            return false;
        }
        c = std::fgetc(f);
    }
    // Exactly one white-space character ends the header's last number.
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// One file row to blue, green, red bytes; samples scaled to 0..255.
#if defined(__x86_64__) && !defined(__clang__)
__attribute__((target_clones("avx2", "default")))
#endif
void convertRow(const std::uint8_t* in, int width, bool grey, int sampleBytes, long long maxval,
                std::uint8_t* out) {
    if (!grey && sampleBytes == 1 && maxval == 255) {
        for (int x = 0; x < width; ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
        return;
    }
    const int channels = grey ? 1 : 3;
    for (int x = 0; x < width; ++x, out += 3) {
        std::uint8_t v[3];
        for (int k = 0; k < channels; ++k, in += sampleBytes) {
            const long long s = sampleBytes == 2 ? (in[0] << 8) | in[1] : in[0];
            // Scale to 0..255, rounding to nearest.
            v[k] = static_cast<std::uint8_t>(
                maxval == 255 ? s : (std::min(s, maxval) * 255 + maxval / 2) / maxval);
        }
        out[0] = grey ? v[0] : v[2];
        out[1] = grey ? v[0] : v[1];
        out[2] = v[0];
    }
}

}  // namespace

Result<PnmImage> readPnm(const std::string& path, const PnmLimits& limits) {
    // Only an ordinary file, opened without waiting for a FIFO's writer.
    RegularFile regular(path);
    if (!regular.isOpen()) {
        return Failure{"kann nicht geöffnet werden: " + regular.problem()};
    }
    File f(::fdopen(regular.fd(), "rb"));
    if (!f) {
        return Failure{"kann nicht geöffnet werden: " + systemErrorText(errno)};
    }
    static_cast<void>(regular.release());  // the FILE closes it now
    return readPnm(f.get(), limits);
}

Result<PnmImage> readPnm(std::FILE* file, const PnmLimits& limits) {
    char magic[2] = {};
    if (std::fread(magic, 1, 2, file) != 2 || magic[0] != 'P' ||
        (magic[1] != '5' && magic[1] != '6')) {
        return Failure{"keine binäre PPM- (P6) oder PGM-Datei (P5)"};
    }
    const bool grey = magic[1] == '5';
    long long width = 0;
    long long height = 0;
    long long maxval = 0;
    if (!readNumber(file, width) || !readNumber(file, height) ||
        !readNumber(file, maxval)) {
        return Failure{"Kopfzeile beschädigt"};
    }
    if (width < 1 || height < 1) {
        return Failure{"Bild ist leer (" + std::to_string(width) + " x " + std::to_string(height) +
                       ")"};
    }
    if (width > limits.maxSide || height > limits.maxSide || width * height > limits.maxPixels) {
        return Failure{"Bild zu groß (" + std::to_string(width) + " x " + std::to_string(height) +
                       ")"};
    }
    if (maxval < 1 || maxval > 65535) {
        return Failure{"ungültiger Maximalwert " + std::to_string(maxval)};
    }
    const int channels = grey ? 1 : 3;
    const int sampleBytes = maxval > 255 ? 2 : 1;
    const auto w = static_cast<int>(width);
    const auto h = static_cast<int>(height);
    PnmImage img;
    img.grey = grey;
    const std::size_t rowBytes = static_cast<std::size_t>(w) * channels * sampleBytes;
    if (limits.beforeAllocating) {
        limits.beforeAllocating(w, h, rowBytes);
    }
    try {
        img.surface = Surface(w, h);
        std::vector<std::uint8_t> row(rowBytes);
        for (int y = 0; y < h; ++y) {
            if (std::fread(row.data(), 1, row.size(), file) != row.size()) {
                return Failure{"Datei ist abgeschnitten (Zeile " + std::to_string(y + 1) + " von " +
                               std::to_string(h) + " fehlt)"};
            }
            convertRow(row.data(), w, grey, sampleBytes, maxval, img.surface.row(y));
        }
    } catch (const std::bad_alloc&) {
        return Failure{"nicht genug Speicher für " + std::to_string(w) + " x " + std::to_string(h)};
    }
    return img;
}

}  // namespace vendrik
