#pragma once
// frmOptimize: Vendrik's main window. The user picks the source and target
// folders, marks pictures in the file list (a click shows the preview and
// the EXIF summary; "Vergleich" beside it shows the output at full size next
// to the source), chooses the target box, the JPEG quality, the naming
// rule and the watermark, and starts the run; two progress bars follow it.
//
// How the program drives it (apps/vendrik/main.cpp):
//   frmOptimize w(startup.settingsFile, startup.settings.watermark);  // loads
//   w.setFirstRunFlag(startup.FirstRunFlag);
//   w.applySettings(startup.settings);   // the controls, in start-up's order
//   w.show(); w.cboSizes_Click(); ...
//   w.selectFileName(startup.fileToSelect) or w.refreshFolder();
// When it closes, by any way (its close button, the program quitting, the
// desktop's logout), it writes its settings keys.
//
// The window is split into panels (paths, size, quality, naming, file list,
// preview) that hold their controls and their own rules; the window wires
// them, applies and collects the settings and runs the batch through a
// RunController off the window thread. It is a QMainWindow so that the
// desktop (and its screen readers) see it as the program's main window.

#include <QMainWindow>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "optimiser/batch_engine.h"
#include "startup/settings.h"
#include "watermark/watermark_settings.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QTimer;

namespace vendrik {

class ccXPButton;
class XP_ProgressBar;
class PathsPanel;
class SizePanel;
class QualityPanel;
class OutputChoicesPanel;
class NamingPanel;
class FileListPanel;
class PreviewPanel;
class RunController;
class SizeEstimate;
class ComparisonWindow;
class WindowServices;

class frmOptimize : public QMainWindow {
    Q_OBJECT
public:
    // The load handler: centres the window at its size, fills the lists and
    // sets the starting state (RunMode 1). `settingsFile` is where the window
    // writes its keys when it closes; `design` is the watermark design read
    // at start-up, which the designer may replace.
    frmOptimize(std::string settingsFile, WatermarkSettings design, QWidget* parent = nullptr);
    ~frmOptimize() override;
    frmOptimize(const frmOptimize&) = delete;
    frmOptimize& operator=(const frmOptimize&) = delete;

    // ---- Start-up ----------------------------------------------------------
    // Puts the settings into the controls in start-up's order: the tag list,
    // the naming option, "am Anfang" (then SetAnfang), "Originalgröße(n)
    // beibehalten" (then Check1_Click), the own size, the quality slider,
    // the size list, "Gleicher Pfad", the own tag, the two folders (the
    // source folder is read into the file list).
    void applySettings(const Settings& settings);
    // FirstRunFlag as start-up read it: 1 shows the one-time hint before the
    // first single run.
    void setFirstRunFlag(std::int16_t flag) {
        m_firstRunFlag = flag;
    }
    // Marks the first entry equal to `fileName` ignoring case and shows its
    // preview; false when the list has none.
    bool selectFileName(const std::string& fileName);
    // A later start's folder or picture (an absolute path; empty for a start
    // without one): the window comes to the front and lists the folder, a
    // picture marked in it. During a run it only comes to the front; a path
    // that is neither a picture nor a folder is ignored, as at start-up.
    void openRequested(const std::string& path);

    // ---- The window's procedures -------------------------------------------
    void SetAnfang(int position);
    void Check1_Click();
    void cboSizes_Click();
    // Disables (false) or enables (true) the controls a run must not touch:
    // "Website", "eMail", "Normal", the start button, the size list, both
    // "..." buttons, the quality slider and the file list, and with them
    // every control in runLockedControls().
    void Ready(bool enabled);
    // Everything that shapes what a run writes (folders, size, quality,
    // metadata, naming, watermark), as whole frames: a control put into
    // one of these frames is locked during a run without further ado; a
    // control outside them that shapes the output belongs in this list.
    [[nodiscard]] std::vector<QWidget*> runLockedControls() const;
    // "Ordner aktualisieren": re-reads the list, clears the preview and its
    // labels, focus to the hidden button.
    void refreshFolder();
    // The start button.
    void ccXPButton2_Click();
    // "Abbrechen" during a run: the pictures in hand are finished, no other
    // starts.
    void cancelRun();

