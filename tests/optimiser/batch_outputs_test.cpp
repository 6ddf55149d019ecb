// What a run does with its outputs: names that collide within the run,
// sources named twice, subfolders below the target folder, dry runs, the
// pipeline's bytes without a run, another output format; and the folder
// trees and path identities they rest on.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <memory>

#include "imaging/pnm_reader.h"
#include "optimiser/batch_engine.h"
#include "optimiser/output_formats.h"
#include "optimiser/picture_pipeline.h"
#include "startup/picture_listing.h"
#include "support/test_support.h"

namespace vendrik {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::writeBmp;

class Finished : public BatchObserver {
public:
    void pictureFinished(std::size_t picture, const PictureResult&) override {
        order.push_back(picture);
    }
    std::vector<std::size_t> order;
};

BatchSettings into(const std::string& folder, int jobs) {
    BatchSettings s;
    s.runMode = RunMode::Batch;
    s.picture.sizeIndex = 0;
    s.targetFolder = folder;
    s.jobs = jobs;
    return s;
}

std::vector<std::string> filesUnder(const fs::path& root) {
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        names.push_back(fs::relative(e.path(), root).string() + (e.is_directory() ? "/" : ""));
    }
    std::sort(names.begin(), names.end());
    return names;
}

class RunOutputs : public ::testing::TestWithParam<int> {};  // the number of jobs

TEST_P(RunOutputs, TheFirstPictureOfANameWritesAndTheLaterOnesFail) {
    TempDir dir;
    fs::create_directories(dir.path() / "a");
    fs::create_directories(dir.path() / "b");
    fs::create_directories(dir.path() / "out");
    const std::vector<std::string> sources = {dir.file("a/bild.bmp"), dir.file("a/bild.png"),
                                              dir.file("b/bild.bmp"), dir.file("a/anders.bmp")};
    for (std::size_t i = 0; i < sources.size(); ++i) {
        writeBmp(sources[i], 40 + static_cast<int>(i), 30, static_cast<int>(i));
    }
    BatchSettings s = into(dir.file("out"), GetParam());
    Finished observer;
    const auto results = runBatch(sources, s, observer);
    EXPECT_EQ(observer.order, (std::vector<std::size_t>{0, 1, 2, 3}));
    EXPECT_EQ(results[0].status, PictureStatus::Written) << results[0].reason;
    for (const std::size_t later : {1U, 2U}) {
        EXPECT_EQ(results[later].status, PictureStatus::Failed);
        EXPECT_EQ(results[later].reason, "Zieldatei bild_new.jpg wurde in diesem Lauf schon aus " +
                                             sources[0] + " geschrieben");
    }
    EXPECT_EQ(results[3].status, PictureStatus::Written);
    EXPECT_EQ(filesUnder(dir.path() / "out"),
              (std::vector<std::string>{"anders_new.jpg", "bild_new.jpg"}));

    TempDir alone;
    const auto first = runBatch({sources[0]}, into(alone.path().string(), 1), observer);
    EXPECT_EQ(test::readFileBytes(first[0].target), test::readFileBytes(results[0].target));
}

// The naming rule and the in-run collision rule with another format's
// ending: "bild_web.webp" is taken by the first bild of the run.
TEST(RunOutputsInAnotherFormat, TheEndingIsTheFormatsAndLaterPicturesOfANameFail) {
    for (const OutputFormatId id : {OutputFormatId::WebP, OutputFormatId::Avif}) {
        TempDir dir;
        fs::create_directories(dir.path() / "out");
        const std::vector<std::string> sources = {dir.file("bild.bmp"), dir.file("bild.png")};
        writeBmp(sources[0], 40, 30, 1);
        writeBmp(sources[1], 30, 40, 2);
        BatchSettings s = into(dir.file("out"), 2);
        s.picture.format = outputFormat(id);
        s.naming.listTag = "web";
        Finished observer;
        const auto results = runBatch(sources, s, observer);
        const std::string name = "bild_web" + std::string(s.picture.format->ending());
        ASSERT_EQ(results[0].status, PictureStatus::Written) << results[0].reason;
        EXPECT_EQ(results[0].target, dir.file("out/" + name));
        EXPECT_EQ(results[1].status, PictureStatus::Failed);
        EXPECT_EQ(results[1].reason,
                  "Zieldatei " + name + " wurde in diesem Lauf schon aus " + sources[0] + " geschrieben");
        EXPECT_EQ(filesUnder(dir.path() / "out"), std::vector<std::string>{name});
    }
}

