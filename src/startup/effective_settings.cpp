#include "startup/effective_settings.h"

#include <array>
#include <cstdio>
#include <filesystem>

#include "common/atomic_file.h"
#include "common/settings_keys.h"
#include "startup/markers.h"
#include "startup/settings_file.h"

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
    // Anything under the name counts, also a folder or an unreadable file,
    // so that what is wrong with it can be named rather than passed over.
    const std::string file = locateSettingsFile(programFolder);
    return (!file.empty() && pathEntryExists(file)) ? file : std::string();
}

std::vector<SettingReport> reportSettings(const std::string& settingsFile) {
    return reportSettings(settingsFile.empty() ? IniDocument() : readIniFile(settingsFile));
}

std::vector<SettingReport> reportSettings(const IniDocument& document) {
    std::vector<SettingReport> out;
    const std::vector<std::string> texts = storedSettingTexts(document);
    for (std::size_t i = 0; i < kSettingKeys.size(); ++i) {
        const SettingKey& k = kSettingKeys[i];
        SettingReport r;
        r.key = k.name;
        const std::string& stored = texts[i];
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
            r.effective = std::string(1, '0');
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

SettingSource settingSource(const std::vector<SettingReport>& report, std::string_view key) {
    for (const SettingReport& r : report) {
        if (r.key == key) {
            return r.source;
        }
    }
    return SettingSource::Default;
}

}  // namespace vendrik
