#pragma once
// The render box of the watermark text: a grey picture of exactly the text's
// measured extent with the text printed on it in the watermark colour. The
// grey is the key colour of the rotate-and-blend engine, so every pixel the
// text leaves untouched stays transparent.
//
// Like the picture box it stands for, it keeps its foreground colour from one
// use to the next: a colour index outside the table draws in the previous
// colour (white at first).

#include <cstdint>
#include <string>
#include <string_view>

#include "imaging/surface.h"
#include "watermark/text_renderer.h"
#include "watermark/watermark_settings.h"

namespace vendrik {

// &H808080, the render box's background and the engine's key colour.
inline constexpr std::uint32_t kTextBackground = 0x808080;

// The largest text picture rendered, in pixels: beyond this no picture of
// sensible size needs its watermark, and memory would be wasted on it.
inline constexpr std::int64_t kMaxTextPicturePixels = std::int64_t{64} << 20;

struct RenderedText {
    Surface picture;        // the text on &H808080, top-left aligned
    double fontSize = 0.0;  // the size in points as the renderer read it back
};

class TextPicture {
public:
    // `renderer` must outlive the TextPicture.
    explicit TextPicture(TextRenderer& renderer) : m_renderer(renderer) {}

    // Sets the font to `points`, measures `text` and prints it on a grey
    // picture of the measured extent. Throws VendrikError when the renderer
    // has no font, or the text would be wider or higher than the engine can
    // turn (32 766 pixels) or larger than kMaxTextPicturePixels.
    //
    // The result stays valid until the next call. A batch run asks for the
    // same text, size and colour for every picture of the same width, so the
    // last picture is kept and handed out again for an equal request.
    [[nodiscard]] const RenderedText& render(std::string_view text, double points,
                                             WatermarkColour colour);

    [[nodiscard]] Bgr foreground() const noexcept {
        return m_foreground;
    }

private:
    TextRenderer& m_renderer;
    Bgr m_foreground{255, 255, 255};
    RenderedText m_last;
    std::string m_lastText;
    double m_lastPoints = -1;
    Bgr m_lastColour;
};

}  // namespace vendrik