TEST_P(RunOutputs, ASourceNamedTwiceIsProcessedOnce) {
    TempDir dir;
    fs::create_directories(dir.path() / "f");
    writeBmp(dir.file("f/x.bmp"), 40, 30, 1);
    const std::string spelt = dir.path().string() + "/f/../f//x.bmp";
    Finished observer;
    const auto results =
        runBatch({dir.file("f/x.bmp"), spelt}, into(dir.file("f"), GetParam()), observer);
    EXPECT_EQ(results[0].status, PictureStatus::Written);
    EXPECT_EQ(results[1].status, PictureStatus::Skipped);
    EXPECT_EQ(results[1].reason, "schon in diesem Lauf: dieselbe Datei wie " + dir.file("f/x.bmp"));
    EXPECT_EQ(observer.order.size(), 2U);
}

TEST_P(RunOutputs, SubfoldersAreMadeBelowTheTargetFolderOnly) {
    TempDir dir;
    writeBmp(dir.file("a.bmp"), 40, 30, 1);
    writeBmp(dir.file("b.bmp"), 40, 30, 2);
    fs::create_directory(dir.path() / "out");
    Finished observer;
    const std::vector<BatchSource> sources = {{dir.file("a.bmp"), "2024/rom"},
                                              {dir.file("b.bmp"), "2024"},
                                              {dir.file("a.bmp"), "../raus"},
                                              {dir.file("b.bmp"), "/abs"}};
    auto results = runBatch(sources, into(dir.file("out"), GetParam()), observer);
    EXPECT_EQ(results[0].target, dir.file("out/2024/rom/a_new.jpg"));
    EXPECT_EQ(results[1].status, PictureStatus::Written) << results[1].reason;
    // The same source with another subfolder is still the same source.
    EXPECT_EQ(results[2].status, PictureStatus::Skipped);
    EXPECT_EQ(results[3].status, PictureStatus::Skipped);
    EXPECT_EQ(
        filesUnder(dir.path() / "out"),
        (std::vector<std::string>{"2024/", "2024/b_new.jpg", "2024/rom/", "2024/rom/a_new.jpg"}));

    const std::vector<BatchSource> unsafe = {{dir.file("a.bmp"), "../raus"},
                                             {dir.file("b.bmp"), "x/./y"}};
    results = runBatch(unsafe, into(dir.file("out"), GetParam()), observer);
    for (const PictureResult& r : results) {
        EXPECT_EQ(r.status, PictureStatus::Failed);
        EXPECT_NE(r.reason.find("ungültiger Unterordner"), std::string::npos) << r.reason;
    }
    // A folder of the tree that is a link in the target folder, to a
    // folder outside it or to nothing, is not followed: each picture
    // below it fails.
    fs::create_directory(dir.path() / "draussen");
    fs::create_directory_symlink(dir.path() / "draussen", dir.path() / "out/2024/weg");
    fs::create_directory_symlink(dir.path() / "draussen", dir.path() / "out/tief");
    fs::create_symlink(dir.path() / "nirgends", dir.path() / "out/2024/leer");
    writeBmp(dir.file("c.bmp"), 40, 30, 3);
    const std::vector<BatchSource> linked = {{dir.file("a.bmp"), "2024/weg"},
                                             {dir.file("b.bmp"), "tief/unten"},
                                             {dir.file("c.bmp"), "2024/leer"}};
    results = runBatch(linked, into(dir.file("out"), GetParam()), observer);
    for (const PictureResult& r : results) {
        EXPECT_EQ(r.status, PictureStatus::Failed) << r.target;
        EXPECT_NE(r.reason.find("Verweis"), std::string::npos) << r.reason;
    }
    EXPECT_TRUE(fs::is_empty(dir.path() / "draussen"));
    EXPECT_FALSE(fs::exists(dir.path() / "nirgends"));

    // A missing target folder is not made, nor anything below it.
    results = runBatch(std::vector<BatchSource>{{dir.file("a.bmp"), "sub"}},
                       into(dir.file("fehlt"), GetParam()), observer);
    EXPECT_EQ(results[0].status, PictureStatus::Failed);
    EXPECT_FALSE(fs::exists(dir.path() / "fehlt"));
}

