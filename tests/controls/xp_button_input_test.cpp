// The push button driven by real mouse and key events through its window,
// as a user drives it.

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCursor>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "button_host.h"
#include "controls/caption_text.h"

using namespace vendrik;
using vendrik::test::ButtonHost;

namespace {

// Every event the button raises, counted.
struct Spies {
    explicit Spies(ccXPButton* b)
        : click(b, &ccXPButton::Click),
          dblClick(b, &ccXPButton::DblClick),
          mouseMove(b, &ccXPButton::MouseMove),
          formActivate(b, &ccXPButton::FormActivate) {}
    [[nodiscard]] qsizetype total() const {
        return click.count() + dblClick.count() + mouseMove.count() + formActivate.count();
    }
    QSignalSpy click;
    QSignalSpy dblClick;
    QSignalSpy mouseMove;
    QSignalSpy formActivate;
};

}  // namespace

class XPButtonInputTest : public QObject {
    Q_OBJECT
private slots:
    void clickByMouse();
    void pressMoveOutReleaseDoesNotClick();
    void spaceDownUpPressesThenClicksOnce();
    void enterClicksOnceWithoutPressedState();
    void accessKeyFromCaption_data();
    void accessKeyFromCaption();
    void altAccessKeyClicks();
    void doubleClick();
    void mouseMoveReportsButtonsAndPosition();
    void disabledDrawsStateZeroAndRaisesNothing();
    void minimumSizeIsHundredTwips();
    void layoutsKeepTheSizeHint();
    void arrowKeysMoveTheFocus();
    void windowActivationRaisesFormActivate();
    void snapMouseToCentre();
    void accessibleNameRoleAndPress();
};

void XPButtonInputTest::clickByMouse() {
    ButtonHost host(QStringLiteral("&OK"));
    QVERIFY(host.show());
    Spies spies(host.button());
    QTest::mouseMove(host.button(), host.centre());
    QCOMPARE(host.button()->visualState(), XPButtonState::Hot);
    QTest::mousePress(host.button(), Qt::LeftButton, {}, host.centre());
    QCOMPARE(host.button()->visualState(), XPButtonState::Pressed);
    QVERIFY(host.button()->hasFocus());
    QTest::mouseRelease(host.button(), Qt::LeftButton, {}, host.centre());
    QCOMPARE(spies.click.count(), 1);
    QCOMPARE(host.button()->visualState(), XPButtonState::Hot);
}

void XPButtonInputTest::pressMoveOutReleaseDoesNotClick() {
    ButtonHost host(QStringLiteral("&OK"));
    QVERIFY(host.show());
    Spies spies(host.button());
    const QPoint outside(host.button()->width() + 30, host.centre().y());
    QTest::mouseMove(host.button(), host.centre());
    QTest::mousePress(host.button(), Qt::LeftButton, {}, host.centre());
    QTest::mouseMove(host.button(), outside);
    QCOMPARE(host.button()->visualState(), XPButtonState::Focused);
    QTest::mouseRelease(host.button(), Qt::LeftButton, {}, outside);
    QCOMPARE(spies.click.count(), 0);
    QVERIFY(host.button()->hasFocus());
    QCOMPARE(host.button()->visualState(), XPButtonState::Focused);
}

void XPButtonInputTest::spaceDownUpPressesThenClicksOnce() {
    ButtonHost host(QStringLiteral("&OK"));
    QVERIFY(host.show());
    host.button()->setFocus();
    Spies spies(host.button());
    QTest::keyPress(host.button(), Qt::Key_Space);
    QCOMPARE(host.button()->visualState(), XPButtonState::Pressed);
    QCOMPARE(spies.click.count(), 0);
    // A held key repeats as release and press pairs marked auto-repeat.
    QTest::simulateEvent(host.button(), false, Qt::Key_Space, {}, QStringLiteral(" "), true);
    QTest::simulateEvent(host.button(), true, Qt::Key_Space, {}, QStringLiteral(" "), true);
    QCOMPARE(spies.click.count(), 0);
    QTest::keyRelease(host.button(), Qt::Key_Space);
    QCOMPARE(host.button()->visualState(), XPButtonState::Focused);
    QCOMPARE(spies.click.count(), 1);
}

