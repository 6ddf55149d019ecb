// vendrik-cli over files made to break it: colour profiles whose curves
// overflow or whose kind does not fit the picture, location hidden in every
// corner of the metadata, HEIF metadata, names that are not UTF-8. Each
// picture is written, and what became of it is said on standard error and
// in its JSON notes, -q or not.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>

#include "imaging/picture_loader.h"
#include "support/cli_runs.h"

namespace vendrik {
namespace {

// What one run printed, standard output and standard error apart.
struct RunOutput {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class HostileFiles : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<TempDir>();
        const std::string d = shellQuote(s_dir->path().string());
        for (const char* script : {"/imaging/make_colour_pictures.py",
                                   "/optimiser/make_location_pictures.py"}) {
            const auto r = runCommand("/usr/bin/python3 " +
                                      shellQuote(std::string(VENDRIK_TEST_SOURCE) + script) + " " + d);
            ASSERT_EQ(r.exitCode, 0) << script << "\n" << r.output;
        }
        // heif-enc keeps the profile of a PNG, and that of a JPEG (libpng
        // would drop a grey profile on a colour PNG).
        const auto made = runCommand(
            "cd " + d + " && heif-enc -q 90 overflow.png -o overflow.heic >/dev/null && "
            "heif-enc -q 90 grey-on-colour.jpg -o grey-on-colour.heic >/dev/null && "
            "heif-enc -q 80 plain.png -o phone.heic >/dev/null && "
            "heif-enc -A -q 80 plain.png -o phone.avif >/dev/null && "
            "exiftool -q -q -overwrite_original -Make=Apple '-Model=iPhone 12' "
            "'-DateTimeOriginal=2024:05:01 10:00:00' '-Copyright=Erika Muster' "
            "-GPSLatitude=52.5163 -GPSLatitudeRef=N '-XMP-dc:Rights=Erika Muster' "
            "-XMP-photoshop:City=Berlin phone.heic phone.avif && "
            // Outputs are named after the source without its ending: one
            // name for each format, so that one run takes them all.
            "for f in overflow.* grey-on-colour.* location.jpg location.png location.tif "
            "location.webp location.heic; do cp \"$f\" \"${f%.*}-${f##*.}.${f##*.}\"; done");
        ASSERT_EQ(made.exitCode, 0) << made.output;
    }
    static void TearDownTestSuite() { s_dir.reset(); }
    static std::string file(const std::string& name) { return s_dir->file(name); }

    // vendrik-cli optimise in the folder, at the pictures' own size, into
    // `out` (made fresh).
    static RunOutput optimise(const std::string& out, const std::string& args) {
        const std::string d = shellQuote(s_dir->path().string());
        // runCommand joins standard error to the output, but not inside
        // the braces.
        const auto r = runCommand("cd " + d + " && rm -rf " + shellQuote(out) + " && mkdir " +
                                  shellQuote(out) + " && { " + cli() +
                                  " optimise --no-settings --size original -o " + shellQuote(out) +
                                  " " + args + " 2>stderr.txt; }");
        const auto err = test::readFileBytes(file("stderr.txt"));
        return {r.exitCode, r.output, std::string(err.begin(), err.end())};
    }

