#pragma once
// Every key of the settings file with its stored form and default, and the
// conversions start-up applies when it reads them.

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

struct SettingKey {
    std::string_view name;
    SettingKind kind;
    std::string_view defaultValue;  // as stored; applies to a missing or empty value
};

// In the order of the settings reference: the main window's keys, the start
// flag, then the watermark's keys.
inline constexpr std::array<SettingKey, 23> kSettingKeys = {{
    {"Quelle", SettingKind::Text, ""},
    {"LastSavePath", SettingKind::Text, ""},
    {"FirstRun", SettingKind::Integer, "1"},
    {"PreTags", SettingKind::Integer, "5"},
    {"optTag", SettingKind::Text, "1"},
    {"chkAnfang", SettingKind::Integer, "0"},
    {"OrigSize", SettingKind::Text, "0"},
    {"manH", SettingKind::Text, ""},
    {"manW", SettingKind::Text, ""},
    {"Quality", SettingKind::Integer, "80"},
    {"Size", SettingKind::Integer, "5"},
    {"SamePath", SettingKind::Integer, "1"},
    {"Tag", SettingKind::Text, ""},
    {"HPosN", SettingKind::Integer, "1"},
    {"VPosN", SettingKind::Integer, "1"},
    {"AngleN", SettingKind::Integer, "1"},
    {"Angle", SettingKind::Fixed, "40"},
    {"Alpha", SettingKind::Fixed, "45"},
    {"WSize", SettingKind::Integer, "38"},
    {"HPos", SettingKind::Double, "160"},
    {"VPos", SettingKind::Double, "120"},
    {"Color", SettingKind::Integer, "1"},
    {"Info", SettingKind::Text, ""},
}};
static_assert(kSettingKeys.size() == 23, "the settings file holds 23 keys");

// The key of that name (exact spelling), or nullptr.
[[nodiscard]] const SettingKey* findSettingKey(std::string_view name);

// The stored default of a key of the table; empty for an unknown name.
[[nodiscard]] std::string_view settingDefault(std::string_view name);

// The stored default of an integer key, converted; 0 for other names.
[[nodiscard]] std::int16_t defaultInteger(std::string_view name);

// The leading decimal number of a text: blanks and tabs skipped, an optional
// sign, digits with an optional "." and fraction, an optional exponent.
// Reading stops at the first other character ("95abc" gives 95); a text
// without a leading number gives 0. Nothing when the number overflows a
// double. The decimal separator is always ".", whatever the locale.
[[nodiscard]] std::optional<double> leadingNumber(std::string_view text);

// The leading number rounded to the nearest integer, ties to even ("2.5"
// gives 2, "3.5" gives 4); nothing when that lies outside the 16-bit range.
[[nodiscard]] std::optional<std::int16_t> toInteger16(std::string_view text);

// The leading number to four decimals; nothing beyond Fixed4's range.
[[nodiscard]] std::optional<Fixed4> toFixed4(std::string_view text);

// The leading number as a double; nothing on overflow.
[[nodiscard]] std::optional<double> toDouble(std::string_view text);

}  // namespace vendrik
