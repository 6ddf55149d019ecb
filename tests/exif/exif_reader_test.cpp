// clsEXIF on whole files: finding the block, the states, the summary, the
// listing and the look-ups.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "exif/clsEXIF.h"
#include "exif/exif_error.h"
#include "exif/exif_tags.h"
#include "support/exif_block_builder.h"
#include "support/test_support.h"

namespace vendrik {
namespace {

using test::Bytes;
using test::ExifBlockBuilder;
using R = std::vector<std::pair<std::uint32_t, std::uint32_t>>;
using S = std::vector<std::pair<std::int32_t, std::int32_t>>;

// A camera's typical block: IFD0 with the model, the Exif directory in
// ascending tag order as EXIF requires.
ExifBlockBuilder cameraBlock(bool intel) {
    ExifBlockBuilder b(intel);
    b.ascii(272, "Vendrik DSLR")
        .exifDirectory()
        .rational(33434, R{{1, 60}})
        .rational(33437, R{{28, 10}})
        .ascii(36867, "2005:06:15 12:34:56");
    return b;
}

ExifState stateOfFile(const Bytes& bytes) {
    test::TempDir dir;
    test::writeFileBytes(dir.file("p.jpg"), bytes);
    clsEXIF exif(".");
    exif.ImageFile(dir.file("p.jpg"));
    EXPECT_EQ(exif.ImageFile(), dir.file("p.jpg"));
    return exif.state();
}

TEST(ReadMetaInfo, FindsTheSignatureOnlyWithinTheFirst4096Bytes) {
    const Bytes block = cameraBlock(true).jpeg();
    EXPECT_EQ(stateOfFile(block), ExifState::Read);
    // The signature ending exactly at byte 4096 still counts; its TIFF header
    // lies beyond and reads as zeros: no entries, but state 0.
    Bytes at4091(4091, 0xFF);
    at4091.insert(at4091.end(), {'E', 'x', 'i', 'f', 0});
    EXPECT_EQ(stateOfFile(at4091), ExifState::Read);
    Bytes at4092(4092, 0xFF);
    at4092.insert(at4092.end(), {'E', 'x', 'i', 'f', 0, 0});
    EXPECT_EQ(stateOfFile(at4092), ExifState::NoExif);
    Bytes late(5000, 0xFF);
    late.insert(late.end(), block.begin(), block.end());
    EXPECT_EQ(stateOfFile(late), ExifState::NoExif);
    EXPECT_EQ(stateOfFile({'E', 'x', 'i', 'F', 0, 0}), ExifState::NoExif);
}

TEST(ReadMetaInfo, ReadsIfd0WhereTheHeaderSaysAndTheFirstSignatureAnywhere) {
    // II, 42, IFD0 at 12 behind four bytes of padding; one SHORT entry.
    const Bytes tiff = {'I', 'I', 42, 0, 12, 0, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE,
                        1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Bytes file = {0xFF, 0xD8, 0xFF, 0xFE, 0, 9, 'E', 'x', 'i', 'f', 0, 0};  // a comment first
    file.insert(file.end(), tiff.begin(), tiff.end());
    clsEXIF exif(".");
    exif.imageBytes(file);
    EXPECT_EQ(exif.state(), ExifState::Read);
    EXPECT_TRUE(exif.IntelByteAlignment());
    EXPECT_EQ(exif.ListInfo(), "Orientation: 8\r\n");
}

TEST(ReadMetaInfo, GivesStateOneForPicturesWithoutExifAndTwoForMissingOrEmptyFiles) {
    const Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    Bytes bmp = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0};
    bmp.resize(70, 0x20);
    EXPECT_EQ(stateOfFile(png), ExifState::NoExif);
    EXPECT_EQ(stateOfFile(bmp), ExifState::NoExif);
    EXPECT_EQ(stateOfFile({}), ExifState::FileMissing);

    test::TempDir dir;
    clsEXIF exif(".");
    exif.ImageFile(dir.file("nicht-da.jpg"));
    EXPECT_EQ(exif.state(), ExifState::FileMissing);
    EXPECT_EQ(exif.ListInfo(), "Error.");
    try {
        (void)exif.ReadMetaInfo(dir.file("nicht-da.jpg"));
        ADD_FAILURE() << "no error for a missing file";
    } catch (const ExifError& e) {
        EXPECT_EQ(e.number(), 2);
        EXPECT_EQ(e.source(), "ReadMetaInfo");
        EXPECT_EQ(e.description(), "Datei nicht gefunden.");
    }
    // Things that exist but cannot be read as a file: never opened, never
    // waited for.
    exif.ImageFile(dir.path().string());
    EXPECT_EQ(exif.state(), ExifState::NoExif);
    ASSERT_EQ(::mkfifo(dir.file("pipe.jpg").c_str(), 0600), 0);
    exif.ImageFile(dir.file("pipe.jpg"));
    EXPECT_EQ(exif.state(), ExifState::NoExif);
}

TEST(ReadMetaInfo, AFileThatCannotBeOpenedIsStateOne) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root reads files without read permission";
    }
    test::TempDir dir;
    test::writeFileBytes(dir.file("locked.jpg"), cameraBlock(true).jpeg());
    ::chmod(dir.file("locked.jpg").c_str(), 0);
    clsEXIF exif(".");
    exif.ImageFile(dir.file("locked.jpg"));
    EXPECT_EQ(exif.state(), ExifState::NoExif);
}

