// The file list and the preview: which files show, marking and the run
// mode, the thumbnail with its size and EXIF labels, hostile files, the
// double click, deleting and re-reading the folder.

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "controls/ccXPButton.h"
#include "optimiser/ui/file_list_panel.h"
#include "optimiser/ui/preview_panel.h"
#include "support/test_support.h"
#include "window_fixture.h"

using namespace vendrik;
using vendrik::test::openWindow;
using vendrik::test::settingsFor;

class FileListTest : public QObject {
    Q_OBJECT
private slots:
    void showsThePicturesByThePatternSortedByName();
    void markingDecidesBetweenSingleAndBatchRun();
    void aClickReadsThePictureOnce();
    void aClickShowsThumbnailSizeAndExif();
    void thumbnailsFollowTheSizeRule_data();
    void thumbnailsFollowTheSizeRule();
    void hostileFilesShowAnEmptyPreview_data();
    void hostileFilesShowAnEmptyPreview();
    void aDoubleClickOpensThePicture();
    void theRightButtonOffersDeletingOnlyWithMarks();
    void deletingAsksOnceAndRemovesOnlyTheCurrentEntry();
    void declinedDeletingKeepsTheFile();
    void refreshingRereadsAndClearsThePreview();
    void aFolderOf5000PicturesListsWithoutDecoding();
};

using vendrik::test::entries;

void FileListTest::showsThePicturesByThePatternSortedByName() {
    test::TempDir dir;
    for (const char* name : {"b.JPG", "a.png", "notiz.txt", "D.jpeg", "e.jps", "c.Tif", "f.gif",
                             "g.bmp", "h.tiff", "i.jpe"}) {
        test::writeText(dir.file(name), "x");
    }
    std::filesystem::create_directory(dir.file("ordner.jpg"));
    auto t = openWindow(settingsFor(dir.path().string()));
    QCOMPARE(entries(*t.window), (QStringList{"a.png", "b.JPG", "c.Tif", "D.jpeg", "e.jps", "f.gif",
                                              "g.bmp", "h.tiff"}));
    QCOMPARE(t.window->files()->FileList()->selectionMode(), QAbstractItemView::ExtendedSelection);
}

void FileListTest::markingDecidesBetweenSingleAndBatchRun() {
    test::TempDir dir;
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
        test::writeBmp(dir.file(name), 32, 24, 1);
    }
    auto t = openWindow(settingsFor(dir.path().string()));
    frmOptimize& w = *t.window;
    test::clickEntry(w, "a.bmp");
    QCOMPARE(w.RunMode(), 1);
    QCOMPARE(w.ccXPButton2()->Caption(), QStringLiteral("&Bildgrösse optimieren"));
    test::clickEntry(w, "c.bmp", true);
    QCOMPARE(w.RunMode(), 2);
    QCOMPARE(w.ccXPButton2()->Caption(), QStringLiteral("Stapelverar&beitung"));
    test::clickEntry(w, "a.bmp", true);  // takes its mark away
    QCOMPARE(w.RunMode(), 1);
    QCOMPARE(w.ccXPButton2()->Caption(), QStringLiteral("&Bildgrösse optimieren"));
    QCOMPARE(w.files()->markedFileNames(), std::vector<std::string>{"c.bmp"});
}

void FileListTest::aClickReadsThePictureOnce() {
    test::TempDir dir;
    for (const char* name : {"a.bmp", "b.bmp"}) {
        test::writeBmp(dir.file(name), 32, 24, 1);
    }
    auto t = openWindow(settingsFor(dir.path().string()));
    QSignalSpy chosen(t.window->files(), &FileListPanel::entryChosen);
    // The press that makes an entry current shows it; its release must not
    // ask for the same picture again.
    test::clickEntry(*t.window, "a.bmp");
    QCOMPARE(chosen.count(), 1);
    test::clickEntry(*t.window, "b.bmp");
    QCOMPARE(chosen.count(), 2);
    // A click on the entry that is current already shows it again.
    test::clickEntry(*t.window, "b.bmp");
    QCOMPARE(chosen.count(), 3);
    QCOMPARE(chosen.at(2).at(0).toString(), QStringLiteral("b.bmp"));
}

