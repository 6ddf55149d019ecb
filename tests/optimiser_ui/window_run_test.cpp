// The batch run from the main window: the messages around it, the progress
// bars, the controls it disables, the overwrite question, the list after it,
// the failures it names, stopping it, and outputs equal to the command
// line's.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <map>

#include "controls/XP_ProgressBar.h"
#include "controls/ccXPButton.h"
#include "optimiser/batch_settings_from.h"
#include "optimiser/picture_pipeline.h"
#include "optimiser/ui/file_list_panel.h"
#include "optimiser/ui/filtered_line_edit.h"
#include "optimiser/ui/naming_panel.h"
#include "optimiser/ui/output_choices_panel.h"
#include "optimiser/ui/paths_panel.h"
#include "optimiser/ui/quality_panel.h"
#include "optimiser/ui/run_controller.h"
#include "optimiser/ui/size_panel.h"
#include "support/test_support.h"
#include "window_fixture.h"

using namespace vendrik;
using vendrik::test::openWindow;
using vendrik::test::settingsFor;

class WindowRunTest : public QObject {
    Q_OBJECT
private slots:
    void nothingMarkedShowsTheMessageOnly();
    void aBatchOfThreeMovesBothBarsInOrder();
    void theRunDisablesItsControlsAndShowsTheHourglass();
    void aSingleRunAnsweredNoKeepsTheOldFile();
    void aSingleRunAnsweredYesReplacesIt();
    void outputsIntoTheListedFolderShowInTheList_data();
    void outputsIntoTheListedFolderShowInTheList();
    void theOneTimeHintComesBeforeTheFirstSingleRunOnly();
    void failedPicturesAreNamedInOneMessageAfterTheRun();
    void aRunOverHostileFilesWritesTheGoodOnes();
    void cancellingStopsAfterThePictureInHand();
    void closingDuringARunWaitsForThePictureInHand();
    void theNameFollowsTheNamingControls_data();
    void theNameFollowsTheNamingControls();
    void theOwnSizeReadsItsLeadingNumbers();
    void theSamplingOptionsDecideTheChroma();
    void aSamplingChosenByHandHoldsUnderASizeLimit();
    void theOutputsEqualTheCommandLinesByteForByte();
    void theOutputChoicesReachTheRunAndTheSettings();
};

namespace {

std::string fileText(const std::string& path) {
    const auto b = test::readFileBytes(path);
    return {b.begin(), b.end()};
}

}  // namespace

void WindowRunTest::nothingMarkedShowsTheMessageOnly() {
    test::TempDir dir;
    test::writeBmp(dir.file("a.bmp"), 32, 24, 1);
    auto t = openWindow(settingsFor(dir.path().string()));
    t.window->XP_ProgressBar1()->setValue(42);
    t.window->XP_ProgressBar2()->setValue(17);
    QTest::mouseClick(t.window->ccXPButton2(), Qt::LeftButton);
    QCOMPARE(t.services->messages.size(), 1U);
    QCOMPARE(t.services->messages[0].text,
             QStringLiteral("Bitte zuerst mindestens eine Bilddatei auswählen.   \n\n"
                            "Zur Stapelverarbeitung mehrerer Bilddateien werden einfach   \n"
                            "die entsprechenden Dateien in gewohnter Weise markiert."));
    QCOMPARE(t.services->messages[0].icon, MessageIcon::Information);
    QCOMPARE(t.window->XP_ProgressBar1()->Value(), 42);
    QCOMPARE(t.window->XP_ProgressBar2()->Value(), 17);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QVERIFY(!t.window->running());
    QCOMPARE(test::filesIn(dir.path().string()), std::vector<std::string>{"a.bmp"});
}

