// The main window's state: what it looks like after loading, the settings
// it takes at start and writes when it closes, the paths and their "..."
// buttons, and the controls a run disables.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSet>
#include <QStandardItemModel>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <filesystem>
#include <functional>
#include <tuple>

#include "controls/XP_ProgressBar.h"
#include "controls/ccXPButton.h"
#include "optimiser/output_formats.h"
#include "optimiser/ui/file_list_panel.h"
#include "optimiser/ui/filtered_line_edit.h"
#include "optimiser/ui/naming_panel.h"
#include "optimiser/ui/output_choices_panel.h"
#include "optimiser/ui/paths_panel.h"
#include "optimiser/ui/preview_panel.h"
#include "optimiser/ui/quality_panel.h"
#include "optimiser/ui/size_panel.h"
#include "startup/settings_file.h"
#include "startup/ui/frmDirSelect.h"
#include "support/test_support.h"
#include "watermark/ui/frmWatermark.h"
#include "window_fixture.h"

using namespace vendrik;
using vendrik::test::openWindow;
using vendrik::test::settingsFor;

class WindowStateTest : public QObject {
    Q_OBJECT
private slots:
    void loadsWithItsListsTitleAndSize();
    void theSettingsGoIntoTheControls();
    void closingWritesTheMainWindowKeysUnchanged();
    void theMetadataChoiceIsStoredAndReachesTheRun();
    void theFormatChoiceIsStoredAndReachesTheRun();
    void closingWritesTheChosenNamingOption_data();
    void closingWritesTheChosenNamingOption();
    void samePathGreysTheTargetFieldButNotItsButton();
    void cancellingTheSourceChooserChangesNothing();
    void anotherSourceFolderRereadsTheListAndClearsThePreview();
    void theTargetChooserOnlySetsItsField();
    void theRealFolderChooserIsModalOverTheWindow();
    void theDesignerHidesTheWindowAndTakesTheLastPicture();
    void readyDisablesExactlyTheRunsControls();
    void keepingTheOriginalSizeKeepsTheSizeListOffAfterARun();
    void losslessGreysOutWhatDoesNotApplyAlsoAfterARun();
    void theSwitchesAreKeptAcrossStarts();
    void tabReachesEveryControlInReadingOrder_data();
    void tabReachesEveryControlInReadingOrder();
    void aLaterStartsFolderOrPictureOpensHere();
    void accessKeysAreDistinctAndPressTheirControls();
};

namespace {

// Every control a user can reach, with its enabled state.
QMap<QWidget*, bool> enabledStates(frmOptimize& w) {
    QMap<QWidget*, bool> states;
    for (QWidget* c : w.findChildren<QWidget*>()) {
        if (c->isVisible()) {
            states.insert(c, c->isEnabled());
        }
    }
    return states;
}

// Runs `act` on the modal dialog the window opens, once it is up. It polls
// without blocking: a button may flush pending events before its Click, so
// the dialog may not exist yet when the first poll comes.
void whenModalOpens(QObject* context, std::function<void(QWidget*)> act) {
    auto* poll = new QTimer(context);
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, context, [poll, act = std::move(act)] {
        if (QWidget* open = QApplication::activeModalWidget(); open != nullptr) {
            poll->stop();
            poll->deleteLater();
            act(open);
        }
    });
    poll->start();
}

}  // namespace

void WindowStateTest::loadsWithItsListsTitleAndSize() {
    test::TempDir dir;
    auto t = openWindow(settingsFor(dir.path().string()));
    frmOptimize& w = *t.window;
    QCOMPARE(w.windowTitle(), QStringLiteral("Tervane Vendrik"));
    QCOMPARE(w.RunMode(), 1);
    // The controls, the frame "Info: " under both columns and the status
    // bar: with a title bar within the 720 pixels of a 1080 screen at scale
    // 1.5.
    QCOMPARE(w.size(), QSize(575, 662));
    QStringList sizes;
    for (int i = 0; i < w.sizes()->cboSizes()->count(); ++i) {
        sizes << w.sizes()->cboSizes()->itemText(i);
    }
    QCOMPARE(sizes, (QStringList{"120 x 160", "240 x 320", "480 x 640", "600 x 800", "768 x 1024",
                                 "1024 x 1280", "1050 x 1680", "1200 x 1600", "1200 x 1800",
                                 "1536 x 2048", "Eigene Größe"}));
    QStringList tags;
    for (int i = 0; i < w.naming()->cboPreTags()->count(); ++i) {
        tags << w.naming()->cboPreTags()->itemText(i);
    }
    QCOMPARE(tags, (QStringList{"eMail", "web", "thumb", "small", "mini", "new", "Bildgröße"}));
    QCOMPARE(w.files()->FileList()->palette().color(QPalette::Base), QColor(244, 244, 244));
    QCOMPARE(w.ccXPButton2()->Caption(), QStringLiteral("&Bildgrösse optimieren"));
    QCOMPARE(w.preview()->lblSize()->text(), QStringLiteral("Bildgrösse: "));
    const QStringList captions{"Camera:", "Blende:", "Belichtung:", "Uhrzeit:", "Datum:"};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(w.preview()->exifLabel(i)->text(), captions[i]);
    }
    QCOMPARE(w.XP_ProgressBar1()->Value(), 0);
    QCOMPARE(w.XP_ProgressBar2()->Value(), 0);
}

