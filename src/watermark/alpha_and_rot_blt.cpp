#include "watermark/alpha_and_rot_blt.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

#include "common/error.h"
#include "watermark/alpha_blending.h"

namespace vendrik {
namespace {

constexpr double kReferenceWidth = 295.0;

VendrikError overflow() {
    return VendrikError(static_cast<int>(BlendErrc::Overflow), "Watermark",
                        "Überlauf: Winkel oder Deckkraft außerhalb des Zahlenbereichs");
}

}  // namespace

double watermarkFontPoints(int size, int pictureWidth) {
    const double k = pictureWidth / kReferenceWidth;
    return std::floor(size / 2.0 * k);
}

Fixed4 opacityToAlpha(Fixed4 opacityPercent) {
    const std::optional<Fixed4> alpha = Fixed4::fromDouble(opacityPercent.toDouble() / 100.0);
    enforce(alpha.has_value(), overflow);
    return *alpha;
}

Fixed4 degreesToRadians(Fixed4 degrees) {
    const std::optional<Fixed4> radians = checkedMultiply(degrees, kRadiansPerDegree);
    enforce(radians.has_value(), overflow);
    return *radians;
}

PlacementInput measuredPlacement(const Surface& box, const RenderedText& text) {
    PlacementInput in;
    in.boxWidth = box.width();
    in.boxHeight = box.height();
    in.textWidth = text.picture.width();
    in.textHeight = text.picture.height();
    in.fontSize = text.fontSize;
    return in;
}

void blendText(Surface& destination, const RenderedText& text, TextCentre centre,
               Fixed4 angleDegrees, Fixed4 opacityPercent) {
    // Both rotation-centre values left unmarked: the text turns about its
    // own middle.
    std::int16_t rotationX = kRotationCentreNotGiven;
    std::int16_t rotationY = kRotationCentreNotGiven;
    RotAlphaBlend(destination, degreesToRadians(angleDegrees), centre.x, centre.y,
                  text.picture.width(), text.picture.height(), text.picture, kTextBackground,
                  opacityToAlpha(opacityPercent), Fixed4(1), rotationX, rotationY);
}

void AlphaAndRotBlt(Surface& picture, WatermarkSettings& settings, TextPicture& textBox) {
    const double points = watermarkFontPoints(settings.size, picture.width());
    if (points < 1.0) {
        return;
    }
    const RenderedText& text = textBox.render(settings.text, points, settings.color);
    PlacementInput in = measuredPlacement(picture, text);
    in.angle = settings.angle;
    in.hAlign = settings.hAlign;
    in.vAlign = settings.vAlign;
    in.lineBreaks = settings.lineBreaks;
    const TextCentre centre = keepInsidePicture(placeOnPicture(in, settings.hPos, settings.vPos), in);
    blendText(picture, text, centre, settings.angle, settings.opacity);
}

}  // namespace vendrik
