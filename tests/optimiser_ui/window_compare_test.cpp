// The comparison view "Vergleich": its output is the file the run writes,
// decoded; it follows the settings and the clicked picture, answering only
// the latest request; and keyboard and screen reader can use it.

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "controls/ccXPButton.h"
#include "imaging/picture_loader.h"
#include "optimiser/ui/comparison_view.h"
#include "optimiser/ui/comparison_window.h"
#include "optimiser/ui/output_choices_panel.h"
#include "optimiser/ui/preview_panel.h"
#include "optimiser/ui/quality_panel.h"
#include "optimiser/ui/size_estimate.h"
#include "support/test_support.h"
#include "window_fixture.h"

using namespace vendrik;
using vendrik::test::openWindow;
using vendrik::test::settingsFor;

class WindowCompareTest : public QObject {
    Q_OBJECT
private slots:
    void theOutputIsTheWrittenFileDecoded_data();
    void theOutputIsTheWrittenFileDecoded();
    void itFollowsTheSettingsAndThePicture();
    void keyboardAndScreenReaderCanUseIt();
    void anUnreadablePictureSaysWhy();
};

namespace {

constexpr int kTimeoutMs = 60000;

// Clicks "Vergleich" and waits for its answer (which may have come with
// the click's events already).
bool openComparison(frmOptimize& w) {
    QTest::mouseClick(w.preview()->cmdCompare(), Qt::LeftButton);
    if (w.comparison() == nullptr) {
        return false;
    }
    QSignalSpy shown(w.comparison(), &ComparisonWindow::shown);
    return !w.comparison()->busy() || shown.wait(kTimeoutMs);
}

bool waitForComparison(frmOptimize& w) {
    QSignalSpy shown(w.comparison(), &ComparisonWindow::shown);
    return shown.wait(kTimeoutMs);
}

// The largest difference of one colour channel, or -1 for different sizes.
int largestDifference(const QImage& image, const Surface& pixels) {
    if (image.width() != pixels.width() || image.height() != pixels.height()) {
        return -1;
    }
    int worst = 0;
    for (int y = 0; y < pixels.height(); ++y) {
        for (int x = 0; x < pixels.width(); ++x) {
            const QRgb q = image.pixel(x, y);
            const Bgr p = pixels.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(q) - p.r), std::abs(qGreen(q) - p.g),
                              std::abs(qBlue(q) - p.b)});
        }
    }
    return worst;
}

// The mean difference of a channel between `a` and `b` moved by `shift`
// pixels right and down, over what they share.
double meanDifference(const QImage& a, const QImage& b, int shift = 0) {
    double sum = 0;
    for (int y = 0; y + shift < a.height(); ++y) {
        for (int x = 0; x + shift < a.width(); ++x) {
            const QRgb p = a.pixel(x + shift, y + shift);
            const QRgb q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * (a.width() - shift) * (a.height() - shift));
}

}  // namespace

void WindowCompareTest::theOutputIsTheWrittenFileDecoded_data() {
    QTest::addColumn<int>("sizeIndex");
    QTest::addColumn<int>("quality");
    QTest::addColumn<bool>("originalSize");
    QTest::addColumn<int>("maxSizeKB");
    QTest::addColumn<bool>("watermark");
    QTest::addColumn<bool>("strong");
    QTest::addColumn<bool>("neverLarger");
    QTest::addColumn<bool>("lossless");
    // "Vergleich" clicked before the estimate has answered, when the
    // comparison encodes the picture itself, and after, when it shows the
    // estimate's output.
    QTest::addColumn<bool>("afterEstimate");
    for (const bool after : {false, true}) {
        const auto row = [after](const char* name) -> QTestData& {
            return QTest::addRow("%s%s", name, after ? ", after the estimate" : "");
        };
        row("defaults") << 3 << 80 << false << 0 << false << false << false << false << after;
        row("original size, 4:2:0")
            << 3 << 50 << true << 0 << false << false << false << false << after;
        row("at most 30 KB") << 5 << 95 << false << 30 << false << false << false << false << after;
        row("watermark") << 3 << 80 << false << 0 << true << false << false << false << after;
        row("smaller files") << 3 << 80 << false << 0 << false << true << false << false << after;
        row("source kept") << 3 << 95 << true << 0 << false << false << true << false << after;
        row("lossless") << 3 << 80 << false << 0 << false << false << false << true << after;
    }
}

