// vendrik-cli optimise: the batch run from the command line.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "command_line.h"
#include "commands.h"
#include "common/terminal_text.h"
#include "file_list_input.h"
#include "interrupt.h"
#include "json_output.h"
#include "optimise_options.h"
#include "optimiser/batch_engine.h"
#include "optimiser/output_folder.h"
#include "optimiser/output_formats.h"
#include "optimiser/picture_pipeline.h"
#include "optimiser/source_as_output.h"
#include "optimiser/run_report.h"
#include "progress_line.h"
#include "standard_streams.h"
#include "startup/key_value_store.h"
#include "startup/picture_listing.h"
#include "startup/settings.h"
#include "startup/settings_file.h"
#include "startup/shell_folders.h"
#include "startup/start_up.h"
#include "watermark/watermark_step.h"

namespace vendrik::cli {
namespace {

constexpr const char* kPrefix = "vendrik-cli optimise";

int usageError(const std::string& message) {
    return cli::usageError("optimise", message);
}

// Names, reasons and EXIF-derived texts printed here may hold anything, ESC
// and line breaks included: each goes through terminalText.
int failure(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", kPrefix, terminalText(message).c_str());
    return 1;
}

// How the pictures of a run are shown to the user: as given, "-" for
// standard input, "Standardausgabe" for standard output.
struct Shown {
    std::string standardInputPath;  // the path standard input was read into, if any
    bool toStandardOutput = false;

    [[nodiscard]] std::string source(const std::string& path) const {
        return !standardInputPath.empty() && path == standardInputPath ? "-" : path;
    }
    [[nodiscard]] std::string target(const PictureResult& r) const {
        return toStandardOutput ? "Standardausgabe" : r.target;
    }
};

// The progress line, one line per failed picture, and with --verbose or
// --dry-run one line per picture.
class CliObserver : public BatchObserver {
public:
    CliObserver(const OptimiseOptions& options, const Shown& shown, std::FILE* info,
                ProgressLine& progress)
        : m_options(options), m_shown(shown), m_info(info), m_progress(progress) {}

    void overallProgress(int) override {
        m_progress.refresh();
    }
    void currentProgress(std::size_t, int) override {
        m_progress.refresh();
    }
    bool replaceExisting(const std::string&) override {
        return !m_options.skipExisting;
    }
    void pictureFinished(std::size_t, const PictureResult& r) override {
        ++m_done;
        const std::string source = terminalText(m_shown.source(r.source));
        if (r.status == PictureStatus::Failed) {
            m_progress.clear();
            std::fprintf(stderr, "%s: %s: %s\n", kPrefix, source.c_str(),
                         terminalText(r.reason).c_str());
        }
        if (r.status == PictureStatus::Written && !r.reason.empty()) {
            m_progress.clear();
            std::fprintf(stderr, "%s: %s: %s\n", kPrefix, source.c_str(),
                         terminalText(r.reason).c_str());
        }
        if (!r.watermarkError.empty()) {
            m_progress.clear();
            std::fprintf(stderr, "%s: %s: Wasserzeichen nicht eingeblendet: %s\n", kPrefix,
                         source.c_str(), terminalText(r.watermarkError).c_str());
        }
        // Written all the same: a colour profile ignored, metadata left out.
        // Said also with -q, which silences progress, not what became of a
        // picture.
        for (const std::string& note : r.notes) {
            m_progress.clear();
            std::fprintf(stderr, "%s: %s: %s\n", kPrefix, source.c_str(), terminalText(note).c_str());
        }
        if (m_options.json) {
            printJson(r);
        }
        const bool listEach = m_options.verbose || m_options.dryRun;
        if (listEach && r.status == PictureStatus::Written) {
            m_progress.clear();
            std::fprintf(m_info, "%s → %s (%d x %d, %llu Bytes%s%s)\n", source.c_str(),
                         terminalText(m_shown.target(r)).c_str(), r.size.width, r.size.height,
                         static_cast<unsigned long long>(r.bytes), r.sourceKept ? ", " : "",
                         r.sourceKept ? kSourceKeptText : "");
        } else if (listEach && r.status == PictureStatus::Skipped) {
            m_progress.clear();
            std::fprintf(m_info, "%s: übersprungen, %s\n", source.c_str(),
                         terminalText(r.reason).c_str());
        }
        std::fflush(m_info);
        m_progress.update(m_done);
    }

