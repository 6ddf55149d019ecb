#pragma once
// The settings as the program uses them: the main window's values and the
// watermark's, read from the settings file with the conversions of the key
// table, and written back in the order the windows store them.

#include <cstdint>
#include <optional>
#include <string>

#include "watermark/watermark_settings.h"

namespace vendrik {

// The stored values for the main window's controls. An empty optional means
// the stored value cannot be applied (outside the 16-bit range, beyond its
// list, outside the slider's range, an option that does not exist): the
// control keeps its design-time value.
struct MainWindowSettings {
    std::optional<std::int16_t> preTags;    // "PreTags": cboPreTags list index
    std::optional<std::int16_t> optTag;     // "optTag": optName element, 1 or 2
    std::optional<std::int16_t> chkAnfang;  // "chkAnfang": 0 or 1
    bool origSize = false;                  // "OrigSize": Check1 ticked unless "0"
    std::string manH;                       // "manH": txtSizeH
    std::string manW;                       // "manW": txtSizeW
    std::optional<std::int16_t> quality;    // "Quality": HScroll1, 40..95
    std::optional<std::int16_t> size;       // "Size": cboSizes list index
    std::optional<std::int16_t> samePath;   // "SamePath": 0 or 1
    std::string tag;                        // "Tag": txtTag
};

// Reads the main window's keys (not the two folders, which start-up resolves
// with their fallbacks).
[[nodiscard]] MainWindowSettings readMainWindowSettings(const std::string& settingsFile);

// Reads the watermark keys as start-up does: a value outside its type's
// range leaves the field at 0; an empty "Info" becomes the default notice;
// the text is decoded and its line breaks counted.
[[nodiscard]] WatermarkSettings readWatermarkSettings(const std::string& settingsFile);

// What the main window stores when it unloads, in its order. `optTag` 0
// (neither option chosen) leaves the key unchanged.
struct MainWindowState {
    std::string sourceFolder;  // "Quelle"
    std::string targetFolder;  // "LastSavePath"
    int quality = 80;
    int sizeIndex = 5;
    int samePath = 1;
    std::string tag;
    int preTags = 5;
    int origSize = 0;
    std::string manH;
    std::string manW;
    int optTag = 1;
    int chkAnfang = 0;
};
bool writeMainWindowSettings(const MainWindowState& state, const std::string& settingsFile);

// What the watermark designer stores on "ÜBERNEHMEN", in its order; the
// sliders' values are written as integers and the text in stored form.
bool writeWatermarkSettings(const WatermarkSettings& settings, const std::string& settingsFile);

}  // namespace vendrik
