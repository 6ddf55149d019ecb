// How much the watermark adds to a run: a picture kept at its own size is
// watermarked with the default settings, and compared with the encoding the
// run does with it anyway (sampling and writing the JPEG in memory). Loading
// the picture is left out, so the shares printed are upper bounds of what
// the watermark adds to a whole run.
//
//   watermark_bench [PICTURE.ppm]   (default: a synthetic 4000 × 3000 picture)

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "imaging/pnm_reader.h"
#include "jpeg/cJpeg.h"
#include "watermark/alpha_and_rot_blt.h"

namespace {

constexpr int kRounds = 5;

// Smooth gradients with some texture, so the encoder has real work.
vendrik::Surface syntheticPicture(int w, int h) {
    vendrik::Surface s(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double t = std::sin(x / 90.0) * std::cos(y / 70.0);
            const auto v = static_cast<std::uint8_t>(128 + 100 * t + ((x * 7 + y * 13) % 23));
            s.setPixel(x, y,
                       {v, static_cast<std::uint8_t>(x * 255 / w),
                        static_cast<std::uint8_t>(y * 255 / h)});
        }
    }
    return s;
}

// CPU time of this thread: the machines we measure on are shared, and
// waiting for a core is not the work's cost.
double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double medianSeconds(const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < kRounds; ++i) {
        const double start = cpuSeconds();
        work();
        times.push_back(cpuSeconds() - start);
    }
    std::sort(times.begin(), times.end());
    return times[kRounds / 2];
}

}  // namespace

int main(int argc, char** argv) {
    vendrik::Surface picture;
    std::string source = "synthetisch 4000 × 3000";
    if (argc > 1) {
        auto image = vendrik::readPnm(argv[1]);
        if (!image) {
            std::fprintf(stderr, "watermark_bench: %s: %s\n", argv[1], image.reason().c_str());
            return 1;
        }
        picture = std::move(image->surface);
        source = argv[1];
    } else {
        picture = syntheticPicture(4000, 3000);
    }

    const auto renderer = vendrik::makeSystemTextRenderer();
    vendrik::WatermarkSettings settings;
    settings.text = "\xC2\xA9 Tervane Vendrik\r\n   www.tervane.example";
    settings.lineBreaks = 1;

    // The rounds watermark one copy again and again: the work does not depend
    // on what the picture already shows, and no copying blurs the figure.
    // The first picture of a run renders the text; the following ones of the
    // same width reuse it.
    vendrik::Surface work = picture.clone();
    const double first = medianSeconds([&] {
        vendrik::TextPicture freshBox(*renderer);
        vendrik::WatermarkSettings s = settings;
        vendrik::AlphaAndRotBlt(work, s, freshBox);
    });
    vendrik::TextPicture textBox(*renderer);
    const double following = medianSeconds([&] {
        vendrik::WatermarkSettings s = settings;
        vendrik::AlphaAndRotBlt(work, s, textBox);
    });
    const double encode = medianSeconds([&] {
        vendrik::cJpeg jpeg;
        jpeg.Quality(80);
        (void)jpeg.SampleHDC(picture, picture.width(), picture.height(), 0, 0);
        (void)jpeg.encodeToMemory();
    });

    std::printf("Bild:          %s (%d × %d)\n", source.c_str(), picture.width(), picture.height());
    std::printf(
        "Wasserzeichen: %.3f s erstes Bild, %.3f s jedes weitere (CPU-Zeit, Median aus %d)\n",
        first, following, kRounds);
    std::printf("Kodieren:      %.3f s (CPU-Zeit, Median aus %d)\n", encode, kRounds);
    std::printf("Anteil:        %.1f %% (erstes Bild), %.1f %% (weitere) der Kodierzeit\n",
                100.0 * first / encode, 100.0 * following / encode);
    return 0;
}
