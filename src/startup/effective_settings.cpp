#include "startup/effective_settings.h"

#include <array>
#include <cstdio>
#include <filesystem>

#include "startup/markers.h"
#include "startup/path_helpers.h"
#include "startup/shell_folders.h"
#include "startup/start_up.h"
#include "startup/settings_file.h"
#include "startup/settings_keys.h"
#include "startup/settings_values.h"

namespace vendrik {
namespace {

std::string formatDouble(double v) {
    std::array<char, 32> buf{};
    std::snprintf(buf.data(), buf.size(), "%.15g", v);
    return buf.data();
}

// The effective text of a stored value, or nothing when it cannot apply.
std::optional<std::string> convert(const SettingKey& k, const std::string& text) {
    switch (k.kind) {
        case SettingKind::Integer: {
            const auto v = applicableInteger(k.name, text);
            return v ? std::optional(std::to_string(*v)) : std::nullopt;
        }
        case SettingKind::Fixed: {
            const auto v = toFixed4(text);
            return v ? std::optional(v->toString()) : std::nullopt;
        }
        case SettingKind::Double: {
            const auto v = toDouble(text);
            return v ? std::optional(formatDouble(*v)) : std::nullopt;
        }
        case SettingKind::Text:
            if (k.name == "optTag") {
                return (text == "1" || text == "2") ? std::optional(text) : std::nullopt;
            }
            if (k.name == "OrigSize") {
                return std::string(text == "0" ? "0" : "1");
            }
            return text;
    }
    return std::nullopt;
}

}  // namespace

SettingsOptions takeSettingsOptions(const std::vector<std::string>& arguments) {
    SettingsOptions o;
    bool named = false;
    bool none = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--no-settings") {
            none = true;
        } else if (a == "--settings") {
            if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
                o.error = "--settings erwartet eine Einstellungsdatei";
                return o;
            }
            o.file = arguments[++i];
            named = true;
        } else if (a.rfind("--settings=", 0) == 0) {
            o.file = a.substr(11);
            if (o.file.empty()) {
                o.error = "--settings erwartet eine Einstellungsdatei";
                return o;
            }
            named = true;
        } else {
            o.remaining.push_back(a);
        }
    }
    if (named && none) {
        o.error = "--settings und --no-settings schließen einander aus";
        return o;
    }
    o.choice = named ? SettingsChoice::Named : none ? SettingsChoice::None : SettingsChoice::Located;
    return o;
}

std::string resolveSettingsFile(const SettingsOptions& options, const std::string& programFolder) {
    switch (options.choice) {
        case SettingsChoice::Named:
            return options.file;
        case SettingsChoice::None:
            return {};
        case SettingsChoice::Located:
            break;
    }
    const std::string folder =
        programFolder.empty() ? InitPaths().programFolder : programFolder;
    const std::string file = locateSettingsFile(folder, std::string(kSettingsFileName));
    return (!file.empty() && FileExists(file)) ? file : std::string();
}

std::vector<SettingReport> reportSettings(const std::string& settingsFile) {
    std::vector<SettingReport> out;
    for (const SettingKey& k : kSettingKeys) {
        SettingReport r;
        r.key = k.name;
        const std::string stored =
            settingsFile.empty() ? std::string() : ReadIniValue(SettingsSection, k.name, settingsFile, "");
        const std::string defaultText(k.defaultValue);
        if (!stored.empty()) {
            r.stored = stored;
            if (const auto v = convert(k, stored)) {
                r.effective = *v;
                r.source = SettingSource::File;
                out.push_back(r);
                continue;
            }
            r.rejected = true;
        }
        // Not stored, or not applicable: a main-window control keeps its
        // default; a watermark number that cannot be read stays 0.
        if (r.rejected && k.owner != SettingOwner::MainWindow) {
            r.effective = "0";
            r.source = SettingSource::File;
        } else if (k.name == "Info") {
            r.effective = std::string(kDefaultWatermarkNotice);  // what start-up puts in
        } else {
            r.effective = convert(k, defaultText).value_or(defaultText);
        }
        out.push_back(r);
    }
    return out;
}

SettingSource EffectiveSettings::sourceOf(std::string_view key) const {
    for (const SettingReport& r : report) {
        if (r.key == key) {
            return r.source;
        }
    }
    return SettingSource::Default;
}

EffectiveSettings effectiveSettings(const std::string& settingsFile) {
    EffectiveSettings e;
    e.settingsFile = settingsFile;
    e.report = reportSettings(settingsFile);
    // An empty path reads nothing, so every reader below gives its default.
    const MainWindowSettings m = readMainWindowSettings(settingsFile);
    e.sourceFolder = settingsFile.empty() ? std::string()
                                          : ReadIniValue(SettingsSection, "Quelle", settingsFile, "");
    e.targetFolder = settingsFile.empty()
                         ? std::string()
                         : ReadIniValue(SettingsSection, "LastSavePath", settingsFile, "");
    const PlatformKeyValueStore store;
    e.resolvedTargetFolder = targetFolderFallback(e.targetFolder, store, InitShellFolders());
    e.quality = m.quality.value_or(defaultInteger("Quality"));
    e.sizeIndex = m.size.value_or(defaultInteger("Size"));
    e.samePath = m.samePath.value_or(defaultInteger("SamePath")) != 0;
    e.tag = m.tag;
    e.preTags = m.preTags.value_or(defaultInteger("PreTags"));
    e.origSize = m.origSize;
    e.manH = m.manH;
    e.manW = m.manW;
    e.optTag = m.optTag.value_or(1);
    e.tagAtStart = m.chkAnfang.value_or(defaultInteger("chkAnfang")) != 0;
    e.watermark = readWatermarkSettings(settingsFile);
    return e;
}

}  // namespace vendrik