void WindowStateTest::theSettingsGoIntoTheControls() {
    test::TempDir dir;
    Settings s = settingsFor(dir.path().string());
    s.targetFolder = "/ziel/";
    s.quality = 65;
    s.sizeIndex = 10;
    s.manH = "480";
    s.manW = "640,5";
    s.samePath = false;
    s.tag = "klein";
    s.preTags = 2;
    s.optTag = 2;
    s.tagAtStart = true;
    auto t = openWindow(s);
    frmOptimize& w = *t.window;
    QCOMPARE(w.naming()->cboPreTags()->currentText(), QStringLiteral("thumb"));
    QVERIFY(w.naming()->optName(2)->isChecked());
    QVERIFY(w.naming()->chkAnfang()->isChecked());
    QCOMPARE(w.naming()->tagPosition(), 1);
    QVERIFY(!w.sizes()->Check1()->isChecked());
    QCOMPARE(w.sizes()->txtSizeH()->text(), QStringLiteral("480"));
    QCOMPARE(w.sizes()->txtSizeW()->text(), QStringLiteral("640,5"));
    QVERIFY(w.sizes()->txtSizeH()->isEnabled());
    QCOMPARE(w.quality()->HScroll1()->value(), 65);
    QVERIFY(w.quality()->optQuali(1)->isChecked());
    QCOMPARE(w.sizes()->cboSizes()->currentIndex(), 10);
    QVERIFY(!w.paths()->chkSamePath()->isChecked());
    QVERIFY(w.paths()->txtPath(2)->isEnabled());
    QCOMPARE(w.naming()->txtTag()->text(), QStringLiteral("klein"));
    QCOMPARE(w.paths()->txtPath(0)->text(), QString::fromStdString(dir.path().string()));
    QCOMPARE(w.paths()->txtPath(2)->text(), QStringLiteral("/ziel/"));
    // The own size as the run reads it: the width stops at the comma.
    BoxSize box;
    SetDestSize(10, w.sizes()->destSizeInputs(), box);
    QCOMPARE(box, (BoxSize{640, 480}));
}

// A settings file with every main-window key in the table's order and values
// other than the defaults comes back byte for byte when the window closes
// without a change; the other keys are left as they were.
void WindowStateTest::closingWritesTheMainWindowKeysUnchanged() {
    test::TempDir dir;
    std::filesystem::create_directory(dir.file("bilder"));
    std::filesystem::create_directory(dir.file("ziel"));
    const std::string ini = dir.file("vendrik.ini");
    const std::string text =
        "[Tervane Vendrik]\n"
        "FirstRun=0\n"
        "Quelle=" +
        dir.file("bilder") +
        "\n"
        "LastSavePath=" +
        dir.file("ziel") +
        "/\n"
        "Quality=65\n"
        "Size=10\n"
        "SamePath=0\n"
        "Tag=klein\n"
        "PreTags=6\n"
        "OrigSize=1\n"
        "manH=480\n"
        "manW=640,5\n"
        "optTag=2\n"
        "chkAnfang=1\n"
        "Metadaten=2\n"
        "HPosN=2\n"
        "Info=Zeile 1#\xA7Zeile 2\n";  // "§" is byte 167 on disk
    test::writeText(ini, text);
    {
        auto t = openWindow(loadSettings(ini), ini);
        QVERIFY(t.window->close());
    }
    const auto bytes = test::readFileBytes(ini);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(bytes.data()),
                        static_cast<qsizetype>(bytes.size())),
             QByteArray::fromStdString(text));
}