TEST_P(RunOutputs, ADryRunWritesNothingAndReportsWhatWouldBeWritten) {
    TempDir dir;
    writeBmp(dir.file("a.bmp"), 40, 30, 1);
    writeBmp(dir.file("a.png"), 40, 30, 2);
    fs::create_directory(dir.path() / "out");
    BatchSettings s = into(dir.file("out"), GetParam());
    Finished observer;
    const auto real = runBatch({dir.file("a.bmp")}, s, observer);
    fs::remove(real[0].target);
    s.output = OutputMode::DryRun;
    const auto dry =
        runBatch(std::vector<BatchSource>{{dir.file("a.bmp"), "neu"}, {dir.file("a.png"), "neu"}},
                 s, observer);
    EXPECT_EQ(dry[0].status, PictureStatus::Written);
    EXPECT_EQ(dry[0].target, dir.file("out/neu/a_new.jpg"));
    EXPECT_EQ(dry[0].bytes, real[0].bytes);
    EXPECT_EQ(dry[1].status, PictureStatus::Failed);  // the dry run sees the collision too
    EXPECT_TRUE(fs::is_empty(dir.path() / "out"));
}

INSTANTIATE_TEST_SUITE_P(Jobs, RunOutputs, ::testing::Values(1, 3),
                         [](const auto& info) { return std::to_string(info.param) + "Jobs"; });

// The pipeline alone (the window's estimate, `-o -`) gives the file the run
// then writes, byte for byte, whatever the settings that shape it, and
// looks at no folder.
struct EstimateCase {
    const char* name;
    void (*adjust)(PictureSettings&);
};

class PictureEstimate : public ::testing::TestWithParam<EstimateCase> {};

