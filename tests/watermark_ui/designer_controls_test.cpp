// The designer's controls driven as a user drives them: what opening shows
// for stored designs (hostile ones too), the angle modes, the Enter rule of
// the text box, which changes redraw the preview, keyboard use, what a
// screen reader is told, and what it asks of the program that opens it.

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <functional>
#include <limits>
#include <utility>
#include <vector>

#include "designer_fixture.h"

using namespace vendrik;
using vendrik::test::Designer;

namespace {

// What a control group shows: the index of the chosen option, -1 for none.
int chosen(Designer& d, const char* prefix, int count) {
    int found = -1;
    for (int i = 0; i < count; ++i) {
        const QByteArray name = QByteArray(prefix) + '_' + QByteArray::number(i);
        if (d.option(name.constData())->isChecked()) {
            QTEST_ASSERT(found == -1);
            found = i;
        }
    }
    return found;
}

int lineCount(Designer& d) {
    return d.text()->document()->blockCount();
}

void typeEnterAtEnd(Designer& d, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    d.text()->setFocus();
    d.text()->moveCursor(QTextCursor::End);
    QTest::keyClick(d.text(), Qt::Key_Return, modifiers);
}

}  // namespace

class DesignerControlsTest : public QObject {
    Q_OBJECT
private slots:
    void opensWithTheStoredDesign();
    void hostileStoredValuesOpenWithFallbacks();
    void hugeTextOpensAndShowsThePictureWithoutText();
    void angleModesSetAngleAndVerticalOptions();
    void minus90ThenNormalKeepsMitte();
    void enterRule_data();
    void enterRule();
    void typingDoesNotRedrawButVorschauDoes();
    void everyOtherChangeRedraws();
    void swatchClickChoosesItsOption();
    void tabOrderFollowsTheLayout();
    void focusedScrollBarShowsIt();
    void keyboardAloneDesignsAndApplies();
    void accessibleNamesStatesAndActions();
    void opensWhereTheHostSaysAndHandsItOnlyAnAcceptedDesign();
};

