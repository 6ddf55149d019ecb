// What a run does to each output beside its pixels: "nie größer als die
// Quelle" (the source's bytes where its output would be larger), "nur
// verlustfrei" (JPEG sources rewritten without decoding), "Dateidatum
// beibehalten" (the source's modification time), and the settings keys
// that keep them.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "optimiser/batch_engine.h"
#include "optimiser/batch_settings_from.h"
#include "optimiser/source_as_output.h"
#include "startup/settings.h"
#include "support/test_support.h"

namespace vendrik {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

struct timespec modificationTime(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mtim;
}

bool sameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// A modification time far from now and with nanoseconds, as a camera card
// copied with its dates has.
void dateBack(const std::string& path, long nanoseconds) {
    const struct timespec times[2] = {{0, UTIME_OMIT}, {1'400'000'000, nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

struct DateCase {
    const char* name;
    bool keepDates;
    int jobs;
    OutputMode output;
};

class KeepDates : public ::testing::TestWithParam<DateCase> {};

TEST_P(KeepDates, OutputsTakeTheirSourcesModificationTimeOnlyWhenAsked) {
    const DateCase& c = GetParam();
    TempDir dir;
    fs::create_directories(dir.path() / "out");
    std::vector<std::string> sources;
    for (int i = 0; i < 3; ++i) {
        sources.push_back(dir.file("b" + std::to_string(i) + ".bmp"));
        test::writeBmp(sources.back(), 60 + i, 40, i);
        dateBack(sources.back(), 123'456'789L + i);
    }
    BatchSettings s;
    s.runMode = RunMode::Batch;
    s.picture.sizeIndex = 0;
    s.targetFolder = dir.file("out");
    s.jobs = c.jobs;
    s.output = c.output;
    s.keepDates = c.keepDates;
    BatchObserver quiet;
    const auto results = runBatch(sources, s, quiet);
    for (std::size_t i = 0; i < sources.size(); ++i) {
        ASSERT_EQ(results[i].status, PictureStatus::Written) << results[i].reason;
        EXPECT_TRUE(results[i].notes.empty()) << results[i].notes.front();
        if (c.output == OutputMode::DryRun) {
            EXPECT_FALSE(fs::exists(results[i].target));
            continue;
        }
        EXPECT_EQ(sameTime(modificationTime(results[i].target), modificationTime(sources[i])),
                  c.keepDates)
            << results[i].target;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, KeepDates,
    ::testing::Values(DateCase{"Kept", true, 1, OutputMode::Files},
                      DateCase{"KeptWithSeveralJobs", true, 3, OutputMode::Files},
                      DateCase{"NotAskedFor", false, 1, OutputMode::Files},
                      DateCase{"DryRunWritesNothing", true, 1, OutputMode::DryRun}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KeepDates, ATimeThatCannotBeSetIsANoteAndTheFileStays) {
    TempDir dir;
    const std::string source = dir.file("bild.bmp");
    test::writeBmp(source, 50, 40, 1);
    BatchSettings s;
    s.picture.sizeIndex = 0;
    s.keepDates = true;
    // The source goes while its picture is encoded: the output is written,
    // only its date is missing.
    class Remover : public BatchObserver {
    public:
        explicit Remover(std::string path) : m_path(std::move(path)) {}
        void currentProgress(std::size_t, int value) override {
            if (value == 20) {
                fs::remove(m_path);
            }
        }

    private:
        std::string m_path;
    } remover(source);
    const auto results = runBatch({source}, s, remover);
    ASSERT_EQ(results[0].status, PictureStatus::Written) << results[0].reason;
    EXPECT_TRUE(fs::exists(results[0].target));
    ASSERT_EQ(results[0].notes.size(), 1U);
    EXPECT_EQ(results[0].notes[0],
              "Dateidatum nicht übernommen: Datum der Quelle nicht lesbar: nicht gefunden");
}

// ---- "nie größer als die Quelle" ------------------------------------------

// The pixels djpeg decodes, as a PPM's bytes.
std::string decodedPixels(const std::string& jpeg) {
    return test::runCommand("djpeg -ppm " + test::shellQuote(jpeg)).output;
}

std::string exifTag(const std::string& file, const std::string& tag) {
    return test::runCommand("exiftool -s3 -" + tag + " " + test::shellQuote(file)).output;
}

struct LargerCase {
    const char* name;
    const char* exiftoolArgs;  // tags of the source
    bool enlarge = false;  // into the largest box, not "Originalgröße(n) beibehalten"
    bool watermark = false;
    MetadataChoice metadata = MetadataChoice::Strip;
    bool neverLarger = true;
    const char* note = "";  // what the larger output is written with; "" when the source is kept
};

class NeverLarger : public ::testing::TestWithParam<LargerCase> {};

TEST_P(NeverLarger, TakesTheSourceWhereItShowsTheSamePictureAndSaysWhyNotElsewhere) {
    const LargerCase& c = GetParam();
    TempDir dir;
    const std::string source = dir.file("klein.jpg");
    ASSERT_TRUE(test::writeJpeg(source, 320, 240, c.exiftoolArgs));
    fs::create_directories(dir.path() / "out");
    BatchSettings s;
    s.targetFolder = dir.file("out");
    s.picture.quality = 95;
    s.picture.size.keepOriginalSize = !c.enlarge;
    s.picture.sizeIndex = 9;  // 1536 x 2048
    s.picture.metadata = c.metadata;
    s.picture.neverLarger = c.neverLarger;
    if (c.watermark) {
        s.picture.watermark = [](Surface&) {};
    }
    BatchObserver quiet;
    // The same run without the option, for the size of the encoded output.
    BatchSettings plainRun = s;
    plainRun.picture.neverLarger = false;
    const auto plain = runBatch({source}, plainRun, quiet);
    ASSERT_EQ(plain[0].status, PictureStatus::Written) << plain[0].reason;
    fs::rename(plain[0].target, dir.file("plain.jpg"));
    const auto results = runBatch({source}, s, quiet);
    const PictureResult& r = results[0];
    ASSERT_EQ(r.status, PictureStatus::Written) << r.reason;
    const auto sourceBytes = test::readFileBytes(source);
    const auto outputBytes = test::readFileBytes(r.target);
    EXPECT_EQ(r.bytes, outputBytes.size());
    if (std::string(c.note).empty() && c.neverLarger) {
        EXPECT_TRUE(r.sourceKept);
        EXPECT_EQ(r.quality, 0);
        EXPECT_TRUE(r.notes.empty()) << r.notes.front();
        EXPECT_LT(outputBytes.size(), test::readFileBytes(dir.file("plain.jpg")).size());
        // Kept metadata is the outputs' adapted EXIF, which may take a few
        // bytes more than the source's own.
        if (c.metadata == MetadataChoice::Strip) {
            EXPECT_LT(outputBytes.size(), sourceBytes.size());
        }
        EXPECT_EQ(decodedPixels(r.target), decodedPixels(source));
        EXPECT_TRUE(test::decodesCompletely(r.target));
        // Only the metadata went: both files without it are the same bytes.
        const auto bare = [](const std::string& f) {
            return test::runCommand("jpegtran -copy none " + test::shellQuote(f)).output;
        };
        EXPECT_EQ(bare(r.target), bare(source));
        const bool kept = c.metadata != MetadataChoice::Strip;
        EXPECT_EQ(exifTag(r.target, "Model"), kept ? "Kamera\n" : "");
        EXPECT_EQ(exifTag(r.target, "GPSLatitude").empty(),
                  c.metadata != MetadataChoice::Keep);
        return;
    }
    EXPECT_FALSE(r.sourceKept);
    EXPECT_EQ(r.quality, 95);
    EXPECT_GT(outputBytes.size(), sourceBytes.size());
    EXPECT_EQ(outputBytes, test::readFileBytes(dir.file("plain.jpg")));
    if (!c.neverLarger) {
        EXPECT_TRUE(r.notes.empty());
        return;
    }
    ASSERT_EQ(r.notes.size(), 1U);
    EXPECT_NE(r.notes[0].find("größer als die Quelle"), std::string::npos) << r.notes[0];
    EXPECT_NE(r.notes[0].find(c.note), std::string::npos) << r.notes[0];
}

constexpr const char* kCameraTags = "-Model=Kamera -GPSLatitude=48.1 -GPSLatitudeRef=N";

INSTANTIATE_TEST_SUITE_P(
    Sources, NeverLarger,
    ::testing::Values(
        LargerCase{"SourceKeptMetadataStripped", kCameraTags},
        LargerCase{"SourceKeptMetadataKept", kCameraTags, false, false, MetadataChoice::Keep},
        LargerCase{"SourceKeptWithoutGps", kCameraTags, false, false,
                   MetadataChoice::KeepWithoutGps},
        LargerCase{"OptionOffWritesTheLargerOutput", kCameraTags, false, false,
                   MetadataChoice::Strip, false},
        LargerCase{"TurnedSourceIsNotTheOutput", "-Orientation#=6", false, false,
                   MetadataChoice::Strip, true, "Drehen"},
        LargerCase{"WatermarkedOutput", "", false, true, MetadataChoice::Strip, true,
                   "Wasserzeichen"},
        LargerCase{"EnlargedOutput", "", true, false, MetadataChoice::Strip, true,
                   "andere Größe"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NeverLarger, ASourceInAnotherFormatIsNamedAndASmallerOutputStaysAsItIs) {
    TempDir dir;
    // A flat PNG packs into a few hundred bytes, far below any JPEG of it.
    const std::string png = dir.file("flach.png");
    ASSERT_EQ(test::runCommand("convert -size 300x200 xc:'#3366aa' " + test::shellQuote(png))
                  .exitCode,
              0);
    // A large photograph-like source shrinks when scaled into a small box.
    const std::string large = dir.file("gross.jpg");
    ASSERT_TRUE(test::writeJpeg(large, 900, 700));
    BatchSettings s;
    s.runMode = RunMode::Batch;
    s.picture.sizeIndex = 0;
    s.picture.neverLarger = true;
    BatchObserver quiet;
    const auto results = runBatch({png, large}, s, quiet);
    ASSERT_EQ(results[0].status, PictureStatus::Written);
    ASSERT_EQ(results[0].notes.size(), 1U);
    EXPECT_NE(results[0].notes[0].find("die Quelle ist kein JPEG"), std::string::npos);
    ASSERT_EQ(results[1].status, PictureStatus::Written);
    EXPECT_FALSE(results[1].sourceKept);
    EXPECT_TRUE(results[1].notes.empty());
    BatchSettings without = s;
    without.picture.neverLarger = false;
    fs::rename(results[1].target, dir.file("mit.jpg"));
    const auto plain = runBatch({large}, without, quiet);
    EXPECT_EQ(test::readFileBytes(plain[0].target), test::readFileBytes(dir.file("mit.jpg")));
}

// The source's segments, one crafted file per way it can fail to serve.
std::vector<std::uint8_t> segment(std::uint8_t marker, std::vector<std::uint8_t> payload) {
    const std::size_t length = payload.size() + 2;
    std::vector<std::uint8_t> out{0xFF, marker, static_cast<std::uint8_t>(length >> 8),
                                  static_cast<std::uint8_t>(length)};
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

std::vector<std::uint8_t> frame(std::uint8_t marker, int precision, int components) {
    std::vector<std::uint8_t> p{static_cast<std::uint8_t>(precision), 0, 240, 1, 64,
                                static_cast<std::uint8_t>(components)};
    for (int c = 0; c < components; ++c) {
        p.insert(p.end(), {static_cast<std::uint8_t>(c + 1), 0x11, 0});
    }
    return segment(marker, p);
}

std::vector<std::uint8_t> file(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> out{0xFF, 0xD8};
    for (const auto& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

const std::vector<std::uint8_t> kScan = {0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 63, 0,
                                         0x12, 0xFF, 0x00, 0xFF, 0xD3, 0x34};
const std::vector<std::uint8_t> kEnd = {0xFF, 0xD9};

TEST(SourceAsOutput, RefusesWhatIsNotTheSamePicture) {
    const BoxSize size{320, 240};
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* reason;
    };
    const Case cases[] = {
        {"not a JPEG", {0x89, 'P', 'N', 'G'}, "die Quelle ist kein JPEG"},
        {"arithmetic coding", file({frame(0xC9, 8, 3), kScan, kEnd}),
         "die Quelle ist arithmetisch kodiert, verlustfrei oder hierarchisch"},
        {"lossless frame", file({frame(0xC3, 8, 3), kScan, kEnd}),
         "die Quelle ist arithmetisch kodiert, verlustfrei oder hierarchisch"},
        {"12 bits", file({frame(0xC1, 12, 3), kScan, kEnd}),
         "die Quelle hat keine 8-Bit-Farben in Grau oder RGB"},
        {"CMYK", file({frame(0xC0, 8, 4), kScan, kEnd}),
         "die Quelle hat keine 8-Bit-Farben in Grau oder RGB"},
        {"another size", file({frame(0xC0, 8, 3), kScan, kEnd}),
         "die Quelle hat eine andere Größe als die Ausgabe"},
        {"no end", file({frame(0xC2, 8, 3), kScan}),
         "die Quelle ist unvollständig oder beschädigt"},
        {"segment past the end", file({{0xFF, 0xE1, 0xFF, 0xF0, 'E'}}),
         "die Quelle ist unvollständig oder beschädigt"},
        {"scan before the frame", file({kScan, kEnd}),
         "die Quelle ist unvollständig oder beschädigt"},
    };
    for (const Case& c : cases) {
        const BoxSize wanted = std::string(c.name) == "another size" ? BoxSize{300, 240} : size;
        const auto result = sourceAsOutput(c.bytes, SourceOutput{wanted}, {});
        ASSERT_FALSE(result) << c.name;
        EXPECT_EQ(result.reason(), c.reason) << c.name;
    }
}

TEST(SourceAsOutput, DropsMetadataAndTrailersAndKeepsTheRestByteForByte) {
    const auto jfif = segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
    const auto adobe = segment(0xEE, {'A', 'd', 'o', 'b', 'e', 0, 100, 0, 0, 0, 0, 1});
    const auto tables = segment(0xDB, std::vector<std::uint8_t>(65, 1));
    const auto comment = segment(0xFE, {'h', 'i'});
    const auto icc = segment(0xE2, {'I', 'C', 'C'});
    const auto sof = frame(0xC2, 8, 3);
    const std::vector<std::uint8_t> secondScan = {0xFF, 0xDA, 0, 8, 1, 1, 1, 5, 0, 0, 0x77};
    auto source = file({jfif, comment, icc, adobe, tables, sof, kScan, comment, secondScan, kEnd});
    source.insert(source.end(), {0xFF, 0xD8, 0xAB});  // a second picture after the end
    MetadataSegments metadata;
    metadata.exif = {'E', 'x', 'i', 'f', 0, 0, 'M', 'M'};
    const auto result = sourceAsOutput(source, SourceOutput{{320, 240}}, metadata);
    ASSERT_TRUE(result) << result.reason();
    const auto expected = file({jfif, segment(0xE1, metadata.exif), adobe, tables, sof, kScan,
                                secondScan, kEnd});
    EXPECT_EQ(*result, expected);
}

// ---- "nur verlustfrei" -----------------------------------------------------

// A JPEG written by cjpeg with `options`, from writeBmp's pattern.
void cjpeg(const std::string& path, int w, int h, const std::string& options) {
    const std::string bmp = path + ".bmp";
    test::writeBmp(bmp, w, h, 6);
    const auto r = test::runCommand("cjpeg " + options + " -outfile " + test::shellQuote(path) +
                                    " " + test::shellQuote(bmp));
    ASSERT_EQ(r.exitCode, 0) << r.output;
    fs::remove(bmp);
}

struct LosslessCase {
    const char* name;
    const char* cjpegOptions;
    const char* exiftoolArgs;  // "" for none
    MetadataChoice metadata = MetadataChoice::Strip;
};

class Lossless : public ::testing::TestWithParam<LosslessCase> {};

TEST_P(Lossless, RewritesToTheSourcesPixelsNoLargerWithTheOrientationAsATag) {
    const LosslessCase& c = GetParam();
    TempDir dir;
    const std::string source = dir.file("foto.jpg");
    cjpeg(source, 333, 250, c.cjpegOptions);
    if (!std::string(c.exiftoolArgs).empty()) {
        const auto r = test::runCommand("exiftool -q -overwrite_original " +
                                        std::string(c.exiftoolArgs) + " " +
                                        test::shellQuote(source));
        ASSERT_EQ(r.exitCode, 0) << r.output;
    }
    BatchSettings s;
    s.picture.lossless = true;
    s.picture.metadata = c.metadata;
    s.picture.sizeIndex = 0;       // a box, a quality and a watermark that must not apply
    s.picture.quality = 40;
    s.picture.maxBytes = 1024;
    s.picture.watermark = [](Surface& p) { p.row(0)[0] ^= 0xFF; };
    BatchObserver quiet;
    const auto results = runBatch({source}, s, quiet);
    const PictureResult& r = results[0];
    ASSERT_EQ(r.status, PictureStatus::Written) << r.reason;
    EXPECT_TRUE(r.reason.empty()) << r.reason;
    EXPECT_TRUE(r.watermarkError.empty());
    EXPECT_EQ(r.quality, 0);
    EXPECT_TRUE(r.notes.empty()) << r.notes.front();
    EXPECT_EQ(decodedPixels(r.target), decodedPixels(source));
    EXPECT_LE(fs::file_size(r.target), fs::file_size(source));
    EXPECT_TRUE(test::decodesCompletely(r.target));
    // No tag and Orientation 1 both mean upright; kept EXIF always says 1.
    const auto orientationOf = [](const std::string& file) {
        const std::string tag = exifTag(file, "Orientation#");
        return tag.empty() ? std::string("1\n") : tag;
    };
    const std::string orientation = orientationOf(source);
    EXPECT_EQ(orientationOf(r.target), orientation);
    const bool turned = orientation == "6\n";
    EXPECT_EQ(r.size, (turned ? BoxSize{250, 333} : BoxSize{333, 250}));
    const bool keeps = c.metadata != MetadataChoice::Strip;
    EXPECT_EQ(exifTag(r.target, "Model"), keeps ? exifTag(source, "Model") : "");
}

INSTANTIATE_TEST_SUITE_P(
    Sources, Lossless,
    ::testing::Values(
        LosslessCase{"Baseline", "-quality 85", ""},
        LosslessCase{"BaselineSubsampled", "-quality 70 -sample 2x2", ""},
        LosslessCase{"Progressive", "-quality 90 -progressive", ""},
        LosslessCase{"Grey", "-quality 80 -grayscale", ""},
        LosslessCase{"RestartMarkers", "-quality 85 -restart 1", ""},
        LosslessCase{"TurnedMetadataStripped", "-quality 85", "-Model=Kamera -Orientation#=6"},
        LosslessCase{"TurnedMetadataKept", "-quality 85", "-Model=Kamera -Orientation#=6",
                     MetadataChoice::Keep},
        LosslessCase{"UprightMetadataKept", "-quality 85", "-Model=Kamera",
                     MetadataChoice::Keep}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Lossless, FailsWithAReasonForWhatItCannotRewrite) {
    TempDir dir;
    const std::string png = dir.file("bild.png");
    const std::string cut = dir.file("halb.jpg");
    const std::string arithmetic = dir.file("arith.jpg");
    const std::string twelve = dir.file("zwoelf.jpg");
    test::writeBmp(dir.file("bild.bmp"), 64, 48, 2);
    ASSERT_EQ(test::runCommand("convert " + test::shellQuote(dir.file("bild.bmp")) + " " +
                               test::shellQuote(png))
                  .exitCode,
              0);
    cjpeg(cut, 200, 150, "-quality 90");
    auto bytes = test::readFileBytes(cut);
    bytes.resize(bytes.size() / 2);
    test::writeFileBytes(cut, bytes);
    cjpeg(arithmetic, 200, 150, "-quality 90 -arithmetic");
    struct Case {
        std::string source;
        const char* reason;
    };
    const Case cases[] = {
        {png, "nur verlustfrei: kein JPEG: verlustfrei lassen sich nur JPEG-Dateien neu schreiben"},
        {cut, "nur verlustfrei: JPEG beschädigt oder abgeschnitten: Premature end of JPEG file"},
        {arithmetic,
         "nur verlustfrei: arithmetisch kodiertes JPEG: verlustfrei wird nur Huffman-Kodierung "
         "neu geschrieben"},
        {dir.file("fehlt.jpg"), "nur verlustfrei: Datei nicht gefunden"},
    };
    BatchSettings s;
    s.runMode = RunMode::Batch;
    s.picture.lossless = true;
    BatchObserver quiet;
    std::vector<std::string> sources;
    for (const Case& c : cases) {
        sources.push_back(c.source);
    }
    const auto results = runBatch(sources, s, quiet);
    for (std::size_t i = 0; i < results.size(); ++i) {
        EXPECT_EQ(results[i].status, PictureStatus::Failed) << cases[i].source;
        EXPECT_EQ(results[i].reason, cases[i].reason) << cases[i].source;
    }
    EXPECT_EQ(test::temporaryNamesIn(dir.path()), std::vector<std::string>{});
}

TEST(OutputSettings, KeysRoundTripAndReachTheRun) {
    TempDir dir;
    const std::string ini = dir.file("vendrik.ini");
    Settings s = loadSettings(ini);
    EXPECT_FALSE(s.keepDates);
    EXPECT_FALSE(s.neverLarger);
    EXPECT_FALSE(s.lossless);
    EXPECT_FALSE(batchSettingsFrom(s).keepDates);
    EXPECT_FALSE(batchSettingsFrom(s).picture.neverLarger);
    ASSERT_TRUE(saveMainWindowSettings(s, ini));
    const auto bytes = test::readFileBytes(ini);
    const std::string text(bytes.begin(), bytes.end());
    for (const char* key : {"DatumBehalten", "NieGroesser", "Verlustfrei"}) {
        EXPECT_EQ(text.find(key), std::string::npos) << key;
    }
    s.keepDates = true;
    s.neverLarger = true;
    s.lossless = true;
    ASSERT_TRUE(saveMainWindowSettings(s, ini));
    const Settings again = loadSettings(ini);
    EXPECT_TRUE(again.keepDates);
    EXPECT_TRUE(again.neverLarger);
    EXPECT_TRUE(batchSettingsFrom(again).keepDates);
    EXPECT_TRUE(batchSettingsFrom(again).picture.neverLarger);
    EXPECT_TRUE(again.lossless);
    EXPECT_TRUE(batchSettingsFrom(again).picture.lossless);
    // A value a check box cannot take leaves the default.
    test::writeText(ini, "[Tervane Vendrik]\r\nDatumBehalten=2\r\nNieGroesser=-1\r\nVerlustfrei=x\r\n");
    EXPECT_FALSE(loadSettings(ini).keepDates);
    EXPECT_FALSE(loadSettings(ini).neverLarger);
    EXPECT_FALSE(loadSettings(ini).lossless);
}

}  // namespace
}  // namespace vendrik
