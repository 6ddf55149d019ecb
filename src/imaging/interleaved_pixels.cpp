#include "imaging/interleaved_pixels.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <new>

namespace vendrik::decoders {

bool readWholeFile(std::FILE* file, std::vector<std::uint8_t>& bytes, std::string& error) {
    struct stat st {};
    if (::fstat(::fileno(file), &st) != 0) {
        error = std::string("Datei nicht lesbar: ") + std::strerror(errno);
        return false;
    }
    if (st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) > kMaxEncodedFileBytes) {
        error = "Datei zu groß (" + std::to_string(st.st_size / (1024 * 1024)) +
                " MB; höchstens " + std::to_string(kMaxEncodedFileBytes / (1024 * 1024)) + " MB)";
        return false;
    }
    try {
        bytes.resize(static_cast<std::size_t>(st.st_size));
    } catch (const std::bad_alloc&) {
        error = "nicht genug Speicher zum Lesen der Datei";
        return false;
    }
    std::rewind(file);
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    if (got != bytes.size()) {
        // The file shrank under us, or the disk failed.
        error = std::ferror(file) != 0 ? std::string("Datei nicht lesbar: ") + std::strerror(errno)
                                       : std::string("Datei ist abgeschnitten");
        return false;
    }
    return true;
}

namespace {

std::uint8_t overWhite(unsigned c, unsigned a) noexcept {
    return static_cast<std::uint8_t>((c * a + 255 * (255 - a) + 127) / 255);
}

}  // namespace

void copyInterleavedRows(const std::uint8_t* top, std::ptrdiff_t stride, ChannelOrder order,
                         Surface& out) noexcept {
    const int width = out.width();
    for (int y = 0; y < out.height(); ++y) {
        const std::uint8_t* in = top + y * stride;
        std::uint8_t* dst = out.row(y);
        switch (order) {
            case ChannelOrder::Rgb:
                for (int x = 0; x < width; ++x, in += 3, dst += 3) {
                    dst[0] = in[2];
                    dst[1] = in[1];
                    dst[2] = in[0];
                }
                break;
            case ChannelOrder::Rgba:
                for (int x = 0; x < width; ++x, in += 4, dst += 3) {
                    dst[0] = overWhite(in[2], in[3]);
                    dst[1] = overWhite(in[1], in[3]);
                    dst[2] = overWhite(in[0], in[3]);
                }
                break;
            case ChannelOrder::Bgra:
                for (int x = 0; x < width; ++x, in += 4, dst += 3) {
                    dst[0] = overWhite(in[0], in[3]);
                    dst[1] = overWhite(in[1], in[3]);
                    dst[2] = overWhite(in[2], in[3]);
                }
                break;
        }
    }
}

}  // namespace vendrik::decoders
