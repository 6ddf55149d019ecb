#include "startup/window_helpers.h"

#include <algorithm>
#include <cmath>

#include "common/utf8.h"
#include "startup/settings_file.h"

namespace vendrik {
namespace {

constexpr std::int16_t kBackspace = 8;
constexpr std::int16_t kCtrlC = 3;
constexpr std::int16_t kCtrlV = 22;
constexpr std::int16_t kEnter = 13;

bool between(std::int16_t k, char first, char last) {
    return k >= first && k <= last;
}

// The name filter's verdict for one key code.
bool passesAsName(std::int16_t k) {
    switch (k) {
        // Blank, "!", "&", "'", "+", "-", and ü ä Ä ö Ö Ü ß as the DOS code
        // page numbers them (all above 126, which pass anyway).
        case 32: case 33: case 38: case 39: case 43: case 45:
        case 129: case 132: case 142: case 148: case 153: case 154: case 225:
            return true;
        default:
            break;
    }
    return !(k < 48 || between(k, ':', '>') || between(k, '[', '^'));
}

}  // namespace

FormPosition CenterForm(int screenWidth, int screenHeight, int windowWidth, int windowHeight) {
    const auto scaled = static_cast<long>(std::nearbyint(0.95 * screenHeight));
    FormPosition p;
    p.top = static_cast<int>(scaled / 2) - windowHeight / 2;
    p.left = screenWidth / 2 - windowWidth / 2;
    if (p.top < 0) {
        p.top = 0;
    }
    if (p.left < 0) {
        p.left = 0;
    }
    return p;
}

void FilterKey(std::int16_t& keyAscii, std::int16_t mode) {
    const std::int16_t k = keyAscii;
    if (k == kBackspace || k == kCtrlC || k == kCtrlV || k == kEnter) {
        return;
    }
    const bool digit = between(k, '0', '9');
    const bool upper = between(k, 'A', 'Z');
    const bool lower = between(k, 'a', 'z');
    switch (static_cast<KeyFilterMode>(mode)) {
        case KeyFilterMode::Names:
            keyAscii = passesAsName(k) ? k : std::int16_t{0};
            return;
        case KeyFilterMode::Numbers:
            keyAscii = (digit || k == '.' || k == ',') ? k : std::int16_t{0};
            return;
        case KeyFilterMode::Letters:
            keyAscii = (upper || lower) ? k : std::int16_t{0};
            return;
        case KeyFilterMode::Hexadecimal:
            if (between(k, 'a', 'f')) {
                keyAscii = static_cast<std::int16_t>(k - 'a' + 'A');
            } else if (!digit && !between(k, 'A', 'F')) {
                keyAscii = 0;
            }
            return;
        case KeyFilterMode::UpperCase:
            if (lower) {
                keyAscii = static_cast<std::int16_t>(k - 'a' + 'A');
            }
            return;
        case KeyFilterMode::LowerCase:
            if (upper) {
                keyAscii = static_cast<std::int16_t>(k - 'A' + 'a');
            }
            return;
    }
}

std::string filterTypedText(std::string_view text, std::int16_t mode) {
    constexpr char32_t kHighestKeyCode = 255;
    std::string out;
    out.reserve(text.size());
    for (const char32_t c : utf8CodePoints(text, 0)) {
        if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
            continue;
        }
        auto key = static_cast<std::int16_t>(std::min(c, kHighestKeyCode));
        FilterKey(key, mode);
        if (key == 0) {
            continue;
        }
        appendUtf8(out, c > kHighestKeyCode ? c : static_cast<char32_t>(key));
    }
    return out;
}

MessageBoxContent messageBoxContent(std::string_view text, std::int16_t kind,
                                    std::string_view title) {
    MessageBoxContent c;
    c.text = std::string(text);
    c.icon = (kind >= 1 && kind <= 4) ? static_cast<MessageIcon>(kind) : MessageIcon::None;
    c.title = std::string(title.empty() ? ProductTitle : title);
    return c;
}

}  // namespace vendrik
