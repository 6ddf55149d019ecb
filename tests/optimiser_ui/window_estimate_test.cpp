// The estimated output size under the preview ("ca. 245 KB"): the bytes the
// run then writes, following the settings (the strong compression too), within a size limit, empty for a
// picture that cannot be read, the last of a quick series of clicks, and a
// window that closes cleanly while it is computed.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <filesystem>

#include "optimiser/output_formats.h"
#include "optimiser/size_target.h"
#include "optimiser/ui/file_list_panel.h"
#include "optimiser/ui/preview_panel.h"
#include "optimiser/ui/quality_panel.h"
#include "optimiser/ui/size_estimate.h"
#include "optimiser/ui/size_panel.h"
#include "support/test_support.h"
#include "window_fixture.h"

using namespace vendrik;
using vendrik::test::openWindow;
using vendrik::test::settingsFor;

class WindowEstimateTest : public QObject {
    Q_OBJECT
private slots:
    void theEstimateIsWhatTheRunWrites_data();
    void theEstimateIsWhatTheRunWrites();
    void aSettingChangeChangesTheEstimate();
    void aSizeLimitBoundsTheEstimate();
    void anUnreadablePictureShowsNoEstimate();
    void aQuickSeriesOfClicksEndsWithTheLastPicture();
    void aReReadListClearsTheEstimate();
    void closingDuringTheComputationIsClean();
};

namespace {

constexpr int kTimeoutMs = 60000;

QString estimateLabel(const frmOptimize& w) {
    return w.preview()->lblEstimate()->text();
}

// Clicks an entry and waits for the answer to its estimate.
bool clickAndWaitForEstimate(frmOptimize& w, const QString& name) {
    QSignalSpy answered(w.sizeEstimate(), &SizeEstimate::estimated);
    test::clickEntry(w, name);
    return answered.wait(kTimeoutMs);
}

// Waits for the estimate a setting change asked for.
bool waitForEstimate(frmOptimize& w) {
    QSignalSpy answered(w.sizeEstimate(), &SizeEstimate::estimated);
    return answered.wait(kTimeoutMs);
}

std::uint64_t shownBytes(const frmOptimize& w) {
    return w.sizeEstimate()->bytes().value_or(0);
}

}  // namespace

void WindowEstimateTest::theEstimateIsWhatTheRunWrites_data() {
    QTest::addColumn<int>("sizeIndex");
    QTest::addColumn<int>("quality");
    QTest::addColumn<bool>("originalSize");
    QTest::addColumn<bool>("noEnlarge");
    QTest::addColumn<int>("maxSizeKB");
    QTest::addColumn<bool>("watermark");
    QTest::addColumn<int>("metadata");
    QTest::addColumn<bool>("strong");
    QTest::addColumn<int>("format");
    QTest::newRow("defaults") << 3 << 80 << false << false << 0 << false << 0 << false << 0;
    QTest::newRow("low quality, 4:2:0") << 3 << 50 << false << false << 0 << false << 0 << false
                                        << 0;
    QTest::newRow("original size") << 3 << 80 << true << false << 0 << false << 0 << false << 0;
    QTest::newRow("not enlarged") << 9 << 80 << false << true << 0 << false << 0 << false << 0;
    QTest::newRow("at most 30 KB") << 5 << 95 << false << false << 30 << false << 0 << false << 0;
    QTest::newRow("watermark") << 3 << 80 << false << false << 0 << true << 0 << false << 0;
    QTest::newRow("metadata kept") << 3 << 80 << false << false << 0 << false << 1 << false << 0;
    QTest::newRow("smaller files") << 3 << 80 << false << false << 0 << false << 1 << true << 0;
    QTest::newRow("smaller files, at most 30 KB")
        << 5 << 95 << false << false << 30 << false << 0 << true << 0;
    QTest::newRow("WebP, watermark, metadata")
        << 3 << 80 << false << false << 0 << true << 1 << false << 1;
    QTest::newRow("WebP, smaller files") << 3 << 80 << false << false << 0 << false << 0 << true
                                         << 1;
    QTest::newRow("AVIF at most 2 KB") << 0 << 95 << false << false << 2 << false << 0 << false
                                       << 2;
}

