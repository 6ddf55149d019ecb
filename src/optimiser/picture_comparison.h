#pragma once
// A picture before and after: the source at the output's scale beside the
// output as a viewer shows the file the run would write, for the main
// window's comparison view. Both come from one pass of the run's own
// pipeline (picture_pipeline.h): the scaled picture is kept before it is
// watermarked and encoded, and the encoded bytes are decoded again by the
// loader, so the output side is exactly what the written file decodes to.
// When that output has been computed already (the window's estimate makes
// it for every click), it is decoded rather than encoded once more: the
// encoding is most of the work.
//
// Nothing is written; nothing throws.

#include <string>

#include "common/result.h"
#include "imaging/surface.h"
#include "optimiser/picture_pipeline.h"

namespace vendrik {

struct PictureComparison {
    // The source, upright, in sRGB and scaled into the box as the run scales
    // it (for "nur verlustfrei": at its own size), without the watermark.
    Surface source;
    // The output file decoded; the same size as `source`.
    Surface output;
    // The output itself: its bytes, quality and notes.
    EncodedPicture encoded;
};

// `known`, when given, must be processPicture(source, settings) of the
// same file: its bytes are decoded while the source is scaled.
[[nodiscard]] Result<PictureComparison> comparePicture(const std::string& source,
                                                       const PictureSettings& settings,
                                                       const EncodedPicture* known = nullptr);

}  // namespace vendrik
