// The progress bar: its range rules (any input, never a crash), the part it
// fills, its drawing read back from the widget, and what it reports to the
// accessibility interface.

#include "controls/XP_ProgressBar.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QTest>
#include <climits>
#include <limits>

#include "controls/xp_button_look.h"

using namespace vendrik;

namespace {

BgrColour at(const QImage& img, int x, int y) {
    return toBgr(img.pixel(x, y));
}

}  // namespace

class XPProgressBarTest : public QObject {
    Q_OBJECT
private slots:
    void rangeAndValue_data();
    void rangeAndValue();
    void percentSetsValue_data();
    void percentSetsValue();
    void shownText_data();
    void shownText();
    void filledPart_data();
    void filledPart();
    void brushStylesOutsideThePatternsDrawSolid();
    void drawsOutlineFillAndBackground();
    void blocksLeaveGaps();
    void imageShowsWhereFilled();
    void textIsDrawnOnlyWhenShown();
    void accessibleRoleAndValue();
};

void XPProgressBarTest::rangeAndValue_data() {
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("wantMin");
    QTest::addColumn<int>("wantMax");
    QTest::addColumn<int>("wantValue");
    QTest::addColumn<double>("wantPercent");
    QTest::newRow("0..100 at 42") << 0 << 100 << 42 << 0 << 100 << 42 << 42.0;
    QTest::newRow("above Max") << 0 << 100 << 250 << 0 << 100 << 100 << 100.0;
    QTest::newRow("below Min") << 0 << 100 << -3 << 0 << 100 << 0 << 0.0;
    QTest::newRow("offset range") << 50 << 150 << 75 << 50 << 150 << 75 << 25.0;
    QTest::newRow("negative range") << -200 << -100 << -150 << -200 << -100 << -150 << 50.0;
    QTest::newRow("Min above Max moves Max") << 300 << 100 << 5 << 100 << 100 << 100 << 0.0;
    QTest::newRow("empty range") << 7 << 7 << 9 << 7 << 7 << 7 << 0.0;
    QTest::newRow("whole int range")
        << INT_MIN << INT_MAX << 0 << INT_MIN << INT_MAX << 0
        << 100.0 * (double(INT_MIN) * -1.0) / (double(INT_MAX) - INT_MIN);
    QTest::newRow("whole int range at the top")
        << INT_MIN << INT_MAX << INT_MAX << INT_MIN << INT_MAX << INT_MAX << 100.0;
}

void XPProgressBarTest::rangeAndValue() {
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, value);
    QFETCH(int, wantMin);
    QFETCH(int, wantMax);
    QFETCH(int, wantValue);
    QFETCH(double, wantPercent);
    XP_ProgressBar bar;
    bar.setMin(min);
    bar.setMax(max);
    bar.setValue(value);
    QCOMPARE(bar.Min(), wantMin);
    QCOMPARE(bar.Max(), wantMax);
    QCOMPARE(bar.Value(), wantValue);
    QCOMPARE(bar.Percent(), wantPercent);
    // Narrowing the range later pulls Value in as well.
    bar.setMax(wantMin);
    QCOMPARE(bar.Value(), wantMin);
    QCOMPARE(bar.Min(), wantMin);
}

void XPProgressBarTest::percentSetsValue_data() {
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<double>("percent");
    QTest::addColumn<int>("wantValue");
    QTest::newRow("half") << 0 << 100 << 50.0 << 50;
    QTest::newRow("rounds to nearest, ties to even") << 0 << 5 << 50.0 << 2;  // 2.5
    QTest::newRow("offset range") << 100 << 300 << 25.0 << 150;
    QTest::newRow("above 100") << 0 << 100 << 150.0 << 100;
    QTest::newRow("below 0") << 0 << 100 << -5.0 << 0;
    QTest::newRow("infinity") << 0 << 100 << std::numeric_limits<double>::infinity() << 100;
    QTest::newRow("NaN leaves Value") << 0 << 100 << std::numeric_limits<double>::quiet_NaN() << 30;
    QTest::newRow("whole int range") << INT_MIN << INT_MAX << 100.0 << INT_MAX;
}

void XPProgressBarTest::percentSetsValue() {
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(double, percent);
    QFETCH(int, wantValue);
    XP_ProgressBar bar;
    bar.setMax(max);
    bar.setMin(min);
    bar.setValue(30);  // kept within the range
    bar.setPercent(percent);
    QCOMPARE(bar.Value(), wantValue);
}

void XPProgressBarTest::shownText_data() {
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("percentage") << 100 << 42 << ""
                                << "42 %";
    QTest::newRow("percentage of another range") << 8 << 1 << ""
                                                 << "12 %";  // 12.5, ties to even
    QTest::newRow("own text") << 100 << 42 << "Bild 3 von 5"
                              << "Bild 3 von 5";
}

void XPProgressBarTest::shownText() {
    QFETCH(int, max);
    QFETCH(int, value);
    QFETCH(QString, text);
    QFETCH(QString, shown);
    XP_ProgressBar bar;
    bar.setMax(max);
    bar.setValue(value);
    bar.setText(text);
    QCOMPARE(bar.shownText(), shown);
}

void XPProgressBarTest::filledPart_data() {
    QTest::addColumn<Qt::Orientation>("orientation");
    QTest::addColumn<int>("value");
    QTest::addColumn<QRect>("filled");
    // A 150 x 17 bar: one pixel outline, one of background, 146 x 13 inside.
    QTest::newRow("empty") << Qt::Horizontal << 0 << QRect();
    QTest::newRow("half") << Qt::Horizontal << 50 << QRect(2, 2, 73, 13);
    QTest::newRow("full") << Qt::Horizontal << 100 << QRect(2, 2, 146, 13);
    QTest::newRow("upright, a quarter from below") << Qt::Vertical << 25 << QRect(2, 112, 13, 36);
}

