// The manual pages and the bash completion: they render, they are
// installed, and they know every option the help lists.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "help_options.h"
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
    for (const char* file :
         {"bin/vendrik-cli", "share/man/man1/vendrik-cli.1", "share/man/man1/vendrik.1",
          "share/bash-completion/completions/vendrik-cli"}) {
        EXPECT_TRUE(fs::is_regular_file(prefix.path() / file)) << file;
    }
}

}  // namespace
}  // namespace vendrik
