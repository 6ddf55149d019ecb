// vendrik-cli meeting what an unlucky user or an attacker puts in its way:
// a FIFO named like a picture, a file-size limit, hostile settings files,
// paths longer than the system takes.

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <utility>

#include "support/cli_runs.h"

namespace vendrik {
namespace {

// The command, ended after five seconds if it has not ended by itself.
test::CommandResult cli(const std::string& args) {
    return runCommand("timeout -s KILL 5 " + test::cli() + " " + args);
}

TEST(CliFaults, AFifoAsSourceEndsAtOnceNamingTheFile) {
    TempDir dir;
    const std::string fifo = dir.file("p.jpg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string reason = "ist eine benannte Pipe (FIFO), keine gewöhnliche Datei";
    for (const std::string& args :
         {"optimise --no-settings " + shellQuote(fifo),
          "encode " + shellQuote(fifo) + " " + shellQuote(dir.file("o.jpg")),
          "exif " + shellQuote(fifo)}) {
        const auto r = cli(args);
        EXPECT_EQ(r.exitCode, 1) << args << "\n" << r.output;
        EXPECT_NE(r.output.find(fifo + ": "), std::string::npos) << args << "\n" << r.output;
        EXPECT_NE(r.output.find(reason), std::string::npos) << args << "\n" << r.output;
    }
}

// A noisy picture whose JPEG is far beyond `ulimit -f 150` (150 KiB).
void writeNoisyPpm(const std::string& path, int w, int h) {
    std::mt19937 rng(3);
    std::string text = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    for (int i = 0; i < w * h * 3; ++i) {
        text += static_cast<char>(rng());
    }
    test::writeText(path, text);
}

TEST(CliFaults, AFileSizeLimitFailsOnlyThePicturesBeyondIt) {
    TempDir dir;
    fs::create_directory(dir.path() / "in");
    fs::create_directory(dir.path() / "out");
    test::writeBmp(dir.file("in/a.bmp"), 40, 30, 1);
    writeNoisyPpm(dir.file("in/b.ppm"), 800, 600);
    test::writeBmp(dir.file("in/c.bmp"), 40, 30, 2);
    const auto r =
        runCommand("ulimit -f 150; " + test::cli() +
                   " optimise --no-settings --size original --quality 95 --out " +
                   shellQuote(dir.file("out")) + " " + shellQuote(dir.file("in/a.bmp")) + " " +
                   shellQuote(dir.file("in/b.ppm")) + " " + shellQuote(dir.file("in/c.bmp")));
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_NE(r.output.find("b.ppm: Schreibfehler: Datei überschreitet die erlaubte Dateigröße"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("2 geschrieben, 0 übersprungen, 1 fehlgeschlagen"), std::string::npos)
        << r.output;
    EXPECT_TRUE(fs::exists(dir.file("out/a_new.jpg")));
    EXPECT_TRUE(fs::exists(dir.file("out/c_new.jpg")));
    EXPECT_TRUE(test::temporaryNamesIn(dir.file("out")).empty());
}

TEST(CliFaults, AStoredTagCannotLeadOutOfTheFolder) {
    TempDir dir;
    fs::create_directories(dir.path() / "a" / "b");
    test::writeBmp(dir.file("a/b/pic.bmp"), 40, 30, 1);
    for (const char* tag : {"../../ESCAPED", "/abs", "a/b", ".."}) {
        test::writeText(dir.file("v.ini"), std::string("[Tervane Vendrik]\r\nTag=") + tag +
                                               "\r\noptTag=2\r\nchkAnfang=1\r\n");
        const auto r = runCommand("cd " + shellQuote(dir.path().string()) + " && " + test::cli() +
                                  " optimise --settings v.ini a/b/pic.bmp");
        EXPECT_EQ(r.exitCode, 1) << tag << "\n" << r.output;
        EXPECT_NE(r.output.find("a/b/pic.bmp: Kennung"), std::string::npos) << r.output;
    }
    std::vector<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir.path())) {
        if (e.is_regular_file()) {
            files.push_back(fs::relative(e.path(), dir.path()).string());
        }
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"a/b/pic.bmp", "v.ini"}));
}

TEST(CliFaults, APathBeyondPathMaxIsCalledSo) {
    TempDir dir;
    test::writeBmp(dir.file("pic.bmp"), 40, 30, 1);
    std::string longFolder = dir.path().string();
    while (longFolder.size() <= 4200) {
        longFolder += "/" + std::string(200, 'x');
    }
    const auto r = cli("optimise --no-settings --out " + shellQuote(longFolder) + " " +
                       shellQuote(dir.file("pic.bmp")));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("Name oder Pfad zu lang"), std::string::npos)
        << r.output.substr(0, 300);
    EXPECT_EQ(r.output.find("nicht gefunden"), std::string::npos) << r.output.substr(0, 300);
}

// What `vendrik-cli settings` says about the file: its exit code and first
// line.
std::pair<int, std::string> settingsHeadline(const std::string& ini,
                                             const std::string& prefix = "") {
    const auto r = runCommand(prefix + "timeout -s KILL 5 " + test::cli() +
                              " settings --settings " + shellQuote(ini));
    return {r.exitCode, r.output.substr(0, r.output.find('\n'))};
}

// A file named with --settings that cannot be read is refused with its
// reason; one with CR-only line ends is read and said to be such.
TEST(CliFaults, SettingsFaultsAreNamed) {
    TempDir dir;
    const auto refused = [&](const std::string& name, const std::string& reason,
                             const std::string& prefix = "") {
        const auto [code, line] = settingsHeadline(dir.file(name), prefix);
        EXPECT_EQ(code, 2) << line;
        EXPECT_NE(line.find(dir.file(name) + " " + reason), std::string::npos) << line;
    };
    fs::create_directory(dir.file("ordner.ini"));
    refused("ordner.ini", "ist ein Ordner");
    ASSERT_EQ(::mkfifo(dir.file("pipe.ini").c_str(), 0600), 0);
    refused("pipe.ini", "ist keine gewöhnliche Datei");
    test::writeText(dir.file("gross.ini"), "[Tervane Vendrik]\nQuality=91\n");
    fs::resize_file(dir.file("gross.ini"), (64U << 20) + 1);
    refused("gross.ini", "ist zu groß");
    refused("fehlt.ini", "nicht gefunden");

    test::writeText(dir.file("mac.ini"), "[Tervane Vendrik]\rQuality=91\r");
    EXPECT_EQ(settingsHeadline(dir.file("mac.ini")),
              std::make_pair(0, "Einstellungsdatei: " + dir.file("mac.ini") +
                                    " (Zeilenenden nur CR)"));
    EXPECT_NE(runCommand(test::cli() + " settings --settings " + shellQuote(dir.file("mac.ini")))
                  .output.find("\nQuality       = 91  [Datei]\n"),
              std::string::npos);

    // Unreadable: root reads anything, so the command runs as nobody then.
    fs::permissions(dir.path(), fs::perms::all);
    test::writeText(dir.file("gesperrt.ini"), "[Tervane Vendrik]\nQuality=91\n");
    ::chmod(dir.file("gesperrt.ini").c_str(), 0);
    const std::string asNobody =
        ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    refused("gesperrt.ini", "nicht lesbar: keine Berechtigung", asNobody);
}

}  // namespace
}  // namespace vendrik
