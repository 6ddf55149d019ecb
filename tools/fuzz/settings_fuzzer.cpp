// libFuzzer target for the settings file: any bytes as vendrik.ini, read as
// start-up and the command line read it and turned into a run. Besides the
// sanitizers' findings it checks a promise of the document: a value stored
// with setValue reads back as stored, whatever the file around it holds.

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "optimiser/batch_settings_from.h"
#include "common/cp1252.h"
#include "startup/ini_document.h"
#include "startup/own_presets.h"
#include "startup/settings.h"
#include "startup/settings_file.h"

using vendrik::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vendrik;
    const std::span<const std::uint8_t> bytes(data, size);
    const fuzz::MemoryFile file(bytes);
    const Result<SettingsFileRead> read = readSettingsFile(file.path());
    require(read.ok() && read->found);
    const Settings settings = loadSettings(read->document);
    require(settings.quality >= 0);
    (void)storedSettingTexts(read->document);
    RunChoices choices;
    choices.watermark = size > 0 && (data[0] & 1) != 0;
    const BatchSettings run = batchSettingsFrom(settings, choices);
    require(run.picture.quality >= 1 && run.picture.quality <= 100);

    // Every listed preset applies, within the controls' ranges, and a
    // deleted one is gone.
    const std::vector<std::string> presets = presetNames(read->document);
    for (std::size_t i = 0; i < std::min<std::size_t>(presets.size(), 16); ++i) {
        const auto preset = readPreset(read->document, presets[i], settings);
        require(preset.has_value() && preset->settings.quality >= 40 &&
                preset->settings.quality <= 95);
    }
    if (!presets.empty()) {
        IniDocument without = IniDocument::parse(read->document.bytes());
        require(without.removeSection(utf8ToCp1252(presetSection(presets.front()))));
        require(!readPreset(without, presets.front(), settings).has_value());
    }

    // The last few bytes, without line breaks, as a value written into the
    // document; it must read back as written (blanks and quotes around it,
    // which the reader trims, aside).
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string value(text.substr(text.size() - std::min<std::size_t>(text.size(), 12)));
    std::erase_if(value, [](char c) {
        return c == '\n' || c == '\r' || c == '\0' || c == ' ' || c == '\t' || c == '"' || c == '\'';
    });
    IniDocument document = IniDocument::parse(text);
    document.setValue(SettingsSection, "Tag", value);
    const auto back = document.value(SettingsSection, "Tag");
    require(back.has_value() && *back == value);
    require(IniDocument::parse(document.bytes()).value(SettingsSection, "Tag") == back);
    return 0;
}
