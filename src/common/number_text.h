#pragma once
// Numbers read from text: the leading number of a stored setting, an own
// size typed into a field or an EXIF display text, and a whole number given
// as an option. One scanner serves them all; what each accepts is a syntax.

#include <optional>
#include <string_view>

namespace vendrik {

// What may stand before and inside a leading number. Digits with an
// optional "." and fraction are always read.
struct NumberSyntax {
    bool skipBlanks = false;  // leading blanks and tabs
    bool sign = false;        // an optional "+" or "-"
    bool exponent = false;    // "e5", "E-3" when digits follow
    // A decimal separator besides "." ("," for a German EXIF text).
    std::string_view separator;
};

// The settings file's numbers: blanks, a sign, a fraction and an exponent.
inline constexpr NumberSyntax kSettingNumberSyntax{true, true, true, {}};
// An own size typed into the size fields: digits and a fraction only.
inline constexpr NumberSyntax kPlainNumberSyntax{};

enum class NumberScan {
    Read,       // a number was read
    NoDigits,   // the text does not begin with a number
    Overflow,   // the number is beyond a double
};

struct LeadingNumber {
    NumberScan scan = NumberScan::NoDigits;
    double value = 0;  // 0 unless Read
};

// The number a text begins with; reading stops at the first character the
// syntax does not allow ("95abc" reads 95, "1.2.3" reads 1.2). The value is
// the correctly rounded double of the digits read, whatever the locale.
[[nodiscard]] LeadingNumber leadingNumber(std::string_view text, const NumberSyntax& syntax);

// The whole text as a whole number: an optional "-" and decimal digits,
// nothing else (no blanks, no "+"). Nothing when it is not one or lies
// outside [lo, hi].
[[nodiscard]] std::optional<int> wholeNumber(std::string_view text, int lo, int hi) noexcept;

// The whole text as a decimal number ("12", "0.5", "-3.25") within [lo, hi].
[[nodiscard]] std::optional<double> decimalNumber(std::string_view text, double lo,
                                                  double hi) noexcept;

}  // namespace vendrik
