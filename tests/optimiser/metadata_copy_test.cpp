// Keeping metadata, end to end through the batch engine: a phone photograph
// (Orientation 6, GPS, XMP and IPTC places, a thumbnail, a Display P3
// profile) through the three choices, checked from outside with exiftool and
// djpeg, and in WebP and AVIF with dwebp and heif-convert; and hostile
// metadata, which must never stop a picture in any format.

#include "optimiser/metadata_copy.h"

#include <gtest/gtest.h>
#include <zlib.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

#include <algorithm>
#include <memory>

#include "common/regular_file.h"
#include "optimiser/batch_engine.h"
#include "optimiser/output_formats.h"
#include "optimiser/xmp_block_size.h"
#include "support/hostile_exif.h"
#include "support/test_support.h"

namespace vendrik {
namespace {

using test::Bytes;
using test::TempDir;

// The fields a user keeps metadata for, as exiftool prints them.
constexpr const char* kCameraTags[] = {"DateTimeOriginal", "Make", "Model", "FNumber",
                                       "ExposureTime"};
// Place names the photograph carries in XMP and IPTC.
constexpr const char* kPlaceTexts[] = {"M\xC3\xBCnchen", "Marienplatz", "Deutschland"};

std::string exiftoolValue(const std::string& file, const std::string& tag) {
    auto r = test::runCommand("exiftool -s3 -n " + test::shellQuote("-" + tag) + " " +
                              test::shellQuote(file));
    while (!r.output.empty() && r.output.back() == '\n') {
        r.output.pop_back();
    }
    return r.output;
}

bool contains(const Bytes& haystack, const Bytes& needle) {
    return !needle.empty() &&
           std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}
bool contains(const Bytes& haystack, std::string_view needle) {
    return contains(haystack, Bytes(needle.begin(), needle.end()));
}

// The markers of a JPEG file up to its first scan, in order.
std::vector<std::uint8_t> markersOf(const Bytes& jpeg) {
    std::vector<std::uint8_t> markers;
    std::size_t pos = 2;
    while (pos + 4 <= jpeg.size() && jpeg[pos] == 0xFF && jpeg[pos + 1] != 0xDA) {
        markers.push_back(jpeg[pos + 1]);
        pos += 2 + (std::size_t{jpeg[pos + 2]} << 8 | jpeg[pos + 3]);
    }
    return markers;
}

class KeptMetadata : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<TempDir>();
        const std::string d = test::shellQuote(s_dir->path().string());
        auto r = test::runCommand("/usr/bin/python3 " +
                                  test::shellQuote(VENDRIK_TEST_SOURCE "/imaging/make_colour_pictures.py") +
                                  " " + d);
        ASSERT_EQ(r.exitCode, 0) << r.output;
        const std::string phone = test::shellQuote(file("phone.jpg"));
        r = test::runCommand("cp " + test::shellQuote(file("p3.jpg")) + " " + phone +
                             " && exiftool -q -overwrite_original -Make=Apple '-Model=iPhone 15'"
                             " '-DateTimeOriginal=2024:05:17 14:03:22' -FNumber=1.8"
                             " -ExposureTime=0.01 -Orientation#=6 -GPSLatitude=48.137154"
                             " -GPSLatitudeRef=N -GPSLongitude=11.576124 -GPSLongitudeRef=E"
                             " -GPSAltitude=519 -XMP-photoshop:City=München"
                             " -XMP-photoshop:Country=Deutschland -XMP-iptcCore:Location=Marienplatz"
                             " -XMP-exif:GPSLatitude=48.137154 -XMP-exif:GPSLongitude=11.576124"
                             " -XMP-dc:Title=Rathaus -IPTC:City=München -IPTC:Keywords=Urlaub"
                             " '-ThumbnailImage<=" + file("plain.jpg") + "' " + phone);
        ASSERT_EQ(r.exitCode, 0) << r.output;
    }
    static void TearDownTestSuite() { s_dir.reset(); }
    static std::string file(const std::string& name) { return s_dir->file(name); }

