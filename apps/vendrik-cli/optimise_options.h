#pragma once
// The options of `vendrik-cli optimise`, mirroring the main window's
// controls. Filling happens in layers: built-in defaults (those of the
// settings file's table), then the settings file, then the command line,
// each overriding what came before.

#include <string>
#include <vector>

#include "command_line.h"
#include "optimiser/batch_engine.h"
#include "settings_options.h"
#include "watermark/watermark_settings.h"

namespace vendrik::cli {

struct OptimiseOptions {
    BatchSettings batch;  // size, naming, quality, sampling, target folder, jobs
    bool toStdout = false;  // --out -
    bool skipExisting = false;
    bool quiet = false;
    bool verbose = false;
    bool dryRun = false;
    bool recursive = false;
    // --files-from: a list of names to take besides the operands ("-":
    // standard input).
    std::string filesFrom;
    bool json = false;  // --json: one JSON object per picture on standard output
    SettingsSelection settings;
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

// The one table of the command's options; its entries write into `options`,
// which must outlive it. A new option is one more entry here.
[[nodiscard]] std::vector<CliOption> optimiseOptionTable(OptimiseOptions& options);

// What follows from the options as a whole once all are applied: the
// quality's sampling unless --sampling was given. False with a German reason
// for combinations that make no sense (--wm-* without --watermark).
[[nodiscard]] bool completeOptimiseOptions(OptimiseOptions& options, std::string& error);

extern const CommandHelp kOptimiseHelp;

}  // namespace vendrik::cli