void WindowRunTest::aBatchOfThreeMovesBothBarsInOrder() {
    test::TempDir dir;
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
        test::writeBmp(dir.file(name), 64, 48, 2);
    }
    auto t = openWindow(settingsFor(dir.path().string()));
    test::markAll(*t.window);
    QCOMPARE(t.window->RunMode(), 2);
    std::vector<int> overall;
    std::map<int, std::vector<int>> current;
    std::vector<int> currentBar;  // what the bar showed, in order
    RunController* run = t.window->runController();
    connect(run, &RunController::overallProgress, this, [&](int v) { overall.push_back(v); });
    connect(run, &RunController::currentProgress, this, [&](int picture, int v) {
        current[picture].push_back(v);
        currentBar.push_back(t.window->XP_ProgressBar2()->Value());
    });
    QVERIFY(test::runAndWait(*t.window));
    QCOMPARE(overall, (std::vector<int>{0, 33, 66, 100}));
    QCOMPARE(current.size(), 3U);
    for (const auto& [picture, values] : current) {
        QVERIFY(values.size() > 4);
        QCOMPARE(std::vector<int>(values.begin(), values.begin() + 3),
                 (std::vector<int>{5, 10, 20}));
        QVERIFY(std::is_sorted(values.begin(), values.end()));
        QCOMPARE(values.back(), 100);
    }
    // The bar took each value as it came.
    std::vector<int> all;
    for (const auto& [picture, values] : current) {
        all.insert(all.end(), values.begin(), values.end());
    }
    QCOMPARE(currentBar, all);
    QCOMPARE(t.window->XP_ProgressBar1()->Value(), 100);
    QCOMPARE(t.window->XP_ProgressBar2()->Value(), 100);
    QVERIFY(t.services->messages.empty());
}

void WindowRunTest::theRunDisablesItsControlsAndShowsTheHourglass() {
    test::TempDir dir;
    for (const char* name : {"a.bmp", "b.bmp"}) {
        test::writeBmp(dir.file(name), 64, 48, 2);
    }
    auto t = openWindow(settingsFor(dir.path().string()));
    test::markAll(*t.window);
    frmOptimize& w = *t.window;
    bool checked = false;
    connect(w.runController(), &RunController::pictureFinished, this, [&] {
        if (checked) {
            return;
        }
        checked = true;
        QVERIFY(QApplication::overrideCursor() != nullptr);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QVERIFY(!w.ccXPButton2()->isEnabled());
        QVERIFY(!w.files()->FileList()->isEnabled());
        QVERIFY(!w.sizes()->cboSizes()->isEnabled());
        // "Optimal" too: a click on it mid-run would store a quality the run
        // does not write.
        QVERIFY(!w.quality()->ccXPButton1(3)->isEnabled());
        QVERIFY(w.cancelButton()->isEnabled());
        // No control shows a focus mark during the run.
        QCOMPARE(QApplication::focusWidget(), w.dummy());
    });
    QVERIFY(!w.cancelButton()->isEnabled());
    QVERIFY(test::runAndWait(w));
    QVERIFY(checked);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QVERIFY(w.ccXPButton2()->isEnabled());
    QVERIFY(w.files()->FileList()->isEnabled());
    QVERIFY(w.sizes()->cboSizes()->isEnabled());
    QVERIFY(!w.cancelButton()->isEnabled());
    QCOMPARE(QApplication::focusWidget(), w.dummy());
}

void WindowRunTest::aSingleRunAnsweredNoKeepsTheOldFile() {
    test::TempDir dir;
    test::writeBmp(dir.file("a.bmp"), 64, 48, 2);
    test::writeText(dir.file("a_new.jpg"), "alt");
    auto t = openWindow(settingsFor(dir.path().string()));
    test::clickEntry(*t.window, "a.bmp");
    QCOMPARE(t.window->RunMode(), 1);
    t.services->answers = {false};
    QVERIFY(test::runAndWait(*t.window));
    QCOMPARE(t.services->questions,
             QStringList{QStringLiteral("Bereits vorhandene Datei 'a_new.jpg' überschreiben ?")});
    QCOMPARE(fileText(dir.file("a_new.jpg")), std::string("alt"));
    QVERIFY(t.services->messages.empty());
    QVERIFY(t.window->ccXPButton2()->isEnabled());
    QVERIFY(t.window->files()->FileList()->isEnabled());
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QCOMPARE(test::filesIn(dir.path().string()), (std::vector<std::string>{"a.bmp", "a_new.jpg"}));
}

