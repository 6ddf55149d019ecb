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

}  // namespace vendrik
