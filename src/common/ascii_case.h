#pragma once
// Comparing names without regard to case, as the settings file's section and
// key names, picture endings and the file list's order are compared. Only
// A to Z fold; every other byte (UTF-8 included) compares as it is.

#include <string_view>

namespace vendrik {

[[nodiscard]] constexpr char asciiLower(char c) noexcept {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

[[nodiscard]] constexpr char asciiUpper(char c) noexcept {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

[[nodiscard]] constexpr bool equalsIgnoringCase(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

[[nodiscard]] constexpr bool endsWithIgnoringCase(std::string_view text,
                                                  std::string_view ending) noexcept {
    return text.size() >= ending.size() &&
           equalsIgnoringCase(text.substr(text.size() - ending.size()), ending);
}

// A strict weak order by name ignoring case; names equal but for case are
// ordered by their bytes, so that a sort is the same on every run.
[[nodiscard]] bool lessIgnoringCase(std::string_view a, std::string_view b) noexcept;

}  // namespace vendrik
