// Block coding, the bit writer, the scan plan and Huffman table building.

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "jpeg/bit_writer.h"
#include "jpeg/huffman_optimiser.h"
#include "jpeg/jpeg_error.h"
#include "jpeg/scan_coding.h"

namespace vendrik::jpeg {
namespace {

// Records what codeBlock emits, as (kind, symbol, extra bits, extra length).
struct Emitted {
    char kind;
    int symbol;
    std::uint32_t extra;
    int length;
    friend bool operator==(const Emitted&, const Emitted&) = default;
};
struct RecordingSink {
    std::vector<Emitted> out;
    void dc(int s, std::uint32_t extra) { out.push_back({'D', s, extra, s}); }
    void ac(int symbol, std::uint32_t extra, int length) {
        out.push_back({'A', symbol, extra, length});
    }
};

std::vector<Emitted> code(const std::array<std::int16_t, 64>& block, int pred = 0) {
    RecordingSink sink;
    codeBlock(block.data(), pred, sink);
    return sink.out;
}

TEST(CodeBlock, ZeroBlockIsDcZeroAndEndOfBlock) {
    const std::vector<Emitted> want = {{'D', 0, 0, 0}, {'A', 0x00, 0, 0}};
    EXPECT_EQ(code({}), want);
}

TEST(CodeBlock, DcDifferencesUseOnesComplementForNegatives) {
    std::array<std::int16_t, 64> b{};
    b[0] = 7;
    // 7 − 10 = −3: category 2, extra bits 00 (the low bits of −4).
    EXPECT_EQ(code(b, 10)[0], (Emitted{'D', 2, 0b00, 2}));
    // 7 − 4 = 3: extra bits 11.
    EXPECT_EQ(code(b, 4)[0], (Emitted{'D', 2, 0b11, 2}));
    // The predictor follows the block.
    int pred = 4;
    RecordingSink sink;
    codeBlock(b.data(), pred, sink);
    EXPECT_EQ(pred, 7);
}

TEST(CodeBlock, LongZeroRunsAndEndOfBlock) {
    std::array<std::int16_t, 64> b{};
    b[21] = 5;  // after 20 zeros
    const std::vector<Emitted> want = {
        {'D', 0, 0, 0}, {'A', 0xF0, 0, 0}, {'A', 0x43, 0b101, 3}, {'A', 0x00, 0, 0}};
    EXPECT_EQ(code(b), want);

    // A last coefficient that is not zero ends the block without EOB; a
    // negative value sends its one's complement.
    std::array<std::int16_t, 64> c{};
    c[63] = -2;
    const std::vector<Emitted> want2 = {{'D', 0, 0, 0},   {'A', 0xF0, 0, 0}, {'A', 0xF0, 0, 0},
                                        {'A', 0xF0, 0, 0}, {'A', 0xE2, 0b01, 2}};
    EXPECT_EQ(code(c), want2);

    // Exactly sixteen zeros before a value need one ZRL-free symbol 0xF1.
    std::array<std::int16_t, 64> d{};
    d[16] = 1;
    d[17] = 1;
    EXPECT_EQ(code(d)[1], (Emitted{'A', 0xF1, 1, 1}));
    EXPECT_EQ(code(d)[2], (Emitted{'A', 0x01, 1, 1}));
}

TEST(BitWriter, StuffsZeroAfterFfAndPadsWithOnes) {
    std::vector<std::uint8_t> out;
    BitWriter w(out);
    w.put(0xFF, 8);
    w.put(0b101, 3);
    w.flush();
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0xFF, 0x00, 0b10111111}));

    // Padding that completes a byte of ones is stuffed too.
    out.clear();
    BitWriter w2(out);
    w2.put(0b1111, 4);
    w2.flush();
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0xFF, 0x00}));

    // On a byte boundary, flush writes nothing.
    out.clear();
    BitWriter w3(out);
    w3.put(0xA5, 8);
    w3.flush();
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0xA5}));
}

