#pragma once
// The watermark step of a batch run as one callable: it keeps the settings,
// the text renderers and render boxes for the whole run (the font is found
// once per parallel job, a render box keeps its colour and its last text
// picture) and composites every picture handed to it.

#include <functional>

#include "imaging/surface.h"
#include "watermark/watermark_settings.h"

namespace vendrik {

// Calls AlphaAndRotBlt on each picture with the system's text renderer.
// The callable throws VendrikError when a picture cannot be watermarked
// (no font, a value out of range); that picture is then unchanged. It may be
// called from several threads at once; copies share their renderers.
[[nodiscard]] std::function<void(Surface&)> makeWatermarkStep(WatermarkSettings settings);

}  // namespace vendrik
