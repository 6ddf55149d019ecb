// Stopping a run: through the engine's stop token, and the question that
// must not hold up the other jobs.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <stop_token>

#include "optimiser/batch_engine.h"
#include "support/test_support.h"

namespace vendrik {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

constexpr int kPictures = 24;
constexpr std::size_t kStopAfter = 5;

// Asks the run to stop as the fifth picture is finished.
class StopAfterFifth : public BatchObserver {
public:
    explicit StopAfterFifth(std::stop_source& stop) : m_stop(stop) {}
    void pictureFinished(std::size_t, const PictureResult&) override {
        if (++finished == kStopAfter) {
            m_stop.request_stop();
        }
    }
    std::size_t finished = 0;

private:
    std::stop_source& m_stop;
};

class CancelRun : public ::testing::TestWithParam<int> {};

TEST_P(CancelRun, StopsWithinOnePicturePerJobAndLeavesOnlyWholeFiles) {
    const int jobs = GetParam();
    TempDir dir;
    const fs::path out = dir.path() / "out";
    fs::create_directory(out);
    std::vector<std::string> sources;
    for (int i = 0; i < kPictures; ++i) {
        sources.push_back(dir.file("photo" + std::to_string(100 + i) + ".bmp"));
        test::writeBmp(sources.back(), 320, 240, i);
    }
    BatchSettings s;
    s.runMode = RunMode::Batch;
    s.targetFolder = out.string();
    s.picture.size.keepOriginalSize = true;
    s.jobs = jobs;
    std::stop_source stop;
    StopAfterFifth observer(stop);
    const auto results = runBatch(sources, s, observer, stop.get_token());

    std::size_t written = 0;
    std::size_t cancelled = 0;
    for (std::size_t i = 0; i < results.size(); ++i) {
        EXPECT_EQ(results[i].source, sources[i]);
        if (results[i].status == PictureStatus::Written) {
            ++written;
            EXPECT_TRUE(test::decodesCompletely(results[i].target)) << results[i].target;
        } else {
            EXPECT_EQ(results[i].status, PictureStatus::Cancelled) << results[i].reason;
            ++cancelled;
        }
    }
    // The fifth picture and, at most, the one each other job had in hand.
    EXPECT_GE(written, kStopAfter);
    EXPECT_LE(written, kStopAfter + static_cast<std::size_t>(jobs - 1));
    EXPECT_EQ(written + cancelled, sources.size());
    EXPECT_EQ(observer.finished, written);
    // Written in list order: the cancelled ones are the tail.
    for (std::size_t i = 0; i < written; ++i) {
        EXPECT_EQ(results[i].status, PictureStatus::Written) << i;
    }
    EXPECT_EQ(static_cast<std::size_t>(std::distance(fs::directory_iterator(out), {})), written);
    EXPECT_TRUE(test::temporaryNamesIn(out).empty());
}

INSTANTIATE_TEST_SUITE_P(Jobs, CancelRun, ::testing::Values(1, 2),
                         [](const auto& info) { return std::to_string(info.param) + "Jobs"; });

TEST(CancelRun, AStopBeforeTheStartWritesNothing) {
    TempDir dir;
    const std::string src = dir.file("a.bmp");
    test::writeBmp(src, 40, 30, 1);
    std::stop_source stop;
    stop.request_stop();
    BatchObserver quiet;
    const auto results = runBatch({src}, BatchSettings{}, quiet, stop.get_token());
    ASSERT_EQ(results.size(), 1U);
    EXPECT_EQ(results[0].status, PictureStatus::Cancelled);
    EXPECT_EQ(results[0].source, src);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
}

// While the user thinks about the question for one picture, the other job
// goes on: its progress arrives during the question, which it could not if
// the question held the run's lock.
class SlowAnswer : public BatchObserver {
public:
    void currentProgress(std::size_t picture, int value) override {
        if (picture == 1 && value == 100) {
            std::lock_guard lock(m_mutex);
            m_otherDone = true;
            m_changed.notify_all();
        }
    }
    bool replaceExisting(const std::string&) override {
        std::unique_lock lock(m_mutex);
        otherWentOn = m_changed.wait_for(lock, std::chrono::seconds(30), [&] { return m_otherDone; });
        return true;
    }
    bool otherWentOn = false;

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_otherDone = false;
};

TEST(BatchQuestion, IsAskedWithoutHoldingUpTheOtherJobs) {
    TempDir dir;
    const std::vector<std::string> sources = {dir.file("a.bmp"), dir.file("b.bmp")};
    test::writeBmp(sources[0], 40, 30, 1);
    test::writeBmp(sources[1], 40, 30, 2);
    test::writeFileBytes(dir.file("a_new.jpg"), {'a', 'l', 't'});
    BatchSettings s;
    s.runMode = RunMode::Batch;
    s.askBeforeReplacing = true;
    s.jobs = 2;
    SlowAnswer observer;
    const auto results = runBatch(sources, s, observer);
    EXPECT_TRUE(observer.otherWentOn);
    EXPECT_EQ(results[0].status, PictureStatus::Written) << results[0].reason;
    EXPECT_EQ(results[1].status, PictureStatus::Written) << results[1].reason;
}

}  // namespace
}  // namespace vendrik
