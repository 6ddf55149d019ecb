#pragma once
// Every key of the settings file with its stored form and default, and the
// conversions start-up applies when it reads them. The table is the one
// place that holds the defaults: every in-memory default of a stored value
// (the watermark design, the main window's choices, the presets' starting
// points) is taken from it, at compile time where it is a number.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "common/fixed4.h"

namespace vendrik {

enum class SettingKind {
    Text,     // used as stored
    Integer,  // 16-bit integer from the leading number, rounded, ties to even
    Fixed,    // Fixed4 from the leading number
    Double,   // double from the leading number
};

// Who applies a key at start-up, which decides what a stored value that
// cannot apply leaves behind.
enum class SettingOwner {
    MainWindow,  // a control: keeps its design-time value (the key's default)
    StartUp,     // "FirstRun": the flag stays 0
    Watermark,   // a watermark field: stays 0
};

inline constexpr std::int16_t kInt16Min = -32768;
inline constexpr std::int16_t kInt16Max = 32767;

struct SettingKey {
    std::string_view name;
    SettingKind kind;
    std::string_view defaultValue;  // as stored; applies to a missing or empty value
    SettingOwner owner;
    // For integers, the values the control accepts: the quality slider's
    // range, the lengths of the size and tag lists, a check box's 0 and 1.
    std::int16_t min = kInt16Min;
    std::int16_t max = kInt16Max;
};

// In the order the keys are written: the main window's keys (the metadata
// choice, written only once chosen, after them), the start flag, the
// watermark's keys; then the main window's keys for sizes, compression,
// outputs and the output format, the watermark switch, the sampling, the
// box's turn and the folder tree, also written only once chosen. The
// window's keys are those owned by MainWindow, twenty-four in all.
inline constexpr std::array<SettingKey, 35> kSettingKeys = {{
    {"Quelle", SettingKind::Text, "", SettingOwner::MainWindow},
    {"LastSavePath", SettingKind::Text, "", SettingOwner::MainWindow},
    {"FirstRun", SettingKind::Integer, "1", SettingOwner::StartUp},
    {"PreTags", SettingKind::Integer, "5", SettingOwner::MainWindow, 0, 6},  // 7 tags
    {"optTag", SettingKind::Text, "1", SettingOwner::MainWindow},
    {"chkAnfang", SettingKind::Integer, "0", SettingOwner::MainWindow, 0, 1},
    {"OrigSize", SettingKind::Text, "0", SettingOwner::MainWindow},
    {"manH", SettingKind::Text, "", SettingOwner::MainWindow},
    {"manW", SettingKind::Text, "", SettingOwner::MainWindow},
    {"Quality", SettingKind::Integer, "80", SettingOwner::MainWindow, 40, 95},  // the slider
    {"Size", SettingKind::Integer, "5", SettingOwner::MainWindow, 0, 10},  // 11 presets
    {"SamePath", SettingKind::Integer, "1", SettingOwner::MainWindow, 0, 1},
    {"Tag", SettingKind::Text, "", SettingOwner::MainWindow},
    // The metadata choice: 0 "entfernen", 1 "behalten", 2 "behalten ohne GPS".
    {"Metadaten", SettingKind::Integer, "0", SettingOwner::MainWindow, 0, 2},
    {"HPosN", SettingKind::Integer, "1", SettingOwner::Watermark},
    {"VPosN", SettingKind::Integer, "1", SettingOwner::Watermark},
    {"AngleN", SettingKind::Integer, "1", SettingOwner::Watermark},
    {"Angle", SettingKind::Fixed, "40", SettingOwner::Watermark},
    {"Alpha", SettingKind::Fixed, "45", SettingOwner::Watermark},
    {"WSize", SettingKind::Integer, "38", SettingOwner::Watermark},
    {"HPos", SettingKind::Double, "160", SettingOwner::Watermark},
    {"VPos", SettingKind::Double, "120", SettingOwner::Watermark},
    {"Color", SettingKind::Integer, "1", SettingOwner::Watermark},
    {"Info", SettingKind::Text, "", SettingOwner::Watermark},
    // "nicht vergrößern": pictures smaller than the box keep their size.
    {"NoEnlarge", SettingKind::Integer, "0", SettingOwner::MainWindow, 0, 1},
    // "höchstens N KB": the largest output in KB (1024 bytes); 0 for none.
    {"MaxSize", SettingKind::Integer, "0", SettingOwner::MainWindow, 0, kInt16Max},
    // "kleinere Dateien (langsamer)": 0 the standard encoder, 1 the strong
    // compression.
    {"Kompression", SettingKind::Integer, "0", SettingOwner::MainWindow, 0, 1},
    // "Dateidatum beibehalten": outputs take their sources' modification time.
    {"DatumBehalten", SettingKind::Integer, "0", SettingOwner::MainWindow, 0, 1},
    // "nie größer als die Quelle": a source smaller than its output is taken.
    {"NieGroesser", SettingKind::Integer, "0", SettingOwner::MainWindow, 0, 1},
    // "nur verlustfrei": JPEG sources rewritten without decoding their pixels.
    {"Verlustfrei", SettingKind::Integer, "0", SettingOwner::MainWindow, 0, 1},
    // The output format: 0 JPEG, 1 WebP, 2 AVIF (OutputFormatId).
    {"Format", SettingKind::Integer, "0", SettingOwner::MainWindow, 0, 2},
    // "einblenden": the watermark goes onto the window's runs.
    {"Wasserzeichen", SettingKind::Integer, "0", SettingOwner::MainWindow, 0, 1},
    // The sampling option: 0 by the quality slider's rule, 1 "beste
    // Qualität" and 2 "höhere Geschwindigkeit" chosen by hand.
    {"Abtastung", SettingKind::Integer, "0", SettingOwner::MainWindow, 0, 2},
    // "Hochformat wie Querformat": the box turned to each picture's
    // orientation.
    {"HochWieQuer", SettingKind::Integer, "0", SettingOwner::MainWindow, 0, 1},
    // "mit Unterordnern": the file list shows the source folder's tree.
    {"Unterordner", SettingKind::Integer, "0", SettingOwner::MainWindow, 0, 1},
}};
static_assert(kSettingKeys.size() == 35,
              "the main window's 24 keys, the start flag and the designer's 10 keys");

// The key of that name (exact spelling), or nullptr.
[[nodiscard]] const SettingKey* findSettingKey(std::string_view name) noexcept;

// Its place in kSettingKeys, for values kept in the table's order;
// kSettingKeys.size() for a name not in it.
[[nodiscard]] std::size_t settingKeyIndex(std::string_view name) noexcept;

// The key of that name, by value, for constant expressions; a name not in
// the table does not compile there. GCC's null-pointer sanitizer rejects
// pointers into the table in constant expressions, hence the copy.
[[nodiscard]] consteval SettingKey settingKey(std::string_view name) {
    for (std::size_t i = 0; i < kSettingKeys.size(); ++i) {
        if (kSettingKeys[i].name == name) {
            return kSettingKeys[i];
        }
    }
    throw "not a key of the settings table";
}

// The default of a key as a whole number, for in-memory defaults:
// `int quality = settingDefaultWhole("Quality");`. Numeric defaults (and
// those of "optTag" and "OrigSize") are plain digits; an unknown key or a
// default that is not does not compile.
[[nodiscard]] consteval int settingDefaultWhole(std::string_view name) {
    const std::string_view text = settingKey(name).defaultValue;
    if (text.empty()) {
        throw "the key has no numeric default";
    }
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            throw "a numeric default must be plain digits";
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

// The stored default of a key of the table; empty for an unknown name.
[[nodiscard]] std::string_view settingDefault(std::string_view name);

// The stored default of an integer key, converted; 0 for other names.
[[nodiscard]] std::int16_t defaultInteger(std::string_view name);

// The leading number (kSettingNumberSyntax: blanks, sign, fraction, exponent;
// "95abc" gives 95, no number gives 0) rounded to the nearest integer, ties to even ("2.5"
// gives 2, "3.5" gives 4); nothing when that lies outside the 16-bit range.
[[nodiscard]] std::optional<std::int16_t> toInteger16(std::string_view text);

// The leading number to four decimals; nothing beyond Fixed4's range.
[[nodiscard]] std::optional<Fixed4> toFixed4(std::string_view text);

// The leading number as a double; nothing on overflow.
[[nodiscard]] std::optional<double> toDouble(std::string_view text);

// An integer key's stored text as its control takes it: toInteger16, then
// inside the key's range; nothing when it cannot apply.
[[nodiscard]] std::optional<std::int16_t> applicableInteger(std::string_view name,
                                                            std::string_view text);

}  // namespace vendrik
