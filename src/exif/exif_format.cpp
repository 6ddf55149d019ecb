#include "exif/exif_format.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <system_error>

#include "common/cp1252.h"
#include "common/utf8.h"

namespace vendrik {

std::string formatDecimal(double value, int decimals, std::string_view separator) {
    if (!std::isfinite(value)) {
        return {};
    }
    decimals = decimals < 0 ? 0 : (decimals > 15 ? 15 : decimals);
    // 15 significant digits: "d.dddddddddddddde±x..."; locale-independent.
    char buf[40];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value),
                                   std::chars_format::scientific, 14);
    if (res.ec != std::errc{}) {
        return {};
    }
    std::string digits(1, buf[0]);
    digits.append(buf + 2, buf + 16);
    int exponent = 0;
    std::from_chars(buf + 17 + (buf[17] == '+' ? 1 : 0), res.ptr, exponent);

    // The number is digits[0, point) "." digits[point, ...).
    int point = exponent + 1;
    if (point < 1) {
        digits.insert(0, static_cast<std::size_t>(1 - point), '0');
        point = 1;
    }
    const std::size_t keep = static_cast<std::size_t>(point + decimals);
    if (digits.size() < keep + 1) {
        digits.resize(keep + 1, '0');
    }
    const bool roundUp = digits[keep] >= '5';
    digits.resize(keep);
    if (roundUp) {
        std::size_t i = keep;
        while (i > 0 && digits[i - 1] == '9') {
            digits[--i] = '0';
        }
        if (i == 0) {
            digits.insert(0, 1, '1');
            ++point;
        } else {
            ++digits[i - 1];
        }
    }
    std::size_t firstWhole = 0;
    while (firstWhole + 1 < static_cast<std::size_t>(point) && digits[firstWhole] == '0') {
        ++firstWhole;
    }
    const bool zero = digits.find_first_not_of('0') == std::string::npos;
    std::string out = (value < 0 && !zero) ? "-" : "";
    out.append(digits, firstWhole, static_cast<std::size_t>(point) - firstWhole);
    if (decimals > 0) {
        out.append(separator);
        out.append(digits, static_cast<std::size_t>(point), std::string::npos);
    }
    return out;
}

std::string exifBytesToText(ExifBytes bytes) {
    // A few bytes beyond the limit so that a character cut by it is still
    // recognised as UTF-8; limitDisplay drops it afterwards.
    constexpr std::size_t kTake = kDisplayLimit + 4;
    std::string raw;
    raw.reserve(bytes.size() < kTake ? bytes.size() : kTake);
    // Copied in runs between zero bytes: a byte-by-byte copy costs too much
    // for a click in the file list once the sanitizers instrument it.
    for (auto it = bytes.begin(); it != bytes.end() && raw.size() < kTake;) {
        const auto zero = std::find(it, bytes.end(), std::uint8_t{0});
        const auto take = std::min<std::size_t>(static_cast<std::size_t>(zero - it), kTake - raw.size());
        raw.append(reinterpret_cast<const char*>(&*it), take);
        it = zero == bytes.end() ? zero : zero + 1;
    }
    const bool ascii = std::none_of(raw.begin(), raw.end(), [](char c) { return c & 0x80; });
    if (ascii) {
        limitDisplay(raw);
        return raw;
    }
    const std::size_t valid = utf8ValidLength(raw);
    const bool cut = raw.size() == kTake;
    std::string text = (valid == raw.size() || (cut && raw.size() - valid < 4))
                           ? raw.substr(0, valid)
                           : cp1252ToUtf8(raw);
    limitDisplay(text);
    return text;
}

void limitDisplay(std::string& text) {
    if (text.size() > kDisplayLimit) {
        text.resize(utf8BoundaryAtOrBefore(text, kDisplayLimit));
    }
}

std::string localeDecimalSeparator() {
    const std::lconv* lc = std::localeconv();
    if (lc == nullptr || lc->decimal_point == nullptr || *lc->decimal_point == '\0') {
        return ".";
    }
    return lc->decimal_point;
}

}  // namespace vendrik
