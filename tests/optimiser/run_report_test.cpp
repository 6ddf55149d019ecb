// The message after a run with failures.

#include "optimiser/run_report.h"

#include <gtest/gtest.h>

namespace vendrik {
namespace {

PictureResult result(const std::string& source, PictureStatus status, std::string reason = {},
                     std::string watermarkError = {}) {
    PictureResult r;
    r.source = source;
    r.status = status;
    r.reason = std::move(reason);
    r.watermarkError = std::move(watermarkError);
    return r;
}

struct ReportCase {
    const char* name;
    std::vector<PictureResult> results;
    std::string want;
};

class FailedPicturesMessage : public ::testing::TestWithParam<ReportCase> {};

TEST_P(FailedPicturesMessage, NamesEachFailedPictureWithItsReason) {
    EXPECT_EQ(failedPicturesMessage(GetParam().results), GetParam().want);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, FailedPicturesMessage,
    ::testing::Values(
        ReportCase{"AllWritten",
                   {result("/b/a.jpg", PictureStatus::Written),
                    result("/b/b.jpg", PictureStatus::Written)},
                   ""},
        // Declined replacements and pictures not started after a stop are
        // what the user asked for.
        ReportCase{"SkippedAndCancelledAreNoFailures",
                   {result("/b/a.jpg", PictureStatus::Skipped, "vorhandene Datei nicht ersetzt"),
                    result("/b/b.jpg", PictureStatus::Cancelled, "nicht begonnen")},
                   ""},
        ReportCase{
            "OneFailure",
            {result("/b/a.jpg", PictureStatus::Written),
             result("/b/kaputt.jpg", PictureStatus::Failed, "JPEG beschädigt")},
            "Ein Bild wurde nicht wie gewünscht verarbeitet:\n\nkaputt.jpg: JPEG beschädigt"},
        ReportCase{"FailuresAndAMissingWatermarkInListOrder",
                   {result("/b/x.bmp", PictureStatus::Failed, "Bild zu groß"),
                    result("/b/y.jpg", PictureStatus::Written, {}, "keine Schrift"),
                    result("/b/z.png", PictureStatus::Failed, "Datei nicht gefunden")},
                   "3 Bilder wurden nicht wie gewünscht verarbeitet:\n\n"
                   "x.bmp: Bild zu groß\n"
                   "y.jpg: ohne Wasserzeichen geschrieben (keine Schrift)\n"
                   "z.png: Datei nicht gefunden"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FailedPicturesMessage, CountsWhatItDoesNotName) {
    std::vector<PictureResult> results;
    for (int i = 0; i < 20; ++i) {
        results.push_back(
            result("/b/p" + std::to_string(i) + ".jpg", PictureStatus::Failed, "kaputt"));
    }
    const std::string text = failedPicturesMessage(results);
    EXPECT_EQ(text.rfind("20 Bilder wurden", 0), 0U);
    EXPECT_NE(text.find("p14.jpg: kaputt"), std::string::npos);
    EXPECT_EQ(text.find("p15.jpg"), std::string::npos);
    EXPECT_NE(text.find("… und 5 weitere"), std::string::npos);
}

}  // namespace
}  // namespace vendrik

namespace vendrik {
namespace {

PictureResult written(std::uint64_t bytes, std::string reason = {}) {
    PictureResult r;
    r.status = PictureStatus::Written;
    r.bytes = bytes;
    r.reason = std::move(reason);
    return r;
}

TEST(RunCounts, CountEveryStatusAndTheWrittenBytes) {
    PictureResult failed;
    failed.status = PictureStatus::Failed;
    failed.watermarkError = "keine Schrift";
    PictureResult skipped;
    skipped.status = PictureStatus::Skipped;
    PictureResult cancelled;
    cancelled.status = PictureStatus::Cancelled;
    const RunCounts c = countResults(
        {written(1000), written(24, "über der Grenze"), failed, skipped, cancelled, cancelled});
    EXPECT_EQ(c.written, 2U);
    EXPECT_EQ(c.overLimit, 1U);
    EXPECT_EQ(c.failed, 1U);
    EXPECT_EQ(c.skipped, 1U);
    EXPECT_EQ(c.cancelled, 2U);
    EXPECT_EQ(c.withoutWatermark, 1U);
    EXPECT_EQ(c.bytes, 1024U);
}

struct SummaryCase {
    const char* name;
    RunCounts counts;
    std::uint64_t sourceBytes;
    bool stopped;
    const char* want;
};

class RunSummary : public ::testing::TestWithParam<SummaryCase> {};

TEST_P(RunSummary, SaysWhatBecameOfThePicturesAndTheirBytes) {
    const SummaryCase& c = GetParam();
    EXPECT_EQ(runSummary(c.counts, c.sourceBytes, c.stopped), c.want);
}

constexpr std::uint64_t kMB = 1024 * 1024;

RunCounts counts(std::size_t written, std::size_t skipped, std::size_t failed,
                 std::size_t cancelled, std::uint64_t bytes) {
    RunCounts c;
    c.written = written;
    c.skipped = skipped;
    c.failed = failed;
    c.cancelled = cancelled;
    c.bytes = bytes;
    return c;
}

INSTANTIATE_TEST_SUITE_P(
    Runs, RunSummary,
    ::testing::Values(
        // 4.2 MB of 96 MB: the issue's own example.
        SummaryCase{"Batch", counts(500, 0, 0, 0, 42 * kMB / 10), 96 * kMB, false,
                    "500 geschrieben, 0 übersprungen, 0 fehlgeschlagen – 4,2 MB statt 96,0 MB"},
        SummaryCase{"SmallFilesInKilobytes", counts(2, 1, 1, 0, 85 * 1024 + 1), 3 * kMB / 2, false,
                    "2 geschrieben, 1 übersprungen, 1 fehlgeschlagen – 86 KB statt 1,5 MB"},
        SummaryCase{"NothingWrittenHasNoBytes", counts(0, 0, 3, 0, 0), 0, false,
                    "0 geschrieben, 0 übersprungen, 3 fehlgeschlagen"},
        // After "Abbrechen": how many of all were written before the stop.
        SummaryCase{"Stopped", counts(12, 0, 1, 487, 12 * kMB), 60 * kMB, true,
                    "Abgebrochen: 12 von 500 geschrieben, 0 übersprungen, 1 fehlgeschlagen – "
                    "12,0 MB statt 60,0 MB"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ShortSize, RoundsToWholeKilobytesAndTenthsOfMegabytes) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0 KB"},           {1, "1 KB"},           {1024, "1 KB"},
        {1025, "2 KB"},        {kMB - 1, "1024 KB"},  {kMB, "1,0 MB"},
        {kMB * 106 / 100, "1,1 MB"}, {kMB * 9996 / 100, "100,0 MB"}};
    for (const auto& [bytes, want] : cases) {
        EXPECT_EQ(shortSize(bytes), want) << bytes;
    }
}

}  // namespace
}  // namespace vendrik
