// What lets a run be spread over machines by a job runner: --files-from,
// --json and the exit codes, the GNU parallel form the README shows, and the
// size options from the command line.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "file_list_input.h"
#include "json_output.h"
#include "support/cli_runs.h"

namespace vendrik {
namespace {

// A shell command run in `folder`; its output is its standard output alone
// (standard error is dropped), unless the command sends standard error
// there itself.
test::CommandResult runIn(const TempDir& folder, const std::string& command) {
    return runCommand("cd " + shellQuote(folder.path().string()) + " && { " + command +
                      " 2>/dev/null; }");
}

TEST(JsonString, EscapesWhatJsonRequiresAndKeepsTheRest) {
    struct Case {
        std::string text;
        std::string json;
    };
    using namespace std::string_literals;
    const Case cases[] = {
        {"urlaub.jpg", "\"urlaub.jpg\""},
        {"Bäume \"groß\"", "\"Bäume \\\"groß\\\"\""},
        {"a\\b", "\"a\\\\b\""},
        {"zeile\nzwei\r\ttab", "\"zeile\\nzwei\\r\\ttab\""},
        {"\x1b[31m\x7f"s, "\"\\u001b[31m\x7f\""},
        {"nul\0byte"s, "\"nul\\u0000byte\""},
        {"latin1 \xE4.jpg", "\"latin1 \xEF\xBF\xBD.jpg\""},  // not UTF-8: U+FFFD
        {"", "\"\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cli::jsonString(c.text), c.json) << c.text;
    }
}

TEST(JsonString, RoundTripsThroughJq) {
    TempDir dir;
    const std::string tricky = "a \"b\"\\c\nd\te\x01 ÄÖÜ € 😀/x.jpg";
    test::writeText(dir.file("in.json"), "{\"source\":" + cli::jsonString(tricky) + "}\n");
    // -j prints the string raw, without a line end of its own.
    const auto r = runCommand("jq -j .source " + shellQuote(dir.file("in.json")) + " 2>&1");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output, tricky);
}

TEST(FileList, SplitsAtLineEndsOrAtNulBytes) {
    using namespace std::string_literals;
    struct Case {
        const char* name;
        std::string list;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"lines", "a.jpg\nb c.png\n", {"a.jpg", "b c.png"}},
        {"no final line end", "a.jpg\nb.png", {"a.jpg", "b.png"}},
        {"CRLF", "a.jpg\r\nb.png\r\n", {"a.jpg", "b.png"}},
        {"empty lines left out", "\n\na.jpg\n\n", {"a.jpg"}},
        {"NUL", "a.jpg\0b\nc.png\0"s, {"a.jpg", "b\nc.png"}},  // a line end inside a name
        {"NUL keeps a CR", "a.jpg\r\0"s, {"a.jpg\r"}},
        {"empty", "", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cli::splitFileList(c.list), c.names) << c.name;
    }
}

// The list is split as it comes: fed in pieces of any size it gives the same
// names as fed whole, also when a piece ends inside a name, a CR or before
// the first NUL that settles the separator.
TEST(FileList, SplitsTheSameWhateverPiecesItArrivesIn) {
    using namespace std::string_literals;
    const std::string lines = "a.jpg\r\nb c.png\n\nd/e.heic";
    const std::string nul = "a.jpg\0b\nc.png\0\0"s + std::string(5000, 'x') + "\0tail"s;
    const std::string longFirstLine = std::string(4090, 'y') + "\nz.jpg\n";
    for (const std::string& list : {lines, nul, longFirstLine}) {
        const std::vector<std::string> whole = cli::splitFileList(list);
        for (const std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{7}, std::size_t{4096}}) {
            cli::FileListSplitter splitter;
            bool ok = true;
            for (std::size_t i = 0; ok && i < list.size(); i += piece) {
                ok = splitter.feed(std::string_view(list).substr(i, piece));
            }
            ok = ok && splitter.finish();
            if (list == nul) {
                // 5000 bytes are more than a path can be.
                EXPECT_FALSE(ok);
                EXPECT_EQ(splitter.problem().rfind("Eintrag 4 ist länger als ein Pfad", 0), 0U)
                    << splitter.problem();
                continue;
            }
            EXPECT_TRUE(ok) << splitter.problem();
            EXPECT_EQ(splitter.names(), whole) << piece;
        }
    }
}

