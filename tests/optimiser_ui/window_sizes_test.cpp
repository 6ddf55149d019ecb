// "nicht vergrößern" beside "Originalgröße(n) beibehalten", "höchstens N
// KB" beside the quality slider and "kleinere Dateien (langsamer)": found by
// their names, bound to their settings keys, and carried into a run.

#include <QAccessible>
#include <QCheckBox>
#include <QListWidget>
#include <QSpinBox>
#include <QTest>
#include <filesystem>

#include "optimiser/ui/file_list_panel.h"
#include "optimiser/ui/quality_panel.h"
#include "optimiser/ui/size_panel.h"
#include "support/test_support.h"
#include "window_fixture.h"

using namespace vendrik;
using vendrik::test::openWindow;
using vendrik::test::settingsFor;

class WindowSizesTest : public QObject {
    Q_OBJECT
private slots:
    void theControlsAreFoundByTheirNames();
    void keepingTheOriginalSizeTurnsNoEnlargeOff();
    void theKeysGoIntoTheControlsAndBack();
    void aFileWithoutTheKeysStaysAsItWas();
    void aRunKeepsSmallPicturesAndMeetsTheLimit();
};

namespace {

QString accessibleName(QWidget* w) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    return a != nullptr ? a->text(QAccessible::Name) : QString();
}

std::string fileText(const std::string& path) {
    const auto b = test::readFileBytes(path);
    return {b.begin(), b.end()};
}

}  // namespace

void WindowSizesTest::theControlsAreFoundByTheirNames() {
    test::TempDir dir;
    auto t = openWindow(settingsFor(dir.path().string()));
    QCheckBox* noEnlarge = t.window->findChild<QCheckBox*>();
    for (QCheckBox* c : t.window->findChildren<QCheckBox*>()) {
        if (c->text() == QStringLiteral("nicht vergrößern")) {
            noEnlarge = c;
        }
    }
    QCOMPARE(noEnlarge, t.window->sizes()->chkNoEnlarge());
    QCOMPARE(accessibleName(noEnlarge), QStringLiteral("nicht vergrößern"));
    QVERIFY(!noEnlarge->isChecked());
    // Beside the keep-size check box, in the same row.
    QCOMPARE(noEnlarge->y(), t.window->sizes()->Check1()->y());
    QVERIFY(noEnlarge->x() > t.window->sizes()->Check1()->x());

    // "kleinere Dateien (langsamer)" in the "JPEG-Kompression: " frame, off
    // by default.
    QCheckBox* strong = nullptr;
    for (QCheckBox* c : t.window->findChildren<QCheckBox*>()) {
        if (accessibleName(c) == QStringLiteral("kleinere Dateien (langsamer)")) {
            strong = c;
        }
    }
    QCOMPARE(strong, t.window->quality()->chkCompression());
    QVERIFY(!strong->isChecked());
    QVERIFY(t.window->quality()->isAncestorOf(strong));
    QCOMPARE(t.window->quality()->title(), QStringLiteral("JPEG-Kompression: "));

    QSpinBox* field = t.window->quality()->maxSizeField();
    QCOMPARE(accessibleName(field), QStringLiteral("höchstens N KB"));
    QCOMPARE(field->value(), 0);
    QCOMPARE(field->text(), QStringLiteral("–"));  // no limit
    field->setValue(245);
    QCOMPARE(field->text(), QStringLiteral("245 KB"));
}

void WindowSizesTest::keepingTheOriginalSizeTurnsNoEnlargeOff() {
    test::TempDir dir;
    auto t = openWindow(settingsFor(dir.path().string()));
    QCheckBox* keep = t.window->sizes()->Check1();
    QCheckBox* noEnlarge = t.window->sizes()->chkNoEnlarge();
    QVERIFY(noEnlarge->isEnabled());
    QTest::mouseClick(keep, Qt::LeftButton, {}, QPoint(5, keep->height() / 2));
    QVERIFY(keep->isChecked());
    QVERIFY(!noEnlarge->isEnabled());
    QTest::mouseClick(keep, Qt::LeftButton, {}, QPoint(5, keep->height() / 2));
    QVERIFY(noEnlarge->isEnabled());
}