TEST(BitWriter, GrowsBeyondAnyEstimate) {
    // Coded data made of 0xFF bytes double in size when stuffed; the writer
    // must keep every byte however the buffer was sized.
    std::vector<std::uint8_t> out;
    out.reserve(16);
    BitWriter w(out);
    for (int i = 0; i < 100000; ++i) {
        w.put(0xFFFF, 16);
    }
    w.flush();
    ASSERT_EQ(out.size(), 400000U);
    for (std::size_t i = 0; i < out.size(); i += 2) {
        ASSERT_EQ(out[i], 0xFF);
        ASSERT_EQ(out[i + 1], 0x00);
    }
}

JpegComponent comp(int h, int v) {
    JpegComponent c;
    c.H = h;
    c.V = v;
    return c;
}

TEST(PlanScans, GroupsUpToTenBlocksAndThreeComponents) {
    const auto plan = [](std::vector<JpegComponent> comps) {
        std::vector<std::pair<int, int>> g;
        for (const auto& s : planScans(comps)) g.emplace_back(s.first, s.last);
        return g;
    };
    using G = std::vector<std::pair<int, int>>;
    std::vector<JpegComponent> c444;
    c444.push_back(comp(1, 1));
    c444.push_back(comp(1, 1));
    c444.push_back(comp(1, 1));
    EXPECT_EQ(plan(std::move(c444)), (G{{0, 2}}));
    std::vector<JpegComponent> c420;
    c420.push_back(comp(2, 2));
    c420.push_back(comp(1, 1));
    c420.push_back(comp(1, 1));
    EXPECT_EQ(plan(std::move(c420)), (G{{0, 2}}));
    std::vector<JpegComponent> grey;
    grey.push_back(comp(1, 1));
    EXPECT_EQ(plan(std::move(grey)), (G{{0, 0}}));
    // 4 × 3 = 12 blocks cannot share an MCU: Y alone, then Cb with Cr.
    std::vector<JpegComponent> big;
    big.push_back(comp(4, 3));
    big.push_back(comp(1, 1));
    big.push_back(comp(1, 1));
    EXPECT_EQ(plan(std::move(big)), (G{{0, 0}, {1, 2}}));
    // 3 × 3 + 1 = 10 still fits; + 1 = 11 does not.
    std::vector<JpegComponent> ten;
    ten.push_back(comp(3, 3));
    ten.push_back(comp(1, 1));
    ten.push_back(comp(1, 1));
    EXPECT_EQ(plan(std::move(ten)), (G{{0, 1}, {2, 2}}));
}

// Counts blocks by kind per component while walking a scan.
struct CountingSink {
    int stored = 0;
    int padding = 0;
    int lastDcSymbol = -1;
    void dc(int s, std::uint32_t) {
        lastDcSymbol = s;
    }
    void ac(int symbol, std::uint32_t, int) {
        (void)symbol;
    }
};

