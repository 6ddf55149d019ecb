// TIFF through libtiff's RGBA reader, which knows every photometric
// interpretation, bit depth and compression libtiff was built with. The
// picture is read in bands so that only one band of 32-bit pixels is held
// besides the result.

#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <vector>

#include "imaging/picture_decoders.h"

namespace vendrik::decoders {
namespace {

// libtiff's largest single allocation: strips, tiles and tag arrays of a
// forged file cannot ask for more.
constexpr tmsize_t kMaxTiffAllocation = 256 * 1024 * 1024;
constexpr int kBandRows = 64;

int keepTiffError(TIFF*, void* userData, const char* module, const char* format, va_list ap) {
    auto* message = static_cast<std::string*>(userData);
    if (message->empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, ap);
        *message = std::string(module != nullptr ? module : "libtiff") + ": " + text;
    }
    return 1;
}

int ignoreTiffWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

struct TiffCloser {
    void operator()(TIFF* t) const { TIFFClose(t); }
};
struct OptionsFree {
    void operator()(TIFFOpenOptions* o) const { TIFFOpenOptionsFree(o); }
};

// Tag 34675, the embedded ICC profile.
void reportProfile(TIFF* tif, LoadedPicture& out) {
    std::uint32_t length = 0;
    void* profile = nullptr;
    if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &length, &profile) == 0 || profile == nullptr ||
        length == 0) {
        return;
    }
    // A file without the tag counts as colour.
    std::uint16_t photometric = PHOTOMETRIC_RGB;
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    const bool grey = photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
    takeEmbeddedProfile(out, static_cast<const std::uint8_t*>(profile), length,
                        grey ? PictureChannels::Grey : PictureChannels::Colour);
}

}  // namespace

Result<void> decodeTiff(int fd, const LoadOptions& options, LoadedPicture& out) {
    std::string message;
    std::unique_ptr<TIFFOpenOptions, OptionsFree> opts(TIFFOpenOptionsAlloc());
    TIFFOpenOptionsSetMaxSingleMemAlloc(opts.get(), kMaxTiffAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(opts.get(), keepTiffError, &message);
    TIFFOpenOptionsSetWarningHandlerExtR(opts.get(), ignoreTiffWarning, nullptr);
    // libtiff closes the descriptor it is given; the loader still owns its own.
    const int own = ::dup(fd);
    if (own < 0 || ::lseek(own, 0, SEEK_SET) != 0) {
        if (own >= 0) {
            ::close(own);
        }
        return Failure{"TIFF nicht lesbar"};
    }
    std::unique_ptr<TIFF, TiffCloser> tif(TIFFFdOpenExt(own, "picture", "rm", opts.get()));
    if (!tif) {
        ::close(own);
        return Failure{"TIFF beschädigt: " + message};
    }
    std::uint32_t w = 0;
    std::uint32_t h = 0;
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &h);
    if (Result<void> size = checkPictureSize(w, h); !size) {
        return size;
    }
    reportProfile(tif.get(), out);
    char emsg[1024] = {};
    TIFFRGBAImage img{};
    if (TIFFRGBAImageOK(tif.get(), emsg) == 0 || TIFFRGBAImageBegin(&img, tif.get(), 0, emsg) == 0) {
        return Failure{std::string("TIFF nicht unterstützt: ") + emsg};
    }
    img.req_orientation = ORIENTATION_TOPLEFT;
    // The band of 32-bit pixels, and libtiff's buffers for one strip or
    // tile: the raw bytes read and the decoded ones, each at most its cap.
    const std::uint64_t piece = std::min<std::uint64_t>(
        TIFFIsTiled(tif.get()) != 0 ? TIFFTileSize64(tif.get()) : TIFFStripSize64(tif.get()),
        static_cast<std::uint64_t>(kMaxTiffAllocation));
    const std::size_t working =
        std::size_t{w} * kBandRows * sizeof(std::uint32_t) + 2 * static_cast<std::size_t>(piece);
    Result<void> decoded =
        allocatePixels(out, static_cast<int>(w), static_cast<int>(h), options, 1, working);
    std::vector<std::uint32_t> band;
    if (decoded) {
        try {
            band.resize(static_cast<std::size_t>(w) * kBandRows);
        } catch (const std::bad_alloc&) {
            decoded = Failure{"nicht genug Speicher zum Lesen des TIFF"};
        }
    }
    for (std::uint32_t y = 0; decoded && y < h; y += kBandRows) {
        const std::uint32_t rows = std::min<std::uint32_t>(kBandRows, h - y);
        img.row_offset = static_cast<int>(y);
        img.col_offset = 0;
        if (TIFFRGBAImageGet(&img, band.data(), w, rows) == 0) {
            decoded = Failure{"TIFF beschädigt oder abgeschnitten: " + message};
            break;
        }
        // The RGBA reader returns associated (premultiplied) alpha, so
        // flattening onto white is adding the uncovered part of white.
        for (std::uint32_t r = 0; r < rows; ++r) {
            const std::uint32_t* in = band.data() + static_cast<std::size_t>(r) * w;
            std::uint8_t* o = out.pixels.row(static_cast<int>(y + r));
            for (std::uint32_t x = 0; x < w; ++x, o += 3) {
                const unsigned uncovered = 255U - TIFFGetA(in[x]);
                o[0] = static_cast<std::uint8_t>(std::min(255U, TIFFGetB(in[x]) + uncovered));
                o[1] = static_cast<std::uint8_t>(std::min(255U, TIFFGetG(in[x]) + uncovered));
                o[2] = static_cast<std::uint8_t>(std::min(255U, TIFFGetR(in[x]) + uncovered));
            }
        }
    }
    // Ended on every way out: the reader holds buffers of its own.
    TIFFRGBAImageEnd(&img);
    if (decoded && !message.empty()) {
        decoded = Failure{"TIFF beschädigt: " + message};
    }
    return decoded;
}

}  // namespace vendrik::decoders
