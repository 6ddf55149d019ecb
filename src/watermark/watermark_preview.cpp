#include "watermark/watermark_preview.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "watermark/alpha_and_rot_blt.h"

namespace vendrik {
namespace {

std::uint8_t channel(double v) {
    return static_cast<std::uint8_t>(std::clamp(std::nearbyint(v), 0.0, 255.0));
}

Bgr mix(Bgr a, Bgr b, double t) {
    return {channel(a.b + (b.b - a.b) * t), channel(a.g + (b.g - a.g) * t),
            channel(a.r + (b.r - a.r) * t)};
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

Surface makePreviewSample() {
    // Evening sky over two rows of hills and a lake: light and dark areas,
    // so that a text of any of the six colours shows somewhere.
    Surface s(kPreviewWidth, kPreviewHeight);
    const Bgr skyTop{150, 70, 30};
    const Bgr skyLow{120, 190, 250};
    const Bgr sun{200, 245, 255};
    const Bgr farHill{90, 110, 70};
    const Bgr nearHill{30, 90, 40};
    const Bgr lakeTop{140, 120, 80};
    const Bgr lakeLow{70, 50, 30};
    for (int y = 0; y < kPreviewHeight; ++y) {
        for (int x = 0; x < kPreviewWidth; ++x) {
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
            s.setPixel(x, y, c);
        }
    }
    return s;
}

void RotBlit(Surface& preview, const PreviewDesign& design, WatermarkSettings& settings,
             TextPicture& textBox) {
    const double points = std::floor(design.size / 2.0);
    if (points < 1.0) {
        return;
    }
    const RenderedText& text = textBox.render(design.text, points, design.color);

    PlacementInput in = measuredPlacement(preview, text);
    in.angle = Fixed4(design.angle);
    in.hAlign = design.hAlign;
    in.vAlign = design.vAlign;
    in.lineBreaks = countWatermarkLineBreaks(design.text);
    // Kept inside as the run keeps it, so the preview shows what is written.
    const TextCentre centre = keepInsidePicture(placeOnPreview(in, settings.hPos, settings.vPos), in);
    blendText(preview, text, centre, Fixed4(design.angle), Fixed4(design.opacity));
}

}  // namespace vendrik
