// The batch engine end to end on small pictures in a scratch folder.

#include "optimiser/batch_engine.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <stdexcept>

#include "support/test_support.h"

namespace vendrik {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

using test::writeBmp;

// Records everything the run reports.
class Recorder : public BatchObserver {
public:
    void overallProgress(int value) override { overall.push_back(value); }
    void currentProgress(std::size_t picture, int value) override { current[picture].push_back(value); }
    bool replaceExisting(const std::string& target) override {
        asked.push_back(target);
        return answer;
    }
    void pictureFinished(std::size_t picture, const PictureResult&) override { finished.push_back(picture); }

    std::vector<int> overall;
    std::map<std::size_t, std::vector<int>> current;
    std::vector<std::string> asked;
    std::vector<std::size_t> finished;
    bool answer = true;
};

BatchSettings smallBox(RunMode mode) {
    BatchSettings s;
    s.runMode = mode;
    s.picture.sizeIndex = 0;  // "120 x 160"
    s.picture.quality = 80;
    return s;
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(BatchEngine, BatchOfThreeReportsThePartsProgress) {
    TempDir dir;
    std::vector<std::string> sources;
    for (int i = 0; i < 3; ++i) {
        sources.push_back(dir.file("p" + std::to_string(i) + ".bmp"));
        writeBmp(sources.back(), 40, 30, i);
    }
    Recorder rec;
    const auto results = runBatch(sources, smallBox(RunMode::Batch), rec);
    EXPECT_EQ(rec.overall, (std::vector<int>{0, 33, 66, 100}));
    ASSERT_EQ(rec.current.size(), 3U);
    for (const auto& [picture, values] : rec.current) {
        ASSERT_GE(values.size(), 5U);
        EXPECT_EQ(std::vector<int>(values.begin(), values.begin() + 3), (std::vector<int>{5, 10, 20}));
        EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
        EXPECT_EQ(values.back(), 100);
    }
    EXPECT_EQ(rec.finished, (std::vector<std::size_t>{0, 1, 2}));
    for (const PictureResult& r : results) {
        EXPECT_EQ(r.status, PictureStatus::Written) << r.reason;
        EXPECT_EQ(r.size, (BoxSize{160, 120}));  // 40 × 30 enlarged into 160 × 120
    }
    EXPECT_EQ(results[1].target, dir.file("p1_new.jpg"));
}

TEST(BatchEngine, SingleRunReportsTenFifteenTwenty) {
    TempDir dir;
    const std::string src = dir.file("urlaub.jpeg");
    writeBmp(src, 30, 40, 1);  // a BMP under a JPEG name: the bytes decide
    BatchSettings s = smallBox(RunMode::Single);
    s.naming = {NameOption::ListTag, "Bildgröße", "", false};
    Recorder rec;
    const auto results = runBatch({src}, s, rec);
    ASSERT_EQ(results[0].status, PictureStatus::Written) << results[0].reason;
    EXPECT_EQ(results[0].target, dir.file("urlaub_120x90.jpg"));
    EXPECT_EQ(rec.overall, (std::vector<int>{0, 100}));
    const auto& values = rec.current[0];
    EXPECT_EQ(std::vector<int>(values.begin(), values.begin() + 3), (std::vector<int>{10, 15, 20}));
    EXPECT_EQ(values.back(), 100);
}

TEST(BatchEngine, SingleRunAsksAndNoKeepsTheOldFile) {
    TempDir dir;
    const std::string src = dir.file("urlaub.bmp");
    writeBmp(src, 30, 40, 1);
    const std::string old = dir.file("urlaub_new.jpg");
    test::writeFileBytes(old, {'a', 'l', 't'});
    Recorder rec;
    rec.answer = false;
    const auto results = runBatch({src}, smallBox(RunMode::Single), rec);
    EXPECT_EQ(rec.asked, (std::vector<std::string>{old}));
    EXPECT_EQ(results[0].status, PictureStatus::Skipped);
    EXPECT_EQ(test::readFileBytes(old), (std::vector<std::uint8_t>{'a', 'l', 't'}));
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"urlaub.bmp", "urlaub_new.jpg"}));
}