// The choice in the "JPEG-Kompression: " frame: shown from the settings,
// found by its caption, passed into the run, stored when the window closes.
void WindowStateTest::theMetadataChoiceIsStoredAndReachesTheRun() {
    test::TempDir dir;
    const std::string ini = dir.file("vendrik.ini");
    test::writeBmp(dir.file("foto.bmp"), 64, 48, 1);
    const auto made = test::runCommand(
        "cd " + test::shellQuote(dir.path().string()) +
        " && convert foto.bmp foto.jpg && rm foto.bmp && exiftool -q -overwrite_original"
        " -Make=Vendrik-Testkamera -GPSLatitude=48.5 -GPSLatitudeRef=N foto.jpg");
    QCOMPARE(made.exitCode, 0);
    Settings s = settingsFor(dir.path().string());
    s.metadata = 2;
    auto t = openWindow(s, ini);
    frmOptimize& w = *t.window;
    QComboBox* choice = w.quality()->cboMetadata();
    QCOMPARE(choice->accessibleName(), QStringLiteral("Metadaten:"));
    QStringList items;
    for (int i = 0; i < choice->count(); ++i) {
        items << choice->itemText(i);
    }
    QCOMPARE(items, (QStringList{"entfernen", "behalten", "behalten ohne GPS"}));
    QCOMPARE(choice->currentText(), QStringLiteral("behalten ohne GPS"));

    // What each choice writes: the camera kept or not, the place never but
    // with "behalten".
    struct Step {
        int index;
        bool camera;
        bool place;
    };
    for (const Step step : {Step{2, true, false}, Step{1, true, true}, Step{0, false, false}}) {
        choice->setCurrentIndex(step.index);
        test::clickEntry(w, "foto.jpg");
        QVERIFY(test::runAndWait(w));
        const auto out = test::readFileBytes(dir.file("foto_new.jpg"));
        const std::string bytes(out.begin(), out.end());
        QCOMPARE(bytes.find("Vendrik-Testkamera") != std::string::npos, step.camera);
        const auto gps = test::runCommand("exiftool -s3 -GPSLatitude " +
                                          test::shellQuote(dir.file("foto_new.jpg")));
        QCOMPARE(gps.output.empty(), !step.place);
    }
    choice->setCurrentIndex(1);
    QVERIFY(w.close());
    QCOMPARE(ReadIniValue(SettingsSection, "Metadaten", ini, "?"), std::string("1"));
}

// The list "Format:" beside "Metadaten:": shown from the settings, found by
// its caption, every format listed and one this computer cannot write
// disabled with its reason, passed into the run, stored when the window
// closes.
void WindowStateTest::theFormatChoiceIsStoredAndReachesTheRun() {
    test::TempDir dir;
    const std::string ini = dir.file("vendrik.ini");
    test::writeBmp(dir.file("foto.bmp"), 64, 48, 1);
    Settings s = settingsFor(dir.path().string());
    s.format = 1;
    auto t = openWindow(s, ini);
    frmOptimize& w = *t.window;
    QComboBox* choice = w.quality()->cboFormat();
    QCOMPARE(choice->accessibleName(), QStringLiteral("Format:"));
    QCOMPARE(choice->currentText(), QStringLiteral("WebP"));
    const auto* items = qobject_cast<const QStandardItemModel*>(choice->model());
    QVERIFY(items != nullptr);
    QCOMPARE(items->rowCount(), 3);
    for (const OutputFormatId id : kOutputFormatIds) {
        const QStandardItem* item = items->item(static_cast<int>(id));
        const auto format = outputFormat(id);
        QCOMPARE(item->text(), QString::fromUtf8(format->name().data(),
                                                 static_cast<qsizetype>(format->name().size())));
        const Result<void> usable = format->usable();
        QCOMPARE(item->isEnabled(), static_cast<bool>(usable));
        QCOMPARE(item->toolTip().toStdString(), usable ? std::string() : usable.reason());
    }

    // Each format writes its own file under its ending; the JPEG one the
    // same bytes as a window that was never switched.
    struct Step {
        int index;
        const char* written;
        const char* head;  // at offset 8 for WebP, 4 for AVIF, 0 for JPEG
        std::size_t at;
    };
    for (const Step step : {Step{1, "foto_new.webp", "WEBP", 8}, Step{2, "foto_new.avif", "ftypavif", 4},
                            Step{0, "foto_new.jpg", "\xFF\xD8\xFF", 0}}) {
        if (!items->item(step.index)->isEnabled()) {
            continue;
        }
        choice->setCurrentIndex(step.index);
        test::clickEntry(w, "foto.bmp");
        QVERIFY(test::runAndWait(w));
        QVERIFY(t.services->messages.empty());
        const auto out = test::readFileBytes(dir.file(step.written));
        const std::string bytes(out.begin(), out.end());
        QCOMPARE(bytes.substr(step.at, std::strlen(step.head)), std::string(step.head));
    }
    // What does not apply is grey: the strong mode to a format other than
    // JPEG, the format to a lossless rewrite, which writes JPEG.
    QCheckBox* strong = w.quality()->chkCompression();
    for (const int index : {1, 0}) {
        choice->setCurrentIndex(index);
        QCOMPARE(strong->isEnabled(), index == 0);
    }
    w.outputs()->chkLossless()->setChecked(true);
    QVERIFY(!choice->isEnabled());
    w.outputs()->chkLossless()->setChecked(false);
    QVERIFY(choice->isEnabled());

    const int last = items->item(2)->isEnabled() ? 2 : 1;
    choice->setCurrentIndex(last);
    QVERIFY(w.close());
    QCOMPARE(ReadIniValue(SettingsSection, "Format", ini, "?"), std::to_string(last));
}

