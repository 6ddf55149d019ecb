#include "watermark_options.h"

#include <array>
#include <optional>
#include <string_view>

#include "common/fixed4.h"
#include "common/number_text.h"
#include "watermark/alpha_and_rot_blt.h"

namespace vendrik::cli {
namespace {

template <typename Enum>
struct Choice {
    std::string_view name;
    Enum value;
};

constexpr std::array<Choice<HorizontalAlignment>, 3> kHorizontal = {
    {{"left", HorizontalAlignment::Left},
     {"center", HorizontalAlignment::Centre},
     {"right", HorizontalAlignment::Right}}};
constexpr std::array<Choice<VerticalAlignment>, 3> kVertical = {
    {{"top", VerticalAlignment::Top},
     {"middle", VerticalAlignment::Middle},
     {"bottom", VerticalAlignment::Bottom}}};
constexpr std::array<Choice<WatermarkColour>, 6> kColours = {
    {{"black", WatermarkColour::Black},
     {"white", WatermarkColour::White},
     {"blue", WatermarkColour::Blue},
     {"yellow", WatermarkColour::Yellow},
     {"red", WatermarkColour::Red},
     {"green", WatermarkColour::Green}}};
static_assert(kColours.size() == kWatermarkColors.size());

template <typename Enum, std::size_t N>
std::optional<Enum> lookUp(const std::array<Choice<Enum>, N>& table, std::string_view name) {
    for (const Choice<Enum>& c : table) {
        if (c.name == name) {
            return c.value;
        }
    }
    return std::nullopt;
}

template <typename Enum, std::size_t N>
std::string namesOf(const std::array<Choice<Enum>, N>& table) {
    std::string s;
    for (std::size_t k = 0; k < N; ++k) {
        s += (k == 0 ? "" : k + 1 == N ? " oder " : ", ") + std::string(table[k].name);
    }
    return s;
}

// A decimal number within [lo, hi], kept to four places.
std::optional<Fixed4> parseDecimal(std::string_view text, double lo, double hi) {
    const std::optional<double> value = decimalNumber(text, lo, hi);
    return value ? Fixed4::fromDouble(*value) : std::nullopt;
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

struct WatermarkOptionText {
    const char* name;
    const char* valueName;
    const char* help;
};

constexpr std::array<WatermarkOptionText, 7> kWatermarkOptions{{
    {"wm-text", "TEXT",
     "Text des Wasserzeichens; \\n beginnt eine neue Zeile "
     "(Vorgabe: zweizeiliger Copyright-Hinweis)"},
    {"wm-angle", "GRAD",
     "Drehwinkel 0..360 gegen den Uhrzeigersinn (Vorgabe 40; "
     "89 entspricht \"-90°\", 269 \"+90°\")"},
    {"wm-opacity", "PROZENT", "Deckkraft 0..100 (Vorgabe 45)"},
    {"wm-size", "N",
     "Größe 16..70, die doppelte Punktgröße auf einem 295 Pixel "
     "breiten Bild (Vorgabe 38)"},
    {"wm-halign", "AUSR", "left, center oder right (Vorgabe center)"},
    {"wm-valign", "AUSR", "top, middle oder bottom (Vorgabe middle)"},
    {"wm-color", "FARBE", "black, white, blue, yellow, red oder green (Vorgabe white)"},
}};

// Applies the value of the option `name` (without "--") to `settings`.
bool applyWatermarkOption(std::string_view name, const std::string& value,
                          WatermarkSettings& settings, std::string& error) {
    const std::string option = "--" + std::string(name);
    const auto invalid = [&](const std::string& expected) {
        error = option + " erwartet " + expected;
        return false;
    };
    if (name == "wm-text") {
        settings.text = displayForm(value);
        settings.lineBreaks = countWatermarkLineBreaks(settings.text);
    } else if (name == "wm-angle") {
        const std::optional<Fixed4> angle = parseDecimal(value, 0, 360);
        if (!angle) {
            return invalid("einen Winkel von 0 bis 360, nicht '" + value + "'");
        }
        settings.angle = *angle;
        settings.angleMode = angleModeFor(*angle);
    } else if (name == "wm-opacity") {
        const std::optional<Fixed4> opacity = parseDecimal(value, 0, 100);
        if (!opacity) {
            return invalid("eine Deckkraft von 0 bis 100, nicht '" + value + "'");
        }
        settings.opacity = *opacity;
    } else if (name == "wm-size") {
        const std::optional<int> size = wholeNumber(value, 16, 70);
        if (!size) {
            return invalid("eine ganze Zahl von 16 bis 70, nicht '" + value + "'");
        }
        settings.size = static_cast<std::int16_t>(*size);
    } else if (name == "wm-halign") {
        const auto choice = lookUp(kHorizontal, value);
        if (!choice) {
            return invalid(namesOf(kHorizontal) + ", nicht '" + value + "'");
        }
        settings.hAlign = *choice;
    } else if (name == "wm-valign") {
        const auto choice = lookUp(kVertical, value);
        if (!choice) {
            return invalid(namesOf(kVertical) + ", nicht '" + value + "'");
        }
        settings.vAlign = *choice;
    } else {
        const auto choice = lookUp(kColours, value);
        if (!choice) {
            return invalid(namesOf(kColours) + ", nicht '" + value + "'");
        }
        settings.color = *choice;
    }
    return true;
}

}  // namespace

void addWatermarkOptions(std::vector<CliOption>& table, WatermarkSettings& design, bool& designed,
                         const std::string& heading) {
    for (const WatermarkOptionText& o : kWatermarkOptions) {
        CliOption entry{o.name, 0, o.valueName, o.help, nullptr, false, ""};
        entry.apply = [&design, &designed, name = std::string(o.name)](const std::string& value,
                                                                       std::string& error) {
            designed = true;
            return applyWatermarkOption(name, value, design, error);
        };
        table.push_back(std::move(entry));
    }
    table[table.size() - kWatermarkOptions.size()].heading = heading;
}

}  // namespace vendrik::cli