TEST(BatchEngine, BatchRunReplacesSilentlyEvenAReadOnlyFile) {
    TempDir dir;
    const std::string a = dir.file("a.bmp");
    const std::string b = dir.file("b.bmp");
    writeBmp(a, 30, 40, 1);
    writeBmp(b, 30, 40, 2);
    const std::string old = dir.file("a_new.jpg");
    test::writeFileBytes(old, {'a', 'l', 't'});
    ::chmod(old.c_str(), 0444);
    Recorder rec;
    const auto results = runBatch({a, b}, smallBox(RunMode::Batch), rec);
    EXPECT_TRUE(rec.asked.empty());
    EXPECT_EQ(results[0].status, PictureStatus::Written) << results[0].reason;
    EXPECT_GT(test::readFileBytes(old).size(), 100U);
}

TEST(BatchEngine, AFailingPictureLeavesTheOldFileAndNoTemporaryFile) {
    TempDir dir;
    const std::string bad = dir.file("kaputt.jpg");
    test::writeFileBytes(bad, {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F'});
    const std::string good = dir.file("gut.bmp");
    writeBmp(good, 30, 40, 3);
    const std::string old = dir.file("kaputt_new.jpg");
    const std::vector<std::uint8_t> oldBytes = {1, 2, 3, 4};
    test::writeFileBytes(old, oldBytes);
    Recorder rec;
    const auto results = runBatch({bad, good}, smallBox(RunMode::Batch), rec);
    EXPECT_EQ(results[0].status, PictureStatus::Failed);
    EXPECT_NE(results[0].reason.find("JPEG"), std::string::npos) << results[0].reason;
    EXPECT_EQ(results[1].status, PictureStatus::Written);
    EXPECT_EQ(test::readFileBytes(old), oldBytes);
    EXPECT_EQ(namesIn(dir.path()),
              (std::vector<std::string>{"gut.bmp", "gut_new.jpg", "kaputt.jpg", "kaputt_new.jpg"}));
}

TEST(BatchEngine, MissingTargetFolderFailsEveryPictureAndWritesNothing) {
    TempDir dir;
    const std::string a = dir.file("a.bmp");
    const std::string b = dir.file("b.bmp");
    writeBmp(a, 30, 40, 1);
    writeBmp(b, 30, 40, 2);
    BatchSettings s = smallBox(RunMode::Batch);
    s.targetFolder = dir.file("fehlt");
    Recorder rec;
    const auto results = runBatch({a, b}, s, rec);
    for (const PictureResult& r : results) {
        EXPECT_EQ(r.status, PictureStatus::Failed);
        EXPECT_NE(r.reason.find("nicht gefunden"), std::string::npos) << r.reason;
    }
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"a.bmp", "b.bmp"}));
}

TEST(BatchEngine, AnOutputNeverReplacesASourceOfTheRun) {
    TempDir dir;
    const std::string x = dir.file("x.bmp");
    const std::string xNew = dir.file("x_new.jpg");
    writeBmp(x, 30, 40, 1);
    writeBmp(xNew, 30, 40, 2);  // a source that x.bmp's output would replace
    const auto before = test::readFileBytes(xNew);
    Recorder rec;
    const auto results = runBatch({x, xNew}, smallBox(RunMode::Batch), rec);
    EXPECT_EQ(results[0].status, PictureStatus::Failed);
    EXPECT_EQ(test::readFileBytes(xNew), before);
    EXPECT_EQ(results[1].status, PictureStatus::Written);
}

TEST(BatchEngine, WatermarkHookDrawsOnTheScaledPictureAndMayFail) {
    TempDir dir;
    const std::string src = dir.file("w.bmp");
    writeBmp(src, 40, 30, 1);
    BatchSettings s = smallBox(RunMode::Batch);
    s.naming = {NameOption::OwnTag, "", "plain", false};
    Recorder rec;
    const auto plain = runBatch({src}, s, rec);

    BoxSize seen;
    s.naming.ownTag = "marked";
    s.picture.watermark = [&](Surface& picture) {
        seen = {picture.width(), picture.height()};
        picture.fill({255, 255, 255});
    };
    const auto marked = runBatch({src}, s, rec);
    EXPECT_EQ(seen, (BoxSize{160, 120}));
    EXPECT_NE(test::readFileBytes(plain[0].target), test::readFileBytes(marked[0].target));

    s.naming.ownTag = "failed";
    s.picture.watermark = [](Surface&) { throw std::runtime_error("Schrift fehlt"); };
    const auto failed = runBatch({src}, s, rec);
    EXPECT_EQ(failed[0].status, PictureStatus::Written);
    EXPECT_EQ(failed[0].watermarkError, "Schrift fehlt");
    EXPECT_EQ(test::readFileBytes(plain[0].target), test::readFileBytes(failed[0].target));
}

