#include "optimiser/ui/frmOptimize.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <filesystem>
#include <string_view>
#include <thread>

#include "controls/XP_ProgressBar.h"
#include "controls/ccXPButton.h"
#include "optimiser/batch_settings_from.h"
#include "optimiser/run_report.h"
#include "optimiser/ui/file_list_panel.h"
#include "optimiser/ui/filtered_line_edit.h"
#include "optimiser/ui/naming_panel.h"
#include "optimiser/ui/paths_panel.h"
#include "optimiser/ui/preview_panel.h"
#include "optimiser/ui/quality_panel.h"
#include "optimiser/ui/run_controller.h"
#include "optimiser/ui/size_estimate.h"
#include "optimiser/ui/size_panel.h"
#include "optimiser/ui/window_look.h"
#include "optimiser/ui/window_services.h"
#include "optimiser/ui/window_texts.h"
#include "startup/path_helpers.h"
#include "startup/settings_file.h"
#include "startup/ui/window_placement.h"
#include "startup/window_helpers.h"
#include "watermark/ui/frmWatermark.h"

namespace vendrik {
namespace {

// The window's size: 575 pixels wide (8625 twips) and 600 high, 42 more
// than the 558 (8370 twips) of the window without the metadata choice's
// row, the field "höchstens N KB" at its own height beside the slider and
// the estimate's row under the preview.
constexpr QSize kWindowSize{575, 600};

// How long the settings must rest before the estimate is computed: a slider
// dragged or a number typed computes once, at its end.
constexpr int kEstimateDelayMs = 200;
// Shown while the estimate is computed.
constexpr std::string_view kEstimatePending = "ca. … KB";

// Holds the normal pointer over a question asked while the hourglass shows.
class NormalPointer {
public:
    NormalPointer() {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~NormalPointer() {
        QApplication::restoreOverrideCursor();
    }
    NormalPointer(const NormalPointer&) = delete;
    NormalPointer& operator=(const NormalPointer&) = delete;
};

}  // namespace

frmOptimize::frmOptimize(std::string settingsFile, WatermarkSettings design, QWidget* parent)
    : QMainWindow(parent),
      m_settingsFile(std::move(settingsFile)),
      m_design(std::move(design)),
      m_services(std::make_unique<WindowServices>()),
      m_jobs(static_cast<int>(std::max(1U, std::thread::hardware_concurrency()))) {
    setWindowTitle(qtText(ProductTitle));
    // Clicks end with the focus on this invisible button, so that no control
    // keeps a focus mark from a click.
    m_dummy = new QWidget(this);
    m_dummy->setObjectName(QStringLiteral("dummy"));
    m_dummy->setFixedSize(0, 0);
    m_dummy->setFocusPolicy(Qt::NoFocus);

    m_run = new RunController(this);
    m_run->setReplaceQuestion([this](const std::string& target) { return askReplace(target); });
    m_estimate = new SizeEstimate(this);
    m_estimateDelay = new QTimer(this);
    m_estimateDelay->setSingleShot(true);
    m_estimateDelay->setInterval(kEstimateDelayMs);
    buildLayout();
    connectControls();

    // Load: the window's size, centred a little above the middle.
    resize(kWindowSize);
    if (const QScreen* screen = QGuiApplication::primaryScreen(); screen != nullptr) {
        move(centredOnScreen(screen->availableGeometry(), kWindowSize));
    }
    m_runMode = 1;

    // The settings are written however the window goes: the session's
    // logout asks the program to save before it is ended; a quit without a
    // close (a signal to the program) still writes them once.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { saveSettings(); });
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { unload(); });
}

frmOptimize::~frmOptimize() = default;

void frmOptimize::buildLayout() {
    m_paths = new PathsPanel(this);
    m_size = new SizePanel(m_dummy, this);
    m_quality = new QualityPanel(m_dummy, this);
    m_naming = new NamingPanel(m_dummy, this);
    m_files = new FileListPanel(this);
    m_preview = new PreviewPanel(this);

    auto* watermarkFrame = new QGroupBox(QStringLiteral("Wasserzeichen: "), this);
    m_watermark = new QCheckBox(QStringLiteral("einblenden"), watermarkFrame);
    m_designerButton = new ccXPButton(QStringLiteral("weitere Einstellungen..."), watermarkFrame);
    m_designerButton->setFixedHeight(23);
    auto* watermarkRow = new QHBoxLayout(watermarkFrame);
    watermarkRow->setContentsMargins(8, 2, 8, 5);
    watermarkRow->addWidget(m_watermark);
    watermarkRow->addStretch(1);
    watermarkRow->addWidget(m_designerButton);

    auto* infoFrame = new QGroupBox(QStringLiteral("Info: "), this);
    auto* infoColumn = new QVBoxLayout(infoFrame);
    infoColumn->setContentsMargins(8, 2, 8, 5);
    infoColumn->setSpacing(1);
    auto addBar = [&](const QString& caption) {
        auto* label = new QLabel(caption, infoFrame);
        auto* bar = new XP_ProgressBar(infoFrame);
        bar->setAccessibleName(caption);
        bar->setShowText(true);
        bar->setFixedHeight(15);
        infoColumn->addWidget(label);
        infoColumn->addWidget(bar);
        return bar;
    };
    m_overall = addBar(QStringLiteral("Fortschritt gesamt (Stapelverarbeitung):"));
    m_current = addBar(QStringLiteral("Fortschritt aktuelles Bild:"));

    m_start = new ccXPButton(qtText(kSingleRunCaption), this);
    m_start->setFixedSize(170, 27);
    m_start->setDefault(true);
    m_cancel = new ccXPButton(QStringLiteral("Abbrechen"), this);
    m_cancel->setFixedSize(90, 27);
    m_cancel->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_start);