void WindowStateTest::closingWritesTheChosenNamingOption_data() {
    QTest::addColumn<int>("option");
    QTest::addColumn<QString>("stored");
    QTest::newRow("own tag") << 2 << "2";
    QTest::newRow("tag list") << 1 << "1";
}

void WindowStateTest::closingWritesTheChosenNamingOption() {
    QFETCH(int, option);
    QFETCH(QString, stored);
    test::TempDir dir;
    const std::string ini = dir.file("vendrik.ini");
    {
        auto t = openWindow(settingsFor(dir.path().string()), ini);
        QTest::mouseClick(t.window->naming()->optName(option), Qt::LeftButton);
        QVERIFY(t.window->close());
    }
    QCOMPARE(QString::fromStdString(ReadIniValue(SettingsSection, "optTag", ini, "?")), stored);
    // The keys in the order the window stores them.
    const auto bytes = test::readFileBytes(ini);
    const std::string written(bytes.begin(), bytes.end());
    std::size_t at = 0;
    for (const char* key : {"Quelle=", "LastSavePath=", "Quality=", "Size=", "SamePath=", "Tag=",
                            "PreTags=", "OrigSize=", "manH=", "manW=", "optTag=", "chkAnfang="}) {
        const std::size_t found = written.find(std::string("\n") + key, at);
        QVERIFY2(found != std::string::npos, key);
        at = found + 1;
    }
}

void WindowStateTest::samePathGreysTheTargetFieldButNotItsButton() {
    test::TempDir dir;
    Settings s = settingsFor(dir.path().string());
    s.samePath = false;
    auto t = openWindow(s);
    PathsPanel* p = t.window->paths();
    QVERIFY(p->txtPath(2)->isEnabled());
    QTest::mouseClick(p->chkSamePath(), Qt::LeftButton);
    QVERIFY(p->chkSamePath()->isChecked());
    QVERIFY(!p->txtPath(2)->isEnabled());
    QVERIFY(p->ButtonBrowse(2)->isEnabled());
    QCOMPARE(QApplication::focusWidget(), t.window->dummy());
    QTest::mouseClick(p->chkSamePath(), Qt::LeftButton);
    QVERIFY(p->txtPath(2)->isEnabled());
}

void WindowStateTest::cancellingTheSourceChooserChangesNothing() {
    test::TempDir dir;
    test::writeBmp(dir.file("a.bmp"), 64, 48, 1);
    auto t = openWindow(settingsFor(dir.path().string()));
    QVERIFY(test::clickAndWaitForPreview(*t.window, "a.bmp"));
    const QString size = t.window->preview()->lblSize()->text();
    QVERIFY(t.window->preview()->picPreview()->pixmap().width() > 0);
    // A file added meanwhile shows only when the list is re-read.
    test::writeBmp(dir.file("b.bmp"), 64, 48, 2);
    t.services->chosenFolder.clear();  // cancelled: the start path comes back
    QTest::mouseClick(t.window->paths()->ButtonBrowse(0), Qt::LeftButton);
    QCOMPARE(t.services->chooserCaptions, QStringList{QStringLiteral("Quell-Pfad auswählen")});
    QCOMPARE(t.window->files()->FileList()->count(), 1);
    QCOMPARE(t.window->preview()->lblSize()->text(), size);
    QVERIFY(t.window->preview()->picPreview()->pixmap().width() > 0);
    QCOMPARE(QApplication::focusWidget(), t.window->dummy());
}

