#pragma once
// Drawing between surfaces: the block transfers the system's pixel work is
// built from.

#include "imaging/surface.h"

namespace vendrik {

// Copies the w × h rectangle at (sx, sy) of `src` to (dx, dy) of `dst`, as a
// source-copy block transfer does. Source pixels outside `src` read as black;
// destination pixels outside `dst` are not written. `src` and `dst` must not
// share memory.
void copyRect(const Surface& src, int sx, int sy, int w, int h, Surface& dst, int dx, int dy);

// Draws the sw × sh rectangle at (sx, sy) of `src` into the dw × dh rectangle
// at (dx, dy) of `dst`. Each direction is resampled on its own: a reduction
// averages the source pixels each destination pixel covers, weighted by the
// share of them it covers (area averaging); an enlargement interpolates
// linearly between the two nearest source pixel centres. Equal sizes copy.
// The source rectangle is clipped to `src`; writes are clipped to `dst`.
void stretchRect(const Surface& src, int sx, int sy, int sw, int sh, Surface& dst, int dx, int dy,
                 int dw, int dh);

// The eight ways a stored picture can map onto what is shown: mirrors and
// quarter turns. The numeric values are those of the EXIF/TIFF Orientation
// tag (TIFF 6.0 section 8, "Orientation"), which names the transform that
// brings the stored rows upright.
enum class Transform {
    Identity = 1,
    MirrorLeftRight = 2,
    Rotate180 = 3,
    MirrorTopBottom = 4,
    Transpose = 5,              // mirror along the top-left to bottom-right diagonal
    RotateClockwise = 6,        // a quarter turn clockwise as seen on screen
    Transverse = 7,             // mirror along the other diagonal
    RotateAnticlockwise = 8,    // a quarter turn anticlockwise
};

[[nodiscard]] constexpr bool swapsSides(Transform t) noexcept {
    return t == Transform::Transpose || t == Transform::RotateClockwise ||
           t == Transform::Transverse || t == Transform::RotateAnticlockwise;
}

// A new surface holding `src` transformed by exact index mapping: no pixel is
// blended, every pixel lands on exactly one place (for a left-right mirror,
// (x, y) goes to (W − 1 − x, y)). Throws std::bad_alloc like Surface's
// constructor.
[[nodiscard]] Surface transformed(const Surface& src, Transform t);

// A new w × h surface holding the rectangle at (x, y) of `src`; the parts of
// the rectangle outside `src` read as black.
[[nodiscard]] Surface readRect(const Surface& src, int x, int y, int w, int h);

}  // namespace vendrik
