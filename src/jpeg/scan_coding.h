#pragma once
// The scan structure of a baseline file and the coding of one block (T.81
// F.1.2): which components share a scan, in which order their blocks are
// visited (MCUs with padding blocks at the right and bottom edges), and how a
// block turns into DC and AC symbols.
//
// Counting symbols for the Huffman tables and writing them walk the blocks
// through the same code below, with a histogram sink or a bit sink, so the
// two can never disagree.

#include <array>
#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <span>
#include <vector>

#include "jpeg/jpeg_component.h"

namespace vendrik::jpeg {

// A run of consecutive components coded in one scan.
struct ScanGroup {
    int first = 0;
    int last = 0;  // inclusive
    [[nodiscard]] bool interleaved() const { return last > first; }
};

// Groups components in list order: a group takes components while their
// blocks per MCU add up to at most 10 (T.81 B.2.3) and it has at most three.
[[nodiscard]] std::vector<ScanGroup> planScans(std::span<const JpegComponent> components);

// The number of bits of |x| (T.81 F.1.2.1.1's SSSS), 0 for 0.
[[nodiscard]] inline int category(int x) noexcept {
    return std::bit_width(static_cast<unsigned>(std::abs(x)));
}

// The low `s` bits sent after a symbol: the value itself, or for a negative
// value its one's complement (x − 1) (F.1.2.1.1).
[[nodiscard]] inline std::uint32_t extraBits(int x, int s) noexcept {
    const int v = x < 0 ? x - 1 : x;
    return static_cast<std::uint32_t>(v) & ((1U << s) - 1U);
}

// Bit k set when coefficient k of the block is not zero.
[[nodiscard]] inline std::uint64_t nonZeroMask(const std::int16_t* c) noexcept {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    std::uint64_t mask = 0;
    for (int i = 0; i < 8; ++i) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c + 8 * i));
        const __m128i isZero = _mm_cmpeq_epi16(v, zero);
        const auto zeros = static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(isZero, isZero)));
        mask |= static_cast<std::uint64_t>(~zeros & 0xFFU) << (8 * i);
    }
    return mask;
#else
    std::uint64_t mask = 0;
    for (int k = 0; k < 64; ++k) {
        mask |= static_cast<std::uint64_t>(c[k] != 0) << k;
    }
    return mask;
#endif
}

// Codes one block of zigzag coefficients into `sink` (T.81 F.1.2.1, F.1.2.2):
//   sink.dc(category, extraBits), sink.ac(symbol, extraBits, extraLength).
// Runs of zeros are found from a bit mask of the non-zero coefficients.
template <typename Sink>
inline void codeBlock(const std::int16_t* c, int& pred, Sink& sink) {
    const int diff = c[0] - pred;
    pred = c[0];
    const int s = category(diff);
    sink.dc(s, extraBits(diff, s));
    std::uint64_t mask = nonZeroMask(c) & ~std::uint64_t{1};
    int last = 0;  // index of the last coefficient coded
    while (mask != 0) {
        const int k = std::countr_zero(mask);
        mask &= mask - 1;
        int run = k - last - 1;
        while (run > 15) {
            sink.ac(0xF0, 0, 0);  // sixteen zeros
            run -= 16;
        }
        const int v = c[k];
        const int sv = category(v);
        sink.ac(run * 16 + sv, extraBits(v, sv), sv);
        last = k;
    }
    if (last < 63) {
        sink.ac(0x00, 0, 0);  // end of block
    }
}

// A padding block repeats the predictor as its DC value and has no AC
// coefficients: DC symbol 0 and an end of block.
template <typename Sink>
inline void codePaddingBlock(Sink& sink) {
    sink.dc(0, 0);
    sink.ac(0x00, 0, 0);
}

// Progress of an interleaved scan, called before MCU rows 1 .. My − 1 with
// 81 + ⌊m · (100 / (My − 1)) · 15 / 100⌋.
using ScanProgress = std::function<void(int)>;

// Visits the blocks of one scan in coding order: visit(componentIndex, block)
// with `block` the block's 64 zigzag coefficients, or nullptr for a padding
// block of an interleaved scan. A scan of one component visits its stored
// blocks row by row; an interleaved scan visits MCU by MCU, each component's
// H × V blocks in turn, with padding where the MCU grid passes the edge.
template <typename Visit>
void forEachScanBlock(std::span<const JpegComponent> comps, const ScanGroup& group,
                      int imageWidth, int imageHeight, int hmax, int vmax, Visit&& visit,
                      const ScanProgress& progress = {}) {
    if (!group.interleaved()) {
        const JpegComponent& c = comps[static_cast<std::size_t>(group.first)];
        for (std::size_t p = 0; p + 64 <= c.coefficients.size(); p += 64) {
            visit(group.first, &c.coefficients[p]);
        }
        return;
    }
    const int mx = (imageWidth + 8 * hmax - 1) / (8 * hmax);
    const int my = (imageHeight + 8 * vmax - 1) / (8 * vmax);
    struct Member {
        int index;
        const JpegComponent* c;
        int edge;  // block columns of the last MCU column that exist
    };
    std::vector<Member> members;
    for (int j = group.first; j <= group.last; ++j) {
        const JpegComponent& c = comps[static_cast<std::size_t>(j)];
        const int e = c.blocksPerRow % c.H;
        members.push_back({j, &c, e == 0 ? c.H : e});
    }
    for (int m = 0; m < my; ++m) {
        if (m >= 1 && progress) {
            progress(81 + static_cast<int>(std::floor(m * (100.0 / (my - 1)) * 15.0 / 100.0)));
        }
        for (int n = 0; n < mx; ++n) {
            for (const Member& mb : members) {
                const JpegComponent& c = *mb.c;
                for (int v = 0; v < c.V; ++v) {
                    const int row = m * c.V + v;
                    for (int h = 0; h < c.H; ++h) {
                        const int col = n * c.H + h;
                        // The bounds test on col also guards sampling
                        // factors whose MCU grid does not tile the blocks.
                        const bool padding = (n == mx - 1 && h >= mb.edge) ||
                                             row >= c.blocksPerColumn || col >= c.blocksPerRow;
                        if (padding) {
                            visit(mb.index, nullptr);
                        } else {
                            const std::size_t at =
                                (static_cast<std::size_t>(row) * c.blocksPerRow + col) * 64;
                            visit(mb.index, &c.coefficients[at]);
                        }
                    }
                }
            }
        }
    }
}

// Codes the blocks of one baseline scan. `sinkFor(componentIndex)` returns
// the sink for that component's blocks (its tables). DC predictors start at
// 0.
template <typename SinkFor>
void walkScan(std::span<const JpegComponent> comps, const ScanGroup& group, int imageWidth,
              int imageHeight, int hmax, int vmax, SinkFor&& sinkFor,
              const ScanProgress& progress = {}) {
    std::array<int, 4> pred{};
    forEachScanBlock(
        comps, group, imageWidth, imageHeight, hmax, vmax,
        [&](int j, const std::int16_t* block) {
            auto& sink = sinkFor(j);
            if (block != nullptr) {
                codeBlock(block, pred[static_cast<std::size_t>(j)], sink);
            } else {
                codePaddingBlock(sink);
            }
        },
        progress);
}

}  // namespace vendrik::jpeg
