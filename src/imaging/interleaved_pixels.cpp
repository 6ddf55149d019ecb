#include "imaging/interleaved_pixels.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace vendrik::decoders {

Result<std::uint64_t> encodedFileSize(std::FILE* file) {
    struct stat st {};
    if (::fstat(::fileno(file), &st) != 0) {
        return Failure{std::string("Datei nicht lesbar: ") + std::strerror(errno)};
    }
    if (st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) > kMaxEncodedFileBytes) {
        return Failure{"Datei zu groß (" + std::to_string(st.st_size / (1024 * 1024)) +
                       " MB; höchstens " + std::to_string(kMaxEncodedFileBytes / (1024 * 1024)) +
                       " MB)"};
    }
    return static_cast<std::uint64_t>(st.st_size);
}

Result<std::vector<std::uint8_t>> readFileHead(std::FILE* file, std::size_t bytes) {
    Result<std::uint64_t> size = encodedFileSize(file);
    if (!size) {
        return size.failure();
    }
    std::vector<std::uint8_t> head;
    try {
        head.resize(static_cast<std::size_t>(std::min<std::uint64_t>(*size, bytes)));
    } catch (const std::bad_alloc&) {
        return Failure{"nicht genug Speicher zum Lesen der Datei"};
    }
    std::rewind(file);
    const std::size_t got = std::fread(head.data(), 1, head.size(), file);
    if (got != head.size()) {
        // The file shrank under us, or the disk failed.
        return Failure{std::ferror(file) != 0
                           ? std::string("Datei nicht lesbar: ") + std::strerror(errno)
                           : std::string("Datei ist abgeschnitten")};
    }
    return head;
}

Result<std::vector<std::uint8_t>> readWholeFile(std::FILE* file) {
    return readFileHead(file, kMaxEncodedFileBytes);
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
