#pragma once
// The options of `vendrik-cli optimise`, mirroring the main window's
// controls. The run's settings are built once, in layers: the settings
// file's key table gives the defaults, the settings file (when there is one)
// goes over them, and the options over both (runOptimise).

#include <string>
#include <vector>

#include "command_line.h"
#include "optimiser/batch_engine.h"
#include "settings_options.h"
#include "startup/ini_document.h"
#include "startup/settings.h"
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
    bool formatGiven = false;  // --format (not only the settings file's "Format")
    SettingsSelection settings;
    // The settings file the run started from (read before the options that
    // go over it), where --preset finds the user's own presets.
    IniDocument settingsDocument;
    Settings startingSettings;
    // --watermark ("einblenden") and the design given by the --wm-* options.
    bool watermark = false;
    bool watermarkDesigned = false;  // a --wm-* option was given
    WatermarkSettings watermarkSettings;
};

// The settings a run starts from before its options: the key table's
// defaults (size 5, "1024 x 1280"; quality 80 with the slider's sampling; tag
// list entry 5, "new", at the end of the name; outputs beside their
// sources), or the settings file's values. The run replaces existing files
// and uses all cores.
[[nodiscard]] BatchSettings startingBatchSettings(const Settings& settings);

// The one table of the command's options; its entries write into `options`,
// which must outlive it. A new option is one more entry here.
[[nodiscard]] std::vector<CliOption> optimiseOptionTable(OptimiseOptions& options);

// Checks the options as a whole once all are applied: false with a German
// reason for combinations that make no sense (--wm-* without --watermark).
[[nodiscard]] bool completeOptimiseOptions(OptimiseOptions& options, std::string& error);

extern const CommandHelp kOptimiseHelp;

}  // namespace vendrik::cli
