// The comparison view "Vergleich" under measurement, on the offscreen
// platform, and on a screen to look at. Three modes, driven by
// bench/compare_bench.sh:
//
//   compare_bench click FOLDER [original]
//     the main window on FOLDER with its default settings ("original": the
//     pictures at their own size). First, for each picture with the view
//     closed: a click in the list, the preview and the estimate left to
//     settle (as a user sees "ca. … KB" before asking for the look), then a
//     click on "Vergleich", timed until both pictures are painted. The
//     estimate has computed the output by then, so the view decodes the
//     estimate's bytes instead of encoding the picture again. Then, with the
//     view left open, a click on each picture in the list, timed until its
//     comparison is painted: the preview, the estimate's delay and a
//     comparison that encodes the picture itself, beside the estimate on the
//     other core. Beside them, on the same pictures and settings, the
//     computations alone on this thread: the estimate's (processPicture, as
//     the window's estimate runs it), the comparison's from the estimate's
//     output, and the comparison's encoding afresh. Prints medians in ms.
//   compare_bench shot FOLDER FILE.png
//     the main window on FOLDER at the screen's left, its first picture
//     clicked and "Vergleich" opened beside it; the screen saved to FILE.png
//     (under xvfb-run, a real X screen), to look at.
//   compare_bench paint [WIDTHxHEIGHT]
//     the view alone at a typical size (default 984x560, the picture area
//     of the view at its opening size) with two pictures of 4000 x 3000:
//     the divider moved a step at a time as a drag moves it, each step
//     painted; median and slowest paint in ms, beside the 16.7 ms of a
//     frame at 60 Hz; for each zoom and both arrangements.

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QListWidget>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "controls/ccXPButton.h"
#include "optimiser/picture_comparison.h"
#include "optimiser/picture_pipeline.h"
#include "optimiser/ui/comparison_view.h"
#include "optimiser/ui/comparison_window.h"
#include "optimiser/ui/file_list_panel.h"
#include "optimiser/ui/frmOptimize.h"
#include "optimiser/ui/preview_panel.h"
#include "optimiser/ui/size_estimate.h"
#include "optimiser/ui/window_services.h"
#include "startup/settings.h"
#include "window_driving.h"

