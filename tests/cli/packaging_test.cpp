// The manual pages and the bash completion: they render, they are
// installed, and they know every option the help lists. The files of the
// desktop and the package agree with the program.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "help_options.h"
#include "startup/open_with.h"
#include "support/cli_runs.h"

namespace vendrik {
namespace {

const std::string kPackaging = VENDRIK_PACKAGING;
const std::string kCompletion = kPackaging + "/bash-completion/vendrik-cli";

const std::vector<std::string> kCommands = {"optimise", "encode",   "exif",
                                            "settings", "register", "watermark-preview"};

// The long and short options a command's --help lists in its option column.
std::vector<std::string> helpOptions(const std::string& command) {
    const auto r = runCommand(cli() + " " + command + " --help");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    return test::optionsOfHelp(r.output);
}

// What the completion offers for `words`, the last being completed.
std::set<std::string> completions(const std::vector<std::string>& words) {
    std::string array;
    for (const std::string& w : words) {
        array += " " + shellQuote(w);
    }
    std::string line;
    for (const std::string& w : words) {
        line += (line.empty() ? "" : " ") + w;
    }
    const std::string script = "source /usr/share/bash-completion/bash_completion; source " +
                               shellQuote(kCompletion) + "; COMP_WORDS=(" + array +
                               "); COMP_CWORD=" + std::to_string(words.size() - 1) +
                               "; COMP_LINE=" + shellQuote(line) +
                               "; COMP_POINT=${#COMP_LINE}; _vendrik_cli; "
                               "printf '%s\\n' \"${COMPREPLY[@]}\"";
    const auto r = runCommand("bash -c " + shellQuote(script));
    EXPECT_EQ(r.exitCode, 0) << r.output;
    std::set<std::string> out;
    std::istringstream lines(r.output);
    for (std::string l; std::getline(lines, l);) {
        out.insert(l);
    }
    return out;
}

TEST(BashCompletion, IsRegisteredForTheProgram) {
    const auto r = runCommand(
        "bash -c " + shellQuote("source /usr/share/bash-completion/bash_completion; source " +
                                shellQuote(kCompletion) + "; complete -p vendrik-cli"));
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output, "complete -F _vendrik_cli vendrik-cli\n");
}

TEST(BashCompletion, OffersEveryCommandAndEveryOptionOfTheHelp) {
    const auto commands = completions({"vendrik-cli", ""});
    for (const std::string& c : kCommands) {
        EXPECT_TRUE(commands.contains(c)) << c;
    }
    // The program's own list of commands is the same.
    const auto usage = runCommand(cli() + " --help");
    for (const std::string& c : kCommands) {
        EXPECT_NE(usage.output.find("  " + c + " "), std::string::npos) << c;
    }
    for (const std::string& command : kCommands) {
        const auto options = helpOptions(command);
        EXPECT_GE(options.size(), 4U) << command;  // at least -h, --help, -V, --version
        const auto offered = completions({"vendrik-cli", command, "-"});
        for (const std::string& o : options) {
            EXPECT_TRUE(offered.contains(o)) << command << " " << o;
        }
    }
}

TEST(BashCompletion, OffersTheValuesOfAnOption) {
    EXPECT_EQ(completions({"vendrik-cli", "optimise", "--preset", ""}),
              (std::set<std::string>{"Website", "eMail", "Normal", "Optimal"}));
    // The own presets of the settings file the command would read.
    test::TempDir dir;
    const std::string ini = dir.file("v.ini");
    test::writeText(ini, "[Voreinstellung: Urlaub 2024]\r\nQuality=70\r\n[Voreinstellung: Druck]\r\n");
    EXPECT_EQ(completions({test::cliPath(), "optimise", "--settings", ini, "--preset", ""}),
              (std::set<std::string>{"Website", "eMail", "Normal", "Optimal", "Urlaub 2024",
                                     "Druck"}));
    EXPECT_EQ(completions({test::cliPath(), "optimise", "--settings=" + ini, "--preset", "U"}),
              (std::set<std::string>{"Urlaub 2024"}));
    EXPECT_EQ(completions({"vendrik-cli", "optimise", "--wm-color", "r"}),
              (std::set<std::string>{"red"}));
    EXPECT_EQ(completions({"vendrik-cli", "encode", "--sampling", "g"}),
              (std::set<std::string>{"gray"}));
}

TEST(ManualPages, RenderWithoutWarnings) {
    for (const char* page : {"vendrik-cli.1", "vendrik.1"}) {
        const std::string path = kPackaging + "/man/" + page;
        const auto check = runCommand("groff -k -man -Tutf8 -ww -z " + shellQuote(path));
        EXPECT_EQ(check.exitCode, 0) << page;
        EXPECT_EQ(check.output, "") << page;
        const auto shown = runCommand("MANWIDTH=80 man -l " + shellQuote(path));
        EXPECT_EQ(shown.exitCode, 0) << shown.output;
        EXPECT_NE(shown.output.find("NAME"), std::string::npos) << shown.output;
        EXPECT_NE(
            shown.output.find(std::string(page).substr(0, std::string(page).size() - 2) + " - "),
            std::string::npos)
            << shown.output;
    }
}

TEST(ManualPages, DescribeEveryOptionOfTheHelp) {
    const auto shown =
        runCommand("MANWIDTH=200 man -l " + shellQuote(kPackaging + "/man/vendrik-cli.1"));
    ASSERT_EQ(shown.exitCode, 0);
    for (const std::string& command : kCommands) {
        EXPECT_NE(shown.output.find("   " + command + "\n"), std::string::npos) << command;
        for (const std::string& o : helpOptions(command)) {
            EXPECT_TRUE(test::holdsWord(shown.output, o)) << command << " " << o;
        }
    }
}

TEST(Install, PutsProgramPagesAndCompletionWhereDebianKeepsThem) {
    test::TempDir prefix;
    const auto r = runCommand("cmake --install " + shellQuote(VENDRIK_BUILD_DIR) + " --prefix " +
                              shellQuote(prefix.path().string()));
    ASSERT_EQ(r.exitCode, 0) << r.output;
    std::vector<std::string> files = {"bin/vendrik-cli", "share/man/man1/vendrik-cli.1",
                                      "share/man/man1/vendrik.1",
                                      "share/bash-completion/completions/vendrik-cli"};
    if (VENDRIK_GUI_BUILT) {
        files.insert(files.end(),
                     {"bin/vendrik", "share/applications/vendrik.desktop",
                      "share/metainfo/example.tervane.vendrik.metainfo.xml",
                      "share/icons/hicolor/scalable/apps/vendrik.svg"});
        for (const char* size : {"16x16", "32x32", "48x48", "64x64", "128x128", "256x256"}) {
            files.push_back(std::string("share/icons/hicolor/") + size + "/apps/vendrik.png");
        }
    }
    for (const std::string& file : files) {
        EXPECT_TRUE(fs::is_regular_file(prefix.path() / file)) << file;
    }
}

std::string fileText(const std::string& path) {
    const auto b = test::readFileBytes(path);
    return {b.begin(), b.end()};
}

// What follows the first `opening` in `text` up to `closing`; "" when
// either is missing.
std::string between(const std::string& text, const std::string& opening, char closing,
                    std::size_t from = 0) {
    const std::size_t start = text.find(opening, from);
    if (start == std::string::npos) {
        return {};
    }
    const std::size_t begin = start + opening.size();
    const std::size_t end = text.find(closing, begin);
    return end == std::string::npos ? std::string() : text.substr(begin, end - begin);
}

// The version is set once, in CMake; the copies that cannot read it from
// there (the package's changelog, the software centre's newest release, the
// manual pages' headers) must say the same, or a package would carry two.
TEST(Packaging, EveryCopyOfTheVersionIsTheProgramsOne) {
    const std::string version = VENDRIK_PROJECT_VERSION;
    const auto r = runCommand(cli() + " --version");
    EXPECT_EQ(between(r.output, "vendrik-cli (Tervane Vendrik) ", '\n'), version);
    const std::string source = VENDRIK_TEST_SOURCE "/..";
    const std::string changelog = fileText(source + "/debian/changelog");
    EXPECT_TRUE(changelog.starts_with("vendrik (")) << changelog.substr(0, 40);
    EXPECT_EQ(between(changelog, "vendrik (", ')'), version);
    EXPECT_EQ(between(fileText(kPackaging + "/example.tervane.vendrik.metainfo.xml"),
                      "<release version=\"", '"'),
              version);
    for (const char* page : {"vendrik-cli.1", "vendrik.1"}) {
        const std::string th = between(fileText(kPackaging + "/man/" + page), "\n.TH ", '\n');
        EXPECT_EQ(between(th, "\"Vendrik ", '"'), version) << page;
    }
}

// The menu entry, the software centre and the entry start-up writes offer
// Vendrik for the same picture types.
TEST(Packaging, MenuEntryAndSoftwareCentreListTheTypesStartUpRegisters) {
    const std::string desktop = fileText(kPackaging + "/vendrik.desktop");
    EXPECT_EQ(between(desktop, "\nMimeType=", '\n'), std::string(kOpenWithMimeTypes));
    const std::string metainfo = fileText(kPackaging + "/example.tervane.vendrik.metainfo.xml");
    std::string mediatypes;
    for (std::size_t at = metainfo.find("<mediatype>"); at != std::string::npos;
         at = metainfo.find("<mediatype>", at + 1)) {
        mediatypes += between(metainfo, "<mediatype>", '<', at) + ";";
    }
    EXPECT_EQ(mediatypes, std::string(kOpenWithMimeTypes));
    EXPECT_NE(metainfo.find("<launchable type=\"desktop-id\">" + std::string(kDesktopEntryName) +
                            "</launchable>"),
              std::string::npos);
}

}  // namespace
}  // namespace vendrik
