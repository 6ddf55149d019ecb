#pragma once
// The --wm-* options of the commands that draw a watermark (optimise,
// watermark-preview): one set of table entries, the same defaults as a
// fresh settings file.

#include <vector>

#include "command_line.h"
#include "watermark/watermark_settings.h"

namespace vendrik::cli {

// Adds the --wm-* options to a command's table. Each sets its part of
// `design` and sets `designed`. `heading` (may be empty) heads them in the
// help.
void addWatermarkOptions(std::vector<CliOption>& table, WatermarkSettings& design, bool& designed,
                         const std::string& heading);

}  // namespace vendrik::cli