    auto* left = new QVBoxLayout;
    left->setSpacing(5);
    left->addWidget(m_files, 1);
    left->addWidget(m_preview);
    auto* right = new QVBoxLayout;
    right->setSpacing(3);
    right->addWidget(m_size);
    right->addWidget(m_quality);
    right->addWidget(m_naming);
    right->addWidget(watermarkFrame);
    right->addWidget(infoFrame);
    right->addStretch(1);
    right->addLayout(buttons);
    m_files->setFixedWidth(188);
    m_preview->setFixedWidth(188);

    auto* middle = new QHBoxLayout;
    middle->setSpacing(8);
    middle->addLayout(left);
    middle->addLayout(right, 1);

    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* root = new QVBoxLayout(central);
    root->setContentsMargins(8, 4, 8, 6);
    root->setSpacing(4);
    root->addWidget(m_paths);
    root->addLayout(middle, 1);

    m_context = new QMenu(this);
    m_context->addAction(QStringLiteral("Löschen..."), this, [this] { mnuDelete_Click(); });
}

void frmOptimize::connectControls() {
    connect(m_paths, &PathsPanel::browseClicked, this, [this](int i) { browse(i); });
    connect(m_paths, &PathsPanel::samePathClicked, this, [this] {
        m_paths->applySamePath();
        focusDummy();
    });
    // A folder typed into the source field and confirmed with Enter is
    // taken as if it had been chosen.
    connect(m_paths->txtPath(0), &QLineEdit::returnPressed, this, [this] {
        const std::string typed = m_paths->txtPath(0)->text().toStdString();
        if (typed != m_files->folder() && FolderExists(typed)) {
            sourceFolderChosen(typed);
        }
    });

    connect(m_files, &FileListPanel::entryChosen, this, &frmOptimize::entryChosen);
    connect(m_files, &FileListPanel::markedCountChanged, this, &frmOptimize::markedCountChanged);
    connect(m_files, &FileListPanel::entryDoubleClicked, this, &frmOptimize::openEntry);
    connect(m_files, &FileListPanel::contextMenuWanted, this, &frmOptimize::showContextMenu);
    connect(m_files, &FileListPanel::refreshClicked, this, &frmOptimize::refreshFolder);

    connect(m_watermark, &QCheckBox::clicked, this, [this] { focusDummy(); });
    connect(m_designerButton, &ccXPButton::Click, this, [this] { ccXPButton4_Click(); });

    connect(m_start, &ccXPButton::Click, this, [this] { ccXPButton2_Click(); });
    connect(m_cancel, &ccXPButton::Click, this, [this] { cancelRun(); });
    connect(m_run, &RunController::overallProgress, m_overall, &XP_ProgressBar::setValue);
    connect(m_run, &RunController::currentProgress, m_current,
            [this](int /*picture*/, int value) { m_current->setValue(value); });
    connect(m_run, &RunController::finished, this, &frmOptimize::runFinished);

    // The estimate follows the picture and every setting that shapes its
    // output (not the naming nor the folders: they change no byte).
    connect(m_preview, &PreviewPanel::previewShown, this, &frmOptimize::scheduleEstimate);
    connect(m_estimateDelay, &QTimer::timeout, this, &frmOptimize::startEstimate);
    connect(m_estimate, &SizeEstimate::estimated, this,
            [this] { m_preview->showEstimate(estimateText(m_estimate->bytes())); });
    const auto changed = [this] { scheduleEstimate(); };
    connect(m_size->cboSizes(), &QComboBox::activated, this, changed);
    connect(m_size->txtSizeH(), &QLineEdit::textChanged, this, changed);
    connect(m_size->txtSizeW(), &QLineEdit::textChanged, this, changed);
    connect(m_size->Check1(), &QCheckBox::toggled, this, changed);
    connect(m_size->chkNoEnlarge(), &QCheckBox::toggled, this, changed);
    connect(m_quality->HScroll1(), &QScrollBar::valueChanged, this, changed);
    connect(m_quality->optQuali(0), &QRadioButton::clicked, this, changed);
    connect(m_quality->optQuali(1), &QRadioButton::clicked, this, changed);
    connect(m_quality->maxSizeField(), &QSpinBox::valueChanged, this, changed);
    connect(m_quality->cboMetadata(), &QComboBox::currentIndexChanged, this, changed);
    connect(m_quality->cboFormat(), &QComboBox::currentIndexChanged, this, changed);
    connect(m_watermark, &QCheckBox::toggled, this, changed);
}