void XPButtonInputTest::enterClicksOnceWithoutPressedState() {
    ButtonHost host(QStringLiteral("&OK"));
    QVERIFY(host.show());
    host.button()->setFocus();
    QList<XPButtonState> statesAtClick;
    connect(host.button(), &ccXPButton::Click, host.button(),
            [&] { statesAtClick << host.button()->visualState(); });
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(host.button(), key);
    }
    QCOMPARE(statesAtClick, (QList<XPButtonState>{XPButtonState::Focused, XPButtonState::Focused}));
    QCOMPARE(host.button()->visualState(), XPButtonState::Focused);
}

void XPButtonInputTest::accessKeyFromCaption_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QChar>("key");
    QTest::addColumn<QString>("mnemonic");  // what the caption is drawn from
    QTest::newRow("doubled then single") << "Save && &Exit"
                                         << "Save & Exit" << QChar('e') << "Save && &Exit";
    QTest::newRow("default caption") << "&OK"
                                     << "OK" << QChar('o') << "&OK";
    QTest::newRow("none") << "Abbrechen"
                          << "Abbrechen" << QChar() << "Abbrechen";
    QTest::newRow("only doubled") << "A && B"
                                  << "A & B" << QChar() << "A && B";
    QTest::newRow("triple: literal, then key") << "&&&x"
                                               << "&x" << QChar('x') << "&&&x";
    QTest::newRow("first single wins") << "&Ab&c"
                                       << "Abc" << QChar('a') << "&Abc";
    QTest::newRow("umlaut") << "&Übernehmen"
                            << "Übernehmen" << QChar(u'ü') << "&Übernehmen";
    QTest::newRow("lone trailing") << "Ja &"
                                   << "Ja &" << QChar() << "Ja &&";
    QTest::newRow("empty") << ""
                           << "" << QChar() << "";
}

void XPButtonInputTest::accessKeyFromCaption() {
    QFETCH(QString, caption);
    QFETCH(QString, shown);
    QFETCH(QChar, key);
    QFETCH(QString, mnemonic);
    const CaptionText text = parseCaption(caption);
    QCOMPARE(text.shown, shown);
    QCOMPARE(text.accessKey, key);
    QCOMPARE(mnemonicText(text), mnemonic);
    ccXPButton button(caption);
    QCOMPARE(button.accessKey(), key);
    QCOMPARE(button.Caption(), caption);
}

void XPButtonInputTest::altAccessKeyClicks() {
    ButtonHost host(QStringLiteral("Save && &Exit"));
    QVERIFY(host.show());
    Spies spies(host.button());
    QTest::keyClick(host.window(), Qt::Key_S, Qt::AltModifier);
    QCOMPARE(spies.click.count(), 0);
    QTest::keyClick(host.window(), Qt::Key_E, Qt::AltModifier);
    QCOMPARE(spies.click.count(), 1);
    // While the space bar holds it down, the access key cancels the press.
    host.button()->setFocus();
    QTest::keyPress(host.button(), Qt::Key_Space);
    QTest::keyClick(host.window(), Qt::Key_E, Qt::AltModifier);
    QCOMPARE(host.button()->visualState(), XPButtonState::Focused);
    QTest::keyRelease(host.button(), Qt::Key_Space);
    QCOMPARE(spies.click.count(), 1);
}

void XPButtonInputTest::doubleClick() {
    ButtonHost host(QStringLiteral("&OK"));
    QVERIFY(host.show());
    Spies spies(host.button());
    QTest::mouseMove(host.button(), host.centre());
    QTest::mouseDClick(host.button(), Qt::LeftButton, {}, host.centre());
    QCOMPARE(spies.dblClick.count(), 1);
    QCOMPARE(spies.click.count(), 1);  // the first click of the two
    QCOMPARE(host.button()->visualState(), XPButtonState::Hot);
}

