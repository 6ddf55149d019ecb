#include "common/ascii_case.h"

#include <algorithm>

namespace vendrik {

bool lessIgnoringCase(std::string_view a, std::string_view b) noexcept {
    const auto lower = [](char c) { return static_cast<unsigned char>(asciiLower(c)); };
    const auto pos = std::mismatch(a.begin(), a.end(), b.begin(), b.end(),
                                   [&](char x, char y) { return lower(x) == lower(y); });
    if (pos.first == a.end() || pos.second == b.end()) {
        return a.size() < b.size() || (a.size() == b.size() && a < b);
    }
    return lower(*pos.first) < lower(*pos.second);
}

}  // namespace vendrik