void frmOptimize::setServices(std::unique_ptr<WindowServices> services) {
    if (services) {
        m_services = std::move(services);
    }
}

void frmOptimize::focusDummy() {
    m_dummy->setFocus();
}

std::string frmOptimize::fullPath(const std::string& fileName) const {
    std::string folder = m_files->folder();
    return AddBackslash(folder) + fileName;
}

// ---- Start-up ------------------------------------------------------------

void frmOptimize::applySettings(const Settings& s) {
    // A stored value the control cannot take leaves its present one.
    if (s.preTags >= 0 && s.preTags < m_naming->cboPreTags()->count()) {
        m_naming->cboPreTags()->setCurrentIndex(s.preTags);
    }
    if (s.optTag == 1 || s.optTag == 2) {
        m_naming->chooseOption(s.optTag);
    }
    m_naming->chkAnfang()->setChecked(s.tagAtStart);
    SetAnfang(s.tagAtStart ? 1 : 0);
    m_size->Check1()->setChecked(s.origSize);
    m_size->chkNoEnlarge()->setChecked(s.noEnlarge);
    Check1_Click();
    m_quality->maxSizeField()->setValue(s.maxSizeKB);
    m_size->txtSizeH()->setText(QString::fromStdString(s.manH));
    m_size->txtSizeW()->setText(QString::fromStdString(s.manW));
    m_quality->HScroll1()->setValue(s.quality);
    m_quality->HScroll1_Change();
    if (s.metadata >= 0 && s.metadata < m_quality->cboMetadata()->count()) {
        m_quality->cboMetadata()->setCurrentIndex(s.metadata);
    }
    m_quality->chooseFormat(s.format);
    if (s.sizeIndex >= 0 && s.sizeIndex < m_size->cboSizes()->count()) {
        m_size->cboSizes()->setCurrentIndex(s.sizeIndex);
        cboSizes_Click();
    }
    m_paths->chkSamePath()->setChecked(s.samePath);
    m_paths->applySamePath();
    m_naming->txtTag()->setText(QString::fromStdString(s.tag));
    m_paths->txtPath(0)->setText(QString::fromStdString(s.sourceFolder));
    m_files->setFolder(s.sourceFolder);
    m_paths->txtPath(2)->setText(QString::fromStdString(s.targetFolder));
    setWindowTitle(qtText(ProductTitle));
}

bool frmOptimize::selectFileName(const std::string& fileName) {
    return m_files->selectFileName(fileName);
}

// ---- Procedures ----------------------------------------------------------

void frmOptimize::SetAnfang(int position) {
    m_naming->SetAnfang(position);
}

void frmOptimize::Check1_Click() {
    m_size->Check1_Click();
}

void frmOptimize::cboSizes_Click() {
    m_size->cboSizes_Click();
}

void frmOptimize::Ready(bool enabled) {
    for (int e = 0; e < 3; ++e) {
        m_quality->ccXPButton1(e)->setEnabled(enabled);
    }
    m_start->setEnabled(enabled);
    // While the original size is kept the size list stays off, as the check
    // box's rule says.
    m_size->cboSizes()->setEnabled(enabled && !m_size->Check1()->isChecked());
    m_paths->ButtonBrowse(0)->setEnabled(enabled);
    m_paths->ButtonBrowse(2)->setEnabled(enabled);
    m_quality->HScroll1()->setEnabled(enabled);
    m_files->FileList()->setEnabled(enabled);
}