TEST(WalkScan, PaddingBlocksAt100x75With420) {
    std::vector<JpegComponent> comps;
    comps.push_back(comp(2, 2));
    comps.push_back(comp(1, 1));
    comps.push_back(comp(1, 1));
    // Y 100 × 75 → 13 × 10 blocks; Cb, Cr 50 × 38 → 7 × 5 blocks.
    const int bpr[] = {13, 7, 7};
    const int bpc[] = {10, 5, 5};
    for (int i = 0; i < 3; ++i) {
        comps[i].blocksPerRow = bpr[i];
        comps[i].blocksPerColumn = bpc[i];
        comps[i].coefficients = LargeArray<std::int16_t>(static_cast<std::size_t>(bpr[i]) * bpc[i] * 64);
        // Every stored block gets a distinct non-zero DC value and a last
        // coefficient, so stored blocks never code an end of block.
        for (std::size_t b = 0; b < comps[i].coefficients.size() / 64; ++b) {
            comps[i].coefficients[b * 64] = static_cast<std::int16_t>(b + 1);
            comps[i].coefficients[b * 64 + 63] = 1;
        }
    }
    Frequencies dc[3]{};
    Frequencies ac[3]{};
    std::vector<HistogramSink> sinks = {{&dc[0], &ac[0]}, {&dc[1], &ac[1]}, {&dc[2], &ac[2]}};
    std::vector<int> progress;
    walkScan(std::span<const JpegComponent>(comps), ScanGroup{0, 2}, 100, 75, 2, 2,
             [&](int j) -> HistogramSink& { return sinks[static_cast<std::size_t>(j)]; },
             [&](int v) { progress.push_back(v); });
    // Mx = 7, My = 5: 35 MCUs of 4 + 1 + 1 blocks. The second Y column of
    // the last MCU column is padding: 2 per MCU row, 10 in all; they alone
    // code an end of block.
    const auto total = [](const Frequencies& f) {
        return std::accumulate(f.begin(), f.end(), std::uint64_t{0});
    };
    EXPECT_EQ(total(dc[0]), 35U * 4U);
    EXPECT_EQ(total(dc[1]), 35U);
    EXPECT_EQ(total(dc[2]), 35U);
    EXPECT_EQ(ac[0][0x00], 10U);
    EXPECT_EQ(ac[1][0x00], 0U);
    EXPECT_EQ(ac[0][0xE1], 130U);  // 62 zeros, then the last coefficient 1
    EXPECT_EQ(progress, (std::vector<int>{84, 88, 92, 96}));
}

TEST(WalkScan, ProgressBeforeEachLaterMcuRow) {
    std::vector<JpegComponent> comps;
    for (int i = 0; i < 3; ++i) {
        comps.push_back(comp(1, 1));
        comps[i].blocksPerRow = 3;
        comps[i].blocksPerColumn = 3;
        comps[i].coefficients = LargeArray<std::int16_t>(9 * 64);
    }
    Frequencies dc{};
    Frequencies ac{};
    HistogramSink sink{&dc, &ac};
    std::vector<int> progress;
    walkScan(std::span<const JpegComponent>(comps), ScanGroup{0, 2}, 24, 24, 1, 1,
             [&](int) -> HistogramSink& { return sink; }, [&](int v) { progress.push_back(v); });
    EXPECT_EQ(progress, (std::vector<int>{88, 96}));
    EXPECT_EQ(dc[0], 27U);
    EXPECT_EQ(ac[0x00], 27U);  // no padding: 9 blocks per component
}

HuffmanTableSlot build(Frequencies f) {
    HuffmanTableSlot slot;
    buildCodeLengths(slot, f);
    for (const auto v : f) EXPECT_EQ(v, 0U) << "frequencies must be left zero";
    return slot;
}

int codeLength(const HuffmanTableSlot& s, int symbol) {
    return s.length[static_cast<std::size_t>(symbol)];
}

TEST(Huffman, SingleSymbolGetsOneBitCodeZero) {
    Frequencies f{};
    f[5] = 100;
    HuffmanTableSlot s = build(f);
    deriveHuffmanCodes(s, 255);
    EXPECT_EQ(s.counts[0], 1);
    EXPECT_EQ(s.symbols, (std::vector<std::uint8_t>{5}));
    EXPECT_EQ(s.code[5], 0);
    EXPECT_EQ(s.lengthMask[5], 1);
    EXPECT_EQ(s.code[4], -1);
    EXPECT_EQ(s.lengthMask[4], 0);
}

TEST(Huffman, TiesMergeTheHigherSymbolFirst) {
    // Symbols 1 and 2 tie at the smallest count with the reserved symbol
    // (count 1). The higher-numbered ones merge first: 256 with 2, then 1
    // joins, so 1 ends one level above 2; symbol 0 (count 3) takes the
    // shortest code.
    Frequencies f{};
    f[0] = 3;
    f[1] = 1;
    f[2] = 1;
    HuffmanTableSlot s = build(f);
    deriveHuffmanCodes(s, 255);
    EXPECT_EQ(codeLength(s, 0), 1);
    EXPECT_EQ(codeLength(s, 1), 2);
    EXPECT_EQ(codeLength(s, 2), 3);
    EXPECT_EQ(s.symbols, (std::vector<std::uint8_t>{0, 1, 2}));
    // Codes 0, 10, 110; the all-ones 111 was the reserved symbol's.
    EXPECT_EQ(s.code[0], 0b0);
    EXPECT_EQ(s.code[1], 0b10);
    EXPECT_EQ(s.code[2], 0b110);
}

