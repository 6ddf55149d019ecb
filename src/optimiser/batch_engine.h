#pragma once
// The batch run without windows: for each source picture, load it, scale it
// into the target box (or keep its size), name it, composite the watermark
// when asked, flatten it into a cImage, encode it with cJpeg and write it.
// The main window and `vendrik-cli optimise` are two fronts over this engine.
//
// A picture that fails is reported in its result and the run goes on.
// Nothing is written half: the JPEG goes to a temporary name in the target
// folder and takes its name only when complete, so an existing file is
// replaced only by a complete successor and a failing picture leaves it
// byte-identical.
//
// Nothing a run writes is lost within the run: a picture whose output name
// (however spelt) was written earlier in the same run fails and names the
// picture that wrote it, and a source named twice (also through different
// spellings of its path, entryIdentity) is processed only the first time;
// the repetition is skipped.
//
// Threading contract (how the main window drives it):
// - runBatch runs on the caller's thread and returns when the run is over.
//   With jobs > 1 it starts that many worker threads and joins them before
//   it returns; with jobs == 1 every observer call comes from the caller's
//   thread. A window therefore calls runBatch on a worker thread of its own.
// - overallProgress, currentProgress and pictureFinished are made one at a
//   time under the run's lock, never two at once, from whichever thread does
//   the work. Each must return quickly and must not block on the window
//   thread (a window forwards them by a queued signal): while one runs, the
//   other jobs wait for the lock.
// - replaceExisting is called without the run's lock, one question at a
//   time, and may block for as long as the user takes to answer (a window
//   forwards it by a blocking queued signal to its thread and waits for the
//   message box). Meanwhile the other jobs go on, and progress calls of
//   other pictures may come from other threads during the question.
// - Order: overallProgress(0) first; for each picture, in list order as the
//   pictures start, its start values (batch: overall, then current 5;
//   single: current 10), then its own steps; pictureFinished in list order;
//   in a single run overallProgress(100) last.
// - Cancelling: when `stop` is requested, no further picture starts; each
//   picture already in hand (at most one per job) is finished and written as
//   usual, so the run ends within one picture per job and leaves no
//   temporary or half-written file. Pictures not started come back as
//   Cancelled. The observer is not called for them.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "imaging/box_size.h"
#include "imaging/surface.h"
#include "optimiser/metadata_copy.h"
#include "optimiser/naming.h"
#include "optimiser/presets.h"

