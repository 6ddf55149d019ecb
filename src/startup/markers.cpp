#include "startup/markers.h"

#include <algorithm>
#include <limits>

namespace vendrik {
namespace {

// "§" in UTF-8; on disk it is the single Windows-1252 byte 167.
constexpr std::string_view kSectionSign = "\xC2\xA7";

}  // namespace

std::string DecodeMarkers(std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '#') {
            out += '\r';
        } else if (text.compare(i, kSectionSign.size(), kSectionSign) == 0) {
            out += '\n';
            i += kSectionSign.size() - 1;
        } else {
            out += text[i];
        }
    }
    text = out;
    return out;
}

std::string EncodeMarkers(std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (const char c : text) {
        if (c == '\r') {
            out += '#';
        } else if (c == '\n') {
            out += kSectionSign;
        } else {
            out += c;
        }
    }
    text = out;
    return out;
}

}  // namespace vendrik
