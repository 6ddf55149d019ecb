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

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "imaging/box_size.h"
#include "imaging/surface.h"
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

struct BatchSettings {
    RunMode runMode = RunMode::Single;
    // Where the outputs go; empty puts each beside its source ("Gleicher
    // Pfad wie Quell-Bild"). The folder is never created by the run.
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
};

enum class PictureStatus { Written, Skipped, Failed };

struct PictureResult {
    std::string source;
    std::string target;  // empty when the picture failed before it was named
    PictureStatus status = PictureStatus::Failed;
    std::string reason;          // why it failed or was skipped (German)
    std::string watermarkError;  // set when the watermark step failed
    BoxSize size;                // the scaled picture's size
    std::uint64_t bytes = 0;     // size of the written file
};

// What the run tells its caller and asks of it. Calls come one at a time
// (never two at once, even with several jobs), possibly from worker threads.
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
    // false writes nothing for the picture.
    virtual bool replaceExisting(const std::string& /*targetName*/) { return true; }
    virtual void pictureFinished(std::size_t /*picture*/, const PictureResult& /*result*/) {}
};

// The question the single run asks before replacing `targetName`.
[[nodiscard]] std::string overwriteQuestion(const std::string& targetName);

// Runs over `sources` (paths of picture files) in order and returns one
// result per source, in the same order.
[[nodiscard]] std::vector<PictureResult> runBatch(const std::vector<std::string>& sources,
                                                  const BatchSettings& settings,
                                                  BatchObserver& observer);

}  // namespace vendrik
