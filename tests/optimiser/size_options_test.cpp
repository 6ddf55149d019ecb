// "nicht vergrößern" and "höchstens N KB" through the batch engine, and
// the settings keys that keep them.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "imaging/picture_loader.h"
#include "optimiser/batch_engine.h"
#include "optimiser/batch_settings_from.h"
#include "optimiser/size_target.h"
#include "startup/settings.h"
#include "support/test_support.h"

namespace vendrik {
namespace {

using test::TempDir;

BatchSettings box480x640() {
    BatchSettings s;
    s.runMode = RunMode::Batch;
    s.picture.sizeIndex = 2;  // "480 x 640"
    s.picture.quality = 80;
    return s;
}

TEST(NoEnlarge, KeepsPicturesThatFitAndStillReducesLargerOnes) {
    struct Case {
        const char* name;
        int w, h;
        bool noEnlarge;
        BoxSize expected;
    };
    const Case cases[] = {
        {"small enlarged by default", 320, 240, false, {640, 480}},
        {"small kept with the option", 320, 240, true, {320, 240}},
        {"small portrait kept", 240, 320, true, {240, 320}},
        {"exactly the box", 640, 480, true, {640, 480}},
        {"wider than the box reduced", 800, 300, true, {640, 240}},
        {"higher than the box reduced", 500, 600, true, {400, 480}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string source = dir.file("bild.bmp");
        test::writeBmp(source, c.w, c.h, 3);
        BatchSettings s = box480x640();
        s.picture.noEnlarge = c.noEnlarge;
        BatchObserver quiet;
        const auto results = runBatch({source}, s, quiet);
        ASSERT_EQ(results[0].status, PictureStatus::Written) << c.name << ": " << results[0].reason;
        EXPECT_EQ(results[0].size, c.expected) << c.name;
        const auto r = test::runCommand("identify -format '%wx%h' " + test::shellQuote(results[0].target));
        EXPECT_EQ(r.output, std::to_string(c.expected.width) + "x" + std::to_string(c.expected.height))
            << c.name;
    }
}

// "Hochformat wie Querformat" over the three orientations, each with and
// without the option, from a bitmap and from a JPEG (whose decoder may
// decode a reduced size, which must not fall short of the turned box). The
// box "480 x 640" is 640 wide and 480 high.
TEST(TurnBox, TurnsTheBoxToEachPicturesOrientation) {
    struct Case {
        const char* name;
        int w, h;
        bool turn;
        BoxSize expected;
    };
    const Case cases[] = {
        {"landscape as always", 1600, 1200, false, {640, 480}},
        {"landscape with the option", 1600, 1200, true, {640, 480}},
        {"portrait into the standing box", 1200, 1600, false, {360, 480}},
        {"portrait with the option", 1200, 1600, true, {480, 640}},
        {"square as always", 1000, 1000, false, {480, 480}},
        {"square with the option", 1000, 1000, true, {480, 480}},
        {"small portrait enlarged to the turned box", 120, 160, true, {480, 640}},
    };
    for (const Case& c : cases) {
        for (const char* ending : {".bmp", ".jpg"}) {
            SCOPED_TRACE(std::string(c.name) + ending);
            TempDir dir;
            const std::string source = dir.file(std::string("bild") + ending);
            if (std::string_view(ending) == ".bmp") {
                test::writeBmp(source, c.w, c.h, 3);
            } else {
                ASSERT_TRUE(test::writeJpeg(source, c.w, c.h));
            }
            BatchSettings s = box480x640();
            s.picture.boxTurn = c.turn ? BoxTurn::ToPicture : BoxTurn::Fixed;
            BatchObserver quiet;
            const auto results = runBatch({source}, s, quiet);
            ASSERT_EQ(results[0].status, PictureStatus::Written) << results[0].reason;
            EXPECT_EQ(results[0].size, c.expected);
            const auto r =
                test::runCommand("identify -format '%wx%h' " + test::shellQuote(results[0].target));
            EXPECT_EQ(r.output,
                      std::to_string(c.expected.width) + "x" + std::to_string(c.expected.height));
            // A reduced decode keeps at least the output's pixels.
            LoadOptions load;
            load.fitBox = BoxSize{640, 480};
            load.fitBoxTurn = s.picture.boxTurn;
            const auto loaded = loadPicture(source, load);
            ASSERT_TRUE(loaded);
            EXPECT_GE(loaded->pixels.width(), std::min(c.expected.width, c.w));
            EXPECT_GE(loaded->pixels.height(), std::min(c.expected.height, c.h));
        }
    }
}

// The window's switches kept across starts: absent from a file whose user
// never set them, read back once set, and a stored value the control cannot
// take leaves the default.
TEST(WindowSwitchKeys, WrittenOnlyOnceSetAndReadBack) {
    struct Case {
        const char* key;
        void (*set)(Settings&);
        bool (*isSet)(const Settings&);
        const char* unusable;
    };
    const Case cases[] = {
        {"Wasserzeichen", [](Settings& s) { s.watermarkOn = true; },
         [](const Settings& s) { return s.watermarkOn; }, "2"},
        {"Abtastung", [](Settings& s) { s.samplingChoice = 2; },
         [](const Settings& s) { return s.samplingChoice == 2; }, "3"},
        {"HochWieQuer", [](Settings& s) { s.turnBox = true; },
         [](const Settings& s) { return s.turnBox; }, "-1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        TempDir dir;
        const std::string ini = dir.file("vendrik.ini");
        Settings s = loadSettings(ini);
        EXPECT_FALSE(c.isSet(s));
        ASSERT_TRUE(saveMainWindowSettings(s, ini));
        const auto bytes = test::readFileBytes(ini);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()).find(c.key), std::string::npos);
        c.set(s);
        ASSERT_TRUE(saveMainWindowSettings(s, ini));
        EXPECT_TRUE(c.isSet(loadSettings(ini)));
        test::writeText(ini,
                        std::string("[Tervane Vendrik]\r\n") + c.key + "=" + c.unusable + "\r\n");
        EXPECT_FALSE(c.isSet(loadSettings(ini)));
    }
    Settings turned;
    turned.turnBox = true;
    EXPECT_EQ(batchSettingsFrom(turned).picture.boxTurn, BoxTurn::ToPicture);
    EXPECT_EQ(batchSettingsFrom(Settings{}).picture.boxTurn, BoxTurn::Fixed);
}

// Whether a JPEG file is progressive (a start-of-frame 2 before the scan).
bool progressive(const std::string& path) {
    const auto bytes = test::readFileBytes(path);
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2)) {
            return bytes[i + 1] == 0xC2;
        }
    }
    return false;
}

