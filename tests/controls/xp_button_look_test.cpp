// The push button's drawing, read back pixel by pixel from the widget's
// own rendering (QWidget::grab) of a 75 x 23 button in each state.

#include "controls/xp_button_look.h"

#include <QSet>
#include <QTest>

#include "button_host.h"

using namespace vendrik;
using vendrik::test::bgrAt;
using vendrik::test::ButtonHost;
using vendrik::test::hex;

Q_DECLARE_METATYPE(vendrik::XPButtonState)

namespace {

constexpr int W = 75;
constexpr int H = 23;

// Pixels of one row (or column) that differ from `expected`, as text.
QStringList wrongPixels(const QImage& img, QPoint from, QPoint step, int count,
                        BgrColour expected) {
    QStringList wrong;
    for (int k = 0; k < count; ++k) {
        const QPoint p = from + step * k;
        if (bgrAt(img, p.x(), p.y()) != expected) {
            wrong << QStringLiteral("(%1,%2)=%3")
                         .arg(p.x())
                         .arg(p.y())
                         .arg(hex(bgrAt(img, p.x(), p.y())));
        }
    }
    return wrong;
}

struct Rendered {
    QImage image;  // null when the button could not be put into the state
    QRgb behind = 0;
    QRegion mask;
};

Rendered renderState(XPButtonState s) {
    ButtonHost host{QString()};
    if (!host.show()) {
        return {};
    }
    host.driveTo(s);
    if (host.button()->visualState() != s) {
        qWarning("button is in state %d, not %d", int(host.button()->visualState()), int(s));
        return {};
    }
    return {host.grab(), host.behind(), host.button()->mask()};
}

}  // namespace

class XPButtonLookTest : public QObject {
    Q_OBJECT
private slots:
    void geometryAndColours_data();
    void geometryAndColours();
    void ringAndFaceGradients_data();
    void ringAndFaceGradients();
    void fills_data();
    void fills();
    void disabledCaptionIsGrey();
    void captionUsesForeColor();
    void accessKeyIsUnderlined();
    void focusRectangleIsDottedAndInverts();
    void noFocusRectangleInStateOne();
    void gradientRowsRoundInSinglePrecisionTiesToEven();
};

void XPButtonLookTest::geometryAndColours_data() {
    QTest::addColumn<XPButtonState>("state");
    QTest::newRow("0 disabled") << XPButtonState::Disabled;
    QTest::newRow("1 normal") << XPButtonState::Normal;
    QTest::newRow("2 default") << XPButtonState::Focused;
    QTest::newRow("3 hot") << XPButtonState::Hot;
    QTest::newRow("4 pressed") << XPButtonState::Pressed;
}

