#pragma once
// The window program's command line as one option table, read by the
// parser vendrik-cli uses too (common/option_table.h), so that its help, its
// man page and its tests see the same options. Qt-free: --help and
// --version are answered before any window system is needed.
//
//   vendrik [ORDNER | BILDDATEI]                    the main window
//   vendrik --dialog folder [--target] [--settings DATEI] [START]
//   vendrik --dialog watermark [--settings DATEI] [--picture BILD]
//   vendrik --controls-gallery
//   vendrik -h | --help | -V | --version

#include <string>
#include <vector>

namespace vendrik {

enum class WindowMode {
    MainWindow,       // start-up, then frmOptimize on the operands' folder or picture
    FolderDialog,     // frmDirSelect alone; prints the chosen folder
    WatermarkDialog,  // frmWatermark alone
    ControlsGallery,  // the program's controls in every state
};

struct WindowArguments {
    WindowMode mode = WindowMode::MainWindow;
    bool help = false;
    bool version = false;
    bool target = false;         // --target: the folder dialog chooses the target folder
    std::string settingsFile{};  // --settings: a dialog's settings file; empty: the program's
    std::string picture{};       // --picture: the designer's preview picture
    std::vector<std::string> operands{};  // the main window's path words, the chooser's START
};

// Reads `args` (the words after the program's name). False with a one-line
// German reason: an unknown option, a missing or wrong value, an option of
// another mode (--target without --dialog folder, say), or operands the mode
// does not take. With -h/--help or -V/--version only the spelling of the
// line is checked, not whether its options fit together.
[[nodiscard]] bool parseWindowArguments(const std::vector<std::string>& args, WindowArguments& out,
                                        std::string& error);

// The endings by which an argument is taken for a picture, spelt as a user
// writes them (".jpeg", ".heic"), in the order of the one table of endings.
[[nodiscard]] std::vector<std::string> pictureArgumentEndings();

// --help: usage, what the program does, its operands and options.
[[nodiscard]] std::string windowHelpText();

// --version: "vendrik (Tervane Vendrik) 0.1.0".
[[nodiscard]] std::string windowVersionText();

// A wrong call, in one line: what was wrong and where the help is.
[[nodiscard]] std::string windowUsageError(const std::string& reason);

}  // namespace vendrik
