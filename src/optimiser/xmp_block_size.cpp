#include "optimiser/xmp_block_size.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>

namespace vendrik {
namespace {

// The file through a window of 64 KB, so that walking many small segments
// or chunks costs a read now and then, not one each.
class Window {
public:
    explicit Window(int fd) : m_fd(fd) {}

    // Copies `n` bytes at `offset` (n at most the window's size); false at
    // the file's end or an error.
    bool read(std::uint64_t offset, void* out, std::size_t n) {
        if (n > m_buffer.size()) {
            return false;
        }
        if (offset < m_start || offset + n > m_start + m_filled) {
            if (!fill(offset)) {
                return false;
            }
            if (n > m_filled) {
                return false;
            }
        }
        std::memcpy(out, m_buffer.data() + (offset - m_start), n);
        return true;
    }

private:
    bool fill(std::uint64_t offset) {
        m_start = offset;
        m_filled = 0;
        while (m_filled < m_buffer.size()) {
            const ssize_t got = ::pread(m_fd, m_buffer.data() + m_filled, m_buffer.size() - m_filled,
                                        static_cast<off_t>(offset + m_filled));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                return false;
            }
            if (got == 0) {
                break;
            }
            m_filled += static_cast<std::size_t>(got);
        }
        return true;
    }

    int m_fd;
    std::array<std::uint8_t, 65536> m_buffer{};
    std::uint64_t m_start = 0;
    std::size_t m_filled = 0;
};

std::uint32_t bigEndian(const std::uint8_t* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) {
        v = v << 8 | p[i];
    }
    return v;
}

std::uint32_t littleEndian(const std::uint8_t* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = v << 8 | p[i];
    }
    return v;
}

// JPEG: the segments up to the first scan; markers without a length
// (fill bytes, RSTn, TEM) take two bytes.
std::uint64_t jpegXmp(Window& file) {
    constexpr std::string_view kName{"http://ns.adobe.com/xap/1.0/\0", 29};
    std::uint64_t total = 0;
    std::uint64_t pos = 2;
    std::array<std::uint8_t, 4> head{};
    while (file.read(pos, head.data(), head.size()) && head[0] == 0xFF) {
        const std::uint8_t marker = head[1];
        if (marker == 0xDA || marker == 0xD9) {
            break;
        }
        if (marker == 0xFF || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            pos += marker == 0xFF ? 1 : 2;
            continue;
        }
        const std::uint32_t length = bigEndian(&head[2], 2);
        std::array<char, kName.size()> name{};
        if (marker == 0xE1 && length >= 2 + kName.size() &&
            file.read(pos + 4, name.data(), name.size()) &&
            std::string_view(name.data(), name.size()) == kName) {
            total += length - 2 - kName.size();
        }
        pos += 2 + std::uint64_t{length};
    }
    return total;
}

// PNG: chunks of length, type, data and CRC, up to IEND.
std::uint64_t pngXmp(Window& file) {
    std::uint64_t total = 0;
    std::uint64_t pos = 8;
    std::array<std::uint8_t, 8> head{};
    while (file.read(pos, head.data(), head.size())) {
        const std::uint32_t length = bigEndian(head.data(), 4);
        const std::string_view type(reinterpret_cast<const char*>(&head[4]), 4);
        if (type == "IEND" || length > 0x7FFFFFFFU) {
            break;
        }
        if (type == "iTXt" || type == "tEXt" || type == "zTXt") {
            // The keyword: 1 to 79 bytes and a NUL.
            std::array<char, 80> keyword{};
            const std::size_t n = std::min<std::size_t>(keyword.size(), length);
            if (file.read(pos + 8, keyword.data(), n)) {
                const std::string_view k(keyword.data(), ::strnlen(keyword.data(), n));
                if (k == "XML:com.adobe.xmp" || k == "Raw profile type xmp") {
                    total += length;
                }
            }
        }
        pos += 12 + std::uint64_t{length};
    }
    return total;
}

// TIFF: the entries of IFD0, where Exiv2 finds XMLPacket.
std::uint64_t tiffXmp(Window& file) {
    std::array<std::uint8_t, 8> head{};
    if (!file.read(0, head.data(), head.size())) {
        return 0;
    }
    const bool little = head[0] == 'I';
    const auto number = [little](const std::uint8_t* p, int bytes) {
        return little ? littleEndian(p, bytes) : bigEndian(p, bytes);
    };
    const std::uint32_t ifd = number(&head[4], 4);
    std::array<std::uint8_t, 2> countBytes{};
    if (!file.read(ifd, countBytes.data(), countBytes.size())) {
        return 0;
    }
    const std::uint32_t count = number(countBytes.data(), 2);
    std::uint64_t total = 0;
    std::array<std::uint8_t, 12> entry{};
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!file.read(std::uint64_t{ifd} + 2 + 12 * std::uint64_t{i}, entry.data(), entry.size())) {
            break;
        }
        if (number(entry.data(), 2) == 700) {
            // BYTE or UNDEFINED: one byte a value.
            total += number(&entry[4], 4);
        }
    }
    return total;
}

// WebP: RIFF chunks of four-character code, length and data padded to even.
std::uint64_t webpXmp(Window& file) {
    std::uint64_t total = 0;
    std::uint64_t pos = 12;
    std::array<std::uint8_t, 8> head{};
    while (file.read(pos, head.data(), head.size())) {
        const std::uint32_t length = littleEndian(&head[4], 4);
        if (std::string_view(reinterpret_cast<const char*>(head.data()), 4) == "XMP ") {
            total += length;
        }
        pos += 8 + std::uint64_t{length} + (length & 1U);
    }
    return total;
}

}  // namespace

std::uint64_t xmpBlockBytes(int fd, PictureFormat format) {
    // The window is too large for a thread's stack to take lightly.
    const auto file = std::make_unique<Window>(fd);
    switch (format) {
        case PictureFormat::Jpeg:
            return jpegXmp(*file);
        case PictureFormat::Png:
            return pngXmp(*file);
        case PictureFormat::Tiff:
            return tiffXmp(*file);
        case PictureFormat::Webp:
            return webpXmp(*file);
        default:
            return 0;
    }
}

}  // namespace vendrik
