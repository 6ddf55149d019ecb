#pragma once
// The watermark design: its look and place, held in memory for the whole run.
// Start-up reads it from the settings file, the designer replaces it, and
// the compositing, the designer's preview and the command line all use this
// one type.
//
// The closed sets (angle mode, alignments, colour) are enums whose numbers
// are the stored ones. A settings file edited by hand may hold any 16-bit
// number there; such a value is kept as it is, not mended, because what it
// does is defined: a colour outside the table keeps the render box's previous
// colour, an alignment outside 0..2 puts the compositing's coordinate at 0
// (the preview takes it as the first option), and an angle mode outside 0..3
// selects no mode in the designer. Use the is…() tests below before treating
// a value as one of the named ones.

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "common/fixed4.h"
#include "common/settings_keys.h"

namespace vendrik {

// The designer's angle list ("AngleN"), by list index.
enum class WatermarkAngleMode : std::int16_t {
    Normal = 0,   // "Normal": angle 0
    Manuell = 1,  // "Manuell": the manual slider's angle
    Minus90 = 2,  // "-90°": held as angle 89
    Plus90 = 3,   // "+90°": held as angle 269
};

// "HPosN": the designer's H-Position options.
enum class HorizontalAlignment : std::int16_t { Left = 0, Centre = 1, Right = 2 };

// "VPosN": the designer's V-Position options.
enum class VerticalAlignment : std::int16_t { Top = 0, Middle = 1, Bottom = 2 };

// "Color": the index into kWatermarkColors.
enum class WatermarkColour : std::int16_t {
    Black = 0,
    White = 1,
    Blue = 2,
    Yellow = 3,
    Red = 4,
    Green = 5,
};

// The six text colours by index, as &H00BBGGRR.
inline constexpr std::array<std::uint32_t, 6> kWatermarkColors = {
    0x000000,  // black
    0xFFFFFF,  // white
    0xFF0000,  // blue
    0x00FFFF,  // yellow
    0x0000FF,  // red
    0x00FF00,  // green
};

// The angles the two fixed modes stand for.
inline constexpr int kMinus90Angle = 89;
inline constexpr int kPlus90Angle = 269;

template <typename Enum>
[[nodiscard]] constexpr std::int16_t storedNumber(Enum value) noexcept {
    return static_cast<std::int16_t>(value);
}

[[nodiscard]] constexpr bool isNamed(WatermarkAngleMode m) noexcept {
    return storedNumber(m) >= 0 && storedNumber(m) <= 3;
}
[[nodiscard]] constexpr bool isNamed(HorizontalAlignment a) noexcept {
    return storedNumber(a) >= 0 && storedNumber(a) <= 2;
}
[[nodiscard]] constexpr bool isNamed(VerticalAlignment a) noexcept {
    return storedNumber(a) >= 0 && storedNumber(a) <= 2;
}
[[nodiscard]] constexpr bool isNamed(WatermarkColour c) noexcept {
    return storedNumber(c) >= 0 && storedNumber(c) < static_cast<int>(kWatermarkColors.size());
}

// The colour value of a named colour; nothing for a number outside the table.
[[nodiscard]] constexpr std::optional<std::uint32_t> colourValue(WatermarkColour c) noexcept {
    if (!isNamed(c)) {
        return std::nullopt;
    }
    return kWatermarkColors[static_cast<std::size_t>(storedNumber(c))];
}

// The angle mode a plain angle stands for: 0 is "Normal", 89 "-90°", 269
// "+90°", anything else "Manuell".
[[nodiscard]] constexpr WatermarkAngleMode angleModeFor(Fixed4 angle) noexcept {
    if (angle == Fixed4(0)) {
        return WatermarkAngleMode::Normal;
    }
    if (angle == Fixed4(kMinus90Angle)) {
        return WatermarkAngleMode::Minus90;
    }
    if (angle == Fixed4(kPlus90Angle)) {
        return WatermarkAngleMode::Plus90;
    }
    return WatermarkAngleMode::Manuell;
}

// The defaults are those of the settings table, so that a design made in
// memory is the design of a fresh settings file (but for its text, whose
// default notice start-up puts in).
struct WatermarkSettings {
    WatermarkAngleMode angleMode{settingDefaultWhole("AngleN")};
    Fixed4 angle{settingDefaultWhole("Angle")};    // degrees 0..360; "-90°" is 89, "+90°" 269
    Fixed4 opacity{settingDefaultWhole("Alpha")};  // percent 0..100
    // "WSize", 16..70: twice the points on a picture 295 pixels wide.
    std::int16_t size = settingDefaultWhole("WSize");
    // "HPos", "VPos"; compositing and preview use them as scratch for the
    // left and top edge of the unturned text.
    double hPos = settingDefaultWhole("HPos");
    double vPos = settingDefaultWhole("VPos");
    HorizontalAlignment hAlign{settingDefaultWhole("HPosN")};
    VerticalAlignment vAlign{settingDefaultWhole("VPosN")};
    WatermarkColour color{settingDefaultWhole("Color")};
    std::string text;             // "Info" in display form, lines separated by CR LF
    std::int16_t lineBreaks = 0;  // WatermarkLineBreaks: the number of CR characters in text
};

// WatermarkLineBreaks of a display-form text: its number of CR characters,
// held in 16 bits like the other watermark values.
[[nodiscard]] inline std::int16_t countWatermarkLineBreaks(std::string_view displayText) {
    const auto n = std::count(displayText.begin(), displayText.end(), '\r');
    return static_cast<std::int16_t>(
        std::min<std::ptrdiff_t>(n, std::numeric_limits<std::int16_t>::max()));
}

}  // namespace vendrik
