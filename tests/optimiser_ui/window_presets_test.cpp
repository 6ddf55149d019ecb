// The main window's presets and naming controls, driven as a user drives
// them: the size list and own size, keeping the original size, the quality
// slider and its preset buttons, the key filters and the naming group.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "controls/ccXPButton.h"
#include "optimiser/output_formats.h"
#include "optimiser/ui/filtered_line_edit.h"
#include "optimiser/ui/naming_panel.h"
#include "optimiser/ui/paths_panel.h"
#include "optimiser/ui/quality_panel.h"
#include "optimiser/ui/size_panel.h"
#include "support/test_support.h"
#include "window_fixture.h"

using namespace vendrik;
using vendrik::test::openWindow;
using vendrik::test::settingsFor;

class WindowPresetsTest : public QObject {
    Q_OBJECT
private slots:
    void ownSizeEnablesItsFieldsAndFocusesTheHeight();
    void aPresetDisablesTheOwnSizeAndSetsTheBoxAtOnce();
    void keepingTheOriginalSizeDisablesTheSizeChoice();
    void uncheckingItReenablesWhatTheListShows_data();
    void uncheckingItReenablesWhatTheListShows();
    void thePresetButtonsSetSliderSamplingAndMark_data();
    void thePresetButtonsSetSliderSamplingAndMark();
    void theSliderChoosesSamplingAndMarks_data();
    void theSliderChoosesSamplingAndMarks();
    void theStrongBoxKeepsHalvedColourUpTo89();
    void theSizeListTakesNoKeys();
    void theTextBoxesFilterTheirKeys_data();
    void theTextBoxesFilterTheirKeys();
    void amAnfangPutsTheSeparatorAfterTheTagFields();
    void clicksEndWithTheFocusOnTheHiddenButton();
};

namespace {

const QString kOwnSize = QStringLiteral("Eigene Größe");

// Types `text` key by key; letters beyond ASCII arrive as a keyboard
// layout sends them, as a key event with their text.
void typeText(QWidget* w, const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 128) {
            QTest::keyClick(w, c.toLatin1());
        } else {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(w, &press);
            QApplication::sendEvent(w, &release);
        }
    }
}

// Chooses a size preset as the mouse does: the list shows it and says so.
void chooseSize(frmOptimize& w, int index) {
    QComboBox* sizes = w.sizes()->cboSizes();
    sizes->setCurrentIndex(index);
    emit sizes->activated(index);
}

}  // namespace

void WindowPresetsTest::ownSizeEnablesItsFieldsAndFocusesTheHeight() {
    test::TempDir dir;
    auto t = openWindow(settingsFor(dir.path().string()));
    SizePanel* p = t.window->sizes();
    QVERIFY(!p->txtSizeH()->isEnabled());
    QVERIFY(!p->txtSizeW()->isEnabled());
    const BoxSize before = p->destSize();
    chooseSize(*t.window, 10);
    QCOMPARE(p->cboSizes()->currentText(), kOwnSize);
    QVERIFY(p->txtSizeH()->isEnabled());
    QVERIFY(p->txtSizeW()->isEnabled());
    QCOMPARE(QApplication::focusWidget(), p->txtSizeH());
    QCOMPARE(p->SizeIndex(), 10);
    // The box is the run's business then.
    QCOMPARE(p->destSize(), before);
}

void WindowPresetsTest::aPresetDisablesTheOwnSizeAndSetsTheBoxAtOnce() {
    test::TempDir dir;
    auto t = openWindow(settingsFor(dir.path().string()));
    SizePanel* p = t.window->sizes();
    chooseSize(*t.window, 10);
    chooseSize(*t.window, 2);  // "480 x 640"
    QVERIFY(!p->txtSizeH()->isEnabled());
    QVERIFY(!p->txtSizeW()->isEnabled());
    QCOMPARE(p->destSize(), (BoxSize{640, 480}));
    QCOMPARE(p->SizeIndex(), 2);
    chooseSize(*t.window, 9);  // "1536 x 2048"
    QCOMPARE(p->destSize(), (BoxSize{2048, 1536}));
}

void WindowPresetsTest::keepingTheOriginalSizeDisablesTheSizeChoice() {
    test::TempDir dir;
    auto t = openWindow(settingsFor(dir.path().string()));
    SizePanel* p = t.window->sizes();
    chooseSize(*t.window, 10);
    QTest::mouseClick(p->Check1(), Qt::LeftButton);
    QVERIFY(p->Check1()->isChecked());
    QVERIFY(!p->cboSizes()->isEnabled());
    QVERIFY(!p->txtSizeH()->isEnabled());
    QVERIFY(!p->txtSizeW()->isEnabled());
    QCOMPARE(QApplication::focusWidget(), t.window->dummy());
    // A preset applied meanwhile leaves the box alone: the picture keeps its size.
    const BoxSize box = p->destSize();
    p->cboSizes()->setCurrentIndex(0);
    t.window->cboSizes_Click();
    QCOMPARE(p->destSize(), box);
}

void WindowPresetsTest::uncheckingItReenablesWhatTheListShows_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("fieldsOn");
    QTest::newRow("Eigene Größe") << 10 << true;
    QTest::newRow("480 x 640") << 2 << false;
}

