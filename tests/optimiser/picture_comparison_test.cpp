// The comparison's pictures without a window: handed the output computed
// before (the estimate's), it shows those bytes decoded beside the same
// source side as when it encodes afresh.

#include "optimiser/picture_comparison.h"

#include <gtest/gtest.h>

#include <functional>

#include "imaging/picture_loader.h"
#include "support/test_support.h"

namespace vendrik {
namespace {

using test::sameSurface;
using test::TempDir;

struct KnownCase {
    const char* name;
    std::function<void(PictureSettings&)> set;
};

class KnownOutput : public ::testing::TestWithParam<KnownCase> {};

TEST_P(KnownOutput, ShowsTheSamePicturesAsEncodingAfresh) {
    TempDir dir;
    const std::string source = dir.file("foto.jpg");
    ASSERT_TRUE(test::writeJpeg(source, 643, 481, "-Orientation#=6"));
    PictureSettings settings;
    settings.sizeIndex = 3;
    GetParam().set(settings);

    const Result<PictureComparison> afresh = comparePicture(source, settings);
    ASSERT_TRUE(afresh) << afresh.reason();
    const Result<EncodedPicture> estimated = processPicture(source, settings);
    ASSERT_TRUE(estimated) << estimated.reason();
    const Result<PictureComparison> shared = comparePicture(source, settings, &*estimated);
    ASSERT_TRUE(shared) << shared.reason();

    EXPECT_EQ(shared->encoded.bytes, afresh->encoded.bytes);
    EXPECT_EQ(shared->encoded.quality, afresh->encoded.quality);
    EXPECT_TRUE(sameSurface(shared->source, afresh->source));
    EXPECT_TRUE(sameSurface(shared->output, afresh->output));
    const Result<LoadedPicture> written = loadPicture(afresh->encoded.bytes);
    ASSERT_TRUE(written);
    EXPECT_TRUE(sameSurface(shared->output, written->pixels));
}

INSTANTIATE_TEST_SUITE_P(
    Comparison, KnownOutput,
    ::testing::Values(KnownCase{"InTheBox", [](PictureSettings&) {}},
                      KnownCase{"AtItsOwnSize",
                                [](PictureSettings& s) { s.size.keepOriginalSize = true; }},
                      // The source side never carries the watermark.
                      KnownCase{"Watermarked",
                                [](PictureSettings& s) {
                                    s.watermark = [](Surface& picture) {
                                        picture.fill({0, 0, 255});
                                    };
                                }},
                      KnownCase{"Lossless", [](PictureSettings& s) { s.lossless = true; }}),
    [](const ::testing::TestParamInfo<KnownCase>& info) { return info.param.name; });

TEST(KnownOutput, IsDecodedNotEncodedAgain) {
    TempDir dir;
    const std::string source = dir.file("bild.bmp");
    test::writeBmp(source, 320, 240, 5);
    PictureSettings settings;
    settings.quality = 90;
    PictureSettings lower = settings;
    lower.quality = 20;
    const Result<EncodedPicture> other = processPicture(source, lower);
    ASSERT_TRUE(other);
    const Result<PictureComparison> shown = comparePicture(source, settings, &*other);
    ASSERT_TRUE(shown) << shown.reason();
    EXPECT_EQ(shown->encoded.bytes, other->bytes);
    EXPECT_EQ(shown->encoded.quality, 20);
    const Result<LoadedPicture> decoded = loadPicture(other->bytes);
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(sameSurface(shown->output, decoded->pixels));
}

TEST(KnownOutput, FailuresOnEitherSideAreReasons) {
    TempDir dir;
    const std::string source = dir.file("bild.bmp");
    test::writeBmp(source, 64, 48, 1);
    EncodedPicture damaged;
    damaged.bytes = {0xFF, 0xD8, 0xFF, 0xDB, 0x00};
    const Result<PictureComparison> unreadable =
        comparePicture(source, PictureSettings{}, &damaged);
    ASSERT_FALSE(unreadable);
    EXPECT_EQ(unreadable.reason().rfind("Ausgabe nicht lesbar: ", 0), 0U) << unreadable.reason();

    const Result<EncodedPicture> fine = processPicture(source, PictureSettings{});
    ASSERT_TRUE(fine);
    const Result<PictureComparison> gone =
        comparePicture(dir.file("fehlt.bmp"), PictureSettings{}, &*fine);
    EXPECT_FALSE(gone);
    EXPECT_FALSE(gone.reason().empty());
}

}  // namespace
}  // namespace vendrik
