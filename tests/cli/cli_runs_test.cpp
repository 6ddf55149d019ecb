// Runs of `vendrik-cli optimise` and `encode` from outside: outputs that
// collide within a run, files named twice, folder trees, dry runs, standard
// input and output, and the messages around a run.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <map>

#include "support/cli_runs.h"

namespace vendrik {
namespace {

// optimise, run in `folder`, without the windows' settings file.
test::CommandResult optimiseIn(const TempDir& folder, const std::string& args) {
    return runCommand("cd " + shellQuote(folder.path().string()) + " && " + cli() +
                      " optimise --no-settings " + args);
}

void makeJpeg(const std::string& path, int w, int h, int seed) {
    const std::string bmp = path + ".src.bmp";
    test::writeBmp(bmp, w, h, seed);
    const auto r =
        runCommand("cjpeg -quality 90 -outfile " + shellQuote(path) + " " + shellQuote(bmp));
    ASSERT_EQ(r.exitCode, 0) << r.output;
    fs::remove(bmp);
}

// Every entry below `root` (relative path) with its modification time.
std::map<std::string, std::int64_t> snapshot(const fs::path& root) {
    std::map<std::string, std::int64_t> entries;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        struct stat st {};
        ::lstat(e.path().c_str(), &st);
        entries[fs::relative(e.path(), root).string()] =
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    }
    return entries;
}

std::vector<std::string> filesUnder(const fs::path& root) {
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (e.is_regular_file()) {
            names.push_back(fs::relative(e.path(), root).string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The bytes the picture gives when it is the only one of a run.
std::vector<std::uint8_t> aloneOutput(const std::string& source, const std::string& name) {
    TempDir alone;
    const auto r = optimiseIn(alone, "-q -o . " + shellQuote(source));
    EXPECT_EQ(r.exitCode, 0) << r.output;
    return test::readFileBytes(alone.file(name));
}

TEST(OptimiseCollisions, ALaterPictureNeverReplacesAnEarlierOutput) {
    TempDir dir;
    fs::create_directories(dir.path() / "a");
    fs::create_directories(dir.path() / "b");
    fs::create_directories(dir.path() / "out");
    makeJpeg(dir.file("a/bild.jpg"), 64, 48, 1);
    test::writeBmp(dir.file("a/bild.png"), 64, 48,
                   2);  // a BMP by its bytes; the name decides the output name
    makeJpeg(dir.file("a/bild.jpeg"), 64, 48, 3);
    makeJpeg(dir.file("b/bild.jpg"), 64, 48, 4);
    for (const char* jobs : {"1", "4"}) {
        SCOPED_TRACE(jobs);
        fs::remove_all(dir.path() / "out");
        fs::create_directory(dir.path() / "out");
        const auto r = optimiseIn(
            dir, std::string("-j") + jobs + " -o out a/bild.jpg a/bild.png a/bild.jpeg b/bild.jpg");
        EXPECT_EQ(r.exitCode, 1) << r.output;
        // "bild.jpeg" is named as "bild.jpg" is, so all three later
        // pictures meet the first one's output.
        EXPECT_NE(r.output.find("1 geschrieben, 0 übersprungen, 3 fehlgeschlagen"),
                  std::string::npos)
            << r.output;
        for (const char* later : {"a/bild.png", "a/bild.jpeg", "b/bild.jpg"}) {
            EXPECT_NE(r.output.find(std::string(later) +
                                    ": Zieldatei bild_new.jpg wurde in diesem Lauf schon aus "
                                    "a/bild.jpg geschrieben"),
                      std::string::npos)
                << r.output;
        }
        EXPECT_EQ(filesUnder(dir.path() / "out"), (std::vector<std::string>{"bild_new.jpg"}));
        EXPECT_EQ(test::readFileBytes(dir.file("out/bild_new.jpg")),
                  aloneOutput(dir.file("a/bild.jpg"), "bild_new.jpg"));
    }
}

TEST(OptimiseCollisions, AnOutputOfAnEarlierRunIsReplacedAsBefore) {
    TempDir dir;
    makeJpeg(dir.file("bild.jpg"), 64, 48, 1);
    test::writeText(dir.file("bild_new.jpg"), "alt");
    const auto r = optimiseIn(dir, "bild.jpg");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(test::readFileBytes(dir.file("bild_new.jpg")),
              aloneOutput(dir.file("bild.jpg"), "bild_new.jpg"));
}

TEST(OptimiseCollisions, AFileNamedTwiceIsProcessedOnce) {
    TempDir dir;
    fs::create_directories(dir.path() / "fotos");
    makeJpeg(dir.file("fotos/x.jpg"), 64, 48, 1);
    makeJpeg(dir.file("fotos/y.jpg"), 64, 48, 2);
    fs::create_directory_symlink(dir.path() / "fotos", dir.path() / "link");
    fs::create_directory(dir.path() / "out");
    const auto r = optimiseIn(
        dir, "-o out fotos fotos/ ./fotos link fotos/x.jpg fotos//x.jpg fotos/../fotos/y.jpg");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("2 geschrieben, 0 übersprungen, 0 fehlgeschlagen"), std::string::npos)
        << r.output;
    EXPECT_EQ(filesUnder(dir.path() / "out"), (std::vector<std::string>{"x_new.jpg", "y_new.jpg"}));
}

TEST(OptimiseCollisions, TiffPicturesOfAFolderAreTaken) {
    TempDir dir;
    fs::create_directories(dir.path() / "scans");
    const auto r0 = runCommand("convert -size 40x30 gradient:red-blue " +
                               shellQuote(dir.file("scans/seite.tiff")));
    ASSERT_EQ(r0.exitCode, 0) << r0.output;
    const auto r = optimiseIn(dir, "scans");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("1 geschrieben"), std::string::npos) << r.output;
    EXPECT_TRUE(fs::exists(dir.path() / "scans/seite_new.jpg"));
}

// in/ a.jpg, in/x/ b.bmp, in/x/y/ c.jpg: three levels.
void makeTree(const TempDir& dir) {
    fs::create_directories(dir.path() / "in/x/y");
    makeJpeg(dir.file("in/a.jpg"), 64, 48, 1);
    test::writeBmp(dir.file("in/x/b.bmp"), 48, 64, 2);
    makeJpeg(dir.file("in/x/y/c.jpg"), 50, 50, 3);
    test::writeText(dir.file("in/x/y/notiz.txt"), "kein Bild");
}

TEST(OptimiseRecursive, KeepsTheTreeUnderTheTargetFolder) {
    TempDir dir;
    makeTree(dir);
    fs::create_directory(dir.path() / "out");
    const auto r = optimiseIn(dir, "-r -o out in");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("3 geschrieben"), std::string::npos) << r.output;
    EXPECT_EQ(filesUnder(dir.path() / "out"),
              (std::vector<std::string>{"a_new.jpg", "x/b_new.jpg", "x/y/c_new.jpg"}));
    EXPECT_EQ(test::readFileBytes(dir.file("out/x/y/c_new.jpg")),
              aloneOutput(dir.file("in/x/y/c.jpg"), "c_new.jpg"));
}

TEST(OptimiseRecursive, PutsOutputsBesideTheirSourcesWithoutATargetFolder) {
    TempDir dir;
    makeTree(dir);
    const auto r = optimiseIn(dir, "--recursive in");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(filesUnder(dir.path() / "in"),
              (std::vector<std::string>{"a.jpg", "a_new.jpg", "x/b.bmp", "x/b_new.jpg", "x/y/c.jpg",
                                        "x/y/c_new.jpg", "x/y/notiz.txt"}));
}

TEST(OptimiseRecursive, ATargetFolderInsideTheTreeIsNoSource) {
    TempDir dir;
    makeTree(dir);
    fs::create_directory(dir.path() / "in/klein");
    for (int run = 0; run < 2; ++run) {
        const auto r = optimiseIn(dir, "-r -o in/klein in");
        EXPECT_EQ(r.exitCode, 0) << r.output;
        EXPECT_NE(r.output.find("3 geschrieben, 0 übersprungen, 0 fehlgeschlagen"), std::string::npos)
            << r.output;
    }
    EXPECT_EQ(filesUnder(dir.path() / "in/klein"),
              (std::vector<std::string>{"a_new.jpg", "x/b_new.jpg", "x/y/c_new.jpg"}));
}

TEST(OptimiseRecursive, WithoutItSubfoldersAreNamedNotEntered) {
    TempDir dir;
    makeTree(dir);
    const auto r = optimiseIn(dir, "in");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("1 Unterordner nicht einbezogen (-r bezieht sie ein)"),
              std::string::npos)
        << r.output;
    EXPECT_FALSE(fs::exists(dir.path() / "in/x/b_new.jpg"));
}