// In either compression: the strong mode's trellis chooses values per
// block, and the search still relies on sizes growing with the quality.
TEST(MaxSize, TheFileFitsAndOneQualityMoreWouldNot) {
    for (const JpegCompression compression : {JpegCompression::Standard, JpegCompression::Strong}) {
        const bool strong = compression == JpegCompression::Strong;
        SCOPED_TRACE(strong ? "strong" : "standard");
        TempDir dir;
        const std::string source = dir.file("bild.bmp");
        test::writeBmp(source, 900, 700, 5);
        BatchSettings s = box480x640();
        s.picture.sampling = Sampling::Best;  // one sampling for every quality: sizes grow with it
        s.picture.compression = compression;
        BatchObserver quiet;
        // The file at quality 95 tells how large the picture can get.
        s.picture.quality = 95;
        const auto plain = runBatch({source}, s, quiet);
        ASSERT_EQ(plain[0].status, PictureStatus::Written);
        const std::uint64_t at95 = plain[0].bytes;
        std::filesystem::remove(plain[0].target);

        s.picture.maxBytes = at95 * 2 / 3;
        const auto limited = runBatch({source}, s, quiet);
        ASSERT_EQ(limited[0].status, PictureStatus::Written) << limited[0].reason;
        EXPECT_TRUE(limited[0].reason.empty()) << limited[0].reason;
        EXPECT_LE(limited[0].bytes, s.picture.maxBytes);
        EXPECT_EQ(test::readFileBytes(limited[0].target).size(), limited[0].bytes);
        EXPECT_TRUE(test::decodesCompletely(limited[0].target));
        // Every trial was made in the run's compression, the kept one too.
        EXPECT_EQ(progressive(limited[0].target), strong);
        ASSERT_GE(limited[0].quality, 40);
        ASSERT_LT(limited[0].quality, 95);
        // One quality higher would not have fitted.
        std::filesystem::remove(limited[0].target);
        s.picture.maxBytes = 0;
        s.picture.quality = limited[0].quality + 1;
        const auto above = runBatch({source}, s, quiet);
        EXPECT_GT(above[0].bytes, at95 * 2 / 3);
    }
}