void WindowPresetsTest::uncheckingItReenablesWhatTheListShows() {
    QFETCH(int, index);
    QFETCH(bool, fieldsOn);
    test::TempDir dir;
    auto t = openWindow(settingsFor(dir.path().string()));
    SizePanel* p = t.window->sizes();
    chooseSize(*t.window, index);
    QTest::mouseClick(p->Check1(), Qt::LeftButton);
    QTest::mouseClick(p->Check1(), Qt::LeftButton);
    QVERIFY(!p->Check1()->isChecked());
    QVERIFY(p->cboSizes()->isEnabled());
    QCOMPARE(p->txtSizeH()->isEnabled(), fieldsOn);
    QCOMPARE(p->txtSizeW()->isEnabled(), fieldsOn);
    QCOMPARE(QApplication::focusWidget(),
             fieldsOn ? static_cast<QWidget*>(p->txtSizeH()) : t.window->dummy());
}

void WindowPresetsTest::thePresetButtonsSetSliderSamplingAndMark_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("sampling");  // the optQuali element chosen
    QTest::newRow("Website") << 0 << 60 << 1;
    QTest::newRow("eMail") << 1 << 70 << 0;
    QTest::newRow("Normal") << 2 << 80 << 0;
    QTest::newRow("Optimal") << 3 << 90 << 0;
}

void WindowPresetsTest::thePresetButtonsSetSliderSamplingAndMark() {
    QFETCH(int, button);
    QFETCH(int, value);
    QFETCH(int, sampling);
    test::TempDir dir;
    Settings s = settingsFor(dir.path().string());
    s.quality = 75;  // no preset marked to begin with
    auto t = openWindow(s);
    QualityPanel* q = t.window->quality();
    QTest::mouseClick(q->ccXPButton1(button), Qt::LeftButton);
    QCOMPARE(q->HScroll1()->value(), value);
    QCOMPARE(q->qualityLabel()->text(),
             QStringLiteral("Verwendungszweck / Qualität: %1%").arg(value));
    QVERIFY(q->optQuali(sampling)->isChecked());
    QVERIFY(!q->optQuali(1 - sampling)->isChecked());
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(q->ccXPButton1(i)->ForeColor(),
                 i == button ? QColor(192, 0, 0) : QColor(Qt::black));
    }
    QCOMPARE(QApplication::focusWidget(), t.window->dummy());
}

void WindowPresetsTest::theSliderChoosesSamplingAndMarks_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("sampling");
    QTest::addColumn<int>("marked");  // -1: no preset button marked
    QTest::newRow("65") << 65 << 1 << -1;
    QTest::newRow("69") << 69 << 1 << -1;
    QTest::newRow("70") << 70 << 0 << 1;
    QTest::newRow("95") << 95 << 0 << -1;
    QTest::newRow("40") << 40 << 1 << -1;
    QTest::newRow("60") << 60 << 1 << 0;
}

void WindowPresetsTest::theSliderChoosesSamplingAndMarks() {
    QFETCH(int, value);
    QFETCH(int, sampling);
    QFETCH(int, marked);
    test::TempDir dir;
    auto t = openWindow(settingsFor(dir.path().string()));
    QualityPanel* q = t.window->quality();
    QScrollBar* slider = q->HScroll1();
    // Moved by the keys as a user would: the large step and single steps.
    slider->setFocus();
    while (slider->value() != value) {
        const int diff = value - slider->value();
        if (std::abs(diff) >= 5) {
            QTest::keyClick(slider, diff > 0 ? Qt::Key_PageDown : Qt::Key_PageUp);
        } else {
            QTest::keyClick(slider, diff > 0 ? Qt::Key_Right : Qt::Key_Left);
        }
    }
    QCOMPARE(q->qualityLabel()->text(),
             QStringLiteral("Verwendungszweck / Qualität: %1%").arg(value));
    QVERIFY(q->optQuali(sampling)->isChecked());
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(q->ccXPButton1(i)->ForeColor(),
                 i == marked ? QColor(192, 0, 0) : QColor(Qt::black));
    }
    QCOMPARE(slider->minimum(), 40);
    QCOMPARE(slider->maximum(), 95);
    QCOMPARE(slider->pageStep(), 5);
}

// "kleinere Dateien (langsamer)" moves the rule's switch to full colour
// from 70 to 90 for JPEG; a sampling chosen by hand stays.
void WindowPresetsTest::theStrongBoxKeepsHalvedColourUpTo89() {
    test::TempDir dir;
    auto t = openWindow(settingsFor(dir.path().string()));
    QualityPanel* q = t.window->quality();
    const auto shown = [q] { return q->optQuali(0)->isChecked() ? 0 : 1; };
    q->HScroll1()->setValue(80);
    QCOMPARE(shown(), 0);
    QTest::mouseClick(q->chkCompression(), Qt::LeftButton);
    QVERIFY(q->chkCompression()->isChecked());
    QCOMPARE(shown(), 1);
    q->cboFormat()->setCurrentIndex(static_cast<int>(OutputFormatId::Avif));
    QCOMPARE(shown(), 0);
    q->cboFormat()->setCurrentIndex(static_cast<int>(OutputFormatId::Jpeg));
    QCOMPARE(shown(), 1);
    q->HScroll1()->setValue(90);
    QCOMPARE(shown(), 0);
    q->HScroll1()->setValue(89);
    QCOMPARE(shown(), 1);
    QTest::mouseClick(q->optQuali(0), Qt::LeftButton);
    QTest::mouseClick(q->chkCompression(), Qt::LeftButton);
    QTest::mouseClick(q->chkCompression(), Qt::LeftButton);
    QCOMPARE(shown(), 0);
    QCOMPARE(q->sampling(), std::optional(Sampling::Best));
}

