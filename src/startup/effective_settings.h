#pragma once
// The settings as the command line sees them: the windows' own settings
// file, found by the same rule as the windows find it (or named, or none at
// all), and a report of where each value came from. So `vendrik-cli
// optimise` runs as the windows were last set (loadSettings, settings.h),
// and `vendrik-cli settings` can show why.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "startup/ini_document.h"

namespace vendrik {

enum class SettingsChoice {
    Located,  // the windows' settings file, if there is one (no option given)
    Named,    // --settings FILE
    None,     // --no-settings: the built-in defaults
};

struct SettingsOptions {
    SettingsChoice choice = SettingsChoice::Located;
    std::string file;                   // for Named
    std::vector<std::string> remaining; // the arguments without the settings options
    std::string error;                  // German usage error; empty when fine
};

// Takes "--settings FILE", "--settings=FILE" and "--no-settings" out of a
// command's arguments.
[[nodiscard]] SettingsOptions takeSettingsOptions(const std::vector<std::string>& arguments);

// The file to read, or empty for the built-in defaults. Located: the
// settings file locateSettingsFile finds for `programFolder` (empty: this
// executable's folder) when there is an entry of that name (a folder or an
// unreadable file too, whose problem readSettingsFile then names). Named:
// the file as given, existing or not (a missing one reads as defaults, as
// for the windows).
[[nodiscard]] std::string resolveSettingsFile(const SettingsOptions& options,
                                              const std::string& programFolder = {});

enum class SettingSource { File, Default };

struct SettingReport {
    std::string_view key;
    std::optional<std::string> stored;  // the non-empty stored text, if any
    std::string effective;              // the value in use, as text
    SettingSource source = SettingSource::Default;
    bool rejected = false;  // stored, but not applicable: the default (or 0) is used
};

// One line per key of the key table, in its order. An empty path gives the
// defaults throughout.
[[nodiscard]] std::vector<SettingReport> reportSettings(const std::string& settingsFile);

// The same for a settings file already read (readSettingsFile).
[[nodiscard]] std::vector<SettingReport> reportSettings(const IniDocument& document);

// Where the value of `key` came from, by a report of reportSettings.
[[nodiscard]] SettingSource settingSource(const std::vector<SettingReport>& report,
                                          std::string_view key);

}  // namespace vendrik