TEST(OptimiseRecursive, AnUnreadableSubfolderIsNamedAndFailsTheRun) {
    TempDir dir;
    makeTree(dir);
    ::chmod(dir.file("in/x").c_str(), 0);
    fs::create_directory(dir.path() / "out");
    ::chmod(dir.file("out").c_str(), 0777);
    // Root reads every folder; run as an ordinary user then.
    std::string asUser;
    if (::geteuid() == 0) {
        ::chmod(dir.path().c_str(), 0755);
        asUser = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    }
    const auto r = runCommand("cd " + shellQuote(dir.path().string()) + " && " + asUser + cli() +
                              " optimise --no-settings -rn -o out in");
    ::chmod(dir.file("in/x").c_str(), 0755);
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_NE(r.output.find("vendrik-cli optimise: in/x: Ordner nicht lesbar\n"), std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("1 würden geschrieben"), std::string::npos) << r.output;
}

TEST(OptimiseRecursive, AMissingTargetFolderIsOneErrorAndIsNotMade) {
    TempDir dir;
    makeTree(dir);
    test::writeText(dir.file("in/kaputt.jpg"), "kein JPEG");  // reading it would be reported
    const auto r = optimiseIn(dir, "-r -o out/neu in");
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_EQ(r.output, "vendrik-cli optimise: Zielordner out/neu nicht gefunden\n");
    EXPECT_FALSE(fs::exists(dir.path() / "out"));
}