void WindowCompareTest::theOutputIsTheWrittenFileDecoded() {
    QFETCH(int, sizeIndex);
    QFETCH(int, quality);
    QFETCH(bool, originalSize);
    QFETCH(int, maxSizeKB);
    QFETCH(bool, watermark);
    QFETCH(bool, strong);
    QFETCH(bool, neverLarger);
    QFETCH(bool, lossless);
    QFETCH(bool, afterEstimate);
    test::TempDir dir;
    // An odd width, so that rows kept at their own size end between two
    // four-byte words; each row's last pixel is converted on its own.
    QVERIFY(test::writeJpeg(dir.file("foto.jpg"), 1201, 900, "-Model=Kamera"));
    Settings s = settingsFor(dir.path().string());
    s.sizeIndex = sizeIndex;
    s.quality = quality;
    s.origSize = originalSize;
    s.maxSizeKB = maxSizeKB;
    s.strongCompression = strong;
    s.neverLarger = neverLarger;
    s.lossless = lossless;
    auto t = openWindow(s);
    if (watermark) {
        QTest::mouseClick(t.window->chkWatermark(), Qt::LeftButton);
    }
    QVERIFY(!t.window->preview()->cmdCompare()->isEnabled());
    QSignalSpy estimated(t.window->sizeEstimate(), &SizeEstimate::estimated);
    QVERIFY(test::clickAndWaitForPreview(*t.window, QStringLiteral("foto.jpg")));
    if (afterEstimate) {
        QVERIFY(!estimated.isEmpty() || estimated.wait(kTimeoutMs));
    }
    QVERIFY(openComparison(*t.window));
    ComparisonWindow& compared = *t.window->comparison();
    QVERIFY(compared.isVisible());
    const QImage output = compared.view()->outputImage();
    const QImage source = compared.view()->sourceImage();
    const std::uint64_t bytes = compared.outputBytes();
    const QString label = compared.outputLabel()->text();
    QVERIFY(!output.isNull());
    // Out of the way of the clicks on the main window, which becomes the
    // active window again, as the desktop makes it.
    compared.close();
    t.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(t.window.get()));

    QVERIFY(test::runAndWait(*t.window));
    QVERIFY(t.services->messages.empty());
    const std::string written = dir.file("foto_new.jpg");
    const Result<LoadedPicture> decoded = loadPicture(written);
    QVERIFY2(decoded, decoded.reason().c_str());
    QCOMPARE(largestDifference(output, decoded->pixels), 0);
    QCOMPARE(bytes, std::filesystem::file_size(written));
    QVERIFY2(label.contains(QLocale(QLocale::German).toString(static_cast<qulonglong>(bytes))),
             qPrintable(label));
    // The source beside it is the same picture at the same scale, not moved
    // by a pixel: what differs is the compression's loss (up to 13 on
    // average at 30 KB on this busy pattern), less than a move would make.
    QCOMPARE(source.size(), output.size());
    const double mean = meanDifference(source, output);
    QVERIFY2(mean < 20.0, qPrintable(QString::number(mean)));
    const double moved = meanDifference(source, output, 1);
    QVERIFY2(moved > mean, qPrintable(QStringLiteral("%1 !> %2").arg(moved).arg(mean)));
}

void WindowCompareTest::itFollowsTheSettingsAndThePicture() {
    test::TempDir dir;
    test::writeBmp(dir.file("a.bmp"), 800, 600, 3);
    test::writeBmp(dir.file("b.bmp"), 600, 800, 4);
    Settings s = settingsFor(dir.path().string());
    s.sizeIndex = 3;
    auto t = openWindow(s);
    QVERIFY(test::clickAndWaitForPreview(*t.window, QStringLiteral("a.bmp")));
    QVERIFY(openComparison(*t.window));
    ComparisonWindow* compared = t.window->comparison();
    const std::uint64_t at80 = compared->outputBytes();
    QVERIFY(compared->outputLabel()->text().endsWith(QStringLiteral("Qualität 80")));

    // Three changes in a row: one answer, for the last.
    QSignalSpy shown(compared, &ComparisonWindow::shown);
    for (const int quality : {70, 60, 50}) {
        t.window->quality()->HScroll1()->setValue(quality);
    }
    QVERIFY(shown.wait(kTimeoutMs));
    QTest::qWait(500);
    QCOMPARE(shown.count(), 1);
    const Result<EncodedPicture> at50 =
        processPicture(dir.file("a.bmp"), t.window->runSettings(1).picture);
    QVERIFY(at50);
    QCOMPARE(compared->outputBytes(), static_cast<std::uint64_t>(at50->bytes.size()));
    QVERIFY(compared->outputBytes() < at80);
    QVERIFY(compared->outputLabel()->text().endsWith(QStringLiteral("Qualität 50")));

    // Another picture clicked: the view follows it.
    test::clickEntry(*t.window, QStringLiteral("b.bmp"));
    QVERIFY(waitForComparison(*t.window));
    QVERIFY(compared->windowTitle().endsWith(QStringLiteral("b.bmp")));
    QVERIFY(compared->view()->outputImage().height() > compared->view()->outputImage().width());

    // The list re-read: no picture, nothing to compare, and no button.
    t.window->refreshFolder();
    QCOMPARE(compared->view()->message(), QStringLiteral("Kein Bild gewählt"));
    QVERIFY(compared->view()->outputImage().isNull());
    QVERIFY(!t.window->preview()->cmdCompare()->isEnabled());

    // A closed view asks nothing.
    QVERIFY(test::clickAndWaitForPreview(*t.window, QStringLiteral("a.bmp")));
    compared->close();
    t.window->quality()->HScroll1()->setValue(90);
    QTest::qWait(500);
    QVERIFY(!compared->busy());
}