void WindowSizesTest::theKeysGoIntoTheControlsAndBack() {
    test::TempDir dir;
    const std::string ini = dir.file("vendrik.ini");
    Settings s = settingsFor(dir.path().string());
    s.noEnlarge = true;
    s.maxSizeKB = 150;
    {
        auto t = openWindow(s, ini);
        QVERIFY(t.window->sizes()->chkNoEnlarge()->isChecked());
        QCOMPARE(t.window->quality()->maxSizeField()->value(), 150);
        QVERIFY(!t.window->quality()->chkCompression()->isChecked());
        QCOMPARE(t.window->runSettings(2).picture.compression, JpegCompression::Standard);
        t.window->quality()->maxSizeField()->setValue(90);
        QCheckBox* strong = t.window->quality()->chkCompression();
        QTest::mouseClick(strong, Qt::LeftButton, {}, QPoint(5, strong->height() / 2));
        QCOMPARE(t.window->runSettings(2).picture.compression, JpegCompression::Strong);
        QVERIFY(t.window->close());
    }
    const Settings stored = loadSettings(ini);
    QVERIFY(stored.noEnlarge);
    QCOMPARE(stored.maxSizeKB, 90);
    QVERIFY(stored.strongCompression);
    const std::string text = fileText(ini);
    QVERIFY2(text.find("NoEnlarge=1") != std::string::npos, text.c_str());
    QVERIFY2(text.find("MaxSize=90") != std::string::npos, text.c_str());
    QVERIFY2(text.find("Kompression=1") != std::string::npos, text.c_str());
    // The stored choice comes back into the box.
    auto again = openWindow(loadSettings(ini), ini);
    QVERIFY(again.window->quality()->chkCompression()->isChecked());
}

// The three keys are written when they say something; a file that never held
// them gets none of them.
void WindowSizesTest::aFileWithoutTheKeysStaysAsItWas() {
    test::TempDir dir;
    const std::string ini = dir.file("vendrik.ini");
    {
        auto t = openWindow(settingsFor(dir.path().string()), ini);
        QVERIFY(t.window->close());
    }
    const std::string text = fileText(ini);
    QVERIFY2(text.find("NoEnlarge") == std::string::npos, text.c_str());
    QVERIFY2(text.find("MaxSize") == std::string::npos, text.c_str());
    QVERIFY2(text.find("Kompression") == std::string::npos, text.c_str());
}

void WindowSizesTest::aRunKeepsSmallPicturesAndMeetsTheLimit() {
    test::TempDir dir;
    test::writeBmp(dir.file("klein.bmp"), 100, 80, 3);
    test::writeBmp(dir.file("gross.bmp"), 900, 700, 4);
    Settings s = settingsFor(dir.path().string());
    s.sizeIndex = 2;  // "480 x 640"
    s.noEnlarge = true;
    s.maxSizeKB = 45;
    auto t = openWindow(s);
    QListWidget* list = t.window->files()->FileList();
    for (int i = 0; i < list->count(); ++i) {
        test::clickEntry(*t.window, list->item(i)->text(), i > 0);
    }
    QVERIFY(test::runAndWait(*t.window));
    const auto small = test::jpegFrame(dir.file("klein_new.jpg"));
    QCOMPARE(small.width, 100);  // kept, not enlarged to 600 × 480
    QCOMPARE(small.height, 80);
    const auto large = test::jpegFrame(dir.file("gross_new.jpg"));
    QCOMPARE(large.width, 617);  // still reduced into the box
    QCOMPARE(large.height, 480);
    const auto bytes = std::filesystem::file_size(dir.file("gross_new.jpg"));
    QVERIFY2(bytes <= 45 * 1024, std::to_string(bytes).c_str());
}

QTEST_MAIN(WindowSizesTest)
#include "window_sizes_test.moc"