TEST(ReadMetaInfo, StateOneKeepsThePreviousEntriesButShowsNone) {
    clsEXIF exif(".");
    exif.imageBytes(cameraBlock(false).jpeg());
    ASSERT_EQ(exif.entries().size(), 5u);
    exif.imageBytes(Bytes(100, 'x'));
    EXPECT_EQ(exif.state(), ExifState::NoExif);
    EXPECT_EQ(exif.entries().size(), 5u);
    EXPECT_EQ(exif.ListInfo(), "Keine EXIF-Daten vorhanden.");
    EXPECT_FALSE(exif.ListEXIF().text(ExifLabel::Camera).has_value());
}

TEST(ListInfo, ListsEveryEntryInReadingOrder) {
    for (const bool intel : {true, false}) {
        clsEXIF exif(".");
        exif.imageBytes(cameraBlock(intel).jpeg());
        EXPECT_EQ(exif.ListInfo(),
                  "Model: Vendrik DSLR\r\nExifOffset: 38\r\nExposureTime: 60\r\n"
                  "FNumber: 2.8\r\nDateTimeOriginal: 2005:06:15 12:34:56\r\n");
    }
    // IFD0 alone, with an unknown tag.
    ExifBlockBuilder b(true);
    b.shortValue(41985, 2);
    clsEXIF exif(",");
    exif.imageBytes(b.tiff());  // no JPEG around it; the signature is missing
    EXPECT_EQ(exif.state(), ExifState::NoExif);
    Bytes withSignature = {'E', 'x', 'i', 'f', 0, 0};
    const Bytes t = b.tiff();
    withSignature.insert(withSignature.end(), t.begin(), t.end());
    exif.imageBytes(withSignature);
    EXPECT_EQ(exif.ListInfo(), "Tag #41985: 2\r\n");
}

struct SummaryCase {
    const char* name;
    std::function<void(ExifBlockBuilder&)> addExif;
    const char* aperture;
    const char* exposure;
};

class ListEXIF : public ::testing::TestWithParam<SummaryCase> {};

TEST_P(ListEXIF, FillsTheLabelsInTheOverwriteOrder) {
    ExifBlockBuilder b(true);
    b.ascii(272, "Vendrik DSLR").exifDirectory();
    GetParam().addExif(b);
    b.ascii(36867, "2005:06:15 12:34:56");
    clsEXIF exif(",");
    exif.imageBytes(b.jpeg());
    const ExifSummary s = exif.ListEXIF();
    EXPECT_EQ(s.shown(ExifLabel::Camera), "Vendrik DSLR");
    EXPECT_EQ(s.shown(ExifLabel::Aperture), GetParam().aperture);
    EXPECT_EQ(s.shown(ExifLabel::Exposure), GetParam().exposure);
    EXPECT_EQ(s.shown(ExifLabel::Time), "Uhrzeit: 12:34:56");
    EXPECT_EQ(s.shown(ExifLabel::Date), "Datum: 2005:06:15");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ListEXIF,
    ::testing::Values(
        SummaryCase{"FNumberOnly", [](auto& b) { b.rational(33437, R{{28, 10}}); },
                    "Blende: f 2,8", "Belichtung:"},
        SummaryCase{"ApertureValueOverwritesFNumber",
                    [](auto& b) { b.rational(33437, R{{40, 10}}).rational(37378, R{{297, 100}}); },
                    "Blende: f 2,8", "Belichtung:"},
        SummaryCase{"ExposureTimeOnly", [](auto& b) { b.rational(33434, R{{1, 60}}); }, "Blende:",
                    "Belichtung: 1/60s"},
        SummaryCase{"ShutterSpeedOverwritesExposureTime",
                    [](auto& b) { b.rational(33434, R{{1, 60}}).srational(37377, S{{7, 1}}); },
                    "Blende:", "Belichtung: 1/128s"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MetaInfo, ReturnsTheRoundedValueOrReportsTheState) {
    clsEXIF exif(".");
    ExifBlockBuilder b(false);
    b.exifDirectory().rational(33437, R{{25, 10}}).rational(37386, R{{35, 10}});
    exif.imageBytes(b.jpeg());
    std::string text;
    EXPECT_EQ(exif.MetaInfo(33437, text), 2);  // 2.5: halves to even
    EXPECT_EQ(text, "2.5");
    EXPECT_EQ(exif.MetaInfo(37386, text), 4);
    EXPECT_EQ(text, "3.5");
    EXPECT_EQ(exif.MetaInfo(37510, text), 0);
    EXPECT_EQ(text, "Tag 37510 nicht gefunden.");

    const auto expectError = [&exif](int number, const char* description) {
        std::string t;
        try {
            (void)exif.MetaInfo(272, t);
            ADD_FAILURE() << "no error";
        } catch (const ExifError& e) {
            EXPECT_EQ(e.number(), number);
            EXPECT_EQ(e.source(), "MetaInfo");
            EXPECT_EQ(e.description(), description);
        }
    };
    exif.imageBytes(Bytes(10, 'x'));
    expectError(10, "Keine EXIF-Daten vorhanden.");
    exif.imageBytes({});
    expectError(11, "Error.");
}

TEST(GetTagName, FindsEveryTableNameAndNamesOthersByNumber) {
    EXPECT_EQ(clsEXIF::GetTagName(272), "Model");
    EXPECT_EQ(clsEXIF::GetTagName(1), "Tag #1");
    EXPECT_EQ(clsEXIF::GetTagName(41985), "Tag #41985");
    EXPECT_EQ(clsEXIF::GetTagName(-7), "Tag #-7");
    for (const ExifTagName& t : kExifTagNames) {
        EXPECT_EQ(clsEXIF::GetTagName(t.number), t.name);  // numbers are unique
    }
}

}  // namespace
}  // namespace vendrik