// The slider's quality is a ceiling: the cap never raises it, and a picture
// that fits at it is the very file a run without the cap writes.
TEST(MaxSize, CapsTheSlidersQualityWithoutChangingAFileThatFits) {
    TempDir dir;
    const std::string source = dir.file("bild.bmp");
    test::writeBmp(source, 900, 700, 4);
    BatchObserver quiet;
    for (const int quality : {45, 60, 80, 95}) {
        BatchSettings s = box480x640();
        s.picture.quality = quality;
        const auto plain = runBatch({source}, s, quiet);
        ASSERT_EQ(plain[0].status, PictureStatus::Written);
        const auto plainBytes = test::readFileBytes(plain[0].target);
        std::filesystem::remove(plain[0].target);
        struct Cap {
            std::uint64_t bytes;
            bool fits;
        };
        for (const Cap cap : {Cap{plainBytes.size(), true}, Cap{plainBytes.size() * 4, true},
                              Cap{plainBytes.size() - 1, false}}) {
            s.picture.maxBytes = cap.bytes;
            const auto capped = runBatch({source}, s, quiet);
            ASSERT_EQ(capped[0].status, PictureStatus::Written) << capped[0].reason;
            EXPECT_TRUE(capped[0].reason.empty()) << capped[0].reason;
            const auto bytes = test::readFileBytes(capped[0].target);
            std::filesystem::remove(capped[0].target);
            EXPECT_LE(bytes.size(), cap.bytes);
            if (cap.fits) {
                EXPECT_EQ(capped[0].quality, quality);
                EXPECT_EQ(bytes, plainBytes) << quality << " " << cap.bytes;
            } else {
                EXPECT_LT(capped[0].quality, quality);
            }
        }
    }
}

TEST(MaxSize, WrittenAtTheLowestQualityWithANoteWhenNothingFits) {
    TempDir dir;
    const std::string source = dir.file("bild.bmp");
    test::writeBmp(source, 640, 480, 1);
    BatchSettings s = box480x640();
    s.picture.maxBytes = 1024;
    BatchObserver quiet;
    const auto results = runBatch({source}, s, quiet);
    ASSERT_EQ(results[0].status, PictureStatus::Written);
    EXPECT_EQ(results[0].quality, kSizeSearchLowest);
    EXPECT_GT(results[0].bytes, 1024U);
    EXPECT_NE(results[0].reason.find("größer als höchstens 1 KB"), std::string::npos)
        << results[0].reason;
    EXPECT_TRUE(test::decodesCompletely(results[0].target));
}