void WindowRunTest::aSingleRunAnsweredYesReplacesIt() {
    test::TempDir dir;
    test::writeBmp(dir.file("a.bmp"), 64, 48, 2);
    test::writeText(dir.file("a_new.jpg"), "alt");
    auto t = openWindow(settingsFor(dir.path().string()));
    test::clickEntry(*t.window, "a.bmp");
    t.services->answers = {true};
    QVERIFY(test::runAndWait(*t.window));
    QCOMPARE(t.services->questions.size(), 1);
    QCOMPARE(test::jpegFrame(dir.file("a_new.jpg")).width, 160);
    QCOMPARE(t.window->XP_ProgressBar1()->Value(), 100);
}

void WindowRunTest::outputsIntoTheListedFolderShowInTheList_data() {
    QTest::addColumn<bool>("samePath");
    QTest::addColumn<bool>("targetIsSource");
    QTest::addColumn<bool>("listed");
    QTest::newRow("Gleicher Pfad") << true << false << true;
    QTest::newRow("target field names the source") << false << true << true;
    QTest::newRow("another target") << false << false << false;
}

void WindowRunTest::outputsIntoTheListedFolderShowInTheList() {
    QFETCH(bool, samePath);
    QFETCH(bool, targetIsSource);
    QFETCH(bool, listed);
    test::TempDir dir;
    std::filesystem::create_directory(dir.file("ziel"));
    test::writeBmp(dir.file("a.bmp"), 64, 48, 2);
    Settings s = settingsFor(dir.path().string());
    s.samePath = samePath;
    s.targetFolder = targetIsSource ? dir.path().string() : dir.file("ziel");
    auto t = openWindow(s);
    test::clickEntry(*t.window, "a.bmp");
    QVERIFY(test::runAndWait(*t.window));
    QCOMPARE(test::entry(*t.window, "a_new.jpg") != nullptr, listed);
    QCOMPARE(std::filesystem::exists(dir.file("ziel/a_new.jpg")), !samePath && !targetIsSource);
}

void WindowRunTest::theOneTimeHintComesBeforeTheFirstSingleRunOnly() {
    test::TempDir dir;
    test::writeBmp(dir.file("a.bmp"), 64, 48, 2);
    test::writeBmp(dir.file("b.bmp"), 64, 48, 3);
    Settings s = settingsFor(dir.path().string());
    s.targetFolder = dir.file("aus");
    s.samePath = false;
    std::filesystem::create_directory(dir.file("aus"));
    auto t = openWindow(s);
    t.window->setFirstRunFlag(1);
    const QString hint = QStringLiteral(
        "HINWEIS:\n\n"
        "Zur Stapelverarbeitung mehrerer Bilddateien werden einfach   \n"
        "die entsprechenden Dateien in gewohnter Weise markiert.");
    // A batch run first: the hint belongs to the single run.
    test::markAll(*t.window);
    QVERIFY(test::runAndWait(*t.window));
    QVERIFY(t.services->messages.empty());
    test::clickEntry(*t.window, "a.bmp");
    QVERIFY(test::runAndWait(*t.window));
    QCOMPARE(t.services->messages.size(), 1U);
    QCOMPARE(t.services->messages[0].text, hint);
    QCOMPARE(t.services->messages[0].icon, MessageIcon::Information);
    QVERIFY(test::runAndWait(*t.window));
    QCOMPARE(t.services->messages.size(), 1U);
}

