#include "optimiser/batch_engine.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <set>
#include <span>
#include <thread>

#include "common/atomic_file.h"
#include "common/file_times.h"
#include "common/path_text.h"
#include "optimiser/memory_budget.h"
#include "optimiser/output_folder.h"
#include "startup/picture_listing.h"

namespace vendrik {
namespace {

std::string canonicalOrSelf(const std::string& path) {
    std::error_code ec;
    const auto c = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : c.string();
}

// Pixel memory the pictures of one run may hold at once. Beside it come the
// encoded files and small buffers; the whole run stays well below 1 GiB.
constexpr std::size_t kPictureMemoryBudget = std::size_t{640} * 1024 * 1024;

// One run: shared state of the workers. Observer calls but the question
// happen under `m_mutex`; questions are put one at a time under
// `m_questionMutex`, without `m_mutex`, so that the other jobs go on while
// the user answers. Files are committed in list order, so that of two
// pictures with the same target name the earlier one writes and the later
// one fails, whatever the number of jobs.
class Run {
public:
    Run(const std::vector<BatchSource>& sources, const BatchSettings& settings,
        BatchObserver& observer, std::stop_token stop)
        : m_sources(sources),
          m_settings(settings),
          m_pipeline(settings.picture),
          m_observer(observer),
          m_stop(std::move(stop)),
          m_results(sources.size()) {
        std::vector<std::string> paths;
        for (const BatchSource& s : sources) {
            m_sourceSet.insert(canonicalOrSelf(s.path));
            paths.push_back(s.path);
        }
        m_earlierNaming = earlierNamings(paths);
    }

    std::vector<PictureResult> run() {
        {
            std::lock_guard lock(m_mutex);
            m_observer.overallProgress(0);
        }
        const int jobs = std::clamp<int>(m_settings.jobs, 1,
                                         static_cast<int>(std::max<std::size_t>(1, m_sources.size())));
        if (jobs == 1) {
            work();
        } else {
            std::vector<std::thread> workers;
            for (int i = 0; i < jobs; ++i) {
                workers.emplace_back([this] { work(); });
            }
            for (auto& t : workers) {
                t.join();
            }
        }
        // Pictures that never started because the run was stopped.
        for (std::size_t i = m_next; i < m_sources.size(); ++i) {
            m_results[i].source = m_sources[i].path;
            m_results[i].status = PictureStatus::Cancelled;
            m_results[i].reason = "nicht begonnen: Lauf abgebrochen";
        }
        if (!batch()) {
            std::lock_guard lock(m_mutex);
            m_observer.overallProgress(100);
        }
        return std::move(m_results);
    }

private:
    struct Prepared {
        std::vector<std::uint8_t> bytes;  // the encoded file; empty when nothing is to be written
        bool replace = false;             // an existing file may be replaced
        bool asked = false;               // the question was put already
    };

    [[nodiscard]] bool batch() const { return m_settings.runMode == RunMode::Batch; }
    [[nodiscard]] bool asks() const {
        return !batch() || m_settings.askBeforeReplacing;
    }
    [[nodiscard]] bool intoSubfolder(std::size_t index) const {
        return !m_settings.targetFolder.empty() && !m_sources[index].subfolder.empty();
    }

    void work() {
        for (;;) {
            std::size_t index = 0;
            {
                std::lock_guard lock(m_mutex);
                // A stop lets the pictures in hand finish; no new one starts.
                if (m_next >= m_sources.size() || m_stop.stop_requested()) {
                    return;
                }
                index = m_next++;
                // Pictures start in list order; k counts those started.
                if (batch()) {
                    const double step = 100.0 / static_cast<double>(m_sources.size());
                    m_observer.overallProgress(
                        static_cast<int>(std::floor(step * static_cast<double>(index + 1))));
                    m_observer.currentProgress(index, 5);
                } else {
                    m_observer.currentProgress(index, 10);
                }
            }
            Prepared prepared;
            PictureResult& result = m_results[index];
            result.source = m_sources[index].path;
            try {
                if (const auto first = m_earlierNaming[index]) {
                    result.status = PictureStatus::Skipped;
                    result.reason =
                        "schon in diesem Lauf: dieselbe Datei wie " + m_sources[*first].path;
                } else {
                    prepare(index, result, prepared);
                }
            } catch (const std::bad_alloc&) {
                fail(result, "nicht genug Speicher");
            } catch (const std::exception& e) {
                fail(result, e.what());
            }
            commit(index, result, prepared);
        }
    }

    static void fail(PictureResult& result, std::string reason) {
        result.status = PictureStatus::Failed;
        result.reason = std::move(reason);
    }

