#pragma once
// "-" for standard input and output: a picture read from standard input is
// kept in a file in memory that the loaders open by a path, as they open
// any picture (it may be a pipe, which a decoder could not seek in); a JPEG
// for standard output is written there whole.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "imaging/box_size.h"

namespace vendrik::cli {

// The largest input taken from standard input: the largest picture the
// loader accepts (100 megapixels) uncompressed at 16 bits for each of four
// channels, with room for headers. More is refused before it fills memory.
inline constexpr std::size_t kMaxStandardInputBytes =
    static_cast<std::size_t>(kMaxPicturePixels) * 8 + (std::size_t{1} << 20);

class StandardInputFile {
public:
    StandardInputFile() = default;
    ~StandardInputFile();
    StandardInputFile(const StandardInputFile&) = delete;
    StandardInputFile& operator=(const StandardInputFile&) = delete;

    // Reads standard input to its end, at most `limit` bytes. False with a
    // German reason when it cannot be read or is larger.
    [[nodiscard]] bool read(std::string& error, std::size_t limit = kMaxStandardInputBytes);

    // A path that opens the bytes read, while this object lives.
    [[nodiscard]] const std::string& path() const {
        return m_path;
    }

private:
    int m_fd = -1;
    std::string m_path;
};

// True when standard output is a terminal, where a JPEG would only garble
// the screen, or standard input one, where no picture comes from.
[[nodiscard]] bool standardOutputIsTerminal();
[[nodiscard]] bool standardInputIsTerminal();

// Writes all of `bytes` to standard output. False with a German reason.
[[nodiscard]] bool writeStandardOutput(std::span<const std::uint8_t> bytes, std::string& error);

}  // namespace vendrik::cli
