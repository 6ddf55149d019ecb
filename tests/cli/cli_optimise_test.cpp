// `vendrik-cli optimise` from outside: usage, folders, hostile input, the
// upright phone photo and the quality of the reduction against ImageMagick.

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "imaging/pnm_reader.h"
#include "support/cli_runs.h"

namespace vendrik {
namespace {

test::CommandResult optimise(const std::string& args) {
    return runCommand(test::cli() + " optimise " + args);
}

void python(const std::string& code) {
    const auto r = runCommand("/usr/bin/python3 -c " + shellQuote(code));
    ASSERT_EQ(r.exitCode, 0) << r.output;
}

// A small photograph-like JPEG (a smooth gradient with texture).
void makeJpeg(const std::string& path, int w, int h, int seed = 0) {
    python("from PIL import Image, ImageFilter\n"
           "import random\n"
           "random.seed(" + std::to_string(seed) + ")\n"
           "w, h = " + std::to_string(w) + ", " + std::to_string(h) + "\n"
           "img = Image.radial_gradient('L').resize((w, h)).convert('RGB')\n"
           "img = Image.merge('RGB', (img.getchannel(0), Image.linear_gradient('L').resize((w, h)), "
           "img.getchannel(2).point(lambda v: 255 - v)))\n"
           "img.save('" + path + "', format='JPEG', quality=90)\n");
}

struct UsageCase {
    const char* name;
    const char* args;
    const char* message;
};

class OptimiseUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(OptimiseUsage, BadUsageExitsTwoWithAReason) {
    const auto r = optimise(GetParam().args);
    EXPECT_EQ(r.exitCode, 2) << r.output;
    EXPECT_NE(r.output.find(GetParam().message), std::string::npos) << r.output;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OptimiseUsage,
    ::testing::Values(UsageCase{"NoInput", "", "keine Datei"},
                      UsageCase{"QualityTooLow", "--quality 39 x.jpg", "40 bis 95"},
                      UsageCase{"QualityTooHigh", "--quality 96 x.jpg", "40 bis 95"},
                      UsageCase{"QualityNotANumber", "--quality 8O x.jpg", "40 bis 95"},
                      UsageCase{"OwnSizeIndex", "--size 10 x.jpg", "Index 0 bis 9"},
                      UsageCase{"SizeZero", "--size 0x640 x.jpg", "zwischen 1 und"},
                      UsageCase{"SizeWords", "--size gross x.jpg", "--size erwartet"},
                      UsageCase{"Sampling", "--sampling 422 x.jpg", "444 oder 420"},
                      UsageCase{"Compression", "--compression stark x.jpg",
                                "--compression erwartet standard oder strong, nicht 'stark'"},
                      UsageCase{"Preset", "--preset Druck x.jpg", "Website, eMail"},
                      UsageCase{"TagPreset", "--tag-preset huge x.jpg", "eMail, web"},
                      UsageCase{"TagWithSlash", "--tag a/b x.jpg", "Schrägstrich"},
                      UsageCase{"Jobs", "--jobs 0 x.jpg", "1 bis 256"},
                      UsageCase{"MissingValue", "x.jpg --out", "--out erwartet"},
                      UsageCase{"Unknown", "--fast x.jpg", "unbekannte Option '--fast'"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Optimise, HelpIsGerman) {
    const auto r = optimise("--help");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.output.find("Gleicher Pfad wie Quell-Bild"), std::string::npos);
}

TEST(Optimise, FolderMeansItsListedPicturesAndNamesFollowTheOptions) {
    TempDir dir;
    fs::create_directory(dir.path() / "in");
    makeJpeg(dir.file("in/Urlaub.JPEG"), 64, 48);
    makeJpeg(dir.file("in/notiz.txt"), 64, 48);   // a picture, but not listed
    makeJpeg(dir.file("in/scan.tiff"), 64, 48);   // listed, and named twice: once
    const auto r = optimise("--quiet --size '480 x 640' --tag-preset Bildgröße --tag-first " +
                            shellQuote(dir.file("in")) + " " + shellQuote(dir.file("in/scan.tiff")));
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(fs::exists(dir.path() / "in/480x640_Urlaub.jpg"));  // the whole ending goes
    EXPECT_TRUE(fs::exists(dir.path() / "in/480x640_scan.jpg"));
    EXPECT_FALSE(fs::exists(dir.path() / "in/480x640_notiz.jpg"));
}

TEST(Optimise, SkipExistingKeepsTheOldFileAndReplacingIsTheDefault) {
    TempDir dir;
    makeJpeg(dir.file("a.jpg"), 64, 48);
    const std::string target = dir.file("a_new.jpg");
    test::writeFileBytes(target, {'o', 'l', 'd'});
    auto r = optimise("--skip-existing " + shellQuote(dir.file("a.jpg")));
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("0 geschrieben, 1 übersprungen, 0 fehlgeschlagen"), std::string::npos) << r.output;
    EXPECT_EQ(test::readFileBytes(target).size(), 3U);
    r = optimise(shellQuote(dir.file("a.jpg")));
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("1 geschrieben"), std::string::npos) << r.output;
    EXPECT_GT(test::readFileBytes(target).size(), 3U);
}

TEST(Optimise, PhonePhotoWithOrientationSixComesOutUpright) {
    TempDir dir;
    const std::string src = dir.file("handy.jpg");
    // Upright 3000 × 4000: red top half, blue bottom half; stored turned a
    // quarter anticlockwise (4000 × 3000) with Orientation 6 to undo it.
    python("from PIL import Image\n"
           "up = Image.new('RGB', (3000, 4000), (0, 0, 255))\n"
           "up.paste((255, 0, 0), (0, 0, 3000, 2000))\n"
           "up.paste((0, 255, 0), (0, 0, 300, 2000))\n"  // green at the top left
           "exif = Image.Exif(); exif[0x0112] = 6\n"
           "up.transpose(Image.Transpose.ROTATE_90).save('" + src + "', quality=90, exif=exif.tobytes())\n");
    const auto r = optimise("--quiet --size '1024 x 1280' " + shellQuote(src));
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const std::string ppm = dir.file("out.ppm");
    ASSERT_EQ(runCommand("djpeg -outfile " + shellQuote(ppm) + " " + shellQuote(dir.file("handy_new.jpg"))).exitCode, 0);
    const auto out = readPnm(ppm);
    ASSERT_TRUE(out) << out.reason();
    ASSERT_EQ(out->surface.width(), 768);
    ASSERT_EQ(out->surface.height(), 1024);
    const Bgr topLeft = out->surface.pixel(20, 20);
    const Bgr topRight = out->surface.pixel(700, 20);
    const Bgr bottom = out->surface.pixel(384, 1000);
    EXPECT_GT(topLeft.g, 200);
    EXPECT_GT(topRight.r, 200);
    EXPECT_LT(topRight.b, 50);
    EXPECT_GT(bottom.b, 200);
    EXPECT_LT(bottom.r, 50);
}

double psnr(const Surface& a, const Surface& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const Bgr p = a.pixel(x, y);
            const Bgr q = b.pixel(x, y);
            sum += (p.b - q.b) * (p.b - q.b) + (p.g - q.g) * (p.g - q.g) + (p.r - q.r) * (p.r - q.r);
        }
    }
    const double mse = sum / (3.0 * a.width() * a.height());
    return 10 * std::log10(255.0 * 255.0 / mse);
}

