#pragma once
// The scans of a progressive file (T.81 G.1.2): spectral selection (a band
// Ss..Se of the zigzag sequence per scan) and successive approximation (the
// bits of each value from Al upwards first, the lower bits later, one per
// refinement scan). How the scans split the coefficients is the scan
// script; this file codes any valid script and chooses one for size.
//
// As for baseline scans, counting the symbols of a scan for its Huffman
// table and writing it walk the blocks through the same coders below with a
// counting sink or a writing sink, so the two cannot disagree. A sink takes
//   symbol(symbol, extraBits, extraLength)  a Huffman symbol and its extra bits
//   bits(value, length)                     bits sent as they are
// and `sinkFor(componentIndex)` picks the sink (the table) of a component.

#include <array>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <type_traits>
#include <vector>

#include "jpeg/huffman_optimiser.h"
#include "jpeg/jpeg_component.h"
#include "jpeg/scan_coding.h"

namespace vendrik::jpeg {

struct ScanSpec {
    ScanGroup group;  // several components only in DC scans (G.1.1.1.1)
    int Ss = 0;       // first zigzag index of the band
    int Se = 0;       // last, inclusive
    int Ah = 0;       // the bit below which the previous scans stopped, 0 at first
    int Al = 0;       // the lowest bit this scan sends
    [[nodiscard]] bool dc() const { return Ss == 0; }
    [[nodiscard]] bool refinement() const { return Ah != 0; }
};

using ScanScript = std::vector<ScanSpec>;

// The largest run of blocks one end-of-band symbol can stand for: EOB14
// with 14 extra bits (G.1.2.2, Table G.1).
inline constexpr int kMaxEndOfBandRun = 0x7FFF;
// Correction bits an end-of-band run may hold back before it is sent; the
// bound keeps the buffer small whatever the picture.
inline constexpr std::size_t kMaxHeldCorrectionBits = 4096;

// Bit k set when |c[k]| ≥ 2^al (the value is not zero after the point
// transform of G.1.2.1).
[[nodiscard]] inline std::uint64_t significantMask(const std::int16_t* c, int al) noexcept {
    if (al == 0) {
        return nonZeroMask(c);
    }
    const int threshold = 1 << al;
    std::uint64_t mask = 0;
    for (int k = 0; k < 64; ++k) {
        mask |= static_cast<std::uint64_t>(std::abs(c[k]) >= threshold) << k;
    }
    return mask;
}

// The band's bits of a mask: bits Ss..Se.
[[nodiscard]] inline std::uint64_t bandMask(int ss, int se) noexcept {
    const std::uint64_t upTo = se >= 63 ? ~std::uint64_t{0} : (std::uint64_t{1} << (se + 1)) - 1U;
    return upTo & ~((std::uint64_t{1} << ss) - 1U);
}

// Sends a pending run of blocks that ended their band early: EOBn with n
// extra bits gives runs of 2^n .. 2^(n+1) − 1 blocks (G.1.2.2).
template <typename Sink>
inline void sendEndOfBandRun(int& run, Sink& sink) {
    if (run > 0) {
        const int n = std::bit_width(static_cast<unsigned>(run)) - 1;
        sink.symbol(n << 4, static_cast<std::uint32_t>(run) & ((1U << n) - 1U), n);
        run = 0;
    }
}

// First scan of an AC band (G.1.2.2): each value's bits from Al upwards,
// runs of zeros as in a baseline block, and blocks with nothing left in the
// band gathered into end-of-band runs.
template <typename Sink>
class AcFirstCoder {
public:
    AcFirstCoder(const ScanSpec& scan, Sink& sink) : m_scan(scan), m_sink(sink) {}

    void block(const std::int16_t* c) {
        std::uint64_t mask = significantMask(c, m_scan.Al) & bandMask(m_scan.Ss, m_scan.Se);
        int last = m_scan.Ss - 1;
        while (mask != 0) {
            const int k = std::countr_zero(mask);
            mask &= mask - 1;
            sendEndOfBandRun(m_run, m_sink);
            int zeros = k - last - 1;
            while (zeros > 15) {
                m_sink.symbol(0xF0, 0, 0);
                zeros -= 16;
            }
            const int v = c[k];
            const int t = std::abs(v) >> m_scan.Al;
            const int s = std::bit_width(static_cast<unsigned>(t));
            m_sink.symbol(zeros * 16 + s, extraBits(v < 0 ? -t : t, s), s);
            last = k;
        }
        if (last < m_scan.Se && ++m_run == kMaxEndOfBandRun) {
            sendEndOfBandRun(m_run, m_sink);
        }
    }

    void finish() { sendEndOfBandRun(m_run, m_sink); }

private:
    const ScanSpec& m_scan;
    Sink& m_sink;
    int m_run = 0;  // blocks waiting for their end-of-band symbol
};

// Refinement scan of an AC band (G.1.2.3): bit Al of every value whose
// higher bits were sent already (a correction bit, sent as it is after the
// next symbol), and values that become non-zero with this bit, coded as
// run/size 1 with a sign bit. Runs count only values that are still zero.
template <typename Sink>
class AcRefinementCoder {
public:
    AcRefinementCoder(const ScanSpec& scan, Sink& sink) : m_scan(scan), m_sink(sink) {}