    // One line on standard output, flushed at once: a job runner reading
    // it sees each picture as it is done.
    void printJson(const PictureResult& r) const {
        const std::string target = r.target.empty() ? std::string() : m_shown.target(r);
        const std::string line =
            jsonResult(r, m_shown.source(r.source), target, m_options.dryRun, formatKeyword()) +
            "\n";
        std::fputs(line.c_str(), stdout);
        std::fflush(stdout);
    }

    // The run's format as --format names it, for the JSON lines.
    [[nodiscard]] std::string formatKeyword() const {
        const auto& format = m_options.batch.picture.format;
        return outputFormatKeyword(format ? *format : *jpegOutputFormat());
    }

private:
    const OptimiseOptions& m_options;
    const Shown& m_shown;
    std::FILE* m_info;
    ProgressLine& m_progress;
    std::size_t m_done = 0;
};

bool isFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The pictures the inputs stand for, each file once. `failures` counts
// folders that could not be read.
std::vector<BatchSource> picturesOf(const std::vector<std::string>& inputs,
                                    const OptimiseOptions& options,
                                    const std::string& standardInputPath, int& failures) {
    std::vector<BatchSource> found;
    std::size_t leftOut = 0;
    for (const std::string& input : inputs) {
        if (input == "-") {
            found.push_back({standardInputPath, {}});
            continue;
        }
        if (!isFolder(input)) {
            // Any name is taken, also one the file list would not show; a
            // missing file is reported as that picture's failure.
            found.push_back({input, {}});
            continue;
        }
        const auto tree = listPictureTree(input, options.recursive,
                                          options.toStdout ? std::string() : options.batch.targetFolder);
        if (!tree) {
            std::fprintf(stderr, "%s: %s: Ordner nicht lesbar\n", kPrefix,
                         terminalText(input).c_str());
            ++failures;
            continue;
        }
        for (const std::string& folder : tree->unreadableFolders) {
            std::fprintf(stderr, "%s: %s: Ordner nicht lesbar\n", kPrefix,
                         terminalText(folder).c_str());
            ++failures;
        }
        for (const TreePicture& p : tree->pictures) {
            found.push_back({p.path, p.subfolder});
        }
        leftOut += tree->subfoldersLeftOut;
    }
    if (leftOut > 0 && !options.quiet) {
        std::fprintf(stderr, "%s: %zu Unterordner nicht einbezogen (-r bezieht sie ein)\n", kPrefix,
                     leftOut);
    }
    // A file named twice (the same folder given twice, "a/x.jpg" and
    // "./a/x.jpg") is one picture.
    std::vector<std::string> paths;
    for (const BatchSource& s : found) {
        paths.push_back(s.path);
    }
    const auto earlier = earlierNamings(paths);
    std::vector<BatchSource> sources;
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (!earlier[i]) {
            sources.push_back(std::move(found[i]));
        } else if (options.verbose) {
            std::fprintf(stderr, "%s: %s: schon genannt als %s, einmal bearbeitet\n", kPrefix,
                         terminalText(paths[i]).c_str(), terminalText(paths[*earlier[i]]).c_str());
        }
    }
    return sources;
}

// The settings the run starts from: the key table's defaults, or the
// settings file's values when there is one; the file's document goes into
// `document` for --preset.
Settings startingSettings(const SettingsSelection& selection, IniDocument& document) {
    const std::string file = settingsFileOf(selection);
    if (file.empty()) {
        return Settings{};
    }
    Result<SettingsFileRead> read = readSettingsFile(file);
    if (!read) {
        std::fprintf(stderr, "%s: Einstellungsdatei %s: %s; es gelten die Vorgaben\n", kPrefix,
                     terminalText(file).c_str(), read.reason().c_str());
    }
    Settings settings = read ? loadSettings(read->document) : Settings{};
    if (read) {
        document = std::move(read->document);
    }
    // The target folder as the main window would show it: the stored one
    // when it exists, else its fallbacks.
    const PlatformKeyValueStore store;
    settings.targetFolder = targetFolderFallback(settings.targetFolder, store, InitShellFolders());
    return settings;
}

// -o -: the one picture's file straight from the pipeline, for standard
// output; no target folder and no output name are looked at.
PictureResult processForStandardOutput(const BatchSource& source, const PictureSettings& settings,
                                       BatchObserver& observer, std::vector<std::uint8_t>& bytes) {
    observer.overallProgress(0);
    PictureResult r;
    r.source = source.path;
    try {
        Result<EncodedPicture> encoded = processPicture(source.path, settings);
        if (encoded) {
            r.status = PictureStatus::Written;
            r.size = encoded->size;
            r.bytes = encoded->bytes.size();
            r.quality = encoded->quality;
            r.notes = std::move(encoded->notes);
            r.watermarkError = std::move(encoded->watermarkError);
            r.reason = std::move(encoded->overLimit);
            r.sourceKept = encoded->sourceKept;
            bytes = std::move(encoded->bytes);
        } else {
            r.reason = encoded.reason();
        }
    } catch (const std::bad_alloc&) {
        r.reason = "nicht genug Speicher";
    } catch (const std::exception& e) {
        r.reason = e.what();
    }
    observer.pictureFinished(0, r);
    return r;
}

}  // namespace

