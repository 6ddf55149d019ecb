#pragma once
// The designer's preview: the watermark drawn on a built-in sample picture
// of 307 × 222 pixels with the preview's own placement rules. The designer
// window and `vendrik-cli watermark-preview` both draw through it.

#include <string>

#include "imaging/surface.h"
#include "watermark/text_picture.h"
#include "watermark/watermark_settings.h"

namespace vendrik {

inline constexpr int kPreviewWidth = 307;
inline constexpr int kPreviewHeight = 222;

// The values the preview takes from the designer's controls, all whole
// numbers as its sliders and option buttons hold them.
struct PreviewDesign {
    std::string text;  // display form, lines separated by CR LF
    int angle = 40;    // degrees, 0..360
    int opacity = 45;  // percent, 0..100
    int size = 38;     // 16..70; the font is size / 2 points
    int color = 1;     // index into kWatermarkColors; other values keep the colour
    int hAlign = 1;    // 0 left, 1 centre, 2 right; other values count as 0
    int vAlign = 1;    // 0 top, 1 middle, 2 bottom; other values count as 0
};

// The design as the designer loads it from the settings: angle and opacity
// rounded to whole numbers.
[[nodiscard]] PreviewDesign previewDesignOf(const WatermarkSettings& settings);

// The built-in sample picture: a small landscape, drawn by code.
[[nodiscard]] Surface makePreviewSample();

// Draws the watermark of `design` onto `preview` (normally a fresh sample
// picture). Writes the unturned text's left and top edge into
// settings.hPos and settings.vPos, as every preview does. Throws VendrikError
// as AlphaAndRotBlt does; `preview` is then unchanged.
void RotBlit(Surface& preview, const PreviewDesign& design, WatermarkSettings& settings,
             TextPicture& textBox);

}  // namespace vendrik
