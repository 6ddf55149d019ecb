#pragma once
// What the main window tells the user after a run in which pictures failed.
// The run itself never stops for a failure; this one message afterwards is
// where the user learns which pictures were not written, and why.

#include <cstddef>
#include <string>
#include <vector>

#include "optimiser/batch_engine.h"

namespace vendrik {

// At most this many pictures are named one by one; the rest are counted, so
// that the message still fits on a screen after a run over a whole folder.
inline constexpr std::size_t kReportedFailures = 15;

// Empty when every picture was written, skipped on request or not started
// after a stop. Otherwise a heading, then one line per failed picture with
// its file name and reason, and a line for each picture written without its
// watermark, in list order.
[[nodiscard]] std::string failedPicturesMessage(const std::vector<PictureResult>& results);

}  // namespace vendrik
