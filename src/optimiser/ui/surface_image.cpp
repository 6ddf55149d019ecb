#include "optimiser/ui/surface_image.h"

#include <cstring>

namespace vendrik {

QImage imageOf(const Surface& surface) {
    if (surface.empty()) {
        return {};
    }
    QImage image(surface.width(), surface.height(), QImage::Format_BGR888);
    if (image.isNull()) {
        return {};
    }
    const auto rowBytes = static_cast<std::size_t>(surface.width()) * Surface::kBytesPerPixel;
    for (int y = 0; y < surface.height(); ++y) {
        std::memcpy(image.scanLine(y), surface.row(y), rowBytes);
    }
    return image;
}

QImage opaqueImageOf(const Surface& surface) {
    if (surface.empty()) {
        return {};
    }
    QImage image(surface.width(), surface.height(), QImage::Format_RGB32);
    if (image.isNull()) {
        return {};
    }
    for (int y = 0; y < surface.height(); ++y) {
        const std::uint8_t* in = surface.row(y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < surface.width(); ++x, in += Surface::kBytesPerPixel) {
            out[x] = qRgb(in[2], in[1], in[0]);
        }
    }
    return image;
}

}  // namespace vendrik
