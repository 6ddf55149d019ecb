#pragma once
// What the libFuzzer targets share: a promise check that stops the run as a
// finding, and a file in memory for the code that reads files by name.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>

namespace vendrik::fuzz {

// A broken promise is a finding like a sanitizer's report.
inline void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Most targets read their first byte as a choice of options and the rest as
// their input proper; nothing when there is no first byte.
struct ChosenInput {
    std::uint8_t choice;
    std::span<const std::uint8_t> bytes;
};
inline std::optional<ChosenInput> chosenInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return std::nullopt;
    }
    return ChosenInput{data[0], {data + 1, size - 1}};
}

// The bytes as an ordinary file (memfd) named /proc/self/fd/N: the loader
// and the metadata reader open files by name and want ordinary files.
class MemoryFile {
public:
    explicit MemoryFile(std::span<const std::uint8_t> bytes)
        : m_fd(::memfd_create("fuzz-input", MFD_CLOEXEC)) {
        require(m_fd >= 0);
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
            require(n > 0);
            done += static_cast<std::size_t>(n);
        }
        m_path = "/proc/self/fd/" + std::to_string(m_fd);
    }
    ~MemoryFile() { ::close(m_fd); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    [[nodiscard]] const std::string& path() const { return m_path; }

private:
    int m_fd;
    std::string m_path;
};

}  // namespace vendrik::fuzz
