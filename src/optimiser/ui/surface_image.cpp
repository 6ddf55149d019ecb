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

}  // namespace vendrik
