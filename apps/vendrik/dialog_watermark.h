#pragma once
// vendrik --dialog watermark [--settings FILE] [--picture PICTURE]: the
// watermark designer on its own, for looking at it and for tests.

#include "window_arguments.h"

namespace vendrik {

// Runs the designer over the settings file (FILE or the program's own) and
// returns the exit code: 0 after "ÜBERNEHMEN", 1 after "Abbrechen" or
// closing. The QApplication exists.
[[nodiscard]] int runWatermarkDialog(const WindowArguments& args);

}  // namespace vendrik
