#include "watermark/text_picture.h"

#include "common/error.h"
#include "watermark/alpha_blending.h"
#include "watermark/watermark_settings.h"

namespace vendrik {

const RenderedText& TextPicture::render(std::string_view text, double points,
                                        WatermarkColour colour) {
    if (const auto value = colourValue(colour)) {
        m_foreground = Surface::fromColorRef(*value);
    }
    if (!m_last.picture.empty() && text == m_lastText && points == m_lastPoints &&
        m_foreground == m_lastColour) {
        return m_last;
    }
    m_lastPoints = -1;  // nothing valid kept while a new picture is made
    RenderedText& result = m_last;
    result.fontSize = m_renderer.setFontSize(points);
    const TextExtent extent = m_renderer.measure(text);
    enforce(extent.width <= kMaxBlendSourceExtent && extent.height <= kMaxBlendSourceExtent &&
                static_cast<std::int64_t>(extent.width) * extent.height <= kMaxTextPicturePixels,
            [&] {
                return VendrikError(static_cast<int>(BlendErrc::Overflow), "Watermark",
                                    "Überlauf: Wasserzeichentext mit " +
                                        std::to_string(extent.width) + " × " +
                                        std::to_string(extent.height) + " Pixeln zu groß");
            });
    result.picture = Surface(extent.width, extent.height);
    result.picture.fill(Surface::fromColorRef(kTextBackground));
    m_renderer.draw(result.picture, text, m_foreground);
    m_lastText = text;
    m_lastPoints = points;
    m_lastColour = m_foreground;
    return result;
}

}  // namespace vendrik
