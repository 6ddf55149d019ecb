// cJpeg as a whole: sampling geometry, progress, the file layout and
// SaveFile's results.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <vector>

#include "common/error.h"
#include "jpeg/cJpeg.h"
#include "jpeg/jpeg_error.h"
#include "support/jpeg_test_pictures.h"

namespace vendrik {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes encode(const Surface& s, int quality, int h1 = 1, int v1 = 1, bool grey = false,
             const std::string& comment = "") {
    cJpeg j;
    if (grey) {
        j.SetSamplingFrequencies(1, 1, 0, 0, 0, 0);
    } else {
        j.SetSamplingFrequencies(h1, v1, 1, 1, 1, 1);
    }
    j.Quality(quality);
    if (!comment.empty()) j.Comment(comment);
    EXPECT_EQ(j.SampleHDC(s, s.width(), s.height(), 0, 0), cJpeg::kSampled);
    return j.encodeToMemory();
}

Bytes slice(const Bytes& b, std::size_t at, std::size_t n) {
    return {b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + n)};
}

TEST(SampleHDC, BlockGridsOfEachComponent) {
    cJpeg j;
    Surface p = test::makePicture(17, 9);
    ASSERT_EQ(j.SampleHDC(p, 17, 9, 0, 0), cJpeg::kSampled);
    for (const auto& c : j.components()) {
        EXPECT_EQ(c.blocksPerRow, 3);
        EXPECT_EQ(c.blocksPerColumn, 2);
        EXPECT_EQ(c.coefficients.size(), 384U);
    }
    EXPECT_EQ(j.precision(), 8);

    j.SetSamplingFrequencies(2, 2, 1, 1, 1, 1);
    Surface q = test::makePicture(100, 75);
    ASSERT_EQ(j.SampleHDC(q, 100, 75, 0, 0), cJpeg::kSampled);
    EXPECT_EQ(j.components()[0].blocksPerRow, 13);
    EXPECT_EQ(j.components()[0].blocksPerColumn, 10);
    EXPECT_EQ(j.components()[1].blocksPerRow, 7);
    EXPECT_EQ(j.components()[1].blocksPerColumn, 5);
    EXPECT_EQ(j.components()[2].coefficients.size(), 7U * 5U * 64U);
}

TEST(SampleHDC, EdgePaddingRepeatsTheLastColumnAndRow) {
    // A 17 × 9 picture whose 17th column and 9th row are white and the rest
    // black: padded with its edges, the right and bottom blocks are uniform
    // white where the padding lies. Block (2, 1) covers columns 16..23 and
    // rows 8..15, all white after padding: a flat block, DC only.
    Surface p(17, 9);
    for (int y = 0; y < 9; ++y) p.setPixel(16, y, {255, 255, 255});
    for (int x = 0; x < 17; ++x) p.setPixel(x, 8, {255, 255, 255});
    cJpeg j;
    j.Quality(80);
    ASSERT_EQ(j.SampleHDC(p, 17, 9, 0, 0), cJpeg::kSampled);
    const auto& y = j.components()[0].coefficients;
    const std::size_t corner = (1 * 3 + 2) * 64;
    EXPECT_EQ(y[corner], 145);  // white Y 127 · 8 / 7
    for (int k = 1; k < 64; ++k) EXPECT_EQ(y[corner + k], 0) << k;
    // Block (0, 0) is black: −128 · 8 / 7 → −146.
    EXPECT_EQ(y[0], -146);
}

TEST(SampleHDC, ChromaOfA3x3PictureReusesTheUnreducedDrawing) {
    // Cb's 2 × 2 drawing pads to the same 8 × 8 as Y's, so 4:2:0 keeps Y's
    // unreduced 3 × 3 drawing: its chroma equals the 4:4:4 chroma.
    Surface p = test::makePicture(3, 3, false, 7);
    cJpeg a;
    cJpeg b;
    b.SetSamplingFrequencies(2, 2, 1, 1, 1, 1);
    ASSERT_EQ(a.SampleHDC(p, 3, 3, 0, 0), cJpeg::kSampled);
    ASSERT_EQ(b.SampleHDC(p, 3, 3, 0, 0), cJpeg::kSampled);
    for (int c = 1; c < 3; ++c) {
        const auto& ca = a.components()[static_cast<std::size_t>(c)].coefficients;
        const auto& cb = b.components()[static_cast<std::size_t>(c)].coefficients;
        ASSERT_EQ(cb.size(), 64U);
        EXPECT_TRUE(std::equal(ca.begin(), ca.end(), cb.begin())) << "component " << c;
    }
}

