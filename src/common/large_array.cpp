#include "common/large_array.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace vendrik::detail {
namespace {

// Below this, the ordinary allocator is as fast and wastes less.
constexpr std::size_t kMapThreshold = std::size_t{4} << 20;
constexpr std::size_t kHugePage = std::size_t{2} << 20;

#if defined(__SANITIZE_ADDRESS__)
// Under AddressSanitizer every allocation goes through its allocator, so that
// overruns of pictures and coefficient planes are caught.
constexpr bool kUseMmap = false;
#else
constexpr bool kUseMmap = true;
#endif

}  // namespace

void* allocateLarge(std::size_t bytes) {
    if (!kUseMmap || bytes < kMapThreshold) {
        void* p = std::calloc(bytes, 1);
        if (p == nullptr) {
            throw std::bad_alloc();
        }
        return p;
    }
    // Huge pages need 2 MiB alignment: map one page more and trim.
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* raw = ::mmap(nullptr, rounded + kHugePage, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) {
        throw std::bad_alloc();
    }
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
    if (aligned > start) {
        ::munmap(raw, aligned - start);
    }
    const std::uintptr_t end = start + rounded + kHugePage;
    if (end > aligned + rounded) {
        ::munmap(reinterpret_cast<void*>(aligned + rounded), end - (aligned + rounded));
    }
    void* p = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
    ::madvise(p, rounded, MADV_HUGEPAGE);
#endif
    return p;
}

void freeLarge(void* p, std::size_t bytes) noexcept {
    if (!kUseMmap || bytes < kMapThreshold) {
        std::free(p);
        return;
    }
    ::munmap(p, (bytes + kHugePage - 1) / kHugePage * kHugePage);
}

}  // namespace vendrik::detail