void WindowRunTest::failedPicturesAreNamedInOneMessageAfterTheRun() {
    test::TempDir dir;
    test::writeBmp(dir.file("gut.bmp"), 64, 48, 2);
    test::writeBmp(dir.file("auch-gut.bmp"), 48, 64, 3);
    auto bytes = test::readFileBytes(dir.file("gut.bmp"));
    bytes.resize(40);  // a BMP cut inside its header
    test::writeFileBytes(dir.file("kaputt.bmp"), bytes);
    test::writeText(dir.file("text.jpg"), "kein Bild");
    auto t = openWindow(settingsFor(dir.path().string()));
    test::markAll(*t.window);
    QVERIFY(test::runAndWait(*t.window));
    QCOMPARE(t.services->messages.size(), 1U);
    const QString text = t.services->messages[0].text;
    QCOMPARE(t.services->messages[0].icon, MessageIcon::Exclamation);
    QVERIFY2(text.startsWith(QStringLiteral("2 Bilder wurden nicht wie gewünscht verarbeitet:")),
             qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("\nkaputt.bmp: ")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("\ntext.jpg: kein unterstütztes Bildformat")),
             qPrintable(text));
    QVERIFY(!text.contains(QStringLiteral("gut.bmp")));
    // The run went on past the failures.
    QVERIFY(std::filesystem::exists(dir.file("gut_new.jpg")));
    QVERIFY(std::filesystem::exists(dir.file("auch-gut_new.jpg")));
    QVERIFY(test::temporaryNamesIn(dir.path()).empty());
}

// The hostile folder: the good picture is written, each bad one is named
// with its reason, nothing is left half-written.
void WindowRunTest::aRunOverHostileFilesWritesTheGoodOnes() {
    test::TempDir dir;
    test::writeBmp(dir.file("gut.bmp"), 64, 48, 2);
    test::writeHostileFiles(dir.path().string());
    const bool rootReadsIt = ::geteuid() == 0;
    auto t = openWindow(settingsFor(dir.path().string()), {}, 2);
    test::markAll(*t.window);
    QCOMPARE(t.window->files()->markedFileNames().size(), 4U);
    QVERIFY(test::runAndWait(*t.window));
    QCOMPARE(t.services->messages.size(), 1U);
    const QString text = t.services->messages[0].text;
    const QString failures = rootReadsIt ? QStringLiteral("2") : QStringLiteral("3");
    QVERIFY2(text.startsWith(failures + QStringLiteral(" Bilder wurden nicht wie gewünscht")),
             qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("\nkaputt.jpg: ")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("\nriesig.bmp: ")), qPrintable(text));
    QCOMPARE(text.contains(QStringLiteral("\ngesperrt.png: ")), !rootReadsIt);
    QVERIFY(!text.contains(QStringLiteral("gut.bmp")));
    QVERIFY(std::filesystem::exists(dir.file("gut_new.jpg")));
    QVERIFY(!std::filesystem::exists(dir.file("kaputt_new.jpg")));
    QVERIFY(!std::filesystem::exists(dir.file("riesig_new.jpg")));
    QVERIFY(test::temporaryNamesIn(dir.path()).empty());
    QVERIFY(t.window->ccXPButton2()->isEnabled());
}

