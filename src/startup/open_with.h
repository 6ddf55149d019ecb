#pragma once
// Registering the program with the file manager, so that a picture can be
// opened with it. On a freedesktop desktop that is a desktop entry in the
// user's applications folder, rewritten on every start so that a moved
// program is found again.

#include <string>
#include <string_view>

namespace vendrik {

// The desktop entry's file name, which is also its desktop ID.
inline constexpr std::string_view kDesktopEntryName = "vendrik.desktop";

// The picture types the file list shows (jpg, jpeg, bmp, tif, gif, png, jps;
// JPS files are JPEG files and carry that type), then the phone and web
// formats (heic, heif, avif, webp).
inline constexpr std::string_view kOpenWithMimeTypes =
    "image/jpeg;image/bmp;image/tiff;image/gif;image/png;"
    "image/heic;image/heif;image/avif;image/webp;";

// One Exec argument, quoted as the Desktop Entry Specification demands and
// escaped for the desktop file's string syntax: a path with blanks, quotes,
// "$", "\", "%" or non-ASCII letters reaches the program unchanged.
[[nodiscard]] std::string quoteExecArgument(std::string_view argument);

// The Exec line's command for the program, without the file's field code.
[[nodiscard]] std::string execCommand(std::string_view programPath);

// The whole desktop entry for a program at `programPath`.
[[nodiscard]] std::string desktopEntryText(std::string_view programPath);

// $XDG_DATA_HOME/applications/vendrik.desktop ($XDG_DATA_HOME defaulting to
// ~/.local/share); empty when there is no home folder.
[[nodiscard]] std::string desktopEntryPath();

// Writes the desktop entry for `programPath`, replacing any earlier one
// atomically and creating the applications folder as needed. False when
// nothing was written (no home folder, a read-only folder, a program path
// that is not valid UTF-8); start-up goes on either way.
bool RegisterOpenWith(const std::string& programPath);

}  // namespace vendrik