void WindowStateTest::anotherSourceFolderRereadsTheListAndClearsThePreview() {
    test::TempDir dir;
    std::filesystem::create_directory(dir.file("zwei"));
    test::writeBmp(dir.file("a.bmp"), 64, 48, 1);
    test::writeBmp(dir.file("zwei/x.bmp"), 64, 48, 1);
    test::writeBmp(dir.file("zwei/y.bmp"), 64, 48, 1);
    auto t = openWindow(settingsFor(dir.path().string()));
    QVERIFY(test::clickAndWaitForPreview(*t.window, "a.bmp"));
    t.services->chosenFolder = dir.file("zwei") + "/";
    QTest::mouseClick(t.window->paths()->ButtonBrowse(0), Qt::LeftButton);
    QCOMPARE(t.window->paths()->txtPath(0)->text(), QString::fromStdString(dir.file("zwei") + "/"));
    QCOMPARE(t.window->files()->FileList()->count(), 2);
    QVERIFY(test::entry(*t.window, "x.bmp") != nullptr);
    QVERIFY(t.window->preview()->picPreview()->pixmap().isNull());
    QCOMPARE(t.window->preview()->lblSize()->text(), QStringLiteral("Bildgrösse: "));
    QCOMPARE(t.window->preview()->exifLabel(0)->text(), QStringLiteral("Camera:"));
    QCOMPARE(t.window->currentSettings().sourceFolder, dir.file("zwei") + "/");
}

void WindowStateTest::theTargetChooserOnlySetsItsField() {
    test::TempDir dir;
    test::writeBmp(dir.file("a.bmp"), 64, 48, 1);
    auto t = openWindow(settingsFor(dir.path().string()));
    t.services->chosenFolder = "/anderswo/";
    QTest::mouseClick(t.window->paths()->ButtonBrowse(2), Qt::LeftButton);
    QCOMPARE(t.services->chooserCaptions, QStringList{QStringLiteral("Speicher-Pfad auswählen")});
    QCOMPARE(t.window->paths()->txtPath(2)->text(), QStringLiteral("/anderswo/"));
    QCOMPARE(t.window->files()->folder(), dir.path().string());
    QCOMPARE(t.window->files()->FileList()->count(), 1);
}

// The program's own services: the folder chooser opens modally over the
// window (which cannot be used meanwhile) with the source's caption and
// path; cancelled, it changes nothing.
void WindowStateTest::theRealFolderChooserIsModalOverTheWindow() {
    test::TempDir dir;
    test::writeBmp(dir.file("a.bmp"), 64, 48, 1);
    auto t = openWindow(settingsFor(dir.path().string()));
    t.window->setServices(std::make_unique<WindowServices>());
    QString caption;
    bool modal = false;
    whenModalOpens(this, [&](QWidget* open) {
        if (auto* chooser = qobject_cast<frmDirSelect*>(open)) {
            caption = chooser->windowTitle();
            modal = chooser->isModal() && chooser->parentWidget() == t.window.get();
            chooser->reject();
        } else {
            open->close();
        }
    });
    QTest::mouseClick(t.window->paths()->ButtonBrowse(0), Qt::LeftButton);
    QCOMPARE(caption, QStringLiteral("Quell-Pfad auswählen"));
    QVERIFY(modal);
    QCOMPARE(t.window->paths()->txtPath(0)->text(), QString::fromStdString(dir.path().string()));
    QCOMPARE(t.window->files()->FileList()->count(), 1);
}

// "weitere Einstellungen...": the designer opens with the picture last
// clicked behind its preview, the main window hidden meanwhile and shown
// again after; "ÜBERNEHMEN" replaces the design the next run uses and
// stores it.
void WindowStateTest::theDesignerHidesTheWindowAndTakesTheLastPicture() {
    test::TempDir dir;
    test::writeBmp(dir.file("a.bmp"), 640, 480, 1);
    const std::string ini = dir.file("vendrik.ini");
    auto t = openWindow(settingsFor(dir.path().string()), ini);
    QVERIFY(test::clickAndWaitForPreview(*t.window, "a.bmp"));
    bool hidden = false;
    bool normalPointer = false;
    whenModalOpens(this, [&](QWidget* open) {
        auto* designer = qobject_cast<frmWatermark*>(open);
        auto* text = designer != nullptr ? designer->findChild<QPlainTextEdit*>("Text1") : nullptr;
        auto* apply =
            designer != nullptr ? designer->findChild<ccXPButton*>("ccXPButton1") : nullptr;
        if (text == nullptr || apply == nullptr) {
            open->close();
            return;
        }
        hidden = !t.window->isVisible();
        normalPointer = QApplication::overrideCursor() == nullptr;
        text->setPlainText(QStringLiteral("Neuer Text"));
        // Pressed as the accessibility interface presses it: a synthetic
        // mouse click here would still be inside the click that opened
        // the designer.
        apply->click();  // "ÜBERNEHMEN"
    });
    QVERIFY(!t.window->chkWatermark()->isChecked());
    QTest::mouseClick(t.window->ccXPButton4(), Qt::LeftButton);
    QVERIFY(hidden);
    QVERIFY(normalPointer);
    QVERIFY(t.window->isVisible());
    // A design taken with "ÜBERNEHMEN" is meant to be used: "einblenden" is on.
    QVERIFY(t.window->chkWatermark()->isChecked());
    QCOMPARE(QString::fromStdString(t.window->design().text), QStringLiteral("Neuer Text"));
    QCOMPARE(QString::fromStdString(ReadIniValue(SettingsSection, "Info", ini, "")),
             QStringLiteral("Neuer Text"));
    QCOMPARE(t.window->currentSettings().watermark.text, std::string("Neuer Text"));
}