    // One picture through the engine at its own size, into its own folder.
    static PictureResult run(const std::string& source, MetadataChoice choice,
                             const std::string& folder,
                             OutputFormatId format = OutputFormatId::Jpeg) {
        std::filesystem::create_directories(file(folder));
        BatchSettings s;
        s.targetFolder = file(folder);
        s.picture.size.keepOriginalSize = true;
        s.picture.metadata = choice;
        s.picture.format = outputFormat(format);
        BatchObserver quiet;
        auto results = runBatch({source}, s, quiet);
        EXPECT_EQ(results.size(), 1U);
        return results.empty() ? PictureResult{} : results.front();
    }

    // The raw bytes of the source's GPS coordinates, as stored.
    static std::vector<Bytes> gpsValueBytes(const std::string& path) {
        auto image = Exiv2::ImageFactory::open(path);
        image->readMetadata();
        std::vector<Bytes> values;
        for (const char* key : {"Exif.GPSInfo.GPSLatitude", "Exif.GPSInfo.GPSLongitude",
                                "Exif.GPSInfo.GPSAltitude"}) {
            const auto it = image->exifData().findKey(Exiv2::ExifKey(key));
            EXPECT_NE(it, image->exifData().end()) << key;
            if (it != image->exifData().end()) {
                Bytes b(it->size());
                it->copy(b.data(), image->byteOrder());
                values.push_back(b);
            }
        }
        return values;
    }

private:
    static std::unique_ptr<TempDir> s_dir;
};
std::unique_ptr<TempDir> KeptMetadata::s_dir;

struct ChoiceCase {
    const char* name;
    MetadataChoice choice;
    bool camera;    // date, camera and exposure kept
    bool location;  // GPS and place names kept
    std::vector<std::uint8_t> markers;  // after SOI, up to the tables
};

class ThreeChoices : public KeptMetadata, public ::testing::WithParamInterface<ChoiceCase> {};

