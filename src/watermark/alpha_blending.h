#pragma once
// AlphaBlending: draws a source picture onto a destination surface turned by
// an angle, scaled by a zoom factor and laid over it with an opacity, with
// one key colour fully transparent. The watermark compositing and the
// designer's preview both draw their text picture through it.
//
// All arithmetic of the mapping and the blend is Fixed4, so the result is the
// same on every machine, to the byte.

#include <cstdint>

#include "common/fixed4.h"
#include "imaging/surface.h"

namespace vendrik {

// A rotation centre coordinate of this value is "not given": the source's
// middle is used, and the value chosen is written back.
inline constexpr std::int16_t kRotationCentreNotGiven = -32767;

// A sample's source position is a 16-bit number, so a source wider or higher
// than this cannot be drawn whole.
inline constexpr int kMaxBlendSourceExtent = 32766;

// Error numbers of the faults RotAlphaBlend reports: the run-time error
// numbers the program's callers and tests know them by (5 invalid call, 6
// overflow, 7 out of memory); the descriptions say what went wrong in German
// for the user.
enum class BlendErrc {
    InvalidCall = 5,      // a source smaller than the w × h it is said to be
    Overflow = 6,         // alpha outside 0..1 or a coordinate beyond 16 bits
    OutOfMemory = 7,      // no memory for the working data of a huge source
    DivisionByZero = 11,  // zoom 0
};

// Draws the w × h top-left part of `source` onto `destination`, its middle on
// (centreX, centreY), turned by `angle` radians (counter-clockwise on screen)
// about the rotation centre (source coordinates), enlarged by `zoom`, laid
// over with opacity `alpha` (0..1). Source pixels of exactly `keyColor`
// (&H00BBGGRR) are transparent, and their transparency enters the bilinear
// weights, so the border between drawn and transparent pixels is smoothed.
//
// Only the square of side c = zoom × diagonal centred on (centreX, centreY)
// can change; outside the turned source it keeps its pixels. Parts of the
// square beyond the destination behave as black pixels and are not written.
//
// Throws VendrikError (source "AlphaBlending", numbers of BlendErrc) for
// alpha outside 0..1, zoom 0, a source coordinate beyond the 16-bit range, a
// source surface smaller than w × h, or no memory for the w × h bytes of
// working data; the destination is then unchanged.
// `source` and `destination` must not share memory.
void RotAlphaBlend(Surface& destination, Fixed4 angle, int centreX, int centreY, int w, int h,
                   const Surface& source, std::uint32_t keyColor, Fixed4 alpha, Fixed4 zoom,
                   std::int16_t& rotationCentreX, std::int16_t& rotationCentreY);

}  // namespace vendrik
