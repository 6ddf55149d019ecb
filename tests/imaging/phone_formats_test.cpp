// HEIF (HEIC, AVIF) and WebP through the loader, against the formats' own
// decoders (heif-convert, dwebp) on files made by Debian's encoders, and
// against hostile files.

#include <gtest/gtest.h>
#include <libheif/heif.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>

#include "imaging/picture_loader.h"
#include "imaging/pnm_reader.h"
#include "imaging/surface_ops.h"
#include "refused_pictures.h"
#include "support/test_support.h"

// libx265, which writes the turned HEIC below, keeps a buffer until the
// process ends; that is the encoder's, not the loader's.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libx265.so\n";
}

namespace vendrik {
namespace {

using test::TempDir;

class PhoneFormats : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<TempDir>();
        const auto r = test::runCommand(
            "bash " + test::shellQuote(VENDRIK_TEST_SOURCE "/imaging/make_phone_pictures.sh") +
            " " + test::shellQuote(s_dir->path().string()) + " 2>&1");
        ASSERT_EQ(r.exitCode, 0) << r.output;
    }
    static void TearDownTestSuite() { s_dir.reset(); }
    static std::string file(const std::string& name) { return s_dir->file(name); }

    static Surface load(const std::string& name, PictureFormat* format = nullptr) {
        auto picture = loadPicture(file(name));
        EXPECT_TRUE(picture) << name << ": " << picture.reason();
        if (!picture) {
            return {};
        }
        if (format != nullptr) {
            *format = picture->format;
        }
        EXPECT_EQ(picture->width, picture->pixels.width());
        EXPECT_EQ(picture->height, picture->pixels.height());
        return std::move(picture->pixels);
    }

private:
    static std::unique_ptr<TempDir> s_dir;
};
std::unique_ptr<TempDir> PhoneFormats::s_dir;

// Peak signal-to-noise ratio over the three channels, in dB.
double psnr(const Surface& a, const Surface& b) {
    EXPECT_EQ(a.width(), b.width());
    EXPECT_EQ(a.height(), b.height());
    if (a.width() != b.width() || a.height() != b.height() || a.empty()) {
        return 0;
    }
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        const std::uint8_t* p = a.row(y);
        const std::uint8_t* q = b.row(y);
        for (int i = 0; i < a.width() * 3; ++i) {
            const double d = static_cast<double>(p[i]) - static_cast<double>(q[i]);
            sum += d * d;
        }
    }
    const double mse = sum / (3.0 * a.width() * a.height());
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

struct PeerCase {
    const char* file;
    PictureFormat format;
    const char* reference;  // what the format's own decoder made of it
};

class DecodesLikeItsOwnDecoder : public PhoneFormats,
                                 public ::testing::WithParamInterface<PeerCase> {};

TEST_P(DecodesLikeItsOwnDecoder, WithinOneDecibelOfThePeer) {
    const PeerCase& c = GetParam();
    PictureFormat format{};
    const Surface ours = load(c.file, &format);
    const Surface peer = load(c.reference);
    const Surface scene = load("scene.png");
    EXPECT_EQ(format, c.format);
    ASSERT_EQ(ours.width(), 320);
    ASSERT_EQ(ours.height(), 240);
    const double oursToScene = psnr(ours, scene);
    const double peerToScene = psnr(peer, scene);
    EXPECT_GT(oursToScene, 30.0);
    EXPECT_NEAR(oursToScene, peerToScene, 1.0);
    EXPECT_GT(psnr(ours, peer), 45.0);
}

INSTANTIATE_TEST_SUITE_P(Formats, DecodesLikeItsOwnDecoder,
                         ::testing::Values(PeerCase{"scene.heic", PictureFormat::Heif,
                                                    "scene.heic.ref.png"},
                                           PeerCase{"scene.avif", PictureFormat::Heif,
                                                    "scene.avif.ref.png"},
                                           PeerCase{"scene.webp", PictureFormat::Webp,
                                                    "scene.webp.ref.ppm"}),
                         [](const auto& info) {
                             std::string name = info.param.file;
                             name[name.find('.')] = '_';
                             return name;
                         });

TEST_F(PhoneFormats, AlphaIsFlattenedOntoWhite) {
    // The PNG loader's flattening is the reference: the same rule for every
    // format. Lossless WebP keeps every value; HEIC's alpha is coded lossily.
    const Surface flat = load("alpha.png");
    const Surface webp = load("alpha.webp");
    EXPECT_GT(psnr(webp, flat), 50.0);
    const Surface heic = load("alpha.heic");
    EXPECT_GT(psnr(heic, flat), 30.0);
    // The left column is fully transparent: white.
    const Bgr corner = heic.pixel(0, 120);
    EXPECT_GE(std::min({corner.b, corner.g, corner.r}), 245);
}