void XPButtonInputTest::mouseMoveReportsButtonsAndPosition() {
    ButtonHost host(QStringLiteral("&OK"));
    QVERIFY(host.show());
    Spies spies(host.button());
    QTest::mouseMove(host.button(), QPoint(10, 5));
    QVERIFY(!spies.mouseMove.isEmpty());
    const QList<QVariant> last = spies.mouseMove.last();
    QCOMPARE(last.at(0).value<Qt::MouseButtons>(), Qt::MouseButtons(Qt::NoButton));
    QCOMPARE(last.at(2).toInt(), 10);
    QCOMPARE(last.at(3).toInt(), 5);
    QTest::mousePress(host.button(), Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 5));
    QTest::mouseMove(host.button(), QPoint(12, 6));
    const QList<QVariant> held = spies.mouseMove.last();
    QCOMPARE(held.at(0).value<Qt::MouseButtons>(), Qt::MouseButtons(Qt::LeftButton));
    QCOMPARE(held.at(2).toInt(), 12);
    QTest::mouseRelease(host.button(), Qt::LeftButton, {}, QPoint(12, 6));
}

void XPButtonInputTest::disabledDrawsStateZeroAndRaisesNothing() {
    ButtonHost host(QStringLiteral("&Los"));
    QVERIFY(host.show());
    host.button()->setDefault(true);
    host.button()->setEnabled(false);
    QCOMPARE(host.button()->visualState(), XPButtonState::Disabled);
    QCOMPARE(test::bgrAt(host.grab(), 37, 11), kDisabledFill);
    Spies spies(host.button());
    QTest::mouseMove(host.button(), host.centre());
    QTest::mouseClick(host.button(), Qt::LeftButton, {}, host.centre());
    QTest::mouseDClick(host.button(), Qt::LeftButton, {}, host.centre());
    QTest::keyClick(host.button(), Qt::Key_Space);
    QTest::keyClick(host.button(), Qt::Key_Return);
    QTest::keyClick(host.window(), Qt::Key_L, Qt::AltModifier);
    host.button()->click();
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(host.button());
    QVERIFY(a && a->actionInterface());
    a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    {
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
    }
    host.window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(host.window()));
    QCOMPARE(spies.total(), 0);
    QCOMPARE(host.button()->visualState(), XPButtonState::Disabled);

    // Enabled again under the pointer: hot; the pointer gone: the default.
    QTest::mouseMove(host.button(), host.centre() + QPoint(1, 0));
    host.button()->setEnabled(true);
    QCOMPARE(host.button()->visualState(), XPButtonState::Hot);
    QTest::mouseMove(host.window(), ButtonHost::kRestingPoint);
    QCOMPARE(host.button()->visualState(), XPButtonState::Focused);
}

void XPButtonInputTest::minimumSizeIsHundredTwips() {
    ButtonHost host(QStringLiteral("&OK"));
    QVERIFY(host.show());
    // 50 twips is 3 1/3 pixels; the button comes back to the smallest size
    // not below 100 twips, 7 pixels (105 twips).
    const int fiftyTwips = 50 / ccXPButton::kTwipsPerPixel;
    host.button()->resize(fiftyTwips, 40);
    QCOMPARE(host.button()->size(), QSize(7, 40));
    host.button()->resize(40, fiftyTwips);
    QCOMPARE(host.button()->size(), QSize(40, 7));
    QVERIFY(host.button()->height() * ccXPButton::kTwipsPerPixel >= ccXPButton::kMinimumTwips);
    QVERIFY((host.button()->height() - 1) * ccXPButton::kTwipsPerPixel < ccXPButton::kMinimumTwips);
    host.button()->resize(8, 8);
    QCOMPARE(host.button()->size(), QSize(8, 8));
    // Raised as well when the size was set before the button was shown.
    ccXPButton hidden(QStringLiteral("&OK"));
    hidden.resize(fiftyTwips, fiftyTwips);
    hidden.show();
    QCOMPARE(hidden.size(), QSize(7, 7));
    // The smallest button still draws its corners and region.
    host.button()->resize(7, 7);
    const QImage img = host.grab();
    QCOMPARE(img.size(), QSize(7, 7));
    QCOMPARE(test::bgrAt(img, 3, 0), coloursOf(XPButtonState::Normal).outline);
    QVERIFY(!host.button()->mask().contains(QPoint(6, 6)));
}

