// How fast the watermark designer redraws its preview while a slider moves:
// the dialog's own RotBlit (text rendered, turned and blended into the
// 307 × 222 preview, then handed to the preview box) at the largest text
// size, 70, over a sweep of angles. Two series of 200 redraws each:
//   - angle sweep: only the angle changes, as while dragging the angle
//     slider; the rendered text picture is reused;
//   - text renewed: the colour alternates, so every redraw renders the text
//     anew as well, as while dragging the size slider.
// Prints the median and the worst redraw of each series, in CPU time of
// the window thread (the machine is shared; waiting for a core is not the
// work's cost) and in wall time. The target is below 8 ms each.
//
//   QT_QPA_PLATFORM=offscreen designer_redraw_bench

#include <QApplication>
#include <QRadioButton>
#include <QScrollBar>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

#include "startup/settings.h"
#include "watermark/ui/frmWatermark.h"

namespace {

constexpr int kRedraws = 200;
constexpr double kTargetMs = 8.0;

double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

double wallMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

struct Series {
    std::vector<double> cpu;
    std::vector<double> wall;
};

Series measure(const std::function<void(int)>& redraw) {
    Series s;
    for (int i = 0; i < kRedraws; ++i) {
        const double c = cpuMs();
        const double w = wallMs();
        redraw(i);
        s.wall.push_back(wallMs() - w);
        s.cpu.push_back(cpuMs() - c);
    }
    return s;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return (v[v.size() / 2] + v[(v.size() - 1) / 2]) / 2;
}

double worst(const std::vector<double>& v) {
    return *std::max_element(v.begin(), v.end());
}

bool report(const char* name, const Series& s) {
    const double cpuMedian = median(s.cpu);
    const double cpuWorst = worst(s.cpu);
    std::printf(
        "%-15s CPU: Median %6.2f ms, schlechteste %6.2f ms   Wand: Median %6.2f ms, "
        "schlechteste %6.2f ms\n",
        name, cpuMedian, cpuWorst, median(s.wall), worst(s.wall));
    return cpuWorst < kTargetMs;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    vendrik::WatermarkSettings design = vendrik::Settings::defaultWatermarkDesign();
    design.size = 70;
    vendrik::frmWatermark designer(design, vendrik::DesignerHost{});
    auto* angle = designer.findChild<QScrollBar*>(QStringLiteral("sliderAngle"));
    auto* white = designer.findChild<QRadioButton*>(QStringLiteral("Option1_1"));
    auto* black = designer.findChild<QRadioButton*>(QStringLiteral("Option1_0"));
    if (angle == nullptr || white == nullptr || black == nullptr) {
        std::fprintf(stderr, "designer_redraw_bench: Bedienelemente nicht gefunden\n");
        return 1;
    }
    int redraws = 0;
    QObject::connect(&designer, &vendrik::frmWatermark::previewRedrawn, [&] { ++redraws; });
    // Every angle of the slider's range once in 200 steps, 0 to 360.
    const auto angleOf = [](int i) { return i * 360 / (kRedraws - 1); };
    // A redraw also runs for the first value, which it differs from.
    angle->setValue(angleOf(1));
    redraws = 0;

    std::printf(
        "Vorschau 307 × 222, Grösse 70, Text \"© Tervane Vendrik\" / \"   "
        "www.tervane.example\", %d Neuzeichnungen je Reihe\n",
        kRedraws);
    const Series sweep = measure([&](int i) { angle->setValue(angleOf(i)); });
    const Series renewed = measure([&](int i) {
        angle->blockSignals(true);
        angle->setValue(angleOf(i));
        angle->blockSignals(false);
        (i % 2 == 0 ? black : white)->setChecked(true);
    });
    // Each step must have redrawn once, or the figures measure nothing.
    if (redraws != 2 * kRedraws) {
        std::fprintf(stderr, "designer_redraw_bench: %d Neuzeichnungen statt %d\n", redraws,
                     2 * kRedraws);
        return 1;
    }
    const bool sweepOk = report("Winkel", sweep);
    const bool renewedOk = report("Text neu", renewed);
    std::printf("Ziel: jede Neuzeichnung unter %.0f ms (CPU): %s\n", kTargetMs,
                sweepOk && renewedOk ? "erreicht" : "VERFEHLT");
    return 0;
}
