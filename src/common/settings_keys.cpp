#include "common/settings_keys.h"

#include <cmath>
#include <limits>

#include "common/number_text.h"

namespace vendrik {
namespace {

// The leading number of a stored value: no number reads as 0; nothing when
// it overflows a double.
std::optional<double> settingNumber(std::string_view text) {
    const LeadingNumber n = leadingNumber(text, kSettingNumberSyntax);
    if (n.scan == NumberScan::Overflow) {
        return std::nullopt;
    }
    return n.value;
}

}  // namespace

const SettingKey* findSettingKey(std::string_view name) noexcept {
    for (const SettingKey& k : kSettingKeys) {
        if (k.name == name) {
            return &k;
        }
    }
    return nullptr;
}

std::size_t settingKeyIndex(std::string_view name) noexcept {
    const SettingKey* k = findSettingKey(name);
    return k == nullptr ? kSettingKeys.size() : static_cast<std::size_t>(k - kSettingKeys.data());
}

std::string_view settingDefault(std::string_view name) {
    const SettingKey* k = findSettingKey(name);
    return k == nullptr ? std::string_view() : k->defaultValue;
}

std::int16_t defaultInteger(std::string_view name) {
    return toInteger16(settingDefault(name)).value_or(0);
}

std::optional<std::int16_t> toInteger16(std::string_view text) {
    const auto v = settingNumber(text);
    if (!v) {
        return std::nullopt;
    }
    const double r = std::nearbyint(*v);
    if (r < std::numeric_limits<std::int16_t>::min() ||
        r > std::numeric_limits<std::int16_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(r);
}

std::optional<Fixed4> toFixed4(std::string_view text) {
    const auto v = settingNumber(text);
    return v ? Fixed4::fromDouble(*v) : std::nullopt;
}

std::optional<double> toDouble(std::string_view text) {
    return settingNumber(text);
}

std::optional<std::int16_t> applicableInteger(std::string_view name, std::string_view text) {
    const SettingKey* k = findSettingKey(name);
    const auto v = toInteger16(text);
    if (k == nullptr || !v || *v < k->min || *v > k->max) {
        return std::nullopt;
    }
    return v;
}

}  // namespace vendrik
