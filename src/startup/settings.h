#pragma once
// The settings as one value: the main window's keys, start-up's
// "FirstRun" and the watermark design, read from the settings file in one
// pass and written back in the orders the windows store them.
//
// For the windows:
//   const std::string file = locateSettingsFile();      // settings_file.h
//   Settings s = loadSettings(file);                    // once, at start-up
//   ... the controls show and change `s` ...
//   saveMainWindowSettings(s, file);                    // main window unload
//   saveWatermarkSettings(s.watermark, file);           // designer "ÜBERNEHMEN"
// Start-up (start_up.h) does the loading and resolves the two folders.

#include <string>
#include <vector>

#include "common/settings_keys.h"
#include "startup/ini_document.h"
#include "watermark/watermark_settings.h"

namespace vendrik {

// Every member starts at its key's default (the key table). A stored value
// that cannot be applied (outside the 16-bit range, beyond its list, outside
// the quality slider's range, an option that does not exist) leaves a main
// window value at that default, the control's design-time value, and a
// watermark number at 0.
struct Settings {
    // The main window's keys, in the order it stores them.
    std::string sourceFolder;  // "Quelle": the file list's folder
    std::string targetFolder;  // "LastSavePath": txtPath(2)
    int quality = settingDefaultWhole("Quality");  // HScroll1, 40..95
    int sizeIndex = settingDefaultWhole("Size");   // cboSizes list index
    bool samePath = settingDefaultWhole("SamePath") != 0;  // chkSamePath
    std::string tag;                               // "Tag": txtTag
    int preTags = settingDefaultWhole("PreTags");  // cboPreTags list index
    bool origSize = settingDefaultWhole("OrigSize") != 0;  // Check1, ticked unless "0"
    std::string manH;                              // txtSizeH
    std::string manW;                              // txtSizeW
    // optName: 1 the tag list, 2 the own tag; 0 (neither chosen) leaves the
    // stored key unchanged when saved.
    int optTag = settingDefaultWhole("optTag");
    bool tagAtStart = settingDefaultWhole("chkAnfang") != 0;  // chkAnfang "am Anfang"
    // "Metadaten": 0 strip, 1 keep, 2 keep without location (MetadataChoice).
    int metadata = settingDefaultWhole("Metadaten");
    // "nicht vergrößern" and "höchstens N KB" (0: no limit).
    bool noEnlarge = settingDefaultWhole("NoEnlarge") != 0;
    int maxSizeKB = settingDefaultWhole("MaxSize");
    // "Kompression": "kleinere Dateien (langsamer)", the strong compression.
    bool strongCompression = settingDefaultWhole("Kompression") != 0;
    // "Dateidatum beibehalten": outputs take their sources' modification time.
    bool keepDates = settingDefaultWhole("DatumBehalten") != 0;
    // "nie größer als die Quelle": a source smaller than its output is taken.
    bool neverLarger = settingDefaultWhole("NieGroesser") != 0;
    // "nur verlustfrei": JPEG sources rewritten without decoding their pixels.
    bool lossless = settingDefaultWhole("Verlustfrei") != 0;
    // "Format": 0 JPEG, 1 WebP, 2 AVIF (OutputFormatId).
    int format = settingDefaultWhole("Format");
    // "Wasserzeichen": "einblenden", the watermark on the window's runs (the
    // command line takes --watermark instead).
    bool watermarkOn = settingDefaultWhole("Wasserzeichen") != 0;
    // "Abtastung": the window's sampling option chosen by hand; 0 none (the
    // quality slider's rule), 1 "beste Qualität", 2 "höhere Geschwindigkeit".
    int samplingChoice = settingDefaultWhole("Abtastung");
    // "HochWieQuer": "Hochformat wie Querformat", the box turned to each
    // picture's orientation.
    bool turnBox = settingDefaultWhole("HochWieQuer") != 0;
    // "mit Unterordnern": the file list shows the source folder's tree.
    bool subfolders = settingDefaultWhole("Unterordner") != 0;

    // "FirstRun" as stored (1 on the very first start).
    int firstRun = settingDefaultWhole("FirstRun");

    // The ten designer keys; the text in display form with its line breaks
    // counted. An empty stored text reads as the default notice.
    WatermarkSettings watermark = defaultWatermarkDesign();

    // The design of a settings file without watermark keys: the key table's
    // values and the default notice as text.
    [[nodiscard]] static WatermarkSettings defaultWatermarkDesign();
};

// Reads every key from the file, parsing it once. A missing or unreadable
// file, and an empty path, give the defaults.
[[nodiscard]] Settings loadSettings(const std::string& settingsFile);

// The same from a settings file already read (readSettingsFile), for a caller
// that also wants to know what became of the file.
[[nodiscard]] Settings loadSettings(const IniDocument& document);

// Every key of the key table in its stored form, in the table's order, as
// the windows would store `settings` ("optTag" empty when neither option is
// chosen). settingsFromTexts reads them back to the same values.
[[nodiscard]] std::vector<std::string> settingTexts(const Settings& settings);

// The settings from stored texts in the key table's order (as
// storedSettingTexts gives them; missing ones count as empty), by the same
// rules as a settings file: an empty text is the key's default, one that
// cannot apply leaves the control's default (or 0 for a watermark number).
[[nodiscard]] Settings settingsFromTexts(std::vector<std::string> texts);

// What the main window stores when it unloads, in one replacement of the
// file, in the order "Quelle", "LastSavePath", "Quality", "Size", "SamePath",
// "Tag", "PreTags", "OrigSize", "manH", "manW", "optTag", "chkAnfang",
// then "Metadaten", "NoEnlarge", "MaxSize", "Kompression", "DatumBehalten",
// "NieGroesser", "Verlustfrei", "Format", "Wasserzeichen", "Abtastung",
// "HochWieQuer" and "Unterordner" when they differ from their defaults or the
// file has them already.
// False when the file could not be written (the values are then lost, as the
// windows accept).
bool saveMainWindowSettings(const Settings& settings, const std::string& settingsFile);

// What the watermark designer stores on "ÜBERNEHMEN", in the order "Angle",
// "Alpha", "WSize", "HPos", "VPos", "Info", "Color", "HPosN", "VPosN",
// "AngleN": numbers as whole decimals (the sliders' values), the text in
// stored form.
bool saveWatermarkSettings(const WatermarkSettings& design, const std::string& settingsFile);

// Start-up's "FirstRun" = "0", creating the file's folder when needed (a
// file in the config folder may not have one yet).
bool saveFirstRunDone(const std::string& settingsFile);

}  // namespace vendrik