TEST(OptimiseDryRun, WritesNothingAndTellsWhatItWould) {
    TempDir dir;
    makeTree(dir);
    fs::create_directory(dir.path() / "out");
    const auto before = snapshot(dir.path());
    ::sleep(1);  // a write now would show in the modification times
    auto r = optimiseIn(dir, "-rn -s0 -o out in");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(snapshot(dir.path()), before);
    EXPECT_NE(r.output.find("in/x/y/c.jpg → out/x/y/c_new.jpg (120 x 120, "), std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("3 würden geschrieben, 0 übersprungen, 0 fehlgeschlagen"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("(Probelauf, nichts geschrieben)"), std::string::npos) << r.output;
    // Beside the sources, with a collision.
    test::writeBmp(dir.file("in/a.png"), 64, 48, 9);
    const auto before2 = snapshot(dir.path());
    r = optimiseIn(dir, "--dry-run in");
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_EQ(snapshot(dir.path()), before2);
    EXPECT_NE(
        r.output.find("in/a.png: Zieldatei a_new.jpg wurde in diesem Lauf schon aus in/a.jpg"),
        std::string::npos)
        << r.output;
}

TEST(StandardStreams, APipeGivesTheBytesOfAFileRun) {
    TempDir dir;
    makeJpeg(dir.file("photo.jpg"), 300, 200, 5);
    const auto file = optimiseIn(dir, "-q -s 2 photo.jpg");
    ASSERT_EQ(file.exitCode, 0) << file.output;
    const auto expected = test::readFileBytes(dir.file("photo_new.jpg"));
    ASSERT_FALSE(expected.empty());

    const std::string cd = "cd " + shellQuote(dir.path().string()) + " && ";
    auto r = runCommand("bash -c " +
                        shellQuote(cd + "set -o pipefail; cat photo.jpg | " + cli() +
                                   " optimise --no-settings -s 2 - -o - | djpeg > /dev/null"));
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("1 geschrieben"), std::string::npos) << r.output;  // on stderr

    r = runCommand(cd + "{ cat photo.jpg | " + cli() +
                   " optimise --no-settings -v -s 2 - -o - > piped.jpg 2> meldungen.txt; }");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(test::readFileBytes(dir.file("piped.jpg")), expected);
    const auto messages = test::readFileBytes(dir.file("meldungen.txt"));
    EXPECT_NE(
        std::string(messages.begin(), messages.end()).find("- → Standardausgabe (640 x 427, "),
        std::string::npos);

    // A file name with -o -: also nothing but the JPEG.
    r = runCommand(cd + "{ " + cli() +
                   " optimise --no-settings -s 2 photo.jpg -o - > named.jpg; }");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(test::readFileBytes(dir.file("named.jpg")), expected);
    EXPECT_FALSE(fs::exists(dir.path() / "-"));
}

