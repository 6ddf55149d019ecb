#include "watermark_options.h"

#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>

#include "common/fixed4.h"
#include "startup/settings_values.h"
#include "watermark/alpha_and_rot_blt.h"

namespace vendrik::cli {
namespace {


struct Choice {
    std::string_view name;
    std::int16_t value;
};

constexpr std::array<Choice, 3> kHorizontal = {{{"left", 0}, {"center", 1}, {"right", 2}}};
constexpr std::array<Choice, 3> kVertical = {{{"top", 0}, {"middle", 1}, {"bottom", 2}}};
// In the order of kWatermarkColors.
constexpr std::array<Choice, 6> kColours = {
    {{"black", 0}, {"white", 1}, {"blue", 2}, {"yellow", 3}, {"red", 4}, {"green", 5}}};
static_assert(kColours.size() == kWatermarkColors.size());

// The angle modes of the designer that a plain angle stands for.
constexpr std::int16_t kModeNormal = 0;
constexpr std::int16_t kModeManual = 1;
constexpr std::int16_t kModeMinus90 = 2;
constexpr std::int16_t kModePlus90 = 3;

template <std::size_t N>
std::optional<std::int16_t> lookUp(const std::array<Choice, N>& table, std::string_view name) {
    for (const Choice& c : table) {
        if (c.name == name) {
            return c.value;
        }
    }
    return std::nullopt;
}

template <std::size_t N>
std::string namesOf(const std::array<Choice, N>& table) {
    std::string s;
    for (std::size_t k = 0; k < N; ++k) {
        s += (k == 0 ? "" : k + 1 == N ? " oder " : ", ") + std::string(table[k].name);
    }
    return s;
}

// A decimal number within [lo, hi], kept to four places.
std::optional<Fixed4> parseDecimal(std::string_view text, double lo, double hi) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || !(value >= lo && value <= hi)) {
        return std::nullopt;
    }
    return Fixed4::fromDouble(value);
}

std::optional<int> parseWhole(std::string_view text, int lo, int hi) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < lo || value > hi) {
        return std::nullopt;
    }
    return value;
}

// "\n" (backslash, n) and a real line feed both become the CR LF of the
// display form.
std::string displayForm(std::string_view text) {
    std::string out;
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (text[k] == '\\' && k + 1 < text.size() && text[k + 1] == 'n') {
            out += "\r\n";
            ++k;
        } else if (text[k] == '\r' && k + 1 < text.size() && text[k + 1] == '\n') {
            out += "\r\n";
            ++k;
        } else if (text[k] == '\n' || text[k] == '\r') {
            out += "\r\n";
        } else {
            out += text[k];
        }
    }
    return out;
}

std::int16_t angleModeOf(Fixed4 angle) {
    if (angle == Fixed4(0)) {
        return kModeNormal;
    }
    if (angle == Fixed4(89)) {
        return kModeMinus90;
    }
    if (angle == Fixed4(269)) {
        return kModePlus90;
    }
    return kModeManual;
}

}  // namespace

const char* const kWatermarkOptionsHelp =
    "  --wm-text TEXT       Text des Wasserzeichens; \\n beginnt eine neue Zeile\n"
    "                       (Vorgabe: zweizeiliger Copyright-Hinweis)\n"
    "  --wm-angle GRAD      Drehwinkel 0..360 gegen den Uhrzeigersinn (Vorgabe 40;\n"
    "                       89 entspricht \"-90°\", 269 \"+90°\")\n"
    "  --wm-opacity PROZENT Deckkraft 0..100 (Vorgabe 45)\n"
    "  --wm-size N          Größe 16..70, die doppelte Punktgröße auf einem 295 Pixel\n"
    "                       breiten Bild (Vorgabe 38)\n"
    "  --wm-halign AUSR     left, center oder right (Vorgabe center)\n"
    "  --wm-valign AUSR     top, middle oder bottom (Vorgabe middle)\n"
    "  --wm-color FARBE     black, white, blue, yellow, red oder green (Vorgabe white)\n";

WatermarkSettings defaultWatermarkSettings() {
    // Read from no file at all: every key's default, and the maker's notice
    // that stands in for an empty text, as start-up gets them.
    return readWatermarkSettings({});
}

WatermarkOption parseWatermarkOption(const Args& args, std::size_t& i, WatermarkSettings& settings,
                                     std::string& error) {
    const std::string& option = args[i];
    if (option.rfind("--wm-", 0) != 0) {
        return WatermarkOption::NotMine;
    }
    const auto invalid = [&](const std::string& expected) {
        error = option + " erwartet " + expected;
        return WatermarkOption::Invalid;
    };
    const bool known = option == "--wm-text" || option == "--wm-angle" ||
                       option == "--wm-opacity" || option == "--wm-size" ||
                       option == "--wm-halign" || option == "--wm-valign" || option == "--wm-color";
    if (!known) {
        error = "unbekannte Option '" + option + "'";
        return WatermarkOption::Invalid;
    }
    if (i + 1 >= args.size()) {
        return invalid("einen Wert");
    }
    const std::string& value = args[++i];

    if (option == "--wm-text") {
        settings.text = displayForm(value);
        settings.lineBreaks = countWatermarkLineBreaks(settings.text);
    } else if (option == "--wm-angle") {
        const std::optional<Fixed4> angle = parseDecimal(value, 0, 360);
        if (!angle) {
            return invalid("einen Winkel von 0 bis 360, nicht '" + value + "'");
        }
        settings.angle = *angle;
        settings.angleMode = angleModeOf(*angle);
    } else if (option == "--wm-opacity") {
        const std::optional<Fixed4> opacity = parseDecimal(value, 0, 100);
        if (!opacity) {
            return invalid("eine Deckkraft von 0 bis 100, nicht '" + value + "'");
        }
        settings.opacity = *opacity;
    } else if (option == "--wm-size") {
        const std::optional<int> size = parseWhole(value, 16, 70);
        if (!size) {
            return invalid("eine ganze Zahl von 16 bis 70, nicht '" + value + "'");
        }
        settings.size = static_cast<std::int16_t>(*size);
    } else {
        const bool horizontal = option == "--wm-halign";
        const bool vertical = option == "--wm-valign";
        const std::optional<std::int16_t> choice = horizontal ? lookUp(kHorizontal, value)
                                                   : vertical ? lookUp(kVertical, value)
                                                              : lookUp(kColours, value);
        if (!choice) {
            const std::string names = horizontal ? namesOf(kHorizontal)
                                      : vertical ? namesOf(kVertical)
                                                 : namesOf(kColours);
            return invalid(names + ", nicht '" + value + "'");
        }
        (horizontal ? settings.hAlign : vertical ? settings.vAlign : settings.color) = *choice;
    }
    return WatermarkOption::Taken;
}

}  // namespace vendrik::cli