namespace {

using namespace vendrik;

constexpr double kFrameMs = 1000.0 / 60.0;

using bench::click;
using bench::Stats;
using bench::statsOf;
using bench::waitFor;

double msSince(const QElapsedTimer& clock) {
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

// Runs the event loop until `shown` of the view has come and the estimate
// has answered, each after the call; false after the timeout. `shownAt`
// is the clock's time when the view was painted.
bool waitForBoth(frmOptimize& w, ComparisonWindow* view, const QElapsedTimer& clock,
                 double& shownAt) {
    QEventLoop loop;
    bool shown = false;
    bool estimated = false;
    const auto check = [&] {
        if (shown && estimated) {
            loop.quit();
        }
    };
    QObject::connect(view, &ComparisonWindow::shown, &loop, [&] {
        shown = true;
        view->repaint();  // painted, not only set
        shownAt = msSince(clock);
        check();
    });
    QObject::connect(w.sizeEstimate(), &SizeEstimate::estimated, &loop, [&] {
        estimated = true;
        check();
    });
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    loop.exec();
    return shown && estimated;
}

int benchClick(const std::string& folder, bool original) {
    Settings s;
    s.sourceFolder = folder;
    s.origSize = original;
    frmOptimize w({}, s.watermark);
    w.setServices(std::make_unique<WindowServices>());
    w.applySettings(s);
    w.show();
    w.cboSizes_Click();
    QCoreApplication::processEvents();
    QListWidget* list = w.files()->FileList();
    if (list->count() == 0) {
        std::fprintf(stderr, "compare_bench: no pictures in %s\n", folder.c_str());
        return 1;
    }
    const auto clickEntry = [&](int i) {
        QListWidgetItem* item = list->item(i);
        list->scrollToItem(item);
        click(list->viewport(), list->visualItemRect(item).center());
    };
    std::vector<double> shown;
    std::vector<std::string> pictures;
    QSize outputSize;
    for (int i = 0; i < list->count(); ++i) {
        if (w.comparison() != nullptr) {
            // Closed, the view leaves the main window active again, as the
            // desktop does (its buttons click only in an active window).
            w.comparison()->close();
            w.activateWindow();
        }
        clickEntry(i);
        if (!waitFor(w.sizeEstimate(), &SizeEstimate::estimated, 60000)) {
            std::fprintf(stderr, "compare_bench: no estimate for %s\n",
                         qPrintable(list->item(i)->text()));
            return 1;
        }
        pictures.push_back(w.lastClickedPicture());
        QCoreApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        click(w.preview()->cmdCompare(), w.preview()->cmdCompare()->rect().center());
        if (w.comparison() == nullptr ||
            !waitFor(w.comparison(), &ComparisonWindow::shown, 60000)) {
            std::fprintf(stderr, "compare_bench: no comparison for %s\n",
                         qPrintable(list->item(i)->text()));
            return 1;
        }
        w.comparison()->repaint();  // painted, not only set
        shown.push_back(msSince(clock));
        outputSize = w.comparison()->view()->outputImage().size();
    }
    // The view open, another picture clicked.
    std::vector<double> followed;
    for (int i = 0; i < list->count(); ++i) {
        const int next = (i + 1) % list->count();
        QElapsedTimer clock;
        clock.start();
        clickEntry(next);
        double shownAt = 0;
        if (!waitForBoth(w, w.comparison(), clock, shownAt)) {
            std::fprintf(stderr, "compare_bench: the open view did not follow %s\n",
                         qPrintable(list->item(next)->text()));
            return 1;
        }
        followed.push_back(shownAt);
    }
    // The computations alone, on this thread, with the window's settings.
    const PictureSettings settings = w.runSettings(1).picture;
    std::vector<double> estimate;
    std::vector<double> fromEstimate;
    std::vector<double> afresh;
    for (const std::string& picture : pictures) {
        QElapsedTimer clock;
        clock.start();
        const Result<EncodedPicture> output = processPicture(picture, settings);
        if (!output) {
            return 1;
        }
        estimate.push_back(msSince(clock));
        clock.restart();
        if (!comparePicture(picture, settings, &*output)) {
            return 1;
        }
        fromEstimate.push_back(msSince(clock));
        clock.restart();
        if (!comparePicture(picture, settings)) {
            return 1;
        }
        afresh.push_back(msSince(clock));
    }
    const Stats st = statsOf(shown);
    const Stats sf = statsOf(followed);
    const Stats se = statsOf(estimate);
    std::printf("compare: %zu pictures, output %d x %d\n", shown.size(), outputSize.width(),
                outputSize.height());
    std::printf(
        "  click on \"Vergleich\" to both pictures painted: median %.1f ms (fastest %.1f, "
        "slowest %.1f; target < 500)\n",
        st.median, st.fastest, st.slowest);
    std::printf("  the estimate's computation alone: median %.1f ms (fastest %.1f, slowest %.1f)\n",
                se.median, se.fastest, se.slowest);
    std::printf("  click to shown / estimate alone: %.2f\n", st.median / se.median);
    std::printf(
        "  the view open, a click on another picture to its comparison painted: median %.1f ms "
        "(fastest %.1f, slowest %.1f)\n",
        sf.median, sf.fastest, sf.slowest);
    std::printf(
        "  the comparison's computation alone: from the estimate's output median %.1f ms, "
        "encoding afresh median %.1f ms\n",
        statsOf(fromEstimate).median, statsOf(afresh).median);
    return 0;
}

int shot(const std::string& folder, const QString& file) {
    Settings s;
    s.sourceFolder = folder;
    frmOptimize w({}, s.watermark);
    w.setServices(std::make_unique<WindowServices>());
    w.applySettings(s);
    w.show();
    w.move(0, 0);
    w.cboSizes_Click();
    QCoreApplication::processEvents();
    QListWidget* list = w.files()->FileList();
    if (list->count() == 0) {
        return 1;
    }
    click(list->viewport(), list->visualItemRect(list->item(0)).center());
    if (!waitFor(w.sizeEstimate(), &SizeEstimate::estimated, 60000)) {
        std::fputs("compare_bench: no estimate\n", stderr);
        return 1;
    }
    // Without a window manager nothing activates the window; its buttons
    // click only in an active window.
    w.activateWindow();
    QCoreApplication::processEvents();
    click(w.preview()->cmdCompare(), w.preview()->cmdCompare()->rect().center());
    if (w.comparison() == nullptr || !waitFor(w.comparison(), &ComparisonWindow::shown, 60000)) {
        return 1;
    }
    w.comparison()->move(w.frameGeometry().right() + 10, 0);
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 1000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return QGuiApplication::primaryScreen()->grabWindow(0).save(file) ? 0 : 1;
}

// A picture with detail everywhere, so that no paint can skip anything.
QImage pattern(QSize size, int seed) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            row[x] = qRgb((x * 7 + seed) & 255, (y * 5 + x) & 255, (x ^ y) & 255);
        }
    }
    return image;
}