TEST(StandardStreams, RefusalsAndFailures) {
    TempDir dir;
    makeJpeg(dir.file("a.jpg"), 32, 24, 1);
    makeJpeg(dir.file("b.jpg"), 32, 24, 2);
    const std::string cd = "cd " + shellQuote(dir.path().string()) + " && ";
    // Two pictures cannot share standard output.
    auto r = runCommand(cd + "{ " + cli() + " optimise --no-settings -o - . > out.bin; }");
    EXPECT_EQ(r.exitCode, 2) << r.output;
    EXPECT_NE(r.output.find("genau ein Bild"), std::string::npos) << r.output;
    EXPECT_TRUE(test::readFileBytes(dir.file("out.bin")).empty());
    // Standard input without standard output has no name to write.
    r = runCommand(cd + "cat a.jpg | " + cli() + " optimise --no-settings -");
    EXPECT_EQ(r.exitCode, 2) << r.output;
    // Not a picture: a failure, and nothing on standard output.
    r = runCommand(cd + "{ echo kein Bild | " + cli() +
                   " optimise --no-settings - -o - > out.bin; }");
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_NE(r.output.find("vendrik-cli optimise: -: kein unterstütztes Bildformat"),
              std::string::npos)
        << r.output;
    EXPECT_TRUE(test::readFileBytes(dir.file("out.bin")).empty());
}

TEST(StandardStreams, EncodeReadsAndWritesThem) {
    TempDir dir;
    std::string ppm = "P6\n16 8\n255\n";
    for (int i = 0; i < 16 * 8 * 3; ++i) {
        ppm += static_cast<char>(i * 7);
    }
    test::writeText(dir.file("in.ppm"), ppm);
    const std::string cd = "cd " + shellQuote(dir.path().string()) + " && { " + cli();
    ASSERT_EQ(runCommand(cd + " encode -Q 70 in.ppm file.jpg; }").exitCode, 0);
    auto r = runCommand(cd + " encode -Q 70 - - < in.ppm > piped.jpg; }");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(test::readFileBytes(dir.file("piped.jpg")),
              test::readFileBytes(dir.file("file.jpg")));
    r = runCommand(cd + " encode --quality=70 in.ppm - > out.jpg; }");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(test::readFileBytes(dir.file("out.jpg")), test::readFileBytes(dir.file("file.jpg")));
    EXPECT_FALSE(fs::exists(dir.path() / "-"));
}

// --max-size between the sizes at quality 40 with 4:2:0 and with 4:4:4:
// without --sampling the slider's rule goes on at 4:2:0 and the file fits;
// an explicit --sampling 444 holds, and the file fits at 4:4:4 below 40.
TEST(OptimiseSizeLimit, AnExplicitSamplingHolds) {
    TempDir dir;
    test::writeBmp(dir.file("a.bmp"), 1600, 1200, 7);
    std::map<std::string, std::uintmax_t> at40;
    for (const std::string sampling : {"444", "420"}) {
        const auto r =
            optimiseIn(dir, "-q -Q 40 --sampling " + sampling + " --tag " + sampling + " a.bmp");
        ASSERT_EQ(r.exitCode, 0) << r.output;
        at40[sampling] = fs::file_size(dir.path() / ("a_" + sampling + ".jpg"));
    }
    ASSERT_GT(at40["444"], at40["420"] + 4096);
    const std::string limit = std::to_string((at40["444"] + at40["420"]) / 2 / 1024) + "K";
    const auto samplingOf = [&](const std::string& file) {
        return runCommand("identify -format '%[jpeg:sampling-factor]' " +
                          shellQuote(dir.file(file)))
            .output;
    };
    auto r = optimiseIn(dir, "-q --max-size " + limit + " --tag regel a.bmp");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(samplingOf("a_regel.jpg"), "2x2,1x1,1x1");
    r = optimiseIn(dir, "-q --max-size " + limit + " --sampling 444 --tag fest a.bmp");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(samplingOf("a_fest.jpg"), "1x1,1x1,1x1");
    EXPECT_LT(fs::file_size(dir.path() / "a_fest.jpg"), at40["444"]);
    EXPECT_LE(fs::file_size(dir.path() / "a_fest.jpg"),
              std::stoull(limit.substr(0, limit.size() - 1)) * 1024);
}

