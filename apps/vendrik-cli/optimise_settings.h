#pragma once
// The settings layer of `vendrik-cli optimise`: the windows' own settings
// file, between the built-in defaults and the command line, so that a run
// from the command line does what the windows were last set to do.

#include "optimise_options.h"
#include "startup/effective_settings.h"

namespace vendrik::cli {

// Puts the main window's stored values into the options: size preset, own
// size, keep-original-size, quality (and with it the sampling, as the
// slider does), naming option, tags and their position, the target folder
// when "Gleicher Pfad wie Quell-Bild" was off, and the watermark's design.
void applyWindowSettings(const EffectiveSettings& settings, OptimiseOptions& options);

}  // namespace vendrik::cli