TEST_F(PhoneFormats, AnimatedWebpGivesItsFirstFrame) {
    PictureFormat format{};
    const Surface first = load("anim.webp", &format);
    EXPECT_EQ(format, PictureFormat::Webp);
    // gif2webp keeps the GIF's colours exactly; the second frame is red.
    EXPECT_GT(psnr(first, load("anim.gif")), 50.0);
}

TEST_F(PhoneFormats, WebpExifOrientationIsApplied) {
    // cwebp copied the JPEG's EXIF with Orientation 6; both come out upright
    // (turned a quarter clockwise), 240 wide and 320 high.
    const Surface webp = load("sideways.webp");
    const Surface jpeg = load("sideways.jpg");
    EXPECT_EQ(webp.width(), 240);
    EXPECT_EQ(webp.height(), 320);
    EXPECT_GT(psnr(webp, jpeg), 30.0);
}

// A HEIC written through libheif's own encoder with a rotation property
// (irot) and, as phones write it, an EXIF Orientation saying the same.
void writeTurnedHeic(const Surface& scene, const std::string& path) {
    heif_context* ctx = heif_context_alloc();
    heif_image* image = nullptr;
    ASSERT_EQ(heif_image_create(scene.width(), scene.height(), heif_colorspace_RGB,
                                heif_chroma_interleaved_RGB, &image)
                  .code,
              heif_error_Ok);
    ASSERT_EQ(heif_image_add_plane(image, heif_channel_interleaved, scene.width(), scene.height(),
                                   8)
                  .code,
              heif_error_Ok);
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < scene.height(); ++y) {
        for (int x = 0; x < scene.width(); ++x) {
            const Bgr p = scene.pixel(x, y);
            std::uint8_t* q = plane + y * stride + x * 3;
            q[0] = p.r;
            q[1] = p.g;
            q[2] = p.b;
        }
    }
    heif_encoder* encoder = nullptr;
    ASSERT_EQ(heif_context_get_encoder_for_format(ctx, heif_compression_HEVC, &encoder).code,
              heif_error_Ok);
    heif_encoder_set_lossy_quality(encoder, 90);
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = heif_orientation_rotate_90_cw;
    heif_image_handle* handle = nullptr;
    ASSERT_EQ(heif_context_encode_image(ctx, image, encoder, options, &handle).code,
              heif_error_Ok);
    // "Exif\0\0" is not part of HEIF's EXIF item; libheif adds the offset.
    const std::uint8_t exif[] = {'M', 'M', 0, 42, 0, 0, 0, 8,            // TIFF header
                                 0, 1,                                   // one entry
                                 0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, 6, 0, 0,  // Orientation 6
                                 0, 0, 0, 0};
    ASSERT_EQ(heif_context_add_exif_metadata(ctx, handle, exif, sizeof exif).code, heif_error_Ok);
    ASSERT_EQ(heif_context_write_to_file(ctx, path.c_str()).code, heif_error_Ok);
    heif_image_handle_release(handle);
    heif_encoding_options_free(options);
    heif_encoder_release(encoder);
    heif_image_release(image);
    heif_context_free(ctx);
}

TEST_F(PhoneFormats, HeicRotationIsAppliedOnceNotTwice) {
    const Surface scene = load("scene.png");
    ASSERT_NO_FATAL_FAILURE(writeTurnedHeic(scene, file("turned.heic")));
    ASSERT_EQ(test::runCommand("heif-convert " + test::shellQuote(file("turned.heic")) + " " +
                               test::shellQuote(file("turned.ref.png")))
                  .exitCode,
              0);
    const Surface ours = load("turned.heic");
    const Surface peer = load("turned.ref.png");
    // Shown turned a quarter clockwise once: 240 × 320. Turned twice it
    // would be 320 × 240 upside down.
    ASSERT_EQ(ours.width(), 240);
    ASSERT_EQ(ours.height(), 320);
    EXPECT_GT(psnr(ours, peer), 45.0);
    EXPECT_GT(psnr(ours, transformed(scene, Transform::RotateClockwise)), 30.0);
}

// Hostile files of each format: cut short, sizes forged past the limits,
// garbage behind a valid signature. Each is refused with a reason; under
// the sanitizers none may crash or read out of bounds.

