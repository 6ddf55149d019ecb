#include "optimiser/batch_engine.h"

#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <set>
#include <span>
#include <thread>

#include "common/atomic_file.h"
#include "common/error.h"
#include "common/path_text.h"
#include "common/regular_file.h"
#include "imaging/cImage.h"
#include "imaging/scaling.h"
#include "jpeg/cJpeg.h"
#include "optimiser/memory_budget.h"
#include "optimiser/size_target.h"
#include "startup/picture_listing.h"

namespace vendrik {
namespace {

std::string writeProblem(const AtomicWriteOutcome& outcome) {
    switch (outcome.errorNumber) {
        case ENOENT:
        case ENOTDIR:
            return "Zielordner nicht gefunden";
        case EACCES:
        case EPERM:
        case EROFS:
            return "Zielordner ist schreibgeschützt";
        case ENOSPC:
        case EDQUOT:
            return "kein Platz mehr auf dem Datenträger";
        default:
            // EFBIG under a file-size limit (ulimit -f), a name too long, ...
            return "Schreibfehler: " + systemErrorText(outcome.errorNumber);
    }
}

// A subfolder of BatchSource: relative, and no step out of the target folder.
bool isPlainSubfolder(std::string_view subfolder) {
    if (subfolder.empty()) {
        return true;
    }
    if (subfolder.front() == '/') {
        return false;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = subfolder.find('/', start);
        const std::string_view part = subfolder.substr(start, slash - start);
        if (part.empty() || part == "." || part == "..") {
            return false;
        }
        if (slash == std::string_view::npos) {
            return true;
        }
        start = slash + 1;
    }
}

// Makes the folders of `subfolder` below `base`, which must exist already:
// the run never makes the target folder itself. Empty on success, else why.
std::string makeSubfolders(const std::string& base, std::string_view subfolder) {
    std::string path = withTrailingSlash(base);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return "Zielordner " + base + " nicht gefunden";
    }
    std::size_t start = 0;
    while (start < subfolder.size()) {
        const std::size_t slash = std::min(subfolder.find('/', start), subfolder.size());
        path += subfolder.substr(start, slash - start);
        if (::mkdir(path.c_str(), 0777) != 0 &&
            !(errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
            return "Ordner " + path + " kann nicht angelegt werden: " + std::strerror(errno);
        }
        path += '/';
        start = slash + 1;
    }
    return {};
}

std::string canonicalOrSelf(const std::string& path) {
    std::error_code ec;
    const auto c = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : c.string();
}

// Every picture allocates and frees a few buffers of megabytes (decoded
// pixels, the scaled picture, the encoder's planes). By default glibc maps
// each from the kernel and unmaps it on free, so every picture faults all
// its pages in again, zeroed: a third of a run's time. Keeping freed memory
// in the heap lets the next picture reuse it. Process-wide, set once.
void keepLargeBuffersForReuse() {
    static std::once_flag once;
    std::call_once(once, [] {
        mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);  // glibc's upper bound
        mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
        mallopt(M_TOP_PAD, 64 * 1024 * 1024);
    });
}

// Pixel memory the pictures of one run may hold at once. Beside it come the
// encoded files and small buffers; the whole run stays well below 1 GiB.
constexpr std::size_t kPictureMemoryBudget = std::size_t{640} * 1024 * 1024;
// From the scaled picture on, a picture needs about four times its 24-bit
// size: the picture, its cImage copy and the encoder's coefficient planes
// (16 bits for each of three components per pixel).
constexpr std::size_t kEncodeBytesPerPictureByte = 4;

// A picture's whole need, reckoned when the loader announces what decoding
// it takes, before any of it is allocated: the decoded pixels, the decoder's
// own buffers (libjpeg's coefficient arrays of a progressive file can be ten
// times the pixels decoded into a small box), then the encoding of the scaled
// picture, which is the decoded picture itself when the size is kept and at
// most the box else.
std::size_t pictureNeed(const DecodeMemory& decode, const BatchSettings& settings, BoxSize box) {
    const std::size_t scaled =
        settings.size.keepOriginalSize
            ? decode.picture
            : Surface::paddedStride(std::max(box.width, 1)) * static_cast<std::size_t>(std::max(box.height, 1));
    return decode.picture * static_cast<std::size_t>(std::max(decode.copies, 1)) + decode.working +
           kEncodeBytesPerPictureByte * scaled;
}

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
          m_observer(observer),
          m_stop(std::move(stop)),
          m_results(sources.size()) {
        SetDestSize(settings.sizeIndex, settings.size, m_box);
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
    [[nodiscard]] bool batch() const { return m_settings.runMode == RunMode::Batch; }

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

    struct Prepared {
        std::vector<std::uint8_t> jpeg;  // the encoded file; empty when nothing is to be written
        bool replace = false;            // an existing file may be replaced
        bool asked = false;              // the question was put already
    };

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

    [[nodiscard]] bool asks() const { return !batch() || m_settings.askBeforeReplacing; }
    [[nodiscard]] bool toMemory() const {
        return m_settings.output == OutputMode::Memory;
    }

    [[nodiscard]] bool intoSubfolder(std::size_t index) const {
        return !m_settings.targetFolder.empty() && !m_sources[index].subfolder.empty();
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

    // Everything up to the encoded bytes: scale, name, settle an existing
    // target, watermark, flatten and encode.
    void prepare(std::size_t index, PictureResult& result, Prepared& prepared) {
        const BatchSource& batchSource = m_sources[index];
        const std::string& source = batchSource.path;
        if (!isPlainSubfolder(batchSource.subfolder)) {
            return fail(result, "ungültiger Unterordner " + batchSource.subfolder);
        }
        const std::string base = m_settings.targetFolder.empty()
                                     ? std::string(folderPart(source))
                                     : withTrailingSlash(m_settings.targetFolder);
        const std::string folder =
            intoSubfolder(index) ? base + withTrailingSlash(batchSource.subfolder) : base;
        // A subfolder not made yet is judged by the target folder it goes in.
        const std::string checked = pathEntryExists(folder) ? folder : base;
        if (std::string problem = toMemory() ? std::string() : targetFolderProblem(checked);
            !problem.empty()) {
            return fail(result, std::move(problem));
        }
        // A tag that would lead the output out of its folder fails the
        // picture before it is decoded. Only the picture's size, digits and
        // an "x", is not known yet, and it cannot lead anywhere.
        if (std::string problem = nameTagProblem(NameTag(m_settings.naming, BoxSize{}));
            !problem.empty()) {
            return fail(result, std::move(problem));
        }

        // Scale into the box, or keep the picture's own size.
        // Declared first so that it ends last, after the pixels it covers.
        MemoryReservation memory(m_budget);
        Surface picture;
        std::string error;
        LoadOptions load;
        ColourReport colour;
        load.convertColours = m_settings.convertColours;
        load.colourReport = &colour;
        load.reserveMemory = [&](const DecodeMemory& decode) {
            memory.add(pictureNeed(decode, m_settings, m_box));
        };
        const bool loaded = m_settings.size.keepOriginalSize
                                ? CopyPictureToBox(source, picture, error, load)
                                : FitPictureToBox(source, m_box, picture, error, load,
                                                  m_settings.noEnlarge ? Enlarging::Never
                                                                       : Enlarging::Allowed);
        if (!loaded) {
            return fail(result, std::move(error));
        }
        result.size = {picture.width(), picture.height()};
        if (colour.outcome == ColourOutcome::Ignored) {
            result.notes.push_back(colour.note);
        }

        // The name.
        const std::string tag = NameTag(m_settings.naming, result.size);
        result.target =
            TargetName(folder, baseNameFor(lastPathName(source)), tag, m_settings.naming.tagFirst);
        if (!toMemory() && m_sourceSet.contains(canonicalOrSelf(result.target))) {
            return fail(result, "Zieldatei " + std::string(lastPathName(result.target)) +
                                    " ist ein Quellbild dieses Laufs und wird nicht ersetzt");
        }
        // Known already: no need to encode, nor to ask about a file this run
        // wrote. With several jobs the earlier picture may still be at work;
        // commit() then catches it.
        if (const auto writer = toMemory() ? std::nullopt : writtenBefore(result.target)) {
            return failAsWrittenBefore(result, *writer);
        }

        // An existing target. The batch run replaces it without asking.
        if (!toMemory() && pathEntryExists(result.target)) {
            if (asks()) {
                prepared.asked = true;
                if (!ask(result.target)) {
                    result.status = PictureStatus::Skipped;
                    result.reason = "vorhandene Datei nicht ersetzt";
                    return;
                }
            }
            prepared.replace = true;
        }
        progress(index, batch() ? 10 : 15);

        // The watermark, on the scaled picture.
        if (m_settings.watermark) {
            try {
                m_settings.watermark(picture);
            } catch (const std::exception& e) {
                result.watermarkError = e.what();
            } catch (...) {
                result.watermarkError = "unbekannter Fehler";
            }
        }

        // Flatten into a 24-bit cImage (in memory; no scratch file).
        cImage image;
        int bitCount = 0;
        if (!image.CopyStdPicture(StdPicture{&picture, 24, {}}, bitCount)) {
            return fail(result, "nicht genug Speicher für das Bild");
        }
        picture = Surface();
        progress(index, 20);

        // Encode, with the source's metadata as chosen. A size limit counts
        // the metadata too: it is part of the file the user gets.
        const MetadataSegments metadata = metadataFor(source, colour, result);
        if (m_settings.maxBytes > 0) {
            return encodeWithinLimit(index, image, metadata, result, prepared);
        }
        auto jpeg = encode(
            image, m_settings.quality, [this, index](int value) { progress(index, value); },
            m_settings.sampling);
        if (!jpeg) {
            return fail(result, notEncodable(image));
        }
        image = cImage();
        result.quality = m_settings.quality;
        prepared.jpeg = std::move(*jpeg);
        if (!metadata.empty() && !insertMetadata(prepared.jpeg, metadata)) {
            result.notes.push_back(kMetadataNotInserted);
        }
    }

    static constexpr const char* kMetadataNotInserted = "Metadaten entfernt: JPEG ohne JFIF-Kopf";

    // The source's metadata as the run's choice keeps it (nothing when it
    // strips); what was left out goes into the picture's notes.
    MetadataSegments metadataFor(const std::string& source, const ColourReport& colour,
                                 PictureResult& result) const {
        if (m_settings.metadata == MetadataChoice::Strip) {
            return {};
        }
        const OutputFacts facts{result.size, colour.outcome == ColourOutcome::Converted};
        MetadataSegments segments = metadataForOutput(source, m_settings.metadata, facts);
        result.notes.insert(result.notes.end(), segments.notes.begin(), segments.notes.end());
        return segments;
    }

    // The picture encoded at `quality` with `sampling` (nullopt: the
    // encoder's own); nothing when the encoder cannot take its size.
    std::optional<std::vector<std::uint8_t>> encode(cImage& image, int quality,
                                                    cJpeg::Progress onProgress,
                                                    std::optional<Sampling> sampling) const {
        cJpeg jpeg;
        if (sampling) {
            const SamplingFactors f = samplingFactors(*sampling);
            jpeg.SetSamplingFrequencies(f.h1, f.v1, f.h2, f.v2, f.h3, f.v3);
        }
        jpeg.Quality(quality);
        jpeg.setProgress(std::move(onProgress));
        if (jpeg.SampleHDC(image.hDC(), image.Width(), image.Height(), 0, 0) != cJpeg::kSampled) {
            return std::nullopt;
        }
        return jpeg.encodeToMemory();
    }

    static std::string notEncodable(const cImage& image) {
        return "Bild kann nicht kodiert werden (Größe " + std::to_string(image.Height()) + " x " +
               std::to_string(image.Width()) + ")";
    }

    // "höchstens N KB": the highest quality whose file fits, searched from
    // the run's quality over encodes of the one scaled picture (see
    // BatchSettings::maxBytes for the sampling). When even the lowest does
    // not fit, the file at the lowest is written and its result says so.
    // The current picture's progress moves on with each trial; the
    // encoder's own steps would run up to 100 again each time.
    void encodeWithinLimit(std::size_t index, cImage& image, const MetadataSegments& metadata,
                           PictureResult& result, Prepared& prepared) {
        // The size alone decides whether the encoder takes a picture, so the
        // first trial tells for all.
        struct NotEncodable {};
        int trials = 0;
        bool metadataInserted = true;
        const auto search = [&](std::optional<Sampling> sampling, int start) {
            return encodeWithinSize(m_settings.maxBytes, start, [&](int quality) {
                auto file = encode(image, quality, {}, sampling);
                if (!file) {
                    throw NotEncodable{};
                }
                if (!metadata.empty() && !insertMetadata(*file, metadata)) {
                    metadataInserted = false;
                }
                progress(index, std::min(95, 20 + 15 * ++trials));
                return std::move(*file);
            });
        };
        SizedEncoding sized;
        try {
            sized = search(m_settings.sampling, m_settings.quality);
            // Below 70 the slider itself chooses 4:2:0, which gives the
            // higher quality for the same bytes.
            if ((!sized.fits || sized.quality < kBestSamplingFrom) && !m_settings.fixedSampling &&
                m_settings.sampling == Sampling::Best) {
                SizedEncoding reduced = search(Sampling::Faster, sized.quality);
                const bool better = reduced.fits ? !sized.fits || reduced.quality > sized.quality
                                                 : !sized.fits && reduced.file.size() < sized.file.size();
                if (better) {
                    sized = std::move(reduced);
                }
            }
        } catch (const NotEncodable&) {
            return fail(result, notEncodable(image));
        }
        progress(index, 100);
        if (!metadataInserted) {
            result.notes.push_back(kMetadataNotInserted);
        }
        result.quality = sized.quality;
        if (!sized.fits) {
            result.reason = "größer als höchstens " + kiloBytesText(m_settings.maxBytes) +
                            ", auch mit der niedrigsten Qualität " + std::to_string(sized.quality) +
                            " (" + kiloBytesText(sized.file.size()) + ")";
        }
        prepared.jpeg = std::move(sized.file);
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
        if (!prepared.jpeg.empty()) {
            deliver(index, result, prepared);
        }
        std::lock_guard lock(m_mutex);
        m_observer.pictureFinished(index, result);
        ++m_committed;
        m_turn.notify_all();
    }

    void deliver(std::size_t index, PictureResult& result, Prepared& prepared) {
        if (toMemory()) {
            result.status = PictureStatus::Written;
            result.bytes = prepared.jpeg.size();
            result.encoded = std::move(prepared.jpeg);
            return;
        }
        if (const auto writer = writtenBefore(result.target)) {
            return failAsWrittenBefore(result, *writer);
        }
        if (m_settings.output == OutputMode::DryRun) {
            result.status = PictureStatus::Written;
            result.bytes = prepared.jpeg.size();
        } else {
            if (intoSubfolder(index)) {
                if (std::string problem =
                        makeSubfolders(m_settings.targetFolder, m_sources[index].subfolder);
                    !problem.empty()) {
                    return fail(result, std::move(problem));
                }
            }
            write(result, prepared);
        }
        if (result.status == PictureStatus::Written) {
            std::string identity = entryIdentity(result.target);
            std::lock_guard lock(m_mutex);
            m_writtenBy.emplace(std::move(identity), index);
        }
    }

    void write(PictureResult& result, Prepared& prepared) {
        const auto bytes = std::as_bytes(std::span(prepared.jpeg));
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
                result.bytes = prepared.jpeg.size();
                break;
            case AtomicWriteResult::Exists:
                result.status = PictureStatus::Skipped;
                result.reason = "vorhandene Datei nicht ersetzt";
                break;
            case AtomicWriteResult::Failed:
                fail(result, writeProblem(outcome));
                break;
        }
    }

    const std::vector<BatchSource>& m_sources;
    const BatchSettings& m_settings;
    BatchObserver& m_observer;
    const std::stop_token m_stop;
    std::vector<PictureResult> m_results;
    std::set<std::string> m_sourceSet;
    // For each source, the first earlier one naming the same file.
    std::vector<std::optional<std::size_t>> m_earlierNaming;
    // Outputs written in this run (entryIdentity) and the picture that wrote each.
    std::map<std::string, std::size_t> m_writtenBy;
    BoxSize m_box = kInitialDestSize;
    MemoryBudget m_budget{kPictureMemoryBudget};

    std::mutex m_mutex;
    std::mutex m_questionMutex;
    std::condition_variable m_turn;
    std::size_t m_next = 0;
    std::size_t m_committed = 0;
};

}  // namespace