    void progress(std::size_t index, int value) {
        std::lock_guard lock(m_mutex);
        m_observer.currentProgress(index, value);
    }

    // Not under `m_mutex`: the answer may take the user minutes.
    bool ask(const std::string& target) {
        std::lock_guard lock(m_questionMutex);
        return m_observer.replaceExisting(target);
    }

    // The source that wrote `target` earlier in this run, if any.
    std::optional<std::string> writtenBefore(const std::string& target) {
        const std::string identity = entryIdentity(target);  // file system calls: not under the lock
        std::lock_guard lock(m_mutex);
        const auto it = m_writtenBy.find(identity);
        return it == m_writtenBy.end() ? std::nullopt : std::optional(m_sources[it->second].path);
    }

    static void failAsWrittenBefore(PictureResult& result, const std::string& writer) {
        fail(result, "Zieldatei " + std::string(lastPathName(result.target)) +
                         " wurde in diesem Lauf schon aus " + writer + " geschrieben");
    }

    // The folder that takes the picture's output, with a trailing "/".
    [[nodiscard]] std::string outputFolder(std::size_t index) const {
        const std::string& source = m_sources[index].path;
        const std::string base = m_settings.targetFolder.empty()
                                     ? std::string(folderPart(source))
                                     : withTrailingSlash(m_settings.targetFolder);
        return intoSubfolder(index) ? base + withTrailingSlash(m_sources[index].subfolder) : base;
    }

    // Everything up to the bytes to write: check where the output goes,
    // scale, name the output and settle an existing file of that name, then
    // encode.
    void prepare(std::size_t index, PictureResult& result, Prepared& prepared) {
        const std::string& source = m_sources[index].path;
        if (!isPlainSubfolder(m_sources[index].subfolder)) {
            return fail(result, "ungültiger Unterordner " + m_sources[index].subfolder);
        }
        const std::string folder = outputFolder(index);
        // A subfolder not made yet is judged by the target folder it goes in.
        const std::string checked = intoSubfolder(index) && !pathEntryExists(folder)
                                        ? withTrailingSlash(m_settings.targetFolder)
                                        : folder;
        if (Result<void> usable = checkTargetFolder(checked); !usable) {
            return fail(result, usable.reason());
        }
        // A tag that would lead the output out of its folder fails the
        // picture before it is decoded. Only the picture's size, digits and
        // an "x", is not known yet, and it cannot lead anywhere.
        if (Result<void> tag = checkNameTag(NameTag(m_settings.naming, BoxSize{})); !tag) {
            return fail(result, tag.reason());
        }

        // Declared first so that it ends last, after the pixels it covers.
        MemoryReservation memory(m_budget);
        Result<ScaledPicture> scaled =
            m_pipeline.scale(source, [&memory](std::size_t bytes) { memory.add(bytes); });
        if (!scaled) {
            return fail(result, scaled.reason());
        }
        result.size = scaled->size();
        result.notes = scaled->notes;

        if (!settleTarget(index, result, prepared, folder)) {
            return;
        }
        progress(index, batch() ? 10 : 15);

        Result<EncodedPicture> encoded = m_pipeline.encode(
            std::move(*scaled), [this, index](int value) { progress(index, value); });
        if (!encoded) {
            return fail(result, encoded.reason());
        }
        result.quality = encoded->quality;
        result.notes = std::move(encoded->notes);
        result.watermarkError = std::move(encoded->watermarkError);
        result.reason = std::move(encoded->overLimit);
        result.sourceKept = encoded->sourceKept;
        prepared.bytes = std::move(encoded->bytes);
    }

    // Names the output and settles an existing file of that name: false when
    // the picture ends here (its result says why).
    bool settleTarget(std::size_t index, PictureResult& result, Prepared& prepared,
                      const std::string& folder) {
        const std::string& source = m_sources[index].path;
        const std::string tag = NameTag(m_settings.naming, result.size);
        result.target = TargetName(folder, baseNameFor(lastPathName(source)), tag,
                                   m_settings.naming.tagFirst, m_pipeline.format().ending());
        if (m_sourceSet.contains(canonicalOrSelf(result.target))) {
            fail(result, "Zieldatei " + std::string(lastPathName(result.target)) +
                             " ist ein Quellbild dieses Laufs und wird nicht ersetzt");
            return false;
        }
        // Known already: no need to encode, nor to ask about a file this run
        // wrote. With several jobs the earlier picture may still be at work;
        // commit() then catches it.
        if (const auto writer = writtenBefore(result.target)) {
            failAsWrittenBefore(result, *writer);
            return false;
        }
        // An existing target. The batch run replaces it without asking.
        if (pathEntryExists(result.target)) {
            if (asks()) {
                prepared.asked = true;
                if (!ask(result.target)) {
                    result.status = PictureStatus::Skipped;
                    result.reason = "vorhandene Datei nicht ersetzt";
                    return false;
                }
            }
            prepared.replace = true;
        }
        return true;
    }

