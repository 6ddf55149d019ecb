#pragma once
// --settings FILE and --no-settings, shared by the commands that start from
// the windows' settings (optimise, settings, watermark-preview).

#include <string>
#include <vector>

#include "command_line.h"
#include "common/result.h"
#include "startup/effective_settings.h"

namespace vendrik::cli {

struct SettingsSelection {
    bool named = false;  // --settings FILE
    bool none = false;   // --no-settings
    std::string file;
};

// Adds the two options (applied early, before the options that go over the
// file's values). `namedHelp` describes --settings for the command.
void addSettingsOptions(std::vector<CliOption>& table, SettingsSelection& selection,
                        const std::string& namedHelp);

// Whether the selection can be used; else the usage error: both options
// given, or a named file that is missing, not a file, unreadable or too
// large to be a settings file.
[[nodiscard]] Result<void> checkSettingsSelection(const SettingsSelection& selection);

// The settings file to read, or empty for the built-in defaults
// (resolveSettingsFile).
[[nodiscard]] std::string settingsFileOf(const SettingsSelection& selection);

}  // namespace vendrik::cli
