#include "common/utf8.h"

namespace vendrik {

std::optional<Utf8Char> decodeUtf8At(std::string_view text, std::size_t i) noexcept {
    if (i >= text.size()) {
        return std::nullopt;
    }
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
        return Utf8Char{lead, 1};
    }
    // The ranges of RFC 3629: the second byte's bounds rule out overlong
    // forms (E0, F0), surrogates (ED) and values beyond U+10FFFF (F4).
    std::size_t length = 0;
    unsigned char lo = 0x80;
    unsigned char hi = 0xBF;
    char32_t cp = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1FU;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0FU;
        lo = lead == 0xE0 ? 0xA0 : 0x80;
        hi = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07U;
        lo = lead == 0xF0 ? 0x90 : 0x80;
        hi = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return std::nullopt;
    }
    if (length > text.size() - i) {
        return std::nullopt;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto c = static_cast<unsigned char>(text[i + k]);
        if (c < (k == 1 ? lo : 0x80) || c > (k == 1 ? hi : 0xBF)) {
            return std::nullopt;
        }
        cp = (cp << 6) | (c & 0x3FU);
    }
    return Utf8Char{cp, length};
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::size_t utf8ValidLength(std::string_view text) noexcept {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = decodeUtf8At(text, i);
        if (!c) {
            return i;
        }
        i += c->length;
    }
    return i;
}

std::vector<char32_t> utf8CodePoints(std::string_view text, char32_t substitute) {
    std::vector<char32_t> out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto c = decodeUtf8At(text, i);
        out.push_back(c ? c->codePoint : substitute);
        i += c ? c->length : 1;
    }
    return out;
}

std::size_t utf8BoundaryAtOrBefore(std::string_view text, std::size_t byteIndex) noexcept {
    std::size_t end = byteIndex < text.size() ? byteIndex : text.size();
    while (end > 0 && end < text.size() && isUtf8Continuation(text[end])) {
        --end;
    }
    return end;
}

std::string utf8Prefix(std::string_view text, std::size_t count) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!isUtf8Continuation(text[i]) && seen++ == count) {
            return std::string(text.substr(0, i));
        }
    }
    return std::string(text);
}

std::string utf8Suffix(std::string_view text, std::size_t count) {
    std::size_t seen = 0;
    for (std::size_t i = text.size(); i > 0; --i) {
        if (!isUtf8Continuation(text[i - 1]) && ++seen == count) {
            return std::string(text.substr(i - 1));
        }
    }
    return std::string(text);
}

std::string utf8WithoutLast(std::string_view text, std::size_t count) {
    std::size_t end = text.size();
    for (std::size_t dropped = 0; dropped < count && end > 0; ++dropped) {
        --end;
        while (end > 0 && isUtf8Continuation(text[end])) {
            --end;
        }
    }
    return std::string(text.substr(0, end));
}

}  // namespace vendrik
