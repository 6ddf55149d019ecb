#include "startup/start_up.h"

#include <filesystem>

#include "common/picture_endings.h"
#include "startup/open_with.h"
#include "startup/path_helpers.h"
#include "startup/settings_file.h"
#include "startup/shell_folders.h"

namespace vendrik {
namespace {

// The first of the candidates that is a non-empty existing folder, else the
// root, which always exists.
std::string firstExistingFolder(std::initializer_list<std::string> candidates) {
    for (const std::string& c : candidates) {
        if (!c.empty() && FolderExists(c)) {
            return c;
        }
    }
    return "/";
}

std::string joinArguments(const std::vector<std::string>& arguments) {
    // The whole command line is one path: a path with blanks that a shell
    // split into words is joined again.
    std::string line;
    for (const std::string& a : arguments) {
        if (!line.empty()) {
            line += ' ';
        }
        line += a;
    }
    return line;
}

}  // namespace

std::string StripQuotes(std::string& text) {
    const std::size_t initialLength = text.size();
    for (std::size_t i = 0; i < initialLength && i < text.size(); ++i) {
        if (text[i] == '"') {
            text.erase(i, 1);
        }
    }
    return text;
}

std::string sourceFolderFallback(const std::string& stored, const std::string& documentsFolder) {
    return firstExistingFolder({stored, documentsFolder});
}

std::string targetFolderFallback(const std::string& stored, const KeyValueStore& store,
                                 const std::string& documentsFolder) {
    return firstExistingFolder(
        {stored, ReadRegString(store, RegistryRoot::CurrentUser, kTheBatKey, kTheBatValue),
         documentsFolder});
}

std::string InitSettingsPath(const ProgramPaths& paths) {
    return locateSettingsFile(paths.programFolder);
}

StartupState runStartup(const StartupInputs& inputs) {
    StartupState s;
    // The command line's path: quotes go before the long-path look-up, since
    // on a case-sensitive file system the case rule a quoted path would get
    // names another folder.
    std::string argument = joinArguments(inputs.arguments);
    if (!argument.empty()) {
        StripQuotes(argument);
        argument = LongPathName(argument);
        s.commandLineArgument = argument;
    }
    // Another copy runs: end before anything else happens. Its window takes
    // the path, from any folder this start was made in.
    s.lock = InstanceLock::acquire(inputs.lockFile.empty() ? instanceLockPath() : inputs.lockFile);
    if (s.lock.state() == InstanceLockState::HeldElsewhere) {
        s.secondInstance = true;
        if (!argument.empty()) {
            std::error_code ec;
            const std::filesystem::path absolute = std::filesystem::absolute(argument, ec);
            s.commandLineArgument = ec ? argument : absolute.string();
        }
        return s;
    }
    const PlatformKeyValueStore platformStore;
    const KeyValueStore& store = inputs.store != nullptr ? *inputs.store : platformStore;

    // Paths, the documents folder, the settings file.
    const ProgramPaths paths = InitPaths(inputs.programFile);
    s.programFolder = paths.programFolder;
    s.programFileName = paths.programFileName;
    s.programFile = paths.programFile;
    s.tempFolder = paths.tempFolder;
    s.DocumentsFolder = InitShellFolders();
    s.settingsFile = InitSettingsPath(paths);

    // Every setting, in one reading of the file; then the source and target
    // folder, each with its fallbacks.
    s.settings = loadSettings(s.settingsFile);
    s.settings.sourceFolder = sourceFolderFallback(s.settings.sourceFolder, s.DocumentsFolder);
    s.settings.targetFolder =
        targetFolderFallback(s.settings.targetFolder, store, s.DocumentsFolder);

    // First run: the flag as stored, then "0" at once.
    s.FirstRunFlag = static_cast<std::int16_t>(s.settings.firstRun);
    static_cast<void>(saveFirstRunDone(s.settingsFile));

    // Register with the file manager, on every start.
    s.registeredOpenWith = RegisterOpenWith(s.programFile);

    // Scratch bitmap paths.
    s.TempImagePath = s.tempFolder + "img.bmp";
    s.TempWorkPath = s.tempFolder + "temp.bmp";

    // The command line: a picture selects itself in its folder, a folder
    // becomes the source folder, anything else is ignored.
    if (!argument.empty()) {
        if (isPictureArgument(argument)) {
            s.settings.sourceFolder = ParentPath(argument);
            s.fileToSelect = FileNameOf(argument);
        } else if (FolderExists(argument)) {
            s.settings.sourceFolder = argument;
        }
    }
    return s;
}

}  // namespace vendrik
