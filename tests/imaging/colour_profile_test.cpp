// Colour profiles: chunk assembly, recognising sRGB, and converted pixels
// against ImageMagick's conversion of the same files (make_colour_pictures.py).

#include "imaging/colour_profile.h"

#include <gtest/gtest.h>
#include <lcms2.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>

#include "imaging/picture_loader.h"
#include "imaging/pnm_reader.h"
#include "imaging/scaling.h"
#include "support/test_support.h"

namespace vendrik {
namespace {

using test::TempDir;

constexpr const char* kSrgbIcc = "/usr/share/color/icc/sRGB.icc";

std::vector<std::uint8_t> chunk(int sequence, int count, std::size_t size, std::uint8_t fill) {
    std::vector<std::uint8_t> s(12 + 2 + size, fill);
    std::memcpy(s.data(), "ICC_PROFILE\0", 12);
    s[12] = static_cast<std::uint8_t>(sequence);
    s[13] = static_cast<std::uint8_t>(count);
    return s;
}

struct ChunkCase {
    const char* name;
    std::vector<std::vector<std::uint8_t>> segments;
    std::size_t size;     // of the assembled profile; 0 when none
    const char* problem;  // start of the reason, "" for none
};

class IccChunkAssembly : public ::testing::TestWithParam<ChunkCase> {};

TEST_P(IccChunkAssembly, AssemblesOrRefuses) {
    const ChunkCase& c = GetParam();
    IccChunks chunks;
    for (const auto& s : c.segments) {
        chunks.add(s);
    }
    std::string problem;
    const auto profile = chunks.profile(problem);
    EXPECT_EQ(problem.rfind(c.problem, 0), 0U) << problem;
    if (c.size == 0) {
        EXPECT_FALSE(profile);
    } else {
        ASSERT_TRUE(profile) << problem;
        EXPECT_EQ(profile->size(), c.size);
    }
}

const std::size_t kBig = 65519;  // the most one APP2 segment can carry

INSTANTIATE_TEST_SUITE_P(
    Cases, IccChunkAssembly,
    ::testing::Values(
        ChunkCase{"none", {}, 0, ""},
        ChunkCase{"other_app2", {{'M', 'P', 'F', 0, 1, 2, 3}}, 0, ""},
        ChunkCase{"one", {chunk(1, 1, 500, 7)}, 500, ""},
        ChunkCase{"reversed", {chunk(2, 2, 10, 2), chunk(1, 2, 20, 1)}, 30, ""},
        ChunkCase{"missing", {chunk(1, 3, 10, 1), chunk(3, 3, 10, 3)}, 0, "Farbprofil unvollständig"},
        ChunkCase{"repeated", {chunk(1, 2, 10, 1), chunk(1, 2, 10, 1)}, 0, "Farbprofil mit doppeltem"},
        ChunkCase{"count_changes", {chunk(1, 2, 10, 1), chunk(2, 3, 10, 1)}, 0,
                  "Farbprofil mit ungültiger"},
        ChunkCase{"sequence_zero", {chunk(0, 1, 10, 1)}, 0, "Farbprofil mit ungültiger"},
        ChunkCase{"sequence_past_count", {chunk(3, 2, 10, 1)}, 0, "Farbprofil mit ungültiger"},
        ChunkCase{"header_only", {chunk(1, 1, 0, 0)}, 0, "Farbprofil leer"},
        ChunkCase{"over_4_mb", [] {
                      std::vector<std::vector<std::uint8_t>> s;
                      for (int i = 1; i <= 70; ++i) {
                          s.push_back(chunk(i, 70, kBig, 9));
                      }
                      return s;
                  }(),
                  0, "Farbprofil zu groß"}),
    [](const auto& info) { return std::string(info.param.name); });

class ColourFiles : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<TempDir>();
        const auto r = test::runCommand(
            "/usr/bin/python3 " +
            test::shellQuote(VENDRIK_TEST_SOURCE "/imaging/make_colour_pictures.py") + " " +
            test::shellQuote(s_dir->path().string()));
        ASSERT_EQ(r.exitCode, 0) << r.output;
    }
    static void TearDownTestSuite() { s_dir.reset(); }
    static std::string file(const std::string& name) { return s_dir->file(name); }

    static LoadedPicture load(const std::string& name, bool convert = true) {
        LoadOptions options;
        options.convertColours = convert;
        auto p = loadPicture(file(name), options);
        EXPECT_TRUE(p) << name << ": " << p.reason();
        return p ? std::move(*p) : LoadedPicture{};
    }