namespace vendrik {

// Composites the watermark onto the scaled picture (the destination box).
// It may throw; the picture is then written without the watermark and the
// reason is kept in its result.
using WatermarkHook = std::function<void(Surface& picture)>;

enum class RunMode {
    Single = 1,  // one marked picture: asks before replacing a file
    Batch = 2,   // any other number: replaces silently
};

enum class OutputMode {
    Files,   // write each output file
    DryRun,  // everything but writing: results tell what would be written
             // (Written, with the bytes the file would have); no folder made
    Memory,  // nothing written: each Written result carries its file in
             // `encoded` (for a command line's standard output); no target
             // folder is looked at
};

struct BatchSettings {
    RunMode runMode = RunMode::Single;
    // Where the outputs go; empty puts each beside its source ("Gleicher
    // Pfad wie Quell-Bild"). The folder is never created by the run; only
    // the subfolders of BatchSource below it are.
    std::string targetFolder;
    int sizeIndex = kDefaultSizeIndex;
    DestSizeInputs size;  // keep-original-size check box and own size texts
    NamingSettings naming;
    // nullopt leaves the encoder's own default sampling.
    std::optional<Sampling> sampling = Sampling::Best;
    int quality = kDefaultQuality;
    WatermarkHook watermark;
    // Ask before replacing an existing file in a batch run too (the single
    // run always asks).
    bool askBeforeReplacing = false;
    // Pictures processed at once; outputs are identical for any number.
    int jobs = 1;
    OutputMode output = OutputMode::Files;
    // Convert pictures with an embedded colour profile to sRGB (off: the
    // stored pixels, as `--keep-pixels` asks).
    bool convertColours = true;
    // Which of the source's metadata the output keeps (none by default).
    MetadataChoice metadata = MetadataChoice::Strip;
    // "nicht vergrößern": a picture that fits inside the box keeps its size.
    bool noEnlarge = false;
    // "höchstens N KB", in bytes; 0 for no limit. Each picture is then
    // written at the highest quality from 40 to 95 whose file fits, with
    // the run's sampling; `quality` is where the search starts. When at
    // 4:4:4 only a quality below 70 fits, or none, the search goes on at
    // 4:2:0, as the slider chooses below 70, and the higher quality of the
    // two is taken; not when the sampling was chosen for the run on
    // purpose (fixedSampling).
    std::uint64_t maxBytes = 0;
    bool fixedSampling = false;
};

// A picture of a run.
struct BatchSource {
    std::string path;
    // With a target folder: the folder below it that takes this picture's
    // output, relative ("2024/rom"), so that a tree of folders keeps its
    // shape. Missing folders below the target folder are made when the
    // output is written. Empty: the target folder itself. Unused when the
    // outputs go beside their sources. A subfolder that is absolute or has
    // an empty, "." or ".." part fails the picture.
    std::string subfolder;
};

enum class PictureStatus {
    Written,
    Skipped,
    Failed,
    Cancelled,  // not started: the run was stopped before it
};

struct PictureResult {
    std::string source;
    std::string target;  // empty when the picture failed before it was named
    PictureStatus status = PictureStatus::Failed;
    std::string reason;          // why it failed or was skipped (German)
    std::string watermarkError;  // set when the watermark step failed
    BoxSize size;                // the scaled picture's size
    std::uint64_t bytes = 0;     // size of the written file
    // The JPEG quality the file was encoded at. With a size limit that even
    // the lowest quality misses, the picture is written at it and `reason`
    // says so.
    int quality = 0;
    std::vector<std::uint8_t> encoded;  // the file itself, with OutputMode::Memory
    // What the picture was written despite (German): a colour profile
    // ignored, metadata left out, each with its reason.
    std::vector<std::string> notes;
};

// What the run tells its caller and asks of it; which thread calls what, and
// what may block, is the threading contract above.
class BatchObserver {
public:
    virtual ~BatchObserver() = default;
    // Overall progress 0..100: 0 at the start; in a batch run
    // floor(100 / n × k) as picture k starts; in a single run 100 at the end.
    virtual void overallProgress(int /*value*/) {}
    // The current picture's progress: in a batch run 5, 10, 20, then the
    // encoder's values; in a single run 10, 15, 20, then the encoder's.
    virtual void currentProgress(std::size_t /*picture*/, int /*value*/) {}
    // The overwrite question ("Bereits vorhandene Datei '…' überschreiben ?");
    // false writes nothing for the picture. May block; not under the run's
    // lock.
    virtual bool replaceExisting(const std::string& /*targetName*/) { return true; }
    virtual void pictureFinished(std::size_t /*picture*/, const PictureResult& /*result*/) {}
};

// Why a folder cannot take outputs ("Zielordner … nicht gefunden", "…
// ist schreibgeschützt"), or empty when it can. The run checks it before
// loading each picture; a front may check it once before the run.
[[nodiscard]] std::string targetFolderProblem(const std::string& folder);

// Runs over `sources` (paths of picture files) in order and returns one
// result per source, in the same order. A stop request through `stop` ends
// the run after the pictures in hand (see the contract above).
[[nodiscard]] std::vector<PictureResult> runBatch(const std::vector<std::string>& sources,
                                                  const BatchSettings& settings,
                                                  BatchObserver& observer,
                                                  std::stop_token stop = {});
[[nodiscard]] std::vector<PictureResult> runBatch(const std::vector<BatchSource>& sources,
                                                  const BatchSettings& settings,
                                                  BatchObserver& observer,
                                                  std::stop_token stop = {});

// What a run with `settings` would make of the one picture at `source`,
// with nothing written and no target folder looked at: the run's own steps
// (scaling, watermark, metadata, the search of a size limit), so the
// result's `bytes` are those of the file the run would write now. `encoded`
// comes back empty; runMode, jobs and output of `settings` do not matter.
// Runs on the caller's thread and calls no observer; the main window uses it
// for the estimated size of the clicked picture's output.
[[nodiscard]] PictureResult estimatePicture(const std::string& source, BatchSettings settings);

}  // namespace vendrik
