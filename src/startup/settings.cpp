#include "startup/settings.h"

#include <cmath>
#include <optional>
#include <vector>

#include "startup/markers.h"
#include "startup/path_helpers.h"
#include "startup/settings_file.h"

namespace vendrik {
namespace {

// The values of one settings file, read once; each key with its table
// default for a missing or empty value.
class StoredValues {
public:
    explicit StoredValues(std::vector<std::string> texts) : m_texts(std::move(texts)) {
        m_texts.resize(kSettingKeys.size());
    }

    [[nodiscard]] std::string text(std::string_view key) const {
        const std::size_t i = settingKeyIndex(key);
        if (i == kSettingKeys.size()) {
            return {};
        }
        return m_texts[i].empty() ? std::string(kSettingKeys[i].defaultValue) : m_texts[i];
    }

    // A main window value: the control keeps its design-time value (the
    // key's default) when the stored one cannot apply.
    [[nodiscard]] int control(std::string_view key) const {
        return applicableInteger(key, text(key)).value_or(defaultInteger(key));
    }

    // A watermark number (and "FirstRun"): one that cannot be converted stays
    // 0, not the key's default.
    [[nodiscard]] std::int16_t integerOrZero(std::string_view key) const {
        return toInteger16(text(key)).value_or(0);
    }
    [[nodiscard]] Fixed4 fixedOrZero(std::string_view key) const {
        return toFixed4(text(key)).value_or(Fixed4());
    }
    [[nodiscard]] double doubleOrZero(std::string_view key) const {
        return toDouble(text(key)).value_or(0.0);
    }

private:
    std::vector<std::string> m_texts;  // in the key table's order; empty when not stored
};

WatermarkSettings watermarkFrom(const StoredValues& stored) {
    WatermarkSettings w;
    w.hAlign = HorizontalAlignment{stored.integerOrZero("HPosN")};
    w.vAlign = VerticalAlignment{stored.integerOrZero("VPosN")};
    w.angleMode = WatermarkAngleMode{stored.integerOrZero("AngleN")};
    w.angle = stored.fixedOrZero("Angle");
    w.opacity = stored.fixedOrZero("Alpha");
    w.size = stored.integerOrZero("WSize");
    w.hPos = stored.doubleOrZero("HPos");
    w.vPos = stored.doubleOrZero("VPos");
    w.color = WatermarkColour{stored.integerOrZero("Color")};
    std::string text = stored.text("Info");
    if (text.empty()) {
        text = std::string(kDefaultWatermarkNotice);
    }
    w.text = DecodeMarkers(text);
    w.lineBreaks = countWatermarkLineBreaks(w.text);
    return w;
}

std::string decimal(double v) {
    return std::to_string(static_cast<long long>(std::nearbyint(v)));
}

std::string flag(bool on) {
    return on ? "1" : "0";
}

// The designer's keys in the order it stores them: numbers as whole
// decimals (the sliders' values), the text in stored form.
std::vector<IniEntry> watermarkEntries(const WatermarkSettings& design) {
    std::string text = design.text;
    EncodeMarkers(text);
    return {
        {"Angle", std::to_string(design.angle.round())},
        {"Alpha", std::to_string(design.opacity.round())},
        {"WSize", std::to_string(design.size)},
        {"HPos", decimal(design.hPos)},
        {"VPos", decimal(design.vPos)},
        {"Info", text},
        {"Color", std::to_string(storedNumber(design.color))},
        {"HPosN", std::to_string(storedNumber(design.hAlign))},
        {"VPosN", std::to_string(storedNumber(design.vAlign))},
        {"AngleN", std::to_string(storedNumber(design.angleMode))},
    };
}

// The main window's keys in the order it stores them; "optTag" only when
// one of its two options is chosen.
std::vector<IniEntry> mainWindowEntries(const Settings& s) {
    std::vector<IniEntry> entries = {
        {"Quelle", s.sourceFolder},
        {"LastSavePath", s.targetFolder},
        {"Quality", std::to_string(s.quality)},
        {"Size", std::to_string(s.sizeIndex)},
        {"SamePath", flag(s.samePath)},
        {"Tag", s.tag},
        {"PreTags", std::to_string(s.preTags)},
        {"OrigSize", flag(s.origSize)},
        {"manH", s.manH},
        {"manW", s.manW},
    };
    if (s.optTag == 1 || s.optTag == 2) {
        entries.push_back({"optTag", std::to_string(s.optTag)});
    }
    entries.push_back({"chkAnfang", flag(s.tagAtStart)});
    return entries;
}

// The keys after the first twelve, which the window stores only once they
// say something (saveMainWindowSettings).
std::vector<IniEntry> laterEntries(const Settings& s) {
    return {
        {"Metadaten", std::to_string(s.metadata)},
        {"NoEnlarge", flag(s.noEnlarge)},
        {"MaxSize", std::to_string(s.maxSizeKB)},
        {"Kompression", flag(s.strongCompression)},
        {"DatumBehalten", flag(s.keepDates)},
        {"NieGroesser", flag(s.neverLarger)},
        {"Verlustfrei", flag(s.lossless)},
        {"Format", std::to_string(s.format)},
        {"Wasserzeichen", flag(s.watermarkOn)},
        {"Abtastung", std::to_string(s.samplingChoice)},
        {"HochWieQuer", flag(s.turnBox)},
        {"Unterordner", flag(s.subfolders)},
    };
}

}  // namespace

WatermarkSettings Settings::defaultWatermarkDesign() {
    return watermarkFrom(StoredValues({}));
}

std::vector<std::string> settingTexts(const Settings& s) {
    std::vector<std::string> texts(kSettingKeys.size());
    const auto put = [&texts](const std::vector<IniEntry>& entries) {
        for (const IniEntry& e : entries) {
            if (const std::size_t i = settingKeyIndex(e.key); i < texts.size()) {
                texts[i] = e.value;
            }
        }
    };
    put(mainWindowEntries(s));
    put(laterEntries(s));
    put(watermarkEntries(s.watermark));
    put({{"FirstRun", std::to_string(s.firstRun)}});
    return texts;
}

Settings settingsFromTexts(std::vector<std::string> texts) {
    const StoredValues stored(std::move(texts));
    Settings s;
    s.sourceFolder = stored.text("Quelle");
    s.targetFolder = stored.text("LastSavePath");
    s.firstRun = stored.integerOrZero("FirstRun");  // a flag that cannot be read stays 0
    s.preTags = stored.control("PreTags");
    // Only the main window's two option buttons exist; another digit leaves
    // the design-time choice.
    if (const std::string optTag = stored.text("optTag"); optTag == "1" || optTag == "2") {
        s.optTag = optTag[0] - '0';
    }
    s.tagAtStart = stored.control("chkAnfang") != 0;
    s.metadata = stored.control("Metadaten");
    s.origSize = stored.text("OrigSize") != "0";
    s.manH = stored.text("manH");
    s.manW = stored.text("manW");
    s.quality = stored.control("Quality");
    s.sizeIndex = stored.control("Size");
    s.samePath = stored.control("SamePath") != 0;
    s.tag = stored.text("Tag");
    s.noEnlarge = stored.control("NoEnlarge") != 0;
    s.maxSizeKB = stored.control("MaxSize");
    s.strongCompression = stored.control("Kompression") != 0;
    s.keepDates = stored.control("DatumBehalten") != 0;
    s.neverLarger = stored.control("NieGroesser") != 0;
    s.lossless = stored.control("Verlustfrei") != 0;
    s.format = stored.control("Format");
    s.watermarkOn = stored.control("Wasserzeichen") != 0;
    s.samplingChoice = stored.control("Abtastung");
    s.turnBox = stored.control("HochWieQuer") != 0;
    s.subfolders = stored.control("Unterordner") != 0;
    s.watermark = watermarkFrom(stored);
    return s;
}

Settings loadSettings(const std::string& settingsFile) {
    return loadSettings(settingsFile.empty() ? IniDocument() : readIniFile(settingsFile));
}

Settings loadSettings(const IniDocument& document) {
    return settingsFromTexts(storedSettingTexts(document));
}

bool saveMainWindowSettings(const Settings& s, const std::string& settingsFile) {
    std::vector<IniEntry> entries = mainWindowEntries(s);
    // The later keys go in only when they say something other than their
    // default, or to change one stored before: a file whose user never chose
    // them keeps the window's first twelve keys only, so it does not fill up
    // with defaults. The file is read once for all of them.
    const IniDocument stored = readIniFile(settingsFile);
    for (IniEntry& e : laterEntries(s)) {
        if (e.value != settingDefault(e.key) ||
            !iniValue(stored, SettingsSection, e.key, "").empty()) {
            entries.push_back(std::move(e));
        }
    }
    return WriteIniValues(SettingsSection, entries, settingsFile);
}

bool saveWatermarkSettings(const WatermarkSettings& design, const std::string& settingsFile) {
    return WriteIniValues(SettingsSection, watermarkEntries(design), settingsFile);
}

bool saveFirstRunDone(const std::string& settingsFile) {
    if (settingsFile.empty()) {
        return false;
    }
    std::string folder = ParentPath(settingsFile);
    return MakePath(folder) && WriteIniValue(SettingsSection, "FirstRun", "0", settingsFile);
}

}  // namespace vendrik
