#include "window_fixture.h"

#include <sys/stat.h>

#include <QComboBox>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <filesystem>

#include "controls/ccXPButton.h"
#include "optimiser/ui/file_list_panel.h"
#include "optimiser/ui/preview_panel.h"
#include "support/test_support.h"

namespace vendrik::test {

void ScriptedServices::showMessage(QWidget*, const QString& text, MessageIcon icon) {
    messages.push_back({text, icon});
}

bool ScriptedServices::askYesNo(QWidget*, const QString& text) {
    questions.push_back(text);
    if (answers.empty()) {
        return true;
    }
    const bool a = answers.front();
    answers.pop_front();
    return a;
}

std::string ScriptedServices::chooseFolder(QWidget*, const QString& caption,
                                           const std::string& startPath) {
    chooserCaptions.push_back(caption);
    return chosenFolder.empty() ? startPath : chosenFolder;
}

void ScriptedServices::openWithShell(QWidget*, const std::string& path) {
    opened.push_back(path);
}

WindowUnderTest openWindow(const Settings& settings, const std::string& settingsFile, int jobs) {
    WindowUnderTest t;
    t.window = std::make_unique<frmOptimize>(settingsFile, settings.watermark);
    auto services = std::make_unique<ScriptedServices>();
    t.services = services.get();
    t.window->setServices(std::move(services));
    t.window->setJobs(jobs);
    t.window->applySettings(settings);
    t.window->show();
    t.window->cboSizes_Click();
    t.window->activateWindow();
    if (!QTest::qWaitForWindowActive(t.window.get())) {
        qWarning("the window did not become active");
    }
    return t;
}

Settings settingsFor(const std::string& folder) {
    Settings s;
    s.sourceFolder = folder;
    s.targetFolder = folder;
    s.samePath = true;
    s.sizeIndex = 0;
    s.quality = 80;
    s.preTags = 5;  // "new"
    s.optTag = 1;
    s.tagAtStart = false;
    return s;
}

QStringList entries(frmOptimize& w) {
    QStringList names;
    for (int i = 0; i < w.files()->FileList()->count(); ++i) {
        names << w.files()->FileList()->item(i)->text();
    }
    return names;
}

QListWidgetItem* entry(frmOptimize& w, const QString& name) {
    const auto found = w.files()->FileList()->findItems(name, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.front();
}

void clickEntry(frmOptimize& w, const QString& name, bool addToMarks) {
    QListWidget* list = w.files()->FileList();
    QListWidgetItem* item = entry(w, name);
    if (item == nullptr) {
        qWarning("no entry %s", qPrintable(name));
        return;
    }
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton,
                      addToMarks ? Qt::ControlModifier : Qt::NoModifier,
                      list->visualItemRect(item).center());
}

void markAll(frmOptimize& w) {
    QListWidget* list = w.files()->FileList();
    for (int i = 0; i < list->count(); ++i) {
        clickEntry(w, list->item(i)->text(), i > 0);
    }
}

bool runAndWait(frmOptimize& w, int timeoutMs) {
    QSignalSpy ended(&w, &frmOptimize::runEnded);
    QTest::mouseClick(w.ccXPButton2(), Qt::LeftButton);
    return !ended.isEmpty() || ended.wait(timeoutMs);
}

bool clickAndWaitForPreview(frmOptimize& w, const QString& name) {
    QSignalSpy shown(w.preview(), &PreviewPanel::previewShown);
    clickEntry(w, name);
    return !shown.isEmpty() || shown.wait(20000);
}

JpegFrame jpegFrame(const std::string& path) {
    const std::vector<std::uint8_t> b = readFileBytes(path);
    JpegFrame f;
    for (std::size_t i = 2; i + 12 < b.size();) {
        if (b[i] != 0xFF) {
            return f;
        }
        const std::uint8_t marker = b[i + 1];
        const std::size_t length = (std::size_t{b[i + 2]} << 8) | b[i + 3];
        if (marker == 0xC0) {
            f.height = (b[i + 5] << 8) | b[i + 6];
            f.width = (b[i + 7] << 8) | b[i + 8];
            f.lumaSampling = b[i + 11];
            return f;
        }
        i += 2 + length;
    }
    return f;
}

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void writeHostileFiles(const std::string& folder) {
    const std::string base = folder + "/";
    writeBmp(base + "kaputt.jpg", 64, 48, 1);
    auto bytes = readFileBytes(base + "kaputt.jpg");
    bytes[0] = 0xFF;  // a JPEG's start, then garbage
    bytes[1] = 0xD8;
    bytes[2] = 0xFF;
    writeFileBytes(base + "kaputt.jpg", bytes);

    std::vector<std::uint8_t> header(54, 0);
    header[0] = 'B';
    header[1] = 'M';
    header[10] = 54;
    header[14] = 40;
    header[18] = 0x60;  // 60000 = 0xEA60, wide and high
    header[19] = 0xEA;
    header[22] = 0x60;
    header[23] = 0xEA;
    header[26] = 1;
    header[28] = 24;
    writeFileBytes(base + "riesig.bmp", header);

    writeBmp(base + "gesperrt.png", 64, 48, 1);
    ::chmod((base + "gesperrt.png").c_str(), 0);
    std::filesystem::create_directory(base + "ordner.jpg");
}

}  // namespace vendrik::test
