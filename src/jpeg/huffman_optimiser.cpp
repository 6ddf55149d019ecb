#include "jpeg/huffman_optimiser.h"

#include <algorithm>
#include <limits>
#include <span>
#include <vector>

#include "jpeg/cJpeg.h"
#include "jpeg/jpeg_error.h"
#include "jpeg/scan_coding.h"

namespace vendrik::jpeg {

void buildCodeLengths(HuffmanTableSlot& slot, Frequencies& freq) {
    constexpr int kSymbols = 257;
    std::array<int, kSymbols> codeSize{};
    std::array<int, kSymbols> others{};
    others.fill(-1);

    freq[256] = 1;
    // K.2, Figure K.1: merge the two least frequent trees until one is left.
    // Ties go to the higher symbol number for both c1 and c2 (the "≤" tests),
    // which is what makes the tables agree with other encoders'.
    int c1 = -1;
    for (;;) {
        c1 = -1;
        int c2 = -1;
        std::uint64_t v1 = std::numeric_limits<std::uint64_t>::max();
        std::uint64_t v2 = v1;
        for (int i = 0; i < kSymbols; ++i) {
            const std::uint64_t f = freq[static_cast<std::size_t>(i)];
            if (f == 0) {
                continue;
            }
            if (f <= v1) {
                v2 = v1;
                c2 = c1;
                v1 = f;
                c1 = i;
            } else if (f <= v2) {
                v2 = f;
                c2 = i;
            }
        }
        if (c2 < 0) {
            break;
        }
        freq[static_cast<std::size_t>(c1)] += freq[static_cast<std::size_t>(c2)];
        freq[static_cast<std::size_t>(c2)] = 0;
        // Every symbol in both chains moves one level deeper.
        int k = c1;
        ++codeSize[static_cast<std::size_t>(k)];
        while (others[static_cast<std::size_t>(k)] >= 0) {
            k = others[static_cast<std::size_t>(k)];
            ++codeSize[static_cast<std::size_t>(k)];
        }
        others[static_cast<std::size_t>(k)] = c2;
        k = c2;
        ++codeSize[static_cast<std::size_t>(k)];
        while (others[static_cast<std::size_t>(k)] >= 0) {
            k = others[static_cast<std::size_t>(k)];
            ++codeSize[static_cast<std::size_t>(k)];
        }
    }
    if (c1 >= 0) {
        freq[static_cast<std::size_t>(c1)] = 0;
    }

    // K.2, Figure K.2: how many codes of each length.
    std::array<int, kSymbols + 1> bits{};
    int longest = 0;
    for (int i = 0; i < kSymbols; ++i) {
        const int size = codeSize[static_cast<std::size_t>(i)];
        if (size > 0) {
            ++bits[static_cast<std::size_t>(size)];
            longest = std::max(longest, size);
        }
    }

    // K.3, Figure K.3: no code longer than 16 bits. Two codes of length i
    // become one of length i − 1 plus two under a prefix j shortened to j + 1.
    for (int i = longest; i > 16; --i) {
        while (bits[static_cast<std::size_t>(i)] > 0) {
            int j = i - 2;
            while (j > 1 && bits[static_cast<std::size_t>(j)] == 0) {
                --j;
            }
            bits[static_cast<std::size_t>(i)] -= 2;
            bits[static_cast<std::size_t>(i - 1)] += 1;
            bits[static_cast<std::size_t>(j + 1)] += 2;
            bits[static_cast<std::size_t>(j)] -= 1;
        }
    }
    // The reserved symbol holds the last code of the longest length left.
    for (int i = std::min(longest, 16); i > 0; --i) {
        if (bits[static_cast<std::size_t>(i)] > 0) {
            --bits[static_cast<std::size_t>(i)];
            break;
        }
    }

    for (std::size_t k = 0; k < 16; ++k) {
        slot.counts[k] = static_cast<std::uint8_t>(bits[k + 1]);
    }
    // K.2, Figure K.4: symbols by their (unlimited) code size, then value.
    slot.symbols.clear();
    for (int size = 1; size <= longest; ++size) {
        for (int s = 0; s < 256; ++s) {
            if (codeSize[static_cast<std::size_t>(s)] == size) {
                slot.symbols.push_back(static_cast<std::uint8_t>(s));
            }
        }
    }
}

void deriveHuffmanCodes(HuffmanTableSlot& slot, int largestSymbol) {
    slot.code.fill(-1);
    slot.lengthMask.fill(0);
    slot.length.fill(0);
    const auto bad = jpegError(JpegErrc::BadHuffmanTable);

    // Annex C: codes of one length are consecutive; moving to the next
    // length appends a 0 bit. A code reaching 2^length would not fit.
    std::int32_t code = 0;
    std::int32_t mask = 1;
    std::size_t n = 0;
    for (int len = 1; len <= 16; ++len) {
        const std::size_t count = slot.counts[static_cast<std::size_t>(len - 1)];
        enforce(n + count <= 256 && n + count <= slot.symbols.size(), bad);
        for (std::size_t k = 0; k < count; ++k) {
            const int sym = slot.symbols[n];
            enforce(sym <= largestSymbol && slot.code[static_cast<std::size_t>(sym)] < 0, bad);
            slot.code[static_cast<std::size_t>(sym)] = code;
            slot.lengthMask[static_cast<std::size_t>(sym)] = mask;
            slot.length[static_cast<std::size_t>(sym)] = static_cast<std::uint8_t>(len);
            ++code;
            ++n;
        }
        enforce(code < 2 * mask, bad);
        mask *= 2;
        code *= 2;
    }
    enforce(n > 0, bad);
}

std::uint64_t codedBits(const HuffmanTableSlot& slot, const Frequencies& freq, bool isDc) {
    std::uint64_t total = 0;
    for (std::size_t s = 0; s < 256; ++s) {
        if (freq[s] == 0) {
            continue;
        }
        const std::uint64_t extra = isDc ? s : (s & 0x0F);
        total += freq[s] * (slot.length[s] + extra);
    }
    return total;
}

}  // namespace vendrik::jpeg

