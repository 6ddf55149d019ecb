// The main window's preview without a window: the thumbnail size rule, the
// picture and EXIF texts read for it, and what hostile files give.

#include "optimiser/preview.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <future>

#include "support/test_support.h"

namespace vendrik {
namespace {

using test::TempDir;

struct ThumbnailCase {
    const char* name;
    double width;
    double height;
    BoxSize want;
};

class ThumbnailSize : public ::testing::TestWithParam<ThumbnailCase> {};

TEST_P(ThumbnailSize, InThePreviewBox) {
    const ThumbnailCase& c = GetParam();
    EXPECT_EQ(thumbnailSize(c.width, c.height, kPreviewBox), c.want);
}

// Worked by hand from the rule's percentages (single precision first, then
// double): landscape fills the width, anything else the height.
INSTANTIATE_TEST_SUITE_P(
    Preview, ThumbnailSize,
    ::testing::Values(ThumbnailCase{"Landscape4000x3000", 4000, 3000, {133, 95}},
                      ThumbnailCase{"Portrait3000x4000", 3000, 4000, {76, 105}},
                      ThumbnailCase{"Landscape640x480", 640, 480, {133, 95}},
                      ThumbnailCase{"SquareCountsAsPortrait", 500, 500, {102, 105}},
                      // Nearly square: the rule's height overshoots the box.
                      ThumbnailCase{"NearlySquareLandscape", 1000, 999, {133, 126}},
                      ThumbnailCase{"OnePixelIsEnlarged", 1, 1, {102, 105}},
                      ThumbnailCase{"PanoramaKeepsOneRow", 60000, 1, {133, 1}},
                      ThumbnailCase{"NoWidth", 0, 100, {0, 0}},
                      ThumbnailCase{"NotANumber", std::nan(""), 100, {0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ThumbnailSize, AnEmptyBoxGivesNothing) {
    EXPECT_EQ(thumbnailSize(4000, 3000, BoxSize{0, 105}), (BoxSize{0, 0}));
}

// A JPEG in `dir`, with EXIF tags when asked; empty when a tool is missing.
std::string makeJpeg(const TempDir& dir, const std::string& name, int w, int h,
                     const std::string& exifArgs = {}) {
    const std::string jpg = dir.file(name);
    return test::writeJpeg(jpg, w, h, exifArgs) ? jpg : std::string();
}

TEST(LoadPreview, ShowsThePictureItsSizeAndItsExifSummary) {
    TempDir dir;
    const std::string jpg = makeJpeg(dir, "urlaub.jpg", 640, 480,
                                     "-Model='Vendrik Testkamera' -FNumber=2.8 -ExposureTime=1/60 "
                                     "'-DateTimeOriginal=2005:06:15 12:34:56'");
    if (jpg.empty()) {
        GTEST_SKIP() << "cjpeg or exiftool missing";
    }
    const PreviewPicture p = loadPreview(jpg);
    ASSERT_TRUE(p.loaded) << p.error;
    EXPECT_EQ(p.PictureWidth, 640);
    EXPECT_EQ(p.PictureHeight, 480);
    EXPECT_EQ(p.thumbnail.width(), 133);
    EXPECT_EQ(p.thumbnail.height(), 95);
    EXPECT_EQ(pictureSizeCaption(p), "Bildgrösse: 480 x 640");
    EXPECT_EQ(p.exif.shown(ExifLabel::Camera), "Vendrik Testkamera");
    EXPECT_EQ(p.exif.shown(ExifLabel::Exposure), "Belichtung: 1/60s");
    EXPECT_EQ(p.exif.shown(ExifLabel::Time), "Uhrzeit: 12:34:56");
    EXPECT_EQ(p.exif.shown(ExifLabel::Date), "Datum: 2005:06:15");
}

TEST(LoadPreview, APortraitBmpFillsTheBoxHeightWithoutExif) {
    TempDir dir;
    test::writeBmp(dir.file("hoch.bmp"), 300, 400, 1);
    const PreviewPicture p = loadPreview(dir.file("hoch.bmp"));
    ASSERT_TRUE(p.loaded) << p.error;
    EXPECT_EQ(p.thumbnail.width(), 76);
    EXPECT_EQ(p.thumbnail.height(), 105);
    EXPECT_EQ(pictureSizeCaption(p), "Bildgrösse: 400 x 300");
    for (int i = 0; i < 5; ++i) {
        EXPECT_FALSE(p.exif.texts[static_cast<std::size_t>(i)].has_value());
    }
}

// The thumbnail shows the picture, not noise: a picture half black, half
// white keeps its halves.
TEST(LoadPreview, TheThumbnailIsThePictureReduced) {
    TempDir dir;
    const std::string path = dir.file("halves.bmp");
    test::writeBmp(path, 400, 300, 0);
    auto bytes = test::readFileBytes(path);
    const int stride = (400 * 3 + 3) & ~3;
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 400; ++x) {
            const std::uint8_t v = x < 200 ? 0 : 255;
            for (int c = 0; c < 3; ++c) {
                bytes[54 + static_cast<std::size_t>(y * stride + x * 3 + c)] = v;
            }
        }
    }
    test::writeFileBytes(path, bytes);
    const PreviewPicture p = loadPreview(path);
    ASSERT_TRUE(p.loaded) << p.error;
    EXPECT_EQ(p.thumbnail.pixel(10, 40), (Bgr{0, 0, 0}));
    EXPECT_EQ(p.thumbnail.pixel(120, 40), (Bgr{255, 255, 255}));
}

struct HostileCase {
    const char* name;
    // Makes the file in `dir` and returns its path; empty to skip.
    std::string (*make)(const TempDir& dir);
};

std::string truncatedJpeg(const TempDir& dir) {
    const std::string jpg = makeJpeg(dir, "kaputt.jpg", 320, 240);
    if (jpg.empty()) {
        return {};
    }
    auto bytes = test::readFileBytes(jpg);
    bytes.resize(bytes.size() / 2);
    test::writeFileBytes(jpg, bytes);
    return jpg;
}

std::string hugeBmpHeader(const TempDir& dir) {
    // A BMP header that announces 60000 × 60000 pixels and holds none.
    std::vector<std::uint8_t> h(54, 0);
    auto le32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            h[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
        }
    };
    h[0] = 'B';
    h[1] = 'M';
    le32(2, 54);
    le32(10, 54);
    le32(14, 40);
    le32(18, 60000);
    le32(22, 60000);
    h[26] = 1;
    h[28] = 24;
    const std::string path = dir.file("riesig.bmp");
    test::writeFileBytes(path, h);
    return path;
}

std::string folderNamedLikeAPicture(const TempDir& dir) {
    std::filesystem::create_directory(dir.file("ordner.jpg"));
    return dir.file("ordner.jpg");
}

std::string pipeNamedLikeAPicture(const TempDir& dir) {
    const std::string path = dir.file("rohr.jpg");
    return ::mkfifo(path.c_str(), 0600) == 0 ? path : std::string();
}

std::string unreadableFile(const TempDir& dir) {
    if (::geteuid() == 0) {
        return {};  // root reads it anyway
    }
    test::writeBmp(dir.file("gesperrt.bmp"), 40, 30, 2);
    ::chmod(dir.file("gesperrt.bmp").c_str(), 0);
    return dir.file("gesperrt.bmp");
}

std::string missingFile(const TempDir& dir) {
    return dir.file("fehlt.jpg");
}

std::string textNamedLikeAPicture(const TempDir& dir) {
    test::writeText(dir.file("text.png"), "kein Bild");
    return dir.file("text.png");
}

class HostilePreview : public ::testing::TestWithParam<HostileCase> {};

// Within a few seconds at most (a pipe would block for ever if opened),
// with no picture, no size and a reason.
TEST_P(HostilePreview, GivesAnEmptyPreviewAtOnce) {
    TempDir dir;
    const std::string path = GetParam().make(dir);
    if (path.empty()) {
        GTEST_SKIP() << "cannot make this file here";
    }
    auto result = std::async(std::launch::async, [&] { return loadPreview(path); });
    ASSERT_EQ(result.wait_for(std::chrono::seconds(20)), std::future_status::ready)
        << "loadPreview hangs";
    const PreviewPicture p = result.get();
    EXPECT_FALSE(p.loaded);
    EXPECT_TRUE(p.thumbnail.empty());
    EXPECT_FALSE(p.error.empty());
    EXPECT_EQ(pictureSizeCaption(p), "Bildgrösse: ");
    if (path == dir.file("rohr.jpg")) {
        // Unblock nothing: the pipe was never opened.
        std::filesystem::remove(path);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, HostilePreview,
    ::testing::Values(HostileCase{"TruncatedJpeg", truncatedJpeg},
                      HostileCase{"Bmp60000x60000Header", hugeBmpHeader},
                      HostileCase{"FolderNamedLikeAPicture", folderNamedLikeAPicture},
                      HostileCase{"PipeNamedLikeAPicture", pipeNamedLikeAPicture},
                      HostileCase{"UnreadableFile", unreadableFile},
                      HostileCase{"MissingFile", missingFile},
                      HostileCase{"TextNamedLikeAPicture", textNamedLikeAPicture}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vendrik
