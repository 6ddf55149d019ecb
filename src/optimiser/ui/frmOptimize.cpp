#include "optimiser/ui/frmOptimize.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <string_view>
#include <thread>

#include "common/picture_endings.h"
#include "common/regular_file.h"
#include "controls/XP_ProgressBar.h"
#include "controls/ccXPButton.h"
#include "optimiser/batch_settings_from.h"
#include "optimiser/output_folder.h"
#include "optimiser/run_report.h"
#include "optimiser/ui/comparison_window.h"
#include "optimiser/ui/drop_target.h"
#include "optimiser/ui/file_list_panel.h"
#include "optimiser/ui/filtered_line_edit.h"
#include "optimiser/ui/naming_panel.h"
#include "optimiser/ui/output_choices_panel.h"
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

// The window's size: 575 pixels wide (8625 twips) and 662 high, 104 more
// than the 558 (8370 twips) of the window without the metadata choice's
// row, the estimate's row under the preview, the row of "kleinere Dateien
// (langsamer)", the frame "Ausgaben: " and the status bar with the last
// run's summary and "Zielordner öffnen". With its title bar it fits the 720
// pixels a 1080 screen at scale 1.5 has beside a panel: the frame "Info: "
// spans both columns with each bar beside its caption, and the watermark's
// frame stands beside the naming.
constexpr QSize kWindowSize{575, 662};

// The left column (file list and preview) at the window's own size, the
// window's side margins and the space between the columns.
constexpr int kListWidth = 168;
constexpr int kMargin = 8;
constexpr int kColumnSpacing = 8;

// How long the settings must rest before the estimate is computed: a slider
// dragged or a number typed computes once, at its end.
constexpr int kEstimateDelayMs = 200;
// Shown while the estimate is computed.
constexpr std::string_view kEstimatePending = "ca. … KB";

// The start button's caption for `marked` pictures, with the access key
// both captions have: Alt+B starts either run.
QString startCaption(int marked) {
    return marked == 1 ? withAccessKey(qtText(kSingleRunCaption), QLatin1Char('B'))
                       : withAccessKey(qtText(kBatchRunCaption), QLatin1Char('b'));
}

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
    applyReadingOrder();

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

// The frame "Info: " under both columns: each progress bar beside its
// caption, and "12 von 500" after the overall bar.
QGroupBox* frmOptimize::buildInfoFrame() {
    auto* infoFrame = new QGroupBox(QStringLiteral("Info: "), this);
    auto* infoGrid = new QGridLayout(infoFrame);
    infoGrid->setContentsMargins(8, 2, 8, 5);
    infoGrid->setHorizontalSpacing(8);
    infoGrid->setVerticalSpacing(3);
    infoGrid->setColumnStretch(1, 1);
    m_progressCount = new QLabel(infoFrame);
    m_progressCount->setObjectName(QStringLiteral("progressCount"));
    m_progressCount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_progressCount->setAccessibleDescription(QStringLiteral("Bilder fertig von allen"));
    m_progressCount->setMinimumWidth(
        QFontMetrics(m_progressCount->font()).horizontalAdvance(QStringLiteral("00000 von 00000")));
    auto addBar = [&](int row, const QString& caption) {
        auto* label = new QLabel(caption, infoFrame);
        auto* bar = new XP_ProgressBar(infoFrame);
        bar->setAccessibleName(caption);
        bar->setShowText(true);
        bar->setFixedHeight(15);
        infoGrid->addWidget(label, row, 0);
        infoGrid->addWidget(bar, row, 1);
        return bar;
    };
    m_overall = addBar(0, QStringLiteral("Fortschritt gesamt (Stapelverarbeitung):"));
    m_current = addBar(1, QStringLiteral("Fortschritt aktuelles Bild:"));
    infoGrid->addWidget(m_progressCount, 0, 2);
    return infoFrame;
}