void DesignerControlsTest::opensWithTheStoredDesign() {
    struct Case {
        const char* name;
        std::function<void(WatermarkSettings&)> stored;
        int sliderAngle;
        int manual;
        bool manualEnabled;
        const char* label13;
        int mode;
        int opacity, size, hPos, vPos;
        int colour, hAlign, vAlign;
        bool topAndBottomEnabled;
    };
    const Case cases[] = {
        {"defaults", [](WatermarkSettings&) {}, 40, 40, true, "40°", 1, 45, 38, 160, 120, 1, 1, 1,
         true},
        {"Manuell comes back at 40",
         [](WatermarkSettings& s) {
             s.angleMode = WatermarkAngleMode::Manuell;
             s.angle = Fixed4(25);
         },
         40, 40, true, "40°", 1, 45, 38, 160, 120, 1, 1, 1, true},
        {"Normal, other values, halves to even",
         [](WatermarkSettings& s) {
             s.angleMode = WatermarkAngleMode::Normal;
             s.angle = Fixed4(0);
             s.opacity = Fixed4::fromRaw(705000);  // 70.5 rounds to 70
             s.size = 70;
             s.hPos = 12.5;
             s.vPos = 290;
             s.color = WatermarkColour::Yellow;
             s.hAlign = HorizontalAlignment::Left;
             s.vAlign = VerticalAlignment::Bottom;
         },
         0, 40, false, "0°", 0, 70, 70, 12, 290, 3, 0, 2, true},
        {"-90°",
         [](WatermarkSettings& s) {
             s.angleMode = WatermarkAngleMode::Minus90;
             s.angle = Fixed4(89);
             s.hAlign = HorizontalAlignment::Right;
         },
         89, 40, false, "-90°", 2, 45, 38, 160, 120, 1, 2, 1, false},
        {"+90°",
         [](WatermarkSettings& s) {
             s.angleMode = WatermarkAngleMode::Plus90;
             s.angle = Fixed4(269);
             s.color = WatermarkColour::Black;
         },
         269, 40, false, "90°", 3, 45, 38, 160, 120, 0, 1, 1, false},
    };
    for (const Case& c : cases) {
        WatermarkSettings stored = Settings::defaultWatermarkDesign();
        c.stored(stored);
        Designer d(stored);
        const QByteArray where = c.name;
        QVERIFY2(d.scroll("sliderAngle")->value() == c.sliderAngle, where);
        QVERIFY2(d.scroll("sldrManual")->value() == c.manual, where);
        QVERIFY2(d.scroll("sldrManual")->isEnabled() == c.manualEnabled, where);
        QVERIFY2(d.label("Label13") == QString::fromUtf8(c.label13), where);
        QVERIFY2(d.angleMode()->currentIndex() == c.mode, where);
        QVERIFY2(d.scroll("HScroll1_0")->value() == c.opacity, where);
        QVERIFY2(d.label("Label3") == QString::number(c.opacity), where);
        QVERIFY2(d.scroll("HScroll1_1")->value() == c.size, where);
        QVERIFY2(d.label("Label4") == QString::number(c.size), where);
        QVERIFY2(d.scroll("HScroll1_2")->value() == c.hPos, where);
        QVERIFY2(d.scroll("HScroll1_3")->value() == c.vPos, where);
        QVERIFY2(chosen(d, "Option1", 6) == c.colour, where);
        QVERIFY2(chosen(d, "Option2", 3) == c.hAlign, where);
        QVERIFY2(chosen(d, "Option3", 3) == c.vAlign, where);
        QVERIFY2(d.option("Option3_0")->isEnabled() == c.topAndBottomEnabled, where);
        QVERIFY2(d.option("Option3_2")->isEnabled() == c.topAndBottomEnabled, where);
        QVERIFY2(d.option("Option3_1")->isEnabled(), where);
        QVERIFY2(
            d.text()->toPlainText() == QStringLiteral("© Tervane Vendrik\n   www.tervane.example"),
            where);
        QCOMPARE(d.dialog().windowTitle(), QStringLiteral("Wasserzeichen Einstellungen"));
    }
}

void DesignerControlsTest::hostileStoredValuesOpenWithFallbacks() {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const auto& [hPos, vPos] : {std::pair{1e300, nan}, std::pair{-inf, -0.4}}) {
        WatermarkSettings s = Settings::defaultWatermarkDesign();
        s.angleMode = WatermarkAngleMode{9};
        s.angle = Fixed4(9999);
        s.opacity = Fixed4(-3);
        s.size = -5;
        s.hPos = hPos;
        s.vPos = vPos;
        s.color = WatermarkColour{17};
        s.hAlign = HorizontalAlignment{7};
        s.vAlign = VerticalAlignment{-7};
        Designer d(s);
        // Scroll bars that cannot take a value keep their designed one; no
        // list item and no option is chosen for numbers outside them.
        QCOMPARE(d.scroll("sliderAngle")->value(), 40);
        QCOMPARE(d.angleMode()->currentIndex(), -1);
        QVERIFY(!d.scroll("sldrManual")->isEnabled());
        QCOMPARE(d.label("Label13"), QStringLiteral("40°"));
        QCOMPARE(d.scroll("HScroll1_0")->value(), 45);
        QCOMPARE(d.scroll("HScroll1_1")->value(), 38);
        QCOMPARE(d.scroll("HScroll1_2")->value(), 160);
        QCOMPARE(d.scroll("HScroll1_3")->value(), vPos < 0 ? 0 : 120);  // -0.4 rounds to 0
        QCOMPARE(chosen(d, "Option1", 6), -1);
        QCOMPARE(chosen(d, "Option2", 3), -1);
        QCOMPARE(chosen(d, "Option3", 3), -1);

        // The preview: no colour chosen draws in the render box's first
        // colour (white), no alignment chosen counts as the first option.
        PreviewDesign expected;
        expected.text = d.design().text;
        expected.angle = 40;
        expected.opacity = 45;
        expected.size = 38;
        expected.color = WatermarkColour::White;
        expected.hAlign = HorizontalAlignment::Left;
        expected.vAlign = VerticalAlignment::Top;
        QCOMPARE(d.shownPreview(), test::corePreview(expected));
    }
}

