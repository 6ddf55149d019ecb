// The system's text renderer: fontconfig finds the file of "Arial" bold,
// FreeType draws its glyphs with smoothed (anti-aliased) edges.

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/utf8.h"
#include "watermark/text_renderer.h"

namespace vendrik {
namespace {

constexpr const char* kFontPattern = "Arial:bold";
constexpr const char* kErrorSource = "Watermark";
// The font sizes the render box can take, in whole pixels: a size beyond this
// gives a text the rotate-and-blend engine could not address anyway.
constexpr int kMaxPixelSize = 32767;

VendrikError fontError(const std::string& reason) {
    return VendrikError(1, kErrorSource, reason);
}

// Splits at CR LF, lone CR and lone LF.
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    lines.push_back(text.substr(start));
    return lines;
}

class FreetypeTextRenderer final : public TextRenderer {
public:
    FreetypeTextRenderer() = default;
    ~FreetypeTextRenderer() override {
        if (m_face != nullptr) {
            FT_Done_Face(m_face);
        }
        if (m_library != nullptr) {
            FT_Done_FreeType(m_library);
        }
    }
    FreetypeTextRenderer(const FreetypeTextRenderer&) = delete;
    FreetypeTextRenderer& operator=(const FreetypeTextRenderer&) = delete;

    double setFontSize(double points) override {
        openFont();
        // 96 dots per inch: a point is 4/3 of a pixel. The size is kept in
        // whole pixels, where hinting draws the cleanest stems, and the size
        // in points is read back from there: placement works with the size
        // the text was really drawn at.
        const double pixels = std::nearbyint(points * 4.0 / 3.0);
        const int px = static_cast<int>(std::clamp(std::isfinite(pixels) ? pixels : 1.0, 1.0,
                                                   static_cast<double>(kMaxPixelSize)));
        enforce(FT_Set_Pixel_Sizes(m_face, 0, static_cast<FT_UInt>(px)) == 0, [&] {
            return fontError("Schriftgröße " + std::to_string(px) + " px nicht möglich");
        });
        m_ascender = static_cast<int>(m_face->size->metrics.ascender >> 6);
        m_lineHeight = static_cast<int>(
            (m_face->size->metrics.ascender - m_face->size->metrics.descender) >> 6);
        m_sizeSet = true;
        return px * 0.75;
    }

    TextExtent measure(std::string_view text) override {
        requireSize();
        const std::vector<std::string_view> lines = splitLines(text);
        TextExtent extent;
        for (const std::string_view line : lines) {
            long width = 0;
            for (const char32_t cp : utf8CodePoints(line)) {
                if (loadGlyph(cp, FT_LOAD_DEFAULT)) {
                    width += m_face->glyph->advance.x >> 6;
                }
            }
            extent.width = static_cast<int>(std::max<long>(extent.width, width));
        }
        extent.height = m_lineHeight * static_cast<int>(lines.size());
        return extent;
    }

    void draw(Surface& target, std::string_view text, Bgr colour) override {
        requireSize();
        int lineTop = 0;
        for (const std::string_view line : splitLines(text)) {
            const int baseline = lineTop + m_ascender;
            long penX = 0;
            for (const char32_t cp : utf8CodePoints(line)) {
                if (!loadGlyph(cp, FT_LOAD_RENDER)) {
                    continue;
                }
                const FT_GlyphSlot g = m_face->glyph;
                blendCoverage(target, g->bitmap, static_cast<int>(penX) + g->bitmap_left,
                              baseline - g->bitmap_top, colour);
                penX += g->advance.x >> 6;
            }
            lineTop += m_lineHeight;
        }
    }

private:
    void openFont() {
        if (m_face != nullptr) {
            return;
        }
        enforce(m_failure.empty(), [&] { return fontError(m_failure); });
        const std::string file = findFontFile();
        if (FT_Init_FreeType(&m_library) != 0) {
            m_library = nullptr;
            m_failure = "FreeType lässt sich nicht starten";
        } else if (FT_New_Face(m_library, file.c_str(), m_faceIndex, &m_face) != 0 ||
                   !FT_IS_SCALABLE(m_face)) {
            if (m_face != nullptr) {
                FT_Done_Face(m_face);
                m_face = nullptr;
            }
            m_failure = "Schriftdatei " + file + " lässt sich nicht öffnen";
        }
        enforce(m_failure.empty(), [&] { return fontError(m_failure); });
    }