    // exiftool's view of a file, one tag a line with its group, without
    // exiftool's and the file system's own.
    static std::string exiftoolAll(const std::string& path) {
        const auto r = runCommand("exiftool -a -G1 -s " + shellQuote(path));
        std::string kept;
        std::size_t start = 0;
        while (start < r.output.size()) {
            const std::size_t end = std::min(r.output.find('\n', start), r.output.size());
            const std::string line = r.output.substr(start, end - start);
            if (line.rfind("[ExifTool]", 0) != 0 && line.rfind("[System]", 0) != 0 &&
                line.rfind("[File]", 0) != 0) {
                kept += line + "\n";
            }
            start = end + 1;
        }
        return kept;
    }

private:
    static std::unique_ptr<TempDir> s_dir;
};
std::unique_ptr<TempDir> HostileFiles::s_dir;

// The JSON lines of a run, by source, each as jq's compact form of its notes.
std::map<std::string, std::string> notesBySource(const std::string& jsonLines, const TempDir& dir) {
    test::writeText(dir.file("r.jsonl"), jsonLines);
    const auto r = runCommand("jq -r '.source + \"\\t\" + .status + \" \" + (.notes | tojson)' " +
                              shellQuote(dir.file("r.jsonl")));
    EXPECT_EQ(r.exitCode, 0) << r.output;
    std::map<std::string, std::string> out;
    std::size_t start = 0;
    while (start < r.output.size()) {
        const std::size_t end = std::min(r.output.find('\n', start), r.output.size());
        const std::string line = r.output.substr(start, end - start);
        const std::size_t tab = line.find('\t');
        if (tab != std::string::npos) {
            out[line.substr(0, tab)] = line.substr(tab + 1);
        }
        start = end + 1;
    }
    return out;
}

// The crash: a profile whose tone curve overflows to infinity made the
// conversion index its table with NaN. Every format that carries a profile,
// two jobs at once, one sound picture among them; and from standard input.
TEST_F(HostileFiles, AProfileThatOverflowsIsIgnoredInEveryFormat) {
    const RunOutput r = optimise("out-overflow", "-q -j2 --json overflow-jpg.jpg overflow-png.png "
                                           "overflow-tif.tif overflow-webp.webp overflow-heic.heic "
                                           "plain.jpg");
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    const char* const note = "Farbprofil mit unbrauchbarer Tonkurve, ignoriert";
    TempDir scratch;
    const auto notes = notesBySource(r.out, scratch);
    ASSERT_EQ(notes.size(), 6U) << r.out;
    for (const char* name : {"overflow-jpg.jpg", "overflow-png.png", "overflow-tif.tif",
                             "overflow-webp.webp", "overflow-heic.heic"}) {
        EXPECT_EQ(notes.at(name), "written [\"" + std::string(note) + "\"]") << name;
        // -q silences progress, not what became of a picture.
        EXPECT_NE(r.err.find(std::string(name) + ": " + note), std::string::npos) << r.err;
    }
    EXPECT_EQ(notes.at("plain.jpg"), "written []");

    const auto piped = runCommand("cd " + shellQuote(file("")) + " && " + cli() +
                                  " optimise --no-settings -q --size original - -o - < overflow.jpg > "
                                  "piped.jpg 2>piped.txt; echo $?; cat piped.txt");
    EXPECT_EQ(piped.output, "0\nvendrik-cli optimise: -: " + std::string(note) + "\n");
    EXPECT_TRUE(test::decodesCompletely(file("piped.jpg")));
}

// The average difference between a picture's channels: 0 for grey.
long colourSpread(const std::string& path) {
    const Result<LoadedPicture> p = loadPicture(path);
    EXPECT_TRUE(p) << path << ": " << p.reason();
    if (!p || p->pixels.width() == 0) {
        return 0;
    }
    long spread = 0;
    for (int y = 0; y < p->pixels.height(); ++y) {
        for (int x = 0; x < p->pixels.width(); ++x) {
            const Bgr c = p->pixels.pixel(x, y);
            spread += std::abs(c.r - c.g) + std::abs(c.g - c.b);
        }
    }
    return spread / (static_cast<long>(p->pixels.width()) * p->pixels.height());
}

// A grey profile on a colour picture turned it grey, silently. Now the
// profile is ignored with a note and the colours stay; a grey picture with
// its grey profile is still converted, without a note.
TEST_F(HostileFiles, AGreyProfileOnAColourPictureIsIgnored) {
    const char* const sources[] = {"grey-on-colour-jpg.jpg", "grey-on-colour-tif.tif",
                                   "grey-on-colour-webp.webp", "grey-on-colour-heic.heic"};
    std::string args = "-q --json grey-gamma.jpg";
    for (const char* name : sources) {
        args += std::string(" ") + name;
    }
    const RunOutput r = optimise("out-grey", args);
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    TempDir scratch;
    const auto notes = notesBySource(r.out, scratch);
    for (const char* name : sources) {
        EXPECT_EQ(notes.at(name),
                  "written [\"Farbprofil (Graustufen) passt nicht zum Farbbild, ignoriert\"]")
            << name;
        const std::string stem(name, std::string_view(name).rfind('.'));
        // The pattern's colours, not the few levels JPEG's chroma rounding
        // leaves in a grey picture.
        EXPECT_GT(colourSpread(file("out-grey/" + stem + "_new.jpg")), 40) << name;
    }
    EXPECT_EQ(notes.at("grey-gamma.jpg"), "written []");
    EXPECT_LT(colourSpread(file("out-grey/grey-gamma_new.jpg")), 3);
}

// Every place the location pictures hold is spelt with one of these
// (make_location_pictures.py).
constexpr const char* kPlaces[] = {"Berlin", "Deutschland", "Potsdam", "Pariser",
                                   "Brandenburger", "52.516", "13.377", "52 deg", "13 deg"};

bool containsIgnoringCase(std::string text, std::string word) {
    const auto lower = [](std::string& s) {
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    };
    lower(text);
    lower(word);
    return text.find(word) != std::string::npos;
}

// "behalten ohne GPS" left a maker note's place fields, geo:Lat/Long,
// dc:coverage and a drone maker's GPSLongtitude behind. Now only what is
// known to carry no place stays: what exiftool finds in the outputs names
// no place, in any group, and camera, date and copyright are there.
TEST_F(HostileFiles, KeepingWithoutLocationLeavesNoPlace) {
    const RunOutput r = optimise("out-no-gps", "-q --metadata keep-no-gps location-jpg.jpg "
                                          "location-png.png location-tif.tif location-webp.webp "
                                          "location-heic.heic");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* name : {"location-jpg.jpg", "location-png.png", "location-tif.tif",
                             "location-webp.webp", "location-heic.heic"}) {
        const std::string source = exiftoolAll(file(name));
        ASSERT_TRUE(containsIgnoringCase(source, "Berlin")) << source;
        const std::string stem(name, std::string_view(name).rfind('.'));
        const std::string out = exiftoolAll(file("out-no-gps/" + stem + "_new.jpg"));
        for (const char* place : kPlaces) {
            EXPECT_FALSE(containsIgnoringCase(out, place)) << name << ": " << place << "\n" << out;
        }
        for (const char* group : {"[GPS]", "[Panasonic]", "[XMP-geo]", "[XMP-drone-dji]",
                                  "[XMP-iptcExt]", "Coverage", "GPS"}) {
            EXPECT_EQ(out.find(group), std::string::npos) << name << ": " << group << "\n" << out;
        }
        // What the user keeps metadata for.
        for (const char* kept : {"Make", "Model", "DateTimeOriginal", "Rights", "Rating"}) {
            EXPECT_NE(out.find(kept), std::string::npos) << name << ": " << kept << "\n" << out;
        }
    }
    const std::string jpeg = exiftoolAll(file("out-no-gps/location-jpg_new.jpg"));
    for (const char* line : {"[IFD0]          Copyright                       : Erika Muster",
                             "[ExifIFD]       DateTimeOriginal                : 2024:05:01 10:00:00",
                             "[IPTC]          CopyrightNotice                 : Erika Muster",
                             "[XMP-iptcCore]  CreatorWorkEmail                : erika@example.org"}) {
        EXPECT_NE(jpeg.find(line), std::string::npos) << line << "\n" << jpeg;
    }
    // "behalten" keeps the maker note, places and all.
    const RunOutput kept = optimise("out-keep", "-q --metadata keep location.jpg");
    ASSERT_EQ(kept.exitCode, 0) << kept.err;
    EXPECT_NE(exiftoolAll(file("out-keep/location_new.jpg")).find("[Panasonic]     City"),
              std::string::npos);
}

