#pragma once
// Scaling a picture into a target box: the fit routine, which keeps the
// picture's aspect and shrinks the box to it, and the keep-size routine.

#include <string>

#include "common/result.h"
#include "imaging/box_size.h"
#include "imaging/picture_loader.h"
#include "imaging/surface.h"

namespace vendrik {

// The size the fit routine draws a w × h picture at in a box of
// box.width × box.height. A portrait picture (h > w) tries the full box
// height first, any other the full width; when the other side would then
// exceed the box, the picture takes the box's other side instead. The box so
// shrinks in one direction and never grows; a picture smaller than the box is
// enlarged. A computed side is rounded to the nearest pixel (ties to even)
// and is at least 1 so that a sliver of a picture is not lost. A box with a
// side of 0 or less gives {0, 0}.
[[nodiscard]] BoxSize fitPictureSize(int w, int h, BoxSize box) noexcept;

// Whether the fit routine may draw a picture larger than it is.
enum class Enlarging {
    Allowed,  // a picture smaller than the box is enlarged to it
    Never,    // a picture that fits inside the box keeps its own size
};

// fitPictureSize, or with Enlarging::Never the picture's own w × h when it
// fits inside the box in both directions.
[[nodiscard]] BoxSize fitPictureSize(int w, int h, BoxSize box, Enlarging enlarging) noexcept;

// The picture of `picture` drawn at fitPictureSize of its own size: reduced
// by area averaging, enlarged by linear interpolation. Empty when the box is
// empty.
[[nodiscard]] Surface fitLoadedPicture(const LoadedPicture& picture, BoxSize box,
                                       Enlarging enlarging = Enlarging::Allowed);

// Load `path` and fit it into `box`, turned to the picture by `turn`: the
// scaled picture (which so has its size), or the reason why there is none;
// never throws for a bad file. The loader may decode a JPEG at a reduced
// size, never smaller than the result.
[[nodiscard]] Result<Surface> FitPictureToBox(const std::string& path, BoxSize box,
                                              const LoadOptions& load = {},
                                              Enlarging enlarging = Enlarging::Allowed,
                                              BoxTurn turn = BoxTurn::Fixed);

// Load `path` at its own size, pixels unchanged. `load` passes a memory
// reservation on to the loader (its fitBox is unused).
[[nodiscard]] Result<Surface> CopyPictureToBox(const std::string& path,
                                               const LoadOptions& load = {});

}  // namespace vendrik