// --never-larger and --keep-dates over a small JPEG, which quality 95 would
// enlarge, and a large one, which the box reduces: the small one's own bytes
// are written, its JSON status says so and the summary counts it; every
// output has its source's date; -o - takes the options and dates nothing.
TEST(OptimiseOutputChoices, NeverLargerAndKeepDates) {
    TempDir dir;
    fs::create_directory(dir.path() / "out");
    makeJpeg(dir.file("klein.jpg"), 320, 240, 3);
    makeJpeg(dir.file("gross.jpg"), 2400, 1800, 4);
    for (const char* name : {"klein.jpg", "gross.jpg"}) {
        const auto r = runCommand("touch -d '2011-03-04 05:06:07.123456789' " +
                                  shellQuote(dir.file(name)));
        ASSERT_EQ(r.exitCode, 0) << r.output;
    }
    const std::string options = "-Q 95 --no-enlarge --never-larger --keep-dates -o out ";
    auto r = runCommand("cd " + shellQuote(dir.path().string()) + " && " + cli() +
                        " optimise --no-settings -q --json " + options +
                        "klein.jpg gross.jpg 2>/dev/null");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("\"source\":\"klein.jpg\",\"target\":\"out/klein_new.jpg\","
                            "\"status\":\"source-kept\",\"reason\":\"Quelle übernommen, "
                            "kleiner als die Ausgabe\""),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("\"source\":\"gross.jpg\",\"target\":\"out/gross_new.jpg\","
                            "\"status\":\"written\""),
              std::string::npos)
        << r.output;
    EXPECT_LE(fs::file_size(dir.path() / "out/klein_new.jpg"), fs::file_size(dir.file("klein.jpg")));
    const auto stamp = [&](const std::string& name) {
        return runCommand("stat -c %y " + shellQuote(dir.file(name))).output;
    };
    EXPECT_EQ(stamp("out/klein_new.jpg"), stamp("klein.jpg"));
    EXPECT_EQ(stamp("out/gross_new.jpg"), stamp("gross.jpg"));
    EXPECT_NE(stamp("klein.jpg").find("05:06:07.123456789"), std::string::npos);

    r = optimiseIn(dir, options + "--tag zwei klein.jpg gross.jpg");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("2 geschrieben, 0 übersprungen, 0 fehlgeschlagen, 1 als Quelle "
                            "übernommen;"),
              std::string::npos)
        << r.output;
    EXPECT_EQ(test::readFileBytes(dir.file("out/klein_zwei.jpg")),
              test::readFileBytes(dir.file("out/klein_new.jpg")));

    r = runCommand("cd " + shellQuote(dir.path().string()) + " && " + cli() +
                   " optimise --no-settings -q -Q 95 --no-enlarge --never-larger --keep-dates "
                   "-o - klein.jpg > standard.jpg");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(test::readFileBytes(dir.file("standard.jpg")),
              test::readFileBytes(dir.file("out/klein_new.jpg")));
    EXPECT_NE(stamp("standard.jpg"), stamp("klein.jpg"));
}

// --lossless: a JPEG's pixels stay as they are, another source fails with
// the reason, and a watermark is a wrong call.
TEST(OptimiseOutputChoices, LosslessOnTheCommandLine) {
    TempDir dir;
    makeJpeg(dir.file("foto.jpg"), 640, 480, 5);
    test::writeBmp(dir.file("bild.bmp"), 64, 48, 1);
    auto r = optimiseIn(dir, "-q --lossless -Q 40 -s 0 foto.jpg bild.bmp");
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_NE(r.output.find("bild.bmp: nur verlustfrei: kein JPEG"), std::string::npos)
        << r.output;
    const auto pixels = [&](const std::string& name) {
        return runCommand("djpeg -ppm " + shellQuote(dir.file(name))).output;
    };
    EXPECT_EQ(pixels("foto_new.jpg"), pixels("foto.jpg"));
    EXPECT_LE(fs::file_size(dir.path() / "foto_new.jpg"), fs::file_size(dir.file("foto.jpg")));
    EXPECT_FALSE(fs::exists(dir.path() / "bild_new.jpg"));
    r = optimiseIn(dir, "--lossless --watermark foto.jpg");
    EXPECT_EQ(r.exitCode, 2) << r.output;
    EXPECT_NE(r.output.find("--watermark und --lossless schließen sich aus"), std::string::npos)
        << r.output;
}