    // ImageMagick's conversion of the file to the sRGB profile, as pixels.
    static Surface imageMagickSrgb(const std::string& name) {
        const std::string out = file(name + ".im.ppm");
        const auto r = test::runCommand("convert " + test::shellQuote(file(name)) + " -profile " +
                                        kSrgbIcc + " -depth 8 " + test::shellQuote("ppm:" + out));
        EXPECT_EQ(r.exitCode, 0) << r.output;
        auto pnm = readPnm(out);
        EXPECT_TRUE(pnm) << pnm.reason();
        return pnm ? std::move(pnm->surface) : Surface();
    }

private:
    static std::unique_ptr<TempDir> s_dir;
};
std::unique_ptr<TempDir> ColourFiles::s_dir;

struct Difference {
    double mean = 0;
    int worst = 0;
};

Difference difference(const Surface& a, const Surface& b) {
    EXPECT_EQ(a.width(), b.width());
    EXPECT_EQ(a.height(), b.height());
    Difference d;
    if (a.width() != b.width() || a.height() != b.height()) {
        d.worst = 255;
        return d;
    }
    long sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const Bgr p = a.pixel(x, y);
            const Bgr q = b.pixel(x, y);
            for (const int diff : {p.b - q.b, p.g - q.g, p.r - q.r}) {
                sum += std::abs(diff);
                d.worst = std::max(d.worst, std::abs(diff));
            }
        }
    }
    d.mean = static_cast<double>(sum) / (3.0 * a.width() * a.height());
    return d;
}

TEST_F(ColourFiles, RecognisesSrgbProfiles) {
    struct Case {
        std::string path;
        bool srgb;
    };
    const Case cases[] = {
        {kSrgbIcc, true},                            // described as sRGB
        {file("srgb-unnamed.icc"), true},            // sRGB colorants and curves, other name
        {file("display-p3.icc"), false},             // wider primaries, same curves
        {"/usr/share/color/icc/compatibleWithAdobeRGB1998.icc", false},
        {"/usr/share/color/icc/Gray.icc", false},    // not RGB at all
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isSrgbProfile(test::readFileBytes(c.path)), c.srgb) << c.path;
    }
    const std::vector<std::uint8_t> garbage(600, 0x5A);
    EXPECT_FALSE(isSrgbProfile(garbage));
    EXPECT_FALSE(isSrgbProfile({}));
}

struct ConvertCase {
    const char* file;
    const char* plain;  // the same pixels without a profile
    // What ImageMagick converts: the file itself, or the same pixels and
    // profile stored as ImageMagick reads them (it takes the chunks of a
    // split profile in file order, not by their sequence numbers).
    const char* peer;
};

class ConvertsLikeImageMagick : public ColourFiles,
                                public ::testing::WithParamInterface<ConvertCase> {};

TEST_P(ConvertsLikeImageMagick, P3PicturesComeOutAsSrgb) {
    const ConvertCase& c = GetParam();
    const LoadedPicture converted = load(c.file);
    EXPECT_EQ(converted.colour.outcome, ColourOutcome::Converted) << converted.colour.note;
    const Difference vsPeer = difference(converted.pixels, imageMagickSrgb(c.peer));
    // Little CMS's 8-bit path against ImageMagick's 16-bit one: rounding.
    EXPECT_LE(vsPeer.worst, 2);
    EXPECT_LT(vsPeer.mean, 0.5);

    // Turned off, the stored pixels come through, which differ clearly.
    const LoadedPicture stored = load(c.file, false);
    EXPECT_EQ(stored.colour.outcome, ColourOutcome::NotConverted);
    EXPECT_EQ(difference(stored.pixels, load(c.plain).pixels).worst, 0);
    EXPECT_GT(difference(stored.pixels, converted.pixels).mean, 3.0);
}

INSTANTIATE_TEST_SUITE_P(Formats, ConvertsLikeImageMagick,
                         ::testing::Values(ConvertCase{"p3.jpg", "plain.jpg", "p3.jpg"},
                                           ConvertCase{"p3-chunked.jpg", "plain.jpg", "p3.jpg"},
                                           ConvertCase{"p3.png", "plain.png", "p3.png"},
                                           ConvertCase{"p3.tif", "plain.png", "p3.tif"}),
                         [](const auto& info) {
                             std::string n = info.param.file;
                             std::replace_if(n.begin(), n.end(), [](char ch) { return !std::isalnum(ch); }, '_');
                             return n;
                         });