TEST(FileList, RefusesWhatCannotBeAListOfNames) {
    using namespace std::string_literals;
    struct Case {
        const char* name;
        std::string list;
        const char* problem;  // start of it; "" for none
    };
    const std::string longest(cli::kMaxListedName, 'n');
    const Case cases[] = {
        {"a name as long as a path can be", longest + "\n", ""},
        {"one byte longer", longest + "n\n", "Eintrag 1 ist länger als ein Pfad sein kann (4096 Bytes"},
        {"one byte longer, NUL-separated", "a\0"s + longest + "n\0", "Eintrag 2 ist länger"},
        {"a long last name without a line end", "a\n" + longest + "n", "Eintrag 2 ist länger"},
        {"a NUL after more than a path of lines", std::string(5000, 'l') + "\0"s,
         "Eintrag 1 ist länger als ein Pfad sein kann"},
        {"the zeros of /dev/zero", std::string(cli::kMaxListEntries + 1, '\0'),
         "mehr als 1000000 Einträge"},
        {"the y lines of yes", [] {
             std::string y;
             for (std::size_t i = 0; i <= cli::kMaxListEntries; ++i) {
                 y += "y\n";
             }
             return y;
         }(),
         "mehr als 1000000 Einträge"},
    };
    for (const Case& c : cases) {
        std::string problem;
        const auto names = cli::splitFileList(c.list, &problem);
        EXPECT_EQ(problem.rfind(c.problem, 0), 0U) << c.name << ": " << problem;
        EXPECT_EQ(problem.empty(), std::string(c.problem).empty()) << c.name;
        EXPECT_LE(names.size(), cli::kMaxListEntries) << c.name;
    }
}

// Lists without end from a pipe or a device end the run at once, with the
// reason and exit code 1, before any picture is read.
TEST(FileList, EndlessListsEndTheRunWithAReason) {
    TempDir dir;
    struct Case {
        const char* name;
        std::string command;
        const char* reason;
    };
    const Case cases[] = {
        {"/dev/zero", cli() + " optimise --no-settings -q --files-from /dev/zero",
         "--files-from /dev/zero: mehr als 1000000 Einträge"},
        {"yes", "yes | " + cli() + " optimise --no-settings -q --files-from -",
         "--files-from -: mehr als 1000000 Einträge"},
        {"one endless line", "tr -d '\\n' < /dev/zero | tr '\\0' x | " + cli() +
                                 " optimise --no-settings -q --files-from -",
         "--files-from -: Eintrag 1 ist länger als ein Pfad"},
    };
    for (const Case& c : cases) {
        const auto r = runCommand("cd " + shellQuote(dir.path().string()) + " && timeout -s KILL 60 sh -c " +
                                  shellQuote(c.command) + " 2>&1");
        EXPECT_EQ(r.exitCode, 1) << c.name << "\n" << r.output;
        EXPECT_NE(r.output.find(c.reason), std::string::npos) << c.name << "\n" << r.output;
    }
}

TEST(JsonResult, Base64OfTheRfcVectors) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
        {"\xff\xfe\x80/", "//6ALw=="},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(cli::base64(text), expected) << text;
    }
}

// A name that is not UTF-8 comes out readable and, beside it, as its exact
// bytes; the notes of a picture are an array, empty when there are none.
TEST(JsonResult, NotesAndTheBytesOfANameThatIsNotUtf8) {
    PictureResult r;
    r.status = PictureStatus::Written;
    r.notes = {"Farbprofil mit unbrauchbarer Tonkurve, ignoriert", "Metadaten entfernt: \"x\""};
    const std::string source = "a/bild-\xE4.jpg";  // Latin-1, as an old archive has it
    const std::string target = "out/bild-\xE4_new.jpg";
    TempDir dir;
    test::writeText(dir.file("r.json"), cli::jsonResult(r, source, target, false, "webp") + "\n");
    const std::string json = shellQuote(dir.file("r.json"));
    const auto fields = runCommand("jq -r '.source, .source_bytes, .target_bytes, (.notes | length), "
                                   ".notes[1], .format' " + json);
    ASSERT_EQ(fields.exitCode, 0) << fields.output;
    EXPECT_EQ(fields.output, "a/bild-\xEF\xBF\xBD.jpg\n" + cli::base64(source) + "\n" +
                                 cli::base64(target) + "\n2\nMetadaten entfernt: \"x\"\nwebp\n");
    // What a job runner does with it: the exact name back.
    const auto name = runCommand("jq -j .source_bytes " + json + " | base64 -d");
    EXPECT_EQ(name.output, source);

    const std::string bare = cli::jsonResult(PictureResult{}, "a.jpg", "", false, "jpeg");
    EXPECT_NE(bare.find(",\"notes\":[]}"), std::string::npos) << bare;
    EXPECT_EQ(bare.find("_bytes"), std::string::npos) << bare;
}

