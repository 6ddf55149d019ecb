#pragma once
// Rate–distortion optimised ("trellis") quantisation of a block's AC
// coefficients: of all the quantised values a decoder could be sent, choose
// those that minimise distortion + λ · bits, the bits counted with the
// Huffman code lengths of the tables the file will carry (Crouse and
// Ramchandran's joint thresholding for baseline JPEG, as a shortest path).
//
// Why it pays: rounding to the nearest value spends as many bits on a
// coefficient that lands just above 0.5 as on one that is worth keeping, and
// an isolated small value late in the block costs a long run symbol for
// little gain. The search drops or shrinks exactly those.
//
// The search runs over the block's zigzag positions as a graph: a node is
// "the last non-zero value sent is at position p", an edge from p to q sends
// the run of zeros between them and one value at q (the ZRL symbols for runs
// above 15 included), and every path ends with an end of block unless it
// ends at position 63. Only positions whose value rounds to at least 1 can
// hold a value: below 0.5 a zero is both nearer and cheaper. At such a
// position only two values are worth trying: the nearest, and the largest
// value of the next smaller size category (the rate depends on the category
// alone, so within a category the nearest value wins). With n candidate
// positions the search costs O(n²), n being a handful in most blocks.

#include <array>
#include <cstdint>

#include "jpeg/jpeg_component.h"

namespace vendrik::jpeg {

// The cost in bits of each AC symbol (code length, extra bits not
// included), from a table built for the picture.
struct AcRates {
    std::array<float, 256> bits{};
};

// Code lengths of the slot's symbols. A symbol without a code has not
// occurred so far; it gets the length of the longest code plus two, a
// guess at what adding it to the table would cost.
[[nodiscard]] AcRates acRatesOf(const HuffmanTableSlot& slot);

// How a block is judged: distortion is Σ weight[k] · (x[k] − value[k])² with
// x in quantisation steps (zigzag order), rate in bits, and lambda trades
// one for the other.
struct TrellisCost {
    const float* weight;  // 64 entries, zigzag
    float lambda;
};

// λ that grows with a block's texture: `base` in a flat block, rising
// linearly with the mean square of the block's AC coefficients (in the
// units of the quantisation table, fine / 16) as base · (1 + energy /
// texture), up to `most`. Texture hides error, so it buys fewer bits there;
// a flat block, where every error shows, keeps the small λ.
struct MaskedLambda {
    float base;
    float texture;
    float most;
};
[[nodiscard]] float blockLambda(const std::int16_t* fine, const MaskedLambda& m);

// Chooses out[1..63] for the block whose 16 × DCT coefficients are `fine`
// (zigzag), `inverseStep[k]` being 1 / (16 · Q[k]). out[0] is not touched.
void trellisQuantiseAc(const std::int16_t* fine, const float* inverseStep, const AcRates& rates,
                       const TrellisCost& cost, std::int16_t* out);

}  // namespace vendrik::jpeg
