// The main window under measurement, on the offscreen platform. Three modes,
// driven by bench/window_bench.sh:
//
//   window_bench preview FOLDER
//     clicks every picture of FOLDER in turn and measures from the click to
//     the thumbnail and the labels painted; prints the median, the fastest
//     and the slowest in milliseconds. Then the same while the estimate of
//     the picture before is computed, and the time from a click to its
//     estimated output size shown.
//   window_bench folder FOLDER [ROUNDS]
//     opens the window on FOLDER (thousands of pictures) and measures until
//     the list is filled and the window painted, ready for a click; prints
//     the median in milliseconds.
//   window_bench tree FOLDER [ROUNDS]
//     the window with "mit Unterordnern" on FOLDER (a tree of thousands of
//     pictures): from "Ordner aktualisieren" to the list filled, while a
//     timer asks the window to repaint every 16 ms; prints the median time
//     and the longest the window went without a repaint.
//   window_bench run SETTINGS_FILE
//     opens the window as start-up does with SETTINGS_FILE, marks every
//     picture of its source folder, clicks the start button and waits for
//     the run's end (timed from outside, with the peak memory).

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QListWidget>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "controls/ccXPButton.h"
#include "optimiser/ui/file_list_panel.h"
#include "optimiser/ui/frmOptimize.h"
#include "optimiser/ui/preview_panel.h"
#include "optimiser/ui/size_estimate.h"
#include "optimiser/ui/window_services.h"
#include "startup/settings.h"
#include "window_driving.h"

namespace {

using namespace vendrik;

// Messages would wait for a user; the bench counts them instead.
class CountingServices : public WindowServices {
public:
    void showMessage(QWidget*, const QString& text, MessageIcon) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        ++messages;
    }
    bool askYesNo(QWidget*, const QString&) override {
        return true;
    }
    int messages = 0;
};

using bench::click;
using bench::Stats;
using bench::statsOf;
using bench::waitFor;

std::unique_ptr<frmOptimize> openWindow(const Settings& s, const std::string& file = {}) {
    auto w = std::make_unique<frmOptimize>(file, s.watermark);
    w->setServices(std::make_unique<CountingServices>());
    w->applySettings(s);
    w->show();
    w->cboSizes_Click();
    QCoreApplication::processEvents();
    return w;
}

// Clicks each entry of `list` in turn and times it: from the click until
// `arrived` (which waits for what the click brings) returns true, after
// `beforeClick(i)` has run untimed. Nothing when something never came.
template <typename Before, typename Arrived>
std::optional<std::vector<double>> timeClicks(QListWidget* list, Before beforeClick,
                                              Arrived arrived) {
    std::vector<double> ms;
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem* item = list->item(i);
        list->scrollToItem(item);
        beforeClick(i);
        QCoreApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        click(list->viewport(), list->visualItemRect(item).center());
        if (!arrived()) {
            std::fprintf(stderr, "window_bench: nothing came for %s\n", qPrintable(item->text()));
            return std::nullopt;
        }
        ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    return ms;
}

