// What the window makes sure of around a run and tells after it: a missing
// target folder asked about once before the run, every control that shapes
// the output locked while it goes, "n von N" beside the bars, and the
// summary with the button that opens the target folder. And the desktop's
// habit around it: files and folders dropped from a file manager.

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QUrl>
#include <filesystem>

#include "controls/XP_ProgressBar.h"
#include "controls/ccXPButton.h"
#include "optimiser/run_report.h"
#include "optimiser/ui/file_list_panel.h"
#include "optimiser/ui/filtered_line_edit.h"
#include "optimiser/ui/naming_panel.h"
#include "optimiser/ui/preview_panel.h"
#include "optimiser/ui/paths_panel.h"
#include "optimiser/ui/quality_panel.h"
#include "optimiser/ui/run_controller.h"
#include "optimiser/ui/size_panel.h"
#include "support/test_support.h"
#include "window_fixture.h"

using namespace vendrik;
using vendrik::test::clickAndWaitForPreview;
using vendrik::test::openWindow;
using vendrik::test::settingsFor;
namespace fs = std::filesystem;

class WindowFeedbackTest : public QObject {
    Q_OBJECT
private slots:
    void aMissingTargetIsAskedOnceBeforeTheRun_data();
    void aMissingTargetIsAskedOnceBeforeTheRun();
    void aTargetThatCannotTakeOutputsIsNamedOnce();
    void everyOutputShapingControlIsLockedDuringARun();
    void theCountBesideTheBarsFollowsThePictures();
    void theSummaryFiguresAreThoseOfTheFilesWritten();
    void afterAbbrechenTheSummarySaysHowManyWereWritten();
    void droppedPicturesOpenTheirFolderMarked_data();
    void droppedPicturesOpenTheirFolderMarked();
    void aDropOnAPathFieldReplacesThePath_data();
    void aDropOnAPathFieldReplacesThePath();
    void aLargerWindowGivesItsRoomToTheListAndThePreview();
};

namespace {

// A folder of `n` pictures, the window writing into `target`.
test::WindowUnderTest windowWritingTo(const test::TempDir& dir, const std::string& target,
                                      int n, int side = 64) {
    for (int i = 0; i < n; ++i) {
        test::writeBmp(dir.file("p" + std::to_string(i) + ".bmp"), side, side * 3 / 4, i);
    }
    Settings s = settingsFor(dir.path().string());
    s.samePath = false;
    s.targetFolder = target;
    auto t = openWindow(s);
    test::markAll(*t.window);
    return t;
}

// Drags `paths` onto `target` and drops them, as a file manager does; false
// when the widget did not take the drop.
bool dropOn(QWidget* target, const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& p : paths) {
        urls << QUrl::fromLocalFile(p);
    }
    data.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                    Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
}

}  // namespace

void WindowFeedbackTest::aMissingTargetIsAskedOnceBeforeTheRun_data() {
    QTest::addColumn<bool>("accept");
    QTest::newRow("declined") << false;
    QTest::newRow("accepted") << true;
}

void WindowFeedbackTest::aMissingTargetIsAskedOnceBeforeTheRun() {
    QFETCH(bool, accept);
    test::TempDir dir;
    const std::string target = dir.file("neu/tiefer");
    auto t = windowWritingTo(dir, target, 3);
    t.services->answers = {accept};
    QSignalSpy ended(t.window.get(), &frmOptimize::runEnded);
    QTest::mouseClick(t.window->ccXPButton2(), Qt::LeftButton);
    QCOMPARE(t.services->questions,
             QStringList{QString::fromStdString("Zielordner " + target +
                                                " gibt es nicht. Anlegen?")});
    if (!accept) {
        // No run, no folder, no file, no message per picture.
        QVERIFY(!t.window->running());
        QVERIFY(ended.isEmpty());
        QVERIFY(!fs::exists(dir.file("neu")));
        QVERIFY(t.services->messages.empty());
        QVERIFY(t.window->ccXPButton2()->isEnabled());
        return;
    }
    QVERIFY(ended.wait(60000));
    QCOMPARE(t.services->questions.size(), 1);
    QCOMPARE(test::filesIn(target),
             (std::vector<std::string>{"p0_new.jpg", "p1_new.jpg", "p2_new.jpg"}));
    QVERIFY(t.services->messages.empty());
}