    // The file fontconfig chooses for "Arial" bold. Debian maps Arial to the
    // metric-compatible Liberation Sans (fonts-liberation2).
    std::string findFontFile() {
        // Renderers of parallel jobs look up their font one after another;
        // fontconfig's initialisation is not safe to run twice at once.
        static std::mutex lookUp;
        const std::lock_guard lock(lookUp);
        std::string file;
        FcConfig* config = FcInitLoadConfigAndFonts();
        FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(kFontPattern));
        if (config != nullptr && pattern != nullptr) {
            FcConfigSubstitute(config, pattern, FcMatchPattern);
            FcDefaultSubstitute(pattern);
            FcResult result = FcResultNoMatch;
            FcPattern* match = FcFontMatch(config, pattern, &result);
            FcChar8* path = nullptr;
            int index = 0;
            if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
                file = reinterpret_cast<const char*>(path);
                if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) {
                    m_faceIndex = index;
                }
            }
            if (match != nullptr) {
                FcPatternDestroy(match);
            }
        }
        if (pattern != nullptr) {
            FcPatternDestroy(pattern);
        }
        if (config != nullptr) {
            FcConfigDestroy(config);
        }
        if (file.empty()) {
            m_failure =
                "keine Schrift für \"Arial\" fett gefunden (fontconfig und fonts-liberation2 "
                "installieren)";
            throw fontError(m_failure);
        }
        return file;
    }

    void requireSize() const {
        enforce(m_sizeSet, [] { return fontError("Schriftgröße nicht gesetzt"); });
    }

    [[nodiscard]] bool loadGlyph(char32_t cp, FT_Int32 flags) {
        const FT_UInt index = FT_Get_Char_Index(m_face, cp);
        return FT_Load_Glyph(m_face, index, flags) == 0;
    }

    // Lays a glyph's coverage over the target: each pixel moves from what is
    // there towards the colour in proportion to how much the glyph covers it.
    static void blendCoverage(Surface& target, const FT_Bitmap& bitmap, int left, int top,
                              Bgr colour) {
        if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) {
            return;
        }
        const int rows = static_cast<int>(bitmap.rows);
        const int cols = static_cast<int>(bitmap.width);
        for (int r = std::max(0, -top); r < rows && top + r < target.height(); ++r) {
            const unsigned char* cov =
                bitmap.buffer + static_cast<std::ptrdiff_t>(r) * bitmap.pitch;
            std::uint8_t* out = target.row(top + r);
            for (int c = std::max(0, -left); c < cols && left + c < target.width(); ++c) {
                const int a = cov[c];
                if (a == 0) {
                    continue;
                }
                std::uint8_t* p = out + (left + c) * Surface::kBytesPerPixel;
                const auto mix = [a](int under, int over) {
                    return static_cast<std::uint8_t>((under * (255 - a) + over * a + 127) / 255);
                };
                p[0] = mix(p[0], colour.b);
                p[1] = mix(p[1], colour.g);
                p[2] = mix(p[2], colour.r);
            }
        }
    }

    FT_Library m_library = nullptr;
    FT_Face m_face = nullptr;
    int m_faceIndex = 0;
    std::string m_failure;
    bool m_sizeSet = false;
    int m_ascender = 0;
    int m_lineHeight = 0;
};

}  // namespace

std::unique_ptr<TextRenderer> makeSystemTextRenderer() {
    return std::make_unique<FreetypeTextRenderer>();
}

}  // namespace vendrik
