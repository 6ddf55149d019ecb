// vendrik-cli exif: what a user sees on the terminal, and its exit codes.

#include <gtest/gtest.h>

#include "support/cli_runs.h"
#include "support/exif_block_builder.h"

namespace vendrik {
namespace {

using R = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

class ExifCli : public ::testing::Test {
protected:
    void SetUp() override {
        test::ExifBlockBuilder b(false);
        b.ascii(272, "Vendrik DSLR").exifDirectory().rational(33437, R{{28, 10}});
        test::writeFileBytes(m_dir.file("bild.jpg"), b.jpeg());
        test::writeFileBytes(m_dir.file("ohne.png"), {0x89, 'P', 'N', 'G'});
    }
    test::CommandResult run(const std::string& locale, const std::string& args) {
        return runCommand("env -u LANGUAGE LC_ALL=" + locale + " " + test::cli() + " exif " + args);
    }
    std::string file(const char* name) { return shellQuote(m_dir.file(name)); }
    test::TempDir m_dir;
};

TEST_F(ExifCli, PrintsTheSummaryThenTheListing) {
    const auto r = run("C", file("bild.jpg"));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.output,
              "Vendrik DSLR\nBlende: f 2.8\nBelichtung:\nUhrzeit:\nDatum:\n\n"
              "Model: Vendrik DSLR\nExifOffset: 38\nFNumber: 2.8\n");
}

TEST_F(ExifCli, FollowsTheGermanLocalesDecimalComma) {
    if (runCommand("locale -a | grep -qix 'de_DE.utf-\\?8'").exitCode != 0) {
        GTEST_SKIP() << "de_DE.UTF-8 is not generated (scripts/install-deps.sh test does it)";
    }
    const auto r = run("de_DE.UTF-8", file("bild.jpg") + " --tag 33437");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.output.find("Blende: f 2,8\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("\nErgebnis: 3\nText: 2,8\n"), std::string::npos) << r.output;
}

TEST_F(ExifCli, ReportsFilesWithoutExifAndMissingFiles) {
    auto r = run("C", file("ohne.png") + " --tag 272");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("Keine EXIF-Daten vorhanden. (Fehler 10)"), std::string::npos);
    r = run("C", file("ohne.png"));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.output.find("Camera:\n"), std::string::npos);
    EXPECT_NE(r.output.find("Keine EXIF-Daten vorhanden.\n"), std::string::npos);
    r = run("C", file("bild.jpg") + " " + file("fehlt.jpg"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("==> " + m_dir.file("fehlt.jpg") + " <=="), std::string::npos);
    EXPECT_NE(r.output.find("fehlt.jpg: Datei nicht gefunden."), std::string::npos);
    r = run("C", file("bild.jpg") + " --tag 1");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.output.find("Ergebnis: 0\nText: Tag 1 nicht gefunden.\n"), std::string::npos);
}

TEST_F(ExifCli, RejectsBadUsage) {
    for (const std::string& args : std::vector<std::string>{"", "--tag", "--tag x " + file("bild.jpg"),
                                   "--tag 99999999999 " + file("bild.jpg"), "--gibtsnicht"}) {
        EXPECT_EQ(run("C", args).exitCode, 2) << args;
    }
    EXPECT_EQ(run("C", "--help").exitCode, 0);
}

// An EXIF text can hold any byte. Printed raw, ESC would let a picture
// retitle the terminal or recolour it, CR and LF forge lines of their own;
// they are shown escaped instead, also in the file's name.
TEST_F(ExifCli, ControlCharactersInTextsAndNamesAreShownEscaped) {
    test::ExifBlockBuilder b(true);
    b.ascii(272, "Cam\033]0;PWNED\007\r\nBlende: f 99");
    const std::string name = m_dir.file("a\033[31mb.jpg");
    test::writeFileBytes(name, b.jpeg());
    for (const std::string& args : {shellQuote(name) + " " + file("bild.jpg"),
                                   shellQuote(name) + " --tag 272"}) {
        const auto r = run("C", args);
        EXPECT_EQ(r.exitCode, 0) << r.output;
        for (const char c : r.output) {
            const auto u = static_cast<unsigned char>(c);
            ASSERT_TRUE(c == '\n' || (u >= 0x20 && u != 0x7F)) << "byte " << int(u) << " in\n"
                                                                << r.output;
        }
        EXPECT_EQ(r.output.find("\nBlende: f 99"), std::string::npos) << r.output;
        EXPECT_NE(r.output.find("Cam\\033]0;PWNED\\a\\r\\nBlende: f 99"), std::string::npos)
            << r.output;
    }
}

}  // namespace
}  // namespace vendrik
