// Progressive scans: whatever the script, libjpeg-turbo reads back exactly
// the coefficients we coded, without a warning; and the script chosen for
// size is a valid one.

#include "jpeg/progressive_scans.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "jpeg/jpeg_segments.h"
#include "libjpeg_coefficients.h"

namespace vendrik::jpeg {
namespace {

struct Picture {
    int width;
    int height;
    std::vector<JpegComponent> comps;
    int hmax = 1;
    int vmax = 1;
};

enum class Fill { Sparse, Dense, MostlyEmpty, Empty };

// Components of a width × height picture with the given factors, their
// blocks filled as `fill` says: values of every size, long runs of zeros
// between them, and blocks with nothing beyond DC.
Picture makePicture(int width, int height, std::vector<std::pair<int, int>> factors, Fill fill,
                    unsigned seed) {
    Picture p{width, height, {}, 1, 1};
    for (const auto& [h, v] : factors) {
        p.hmax = std::max(p.hmax, h);
        p.vmax = std::max(p.vmax, v);
    }
    std::mt19937 random(seed);
    const auto uniform = [&random](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(random);
    };
    for (std::size_t i = 0; i < factors.size(); ++i) {
        JpegComponent c;
        c.id = static_cast<int>(i) + 1;
        c.H = factors[i].first;
        c.V = factors[i].second;
        c.Tq = tableSlotOf(static_cast<int>(i));
        const int cw = (c.H * width + p.hmax - 1) / p.hmax;
        const int ch = (c.V * height + p.vmax - 1) / p.vmax;
        c.blocksPerRow = (cw + 7) / 8;
        c.blocksPerColumn = (ch + 7) / 8;
        c.coefficients = LargeArray<std::int16_t>(static_cast<std::size_t>(c.blocksPerRow) *
                                                  c.blocksPerColumn * 64);
        for (std::size_t b = 0; b < c.coefficients.size(); b += 64) {
            std::int16_t* block = &c.coefficients[b];
            block[0] = static_cast<std::int16_t>(uniform(-1024, 1023));
            if (fill == Fill::Empty || (fill == Fill::MostlyEmpty && uniform(0, 50) != 0)) {
                continue;
            }
            const int count = fill == Fill::Dense ? 64 : uniform(0, 12);
            for (int n = 0; n < count; ++n) {
                const int k = fill == Fill::Dense ? std::max(1, n) : uniform(1, 63);
                // Mostly small values, now and then one of the largest size.
                const int size = uniform(0, 9) == 0 ? uniform(1, 10) : uniform(1, 3);
                int value = uniform(1 << (size - 1), (1 << size) - 1);
                block[k] = static_cast<std::int16_t>(uniform(0, 1) != 0 ? value : -value);
            }
        }
        p.comps.push_back(std::move(c));
    }
    return p;
}

// A whole progressive file of the picture with the given scans.
std::vector<std::uint8_t> fileOf(const Picture& p, const ScanScript& script) {
    Bytes out;
    putMarker(out, 0xD8);
    QuantValues ones{};
    ones.fill(1);
    writeQuantTable(out, ones, 0, 8);
    writeQuantTable(out, ones, 1, 8);
    const std::size_t sof = beginSegment(out, 0xC2);
    out.push_back(8);
    put16(out, static_cast<unsigned>(p.height));
    put16(out, static_cast<unsigned>(p.width));
    out.push_back(static_cast<std::uint8_t>(p.comps.size()));
    for (const auto& c : p.comps) {
        out.push_back(static_cast<std::uint8_t>(c.id));
        out.push_back(static_cast<std::uint8_t>(c.H * 16 + c.V));
        out.push_back(static_cast<std::uint8_t>(c.Tq));
    }
    endSegment(out, sof);
    writeProgressiveScans(out, p.comps, script, p.width, p.height, p.hmax, p.vmax, {});
    putMarker(out, 0xD9);
    return out;
}

void expectReadBack(const Picture& p, const ScanScript& script, const std::string& what) {
    const test::LibjpegCoefficients read = test::readWithLibjpeg(fileOf(p, script));
    ASSERT_TRUE(read.ok) << what << ": " << read.messages;
    EXPECT_EQ(read.messages, "") << what;
    EXPECT_TRUE(read.progressive);
    ASSERT_EQ(read.components.size(), p.comps.size());
    for (std::size_t i = 0; i < p.comps.size(); ++i) {
        const JpegComponent& c = p.comps[i];
        ASSERT_EQ(read.components[i].size(), c.coefficients.size()) << what << " component " << i;
        for (std::size_t k = 0; k < c.coefficients.size(); ++k) {
            if (read.components[i][k] != c.coefficients[k]) {
                ADD_FAILURE() << what << ": component " << i << " block " << k / 64
                              << " coefficient " << k % 64 << ": read " << read.components[i][k]
                              << ", coded " << c.coefficients[k];
                return;
            }
        }
    }
}

ScanSpec scan(int first, int last, int ss, int se, int ah, int al) {
    return {{first, last}, ss, se, ah, al};
}

// Scripts that reach every path of the coders: no approximation, deep
// successive approximation (refinements of values up to 1023 and of DC),
// narrow bands, and bands refined separately.
std::vector<std::pair<std::string, ScanScript>> scriptsFor(int components) {
    const int last = components - 1;
    std::vector<std::pair<std::string, ScanScript>> scripts;
    ScanScript plain = {scan(0, last, 0, 0, 0, 0)};
    ScanScript deep = {scan(0, last, 0, 0, 0, 2)};
    ScanScript bands = {scan(0, last, 0, 0, 0, 1)};
    for (int j = 0; j <= last; ++j) {
        plain.push_back(scan(j, j, 1, 63, 0, 0));
        deep.push_back(scan(j, j, 1, 63, 0, 3));
        bands.push_back(scan(j, j, 1, 1, 0, 1));
        bands.push_back(scan(j, j, 2, 9, 0, 2));
        bands.push_back(scan(j, j, 10, 63, 0, 1));
    }
    deep.push_back(scan(0, last, 0, 0, 2, 1));
    deep.push_back(scan(0, last, 0, 0, 1, 0));
    for (int j = 0; j <= last; ++j) {
        for (int ah = 3; ah >= 1; --ah) {
            deep.push_back(scan(j, j, 1, 63, ah, ah - 1));
        }
        bands.push_back(scan(j, j, 2, 9, 2, 1));
        bands.push_back(scan(j, j, 1, 63, 1, 0));
    }
    bands.push_back(scan(0, last, 0, 0, 1, 0));
    scripts.emplace_back("plain", plain);
    scripts.emplace_back("deep", deep);
    scripts.emplace_back("bands", bands);
    return scripts;
}

struct Case {
    std::string name;
    int width;
    int height;
    std::vector<std::pair<int, int>> factors;
    Fill fill;
};

TEST(ProgressiveScans, LibjpegReadsBackEveryCoefficient) {
    const Case cases[] = {
        {"grey 1x1", 1, 1, {{1, 1}}, Fill::Sparse},
        {"grey 61x37 dense", 61, 37, {{1, 1}}, Fill::Dense},
        {"444 100x75", 100, 75, {{1, 1}, {1, 1}, {1, 1}}, Fill::Sparse},
        {"420 100x75", 100, 75, {{2, 2}, {1, 1}, {1, 1}}, Fill::Sparse},
        {"420 3x3", 3, 3, {{2, 2}, {1, 1}, {1, 1}}, Fill::Dense},
        {"422 33x17", 33, 17, {{2, 1}, {1, 1}, {1, 1}}, Fill::Sparse},
        {"grey 1x10000", 1, 10000, {{1, 1}}, Fill::MostlyEmpty},
        {"444 empty", 40, 24, {{1, 1}, {1, 1}, {1, 1}}, Fill::Empty},
        // Tall enough that the script is chosen on a sample of the rows;
        // the luminance's last block row has no chroma row of its own.
        {"420 300x517", 300, 517, {{2, 2}, {1, 1}, {1, 1}}, Fill::Sparse},
        {"444 64x260 dense", 64, 260, {{1, 1}, {1, 1}, {1, 1}}, Fill::Dense},
    };
    unsigned seed = 1;
    for (const Case& c : cases) {
        const Picture p = makePicture(c.width, c.height, c.factors, c.fill, seed++);
        for (const auto& [name, script] : scriptsFor(static_cast<int>(c.factors.size()))) {
            expectReadBack(p, script, c.name + ", " + name);
        }
        const ScanScript chosen = chooseScanScript(p.comps, p.width, p.height, p.hmax, p.vmax);
        expectReadBack(p, chosen, c.name + ", chosen");
    }
}

// More blocks than one end-of-band run may hold (32767), and refinement
// scans holding back more correction bits than the coder buffers.
TEST(ProgressiveScans, LongEndOfBandRunsAndHeldCorrectionBits) {
    Picture p = makePicture(2048, 1040, {{1, 1}}, Fill::Empty, 7);
    // Every block has a large value at 63 and nothing else: in the
    // refinement of 1..63 each block only adds a correction bit to the run.
    for (std::size_t b = 0; b < p.comps[0].coefficients.size(); b += 64) {
        p.comps[0].coefficients[b + 63] = static_cast<std::int16_t>(b % 128 == 0 ? 7 : -6);
    }
    const ScanScript script = {scan(0, 0, 0, 0, 0, 0), scan(0, 0, 1, 62, 0, 1),
                               scan(0, 0, 63, 63, 0, 1), scan(0, 0, 1, 63, 1, 0)};
    expectReadBack(p, script, "long runs");
}

// A smooth vertical gradient (a sky): in 2 × 2 squares, interleaved DC
// differences jump a block row at every other block, so the luminance DC
// goes alone; in 4:4:4 one interleaved DC scan costs least.
TEST(ProgressiveScans, DcScanGroupingFollowsTheBlockOrder) {
    const struct {
        std::vector<std::pair<int, int>> factors;
        std::vector<ScanGroup> dcGroups;
    } cases[] = {
        {{{2, 2}, {1, 1}, {1, 1}}, {{0, 0}, {1, 2}}},
        {{{1, 1}, {1, 1}, {1, 1}}, {{0, 2}}},
    };
    for (const auto& c : cases) {
        Picture p = makePicture(320, 256, c.factors, Fill::Empty, 3);
        for (JpegComponent& comp : p.comps) {
            for (std::size_t b = 0; b < comp.coefficients.size(); b += 64) {
                const auto row = static_cast<int>(b / 64) / comp.blocksPerRow;
                comp.coefficients[b] = static_cast<std::int16_t>(-900 + 25 * row);
            }
        }
        const ScanScript chosen = chooseScanScript(p.comps, p.width, p.height, p.hmax, p.vmax);
        std::vector<ScanGroup> dcGroups;
        for (const ScanSpec& s : chosen) {
            if (s.dc() && !s.refinement()) dcGroups.push_back(s.group);
        }
        ASSERT_EQ(dcGroups.size(), c.dcGroups.size()) << c.factors[0].first;
        for (std::size_t i = 0; i < dcGroups.size(); ++i) {
            EXPECT_EQ(dcGroups[i].first, c.dcGroups[i].first);
            EXPECT_EQ(dcGroups[i].last, c.dcGroups[i].last);
        }
        expectReadBack(p, chosen, "gradient");
    }
}

TEST(ProgressiveScans, TablesEachScanNeeds) {
    const ScanTables dc = tablesOf(scan(0, 2, 0, 0, 0, 1));
    EXPECT_TRUE(dc.dc[0] && dc.dc[1]);
    EXPECT_FALSE(dc.ac[0] || dc.ac[1]);
    const ScanTables dcRefine = tablesOf(scan(0, 2, 0, 0, 1, 0));
    EXPECT_FALSE(dcRefine.dc[0] || dcRefine.dc[1] || dcRefine.ac[0] || dcRefine.ac[1]);
    const ScanTables chroma = tablesOf(scan(2, 2, 1, 63, 1, 0));
    EXPECT_TRUE(chroma.ac[1]);
    EXPECT_FALSE(chroma.ac[0] || chroma.dc[1]);
}

}  // namespace
}  // namespace vendrik::jpeg