// HEIF and WebP hand their embedded profile to the same conversion: the
// phone formats made from p3.png by their own encoders come out as p3.png
// does (within the encoders' loss), and clearly unlike their stored pixels.
TEST_F(ColourFiles, PhoneFormatsConvertTheirProfilesToo) {
    const std::string png = test::shellQuote(file("p3.png"));
    const auto made = test::runCommand(
        "heif-enc -q 95 " + png + " -o " + test::shellQuote(file("p3.heic")) +
        " >/dev/null && cwebp -quiet -lossless -metadata icc " + png + " -o " +
        test::shellQuote(file("p3.webp")));
    ASSERT_EQ(made.exitCode, 0) << made.output;
    const LoadedPicture reference = load("p3.png");
    for (const char* name : {"p3.heic", "p3.webp"}) {
        const LoadedPicture converted = load(name);
        EXPECT_EQ(converted.colour.outcome, ColourOutcome::Converted)
            << name << ": " << converted.colour.note;
        EXPECT_LT(difference(converted.pixels, reference.pixels).mean, 2.0) << name;
        const LoadedPicture stored = load(name, false);
        EXPECT_EQ(stored.colour.outcome, ColourOutcome::NotConverted) << name;
        EXPECT_GT(difference(stored.pixels, converted.pixels).mean, 3.0) << name;
    }
    // Lossless WebP keeps the very pixels, so its conversion is p3.png's.
    EXPECT_EQ(difference(load("p3.webp").pixels, reference.pixels).worst, 0);
}

TEST_F(ColourFiles, GreyProfileConvertsLikeImageMagick) {
    for (const char* name : {"grey-gamma.png", "grey-gamma.jpg"}) {
        const LoadedPicture converted = load(name);
        EXPECT_EQ(converted.colour.outcome, ColourOutcome::Converted)
            << name << ": " << converted.colour.note;
        const Difference d = difference(converted.pixels, imageMagickSrgb(name));
        EXPECT_LE(d.worst, 2) << name;
    }
}

TEST_F(ColourFiles, SrgbTaggedPicturesKeepTheirPixels) {
    for (const auto& [tagged, plain] : {std::pair{"srgb.png", "plain.png"}, std::pair{"srgb.jpg", "plain.jpg"}}) {
        const LoadedPicture t = load(tagged);
        EXPECT_EQ(t.colour.outcome, ColourOutcome::Srgb) << tagged;
        EXPECT_EQ(difference(t.pixels, load(plain).pixels).worst, 0) << tagged;
        EXPECT_EQ(load(plain).colour.outcome, ColourOutcome::NoProfile) << plain;
    }
}

// Rewrites the APP2 profile of p3.jpg: each case damages it another way. The
// picture must load with its stored pixels and a note.
TEST_F(ColourFiles, DamagedProfilesAreIgnoredWithANote) {
    const std::vector<std::uint8_t> original = test::readFileBytes(file("p3.jpg"));
    const auto app2 = std::search(original.begin(), original.end(),
                                  std::begin("ICC_PROFILE"), std::end("ICC_PROFILE") - 1);
    ASSERT_NE(app2, original.end());
    const std::size_t at = static_cast<std::size_t>(app2 - original.begin());
    struct Case {
        const char* name;
        std::function<void(std::vector<std::uint8_t>&)> damage;
        const char* note;
    };
    const Case cases[] = {
        {"garbage", [&](auto& b) { std::fill(b.begin() + at + 14, b.begin() + at + 14 + 128, 0xEE); },
         "Farbprofil beschädigt"},
        {"missing_chunk", [&](auto& b) { b[at + 13] = 2; }, "Farbprofil unvollständig"},
        {"cmyk_space", [&](auto& b) { std::memcpy(&b[at + 14 + 16], "CMYK", 4); },
         "Farbprofil (CMYK) passt nicht"},
    };
    const LoadedPicture stored = load("p3.jpg", false);
    for (const Case& c : cases) {
        std::vector<std::uint8_t> bytes = original;
        c.damage(bytes);
        const std::string name = std::string("damaged-") + c.name + ".jpg";
        test::writeFileBytes(file(name), bytes);
        const LoadedPicture p = load(name);
        EXPECT_EQ(p.colour.outcome, ColourOutcome::Ignored) << c.name;
        EXPECT_EQ(p.colour.note.rfind(c.note, 0), 0U) << c.name << ": " << p.colour.note;
        EXPECT_EQ(difference(p.pixels, stored.pixels).worst, 0) << c.name;
    }
}

