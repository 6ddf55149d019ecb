// Own presets in the main window: what one saves reaches the next start's
// run and `vendrik-cli optimise --preset` byte for byte.

#include <QCheckBox>
#include <QRadioButton>
#include <QTest>
#include <filesystem>

#include "optimiser/ui/quality_panel.h"
#include "support/test_support.h"
#include "window_fixture.h"

using namespace vendrik;
using vendrik::test::openWindow;
using vendrik::test::settingsFor;

class WindowOwnPresetsTest : public QObject {
    Q_OBJECT
private slots:
    void aPresetGivesTheSameBytesAfterARestartAndOnTheCommandLine();
    void namesThatCannotBeAPresetAreRefused();
};

namespace {

std::vector<std::uint8_t> bytesOf(const std::string& path) {
    return test::readFileBytes(path);
}

}  // namespace

void WindowOwnPresetsTest::aPresetGivesTheSameBytesAfterARestartAndOnTheCommandLine() {
    test::TempDir dir;
    for (const char* folder : {"bilder", "eins", "zwei", "danach", "davor"}) {
        std::filesystem::create_directory(dir.file(folder));
    }
    test::writeBmp(dir.file("bilder/a.bmp"), 640, 480, 3);
    const std::string ini = dir.file("vendrik.ini");
    Settings s = settingsFor(dir.file("bilder"));
    s.samePath = false;
    s.targetFolder = dir.file("eins");
    s.quality = 66;
    s.sizeIndex = 2;
    s.optTag = 2;
    s.tag = "versand";
    s.tagAtStart = true;
    s.metadata = 1;
    s.maxSizeKB = 400;
    s.watermark.text = "Erika";
    s.watermark.lineBreaks = 0;
    {
        auto t = openWindow(s, ini);
        QTest::mouseClick(t.window->quality()->optQuali(0), Qt::LeftButton);  // 4:4:4 by hand
        QTest::mouseClick(t.window->chkWatermark(), Qt::LeftButton);
        QVERIFY(t.window->savePresetAs(" Versand "));
        test::markAll(*t.window);
        QVERIFY(test::runAndWait(*t.window));
        QVERIFY(t.services->messages.empty());
        QVERIFY(t.window->close());
    }
    const std::string name = "versand_a.jpg";
    const auto saved = bytesOf(dir.file("eins/" + name));
    QVERIFY(saved.size() > 1000);
    {
        // Another start with other settings: the preset brings them back.
        Settings other = settingsFor(dir.file("bilder"));
        other.samePath = false;
        other.targetFolder = dir.file("zwei");
        auto t = openWindow(other, ini);
        QCOMPARE(t.window->presetNames(), std::vector<std::string>{"Versand"});
        QVERIFY(!t.window->applyPreset("nirgends"));
        QVERIFY(t.window->applyPreset("versand"));
        QVERIFY(t.window->chkWatermark()->isChecked());
        QCOMPARE(t.window->quality()->sampling(), std::optional<Sampling>(Sampling::Best));
        test::markAll(*t.window);
        QVERIFY(test::runAndWait(*t.window));
        QVERIFY(t.window->close());
    }
    QCOMPARE(test::filesIn(dir.file("zwei")), std::vector<std::string>{name});
    QVERIFY(bytesOf(dir.file("zwei/" + name)) == saved);

    // The command line, from a file whose own section says nothing the
    // preset says: the preset over the options before it, under those after.
    QVERIFY(saveMainWindowSettings(settingsFor(dir.file("bilder")), ini));
    QVERIFY(saveWatermarkSettings(Settings::defaultWatermarkDesign(), ini));
    const std::string cli = test::shellQuote(test::cliPath()) + " optimise --quiet --settings " +
                            test::shellQuote(ini);
    const std::string source = " " + test::shellQuote(dir.file("bilder/a.bmp"));
    const auto before = test::runCommand(cli + " -Q 90 --no-enlarge --preset Versand -o " +
                                         test::shellQuote(dir.file("davor")) + source);
    QVERIFY2(before.exitCode == 0, before.output.c_str());
    QVERIFY(bytesOf(dir.file("davor/" + name)) == saved);
    const auto after = test::runCommand(cli + " --preset Versand -Q 90 -o " +
                                        test::shellQuote(dir.file("danach")) + source);
    QVERIFY2(after.exitCode == 0, after.output.c_str());
    QVERIFY(bytesOf(dir.file("danach/" + name)) != saved);
    const auto listed = test::runCommand(test::shellQuote(test::cliPath()) +
                                         " settings --presets --settings " + test::shellQuote(ini));
    QCOMPARE(listed.output, std::string("Versand\n"));
    const auto unknown = test::runCommand(cli + " --preset Nirgends" + source);
    QCOMPARE(unknown.exitCode, 2);
    QVERIFY2(unknown.output.find("Nirgends") != std::string::npos, unknown.output.c_str());
}

void WindowOwnPresetsTest::namesThatCannotBeAPresetAreRefused() {
    test::TempDir dir;
    const std::string ini = dir.file("vendrik.ini");
    auto t = openWindow(settingsFor(dir.path().string()), ini);
    for (const char* name : {"normal", "  ", "zwei\nZeilen"}) {
        t.services->messages.clear();
        QVERIFY(!t.window->savePresetAs(name));
        QCOMPARE(t.services->messages.size(), std::size_t{1});
    }
    QVERIFY(t.window->presetNames().empty());
}

QTEST_MAIN(WindowOwnPresetsTest)
#include "window_own_presets_test.moc"
