// The loader against an independent decoder (Pillow, via
// make_test_pictures.py), and against hostile files.

#include "imaging/picture_loader.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>

#include "imaging/pnm_reader.h"
#include "imaging/scaling.h"
#include "refused_pictures.h"
#include "support/test_support.h"

namespace vendrik {
namespace {

using test::TempDir;

class LoaderFiles : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<TempDir>();
        const auto r = test::runCommand("/usr/bin/python3 " +
                                        test::shellQuote(VENDRIK_TEST_SOURCE "/imaging/make_test_pictures.py") +
                                        " " + test::shellQuote(s_dir->path().string()));
        ASSERT_EQ(r.exitCode, 0) << r.output;
    }
    static void TearDownTestSuite() { s_dir.reset(); }
    static std::string file(const std::string& name) { return s_dir->file(name); }

private:
    static std::unique_ptr<TempDir> s_dir;
};
std::unique_ptr<TempDir> LoaderFiles::s_dir;

int maxDifference(const Surface& a, const Surface& b) {
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const Bgr p = a.pixel(x, y);
            const Bgr q = b.pixel(x, y);
            worst = std::max({worst, std::abs(p.b - q.b), std::abs(p.g - q.g), std::abs(p.r - q.r)});
        }
    }
    return worst;
}

struct FormatCase {
    const char* file;
    PictureFormat format;
    int tolerance;  // alpha flattening may round differently by one
};

