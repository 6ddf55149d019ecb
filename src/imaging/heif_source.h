#pragma once
// libheif reading a HEIF file through its descriptor: only the boxes it
// parses and the data of the items asked for come into memory (with pread,
// so the descriptor's offset stays where it was), never the whole file.
// The picture decoder and the metadata reader both open files this way.

#include <libheif/heif.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "common/result.h"
#include "imaging/heif_handles.h"

namespace vendrik {


// libheif's own text of a failure, without the line break it sometimes ends
// with.
[[nodiscard]] std::string heifMessage(const heif_error& e);

// libheif's reading of the item boxes grows with the square of the items a
// file declares (20,000 items take half a minute). A phone's 48-megapixel
// picture declares a few hundred: its tiles, a thumbnail, gain maps and
// metadata. A file declaring more is refused before libheif reads it.
inline constexpr std::uint32_t kMaxHeifItems = 2000;

class HeifSource {
public:
    // Reads from `fd`, `size` bytes long; neither is owned.
    HeifSource(int fd, std::int64_t size) : m_fd(fd), m_size(size) {}

    // Reads the file's boxes into `context`. A file declaring more than
    // kMaxHeifItems items fails with a reason of its own; libheif's failures
    // come back through `problem`, which turns them into a reason.
    [[nodiscard]] Result<void> read(heif_context* context,
                                    const std::function<std::string(const heif_error&)>& problem);

    // The number of items the file's item information box declares, read
    // from the boxes' heads alone; 0 when there is no such box (libheif then
    // says what is wrong).
    [[nodiscard]] std::uint64_t declaredItems() const;

    std::int64_t size() const noexcept { return m_size; }

private:
    static std::int64_t position(void* self);
    static int readInto(void* data, std::size_t size, void* self);
    static int seek(std::int64_t position, void* self);
    static heif_reader_grow_status grow(std::int64_t target, void* self);
    bool readAt(std::int64_t at, void* data, std::size_t size) const;

    int m_fd;
    std::int64_t m_size;
    std::int64_t m_position = 0;
};

}  // namespace vendrik