void WindowFeedbackTest::aTargetThatCannotTakeOutputsIsNamedOnce() {
    test::TempDir dir;
    test::writeText(dir.file("datei"), "kein Ordner");
    auto t = windowWritingTo(dir, dir.file("datei"), 3);
    QTest::mouseClick(t.window->ccXPButton2(), Qt::LeftButton);
    QVERIFY(!t.window->running());
    QVERIFY(t.services->questions.isEmpty());
    QCOMPARE(t.services->messages.size(), 1U);
    QCOMPARE(t.services->messages[0].text,
             QString::fromStdString("Ziel " + dir.file("datei") + " ist kein Ordner"));
    QCOMPARE(t.services->messages[0].icon, MessageIcon::Exclamation);
}

void WindowFeedbackTest::everyOutputShapingControlIsLockedDuringARun() {
    test::TempDir dir;
    auto t = windowWritingTo(dir, dir.path().string(), 3, 400);
    frmOptimize& w = *t.window;
    const QList<QWidget*> shaping{
        w.paths()->txtPath(0),        w.paths()->txtPath(2),
        w.paths()->chkSamePath(),     w.paths()->ButtonBrowse(0),
        w.paths()->ButtonBrowse(2),   w.sizes()->cboSizes(),
        w.sizes()->Check1(),          w.sizes()->chkNoEnlarge(),
        w.sizes()->txtSizeH(),        w.sizes()->txtSizeW(),
        w.quality()->HScroll1(),      w.quality()->optQuali(0),
        w.quality()->optQuali(1),     w.quality()->maxSizeField(),
        w.quality()->cboMetadata(),   w.naming()->cboPreTags(),
        w.naming()->optName(1),       w.naming()->optName(2),
        w.naming()->txtTag(),         w.naming()->chkAnfang(),
        w.chkWatermark(),             w.ccXPButton4()};
    std::vector<bool> enabledBefore;
    for (QWidget* control : shaping) {
        enabledBefore.push_back(control->isEnabled());
    }
    const int quality = w.quality()->HScroll1()->value();
    bool checked = false;
    connect(w.runController(), &RunController::pictureFinished, this, [&] {
        if (checked) {
            return;
        }
        checked = true;
        for (int e = 0; e < 4; ++e) {
            QVERIFY2(!w.quality()->ccXPButton1(e)->isEnabled(), qPrintable(QString::number(e)));
        }
        for (QWidget* control : shaping) {
            QVERIFY2(!control->isEnabled(), qPrintable(control->accessibleName()));
        }
        // "Optimal" clicked mid-run changes nothing the run or the settings see.
        QTest::mouseClick(w.quality()->ccXPButton1(3), Qt::LeftButton);
        QCOMPARE(w.quality()->HScroll1()->value(), quality);
        QCOMPARE(w.currentSettings().quality, quality);
    });
    QVERIFY(test::runAndWait(w));
    QVERIFY(checked);
    for (int e = 0; e < 4; ++e) {
        QVERIFY(w.quality()->ccXPButton1(e)->isEnabled());
    }
    // Afterwards each control is as its own rules had it before the run (the
    // own size's fields stay off while the size list shows a preset).
    for (qsizetype i = 0; i < shaping.size(); ++i) {
        QVERIFY2(shaping[i]->isEnabled() == enabledBefore[static_cast<std::size_t>(i)],
                 qPrintable(shaping[i]->accessibleName()));
    }
    QVERIFY(w.paths()->txtPath(2)->isEnabled());  // Gleicher Pfad is off
}

void WindowFeedbackTest::theCountBesideTheBarsFollowsThePictures() {
    test::TempDir dir;
    auto t = windowWritingTo(dir, dir.path().string(), 3);
    QVERIFY(t.window->progressCount()->text().isEmpty());
    QStringList shown;
    connect(t.window->runController(), &RunController::pictureFinished, this,
            [&] { shown << t.window->progressCount()->text(); });
    QTest::mouseClick(t.window->ccXPButton2(), Qt::LeftButton);
    QCOMPARE(t.window->progressCount()->text(), QStringLiteral("0 von 3"));
    QSignalSpy ended(t.window.get(), &frmOptimize::runEnded);
    QVERIFY(ended.wait(60000));
    // The window's own slot runs first: each picture counts as it finishes.
    QCOMPARE(shown, (QStringList{"1 von 3", "2 von 3", "3 von 3"}));
    QCOMPARE(t.window->progressCount()->text(), QStringLiteral("3 von 3"));
}

