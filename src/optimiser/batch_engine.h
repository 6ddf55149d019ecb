#pragma once
// The batch run without windows: for each source picture, the picture's road
// through the pipeline (picture_pipeline.h: load, scale, watermark, encode),
// and around it what belongs to a run: the order of the pictures and the
// jobs that work on them at once, stop requests, naming each output and the
// order in which same-named outputs win, the question before an existing
// file is replaced, progress, and writing. The main window and
// `vendrik-cli optimise` are two fronts over this engine.
//
// A picture that fails is reported in its result and the run goes on.
// Nothing is written half: the file goes to a temporary name in the target
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
#include <stop_token>
#include <string>
#include <vector>

#include "common/result.h"
#include "imaging/box_size.h"
#include "optimiser/naming.h"
#include "optimiser/picture_pipeline.h"

namespace vendrik {

enum class RunMode {
    Single = 1,  // one marked picture: asks before replacing a file
    Batch = 2,   // any other number: replaces silently
};

enum class OutputMode {
    Files,   // write each output file
    DryRun,  // everything but writing: results tell what would be written
             // (Written, with the bytes the file would have); no folder made
};

struct BatchSettings {
    RunMode runMode = RunMode::Single;
    // Where the outputs go; empty puts each beside its source ("Gleicher
    // Pfad wie Quell-Bild"). The folder is never created by the run; only
    // the subfolders of BatchSource below it are.
    std::string targetFolder;
    NamingSettings naming;
    // What shapes each output's bytes.
    PictureSettings picture;
    // Ask before replacing an existing file in a batch run too (the single
    // run always asks).
    bool askBeforeReplacing = false;
    // Pictures processed at once; outputs are identical for any number.
    int jobs = 1;
    OutputMode output = OutputMode::Files;
    // "Dateidatum beibehalten": each written output gets its source's
    // modification time, so that photo libraries sorting by it keep the
    // pictures in place. A time that cannot be set is a note, not a failure.
    bool keepDates = false;
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
    // The quality the file was encoded at. With a size limit that even
    // the lowest quality misses, the picture is written at it and `reason`
    // says so.
    int quality = 0;
    // What the picture was written despite (German): a colour profile
    // ignored, metadata left out, each with its reason.
    std::vector<std::string> notes;
    // "nie größer als die Quelle" wrote the source's own bytes, less its
    // metadata (kSourceKeptText); `quality` is 0 then.
    bool sourceKept = false;
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

}  // namespace vendrik
