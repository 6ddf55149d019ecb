#pragma once
// Windows-1252, the 8-bit character set of the settings file and of JPEG
// comments. Inside the program every text is UTF-8; these two functions are
// the only crossing points.

#include <string>
#include <string_view>

namespace vendrik {

// Each character becomes one byte. A character Windows-1252 cannot hold, and
// each byte of malformed UTF-8, becomes '?', so that a reader sees where
// something was lost.
[[nodiscard]] std::string utf8ToCp1252(std::string_view utf8);

// Each byte becomes one character. The five bytes Windows-1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same
// number, so every byte round-trips: a file read and written back keeps
// them.
[[nodiscard]] std::string cp1252ToUtf8(std::string_view bytes);

}  // namespace vendrik
