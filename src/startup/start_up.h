#pragma once
// The program's start: refuse a second copy, work out the paths and the
// settings file, read every setting, register with the file manager and take
// the folder or picture named on the command line. The result is a start-up
// state the main window takes over (puts into its controls, shows itself and
// selects the named picture); nothing here needs a window.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "startup/instance_lock.h"
#include "startup/key_value_store.h"
#include "startup/path_helpers.h"
#include "startup/settings.h"

namespace vendrik {

struct StartupInputs {
    std::string programFile;               // empty: this process's own executable
    std::vector<std::string> arguments;    // the command line after the program name
    const KeyValueStore* store = nullptr;  // nullptr: the platform's (empty) store
    std::string lockFile;                  // empty: instanceLockPath()
};

struct StartupState {
    // Another copy runs: the caller hands commandLineArgument (made absolute)
    // to it and ends. Nothing else below is set, and the settings file has
    // not been touched.
    bool secondInstance = false;
    InstanceLock lock;  // keep alive for the life of the process

    std::string programFolder;    // with a trailing "/"
    std::string programFileName;  // without extension
    std::string programFile;      // the program file path
    std::string settingsFile;
    std::string tempFolder;       // with a trailing "/"
    std::string TempImagePath;    // scratch bitmap paths; start-up neither creates nor deletes them
    std::string TempWorkPath;
    std::string DocumentsFolder;  // with a trailing "/"
    std::int16_t FirstRunFlag = 0;  // "FirstRun" as stored before this start
    bool registeredOpenWith = false;

    std::string commandLineArgument;  // quotes removed, long form; empty without one
    std::string fileToSelect;         // the picture named on the command line, or empty
    // Every setting for the controls and the watermark. The two folders are
    // resolved: settings.sourceFolder (txtPath(0) and the file list) is the
    // stored one, the documents folder or "/", or the command line's folder;
    // settings.targetFolder (txtPath(2)) the stored one or its fallbacks.
    Settings settings;
};

[[nodiscard]] StartupState runStartup(const StartupInputs& inputs);

// The source folder of start-up: the stored "Quelle" when it exists, else
// the documents folder, else "/".
[[nodiscard]] std::string sourceFolderFallback(const std::string& stored,
                                               const std::string& documentsFolder);

// The target folder of start-up: the stored "LastSavePath" when it exists,
// else the mail client's attachment folder from the store, else the
// documents folder, else "/".
[[nodiscard]] std::string targetFolderFallback(const std::string& stored, const KeyValueStore& store,
                                               const std::string& documentsFolder);

// The program's settings file: locateSettingsFile for the program's folder.
[[nodiscard]] std::string InitSettingsPath(const ProgramPaths& paths);

// Removes double quotes from the text in place and returns it. After a quote
// is cut out, the character that moved into its place is not examined, so of
// two adjacent quotes only the first goes.
std::string StripQuotes(std::string& text);

}  // namespace vendrik
