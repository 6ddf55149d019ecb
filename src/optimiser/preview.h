#pragma once
// The main window's preview of the picture last clicked in its file list:
// a small thumbnail, the picture's own size and the five EXIF texts. All of
// it is worked out here, without a display; the window only shows it.
//
// What the preview promises:
// - It never decodes more than the thumbnail needs: a JPEG is decoded at a
//   reduced size (libjpeg-turbo's DCT scaling), so a 24-megapixel photograph
//   costs a fraction of a full decode.
// - A file that is not a regular file (a folder or a pipe named like a
//   picture) is refused before it is opened, so nothing can block on it.
// - A file that cannot be read or decoded gives no thumbnail and no size;
//   the EXIF texts are still read where the file has them.
// - Nothing throws.

#include <string>

#include "exif/exif_summary.h"
#include "imaging/box_size.h"
#include "imaging/surface.h"

namespace vendrik {

// The inner size of the window's preview box picPreview.
inline constexpr BoxSize kPreviewBox{133, 105};

// The thumbnail size for a picture of `width` × `height` pixels in a preview
// box of `box`. A landscape picture (height below width) fills the box's
// width, any other its height; the other side follows from percentages that
// keep the aspect only roughly (4000 × 3000 gives 133 × 95 in 133 × 105,
// 3000 × 4000 gives 76 × 105). A box or picture without area gives {0, 0};
// otherwise each side is at least 1.
[[nodiscard]] BoxSize thumbnailSize(double width, double height, BoxSize box) noexcept;

struct PreviewPicture {
    bool loaded = false;   // the picture could be decoded
    int PictureWidth = 0;  // its own size, upright; 0 when not loaded
    int PictureHeight = 0;
    Surface thumbnail;  // thumbnailSize of the picture; empty when not loaded
    std::string error;  // why it could not be loaded (German)
    ExifSummary exif;   // the five label texts (nothing filled without EXIF)
};

// Reads the picture at `path` for the preview box `box`.
[[nodiscard]] PreviewPicture loadPreview(const std::string& path, BoxSize box = kPreviewBox);

// "Bildgrösse: " + height + " x " + width for a loaded picture, else the
// label's bare caption "Bildgrösse: ".
[[nodiscard]] std::string pictureSizeCaption(const PreviewPicture& preview);

inline constexpr std::string_view kPictureSizeCaption = "Bildgrösse: ";

}  // namespace vendrik
