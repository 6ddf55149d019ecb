#include "watermark/watermark_preview.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "watermark/alpha_and_rot_blt.h"

namespace vendrik {

int previewPixels(int length, double scale) {
    return static_cast<int>(std::lround(length * scale));
}

namespace {

std::uint8_t channel(double v) {
    return static_cast<std::uint8_t>(std::clamp(std::nearbyint(v), 0.0, 255.0));
}

Bgr mix(Bgr a, Bgr b, double t) {
    return {channel(a.b + (b.b - a.b) * t), channel(a.g + (b.g - a.g) * t),
            channel(a.r + (b.r - a.r) * t)};
}

TextCentre scaled(TextCentre c, double scale) {
    return {previewPixels(c.x, scale), previewPixels(c.y, scale)};
}

}  // namespace

PreviewDesign previewDesignOf(const WatermarkSettings& settings) {
    PreviewDesign d;
    d.text = settings.text;
    d.angle = static_cast<int>(settings.angle.round());
    d.opacity = static_cast<int>(settings.opacity.round());
    d.size = settings.size;
    d.color = settings.color;
    d.hAlign = settings.hAlign;
    d.vAlign = settings.vAlign;
    return d;
}

Surface makePreviewSample(double scale) {
    // Evening sky over two rows of hills and a lake: light and dark areas,
    // so that a text of any of the six colours shows somewhere. The scene is
    // described in preview pixels; a device pixel samples it at its own
    // position, so every scale draws the same landscape.
    scale = std::max(scale, 1.0);
    const int width = previewPixels(kPreviewWidth, scale);
    const int height = previewPixels(kPreviewHeight, scale);
    Surface s(width, height);
    const Bgr skyTop{150, 70, 30};
    const Bgr skyLow{120, 190, 250};
    const Bgr sun{200, 245, 255};
    const Bgr farHill{90, 110, 70};
    const Bgr nearHill{30, 90, 40};
    const Bgr lakeTop{140, 120, 80};
    const Bgr lakeLow{70, 50, 30};
    for (int row = 0; row < height; ++row) {
        const double y = row / scale;
        for (int column = 0; column < width; ++column) {
            const double x = column / scale;
            const double far = 120 + 14 * std::sin(x / 37.0) + 6 * std::sin(x / 11.0 + 1);
            const double near = 150 + 18 * std::sin(x / 53.0 + 2) + 5 * std::sin(x / 17.0);
            const double sunDist = std::hypot(x - 220.0, y - 85.0);
            Bgr c;
            if (y >= 180) {
                c = mix(lakeTop, lakeLow, (y - 180) / 42.0);
            } else if (y >= near) {
                c = mix(nearHill, lakeLow, (y - near) / 80.0);
            } else if (y >= far) {
                c = mix(farHill, nearHill, (y - far) / 60.0);
            } else if (sunDist < 22) {
                c = mix(sun, skyLow, std::max(0.0, sunDist - 18) / 4.0);
            } else {
                c = mix(skyTop, skyLow, y / 140.0);
            }
            s.setPixel(column, row, c);
        }
    }
    return s;
}

void RotBlit(Surface& preview, const PreviewDesign& design, WatermarkSettings& settings,
             TextPicture& textBox, double scale) {
    const double points = std::floor(design.size / 2.0);
    if (points < 1.0) {
        return;
    }
    scale = std::max(scale, 1.0);
    const auto placement = [&](const RenderedText& text, int boxWidth, int boxHeight) {
        PlacementInput in = measuredPlacement(preview, text);
        in.boxWidth = boxWidth;
        in.boxHeight = boxHeight;
        in.angle = Fixed4(design.angle);
        in.hAlign = design.hAlign;
        in.vAlign = design.vAlign;
        in.lineBreaks = countWatermarkLineBreaks(design.text);
        return in;
    };
    // The placement rules are tuned to preview pixels, and the positions
    // they write are the design's: they are always worked out on the
    // preview's own size. Kept inside as the run keeps it, so the preview
    // shows what is written.
    const int boxWidth = static_cast<int>(std::lround(preview.width() / scale));
    const int boxHeight = static_cast<int>(std::lround(preview.height() / scale));
    const RenderedText& text = textBox.render(design.text, points, design.color);
    const PlacementInput in = placement(text, boxWidth, boxHeight);
    const TextCentre centre = keepInsidePicture(placeOnPreview(in, settings.hPos, settings.vPos), in);
    if (scale == 1.0) {
        blendText(preview, text, centre, Fixed4(design.angle), Fixed4(design.opacity));
        return;
    }
    // The sharp text: the same middle in device pixels, kept inside again as
    // the larger font may measure a pixel wider than twice the small one.
    const RenderedText& sharp = textBox.render(design.text, points * scale, design.color);
    const PlacementInput sharpIn = placement(sharp, preview.width(), preview.height());
    blendText(preview, sharp, keepInsidePicture(scaled(centre, scale), sharpIn),
              Fixed4(design.angle), Fixed4(design.opacity));
}

}  // namespace vendrik
