#pragma once
// Sizes of target boxes and scaled pictures, in pixels. The window system the
// rules were written for measured boxes in twips, 15 to a pixel; comparisons
// on twips are comparisons on 15 × pixels, so they are made here on pixels
// with exact integer arithmetic.

#include <cstdint>

namespace vendrik {

struct BoxSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const BoxSize&, const BoxSize&) = default;
};

inline constexpr int kTwipsPerPixel = 15;

// How a target box stands to the picture fitted into it.
enum class BoxTurn {
    Fixed,      // the same box for portraits and landscapes
    ToPicture,  // "Hochformat wie Querformat": turned to the picture's orientation
};

// The box a w × h picture is fitted into. With BoxTurn::ToPicture a portrait
// picture (h > w) takes the box's longer side as its height and a landscape
// picture as its width, so that both get the same long edge: a 1024 × 768
// box fits a 3000 × 4000 picture into 768 × 1024. A square picture or box
// leaves the box as it is.
[[nodiscard]] constexpr BoxSize turnedBox(BoxSize box, int w, int h, BoxTurn turn) noexcept {
    const bool portraitPicture = h > w;
    const bool landscapePicture = w > h;
    if (turn == BoxTurn::ToPicture && ((portraitPicture && box.width > box.height) ||
                                       (landscapePicture && box.height > box.width))) {
        return {box.height, box.width};
    }
    return box;
}

// A picture larger than this is not made, whether loaded or enlarged: 100
// megapixels, 65500 pixels on a side (the encoder's frame header allows
// 65535; the loaders keep a margin for rounding up in DCT scaling).
inline constexpr std::int64_t kMaxPicturePixels = 100'000'000;
inline constexpr int kMaxPictureSide = 65500;

[[nodiscard]] constexpr bool withinPictureLimits(std::int64_t width, std::int64_t height) noexcept {
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           width * height <= kMaxPicturePixels;
}

// num / den rounded to the nearest integer, ties to the even neighbour; den > 0.
[[nodiscard]] constexpr std::int64_t roundedQuotient(std::int64_t num, std::int64_t den) noexcept {
    const std::int64_t q = num / den;
    const std::int64_t twiceRest = 2 * (num % den);
    if (twiceRest > den || (twiceRest == den && (q & 1) != 0)) {
        return q + 1;
    }
    return q;
}

}  // namespace vendrik
