#pragma once
// Builds EXIF blocks byte by byte for the reader's tests: a TIFF header, IFD0,
// an optional Exif directory and their data area, in either byte order, and
// the JPEG around them. Entries can also be written raw, with any type, count
// and value field, to make the damaged directories a hostile file holds.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vendrik::test {

using Bytes = std::vector<std::uint8_t>;

class ExifBlockBuilder {
public:
    explicit ExifBlockBuilder(bool intel) : m_intel(intel) {}

    // Entries added after this call go into the Exif directory, which IFD0
    // then points at through an ExifOffset entry.
    ExifBlockBuilder& exifDirectory();

    ExifBlockBuilder& ascii(std::uint16_t id, const std::string& text);  // stored with its zero
    ExifBlockBuilder& shortValue(std::uint16_t id, std::uint16_t value);
    ExifBlockBuilder& longValue(std::uint16_t id, std::uint32_t value);
    ExifBlockBuilder& signedShort(std::uint16_t id, std::int16_t value);
    ExifBlockBuilder& rational(std::uint16_t id,
                               const std::vector<std::pair<std::uint32_t, std::uint32_t>>& values);
    ExifBlockBuilder& srational(std::uint16_t id,
                                const std::vector<std::pair<std::int32_t, std::int32_t>>& values);
    ExifBlockBuilder& undefined(std::uint16_t id, const Bytes& bytes);
    // An entry exactly as given: the value field is written as a 4-byte
    // number, whatever type and count say.
    ExifBlockBuilder& raw(std::uint16_t id, std::uint16_t type, std::uint32_t count,
                          std::uint32_t valueField);

    // The TIFF structure alone; offsets count from its first byte.
    [[nodiscard]] Bytes tiff() const;
    // SOI, an APP1 segment "Exif\0\0" + tiff() starting at file offset 2, EOI.
    [[nodiscard]] Bytes jpeg() const;

    // A 2- or 4-byte number in this block's byte order.
    void put(Bytes& out, std::uint64_t value, unsigned width) const;

private:
    struct Entry {
        std::uint16_t id;
        std::uint16_t type;
        std::uint32_t count;
        Bytes value;             // value bytes, placed inline or in the data area
        bool rawField = false;   // write `field` as the value field instead
        std::uint32_t field = 0;
    };
    ExifBlockBuilder& add(Entry e);

    bool m_intel;
    bool m_inExif = false;
    std::vector<Entry> m_ifd0;
    std::vector<Entry> m_exif;
};

}  // namespace vendrik::test