TEST(Huffman, LengthsAreLimitedTo16Bits) {
    // Doubling counts make a maximally skewed tree, 27 levels deep.
    Frequencies f{};
    for (int s = 0; s < 26; ++s) {
        f[static_cast<std::size_t>(s)] = std::uint64_t{1} << s;
    }
    HuffmanTableSlot s = build(f);
    deriveHuffmanCodes(s, 255);
    int total = 0;
    for (int len = 1; len <= 16; ++len) total += s.counts[static_cast<std::size_t>(len - 1)];
    EXPECT_EQ(total, 26);
    for (int sym = 0; sym < 26; ++sym) {
        EXPECT_GE(codeLength(s, sym), 1);
        EXPECT_LE(codeLength(s, sym), 16);
    }
    // Kraft sum below 1: the all-ones code of the longest length stays free.
    double kraft = 0;
    for (int sym = 0; sym < 26; ++sym) kraft += std::ldexp(1.0, -codeLength(s, sym));
    EXPECT_LT(kraft, 1.0);
    // The tree was deeper than 16 before the limiting: the rarest symbols
    // now share the longest length, and more frequent ones never get longer
    // codes than rarer ones.
    int longest = 0;
    for (int sym = 0; sym < 26; ++sym) longest = std::max(longest, codeLength(s, sym));
    EXPECT_EQ(longest, 16);
    for (int sym = 1; sym < 26; ++sym) {
        EXPECT_LE(codeLength(s, sym), codeLength(s, sym - 1)) << sym;
    }
    EXPECT_EQ(codeLength(s, 25), 1);
}

TEST(Huffman, DerivationRejectsInconsistentTables) {
    const auto expectBad = [](HuffmanTableSlot s, int largest) {
        try {
            deriveHuffmanCodes(s, largest);
            ADD_FAILURE() << "accepted";
        } catch (const JpegError& e) {
            EXPECT_EQ(e.code(), JpegErrc::BadHuffmanTable);
            EXPECT_STREQ(e.what(), "Bad Huffman Table");
        }
    };
    HuffmanTableSlot threeOfLengthOne;
    threeOfLengthOne.counts[0] = 3;
    threeOfLengthOne.symbols = {1, 2, 3};
    expectBad(threeOfLengthOne, 255);

    HuffmanTableSlot twice;
    twice.counts[1] = 2;
    twice.symbols = {4, 4};
    expectBad(twice, 255);

    HuffmanTableSlot tooLarge;
    tooLarge.counts[1] = 1;
    tooLarge.symbols = {12};
    expectBad(tooLarge, 11);

    expectBad(HuffmanTableSlot{}, 255);

    HuffmanTableSlot countsBeyondSymbols;  // counts naming more symbols than listed
    countsBeyondSymbols.counts[3] = 5;
    countsBeyondSymbols.symbols = {1, 2};
    expectBad(countsBeyondSymbols, 255);
}

TEST(Huffman, EstimateCountsCodeAndExtraBits) {
    Frequencies f{};
    f[0x00] = 10;  // EOB: no extra bits
    f[0x13] = 4;   // three extra bits
    Frequencies counted = f;
    HuffmanTableSlot s = build(f);
    deriveHuffmanCodes(s, 255);
    // Both symbols get 1- or 2-bit codes: 10 × 1 + 4 × (2 + 3).
    EXPECT_EQ(codedBits(s, counted, false), 10U * codeLength(s, 0) + 4U * (codeLength(s, 0x13) + 3));
    // As a DC table the symbol itself is the number of extra bits.
    EXPECT_EQ(codedBits(s, counted, true),
              10U * codeLength(s, 0) + 4U * (codeLength(s, 0x13) + 0x13));
}

}  // namespace
}  // namespace vendrik::jpeg
