#include "startup/settings_keys.h"

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cmath>
#include <limits>
#include <string>

namespace vendrik {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t skipDigits(std::string_view s, std::size_t i) {
    while (i < s.size() && isDigit(s[i])) {
        ++i;
    }
    return i;
}

}  // namespace

const SettingKey* findSettingKey(std::string_view name) {
    for (const SettingKey& k : kSettingKeys) {
        if (k.name == name) {
            return &k;
        }
    }
    return nullptr;
}

std::string_view settingDefault(std::string_view name) {
    const SettingKey* k = findSettingKey(name);
    return k == nullptr ? std::string_view() : k->defaultValue;
}

std::int16_t defaultInteger(std::string_view name) {
    return toInteger16(settingDefault(name)).value_or(0);
}

std::optional<double> settingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t start = i;
    i = skipDigits(text, i);
    std::size_t digits = i - start;
    if (i < text.size() && text[i] == '.') {
        const std::size_t fraction = i + 1;
        i = skipDigits(text, fraction);
        digits += i - fraction;
    }
    if (digits == 0) {
        return 0.0;
    }
    // An exponent counts only when digits follow it: "5e" is 5.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            ++j;
        }
        if (j < text.size() && isDigit(text[j])) {
            i = skipDigits(text, j);
        }
    }
    // strtod in the "C" locale: the windows program runs under the user's
    // locale, where the decimal separator may be ",".
    static const locale_t cLocale = ::newlocale(LC_ALL_MASK, "C", nullptr);
    const std::string number(text.substr(start, i - start));
    errno = 0;
    const double value = ::strtod_l(number.c_str(), nullptr, cLocale);
    if (errno == ERANGE && std::fabs(value) >= 1.0) {
        return std::nullopt;  // overflow; an underflow reads as the tiny value it is
    }
    return negative ? -value : value;
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
