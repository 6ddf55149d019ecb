#pragma once
// cJpeg: Vendrik's own baseline sequential JPEG (JFIF) encoder.
//
// Calling order:
//   1. construct (quality 95, three components at 1 × 1);
//   2. SetSamplingFrequencies, Quality, Comment: any order, any number of
//      times, but before SampleHDC, which quantises with the tables of that
//      moment;
//   3. SampleHDC reads the pixels once and keeps only quantised
//      coefficients;
//   4. SaveFile (or encodeToMemory) builds optimal Huffman tables and writes
//      the file; it may be called again for another file.
//
// setCompression(JpegCompression::Strong) makes smaller files of the same
// look at several times the encoding time: a progressive file, quantisation
// tables tuned for perceived quality, halved chroma chosen for the way
// decoders enlarge it, and quantised values chosen by weighing bits against
// visible error (see trellis_quantiser.h). It is a setting like
// Quality: made before SampleHDC. The default, Standard, is the baseline
// encoder described above, unchanged to the byte.
//
// Errors are thrown as JpegError (number 1, fixed English descriptions);
// failures to write a file as VendrikError with the file error's number.
// Progress values reach the callback in this order: 30, 40, 50 (one per
// component while sampling), 60, 65, 70, 75 (table slots), 81..96 (MCU rows
// of an interleaved scan), 100 (file assembled).

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "imaging/surface.h"
#include "jpeg/forward_dct.h"
#include "jpeg/jpeg_compression.h"
#include "jpeg/jpeg_component.h"
#include "jpeg/jpeg_tables.h"

namespace vendrik {

class cJpeg {
public:
    using Progress = std::function<void(int)>;

    // SampleHDC's results.
    static constexpr int kSampled = 0;
    static constexpr int kSurfaceFailed = 1;
    // SaveFile's results.
    static constexpr int kSaved = 0;
    static constexpr int kEmptyName = 1;
    static constexpr int kFileExists = 2;

    static constexpr int kMaxCommentLength = 65533;
    static constexpr int kMaxDimension = 65535;  // a frame header's 16 bits

    cJpeg();

    // 1..100; other values are ignored. Rebuilds both quantisation tables.
    void Quality(int vData);
    [[nodiscard]] int Quality() const noexcept { return m_quality; }

    // Standard by default. Rebuilds both quantisation tables for the quality
    // in force, as Quality does.
    void setCompression(JpegCompression mode);
    [[nodiscard]] JpegCompression compression() const noexcept { return m_compression; }

    // Sampling factors of the three components; H2, V2, H3, V3 all 0 select a
    // one-component (grey) file. Throws "Invalid Sampling Value" for a
    // checked factor outside 1..4 and then leaves the setup unchanged.
    // Rebuilds the quantisation tables as Quality does: the strong mode's
    // chrominance table depends on the sampling.
    void SetSamplingFrequencies(int H1, int V1, int H2, int V2, int H3, int V3);

    // UTF-8; written in Windows-1252 as a COM segment when not empty.
    // Throws "Illegal Comment Length" above 65533 characters.
    void Comment(const std::string& value);
    [[nodiscard]] const std::string& Comment() const noexcept { return m_comment; }

    // Converts the lWidth × lHeight rectangle at (lSrcLeft, lSrcTop) of
    // `lHDC` into quantised coefficients. Returns kSurfaceFailed, keeping the
    // previous coefficients, when the working surface cannot be had: a size
    // below 1 or above 65535, or too little memory.
    int SampleHDC(const Surface& lHDC, int lWidth, int lHeight, int lSrcLeft, int lSrcTop);

    // Writes the file. kEmptyName for an empty name and kFileExists when any
    // directory entry of that name exists; both write nothing. The bytes go
    // to a temporary file in the target folder that takes the name only when
    // complete, and never replaces a file that appeared meanwhile.
    int SaveFile(const std::string& FileName);

    // The bytes SaveFile would write.
    [[nodiscard]] std::vector<std::uint8_t> encodeToMemory();

    void setProgress(Progress progress) { m_progress = std::move(progress); }

    // State, for the callers that inspect what was built.
    [[nodiscard]] int precision() const noexcept { return m_precision; }
    [[nodiscard]] int imageWidth() const noexcept { return m_width; }
    [[nodiscard]] int imageHeight() const noexcept { return m_height; }
    [[nodiscard]] int maxH() const noexcept { return m_hmax; }
    [[nodiscard]] int maxV() const noexcept { return m_vmax; }
    [[nodiscard]] const std::vector<jpeg::JpegComponent>& components() const noexcept {
        return m_components;
    }
    [[nodiscard]] const jpeg::QuantValues& quantTable(int slot) const {
        return m_quant.at(static_cast<std::size_t>(slot));
    }
    [[nodiscard]] const jpeg::HuffmanTableSlot& dcTable(int slot) const {
        return m_dcTables.at(static_cast<std::size_t>(slot));
    }
    [[nodiscard]] const jpeg::HuffmanTableSlot& acTable(int slot) const {
        return m_acTables.at(static_cast<std::size_t>(slot));
    }
    // The size estimate of the last file's entropy-coded data, in bytes.
    [[nodiscard]] std::uint64_t lastEstimate() const noexcept { return m_lastEstimate; }

private:
    void report(int value) const {
        if (m_progress) {
            m_progress(value);
        }
    }
    // Counts symbols, builds and derives the used tables; returns the
    // estimated size of the coded data in bytes.
    std::uint64_t optimizeHuffmanTables();
    // SOI to the frame header (SOF0 baseline, SOF2 progressive).
    void writeHeaders(std::vector<std::uint8_t>& out, std::uint8_t frameMarker) const;
    void writeFile(std::vector<std::uint8_t>& out) const;
    // The strong mode's file: quantised values chosen from the transformed
    // blocks, then progressive scans.
    std::vector<std::uint8_t> encodeStrong();
    void quantiseStrong();

    int m_precision = 0;
    int m_width = 0;
    int m_height = 0;
    int m_hmax = 1;
    int m_vmax = 1;
    int m_quality = 0;
    JpegCompression m_compression = JpegCompression::Standard;
    // The mode SampleHDC ran in: it decides what the components hold.
    JpegCompression m_sampledCompression = JpegCompression::Standard;
    std::vector<jpeg::JpegComponent> m_components;
    std::array<jpeg::QuantValues, 4> m_quant{};
    std::array<jpeg::Divisors, 4> m_divisors{};
    std::array<jpeg::HuffmanTableSlot, 4> m_dcTables{};
    std::array<jpeg::HuffmanTableSlot, 4> m_acTables{};
    std::string m_comment;
    std::uint64_t m_lastEstimate = 0;
    Progress m_progress;
};

}  // namespace vendrik