TEST(Optimise, ReductionAtQuality95IsCloseToABoxFilter) {
    TempDir dir;
    // A photograph-like texture: ImageMagick's plasma fractal, softened.
    const std::string src = dir.file("foto.jpg");
    auto r = runCommand("/usr/bin/convert -seed 7 -size 1600x1200 plasma:fractal -blur 0x1.5 -quality 95 " +
                        shellQuote(src));
    ASSERT_EQ(r.exitCode, 0) << r.output;
    r = optimise("--quiet --quality 95 --size '480 x 640' " + shellQuote(src));
    ASSERT_EQ(r.exitCode, 0) << r.output;
    ASSERT_EQ(runCommand("djpeg -outfile " + shellQuote(dir.file("ours.ppm")) + " " +
                         shellQuote(dir.file("foto_new.jpg"))).exitCode, 0);
    ASSERT_EQ(runCommand("/usr/bin/convert " + shellQuote(src) + " -filter Box -resize '640x480!' " +
                         shellQuote(dir.file("ref.ppm"))).exitCode, 0);
    const auto ours = readPnm(dir.file("ours.ppm"));
    const auto ref = readPnm(dir.file("ref.ppm"));
    ASSERT_TRUE(ours && ref) << ours.reason() << ref.reason();
    ASSERT_EQ(ours->surface.width(), 640);
    ASSERT_EQ(ours->surface.height(), 480);
    const double db = psnr(ours->surface, ref->surface);
    RecordProperty("psnr", std::to_string(db));
    EXPECT_GE(db, 36.0);
}