    // Writes the prepared file when it is this picture's turn. Only the
    // picture whose turn it is writes, so the file is written outside the
    // lock and the other jobs go on encoding meanwhile. Every earlier
    // picture has been committed by then, so the check against outputs of
    // this run is complete.
    void commit(std::size_t index, PictureResult& result, Prepared& prepared) {
        {
            std::unique_lock lock(m_mutex);
            m_turn.wait(lock, [&] { return m_committed == index; });
        }
        if (!prepared.bytes.empty()) {
            deliver(index, result, prepared);
        }
        std::lock_guard lock(m_mutex);
        m_observer.pictureFinished(index, result);
        ++m_committed;
        m_turn.notify_all();
    }

    void deliver(std::size_t index, PictureResult& result, Prepared& prepared) {
        if (const auto writer = writtenBefore(result.target)) {
            return failAsWrittenBefore(result, *writer);
        }
        if (m_settings.output == OutputMode::DryRun) {
            result.status = PictureStatus::Written;
            result.bytes = prepared.bytes.size();
        } else {
            if (intoSubfolder(index)) {
                if (Result<void> made =
                        makeSubfolders(m_settings.targetFolder, m_sources[index].subfolder);
                    !made) {
                    return fail(result, made.reason());
                }
            }
            write(result, prepared);
            if (result.status == PictureStatus::Written && m_settings.keepDates) {
                if (Result<void> dated = copyModificationTime(result.source, result.target);
                    !dated) {
                    result.notes.push_back("Dateidatum nicht übernommen: " + dated.reason());
                }
            }
        }
        if (result.status == PictureStatus::Written) {
            std::string identity = entryIdentity(result.target);
            std::lock_guard lock(m_mutex);
            m_writtenBy.emplace(std::move(identity), index);
        }
    }

    void write(PictureResult& result, Prepared& prepared) {
        const auto bytes = std::as_bytes(std::span(prepared.bytes));
        const bool replace = prepared.replace || !asks();
        AtomicWriteOutcome outcome = writeFileAtomically(
            result.target, bytes, replace ? ReplacePolicy::Replace : ReplacePolicy::NoReplace);
        if (outcome.result == AtomicWriteResult::Exists && !prepared.asked && ask(result.target)) {
            // An earlier picture of this run took the name meanwhile; with
            // one job the question would have come before encoding.
            outcome = writeFileAtomically(result.target, bytes, ReplacePolicy::Replace);
        }
        switch (outcome.result) {
            case AtomicWriteResult::Written:
                result.status = PictureStatus::Written;
                result.bytes = prepared.bytes.size();
                break;
            case AtomicWriteResult::Exists:
                result.status = PictureStatus::Skipped;
                result.reason = "vorhandene Datei nicht ersetzt";
                break;
            case AtomicWriteResult::Failed:
                fail(result, writeProblem(outcome.errorNumber));
                break;
        }
    }

    const std::vector<BatchSource>& m_sources;
    const BatchSettings& m_settings;
    const PicturePipeline m_pipeline;
    BatchObserver& m_observer;
    const std::stop_token m_stop;
    std::vector<PictureResult> m_results;
    std::set<std::string> m_sourceSet;
    // For each source, the first earlier one naming the same file.
    std::vector<std::optional<std::size_t>> m_earlierNaming;
    // Outputs written in this run (entryIdentity) and the picture that wrote each.
    std::map<std::string, std::size_t> m_writtenBy;
    MemoryBudget m_budget{kPictureMemoryBudget};

    std::mutex m_mutex;
    std::mutex m_questionMutex;
    std::condition_variable m_turn;
    std::size_t m_next = 0;
    std::size_t m_committed = 0;
};

}  // namespace

std::vector<PictureResult> runBatch(const std::vector<BatchSource>& sources,
                                    const BatchSettings& settings, BatchObserver& observer,
                                    std::stop_token stop) {
    return Run(sources, settings, observer, std::move(stop)).run();
}

std::vector<PictureResult> runBatch(const std::vector<std::string>& sources,
                                    const BatchSettings& settings, BatchObserver& observer,
                                    std::stop_token stop) {
    std::vector<BatchSource> batchSources;
    batchSources.reserve(sources.size());
    for (const std::string& path : sources) {
        batchSources.push_back({path, {}});
    }
    return runBatch(batchSources, settings, observer, std::move(stop));
}

}  // namespace vendrik
