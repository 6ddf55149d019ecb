#include "exif/exif_format.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <system_error>

#include "common/cp1252.h"

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

std::optional<double> leadingNumber(std::string_view text, std::string_view separator) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    bool anyDigit = false;
    double value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        anyDigit = true;
    }
    std::size_t sepLength = 0;
    if (i < text.size() && text[i] == '.') {
        sepLength = 1;
    } else if (!separator.empty() && text.substr(i, separator.size()) == separator) {
        sepLength = separator.size();
    }
    if (sepLength > 0) {
        i += sepLength;
        double scale = 0.1;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            value += (text[i] - '0') * scale;
            scale /= 10;
            anyDigit = true;
        }
    }
    if (!anyDigit) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

namespace {

bool isContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::size_t utf8ValidLength(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        std::size_t len = 0;
        unsigned char lo = 0x80;
        unsigned char hi = 0xBF;
        if (b < 0x80) {
            len = 1;
        } else if (b >= 0xC2 && b <= 0xDF) {
            len = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            len = 3;
            lo = b == 0xE0 ? 0xA0 : 0x80;
            hi = b == 0xED ? 0x9F : 0xBF;
        } else if (b >= 0xF0 && b <= 0xF4) {
            len = 4;
            lo = b == 0xF0 ? 0x90 : 0x80;
            hi = b == 0xF4 ? 0x8F : 0xBF;
        } else {
            return i;
        }
        if (len > s.size() - i) {
            return i;
        }
        for (std::size_t k = 1; k < len; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            if (c < (k == 1 ? lo : 0x80) || c > (k == 1 ? hi : 0xBF)) {
                return i;
            }
        }
        i += len;
    }
    return i;
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
    if (text.size() <= kDisplayLimit) {
        return;
    }
    std::size_t end = kDisplayLimit;
    while (end > 0 && isContinuation(text[end])) {
        --end;
    }
    text.resize(end);
}

std::string utf8Prefix(std::string_view text, std::size_t count) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!isContinuation(text[i]) && seen++ == count) {
            return std::string(text.substr(0, i));
        }
    }
    return std::string(text);
}

std::string utf8Suffix(std::string_view text, std::size_t count) {
    std::size_t seen = 0;
    for (std::size_t i = text.size(); i > 0; --i) {
        if (!isContinuation(text[i - 1]) && ++seen == count) {
            return std::string(text.substr(i - 1));
        }
    }
    return std::string(text);
}

std::string localeDecimalSeparator() {
    const std::lconv* lc = std::localeconv();
    if (lc == nullptr || lc->decimal_point == nullptr || *lc->decimal_point == '\0') {
        return ".";
    }
    return lc->decimal_point;
}

}  // namespace vendrik