void DesignerControlsTest::hugeTextOpensAndShowsThePictureWithoutText() {
    WatermarkSettings s;
    s.text = std::string(100'000, 'W');
    Designer d(s);
    QCOMPARE(d.text()->toPlainText().size(), 100'000);
    // Too wide to turn: the preview shows the sample, and the dialog goes on.
    QCOMPARE(d.shownPreview(), toQImage(makePreviewSample()));
    QVERIFY(d.show());
    QSignalSpy redrawn(&d.dialog(), &frmWatermark::previewRedrawn);
    d.scroll("HScroll1_1")->setValue(20);
    QCOMPARE(redrawn.count(), 1);
}

void DesignerControlsTest::angleModesSetAngleAndVerticalOptions() {
    struct Case {
        int mode;
        int sliderAngle;
        const char* label13;
        bool manualEnabled;
        bool topAndBottomEnabled;
    };
    const Case cases[] = {
        {2, 89, "-90°", false, false},
        {0, 0, "0°", false, true},
        {3, 269, "90°", false, false},
        {1, 40, "40°", true, true},
    };
    Designer d;
    d.scroll("sldrManual")->setValue(70);
    QCOMPARE(d.scroll("sliderAngle")->value(), 70);
    QCOMPARE(d.label("Label13"), QStringLiteral("70°"));
    for (const Case& c : cases) {
        d.angleMode()->setCurrentIndex(c.mode);
        const QByteArray where = "mode " + QByteArray::number(c.mode);
        QVERIFY2(d.scroll("sliderAngle")->value() == c.sliderAngle, where);
        QVERIFY2(d.label("Label13") == QString::fromUtf8(c.label13), where);
        QVERIFY2(d.scroll("sldrManual")->isEnabled() == c.manualEnabled, where);
        QVERIFY2(d.option("Option3_0")->isEnabled() == c.topAndBottomEnabled, where);
        QVERIFY2(d.option("Option3_2")->isEnabled() == c.topAndBottomEnabled, where);
        if (!c.topAndBottomEnabled) {
            QVERIFY2(d.option("Option3_1")->isChecked(), where);
        }
    }
    // "Manuell" starts again at 40, whatever the manual angle was.
    QCOMPARE(d.scroll("sldrManual")->value(), 40);
}

void DesignerControlsTest::minus90ThenNormalKeepsMitte() {
    WatermarkSettings s;
    s.vAlign = VerticalAlignment::Bottom;
    Designer d(s);
    QVERIFY(d.option("Option3_2")->isChecked());
    d.angleMode()->setCurrentIndex(2);
    QVERIFY(d.option("Option3_1")->isChecked());
    QVERIFY(!d.option("Option3_0")->isEnabled());
    d.angleMode()->setCurrentIndex(0);
    QVERIFY(d.option("Option3_0")->isEnabled());
    QVERIFY(d.option("Option3_2")->isEnabled());
    QVERIFY(d.option("Option3_1")->isChecked());
}

void DesignerControlsTest::enterRule_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("linesAfterEnter");
    QTest::newRow("no line break: Enter inserts one") << "eins" << 0 << 2;
    QTest::newRow("one line break: Enter does nothing") << "eins\r\nzwei" << 0 << 2;
    QTest::newRow("one line break: Shift+Enter neither")
        << "eins\r\nzwei" << int(Qt::ShiftModifier) << 2;
    QTest::newRow("two line breaks: Enter inserts one") << "a\r\nb\r\nc" << 0 << 4;
    QTest::newRow("no line break: Shift+Enter a plain line")
        << "eins" << int(Qt::ShiftModifier) << 2;
    QTest::newRow("empty text") << "" << 0 << 2;
}

void DesignerControlsTest::enterRule() {
    QFETCH(QString, stored);
    QFETCH(int, modifiers);
    QFETCH(int, linesAfterEnter);
    WatermarkSettings s;
    s.text = stored.toStdString();
    Designer d(s);
    QVERIFY(d.show());
    typeEnterAtEnd(d, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(lineCount(d), linesAfterEnter);
    // Whatever key inserted it, a line break is one plain new line.
    QVERIFY(!d.text()->document()->toRawText().contains(QChar::LineSeparator));
    QCOMPARE(d.dialog().lineBreakCount(), static_cast<std::int16_t>(stored.count('\r')));
}

void DesignerControlsTest::typingDoesNotRedrawButVorschauDoes() {
    Designer d;
    QVERIFY(d.show());
    QSignalSpy redrawn(&d.dialog(), &frmWatermark::previewRedrawn);
    const QImage before = d.shownPreview();
    d.text()->setFocus();
    d.text()->moveCursor(QTextCursor::End);
    QTest::keyClicks(d.text(), QStringLiteral(" 2024"));
    QTest::keyClick(d.text(), Qt::Key_Backspace);
    QCOMPARE(redrawn.count(), 0);
    QCOMPARE(d.shownPreview(), before);

    QTest::mouseClick(d.button("ccXPButton3"), Qt::LeftButton);
    QCOMPARE(redrawn.count(), 1);
    PreviewDesign expected = previewDesignOf(d.design());
    expected.text = "\u00A9 Tervane Vendrik\r\n   www.tervane.example 202";
    QCOMPARE(d.shownPreview(), test::corePreview(expected));
}

void DesignerControlsTest::everyOtherChangeRedraws() {
    struct Change {
        const char* what;
        std::function<void(Designer&)> make;
    };
    const Change changes[] = {
        {"opacity", [](Designer& d) { d.scroll("HScroll1_0")->setValue(80); }},
        {"size", [](Designer& d) { d.scroll("HScroll1_1")->setValue(70); }},
        {"manual angle", [](Designer& d) { d.scroll("sldrManual")->setValue(10); }},
        {"angle mode", [](Designer& d) { d.angleMode()->setCurrentIndex(0); }},
        {"colour option",
         [](Designer& d) { QTest::mouseClick(d.option("Option1_4"), Qt::LeftButton); }},
        {"H option", [](Designer& d) { QTest::mouseClick(d.option("Option2_2"), Qt::LeftButton); }},
        {"V option", [](Designer& d) { QTest::mouseClick(d.option("Option3_0"), Qt::LeftButton); }},
        {"swatch",
         [](Designer& d) {
             QTest::mouseClick(d.child<QWidget>("Picture9"), Qt::LeftButton, {}, QPoint(2, 2));
         }},
    };
    Designer d;
    QVERIFY(d.show());
    for (const Change& c : changes) {
        QSignalSpy redrawn(&d.dialog(), &frmWatermark::previewRedrawn);
        const QImage before = d.shownPreview();
        c.make(d);
        QVERIFY2(redrawn.count() >= 1, c.what);
        QVERIFY2(d.shownPreview() != before, c.what);
    }
}

void DesignerControlsTest::swatchClickChoosesItsOption() {
    Designer d;
    QVERIFY(d.show());
    const char* swatches[] = {"Picture4", "Picture5", "Picture6",
                              "Picture7", "Picture8", "Picture9"};
    for (int i = 5; i >= 0; --i) {
        QTest::mouseClick(d.child<QWidget>(swatches[i]), Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(chosen(d, "Option1", 6), i);
    }
}

void DesignerControlsTest::tabOrderFollowsTheLayout() {
    Designer d;
    QVERIFY(d.show());
    QCOMPARE(QApplication::focusWidget(), d.text());
    // Down the settings column, then the buttons from left to right; of an
    // option group Tab visits the chosen option, the arrows move within it.
    const char* expected[] = {"cboAngle",    "sldrManual",  "HScroll1_0", "HScroll1_1",
                              "Option1_1",   "Option2_1",   "Option3_1",  "ccXPButton3",
                              "ccXPButton1", "ccXPButton2", "Text1"};
    for (const char* name : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY2(QApplication::focusWidget() != nullptr, name);
        QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromUtf8(name));
    }
}

void DesignerControlsTest::focusedScrollBarShowsIt() {
    Designer d;
    QVERIFY(d.show());
    QScrollBar* opacity = d.scroll("HScroll1_0");
    const QImage unfocused = opacity->grab().toImage();
    opacity->setFocus(Qt::TabFocusReason);
    QVERIFY(opacity->hasFocus());
    QVERIFY(opacity->grab().toImage() != unfocused);
}

void DesignerControlsTest::keyboardAloneDesignsAndApplies() {
    Designer d;
    QVERIFY(d.show());
    const auto tabTo = [&](const char* name) {
        for (int i = 0; i < 20 && QApplication::focusWidget()->objectName() != name; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromUtf8(name));
    };
    QTest::keyClicks(d.text(), QStringLiteral("!"));
    tabTo("cboAngle");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);  // "Manuell" to "Normal"
    QCOMPARE(d.angleMode()->currentIndex(), 0);
    tabTo("HScroll1_0");
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    }
    QCOMPARE(d.scroll("HScroll1_0")->value(), 50);
    tabTo("Option1_1");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);  // white to blue
    QCOMPARE(chosen(d, "Option1", 6), 2);
    tabTo("Option2_1");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);  // "Mitte" to "Links"
    QCOMPARE(chosen(d, "Option2", 3), 0);
    tabTo("ccXPButton1");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(d.dialog().result(), int(QDialog::Accepted));
    QVERIFY(!d.dialog().isVisible());
    QVERIFY(d.mainWindow().isVisible());
    QCOMPARE(d.design().opacity, Fixed4(50));
    QCOMPARE(d.design().angle, Fixed4(0));
    QCOMPARE(d.design().angleMode, WatermarkAngleMode::Normal);
    QCOMPARE(d.design().color, WatermarkColour::Blue);
    QCOMPARE(d.design().hAlign, HorizontalAlignment::Left);
    QCOMPARE(QString::fromStdString(d.design().text),
             QStringLiteral("!© Tervane Vendrik\r\n   www.tervane.example"));
}