void frmOptimize::refreshFolder() {
    m_files->refresh();
    forgetClickedPicture();
    focusDummy();
}

void frmOptimize::forgetClickedPicture() {
    m_preview->clear();
    m_estimateDelay->stop();
    m_estimate->cancel();
    m_lastClicked.clear();
}

// ---- The estimate ----------------------------------------------------------

void frmOptimize::scheduleEstimate() {
    if (m_lastClicked.empty()) {
        return;
    }
    m_estimate->cancel();
    m_preview->showEstimate(qtText(kEstimatePending));
    m_estimateDelay->start();
}

void frmOptimize::startEstimate() {
    // The preview comes first; its arrival asks again. During a run the
    // run has the cores; its end asks again.
    if (m_lastClicked.empty() || m_preview->busy() || m_run->running()) {
        return;
    }
    m_estimate->request(m_lastClicked, runSettings(1).picture);
}

// ---- Paths ---------------------------------------------------------------

void frmOptimize::browse(int index) {
    focusDummy();
    QLineEdit* field = m_paths->txtPath(index);
    const std::string before = field->text().toStdString();
    const QString caption = index == 0 ? QStringLiteral("Quell-Pfad auswählen")
                                       : QStringLiteral("Speicher-Pfad auswählen");
    const std::string chosen = m_services->chooseFolder(this, caption, before);
    field->setText(QString::fromStdString(chosen));
    if (index != 0 || chosen == before) {
        return;
    }
    sourceFolderChosen(chosen);
}

void frmOptimize::sourceFolderChosen(const std::string& folder) {
    m_paths->txtPath(0)->setText(QString::fromStdString(folder));
    m_files->setFolder(folder);
    forgetClickedPicture();
}

// ---- File list -----------------------------------------------------------

void frmOptimize::entryChosen(const QString& fileName) {
    if (fileName.isEmpty()) {
        return;
    }
    m_lastClicked = fullPath(fileName.toStdString());
    // The old picture's estimate goes at once; the new one's follows its
    // preview.
    m_estimateDelay->stop();
    m_estimate->cancel();
    m_preview->showEstimate({});
    m_preview->showPicture(m_lastClicked);
}

void frmOptimize::markedCountChanged(int count) {
    m_runMode = count == 1 ? 1 : 2;
    m_start->setCaption(qtText(count == 1 ? kSingleRunCaption : kBatchRunCaption));
}

void frmOptimize::openEntry(const QString& fileName) {
    if (!fileName.isEmpty()) {
        m_services->openWithShell(this, fullPath(fileName.toStdString()));
    }
}

void frmOptimize::showContextMenu(const QPoint& globalPos) {
    m_context->popup(globalPos);
}

void frmOptimize::mnuDelete_Click() {
    const std::string name = m_files->currentFileName();
    if (name.empty()) {
        return;
    }
    if (!m_services->askYesNo(this, QString::fromStdString(deleteQuestion(name)))) {
        return;
    }
    // A file that cannot be deleted stays; the list is re-read all the same.
    std::error_code ec;
    std::filesystem::remove(fullPath(name), ec);
    refreshFolder();
}

// ---- Watermark -----------------------------------------------------------

void frmOptimize::ccXPButton4_Click() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    focusDummy();
    // The designer takes the horizontal and vertical placement from the
    // design, and the picture last clicked for its preview. A design it
    // cannot store goes unnoticed, as every failed write of the settings
    // file does; it still holds for this session.
    DesignerHost host;
    host.keep = [file = m_settingsFile](const WatermarkSettings& design) {
        static_cast<void>(saveWatermarkSettings(design, file));
    };
    host.place = centredOnScreen;
    frmWatermark designer(m_design, std::move(host), this);
    if (!m_lastClicked.empty()) {
        static_cast<void>(designer.LoadExternalPic(m_lastClicked));
    }
    hide();
    QApplication::restoreOverrideCursor();
    // The designer shows this window again however it closes.
    designer.exec();
    // "ÜBERNEHMEN" may have changed the design the estimate composites.
    scheduleEstimate();
}

// ---- The run -------------------------------------------------------------

bool frmOptimize::running() const {
    return m_run->running();
}