void WindowFeedbackTest::theSummaryFiguresAreThoseOfTheFilesWritten() {
    test::TempDir dir;
    fs::create_directory(dir.file("ziel"));
    test::writeText(dir.file("q.jpg"), "kein Bild");
    auto t = windowWritingTo(dir, dir.file("ziel"), 3, 320);
    QVERIFY(t.window->runSummary()->text().isEmpty());
    QVERIFY(!t.window->openTargetButton()->isVisible());
    QVERIFY(test::runAndWait(*t.window));

    std::uint64_t after = 0;
    std::uint64_t before = 0;
    for (int i = 0; i < 3; ++i) {
        const std::string n = std::to_string(i);
        after += fs::file_size(dir.file("ziel/p" + n + "_new.jpg"));
        before += fs::file_size(dir.file("p" + n + ".bmp"));
    }
    const QString want = QString::fromStdString("3 geschrieben, 0 übersprungen, 1 fehlgeschlagen – " +
                                                shortSize(after) + " statt " + shortSize(before));
    QCOMPARE(t.window->runSummary()->text(), want);
    // The failed picture keeps its message.
    QCOMPARE(t.services->messages.size(), 1U);
    QVERIFY(t.services->messages[0].text.contains(QStringLiteral("q.jpg: ")));

    QVERIFY(t.window->openTargetButton()->isVisible());
    // Its caption without the access key's mark is what a screen reader says.
    QCOMPARE(QAccessible::queryAccessibleInterface(t.window->openTargetButton())
                 ->text(QAccessible::Name),
             QStringLiteral("Zielordner öffnen"));
    QTest::mouseClick(t.window->openTargetButton(), Qt::LeftButton);
    QCOMPARE(t.services->opened, std::vector<std::string>{dir.file("ziel")});

    // A single run declined at the overwrite question writes nothing.
    test::clickEntry(*t.window, "p0.bmp");
    t.services->answers = {false};
    QVERIFY(test::runAndWait(*t.window));
    // Declined: nothing written, so nothing to open.
    QCOMPARE(t.window->runSummary()->text(),
             QStringLiteral("0 geschrieben, 1 übersprungen, 0 fehlgeschlagen"));
    QVERIFY(!t.window->openTargetButton()->isVisible());
}

void WindowFeedbackTest::afterAbbrechenTheSummarySaysHowManyWereWritten() {
    test::TempDir dir;
    constexpr int kPictures = 8;
    auto t = windowWritingTo(dir, dir.path().string(), kPictures, 400);
    connect(t.window->runController(), &RunController::pictureFinished, this,
            [&] { QTest::mouseClick(t.window->cancelButton(), Qt::LeftButton); });
    QVERIFY(test::runAndWait(*t.window));
    const std::size_t written = test::filesIn(dir.path().string()).size() - kPictures;
    QVERIFY(written >= 1 && written < kPictures);
    const QString summary = t.window->runSummary()->text();
    QVERIFY2(summary.startsWith(QStringLiteral("Abgebrochen: %1 von %2 geschrieben, ")
                                    .arg(written)
                                    .arg(kPictures)),
             qPrintable(summary));
    QVERIFY(t.window->openTargetButton()->isVisible());
}

void WindowFeedbackTest::droppedPicturesOpenTheirFolderMarked_data() {
    QTest::addColumn<QString>("where");      // "list" or "window"
    QTest::addColumn<QStringList>("dropped");  // below the other folder
    QTest::addColumn<QStringList>("marked");
    QTest::newRow("two pictures on the list")
        << "list" << QStringList{"b.bmp", "c.bmp"} << QStringList{"b.bmp", "c.bmp"};
    QTest::newRow("one picture on the window") << "window" << QStringList{"a.bmp"}
                                               << QStringList{"a.bmp"};
    QTest::newRow("the folder on the window") << "window" << QStringList{""} << QStringList{};
    QTest::newRow("the folder on the list") << "list" << QStringList{""} << QStringList{};
}

void WindowFeedbackTest::droppedPicturesOpenTheirFolderMarked() {
    QFETCH(QString, where);
    QFETCH(QStringList, dropped);
    QFETCH(QStringList, marked);
    test::TempDir dir;
    fs::create_directory(dir.file("erst"));
    fs::create_directory(dir.file("andere"));
    test::writeBmp(dir.file("erst/x.bmp"), 64, 48, 1);
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
        test::writeBmp(dir.file(std::string("andere/") + name), 64, 48, 2);
    }
    auto t = openWindow(settingsFor(dir.file("erst")));
    QStringList paths;
    for (const QString& name : dropped) {
        paths << QString::fromStdString(dir.file("andere/" + name.toStdString()));
    }
    QWidget* target = where == QStringLiteral("list") ? t.window->files()->FileList()->viewport()
                                                      : t.window->centralWidget();
    QVERIFY(dropOn(target, paths));
    const std::string folder = dir.file("andere") + "/";
    QCOMPARE(t.window->files()->folder(), folder);
    QCOMPARE(t.window->paths()->txtPath(0)->text(), QString::fromStdString(folder));
    QCOMPARE(t.window->files()->FileList()->count(), 3);
    QStringList names;
    for (const std::string& n : t.window->files()->markedFileNames()) {
        names << QString::fromStdString(n);
    }
    QCOMPARE(names, marked);
    if (!marked.isEmpty()) {
        QCOMPARE(t.window->RunMode(), marked.size() == 1 ? 1 : 2);
        QCOMPARE(t.window->lastClickedPicture(), dir.file("andere/" + marked[0].toStdString()));
    }
}

