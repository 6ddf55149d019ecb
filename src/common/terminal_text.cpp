#include "common/terminal_text.h"

#include "common/utf8.h"

namespace vendrik {
namespace {

void appendOctal(std::string& out, unsigned char byte) {
    out += '\\';
    out += static_cast<char>('0' + (byte >> 6));
    out += static_cast<char>('0' + ((byte >> 3) & 7));
    out += static_cast<char>('0' + (byte & 7));
}

void appendEscaped(std::string& out, unsigned char byte) {
    switch (byte) {
        case '\a':
            out += "\\a";
            return;
        case '\b':
            out += "\\b";
            return;
        case '\t':
            out += "\\t";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\v':
            out += "\\v";
            return;
        case '\f':
            out += "\\f";
            return;
        case '\r':
            out += "\\r";
            return;
        default:
            appendOctal(out, byte);
    }
}

}  // namespace

std::string terminalText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = decodeUtf8At(text, i);
        if (!c) {
            appendOctal(out, static_cast<unsigned char>(text[i]));
            ++i;
            continue;
        }
        const char32_t cp = c->codePoint;
        if (cp == U'\\') {
            out += "\\\\";
        } else if (cp < 0x20 || cp == 0x7F) {
            appendEscaped(out, static_cast<unsigned char>(cp));
        } else if (cp >= 0x80 && cp <= 0x9F) {
            for (std::size_t k = 0; k < c->length; ++k) {
                appendOctal(out, static_cast<unsigned char>(text[i + k]));
            }
        } else {
            out.append(text.substr(i, c->length));
        }
        i += c->length;
    }
    return out;
}

}  // namespace vendrik