int benchPaint(QSize size) {
    ComparisonView view;
    view.resize(size);
    view.setPictures(pattern({4000, 3000}, 1), pattern({4000, 3000}, 2));
    view.show();
    QCoreApplication::processEvents();
    std::printf("paint: the view at %d x %d, pictures of 4000 x 3000, frame at 60 Hz: %.1f ms\n",
                size.width(), size.height(), kFrameMs);
    struct Case {
        const char* name;
        ComparisonView::Arrangement arrangement;
        ComparisonView::Zoom zoom;
    };
    for (const Case& c :
         {Case{"divider, 100 %", ComparisonView::Arrangement::Divider,
               ComparisonView::Zoom::Actual},
          Case{"divider, 200 %", ComparisonView::Arrangement::Divider,
               ComparisonView::Zoom::Double},
          Case{"divider, fitted", ComparisonView::Arrangement::Divider, ComparisonView::Zoom::Fit},
          Case{"side by side, 100 %", ComparisonView::Arrangement::SideBySide,
               ComparisonView::Zoom::Actual}}) {
        view.setArrangement(c.arrangement);
        view.setZoom(c.zoom);
        view.repaint();  // a fitted copy is made once, before the drag
        std::vector<double> ms;
        // A drag across the area and back, one step per mouse move.
        for (int round = 0; round < 2; ++round) {
            for (int p = 0; p <= ComparisonView::kDividerRange; p += 5) {
                view.setDivider(round == 0 ? p : ComparisonView::kDividerRange - p);
                QElapsedTimer clock;
                clock.start();
                view.repaint();
                ms.push_back(msSince(clock));
            }
        }
        const Stats st = statsOf(ms);
        std::printf("  %-20s repaint: median %.2f ms, slowest %.2f ms; slowest / frame: %.2f\n",
                    c.name, st.median, st.slowest, st.slowest / kFrameMs);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 2 && args[0] == "click") {
        return benchClick(args[1], args.size() >= 3 && args[2] == "original");
    }
    if (args.size() >= 3 && args[0] == "shot") {
        return shot(args[1], QString::fromStdString(args[2]));
    }
    if (!args.empty() && args[0] == "paint") {
        QSize size(984, 560);
        if (args.size() >= 2) {
            const auto x = args[1].find('x');
            if (x != std::string::npos) {
                size = QSize(std::stoi(args[1].substr(0, x)), std::stoi(args[1].substr(x + 1)));
            }
        }
        return benchPaint(size);
    }
    std::fputs(
        "usage: compare_bench click FOLDER [original] | shot FOLDER FILE.png | paint "
        "[WIDTHxHEIGHT]\n",
        stderr);
    return 2;
}
