// PNG through libpng: palette, grey, 16-bit and alpha all come out as 8-bit
// blue, green, red, with transparency flattened onto white.

#include <png.h>

#include <csetjmp>
#include <string>
#include <vector>

#include "imaging/picture_decoders.h"

namespace vendrik::decoders {
namespace {

// Ancillary chunks (text, ICC profiles, ...) are read into memory whole; a
// forged length must not make libpng allocate gigabytes for one.
constexpr png_alloc_size_t kMaxChunkBytes = 8U * 1024 * 1024;
constexpr png_uint_32 kMaxCachedChunks = 1000;

struct PngErrors {
    std::string message;
};

[[noreturn]] void failPng(png_structp png, png_const_charp message) {
    static_cast<PngErrors*>(png_get_error_ptr(png))->message = message;
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

// Runs `step`, whose libpng calls jump back here on an error (failPng). The
// jump is safe only because nothing it crosses needs cleaning up: this frame
// changes no local after setjmp, and a step holds no object with a destructor
// while it calls libpng; its results live in the caller's frame, which the
// jump does not touch.
template <typename Step>
bool runGuarded(png_structp png, Step&& step) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    step();
    return true;
}

// Destroys the reader on every way out of decodePng.
struct ReaderGuard {
    png_structp png;
    png_infop info;
    ~ReaderGuard() { png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr); }
};

// The iCCP chunk's profile, which libpng has inflated (within the chunk
// limit above) and checked to be an ICC profile of the picture's kind.
void reportProfile(png_structp png, png_infop info, int colorType, LoadedPicture& out) {
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 length = 0;
    if (png_get_iCCP(png, info, &name, &compression, &profile, &length) == 0 || profile == nullptr) {
        return;
    }
    // A palette is of colours (its type has the colour bit set).
    takeEmbeddedProfile(out, profile, length,
                        (colorType & PNG_COLOR_MASK_COLOR) != 0 ? PictureChannels::Colour
                                                                : PictureChannels::Grey);
}

}  // namespace

Result<void> decodePng(std::FILE* file, const LoadOptions& options, LoadedPicture& out) {
    PngErrors errors;
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &errors, failPng, ignoreWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    const ReaderGuard guard{png, info};
    if (info == nullptr) {
        return Failure{"nicht genug Speicher für den PNG-Leser"};
    }
    const auto damaged = [&] {
        return Failure{"PNG beschädigt oder abgeschnitten: " + errors.message};
    };

    png_uint_32 w = 0;
    png_uint_32 h = 0;
    int colorType = 0;
    const bool headerRead = runGuarded(png, [&] {
        png_set_user_limits(png, kMaxPictureSide, kMaxPictureSide);
        png_set_chunk_malloc_max(png, kMaxChunkBytes);
        png_set_chunk_cache_max(png, kMaxCachedChunks);
        png_init_io(png, file);
        png_read_info(png, info);
        w = png_get_image_width(png, info);
        h = png_get_image_height(png, info);
        colorType = png_get_color_type(png, info);
    });
    if (!headerRead) {
        return damaged();
    }
    if (Result<void> size = checkPictureSize(w, h); !size) {
        return size;
    }
    reportProfile(png, info, colorType, out);
    png_size_t rowBytes = 0;
    const bool transformsSet = runGuarded(png, [&] {
        png_set_expand(png);  // palette → RGB, grey below 8 bits → 8, tRNS → alpha
        png_set_strip_16(png);
        if ((colorType & PNG_COLOR_MASK_COLOR) == 0) {
            png_set_gray_to_rgb(png);
        }
        if ((colorType & PNG_COLOR_MASK_ALPHA) != 0 ||
            png_get_valid(png, info, PNG_INFO_tRNS) != 0) {
            // The background is given in the output's terms: 8-bit white.
            png_color_16 white{};
            white.red = white.green = white.blue = white.gray = 255;
            png_set_background(png, &white, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
        }
        png_set_bgr(png);
        png_set_interlace_handling(png);
        png_read_update_info(png, info);
        rowBytes = png_get_rowbytes(png, info);
    });
    if (!transformsSet) {
        return damaged();
    }
    if (rowBytes != static_cast<png_size_t>(w) * 3) {
        return Failure{"PNG mit nicht unterstütztem Pixelformat"};
    }
    // libpng's own rows (the current and the previous, at up to 16-bit RGBA,
    // and one for the transformations) and the table of row pointers.
    const std::size_t working = std::size_t{3} * w * 8 + std::size_t{h} * sizeof(png_bytep);
    LoadedPicture target;
    if (Result<void> allocated =
            allocatePixels(target, static_cast<int>(w), static_cast<int>(h), options, 1, working);
        !allocated) {
        return allocated;
    }
    std::vector<png_bytep> rows(h);
    for (png_uint_32 y = 0; y < h; ++y) {
        rows[y] = target.pixels.row(static_cast<int>(y));
    }
    const bool pixelsRead = runGuarded(png, [&] {
        png_read_image(png, rows.data());
        png_read_end(png, nullptr);
    });
    if (!pixelsRead) {
        return damaged();
    }
    out.pixels = std::move(target.pixels);
    return {};
}

}  // namespace vendrik::decoders
