#include "support/exif_block_builder.h"

namespace vendrik::test {

void ExifBlockBuilder::put(Bytes& out, std::uint64_t value, unsigned width) const {
    for (unsigned i = 0; i < width; ++i) {
        const unsigned shift = 8 * (m_intel ? i : width - 1 - i);
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

ExifBlockBuilder& ExifBlockBuilder::add(Entry e) {
    (m_inExif ? m_exif : m_ifd0).push_back(std::move(e));
    return *this;
}

ExifBlockBuilder& ExifBlockBuilder::exifDirectory() {
    m_inExif = true;
    return *this;
}

ExifBlockBuilder& ExifBlockBuilder::ascii(std::uint16_t id, const std::string& text) {
    Bytes v(text.begin(), text.end());
    v.push_back(0);
    const auto count = static_cast<std::uint32_t>(v.size());
    return add({id, 2, count, std::move(v)});
}

ExifBlockBuilder& ExifBlockBuilder::shortValue(std::uint16_t id, std::uint16_t value) {
    Bytes v;
    put(v, value, 2);
    return add({id, 3, 1, std::move(v)});
}

ExifBlockBuilder& ExifBlockBuilder::longValue(std::uint16_t id, std::uint32_t value) {
    Bytes v;
    put(v, value, 4);
    return add({id, 4, 1, std::move(v)});
}

ExifBlockBuilder& ExifBlockBuilder::signedShort(std::uint16_t id, std::int16_t value) {
    Bytes v;
    put(v, static_cast<std::uint16_t>(value), 2);
    return add({id, 8, 1, std::move(v)});
}

ExifBlockBuilder& ExifBlockBuilder::rational(
    std::uint16_t id, const std::vector<std::pair<std::uint32_t, std::uint32_t>>& values) {
    Bytes v;
    for (const auto& [n, d] : values) {
        put(v, n, 4);
        put(v, d, 4);
    }
    return add({id, 5, static_cast<std::uint32_t>(values.size()), std::move(v)});
}

ExifBlockBuilder& ExifBlockBuilder::srational(
    std::uint16_t id, const std::vector<std::pair<std::int32_t, std::int32_t>>& values) {
    Bytes v;
    for (const auto& [n, d] : values) {
        put(v, static_cast<std::uint32_t>(n), 4);
        put(v, static_cast<std::uint32_t>(d), 4);
    }
    return add({id, 10, static_cast<std::uint32_t>(values.size()), std::move(v)});
}

ExifBlockBuilder& ExifBlockBuilder::undefined(std::uint16_t id, const Bytes& bytes) {
    return add({id, 7, static_cast<std::uint32_t>(bytes.size()), bytes});
}

ExifBlockBuilder& ExifBlockBuilder::raw(std::uint16_t id, std::uint16_t type, std::uint32_t count,
                                        std::uint32_t valueField) {
    return add({id, type, count, {}, true, valueField});
}

Bytes ExifBlockBuilder::tiff() const {
    std::vector<Entry> ifd0 = m_ifd0;
    const bool withExif = m_inExif;
    const auto dirSize = [](std::size_t n) { return 2 + 12 * n + 4; };
    const std::size_t ifd0Size = dirSize(ifd0.size() + (withExif ? 1 : 0));
    const std::size_t exifStart = 8 + ifd0Size;
    if (withExif) {
        ifd0.push_back({34665, 4, 1, {}, true, static_cast<std::uint32_t>(exifStart)});
    }
    std::size_t dataPos = exifStart + (withExif ? dirSize(m_exif.size()) : 0);

    Bytes out;
    out.push_back(m_intel ? 'I' : 'M');
    out.push_back(m_intel ? 'I' : 'M');
    put(out, 42, 2);
    put(out, 8, 4);
    Bytes data;
    const auto writeDirectory = [&](const std::vector<Entry>& entries) {
        put(out, entries.size(), 2);
        for (const Entry& e : entries) {
            put(out, e.id, 2);
            put(out, e.type, 2);
            put(out, e.count, 4);
            if (e.rawField) {
                put(out, e.field, 4);
            } else if (e.value.size() <= 4) {
                Bytes field = e.value;
                field.resize(4, 0);
                out.insert(out.end(), field.begin(), field.end());
            } else {
                put(out, dataPos, 4);
                data.insert(data.end(), e.value.begin(), e.value.end());
                dataPos += e.value.size();
            }
        }
        put(out, 0, 4);  // no next directory
    };
    writeDirectory(ifd0);
    if (withExif) {
        writeDirectory(m_exif);
    }
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

Bytes ExifBlockBuilder::jpeg() const {
    const Bytes t = tiff();
    Bytes out = {0xFF, 0xD8, 0xFF, 0xE1};
    const std::size_t length = 2 + 6 + t.size();
    out.push_back(static_cast<std::uint8_t>(length >> 8));
    out.push_back(static_cast<std::uint8_t>(length));
    for (const char c : std::string("Exif\0\0", 6)) {
        out.push_back(static_cast<std::uint8_t>(c));
    }
    out.insert(out.end(), t.begin(), t.end());
    out.push_back(0xFF);
    out.push_back(0xD9);
    return out;
}

}  // namespace vendrik::test
