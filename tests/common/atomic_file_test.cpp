// Writing files whole: long names, writers killed half-way, a file-size
// limit. Each case runs through the usual unnamed temporary file and through
// the named one of file systems without O_TMPFILE.

#include "common/atomic_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fcntl.h>
#include <functional>
#include <random>
#include <string>
#include <thread>

#include "common/atomic_file_fallback.h"
#include "support/test_support.h"

namespace vendrik {
namespace {

using test::TempDir;

std::span<const std::byte> bytesOf(const std::string& s) {
    return std::as_bytes(std::span(s.data(), s.size()));
}

std::string fileText(const std::string& path) {
    const auto b = test::readFileBytes(path);
    return {b.begin(), b.end()};
}

using Writer = std::function<AtomicWriteOutcome(const std::string&, std::span<const std::byte>,
                                                ReplacePolicy)>;

struct Way {
    const char* name;
    Writer write;
    friend void PrintTo(const Way& way, std::ostream* os) { *os << way.name; }
};

class AtomicWrite : public ::testing::TestWithParam<Way> {};

INSTANTIATE_TEST_SUITE_P(
    Ways, AtomicWrite,
    ::testing::Values(Way{"Unnamed", writeFileAtomically},
                      Way{"Named", detail::writeFileThroughNamedTemporary}),
    [](const auto& info) { return std::string(info.param.name); });

// A file system takes names of up to 255 bytes; a temporary name built from
// the target's name would be longer and make such targets unwritable.
TEST_P(AtomicWrite, NamesUpTo255BytesAreWrittenAndReplaced) {
    TempDir dir;
    for (const std::size_t length : {243, 250, 255}) {
        const std::string path = dir.file(std::string(length - 4, 'n') + ".jpg");
        SCOPED_TRACE(length);
        EXPECT_EQ(GetParam().write(path, bytesOf("alt"), ReplacePolicy::NoReplace).result,
                  AtomicWriteResult::Written);
        EXPECT_EQ(GetParam().write(path, bytesOf("x"), ReplacePolicy::NoReplace).result,
                  AtomicWriteResult::Exists);
        EXPECT_EQ(GetParam().write(path, bytesOf("neu"), ReplacePolicy::Replace).result,
                  AtomicWriteResult::Written);
        EXPECT_EQ(fileText(path), "neu");
    }
    EXPECT_TRUE(test::temporaryNamesIn(dir.path()).empty());
}

// A pid no process has: that of a child that has ended and been reaped.
pid_t pidOfEndedProcess() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

// What a writer killed between naming its temporary file and renaming it
// leaves; the next write into the folder removes it. One whose writer still
// holds its lock, and files that only look similar, stay.
TEST_P(AtomicWrite, TemporaryFilesOfKilledWritersAreRemovedByTheNextWrite) {
    TempDir dir;
    const std::string abandoned =
        ".vendrik-" + std::to_string(pidOfEndedProcess()) + "-Ab3dEf.part";
    test::writeText(dir.file(abandoned), "halb");
    const std::vector<std::string> kept = {".vendrik-1-Ab3dEf.part",  // pid 1 lives
                                           ".vendrik-x-Ab3dEf.part", "vendrik-2-Ab3dEf.part",
                                           ".urlaub.jpg.Ab3dEf.part"};
    for (const std::string& name : kept) {
        test::writeText(dir.file(name), "fremd");
    }
    // A live writer of another process, holding its lock.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    std::string held;
    if (holder == 0) {
        const std::string name =
            dir.file(".vendrik-" + std::to_string(::getpid()) + "-Hh1dEf.part");
        const int fd = ::open(name.c_str(), O_CREAT | O_WRONLY, 0600);
        ::flock(fd, LOCK_EX);
        static_cast<void>(::write(ready[1], "x", 1));
        ::pause();
        ::_exit(0);
    }
    held = ".vendrik-" + std::to_string(holder) + "-Hh1dEf.part";
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);

    EXPECT_EQ(GetParam().write(dir.file("bild.jpg"), bytesOf("neu"), ReplacePolicy::Replace).result,
              AtomicWriteResult::Written);
    ::kill(holder, SIGKILL);
    int status = 0;
    ::waitpid(holder, &status, 0);
    ::close(ready[0]);
    ::close(ready[1]);

    EXPECT_FALSE(pathEntryExists(dir.file(abandoned)));
    EXPECT_TRUE(pathEntryExists(dir.file(held)));
    for (const std::string& name : kept) {
        EXPECT_TRUE(pathEntryExists(dir.file(name))) << name;
    }
}

// A child replaces one file over and over with one of two versions; it is
// killed at random moments. Afterwards the file is one version or the other,
// and once the next write has looked through the folder nothing temporary is
// left.
TEST_P(AtomicWrite, RandomKillsLeaveOldOrNewAndNothingBehind) {
    TempDir dir;
    const std::string path = dir.file("bild.jpg");
    const std::string a(5000, 'a');
    const std::string b(9000, 'b');
    // Not written by this process: its first write into the folder comes last.
    test::writeText(path, a);
    std::mt19937 rng(16);
    for (int round = 0; round < 30; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (unsigned i = 0;; ++i) {
                static_cast<void>(
                    GetParam().write(path, bytesOf(i % 2 ? b : a), ReplacePolicy::Replace));
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(2000 + rng() % 20000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        const std::string now = fileText(path);
        ASSERT_TRUE(now == a || now == b) << "round " << round << ": " << now.size() << " bytes";
    }
    // This process has not written here yet: its first write looks through.
    const auto next =
        GetParam().write(dir.file("anderes.jpg"), bytesOf(a), ReplacePolicy::NoReplace);
    ASSERT_EQ(next.result, AtomicWriteResult::Written);
    EXPECT_EQ(test::temporaryNamesIn(dir.path()), std::vector<std::string>{});
}

// Under a file-size limit a write past it fails with EFBIG, as an error of
// that file, instead of the kernel ending the program (SIGXFSZ); the
// program writes the next file as usual.
TEST_P(AtomicWrite, FileSizeLimitFailsTheWriteInsteadOfEndingTheProgram) {
    TempDir dir;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ignoreFileSizeLimitSignal();
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const auto big = GetParam().write(dir.file("gross.jpg"), bytesOf(std::string(10000, 'g')),
                                          ReplacePolicy::NoReplace);
        const auto small = GetParam().write(dir.file("klein.jpg"), bytesOf("k"),
                                            ReplacePolicy::NoReplace);
        ::_exit(big.result == AtomicWriteResult::Failed && big.errorNumber == EFBIG &&
                        small.result == AtomicWriteResult::Written
                    ? 0
                    : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(pathEntryExists(dir.file("gross.jpg")));
    EXPECT_TRUE(pathEntryExists(dir.file("klein.jpg")));
    EXPECT_TRUE(test::temporaryNamesIn(dir.path()).empty());
}

}  // namespace
}  // namespace vendrik
