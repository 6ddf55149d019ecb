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
