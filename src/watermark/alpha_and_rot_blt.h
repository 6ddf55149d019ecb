#pragma once
// The watermark of a batch run: the text of the watermark settings, printed
// in its colour at a size that grows with the picture, placed by the
// alignment rules and turned and blended into the scaled picture.

#include <string>

#include "common/fixed4.h"
#include "imaging/surface.h"
#include "watermark/text_picture.h"
#include "watermark/watermark_placement.h"
#include "watermark/watermark_settings.h"

namespace vendrik {

// Degrees to radians as the watermark has always turned them: 0.0175, not
// π / 180, so that 90 degrees are 1.575 radians.
inline constexpr Fixed4 kRadiansPerDegree = Fixed4::fromRaw(175);

// The font size in points for a picture `pictureWidth` pixels wide:
// floor(size / 2 × width / 295), so `size` is twice the points on a picture
// 295 pixels wide.
[[nodiscard]] double watermarkFontPoints(int size, int pictureWidth);

// Blends the watermark into `picture`, placed by the alignment rules and kept
// inside the picture where it fits (keepInsidePicture). Overwrites settings.hPos and
// settings.vPos with the unturned text's left and top edge. A font size
// below one point (a picture only a few pixels wide) draws nothing.
// Throws VendrikError when the text cannot be rendered (no font) or the
// engine refuses (an opacity outside 0..100, an overflow); the picture is
// then unchanged.
void AlphaAndRotBlt(Surface& picture, WatermarkSettings& settings, TextPicture& textBox);

// The sizes placement needs: the picture drawn on, the text picture and the
// font size read back; angle, alignments and line breaks are left to fill.
[[nodiscard]] PlacementInput measuredPlacement(const Surface& box, const RenderedText& text);

// Turns the text picture by `angleDegrees` about its middle and blends it
// into `destination` with `opacityPercent`, its middle on `centre`; the grey
// background stays transparent.
void blendText(Surface& destination, const RenderedText& text, TextCentre centre,
               Fixed4 angleDegrees, Fixed4 opacityPercent);

// opacity / 100 as Fixed4 (45 gives 0.45); throws on a value beyond range.
[[nodiscard]] Fixed4 opacityToAlpha(Fixed4 opacityPercent);

// angle × 0.0175 as a Fixed4 product; throws on a value beyond range.
[[nodiscard]] Fixed4 degreesToRadians(Fixed4 degrees);

}  // namespace vendrik
