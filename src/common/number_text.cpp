#include "common/number_text.h"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>

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

LeadingNumber leadingNumber(std::string_view text, const NumberSyntax& syntax) {
    std::size_t i = 0;
    if (syntax.skipBlanks) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
            ++i;
        }
    }
    bool negative = false;
    if (syntax.sign && i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // The digits are copied in the "C" locale's spelling, so that strtod
    // reads them alike under any locale.
    std::string number;
    const std::size_t whole = i;
    i = skipDigits(text, i);
    number.append(text.substr(whole, i - whole));
    std::size_t digits = i - whole;
    std::size_t separatorLength = 0;
    if (i < text.size() && text[i] == '.') {
        separatorLength = 1;
    } else if (!syntax.separator.empty() && text.substr(i, syntax.separator.size()) == syntax.separator) {
        separatorLength = syntax.separator.size();
    }
    if (separatorLength > 0) {
        const std::size_t fraction = i + separatorLength;
        i = skipDigits(text, fraction);
        number += '.';
        number.append(text.substr(fraction, i - fraction));
        digits += i - fraction;
    }
    if (digits == 0) {
        return {};
    }
    // An exponent counts only when digits follow it: "5e" is 5.
    if (syntax.exponent && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            ++j;
        }
        if (j < text.size() && isDigit(text[j])) {
            number.append(text.substr(i, skipDigits(text, j) - i));
        }
    }
    static const locale_t cLocale = ::newlocale(LC_ALL_MASK, "C", nullptr);
    errno = 0;
    const double value = ::strtod_l(number.c_str(), nullptr, cLocale);
    if (errno == ERANGE && std::fabs(value) >= 1.0) {
        return {NumberScan::Overflow, 0};  // an underflow reads as the tiny value it is
    }
    return {NumberScan::Read, negative ? -value : value};
}

namespace {

// The whole text as a number of type T in [lo, hi], by std::from_chars.
template <typename T>
std::optional<T> wholeTextAs(std::string_view text, T lo, T hi) noexcept {
    T value{};
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || !(value >= lo && value <= hi)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<int> wholeNumber(std::string_view text, int lo, int hi) noexcept {
    return wholeTextAs(text, lo, hi);
}

std::optional<double> decimalNumber(std::string_view text, double lo, double hi) noexcept {
    return wholeTextAs(text, lo, hi);
}

}  // namespace vendrik