void WindowRunTest::cancellingStopsAfterThePictureInHand() {
    test::TempDir dir;
    constexpr int kPictures = 8;
    for (int i = 0; i < kPictures; ++i) {
        test::writeBmp(dir.file("p" + std::to_string(i) + ".bmp"), 400, 300, i);
    }
    Settings s = settingsFor(dir.path().string());
    s.sizeIndex = 2;
    auto t = openWindow(s);
    test::markAll(*t.window);
    connect(t.window->runController(), &RunController::pictureFinished, this,
            [&] { QTest::mouseClick(t.window->cancelButton(), Qt::LeftButton); });
    QVERIFY(test::runAndWait(*t.window));
    const auto& results = t.window->runController()->results();
    int written = 0;
    int cancelled = 0;
    for (const PictureResult& r : results) {
        written += r.status == PictureStatus::Written ? 1 : 0;
        cancelled += r.status == PictureStatus::Cancelled ? 1 : 0;
    }
    QVERIFY(written >= 1);
    QVERIFY(cancelled >= 1);
    QCOMPARE(written + cancelled, kPictures);
    // Finished pictures stay and are whole; nothing is half-written.
    for (const PictureResult& r : results) {
        if (r.status == PictureStatus::Written) {
            QVERIFY(test::decodesCompletely(r.target));
        }
    }
    QVERIFY(test::temporaryNamesIn(dir.path()).empty());
    QCOMPARE(static_cast<int>(test::filesIn(dir.path().string()).size()), kPictures + written);
    QVERIFY(t.services->messages.empty());
    QVERIFY(t.window->ccXPButton2()->isEnabled());
    QVERIFY(!t.window->cancelButton()->isEnabled());
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void WindowRunTest::closingDuringARunWaitsForThePictureInHand() {
    test::TempDir dir;
    for (int i = 0; i < 6; ++i) {
        test::writeBmp(dir.file("p" + std::to_string(i) + ".bmp"), 400, 300, i);
    }
    const std::string ini = dir.file("vendrik.ini");
    auto t = openWindow(settingsFor(dir.path().string()), ini);
    test::markAll(*t.window);
    QSignalSpy ended(t.window.get(), &frmOptimize::runEnded);
    QTest::mouseClick(t.window->ccXPButton2(), Qt::LeftButton);
    QVERIFY(t.window->running());
    QVERIFY(!t.window->close());  // not yet: the run ends first
    QVERIFY(ended.wait(60000));
    QTRY_VERIFY(!t.window->isVisible());
    QVERIFY(std::filesystem::exists(ini));  // the settings were written as it closed
    QVERIFY(test::temporaryNamesIn(dir.path()).empty());
}

void WindowRunTest::theNameFollowsTheNamingControls_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("option");
    QTest::addColumn<int>("listTag");
    QTest::addColumn<QString>("ownTag");
    QTest::addColumn<bool>("atStart");
    QTest::addColumn<QString>("output");
    QTest::newRow("tag at the end") << "urlaub.bmp" << 1 << 2 << "" << false << "urlaub_thumb.jpg";
    QTest::newRow("tag at the start") << "urlaub.bmp" << 1 << 2 << "" << true << "thumb_urlaub.jpg";
    QTest::newRow("jpeg loses its whole ending")
        << "strand.jpeg" << 1 << 5 << "" << false << "strand_new.jpg";
    QTest::newRow("webp loses its whole ending")
        << "strand.webp" << 1 << 2 << "" << true << "thumb_strand.jpg";
    // 320 × 240 scaled into "120 x 160": 160 wide, 120 high.
    QTest::newRow("Bildgröße at the start")
        << "ferien.bmp" << 1 << 6 << "" << true << "120x160_ferien.jpg";
    QTest::newRow("own tag") << "urlaub.bmp" << 2 << 2 << "klein" << false << "urlaub_klein.jpg";
    QTest::newRow("empty own tag") << "urlaub.bmp" << 2 << 2 << "" << false << "urlaub_.jpg";
}

void WindowRunTest::theNameFollowsTheNamingControls() {
    QFETCH(QString, source);
    QFETCH(int, option);
    QFETCH(int, listTag);
    QFETCH(QString, ownTag);
    QFETCH(bool, atStart);
    QFETCH(QString, output);
    test::TempDir dir;
    // The loader goes by the content: a BMP named .jpeg is read all the same.
    test::writeBmp(dir.file(source.toStdString()), 320, 240, 4);
    auto t = openWindow(settingsFor(dir.path().string()));
    NamingPanel* n = t.window->naming();
    n->cboPreTags()->setCurrentIndex(listTag);
    QTest::mouseClick(n->optName(option), Qt::LeftButton);
    if (atStart) {
        QTest::mouseClick(n->chkAnfang(), Qt::LeftButton);
    }
    n->txtTag()->setText(ownTag);
    test::clickEntry(*t.window, source);
    QVERIFY(test::runAndWait(*t.window));
    QVERIFY2(std::filesystem::exists(dir.file(output.toStdString())),
             qPrintable(QString::fromStdString(test::filesIn(dir.path().string()).back())));
}

