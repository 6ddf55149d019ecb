#include "imaging/surface.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vendrik {

Surface::Surface(int width, int height) {
    if (width <= 0 || height <= 0) {
        return;
    }
    const std::size_t stride = paddedStride(width);
    m_owned = LargeArray<std::uint8_t>(stride * static_cast<std::size_t>(height));
    m_top = m_owned.data();
    m_width = width;
    m_height = height;
    m_stride = static_cast<std::ptrdiff_t>(stride);
}

Surface Surface::view(std::uint8_t* topRow, int width, int height, std::ptrdiff_t stride) {
    Surface s;
    if (topRow == nullptr || width <= 0 || height <= 0) {
        return s;
    }
    s.m_top = topRow;
    s.m_width = width;
    s.m_height = height;
    s.m_stride = stride;
    return s;
}

Surface Surface::clone() const {
    Surface copy(m_width, m_height);
    const std::size_t rowBytes = static_cast<std::size_t>(m_width) * kBytesPerPixel;
    for (int y = 0; y < m_height; ++y) {
        std::memcpy(copy.row(y), row(y), rowBytes);
    }
    return copy;
}

void Surface::fill(Bgr c) noexcept {
    for (int y = 0; y < m_height; ++y) {
        std::uint8_t* p = row(y);
        for (int x = 0; x < m_width; ++x, p += kBytesPerPixel) {
            p[0] = c.b;
            p[1] = c.g;
            p[2] = c.r;
        }
    }
}

}  // namespace vendrik
