#pragma once
// UTF-8, the encoding of every text inside the program. One strict decoder
// (no overlong forms, no surrogates, nothing above U+10FFFF) serves every
// place that walks a text by characters: the Windows-1252 conversion, the
// desktop entry's check, the EXIF display texts, the text renderer, the case
// rule of paths and the base name of output files.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vendrik {

struct Utf8Char {
    char32_t codePoint = 0;
    std::size_t length = 0;  // bytes, 1 to 4
};

// The character starting at byte `i`, or nothing when the bytes there are
// not well-formed UTF-8 (or `i` is past the end).
[[nodiscard]] std::optional<Utf8Char> decodeUtf8At(std::string_view text, std::size_t i) noexcept;

// Appends the UTF-8 form of `codePoint` (at most U+10FFFF).
void appendUtf8(std::string& out, char32_t codePoint);

// True for the bytes 10xxxxxx that continue a character.
[[nodiscard]] constexpr bool isUtf8Continuation(char byte) noexcept {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// Length of the longest prefix of `text` that is well-formed UTF-8.
[[nodiscard]] std::size_t utf8ValidLength(std::string_view text) noexcept;

[[nodiscard]] inline bool isValidUtf8(std::string_view text) noexcept {
    return utf8ValidLength(text) == text.size();
}

// The code points of a text; each byte that does not start a well-formed
// character becomes `substitute`.
[[nodiscard]] std::vector<char32_t> utf8CodePoints(std::string_view text,
                                                   char32_t substitute = U'?');

// The largest character boundary at or below `byteIndex` (continuation bytes
// are stepped over backwards), so that a text cut there splits no character.
[[nodiscard]] std::size_t utf8BoundaryAtOrBefore(std::string_view text,
                                                 std::size_t byteIndex) noexcept;

// The first or last `count` characters (not bytes) of a text; the whole text
// when it is shorter.
[[nodiscard]] std::string utf8Prefix(std::string_view text, std::size_t count);
[[nodiscard]] std::string utf8Suffix(std::string_view text, std::size_t count);

// The text without its last `count` characters; empty when it has no more.
[[nodiscard]] std::string utf8WithoutLast(std::string_view text, std::size_t count);

}  // namespace vendrik
