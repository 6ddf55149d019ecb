#pragma once
// Where the middle of the watermark text goes: the nine alignments with the
// corrections that keep a turned text inside the picture. Two rule sets
// exist: the batch compositing's, which scale with the picture, and the
// designer preview's, tuned to its fixed 307 × 222 sample picture.
//
// Both also write the left and top edge of the unturned text into the
// caller's position fields, which serve as scratch for the designer.

#include "common/fixed4.h"
#include "watermark/watermark_settings.h"

namespace vendrik {

struct PlacementInput {
    double boxWidth = 0;  // the picture drawn on, in pixels
    double boxHeight = 0;
    double textWidth = 0;  // the text picture, in pixels
    double textHeight = 0;
    double fontSize = 0;  // points, as the renderer read it back
    Fixed4 angle;         // degrees
    HorizontalAlignment hAlign = HorizontalAlignment::Centre;
    VerticalAlignment vAlign = VerticalAlignment::Middle;
    int lineBreaks = 0;   // CR characters in the text
};

struct TextCentre {
    int x = 0;
    int y = 0;
    friend bool operator==(const TextCentre&, const TextCentre&) = default;
};

// The batch compositing's rules. An alignment outside the named ones puts that
// coordinate at 0 and leaves its position field alone. Throws VendrikError
// (overflow) when a coordinate leaves the 32-bit range, as an angle very
// close to 0 can make the middle alignment's DH / (A / 2) do.
[[nodiscard]] TextCentre placeOnPicture(const PlacementInput& in, double& hPos, double& vPos);

// Moves `centre` just inside the picture on each axis where the turned text
// would leave it although it fits: a short text at "Rechts" or "Unten" would
// lose its last letters or its lower half otherwise. Where the text is
// inside already, `centre` comes back unchanged, so such pictures keep
// their bytes; an axis the text is longer than, or whose alignment is
// outside the named ones, keeps its coordinate as well. The extent is the
// text picture's (in.textWidth × in.textHeight) turned by in.angle, as
// blendText draws it about `centre`.
[[nodiscard]] TextCentre keepInsidePicture(TextCentre centre, const PlacementInput& in);

// The designer preview's rules: no scaling with the picture, the angle
// correction capped at 90 degrees, and an alignment outside the named ones taken as
// the first (no option chosen). The angle is used as a whole number of degrees.
[[nodiscard]] TextCentre placeOnPreview(const PlacementInput& in, double& hPos, double& vPos);

}  // namespace vendrik