void WindowRunTest::theOwnSizeReadsItsLeadingNumbers() {
    test::TempDir dir;
    test::writeBmp(dir.file("a.bmp"), 400, 300, 4);
    auto t = openWindow(settingsFor(dir.path().string()));
    QComboBox* sizes = t.window->sizes()->cboSizes();
    sizes->setCurrentIndex(10);
    emit sizes->activated(10);
    QTest::keyClicks(t.window->sizes()->txtSizeH(), "48");
    QTest::keyClicks(t.window->sizes()->txtSizeW(), "64,5");
    test::clickEntry(*t.window, "a.bmp");
    QVERIFY(test::runAndWait(*t.window));
    const test::JpegFrame f = test::jpegFrame(dir.file("a_new.jpg"));
    QCOMPARE(f.width, 64);
    QCOMPARE(f.height, 48);
}

void WindowRunTest::theSamplingOptionsDecideTheChroma() {
    test::TempDir dir;
    test::writeBmp(dir.file("a.bmp"), 64, 48, 4);
    auto t = openWindow(settingsFor(dir.path().string()));
    test::clickEntry(*t.window, "a.bmp");
    QVERIFY(test::runAndWait(*t.window));
    QCOMPARE(test::jpegFrame(dir.file("a_new.jpg")).lumaSampling, 0x11);  // 80: beste Qualität
    // "höhere Geschwindigkeit" chosen by hand at the same quality.
    QTest::mouseClick(t.window->quality()->optQuali(1), Qt::LeftButton);
    test::clickEntry(*t.window, "a.bmp");  // the list was re-read after the run
    t.services->answers = {true};
    QVERIFY(test::runAndWait(*t.window));
    QCOMPARE(test::jpegFrame(dir.file("a_new.jpg")).lumaSampling, 0x22);
}

// "höchstens N KB" between the sizes at 4:2:0 and at 4:4:4 of the slider's
// lowest quality: the slider's rule goes on at 4:2:0 and fits; a "beste
// Qualität" clicked by hand holds, and the picture is written at 4:4:4 at a
// quality below the slider's range, as the command line's --sampling 444
// does.
void WindowRunTest::aSamplingChosenByHandHoldsUnderASizeLimit() {
    test::TempDir dir;
    test::writeBmp(dir.file("a.bmp"), 1600, 1200, 7);
    Settings s = settingsFor(dir.path().string());
    s.sizeIndex = 5;  // "1024 x 1280"
    PictureSettings picture = batchSettingsFrom(s).picture;
    picture.quality = kQualityMin;
    std::map<Sampling, std::size_t> lowest;
    for (const Sampling sampling : {Sampling::Best, Sampling::Faster}) {
        picture.sampling = sampling;
        const Result<EncodedPicture> at = processPicture(dir.file("a.bmp"), picture);
        QVERIFY(at);
        lowest[sampling] = at->bytes.size();
    }
    QVERIFY(lowest[Sampling::Best] - lowest[Sampling::Faster] > 4096);
    s.maxSizeKB = static_cast<int>((lowest[Sampling::Best] + lowest[Sampling::Faster]) / 2 / 1024);
    auto t = openWindow(s);

    test::clickEntry(*t.window, "a.bmp");
    QVERIFY(test::runAndWait(*t.window));
    QCOMPARE(test::jpegFrame(dir.file("a_new.jpg")).lumaSampling, 0x22);

    QTest::mouseClick(t.window->quality()->optQuali(0), Qt::LeftButton);  // already on
    QCOMPARE(t.window->quality()->sampling(), std::optional(Sampling::Best));
    test::clickEntry(*t.window, "a.bmp");
    t.services->answers = {true};
    QVERIFY(test::runAndWait(*t.window));
    QCOMPARE(test::jpegFrame(dir.file("a_new.jpg")).lumaSampling, 0x11);
    QVERIFY(std::filesystem::file_size(dir.file("a_new.jpg")) <=
            static_cast<std::uintmax_t>(s.maxSizeKB) * 1024);

    // Moving the slider ends the choice by hand: the rule again.
    t.window->quality()->HScroll1()->setValue(79);
    QCOMPARE(t.window->quality()->sampling(), std::nullopt);
}

