// cJpeg's construction and settings: quality, sampling factors, comment.

#include "jpeg/cJpeg.h"

#include <algorithm>

#include "common/cp1252.h"
#include "jpeg/jpeg_error.h"

namespace vendrik {

cJpeg::cJpeg() {
    SetSamplingFrequencies(1, 1, 1, 1, 1, 1);
    Quality(95);
}

void cJpeg::Quality(int vData) {
    if (vData < 1 || vData > 100) {
        return;
    }
    const bool strong = m_compression == JpegCompression::Strong;
    const bool halvedChroma = std::any_of(m_components.begin() + 1, m_components.end(),
                                          [this](const jpeg::JpegComponent& c) {
                                              return c.H < m_hmax || c.V < m_vmax;
                                          });
    const jpeg::QuantValues lum = strong ? jpeg::strongQuantTable(vData, false, false)
                                         : jpeg::scaleQuantTable(jpeg::kLuminanceBase,
                                                                 jpeg::qualityScale(vData));
    const jpeg::QuantValues chrom = strong ? jpeg::strongQuantTable(vData, true, halvedChroma)
                                           : jpeg::scaleQuantTable(jpeg::kChrominanceBase,
                                                                   jpeg::qualityScale(vData));
    // Divisors first, so a table that fails the range check changes nothing.
    const jpeg::Divisors lumDiv = jpeg::prepareDivisors(lum, m_precision);
    const jpeg::Divisors chromDiv = jpeg::prepareDivisors(chrom, m_precision);
    m_quality = vData;
    m_quant[0] = lum;
    m_quant[1] = chrom;
    m_divisors[0] = lumDiv;
    m_divisors[1] = chromDiv;
}

void cJpeg::setCompression(JpegCompression mode) {
    m_compression = mode;
    Quality(m_quality);
}

void cJpeg::SetSamplingFrequencies(int H1, int V1, int H2, int V2, int H3, int V3) {
    const auto inRange = [](int f) { return f >= 1 && f <= 4; };
    const auto invalid = jpegError(JpegErrc::InvalidSamplingValue);
    enforce(inRange(H1) && inRange(V1), invalid);

    std::vector<jpeg::JpegComponent> comps;
    if (H2 != 0 || V2 != 0 || H3 != 0 || V3 != 0) {
        enforce(inRange(H2) && inRange(V2) && inRange(H3) && inRange(V3), invalid);
        comps.resize(3);
        comps[0].H = H1;
        comps[0].V = V1;
        comps[1].H = H2;
        comps[1].V = V2;
        comps[1].Tq = 1;
        comps[2].H = H3;
        comps[2].V = V3;
        comps[2].Tq = 1;
    } else {
        // A grey file has one component; its factors are 1 × 1 whatever was
        // asked (a single component is never subsampled).
        comps.resize(1);
        comps[0].H = 1;
        comps[0].V = 1;
    }
    m_components = std::move(comps);
    m_hmax = 1;
    m_vmax = 1;
    for (const auto& c : m_components) {
        m_hmax = std::max(m_hmax, c.H);
        m_vmax = std::max(m_vmax, c.V);
    }
    // The strong chrominance table depends on the sampling.
    Quality(m_quality);
}

void cJpeg::Comment(const std::string& value) {
    // Characters, not UTF-8 bytes: the file holds one byte per character.
    enforce(utf8ToCp1252(value).size() <= static_cast<std::size_t>(kMaxCommentLength),
            jpegError(JpegErrc::IllegalCommentLength));
    m_comment = value;
}

}  // namespace vendrik
