#pragma once
// Turning EXIF values into display texts: the "0", "0.0" and "0.000" number
// formats, bytes as characters, and the size limit of a display text.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "common/number_text.h"
#include "common/utf8.h"  // utf8Prefix, utf8Suffix, utf8ValidLength
#include "exif/exif_numbers.h"

namespace vendrik {

// No display text grows beyond this many bytes (a damaged count could
// otherwise ask for gigabytes of "0/0").
inline constexpr std::size_t kDisplayLimit = 64 * 1024;

// `value` with exactly `decimals` places (0 to 3), halves away from zero.
// The value is first taken to 15 significant digits, the precision a double
// reliably holds, so that 0.35 rounds up as a user expects though its binary
// form lies just below. A result that rounds to zero carries no sign. No
// thousands separator; `separator` goes between whole and decimal digits.
// Infinity and NaN (a division by zero, an overflowing power) give "".
[[nodiscard]] std::string formatDecimal(double value, int decimals, std::string_view separator);

// How a number begins a display text: leading blanks, an optional sign,
// digits, and decimals behind a point or `separator` (for leadingNumber,
// common/number_text.h).
[[nodiscard]] constexpr NumberSyntax exifNumberSyntax(std::string_view separator) noexcept {
    return NumberSyntax{true, true, false, separator};
}

// Bytes of a file as characters: zero bytes are dropped; valid UTF-8 stays as
// it is, anything else is read as Windows-1252, the 8-bit set the program
// uses for its own files, which gives every byte a character. The result is
// valid UTF-8 and at most kDisplayLimit bytes long.
[[nodiscard]] std::string exifBytesToText(ExifBytes bytes);

// Cuts `text` to at most kDisplayLimit bytes without splitting a character.
void limitDisplay(std::string& text);

// The separator between whole and decimal digits of the current C locale
// (LC_NUMERIC), "." when the locale gives none.
[[nodiscard]] std::string localeDecimalSeparator();

}  // namespace vendrik
