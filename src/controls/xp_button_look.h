#pragma once
// How the push button looks: the colour table of its five states, the
// geometry of its outline, gradients, lines and corner pixels, its rounded
// outline as a region, and the caption with its focus rectangle. All in
// pixels of a button W wide and H high; a line from (x1, y) to (x2, y)
// covers x1 .. x2 - 1 (its end point is not drawn), a filled rectangle from
// (l, t) to (r, b) covers l .. r - 1 and t .. b - 1.

#include <QColor>
#include <QRect>
#include <QRegion>
#include <QString>
#include <array>
#include <cstdint>

#include "controls/xp_button_behaviour.h"

class QFont;
class QPainter;

namespace vendrik {

// Colours are 0x00BBGGRR numbers (red in the low byte), the form every
// colour value of Vendrik takes; QColor only at the painter.
using BgrColour = std::uint32_t;

[[nodiscard]] constexpr QRgb toQRgb(BgrColour c) noexcept {
    return qRgb(static_cast<int>(c & 0xFFU), static_cast<int>((c >> 8) & 0xFFU),
                static_cast<int>((c >> 16) & 0xFFU));
}
[[nodiscard]] constexpr BgrColour toBgr(QRgb c) noexcept {
    return static_cast<BgrColour>(qRed(c)) | static_cast<BgrColour>(qGreen(c)) << 8 |
           static_cast<BgrColour>(qBlue(c)) << 16;
}

struct XPButtonColours {
    BgrColour outline;
    // The ring gradient and the four lines belong to states 1 to 3 only;
    // states 0 and 4 fill the face flat and leave them 0.
    BgrColour ringTop;
    BgrColour ringBottom;
    BgrColour line1;  // row 1
    BgrColour line2;  // row 2
    BgrColour line3;  // row H - 3
    BgrColour line4;  // row H - 2
    BgrColour cornerA;
    BgrColour cornerB;
    BgrColour cornerC;
};

// One row a state, one column a role, as the table is read.
// clang-format off
inline constexpr std::array<XPButtonColours, 5> kXPButtonColours = {{
    // outline  ring top  ring bot. line 1    line 2    line 3    line 4    A         B         C
    {0xBAC7C9, 0,        0,        0,        0,        0,        0,        0x8CB1C4, 0xBDC7CE, 0x8CB1C4},  // 0 disabled
    {0x743C00, 0xFBFCFC, 0xE6EBEC, 0xFFFFFF, 0xFEFEFE, 0xD6DFE2, 0xC5D0D6, 0x845521, 0xAD967B, 0xA57D52},  // 1 normal
    {0x743C00, 0xF7D3BD, 0xE7AE8C, 0xFFE7CE, 0xF7D7BD, 0xE7AE8C, 0xEF826B, 0x845521, 0xAD967B, 0xA57D52},  // 2 focused or default
    {0x743C00, 0x9CDFE1, 0x30B6FF, 0xCEF3FF, 0x8CDBFF, 0x31B2FF, 0x0096E6, 0x845521, 0xAD967B, 0xA57D52},  // 3 hot
    {0x743C00, 0,        0,        0,        0,        0,        0,        0x845521, 0xAD967B, 0xA57D52},  // 4 pressed
}};
// clang-format on
static_assert(kXPButtonColours.size() == 5, "one row per visual state");

inline constexpr BgrColour kFaceTop = 0xFBFCFC;
inline constexpr BgrColour kFaceBottom = 0xE6EBEC;
inline constexpr BgrColour kPressedFill = 0xDEE3E7;
inline constexpr BgrColour kDisabledFill = 0xEAF4F5;
inline constexpr BgrColour kDisabledText = 0x92A1A1;

[[nodiscard]] constexpr const XPButtonColours& coloursOf(XPButtonState s) noexcept {
    return kXPButtonColours[static_cast<std::size_t>(s)];
}

// The colour of row i (0 = bottom row) of a gradient from `top` to `bottom`
// over n + 1 rows: each channel is bottom + (top - bottom) / n * i in single
// precision, rounded to the nearest integer, ties to even. n must be > 0.
[[nodiscard]] BgrColour gradientRow(BgrColour top, BgrColour bottom, int n, int i);

// Fills rows top .. bottom (both drawn) of columns left .. right - 1, from
// `bottomColour` on the bottom row up to `topColour` on the top row. A
// rectangle of one row gets `bottomColour`; an upside-down one nothing.
void paintGradient(QPainter& p, int left, int top, int right, int bottom, BgrColour topColour,
                   BgrColour bottomColour);

// Outline, face and corner pixels of state s (everything but the caption).
void paintXPButtonFace(QPainter& p, int width, int height, XPButtonState s);

// The rectangle the caption is centred in, which the focus rectangle also
// traces: from (3, 3) to (W - 3, H - 3).
[[nodiscard]] QRect captionRect(int width, int height);

// The caption on one line, centred both ways in captionRect and clipped to
// it, its access key underlined.
void paintXPButtonCaption(QPainter& p, int width, int height, const QString& caption,
                          const QFont& font, QColor colour);

// A dotted rectangle along the edge of captionRect: every other pixel is
// inverted, the way a focus rectangle shows on any face colour.
void paintFocusRect(QPainter& p, int width, int height);

// The button's rounded outline: the whole rectangle but its four corner
// pixels, which no step of the drawing covers.
[[nodiscard]] QRegion xpButtonRegion(int width, int height);

}  // namespace vendrik