TEST_P(PictureEstimate, IsTheFileTheRunWrites) {
    TempDir dir;
    ASSERT_TRUE(test::writeJpeg(dir.file("a.jpg"), 900, 600, "-Model=Kamera -GPSLatitude=48.1"));
    fs::create_directory(dir.path() / "out");
    BatchSettings s = into(dir.file("out"), 1);
    s.picture.sizeIndex = 3;
    GetParam().adjust(s.picture);
    const Result<EncodedPicture> estimate = processPicture(dir.file("a.jpg"), s.picture);
    ASSERT_TRUE(estimate) << estimate.reason();
    EXPECT_TRUE(fs::is_empty(dir.path() / "out"));  // nothing written

    Finished observer;
    const auto real = runBatch({dir.file("a.jpg")}, s, observer);
    ASSERT_EQ(real[0].status, PictureStatus::Written) << real[0].reason;
    EXPECT_EQ(estimate->bytes, test::readFileBytes(real[0].target));
    EXPECT_EQ(estimate->quality, real[0].quality);
    EXPECT_EQ(estimate->size.width, real[0].size.width);
    EXPECT_EQ(estimate->size.height, real[0].size.height);
    EXPECT_EQ(estimate->overLimit, real[0].reason);
    EXPECT_EQ(estimate->notes, real[0].notes);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, PictureEstimate,
    ::testing::Values(
        EstimateCase{"Defaults", [](PictureSettings&) {}},
        EstimateCase{"LowQualityFasterSampling",
                     [](PictureSettings& s) {
                         s.quality = 45;
                         s.sampling = Sampling::Faster;
                     }},
        EstimateCase{"OriginalSize", [](PictureSettings& s) { s.size.keepOriginalSize = true; }},
        EstimateCase{"NoEnlargeInALargeBox",
                     [](PictureSettings& s) {
                         s.sizeIndex = 9;
                         s.noEnlarge = true;
                     }},
        EstimateCase{"SizeLimit", [](PictureSettings& s) { s.maxBytes = 20 * 1024; }},
        EstimateCase{"SizeLimitBelowTheLowestQuality",
                     [](PictureSettings& s) { s.maxBytes = 1024; }},
        EstimateCase{"MetadataKept", [](PictureSettings& s) { s.metadata = MetadataChoice::Keep; }},
        EstimateCase{"MetadataKeptWithoutGps",
                     [](PictureSettings& s) { s.metadata = MetadataChoice::KeepWithoutGps; }},
        EstimateCase{"WebP", [](PictureSettings& s) { s.format = webpOutputFormat(); }},
        EstimateCase{"WebPSizeLimitAndMetadata",
                     [](PictureSettings& s) {
                         s.format = webpOutputFormat();
                         s.maxBytes = 12 * 1024;
                         s.metadata = MetadataChoice::Keep;
                     }},
        EstimateCase{"AvifLowQuality",
                     [](PictureSettings& s) {
                         s.format = avifOutputFormat();
                         s.quality = 50;
                     }},
        EstimateCase{"AvifSizeLimit",
                     [](PictureSettings& s) {
                         s.format = avifOutputFormat();
                         s.maxBytes = 8 * 1024;
                     }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PictureEstimateOf, AnUnreadablePictureFailsWithItsReason) {
    TempDir dir;
    test::writeText(dir.file("kaputt.jpg"), "\xFF\xD8\xFF kein Bild");
    const Result<EncodedPicture> r = processPicture(dir.file("kaputt.jpg"), PictureSettings{});
    EXPECT_FALSE(r);
    EXPECT_NE(r.reason().find("JPEG beschädigt"), std::string::npos) << r.reason();
    EXPECT_EQ(filesUnder(dir.path()), std::vector<std::string>{"kaputt.jpg"});
}

// A second output format through the seam: binary PPM, with the quality
// asked for in a comment, so that a size limit has something to search. The
// run, the size search and the estimate take it as they take JPEG.
class PpmFormat final : public OutputFormat {
public:
    [[nodiscard]] std::string_view name() const noexcept override {
        return "PPM";
    }
    [[nodiscard]] std::string_view ending() const noexcept override {
        return ".ppm";
    }
    [[nodiscard]] std::size_t encodeBytesPerPictureByte() const noexcept override {
        return 1;  // the file itself
    }
    [[nodiscard]] Result<EncodedFile> encode(const Surface& picture, const EncodeSettings& settings,
                                             const MetadataSegments&,
                                             const EncodeProgress& progress) const override {
        if (picture.width() > 1000) {
            return Failure{"zu breit für PPM"};
        }
        ++encodes;
        // One comment byte per quality step: larger files at higher qualities.
        const std::string head =
            "P6\n#" + std::string(static_cast<std::size_t>(settings.quality), 'q') + "\n" +
            std::to_string(picture.width()) + " " + std::to_string(picture.height()) + "\n255\n";
        EncodedFile file;
        file.bytes.assign(head.begin(), head.end());
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                const Bgr p = picture.pixel(x, y);
                file.bytes.insert(file.bytes.end(), {p.r, p.g, p.b});
            }
        }
        if (progress) {
            progress(100);
        }
        return file;
    }
    mutable std::atomic<int> encodes{0};
};

TEST(OutputFormatSeam, AnotherFormatRunsThroughTheRunTheSearchAndTheEstimate) {
    TempDir dir;
    writeBmp(dir.file("a.bmp"), 80, 60, 1);
    writeBmp(dir.file("b.bmp"), 60, 80, 2);
    fs::create_directory(dir.path() / "out");
    const auto ppm = std::make_shared<PpmFormat>();
    BatchSettings s = into(dir.file("out"), 2);
    s.picture.format = ppm;
    Finished observer;
    const auto results = runBatch({dir.file("a.bmp"), dir.file("b.bmp")}, s, observer);
    ASSERT_EQ(results[0].status, PictureStatus::Written) << results[0].reason;
    ASSERT_EQ(results[1].status, PictureStatus::Written) << results[1].reason;
    EXPECT_EQ(results[0].target, dir.file("out/a_new.ppm"));  // the format's ending
    const Result<PnmImage> written = readPnm(results[0].target);
    ASSERT_TRUE(written) << written.reason();
    EXPECT_EQ(written->surface.width(), 160);  // "120 x 160": 80 × 60 enlarged
    EXPECT_EQ(written->surface.height(), 120);

    // The estimate: the same bytes.
    const Result<EncodedPicture> estimate = processPicture(dir.file("a.bmp"), s.picture);
    ASSERT_TRUE(estimate) << estimate.reason();
    EXPECT_EQ(estimate->bytes, test::readFileBytes(results[0].target));

    // A size limit: the highest quality whose file fits.
    const std::uint64_t at80 = estimate->bytes.size();
    s.picture.maxBytes = at80 - 10;
    const Result<EncodedPicture> limited = processPicture(dir.file("a.bmp"), s.picture);
    ASSERT_TRUE(limited) << limited.reason();
    EXPECT_EQ(limited->quality, 70);
    EXPECT_LE(limited->bytes.size(), s.picture.maxBytes);

    // A picture the format refuses fails with the format's reason.
    s.picture.maxBytes = 0;
    s.picture.sizeIndex = 9;  // "1536 x 2048"
    const auto refused = runBatch({dir.file("a.bmp")}, s, observer);
    EXPECT_EQ(refused[0].status, PictureStatus::Failed);
    EXPECT_EQ(refused[0].reason, "zu breit für PPM");
    EXPECT_GT(ppm->encodes.load(), 4);
}