void WindowPresetsTest::theSizeListTakesNoKeys() {
    test::TempDir dir;
    auto t = openWindow(settingsFor(dir.path().string()));
    QComboBox* sizes = t.window->sizes()->cboSizes();
    sizes->setFocus();
    const int before = sizes->currentIndex();
    for (const Qt::Key k : {Qt::Key_Down, Qt::Key_Up, Qt::Key_End, Qt::Key_Home, Qt::Key_E}) {
        QTest::keyClick(sizes, k);
        QCOMPARE(sizes->currentIndex(), before);
    }
}

void WindowPresetsTest::theTextBoxesFilterTheirKeys_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    // Numbers: digits, "." and "," only.
    QTest::newRow("height") << "height"
                            << "a:-48.0,5x"
                            << "48.0,5";
    QTest::newRow("width") << "width"
                           << "6 4/0"
                           << "640";
    // Names: no characters a file name cannot hold; "_" and umlauts pass.
    QTest::newRow("tag") << "tag"
                         << "klein.bild/ä_1"
                         << "kleinbildä_1";
    QTest::newRow("tag signs") << "tag"
                               << "a!&'+-b"
                               << "a!&'+-b";
    QTest::newRow("tag forbidden") << "tag"
                                   << "a:;<=>[\\]^*?b"
                                   << "a?b";
}

void WindowPresetsTest::theTextBoxesFilterTheirKeys() {
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    test::TempDir dir;
    auto t = openWindow(settingsFor(dir.path().string()));
    chooseSize(*t.window, 10);
    QLineEdit* edit = field == QLatin1String("height")  ? t.window->sizes()->txtSizeH()
                      : field == QLatin1String("width") ? t.window->sizes()->txtSizeW()
                                                        : t.window->naming()->txtTag();
    edit->clear();
    edit->setFocus();
    typeText(edit, typed);
    QCOMPARE(edit->text(), kept);
}

void WindowPresetsTest::amAnfangPutsTheSeparatorAfterTheTagFields() {
    test::TempDir dir;
    auto t = openWindow(settingsFor(dir.path().string()));
    NamingPanel* n = t.window->naming();
    auto before = [](QWidget* a, QWidget* b) {
        return a->geometry().right() < b->geometry().left();
    };
    // At the end (name_tag): "_" first, its caption right of its button.
    QVERIFY(before(n->optName(1), n->cboPreTags()));
    QVERIFY(before(n->optName(2), n->txtTag()));
    QCOMPARE(n->optName(1)->layoutDirection(), Qt::LeftToRight);

    QTest::mouseClick(n->chkAnfang(), Qt::LeftButton);
    QApplication::processEvents();
    QCOMPARE(n->tagPosition(), 1);
    QVERIFY(before(n->cboPreTags(), n->optName(1)));
    QVERIFY(before(n->txtTag(), n->optName(2)));
    QCOMPARE(n->optName(1)->layoutDirection(), Qt::RightToLeft);
    QCOMPARE(n->optName(2)->layoutDirection(), Qt::RightToLeft);
    QCOMPARE(QApplication::focusWidget(), t.window->dummy());

    // Values other than 0 and 1 change nothing.
    t.window->SetAnfang(7);
    QApplication::processEvents();
    QCOMPARE(n->tagPosition(), 1);
    QVERIFY(before(n->cboPreTags(), n->optName(1)));

    QTest::mouseClick(n->chkAnfang(), Qt::LeftButton);
    QApplication::processEvents();
    QVERIFY(before(n->optName(1), n->cboPreTags()));
    QCOMPARE(n->optName(1)->layoutDirection(), Qt::LeftToRight);
}

void WindowPresetsTest::clicksEndWithTheFocusOnTheHiddenButton() {
    test::TempDir dir;
    auto t = openWindow(settingsFor(dir.path().string()));
    const QList<QAbstractButton*> clicked = {
        t.window->naming()->optName(1),   t.window->naming()->optName(2),
        t.window->quality()->optQuali(0), t.window->quality()->optQuali(1),
        t.window->chkWatermark(),         t.window->paths()->chkSamePath()};
    for (QAbstractButton* b : clicked) {
        b->setFocus();
        QTest::mouseClick(b, Qt::LeftButton);
        QVERIFY2(QApplication::focusWidget() == t.window->dummy(), qPrintable(b->text()));
    }
}

QTEST_MAIN(WindowPresetsTest)
#include "window_presets_test.moc"