void XPButtonInputTest::layoutsKeepTheSizeHint() {
    // A layout short of room squeezes what may shrink, not the buttons.
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* button = new ccXPButton(QStringLiteral("Speichern && &Beenden"), &window);
    layout->addWidget(button);
    layout->addWidget(new QWidget(&window), 1);
    window.show();
    window.resize(20, 10);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(button->height(), 23);
    QCOMPARE(button->width(), button->sizeHint().width());
}

void XPButtonInputTest::arrowKeysMoveTheFocus() {
    ButtonHost host(QStringLiteral("&Eins"));
    auto* second = new ccXPButton(QStringLiteral("&Zwei"), host.window());
    second->setGeometry(120, 20, 75, 23);
    QVERIFY(host.show());
    host.button()->setFocus();
    QTest::keyClick(host.button(), Qt::Key_Right);
    QVERIFY(second->hasFocus());
    QTest::keyClick(second, Qt::Key_Left);
    QVERIFY(host.button()->hasFocus());
    QTest::keyClick(host.button(), Qt::Key_Down);
    QVERIFY(second->hasFocus());
    QTest::keyClick(second, Qt::Key_Up);
    QVERIFY(host.button()->hasFocus());
    QCOMPARE(second->visualState(), XPButtonState::Normal);
    QCOMPARE(host.button()->visualState(), XPButtonState::Focused);
}

void XPButtonInputTest::windowActivationRaisesFormActivate() {
    ButtonHost host(QStringLiteral("&OK"));
    QVERIFY(host.show());
    host.button()->setFocus();
    Spies spies(host.button());
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QCOMPARE(host.button()->visualState(), XPButtonState::Normal);
    host.window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(host.window()));
    QCOMPARE(host.button()->visualState(), XPButtonState::Focused);
    QCOMPARE(spies.formActivate.count(), 2);
    QCOMPARE(spies.formActivate.at(0).at(0).toInt(), 0);
    QCOMPARE(spies.formActivate.at(1).at(0).toInt(), 1);
}

void XPButtonInputTest::snapMouseToCentre() {
    ButtonHost host(QStringLiteral("&OK"));
    QVERIFY(host.show());
    host.button()->SnapMouseTo();
    // Half of 75 x 23 is 37.5 x 11.5, rounded to the even neighbours 38, 12.
    QCOMPARE(QCursor::pos(), host.button()->mapToGlobal(QPoint(38, 12)));
}

void XPButtonInputTest::accessibleNameRoleAndPress() {
    ButtonHost host(QStringLiteral("&Normal"));
    QVERIFY(host.show());
    Spies spies(host.button());
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(host.button());
    QVERIFY(a);
    QCOMPARE(a->role(), QAccessible::Button);
    QCOMPARE(a->text(QAccessible::Name), QStringLiteral("Normal"));
    QVERIFY(a->actionInterface());
    QCOMPARE(a->actionInterface()->actionNames().first(),
             QAccessibleActionInterface::pressAction());
    a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    // The press returns before the Click, so that a dialog the Click opens
    // does not hold up the caller.
    QCOMPARE(spies.click.count(), 0);
    QTRY_COMPARE(spies.click.count(), 1);
    QVERIFY(!a->state().defaultButton);
    host.button()->setDefault(true);
    QVERIFY(a->state().defaultButton);
    host.button()->setCaption(QStringLiteral("Save && &Exit"));
    QCOMPARE(a->text(QAccessible::Name), QStringLiteral("Save & Exit"));
}

QTEST_MAIN(XPButtonInputTest)
#include "xp_button_input_test.moc"