int runOptimise(const Args& args) {
    OptimiseOptions options;
    const std::vector<CliOption> table = optimiseOptionTable(options);
    CommandLine line;
    if (const auto done = readCommandLine("optimise", kOptimiseHelp, table, args, line)) {
        return *done;
    }
    std::string error;
    // The run's settings, built once: the key table's defaults or the
    // windows' settings file (chosen by the early options), then the other
    // options over them.
    if (!applyOptions(line, true, error)) {
        return usageError(error);
    }
    if (Result<void> selection = checkSettingsSelection(options.settings); !selection) {
        return usageError(selection.reason());
    }
    const Settings settings = startingSettings(options.settings, options.settingsDocument);
    options.startingSettings = settings;
    options.batch = startingBatchSettings(settings);
    // The designer's look and place; whether it is shown ("einblenden") is
    // not stored, so --watermark switches it on.
    options.watermarkSettings = settings.watermark;
    if (!applyOptions(line, false, error) || !completeOptimiseOptions(options, error)) {
        return usageError(error);
    }

    std::vector<std::string> inputs = line.operands;
    const bool fromStandardInput = std::find(inputs.begin(), inputs.end(), "-") != inputs.end();
    if (!options.filesFrom.empty()) {
        if (options.filesFrom == "-" && fromStandardInput) {
            return usageError("--files-from - und - lesen beide die Standardeingabe");
        }
        std::vector<std::string> listed;
        if (!readFileList(options.filesFrom, listed, error)) {
            return failure(error);
        }
        // An empty list (an empty share of a job runner's split) is nothing
        // to do, not a mistake.
        if (listed.empty() && inputs.empty()) {
            return 0;
        }
        inputs.insert(inputs.end(), listed.begin(), listed.end());
    }
    if (inputs.empty()) {
        return usageError("keine Datei und kein Ordner angegeben");
    }
    if (fromStandardInput && (inputs.size() != 1 || !options.toStdout)) {
        return usageError("- (Standardeingabe) geht nur allein und mit -o - (Standardausgabe)");
    }
    if (options.toStdout && !options.dryRun && standardOutputIsTerminal()) {
        return usageError(
            "-o -: die Standardausgabe ist ein Terminal; leiten Sie sie um "
            "(> bild.jpg oder | programm)");
    }
    if (fromStandardInput && standardInputIsTerminal()) {
        return usageError(
            "-: die Standardeingabe ist ein Terminal; leiten Sie ein Bild hinein "
            "(< bild.jpg oder programm |)");
    }
    BatchSettings& batch = options.batch;
    // One error before any picture is read, not one per picture.
    if (!options.toStdout && !batch.targetFolder.empty()) {
        if (Result<void> usable = checkTargetFolder(batch.targetFolder); !usable) {
            return failure(usable.reason());
        }
    }

    Shown shown;
    shown.toStandardOutput = options.toStdout;
    StandardInputFile standardInput;
    if (fromStandardInput) {
        if (!standardInput.read(error)) {
            return failure("-: " + error);
        }
        shown.standardInputPath = standardInput.path();
    }
    int listingFailures = 0;
    const std::vector<BatchSource> sources =
        picturesOf(inputs, options, shown.standardInputPath, listingFailures);
    if (sources.empty()) {
        std::fprintf(stderr, "%s: keine Bilddateien gefunden\n", kPrefix);
        return 1;
    }
    if (options.toStdout && sources.size() != 1) {
        return usageError("-o - schreibt genau ein Bild, gefunden: " +
                          std::to_string(sources.size()));
    }

    batch.runMode = sources.size() == 1 ? RunMode::Single : RunMode::Batch;
    batch.askBeforeReplacing = options.skipExisting;
    batch.output = options.dryRun ? OutputMode::DryRun : OutputMode::Files;
    if (options.watermark) {
        batch.picture.watermark = makeWatermarkStep(options.watermarkSettings);
    }
    // With -o - the file alone goes to standard output; every message to
    // standard error.
    std::FILE* info = options.toStdout || options.json ? stderr : stdout;
    const bool showProgress = !options.quiet && ::isatty(STDERR_FILENO) != 0;
    ProgressLine progress(stderr, showProgress, sources.size());
    progress.update(0);
    CliObserver observer(options, shown, info, progress);
    const auto start = std::chrono::steady_clock::now();
    // Ctrl+C or SIGTERM: the pictures in hand are finished, the rest not
    // started; a second one ends at once (interrupt.h).
    InterruptGuard interrupt;
    // Standard output takes the file from memory, also in a dry run, which
    // then prints nothing there.
    std::vector<std::uint8_t> standardOutputBytes;
    std::vector<PictureResult> results =
        options.toStdout ? std::vector{processForStandardOutput(sources.front(), batch.picture,
                                                                observer, standardOutputBytes)}
                         : runBatch(sources, batch, observer, interrupt.stopToken());
    progress.clear();
    // Pictures a stop left unstarted are not reported to the observer.
    if (options.json) {
        for (const PictureResult& r : results) {
            if (r.status == PictureStatus::Cancelled) {
                std::printf("%s\n", jsonResult(r, shown.source(r.source), "", false,
                                                observer.formatKeyword())
                                         .c_str());
            }
        }
        std::fflush(stdout);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    int outputFailures = 0;
    if (options.toStdout && !options.dryRun && results.front().status == PictureStatus::Written) {
        if (!writeStandardOutput(standardOutputBytes, error)) {
            std::fprintf(stderr, "%s: %s\n", kPrefix, terminalText(error).c_str());
            ++outputFailures;
        }
    }

    const RunCounts c = countResults(results);
    if (!options.quiet) {
        std::fprintf(info, "%zu %s, %zu übersprungen, %zu fehlgeschlagen", c.written,
                     options.dryRun ? "würden geschrieben" : "geschrieben", c.skipped, c.failed);
        if (c.sourceKept > 0) {
            std::fprintf(info, ", %zu als Quelle übernommen", c.sourceKept);
        }
        if (interrupt.signal() != 0) {
            std::fprintf(info, ", %zu nach Abbruch nicht begonnen", c.cancelled);
        }
        std::fprintf(info, "; %s KiB in %s s%s\n",
                     localeDecimal(static_cast<double>(c.bytes) / 1024.0, 1).c_str(),
                     localeDecimal(seconds, 2).c_str(),
                     options.dryRun ? " (Probelauf, nichts geschrieben)" : "");
        std::fflush(info);
    }
    if (interrupt.signal() != 0) {
        return interrupt.exitCode();
    }
    if (c.failed > 0 || listingFailures > 0 || c.withoutWatermark > 0 || outputFailures > 0) {
        return 1;
    }
    return c.overLimit > 0 ? 3 : 0;
}

}  // namespace vendrik::cli