    // ---- Own presets ("Voreinstellungen") -----------------------------------
    // The presets of the settings file, in its order.
    [[nodiscard]] std::vector<std::string> presetNames() const;
    // Saves what the controls say about the outputs (size, quality, sampling
    // chosen by hand, naming, metadata, the switches, the watermark's design
    // and "einblenden") under `name`. A name that cannot be one (empty, a
    // line break, a quality button's name) or a failed write is said in a
    // message box; false then.
    bool savePresetAs(const std::string& name);
    // Puts a preset into the controls (the folders stay); false when the
    // file has none of that name.
    bool applyPreset(const std::string& name);
    // Removes a preset from the settings file; false when it could not.
    bool deletePreset(const std::string& name);
    // Opens the presets dialog ("Voreinstellungen...").
    void showPresets();

    // ---- State -------------------------------------------------------------
    // 1: exactly one picture marked (single run), 2: any other number.
    [[nodiscard]] int RunMode() const {
        return m_runMode;
    }
    // The values the window would store now (its keys and the watermark
    // design).
    [[nodiscard]] Settings currentSettings() const;
    // The run the controls describe now, for `pictures` marked pictures.
    [[nodiscard]] BatchSettings runSettings(std::size_t pictures) const;
    // Writes its keys; false when the file could not be written.
    bool saveSettings();
    [[nodiscard]] const WatermarkSettings& design() const {
        return m_design;
    }
    [[nodiscard]] bool running() const;
    // The picture last clicked in the list (its full path), or empty.
    [[nodiscard]] const std::string& lastClickedPicture() const {
        return m_lastClicked;
    }

    // ---- For tests and benchmarks ------------------------------------------
    // Replaces the message boxes, questions, folder chooser and shell.
    void setServices(std::unique_ptr<WindowServices> services);
    // Pictures processed at once (default: the machine's cores).
    void setJobs(int jobs) {
        m_jobs = jobs;
    }

    [[nodiscard]] PathsPanel* paths() const {
        return m_paths;
    }
    [[nodiscard]] SizePanel* sizes() const {
        return m_size;
    }
    [[nodiscard]] QualityPanel* quality() const {
        return m_quality;
    }
    [[nodiscard]] OutputChoicesPanel* outputs() const {
        return m_outputs;
    }
    [[nodiscard]] NamingPanel* naming() const {
        return m_naming;
    }
    [[nodiscard]] FileListPanel* files() const {
        return m_files;
    }
    [[nodiscard]] PreviewPanel* preview() const {
        return m_preview;
    }
    [[nodiscard]] RunController* runController() const {
        return m_run;
    }
    // The estimated output size of the picture last clicked (lblEstimate).
    [[nodiscard]] SizeEstimate* sizeEstimate() const {
        return m_estimate;
    }
    // The comparison view "Vergleich", once it has been opened; else null.
    [[nodiscard]] ComparisonWindow* comparison() const {
        return m_comparison;
    }
    [[nodiscard]] ccXPButton* ccXPButton2() const {
        return m_start;
    }
    [[nodiscard]] ccXPButton* cancelButton() const {
        return m_cancel;
    }
    [[nodiscard]] ccXPButton* ccXPButton4() const {
        return m_designerButton;
    }
    [[nodiscard]] QCheckBox* chkWatermark() const {
        return m_watermark;
    }
    [[nodiscard]] XP_ProgressBar* XP_ProgressBar1() const {
        return m_overall;
    }
    [[nodiscard]] XP_ProgressBar* XP_ProgressBar2() const {
        return m_current;
    }
    [[nodiscard]] QWidget* dummy() const {
        return m_dummy;
    }
    [[nodiscard]] QMenu* mnuContext() const {
        return m_context;
    }
    // "12 von 500" beside the bars during a run (empty before the first).
    [[nodiscard]] QLabel* progressCount() const {
        return m_progressCount;
    }
    // The last run's summary in the status bar, and the button that opens
    // its target folder in the file manager.
    [[nodiscard]] QLabel* runSummary() const {
        return m_summary;
    }
    [[nodiscard]] ccXPButton* openTargetButton() const {
        return m_openTarget;
    }
    [[nodiscard]] ccXPButton* presetsButton() const {
        return m_presets;
    }

signals:
    // A run is over and the window is ready again (after the closing
    // message, if there was one).
    void runEnded();

protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void buildLayout();
    // The settings that shape the outputs into their controls, for start-up
    // and for a preset.
    void applyOutputSettings(const Settings& settings);
    void connectControls();
    // "nur verlustfrei" greys out what does not apply to a lossless rewrite.
    void showLossless();
    QGroupBox* buildInfoFrame();
    // Tab goes through the controls as they are read: the paths, the list
    // and what stands under it, then the right column from the size to the
    // start button, then the status bar. The naming changes it.
    void applyReadingOrder();
    // The window closes, or the program quits: the settings are written once.
    void unload();