// Thousands of APP2 segments must neither be held in memory nor stop the
// picture: the profile is refused past 4 MB and the picture loads.
TEST_F(ColourFiles, OversizedProfileIsRefusedAndThePictureLoads) {
    const std::vector<std::uint8_t> plain = test::readFileBytes(file("plain.jpg"));
    std::vector<std::uint8_t> bytes(plain.begin(), plain.begin() + 2);
    for (int i = 1; i <= 255; ++i) {
        std::vector<std::uint8_t> s = chunk(i, 255, kBig, 0x11);
        bytes.insert(bytes.end(), {0xFF, 0xE2, static_cast<std::uint8_t>((s.size() + 2) >> 8),
                                   static_cast<std::uint8_t>((s.size() + 2) & 0xFF)});
        bytes.insert(bytes.end(), s.begin(), s.end());
    }
    bytes.insert(bytes.end(), plain.begin() + 2, plain.end());
    test::writeFileBytes(file("many-app2.jpg"), bytes);
    const LoadedPicture p = load("many-app2.jpg");
    EXPECT_EQ(p.colour.outcome, ColourOutcome::Ignored);
    EXPECT_EQ(p.colour.note.rfind("Farbprofil zu groß", 0), 0U) << p.colour.note;
    EXPECT_EQ(difference(p.pixels, load("plain.jpg").pixels).worst, 0);
}

// Mean CIEDE2000 between two pictures read as sRGB, through Little CMS's
// own Lab conversion and colour difference.
double meanDeltaE2000(const Surface& a, const Surface& b) {
    EXPECT_EQ(a.width(), b.width());
    EXPECT_EQ(a.height(), b.height());
    if (a.width() != b.width() || a.height() != b.height() || a.width() == 0) {
        return 1e9;
    }
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM toLab = cmsCreateTransform(srgb, TYPE_BGR_8, lab, TYPE_Lab_DBL,
                                             INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOCACHE);
    std::vector<cmsCIELab> la(static_cast<std::size_t>(a.width()));
    std::vector<cmsCIELab> lb(la.size());
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        cmsDoTransform(toLab, a.row(y), la.data(), static_cast<cmsUInt32Number>(a.width()));
        cmsDoTransform(toLab, b.row(y), lb.data(), static_cast<cmsUInt32Number>(b.width()));
        for (std::size_t x = 0; x < la.size(); ++x) {
            sum += cmsCIE2000DeltaE(&la[x], &lb[x], 1, 1, 1);
        }
    }
    cmsDeleteTransform(toLab);
    cmsCloseProfile(lab);
    cmsCloseProfile(srgb);
    return sum / (static_cast<double>(a.width()) * a.height());
}

// A JPEG's bytes with every ICC_PROFILE APP2 segment taken out and, when
// `profile` is not empty, one segment holding `profile` put in after SOI.
std::vector<std::uint8_t> withProfile(const std::vector<std::uint8_t>& jpeg,
                                      const std::vector<std::uint8_t>& profile) {
    std::vector<std::uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    if (!profile.empty()) {
        std::vector<std::uint8_t> s = chunk(1, 1, 0, 0);
        s.insert(s.end(), profile.begin(), profile.end());
        EXPECT_LE(s.size() + 2, 0xFFFFU);
        out.insert(out.end(), {0xFF, 0xE2, static_cast<std::uint8_t>((s.size() + 2) >> 8),
                               static_cast<std::uint8_t>((s.size() + 2) & 0xFF)});
        out.insert(out.end(), s.begin(), s.end());
    }
    std::size_t pos = 2;
    while (pos + 4 <= jpeg.size() && jpeg[pos] == 0xFF && jpeg[pos + 1] != 0xDA) {
        const std::size_t length = std::size_t{jpeg[pos + 2]} << 8 | jpeg[pos + 3];
        const bool icc = jpeg[pos + 1] == 0xE2 && pos + 16 <= jpeg.size() &&
                         std::memcmp(&jpeg[pos + 4], "ICC_PROFILE", 12) == 0;
        if (!icc) {
            out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(pos),
                       jpeg.begin() + static_cast<std::ptrdiff_t>(pos + 2 + length));
        }
        pos += 2 + length;
    }
    out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(pos), jpeg.end());
    return out;
}

constexpr const char* kCmykIccFolder = "/usr/share/color/icc/ghostscript/";

// CMYK JPEGs as ImageMagick writes them (Adobe's inverted ink, the profile
// embedded) from plain.png, one for each of Ghostscript's CMYK profiles:
// default_cmyk.icc (187 KB, split over three APP2 chunks) and ps_cmyk.icc
// (one chunk).
class CmykWithProfile : public ColourFiles, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        m_profile = std::string(kCmykIccFolder) + GetParam();
        if (!std::filesystem::exists(m_profile)) {
            GTEST_SKIP() << m_profile << " is missing (Debian package libgs-common)";
        }
        m_name = std::string("cmyk-") + GetParam() + ".jpg";
        const auto r = test::runCommand("convert " + test::shellQuote(file("plain.png")) +
                                        " -profile " + kSrgbIcc + " -profile " +
                                        test::shellQuote(m_profile) + " -quality 95 " +
                                        test::shellQuote(file(m_name)));
        ASSERT_EQ(r.exitCode, 0) << r.output;
        const auto id = test::runCommand("identify -format '%[colorspace] %[profile:icc]' " +
                                         test::shellQuote(file(m_name)));
        ASSERT_EQ(id.output.rfind("CMYK ", 0), 0U) << id.output;
    }
    std::string m_profile;
    std::string m_name;
};

