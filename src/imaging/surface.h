#pragma once
// A Surface is a rectangle of 24-bit pixels in memory: the role device
// contexts and DIB sections play for drawing. Pixels are stored blue, green,
// red, as in a 24-bit DIB, so a cImage's bottom-up bitmap can be handed out as
// a Surface view without copying. Rows are addressed top-down whatever the
// memory order; a negative stride describes bottom-up memory.
//
// A Surface either owns its pixels (move-only; copies are explicit through
// clone()) or views memory owned by someone else, who must keep it alive.

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "common/large_array.h"

namespace vendrik {

struct Bgr {
    std::uint8_t b = 0;
    std::uint8_t g = 0;
    std::uint8_t r = 0;
    friend bool operator==(const Bgr&, const Bgr&) = default;
};

class Surface {
public:
    static constexpr int kBytesPerPixel = 3;

    Surface() = default;
    // An owning surface, all black. Rows are padded to 4 bytes as DIB rows
    // are. Throws std::bad_alloc when the memory cannot be had.
    Surface(int width, int height);
    // A view of foreign memory; `topRow` is the first byte of the top row.
    static Surface view(std::uint8_t* topRow, int width, int height, std::ptrdiff_t stride);

    Surface(Surface&&) noexcept = default;
    Surface& operator=(Surface&&) noexcept = default;
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    [[nodiscard]] Surface clone() const;

    [[nodiscard]] int width() const noexcept { return m_width; }
    [[nodiscard]] int height() const noexcept { return m_height; }
    [[nodiscard]] std::ptrdiff_t stride() const noexcept { return m_stride; }
    [[nodiscard]] bool empty() const noexcept { return m_width <= 0 || m_height <= 0; }
    [[nodiscard]] bool ownsPixels() const noexcept { return !m_owned.empty(); }

    [[nodiscard]] std::uint8_t* row(int y) noexcept {
        assert(y >= 0 && y < m_height);
        return m_top + y * m_stride;
    }
    [[nodiscard]] const std::uint8_t* row(int y) const noexcept {
        assert(y >= 0 && y < m_height);
        return m_top + y * m_stride;
    }

    [[nodiscard]] Bgr pixel(int x, int y) const noexcept {
        assert(x >= 0 && x < m_width);
        const std::uint8_t* p = row(y) + x * kBytesPerPixel;
        return {p[0], p[1], p[2]};
    }
    void setPixel(int x, int y, Bgr c) noexcept {
        assert(x >= 0 && x < m_width);
        std::uint8_t* p = row(y) + x * kBytesPerPixel;
        p[0] = c.b;
        p[1] = c.g;
        p[2] = c.r;
    }

    // Colour values as the rest of the system writes them: &H00BBGGRR.
    [[nodiscard]] static Bgr fromColorRef(std::uint32_t rgb) noexcept {
        return {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                static_cast<std::uint8_t>(rgb)};
    }

    void fill(Bgr c) noexcept;

    // Row stride of an owning surface of this width: 3 bytes a pixel, padded
    // to a multiple of 4 as a DIB row is.
    [[nodiscard]] static std::size_t paddedStride(int width) noexcept {
        return (static_cast<std::size_t>(width) * kBytesPerPixel + 3) & ~static_cast<std::size_t>(3);
    }

private:
    LargeArray<std::uint8_t> m_owned;
    std::uint8_t* m_top = nullptr;
    int m_width = 0;
    int m_height = 0;
    std::ptrdiff_t m_stride = 0;
};

}  // namespace vendrik
