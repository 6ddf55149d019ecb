#include "imaging/png_writer.h"

#include <png.h>

#include <csetjmp>

namespace vendrik {
namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void noFlush(png_structp) {}

// libpng reports errors by longjmp; everything that must be released lives
// in the caller, outside the jump's reach.
bool writePng(png_structp png, png_infop info, const Surface& surface,
              std::vector<std::uint8_t>& rowBuffer, std::vector<std::uint8_t>& out) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_set_write_fn(png, &out, appendBytes, noFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(surface.width()),
                 static_cast<png_uint_32>(surface.height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < surface.height(); ++y) {
        const std::uint8_t* src = surface.row(y);
        for (int x = 0; x < surface.width(); ++x) {
            rowBuffer[3 * x + 0] = src[3 * x + 2];
            rowBuffer[3 * x + 1] = src[3 * x + 1];
            rowBuffer[3 * x + 2] = src[3 * x + 0];
        }
        png_write_row(png, rowBuffer.data());
    }
    png_write_end(png, info);
    return true;
}

}  // namespace

std::vector<std::uint8_t> encodePng(const Surface& surface) {
    std::vector<std::uint8_t> out;
    if (surface.empty()) {
        return out;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) {
        return out;
    }
    png_infop info = png_create_info_struct(png);
    std::vector<std::uint8_t> rowBuffer(static_cast<std::size_t>(surface.width()) * 3);
    const bool ok = info != nullptr && writePng(png, info, surface, rowBuffer, out);
    png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
    if (!ok) {
        out.clear();
    }
    return out;
}

}  // namespace vendrik