class LoadsLikeReference : public LoaderFiles, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(LoadsLikeReference, PixelsMatchThePeerDecoder) {
    const FormatCase& c = GetParam();
    const auto picture = loadPicture(file(c.file));
    ASSERT_TRUE(picture) << picture.reason();
    const auto reference = readPnm(file(std::string(c.file) + ".ref.ppm"));
    ASSERT_TRUE(reference) << reference.reason();
    EXPECT_EQ(picture->format, c.format);
    ASSERT_EQ(picture->pixels.width(), reference->surface.width());
    ASSERT_EQ(picture->pixels.height(), reference->surface.height());
    EXPECT_EQ(picture->width, picture->pixels.width());
    EXPECT_EQ(picture->height, picture->pixels.height());
    EXPECT_LE(maxDifference(picture->pixels, reference->surface), c.tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, LoadsLikeReference,
    ::testing::Values(FormatCase{"rgb.png", PictureFormat::Png, 0},
                      FormatCase{"grey.png", PictureFormat::Png, 0},
                      FormatCase{"palette.png", PictureFormat::Png, 0},
                      FormatCase{"interlaced.png", PictureFormat::Png, 0},
                      FormatCase{"rgba.png", PictureFormat::Png, 1},
                      FormatCase{"grey16.png", PictureFormat::Png, 0},
                      FormatCase{"palette_transparent.png", PictureFormat::Png, 0},
                      FormatCase{"rgb.tif", PictureFormat::Tiff, 0},
                      FormatCase{"rgba.tif", PictureFormat::Tiff, 1},
                      FormatCase{"plain.gif", PictureFormat::Gif, 0},
                      FormatCase{"transparent.gif", PictureFormat::Gif, 0},
                      FormatCase{"bw.bmp", PictureFormat::Bmp, 0},
                      FormatCase{"grey8.bmp", PictureFormat::Bmp, 0},
                      FormatCase{"rgb24.bmp", PictureFormat::Bmp, 0},
                      FormatCase{"pal4.bmp", PictureFormat::Bmp, 0},
                      FormatCase{"rgb555.bmp", PictureFormat::Bmp, 0},
                      FormatCase{"rgb565_topdown.bmp", PictureFormat::Bmp, 0},
                      FormatCase{"bgrx32.bmp", PictureFormat::Bmp, 0},
                      FormatCase{"rgba32_bitfields.bmp", PictureFormat::Bmp, 0},
                      FormatCase{"cmyk.jpg", PictureFormat::Jpeg, 2},
                      FormatCase{"grey.jpg", PictureFormat::Jpeg, 1},
                      FormatCase{"orient1.jpg", PictureFormat::Jpeg, 1},
                      FormatCase{"orient2.jpg", PictureFormat::Jpeg, 1},
                      FormatCase{"orient3.jpg", PictureFormat::Jpeg, 1},
                      FormatCase{"orient4.jpg", PictureFormat::Jpeg, 1},
                      FormatCase{"orient5.jpg", PictureFormat::Jpeg, 1},
                      FormatCase{"orient6.jpg", PictureFormat::Jpeg, 1},
                      FormatCase{"orient7.jpg", PictureFormat::Jpeg, 1},
                      FormatCase{"orient8.jpg", PictureFormat::Jpeg, 1}),
    [](const auto& info) {
        std::string n = info.param.file;
        std::replace(n.begin(), n.end(), '.', '_');
        return n;
    });

TEST_F(LoaderFiles, FormatComesFromTheBytesNotTheName) {
    const std::string renamed = file("really_a_png.jpg");
    test::writeFileBytes(renamed, test::readFileBytes(file("rgb.png")));
    const auto picture = loadPicture(renamed);
    ASSERT_TRUE(picture) << picture.reason();
    EXPECT_EQ(picture->format, PictureFormat::Png);
}

TEST_F(LoaderFiles, BytesInMemoryLoadAsTheirFileDoes) {
    for (const char* name : {"rgb.png", "rgb.tif", "plain.gif", "rgb24.bmp", "orient6.jpg",
                             "cmyk.jpg"}) {
        SCOPED_TRACE(name);
        const auto fromFile = loadPicture(file(name));
        ASSERT_TRUE(fromFile) << fromFile.reason();
        const auto fromMemory = loadPicture(test::readFileBytes(file(name)));
        ASSERT_TRUE(fromMemory) << fromMemory.reason();
        EXPECT_EQ(fromMemory->format, fromFile->format);
        EXPECT_EQ(fromMemory->orientation, fromFile->orientation);
        ASSERT_EQ(fromMemory->pixels.width(), fromFile->pixels.width());
        ASSERT_EQ(fromMemory->pixels.height(), fromFile->pixels.height());
        EXPECT_EQ(maxDifference(fromMemory->pixels, fromFile->pixels), 0);
    }
}

TEST_F(LoaderFiles, ReducedJpegDecodeStaysAtLeastAsLargeAsTheFittedResult) {
    // orient6.jpg is stored 148 × 69 and shown 69 × 148.
    for (const BoxSize box : {BoxSize{20, 20}, BoxSize{30, 60}, BoxSize{69, 148}, BoxSize{500, 500}}) {
        SCOPED_TRACE(std::to_string(box.width) + " x " + std::to_string(box.height));
        LoadOptions options;
        options.fitBox = box;
        const auto picture = loadPicture(file("orient6.jpg"), options);
        ASSERT_TRUE(picture) << picture.reason();
        EXPECT_EQ(picture->width, 69);
        EXPECT_EQ(picture->height, 148);
        const BoxSize fit = fitPictureSize(picture->width, picture->height, box);
        // Never smaller than the result, and never larger than the picture.
        EXPECT_GE(picture->pixels.width(), std::min(fit.width, picture->width)) << box.width;
        EXPECT_GE(picture->pixels.height(), std::min(fit.height, picture->height)) << box.height;
        EXPECT_LE(picture->pixels.width(), picture->width);
        EXPECT_LE(picture->pixels.height(), picture->height);
    }
}

// ---- Hostile files ----------------------------------------------------------

std::vector<std::uint8_t> pngChunk(const char* type, const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> out;
    const auto be32 = [&](std::uint32_t v) {
        for (int s = 24; s >= 0; s -= 8) {
            out.push_back(static_cast<std::uint8_t>(v >> s));
        }
    };
    be32(static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    be32(static_cast<std::uint32_t>(crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
    return out;
}

std::vector<std::uint8_t> hugePng() {
    std::vector<std::uint8_t> f = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    // IHDR: 20000 × 20000, 8-bit RGB: 400 megapixels, each side allowed.
    const std::vector<std::uint8_t> ihdr = {0, 0, 0x4E, 0x20, 0, 0, 0x4E, 0x20, 8, 2, 0, 0, 0};
    // libpng reads the header chunks up to the first IDAT before it tells
    // the size; the loader must refuse before any row is read.
    for (const auto& chunk : {pngChunk("IHDR", ihdr), pngChunk("IDAT", {0x78, 0x9C}), pngChunk("IEND", {})}) {
        f.insert(f.end(), chunk.begin(), chunk.end());
    }
    return f;
}

std::vector<std::uint8_t> hugeBmp() {
    std::vector<std::uint8_t> f(54, 0);
    f[0] = 'B';
    f[1] = 'M';
    f[10] = 54;
    f[14] = 40;
    f[18] = 0x40;  // width 0x9C40 = 40000
    f[19] = 0x9C;
    f[22] = 0x40;  // height 40000
    f[23] = 0x9C;
    f[26] = 1;
    f[28] = 24;
    return f;
}

std::vector<std::uint8_t> hugeGifScreen() {
    // A 60000 × 60000 logical screen around a 1 × 1 frame.
    return {'G', 'I', 'F', '8', '9', 'a', 0x60, 0xEA, 0x60, 0xEA, 0x80, 0, 0,
            0, 0, 0, 255, 255, 255,                              // global colour table
            0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, 0x3B};
}

// Patches the frame size in a JPEG's SOF0 marker.
std::vector<std::uint8_t> withJpegSize(std::vector<std::uint8_t> f, int w, int h) {
    for (std::size_t i = 2; i + 9 < f.size(); ++i) {
        if (f[i] == 0xFF && f[i + 1] == 0xC0) {
            f[i + 5] = static_cast<std::uint8_t>(h >> 8);
            f[i + 6] = static_cast<std::uint8_t>(h);
            f[i + 7] = static_cast<std::uint8_t>(w >> 8);
            f[i + 8] = static_cast<std::uint8_t>(w);
            break;
        }
    }
    return f;
}

TEST_F(LoaderFiles, HostileFilesFailWithTheirReason) {
    const auto jpeg = test::readFileBytes(file("orient1.jpg"));
    using test::firstPart;
    test::expectRefused(
        file,
        {
            {"empty.jpg", {}, "Datei ist leer"},
            {"text.png", {'h', 'a', 'l', 'l', 'o', '\n'}, "kein unterstütztes Bildformat"},
            {"cut.jpg", firstPart(jpeg, 0.6), "JPEG beschädigt oder abgeschnitten"},
            {"header_only.jpg", firstPart(jpeg, 0.1), "JPEG beschädigt oder abgeschnitten"},
            {"cut.png", firstPart(test::readFileBytes(file("rgb.png")), 0.5), "PNG beschädigt"},
            {"cut.gif", firstPart(test::readFileBytes(file("plain.gif")), 0.5), "GIF beschädigt"},
            {"cut.bmp", firstPart(test::readFileBytes(file("rgb24.bmp")), 0.5),
             "BMP abgeschnitten"},
            {"cut.tif", firstPart(test::readFileBytes(file("rgb.tif")), 0.5), "TIFF"},
            {"huge.jpg", withJpegSize(jpeg, 30000, 30000), "Bild zu groß"},
            {"huge.png", hugePng(), "Bild zu groß"},
            {"huge.bmp", hugeBmp(), "Bild zu groß"},
            {"huge.gif", hugeGifScreen(), "Bild zu groß"},
        });
}

TEST_F(LoaderFiles, FolderAndMissingFileAreRefused) {
    const auto folder = loadPicture(file(""));
    EXPECT_FALSE(folder);
    EXPECT_NE(folder.reason().find("Ordner"), std::string::npos) << folder.reason();
    const auto missing = loadPicture(file("does-not-exist.jpg"));
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.reason(), "Datei nicht gefunden");
}

TEST_F(LoaderFiles, ProgressiveJpegWithTooManyScansIsRefused) {
    // A progressive file whose last scan is repeated until it has 110 scans:
    // decoding it would cost 110 passes over the coefficients.
    const auto r = test::runCommand("/usr/bin/python3 -c \"from PIL import Image; "
                                    "Image.open('" + file("rgb.png") + "').save('" + file("in.ppm") +
                                    "')\" && cjpeg -progressive -outfile " +
                                    test::shellQuote(file("progressive.jpg")) + " " +
                                    test::shellQuote(file("in.ppm")));
    ASSERT_EQ(r.exitCode, 0) << r.output;
    auto bytes = test::readFileBytes(file("progressive.jpg"));
    // The first scan (DC, first pass) runs from its SOS marker to the next
    // marker that is neither a stuffed 0xFF nor a restart marker. Repeated
    // at once, its tables still hold; libjpeg only warns about the odd
    // progression, so the scan count is what must stop it.
    std::size_t first = 0;
    while (first + 1 < bytes.size() && !(bytes[first] == 0xFF && bytes[first + 1] == 0xDA)) {
        ++first;
    }
    std::size_t end = first + 2;
    while (end + 1 < bytes.size() &&
           !(bytes[end] == 0xFF && bytes[end + 1] != 0 && (bytes[end + 1] & 0xF8) != 0xD0)) {
        ++end;
    }
    ASSERT_LT(end + 1, bytes.size());
    const std::vector<std::uint8_t> scan(bytes.begin() + static_cast<std::ptrdiff_t>(first),
                                         bytes.begin() + static_cast<std::ptrdiff_t>(end));
    for (int i = 0; i < 110; ++i) {
        bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(end), scan.begin(), scan.end());
    }
    const std::string out = file("many_scans.jpg");
    test::writeFileBytes(out, bytes);
    const auto refused = loadPicture(out);
    EXPECT_FALSE(refused);
    EXPECT_NE(refused.reason().find("mehr als 100 Scans"), std::string::npos) << refused.reason();
    // The same file with its original scans loads.
    const auto progressive = loadPicture(file("progressive.jpg"));
    EXPECT_TRUE(progressive) << progressive.reason();
}

// ---- Names that are no pictures, and memory told before it is taken ---------

// Runs `load` in a child and tells whether it came back within two seconds
// with the expected answer; a load that waits for ever fails instead of
// hanging the suite.
bool answersWithin2s(const std::function<bool()>& load) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(load() ? 0 : 1);
    }
    for (int i = 0; i < 200; ++i) {
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child) {
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
        ::usleep(10000);
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    return false;
}

TEST(LoaderNames, AFifoNamedLikeAPictureIsRefusedAtOnce) {
    TempDir dir;
    const std::string fifo = dir.file("p.jpg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string expected = "ist eine benannte Pipe (FIFO), keine gewöhnliche Datei";
    EXPECT_TRUE(answersWithin2s([&] {
        const auto picture = loadPicture(fifo);
        return !picture && picture.reason() == expected;
    }));
    EXPECT_TRUE(answersWithin2s([&] {
        const auto pnm = readPnm(fifo);
        return !pnm && pnm.reason() == "kann nicht geöffnet werden: " + expected;
    }));
}

// A binary PPM of w × h with a pattern, for cjpeg.
void writePpm(const std::string& path, int w, int h) {
    std::string text = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            text += static_cast<char>(x * 7);
            text += static_cast<char>(y * 5);
            text += static_cast<char>((x ^ y) * 3);
        }
    }
    test::writeText(path, text);
}