    void block(const std::int16_t* c) {
        const std::uint64_t band = bandMask(m_scan.Ss, m_scan.Se);
        const std::uint64_t now = significantMask(c, m_scan.Al) & band;
        const std::uint64_t fresh = now & ~significantMask(c, m_scan.Ah);
        // After the last fresh value nothing needs a symbol: the zeros and
        // the correction bits there go with the end of band.
        const int lastFresh = fresh == 0 ? -1 : 63 - std::countl_zero(fresh);
        m_block.clear();
        int zeros = 0;  // values passed that are still zero
        int k = m_scan.Ss - 1;
        for (std::uint64_t mask = now; mask != 0; mask &= mask - 1) {
            const int next = std::countr_zero(mask);
            zeros += next - k - 1;
            k = next;
            while (zeros > 15 && k <= lastFresh) {
                sendRun();
                m_sink.symbol(0xF0, 0, 0);
                sendBlockBits();
                zeros -= 16;
            }
            const int t = std::abs(c[k]) >> m_scan.Al;
            if (t > 1) {
                m_block.push_back(static_cast<std::uint8_t>(t & 1));
                continue;
            }
            sendRun();
            m_sink.symbol(zeros * 16 + 1, c[k] < 0 ? 0U : 1U, 1);
            sendBlockBits();
            zeros = 0;
        }
        zeros += m_scan.Se - k;
        if (zeros > 0 || !m_block.empty()) {
            // The block joins the end-of-band run with its correction bits.
            m_runBits.insert(m_runBits.end(), m_block.begin(), m_block.end());
            if (++m_run == kMaxEndOfBandRun || m_runBits.size() > kMaxHeldCorrectionBits) {
                sendRun();
            }
        }
    }

    void finish() { sendRun(); }

private:
    // The pending end-of-band run, then the correction bits of its blocks.
    void sendRun() {
        if (m_run == 0) {
            return;
        }
        sendEndOfBandRun(m_run, m_sink);
        for (const std::uint8_t b : m_runBits) {
            m_sink.bits(b, 1);
        }
        m_runBits.clear();
    }
    void sendBlockBits() {
        for (const std::uint8_t b : m_block) {
            m_sink.bits(b, 1);
        }
        m_block.clear();
    }

    const ScanSpec& m_scan;
    Sink& m_sink;
    int m_run = 0;                        // blocks waiting for their end of band
    std::vector<std::uint8_t> m_runBits;  // their correction bits, in order
    std::vector<std::uint8_t> m_block;    // the current block's, not yet sent
};

// Codes one scan of any kind into the sinks.
template <typename SinkFor>
void codeScan(std::span<const JpegComponent> comps, const ScanSpec& scan, int imageWidth,
              int imageHeight, int hmax, int vmax, SinkFor&& sinkFor) {
    if (scan.dc()) {
        // DC values after the point transform, an arithmetic shift by Al
        // (G.1.2.1), as differences; a refinement sends bit Al of each. A
        // padding block repeats the predictor, and its refinement bit is
        // free: the decoder throws the block away.
        std::array<int, 4> pred{};
        forEachScanBlock(comps, scan.group, imageWidth, imageHeight, hmax, vmax,
                         [&](int j, const std::int16_t* block) {
                             auto& sink = sinkFor(j);
                             if (scan.refinement()) {
                                 const int v = block != nullptr ? block[0] >> scan.Al : 0;
                                 sink.bits(static_cast<std::uint32_t>(v) & 1U, 1);
                                 return;
                             }
                             int& p = pred[static_cast<std::size_t>(j)];
                             const int v = block != nullptr ? block[0] >> scan.Al : p;
                             const int diff = v - p;
                             p = v;
                             const int s = category(diff);
                             sink.symbol(s, extraBits(diff, s), s);
                         });
        return;
    }
    auto& sink = sinkFor(scan.group.first);
    const JpegComponent& c = comps[static_cast<std::size_t>(scan.group.first)];
    const auto each = [&c](auto& coder) {
        for (std::size_t p = 0; p + 64 <= c.coefficients.size(); p += 64) {
            coder.block(&c.coefficients[p]);
        }
        coder.finish();
    };
    if (scan.refinement()) {
        AcRefinementCoder<std::remove_reference_t<decltype(sink)>> coder(scan, sink);
        each(coder);
    } else {
        AcFirstCoder<std::remove_reference_t<decltype(sink)>> coder(scan, sink);
        each(coder);
    }
}

// A sink that counts: symbols into a table's frequencies, every other bit
// into a total.
struct ScanCounter {
    Frequencies* freq;
    std::uint64_t* otherBits;
    void symbol(int s, std::uint32_t /*extra*/, int length) {
        ++(*freq)[static_cast<std::size_t>(s)];
        *otherBits += static_cast<std::uint64_t>(length);
    }
    void bits(std::uint32_t /*value*/, int length) { *otherBits += static_cast<std::uint64_t>(length); }
};

// The components' table slots a scan needs: DC scans one per component
// group member (luminance 0, chrominance 1), AC scans one; a DC refinement
// none.
struct ScanTables {
    std::array<bool, 4> dc{};
    std::array<bool, 4> ac{};
};
[[nodiscard]] ScanTables tablesOf(const ScanSpec& scan);

// The scan script for the components: a DC scan, then AC bands and
// refinements chosen for the fewest bytes among a few candidates.
[[nodiscard]] ScanScript chooseScanScript(std::span<const JpegComponent> comps, int imageWidth,
                                          int imageHeight, int hmax, int vmax);

// Writes the scans of `script`, each preceded by the Huffman tables built
// for it (DHT) and its header (SOS), onto `out`. Throws "Bad Huffman Table"
// should a table fail to derive.
void writeProgressiveScans(std::vector<std::uint8_t>& out, std::span<const JpegComponent> comps,
                           const ScanScript& script, int imageWidth, int imageHeight, int hmax,
                           int vmax, const ScanProgress& progress);

}  // namespace vendrik::jpeg
