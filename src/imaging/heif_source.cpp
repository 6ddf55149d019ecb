#include "imaging/heif_source.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <optional>

namespace vendrik {
namespace {

std::uint64_t bigEndian(const std::uint8_t* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) {
        v = v << 8 | p[i];
    }
    return v;
}

struct BoxHead {
    std::int64_t start = 0;
    std::int64_t body = 0;  // where the box's content begins
    std::int64_t end = 0;
};

}  // namespace

std::string heifMessage(const heif_error& e) {
    std::string m = e.message != nullptr ? e.message : "";
    while (!m.empty() && (m.back() == '\n' || m.back() == ' ')) {
        m.pop_back();
    }
    return m;
}

bool HeifSource::readAt(std::int64_t at, void* data, std::size_t size) const {
    auto* out = static_cast<std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t got = ::pread(m_fd, out, size, at);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        out += got;
        at += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

std::int64_t HeifSource::position(void* self) {
    return static_cast<HeifSource*>(self)->m_position;
}

int HeifSource::readInto(void* data, std::size_t size, void* self) {
    auto* s = static_cast<HeifSource*>(self);
    if (!s->readAt(s->m_position, data, size)) {
        return 1;
    }
    s->m_position += static_cast<std::int64_t>(size);
    return 0;
}

int HeifSource::seek(std::int64_t position, void* self) {
    auto* s = static_cast<HeifSource*>(self);
    if (position < 0 || position > s->m_size) {
        return 1;
    }
    s->m_position = position;
    return 0;
}

heif_reader_grow_status HeifSource::grow(std::int64_t target, void* self) {
    return target > static_cast<HeifSource*>(self)->m_size ? heif_reader_grow_status_size_beyond_eof
                                                           : heif_reader_grow_status_size_reached;
}

std::uint64_t HeifSource::declaredItems() const {
    // The box of `type` among those from `from` to `to`, found by their
    // heads alone.
    const auto find = [this](std::int64_t from, std::int64_t to,
                             const char* type) -> std::optional<BoxHead> {
        // A file with thousands of boxes before its metadata is no picture.
        for (int boxes = 0; from + 8 <= to && boxes < 1000; ++boxes) {
            std::array<std::uint8_t, 16> head{};
            if (!readAt(from, head.data(), 8)) {
                return std::nullopt;
            }
            std::uint64_t size = bigEndian(head.data(), 4);
            std::int64_t body = from + 8;
            if (size == 1) {
                if (from + 16 > to || !readAt(from + 8, head.data() + 8, 8)) {
                    return std::nullopt;
                }
                size = bigEndian(head.data() + 8, 8);
                body = from + 16;
            } else if (size == 0) {
                size = static_cast<std::uint64_t>(to - from);
            }
            if (size < static_cast<std::uint64_t>(body - from) ||
                size > static_cast<std::uint64_t>(to - from)) {
                return std::nullopt;
            }
            const std::int64_t end = from + static_cast<std::int64_t>(size);
            if (std::memcmp(head.data() + 4, type, 4) == 0) {
                return BoxHead{from, body, end};
            }
            from = end;
        }
        return std::nullopt;
    };
    const std::optional<BoxHead> meta = find(0, m_size, "meta");
    // Both are full boxes: a version and flags before their content.
    const std::optional<BoxHead> info = meta ? find(meta->body + 4, meta->end, "iinf")
                                             : std::nullopt;
    std::array<std::uint8_t, 8> head{};
    if (!info || info->end - info->body < 8 || !readAt(info->body, head.data(), 8)) {
        return 0;
    }
    return head[0] == 0 ? bigEndian(head.data() + 4, 2) : bigEndian(head.data() + 4, 4);
}

Result<void> HeifSource::read(heif_context* context,
                              const std::function<std::string(const heif_error&)>& problem) {
    if (const std::uint64_t items = declaredItems(); items > kMaxHeifItems) {
        return Failure{"HEIF-Datei mit zu vielen Einträgen (" + std::to_string(items) +
                       "; höchstens " + std::to_string(kMaxHeifItems) + ")"};
    }
    static constexpr heif_reader kReader = {1, position, readInto, seek, grow};
    m_position = 0;
    const heif_error e = heif_context_read_from_reader(context, &kReader, this, nullptr);
    if (e.code != heif_error_Ok) {
        return Failure{problem(e)};
    }
    return {};
}

}  // namespace vendrik