TEST_P(CmykWithProfile, ConvertsLikeImageMagickAndBetterThanNaively) {
    const LoadedPicture converted = load(m_name);
    EXPECT_EQ(converted.colour.outcome, ColourOutcome::Converted) << converted.colour.note;
    const Surface reference = imageMagickSrgb(m_name);
    const double withProfile = meanDeltaE2000(converted.pixels, reference);
    // Without conversion the decoder falls back to the plain ink formula.
    const LoadedPicture naive = load(m_name, false);
    EXPECT_EQ(naive.colour.outcome, ColourOutcome::NotConverted);
    const double naively = meanDeltaE2000(naive.pixels, reference);
    std::printf("%s: mean dE2000 against ImageMagick %.3f with the profile, %.3f naively\n",
                GetParam(), withProfile, naively);
    // Measured: 1.43 (default_cmyk) and 0.98 (ps_cmyk) with the profile,
    // 13.6 and 16.4 naively. The gap to ImageMagick is black point
    // compensation, which Little CMS applies to the perceptual intent
    // towards its own (version 4) sRGB and ImageMagick does not by default.
    EXPECT_LE(withProfile, 2.0);
    EXPECT_GE(naively, 8.0);
}

// A CMYK JPEG whose profile cannot serve: the picture loads with the plain
// ink formula, the same pixels as when conversion is off, and a note.
TEST_P(CmykWithProfile, UnusableProfileFallsBackToTheInkFormula) {
    const std::vector<std::uint8_t> jpeg = test::readFileBytes(file(m_name));
    const std::vector<std::uint8_t> cmykProfile = test::readFileBytes(m_profile);
    std::vector<std::uint8_t> headerOnly(cmykProfile.begin(), cmykProfile.begin() + 128);
    std::vector<std::uint8_t> scrambled(cmykProfile.begin(),
                                        cmykProfile.begin() + std::min<std::size_t>(cmykProfile.size(), 2000));
    std::fill(scrambled.begin() + 132, scrambled.end(), 0xA7);  // tag table and tags
    struct Case {
        const char* name;
        std::vector<std::uint8_t> profile;
        const char* note;
    };
    const Case cases[] = {
        {"garbage", std::vector<std::uint8_t>(600, 0x5A), "Farbprofil beschädigt"},
        {"header_only", headerOnly, "Farbprofil"},
        {"scrambled_tags", scrambled, "Farbprofil"},
        {"rgb", test::readFileBytes(kSrgbIcc), "Farbprofil (RGB) passt nicht zum CMYK-Bild"},
        {"grey", test::readFileBytes("/usr/share/color/icc/Gray.icc"), "Farbprofil (Grau"},
    };
    const Surface naive = load(m_name, false).pixels;
    for (const Case& c : cases) {
        const std::string name = m_name + "-" + c.name + ".jpg";
        test::writeFileBytes(file(name), withProfile(jpeg, c.profile));
        const LoadedPicture p = load(name);
        EXPECT_EQ(p.colour.outcome, ColourOutcome::Ignored) << c.name;
        EXPECT_EQ(p.colour.note.rfind(c.note, 0), 0U) << c.name << ": " << p.colour.note;
        EXPECT_EQ(difference(p.pixels, naive).worst, 0) << c.name;
    }
    // Without any profile the ink formula serves too, silently.
    test::writeFileBytes(file(m_name + "-none.jpg"), withProfile(jpeg, {}));
    const LoadedPicture bare = load(m_name + "-none.jpg");
    EXPECT_EQ(bare.colour.outcome, ColourOutcome::NoProfile);
    EXPECT_EQ(difference(bare.pixels, naive).worst, 0);
}

INSTANTIATE_TEST_SUITE_P(Ghostscript, CmykWithProfile,
                         ::testing::Values("default_cmyk.icc", "ps_cmyk.icc"),
                         [](const auto& info) {
                             std::string n = info.param;
                             return n.substr(0, n.find('.'));
                         });

