#include "exif/exif_numbers.h"

namespace vendrik {

std::uint64_t ReadNumber(ExifBytes bytes, std::uint64_t offset, unsigned width, bool intel) {
    std::uint64_t value = 0;
    for (unsigned i = 0; i < width && i < 8; ++i) {
        // Significance order: byte i of the number is the i-th byte read in
        // Intel order, the i-th from the end in Motorola order.
        const std::uint64_t k = intel ? i : width - 1 - i;
        if (offset < bytes.size() && k < bytes.size() - offset) {
            value |= static_cast<std::uint64_t>(bytes[offset + k]) << (8 * i);
        }
    }
    return value;
}

std::int64_t ReadSignedNumber(ExifBytes bytes, std::uint64_t offset, unsigned width, bool intel) {
    if (width == 0) {
        return 0;
    }
    width = width > 8 ? 8 : width;
    const std::uint64_t value = ReadNumber(bytes, offset, width, intel);
    if (width == 8) {
        return static_cast<std::int64_t>(value);
    }
    const std::uint64_t signBit = std::uint64_t{1} << (8 * width - 1);
    if ((value & signBit) == 0) {
        return static_cast<std::int64_t>(value);
    }
    return static_cast<std::int64_t>(value) - static_cast<std::int64_t>(signBit << 1);
}

namespace {

ExifRational makeRational(std::int64_t numerator, std::int64_t denominator) {
    ExifRational r;
    r.numerator = numerator;
    r.denominator = denominator;
    r.text = std::to_string(numerator) + "/" + std::to_string(denominator);
    if (denominator != 0) {
        // In double, as the quotient of two 32-bit numbers: even
        // -2147483648 / -1 is exact there, where integer division would trap.
        r.quotient = static_cast<double>(numerator) / static_cast<double>(denominator);
    }
    return r;
}

}  // namespace

ExifRational ReadRational(ExifBytes bytes, std::uint64_t offset, bool intel) {
    return makeRational(static_cast<std::int64_t>(ReadNumber(bytes, offset, 4, intel)),
                        static_cast<std::int64_t>(ReadNumber(bytes, offset + 4, 4, intel)));
}

ExifRational ReadSignedRational(ExifBytes bytes, std::uint64_t offset, bool intel) {
    return makeRational(ReadSignedNumber(bytes, offset, 4, intel),
                        ReadSignedNumber(bytes, offset + 4, 4, intel));
}

ExifBytes clippedRange(ExifBytes bytes, std::uint64_t offset, std::uint64_t length) {
    if (offset >= bytes.size()) {
        return {};
    }
    const std::uint64_t available = bytes.size() - offset;
    return bytes.subspan(static_cast<std::size_t>(offset),
                         static_cast<std::size_t>(length < available ? length : available));
}

}  // namespace vendrik