void WindowStateTest::readyDisablesExactlyTheRunsControls() {
    test::TempDir dir;
    test::writeBmp(dir.file("a.bmp"), 64, 48, 1);
    auto t = openWindow(settingsFor(dir.path().string()));
    frmOptimize& w = *t.window;
    const QMap<QWidget*, bool> before = enabledStates(w);
    w.Ready(false);
    QSet<QWidget*> off{w.quality()->ccXPButton1(0), w.quality()->ccXPButton1(1),
                       w.quality()->ccXPButton1(2), w.ccXPButton2(),
                       w.sizes()->cboSizes(),       w.paths()->ButtonBrowse(0),
                       w.paths()->ButtonBrowse(2),  w.quality()->HScroll1(),
                       w.files()->FileList()};
    // And every frame that shapes the output, so that nothing a run reads
    // can change under it ("Optimal", the paths, the naming, "Metadaten").
    for (QWidget* frame : w.runLockedControls()) {
        off.insert(frame);
    }
    for (auto it = before.begin(); it != before.end(); ++it) {
        QWidget* c = it.key();
        // Children of a disabled control (the list's viewport) follow it.
        bool insideOff = false;
        for (QWidget* o : off) {
            insideOff = insideOff || o->isAncestorOf(c);
        }
        const bool want = off.contains(c) || insideOff ? false : it.value();
        QVERIFY2(c->isEnabled() == want, qPrintable(c->metaObject()->className() +
                                                    QStringLiteral(" ") + c->accessibleName()));
    }
    QVERIFY(!w.quality()->ccXPButton1(3)->isEnabled());
    QVERIFY(!w.paths()->txtPath(0)->isEnabled());
    QVERIFY(!w.quality()->cboMetadata()->isEnabled());
    QVERIFY(!w.naming()->txtTag()->isEnabled());
    QVERIFY(w.cancelButton()->isEnabled() == before.value(w.cancelButton()));
    w.Ready(true);
    QCOMPARE(enabledStates(w), before);
}

void WindowStateTest::keepingTheOriginalSizeKeepsTheSizeListOffAfterARun() {
    test::TempDir dir;
    Settings s = settingsFor(dir.path().string());
    s.origSize = true;
    auto t = openWindow(s);
    QVERIFY(!t.window->sizes()->cboSizes()->isEnabled());
    t.window->Ready(false);
    t.window->Ready(true);
    QVERIFY(!t.window->sizes()->cboSizes()->isEnabled());
    QVERIFY(t.window->ccXPButton2()->isEnabled());
}

// "nur verlustfrei": the box, the compression and the watermark do not
// apply and are greyed out, the metadata choice stays; a run in between
// leaves it so; unticking brings back exactly what was there.
void WindowStateTest::losslessGreysOutWhatDoesNotApplyAlsoAfterARun() {
    test::TempDir dir;
    auto t = openWindow(settingsFor(dir.path().string()));
    frmOptimize& w = *t.window;
    const QMap<QWidget*, bool> before = enabledStates(w);
    const QList<QWidget*> greyed{w.sizes(),
                                 w.quality()->HScroll1(),
                                 w.quality()->maxSizeField(),
                                 w.quality()->optQuali(0),
                                 w.quality()->optQuali(1),
                                 w.quality()->ccXPButton1(0),
                                 w.quality()->ccXPButton1(3),
                                 w.chkWatermark(),
                                 w.ccXPButton4()};
    QTest::mouseClick(w.outputs()->chkLossless(), Qt::LeftButton);
    for (int round = 0; round < 2; ++round) {
        for (QWidget* c : greyed) {
            QVERIFY2(!c->isEnabled(), qPrintable(c->accessibleName()));
        }
        QVERIFY(w.quality()->cboMetadata()->isEnabled());
        QVERIFY(w.outputs()->chkNeverLarger()->isEnabled());
        QVERIFY(w.ccXPButton2()->isEnabled());
        w.Ready(false);
        QVERIFY(!w.outputs()->isEnabled());
        w.Ready(true);
    }
    QVERIFY(w.currentSettings().lossless);
    QTest::mouseClick(w.outputs()->chkLossless(), Qt::LeftButton);
    QCOMPARE(enabledStates(w), before);
}

