#pragma once
// Arrays for pictures and coefficient planes: tens of megabytes each,
// touched once from end to end. Above a few megabytes they come straight from
// the kernel, asking for transparent huge pages: a 12-megapixel picture then
// costs a few dozen page faults instead of tens of thousands, which is a good
// part of the time of encoding it. Memory from the kernel is already zero.

#include <cstddef>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

namespace vendrik {

namespace detail {
// Returns zeroed memory of at least `bytes`; throws std::bad_alloc.
void* allocateLarge(std::size_t bytes);
void freeLarge(void* p, std::size_t bytes) noexcept;
}  // namespace detail

template <typename T>
class LargeArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    LargeArray() = default;
    // n zero-initialised elements.
    explicit LargeArray(std::size_t n) : m_size(n) {
        if (n > 0) {
            if (n > static_cast<std::size_t>(-1) / sizeof(T)) {
                throw std::bad_alloc();
            }
            m_data = static_cast<T*>(detail::allocateLarge(n * sizeof(T)));
        }
    }
    ~LargeArray() { release(); }
    LargeArray(LargeArray&& o) noexcept
        : m_data(std::exchange(o.m_data, nullptr)), m_size(std::exchange(o.m_size, 0)) {}
    LargeArray& operator=(LargeArray&& o) noexcept {
        if (this != &o) {
            release();
            m_data = std::exchange(o.m_data, nullptr);
            m_size = std::exchange(o.m_size, 0);
        }
        return *this;
    }
    LargeArray(const LargeArray&) = delete;
    LargeArray& operator=(const LargeArray&) = delete;

    [[nodiscard]] LargeArray clone() const {
        LargeArray copy(m_size);
        if (m_size > 0) {
            std::memcpy(copy.m_data, m_data, m_size * sizeof(T));
        }
        return copy;
    }

    [[nodiscard]] std::size_t size() const noexcept { return m_size; }
    [[nodiscard]] bool empty() const noexcept { return m_size == 0; }
    [[nodiscard]] T* data() noexcept { return m_data; }
    [[nodiscard]] const T* data() const noexcept { return m_data; }
    T& operator[](std::size_t i) noexcept { return m_data[i]; }
    const T& operator[](std::size_t i) const noexcept { return m_data[i]; }
    T* begin() noexcept { return m_data; }
    T* end() noexcept { return m_data + m_size; }
    const T* begin() const noexcept { return m_data; }
    const T* end() const noexcept { return m_data + m_size; }

private:
    void release() noexcept {
        if (m_data != nullptr) {
            detail::freeLarge(m_data, m_size * sizeof(T));
            m_data = nullptr;
            m_size = 0;
        }
    }

    T* m_data = nullptr;
    std::size_t m_size = 0;
};

}  // namespace vendrik
