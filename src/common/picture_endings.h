#pragma once
// The file name endings of pictures, in one table with the two lists the
// program uses: the file list's pattern, which shows every picture the loader
// reads (".tiff" beside ".tif", since both name the same format), and the
// endings by which start-up takes a command-line argument for a picture.
// Start-up compares the argument's last four characters, so its list holds
// "jpeg" and the phone and web formats' endings without the point and leaves
// out ".png" and ".jps": such an argument is neither a picture nor a folder
// there, and the window opens on the folder last used.
//
// The phone and web formats' endings (HEIC/HEIF, AVIF, WebP) are kept apart
// in the order of the file list's pattern, after the older formats.

#include <array>
#include <string_view>

namespace vendrik {

// The file list's pattern as the window shows it.
inline constexpr std::string_view kFileListPattern =
    "*.jpg;*.jpeg;*.bmp;*.tif;*.tiff;*.gif;*.png;*.jps;*.heic;*.heif;*.avif;*.webp";

// The endings of kFileListPattern, compared ignoring case.
inline constexpr std::array<std::string_view, 8> kFileListEndings{".jpg",  ".jpeg", ".bmp", ".tif",
                                                                  ".tiff", ".gif",  ".png", ".jps"};

// The endings of the phone and web formats, at the end of kFileListPattern.
inline constexpr std::array<std::string_view, 4> kPhoneAndWebEndings{".heic", ".heif", ".avif",
                                                                     ".webp"};

// The four-character endings that make a command-line argument a picture.
// The phone and web formats come last, so that a file manager's "open with"
// reaches the window for them too.
inline constexpr std::array<std::string_view, 10> kCommandLineEndings{
    ".jpg", ".jpe", "jpeg", ".tif", ".bmp", ".gif", "heic", "heif", "avif", "webp"};

// True when the name ends in one of kFileListEndings or kPhoneAndWebEndings,
// ignoring case.
[[nodiscard]] bool matchesFileListPattern(std::string_view fileName) noexcept;

// True when the name ends in one of kPhoneAndWebEndings, ignoring case.
[[nodiscard]] bool isPhoneOrWebPicture(std::string_view fileName) noexcept;

// True when the last four characters, in lower case, are one of
// kCommandLineEndings.
[[nodiscard]] bool isPictureArgument(std::string_view argument) noexcept;

}  // namespace vendrik
