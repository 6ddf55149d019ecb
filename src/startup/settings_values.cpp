#include "startup/settings_values.h"

#include <cmath>
#include <vector>

#include "startup/markers.h"
#include "startup/settings_file.h"
#include "startup/settings_keys.h"

namespace vendrik {
namespace {

std::string read(const std::string& file, std::string_view key) {
    return ReadIniValue(SettingsSection, key, file, std::string(settingDefault(key)));
}

std::optional<std::int16_t> readControlValue(const std::string& file, std::string_view key) {
    return applicableInteger(key, read(file, key));
}

std::int16_t readWatermarkInteger(const std::string& file, std::string_view key) {
    return toInteger16(read(file, key)).value_or(0);
}

std::string decimal(double v) {
    return std::to_string(static_cast<long long>(std::nearbyint(v)));
}

}  // namespace

MainWindowSettings readMainWindowSettings(const std::string& settingsFile) {
    MainWindowSettings s;
    s.preTags = readControlValue(settingsFile, "PreTags");
    const std::string optTag = read(settingsFile, "optTag");
    if (optTag == "1" || optTag == "2") {
        s.optTag = static_cast<std::int16_t>(optTag[0] - '0');
    }
    s.chkAnfang = readControlValue(settingsFile, "chkAnfang");
    s.origSize = read(settingsFile, "OrigSize") != "0";
    s.manH = read(settingsFile, "manH");
    s.manW = read(settingsFile, "manW");
    s.quality = readControlValue(settingsFile, "Quality");
    s.size = readControlValue(settingsFile, "Size");
    s.samePath = readControlValue(settingsFile, "SamePath");
    s.tag = read(settingsFile, "Tag");
    return s;
}

WatermarkSettings readWatermarkSettings(const std::string& settingsFile) {
    // A value that cannot be converted leaves its field at 0, not at the
    // key's default.
    WatermarkSettings w;
    w.hAlign = readWatermarkInteger(settingsFile, "HPosN");
    w.vAlign = readWatermarkInteger(settingsFile, "VPosN");
    w.angleMode = readWatermarkInteger(settingsFile, "AngleN");
    w.angle = toFixed4(read(settingsFile, "Angle")).value_or(Fixed4());
    w.opacity = toFixed4(read(settingsFile, "Alpha")).value_or(Fixed4());
    w.size = readWatermarkInteger(settingsFile, "WSize");
    w.hPos = toDouble(read(settingsFile, "HPos")).value_or(0.0);
    w.vPos = toDouble(read(settingsFile, "VPos")).value_or(0.0);
    w.color = readWatermarkInteger(settingsFile, "Color");
    std::string text = read(settingsFile, "Info");
    if (text.empty()) {
        text = std::string(kDefaultWatermarkNotice);
    }
    w.text = DecodeMarkers(text);
    w.lineBreaks = countWatermarkLineBreaks(w.text);
    return w;
}

bool writeMainWindowSettings(const MainWindowState& state, const std::string& settingsFile) {
    std::vector<IniEntry> entries = {
        {"Quelle", state.sourceFolder},
        {"LastSavePath", state.targetFolder},
        {"Quality", std::to_string(state.quality)},
        {"Size", std::to_string(state.sizeIndex)},
        {"SamePath", std::to_string(state.samePath)},
        {"Tag", state.tag},
        {"PreTags", std::to_string(state.preTags)},
        {"OrigSize", std::to_string(state.origSize)},
        {"manH", state.manH},
        {"manW", state.manW},
    };
    if (state.optTag == 1 || state.optTag == 2) {
        entries.push_back({"optTag", std::to_string(state.optTag)});
    }
    entries.push_back({"chkAnfang", std::to_string(state.chkAnfang)});
    return WriteIniValues(SettingsSection, entries, settingsFile);
}

bool writeWatermarkSettings(const WatermarkSettings& settings, const std::string& settingsFile) {
    std::string text = settings.text;
    EncodeMarkers(text);
    const std::vector<IniEntry> entries = {
        {"Angle", std::to_string(settings.angle.round())},
        {"Alpha", std::to_string(settings.opacity.round())},
        {"WSize", std::to_string(settings.size)},
        {"HPos", decimal(settings.hPos)},
        {"VPos", decimal(settings.vPos)},
        {"Info", text},
        {"Color", std::to_string(settings.color)},
        {"HPosN", std::to_string(settings.hAlign)},
        {"VPosN", std::to_string(settings.vAlign)},
        {"AngleN", std::to_string(settings.angleMode)},
    };
    return WriteIniValues(SettingsSection, entries, settingsFile);
}

}  // namespace vendrik