void WindowFeedbackTest::aDropOnAPathFieldReplacesThePath_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("dropped");  // below the folder "neu"
    QTest::newRow("a folder on Ziel-Pfad") << 2 << "";
    QTest::newRow("a picture on Ziel-Pfad") << 2 << "a.bmp";
    QTest::newRow("a folder on Quell-Pfad") << 0 << "";
    QTest::newRow("a picture on Quell-Pfad") << 0 << "a.bmp";
}

void WindowFeedbackTest::aDropOnAPathFieldReplacesThePath() {
    QFETCH(int, field);
    QFETCH(QString, dropped);
    test::TempDir dir;
    fs::create_directory(dir.file("alt"));
    fs::create_directory(dir.file("neu"));
    test::writeBmp(dir.file("neu/a.bmp"), 64, 48, 1);
    Settings s = settingsFor(dir.file("alt") + "/");
    s.samePath = false;
    s.targetFolder = dir.file("alt") + "/";
    auto t = openWindow(s);
    QLineEdit* path = t.window->paths()->txtPath(field);
    path->setCursorPosition(3);
    const std::string neu = dir.file("neu");
    QVERIFY(dropOn(path, {QString::fromStdString(dropped.isEmpty() ? neu
                                                                   : neu + "/" + dropped.toStdString())}));
    QCOMPARE(path->text(), QString::fromStdString(neu + "/"));
    // The source field's folder is listed at once, as "..." does.
    QCOMPARE(t.window->files()->FileList()->count(), field == 0 ? 1 : 0);
}

void WindowFeedbackTest::aLargerWindowGivesItsRoomToTheListAndThePreview() {
    test::TempDir dir;
    test::writeBmp(dir.file("a.bmp"), 1600, 1200, 1);
    auto t = openWindow(settingsFor(dir.path().string()));
    frmOptimize& w = *t.window;
    QCOMPARE(w.size(), QSize(575, 662));
    QCOMPARE(w.files()->width(), 168);
    QCOMPARE(w.preview()->thumbnailBox(), (BoxSize{133, 105}));
    const QList<QWidget*> controls{w.sizes(), w.quality(), w.naming(), w.chkWatermark(),
                                   w.ccXPButton2()};
    const int barWidth = w.XP_ProgressBar1()->width();
    std::vector<QRect> before;
    for (QWidget* c : controls) {
        before.push_back(QRect(c->mapTo(&w, QPoint(0, 0)), c->size()));
    }
    const int listHeight = w.files()->FileList()->height();

    // Twice the window's own size: the list and the preview take the room.
    w.resize(1150, 1324);
    QTRY_COMPARE(w.size(), QSize(1150, 1324));
    QTRY_VERIFY(w.files()->width() > 168 + 500);
    // The bars under both columns take the width too.
    QVERIFY(w.XP_ProgressBar1()->width() > barWidth + 400);
    QVERIFY(w.files()->FileList()->height() > listHeight);
    QCOMPARE(w.preview()->thumbnailBox(), (BoxSize{266, 210}));
    QVERIFY(clickAndWaitForPreview(w, "a.bmp"));
    const QPixmap thumbnail = w.preview()->picPreview()->pixmap();
    QCOMPARE(thumbnail.width(), 266);  // 1600 × 1200 into 266 × 210: 266 wide
    // The controls keep their size and order, moved right by the growth.
    for (qsizetype i = 0; i < controls.size(); ++i) {
        const QRect now(controls[i]->mapTo(&w, QPoint(0, 0)), controls[i]->size());
        const QRect was = before[static_cast<std::size_t>(i)];
        QCOMPARE(now.size(), was.size());
        QCOMPARE(now.left(), was.left() + 1150 - 575);
    }
    for (qsizetype i = 1; i < controls.size(); ++i) {
        QVERIFY(controls[i]->mapTo(&w, QPoint(0, 0)).y() > controls[i - 1]->mapTo(&w, QPoint(0, 0)).y());
    }
    // Back to its own size, it is as it was.
    w.resize(575, 662);
    QTRY_COMPARE(w.files()->width(), 168);
    QCOMPARE(w.preview()->thumbnailBox(), (BoxSize{133, 105}));
}

QTEST_MAIN(WindowFeedbackTest)
#include "window_feedback_test.moc"
