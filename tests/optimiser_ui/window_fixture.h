#pragma once
// What the main window's tests share: answers in place of a user (message
// boxes, questions, the folder chooser, the shell), a window set up as
// start-up sets it up, and small readers for what a run wrote.

#include <QString>
#include <QStringList>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "optimiser/ui/frmOptimize.h"
#include "optimiser/ui/window_services.h"
#include "startup/settings.h"

class QListWidgetItem;

namespace vendrik::test {

class ScriptedServices : public WindowServices {
public:
    struct Message {
        QString text;
        MessageIcon icon;
    };

    void showMessage(QWidget* parent, const QString& text, MessageIcon icon) override;
    bool askYesNo(QWidget* parent, const QString& text) override;
    std::string chooseFolder(QWidget* parent, const QString& caption,
                             const std::string& startPath) override;
    void openWithShell(QWidget* parent, const std::string& path) override;

    std::vector<Message> messages;
    QStringList questions;
    std::deque<bool> answers;  // taken in turn; "Ja" when none is left
    QStringList chooserCaptions;
    std::string chosenFolder;  // empty: the chooser is cancelled
    std::vector<std::string> opened;
};

// A window as start-up leaves it: the settings in its controls, shown, the
// size list's click run. The services are scripted; `services` points at
// them for the window's life.
struct WindowUnderTest {
    std::unique_ptr<frmOptimize> window;
    ScriptedServices* services = nullptr;
};
[[nodiscard]] WindowUnderTest openWindow(const Settings& settings,
                                         const std::string& settingsFile = {}, int jobs = 1);

// Settings showing `folder`, writing beside the sources, into the smallest
// box ("120 x 160"), quality 80, the tag "new" at the end.
[[nodiscard]] Settings settingsFor(const std::string& folder);

[[nodiscard]] QListWidgetItem* entry(frmOptimize& w, const QString& name);
// The list's entries in order.
[[nodiscard]] QStringList entries(frmOptimize& w);
// A click on the entry, with Ctrl held to add it to the marks.
void clickEntry(frmOptimize& w, const QString& name, bool addToMarks = false);
// Marks every entry of the list by clicks, Ctrl held from the second on.
void markAll(frmOptimize& w);
// Clicks the start button and waits for the run's end; false on a timeout.
[[nodiscard]] bool runAndWait(frmOptimize& w, int timeoutMs = 60000);
// Clicks an entry and waits until its preview is shown.
[[nodiscard]] bool clickAndWaitForPreview(frmOptimize& w, const QString& name);

struct JpegFrame {
    int width = 0;
    int height = 0;
    int lumaSampling = 0;  // horizontal × 16 + vertical factor of the first component
};
// The frame header of a baseline JPEG; zeros when there is none.
[[nodiscard]] JpegFrame jpegFrame(const std::string& path);

[[nodiscard]] std::vector<std::string> filesIn(const std::string& folder);

// Hostile files in `folder`: "kaputt.jpg" (a JPEG's start, then garbage),
// "riesig.bmp" (a BMP header claiming 60000 × 60000 pixels and no pixels),
// "gesperrt.png" (a picture nobody may read; root still can) and the folder
// "ordner.jpg".
void writeHostileFiles(const std::string& folder);

}  // namespace vendrik::test
