#pragma once
// How the watermark text is drawn: the watermark's font ("Arial", bold, a
// point size at 96 dots per inch, which fontconfig resolves to a metric-
// compatible face), the extent of a multi-line text, and the text printed
// line by line.
//
// An interface, so that compositing and placement can be tested with a
// renderer whose extents are known, and so that a platform without the
// system's fonts can be served by another implementation.

#include <memory>
#include <string_view>

#include "imaging/surface.h"

namespace vendrik {

struct TextExtent {
    int width = 0;   // the widest line, in pixels
    int height = 0;  // all lines together, in pixels
    friend bool operator==(const TextExtent&, const TextExtent&) = default;
};

class TextRenderer {
public:
    virtual ~TextRenderer() = default;

    // Chooses "Arial" bold at `points` and returns the size in points the
    // font will actually be drawn at (a renderer may round to a size it can
    // render). Throws VendrikError when no font can be had.
    virtual double setFontSize(double points) = 0;

    // The extent of `text` (UTF-8; CR LF, a lone CR or a lone LF starts a
    // new line) in the current font.
    [[nodiscard]] virtual TextExtent measure(std::string_view text) = 0;

    // Prints `text` in `colour` onto `target` from its top-left corner, each
    // line starting at the left edge; smoothed edges mix the colour with
    // what is below. Whatever falls outside `target` is not drawn.
    virtual void draw(Surface& target, std::string_view text, Bgr colour) = 0;
};

// The renderer of this system: FreeType draws the font fontconfig finds for
// "Arial" bold (Liberation Sans on Debian). Finding and opening the font
// happens on first use; when it fails, every call throws with the reason.
[[nodiscard]] std::unique_ptr<TextRenderer> makeSystemTextRenderer();

}  // namespace vendrik
