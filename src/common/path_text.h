#pragma once
// Splitting and joining paths as text, with "/" as the separator. Nothing
// here looks at the file system.

#include <string>
#include <string_view>

namespace vendrik {

// The part after the last "/", or the whole text when there is none.
[[nodiscard]] constexpr std::string_view lastPathName(std::string_view path) noexcept {
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The part up to and including the last "/", or "" when there is none.
[[nodiscard]] constexpr std::string_view folderPart(std::string_view path) noexcept {
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

// A folder path with one trailing "/"; "" stays "" (the current folder).
[[nodiscard]] std::string withTrailingSlash(std::string_view folder);

// folder + "/" + name, with exactly one "/" between them; an empty folder
// gives the name alone.
[[nodiscard]] std::string joinPath(std::string_view folder, std::string_view name);

}  // namespace vendrik