TEST(PictureTree, ListsFoldersDepthFirstWithoutFollowingLinks) {
    TempDir dir;
    for (const char* folder : {"t/b", "t/A/tief", "t/leer"}) {
        fs::create_directories(dir.path() / folder);
    }
    for (const char* file :
         {"t/z.jpg", "t/m.TIFF", "t/b/1.png", "t/A/2.gif", "t/A/tief/3.bmp", "t/A/notiz.txt"}) {
        test::writeText(dir.file(file), "x");
    }
    fs::create_directory_symlink(dir.path() / "t", dir.path() / "t/A/schleife");
    const std::string root = dir.file("t");
    const auto tree = listPictureTree(root, true);
    ASSERT_TRUE(tree.has_value());
    std::vector<std::string> listed;
    for (const TreePicture& p : tree->pictures) {
        listed.push_back(p.subfolder + "|" + p.path.substr(root.size()));
    }
    EXPECT_EQ(listed, (std::vector<std::string>{"|/m.TIFF", "|/z.jpg", "A|/A/2.gif",
                                                "A/tief|/A/tief/3.bmp", "b|/b/1.png"}));
    EXPECT_TRUE(tree->unreadableFolders.empty());

    const auto flat = listPictureTree(root, false);
    ASSERT_TRUE(flat.has_value());
    EXPECT_EQ(flat->pictures.size(), 2U);
    EXPECT_EQ(flat->subfoldersLeftOut, 3U);
    EXPECT_FALSE(listPictureTree(dir.file("fehlt"), true).has_value());
    // A target folder inside the tree is not a source of the run.
    const auto withoutTarget = listPictureTree(root, true, dir.path().string() + "/t/./A");
    ASSERT_TRUE(withoutTarget.has_value());
    EXPECT_EQ(withoutTarget->pictures.size(), 3U);

    if (::geteuid() != 0) {
        ::chmod(dir.file("t/b").c_str(), 0);
        const auto locked = listPictureTree(root, true);
        ASSERT_TRUE(locked.has_value());
        EXPECT_EQ(locked->unreadableFolders, (std::vector<std::string>{root + "/b"}));
        ::chmod(dir.file("t/b").c_str(), 0755);
    }
}

TEST(EntryIdentity, IsTheSameForEverySpellingOfAnEntry) {
    TempDir dir;
    fs::create_directories(dir.path() / "a/b");
    test::writeText(dir.file("a/b/x.jpg"), "x");
    fs::create_directory_symlink(dir.path() / "a", dir.path() / "link");
    fs::create_symlink(dir.path() / "a/b/x.jpg", dir.path() / "a/b/y.jpg");
    const std::string same = entryIdentity(dir.file("a/b/x.jpg"));
    for (const std::string& spelling :
         {dir.path().string() + "/a//b/x.jpg", dir.path().string() + "/a/./b/x.jpg",
          dir.path().string() + "/a/b/../b/x.jpg", dir.file("link/b/x.jpg")}) {
        EXPECT_EQ(entryIdentity(spelling), same) << spelling;
    }
    // A link to a picture is an entry of its own; so is a missing one.
    EXPECT_NE(entryIdentity(dir.file("a/b/y.jpg")), same);
    EXPECT_EQ(entryIdentity(dir.file("a/neu/../b/z.jpg")), entryIdentity(dir.file("a/b/z.jpg")));
    EXPECT_EQ(earlierNamings({"p.jpg", "./p.jpg", "q.jpg", "p.jpg"}),
              (std::vector<std::optional<std::size_t>>{std::nullopt, 0, std::nullopt, 0}));
}

}  // namespace
}  // namespace vendrik