void frmOptimize::buildLayout() {
    m_paths = new PathsPanel(this);
    m_size = new SizePanel(m_dummy, this);
    m_quality = new QualityPanel(m_dummy, this);
    m_outputs = new OutputChoicesPanel(m_dummy, this);
    m_naming = new NamingPanel(m_dummy, this);
    m_files = new FileListPanel(this);
    m_preview = new PreviewPanel(this);

    auto* watermarkFrame = new QGroupBox(QStringLiteral("Wasserzeichen: "), this);
    m_watermarkFrame = watermarkFrame;
    // Access keys (Alt and the underlined letter) for the window's actions
    // whose captions have a letter no other action takes.
    m_watermark = new QCheckBox(QStringLiteral("e&inblenden"), watermarkFrame);
    m_designerButton = new ccXPButton(QStringLiteral("weitere &Einstellungen..."), watermarkFrame);
    m_designerButton->setFixedHeight(23);
    // Beside the naming: the switch over the button.
    auto* watermarkRows = new QVBoxLayout(watermarkFrame);
    watermarkRows->setContentsMargins(6, 2, 6, 5);
    watermarkRows->setSpacing(3);
    watermarkRows->addWidget(m_watermark);
    watermarkRows->addWidget(m_designerButton);

    QGroupBox* infoFrame = buildInfoFrame();

    m_start = new ccXPButton(startCaption(1), this);
    m_start->setFixedSize(170, 27);
    m_start->setDefault(true);
    m_cancel = new ccXPButton(QStringLiteral("&Abbrechen"), this);
    m_cancel->setFixedSize(90, 27);
    m_cancel->setEnabled(false);
    // The presets live in a dialog of their own, so the window keeps its height.
    m_presets = new ccXPButton(QStringLiteral("Voreinstellungen..."), this);
    m_presets->setFixedHeight(27);
    m_presets->setToolTip(QStringLiteral("Eigene Voreinstellungen speichern, anwenden, löschen"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_presets);
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
    right->addWidget(m_outputs);
    auto* namingAndWatermark = new QHBoxLayout;
    namingAndWatermark->setSpacing(6);
    namingAndWatermark->addWidget(m_naming, 1);
    namingAndWatermark->addWidget(watermarkFrame);
    right->addLayout(namingAndWatermark);
    right->addStretch(1);
    right->addLayout(buttons);
    // A larger window gives its room to the file list and the preview; the
    // controls keep the width they have at the window's own size.
    m_files->setMinimumWidth(kListWidth);
    m_preview->setMinimumWidth(kListWidth);
    auto* controls = new QWidget(this);
    controls->setLayout(right);
    right->setContentsMargins(0, 0, 0, 0);
    controls->setFixedWidth(kWindowSize.width() - 2 * kMargin - kListWidth - kColumnSpacing);

    auto* middle = new QHBoxLayout;
    middle->setSpacing(kColumnSpacing);
    middle->addLayout(left, 1);
    middle->addWidget(controls);

    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* root = new QVBoxLayout(central);
    root->setContentsMargins(kMargin, 4, kMargin, 6);
    root->setSpacing(4);
    root->addWidget(m_paths);
    root->addLayout(middle, 1);
    root->addWidget(infoFrame);

    // The last run's summary stays in the status bar until the next run
    // starts, beside the button that opens its target folder.
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("runSummary"));
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_openTarget = new ccXPButton(qtText(kOpenTargetCaption), this);
    m_openTarget->setFixedHeight(21);
    m_openTarget->setVisible(false);
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(m_summary, 1);
    statusBar()->addPermanentWidget(m_openTarget);

    m_context = new QMenu(this);
    m_context->addAction(QStringLiteral("Löschen..."), this, [this] { mnuDelete_Click(); });
}

