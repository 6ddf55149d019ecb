#include "standard_streams.h"

#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace vendrik::cli {
namespace {

// write() until all is written, over short writes and interruptions.
bool writeAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

StandardInputFile::~StandardInputFile() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool StandardInputFile::read(std::string& error, std::size_t limit) {
    m_fd = ::memfd_create("vendrik-standard-input", MFD_CLOEXEC);
    if (m_fd < 0) {
        error = std::string("kein Speicher für die Standardeingabe: ") + std::strerror(errno);
        return false;
    }
    std::array<std::uint8_t, 1 << 16> buffer{};
    std::size_t total = 0;
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer.data(), buffer.size());
        if (n == 0) {
            break;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = std::string("Standardeingabe nicht lesbar: ") + std::strerror(errno);
            return false;
        }
        total += static_cast<std::size_t>(n);
        if (total > limit) {
            error = "Standardeingabe größer als " + std::to_string(limit >> 20) +
                    " MiB; so große Bilder liest Vendrik nicht";
            return false;
        }
        if (!writeAll(m_fd, buffer.data(), static_cast<std::size_t>(n))) {
            error = std::string("kein Speicher für die Standardeingabe: ") + std::strerror(errno);
            return false;
        }
    }
    m_path = "/proc/self/fd/" + std::to_string(m_fd);
    return true;
}

bool standardOutputIsTerminal() {
    return ::isatty(STDOUT_FILENO) != 0;
}

bool standardInputIsTerminal() {
    return ::isatty(STDIN_FILENO) != 0;
}

bool writeStandardOutput(std::span<const std::uint8_t> bytes, std::string& error) {
    if (!writeAll(STDOUT_FILENO, bytes.data(), bytes.size())) {
        error = std::string("Standardausgabe nicht beschreibbar: ") + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace vendrik::cli