// A few small pictures in two folders, one name with a space, one with a
// line break (which only a NUL-separated list can carry).
std::vector<std::string> makeTree(const TempDir& dir) {
    std::vector<std::string> made;
    fs::create_directories(dir.path() / "src/a");
    fs::create_directories(dir.path() / "src/b c");
    for (int i = 0; i < 5; ++i) {
        made.push_back("src/a/p" + std::to_string(i) + ".bmp");
        made.push_back("src/b c/q " + std::to_string(i) + ".bmp");
    }
    made.push_back("src/b c/zwei\nzeilen.bmp");
    for (std::size_t i = 0; i < made.size(); ++i) {
        test::writeBmp(dir.file(made[i]), 40 + static_cast<int>(i), 30, static_cast<int>(i));
    }
    return made;
}

// Each JSON line's fields, read back through jq as NUL-separated text.
std::vector<std::map<std::string, std::string>> resultsOf(const std::string& jsonLines,
                                                          const TempDir& dir) {
    test::writeText(dir.file("results.jsonl"), jsonLines);
    const auto r = runCommand(
        "jq -j '.source, \"\\u0000\", .target, \"\\u0000\", .status, \"\\u0000\", "
        "(.bytes|tostring), \"\\u0000\", (.width|tostring), \"\\u0000\", (.height|tostring), "
        "\"\\u0000\"' " +
        shellQuote(dir.file("results.jsonl")));
    EXPECT_EQ(r.exitCode, 0) << r.output;
    const std::vector<std::string> fields = cli::splitFileList(r.output + std::string(1, '\0'));
    std::vector<std::map<std::string, std::string>> out;
    static const char* const kNames[] = {"source", "target", "status", "bytes", "width", "height"};
    for (std::size_t i = 0; i + 6 <= fields.size(); i += 6) {
        std::map<std::string, std::string> m;
        for (std::size_t k = 0; k < 6; ++k) {
            m[kNames[k]] = fields[i + k];
        }
        out.push_back(m);
    }
    return out;
}

TEST(FilesFromAndJson, RoundTripThroughFindAndJq) {
    TempDir dir;
    const auto made = makeTree(dir);
    fs::create_directory(dir.path() / "out");
    // Standard output carries the JSON lines and nothing else.
    const auto r = runIn(dir, "find src -type f -print0 | " + cli() +
                                  " optimise --no-settings --files-from - --json -s 0 -o out "
                                  "--tag-first");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const auto results = resultsOf(r.output, dir);
    ASSERT_EQ(results.size(), made.size()) << r.output;
    std::set<std::string> sources;
    for (const auto& m : results) {
        sources.insert(m.at("source"));
        EXPECT_EQ(m.at("status"), "written");
        EXPECT_EQ(std::to_string(fs::file_size(dir.file(m.at("target")))), m.at("bytes"));
        EXPECT_EQ(m.at("width"), "160");
    }
    EXPECT_EQ(sources, std::set<std::string>(made.begin(), made.end()));
    EXPECT_TRUE(fs::exists(dir.path() / "out" / "new_zwei\nzeilen.jpg"));

    // The same list as lines, from a file: names with a line break cannot
    // be given so; the others are the same run.
    std::string lines;
    for (const std::string& m : made) {
        if (m.find('\n') == std::string::npos) {
            lines += m + "\n";
        }
    }
    test::writeText(dir.file("liste.txt"), lines);
    fs::create_directory(dir.path() / "out2");
    const auto again = runIn(dir, cli() + " optimise --no-settings --files-from liste.txt --json "
                                          "-s 0 -o out2 --tag-first");
    ASSERT_EQ(again.exitCode, 0) << again.output;
    EXPECT_EQ(resultsOf(again.output, dir).size(), made.size() - 1);
}