void frmOptimize::applyReadingOrder() {
    std::vector<QWidget*> order = {
        m_paths->txtPath(0),    m_paths->ButtonBrowse(0), m_paths->chkSubfolders(),
        m_paths->txtPath(2),    m_paths->ButtonBrowse(2), m_paths->chkSamePath(),
        m_files->FileList(),    m_files->ccXPButton3(),   m_preview->cmdCompare(),
        m_size->cboSizes(),     m_size->txtSizeH(),       m_size->txtSizeW(),
        m_size->Check1(),       m_size->chkNoEnlarge(),   m_quality->optQuali(0),
        m_quality->optQuali(1), m_quality->HScroll1(),    m_quality->maxSizeField(),
    };
    for (int e = 0; e < 4; ++e) {
        order.push_back(m_quality->ccXPButton1(e));
    }
    order.insert(order.end(), {m_quality->cboMetadata(), m_quality->cboFormat(),
                               m_quality->chkCompression(),
                               m_outputs->chkNeverLarger(), m_outputs->chkLossless(),
                               m_outputs->chkKeepDates(), m_outputs->chkTurnBox()});
    const std::vector<QWidget*> naming = m_naming->readingOrder();
    order.insert(order.end(), naming.begin(), naming.end());
    order.insert(order.end(),
                 {m_watermark, m_designerButton, m_presets, m_cancel, m_start, m_openTarget});
    for (std::size_t i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
}

void frmOptimize::connectControls() {
    connect(m_paths, &PathsPanel::browseClicked, this, [this](int i) { browse(i); });
    connect(m_paths, &PathsPanel::samePathClicked, this, [this] {
        m_paths->applySamePath();
        if (m_files->subfolders()) {
            refreshFolder();  // the target may have been inside the tree
        }
        focusDummy();
    });
    connect(m_paths->chkSubfolders(), &QCheckBox::clicked, this, [this] { refreshFolder(); });
    connect(m_paths->txtPath(2), &QLineEdit::editingFinished, this, [this] {
        if (m_files->subfolders()) {
            refreshFolder();
        }
    });
    // A folder typed into the source field and confirmed with Enter is
    // taken as if it had been chosen.
    connect(m_paths->txtPath(0), &QLineEdit::returnPressed, this, [this] {
        const std::string typed = m_paths->txtPath(0)->text().toStdString();
        if (typed != m_files->folder() && FolderExists(typed)) {
            sourceFolderChosen(typed);
        }
    });

    // Drops from a file manager: on the window (any place without a drop
    // of its own) and on the list, pictures or a folder to list; on a path
    // field, the path it takes.
    new DropTarget(centralWidget(), [this](const QStringList& p) { picturesDropped(p); });
    new DropTarget(m_files->FileList()->viewport(),
                   [this](const QStringList& p) { picturesDropped(p); });
    for (const int index : {0, 2}) {
        new DropTarget(m_paths->txtPath(index),
                       [this, index](const QStringList& p) { pathDropped(index, p); });
    }

    connect(m_files, &FileListPanel::entryChosen, this, &frmOptimize::entryChosen);
    connect(m_files, &FileListPanel::markedCountChanged, this, &frmOptimize::markedCountChanged);
    connect(m_files, &FileListPanel::entryDoubleClicked, this, &frmOptimize::openEntry);
    connect(m_files, &FileListPanel::contextMenuWanted, this, &frmOptimize::showContextMenu);
    connect(m_files, &FileListPanel::refreshClicked, this, &frmOptimize::refreshFolder);

    // "am Anfang" moves the "_" to the other side of its field (the panel's
    // own handler has run).
    connect(m_naming->chkAnfang(), &QCheckBox::clicked, this, [this] { applyReadingOrder(); });
    connect(m_watermark, &QCheckBox::clicked, this, [this] { focusDummy(); });
    connect(m_designerButton, &ccXPButton::Click, this, [this] { ccXPButton4_Click(); });

    connect(m_start, &ccXPButton::Click, this, [this] { ccXPButton2_Click(); });
    connect(m_cancel, &ccXPButton::Click, this, [this] { cancelRun(); });
    connect(m_run, &RunController::overallProgress, m_overall, &XP_ProgressBar::setValue);
    connect(m_run, &RunController::currentProgress, m_current,
            [this](int /*picture*/, int value) { m_current->setValue(value); });
    connect(m_run, &RunController::pictureFinished, this, [this] { pictureDone(); });
    connect(m_run, &RunController::finished, this, &frmOptimize::runFinished);
    connect(m_openTarget, &ccXPButton::Click, this, [this] { openTargetFolder(); });
    connect(m_presets, &ccXPButton::Click, this, [this] { showPresets(); });

    // The estimate follows the picture and every setting that shapes its
    // output (not the naming nor the folders: they change no byte).
    connect(m_preview, &PreviewPanel::previewShown, this, &frmOptimize::scheduleEstimate);
    connect(m_estimateDelay, &QTimer::timeout, this, &frmOptimize::startEstimate);
    connect(m_estimate, &SizeEstimate::estimated, this,
            [this] { m_preview->showEstimate(estimateText(m_estimate->bytes())); });
    connect(m_preview->cmdCompare(), &ccXPButton::Click, this, [this] { openComparison(); });
    const auto changed = [this] {
        ++m_outputSettingsVersion;
        scheduleEstimate();
    };
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
    connect(m_quality->chkCompression(), &QCheckBox::toggled, this, changed);
    connect(m_watermark, &QCheckBox::toggled, this, changed);
    connect(m_outputs->chkNeverLarger(), &QCheckBox::toggled, this, changed);
    connect(m_outputs->chkLossless(), &QCheckBox::toggled, this, changed);
    connect(m_outputs->chkTurnBox(), &QCheckBox::toggled, this, changed);
    connect(m_outputs->chkLossless(), &QCheckBox::toggled, this, [this] { showLossless(); });
    // Kept at its own size, a picture has no box to turn.
    connect(m_size->Check1(), &QCheckBox::toggled, this, [this] { showLossless(); });
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
    applyOutputSettings(s);
    m_paths->chkSamePath()->setChecked(s.samePath);
    m_paths->applySamePath();
    m_paths->chkSubfolders()->setChecked(s.subfolders);
    m_paths->txtPath(0)->setText(QString::fromStdString(s.sourceFolder));
    m_paths->txtPath(2)->setText(QString::fromStdString(s.targetFolder));
    takeTreeChoice();
    m_files->setFolder(s.sourceFolder);
    setWindowTitle(qtText(ProductTitle));
}

void frmOptimize::applyOutputSettings(const Settings& s) {
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
    m_outputs->chkKeepDates()->setChecked(s.keepDates);
    m_outputs->chkNeverLarger()->setChecked(s.neverLarger);
    m_outputs->chkLossless()->setChecked(s.lossless);
    m_outputs->chkTurnBox()->setChecked(s.turnBox);
    showLossless();
    m_size->txtSizeH()->setText(QString::fromStdString(s.manH));
    m_size->txtSizeW()->setText(QString::fromStdString(s.manW));
    m_quality->HScroll1()->setValue(s.quality);
    m_quality->HScroll1_Change();
    // A sampling chosen by hand holds for the stored quality it was chosen at.
    if (s.samplingChoice == 1 || s.samplingChoice == 2) {
        m_quality->chooseSampling(s.samplingChoice == 1 ? Sampling::Best : Sampling::Faster);
    }
    if (s.metadata >= 0 && s.metadata < m_quality->cboMetadata()->count()) {
        m_quality->cboMetadata()->setCurrentIndex(s.metadata);
    }
    m_quality->chooseFormat(s.format);
    m_quality->chkCompression()->setChecked(s.strongCompression);
    if (s.sizeIndex >= 0 && s.sizeIndex < m_size->cboSizes()->count()) {
        m_size->cboSizes()->setCurrentIndex(s.sizeIndex);
        cboSizes_Click();
    }
    m_watermark->setChecked(s.watermarkOn);
    m_naming->txtTag()->setText(QString::fromStdString(s.tag));
}

bool frmOptimize::selectFileName(const std::string& fileName) {
    return m_files->selectFileName(fileName);
}

void frmOptimize::openRequested(const std::string& path) {
    if (isMinimized()) {
        showNormal();
    }
    show();
    raise();
    activateWindow();
    if (path.empty()) {
        return;
    }
    if (FolderExists(path) || (isPictureArgument(path) && FolderExists(ParentPath(path)))) {
        picturesDropped({QString::fromStdString(path)});
    }
}

// ---- Procedures ----------------------------------------------------------

void frmOptimize::SetAnfang(int position) {
    m_naming->SetAnfang(position);
    applyReadingOrder();
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
    for (QWidget* control : runLockedControls()) {
        control->setEnabled(enabled);
    }
    if (enabled) {
        showLossless();
    }
}

std::vector<QWidget*> frmOptimize::runLockedControls() const {
    return {m_paths, m_size, m_quality, m_naming, m_watermarkFrame, m_outputs, m_presets};
}

void frmOptimize::showLossless() {
    // A lossless rewrite keeps the source's size, quality and pixels: the
    // box (and its turn), the compression, the format (it writes JPEG) and
    // the watermark do not apply. The metadata choice does.
    const bool apply = !m_outputs->chkLossless()->isChecked();
    m_size->setEnabled(apply);
    m_quality->cboFormat()->setEnabled(apply);
    m_quality->HScroll1()->setEnabled(apply);
    m_quality->qualityLabel()->setEnabled(apply);
    m_quality->maxSizeField()->setEnabled(apply);
    for (int i = 0; i < 2; ++i) {
        m_quality->optQuali(i)->setEnabled(apply);
    }
    for (int e = 0; e < 4; ++e) {
        m_quality->ccXPButton1(e)->setEnabled(apply);
    }
    m_watermark->setEnabled(apply);
    m_designerButton->setEnabled(apply);
    m_outputs->chkTurnBox()->setEnabled(apply && !m_size->Check1()->isChecked());
}

void frmOptimize::takeTreeChoice() {
    const bool beside = m_paths->chkSamePath()->isChecked();
    m_files->setTree(m_paths->chkSubfolders()->isChecked(),
                     beside ? std::string() : m_paths->txtPath(2)->text().toStdString());
}

void frmOptimize::refreshFolder() {
    takeTreeChoice();
    m_files->refresh();
    forgetClickedPicture();
    focusDummy();
}

void frmOptimize::forgetClickedPicture() {
    m_preview->clear();
    m_estimateDelay->stop();
    m_estimate->cancel();
    m_lastClicked.clear();
    m_comparedPicture.clear();
    if (m_comparison != nullptr) {
        m_comparison->clear();
    }
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
    m_estimatedPicture = m_lastClicked;
    m_estimatedVersion = m_outputSettingsVersion;
    refreshComparison();
}

void frmOptimize::openComparison() {
    if (m_lastClicked.empty()) {
        return;
    }
    if (m_comparison == nullptr) {
        m_comparison = new ComparisonWindow(this);
    }
    m_comparison->show();
    m_comparison->raise();
    m_comparison->activateWindow();
    m_comparedPicture.clear();  // a closed view showed nothing any more
    refreshComparison();
}

void frmOptimize::refreshComparison() {
    if (m_comparison == nullptr || !m_comparison->isVisible() || m_lastClicked.empty() ||
        (m_comparedPicture == m_lastClicked && m_comparedVersion == m_outputSettingsVersion)) {
        return;
    }
    m_comparedPicture = m_lastClicked;
    m_comparedVersion = m_outputSettingsVersion;
    // The estimate's answer for this very picture and these settings is the
    // output the comparison would compute, the encoding being most of it.
    std::shared_ptr<const EncodedPicture> known;
    if (!m_estimate->busy() && m_estimatedPicture == m_lastClicked &&
        m_estimatedVersion == m_outputSettingsVersion) {
        known = m_estimate->output();
    }
    m_comparison->compare(m_lastClicked, runSettings(1).picture, std::move(known));
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
    if (index == 2 && chosen != before && m_files->subfolders()) {
        refreshFolder();
    }
    if (index != 0 || chosen == before) {
        return;
    }
    sourceFolderChosen(chosen);
}

void frmOptimize::sourceFolderChosen(const std::string& folder) {
    m_paths->txtPath(0)->setText(QString::fromStdString(folder));
    takeTreeChoice();
    m_files->setFolder(folder);
    forgetClickedPicture();
}

// ---- Drops ---------------------------------------------------------------

void frmOptimize::picturesDropped(const QStringList& paths) {
    if (m_run->running() || paths.isEmpty()) {
        return;
    }
    namespace fs = std::filesystem;
    const fs::path first = paths.front().toStdString();
    std::error_code ec;
    if (fs::is_directory(first, ec)) {
        std::string folder = first.string();
        sourceFolderChosen(AddBackslash(folder));
        focusDummy();
        return;
    }
    // The pictures of the first one's folder are marked; others of other
    // folders cannot be marked in one list.
    const fs::path folder = first.parent_path();
    std::vector<std::string> names;
    for (const QString& p : paths) {
        const fs::path file = p.toStdString();
        if (file.parent_path() == folder) {
            names.push_back(file.filename().string());
        }
    }
    std::string listed = folder.string();
    sourceFolderChosen(AddBackslash(listed));
    // The first marked entry becomes the current one and shows its preview.
    static_cast<void>(m_files->markFileNames(names));
}

void frmOptimize::pathDropped(int index, const QStringList& paths) {
    namespace fs = std::filesystem;
    fs::path dropped = paths.front().toStdString();
    std::error_code ec;
    if (!fs::is_directory(dropped, ec)) {
        dropped = dropped.parent_path();
    }
    std::string folder = dropped.string();
    AddBackslash(folder);
    QLineEdit* field = m_paths->txtPath(index);
    field->setText(QString::fromStdString(folder));
    if (index == 0 && folder != m_files->folder()) {
        sourceFolderChosen(folder);
    }
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
    m_start->setCaption(startCaption(count));
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
    // The designer shows this window again however it closes. A design
    // taken with "ÜBERNEHMEN" is meant to be used: "einblenden" goes on.
    if (designer.exec() == QDialog::Accepted) {
        m_watermark->setChecked(true);
    }
    // "ÜBERNEHMEN" may have changed the design the estimate composites.
    ++m_outputSettingsVersion;
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
    if (!prepareTargetFolder(batch.targetFolder)) {
        return;
    }

    // The one marked picture for a single run. (The list's current entry
    // may be another, unmarked one after a Ctrl+click took a mark away.)
    // An entry of a tree goes into its own subfolder of the target, as
    // `vendrik-cli optimise -r -o` writes it.
    std::vector<BatchSource> sources;
    for (const std::string& name : marked) {
        const auto slash = name.rfind('/');
        sources.push_back(
            {fullPath(name), slash == std::string::npos ? std::string() : name.substr(0, slash)});
        if (single) {
            break;
        }
    }
    m_runTarget = batch.targetFolder;
    m_runSourceFolder = m_files->folder();
    m_runTotal = sources.size();
    m_runFinished = 0;
    m_progressCount->setText(QString::fromStdString(progressCountText(0, m_runTotal)));
    m_summary->clear();
    m_openTarget->setVisible(false);

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

bool frmOptimize::prepareTargetFolder(const std::string& folder) {
    if (folder.empty()) {
        return true;  // beside the sources
    }
    std::error_code ec;
    if (!std::filesystem::exists(folder, ec) && !ec) {
        if (!m_services->askYesNo(this, QString::fromStdString(missingTargetQuestion(folder)))) {
            return false;
        }
        std::filesystem::create_directories(folder, ec);
        if (ec) {
            m_services->showMessage(
                this, QString::fromStdString(targetNotMadeMessage(folder, systemErrorText(ec.value()))),
                MessageIcon::Exclamation);
            return false;
        }
    }
    // A file in the folder's place, or a folder nobody may write to: said
    // once, instead of once for every picture.
    if (const Result<void> usable = checkTargetFolder(folder); !usable) {
        m_services->showMessage(this, QString::fromStdString(usable.reason()),
                                MessageIcon::Exclamation);
        return false;
    }
    return true;
}

void frmOptimize::pictureDone() {
    ++m_runFinished;
    m_progressCount->setText(
        QString::fromStdString(progressCountText(m_runFinished, m_runTotal)));
}

void frmOptimize::showRunSummary() {
    const std::vector<PictureResult>& results = m_run->results();
    // The sources' sizes now: a run never changes its sources.
    std::uint64_t before = 0;
    for (const PictureResult& r : results) {
        std::error_code ec;
        if (r.status == PictureStatus::Written) {
            const std::uintmax_t size = std::filesystem::file_size(r.source, ec);
            before += ec ? 0 : size;
        }
    }
    const RunCounts counts = countResults(results);
    m_summary->setText(QString::fromStdString(
        vendrik::runSummary(counts, before, m_run->cancelRequested())));
    m_openTarget->setVisible(counts.written > 0);
}

void frmOptimize::openTargetFolder() {
    focusDummy();
    const std::string folder = m_runTarget.empty() ? m_runSourceFolder : m_runTarget;
    if (!folder.empty()) {
        m_services->openWithShell(this, folder);
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
    showRunSummary();
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
    s.strongCompression = m_quality->chkCompression()->isChecked();
    s.keepDates = m_outputs->chkKeepDates()->isChecked();
    s.neverLarger = m_outputs->chkNeverLarger()->isChecked();
    s.lossless = m_outputs->chkLossless()->isChecked();
    s.turnBox = m_outputs->chkTurnBox()->isChecked();
    s.watermarkOn = m_watermark->isChecked();
    if (const std::optional<Sampling> chosen = m_quality->sampling()) {
        s.samplingChoice = *chosen == Sampling::Best ? 1 : 2;
    }
    s.subfolders = m_paths->chkSubfolders()->isChecked();
    s.firstRun = m_firstRunFlag;
    s.watermark = m_design;
    return s;
}

BatchSettings frmOptimize::runSettings(std::size_t pictures) const {
    const Settings settings = currentSettings();
    RunChoices choices;
    choices.pictures = pictures;
    choices.watermark = settings.watermarkOn && !settings.lossless;
    choices.jobs = m_jobs;
    BatchSettings batch = batchSettingsFrom(settings, choices);
    // The sampling the user chose by hand, if any.
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

void frmOptimize::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    // The preview grows with the window, as much as the smaller of its
    // growths allows, so that it keeps its shape.
    const double grown = std::min(static_cast<double>(width()) / kWindowSize.width(),
                                  static_cast<double>(height()) / kWindowSize.height());
    m_preview->setScale(std::max(1.0, grown));
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
