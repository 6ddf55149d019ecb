#pragma once
// Numbers from the bytes of an EXIF block. Every read is bounded by the span
// it is given: a byte beyond its end counts as 0, so a damaged offset or count
// yields small or empty values instead of reading outside the buffer.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vendrik {

using ExifBytes = std::span<const std::uint8_t>;

// The unsigned value of `width` bytes (1 to 8) starting at `offset` (0-based).
// Intel byte order puts the least significant byte first, Motorola last.
[[nodiscard]] std::uint64_t ReadNumber(ExifBytes bytes, std::uint64_t offset, unsigned width,
                                       bool intel);

// The same bytes as a two's-complement number of `width` bytes.
[[nodiscard]] std::int64_t ReadSignedNumber(ExifBytes bytes, std::uint64_t offset,
                                            unsigned width, bool intel);

// A RATIONAL or SRATIONAL: two 4-byte numbers, numerator first.
struct ExifRational {
    std::int64_t numerator = 0;
    std::int64_t denominator = 0;
    std::string text;                 // "numerator/denominator" in decimal
    std::optional<double> quotient;   // absent when the denominator is 0
};

[[nodiscard]] ExifRational ReadRational(ExifBytes bytes, std::uint64_t offset, bool intel);
[[nodiscard]] ExifRational ReadSignedRational(ExifBytes bytes, std::uint64_t offset, bool intel);

// The bytes [offset, offset + length) of `bytes`, cut at its end; empty when
// the range starts past it. Computed without overflow for any inputs.
[[nodiscard]] ExifBytes clippedRange(ExifBytes bytes, std::uint64_t offset, std::uint64_t length);

}  // namespace vendrik