TEST(Optimise, HostileFilesAreReportedAndTheRestIsWritten) {
    TempDir dir;
    fs::create_directory(dir.path() / "in");
    makeJpeg(dir.file("in/gut1.jpg"), 80, 60, 1);
    makeJpeg(dir.file("in/gut2.png"), 80, 60, 2);  // a JPEG under a PNG name
    auto jpeg = test::readFileBytes(dir.file("in/gut1.jpg"));
    test::writeFileBytes(dir.file("in/leer.jpg"), {});
    test::writeFileBytes(dir.file("in/text.gif"), {'G', 'I', 'F', '?', '\n'});
    jpeg.resize(jpeg.size() / 2);
    test::writeFileBytes(dir.file("in/halb.jpg"), jpeg);
    // A BMP header claiming 60000 × 60000 pixels.
    std::vector<std::uint8_t> bmp(54, 0);
    bmp[0] = 'B';
    bmp[1] = 'M';
    bmp[14] = 40;
    bmp[18] = bmp[22] = 0x60;
    bmp[19] = bmp[23] = 0xEA;
    bmp[26] = 1;
    bmp[28] = 24;
    test::writeFileBytes(dir.file("in/riesig.bmp"), bmp);
    const bool root = ::geteuid() == 0;
    test::writeFileBytes(dir.file("in/gesperrt.tif"), {'I', 'I', '*', 0});
    ::chmod(dir.file("in/gesperrt.tif").c_str(), 0);

    // The same reasons whatever the output format: every refusal comes
    // before the encoder.
    for (const std::string format : {"jpeg", "webp", "avif"}) {
        const std::string out = dir.file("out-" + format);
        fs::create_directory(out);
        const auto r = optimise("--quiet --jobs 2 --format " + format + " --out " +
                                shellQuote(out) + " " + shellQuote(dir.file("in")));
        EXPECT_EQ(r.exitCode, 1) << format << r.output;
        const std::vector<std::pair<const char*, const char*>> reported = {
            {"leer.jpg: Datei ist leer", ""},
            {"text.gif: kein unterstütztes Bildformat", ""},
            {"halb.jpg: JPEG beschädigt oder abgeschnitten", ""},
            {"riesig.bmp: Bild zu groß", ""},
            {"gesperrt.tif: ", root ? "TIFF" : "keine Leseberechtigung"},
        };
        for (const auto& [line, detail] : reported) {
            const auto at = r.output.find(line);
            EXPECT_NE(at, std::string::npos) << format << ": " << line << "\n" << r.output;
            if (at != std::string::npos) {
                EXPECT_NE(r.output.find(detail, at), std::string::npos) << line;
            }
        }
        std::vector<std::string> written;
        for (const auto& e : fs::directory_iterator(out)) {
            written.push_back(e.path().filename().string());
        }
        std::sort(written.begin(), written.end());
        const std::string ending = format == "jpeg" ? ".jpg" : "." + format;
        EXPECT_EQ(written, (std::vector<std::string>{"gut1_new" + ending, "gut2_new" + ending}));
    }
}

// One error before any picture is read, not one per picture.
TEST(Optimise, MissingOrReadOnlyTargetFolderWritesNothing) {
    TempDir dir;
    makeJpeg(dir.file("a.jpg"), 64, 48);
    makeJpeg(dir.file("b.jpg"), 64, 48);
    const std::string both = shellQuote(dir.file("a.jpg")) + " " + shellQuote(dir.file("b.jpg"));
    auto r = optimise("--quiet --out " + shellQuote(dir.file("fehlt")) + " " + both);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.output,
              "vendrik-cli optimise: Zielordner " + dir.file("fehlt") + " nicht gefunden\n");
    EXPECT_FALSE(fs::exists(dir.path() / "fehlt"));
    fs::create_directory(dir.path() / "nur-lesen");
    ::chmod(dir.file("nur-lesen").c_str(), 0555);
    // Root writes into read-only folders; run as an ordinary user then.
    std::string asUser;
    if (::geteuid() == 0) {
        ::chmod(dir.path().c_str(), 0755);
        ::chmod(dir.file("a.jpg").c_str(), 0644);
        ::chmod(dir.file("b.jpg").c_str(), 0644);
        asUser = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    }
    r = runCommand(asUser + test::cli() + " optimise --quiet --out " +
                   shellQuote(dir.file("nur-lesen")) + " " + both);
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_EQ(r.output, "vendrik-cli optimise: Zielordner " + dir.file("nur-lesen") +
                            " ist schreibgeschützt\n");
    EXPECT_TRUE(fs::is_empty(dir.path() / "nur-lesen"));
}

}  // namespace
}  // namespace vendrik