// "einblenden", a sampling chosen by hand and "Hochformat wie Querformat"
// come back at the next start and reach its runs.
void WindowStateTest::theSwitchesAreKeptAcrossStarts() {
    test::TempDir dir;
    const std::string ini = dir.file("vendrik.ini");
    {
        auto t = openWindow(settingsFor(dir.path().string()), ini);
        frmOptimize& w = *t.window;
        QVERIFY(!w.chkWatermark()->isChecked());
        QVERIFY(w.quality()->optQuali(0)->isChecked());  // 80: the slider's rule
        QTest::mouseClick(w.chkWatermark(), Qt::LeftButton);
        QTest::mouseClick(w.quality()->optQuali(1), Qt::LeftButton);
        QTest::mouseClick(w.outputs()->chkTurnBox(), Qt::LeftButton);
        QVERIFY(w.close());
    }
    auto t = openWindow(loadSettings(ini), ini);
    frmOptimize& w = *t.window;
    QVERIFY(w.chkWatermark()->isChecked());
    QVERIFY(w.quality()->optQuali(1)->isChecked());
    QVERIFY(w.outputs()->chkTurnBox()->isChecked());
    const BatchSettings run = w.runSettings(1);
    QVERIFY(static_cast<bool>(run.picture.watermark));
    QCOMPARE(run.picture.sampling, std::optional<Sampling>(Sampling::Faster));
    QCOMPARE(run.picture.boxTurn, BoxTurn::ToPicture);
    // Moving the slider ends the choice by hand, as ever.
    w.quality()->HScroll1()->setValue(85);
    QVERIFY(w.quality()->optQuali(0)->isChecked());
    QCOMPARE(w.currentSettings().samplingChoice, 0);
}

// The frame a control stands in, if any.
QWidget* frameOf(QWidget* c) {
    for (QWidget* p = c->parentWidget(); p != nullptr; p = p->parentWidget()) {
        if (qobject_cast<QGroupBox*>(p) != nullptr) {
            return p;
        }
    }
    return nullptr;
}

// Where a control sits, as a reader takes the window in: the paths, the left
// column, the right column, the status bar.
int regionOf(frmOptimize& w, QWidget* c) {
    if (w.paths()->isAncestorOf(c)) {
        return 0;
    }
    if (w.statusBar()->isAncestorOf(c)) {
        return 3;
    }
    return c->mapTo(&w, QPoint(0, 0)).x() <
                   w.files()->mapTo(&w, QPoint(0, 0)).x() + w.files()->width()
               ? 1
               : 2;
}

void WindowStateTest::tabReachesEveryControlInReadingOrder_data() {
    QTest::addColumn<bool>("tagAtStart");
    QTest::newRow("tag at the end") << false;
    QTest::newRow("tag at the start") << true;
}

