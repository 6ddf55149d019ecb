#include "optimiser/ui/surface_image.h"

#include <bit>
#include <cstring>
#include <memory>
#include <new>

#include "common/large_array.h"

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
    static_assert(std::endian::native == std::endian::little);
    if (surface.empty()) {
        return {};
    }
    const int width = surface.width();
    const int height = surface.height();
    // A full-size photograph takes a hundred megabytes here. Qt's own
    // allocation would touch them page by page, tens of thousands of page
    // faults that cost more than the conversion; LargeArray takes them in
    // huge pages.
    std::unique_ptr<LargeArray<QRgb>> memory;
    try {
        memory = std::make_unique<LargeArray<QRgb>>(static_cast<std::size_t>(width) * height);
    } catch (const std::bad_alloc&) {
        return {};
    }
    QRgb* out = memory->data();
    for (int y = 0; y < height; ++y, out += width) {
        const std::uint8_t* in = surface.row(y);
        // Four bytes at a time hold blue, green, red and the next pixel's
        // blue, which the opaque alpha replaces; the row's last pixel is
        // read on its own, as its fourth byte may lie past the row.
        for (int x = 0; x + 1 < width; ++x, in += Surface::kBytesPerPixel) {
            std::uint32_t bgrx = 0;
            std::memcpy(&bgrx, in, sizeof bgrx);
            out[x] = bgrx | 0xff000000U;
        }
        out[width - 1] = qRgb(in[2], in[1], in[0]);
    }
    auto* pixels = reinterpret_cast<uchar*>(memory->data());
    return {pixels,
            width,
            height,
            static_cast<qsizetype>(width) * static_cast<qsizetype>(sizeof(QRgb)),
            QImage::Format_RGB32,
            [](void* owner) { delete static_cast<LargeArray<QRgb>*>(owner); },
            memory.release()};
}

}  // namespace vendrik