TEST(FilesFromAndJson, FailuresAndExitCodes) {
    TempDir dir;
    test::writeBmp(dir.file("gut.bmp"), 64, 48, 1);
    test::writeText(dir.file("kaputt.webp"), "RIFF\x10\0\0\0WEBPVP8 kaputt");
    test::writeText(dir.file("leer.txt"), "");
    test::writeText(dir.file("liste.txt"), "gut.bmp\nkaputt.webp\nfehlt.heic\n");
    struct Case {
        const char* name;
        std::string args;
        int exitCode;
        std::size_t jsonLines;
    };
    const Case cases[] = {
        {"all written", "gut.bmp --json", 0, 1},
        {"a failure", "--files-from liste.txt --json", 1, 3},
        {"an empty list is nothing to do", "--files-from leer.txt --json", 0, 0},
        {"a limit missed even at 10", "gut.bmp --json --max-size 1K", 3, 1},
        {"a limit met", "gut.bmp --json --max-size 200K", 0, 1},
        {"a limit switched off", "gut.bmp --json --max-size 0", 0, 1},
        {"a missing list", "--files-from fehlt.txt", 1, 0},
        {"a bad size", "gut.bmp --max-size 5X", 2, 0},
        {"JSON and an image on standard output", "gut.bmp --json -o -", 2, 0},
        {"two readers of standard input", "--files-from - -  -o -", 2, 0},
    };
    for (const Case& c : cases) {
        const auto r = runIn(dir, cli() + " optimise --no-settings -q " + c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.name << "\n" << r.output;
        std::size_t lines = 0;
        for (const char ch : r.output) {
            lines += ch == '\n' ? 1 : 0;
        }
        EXPECT_EQ(lines, c.jsonLines) << c.name << "\n" << r.output;
        if (c.jsonLines > 0) {
            const auto valid =
                runCommand("printf %s " + shellQuote(r.output) + " | jq -e -s 'length'");
            EXPECT_EQ(valid.exitCode, 0) << c.name << "\n" << r.output;
        }
    }
    // The reason of the missed limit is in the JSON and on standard error.
    const auto r = runCommand("cd " + shellQuote(dir.path().string()) + " && { " + cli() +
                              " optimise --no-settings -q gut.bmp --json --max-size 1K 2>&1 "
                              ">/dev/null; }");
    EXPECT_NE(r.output.find("größer als höchstens 1 KB"), std::string::npos) << r.output;
}

TEST(GnuParallel, TwoJobSlotsWriteEveryPictureExactlyOnce) {
    TempDir dir;
    const auto made = makeTree(dir);
    // The README's form on this machine: the list split into shares of
    // three, two shares at a time, each share one vendrik-cli run, outputs
    // beside their sources. --sshlogin spreads the same shares over hosts.
    const auto r = runIn(dir, "export HOME=" + shellQuote(dir.path().string()) +
                                  " && find src -type f -print0 | parallel --will-cite -0 --pipe "
                                  "--recend '\\0' -N 3 -j2 " +
                                  shellQuote(test::cliPath() +
                                             " optimise --no-settings -q -j1 --files-from - --json") +
                                  " > results.jsonl");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const auto results = resultsOf(runCommand("cat " + shellQuote(dir.file("results.jsonl"))).output, dir);
    std::map<std::string, int> timesWritten;
    for (const auto& m : results) {
        EXPECT_EQ(m.at("status"), "written") << m.at("source");
        ++timesWritten[m.at("source")];
    }
    ASSERT_EQ(timesWritten.size(), made.size());
    for (const std::string& source : made) {
        EXPECT_EQ(timesWritten[source], 1) << source;
        // The output beside it exists, and it is the only one.
        const fs::path p = dir.path() / source;
        const std::string stem = p.stem().string();
        EXPECT_TRUE(fs::exists(p.parent_path() / (stem + "_new.jpg"))) << source;
        EXPECT_TRUE(test::decodesCompletely((p.parent_path() / (stem + "_new.jpg")).string()));
    }
    std::size_t outputs = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir.path() / "src")) {
        outputs += e.path().extension() == ".jpg" ? 1 : 0;
    }
    EXPECT_EQ(outputs, made.size());
}

TEST(SizeOptions, NoEnlargeOnTheCommandLine) {
    TempDir dir;
    test::writeBmp(dir.file("klein.bmp"), 320, 240, 2);
    for (const bool keep : {false, true}) {
        const auto r = runIn(dir, cli() + " optimise --no-settings -q --size '480 x 640' " +
                                      (keep ? "--no-enlarge " : "") + "klein.bmp");
        ASSERT_EQ(r.exitCode, 0) << r.output;
        const auto size = runCommand("identify -format %wx%h " + shellQuote(dir.file("klein_new.jpg")));
        EXPECT_EQ(size.output, keep ? "320x240" : "640x480");
    }
}

}  // namespace
}  // namespace vendrik
