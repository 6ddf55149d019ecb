#pragma once
// `vendrik --dialog folder`: the folder chooser on its own, for looking at
// it and for testing it (by hand or through the accessibility interface).

#include "window_arguments.h"

namespace vendrik {

// Shows the chooser and returns the exit code; the QApplication exists.
//   vendrik --dialog folder [--target] [--settings FILE] [START]
// START is the path the chooser starts from; without it, the settings
// file's source folder ("Quelle"), or with --target its target folder
// ("LastSavePath") and the target chooser's caption. The settings file is
// FILE or the program's own (vendrik.ini). Prints DirSelectPath on standard
// output; the code is 0 when a folder was chosen, 1 when the chooser was
// cancelled.
[[nodiscard]] int runFolderDialog(const WindowArguments& args);

}  // namespace vendrik
