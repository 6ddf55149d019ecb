#include "startup/start_up.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "startup/open_with.h"
#include "startup/path_helpers.h"
#include "startup/settings_file.h"
#include "startup/settings_keys.h"
#include "startup/shell_folders.h"

namespace vendrik {
namespace {

constexpr std::array<std::string_view, 6> kPictureEndings = {".jpg", ".jpe", "jpeg",
                                                            ".tif", ".bmp", ".gif"};
static_assert(kPictureEndings.size() == 6);

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

bool isPictureArgument(std::string_view argument) {
    if (argument.size() < 4) {
        return false;
    }
    std::string ending(argument.substr(argument.size() - 4));
    std::transform(ending.begin(), ending.end(), ending.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::find(kPictureEndings.begin(), kPictureEndings.end(), ending) !=
           kPictureEndings.end();
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
    return locateSettingsFile(paths.programFolder, paths.programFileName + ".ini");
}

StartupState runStartup(const StartupInputs& inputs) {
    StartupState s;
    // Another copy runs: end before anything else happens.
    s.lock = InstanceLock::acquire(inputs.lockFile.empty() ? instanceLockPath() : inputs.lockFile);
    if (s.lock.state() == InstanceLockState::HeldElsewhere) {
        s.secondInstance = true;
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

    // Source and target folder, each with its fallbacks.
    s.sourceFolder = sourceFolderFallback(
        ReadIniValue(SettingsSection, "Quelle", s.settingsFile, ""), s.DocumentsFolder);
    s.targetFolder = targetFolderFallback(
        ReadIniValue(SettingsSection, "LastSavePath", s.settingsFile, ""), store,
        s.DocumentsFolder);

    // First run: the flag as stored, then "0" at once. A settings file
    // outside the program folder may need its folder first.
    s.FirstRunFlag =
        toInteger16(ReadIniValue(SettingsSection, "FirstRun", s.settingsFile,
                                std::string(settingDefault("FirstRun"))))
            .value_or(0);
    if (!s.settingsFile.empty()) {
        std::string folder = ParentPath(s.settingsFile);
        if (MakePath(folder)) {
            static_cast<void>(WriteIniValue(SettingsSection, "FirstRun", "0", s.settingsFile));
        }
    }

    // Register with the file manager, on every start.
    s.registeredOpenWith = RegisterOpenWith(s.programFile);

    // Scratch bitmap paths.
    s.TempImagePath = s.tempFolder + "img.bmp";
    s.TempWorkPath = s.tempFolder + "temp.bmp";

    // Watermark settings.
    s.watermark = readWatermarkSettings(s.settingsFile);

    // The command line: a picture selects itself in its folder, a folder
    // becomes the source folder, anything else is ignored. The quotes go
    // before the long-path look-up: on a case-sensitive file system the case
    // rule a quoted path would get names another folder.
    std::string argument = joinArguments(inputs.arguments);
    if (!argument.empty()) {
        StripQuotes(argument);
        argument = LongPathName(argument);
        s.commandLineArgument = argument;
        if (isPictureArgument(argument)) {
            s.sourceFolder = ParentPath(argument);
            s.fileToSelect = FileNameOf(argument);
        } else if (FolderExists(argument)) {
            s.sourceFolder = argument;
        }
    }

    // The values the main window puts into its controls.
    s.mainWindow = readMainWindowSettings(s.settingsFile);
    return s;
}

}  // namespace vendrik
