#pragma once
// Marker segments of a JPEG file (T.81 B.1.1.4, B.2): a marker, a two-byte
// length that counts itself, then the segment's parameters. Shared by the
// baseline and the progressive file writer.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "jpeg/jpeg_component.h"
#include "jpeg/jpeg_error.h"
#include "jpeg/jpeg_tables.h"

namespace vendrik::jpeg {

using Bytes = std::vector<std::uint8_t>;

inline void put16(Bytes& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

inline void putMarker(Bytes& out, std::uint8_t marker) {
    out.push_back(0xFF);
    out.push_back(marker);
}

// Starts a segment: marker and a length placeholder that endSegment fills.
inline std::size_t beginSegment(Bytes& out, std::uint8_t marker) {
    putMarker(out, marker);
    const std::size_t at = out.size();
    put16(out, 0);
    return at;
}

inline void endSegment(Bytes& out, std::size_t lengthAt) {
    const std::size_t length = out.size() - lengthAt;
    out[lengthAt] = static_cast<std::uint8_t>(length >> 8);
    out[lengthAt + 1] = static_cast<std::uint8_t>(length);
}

// DQT of one table: 8-bit values when all fit, else 16-bit ones, which only
// a 12-bit frame may carry.
inline void writeQuantTable(Bytes& out, const QuantValues& q, int slot, int precision) {
    const std::size_t at = beginSegment(out, 0xDB);
    const bool fitsBytes = std::all_of(q.begin(), q.end(), [](auto v) { return v <= 255; });
    if (fitsBytes) {
        out.push_back(static_cast<std::uint8_t>(slot));
        out.insert(out.end(), q.begin(), q.end());
    } else {
        enforce(precision == 12, jpegError(JpegErrc::IllegalQuantPrecision));
        out.push_back(static_cast<std::uint8_t>(16 + slot));
        for (const auto v : q) {
            put16(out, v);
        }
    }
    endSegment(out, at);
}

// DHT of one table: class and slot, the 16 counts, the symbols.
inline void writeHuffmanTable(Bytes& out, const HuffmanTableSlot& t, int slot, bool isDc) {
    const std::size_t at = beginSegment(out, 0xC4);
    out.push_back(static_cast<std::uint8_t>(isDc ? slot : 16 + slot));
    out.insert(out.end(), t.counts.begin(), t.counts.end());
    out.insert(out.end(), t.symbols.begin(), t.symbols.end());
    endSegment(out, at);
}

// The bytes a DHT segment of the table takes.
[[nodiscard]] inline std::size_t huffmanSegmentBytes(const HuffmanTableSlot& t) {
    return 2 + 2 + 1 + 16 + t.symbols.size();
}

}  // namespace vendrik::jpeg