// Overwrites the first `box` (a four-character box type) with `patch`
// starting `offset` bytes after the type.
std::vector<std::uint8_t> patched(std::vector<std::uint8_t> f, const char* box, std::size_t offset,
                                  std::vector<std::uint8_t> patch) {
    for (std::size_t i = 0; i + 4 + offset + patch.size() <= f.size(); ++i) {
        if (std::memcmp(f.data() + i, box, 4) == 0) {
            std::copy(patch.begin(), patch.end(), f.begin() + static_cast<std::ptrdiff_t>(i + 4 + offset));
            return f;
        }
    }
    ADD_FAILURE() << "no " << box << " box";
    return f;
}

std::vector<std::uint8_t> garbageAfter(std::vector<std::uint8_t> head, std::size_t n) {
    std::uint32_t state = 12345;
    for (std::size_t i = 0; i < n; ++i) {
        state = state * 1103515245 + 12345;
        head.push_back(static_cast<std::uint8_t>(state >> 16));
    }
    return head;
}

TEST_F(PhoneFormats, HostileFilesAreRefusedWithAReason) {
    const auto heic = test::readFileBytes(file("scene.heic"));
    const auto avif = test::readFileBytes(file("scene.avif"));
    const auto webp = test::readFileBytes(file("scene.webp"));
    const auto vp8x = test::readFileBytes(file("sideways.webp"));
    const auto anim = test::readFileBytes(file("anim.webp"));
    const std::vector<std::uint8_t> ftyp = {0, 0, 0, 24, 'f', 't', 'y', 'p', 'h', 'e', 'i', 'c',
                                            0, 0, 0, 0,  'm', 'i', 'f', '1', 'h', 'e', 'i', 'c'};
    const std::vector<std::uint8_t> riff = {'R', 'I', 'F', 'F', 0, 1, 0, 0,
                                            'W', 'E', 'B', 'P', 'V', 'P', '8', ' '};
    const auto cut = test::firstPart;
    test::expectRefused(
        file, {
                  {"cut_half.heic", cut(heic, 0.5), "HEIF"},
                  {"cut_head.heic", cut(heic, 0.05), "HEIF"},
                  {"cut_half.avif", cut(avif, 0.5), "HEIF"},
                  {"huge.heic", patched(heic, "ispe", 4, {0, 0, 0xEA, 0x60, 0, 0, 0xEA, 0x60}),
                   "zu groß"},
                  // Within libheif's limits, past the loader's 100 megapixels.
                  {"big.heic", patched(heic, "ispe", 4, {0, 0, 0x4E, 0x20, 0, 0, 0x4E, 0x20}),
                   "Bild zu groß"},
                  {"wide.heic", patched(heic, "ispe", 4, {0, 1, 0, 0, 0, 0, 0, 1}), "zu groß"},
                  {"zero.heic", patched(heic, "ispe", 4, {0, 0, 0, 0, 0, 0, 0, 0}), "Bildgröße"},
                  // 16 x 16 claimed over a stream of 320 x 240: decoded, the
                  // stream would take more than was reserved.
                  {"liar.heic", patched(heic, "ispe", 4, {0, 0, 0, 16, 0, 0, 0, 16}),
                   "größer als angegeben"},
                  // The AV1 decoder's own messages come back in the reason,
                  // as one line.
                  {"bad_obu.avif", patched(avif, "mdat", 0, {0xED}),
                   "AV1-Datenstrom fehlerhaft (Decoder: Unknown OBU type"},
                  // Colour primaries the standard does not define: the
                  // decoded picture is given back, not left behind.
                  {"bad_colours.avif", patched(avif, "mdat", 9, {0x7D}),
                   "AV1-Datenstrom mit unbekannter Farbbeschreibung"},
                  {"garbage.heic", garbageAfter(ftyp, 4000), "HEIF"},
                  {"cut_half.webp", cut(webp, 0.5), "WebP"},
                  {"cut_head.webp", cut(webp, 0.05), "WebP"},
                  {"cut_anim.webp", cut(anim, 0.6), "WebP"},
                  // The VP8 frame header's 14-bit sizes at their largest: 268
                  // megapixels.
                  {"huge.webp", patched(webp, "VP8 ", 10, {0xFF, 0x3F, 0xFF, 0x3F}), "zu groß"},
                  // The extended header's 24-bit canvas size at its largest.
                  {"huge_canvas.webp",
                   patched(vp8x, "VP8X", 8, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), "WebP"},
                  {"garbage.webp", garbageAfter(riff, 4000), "WebP"},
              });
}