namespace vendrik {

// The tables of the picture in hand: count every symbol the scans will code,
// then build and derive the used slots. Returns the coded data's size in
// bytes, without stuffing.
std::uint64_t cJpeg::optimizeHuffmanTables() {
    const std::span<const jpeg::JpegComponent> comps(m_components);
    const auto groups = jpeg::planScans(comps);

    std::array<jpeg::Frequencies, 4> dcFreq{};
    std::array<jpeg::Frequencies, 4> acFreq{};
    std::array<bool, 4> used{};
    std::vector<jpeg::HistogramSink> sinks;
    for (std::size_t i = 0; i < comps.size(); ++i) {
        const auto slot = static_cast<std::size_t>(jpeg::tableSlotOf(static_cast<int>(i)));
        used[slot] = true;
        sinks.push_back({&dcFreq[slot], &acFreq[slot]});
    }
    // Counting walks the blocks exactly as writing does. Padding blocks of
    // interleaved scans count their DC symbol 0 and their end of block, so
    // every AC table they use has an end-of-block code.
    for (const auto& g : groups) {
        jpeg::walkScan(comps, g, m_width, m_height, m_hmax, m_vmax,
                       [&](int j) -> jpeg::HistogramSink& {
                           return sinks[static_cast<std::size_t>(j)];
                       });
    }

    std::uint64_t bits = 0;
    for (std::size_t k = 0; k < 4; ++k) {
        report(60 + 5 * static_cast<int>(k));
        if (!used[k]) {
            continue;
        }
        jpeg::Frequencies counted = dcFreq[k];
        jpeg::buildCodeLengths(m_dcTables[k], dcFreq[k]);
        jpeg::deriveHuffmanCodes(m_dcTables[k], m_precision == 12 ? 15 : 11);
        bits += jpeg::codedBits(m_dcTables[k], counted, true);

        counted = acFreq[k];
        jpeg::buildCodeLengths(m_acTables[k], acFreq[k]);
        jpeg::deriveHuffmanCodes(m_acTables[k], 255);
        bits += jpeg::codedBits(m_acTables[k], counted, false);
    }
    return (bits + 7) / 8;
}

}  // namespace vendrik