TEST_P(ThreeChoices, PhonePhotographComesOutAsChosen) {
    const ChoiceCase& c = GetParam();
    const std::string source = file("phone.jpg");
    const PictureResult r = run(source, c.choice, c.name);
    ASSERT_EQ(r.status, PictureStatus::Written) << r.reason;
    EXPECT_TRUE(r.notes.empty()) << r.notes.front();
    // Upright: the 192 x 128 picture stored with Orientation 6 stands.
    EXPECT_EQ(r.size.width, 128);
    EXPECT_EQ(r.size.height, 192);
    EXPECT_TRUE(test::decodesCompletely(r.target));

    const Bytes out = test::readFileBytes(r.target);
    std::vector<std::uint8_t> head(markersOf(out));
    head.resize(std::min(head.size(), c.markers.size()));
    EXPECT_EQ(head, c.markers);

    for (const char* tag : kCameraTags) {
        EXPECT_EQ(exiftoolValue(r.target, tag), c.camera ? exiftoolValue(source, tag) : "") << tag;
    }
    EXPECT_EQ(exiftoolValue(r.target, "Orientation"), c.camera ? "1" : "");
    EXPECT_EQ(exiftoolValue(r.target, "ThumbnailLength"), "");
    EXPECT_EQ(exiftoolValue(r.target, "ExifImageWidth"), c.camera ? "128" : "");
    EXPECT_EQ(exiftoolValue(r.target, "ExifImageHeight"), c.camera ? "192" : "");
    // The pixels were converted from Display P3.
    EXPECT_EQ(exiftoolValue(r.target, "ColorSpace"), c.camera ? "1" : "");
    EXPECT_EQ(exiftoolValue(r.target, "ICC_Profile:ProfileDescription"), "");

    EXPECT_EQ(exiftoolValue(r.target, "GPSLatitude"), c.location ? exiftoolValue(source, "GPSLatitude") : "");
    EXPECT_EQ(exiftoolValue(r.target, "XMP:City"), c.location ? "M\xC3\xBCnchen" : "");
    EXPECT_EQ(exiftoolValue(r.target, "IPTC:Keywords"), c.camera ? "Urlaub" : "");
    EXPECT_EQ(exiftoolValue(r.target, "XMP:Title"), c.camera ? "Rathaus" : "");

    // Byte for byte: no GPS value and no place name left when not kept.
    const Bytes in = test::readFileBytes(source);
    for (const Bytes& gps : gpsValueBytes(source)) {
        ASSERT_TRUE(contains(in, gps));
        EXPECT_EQ(contains(out, gps), c.location);
    }
    for (const char* place : kPlaceTexts) {
        ASSERT_TRUE(contains(in, place));
        EXPECT_EQ(contains(out, place), c.location) << place;
    }
    if (!c.location) {
        const auto gps = test::runCommand("exiftool -a -G1 -gps:all -xmp:all -iptc:all " +
                                          test::shellQuote(r.target));
        for (const char* word : {"GPS", "City", "Country", "Location"}) {
            EXPECT_EQ(gps.output.find(word), std::string::npos) << gps.output;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Choices, ThreeChoices,
    ::testing::Values(
        // The Parts' bare JFIF file: APP0, then the tables.
        ChoiceCase{"strip", MetadataChoice::Strip, false, false, {0xE0, 0xDB}},
        ChoiceCase{"keep", MetadataChoice::Keep, true, true, {0xE0, 0xE1, 0xE1, 0xED, 0xDB}},
        ChoiceCase{"keep_no_gps", MetadataChoice::KeepWithoutGps, true, false,
                   {0xE0, 0xE1, 0xE1, 0xED, 0xDB}}),
    [](const auto& info) { return std::string(info.param.name); });

// WebP and AVIF carry the same choice in their own places: EXIF and XMP as
// the WebP container's chunks or the AVIF file's items, the IPTC data sets
// inside the XMP packet. The files decode with the libraries' own tools as
// ImageMagick decodes them.
struct FormatCase {
    const char* name;
    OutputFormatId format;
    MetadataChoice choice;
    bool camera;
    bool location;
};

class FormatChoices : public KeptMetadata, public ::testing::WithParamInterface<FormatCase> {};

// Whether `picture` decodes with its format's own tool, and for WebP to
// the pixels ImageMagick decodes (both through libwebp). ImageMagick 6
// turns AVIF's YCbCr planes into RGB by its own rounding and upsampling,
// differently from heif-convert also for heif-enc's own files, so for AVIF
// heif-convert's decode alone is asked for.
bool decodesWithItsOwnTool(const std::string& picture, OutputFormatId format) {
    const std::string own = picture + ".own.png";
    const std::string tool = format == OutputFormatId::WebP
                                 ? "dwebp -quiet " + test::shellQuote(picture) + " -o "
                                 : "heif-convert " + test::shellQuote(picture) + " ";
    if (test::runCommand(tool + test::shellQuote(own)).exitCode != 0 ||
        exiftoolValue(own, "ImageWidth") != "128" || exiftoolValue(own, "ImageHeight") != "192") {
        return false;
    }
    if (format != OutputFormatId::WebP) {
        return true;
    }
    const auto r = test::runCommand("/usr/bin/compare -metric AE " + test::shellQuote(own) + " " +
                                    test::shellQuote(picture) + " null: 2>&1");
    return r.exitCode == 0 && r.output == "0";
}

TEST_P(FormatChoices, PhonePhotographComesOutAsChosen) {
    const FormatCase& c = GetParam();
    const std::string source = file("phone.jpg");
    const PictureResult r = run(source, c.choice, c.name, c.format);
    ASSERT_EQ(r.status, PictureStatus::Written) << r.reason;
    EXPECT_TRUE(r.notes.empty()) << r.notes.front();
    const std::string ending(outputFormat(c.format)->ending());
    EXPECT_EQ(r.target, file(std::string(c.name) + "/phone_new" + ending));
    EXPECT_EQ(r.size.width, 128);
    EXPECT_EQ(r.size.height, 192);
    EXPECT_EQ(exiftoolValue(r.target, "ImageWidth"), "128");
    EXPECT_EQ(exiftoolValue(r.target, "ImageHeight"), "192");
    EXPECT_TRUE(decodesWithItsOwnTool(r.target, c.format));

    for (const char* tag : kCameraTags) {
        EXPECT_EQ(exiftoolValue(r.target, tag), c.camera ? exiftoolValue(source, tag) : "") << tag;
    }
    EXPECT_EQ(exiftoolValue(r.target, "IFD0:Orientation"), c.camera ? "1" : "");
    EXPECT_EQ(exiftoolValue(r.target, "ThumbnailLength"), "");
    EXPECT_EQ(exiftoolValue(r.target, "ExifImageWidth"), c.camera ? "128" : "");
    EXPECT_EQ(exiftoolValue(r.target, "GPSLatitude"),
              c.location ? exiftoolValue(source, "GPSLatitude") : "");
    EXPECT_EQ(exiftoolValue(r.target, "XMP:City"), c.location ? "M\xC3\xBCnchen" : "");
    EXPECT_EQ(exiftoolValue(r.target, "XMP:Title"), c.camera ? "Rathaus" : "");
    // IPTC's keyword, from inside the XMP packet.
    EXPECT_EQ(exiftoolValue(r.target, "XMP:Subject"), c.camera ? "Urlaub" : "");
    EXPECT_EQ(exiftoolValue(r.target, "IPTC:Keywords"), "");

    const Bytes in = test::readFileBytes(source);
    const Bytes out = test::readFileBytes(r.target);
    for (const Bytes& gps : gpsValueBytes(source)) {
        EXPECT_EQ(contains(out, gps), c.location);
    }
    for (const char* place : kPlaceTexts) {
        ASSERT_TRUE(contains(in, place));
        EXPECT_EQ(contains(out, place), c.location) << place;
    }
    if (c.format == OutputFormatId::WebP) {
        // The extended container only with something to extend it by.
        EXPECT_EQ(contains(out, "VP8X"), c.camera);
        EXPECT_FALSE(contains(out, "ICCP"));
    } else {
        // sRGB in the colour box, whatever the metadata.
        EXPECT_EQ(exiftoolValue(r.target, "ColorPrimaries"), "1");
        EXPECT_EQ(exiftoolValue(r.target, "TransferCharacteristics"), "13");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Choices, FormatChoices,
    ::testing::Values(
        FormatCase{"webp_strip", OutputFormatId::WebP, MetadataChoice::Strip, false, false},
        FormatCase{"webp_keep", OutputFormatId::WebP, MetadataChoice::Keep, true, true},
        FormatCase{"webp_keep_no_gps", OutputFormatId::WebP, MetadataChoice::KeepWithoutGps, true,
                   false},
        FormatCase{"avif_strip", OutputFormatId::Avif, MetadataChoice::Strip, false, false},
        FormatCase{"avif_keep", OutputFormatId::Avif, MetadataChoice::Keep, true, true},
        FormatCase{"avif_keep_no_gps", OutputFormatId::Avif, MetadataChoice::KeepWithoutGps, true,
                   false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeptMetadata, StripWritesTheSameBytesAsTheDefault) {
    const PictureResult strip = run(file("phone.jpg"), MetadataChoice::Strip, "strip-again");
    std::filesystem::create_directories(file("default"));
    BatchSettings s;
    s.targetFolder = file("default");
    s.picture.size.keepOriginalSize = true;
    BatchObserver quiet;
    const auto byDefault = runBatch({file("phone.jpg")}, s, quiet);
    ASSERT_EQ(byDefault.size(), 1U);
    EXPECT_EQ(test::readFileBytes(strip.target), test::readFileBytes(byDefault[0].target));
}

// `plain` (an encoded JFIF file) with an APP1 segment of `payload` right
// after its APP0.
Bytes withApp1(const Bytes& plain, const Bytes& payload) {
    const std::size_t app0End = 4 + (std::size_t{plain[4]} << 8 | plain[5]);
    Bytes out(plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(app0End));
    const std::size_t length = payload.size() + 2;
    out.insert(out.end(), {0xFF, 0xE1, static_cast<std::uint8_t>(length >> 8),
                           static_cast<std::uint8_t>(length & 0xFF)});
    out.insert(out.end(), payload.begin(), payload.end());
    out.insert(out.end(), plain.begin() + static_cast<std::ptrdiff_t>(app0End), plain.end());
    return out;
}

// A PNG chunk with its length and CRC.
void appendChunk(Bytes& png, const char* type, const Bytes& data) {
    Bytes chunk(type, type + 4);
    chunk.insert(chunk.end(), data.begin(), data.end());
    const auto crc = static_cast<std::uint32_t>(crc32(0, chunk.data(), static_cast<uInt>(chunk.size())));
    for (const std::uint32_t v : {static_cast<std::uint32_t>(data.size())}) {
        png.insert(png.end(), {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
                               static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)});
    }
    png.insert(png.end(), chunk.begin(), chunk.end());
    png.insert(png.end(), {static_cast<std::uint8_t>(crc >> 24), static_cast<std::uint8_t>(crc >> 16),
                           static_cast<std::uint8_t>(crc >> 8), static_cast<std::uint8_t>(crc)});
}

// plain.png with an XMP packet of about `size` bytes in an iTXt chunk;
// `broken` leaves its elements unclosed, which the XMP parser refuses.
Bytes pngWithXmp(const Bytes& plain, std::size_t size, bool broken = false) {
    const std::string head =
        "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?><x:xmpmeta xmlns:x='adobe:ns:meta/'>"
        "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
        "rdf:about='' xmlns:dc='http://purl.org/dc/elements/1.1/'><dc:format>";
    const std::string tail = "</dc:format></rdf:Description></rdf:RDF></x:xmpmeta><?xpacket end='w'?>";
    Bytes data;
    for (const char c : std::string_view("XML:com.adobe.xmp\0\0\0\0\0", 22)) {
        data.push_back(static_cast<std::uint8_t>(c));
    }
    data.insert(data.end(), head.begin(), head.end());
    data.resize(data.size() + size, 'x');
    if (!broken) {
        data.insert(data.end(), tail.begin(), tail.end());
    }
    Bytes png(plain.begin(), plain.end() - 12);  // without IEND
    appendChunk(png, "iTXt", data);
    appendChunk(png, "IEND", {});
    return png;
}

// Hostile metadata never stops a picture: it is written, and whatever is
// kept is what Exiv2 could read cleanly and wrote anew; what it could not
// read is left out with a reason.
TEST_F(KeptMetadata, HostileMetadataNeverStopsAPicture) {
    const Bytes plainJpeg = test::readFileBytes(file("plain.jpg"));
    struct Case {
        std::string name;
        Bytes file;
        const char* extension;
    };
    std::vector<Case> cases;
    for (const test::HostileCase& h : test::kHostile) {
        const Bytes f = h.file();
        if (f.size() < 12 || f[2] != 0xFF || f[3] != 0xE1) {
            continue;  // no APP1 segment to carry over
        }
        // The payload as far as its length reaches, or to the file's end.
        const std::size_t end = std::min(f.size(), 4 + (std::size_t{f[4]} << 8 | f[5]));
        cases.push_back({h.name, withApp1(plainJpeg, Bytes(f.begin() + 6, f.begin() + static_cast<std::ptrdiff_t>(end))), ".jpg"});
    }
    Bytes garbage(60 * 1024);
    garbage[0] = 'E', garbage[1] = 'x', garbage[2] = 'i', garbage[3] = 'f';
    for (std::size_t i = 6; i < garbage.size(); ++i) {
        garbage[i] = static_cast<std::uint8_t>((i * 2654435761U) >> 13);
    }
    cases.push_back({"Garbage60KB", withApp1(plainJpeg, garbage), ".jpg"});
    cases.push_back({"Xmp10MB", pngWithXmp(test::readFileBytes(file("plain.png")), 10 * 1024 * 1024), ".png"});

    int stripped = 0;
    for (const Case& c : cases) {
        const std::string source = file("hostile-" + c.name + c.extension);
        test::writeFileBytes(source, c.file);
        const PictureResult r = run(source, MetadataChoice::Keep, "hostile-" + c.name);
        // The other formats read the same metadata the same way: the same
        // picture written, with the same notes.
        for (const OutputFormatId format : {OutputFormatId::WebP, OutputFormatId::Avif}) {
            const PictureResult other = run(source, MetadataChoice::Keep, "hostile-" + c.name, format);
            EXPECT_EQ(other.status, r.status) << c.name << ": " << other.reason;
            EXPECT_EQ(other.notes, r.notes) << c.name;
        }
        ASSERT_EQ(r.status, PictureStatus::Written) << c.name << ": " << r.reason;
        EXPECT_TRUE(test::decodesCompletely(r.target)) << c.name;
        const Bytes out = test::readFileBytes(r.target);
        const auto markers = markersOf(out);
        const bool hasApp1 = std::find(markers.begin(), markers.end(), 0xE1) != markers.end();
        if (!r.notes.empty()) {
            ++stripped;
            EXPECT_EQ(r.notes.front().rfind("Metadaten entfernt: ", 0), 0U) << r.notes.front();
            EXPECT_FALSE(hasApp1) << c.name;
        } else if (hasApp1) {
            // What was kept reads without a warning about its structure.
            const auto check = test::runCommand("exiftool -warning -a " + test::shellQuote(r.target));
            EXPECT_EQ(check.output.find("Warning"), std::string::npos) << c.name << ": " << check.output;
        }
        std::printf("[ hostile  ] %-30s %s\n", c.name.c_str(),
                    r.notes.empty() ? (hasApp1 ? "kept, clean" : "nothing to keep") : r.notes.front().c_str());
    }
    // The garbage and the oversized packet at least are named.
    EXPECT_GE(stripped, 2);
}

// The packet's size is known before anything parses it: a packet too large
// that is broken XML as well is refused for its size, which says that the
// parser never saw it (it would have failed on the XML first, holding the
// XMP toolkit's lock all the while).
TEST_F(KeptMetadata, AnXmpPacketTooLargeIsRefusedBeforeItIsParsed) {
    const Bytes plain = test::readFileBytes(file("plain.png"));
    for (const bool broken : {false, true}) {
        const std::string name = broken ? "xmp-2mb-broken" : "xmp-2mb";
        test::writeFileBytes(file(name + ".png"), pngWithXmp(plain, 2 * 1024 * 1024, broken));
        const PictureResult r = run(file(name + ".png"), MetadataChoice::Keep, name);
        ASSERT_EQ(r.status, PictureStatus::Written) << r.reason;
        ASSERT_EQ(r.notes.size(), 1U) << name;
        EXPECT_EQ(r.notes.front(), "Metadaten entfernt: XMP-Paket zu groß (2048 KB, höchstens 1024 KB)")
            << name;
    }
}

// Where each format keeps its XMP, found without parsing it: a packet of a
// known size written by exiftool into each, against none.
TEST_F(KeptMetadata, XmpBlocksAreFoundInEveryFormat) {
    struct Case {
        const char* name;
        const char* from;
        PictureFormat format;
        std::size_t packet;  // bytes of description in the packet; 0 for no XMP
    };
    const Case cases[] = {
        {"xmp.jpg", "plain.jpg", PictureFormat::Jpeg, 30000},
        {"xmp.png", "plain.png", PictureFormat::Png, 200000},
        {"xmp.tif", "p3.tif", PictureFormat::Tiff, 200000},
        {"xmp.webp", "plain.png", PictureFormat::Webp, 200000},
        {"bare.jpg", "plain.jpg", PictureFormat::Jpeg, 0},
        {"bare.png", "plain.png", PictureFormat::Png, 0},
    };
    for (const Case& c : cases) {
        const std::string path = file(c.name);
        std::string make = c.format == PictureFormat::Webp
                               ? "cwebp -quiet -lossless " + test::shellQuote(file(c.from)) + " -o "
                               : "cp " + test::shellQuote(file(c.from)) + " ";
        make += test::shellQuote(path);
        if (c.packet > 0) {
            test::writeText(file("description.txt"), std::string(c.packet, 'd'));
            make += " && exiftool -q -q -overwrite_original '-XMP-dc:Description<=" +
                    file("description.txt") + "' " + test::shellQuote(path);
        }
        const auto made = test::runCommand(make);
        ASSERT_EQ(made.exitCode, 0) << c.name << ": " << made.output;
        const RegularFile f(path);
        ASSERT_TRUE(f.isOpen()) << f.problem();
        const std::uint64_t bytes = xmpBlockBytes(f.fd(), c.format);
        EXPECT_GE(bytes, c.packet) << c.name;
        EXPECT_LE(bytes, c.packet + 8192) << c.name;
        EXPECT_EQ(bytes == 0, c.packet == 0) << c.name;
    }
}

TEST(InsertMetadata, RefusesAFileWithoutJfifHead) {
    Bytes notJfif = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x04, 0x00, 0x00, 0xFF, 0xD9};
    const Bytes before = notJfif;
    MetadataSegments s;
    s.exif = {'E', 'x', 'i', 'f', 0, 0};
    const Result<void> refused = insertMetadata(notJfif, s);
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.reason(), "Metadaten entfernt: JPEG ohne JFIF-Kopf");
    EXPECT_EQ(notJfif, before);
    Bytes truncatedApp0 = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x40, 0x4A};
    EXPECT_FALSE(insertMetadata(truncatedApp0, s));
}

}  // namespace
}  // namespace vendrik