TEST(OptimiseMessages, SummaryUsesTheLocalesDecimalSeparator) {
    TempDir dir;
    makeJpeg(dir.file("a.jpg"), 64, 48, 1);
    const auto r = runCommand("cd " + shellQuote(dir.path().string()) + " && LC_ALL=de_DE.UTF-8 " +
                              cli() + " optimise --no-settings a.jpg");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    if (runCommand("locale -a | grep -qix 'de_DE.utf-\\?8'").exitCode != 0) {
        GTEST_SKIP() << "de_DE.UTF-8 is not generated";
    }
    // "; 2,1 KiB in 0,05 s"
    const auto decimal = [&](std::size_t at, std::size_t places) {
        std::size_t digits = 0;
        while (at < r.output.size() && std::isdigit(static_cast<unsigned char>(r.output[at]))) {
            ++at;
            ++digits;
        }
        if (digits == 0 || at >= r.output.size() || r.output[at] != ',') {
            return std::string::npos;
        }
        for (std::size_t k = 1; k <= places; ++k) {
            if (!std::isdigit(static_cast<unsigned char>(r.output[at + k]))) {
                return std::string::npos;
            }
        }
        return at + places + 1;
    };
    const std::size_t bytes = r.output.find("; ");
    ASSERT_NE(bytes, std::string::npos) << r.output;
    const std::size_t kib = decimal(bytes + 2, 1);
    ASSERT_NE(kib, std::string::npos) << r.output;
    ASSERT_EQ(r.output.substr(kib, 8), " KiB in ") << r.output;
    const std::size_t seconds = decimal(kib + 8, 2);
    ASSERT_NE(seconds, std::string::npos) << r.output;
    EXPECT_EQ(r.output.substr(seconds), " s\n") << r.output;
}

TEST(OptimiseMessages, ANamedSettingsFileMustBeReadable) {
    TempDir dir;
    makeJpeg(dir.file("a.jpg"), 32, 24, 1);
    fs::create_directory(dir.path() / "ordner.ini");
    for (const char* args : {"--settings fehlt.ini a.jpg", "--settings=ordner.ini a.jpg"}) {
        const auto r = runCommand("cd " + shellQuote(dir.path().string()) + " && " + cli() +
                                  " optimise " + args);
        EXPECT_EQ(r.exitCode, 2) << args << r.output;
        EXPECT_NE(r.output.find("Einstellungsdatei"), std::string::npos) << r.output;
        EXPECT_FALSE(fs::exists(dir.path() / "a_new.jpg"));
    }
    const auto w = runCommand("cd " + shellQuote(dir.path().string()) + " && " + cli() +
                              " watermark-preview --settings fehlt.ini v.png");
    EXPECT_EQ(w.exitCode, 2) << w.output;
}

TEST(SettingsCommand, SaysWhenTheFileHasNoSectionOfOurs) {
    TempDir dir;
    test::writeText(dir.file("fremd.ini"), "[Anderes Programm]\nQuality=60\n");
    test::writeText(dir.file("eigen.ini"), "[tervane vendrik]\nQuality=60\n");
    auto r = runCommand(cli() + " settings --settings " + shellQuote(dir.file("fremd.ini")));
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("fremd.ini (ohne Abschnitt [Tervane Vendrik], Vorgaben)"),
              std::string::npos)
        << r.output;
    r = runCommand(cli() + " settings --settings " + shellQuote(dir.file("eigen.ini")));
    EXPECT_EQ(r.output.find("ohne Abschnitt"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("Quality       = 60  [Datei]"), std::string::npos) << r.output;
}

}  // namespace
}  // namespace vendrik
