// Presets and output naming: pure functions, table-tested.

#include <gtest/gtest.h>

#include "optimiser/naming.h"
#include "optimiser/presets.h"

namespace vendrik {
namespace {

struct NameCase {
    const char* name;
    const char* file;
    NamingSettings naming;
    BoxSize scaled;
    const char* want;
};

class OutputName : public ::testing::TestWithParam<NameCase> {};

TEST_P(OutputName, FollowsTheNamingRule) {
    const NameCase& c = GetParam();
    const std::string tag = NameTag(c.naming, c.scaled);
    EXPECT_EQ(TargetName("/ziel/", baseNameFor(c.file), tag, c.naming.tagFirst, ".jpg"), c.want);
}

TEST(OutputName, EndsWithTheFormatsEnding) {
    EXPECT_EQ(TargetName("/ziel/", "urlaub", "web", false, ".webp"), "/ziel/urlaub_web.webp");
    EXPECT_EQ(TargetName("", "urlaub", "web", true, ".avif"), "web_urlaub.avif");
}

// Without settings, the naming starts where the settings file's defaults put
// the window: tag list entry "new" at the end, an empty own tag.
TEST(OutputName, DefaultsAreTheSettingsFiles) {
    const NamingSettings n;
    EXPECT_EQ(n.option, NameOption::ListTag);
    EXPECT_EQ(n.listTag, "new");
    EXPECT_EQ(n.ownTag, "");
    EXPECT_FALSE(n.tagFirst);
}

NamingSettings listTag(const char* tag, bool first = false) {
    return {NameOption::ListTag, tag, "mini", first};
}
NamingSettings ownTag(const char* tag, bool first = false) {
    return {NameOption::OwnTag, "new", tag, first};
}

INSTANTIATE_TEST_SUITE_P(
    Rules, OutputName,
    ::testing::Values(
        NameCase{"TagAtTheEnd", "urlaub.jpg", listTag("thumb"), {}, "/ziel/urlaub_thumb.jpg"},
        NameCase{"TagAtTheStart", "urlaub.jpg", listTag("thumb", true), {}, "/ziel/thumb_urlaub.jpg"},
        // Every ending goes whole with its point, four letters as three.
        NameCase{"JpegLosesItsWholeEnding", "strand.jpeg", listTag("new"), {}, "/ziel/strand_new.jpg"},
        NameCase{"JpegUpperCase", "STRAND.JPEG", listTag("new", true), {}, "/ziel/new_STRAND.jpg"},
        NameCase{"TiffOfFourLetters", "scan.TIFF", listTag("new"), {}, "/ziel/scan_new.jpg"},
        NameCase{"HeifOfFourLetters", "IMG_1.heif", listTag("new"), {}, "/ziel/IMG_1_new.jpg"},
        NameCase{"AnEndingAlone", ".jpeg", listTag("new"), {}, "/ziel/_new.jpg"},
        NameCase{"PointsInsideTheStem", "2024.07.strand.jpeg", listTag("new"), {}, "/ziel/2024.07.strand_new.jpg"},
        NameCase{"PictureSizeTag", "urlaub.jpg", listTag("Bildgröße"), {640, 480}, "/ziel/urlaub_480x640.jpg"},
        NameCase{"PictureSizeTagFirst", "ferien.png", listTag("Bildgröße", true), {160, 120},
                 "/ziel/120x160_ferien.jpg"},
        NameCase{"EmptyOwnTag", "urlaub.jpg", ownTag(""), {}, "/ziel/urlaub_.jpg"},
        NameCase{"OwnTag", "urlaub.jpg", ownTag("klein"), {}, "/ziel/urlaub_klein.jpg"},
        NameCase{"NoOption", "urlaub.jpg", {NameOption::None, "new", "mini", false}, {}, "/ziel/urlaub_.jpg"},
        NameCase{"OtherFormatsGiveJpg", "scan.BMP", listTag("web"), {}, "/ziel/scan_web.jpg"},
        NameCase{"TiffOfTheList", "bild.tif", listTag("web"), {}, "/ziel/bild_web.jpg"},
        // Names the file list would not show keep their stem.
        NameCase{"UnlistedEnding", "scan.tga", listTag("web"), {}, "/ziel/scan_web.jpg"},
        NameCase{"NoExtension", "photo", listTag("web"), {}, "/ziel/photo_web.jpg"},
        // The phone and web formats keep their whole stem.
        NameCase{"PhoneHeic", "IMG_0042.HEIC", listTag("web"), {}, "/ziel/IMG_0042_web.jpg"},
        NameCase{"WebWebp", "urlaub.webp", listTag("web"), {}, "/ziel/urlaub_web.jpg"},
        NameCase{"PhoneAvif", "a.b.avif", listTag("web"), {}, "/ziel/a.b_web.jpg"},
        NameCase{"HiddenFile", ".profil", listTag("web"), {}, "/ziel/.profil_web.jpg"},
        // Four characters, not four bytes, of a UTF-8 name.
        NameCase{"UpperCaseExtension", "schön.JPG", listTag("web"), {}, "/ziel/schön_web.jpg"},
        NameCase{"UmlautStem", "Bäume.gif", listTag("web"), {}, "/ziel/Bäume_web.jpg"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BaseName, DropsTheLastFourCharacters) {
    EXPECT_EQ(BaseName("urlaub.jpg"), "urlaub");
    EXPECT_EQ(BaseName("urlaub.jpeg"), "urlaub.");
    EXPECT_EQ(BaseName("ab.äöüß"), "ab.");
    EXPECT_EQ(BaseName("abc"), "");
}

TEST(FileListPattern, MatchesTheListedExtensionsIgnoringCase) {
    for (const char* yes : {"a.jpg", "a.JPEG", "a.Bmp", "a.tif", "a.tiff", "a.gif", "a.PNG", "a.jps",
                            ".jpg", "a.heic", "a.HEIF", "a.avif", "a.WebP"}) {
        EXPECT_TRUE(matchesFileListPattern(yes)) << yes;
    }
    for (const char* no : {"a.tiffs", "a.jpg.txt", "photo", "a.jp", "jpg", "a.webp.txt", "aheic"}) {
        EXPECT_FALSE(matchesFileListPattern(no)) << no;
    }
}

struct DestCase {
    const char* name;
    int index;
    DestSizeInputs inputs;
    BoxSize want;  // width, height; the box starts 1024 × 768
};

class SetDestSizeRule : public ::testing::TestWithParam<DestCase> {};

TEST_P(SetDestSizeRule, SetsTheBox) {
    const DestCase& c = GetParam();
    BoxSize box = kInitialDestSize;
    SetDestSize(c.index, c.inputs, box);
    EXPECT_EQ(box, c.want);
}

INSTANTIATE_TEST_SUITE_P(
    Presets, SetDestSizeRule,
    ::testing::Values(DestCase{"First", 0, {}, {160, 120}},
                      DestCase{"Default", 5, {}, {1280, 1024}},
                      DestCase{"Last", 9, {}, {2048, 1536}},
                      DestCase{"OwnSize", 10, {false, "480", "640,5"}, {640, 480}},
                      DestCase{"OwnSizeDecimal", 10, {false, "480.5", "641.5"}, {642, 480}},
                      DestCase{"OwnSizeEmpty", 10, {false, "", "abc"}, {0, 0}},
                      DestCase{"OwnSizeAbsurd", 10, {false, "99999999999999999999", "1"}, {1, 1000000}},
                      DestCase{"KeepOriginal", 3, {true, "", ""}, {1024, 768}},
                      DestCase{"Negative", -1, {}, {1024, 768}},
                      DestCase{"TooLarge", 11, {}, {1024, 768}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SizePresets, TextsNameHeightThenWidth) {
    for (std::size_t i = 0; i < kSizePresets.size(); ++i) {
        const SizePreset& p = kSizePresets[i];
        EXPECT_EQ(p.text, std::to_string(p.height) + " x " + std::to_string(p.width));
        EXPECT_EQ(sizePresetIndex(p.text), static_cast<int>(i));
    }
    EXPECT_EQ(sizePresetIndex("Eigene Größe"), kOwnSizeIndex);
    EXPECT_FALSE(sizePresetIndex("1024x1280"));
}

struct SliderCase {
    int value;
    Sampling sampling;
    std::optional<int> marked;
    Sampling strong;  // with the strong compression
};

class QualitySlider : public ::testing::TestWithParam<SliderCase> {};

TEST_P(QualitySlider, ChoosesSamplingAndMarksAPreset) {
    const SliderCase& c = GetParam();
    EXPECT_EQ(samplingForQuality(c.value), c.sampling);
    EXPECT_EQ(samplingForQuality(c.value, JpegCompression::Strong), c.strong);
    EXPECT_EQ(markedQualityPreset(c.value), c.marked);
}

constexpr Sampling kHalved = Sampling::Faster;
constexpr Sampling kFull = Sampling::Best;
INSTANTIATE_TEST_SUITE_P(Values, QualitySlider,
                         ::testing::Values(SliderCase{40, kHalved, std::nullopt, kHalved},
                                           SliderCase{60, kHalved, 0, kHalved},
                                           SliderCase{65, kHalved, std::nullopt, kHalved},
                                           SliderCase{69, kHalved, std::nullopt, kHalved},
                                           SliderCase{70, kFull, 1, kHalved},
                                           SliderCase{80, kFull, 2, kHalved},
                                           SliderCase{89, kFull, std::nullopt, kHalved},
                                           SliderCase{90, kFull, 3, kFull},
                                           SliderCase{95, kFull, std::nullopt, kFull}),
                         [](const auto& info) { return "Value" + std::to_string(info.param.value); });

TEST(QualityPresets, EachPresetMarksItself) {
    for (const QualityPreset& p : kQualityPresets) {
        EXPECT_EQ(qualityPresetIndex(p.caption), markedQualityPreset(p.value));
    }
    // "Website" is the one preset below the rule's 70: 4:2:0.
    EXPECT_EQ(samplingForQuality(kQualityPresets[0].value), Sampling::Faster);
    EXPECT_EQ(samplingForQuality(kQualityPresets[1].value), Sampling::Best);
    EXPECT_EQ(qualityCaption(60), "Verwendungszweck / Qualität: 60%");
    const SamplingFactors faster = samplingFactors(Sampling::Faster);
    EXPECT_EQ(faster.h1 * 10 + faster.v1, 22);
    EXPECT_EQ(samplingFactors(Sampling::Best).h1, 1);
}

TEST(PreTags, TheLastStandsForThePictureSize) {
    EXPECT_EQ(kPreTags[kDefaultPreTagIndex], "new");
    EXPECT_EQ(kPreTags.back(), kPictureSizeTag);
    EXPECT_EQ(NameTag({NameOption::ListTag, "Bildgröße", "", false}, {1280, 960}), "960x1280");
}

struct TagCase {
    const char* tag;
    const char* problem;  // part of the reason; empty: the tag may be used
};

// A tag comes from the settings file, the command line or the window's field;
// none of them may lead an output out of its target folder.
TEST(NameTags, TagsThatWouldLeaveTheTargetFolderAreRefused) {
    const TagCase cases[] = {
        {"mini", ""},
        {"v1.2", ""},
        {"...", ""},
        {"Bildgr\u00F6\u00DFe", ""},
        {"../../x", "Schrägstrich"},
        {"/abs", "Schrägstrich"},
        {"a/b", "Schrägstrich"},
        {"x/", "Schrägstrich"},
        {"..", "Ordnerverweis"},
        {".", "Ordnerverweis"},
    };
    for (const TagCase& c : cases) {
        const Result<void> checked = checkNameTag(c.tag);
        EXPECT_EQ(checked.ok(), std::string(c.problem).empty())
            << c.tag << ": " << checked.reason();
        EXPECT_NE(checked.reason().find(c.problem), std::string::npos)
            << c.tag << ": " << checked.reason();
    }
    EXPECT_FALSE(checkNameTag(std::string_view("a\0b", 3)));
}

}  // namespace
}  // namespace vendrik
