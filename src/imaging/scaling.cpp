#include "imaging/scaling.h"

#include <algorithm>
#include <new>

#include "imaging/surface_ops.h"

namespace vendrik {

namespace {

int side(std::int64_t num, std::int64_t den) {
    return static_cast<int>(std::max<std::int64_t>(1, roundedQuotient(num, den)));
}

}  // namespace

BoxSize fitPictureSize(int w, int h, BoxSize box) noexcept {
    if (w <= 0 || h <= 0 || box.width <= 0 || box.height <= 0) {
        return {};
    }
    const std::int64_t W = box.width;
    const std::int64_t H = box.height;
    if (h > w) {
        // Full height first: Wn = w·H/h; too wide when w·H/h > W.
        if (static_cast<std::int64_t>(w) * H > W * h) {
            return {box.width, side(static_cast<std::int64_t>(h) * W, w)};
        }
        return {side(static_cast<std::int64_t>(w) * H, h), box.height};
    }
    // Full width first: Hn = h·W/w; too high when h·W/w > H.
    if (static_cast<std::int64_t>(h) * W > H * w) {
        return {side(static_cast<std::int64_t>(w) * H, h), box.height};
    }
    return {box.width, side(static_cast<std::int64_t>(h) * W, w)};
}

BoxSize fitPictureSize(int w, int h, BoxSize box, Enlarging enlarging) noexcept {
    if (enlarging == Enlarging::Never && w > 0 && h > 0 && w <= box.width && h <= box.height) {
        return {w, h};
    }
    return fitPictureSize(w, h, box);
}

Surface fitLoadedPicture(const LoadedPicture& picture, BoxSize box, Enlarging enlarging) {
    const BoxSize size = fitPictureSize(picture.width, picture.height, box, enlarging);
    Surface out(size.width, size.height);
    if (!out.empty()) {
        const Surface& src = picture.pixels;
        stretchRect(src, 0, 0, src.width(), src.height(), out, 0, 0, size.width, size.height);
    }
    return out;
}

Result<Surface> FitPictureToBox(const std::string& path, BoxSize box, const LoadOptions& load,
                                Enlarging enlarging, BoxTurn turn) {
    if (box.width <= 0 || box.height <= 0) {
        return Failure{"Zielgröße " + std::to_string(box.height) + " x " +
                       std::to_string(box.width) + " ist leer"};
    }
    LoadOptions options = load;
    options.fitBox = box;
    options.fitBoxTurn = turn;
    // The colours are converted after scaling, on the box's pixels: a
    // photograph reduced into a box has a fraction of its pixels left, and
    // the conversion costs the same for each. ImageMagick converts before
    // it scales; converting after averages the source's encoded values
    // instead of sRGB's, which differs from it by a mean CIEDE2000 well
    // below 1 (bench/colour_check.sh), where the conversion itself moves
    // Display P3 by 2.5.
    options.deferColourConversion = true;
    Result<LoadedPicture> picture = loadPicture(path, options);
    if (!picture) {
        return picture.failure();
    }
    box = turnedBox(box, picture->width, picture->height, turn);
    const BoxSize size = fitPictureSize(picture->width, picture->height, box, enlarging);
    if (!withinPictureLimits(size.width, size.height)) {
        return Failure{"Zielgröße " + std::to_string(size.height) + " x " +
                       std::to_string(size.width) + " ist zu groß (höchstens 100 Megapixel)"};
    }
    Surface scaled;
    try {
        scaled = fitLoadedPicture(*picture, box, enlarging);
    } catch (const std::bad_alloc&) {
        return Failure{"nicht genug Speicher zum Skalieren"};
    }
    if (load.convertColours && picture->colour.outcome == ColourOutcome::NoProfile &&
        !picture->iccProfile.empty()) {
        picture->colour = convertToSrgb(scaled, picture->iccProfile, picture->channels);
        if (load.colourReport != nullptr) {
            *load.colourReport = picture->colour;
        }
    }
    return scaled;
}

Result<Surface> CopyPictureToBox(const std::string& path, const LoadOptions& load) {
    LoadOptions options = load;
    options.fitBox.reset();
    Result<LoadedPicture> picture = loadPicture(path, options);
    if (!picture) {
        return picture.failure();
    }
    return std::move(picture->pixels);
}

}  // namespace vendrik
