#include "startup/own_presets.h"

#include <algorithm>

#include "common/ascii_case.h"
#include "common/cp1252.h"
#include "startup/settings_file.h"

namespace vendrik {
namespace {

// "%" and "]" escaped: "]" would end the header, "%" starts an escape.
std::string escapedName(std::string_view name) {
    std::string out;
    for (const char c : name) {
        if (c == '%') {
            out += "%25";
        } else if (c == ']') {
            out += "%5D";
        } else {
            out += c;
        }
    }
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = static_cast<char>(c | 0x20);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// The escapes undone; a "%" without two hex digits after it is itself.
std::string unescapedName(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int high = hexDigit(text[i + 1]);
            const int low = hexDigit(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// The preset name a section stands for, if it is one.
std::optional<std::string> nameOfSection(std::string_view section) {
    if (section.size() <= kPresetSectionPrefix.size() ||
        !equalsIgnoringCase(section.substr(0, kPresetSectionPrefix.size()), kPresetSectionPrefix)) {
        return std::nullopt;
    }
    const std::string_view written = section.substr(kPresetSectionPrefix.size());
    const std::string name = unescapedName(cp1252ToUtf8(written));
    const Result<std::string> valid = presetName(name);
    // Only a name written as presetSection writes it: the one under which
    // readPreset and deletePreset find it again.
    if (!valid || *valid != name || !equalsIgnoringCase(utf8ToCp1252(escapedName(name)), written)) {
        return std::nullopt;
    }
    return name;
}

}  // namespace

Result<std::string> presetName(std::string_view typed) {
    const auto first = typed.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return Failure{"Der Name ist leer."};
    }
    const std::string_view name = typed.substr(first, typed.find_last_not_of(" \t") - first + 1);
    if (std::any_of(name.begin(), name.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; })) {
        return Failure{"Der Name darf keine Zeilenumbrüche oder Steuerzeichen enthalten."};
    }
    if (cp1252ToUtf8(utf8ToCp1252(name)) != name) {
        return Failure{"Der Name enthält Zeichen, die die Einstellungsdatei nicht speichern kann."};
    }
    return std::string(name);
}

std::string presetSection(std::string_view name) {
    return std::string(kPresetSectionPrefix) + escapedName(name);
}

std::vector<std::string> presetNames(const IniDocument& document) {
    std::vector<std::string> names;
    std::vector<std::string> seen;  // lower-case ASCII, for the duplicates
    for (const std::string& section : document.sectionNames()) {
        auto name = nameOfSection(section);
        if (!name) {
            continue;
        }
        std::string folded = *name;
        std::transform(folded.begin(), folded.end(), folded.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c; });
        if (std::find(seen.begin(), seen.end(), folded) != seen.end()) {
            continue;
        }
        seen.push_back(std::move(folded));
        names.push_back(std::move(*name));
    }
    return names;
}

std::optional<OwnPreset> readPreset(const IniDocument& document, std::string_view name,
                                    const Settings& current) {
    const Result<std::string> valid = presetName(name);
    if (!valid || *valid != name) {
        return std::nullopt;
    }
    const std::string section = utf8ToCp1252(presetSection(name));
    if (!document.hasSection(section)) {
        return std::nullopt;
    }
    const std::vector<std::string_view> keys(kPresetKeys.begin(), kPresetKeys.end());
    const auto values = document.values(section, keys);
    // The preset's texts over the current settings' texts: a key it lacks
    // is empty, which reads as the key's default.
    std::vector<std::string> texts = settingTexts(current);
    for (std::size_t k = 0; k < kPresetKeys.size(); ++k) {
        const std::string stored = values[k].value_or(std::string());
        texts[settingKeyIndex(kPresetKeys[k])] =
            cp1252ToUtf8(std::string_view(stored).substr(0, kMaxIniValueLength));
    }
    OwnPreset preset;
    preset.settings = settingsFromTexts(std::move(texts));
    return preset;
}

bool savePreset(const std::string& settingsFile, std::string_view name, const OwnPreset& preset) {
    const Result<std::string> valid = presetName(name);
    if (!valid || *valid != name || settingsFile.empty()) {
        return false;
    }
    const std::vector<std::string> texts = settingTexts(preset.settings);
    std::vector<IniEntry> entries;
    for (const std::string_view key : kPresetKeys) {
        entries.push_back({std::string(key), texts[settingKeyIndex(key)]});
    }
    const std::string section = presetSection(name);
    return editIniFile(settingsFile, [&](IniDocument& doc) {
        // A preset saved again is written whole, at the end of the file.
        doc.removeSection(utf8ToCp1252(section));
        return setIniValues(doc, section, entries);
    });
}

bool deletePreset(const std::string& settingsFile, std::string_view name) {
    if (settingsFile.empty()) {
        return false;
    }
    const std::string section = utf8ToCp1252(presetSection(name));
    return editIniFile(settingsFile, [&](IniDocument& doc) { return doc.removeSection(section); });
}

}  // namespace vendrik