// Every fourth value of each channel through the loader's conversion and
// through Little CMS's own perceptual transform: the pixels may differ by
// one at most (rounding).
TEST_F(ColourFiles, ConversionMatchesLittleCmsPerceptual) {
    for (const std::string& path : {file("display-p3.icc"),
                                   std::string("/usr/share/color/icc/compatibleWithAdobeRGB1998.icc")}) {
        const std::vector<std::uint8_t> bytes = test::readFileBytes(path);
        Surface grid(64 * 64, 64);
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64 * 64; ++x) {
                grid.setPixel(x, y, Bgr{static_cast<std::uint8_t>(x % 64 * 4 + 3),
                                        static_cast<std::uint8_t>(x / 64 * 4),
                                        static_cast<std::uint8_t>(y * 4 + 1)});
            }
        }
        Surface expected = grid.clone();
        cmsHPROFILE from = cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size()));
        cmsHPROFILE to = cmsCreate_sRGBProfile();
        cmsHTRANSFORM t = cmsCreateTransform(from, TYPE_BGR_8, to, TYPE_BGR_8, INTENT_PERCEPTUAL, 0);
        ASSERT_NE(t, nullptr) << path;
        for (int y = 0; y < 64; ++y) {
            cmsDoTransform(t, expected.row(y), expected.row(y), 64 * 64);
        }
        cmsDeleteTransform(t);
        cmsCloseProfile(to);
        cmsCloseProfile(from);
        EXPECT_EQ(convertToSrgb(grid, bytes, PictureChannels::Colour).outcome, ColourOutcome::Converted)
            << path;
        EXPECT_LE(difference(grid, expected).worst, 1) << path;
    }
}

// Profiles made here with Little CMS: sRGB's primaries and white, each with
// one defect in its curves or primaries, or of the other kind than the
// picture.
std::vector<std::uint8_t> saved(cmsHPROFILE profile) {
    cmsUInt32Number size = 0;
    std::vector<std::uint8_t> bytes;
    if (profile != nullptr && cmsSaveProfileToMem(profile, nullptr, &size) != 0) {
        bytes.resize(size);
        cmsSaveProfileToMem(profile, bytes.data(), &size);
    }
    EXPECT_FALSE(bytes.empty());
    cmsCloseProfile(profile);
    return bytes;
}

struct Curve {
    int type;  // Little CMS's parametric curve types
    std::vector<double> params;
};
const Curve kSrgbCurve{4, {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045}};

// An RGB profile with sRGB's primaries and the given curves; `colorants`
// replaces the primaries' XYZ when set.
std::vector<std::uint8_t> rgbProfile(const std::array<Curve, 3>& curves,
                                     const std::vector<cmsCIEXYZ>& colorants = {}) {
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
    std::array<cmsToneCurve*, 3> tone{};
    for (std::size_t c = 0; c < 3; ++c) {
        tone[c] = cmsBuildParametricToneCurve(nullptr, curves[c].type, curves[c].params.data());
    }
    cmsHPROFILE p = cmsCreateRGBProfile(&white, &primaries, tone.data());
    for (cmsToneCurve* t : tone) {
        cmsFreeToneCurve(t);
    }
    const cmsTagSignature tags[] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                    cmsSigBlueColorantTag};
    for (std::size_t c = 0; c < colorants.size() && c < 3; ++c) {
        cmsWriteTag(p, tags[c], &colorants[c]);
    }
    return saved(p);
}

std::vector<std::uint8_t> rgbProfile(const Curve& curve) {
    return rgbProfile({curve, curve, curve});
}

std::vector<std::uint8_t> greyProfile(const Curve& curve) {
    cmsToneCurve* tone = cmsBuildParametricToneCurve(nullptr, curve.type, curve.params.data());
    cmsHPROFILE p = cmsCreateGrayProfile(cmsD50_xyY(), tone);
    cmsFreeToneCurve(tone);
    return saved(p);
}

// Y = (30000 X)^100, infinite for every X above 1/30000: the profile of the
// crash, whose infinity turned into NaN in the matrix and then into an index.
const Curve kOverflowing{2, {100.0, 30000.0, 0.0}};

struct HostileProfileCase {
    const char* name;
    std::function<std::vector<std::uint8_t>()> profile;
    PictureChannels channels;
    const char* note;
};

class HostileProfiles : public ::testing::TestWithParam<HostileProfileCase> {};

// Dark and light, grey and coloured pixels: the overflow starts just above
// black, and a grey picture is also tried in colour.
Surface probePicture() {
    Surface s(64, 4);
    for (int x = 0; x < 64; ++x) {
        const auto v = static_cast<std::uint8_t>(x * 4);
        s.setPixel(x, 0, Bgr{v, v, v});
        s.setPixel(x, 1, Bgr{static_cast<std::uint8_t>(x % 4), 1, 2});
        s.setPixel(x, 2, Bgr{static_cast<std::uint8_t>(255 - v), v, 200});
        s.setPixel(x, 3, Bgr{0, 0, static_cast<std::uint8_t>(v + 3)});
    }
    return s;
}

