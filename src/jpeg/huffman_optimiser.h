#pragma once
// Huffman tables built for the picture being written: symbol counts, code
// lengths by the procedure of T.81 Annex K.2 with the 16-bit limit of K.3,
// and codes derived as in Annex C.

#include <array>
#include <cstdint>

#include "jpeg/jpeg_component.h"

namespace vendrik::jpeg {

// Counts of symbols 0..255 plus the reserved symbol 256, which keeps any code
// from consisting of 1-bits only (K.2).
using Frequencies = std::array<std::uint64_t, 257>;

// Fills the slot's counts and symbols from `freq`, which it leaves all zero.
void buildCodeLengths(HuffmanTableSlot& slot, Frequencies& freq);

// Fills the slot's codes, masks and lengths from its counts and symbols.
// Throws "Bad Huffman Table" when the table cannot be a prefix code, names a
// symbol above `largestSymbol` or twice, or holds no symbol at all.
void deriveHuffmanCodes(HuffmanTableSlot& slot, int largestSymbol);

// Bits the symbols counted in `freq` take with the slot's codes, extra bits
// included: for DC the symbol is the extra-bit count, for AC its low nibble.
[[nodiscard]] std::uint64_t codedBits(const HuffmanTableSlot& slot, const Frequencies& freq,
                                      bool isDc);

// A sink for codeBlock() that counts symbols instead of writing them.
struct HistogramSink {
    Frequencies* dcFreq;
    Frequencies* acFreq;
    void dc(int s, std::uint32_t /*extra*/) { ++(*dcFreq)[static_cast<std::size_t>(s)]; }
    void ac(int symbol, std::uint32_t /*extra*/, int /*length*/) {
        ++(*acFreq)[static_cast<std::size_t>(symbol)];
    }
};

}  // namespace vendrik::jpeg