TEST(SampleHDC, RefusesSizesItCannotEncodeAndKeepsWhatItHad) {
    cJpeg j;
    Surface p = test::makePicture(8, 8);
    ASSERT_EQ(j.SampleHDC(p, 8, 8, 0, 0), cJpeg::kSampled);
    EXPECT_EQ(j.SampleHDC(p, 0, 8, 0, 0), cJpeg::kSurfaceFailed);
    EXPECT_EQ(j.SampleHDC(p, 8, -1, 0, 0), cJpeg::kSurfaceFailed);
    EXPECT_EQ(j.SampleHDC(p, 65536, 8, 0, 0), cJpeg::kSurfaceFailed);
    EXPECT_EQ(j.imageWidth(), 8);
    EXPECT_EQ(j.components()[0].coefficients.size(), 64U);
}

TEST(CJpegProgress, ValuesArriveInOrder) {
    cJpeg j;
    std::vector<int> seen;
    j.setProgress([&](int v) { seen.push_back(v); });
    Surface p = test::makePicture(24, 24);
    ASSERT_EQ(j.SampleHDC(p, 24, 24, 0, 0), cJpeg::kSampled);
    (void)j.encodeToMemory();
    EXPECT_EQ(seen, (std::vector<int>{30, 40, 50, 60, 65, 70, 75, 88, 96, 100}));

    cJpeg g;
    g.SetSamplingFrequencies(1, 1, 0, 0, 0, 0);
    seen.clear();
    g.setProgress([&](int v) { seen.push_back(v); });
    ASSERT_EQ(g.SampleHDC(p, 24, 24, 0, 0), cJpeg::kSampled);
    (void)g.encodeToMemory();
    // A grey picture has one non-interleaved scan: no MCU-row progress.
    EXPECT_EQ(seen, (std::vector<int>{30, 60, 65, 70, 75, 100}));
}

TEST(FileLayout, ColourFileSegmentsInOrder) {
    Surface p = test::makePicture(300, 2);
    const Bytes f = encode(p, 80);
    const Bytes head = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00, 0x01,
                        0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00};
    ASSERT_EQ(slice(f, 0, head.size()), head);
    std::size_t at = head.size();
    // Two DQT segments of their own, 8-bit, with the quality-80 values.
    EXPECT_EQ(slice(f, at, 5), (Bytes{0xFF, 0xDB, 0x00, 0x43, 0x00}));
    EXPECT_EQ(slice(f, at + 5, 4), (Bytes{7, 5, 5, 6}));
    at += 69;
    EXPECT_EQ(slice(f, at, 5), (Bytes{0xFF, 0xDB, 0x00, 0x43, 0x01}));
    EXPECT_EQ(slice(f, at + 5, 4), (Bytes{7, 8, 8, 10}));
    at += 69;
    EXPECT_EQ(slice(f, at, 19), (Bytes{0xFF, 0xC0, 0x00, 0x11, 0x08, 0x00, 0x02, 0x01, 0x2C, 0x03,
                                       0x01, 0x11, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11, 0x01}));
    at += 19;
    // DHT DC0, AC0, DC1, AC1, each its own segment.
    for (const std::uint8_t cls : {0x00, 0x10, 0x01, 0x11}) {
        ASSERT_EQ(slice(f, at, 2), (Bytes{0xFF, 0xC4}));
        const std::size_t len = (f[at + 2] << 8) | f[at + 3];
        EXPECT_EQ(f[at + 4], cls);
        std::size_t symbols = 0;
        for (int i = 0; i < 16; ++i) symbols += f[at + 5 + i];
        EXPECT_EQ(len, 2 + 1 + 16 + symbols);
        at += 2 + len;
    }
    EXPECT_EQ(slice(f, at, 14), (Bytes{0xFF, 0xDA, 0x00, 0x0C, 0x03, 0x01, 0x00, 0x02, 0x11, 0x03,
                                       0x11, 0x00, 0x3F, 0x00}));
    // Entropy-coded data up to EOI, and nothing after it.
    EXPECT_EQ(slice(f, f.size() - 2, 2), (Bytes{0xFF, 0xD9}));
    for (std::size_t i = at + 14; i + 2 < f.size(); ++i) {
        if (f[i] == 0xFF) {
            ASSERT_EQ(f[i + 1], 0x00) << "unstuffed 0xFF at " << i;
            ++i;
        }
    }
}