void frmOptimize::ccXPButton2_Click() {
    if (m_run->running()) {
        return;
    }
    const std::vector<std::string> marked = m_files->markedFileNames();
    if (marked.empty()) {
        m_services->showMessage(this, qtText(kChooseFirstMessage), MessageIcon::Information);
        return;
    }
    const bool single = m_runMode != 2;
    if (single && m_firstRunFlag == 1) {
        m_services->showMessage(this, qtText(kBatchHint), MessageIcon::Information);
        m_firstRunFlag = 0;
    }

    BatchSettings batch = runSettings(single ? 1 : marked.size());

    std::vector<std::string> sources;
    if (single) {
        // The one marked picture. (The list's current entry may be another,
        // unmarked one after a Ctrl+click took a mark away.)
        sources.push_back(fullPath(marked.front()));
    } else {
        for (const std::string& name : marked) {
            sources.push_back(fullPath(name));
        }
    }
    m_runTarget = batch.targetFolder;

    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_overall->setValue(0);
    m_current->setValue(0);
    // The focus leaves the controls about to be disabled for the hidden
    // button, not for the next field in line.
    focusDummy();
    Ready(false);
    m_cancel->setEnabled(true);
    m_run->start(std::move(sources), std::move(batch));
}

void frmOptimize::cancelRun() {
    if (m_run->running()) {
        m_cancel->setEnabled(false);
        m_run->cancel();
    }
}

bool frmOptimize::askReplace(const std::string& targetName) {
    const NormalPointer pointer;
    return m_services->askYesNo(this, QString::fromStdString(overwriteQuestion(targetName)));
}

void frmOptimize::runFinished() {
    QApplication::restoreOverrideCursor();
    m_cancel->setEnabled(false);
    Ready(true);
    // The new files show when they went into the listed folder.
    std::string listed = m_files->folder();
    std::string target = m_runTarget;
    const bool intoList = m_runTarget.empty() || m_paths->chkSamePath()->isChecked() ||
                          m_paths->txtPath(0)->text().compare(m_paths->txtPath(2)->text(),
                                                              Qt::CaseInsensitive) == 0 ||
                          AddBackslash(listed) == AddBackslash(target);
    if (intoList) {
        refreshFolder();
    }
    focusDummy();
    // Pictures the run could not write are named here, once, after the run.
    if (const std::string report = failedPicturesMessage(m_run->results()); !report.empty()) {
        m_services->showMessage(this, QString::fromStdString(report), MessageIcon::Exclamation);
    }
    // The estimate waited for the run (when the list was re-read, there is
    // no clicked picture any more).
    scheduleEstimate();
    emit runEnded();
    if (m_closeWhenDone) {
        close();
    }
}

// ---- Settings and unload -------------------------------------------------

Settings frmOptimize::currentSettings() const {
    Settings s;
    s.sourceFolder = m_files->folder();
    s.targetFolder = m_paths->txtPath(2)->text().toStdString();
    s.quality = m_quality->HScroll1()->value();
    s.sizeIndex = m_size->SizeIndex();
    s.samePath = m_paths->chkSamePath()->isChecked();
    s.tag = m_naming->txtTag()->text().toStdString();
    s.preTags = m_naming->cboPreTags()->currentIndex();
    s.origSize = m_size->Check1()->isChecked();
    s.manH = m_size->txtSizeH()->text().toStdString();
    s.manW = m_size->txtSizeW()->text().toStdString();
    s.optTag = m_naming->chosenOption();
    s.tagAtStart = m_naming->chkAnfang()->isChecked();
    s.metadata = m_quality->cboMetadata()->currentIndex();
    s.noEnlarge = m_size->chkNoEnlarge()->isChecked();
    s.maxSizeKB = m_quality->maxSizeField()->value();
    s.format = m_quality->cboFormat()->currentIndex();
    s.firstRun = m_firstRunFlag;
    s.watermark = m_design;
    return s;
}

BatchSettings frmOptimize::runSettings(std::size_t pictures) const {
    const Settings settings = currentSettings();
    RunChoices choices;
    choices.pictures = pictures;
    choices.watermark = m_watermark->isChecked();
    choices.jobs = m_jobs;
    BatchSettings batch = batchSettingsFrom(settings, choices);
    // The sampling the user chose by hand, if any (not stored).
    batch.picture.sampling = m_quality->sampling();
    return batch;
}

bool frmOptimize::saveSettings() {
    return saveMainWindowSettings(currentSettings(), m_settingsFile);
}

void frmOptimize::unload() {
    if (m_unloaded) {
        return;
    }
    m_unloaded = true;
    saveSettings();
}

void frmOptimize::closeEvent(QCloseEvent* e) {
    if (m_run->running()) {
        // The pictures in hand are finished first; the window closes when
        // the run has ended.
        m_closeWhenDone = true;
        cancelRun();
        e->ignore();
        return;
    }
    unload();
    e->accept();
}

}  // namespace vendrik
