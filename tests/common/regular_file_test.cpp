// Names that are no ordinary files: opening them must answer at once.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "common/regular_file.h"
#include "support/test_support.h"

namespace vendrik {
namespace {

using test::TempDir;

struct EntryCase {
    const char* name;
    const char* problem;  // empty: opens
};

// Every kind of directory entry a picture or settings name may turn out to
// be; none of them may keep the open waiting (a FIFO without a writer did).
TEST(RegularFile, OpensOnlyOrdinaryFilesAndNeverWaits) {
    TempDir dir;
    test::writeText(dir.file("bild.jpg"), "JPEG");
    test::writeText(dir.file("leer.jpg"), "");
    std::filesystem::create_directory(dir.file("ordner.jpg"));
    ASSERT_EQ(::mkfifo(dir.file("pipe.jpg").c_str(), 0600), 0);
    std::filesystem::create_symlink(dir.file("pipe.jpg"), dir.file("link.jpg"));
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = dir.file("sock.jpg");
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    const EntryCase cases[] = {
        {"bild.jpg", ""},
        {"leer.jpg", ""},
        {"fehlt.jpg", "Datei nicht gefunden"},
        {"ordner.jpg", "ist ein Ordner, keine Datei"},
        {"pipe.jpg", "ist eine benannte Pipe (FIFO), keine gewöhnliche Datei"},
        {"link.jpg", "ist eine benannte Pipe (FIFO), keine gewöhnliche Datei"},
        {"sock.jpg", "ist ein Socket, keine gewöhnliche Datei"},
        {"/dev/null", "ist eine Gerätedatei, keine gewöhnliche Datei"},
        {"bild.jpg/x", "Datei nicht lesbar: ein Teil des Pfades ist kein Ordner"},
    };
    for (const EntryCase& c : cases) {
        const std::string path = c.name[0] == '/' ? std::string(c.name) : dir.file(c.name);
        const auto start = std::chrono::steady_clock::now();
        const RegularFile file(path);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << c.name;
        EXPECT_EQ(file.problem(), c.problem) << c.name;
        EXPECT_EQ(file.isOpen(), std::string(c.problem).empty()) << c.name;
    }
    ::close(sock);

    const RegularFile file(dir.file("bild.jpg"));
    std::string text;
    ASSERT_TRUE(file.readUpTo(text, 100));
    EXPECT_EQ(text, "JPEG");
    EXPECT_EQ(file.size(), 4);
}

TEST(RegularFile, ReadStopsAtTheLimit) {
    TempDir dir;
    test::writeText(dir.file("a"), std::string(5000, 'a'));
    const RegularFile file(dir.file("a"));
    std::string text;
    ASSERT_TRUE(file.readUpTo(text, 1000));
    EXPECT_EQ(text, std::string(1000, 'a'));
}

}  // namespace
}  // namespace vendrik