void DesignerControlsTest::accessibleNamesStatesAndActions() {
    WatermarkSettings s;
    s.angleMode = WatermarkAngleMode::Plus90;
    s.angle = Fixed4(269);
    Designer d(s);
    QVERIFY(d.show());
    struct Expect {
        const char* control;
        const char* name;
        QAccessible::Role role;
    };
    const Expect expected[] = {
        {"Text1", "Info:", QAccessible::EditableText},
        {"sldrManual", "Winkel:", QAccessible::ScrollBar},
        {"HScroll1_0", "Transparenz:", QAccessible::ScrollBar},
        {"HScroll1_1", "Grösse:", QAccessible::ScrollBar},
        {"Option1_0", "Farbe: Schwarz", QAccessible::RadioButton},
        {"Option1_1", "Farbe: Weiß", QAccessible::RadioButton},
        {"Option1_2", "Farbe: Blau", QAccessible::RadioButton},
        {"Option1_3", "Farbe: Gelb", QAccessible::RadioButton},
        {"Option1_4", "Farbe: Rot", QAccessible::RadioButton},
        {"Option1_5", "Farbe: Grün", QAccessible::RadioButton},
        {"Option2_0", "Links", QAccessible::RadioButton},
        {"Option2_1", "Mitte", QAccessible::RadioButton},
        {"Option2_2", "Rechts", QAccessible::RadioButton},
        {"Option3_0", "Oben", QAccessible::RadioButton},
        {"Option3_1", "Mitte", QAccessible::RadioButton},
        {"Option3_2", "Unten", QAccessible::RadioButton},
        {"ccXPButton1", "ÜBERNEHMEN", QAccessible::Button},
        {"ccXPButton2", "Abbrechen", QAccessible::Button},
        {"ccXPButton3", "VORSCHAU", QAccessible::Button},
    };
    for (const Expect& e : expected) {
        QAccessibleInterface* a =
            QAccessible::queryAccessibleInterface(d.child<QWidget>(e.control));
        QVERIFY2(a != nullptr, e.control);
        QCOMPARE(a->text(QAccessible::Name), QString::fromUtf8(e.name));
        QCOMPARE(a->role(), e.role);
        if (e.role == QAccessible::Button) {
            QVERIFY2(a->actionInterface() != nullptr, e.control);
            QVERIFY2(a->actionInterface()->actionNames().contains(
                         QAccessibleActionInterface::pressAction()),
                     e.control);
        }
    }
    // A combo box's name is its current item; its caption reaches a screen
    // reader as the label it is labelled by.
    QAccessibleInterface* combo = QAccessible::queryAccessibleInterface(d.angleMode());
    QCOMPARE(combo->role(), QAccessible::ComboBox);
    QCOMPARE(combo->text(QAccessible::Value), QStringLiteral("+90°"));
    const auto labels = combo->relations(QAccessible::Label);
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels.first().first->text(QAccessible::Name), QStringLiteral("Winkel:"));

    // The option buttons tell whether they are chosen and available.
    const auto state = [&](const char* control) {
        return QAccessible::queryAccessibleInterface(d.child<QWidget>(control))->state();
    };
    QVERIFY(state("Option3_1").checked);
    QVERIFY(!state("Option3_1").disabled);
    QVERIFY(!state("Option3_0").checked);
    QVERIFY(state("Option3_0").disabled);
    QVERIFY(state("Option3_2").disabled);
    QVERIFY(state("Option1_1").checked);
    QVERIFY(!state("Option1_0").checked);
}

