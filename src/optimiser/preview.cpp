#include "optimiser/preview.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <optional>

#include "exif/clsEXIF.h"
#include "imaging/picture_loader.h"
#include "imaging/surface_ops.h"

namespace vendrik {

BoxSize thumbnailSize(double width, double height, BoxSize box) noexcept {
    if (!(width >= 0.5 && height >= 0.5) || box.width <= 0 || box.height <= 0 ||
        !std::isfinite(width) || !std::isfinite(height)) {
        return {};
    }
    // The picture's size is held as single-precision numbers and rounded to
    // whole pixels for the landscape test; each pair of percentages has its
    // first member in single precision and its second in double precision,
    // which decides the last pixel of the results.
    const auto W = static_cast<float>(width);
    const auto H = static_cast<float>(height);
    const auto SW = static_cast<float>(box.width);
    const auto SH = static_cast<float>(box.height);
    const double roundedWidth = std::nearbyint(W);
    const double roundedHeight = std::nearbyint(H);
    double pw = 0;
    double ph = 0;
    if (roundedHeight < roundedWidth) {
        const float pwSingle = 100.0F / W * SW;
        pw = pwSingle;
        ph = 100.0 / (static_cast<double>(SH) / pw);
    } else {
        const float phSingle = 100.0F / H * SH;
        ph = phSingle;
        pw = 100.0 / (static_cast<double>(SW) / (1.3 * ph));
    }
    // Percent of the picture's size, rounded (ties to even), then whole
    // hundredths. The results stay near the box (a side at most about 1.3
    // times the box's), so the conversions cannot overflow.
    const auto side = [](float size, double percent) {
        const auto scaled =
            static_cast<long long>(std::nearbyint(static_cast<double>(size) * percent));
        return static_cast<int>(std::max(1LL, scaled / 100));
    };
    return {side(W, pw), side(H, ph)};
}

PreviewPicture loadPreview(const std::string& path, BoxSize box) {
    PreviewPicture preview;
    // A folder or a pipe named like a picture is not opened: opening a pipe
    // for reading waits for a writer.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        preview.error = "Datei nicht gefunden";
        return preview;
    }
    if (!S_ISREG(st.st_mode)) {
        preview.error =
            S_ISDIR(st.st_mode) ? "ist ein Ordner, keine Datei" : "keine gewöhnliche Datei";
        return preview;
    }

    clsEXIF exif;
    exif.ImageFile(path);
    preview.exif = exif.ListEXIF();

    // Decode just large enough for the thumbnail. With the preview box as
    // its fit box the loader decodes at least half as large again as the
    // picture fitted into the box; the thumbnail exceeds that fitted size by
    // at most about a quarter (a landscape picture nearly square: 133 wide
    // against 105), so the decoded picture is never smaller than it.
    LoadOptions options;
    options.fitBox = box;
    Result<LoadedPicture> picture = loadPicture(path, options);
    if (!picture) {
        preview.error = picture.reason();
        return preview;
    }
    const BoxSize size = thumbnailSize(picture->width, picture->height, box);
    try {
        preview.thumbnail = Surface(size.width, size.height);
    } catch (const std::bad_alloc&) {
        preview.error = "nicht genug Speicher";
        return preview;
    }
    const Surface& pixels = picture->pixels;
    stretchRect(pixels, 0, 0, pixels.width(), pixels.height(), preview.thumbnail, 0, 0, size.width,
                size.height);
    preview.loaded = true;
    preview.PictureWidth = picture->width;
    preview.PictureHeight = picture->height;
    return preview;
}

std::string pictureSizeCaption(const PreviewPicture& preview) {
    std::string caption(kPictureSizeCaption);
    if (preview.loaded) {
        caption +=
            std::to_string(preview.PictureHeight) + " x " + std::to_string(preview.PictureWidth);
    }
    return caption;
}

}  // namespace vendrik