TEST_P(HostileProfiles, AreIgnoredWithANoteAndTheirPixelsKept) {
    const HostileProfileCase& c = GetParam();
    const std::vector<std::uint8_t> profile = c.profile();
    Surface pixels = probePicture();
    const ColourReport report = convertToSrgb(pixels, profile, c.channels);
    EXPECT_EQ(report.outcome, ColourOutcome::Ignored);
    EXPECT_EQ(report.note.rfind(c.note, 0), 0U) << report.note;
    EXPECT_EQ(difference(pixels, probePicture()).worst, 0);
    // Asked again, the remembered verdict says the same.
    EXPECT_EQ(convertToSrgb(pixels, profile, c.channels).note, report.note);
}

const char* const kBadCurve = "Farbprofil mit unbrauchbarer Tonkurve, ignoriert";
const char* const kBadPrimaries = "Farbprofil mit unbrauchbaren Primärfarben, ignoriert";

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileProfiles,
    ::testing::Values(
        HostileProfileCase{"curve_overflows_to_infinity", [] { return rgbProfile(kOverflowing); },
                           PictureChannels::Colour, kBadCurve},
        HostileProfileCase{"negative_gamma", [] { return rgbProfile(Curve{1, {-2.0}}); },
                           PictureChannels::Colour, kBadCurve},
        HostileProfileCase{"curve_above_one",
                           [] { return rgbProfile(Curve{3, {1.0, 1.0, 0.0, 0.5}}); },
                           PictureChannels::Colour, kBadCurve},
        HostileProfileCase{"curve_below_zero",
                           [] { return rgbProfile(Curve{3, {1.0, 1.0, 0.0, -0.5}}); },
                           PictureChannels::Colour, kBadCurve},
        HostileProfileCase{"only_the_blue_curve_overflows",
                           [] { return rgbProfile({kSrgbCurve, kSrgbCurve, kOverflowing}); },
                           PictureChannels::Colour, kBadCurve},
        HostileProfileCase{"grey_curve_overflows", [] { return greyProfile(kOverflowing); },
                           PictureChannels::Grey, kBadCurve},
        HostileProfileCase{"colorant_far_out",
                           [] {
                               return rgbProfile({kSrgbCurve, kSrgbCurve, kSrgbCurve},
                                                 {{30000.0, 0.2, 0.01}});
                           },
                           PictureChannels::Colour, kBadPrimaries},
        HostileProfileCase{"colorants_on_one_line",
                           [] {
                               const cmsCIEXYZ third{0.9642 / 3, 1.0 / 3, 0.8249 / 3};
                               return rgbProfile({kSrgbCurve, kSrgbCurve, kSrgbCurve},
                                                 {third, third, third});
                           },
                           PictureChannels::Colour, kBadPrimaries},
        // Found by the fuzzer: 32 bits in the header that are no colour
        // space Little CMS knows.
        HostileProfileCase{"colour_space_not_an_enumerator",
                           [] {
                               std::vector<std::uint8_t> p = rgbProfile(kSrgbCurve);
                               std::fill(p.begin() + 16, p.begin() + 20, 0xFF);
                               return p;
                           },
                           PictureChannels::Colour,
                           "Farbprofil (unbekannter Farbraum) passt nicht zum Farbbild, ignoriert"},
        HostileProfileCase{"grey_profile_on_a_colour_picture",
                           [] { return test::readFileBytes("/usr/share/color/icc/Gray.icc"); },
                           PictureChannels::Colour,
                           "Farbprofil (Graustufen) passt nicht zum Farbbild, ignoriert"},
        HostileProfileCase{"rgb_profile_on_a_grey_picture",
                           [] {
                               return test::readFileBytes(
                                   "/usr/share/color/icc/compatibleWithAdobeRGB1998.icc");
                           },
                           PictureChannels::Grey,
                           "Farbprofil (RGB) passt nicht zum Graustufenbild, ignoriert"}),
    [](const auto& info) { return std::string(info.param.name); });

