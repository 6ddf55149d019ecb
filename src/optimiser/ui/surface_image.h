#pragma once
// A Surface (24-bit pixels, blue-green-red) as a QImage the window can show.

#include <QImage>

#include "imaging/surface.h"

namespace vendrik {

// A deep copy: the image does not refer to the surface's memory. Safe to
// call on any thread.
[[nodiscard]] QImage imageOf(const Surface& surface);
// The same as a 32-bit opaque image (QImage::Format_RGB32), the format Qt
// paints without converting: for pictures painted again and again.
[[nodiscard]] QImage opaqueImageOf(const Surface& surface);

}  // namespace vendrik
