// The push button's state machine, driven input by input: each row is a
// sequence of inputs from a new button and what it must end in.

#include "controls/xp_button_behaviour.h"

#include <QStringList>
#include <QTest>
#include <functional>
#include <map>

using vendrik::XPButtonBehaviour;
using vendrik::XPButtonReaction;
using vendrik::XPButtonState;

namespace {

struct Outcome {
    int state = -1;
    int clicks = 0;
    int dblClicks = 0;
    int moves = 0;
    QString activations;  // FormActivate values in order, "1,0"
    int flushes = 0;      // clicks that first let pending events run
};

using Input = std::function<XPButtonReaction(XPButtonBehaviour&)>;

// One word per input: the window (active, inactive), the pointer (over,
// out: a move on or off the button; leave), the left button (down, up,
// dbl), keys (enter, space, spaceup, key: the access key), focus (focus,
// blur), default, nodefault, enable, disable.
const std::map<QString, Input>& inputs() {
    static const std::map<QString, Input> table = {
        {"active", &XPButtonBehaviour::windowActivated},
        {"inactive", &XPButtonBehaviour::windowDeactivated},
        {"over", [](XPButtonBehaviour& b) { return b.mouseMove(true); }},
        {"out", [](XPButtonBehaviour& b) { return b.mouseMove(false); }},
        {"leave", &XPButtonBehaviour::mouseLeave},
        {"down", &XPButtonBehaviour::leftDown},
        {"up", &XPButtonBehaviour::leftUp},
        {"dbl", &XPButtonBehaviour::leftDoubleClick},
        {"enter", &XPButtonBehaviour::enterDown},
        {"space", &XPButtonBehaviour::spaceDown},
        {"spaceup", &XPButtonBehaviour::spaceUp},
        {"key", &XPButtonBehaviour::accessKey},
        {"focus", &XPButtonBehaviour::focusIn},
        {"blur", &XPButtonBehaviour::focusOut},
        {"default", [](XPButtonBehaviour& b) { return b.setDefault(true); }},
        {"nodefault", [](XPButtonBehaviour& b) { return b.setDefault(false); }},
        {"enable", [](XPButtonBehaviour& b) { return b.setEnabled(true); }},
        {"disable", [](XPButtonBehaviour& b) { return b.setEnabled(false); }},
    };
    return table;
}

Outcome run(const QString& steps) {
    XPButtonBehaviour b;
    Outcome o;
    for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
        const auto input = inputs().find(step);
        if (input == inputs().end()) {
            qFatal("unknown step %s", qPrintable(step));
        }
        const XPButtonReaction r = input->second(b);
        o.clicks += r.click ? 1 : 0;
        o.flushes += r.click && r.flushEventsFirst ? 1 : 0;
        o.dblClicks += r.dblClick ? 1 : 0;
        o.moves += r.mouseMove ? 1 : 0;
        if (r.formActivate) {
            o.activations +=
                (o.activations.isEmpty() ? "" : ",") + QString::number(*r.formActivate);
        }
    }
    o.state = static_cast<int>(b.state());
    return o;
}

}  // namespace

class XPButtonBehaviourTest : public QObject {
    Q_OBJECT
private slots:
    void sequences_data();
    void sequences();
    void pointerOverIncludesTheFarEdges();
    void flagsAfterDeactivation();
};

