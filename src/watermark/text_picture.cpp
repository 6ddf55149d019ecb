#include "watermark/text_picture.h"

#include "common/error.h"
#include "watermark/alpha_blending.h"
#include "watermark/watermark_settings.h"

namespace vendrik {

RenderedText TextPicture::render(std::string_view text, double points, int colorIndex) {
    RenderedText result;
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
    if (colorIndex >= 0 && colorIndex < static_cast<int>(kWatermarkColors.size())) {
        m_foreground = Surface::fromColorRef(kWatermarkColors[static_cast<std::size_t>(colorIndex)]);
    }
    m_renderer.draw(result.picture, text, m_foreground);
    return result;
}

}  // namespace vendrik