void FileListTest::aClickShowsThumbnailSizeAndExif() {
    test::TempDir dir;
    if (!test::writeJpeg(dir.file("urlaub.jpg"), 640, 480,
                         "-Model='Vendrik Testkamera' -FNumber=2.8 -ExposureTime=1/60 "
                         "'-DateTimeOriginal=2005:06:15 12:34:56'")) {
        QSKIP("cjpeg or exiftool missing");
    }
    test::writeBmp(dir.file("zweites.bmp"), 100, 80, 1);
    auto t = openWindow(settingsFor(dir.path().string()));
    PreviewPanel* p = t.window->preview();
    QVERIFY(test::clickAndWaitForPreview(*t.window, "urlaub.jpg"));
    QCOMPARE(p->picPreview()->pixmap().size(), QSize(133, 95));
    QCOMPARE(p->lblSize()->text(), QStringLiteral("Bildgrösse: 480 x 640"));
    QCOMPARE(p->exifLabel(0)->text(), QStringLiteral("Vendrik Testkamera"));
    QVERIFY(p->exifLabel(1)->text().startsWith(QStringLiteral("Blende: f 2")));
    QCOMPARE(p->exifLabel(2)->text(), QStringLiteral("Belichtung: 1/60s"));
    QCOMPARE(p->exifLabel(3)->text(), QStringLiteral("Uhrzeit: 12:34:56"));
    QCOMPARE(p->exifLabel(4)->text(), QStringLiteral("Datum: 2005:06:15"));
    QCOMPARE(t.window->lastClickedPicture(), dir.file("urlaub.jpg"));

    // A picture without EXIF puts the labels back to their bare captions.
    QVERIFY(test::clickAndWaitForPreview(*t.window, "zweites.bmp"));
    QCOMPARE(p->lblSize()->text(), QStringLiteral("Bildgrösse: 80 x 100"));
    const QStringList captions{"Camera:", "Blende:", "Belichtung:", "Uhrzeit:", "Datum:"};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(p->exifLabel(i)->text(), captions[i]);
    }
}

void FileListTest::thumbnailsFollowTheSizeRule_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QSize>("thumbnail");
    QTest::newRow("4000 x 3000") << 4000 << 3000 << QSize(133, 95);
    QTest::newRow("3000 x 4000") << 3000 << 4000 << QSize(76, 105);
}

void FileListTest::thumbnailsFollowTheSizeRule() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QSize, thumbnail);
    test::TempDir dir;
    if (!test::writeJpeg(dir.file("foto.jpg"), width, height)) {
        QSKIP("cjpeg missing");
    }
    auto t = openWindow(settingsFor(dir.path().string()));
    QVERIFY(test::clickAndWaitForPreview(*t.window, "foto.jpg"));
    QCOMPARE(t.window->preview()->picPreview()->pixmap().size(), thumbnail);
    QCOMPARE(t.window->preview()->lblSize()->text(),
             QStringLiteral("Bildgrösse: %1 x %2").arg(height).arg(width));
}

void FileListTest::hostileFilesShowAnEmptyPreview_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("corrupt JPEG") << "kaputt.jpg";
    QTest::newRow("60000 x 60000 BMP header") << "riesig.bmp";
    QTest::newRow("unreadable") << "gesperrt.png";
    QTest::newRow("gone since the listing") << "weg.jpg";
}

// Each hostile file after a good picture: the preview empties, the size
// label shows its bare caption (not the size of the picture before), and the
// window goes on working.
void FileListTest::hostileFilesShowAnEmptyPreview() {
    QFETCH(QString, name);
    test::TempDir dir;
    test::writeBmp(dir.file("gut.bmp"), 64, 48, 1);
    test::writeHostileFiles(dir.path().string());
    test::writeBmp(dir.file("weg.jpg"), 64, 48, 1);

    auto t = openWindow(settingsFor(dir.path().string()));
    std::filesystem::remove(dir.file("weg.jpg"));
    // The folder named like a picture is no entry, so no click reaches it.
    QVERIFY(test::entry(*t.window, "ordner.jpg") == nullptr);
    QVERIFY(test::clickAndWaitForPreview(*t.window, "gut.bmp"));
    QCOMPARE(t.window->preview()->lblSize()->text(), QStringLiteral("Bildgrösse: 48 x 64"));
    QVERIFY(test::clickAndWaitForPreview(*t.window, name));
    const bool rootReadsIt = name == QLatin1String("gesperrt.png") && ::geteuid() == 0;
    if (!rootReadsIt) {
        QVERIFY(t.window->preview()->picPreview()->pixmap().isNull());
        QCOMPARE(t.window->preview()->lblSize()->text(), QStringLiteral("Bildgrösse: "));
    }
    QVERIFY(test::clickAndWaitForPreview(*t.window, "gut.bmp"));
    QVERIFY(!t.window->preview()->picPreview()->pixmap().isNull());
}

