// vendrik-cli encode from the outside: what a user sees for good and bad input.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/cli_runs.h"
#include "support/jpeg_test_pictures.h"

namespace vendrik {
namespace {

test::CommandResult encode(const std::string& in, const std::string& out,
                           const std::string& options = "") {
    return runCommand(test::cli() + " encode " + shellQuote(in) + " " + shellQuote(out) + " " +
                      options);
}

TEST(CliEncode, WritesWhatDjpegReads) {
    test::TempDir dir;
    const std::string ppm = dir.file("in.ppm");
    test::writePnm(test::makePicture(64, 48), ppm);
    const std::string out = dir.file("out.jpg");
    const auto r = encode(ppm, out, "--quality 90 --sampling 420 --comment 'Größe'");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output, "");
    const auto d = runCommand("djpeg -verbose -verbose -outfile /dev/null " + shellQuote(out));
    EXPECT_EQ(d.exitCode, 0);
    EXPECT_NE(d.output.find("Component 1: 2hx2v"), std::string::npos) << d.output;

    // The strong compression writes a progressive file.
    const std::string bigger = dir.file("big.ppm");
    test::writePnm(test::makePicture(320, 240), bigger);
    const auto s = encode(bigger, dir.file("strong.jpg"), "--quality 80 --compression strong");
    ASSERT_EQ(s.exitCode, 0) << s.output;
    const auto sd = runCommand("djpeg -verbose -verbose -outfile /dev/null " +
                               shellQuote(dir.file("strong.jpg")));
    EXPECT_EQ(sd.exitCode, 0);
    EXPECT_NE(sd.output.find("Start Of Frame 0xc2"), std::string::npos) << sd.output;

    // A PGM becomes a one-component file.
    const std::string pgm = dir.file("in.pgm");
    test::writePnm(test::makePicture(20, 10, true), pgm, true);
    ASSERT_EQ(encode(pgm, dir.file("grey.jpg")).exitCode, 0);
    const auto g = runCommand("djpeg -verbose -verbose -outfile /dev/null " + shellQuote(dir.file("grey.jpg")));
    EXPECT_NE(g.output.find("components=1"), std::string::npos) << g.output;
}

// Each bad input: a message on stderr that names the problem, a non-zero
// exit code, and no output file.
TEST(CliEncode, BadInputFailsCleanly) {
    test::TempDir dir;
    const std::string good = dir.file("good.ppm");
    test::writePnm(test::makePicture(16, 16), good);
    auto bytes = test::readFileBytes(good);

    const std::string truncated = dir.file("truncated.ppm");
    test::writeFileBytes(truncated, {bytes.begin(), bytes.begin() + 200});
    const std::string huge = dir.file("huge.ppm");
    const std::string hugeHeader = "P6\n100000 100000\n255\n";
    test::writeFileBytes(huge, {hugeHeader.begin(), hugeHeader.end()});
    const std::string empty = dir.file("empty.ppm");
    const std::string emptyHeader = "P6\n0 0\n255\n";
    test::writeFileBytes(empty, {emptyHeader.begin(), emptyHeader.end()});
    const std::string notPnm = dir.file("photo.jpg.ppm");
    test::writeFileBytes(notPnm, {0xFF, 0xD8, 0xFF, 0xE0});

    const struct {
        std::string in;
        std::string expect;
    } cases[] = {
        {truncated, "abgeschnitten"},
        {huge, "zu groß"},
        {empty, "leer"},
        {notPnm, "PPM"},
        {dir.file("missing.ppm"), "kann nicht geöffnet werden"},
    };
    for (const auto& c : cases) {
        const std::string out = dir.file("out.jpg");
        const auto r = encode(c.in, out);
        EXPECT_EQ(r.exitCode, 1) << c.in;
        EXPECT_NE(r.output.find(c.expect), std::string::npos) << r.output;
        EXPECT_FALSE(std::filesystem::exists(out)) << c.in;
    }

    // An existing output is never replaced.
    const std::string existing = dir.file("existing.jpg");
    test::writeFileBytes(existing, {1, 2, 3});
    const auto r = encode(good, existing);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("existiert bereits"), std::string::npos) << r.output;
    EXPECT_EQ(test::readFileBytes(existing), (std::vector<std::uint8_t>{1, 2, 3}));

    // A folder that cannot be written: nothing appears in it. (Root may
    // write anywhere; the read-only bit then proves nothing.)
    if (::geteuid() != 0) {
        const std::string locked = dir.file("locked");
        std::filesystem::create_directory(locked);
        ::chmod(locked.c_str(), 0555);
        const auto l = encode(good, locked + "/out.jpg");
        EXPECT_EQ(l.exitCode, 1);
        EXPECT_TRUE(std::filesystem::is_empty(locked));
    }
    const auto m = encode(good, dir.file("no/such/folder/out.jpg"));
    EXPECT_EQ(m.exitCode, 1);
    EXPECT_NE(m.output.find("Path not found"), std::string::npos) << m.output;

    // Usage errors exit with 2.
    EXPECT_EQ(encode(good, dir.file("x.jpg"), "--quality 0").exitCode, 2);
    EXPECT_EQ(encode(good, dir.file("x.jpg"), "--sampling 411").exitCode, 2);
    const auto c = encode(good, dir.file("x.jpg"), "--compression best");
    EXPECT_EQ(c.exitCode, 2);
    EXPECT_NE(c.output.find("--compression erwartet standard oder strong"), std::string::npos)
        << c.output;
    EXPECT_EQ(runCommand(test::cli() + " encode").exitCode, 2);
    EXPECT_EQ(runCommand(test::cli() + " encode --help").exitCode, 0);
}

}  // namespace
}  // namespace vendrik

namespace vendrik {
namespace {

// A small file system of our own, mounted for the test and unmounted after.
// Needs the right to mount (root in CI); otherwise the test is skipped.
class TinyMount {
public:
    TinyMount(const std::string& path, const std::string& options) : m_path(path) {
        std::filesystem::create_directory(path);
        m_mounted = test::runCommand("mount -t tmpfs -o " + options + " none " +
                                     test::shellQuote(path)).exitCode == 0;
    }
    ~TinyMount() {
        if (m_mounted) (void)test::runCommand("umount " + test::shellQuote(m_path));
    }
    [[nodiscard]] bool mounted() const { return m_mounted; }

private:
    std::string m_path;
    bool m_mounted = false;
};

TEST(CliEncode, FullOrReadOnlyDiskLeavesNoFile) {
    test::TempDir dir;
    const std::string noisy = dir.file("noisy.ppm");
    // Noise at quality 100 makes a file far larger than the 16 KiB disk.
    Surface s(256, 256);
    std::uint32_t state = 5;
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            state = state * 1664525U + 1013904223U;
            s.setPixel(x, y, {static_cast<std::uint8_t>(state >> 24),
                              static_cast<std::uint8_t>(state >> 16),
                              static_cast<std::uint8_t>(state >> 8)});
        }
    }
    test::writePnm(s, noisy);

    TinyMount full(dir.file("full"), "size=16k");
    TinyMount readOnly(dir.file("ro"), "ro,size=16k");
    if (!full.mounted() || !readOnly.mounted()) {
        GTEST_SKIP() << "cannot mount a tmpfs here";
    }
    auto r = encode(noisy, dir.file("full/out.jpg"), "--quality 100");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("Disk full"), std::string::npos) << r.output;
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("full"))) << "no partial or temporary file";

    r = encode(noisy, dir.file("ro/out.jpg"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("access error"), std::string::npos) << r.output;
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("ro")));
}

}  // namespace
}  // namespace vendrik
