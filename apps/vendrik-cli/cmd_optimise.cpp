// vendrik-cli optimise: the batch run from the command line.

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "common/path_text.h"
#include "common/terminal_text.h"
#include "interrupt.h"
#include "optimise_options.h"
#include "optimiser/batch_engine.h"
#include "optimiser/batch_settings_from.h"
#include "optimiser/folder_listing.h"
#include "startup/effective_settings.h"
#include "startup/key_value_store.h"
#include "startup/settings.h"
#include "startup/settings_file.h"
#include "startup/shell_folders.h"
#include "startup/start_up.h"
#include "watermark/watermark_step.h"
#include "watermark_options.h"

namespace vendrik::cli {
namespace {

constexpr const char* kPrefix = "vendrik-cli optimise";

int usageError(const std::string& message) {
    return cli::usageError("optimise", message);
}

// The progress line on a terminal, and one line per failed picture.
class CliObserver : public BatchObserver {
public:
    CliObserver(bool showProgress, bool skipExisting, std::size_t total)
        : m_showProgress(showProgress), m_skipExisting(skipExisting), m_total(total) {}

    void overallProgress(int value) override {
        m_overall = value;
        draw();
    }
    void currentProgress(std::size_t picture, int value) override {
        m_current = value;
        m_picture = picture;
        draw();
    }
    bool replaceExisting(const std::string&) override { return !m_skipExisting; }
    void pictureFinished(std::size_t, const PictureResult& r) override {
        ++m_done;
        if (r.status == PictureStatus::Failed) {
            clearLine();
            std::fprintf(stderr, "%s: %s: %s\n", kPrefix, terminalText(r.source).c_str(),
                         terminalText(r.reason).c_str());
        }
        if (!r.watermarkError.empty()) {
            clearLine();
            std::fprintf(stderr, "%s: %s: Wasserzeichen nicht eingeblendet: %s\n", kPrefix,
                         terminalText(r.source).c_str(), terminalText(r.watermarkError).c_str());
        }
        draw();
    }
    void finish() { clearLine(); }

private:
    void draw() {
        if (!m_showProgress) {
            return;
        }
        std::fprintf(stderr, "\r\033[K[%3d%%] Bild %zu von %zu (%d%%), %zu fertig", m_overall,
                     m_picture + 1, m_total, m_current, m_done);
        std::fflush(stderr);
        m_drawn = true;
    }
    void clearLine() {
        if (m_drawn) {
            std::fputs("\r\033[K", stderr);
            m_drawn = false;
        }
    }

    bool m_showProgress;
    bool m_skipExisting;
    std::size_t m_total;
    std::size_t m_done = 0;
    std::size_t m_picture = 0;
    int m_overall = 0;
    int m_current = 0;
    bool m_drawn = false;
};

}  // namespace

int runOptimise(const Args& args) {
    OptimiseOptions options = defaultOptimiseOptions();
    // The windows' settings file lies between the built-in defaults and the
    // command line.
    const SettingsOptions settingsOptions = takeSettingsOptions(args);
    if (!settingsOptions.error.empty()) {
        return usageError(settingsOptions.error);
    }
    // Without a settings file the built-in defaults stand as they are (the
    // own tag, say, keeps its "mini").
    if (const std::string file = resolveSettingsFile(settingsOptions); !file.empty()) {
        const SettingsFileRead read = readSettingsFile(file);
        if (!read.problem.empty()) {
            std::fprintf(stderr, "%s: Einstellungsdatei %s: %s; es gelten die Vorgaben\n", kPrefix,
                         terminalText(file).c_str(), read.problem.c_str());
        }
        Settings settings = loadSettings(read.document);
        // The target folder as the main window would show it: the stored
        // one when it exists, else its fallbacks.
        const PlatformKeyValueStore store;
        settings.targetFolder = targetFolderFallback(settings.targetFolder, store, InitShellFolders());
        RunChoices choices;
        choices.jobs = options.batch.jobs;
        options.batch = batchSettingsFrom(settings, choices);
        // The designer's look and place; whether it is shown ("einblenden")
        // is not stored, so --watermark still switches it on.
        options.watermarkSettings = settings.watermark;
    }
    options.useSettingsFile = settingsOptions.choice != SettingsChoice::None;
    std::string error;
    if (!parseOptimiseArgs(settingsOptions.remaining, options, error)) {
        return usageError(error);
    }
    if (options.help) {
        std::fputs(kOptimiseHelp, stdout);
        std::fputs(kWatermarkOptionsHelp, stdout);
        std::fputs(kOptimiseHelpTail, stdout);
        return 0;
    }
    if (options.inputs.empty()) {
        return usageError("keine Datei und kein Ordner angegeben");
    }

    std::vector<std::string> sources;
    int listingFailures = 0;
    for (const std::string& input : options.inputs) {
        struct stat st {};
        if (::stat(input.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            const auto names = listPictureFiles(input);
            if (!names) {
                std::fprintf(stderr, "%s: %s: Ordner nicht lesbar\n", kPrefix,
                             terminalText(input).c_str());
                ++listingFailures;
                continue;
            }
            for (const std::string& name : *names) {
                sources.push_back(joinPath(input, name));
            }
        } else {
            // Any name is taken, also one the file list would not show; a
            // missing file is reported as that picture's failure.
            sources.push_back(input);
        }
    }
    if (sources.empty()) {
        std::fprintf(stderr, "%s: keine Bilddateien gefunden\n", kPrefix);
        return 1;
    }

    BatchSettings& batch = options.batch;
    batch.runMode = sources.size() == 1 ? RunMode::Single : RunMode::Batch;
    batch.askBeforeReplacing = options.skipExisting;
    if (options.watermark) {
        batch.watermark = makeWatermarkStep(options.watermarkSettings);
    }
    const bool showProgress = !options.quiet && ::isatty(STDERR_FILENO) != 0;
    CliObserver observer(showProgress, options.skipExisting, sources.size());
    const auto start = std::chrono::steady_clock::now();
    // Ctrl+C or SIGTERM: the pictures in hand are finished, the rest not
    // started; a second one ends at once (interrupt.h).
    InterruptGuard interrupt;
    const std::vector<PictureResult> results =
        runBatch(sources, batch, observer, interrupt.stopToken());
    observer.finish();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::size_t written = 0;
    std::size_t skipped = 0;
    std::size_t failed = 0;
    std::size_t cancelled = 0;
    std::size_t withoutWatermark = 0;  // written, but the asked-for watermark is missing
    std::uint64_t bytes = 0;
    for (const PictureResult& r : results) {
        withoutWatermark += r.watermarkError.empty() ? 0 : 1;
        switch (r.status) {
            case PictureStatus::Written:
                ++written;
                bytes += r.bytes;
                break;
            case PictureStatus::Skipped:
                ++skipped;
                break;
            case PictureStatus::Failed:
                ++failed;
                break;
            case PictureStatus::Cancelled:
                ++cancelled;
                break;
        }
    }
    if (!options.quiet) {
        std::printf("%zu geschrieben, %zu übersprungen, %zu fehlgeschlagen", written, skipped,
                    failed);
        if (interrupt.signal() != 0) {
            std::printf(", %zu nach Abbruch nicht begonnen", cancelled);
        }
        std::printf("; %.1f KiB in %.2f s\n", static_cast<double>(bytes) / 1024.0, seconds);
        std::fflush(stdout);
    }
    if (interrupt.signal() != 0) {
        return interrupt.exitCode();
    }
    return failed > 0 || listingFailures > 0 || withoutWatermark > 0 ? 1 : 0;
}

}  // namespace vendrik::cli