void WindowEstimateTest::theEstimateIsWhatTheRunWrites() {
    QFETCH(int, sizeIndex);
    QFETCH(int, quality);
    QFETCH(bool, originalSize);
    QFETCH(bool, noEnlarge);
    QFETCH(int, maxSizeKB);
    QFETCH(bool, watermark);
    QFETCH(int, metadata);
    QFETCH(bool, strong);
    QFETCH(int, format);
    test::TempDir dir;
    QVERIFY(test::writeJpeg(dir.file("foto.jpg"), 1200, 900, "-Model=Kamera"));
    Settings s = settingsFor(dir.path().string());
    s.sizeIndex = sizeIndex;
    s.quality = quality;
    s.origSize = originalSize;
    s.noEnlarge = noEnlarge;
    s.maxSizeKB = maxSizeKB;
    s.metadata = metadata;
    s.strongCompression = strong;
    s.format = format;
    auto t = openWindow(s);
    if (watermark) {
        QTest::mouseClick(t.window->chkWatermark(), Qt::LeftButton);
    }
    QVERIFY(clickAndWaitForEstimate(*t.window, QStringLiteral("foto.jpg")));
    const std::uint64_t estimate = shownBytes(*t.window);
    QVERIFY(estimate > 0);
    QCOMPARE(estimateLabel(*t.window),
             QStringLiteral("ca. ") + QString::fromStdString(kiloBytesText(estimate)));

    QVERIFY(test::runAndWait(*t.window));
    QVERIFY(t.services->messages.empty());
    const std::string written =
        dir.file("foto_new" + std::string(outputFormatOfSetting(format)->ending()));
    QVERIFY(std::filesystem::exists(written));
    QCOMPARE(static_cast<std::uint64_t>(std::filesystem::file_size(written)), estimate);
}

void WindowEstimateTest::aSettingChangeChangesTheEstimate() {
    test::TempDir dir;
    test::writeBmp(dir.file("a.bmp"), 800, 600, 3);
    Settings s = settingsFor(dir.path().string());
    s.sizeIndex = 3;
    auto t = openWindow(s);
    QVERIFY(clickAndWaitForEstimate(*t.window, QStringLiteral("a.bmp")));
    const std::uint64_t at80 = shownBytes(*t.window);
    QVERIFY(at80 > 0);

    // The slider: a lower quality makes a smaller file; meanwhile the label
    // shows that it is being computed.
    t.window->quality()->HScroll1()->setValue(40);
    QCOMPARE(estimateLabel(*t.window), QStringLiteral("ca. … KB"));
    QVERIFY(waitForEstimate(*t.window));
    const std::uint64_t at40 = shownBytes(*t.window);
    QVERIFY2(at40 < at80, qPrintable(QStringLiteral("%1 !< %2").arg(at40).arg(at80)));

    // A smaller box from the size list makes a smaller file again.
    QComboBox* sizes = t.window->sizes()->cboSizes();
    sizes->setCurrentIndex(0);
    emit sizes->activated(0);
    QVERIFY(waitForEstimate(*t.window));
    const std::uint64_t small = shownBytes(*t.window);
    QVERIFY(small < at40);

    // The original size: larger than the small box's.
    QTest::mouseClick(t.window->sizes()->Check1(), Qt::LeftButton);
    QVERIFY(waitForEstimate(*t.window));
    const std::uint64_t original = shownBytes(*t.window);
    QVERIFY(original > small);

    // "kleinere Dateien (langsamer)": another encoding, another size.
    QCheckBox* strong = t.window->quality()->chkCompression();
    QTest::mouseClick(strong, Qt::LeftButton, {}, QPoint(5, strong->height() / 2));
    QVERIFY(strong->isChecked());
    QVERIFY(waitForEstimate(*t.window));
    QVERIFY(shownBytes(*t.window) > 0);
    QVERIFY(shownBytes(*t.window) != original);
}

void WindowEstimateTest::aSizeLimitBoundsTheEstimate() {
    test::TempDir dir;
    test::writeBmp(dir.file("a.bmp"), 1600, 1200, 5);
    Settings s = settingsFor(dir.path().string());
    s.sizeIndex = 5;
    s.quality = 95;
    auto t = openWindow(s);
    QVERIFY(clickAndWaitForEstimate(*t.window, QStringLiteral("a.bmp")));
    const std::uint64_t unlimited = shownBytes(*t.window);
    const int limitKB = static_cast<int>(unlimited / 1024 / 2);
    QVERIFY(limitKB > 10);
    t.window->quality()->maxSizeField()->setValue(limitKB);
    QVERIFY(waitForEstimate(*t.window));
    const std::uint64_t limited = shownBytes(*t.window);
    QVERIFY(limited > 0);
    QVERIFY2(limited <= std::uint64_t(limitKB) * 1024,
             qPrintable(QStringLiteral("%1 > %2 KB").arg(limited).arg(limitKB)));
    // No limit again: back to the first estimate.
    t.window->quality()->maxSizeField()->setValue(0);
    QVERIFY(waitForEstimate(*t.window));
    QCOMPARE(shownBytes(*t.window), unlimited);
}

void WindowEstimateTest::anUnreadablePictureShowsNoEstimate() {
    test::TempDir dir;
    test::writeBmp(dir.file("gut.bmp"), 64, 48, 1);
    test::writeHostileFiles(dir.path().string());
    auto t = openWindow(settingsFor(dir.path().string()));
    // (The folder named like a picture is not listed.)
    for (const char* name : {"kaputt.jpg", "riesig.bmp"}) {
        // A good picture first, so that an old estimate would show.
        QVERIFY(clickAndWaitForEstimate(*t.window, QStringLiteral("gut.bmp")));
        QVERIFY(!estimateLabel(*t.window).isEmpty());
        QVERIFY2(clickAndWaitForEstimate(*t.window, QString::fromUtf8(name)), name);
        QVERIFY2(estimateLabel(*t.window).isEmpty(), name);
        QVERIFY(!t.window->sizeEstimate()->bytes().has_value());
    }
    QVERIFY(t.services->messages.empty());
}