void FileListTest::aDoubleClickOpensThePicture() {
    test::TempDir dir;
    test::writeBmp(dir.file("a.bmp"), 32, 24, 1);
    auto t = openWindow(settingsFor(dir.path().string()));
    QListWidget* list = t.window->files()->FileList();
    const QPoint at = list->visualItemRect(test::entry(*t.window, "a.bmp")).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(t.services->opened, std::vector<std::string>{dir.file("a.bmp")});
}

void FileListTest::theRightButtonOffersDeletingOnlyWithMarks() {
    test::TempDir dir;
    test::writeBmp(dir.file("a.bmp"), 32, 24, 1);
    auto t = openWindow(settingsFor(dir.path().string()));
    QListWidget* list = t.window->files()->FileList();
    const QPoint at = list->visualItemRect(test::entry(*t.window, "a.bmp")).center();
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, at);
    QVERIFY(!t.window->mnuContext()->isVisible());
    QCOMPARE(t.window->files()->markedCount(), 0);  // the right button marks nothing

    test::clickEntry(*t.window, "a.bmp");
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, at);
    QTRY_VERIFY(t.window->mnuContext()->isVisible());
    QCOMPARE(t.window->mnuContext()->actions().size(), 1);
    QCOMPARE(t.window->mnuContext()->actions().front()->text(), QStringLiteral("Löschen..."));
    t.window->mnuContext()->hide();
}

void FileListTest::deletingAsksOnceAndRemovesOnlyTheCurrentEntry() {
    test::TempDir dir;
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
        test::writeBmp(dir.file(name), 32, 24, 1);
    }
    auto t = openWindow(settingsFor(dir.path().string()));
    test::clickEntry(*t.window, "a.bmp");
    QVERIFY(test::clickAndWaitForPreview(*t.window, "b.bmp"));
    test::clickEntry(*t.window, "a.bmp", true);  // a and b marked, a current
    QCOMPARE(t.window->files()->markedCount(), 2);
    t.services->answers = {true};
    t.window->mnuContext()->actions().front()->trigger();
    QCOMPARE(t.services->questions,
             QStringList{QStringLiteral("Soll 'a.bmp' wirklich gelöscht werden ?")});
    QCOMPARE(test::filesIn(dir.path().string()), (std::vector<std::string>{"b.bmp", "c.bmp"}));
    QCOMPARE(entries(*t.window), (QStringList{"b.bmp", "c.bmp"}));
    QVERIFY(t.window->preview()->picPreview()->pixmap().isNull());
}

void FileListTest::declinedDeletingKeepsTheFile() {
    test::TempDir dir;
    test::writeBmp(dir.file("a.bmp"), 32, 24, 1);
    auto t = openWindow(settingsFor(dir.path().string()));
    test::clickEntry(*t.window, "a.bmp");
    t.services->answers = {false};
    t.window->mnuContext()->actions().front()->trigger();
    QCOMPARE(t.services->questions.size(), 1);
    QCOMPARE(test::filesIn(dir.path().string()), std::vector<std::string>{"a.bmp"});
    QCOMPARE(entries(*t.window), QStringList{"a.bmp"});
}

void FileListTest::refreshingRereadsAndClearsThePreview() {
    test::TempDir dir;
    test::writeBmp(dir.file("a.bmp"), 32, 24, 1);
    auto t = openWindow(settingsFor(dir.path().string()));
    QVERIFY(test::clickAndWaitForPreview(*t.window, "a.bmp"));
    test::writeBmp(dir.file("b.bmp"), 32, 24, 1);
    QTest::mouseClick(t.window->files()->ccXPButton3(), Qt::LeftButton);
    QCOMPARE(entries(*t.window), (QStringList{"a.bmp", "b.bmp"}));
    QVERIFY(t.window->preview()->picPreview()->pixmap().isNull());
    QCOMPARE(t.window->preview()->lblSize()->text(), QStringLiteral("Bildgrösse: "));
    QCOMPARE(QApplication::focusWidget(), t.window->dummy());
}

// Files that are not pictures at all, named like pictures: a list that
// opened them would fail on each; this one only lists their names.
void FileListTest::aFolderOf5000PicturesListsWithoutDecoding() {
    test::TempDir dir;
    for (int i = 0; i < 5000; ++i) {
        test::writeText(dir.file("bild" + std::to_string(10000 + i) + ".jpg"), "kein Bild");
    }
    auto t = openWindow(settingsFor(dir.path().string()));
    QCOMPARE(t.window->files()->FileList()->count(), 5000);
    QCOMPARE(t.window->files()->FileList()->item(4999)->text(), QStringLiteral("bild14999.jpg"));
}

QTEST_MAIN(FileListTest)
#include "file_list_test.moc"
