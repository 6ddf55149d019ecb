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
    int angle = static_cast<int>(WatermarkSettings{}.angle.round());      // degrees, 0..360
    int opacity = static_cast<int>(WatermarkSettings{}.opacity.round());  // percent, 0..100
    int size = WatermarkSettings{}.size;  // 16..70; the font is size / 2 points
    // A colour outside the table keeps the colour; an alignment outside the
    // named ones counts as the first (no option chosen).
    WatermarkColour color = WatermarkSettings{}.color;
    HorizontalAlignment hAlign = WatermarkSettings{}.hAlign;
    VerticalAlignment vAlign = WatermarkSettings{}.vAlign;
};

// The design as the designer loads it from the settings: angle and opacity
// rounded to whole numbers.
[[nodiscard]] PreviewDesign previewDesignOf(const WatermarkSettings& settings);

// A preview length (kPreviewWidth, a fitted picture's side) in device pixels
// at `scale` device pixels per preview pixel.
[[nodiscard]] int previewPixels(int length, double scale);

// The built-in sample picture: a small landscape, drawn by code. At a
// `scale` above 1 (a screen's device pixels per preview pixel) the same
// landscape is drawn with that many times the pixels across, so a HiDPI
// screen shows it sharp instead of enlarged.
[[nodiscard]] Surface makePreviewSample(double scale = 1.0);

// Draws the watermark of `design` onto `preview` (normally a fresh sample
// picture). Writes the unturned text's left and top edge into
// settings.hPos and settings.vPos, as every preview does. Throws VendrikError
// as AlphaAndRotBlt does; `preview` is then unchanged.
//
// At a `scale` above 1, `preview` holds that many device pixels per preview
// pixel: the text is placed as on the preview of its own size (the same
// positions are written, for a box of preview.width() / scale ×
// preview.height() / scale rounded) and drawn at `scale` times the points,
// so that it stands where the preview of its own size has it, only sharper.
void RotBlit(Surface& preview, const PreviewDesign& design, WatermarkSettings& settings,
             TextPicture& textBox, double scale = 1.0);

}  // namespace vendrik
