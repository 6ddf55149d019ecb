// Ctrl+C and SIGTERM on a real `vendrik-cli optimise --jobs 2` process: the
// run stops after the pictures in hand, prints its summary and exits with
// 128 + the signal; a second Ctrl+C ends it at once. In every case no
// temporary file is left and every written file decodes completely.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/test_support.h"

namespace vendrik {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::TempDir;

constexpr int kPictures = 24;
constexpr int kJobs = 2;

std::size_t jpegsIn(const fs::path& folder) {
    std::size_t n = 0;
    for (const auto& e : fs::directory_iterator(folder)) {
        n += e.path().extension() == ".jpg" ? 1 : 0;
    }
    return n;
}

// Starts vendrik-cli with its output going to `log`.
pid_t startOptimise(const fs::path& in, const fs::path& out, const std::string& log) {
    const std::string cli = test::cliPath();
    const std::string outArg = out.string();
    const std::string inArg = in.string();
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, STDOUT_FILENO);
        ::dup2(fd, STDERR_FILENO);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execl(cli.c_str(), cli.c_str(), "optimise", "--no-settings", "--size", "original",
                "--jobs", "2", "--out", outArg.c_str(), inArg.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return child;
}

struct Interrupted {
    int exitCode = -1;
    std::size_t before = 0;  // outputs when the first signal was sent
    std::size_t after = 0;   // outputs when the process had ended
    std::string log;
};

// Runs over 24 photographs, sends `first` once the fifth output exists, and
// `second` right after when given.
Interrupted interruptRun(const TempDir& dir, int first, int second = 0) {
    const fs::path in = dir.path() / "in";
    const fs::path out = dir.path() / "out";
    fs::create_directory(in);
    fs::create_directory(out);
    for (int i = 0; i < kPictures; ++i) {
        test::writeBmp((in / ("photo" + std::to_string(100 + i) + ".bmp")).string(), 1200, 900, i);
    }
    const std::string log = dir.file("log.txt");
    Interrupted r;
    const pid_t child = startOptimise(in, out, log);
    const auto deadline = std::chrono::steady_clock::now() + 120s;
    while (jpegsIn(out) < 5 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(2ms);
    }
    r.before = jpegsIn(out);
    ::kill(child, first);
    if (second != 0) {
        // Two signals sent before the program took the first are one: wait
        // until it has said so (on a loaded machine that takes a while).
        const auto said = [&log] {
            std::ifstream text(log);
            std::stringstream all;
            all << text.rdbuf();
            return all.str().find("Abbruch") != std::string::npos;
        };
        while (!said() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(2ms);
        }
        ::kill(child, second);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.after = jpegsIn(out);
    std::ifstream text(log);
    std::stringstream all;
    all << text.rdbuf();
    r.log = all.str();
    for (const auto& e : fs::directory_iterator(out)) {
        EXPECT_TRUE(test::decodesCompletely(e.path().string())) << e.path();
    }
    EXPECT_TRUE(test::temporaryNamesIn(out).empty());
    return r;
}

struct SignalCase {
    const char* name;
    int signal;
    int exitCode;
};

class CliInterrupt : public ::testing::TestWithParam<SignalCase> {};

TEST_P(CliInterrupt, StopsAfterThePicturesInHandAndPrintsTheSummary) {
    const SignalCase& c = GetParam();
    TempDir dir;
    const Interrupted r = interruptRun(dir, c.signal);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.log;
    EXPECT_GE(r.before, 5U);
    // At most the picture each job had in hand was finished after the signal,
    // and one more may have been written between the count and the signal
    // (the test itself can be held up there on a loaded machine).
    EXPECT_LE(r.after, r.before + kJobs + 1) << r.log;
    EXPECT_LT(r.after, static_cast<std::size_t>(kPictures));
    EXPECT_NE(r.log.find(std::to_string(r.after) + " geschrieben, 0 übersprungen, 0 fehlgeschlagen, " +
                         std::to_string(kPictures - r.after) + " nach Abbruch nicht begonnen"),
              std::string::npos)
        << r.log;
}

INSTANTIATE_TEST_SUITE_P(Signals, CliInterrupt,
                         ::testing::Values(SignalCase{"CtrlC", SIGINT, 130},
                                           SignalCase{"Term", SIGTERM, 143}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CliInterrupt, ASecondCtrlCEndsAtOnceWithoutAPartialFile) {
    TempDir dir;
    const auto start = std::chrono::steady_clock::now();
    const Interrupted r = interruptRun(dir, SIGINT, SIGINT);
    EXPECT_EQ(r.exitCode, 130) << r.log;
    EXPECT_LE(r.after, r.before + kJobs);
    // No summary: it did not wait for the pictures in hand.
    EXPECT_EQ(r.log.find(" geschrieben, "), std::string::npos) << r.log;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 120s);
}

}  // namespace
}  // namespace vendrik
