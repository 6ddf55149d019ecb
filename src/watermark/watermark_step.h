#pragma once
// The watermark step of a batch run as one callable: it keeps the settings,
// the text renderer and the render box for the whole run (the font is found
// once, the render box keeps its colour) and composites every picture
// handed to it.

#include <functional>

#include "imaging/surface.h"
#include "watermark/watermark_settings.h"

namespace vendrik {

// Calls AlphaAndRotBlt on each picture with the system's text renderer.
// The callable throws VendrikError when a picture cannot be watermarked
// (no font, a value out of range); that picture is then unchanged. Copies of
// the callable share one state, as the run's one set of settings is shared.
[[nodiscard]] std::function<void(Surface&)> makeWatermarkStep(WatermarkSettings settings);

}  // namespace vendrik