void XPButtonLookTest::geometryAndColours() {
    QFETCH(XPButtonState, state);
    const Rendered r = renderState(state);
    const QImage& img = r.image;
    QVERIFY(!img.isNull());
    QCOMPARE(img.size(), QSize(W, H));
    const XPButtonColours& c = coloursOf(state);

    // The outline: rows 0 and H - 1 from x = 3 to W - 4, columns 0 and
    // W - 1 from y = 3 to H - 4; the pixels beyond belong to the corners.
    QCOMPARE(wrongPixels(img, {3, 0}, {1, 0}, W - 6, c.outline), QStringList());
    QCOMPARE(wrongPixels(img, {3, H - 1}, {1, 0}, W - 6, c.outline), QStringList());
    QCOMPARE(wrongPixels(img, {0, 3}, {0, 1}, H - 6, c.outline), QStringList());
    QCOMPARE(wrongPixels(img, {W - 1, 3}, {0, 1}, H - 6, c.outline), QStringList());
    QVERIFY(bgrAt(img, 2, 0) != c.outline && bgrAt(img, W - 3, 0) != c.outline);
    QVERIFY(bgrAt(img, 0, 2) != c.outline && bgrAt(img, 0, H - 3) != c.outline);

    // Corner pixels: A, B, C where each corner puts them.
    struct Expect {
        int x, y;
        BgrColour colour;
    };
    const Expect corners[] = {
        {0, 1, c.cornerB},         {0, 2, c.cornerA},         {1, 0, c.cornerB},
        {1, 1, c.cornerC},         {2, 0, c.cornerA},         {W - 1, 1, c.cornerB},
        {W - 1, 2, c.cornerA},     {W - 2, 0, c.cornerB},     {W - 2, 1, c.cornerC},
        {W - 3, 0, c.cornerA},     {0, H - 2, c.cornerB},     {0, H - 3, c.cornerA},
        {1, H - 1, c.cornerB},     {1, H - 2, c.cornerC},     {2, H - 1, c.cornerA},
        {W - 1, H - 2, c.cornerB}, {W - 1, H - 3, c.cornerA}, {W - 2, H - 1, c.cornerB},
        {W - 2, H - 2, c.cornerC}, {W - 3, H - 1, c.cornerA},
    };
    for (const Expect& e : corners) {
        QVERIFY2(bgrAt(img, e.x, e.y) == e.colour,
                 qPrintable(QStringLiteral("(%1,%2) is %3, not %4")
                                .arg(e.x)
                                .arg(e.y)
                                .arg(hex(bgrAt(img, e.x, e.y)), hex(e.colour))));
    }
    // The rounded region leaves exactly the four corner pixels out, and
    // there what lies behind the button shows.
    const QRegion cut = QRegion(0, 0, W, H) - r.mask;
    QCOMPARE(cut, QRegion(0, 0, 1, 1) + QRegion(W - 1, 0, 1, 1) + QRegion(0, H - 1, 1, 1) +
                      QRegion(W - 1, H - 1, 1, 1));
    for (const QPoint p :
         {QPoint(0, 0), QPoint(W - 1, 0), QPoint(0, H - 1), QPoint(W - 1, H - 1)}) {
        QCOMPARE(img.pixel(p), r.behind);
    }

    qInfo(
        "state %d: outline (3,0) %s (71,0) %s (0,3) %s (0,19) %s; corners A (2,0) %s B (1,0) %s "
        "C (1,1) %s; row 1 %s, row 2 %s, row 3 %s, row 20 %s, row 21 %s (at x = 37); corner (0,0) "
        "in the region: %s",
        int(state), qPrintable(hex(bgrAt(img, 3, 0))), qPrintable(hex(bgrAt(img, 71, 0))),
        qPrintable(hex(bgrAt(img, 0, 3))), qPrintable(hex(bgrAt(img, 0, 19))),
        qPrintable(hex(bgrAt(img, 2, 0))), qPrintable(hex(bgrAt(img, 1, 0))),
        qPrintable(hex(bgrAt(img, 1, 1))), qPrintable(hex(bgrAt(img, 37, 1))),
        qPrintable(hex(bgrAt(img, 37, 2))), qPrintable(hex(bgrAt(img, 37, 3))),
        qPrintable(hex(bgrAt(img, 37, 20))), qPrintable(hex(bgrAt(img, 37, 21))),
        r.mask.contains(QPoint(0, 0)) ? "yes" : "no");
}

void XPButtonLookTest::ringAndFaceGradients_data() {
    QTest::addColumn<XPButtonState>("state");
    QTest::addColumn<uint>("ringRow19");  // ring gradient, row 19: i = 2 of n = 18
    QTest::newRow("1 normal") << XPButtonState::Normal << 0xE8EDEEU;
    QTest::newRow("2 default") << XPButtonState::Focused << 0xE9B291U;
    QTest::newRow("3 hot") << XPButtonState::Hot << 0x3CBBFCU;
}

void XPButtonLookTest::ringAndFaceGradients() {
    QFETCH(XPButtonState, state);
    QFETCH(uint, ringRow19);
    const QImage img = renderState(state).image;
    QVERIFY(!img.isNull());
    const XPButtonColours& c = coloursOf(state);

    // The four lines, each over the whole width but the corner pixels.
    QCOMPARE(wrongPixels(img, {2, 1}, {1, 0}, W - 4, c.line1), QStringList());
    QCOMPARE(wrongPixels(img, {1, 2}, {1, 0}, W - 2, c.line2), QStringList());
    QCOMPARE(wrongPixels(img, {1, H - 3}, {1, 0}, W - 2, c.line3), QStringList());
    QCOMPARE(wrongPixels(img, {2, H - 2}, {1, 0}, W - 4, c.line4), QStringList());

    // The face gradient runs from &HE6EBEC at row 20 (overdrawn by line 3)
    // up to &HFBFCFC at row 3, the same in every state.
    QCOMPARE(wrongPixels(img, {3, 3}, {1, 0}, W - 6, kFaceTop), QStringList());
    QCOMPARE(wrongPixels(img, {3, 19}, {1, 0}, W - 6, 0xE7ECED), QStringList());  // i = 1 of 17
    QCOMPARE(wrongPixels(img, {3, 11}, {1, 0}, W - 6, 0xF1F4F4), QStringList());  // i = 9 of 17

    // The ring shows in columns 1, 2, W - 3 and W - 2 beside the face.
    for (const int x : {1, 2, W - 3, W - 2}) {
        QCOMPARE(hex(bgrAt(img, x, 3)), hex(c.ringTop));
        QCOMPARE(hex(bgrAt(img, x, 19)), hex(ringRow19));
    }
}

