#pragma once
// The per-component state the encoder's stages share.

#include <array>
#include <cstdint>
#include <vector>

#include "common/large_array.h"

namespace vendrik::jpeg {

struct JpegComponent {
    int id = 0;  // written to the file: index + 1
    int H = 0;   // horizontal sampling factor, 1..4
    int V = 0;   // vertical sampling factor, 1..4
    int Tq = 0;  // quantisation table slot
    // Quantised blocks, 64 coefficients each in zigzag order, blocks row by
    // row over a blocksPerRow × blocksPerColumn grid.
    LargeArray<std::int16_t> coefficients;
    // Strong compression only: 16 × the DCT coefficients F(u, v) of each
    // block, zigzag order, before quantisation. The strong mode chooses the
    // quantised values when the file is written (it weighs rate against
    // distortion), so it keeps what it chooses from. |F| ≤ 1024 for 8-bit
    // samples (8 · 128 at most, T.81 A.3.3), so 16 × F fits 16 bits: a
    // sixteenth of a unit of precision at half the memory of floats.
    LargeArray<std::int16_t> transformed;
    int blocksPerRow = 0;
    int blocksPerColumn = 0;
};

// A code table in the form the file carries (T.81 B.2.4.2) plus the code and
// length of every symbol (Annex C), as built for one picture.
struct HuffmanTableSlot {
    std::array<std::uint8_t, 16> counts{};  // counts[k]: codes of length k + 1
    std::vector<std::uint8_t> symbols;      // in code order
    std::array<std::int32_t, 256> code{};   // −1: the symbol has no code
    std::array<std::int32_t, 256> lengthMask{};  // 2^(length − 1); 0: no code
    std::array<std::uint8_t, 256> length{};      // the same length as a number
};

// Table selectors: component 0 (luminance) uses slot 0 for DC and AC, the
// chroma components share slot 1, as the file writer and the Huffman
// optimiser both assume.
[[nodiscard]] constexpr int tableSlotOf(int componentIndex) noexcept {
    return componentIndex == 0 ? 0 : 1;
}

}  // namespace vendrik::jpeg
