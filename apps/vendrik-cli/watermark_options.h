#pragma once
// The --wm-* options of the commands that draw a watermark (optimise,
// watermark-preview): one parser, one help text, the same defaults as a
// fresh settings file.

#include <cstddef>
#include <string>

#include "commands.h"
#include "watermark/watermark_settings.h"

namespace vendrik::cli {

// Help lines for the options, to be put into a command's --help text.
extern const char* const kWatermarkOptionsHelp;

enum class WatermarkOption {
    NotMine,  // args[i] is not a --wm-* option; nothing taken
    Taken,    // option and value taken, i moved to the value
    Invalid,  // a --wm-* option with a missing or bad value; `error` says why
};

// Looks at args[i]; a --wm-* option takes its value from args[i + 1] into
// `settings`.
[[nodiscard]] WatermarkOption parseWatermarkOption(const Args& args, std::size_t& i,
                                                   WatermarkSettings& settings, std::string& error);

}  // namespace vendrik::cli
