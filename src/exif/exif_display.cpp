#include "exif/exif_display.h"

#include <array>
#include <cmath>

#include "exif/exif_format.h"
#include "exif/exif_tags.h"

namespace vendrik {
namespace {

// ComponentsConfiguration's channel codes (EXIF 2.2 4.6.5, table 4).
constexpr std::array<std::string_view, 7> kComponentNames = {"", "Y", "Cb", "Cr", "R", "G", "B"};
static_assert(kComponentNames.size() == 7);

// An entry's value: inside its own 4-byte field when it fits there (TIFF 6.0:
// "the Value Offset contains the Value instead ... if the Value fits within
// 4 bytes"), otherwise at the offset the field holds.
ExifBytes valueBytes(const ExifRawEntry& e, const ExifBlock& b) {
    const std::uint64_t size = std::uint64_t{TypeSizes(e.type)} * e.count;
    if (size > 4) {
        return clippedRange(b.data, b.tiffStart + e.valueField, size);
    }
    return clippedRange(b.data, e.valueFieldPos, 4);
}

bool hasOneDecimalRule(std::uint16_t id) {
    switch (id) {
        case tag::kFNumber:
        case tag::kXResolution:
        case tag::kYResolution:
        case tag::kSubjectDistance:
        case tag::kFocalLength:
        case tag::kFocalPlaneXResolution:
        case tag::kFocalPlaneYResolution:
            return true;
        default:
            return false;
    }
}

ExifDisplayed rationalDisplay(const ExifRawEntry& e, ExifBytes bytes, bool intel, bool isSigned,
                              std::string_view sep) {
    const auto read = [&](std::uint64_t offset) {
        return isSigned ? ReadSignedRational(bytes, offset, intel)
                        : ReadRational(bytes, offset, intel);
    };
    ExifDisplayed out{{}, static_cast<double>(e.valueField)};
    const ExifRational first = read(0);
    // The tags with a rule of their own convert the quotient; with a zero
    // denominator there is none, and the raw Value goes through the rule.
    const auto ruleInput = [&] {
        if (first.quotient) {
            out.value = *first.quotient;
        }
        return out.value;
    };
    if (!isSigned && hasOneDecimalRule(e.id)) {
        out.display = formatDecimal(ruleInput(), 1, sep);
        return out;
    }
    if (!isSigned && e.id == tag::kExposureTime) {
        // Shown as the x of "1/x s". An exposure of 0 has no such x.
        const double t = ruleInput();
        out.display = t == 0 ? std::string() : formatDecimal(1.0 / t, 0, sep);
        return out;
    }
    if (!isSigned && (e.id == tag::kApertureValue || e.id == tag::kMaxApertureValue)) {
        // APEX aperture value Av = 2 log2(N), so the f-number N = sqrt(2)^Av.
        out.display = formatDecimal(std::pow(std::sqrt(2.0), ruleInput()), 1, sep);
        return out;
    }
    if (isSigned && e.id == tag::kShutterSpeedValue) {
        // APEX time value Tv = -log2(t), so t = 1/2^Tv: shown as the 2^Tv of "1/x s".
        out.display = formatDecimal(std::pow(2.0, ruleInput()), 0, sep);
        return out;
    }
    if (isSigned && e.id == tag::kExposureBiasValue) {
        out.display = formatDecimal(ruleInput(), 1, sep);
        return out;
    }
    if (e.count <= 1) {
        out.display = first.text;
        return out;
    }
    // Rationals that lie wholly past the bytes read are left out rather than
    // shown as an endless "0/0/0/...".
    std::string text;
    for (std::uint64_t i = 0; i < e.count && 8 * i < bytes.size(); ++i) {
        const ExifRational r = read(8 * i);
        if (i > 0) {
            text += '/';
        }
        text += r.quotient ? formatDecimal(*r.quotient, 3, sep) : r.text;
        if (text.size() > kDisplayLimit) {
            break;
        }
    }
    limitDisplay(text);
    out.display = std::move(text);
    return out;
}

std::string undefinedDisplay(std::uint16_t id, ExifBytes bytes) {
    switch (id) {
        case tag::kMakerNote: {
            // Maker notes are binary; only the printable ASCII range tells
            // the user anything.
            std::string text;
            for (const std::uint8_t b : bytes) {
                if (b >= 32 && b <= 127) {
                    text.push_back(static_cast<char>(b));
                }
            }
            limitDisplay(text);
            return text;
        }
        case tag::kComponentsConfiguration: {
            std::string text;
            for (const std::uint8_t b : bytes.first(bytes.size() < 4 ? bytes.size() : 4)) {
                if (b < kComponentNames.size()) {
                    text += kComponentNames[b];
                }
            }
            return text;
        }
        case tag::kExifVersion:
        case tag::kFlashPixVersion: {
            // Four ASCII digits "0221" mean version 2.21: the first two read
            // as a number, the last two are the minor version as they stand.
            std::size_t i = 0;
            const std::size_t head = bytes.size() < 2 ? bytes.size() : 2;
            while (i < head && bytes[i] == ' ') {
                ++i;
            }
            unsigned major = 0;
            for (; i < head && bytes[i] >= '0' && bytes[i] <= '9'; ++i) {
                major = major * 10 + (bytes[i] - '0');
            }
            const std::size_t tail = bytes.size() < 2 ? bytes.size() : 2;
            return std::to_string(major) + "." + exifBytesToText(bytes.last(tail));
        }
        case tag::kFileSource:
        case tag::kSceneType:
            return std::to_string(bytes.empty() ? 0 : bytes[0]);
        default:
            return exifBytesToText(bytes);
    }
}

}  // namespace

ExifDisplayed displayEntry(const ExifRawEntry& e, const ExifBlock& block,
                           std::string_view separator) {
    const ExifBytes bytes = valueBytes(e, block);
    const unsigned width = TypeSizes(e.type);
    ExifDisplayed out{{}, static_cast<double>(e.valueField)};
    switch (static_cast<ExifType>(e.type)) {
        case ExifType::Ascii:
            out.display = exifBytesToText(bytes);
            break;
        case ExifType::Rational:
        case ExifType::SRational:
            return rationalDisplay(e, bytes, block.intel, e.type == 10, separator);
        case ExifType::SByte:
        case ExifType::SShort:
        case ExifType::SLong: {
            const std::int64_t first = ReadSignedNumber(bytes, 0, width, block.intel);
            out.display = std::to_string(first);
            if (std::uint64_t{width} * e.count <= 4) {
                out.value = static_cast<double>(first);
            }
            break;
        }
        case ExifType::Undefined:
            out.display = undefinedDisplay(e.id, bytes);
            break;
        case ExifType::Byte:
        case ExifType::Short:
        case ExifType::Long:
        case ExifType::Float:
        case ExifType::Double: {
            const std::uint64_t first = ReadNumber(bytes, 0, width, block.intel);
            out.display = std::to_string(first);
            // A value that fits the field is the number shown, read at its
            // own width: a big-endian SHORT sits in the field's first two
            // bytes, and reading all four would give 65536 times too much.
            if (e.type != 11 && std::uint64_t{width} * e.count <= 4) {
                out.value = static_cast<double>(first);
            }
            break;
        }
        default:
            // Type 0 shows 0; types above 12 are not defined by TIFF or EXIF
            // and show nothing.
            if (e.type == 0) {
                out.display = "0";
            }
            break;
    }
    return out;
}

}  // namespace vendrik
