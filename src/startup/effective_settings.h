#pragma once
// The settings as the command line sees them: the windows' own settings
// file, found by the same rule as the windows find it (or named, or none at
// all), turned into the values a run uses, each with where it came from. So
// `vendrik-cli optimise` runs as the windows were last set, and
// `vendrik-cli settings` can show why.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "watermark/watermark_settings.h"

namespace vendrik {

// The windows program's settings file name.
inline constexpr std::string_view kSettingsFileName = "vendrik.ini";

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
// settings file of a program in `programFolder` (empty: this executable's
// folder) when it exists. Named: the file as given, existing or not (a
// missing one reads as defaults, as for the windows).
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

// The values a command-line run starts from; options of the command line
// override them afterwards.
struct EffectiveSettings {
    std::string settingsFile;  // empty: built-in defaults
    std::string sourceFolder;  // "Quelle", as stored
    std::string targetFolder;  // "LastSavePath", as stored
    // The target folder as the main window shows it: the stored one when it
    // exists, else the documents folder, else "/". Where outputs go when
    // samePath is off.
    std::string resolvedTargetFolder;
    int quality = 80;
    int sizeIndex = 5;
    bool samePath = true;
    std::string tag;
    int preTags = 5;
    bool origSize = false;
    std::string manH;
    std::string manW;
    int optTag = 1;
    bool tagAtStart = false;  // "chkAnfang"
    WatermarkSettings watermark;
    std::vector<SettingReport> report;

    [[nodiscard]] SettingSource sourceOf(std::string_view key) const;
};

[[nodiscard]] EffectiveSettings effectiveSettings(const std::string& settingsFile);

}  // namespace vendrik
