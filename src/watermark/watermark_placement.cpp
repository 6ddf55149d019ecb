#include "watermark/watermark_placement.h"

#include <cmath>
#include <limits>
#include <utility>

#include "common/error.h"
#include "watermark/alpha_blending.h"

namespace vendrik {
namespace {

// Nearest integer, ties to even; the coordinate must fit a 32-bit integer.
int roundCoordinate(double value) {
    const double r = std::nearbyint(value);
    enforce(std::isfinite(r) && r >= std::numeric_limits<int>::min() &&
                r <= std::numeric_limits<int>::max(),
            [] {
                return VendrikError(static_cast<int>(BlendErrc::Overflow), "Watermark",
                                    "Überlauf bei der Platzierung des Wasserzeichens");
            });
    return static_cast<int>(r);
}

// y ± A (± 32): the sum is formed in Fixed4 and then rounded.
int roundFixed(Fixed4 value) {
    return roundCoordinate(static_cast<double>(value.round()));
}

// The horizontal centre for the alignments 0 to 2, shared by both rule sets:
// left and right move away from the edge by an angle correction.
int horizontalCentre(const PlacementInput& in, double correction, double& hPos) {
    const double FS = in.fontSize;
    const double W = in.boxWidth;
    const double PW = in.textWidth;
    switch (in.hAlign) {
        case HorizontalAlignment::Left:
            hPos = 1;
            return roundCoordinate(roundCoordinate(FS * 7.5 + 1) - correction);
        case HorizontalAlignment::Centre:
            hPos = W / 2 - PW / 2;
            return roundCoordinate(FS * 6.7 + W / 2 - PW / 2);
        case HorizontalAlignment::Right:
            break;
    }
    hPos = W - PW;
    return roundCoordinate(roundCoordinate(FS * 6.2 + W - PW) + correction);
}

// The first and last pixel column (or row) the turned text covers along one
// axis, and the shift that brings both inside 0 .. extent - 1. The text is
// drawn into a square of side floor(diagonal) centred on the middle
// coordinate, and sits centred in that square, an odd difference one pixel
// further left or up; the turned text's extent around its own middle is
// |size × cos| + |other × sin| (half on each side).
struct AxisText {
    double size;        // the text picture along this axis
    double turnedSize;  // its turned extent along this axis
    double diagonal;    // floor of the text picture's diagonal
};

// The first and last pixel the text covers along the axis with its middle
// coordinate at `middle`.
std::pair<double, double> coveredSpan(int middle, const AxisText& t) {
    const double square = std::nearbyint(middle - t.diagonal / 2);
    const double start = square + std::floor((t.diagonal - t.size) / 2);
    const double textMiddle = start + t.size / 2;
    return {std::floor(textMiddle - t.turnedSize / 2), std::ceil(textMiddle + t.turnedSize / 2) - 1};
}

int movedInside(int middle, const AxisText& t, double extent) {
    if (t.turnedSize > extent) {
        return middle;  // longer than the picture: no place shows it whole
    }
    // The square's corner is rounded ties to even, so a shift by an odd
    // number can land one pixel short; the second pass makes up for it.
    // The shift is worked in double: a middle at the edge of the 32-bit
    // range (a middle alignment at an angle close to 0) comes back inside.
    for (int pass = 0; pass < 2; ++pass) {
        const auto [first, last] = coveredSpan(middle, t);
        double moved = middle;
        if (first < 0) {
            moved -= first;
        } else if (last > extent - 1) {
            moved -= last - (extent - 1);
        }
        middle = static_cast<int>(moved);  // inside the picture's range now
    }
    return middle;
}

}  // namespace

TextCentre keepInsidePicture(TextCentre centre, const PlacementInput& in) {
    if (in.textWidth <= 0 || in.textHeight <= 0) {
        return centre;
    }
    // The angle in radians as the compositing turns it (× 0.0175).
    const double radians = in.angle.toDouble() * 0.0175;
    const double c = std::abs(std::cos(radians));
    const double s = std::abs(std::sin(radians));
    const double diagonal = std::floor(std::hypot(in.textWidth, in.textHeight));
    const AxisText across{in.textWidth, in.textWidth * c + in.textHeight * s, diagonal};
    const AxisText down{in.textHeight, in.textWidth * s + in.textHeight * c, diagonal};
    if (isNamed(in.hAlign)) {
        centre.x = movedInside(centre.x, across, in.boxWidth);
    }
    if (isNamed(in.vAlign)) {
        centre.y = movedInside(centre.y, down, in.boxHeight);
    }
    return centre;
}

TextCentre placeOnPicture(const PlacementInput& in, double& hPos, double& vPos) {
    const double DH = in.boxHeight;
    const double PH = in.textHeight;
    const double FS = in.fontSize;
    const Fixed4 A = in.angle;
    const double a = A.toDouble();
    const Fixed4 k89(89);
    const Fixed4 k90(90);
    TextCentre c;

    // Up to "-90°" the correction grows with the angle; from there on the
    // turned text stands upright and its height decides.
    const double correction = A < k89 ? a / 1.35 : PH * 1.7;
    c.x = isNamed(in.hAlign) ? horizontalCentre(in, correction, hPos) : 0;

    // A text of exactly two lines has its own offsets; the designer allows
    // one line break, the settings file may hold any number.
    const bool twoLines = in.lineBreaks == 1;
    switch (in.vAlign) {
        case VerticalAlignment::Top:
            vPos = 1;
            c.y = twoLines ? roundCoordinate(FS + 1 + DH / 20)
                           : roundCoordinate(FS + 1 + DH / 400 - 2);
            c.y = A <= k90 ? roundFixed(Fixed4(c.y) + A) : roundCoordinate(c.y + 90.0);
            break;
        case VerticalAlignment::Middle: {
            vPos = DH / 2 - PH / 2;
            const double shift = twoLines ? 0.0 : -40.0;
            // A = 0 has its own formula, so the division by A never sees 0.
            c.y = A == Fixed4(0) ? roundCoordinate(FS + DH / 2 - PH / 2 - DH / 50 + shift)
                                 : roundCoordinate(DH / (a / 2) + FS + DH / 2 - PH / 2 + shift);
            break;
        }
        case VerticalAlignment::Bottom:
            vPos = DH - PH;
            if (twoLines) {
                c.y = roundCoordinate(FS + DH - PH + DH / 200);
                c.y = A <= k90 ? roundFixed(Fixed4(c.y) - A) : roundCoordinate(c.y - 90.0);
            } else {
                c.y = roundCoordinate(FS + DH - PH + DH / 100);
                c.y = A <= k90 ? roundFixed(Fixed4(c.y) - A - Fixed4(32))
                               : roundCoordinate(c.y - 122.0);
            }
            break;
        default:
            c.y = 0;
            break;
    }
    return c;
}

TextCentre placeOnPreview(const PlacementInput& in, double& hPos, double& vPos) {
    const double PH2 = in.boxHeight;
    const double PH = in.textHeight;
    const double FS = in.fontSize;
    const std::int64_t A = in.angle.round();
    const int a = static_cast<int>(A > 90 ? 90 : A);
    TextCentre c;

    // No option chosen counts as the left one.
    PlacementInput aligned = in;
    if (!isNamed(aligned.hAlign)) {
        aligned.hAlign = HorizontalAlignment::Left;
    }
    c.x = horizontalCentre(aligned, a / 1.35, hPos);

    const bool twoLines = in.lineBreaks == 1;
    switch (in.vAlign) {
        case VerticalAlignment::Middle:
            vPos = PH2 / 2 - PH / 2;
            if (twoLines) {
                c.y = roundCoordinate(FS + PH2 / 2 - PH / 2 + (A != 0 ? 10 : 7));
            } else {
                c.y = roundCoordinate(FS + PH2 / 2 - PH / 2 + (A != 0 ? -2 : -5));
            }
            break;
        case VerticalAlignment::Bottom:
            vPos = PH2 - PH;
            c.y = roundCoordinate(FS + PH2 - PH + (twoLines ? 3 : -8));
            c.y = roundCoordinate(static_cast<double>(c.y) - a);
            break;
        default:
            vPos = 1;
            c.y = roundCoordinate(FS + 1 + (twoLines ? 10 : 2));
            c.y = roundCoordinate(static_cast<double>(c.y) + a);
            break;
    }
    return c;
}

}  // namespace vendrik