void WindowEstimateTest::aQuickSeriesOfClicksEndsWithTheLastPicture() {
    test::TempDir dir;
    const std::vector<QString> names{QStringLiteral("a.bmp"), QStringLiteral("b.bmp"),
                                     QStringLiteral("c.bmp"), QStringLiteral("d.bmp")};
    // "b.bmp" is large: its estimate is still at work when c and d are clicked.
    const std::vector<int> sides{300, 2400, 700, 900};
    for (std::size_t i = 0; i < names.size(); ++i) {
        test::writeBmp(dir.file(names[i].toStdString()), sides[i], sides[i] * 3 / 4,
                       static_cast<int>(i));
    }
    Settings s = settingsFor(dir.path().string());
    s.origSize = true;  // pictures of different sizes: different estimates
    auto t = openWindow(s);
    const Result<EncodedPicture> last =
        processPicture(dir.file("d.bmp"), t.window->runSettings(1).picture);
    QVERIFY(last);
    const std::uint64_t lastBytes = last->bytes.size();

    QSignalSpy answered(t.window->sizeEstimate(), &SizeEstimate::estimated);
    // Clicks while the preview is read, and while an estimate is computed.
    for (const QString& name : names) {
        test::clickEntry(*t.window, name);
    }
    test::clickEntry(*t.window, names[1]);
    QTRY_VERIFY_WITH_TIMEOUT(t.window->sizeEstimate()->busy(), kTimeoutMs);
    test::clickEntry(*t.window, names[2]);
    test::clickEntry(*t.window, names[3]);
    QTRY_COMPARE_WITH_TIMEOUT(
        estimateLabel(*t.window),
        QStringLiteral("ca. ") + QString::fromStdString(kiloBytesText(lastBytes)), kTimeoutMs);
    QCOMPARE(shownBytes(*t.window), lastBytes);
    // Only the last click was answered: the others were dropped.
    QCOMPARE(answered.count(), 1);
}

void WindowEstimateTest::aReReadListClearsTheEstimate() {
    test::TempDir dir;
    // Large, at its own size: its estimate takes a while, long enough to
    // re-read the list while it is computed.
    test::writeBmp(dir.file("gross.bmp"), 3000, 2000, 1);
    Settings s = settingsFor(dir.path().string());
    s.origSize = true;
    auto t = openWindow(s);
    QVERIFY(clickAndWaitForEstimate(*t.window, QStringLiteral("gross.bmp")));
    QVERIFY(!estimateLabel(*t.window).isEmpty());
    QSignalSpy answered(t.window->sizeEstimate(), &SizeEstimate::estimated);

    // A setting changed, then the list re-read while its estimate is
    // computed, and again before it was asked for: nothing shows, and
    // nothing comes later.
    t.window->quality()->HScroll1()->setValue(60);
    QTRY_VERIFY_WITH_TIMEOUT(t.window->sizeEstimate()->busy(), kTimeoutMs);
    t.window->refreshFolder();
    QVERIFY(estimateLabel(*t.window).isEmpty());
    QVERIFY(test::clickAndWaitForPreview(*t.window, QStringLiteral("gross.bmp")));
    t.window->quality()->HScroll1()->setValue(70);
    QCOMPARE(estimateLabel(*t.window), QStringLiteral("ca. … KB"));
    t.window->refreshFolder();
    QVERIFY(estimateLabel(*t.window).isEmpty());
    QTest::qWait(3000);
    QVERIFY(estimateLabel(*t.window).isEmpty());
    QCOMPARE(answered.count(), 0);

    // Another setting without a clicked picture asks for nothing.
    t.window->quality()->HScroll1()->setValue(75);
    QVERIFY(estimateLabel(*t.window).isEmpty());
    QVERIFY(!t.window->sizeEstimate()->busy());
}

void WindowEstimateTest::closingDuringTheComputationIsClean() {
    test::TempDir dir;
    // Large enough, with a size limit to search, that the computation is
    // still at work when the window goes.
    test::writeBmp(dir.file("gross.bmp"), 3000, 2000, 4);
    Settings s = settingsFor(dir.path().string());
    s.origSize = true;
    s.maxSizeKB = 40;
    auto t = openWindow(s);
    test::clickEntry(*t.window, QStringLiteral("gross.bmp"));
    QTRY_VERIFY_WITH_TIMEOUT(t.window->sizeEstimate()->busy(), kTimeoutMs);
    QVERIFY(t.window->close());
    t.window.reset();
    // The answer posted by the computation finds no window; nothing runs.
    QTest::qWait(100);
}

QTEST_MAIN(WindowEstimateTest)
#include "window_estimate_test.moc"