void WindowCompareTest::keyboardAndScreenReaderCanUseIt() {
    test::TempDir dir;
    test::writeBmp(dir.file("a.bmp"), 1600, 1200, 2);
    Settings s = settingsFor(dir.path().string());
    s.origSize = true;
    auto t = openWindow(s);
    QCOMPARE(QAccessible::queryAccessibleInterface(t.window->preview()->cmdCompare())
                 ->text(QAccessible::Name),
             QStringLiteral("Vergleich"));
    QVERIFY(test::clickAndWaitForPreview(*t.window, QStringLiteral("a.bmp")));
    QVERIFY(openComparison(*t.window));
    ComparisonWindow* compared = t.window->comparison();
    compared->resize(800, 600);
    ComparisonView* view = compared->view();

    // The divider is a slider with a name; its keys move the line.
    QSlider* divider = compared->divider();
    QAccessibleInterface* slider = QAccessible::queryAccessibleInterface(divider);
    QVERIFY(slider != nullptr);
    QCOMPARE(slider->role(), QAccessible::Slider);
    QCOMPARE(slider->text(QAccessible::Name), QStringLiteral("Trennlinie"));
    QVERIFY(!QAccessible::queryAccessibleInterface(view)->text(QAccessible::Name).isEmpty());
    const int before = view->divider();
    QTest::keyClick(divider, Qt::Key_Right);
    QTest::keyClick(divider, Qt::Key_PageUp);
    QCOMPARE(view->divider(), before + ComparisonView::kDividerRange * 11 / 100);
    // A drag of the line itself moves the slider with it.
    const int x = view->width() * view->divider() / ComparisonView::kDividerRange;
    const int y = view->height() / 2;
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(x, y));
    QTest::mouseMove(view, QPoint(view->width() / 4, y));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(view->width() / 4, y));
    QCOMPARE(divider->value(), view->divider());
    QVERIFY(std::abs(view->divider() - ComparisonView::kDividerRange / 4) <= 2);

    // Zoom from the keyboard; at 200 % the arrow keys pan both pictures.
    QComboBox* zoom = compared->zoomList();
    QTest::keyClick(zoom, Qt::Key_Down);
    QCOMPARE(view->zoom(), ComparisonView::Zoom::Double);
    QCOMPARE(view->scale(), 2.0);
    const QPointF centre = view->centre();
    QTest::keyClick(view, Qt::Key_Right);
    QTest::keyClick(view, Qt::Key_Down);
    QVERIFY(view->centre().x() > centre.x());
    QVERIFY(view->centre().y() > centre.y());
    QTest::keyClick(view, Qt::Key_Home);
    QCOMPARE(view->centre(), QPointF(0.5, 0.5));
    QTest::keyClick(zoom, Qt::Key_Down);
    QCOMPARE(view->zoom(), ComparisonView::Zoom::Fit);
    QVERIFY(view->scale() < 1.0);

    // Side by side, the slider has nothing to move.
    QTest::mouseClick(compared->arrangement(1), Qt::LeftButton);
    QCOMPARE(view->arrangement(), ComparisonView::Arrangement::SideBySide);
    QVERIFY(!divider->isEnabled());

    // Escape closes it.
    QTest::keyClick(view, Qt::Key_Escape);
    QVERIFY(!compared->isVisible());
}

void WindowCompareTest::anUnreadablePictureSaysWhy() {
    test::TempDir dir;
    test::writeHostileFiles(dir.path().string());
    auto t = openWindow(settingsFor(dir.path().string()));
    QVERIFY(test::clickAndWaitForPreview(*t.window, QStringLiteral("kaputt.jpg")));
    QVERIFY(openComparison(*t.window));
    const ComparisonWindow* compared = t.window->comparison();
    QVERIFY2(compared->view()->message().startsWith(QStringLiteral("Keine Ausgabe: ")),
             qPrintable(compared->view()->message()));
    QVERIFY(compared->view()->outputImage().isNull());
    QCOMPARE(compared->outputBytes(), std::uint64_t{0});
    QVERIFY(t.services->messages.empty());
}

QTEST_MAIN(WindowCompareTest)
#include "window_compare_test.moc"