// The peak memory of `work` run in a child process, in KB.
long peakKbOf(const std::function<void()>& work) {
    const pid_t child = ::fork();
    if (child == 0) {
        work();
        ::_exit(0);
    }
    int status = 0;
    rusage usage{};
    EXPECT_EQ(::wait4(child, &status, 0, &usage), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return usage.ru_maxrss;
}

// Found by the fuzzer: a profile whose description (a multi-language text)
// claims sixteen million records had Little CMS allocate 200 MB for it,
// twice, before finding the tag too short. It is judged without its
// description now (here as the sRGB its colorants and curves are), and
// costs no more memory than a sound profile.
TEST(HostileProfiles, ATagClaimingMillionsOfRecordsTakesNoMemoryForThem) {
    std::vector<std::uint8_t> profile = rgbProfile(kSrgbCurve);
    const auto number = [&](std::size_t at) {
        return std::uint32_t{profile[at]} << 24 | std::uint32_t{profile[at + 1]} << 16 |
               std::uint32_t{profile[at + 2]} << 8 | profile[at + 3];
    };
    bool found = false;
    for (std::uint32_t i = 0; i < number(128); ++i) {
        const std::size_t entry = 132 + 12 * std::size_t{i};
        if (std::memcmp(&profile[entry], "desc", 4) == 0) {
            const std::size_t tag = number(entry + 4);
            ASSERT_EQ(std::memcmp(&profile[tag], "mluc", 4), 0);
            // The record count, after the type and 4 reserved bytes.
            profile[tag + 8] = 0x00, profile[tag + 9] = 0xFF, profile[tag + 10] = 0xFF,
            profile[tag + 11] = 0xFF;
            found = true;
        }
    }
    ASSERT_TRUE(found);
    const long sound = peakKbOf([] {
        Surface pixels = probePicture();
        (void)convertToSrgb(pixels, rgbProfile(kSrgbCurve), PictureChannels::Colour);
    });
    const long claiming = peakKbOf([&profile] {
        Surface pixels = probePicture();
        const ColourReport report = convertToSrgb(pixels, profile, PictureChannels::Colour);
        if (report.outcome != ColourOutcome::Srgb) {
            ::_exit(1);
        }
    });
    EXPECT_LT(claiming - sound, 64 * 1024) << sound << " KB against " << claiming << " KB";
}

// The same profiles on pictures of their own kind still convert: the checks
// refuse defects, not profiles.
TEST(HostileProfiles, SoundProfilesOfTheRightKindStillConvert) {
    Surface colour = probePicture();
    EXPECT_EQ(convertToSrgb(colour, test::readFileBytes("/usr/share/color/icc/Gray.icc"),
                            PictureChannels::Grey)
                  .outcome,
              ColourOutcome::Converted);
    // Adobe RGB's curves are a plain gamma of 2.2, sRGB's profile its own:
    // both pass the range check.
    EXPECT_EQ(convertToSrgb(colour,
                            test::readFileBytes(
                                "/usr/share/color/icc/compatibleWithAdobeRGB1998.icc"),
                            PictureChannels::Colour)
                  .outcome,
              ColourOutcome::Converted);
    EXPECT_EQ(convertToSrgb(colour, rgbProfile(kSrgbCurve), PictureChannels::Colour).outcome,
              ColourOutcome::Srgb);
}

// The files of the crash and of the grey-on-colour fault, in every format
// that carries a profile (HEIC made by heif-enc, which keeps the profile of
// a PNG or a JPEG): each loads, through the loader and through the fit into a box, with
// its stored pixels and a note.
TEST_F(ColourFiles, HostileProfilesInEveryFormatAreIgnored) {
    for (const auto& [from, to] : {std::pair{"overflow.png", "overflow.heic"},
                                   std::pair{"grey-on-colour.jpg", "grey-on-colour.heic"}}) {
        const auto made = test::runCommand("heif-enc -q 90 " + test::shellQuote(file(from)) +
                                           " -o " + test::shellQuote(file(to)) + " >/dev/null");
        ASSERT_EQ(made.exitCode, 0) << made.output;
    }
    struct Case {
        const char* base;
        const char* note;
    };
    for (const Case& c : {Case{"overflow", kBadCurve},
                          Case{"grey-on-colour", "Farbprofil (Graustufen) passt nicht zum Farbbild"}}) {
        for (const char* ending : {".jpg", ".png", ".tif", ".webp", ".heic"}) {
            const std::string name = c.base + std::string(ending);
            if (name == "grey-on-colour.png") {
                continue;  // libpng itself drops a grey profile on a colour PNG
            }
            const LoadedPicture p = load(name);
            EXPECT_EQ(p.colour.outcome, ColourOutcome::Ignored) << name;
            EXPECT_EQ(p.colour.note.rfind(c.note, 0), 0U) << name << ": " << p.colour.note;
            const LoadedPicture stored = load(name, false);
            EXPECT_EQ(difference(p.pixels, stored.pixels).worst, 0) << name;

            ColourReport report;
            LoadOptions options;
            options.colourReport = &report;
            const Result<Surface> fitted = FitPictureToBox(file(name), BoxSize{40, 30}, options);
            ASSERT_TRUE(fitted) << name << ": " << fitted.reason();
            EXPECT_EQ(report.outcome, ColourOutcome::Ignored) << name;
            EXPECT_EQ(report.note.rfind(c.note, 0), 0U) << name << ": " << report.note;
        }
    }
}

}  // namespace
}  // namespace vendrik
