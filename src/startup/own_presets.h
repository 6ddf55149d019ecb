#pragma once
// Own presets ("Voreinstellungen"): named sets of output settings the user
// saved from the main window, for the window and `vendrik-cli optimise
// --preset NAME` alike. Each lives in the settings file in a section of its
// own, "[Voreinstellung: NAME]", after the program's section, holding the
// same keys in the same stored forms as that section: a version that reads
// only its own section passes them by, and the program's section keeps every
// byte when a preset is saved or deleted.
//
// What the file promises to a reader:
// - any preset section at all loads: a missing key takes its default, a
//   value that cannot apply takes what the same value in the program's
//   section would (settingsFromTexts);
// - names are compared ignoring ASCII case, as section names are; "%" and
//   "]" are written as %25 and %5D so that any name fits in a header;
// - a section whose name is no preset name (empty, control characters) is
//   not listed and cannot be applied.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "common/settings_keys.h"
#include "startup/ini_document.h"
#include "startup/settings.h"

namespace vendrik {

inline constexpr std::string_view kPresetSectionPrefix = "Voreinstellung: ";

// The keys of the settings file a preset holds: everything that shapes what
// a run writes, and nothing about where (folders, "Gleicher Pfad"). A key
// that shapes the outputs joins presets by one line here.
inline constexpr auto kPresetKeys = std::to_array<std::string_view>({
    // the box or an own size
    "Size", "OrigSize", "manH", "manW", "NoEnlarge",
    // the box turned to each picture
    "HochWieQuer",
    // quality, the sampling chosen by hand, "höchstens", compression,
    // metadata, the format
    "Quality", "Abtastung", "MaxSize", "Kompression", "Metadaten", "Format",
    // naming
    "PreTags", "optTag", "Tag", "chkAnfang",
    // the output switches
    "DatumBehalten", "NieGroesser", "Verlustfrei",
    // the watermark: "einblenden" and its design
    "Wasserzeichen", "HPosN", "VPosN", "AngleN", "Angle", "Alpha", "WSize", "HPos", "VPos", "Color", "Info",
});

// Every preset key is a key of the settings file.
consteval bool presetKeysAreSettingKeys() {
    for (const std::string_view key : kPresetKeys) {
        static_cast<void>(settingKey(key));
    }
    return true;
}
static_assert(presetKeysAreSettingKeys());

struct OwnPreset {
    // Settings with the preset's keys in place; the other members are those
    // of the settings the preset was applied to (or saved from).
    Settings settings;
};

// The name as a preset is saved under: without blanks around it; or why it
// cannot be one (German): empty, a control character (a line break would
// end the header), a character the settings file cannot hold.
[[nodiscard]] Result<std::string> presetName(std::string_view typed);

// The section a preset of that name lives in.
[[nodiscard]] std::string presetSection(std::string_view name);

// The names of the presets in the document, in the file's order, each once
// (the first of names equal ignoring case), found in one pass.
[[nodiscard]] std::vector<std::string> presetNames(const IniDocument& document);

// The preset of that name applied over `current`; nothing when there is none.
[[nodiscard]] std::optional<OwnPreset> readPreset(const IniDocument& document,
                                                  std::string_view name, const Settings& current);

// Saves the preset under `name` (presetName's form), replacing one of that
// name, in one replacement of the file; false when it could not be written.
bool savePreset(const std::string& settingsFile, std::string_view name, const OwnPreset& preset);

// Removes the preset; false when there was none or the file could not be
// written.
bool deletePreset(const std::string& settingsFile, std::string_view name);

}  // namespace vendrik