void DesignerControlsTest::opensWhereTheHostSaysAndHandsItOnlyAnAcceptedDesign() {
    std::vector<std::pair<QRect, QSize>> placed;
    std::vector<WatermarkSettings> kept;
    const auto host = [&] {
        DesignerHost h;
        h.place = [&](const QRect& area, const QSize& size) {
            placed.emplace_back(area, size);
            return area.topLeft() + QPoint(17, 23);
        };
        h.keep = [&](const WatermarkSettings& d) { kept.push_back(d); };
        return h;
    };
    WatermarkSettings design = Settings::defaultWatermarkDesign();
    {
        frmWatermark dialog(design, host());
        QCOMPARE(placed.size(), std::size_t{1});
        QCOMPARE(placed[0].second, dialog.size());
        QCOMPARE(dialog.pos(), placed[0].first.topLeft() + QPoint(17, 23));
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTest::mouseClick(dialog.findChild<ccXPButton*>(QStringLiteral("ccXPButton2")),
                          Qt::LeftButton);
        QVERIFY(kept.empty());
    }
    {
        frmWatermark dialog(design, host());
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        dialog.findChild<QScrollBar*>(QStringLiteral("HScroll1_0"))->setValue(60);
        QTest::mouseClick(dialog.findChild<ccXPButton*>(QStringLiteral("ccXPButton1")),
                          Qt::LeftButton);
        QCOMPARE(kept.size(), std::size_t{1});
        QCOMPARE(kept[0].opacity, Fixed4(60));
        QCOMPARE(design.opacity, Fixed4(60));
    }
    // Without a host the designer still opens and accepts.
    frmWatermark bare(design, DesignerHost{});
    bare.show();
    bare.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&bare));
    QTest::mouseClick(bare.findChild<ccXPButton*>(QStringLiteral("ccXPButton1")), Qt::LeftButton);
    QCOMPARE(bare.result(), int(QDialog::Accepted));
}

QTEST_MAIN(DesignerControlsTest)
#include "designer_controls_test.moc"
