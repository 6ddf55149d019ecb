// "mit Unterordnern": the list shows the source folder's tree, and the run
// writes it as `vendrik-cli optimise -r -o` does.

#include <QCheckBox>
#include <QListWidget>
#include <QTest>
#include <filesystem>
#include <map>

#include "optimiser/ui/file_list_panel.h"
#include "optimiser/ui/paths_panel.h"
#include "support/test_support.h"
#include "window_fixture.h"

using namespace vendrik;
using vendrik::test::openWindow;
using vendrik::test::settingsFor;

class WindowSubfoldersTest : public QObject {
    Q_OBJECT
private slots:
    void aTreeIsWrittenAsTheCommandLineWritesIt();
    void theBoxIsStoredOnlyOnceTicked();
};

namespace {

namespace fs = std::filesystem;

// Every file below `folder` by its relative path, with its bytes.
std::map<std::string, std::vector<std::uint8_t>> treeFiles(const std::string& folder) {
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        if (e.is_regular_file() && !e.is_symlink()) {
            files[fs::relative(e.path(), folder).string()] = test::readFileBytes(e.path().string());
        }
    }
    return files;
}

}  // namespace

// Same-named pictures on three levels, a folder link that loops, and the
// target inside the tree holding an earlier output: the list and the run
// leave the loop and the target alone, each picture goes to its own
// subfolder of the target, and the command line writes the same bytes.
void WindowSubfoldersTest::aTreeIsWrittenAsTheCommandLineWritesIt() {
    test::TempDir dir;
    const std::string root = dir.file("bilder");
    fs::create_directories(root + "/x/y/z");
    fs::create_directories(root + "/ziel");
    int seed = 1;
    for (const char* folder : {"", "/x", "/x/y", "/x/y/z"}) {
        test::writeBmp(root + folder + "/a.bmp", 200 + 40 * seed, 150, seed);
        ++seed;
    }
    test::writeBmp(root + "/ziel/alt.bmp", 64, 64, 9);
    fs::create_directory_symlink("..", root + "/x/schleife");
    const auto before = treeFiles(dir.path().string());

    const std::string ini = dir.file("vendrik.ini");
    Settings s = settingsFor(root);
    s.samePath = false;
    s.targetFolder = root + "/ziel";
    s.subfolders = true;
    {
        auto t = openWindow(s, ini);
        QTRY_VERIFY(!t.window->files()->listing());
        QCOMPARE(test::entries(*t.window),
                 (QStringList{"a.bmp", "x/a.bmp", "x/y/a.bmp", "x/y/z/a.bmp"}));
        test::markAll(*t.window);
        QVERIFY(test::runAndWait(*t.window));
        QVERIFY(t.services->messages.empty());
        QVERIFY(t.window->close());
    }
    // Nothing written outside the target; each picture in its own place.
    auto after = treeFiles(dir.path().string());
    for (const auto& [path, bytes] : before) {
        QVERIFY2(after.count(path) == 1 && after[path] == bytes, path.c_str());
        after.erase(path);
    }
    after.erase("vendrik.ini");
    QStringList written;
    for (const auto& [path, bytes] : after) {
        written << QString::fromStdString(path);
    }
    QCOMPARE(written, (QStringList{"bilder/ziel/a_new.jpg", "bilder/ziel/x/a_new.jpg",
                                   "bilder/ziel/x/y/a_new.jpg", "bilder/ziel/x/y/z/a_new.jpg"}));

    // The command line over the same tree with the same settings file.
    fs::rename(root + "/ziel", dir.file("fenster"));
    fs::create_directory(root + "/ziel");
    test::writeBmp(root + "/ziel/alt.bmp", 64, 64, 9);
    const auto cli = test::runCommand(test::shellQuote(test::cliPath()) +
                                      " optimise --quiet -r --settings " + test::shellQuote(ini) +
                                      " -o " + test::shellQuote(root + "/ziel") + " " +
                                      test::shellQuote(root));
    QVERIFY2(cli.exitCode == 0, cli.output.c_str());
    QVERIFY(treeFiles(root + "/ziel") == treeFiles(dir.file("fenster")));
}

void WindowSubfoldersTest::theBoxIsStoredOnlyOnceTicked() {
    test::TempDir dir;
    const std::string ini = dir.file("vendrik.ini");
    {
        auto t = openWindow(settingsFor(dir.path().string()), ini);
        QVERIFY(t.window->close());
    }
    const auto text = [&ini] {
        const auto bytes = test::readFileBytes(ini);
        return std::string(bytes.begin(), bytes.end());
    };
    QVERIFY(text().find("Quelle=") != std::string::npos);
    QVERIFY(text().find("Unterordner") == std::string::npos);
    {
        auto t = openWindow(settingsFor(dir.path().string()), ini);
        QTest::mouseClick(t.window->paths()->chkSubfolders(), Qt::LeftButton);
        QVERIFY(t.window->files()->subfolders());
        QVERIFY(t.window->close());
    }
    QVERIFY(text().find("Unterordner=1") != std::string::npos);
    QCOMPARE(loadSettings(ini).subfolders, true);
}

QTEST_MAIN(WindowSubfoldersTest)
#include "window_subfolders_test.moc"