void XPButtonBehaviourTest::sequences_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<int>("dblClicks");
    QTest::addColumn<int>("moves");
    QTest::addColumn<QString>("activations");

    const auto row = [](const char* name, const char* steps, int state, int clicks, int dbl = 0,
                        int moves = -1, const char* activations = nullptr) {
        QTest::newRow(name) << QString(steps) << state << clicks << dbl << moves
                            << (activations ? QString(activations) : QString("-"));
    };
    // pointer
    row("new button is normal", "", 1, 0, 0, 0, "");
    row("hot when over in an active window", "active over", 3, 0, 0, 1);
    row("no hot look in an inactive window, but MouseMove", "over", 1, 0, 0, 1);
    row("leaving a plain button", "active over leave", 1, 0);
    row("leaving a default button shows it as default", "active default over leave", 2, 0);
    row("leaving a focused button of an inactive window: normal",
        "active over focus inactive leave", 1, 0);
    // mouse clicks
    row("click", "active over down up", 3, 1, 0, 1);
    row("press, move out, release: no click, focused", "active over down out up", 2, 0, 0, 2);
    row("press, leave, release: no click, focused", "active over down out leave up", 2, 0);
    row("press, out and back in, release: click", "active over down out over up", 3, 1, 0, 3);
    row("pressed look while held over it", "active over down out over", 4, 0);
    row("deactivation during a press: no click", "active over down inactive active up", 3, 0);
    row("double click: one click, one double click", "active over down up dbl up", 3, 1, 1);
    row("double click shows pressed", "active over down up dbl", 4, 1, 1);
    // keys
    row("space down: pressed", "active focus space", 4, 0);
    row("space down, up: focused and one click", "active focus space spaceup", 2, 1);
    row("space up while hot: hot", "active focus over space spaceup", 3, 1);
    row("space held: moves keep it pressed", "active focus space over out", 4, 0, 0, 2);
    row("space ignored while the mouse is held", "active over down space up", 3, 1);
    row("space up without space down: no click", "active focus spaceup", 2, 0);
    row("enter: one click, no pressed look", "active focus enter", 2, 1);
    row("access key clicks", "active key", 1, 1);
    row("access key cancels a space press", "active focus space key spaceup", 2, 0);
    // focus, default, activation
    row("focus shows state 2", "active focus", 2, 0);
    row("focus while hot", "active over focus", 3, 0);
    row("focus while pressed by mouse keeps pressed", "active over down focus", 4, 0);
    row("focus lost: normal", "active focus blur", 1, 0);
    row("focus lost by a default button: default", "active default focus blur", 2, 0);
    row("focus lost while hot: hot", "active over focus blur", 3, 0);
    row("focus lost in an inactive window: normal", "active default focus inactive blur", 1, 0);
    row("focus lost ends a space press: no click", "active focus space blur spaceup", 2, 0);
    row("default indication", "active default", 2, 0);
    row("default indication while hot keeps hot", "active over default", 3, 0);
    row("default indication removed", "active default nodefault", 1, 0);
    row("deactivation: normal", "active focus space inactive", 1, 0, 0, -1, "1,0");
    row("reactivation of a default button", "active default inactive active", 2, 0, 0, -1, "1,0,1");
    row("reactivation of the focused button", "active focus inactive blur active focus", 2, 0, 0,
        -1, "1,0,1");
    row("reactivation while hot", "active over inactive active", 3, 0, 0, -1, "1,0,1");
    // Enabled
    row("disabled: state 0", "active disable", 0, 0, 0, 0, "1");
    row("disabled raises nothing",
        "disable active over down up dbl enter space spaceup key focus blur leave inactive", 0, 0,
        0, 0, "");
    row("disabled keeps state 0 for default and hot", "active disable default over", 0, 0);
    row("enabled again: normal", "active disable enable", 1, 0);
    row("enabled again while hot: hot", "active over disable enable", 3, 0);
    row("enabled again as default: default", "active default disable enable", 2, 0);
}

void XPButtonBehaviourTest::sequences() {
    QFETCH(QString, steps);
    QFETCH(int, state);
    QFETCH(int, clicks);
    QFETCH(int, dblClicks);
    QFETCH(int, moves);
    QFETCH(QString, activations);
    const Outcome o = run(steps);
    QCOMPARE(o.state, state);
    QCOMPARE(o.clicks, clicks);
    QCOMPARE(o.dblClicks, dblClicks);
    if (moves >= 0) {
        QCOMPARE(o.moves, moves);
    }
    if (activations != "-") {
        QCOMPARE(o.activations, activations);
    }
    // Only a click by access key lets pending events run first.
    QCOMPARE(o.flushes, steps.contains("key") ? o.clicks : 0);
}

void XPButtonBehaviourTest::pointerOverIncludesTheFarEdges() {
    QVERIFY(XPButtonBehaviour::isOver(0, 0, 75, 23));
    QVERIFY(XPButtonBehaviour::isOver(75, 23, 75, 23));
    QVERIFY(!XPButtonBehaviour::isOver(76, 10, 75, 23));
    QVERIFY(!XPButtonBehaviour::isOver(10, 24, 75, 23));
    QVERIFY(!XPButtonBehaviour::isOver(-1, 10, 75, 23));
    QVERIFY(!XPButtonBehaviour::isOver(10, -1, 75, 23));
}

void XPButtonBehaviourTest::flagsAfterDeactivation() {
    XPButtonBehaviour b;
    b.windowActivated();
    b.mouseMove(true);
    b.leftDown();
    b.spaceDown();
    b.windowDeactivated();
    const auto& f = b.flags();
    QVERIFY(!f.windowActive);
    QVERIFY(!f.pressed);
    QVERIFY(!f.mouseHeld);
    QVERIFY(!f.spaceHeld);
    QVERIFY(f.hasFocus);  // focus goes by its own event
}

QTEST_APPLESS_MAIN(XPButtonBehaviourTest)
#include "xp_button_behaviour_test.moc"