TEST(BatchEngine, SeveralJobsWriteWhatOneJobWrites) {
    TempDir dir;
    std::vector<std::string> sources;
    for (int i = 0; i < 7; ++i) {
        sources.push_back(dir.file("b" + std::to_string(i) + ".bmp"));
        writeBmp(sources.back(), 50 + i * 9, 40 + i * 3, i);
    }
    // Two sources with one target name: the earlier one writes it, the
    // later one fails, with any number of jobs.
    sources.push_back(dir.file("b3.jpg"));
    writeBmp(sources.back(), 20, 20, 9);
    fs::create_directory(dir.path() / "one");
    fs::create_directory(dir.path() / "many");
    BatchSettings s = smallBox(RunMode::Batch);
    s.naming = {NameOption::OwnTag, "", "x", false};
    Recorder rec;
    s.targetFolder = dir.file("one");
    s.jobs = 1;
    (void)runBatch(sources, s, rec);
    s.targetFolder = dir.file("many");
    s.jobs = 3;
    const auto results = runBatch(sources, s, rec);
    for (std::size_t i = 0; i + 1 < results.size(); ++i) {
        EXPECT_EQ(results[i].status, PictureStatus::Written)
            << results[i].source << ": " << results[i].reason;
    }
    EXPECT_EQ(results.back().status, PictureStatus::Failed);
    EXPECT_NE(results.back().reason.find("schon aus " + dir.file("b3.bmp")), std::string::npos)
        << results.back().reason;
    const auto names = namesIn(dir.path() / "one");
    EXPECT_EQ(names.size(), 7U);  // b3.bmp and b3.jpg share b3_x.jpg
    EXPECT_EQ(names, namesIn(dir.path() / "many"));
    for (const std::string& n : names) {
        EXPECT_EQ(test::readFileBytes(dir.file("one/" + n)), test::readFileBytes(dir.file("many/" + n))) << n;
    }
}

// A stored tag is taken as it is, whatever the window's key filter would have
// let through. However it is made, no output may land outside its folder.
TEST(BatchEngine, ATagLeadingOutOfTheTargetFolderFailsThePicture) {
    TempDir dir;
    const fs::path target = dir.path() / "a" / "b";
    fs::create_directories(target);
    const std::string source = (target / "pic.bmp").string();
    writeBmp(source, 40, 30, 1);
    for (const bool tagFirst : {true, false}) {
        for (const char* tag : {"../../ESCAPED", "/abs", "a/b", ".."}) {
            SCOPED_TRACE(std::string(tag) + (tagFirst ? " first" : " last"));
            BatchSettings s = smallBox(RunMode::Single);
            s.naming.option = NameOption::OwnTag;
            s.naming.ownTag = tag;
            s.naming.tagFirst = tagFirst;
            Recorder rec;
            const auto results = runBatch({source}, s, rec);
            ASSERT_EQ(results.size(), 1U);
            EXPECT_EQ(results[0].status, PictureStatus::Failed);
            EXPECT_NE(results[0].reason.find("Kennung"), std::string::npos) << results[0].reason;
        }
    }
    // Nothing was written anywhere below the scratch folder but the source.
    std::vector<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir.path())) {
        if (e.is_regular_file()) {
            files.push_back(fs::relative(e.path(), dir.path()).string());
        }
    }
    EXPECT_EQ(files, std::vector<std::string>{"a/b/pic.bmp"});
}

// Names of up to 255 bytes, the file system's limit, are written, new and
// in place of an existing file.
TEST(BatchEngine, LongNamesAreWritten) {
    TempDir dir;
    const std::string base(242, 'n');  // + "_new.jpg" = 250 bytes
    const std::string source = dir.file(base + ".bmp");
    writeBmp(source, 40, 30, 2);
    for (int run = 0; run < 2; ++run) {
        Recorder rec;
        const auto results = runBatch({source}, smallBox(RunMode::Batch), rec);
        ASSERT_EQ(results.size(), 1U);
        EXPECT_EQ(results[0].status, PictureStatus::Written)
            << "run " << run << ": " << results[0].reason;
        EXPECT_EQ(lastPathName(results[0].target).size(), 250U);
    }
    EXPECT_TRUE(test::temporaryNamesIn(dir.path()).empty());
}

}  // namespace
}  // namespace vendrik
