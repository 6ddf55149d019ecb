// What the windows and the command line share before a run: the settings
// turned into a run, and the folder listed as the file list shows it.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "optimiser/batch_settings_from.h"
#include "startup/picture_listing.h"
#include "support/test_support.h"

namespace vendrik {
namespace {

struct SamplingCase {
    int quality;
    Sampling want;
};

class QualityRule : public ::testing::TestWithParam<SamplingCase> {};

// The slider's rule: from 70 up "beste Qualität" (4:4:4), below 4:2:0. The
// settings choose no sampling, so the rule decides; a choice by hand wins.
TEST_P(QualityRule, ChoosesTheSamplingByQuality) {
    Settings s;
    s.quality = GetParam().quality;
    const BatchSettings b = batchSettingsFrom(s);
    EXPECT_EQ(b.picture.quality, GetParam().quality);
    EXPECT_FALSE(b.picture.sampling);
    EXPECT_EQ(resolvedSampling(b.picture.sampling, b.picture.quality), GetParam().want);
    for (const Sampling chosen : {Sampling::Best, Sampling::Faster}) {
        EXPECT_EQ(resolvedSampling(chosen, b.picture.quality), chosen);
    }
}

INSTANTIATE_TEST_SUITE_P(Slider, QualityRule,
                         ::testing::Values(SamplingCase{40, Sampling::Faster},
                                           SamplingCase{69, Sampling::Faster},
                                           SamplingCase{70, Sampling::Best},
                                           SamplingCase{95, Sampling::Best}),
                         [](const auto& info) { return std::to_string(info.param.quality); });

struct NamingCase {
    const char* name;
    int optTag;
    int preTags;
    NameOption option;
    std::string listTag;
};

class NamingRule : public ::testing::TestWithParam<NamingCase> {};

TEST_P(NamingRule, TakesTheChosenOptionAndTag) {
    const NamingCase& c = GetParam();
    Settings s;
    s.optTag = c.optTag;
    s.preTags = c.preTags;
    s.tag = "klein";
    s.tagAtStart = true;
    const BatchSettings b = batchSettingsFrom(s);
    EXPECT_EQ(b.naming.option, c.option);
    EXPECT_EQ(b.naming.listTag, c.listTag);
    EXPECT_EQ(b.naming.ownTag, "klein");
    EXPECT_TRUE(b.naming.tagFirst);
}

INSTANTIATE_TEST_SUITE_P(
    Options, NamingRule,
    ::testing::Values(NamingCase{"TagList", 1, 2, NameOption::ListTag, "thumb"},
                      NamingCase{"PictureSize", 1, 6, NameOption::ListTag, "Bildgröße"},
                      NamingCase{"OwnTag", 2, 5, NameOption::OwnTag, "new"},
                      NamingCase{"NeitherChosen", 0, 5, NameOption::None, "new"},
                      NamingCase{"IndexBeyondTheList", 1, 9, NameOption::ListTag, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BatchSettingsFrom, TargetSizeModeAndWatermark) {
    Settings s;  // the key table's defaults
    BatchSettings b = batchSettingsFrom(s);
    EXPECT_EQ(b.runMode, RunMode::Single);
    EXPECT_EQ(b.targetFolder, "");  // "Gleicher Pfad wie Quell-Bild" by default
    EXPECT_EQ(b.picture.sizeIndex, 5);
    EXPECT_EQ(b.picture.quality, 80);
    EXPECT_FALSE(b.picture.watermark);

    s.samePath = false;
    s.targetFolder = "/ziel/";
    s.sizeIndex = kOwnSizeIndex;
    s.manH = "600";
    s.manW = "800,5";
    s.origSize = true;
    RunChoices choices;
    choices.pictures = 3;
    choices.watermark = true;
    choices.jobs = 2;
    b = batchSettingsFrom(s, choices);
    EXPECT_EQ(b.runMode, RunMode::Batch);
    EXPECT_EQ(b.targetFolder, "/ziel/");
    EXPECT_EQ(b.picture.sizeIndex, kOwnSizeIndex);
    EXPECT_EQ(b.picture.size.ownHeightText, "600");
    EXPECT_EQ(b.picture.size.ownWidthText, "800,5");
    EXPECT_TRUE(b.picture.size.keepOriginalSize);
    EXPECT_TRUE(b.picture.watermark);
    EXPECT_EQ(b.jobs, 2);
}

TEST(FolderListing, ShowsThePatternsFilesSortedIgnoringCase) {
    test::TempDir dir;
    for (const char* name : {"b.JPG", "a.png", "C.jpeg", "d.txt", "e.tiff", "A.gif", ".jps"}) {
        test::writeText(dir.file(name), "x");
    }
    std::filesystem::create_directory(dir.file("ordner.jpg"));
    std::filesystem::create_symlink(dir.file("b.JPG"), dir.file("link.bmp"));
    const auto names = listPictureFiles(dir.path().string());
    ASSERT_TRUE(names.has_value());
    EXPECT_EQ(*names, (std::vector<std::string>{".jps", "A.gif", "a.png", "b.JPG", "C.jpeg",
                                                "e.tiff", "link.bmp"}));
    EXPECT_EQ(listPictureFiles(dir.file("fehlt")), std::nullopt);
}

}  // namespace
}  // namespace vendrik