    // The list's choice of subfolders and the folder it must leave out (the
    // target inside the tree), from the paths frame, before it is read.
    void takeTreeChoice();
    void browse(int index);
    void sourceFolderChosen(const std::string& folder);
    void entryChosen(const QString& fileName);
    void markedCountChanged(int count);
    void openEntry(const QString& fileName);
    void showContextMenu(const QPoint& globalPos);
    void mnuDelete_Click();
    void ccXPButton4_Click();
    void runFinished();
    // The estimate of the clicked picture's output: a setting that shapes
    // the output changed, or the preview came; computed once the changes
    // have settled for a moment.
    void scheduleEstimate();
    void startEstimate();
    // "Vergleich": opens the comparison view on the clicked picture, or
    // brings it to the front, and computes it at once.
    void openComparison();
    // Asks the open comparison view for the clicked picture under the
    // settings now, unless it has them already.
    void refreshComparison();
    // The preview, its labels and the estimate go; no picture is clicked.
    void forgetClickedPicture();
    [[nodiscard]] bool askReplace(const std::string& targetName);
    // The target folder before a run: a missing one is offered to be made,
    // one that cannot take the outputs is named; false: no run.
    [[nodiscard]] bool prepareTargetFolder(const std::string& folder);
    void pictureDone();
    void showRunSummary();
    void openTargetFolder();
    // Pictures or a folder dropped on the window or its list: their folder
    // is listed and the dropped pictures are marked.
    void picturesDropped(const QStringList& paths);
    // A folder or file dropped on a path field (0 source, 2 target): its
    // folder replaces the path.
    void pathDropped(int index, const QStringList& paths);
    [[nodiscard]] std::string fullPath(const std::string& fileName) const;
    void focusDummy();

    std::string m_settingsFile;
    WatermarkSettings m_design;
    std::unique_ptr<WindowServices> m_services;
    int m_runMode = 1;
    std::int16_t m_firstRunFlag = 0;
    int m_jobs = 1;
    std::string m_lastClicked;
    std::string m_runTarget;  // the last run's target folder; empty: beside the sources
    std::string m_runSourceFolder;  // the listed folder the last run's pictures came from
    std::size_t m_runTotal = 0;
    std::size_t m_runFinished = 0;
    bool m_unloaded = false;
    bool m_closeWhenDone = false;

    QWidget* m_dummy = nullptr;
    PathsPanel* m_paths = nullptr;
    SizePanel* m_size = nullptr;
    QualityPanel* m_quality = nullptr;
    OutputChoicesPanel* m_outputs = nullptr;
    NamingPanel* m_naming = nullptr;
    FileListPanel* m_files = nullptr;
    PreviewPanel* m_preview = nullptr;
    QWidget* m_watermarkFrame = nullptr;
    QCheckBox* m_watermark = nullptr;
    ccXPButton* m_designerButton = nullptr;
    XP_ProgressBar* m_overall = nullptr;
    XP_ProgressBar* m_current = nullptr;
    ccXPButton* m_start = nullptr;
    ccXPButton* m_cancel = nullptr;
    QLabel* m_progressCount = nullptr;
    QLabel* m_summary = nullptr;
    ccXPButton* m_openTarget = nullptr;
    ccXPButton* m_presets = nullptr;
    QMenu* m_context = nullptr;
    RunController* m_run = nullptr;
    SizeEstimate* m_estimate = nullptr;
    QTimer* m_estimateDelay = nullptr;
    ComparisonWindow* m_comparison = nullptr;
    // Counts the changes of the settings that shape an output; with the
    // picture it tells whether the comparison shows the present settings.
    std::uint64_t m_outputSettingsVersion = 0;
    std::string m_comparedPicture;
    std::uint64_t m_comparedVersion = 0;
    // What the estimate was last asked for.
    std::string m_estimatedPicture;
    std::uint64_t m_estimatedVersion = 0;
};

}  // namespace vendrik
