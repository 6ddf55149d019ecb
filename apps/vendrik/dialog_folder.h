#pragma once
// `vendrik --dialog folder`: the folder chooser on its own, for looking at
// it and for testing it (by hand or through the accessibility interface).

#include <optional>

namespace vendrik {

// When the command line asks for the chooser, shows it and returns the exit
// code; nothing when the command line asks for something else.
//   vendrik --dialog folder [--target] [--settings FILE] [START]
// START is the path the chooser starts from; without it, the settings
// file's source folder ("Quelle"), or with --target its target folder
// ("LastSavePath") and the target chooser's caption. The settings file is
// FILE or the program's own (vendrik.ini). Prints DirSelectPath on standard
// output; the code is 0 when a folder was chosen, 1 when the chooser was
// cancelled, 2 for a command line it does not understand.
[[nodiscard]] std::optional<int> folderDialogMain(int argc, char** argv);

}  // namespace vendrik