// The window and `vendrik-cli optimise` are two fronts over one engine: the
// same settings file gives the same bytes, watermark included.
void WindowRunTest::theOutputsEqualTheCommandLinesByteForByte() {
    test::TempDir dir;
    std::filesystem::create_directory(dir.file("bilder"));
    std::filesystem::create_directory(dir.file("fenster"));
    std::filesystem::create_directory(dir.file("befehlszeile"));
    test::writeBmp(dir.file("bilder/a.bmp"), 640, 480, 1);
    test::writeBmp(dir.file("bilder/b.bmp"), 300, 500, 2);
    const std::string ini = dir.file("vendrik.ini");
    Settings s = settingsFor(dir.file("bilder"));
    s.samePath = false;
    s.targetFolder = dir.file("fenster");
    s.quality = 72;
    s.sizeIndex = 1;
    s.optTag = 2;
    s.tag = "klein";
    s.tagAtStart = true;
    {
        auto t = openWindow(s, ini, 2);
        test::markAll(*t.window);
        QTest::mouseClick(t.window->chkWatermark(), Qt::LeftButton);
        QVERIFY(test::runAndWait(*t.window));
        QVERIFY(t.services->messages.empty());
        QVERIFY(t.window->close());  // writes the settings the command line reads
    }
    const auto cli = test::runCommand(
        test::shellQuote(test::cliPath()) + " optimise --quiet --watermark --settings " +
        test::shellQuote(ini) + " --out " + test::shellQuote(dir.file("befehlszeile")) + " " +
        test::shellQuote(dir.file("bilder")));
    QVERIFY2(cli.exitCode == 0, cli.output.c_str());
    const std::vector<std::string> names{"klein_a.jpg", "klein_b.jpg"};
    QCOMPARE(test::filesIn(dir.file("fenster")), names);
    QCOMPARE(test::filesIn(dir.file("befehlszeile")), names);
    for (const std::string& name : names) {
        const auto window = test::readFileBytes(dir.file("fenster/" + name));
        QVERIFY(window.size() > 1000);
        QVERIFY2(window == test::readFileBytes(dir.file("befehlszeile/" + name)), name.c_str());
    }
}

// "nie größer als die Quelle" and "Dateidatum beibehalten" ticked: a small
// JPEG kept at its own size and quality 95 is written as its own bytes,
// with its date; both boxes are stored.
void WindowRunTest::theOutputChoicesReachTheRunAndTheSettings() {
    test::TempDir dir;
    const std::string source = dir.file("klein.jpg");
    QVERIFY(test::writeJpeg(source, 320, 240));
    const struct timespec old[2] = {{0, UTIME_OMIT}, {1'300'000'000, 987'654'321}};
    QVERIFY(::utimensat(AT_FDCWD, source.c_str(), old, 0) == 0);
    const std::string ini = dir.file("vendrik.ini");
    Settings s = settingsFor(dir.path().string());
    s.origSize = true;
    s.quality = 95;
    {
        auto t = openWindow(s, ini);
        QTest::mouseClick(t.window->outputs()->chkNeverLarger(), Qt::LeftButton);
        QTest::mouseClick(t.window->outputs()->chkKeepDates(), Qt::LeftButton);
        test::clickEntry(*t.window, "klein.jpg");
        QVERIFY(test::runAndWait(*t.window));
        QVERIFY(t.services->messages.empty());
        QVERIFY(t.window->close());
    }
    const std::string output = dir.file("klein_new.jpg");
    QVERIFY(std::filesystem::file_size(output) <= std::filesystem::file_size(source));
    struct stat a {};
    struct stat b {};
    QVERIFY(::stat(source.c_str(), &a) == 0 && ::stat(output.c_str(), &b) == 0);
    QCOMPARE(b.st_mtim.tv_sec, a.st_mtim.tv_sec);
    QCOMPARE(b.st_mtim.tv_nsec, a.st_mtim.tv_nsec);
    const std::string stored = fileText(ini);
    QVERIFY2(stored.find("DatumBehalten=1") != std::string::npos, stored.c_str());
    QVERIFY2(stored.find("NieGroesser=1") != std::string::npos, stored.c_str());
}

QTEST_MAIN(WindowRunTest)
#include "window_run_test.moc"
