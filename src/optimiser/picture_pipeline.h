#pragma once
// One picture's road from its file to the bytes of its output: load, turn
// upright, convert its colours, scale it into the box (or keep its size),
// composite the watermark, encode it in the chosen format (or search the
// quality that fits a size limit) with the metadata the user keeps.
//
// The pipeline writes no file and knows no target folder: a run
// (batch_engine.h) names each output, settles an existing file and writes;
// the main window's size estimate and a command line writing to its standard
// output take the bytes as they are. So every front gets the same bytes for
// the same settings.
//
// It comes in two halves because a run must name the output, and may ask
// the user about an existing file, between them: the name can hold the
// scaled picture's size, and a picture the user does not want replaced
// should not be encoded. processPicture runs both for a caller that names
// nothing.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/result.h"
#include "imaging/box_size.h"
#include "imaging/colour_profile.h"
#include "imaging/jpeg_transcode.h"
#include "imaging/surface.h"
#include "optimiser/metadata_copy.h"
#include "optimiser/output_format.h"
#include "optimiser/presets.h"

namespace vendrik {

// Composites the watermark onto the scaled picture. It may throw; the
// picture is then encoded without the watermark and the reason is kept.
using WatermarkHook = std::function<void(Surface& picture)>;

// Everything that shapes an output's bytes.
struct PictureSettings {
    int sizeIndex = kDefaultSizeIndex;
    DestSizeInputs size;  // keep-original-size check box and own size texts
    // "nicht vergrößern": a picture that fits inside the box keeps its size.
    bool noEnlarge = false;
    // "Hochformat wie Querformat": the box turned to each picture's
    // orientation (a preset gives portraits and landscapes the same long
    // edge); off, the box stands as the preset gives it.
    BoxTurn boxTurn = BoxTurn::Fixed;
    int quality = kDefaultQuality;
    // Chroma sampling chosen by the user; empty follows the slider's rule
    // (samplingForQuality), also for each quality the size search tries.
    std::optional<Sampling> sampling;
    // "kleinere Dateien (langsamer)", for every encode of the picture, the
    // size search's trials included.
    JpegCompression compression = JpegCompression::Standard;
    // "höchstens N KB", in bytes; 0 for no limit. A cap under `quality`:
    // a picture that fits at `quality` is written at it, as without the
    // cap; one that does not at the highest quality from kSizeSearchLowest
    // up whose file fits (encodeWithinLimit).
    std::uint64_t maxBytes = 0;
    WatermarkHook watermark;  // empty: no watermark
    // Convert pictures with an embedded colour profile to sRGB (off: the
    // stored pixels, as `--keep-pixels` asks).
    bool convertColours = true;
    // Which of the source's metadata the output keeps.
    MetadataChoice metadata = MetadataChoice::Strip;
    // Empty: JPEG (jpegOutputFormat()); so is every run with `lossless`.
    std::shared_ptr<const OutputFormat> format;
    // "nie größer als die Quelle": an output larger than its source file is
    // replaced by the source's own bytes where the source can serve
    // (source_as_output.h), else written with a note that says why not.
    bool neverLarger = false;
    // "nur verlustfrei": a JPEG source is rewritten without decoding its
    // pixels (jpeg_transcode.h), the metadata as chosen and its EXIF
    // Orientation kept as a tag; the box, the quality, the size limit and the
    // watermark do not apply, and any other source fails with a reason. A
    // rewrite larger than the source gives way to the source itself, less
    // its metadata, where it can serve.
    bool lossless = false;
};

// The first half's result: the picture at its output size.
struct ScaledPicture {
    std::string source;
    Surface pixels;
    ColourReport colour;  // what became of an embedded profile
    // What the picture will be written despite (German), in order.
    std::vector<std::string> notes;
    // "nur verlustfrei": the source rewritten, with the metadata segments it
    // was given; `pixels` stays empty.
    std::optional<RewrittenJpeg> rewritten;
    MetadataSegments rewrittenMetadata;

    // Its size as shown: for a rewritten file, upright.
    [[nodiscard]] BoxSize size() const noexcept {
        if (!rewritten) {
            return {pixels.width(), pixels.height()};
        }
        const BoxSize stored = rewritten->facts.stored;
        return rewritten->facts.orientation >= 5 ? BoxSize{stored.height, stored.width} : stored;
    }
};

// The output of one picture.
struct EncodedPicture {
    std::vector<std::uint8_t> bytes;  // the whole file
    BoxSize size;                     // its pixels
    int quality = 0;                  // the quality it was encoded at
    // What it was written despite (German): a colour profile ignored,
    // metadata left out; in the order they arose.
    std::vector<std::string> notes;
    // Set when the watermark step failed; the picture has none.
    std::string watermarkError;
    // Set when a size limit was asked for and even the lowest quality
    // misses it: the file is the one at the lowest quality, and this says so.
    std::string overLimit;
    // "nie größer als die Quelle" took the source's own bytes (less its
    // metadata) instead of the larger encoding; `quality` is then 0.
    bool sourceKept = false;
};

class PicturePipeline {
public:
    explicit PicturePipeline(PictureSettings settings);

    [[nodiscard]] const PictureSettings& settings() const noexcept {
        return m_settings;
    }
    [[nodiscard]] const OutputFormat& format() const noexcept {
        return *m_settings.format;
    }
    // The target box every picture is fitted into (the size preset applied).
    [[nodiscard]] BoxSize box() const noexcept {
        return m_box;
    }

    // Load, upright, colours, scale into the box. `reserve`, when set, is
    // told once, before the picture's memory is taken, the bytes the
    // picture will hold at most until encode() is done (decoding, scaling
    // and encoding); it may block until that much may be used.
    [[nodiscard]] Result<ScaledPicture> scale(
        const std::string& source,
        const std::function<void(std::size_t bytes)>& reserve = {}) const;

    // Watermark, then encode with the metadata as chosen. `progress` hears
    // 20 once the picture is ready to encode, then the encoder's own values
    // up to 100 (with a size limit, one step for each quality tried).
    [[nodiscard]] Result<EncodedPicture> encode(
        ScaledPicture picture, const std::function<void(int value)>& progress = {}) const;

private:
    // "nur verlustfrei" in place of decoding and scaling.
    [[nodiscard]] Result<ScaledPicture> rewrite(
        const std::string& source, const std::function<void(std::size_t bytes)>& reserve) const;
    // "nie größer als die Quelle" once `out` is encoded: the source's bytes
    // when they are fewer and show the same picture, which is `stored` large
    // and carries `orientation`.
    void keepSmallerSource(const ScaledPicture& picture, const MetadataSegments& metadata,
                           BoxSize stored, int orientation, EncodedPicture& out) const;

    PictureSettings m_settings;
    BoxSize m_box;
};

// Both halves for one picture, on the caller's thread: the bytes a run with
// these settings would write for `source` now. The main window's estimate
// and `vendrik-cli optimise -o -` use it.
[[nodiscard]] Result<EncodedPicture> processPicture(const std::string& source,
                                                    const PictureSettings& settings);

}  // namespace vendrik
