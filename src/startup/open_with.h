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

// The entry a package installed for every user: applications/vendrik.desktop
// in the first folder of $XDG_DATA_DIRS that holds one, the per-user place
// not counted should the list name it; empty when none does.
[[nodiscard]] std::string packagedDesktopEntryPath();

// Makes sure the file manager knows Vendrik. When a package installed the
// entry, nothing is written: a per-user entry has the same desktop ID and
// so would shadow the package's one (its icon and translations, the types a
// newer version reads) and outlive the package as a dead menu entry once
// the package is removed. A per-user entry an earlier start left behind is
// removed for the same reason; that file is start-up's own, rewritten at
// every start. Without a packaged entry, writes the per-user one for
// `programPath`, replacing any earlier one atomically and creating the
// applications folder as needed.
//
// True when Vendrik is registered afterwards. False when nothing could be
// written (no home folder, a read-only folder, a program path that is not
// valid UTF-8) or a stale per-user entry could not be removed; start-up
// goes on either way.
bool RegisterOpenWith(const std::string& programPath);

}  // namespace vendrik
