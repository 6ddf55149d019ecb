#pragma once
// vendrik --dialog watermark [--settings FILE] [--picture PICTURE]: the
// watermark designer on its own, for looking at it and for tests.

namespace vendrik {

// Runs the designer when the command line asks for it and returns the exit
// code (0 after "ÜBERNEHMEN", 1 after "Abbrechen" or closing, 2 for a wrong
// call); -1 when the command line asks for something else.
int runWatermarkDialog(int argc, char** argv);

}  // namespace vendrik
