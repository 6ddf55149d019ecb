#pragma once
// The watermark's look and place, held in memory for the whole run: read at
// start-up from the settings file, replaced by the designer, used by every
// picture of a batch run.

#include <algorithm>
#include <array>
#include <limits>
#include <string_view>
#include <cstdint>
#include <string>

#include "common/fixed4.h"

namespace vendrik {

struct WatermarkSettings {
    std::int16_t angleMode = 1;  // "AngleN": 0 Normal, 1 Manuell, 2 "-90°", 3 "+90°"
    Fixed4 angle{40};            // "Angle", degrees 0..360; "-90°" is 89, "+90°" 269
    Fixed4 opacity{45};          // "Alpha", percent 0..100
    std::int16_t size = 38;      // "WSize", 16..70: twice the points on a 295-pixel picture
    double hPos = 160;           // "HPos"; scratch: left edge of the unturned text
    double vPos = 120;           // "VPos"; scratch: top edge of the unturned text
    std::int16_t hAlign = 1;     // "HPosN": 0 left, 1 centre, 2 right
    std::int16_t vAlign = 1;     // "VPosN": 0 top, 1 middle, 2 bottom
    std::int16_t color = 1;      // "Color": index into kWatermarkColors
    std::string text;            // "Info" in display form, lines separated by CR LF
    std::int16_t lineBreaks = 0; // WatermarkLineBreaks: the number of CR characters in text
};

// WatermarkLineBreaks of a display-form text: its number of CR characters,
// held in 16 bits like the other watermark values.
[[nodiscard]] inline std::int16_t countWatermarkLineBreaks(std::string_view displayText) {
    const auto n = std::count(displayText.begin(), displayText.end(), '\r');
    return static_cast<std::int16_t>(
        std::min<std::ptrdiff_t>(n, std::numeric_limits<std::int16_t>::max()));
}

// The six text colours by index, as &H00BBGGRR.
inline constexpr std::array<std::uint32_t, 6> kWatermarkColors = {
    0x000000,  // black
    0xFFFFFF,  // white
    0xFF0000,  // blue
    0x00FFFF,  // yellow
    0x0000FF,  // red
    0x00FF00,  // green
};

}  // namespace vendrik