void XPProgressBarTest::filledPart() {
    QFETCH(Qt::Orientation, orientation);
    QFETCH(int, value);
    QFETCH(QRect, filled);
    XP_ProgressBar bar;
    bar.setOrientation(orientation);
    bar.resize(orientation == Qt::Horizontal ? QSize(150, 17) : QSize(17, 150));
    bar.setValue(value);
    QCOMPARE(bar.filledRect().isEmpty() ? QRect() : bar.filledRect(), filled);
}

void XPProgressBarTest::brushStylesOutsideThePatternsDrawSolid() {
    XP_ProgressBar bar;
    for (const Qt::BrushStyle style :
         {Qt::NoBrush, Qt::LinearGradientPattern, Qt::TexturePattern}) {
        bar.setBrushStyle(style);
        QCOMPARE(bar.BrushStyle(), Qt::SolidPattern);
    }
    bar.setBrushStyle(Qt::DiagCrossPattern);
    QCOMPARE(bar.BrushStyle(), Qt::DiagCrossPattern);
    bar.setScrolling(static_cast<XP_ProgressBar::ScrollingStyle>(7));
    QCOMPARE(bar.Scrolling(), XP_ProgressBar::ScrollingStyle::Standard);
}

void XPProgressBarTest::drawsOutlineFillAndBackground() {
    XP_ProgressBar bar;
    bar.resize(150, 17);
    bar.setScrolling(XP_ProgressBar::ScrollingStyle::Smooth);
    bar.setColor(QColor(0x11, 0x22, 0x33));
    bar.setValue(50);
    const QImage img = bar.grab().toImage();
    const BgrColour outline = coloursOf(XPButtonState::Normal).outline;
    QCOMPARE(at(img, 75, 0), outline);
    QCOMPARE(at(img, 0, 8), outline);
    QCOMPARE(at(img, 149, 8), outline);
    QVERIFY(at(img, 0, 0) != outline);   // corners left out
    QCOMPARE(at(img, 1, 8), 0xFFFFFFU);  // the background ring
    QCOMPARE(at(img, 2, 8), 0x332211U);  // filled: x = 2 .. 74
    QCOMPARE(at(img, 74, 8), 0x332211U);
    QCOMPARE(at(img, 75, 8), 0xFFFFFFU);  // not filled

    bar.setEnabled(false);
    const QImage grey = bar.grab().toImage();
    QCOMPARE(at(grey, 75, 0), coloursOf(XPButtonState::Disabled).outline);
    QCOMPARE(at(grey, 10, 8), kDisabledText);
}

void XPProgressBarTest::blocksLeaveGaps() {
    XP_ProgressBar bar;
    bar.resize(150, 17);
    bar.setColor(Qt::black);
    bar.setValue(20);  // 29 of 146 pixels: blocks of 8 (two thirds of 13) with gaps of 2
    const QImage img = bar.grab().toImage();
    QString row;
    for (int x = 2; x < 42; ++x) {
        row += at(img, x, 8) == 0 ? '#' : '.';
    }
    QCOMPARE(row, QStringLiteral("########..########..########............"));
}

void XPProgressBarTest::imageShowsWhereFilled() {
    QImage picture(10, 10, QImage::Format_RGB32);
    picture.fill(QColor(255, 0, 0));
    XP_ProgressBar bar;
    bar.resize(150, 17);
    bar.setScrolling(XP_ProgressBar::ScrollingStyle::Smooth);
    bar.setImage(picture);
    bar.setValue(50);
    const QImage img = bar.grab().toImage();
    QCOMPARE(at(img, 10, 8), 0x0000FFU);
    QCOMPARE(at(img, 120, 8), 0xFFFFFFU);
}

void XPProgressBarTest::textIsDrawnOnlyWhenShown() {
    XP_ProgressBar bar;
    bar.resize(150, 17);
    bar.setScrolling(XP_ProgressBar::ScrollingStyle::Smooth);
    bar.setValue(0);
    bar.setTextColor(QColor(0, 0, 255));
    const auto bluePixels = [&bar] {
        const QImage img = bar.grab().toImage();
        int n = 0;
        for (int y = 0; y < img.height(); ++y) {
            for (int x = 0; x < img.width(); ++x) {
                n += qBlue(img.pixel(x, y)) > 200 && qRed(img.pixel(x, y)) < 60 ? 1 : 0;
            }
        }
        return n;
    };
    QCOMPARE(bluePixels(), 0);
    bar.setShowText(true);
    QVERIFY(bluePixels() > 10);
}

void XPProgressBarTest::accessibleRoleAndValue() {
    XP_ProgressBar bar;
    bar.setAccessibleName(QStringLiteral("Gesamtfortschritt"));
    bar.setValue(30);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&bar);
    QVERIFY(a);
    QCOMPARE(a->role(), QAccessible::ProgressBar);
    QCOMPARE(a->text(QAccessible::Name), QStringLiteral("Gesamtfortschritt"));
    QCOMPARE(a->text(QAccessible::Value), QStringLiteral("30 %"));
    QAccessibleValueInterface* v = a->valueInterface();
    QVERIFY(v);
    QCOMPARE(v->currentValue().toInt(), 30);
    QCOMPARE(v->minimumValue().toInt(), 0);
    QCOMPARE(v->maximumValue().toInt(), 100);
    v->setCurrentValue(80);  // not the user's to set
    QCOMPARE(bar.Value(), 30);
    bar.setValue(120);
    QCOMPARE(v->currentValue().toInt(), 100);
}

QTEST_MAIN(XPProgressBarTest)
#include "xp_progressbar_test.moc"
