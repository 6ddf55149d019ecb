#pragma once
// Text from outside (file names, EXIF entries, settings values) shown on a
// terminal. A control character in it would act instead of being shown: ESC
// starts sequences that retitle the window, move the cursor or recolour
// everything after it, CR and LF forge lines of their own. Such characters
// are shown escaped, as `ls -b` shows file names.

#include <string>
#include <string_view>

namespace vendrik {

// `text` with the C0 controls, DEL and the C1 controls (U+0080 to U+009F) as
// C escapes ("\n", "\r", "\t", ...) or octal byte escapes ("\033" for ESC),
// bytes that are not well-formed UTF-8 as octal escapes, and the backslash
// doubled, so that an escape shown was not in the text itself. Everything
// else, umlauts included, stays as it is.
[[nodiscard]] std::string terminalText(std::string_view text);

}  // namespace vendrik