// What a load is told it will take, and how often it is told.
struct Told {
    int calls = 0;
    DecodeMemory memory;
};

Told memoryToldFor(const std::string& path, std::optional<BoxSize> fitBox = std::nullopt) {
    Told told;
    LoadOptions options;
    options.fitBox = fitBox;
    options.reserveMemory = [&](const DecodeMemory& m) {
        ++told.calls;
        told.memory = m;
    };
    const auto picture = loadPicture(path, options);
    EXPECT_TRUE(picture) << picture.reason();
    return told;
}

// libjpeg keeps the coefficients of a whole progressive picture at full size
// however small it decodes it: 64 coefficients of 2 bytes per 8 × 8 block and
// component. That memory is told with the pixels, in one go, before decoding.
TEST(LoaderMemory, ProgressiveJpegTellsItsCoefficientBuffers) {
    TempDir dir;
    writePpm(dir.file("in.ppm"), 800, 600);
    const auto r = test::runCommand(
        "cjpeg -progressive -sample 2x2 -outfile " + test::shellQuote(dir.file("p.jpg")) + " " +
        test::shellQuote(dir.file("in.ppm")) + " && cjpeg -sample 2x2 -outfile " +
        test::shellQuote(dir.file("b.jpg")) + " " + test::shellQuote(dir.file("in.ppm")));
    ASSERT_EQ(r.exitCode, 0) << r.output;
    // 4:2:0: luminance 100 × 76 blocks (rows rounded up to the sampling),
    // each chrominance 50 × 38.
    constexpr std::size_t kCoefficients = (100 * 76 + 2 * 50 * 38) * 128;
    const Told progressive = memoryToldFor(dir.file("p.jpg"), BoxSize{100, 75});
    EXPECT_EQ(progressive.calls, 1);
    EXPECT_GE(progressive.memory.working, kCoefficients);
    EXPECT_LT(progressive.memory.working, 2 * kCoefficients);
    // Decoded at 1/4 for the small box: the pixels are the lesser part.
    EXPECT_LT(progressive.memory.picture * 4, progressive.memory.working);
    // A baseline file needs a few rows of blocks only.
    const Told baseline = memoryToldFor(dir.file("b.jpg"), BoxSize{100, 75});
    EXPECT_EQ(baseline.calls, 1);
    EXPECT_LT(baseline.memory.working, kCoefficients / 4);
}

TEST_F(LoaderFiles, EveryFormatTellsItsMemoryOnce) {
    for (const char* name : {"rgb.png", "interlaced.png", "rgb.tif", "plain.gif", "rgb24.bmp",
                             "orient6.jpg", "grey.jpg"}) {
        const Told told = memoryToldFor(file(name));
        EXPECT_EQ(told.calls, 1) << name;
        EXPECT_GE(told.memory.picture, std::size_t{37} * 3 * 23) << name;
    }
    EXPECT_EQ(memoryToldFor(file("orient6.jpg")).memory.copies, 2);  // turned upright
    EXPECT_GT(memoryToldFor(file("rgb.png")).memory.working, 0u);
    EXPECT_GT(memoryToldFor(file("rgb.tif")).memory.working, 0u);
    // The encoder's own PPM too.
    writePpm(file("told.ppm"), 40, 30);
    EXPECT_EQ(memoryToldFor(file("told.ppm")).calls, 1);
}

}  // namespace
}  // namespace vendrik