TEST(FileLayout, GreyFileAndSubsampledFrame) {
    Surface p = test::makePicture(1, 1, true);
    const Bytes g = encode(p, 50, 1, 1, true);
    std::size_t at = 20;
    EXPECT_EQ(slice(g, at, 5), (Bytes{0xFF, 0xDB, 0x00, 0x43, 0x00}));
    at += 69;
    EXPECT_EQ(slice(g, at, 13),
              (Bytes{0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x00, 0x01, 0x00, 0x01, 0x01, 0x01, 0x11, 0x00}));
    at += 13;
    for (const std::uint8_t cls : {0x00, 0x10}) {
        EXPECT_EQ(g[at + 4], cls);
        at += 2 + ((g[at + 2] << 8) | g[at + 3]);
    }
    EXPECT_EQ(slice(g, at, 10), (Bytes{0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00}));

    Surface c = test::makePicture(16, 16);
    const Bytes s = encode(c, 50, 2, 2);
    EXPECT_EQ(s[20 + 69 + 69 + 11], 0x22);  // component 1's factors in the frame header
}

TEST(FileLayout, CommentFollowsApp0InWindows1252) {
    Surface p = test::makePicture(8, 8);
    const Bytes f = encode(p, 80, 1, 1, false, "abc");
    EXPECT_EQ(slice(f, 20, 7), (Bytes{0xFF, 0xFE, 0x00, 0x05, 0x61, 0x62, 0x63}));
    const Bytes u = encode(p, 80, 1, 1, false, "Größe €");
    EXPECT_EQ(slice(u, 20, 11), (Bytes{0xFF, 0xFE, 0x00, 0x09, 'G', 'r', 0xF6, 0xDF, 'e', ' ', 0x80}));
}

TEST(FileLayout, PaddingBlocksHaveAnEndOfBlockCode) {
    // 24 × 16 in 4:2:0: Y has 3 block columns, so the last MCU column holds
    // a padding block beside each stored one. A pixel checkerboard gives
    // every stored Y block a non-zero coefficient 63 (no end of block), so
    // only the padding blocks code one; the AC table must still hold it.
    Surface p(24, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x)
            p.setPixel(x, y, ((x + y) % 2) ? Bgr{255, 255, 255} : Bgr{0, 0, 0});
    cJpeg j;
    j.SetSamplingFrequencies(2, 2, 1, 1, 1, 1);
    j.Quality(100);
    ASSERT_EQ(j.SampleHDC(p, 24, 16, 0, 0), cJpeg::kSampled);
    (void)j.encodeToMemory();
    for (std::size_t b = 0; b < 6; ++b) {
        ASSERT_NE(j.components()[0].coefficients[b * 64 + 63], 0) << "stored block " << b;
    }
    EXPECT_GT(j.acTable(0).lengthMask[0x00], 0);
    EXPECT_GE(j.acTable(0).code[0x00], 0);
}

TEST(SaveFile, ResultsAndNothingHalfWritten) {
    test::TempDir dir;
    cJpeg j;
    Surface p = test::makePicture(32, 32);
    ASSERT_EQ(j.SampleHDC(p, 32, 32, 0, 0), cJpeg::kSampled);
    EXPECT_EQ(j.SaveFile(""), cJpeg::kEmptyName);

    const std::string out = dir.file("a.jpg");
    EXPECT_EQ(j.SaveFile(out), cJpeg::kSaved);
    const Bytes written = test::readFileBytes(out);
    EXPECT_EQ(written, j.encodeToMemory());

    // An existing file, read-only or hidden, is left as it is.
    const std::string hidden = dir.file(".hidden.jpg");
    test::writeFileBytes(hidden, {1, 2, 3});
    ::chmod(hidden.c_str(), 0444);
    EXPECT_EQ(j.SaveFile(hidden), cJpeg::kFileExists);
    EXPECT_EQ(test::readFileBytes(hidden), (Bytes{1, 2, 3}));

    // A missing folder raises a file error; nothing appears anywhere.
    try {
        (void)j.SaveFile(dir.file("missing/b.jpg"));
        ADD_FAILURE() << "no error";
    } catch (const VendrikError& e) {
        EXPECT_EQ(e.number(), 76);
    }
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
    EXPECT_EQ(entries, 2U) << "only a.jpg and .hidden.jpg, no temporary file";
}

TEST(SaveFile, BeforeSamplingThereIsNothingToWrite) {
    cJpeg j;
    try {
        (void)j.encodeToMemory();
        ADD_FAILURE() << "no error";
    } catch (const JpegError& e) {
        EXPECT_STREQ(e.what(), "Bad Huffman Table");
    }
}

}  // namespace
}  // namespace vendrik