// Memory for a HEIF or WebP file is reserved from its header and its size
// before the file is read, and a file larger than any picture the loader
// takes is not read at all.
TEST_F(PhoneFormats, FilesAreSizedBeforeTheyAreRead) {
    struct Case {
        const char* name;
        const char* from;
        std::size_t padding;   // bytes of zeros after the picture
        bool sparse;           // grown to past the loader's limit without writing
        const char* reason;    // empty: loads
    };
    constexpr std::size_t kPast = std::size_t{100'000'000} * 4 + 1;
    const Case cases[] = {
        {"padded.webp", "scene.webp", 8u << 20, false, ""},
        {"padded.heic", "scene.heic", 8u << 20, false, ""},
        {"huge.webp", "scene.webp", 0, true, "Datei zu groß"},
        {"huge.heic", "scene.heic", 0, true, "Datei zu groß"},
    };
    for (const Case& c : cases) {
        auto bytes = test::readFileBytes(file(c.from));
        bytes.resize(bytes.size() + c.padding);
        const std::string path = file(c.name);
        test::writeFileBytes(path, bytes);
        if (c.sparse) {
            std::filesystem::resize_file(path, kPast);
        }
        std::vector<DecodeMemory> reserved;
        LoadOptions options;
        options.reserveMemory = [&](const DecodeMemory& m) { reserved.push_back(m); };
        const Result<LoadedPicture> picture = loadPicture(path, options);
        if (*c.reason != '\0') {
            EXPECT_FALSE(picture) << c.name;
            EXPECT_NE(picture.reason().find(c.reason), std::string::npos)
                << c.name << ": " << picture.reason();
            EXPECT_TRUE(reserved.empty()) << c.name;
            continue;
        }
        ASSERT_TRUE(picture) << c.name << ": " << picture.reason();
        ASSERT_EQ(reserved.size(), 1U) << c.name;
        EXPECT_GE(reserved[0].working, bytes.size()) << c.name;
    }
}

// libheif reads a file's item boxes in a time that grows with the square of
// their number: a file declaring thousands is refused before it is read.
TEST_F(PhoneFormats, AHeifFileWithTooManyItemsIsRefused) {
    struct Case {
        int added;
        bool loads;
    };
    for (const Case c : {Case{100, true}, Case{2100, false}}) {
        const std::string path = file("items" + std::to_string(c.added) + ".heic");
        const auto made = test::runCommand(
            "python3 " + test::shellQuote(VENDRIK_TEST_SOURCE "/imaging/add_heif_items.py") + " " +
            test::shellQuote(file("scene.heic")) + " " + test::shellQuote(path) + " " +
            std::to_string(c.added) + " 2>&1");
        ASSERT_EQ(made.exitCode, 0) << made.output;
        const Result<LoadedPicture> picture = loadPicture(path);
        EXPECT_EQ(picture.ok(), c.loads) << c.added << ": " << picture.reason();
        if (!c.loads) {
            EXPECT_NE(picture.reason().find("zu vielen Einträgen"), std::string::npos)
                << picture.reason();
        }
    }
}

TEST(PhoneFormatSniffing, ChosenByContentNotName) {
    struct Case {
        std::string head;
        std::optional<PictureFormat> format;
    };
    using namespace std::string_literals;
    const Case cases[] = {
        {"\0\0\0\x18"s "ftypheic\0\0\0\0"s, PictureFormat::Heif},
        {"\0\0\0\x18"s "ftypmif1\0\0\0\0"s, PictureFormat::Heif},
        {"\0\0\0\x1c"s "ftypavif\0\0\0\0"s, PictureFormat::Heif},
        {"\0\0\0\x18"s "ftypisom\0\0\0\0"s, std::nullopt},  // an MP4 video
        {"\0\0\0\x18"s "ftypqt  \0\0\0\0"s, std::nullopt},
        {"RIFF\x10\0\0\0WEBPVP8 "s, PictureFormat::Webp},
        {"RIFF\x10\0\0\0WAVEfmt "s, std::nullopt},  // a sound file
        {"RIFF\x10\0\0\0WEB"s, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto got = sniffPictureFormat(reinterpret_cast<const unsigned char*>(c.head.data()),
                                            c.head.size());
        EXPECT_EQ(got, c.format) << c.head.substr(4);
    }
}

}  // namespace
}  // namespace vendrik