// From the source path on, Tab visits every control that takes the focus
// once, in reading order, and comes back: the file list right after the
// paths, the quality slider among them.
void WindowStateTest::tabReachesEveryControlInReadingOrder() {
    QFETCH(bool, tagAtStart);
    test::TempDir dir;
    test::writeBmp(dir.file("a.bmp"), 64, 48, 1);
    Settings s = settingsFor(dir.path().string());
    s.samePath = false;  // the target field takes the focus
    s.sizeIndex = 10;    // and so do the own size fields
    s.tagAtStart = tagAtStart;
    auto t = openWindow(s);
    frmOptimize& w = *t.window;
    QWidget* first = w.paths()->txtPath(0);
    first->setFocus();
    QList<QWidget*> visited{first};
    for (int i = 0; i < 100; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (QApplication::focusWidget() == first) {
            break;
        }
        visited << QApplication::focusWidget();
    }
    QCOMPARE(QApplication::focusWidget(), first);
    // Taken after the walk: the list's focus clicks its current picture,
    // which enables "Vergleich".
    QList<QWidget*> reachable;
    for (QWidget* c : w.findChildren<QWidget*>()) {
        const auto* option = qobject_cast<QRadioButton*>(c);
        if (c->isVisibleTo(&w) && c->isEnabled() && (c->focusPolicy() & Qt::TabFocus) != 0 &&
            c->focusProxy() == nullptr && (option == nullptr || option->isChecked())) {
            reachable << c;
        }
    }
    QCOMPARE(QSet<QWidget*>(visited.begin(), visited.end()).size(), visited.size());
    // The controls Tab misses or reaches beyond those that take the focus,
    // by class and name, so that a failure says which.
    QString differ;
    for (const auto& [from, other, sign] :
         {std::tuple(&reachable, &visited, '-'), std::tuple(&visited, &reachable, '+')}) {
        for (QWidget* c : *from) {
            if (!other->contains(c)) {
                const QString name = c->accessibleName().isEmpty()
                                         ? c->property("text").toString()
                                         : c->accessibleName();
                differ += QStringLiteral(" %1%2 '%3'").arg(sign).arg(
                    QString::fromLatin1(c->metaObject()->className()), name);
            }
        }
    }
    QVERIFY2(differ.isEmpty(), qPrintable(differ));
    QCOMPARE(visited.indexOf(w.files()->FileList()), visited.indexOf(w.paths()->chkSamePath()) + 1);
    QVERIFY(visited.contains(w.quality()->HScroll1()));
    for (qsizetype i = 1; i < visited.size(); ++i) {
        QWidget* a = visited[i - 1];
        QWidget* b = visited[i];
        const int ra = regionOf(w, a);
        const int rb = regionOf(w, b);
        QVERIFY2(ra <= rb,
                 qPrintable(a->objectName() + QStringLiteral(" > ") + b->accessibleName()));
        if (ra != rb) {
            continue;
        }
        // In a region: the next one on a lower line, or further right on the
        // same line; from one frame to the next, the frames so.
        QWidget* fa = frameOf(a);
        QWidget* fb = frameOf(b);
        if (fa != fb && fa != nullptr && fb != nullptr) {
            a = fa;
            b = fb;
        }
        const QRect ga(a->mapTo(&w, QPoint(0, 0)), a->size());
        const QRect gb(b->mapTo(&w, QPoint(0, 0)), b->size());
        const bool below = gb.top() >= ga.center().y() && gb.center().y() > ga.bottom();
        const bool sameLine = gb.top() < ga.bottom() && ga.top() < gb.bottom();
        QVERIFY2(
            below || (sameLine && gb.left() > ga.left()),
            qPrintable(QStringLiteral("%1 (%2) before %3 (%4)")
                           .arg(a->property("text").toString(), a->metaObject()->className(),
                                b->property("text").toString(), b->metaObject()->className())));
    }
}

// A later start's path: a picture lists its folder with the picture marked,
// a folder is listed, anything else changes nothing.
void WindowStateTest::aLaterStartsFolderOrPictureOpensHere() {
    test::TempDir first;
    test::TempDir second;
    test::writeBmp(second.file("x.bmp"), 64, 48, 1);
    test::writeBmp(second.file("y.bmp"), 64, 48, 2);
    auto t = openWindow(settingsFor(first.path().string()));
    frmOptimize& w = *t.window;
    w.openRequested(second.file("y.bmp"));
    QCOMPARE(w.files()->folder(), second.path().string() + "/");
    QCOMPARE(w.files()->markedFileNames(), std::vector<std::string>{"y.bmp"});
    QCOMPARE(w.paths()->txtPath(0)->text(), QString::fromStdString(second.path().string() + "/"));
    w.openRequested(first.path().string());
    QCOMPARE(w.files()->folder(), first.path().string() + "/");
    for (const std::string& nothing :
         {second.file("liste.txt"), second.file("fehlt/z.jpg"), std::string()}) {
        w.openRequested(nothing);
        QCOMPARE(w.files()->folder(), first.path().string() + "/");
    }
}

// Alt and the underlined letter press the control; no two controls of the
// window share a letter.
void WindowStateTest::accessKeysAreDistinctAndPressTheirControls() {
    test::TempDir dir;
    auto t = openWindow(settingsFor(dir.path().string()));
    frmOptimize& w = *t.window;
    QMap<QChar, QString> keys;
    for (const QAbstractButton* b : w.findChildren<QAbstractButton*>()) {
        const qsizetype at = b->text().indexOf(QLatin1Char('&'));
        if (at >= 0 && at + 1 < b->text().size()) {
            const QChar key = b->text().at(at + 1).toLower();
            QVERIFY2(!keys.contains(key), qPrintable(keys.value(key) + " / " + b->text()));
            keys.insert(key, b->text());
        }
    }
    QVERIFY(keys.size() >= 9);
    QTest::keyClick(&w, Qt::Key_W, Qt::AltModifier);  // "Website"
    QCOMPARE(w.quality()->HScroll1()->value(), 60);
    QTest::keyClick(&w, Qt::Key_P, Qt::AltModifier);  // "Optimal"
    QCOMPARE(w.quality()->HScroll1()->value(), 90);
    QTest::keyClick(&w, Qt::Key_I, Qt::AltModifier);  // "einblenden", clicked after a blink
    QTRY_VERIFY(w.chkWatermark()->isChecked());
}

QTEST_MAIN(WindowStateTest)
#include "window_state_test.moc"
