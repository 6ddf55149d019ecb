#pragma once
// The options of `vendrik-cli optimise`, mirroring the main window's
// controls. Filling happens in layers: built-in defaults (those of the
// settings file's table), then (later) the settings file, then the command
// line, each overriding what came before.

#include <string>
#include <vector>

#include "commands.h"
#include "optimiser/batch_engine.h"
#include "watermark/watermark_settings.h"

namespace vendrik::cli {

struct OptimiseOptions {
    BatchSettings batch;  // size, naming, quality, sampling, target folder, jobs
    std::vector<std::string> inputs;  // files and folders as given
    bool skipExisting = false;
    bool quiet = false;
    bool useSettingsFile = true;  // --no-settings turns it off
    bool help = false;
    // An explicit --sampling wins over the quality's own choice.
    bool samplingGiven = false;
    // --watermark ("einblenden") and the design given by the --wm-* options.
    bool watermark = false;
    bool watermarkDesigned = false;  // a --wm-* option was given
    WatermarkSettings watermarkSettings;
};

// The built-in defaults: size 5 ("1024 x 1280"), quality 80 with its
// sampling, tag list entry 5 ("new") at the end of the name, outputs beside
// their sources, replacing existing files, all cores.
[[nodiscard]] OptimiseOptions defaultOptimiseOptions();

// Parses the command line over `options`. Returns false with a German reason
// in `error` on bad usage.
[[nodiscard]] bool parseOptimiseArgs(const Args& args, OptimiseOptions& options,
                                     std::string& error);

// One option parser: looks at args[i]; when the option is its own it reads
// its value (advancing i) and returns Handled or Failed.
enum class OptionParse { NotMine, Handled, Failed };
using OptionParser = OptionParse (*)(const Args& args, std::size_t& i, OptimiseOptions& options,
                                     std::string& error);

// The help text: kOptimiseHelp, the watermark options, kOptimiseHelpTail.
extern const char* const kOptimiseHelp;
extern const char* const kOptimiseHelpTail;

}  // namespace vendrik::cli