void XPButtonLookTest::fills_data() {
    QTest::addColumn<XPButtonState>("state");
    QTest::addColumn<uint>("fill");
    QTest::newRow("0 disabled fill") << XPButtonState::Disabled << uint(kDisabledFill);
    QTest::newRow("4 pressed fill") << XPButtonState::Pressed << uint(kPressedFill);
}

void XPButtonLookTest::fills() {
    QFETCH(XPButtonState, state);
    QFETCH(uint, fill);
    const QImage img = renderState(state).image;
    QVERIFY(!img.isNull());
    // Everything inside the outline but the four C corner pixels.
    QStringList wrong;
    for (int y = 1; y <= H - 2; ++y) {
        wrong += wrongPixels(img, {1, y}, {1, 0}, W - 2, fill);
    }
    const QStringList corners = {"(1,1)", "(73,1)", "(1,21)", "(73,21)"};
    wrong.removeIf([&](const QString& s) {
        return std::any_of(corners.begin(), corners.end(),
                           [&](const QString& c) { return s.startsWith(c); });
    });
    QCOMPARE(wrong, QStringList());
}

void XPButtonLookTest::disabledCaptionIsGrey() {
    ButtonHost host(QStringLiteral("Deaktiviert"));
    QFont font = host.button()->font();
    font.setStyleStrategy(QFont::NoAntialias);  // every text pixel in the text colour
    host.button()->setFont(font);
    host.button()->setForeColor(Qt::red);  // not used while disabled
    QVERIFY(host.show());
    host.driveTo(XPButtonState::Disabled);
    const QImage img = host.grab();

    QMap<BgrColour, int> seen;
    const QRect text = captionRect(W, H);
    for (int y = text.top(); y <= text.bottom(); ++y) {
        for (int x = text.left(); x <= text.right(); ++x) {
            ++seen[bgrAt(img, x, y)];
        }
    }
    QCOMPARE(seen.keys(), (QList<BgrColour>{kDisabledText, kDisabledFill}));
    QVERIFY(seen[kDisabledText] > 20);
}

void XPButtonLookTest::captionUsesForeColor() {
    ButtonHost host(QStringLiteral("Rot"));
    QFont font = host.button()->font();
    font.setStyleStrategy(QFont::NoAntialias);
    host.button()->setFont(font);
    QVERIFY(host.show());
    const auto count = [&](BgrColour colour) {
        const QImage img = host.grab();
        int n = 0;
        for (int y = 0; y < H; ++y) {
            for (int x = 0; x < W; ++x) {
                n += bgrAt(img, x, y) == colour ? 1 : 0;
            }
        }
        return n;
    };
    QVERIFY(count(0x000000) > 10);  // black by default
    host.button()->setForeColor(QColor(255, 0, 0));
    QCOMPARE(count(0x000000), 0);
    QVERIFY(count(0x0000FF) > 10);
}

void XPButtonLookTest::accessKeyIsUnderlined() {
    // "Save && &Exit" and "Save && Exit" both read "Save & Exit"; they
    // differ only by the underline of E: one short horizontal run of pixels.
    const auto render = [](const QString& caption) {
        ButtonHost host(caption, QSize(120, 23));
        QFont font = host.button()->font();
        font.setStyleStrategy(QFont::NoAntialias);
        host.button()->setFont(font);
        return host.show() ? host.grab() : QImage();
    };
    const QImage marked = render(QStringLiteral("Save && &Exit"));
    const QImage plain = render(QStringLiteral("Save && Exit"));
    QVERIFY(!marked.isNull() && !plain.isNull());
    QRect differing;
    for (int y = 0; y < marked.height(); ++y) {
        for (int x = 0; x < marked.width(); ++x) {
            if (marked.pixel(x, y) != plain.pixel(x, y)) {
                differing |= QRect(x, y, 1, 1);
            }
        }
    }
    QVERIFY2(!differing.isEmpty(), "no underline");
    QVERIFY2(
        differing.height() <= 2 && differing.width() >= 4 && differing.width() <= 16,
        qPrintable(
            QStringLiteral("underline %1 x %2").arg(differing.width()).arg(differing.height())));
    QVERIFY(differing.center().x() > 60);  // under "Exit", right of "Save & "
}