TEST(SizeSettings, KeysRoundTripAndReachTheRun) {
    TempDir dir;
    const std::string ini = dir.file("vendrik.ini");
    Settings s = loadSettings(ini);
    EXPECT_FALSE(s.noEnlarge);
    EXPECT_EQ(s.maxSizeKB, 0);
    EXPECT_EQ(batchSettingsFrom(s).picture.maxBytes, 0U);
    EXPECT_EQ(batchSettingsFrom(s).picture.compression, JpegCompression::Standard);
    s.noEnlarge = true;
    s.maxSizeKB = 150;
    s.strongCompression = true;
    ASSERT_TRUE(saveMainWindowSettings(s, ini));
    const Settings again = loadSettings(ini);
    EXPECT_TRUE(again.noEnlarge);
    EXPECT_EQ(again.maxSizeKB, 150);
    EXPECT_TRUE(again.strongCompression);
    const BatchSettings run = batchSettingsFrom(again);
    EXPECT_TRUE(run.picture.noEnlarge);
    EXPECT_EQ(run.picture.maxBytes, 150U * 1024);
    EXPECT_EQ(run.picture.compression, JpegCompression::Strong);
    // Values the controls cannot take leave the defaults.
    test::writeText(ini, "[Tervane Vendrik]\r\nNoEnlarge=7\r\nMaxSize=-3\r\nKompression=2\r\n");
    const Settings odd = loadSettings(ini);
    EXPECT_FALSE(odd.noEnlarge);
    EXPECT_EQ(odd.maxSizeKB, 0);
    EXPECT_FALSE(odd.strongCompression);
}

}  // namespace
}  // namespace vendrik

namespace vendrik {
namespace {

TEST(MaxSize, GoesOnAtFourTwoZeroWhenOnlyALowQualityFitsAtFourFourFour) {
    TempDir dir;
    const std::string source = dir.file("bild.bmp");
    test::writeBmp(source, 900, 700, 7);
    BatchObserver quiet;
    BatchSettings s = box480x640();
    s.picture.quality = 40;
    std::map<Sampling, std::uint64_t> at40;
    for (const Sampling sampling : {Sampling::Best, Sampling::Faster}) {
        s.picture.sampling = sampling;
        const auto r = runBatch({source}, s, quiet);
        ASSERT_EQ(r[0].status, PictureStatus::Written);
        at40[sampling] = r[0].bytes;
        std::filesystem::remove(r[0].target);
    }
    ASSERT_LT(at40[Sampling::Faster], at40[Sampling::Best]);
    const auto samplingOf = [](const std::string& jpeg) {
        return test::runCommand("identify -format '%[jpeg:sampling-factor]' " +
                                test::shellQuote(jpeg))
            .output;
    };

    // No sampling chosen: the slider's rule, 4:4:4 at 80.
    s.picture.quality = 80;
    s.picture.sampling.reset();
    s.picture.maxBytes = (at40[Sampling::Faster] + at40[Sampling::Best]) / 2;
    const auto reduced = runBatch({source}, s, quiet);
    ASSERT_EQ(reduced[0].status, PictureStatus::Written);
    EXPECT_TRUE(reduced[0].reason.empty()) << reduced[0].reason;
    EXPECT_LE(reduced[0].bytes, s.picture.maxBytes);
    EXPECT_EQ(samplingOf(reduced[0].target), "2x2,1x1,1x1");
    std::filesystem::remove(reduced[0].target);

    // A sampling chosen on purpose holds: 4:4:4 at a quality below the
    // slider's 40, where it fits.
    s.picture.sampling = Sampling::Best;
    const auto fixed = runBatch({source}, s, quiet);
    ASSERT_EQ(fixed[0].status, PictureStatus::Written);
    EXPECT_LT(fixed[0].quality, 40);
    EXPECT_GE(fixed[0].quality, kSizeSearchLowest);
    EXPECT_LE(fixed[0].bytes, s.picture.maxBytes);
    EXPECT_TRUE(fixed[0].reason.empty()) << fixed[0].reason;
    EXPECT_EQ(samplingOf(fixed[0].target), "1x1,1x1,1x1");
}

}  // namespace
}  // namespace vendrik