// A HEIC's or AVIF's own EXIF and XMP, read from its items: before, Exiv2
// took the file for a QuickTime film and its output described our file
// descriptor instead ("FileName /proc/self/fd/3", "video/quicktime").
TEST_F(HostileFiles, HeifMetadataComesFromItsItems) {
    for (const char* name : {"phone.heic", "phone.avif"}) {
        for (const char* choice : {"keep", "keep-no-gps"}) {
            const RunOutput r = optimise("out-heif", std::string("-q --json --metadata ") + choice + " " + name);
            ASSERT_EQ(r.exitCode, 0) << r.err;
            EXPECT_NE(r.out.find("\"notes\":[]"), std::string::npos) << r.out;
            const std::string out = exiftoolAll(file("out-heif/phone_new.jpg"));
            const bool place = std::string(choice) == "keep";
            for (const char* line : {"[IFD0]          Make                            : Apple",
                                     "[IFD0]          Model                           : iPhone 12",
                                     "[IFD0]          Copyright                       : Erika Muster",
                                     "[ExifIFD]       DateTimeOriginal                : 2024:05:01 10:00:00",
                                     "[XMP-dc]        Rights                          : Erika Muster"}) {
                EXPECT_NE(out.find(line), std::string::npos) << name << " " << choice << ": " << line
                                                             << "\n" << out;
            }
            EXPECT_EQ(out.find("[GPS]           GPSLatitude ") != std::string::npos, place)
                << name << " " << choice << "\n" << out;
            EXPECT_EQ(out.find("[XMP-photoshop] City                            : Berlin") !=
                          std::string::npos,
                      place)
                << name << " " << choice << "\n" << out;
            for (const char* bogus : {"XMP-video", "/proc/self/fd", "quicktime"}) {
                EXPECT_EQ(out.find(bogus), std::string::npos) << name << ": " << bogus << "\n" << out;
            }
        }
    }
}

// A name that is not UTF-8 (an old archive's Latin-1) is named exactly in
// the JSON: readable in source, byte for byte in source_bytes.
TEST_F(HostileFiles, ANameThatIsNotUtf8IsNamedExactly) {
    const std::string latin1 = "bild-\xE4.bmp";
    test::writeBmp(file(latin1), 40, 30, 3);
    const RunOutput r = optimise("out-latin1", "-q --json " + shellQuote(latin1));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    TempDir scratch;
    test::writeText(scratch.file("r.json"), r.out);
    const auto source = runCommand("jq -j .source_bytes " + shellQuote(scratch.file("r.json")) +
                                   " | base64 -d");
    EXPECT_EQ(source.output, latin1);
    const auto target = runCommand("jq -j .target_bytes " + shellQuote(scratch.file("r.json")) +
                                   " | base64 -d");
    EXPECT_EQ(target.output, "out-latin1/bild-\xE4_new.jpg");
}

}  // namespace
}  // namespace vendrik