void XPButtonLookTest::focusRectangleIsDottedAndInverts() {
    const auto render = [](bool focusRect) {
        ButtonHost host{QString()};
        host.button()->setFocusRect(focusRect);
        if (!host.show()) {
            return QImage();
        }
        host.button()->setFocus();
        return host.button()->visualState() == XPButtonState::Focused ? host.grab() : QImage();
    };
    const QImage with = render(true);
    const QImage without = render(false);
    QVERIFY(!with.isNull() && !without.isNull());
    const QRect r = captionRect(W, H);
    QCOMPARE(r, QRect(QPoint(3, 3), QPoint(W - 4, H - 4)));
    int dots = 0;
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const bool onEdge = r.contains(x, y) && (x == r.left() || x == r.right() ||
                                                     y == r.top() || y == r.bottom());
            const bool dot = onEdge && (x + y) % 2 == 0;
            const BgrColour expected =
                dot ? (bgrAt(without, x, y) ^ 0xFFFFFFU) : bgrAt(without, x, y);
            QVERIFY2(
                bgrAt(with, x, y) == expected,
                qPrintable(
                    QStringLiteral("(%1,%2) is %3").arg(x).arg(y).arg(hex(bgrAt(with, x, y)))));
            dots += dot ? 1 : 0;
        }
    }
    QCOMPARE(dots, (r.width() + r.height()) - 2);  // half of the 2w + 2h - 4 edge pixels
}

void XPButtonLookTest::noFocusRectangleInStateOne() {
    // A focused button in state 1 (its default indication just removed)
    // shows no focus rectangle either: it is drawn above state 1 only.
    ButtonHost host{QString()};
    QVERIFY(host.show());
    host.button()->setFocus();
    const QImage focused = host.grab();
    host.button()->setDefault(false);
    QCOMPARE(host.button()->visualState(), XPButtonState::Normal);
    const QImage normal = host.grab();
    QVERIFY(host.button()->flags().hasFocus);
    QCOMPARE(hex(bgrAt(normal, 3, 3)), hex(kFaceTop));
    QVERIFY(bgrAt(focused, 3, 3) != kFaceTop);  // the dot at the corner
}

void XPButtonLookTest::gradientRowsRoundInSinglePrecisionTiesToEven() {
    // The normal ring over 19 rows (n = 18): at i = 9 the blue channel is
    // 230 + 21 / 18 * 9 = 240.5 and the green 235 + 17 / 18 * 9 = 243.5,
    // both exact in single precision; ties go to the even neighbour.
    QCOMPARE(hex(gradientRow(0xFBFCFC, 0xE6EBEC, 18, 9)), hex(0xF0F4F4));
    // At i = 3 the blue channel is 233.5: up to 234, the even one.
    QCOMPARE(hex(gradientRow(0xFBFCFC, 0xE6EBEC, 18, 3)), hex(0xEAEEEF));
    QCOMPARE(hex(gradientRow(0xFBFCFC, 0xE6EBEC, 18, 0)), hex(0xE6EBEC));
    QCOMPARE(hex(gradientRow(0xFBFCFC, 0xE6EBEC, 18, 18)), hex(0xFBFCFC));
    // Falling channels too: the hot ring's red goes from 255 down to 225.
    QCOMPARE(hex(gradientRow(0x9CDFE1, 0x30B6FF, 18, 18)), hex(0x9CDFE1));

    // On the widget: column 1, row 12 is i = 9 of the normal ring.
    const QImage img = renderState(XPButtonState::Normal).image;
    QVERIFY(!img.isNull());
    QCOMPARE(hex(bgrAt(img, 1, 12)), hex(0xF0F4F4));
    QCOMPARE(hex(bgrAt(img, 1, 18)), hex(0xEAEEEF));
}

QTEST_MAIN(XPButtonLookTest)
#include "xp_button_look_test.moc"