int benchPreview(const std::string& folder) {
    Settings s;
    s.sourceFolder = folder;
    auto w = openWindow(s);
    QListWidget* list = w->files()->FileList();
    if (list->count() == 0) {
        std::fprintf(stderr, "window_bench: no pictures in %s\n", folder.c_str());
        return 1;
    }
    const auto previewPainted = [&w] {
        if (!waitFor(w->preview(), &PreviewPanel::previewShown, 10000)) {
            return false;
        }
        w->preview()->repaint();  // painted, not only set
        return true;
    };
    const auto nothingBefore = [](int) {};

    const auto ms = timeClicks(list, nothingBefore, previewPainted);
    if (!ms) {
        return 1;
    }
    const Stats st = statsOf(*ms);
    std::printf(
        "preview: %zu pictures, click to painted thumbnail and labels: median %.1f ms "
        "(fastest %.1f, slowest %.1f)\n",
        ms->size(), st.median, st.fastest, st.slowest);

    // The same clicks, each while the estimate of the picture before is at
    // work on its own thread: the preview must not wait for it.
    const auto estimateAtWork = [&w](int i) {
        QElapsedTimer patience;
        patience.start();
        while (i > 0 && !w->sizeEstimate()->busy() && patience.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    };
    const auto busy = timeClicks(list, estimateAtWork, previewPainted);
    if (!busy) {
        return 1;
    }
    const Stats sb = statsOf(*busy);
    std::printf(
        "  the same while the last picture's estimate is computed: median %.1f ms "
        "(fastest %.1f, slowest %.1f)\n",
        sb.median, sb.fastest, sb.slowest);

    // From the click to the estimated size shown ("ca. N KB"), with the
    // settings the window starts with; the window lets a click rest a moment
    // before it computes.
    const auto estimate = timeClicks(list, nothingBefore, [&w] {
        return waitFor(w->sizeEstimate(), &SizeEstimate::estimated, 30000);
    });
    if (!estimate) {
        return 1;
    }
    const Stats se = statsOf(*estimate);
    std::printf(
        "  click to the estimated output size shown: median %.1f ms "
        "(fastest %.1f, slowest %.1f)\n",
        se.median, se.fastest, se.slowest);
    return 0;
}

int benchFolder(const std::string& folder, int rounds) {
    std::vector<double> ms;
    int count = 0;
    for (int r = 0; r < rounds; ++r) {
        Settings s;
        s.sourceFolder = folder;
        QElapsedTimer clock;
        clock.start();
        auto w = openWindow(s);
        w->refreshFolder();  // as start-up does when no picture is named
        w->repaint();
        ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        count = w->files()->FileList()->count();
    }
    const Stats st = statsOf(ms);
    std::printf(
        "folder: %d pictures, window open with the list filled and painted: median %.1f ms "
        "(fastest %.1f, slowest %.1f)\n",
        count, st.median, st.fastest, st.slowest);
    return 0;
}

int benchTree(const std::string& folder, int rounds) {
    Settings s;
    s.sourceFolder = folder;
    s.subfolders = true;
    auto w = openWindow(s);
    std::vector<double> ms;
    std::vector<double> stalls;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0;
        qint64 longest = 0;
        QTimer frame;
        frame.setInterval(16);
        QObject::connect(&frame, &QTimer::timeout, w.get(), [&] {
            w->repaint();
            const qint64 now = clock.nsecsElapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
        frame.start();
        w->refreshFolder();
        while (w->files()->listing()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        w->repaint();
        const qint64 end = clock.nsecsElapsed();
        ms.push_back(static_cast<double>(end) / 1e6);
        stalls.push_back(static_cast<double>(std::max(longest, end - last)) / 1e6);
    }
    const Stats st = statsOf(ms);
    const Stats gap = statsOf(stalls);
    std::printf(
        "tree: %d pictures listed with their subfolders: median %.1f ms (fastest %.1f, slowest "
        "%.1f); longest time without a repaint: median %.1f ms, worst %.1f ms\n",
        w->files()->FileList()->count(), st.median, st.fastest, st.slowest, gap.median,
        gap.slowest);
    return 0;
}

int benchRun(const std::string& settingsFile) {
    const Settings s = loadSettings(settingsFile);
    auto w = openWindow(s, settingsFile);
    QListWidget* list = w->files()->FileList();
    list->selectAll();
    QElapsedTimer clock;
    clock.start();
    QTimer::singleShot(0, w->ccXPButton2(), &ccXPButton::click);
    if (!waitFor(w.get(), &frmOptimize::runEnded, 600000)) {
        std::fprintf(stderr, "window_bench: the run did not end\n");
        return 1;
    }
    std::fprintf(stderr, "run: %d pictures in %.3f s\n", list->count(),
                 static_cast<double>(clock.nsecsElapsed()) / 1e9);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 2 && args[0] == "preview") {
        return benchPreview(args[1]);
    }
    if (args.size() >= 2 && args[0] == "folder") {
        return benchFolder(args[1], args.size() >= 3 ? std::stoi(args[2]) : 9);
    }
    if (args.size() >= 2 && args[0] == "tree") {
        return benchTree(args[1], args.size() >= 3 ? std::stoi(args[2]) : 9);
    }
    if (args.size() >= 2 && args[0] == "run") {
        return benchRun(args[1]);
    }
    std::fputs("usage: window_bench preview FOLDER | folder FOLDER [ROUNDS] | tree FOLDER [ROUNDS] | "
               "run SETTINGS_FILE\n",
               stderr);
    return 2;
}
