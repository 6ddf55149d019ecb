#pragma once
// A Surface (24-bit pixels, blue-green-red) as a QImage the window can show.

#include <QImage>

#include "imaging/surface.h"

namespace vendrik {

// A deep copy: the image does not refer to the surface's memory. Safe to
// call on any thread.
[[nodiscard]] QImage imageOf(const Surface& surface);

}  // namespace vendrik