std::string targetFolderProblem(const std::string& folder) {
    const std::string path = folder.empty() ? "." : folder;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) {
            return "Zielordner " + folder + " nicht gefunden";
        }
        return "Zielordner " + folder + ": " + systemErrorText(errno);
    }
    if (!S_ISDIR(st.st_mode)) {
        return "Ziel " + folder + " ist kein Ordner";
    }
    if (::access(path.c_str(), W_OK | X_OK) != 0) {
        return "Zielordner " + folder + " ist schreibgeschützt";
    }
    return {};
}

std::vector<PictureResult> runBatch(const std::vector<BatchSource>& sources,
                                    const BatchSettings& settings, BatchObserver& observer,
                                    std::stop_token stop) {
    keepLargeBuffersForReuse();
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

PictureResult estimatePicture(const std::string& source, BatchSettings settings) {
    // In memory: the target folder, an existing file of the output's name
    // and its question do not change the bytes.
    settings.output = OutputMode::Memory;
    settings.runMode = RunMode::Batch;
    settings.jobs = 1;
    BatchObserver quiet;
    std::vector<PictureResult> results =
        runBatch(std::vector<std::string>{source}, settings, quiet);
    PictureResult result = std::move(results.front());
    result.encoded = {};
    return result;
}

}  // namespace vendrik
