// SaveFile: the JFIF file in memory, segment by segment (T.81 B.2, JFIF 1.01),
// then written in one piece to its final name.

#include <cerrno>
#include <cmath>
#include <span>

#include "common/atomic_file.h"
#include "common/cp1252.h"
#include "jpeg/bit_writer.h"
#include "jpeg/cJpeg.h"
#include "jpeg/huffman_optimiser.h"
#include "jpeg/jpeg_error.h"
#include "jpeg/jpeg_segments.h"
#include "jpeg/progressive_scans.h"
#include "jpeg/scan_coding.h"

namespace vendrik {
namespace {

using jpeg::beginSegment;
using jpeg::Bytes;
using jpeg::endSegment;
using jpeg::put16;
using jpeg::putMarker;

void writeApp0(Bytes& out) {
    // JFIF 1.01, no density unit, 1:1 pixel aspect, no thumbnail.
    constexpr std::uint8_t kApp0[] = {0xFF, 0xE0, 0x00, 0x10, 'J',  'F',  'I',  'F',  0x00,
                                      0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00};
    out.insert(out.end(), std::begin(kApp0), std::end(kApp0));
}

void writeComment(Bytes& out, const std::string& latin) {
    const std::size_t at = beginSegment(out, 0xFE);
    out.insert(out.end(), latin.begin(), latin.end());
    endSegment(out, at);
}

// A sink for codeBlock() that writes codes and extra bits.
struct CodeSink {
    jpeg::BitWriter* writer;
    const jpeg::HuffmanTableSlot* dcTable;
    const jpeg::HuffmanTableSlot* acTable;
    void dc(int s, std::uint32_t extra) {
        const auto sym = static_cast<std::size_t>(s);
        writer->put((static_cast<std::uint32_t>(dcTable->code[sym]) << s) | extra,
                    dcTable->length[sym] + s);
    }
    void ac(int symbol, std::uint32_t extra, int length) {
        const auto sym = static_cast<std::size_t>(symbol);
        writer->put((static_cast<std::uint32_t>(acTable->code[sym]) << length) | extra,
                    acTable->length[sym] + length);
    }
};

[[noreturn]] void throwFileError(int err, const std::string& reason) {
    // The numbers and texts of the classic run-time file errors, which the
    // batch run's callers know.
    switch (err) {
        case ENOENT:
        case ENOTDIR:
            throw VendrikError(76, "cJpeg", "Path not found: " + reason);
        case EACCES:
        case EPERM:
        case EROFS:
            throw VendrikError(75, "cJpeg", "Path/File access error: " + reason);
        case ENOSPC:
        case EDQUOT:
            throw VendrikError(61, "cJpeg", "Disk full: " + reason);
        default:
            throw VendrikError(57, "cJpeg", "Device I/O error: " + reason);
    }
}

}  // namespace

void cJpeg::writeHeaders(Bytes& out, std::uint8_t frameMarker) const {
    const std::string latinComment = utf8ToCp1252(m_comment);
    // The estimate with room for stuffing and headers; the writer grows the
    // buffer beyond it when a picture's coded data hold many 0xFF bytes.
    out.reserve(static_cast<std::size_t>(std::nearbyint(static_cast<double>(m_lastEstimate) * 1.3 +
                                                        1000.0 + latinComment.size())));
    putMarker(out, 0xD8);
    writeApp0(out);
    if (!latinComment.empty()) {
        writeComment(out, latinComment);
    }
    const int nf = static_cast<int>(m_components.size());
    jpeg::writeQuantTable(out, m_quant[0], 0, m_precision);
    if (nf > 1) {
        jpeg::writeQuantTable(out, m_quant[1], 1, m_precision);
    }

    const std::size_t sof = beginSegment(out, frameMarker);
    out.push_back(static_cast<std::uint8_t>(m_precision));
    put16(out, static_cast<unsigned>(m_height));
    put16(out, static_cast<unsigned>(m_width));
    out.push_back(static_cast<std::uint8_t>(nf));
    for (const auto& c : m_components) {
        out.push_back(static_cast<std::uint8_t>(c.id));
        out.push_back(static_cast<std::uint8_t>(c.H * 16 + c.V));
        out.push_back(static_cast<std::uint8_t>(c.Tq));
    }
    endSegment(out, sof);
}

void cJpeg::writeFile(Bytes& out) const {
    writeHeaders(out, 0xC0);
    const int nf = static_cast<int>(m_components.size());
    jpeg::writeHuffmanTable(out, m_dcTables[0], 0, true);
    jpeg::writeHuffmanTable(out, m_acTables[0], 0, false);
    if (nf > 1) {
        jpeg::writeHuffmanTable(out, m_dcTables[1], 1, true);
        jpeg::writeHuffmanTable(out, m_acTables[1], 1, false);
    }

    const std::span<const jpeg::JpegComponent> comps(m_components);
    for (const auto& g : jpeg::planScans(comps)) {
        const std::size_t sos = beginSegment(out, 0xDA);
        out.push_back(static_cast<std::uint8_t>(g.last - g.first + 1));
        for (int j = g.first; j <= g.last; ++j) {
            const int slot = jpeg::tableSlotOf(j);
            out.push_back(static_cast<std::uint8_t>(comps[static_cast<std::size_t>(j)].id));
            out.push_back(static_cast<std::uint8_t>(slot * 16 + slot));
        }
        out.push_back(0x00);  // spectral selection start
        out.push_back(0x3F);  // spectral selection end: 63
        out.push_back(0x00);  // successive approximation
        endSegment(out, sos);

        jpeg::BitWriter writer(out);
        std::vector<CodeSink> sinks;
        for (std::size_t i = 0; i < comps.size(); ++i) {
            const auto slot = static_cast<std::size_t>(jpeg::tableSlotOf(static_cast<int>(i)));
            sinks.push_back({&writer, &m_dcTables[slot], &m_acTables[slot]});
        }
        jpeg::walkScan(
            comps, g, m_width, m_height, m_hmax, m_vmax,
            [&](int j) -> CodeSink& { return sinks[static_cast<std::size_t>(j)]; },
            [this](int v) { report(v); });
        writer.flush();
    }
    putMarker(out, 0xD9);
}

std::vector<std::uint8_t> cJpeg::encodeStrong() {
    quantiseStrong();
    const std::span<const jpeg::JpegComponent> comps(m_components);
    const jpeg::ScanScript script = jpeg::chooseScanScript(comps, m_width, m_height, m_hmax, m_vmax);
    Bytes out;
    writeHeaders(out, 0xC2);
    jpeg::writeProgressiveScans(out, comps, script, m_width, m_height, m_hmax, m_vmax,
                                [this](int v) { report(v); });
    putMarker(out, 0xD9);
    report(100);
    return out;
}

std::vector<std::uint8_t> cJpeg::encodeToMemory() {
    if (m_sampledCompression == JpegCompression::Strong) {
        return encodeStrong();
    }
    m_lastEstimate = optimizeHuffmanTables();
    Bytes out;
    writeFile(out);
    report(100);
    return out;
}

int cJpeg::SaveFile(const std::string& FileName) {
    if (FileName.empty()) {
        return kEmptyName;
    }
    if (pathEntryExists(FileName)) {
        return kFileExists;
    }
    const Bytes bytes = encodeToMemory();
    const auto outcome = writeFileAtomically(
        FileName, std::as_bytes(std::span(bytes.data(), bytes.size())), ReplacePolicy::NoReplace);
    switch (outcome.result) {
        case AtomicWriteResult::Written:
            return kSaved;
        case AtomicWriteResult::Exists:
            return kFileExists;
        case AtomicWriteResult::Failed:
            break;
    }
    throwFileError(outcome.errorNumber, outcome.errorText);
}

}  // namespace vendrik
