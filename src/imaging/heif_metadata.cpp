#include "imaging/heif_metadata.h"

#include <libheif/heif.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

namespace vendrik {
namespace {

// libheif reads through these, from the descriptor with pread: only the
// boxes it parses and the items asked for, not the coded pictures.
struct FdSource {
    int fd = -1;
    std::int64_t size = 0;
    std::int64_t position = 0;
};

std::int64_t sourcePosition(void* userData) {
    return static_cast<FdSource*>(userData)->position;
}

int sourceRead(void* data, std::size_t size, void* userData) {
    auto* s = static_cast<FdSource*>(userData);
    auto* out = static_cast<std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t got = ::pread(s->fd, out, size, s->position);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return 1;
        }
        out += got;
        size -= static_cast<std::size_t>(got);
        s->position += got;
    }
    return 0;
}

int sourceSeek(std::int64_t position, void* userData) {
    auto* s = static_cast<FdSource*>(userData);
    if (position < 0 || position > s->size) {
        return 1;
    }
    s->position = position;
    return 0;
}

heif_reader_grow_status sourceGrow(std::int64_t target, void* userData) {
    return target > static_cast<FdSource*>(userData)->size ? heif_reader_grow_status_size_beyond_eof
                                                           : heif_reader_grow_status_size_reached;
}

constexpr heif_reader kFdReader = {1, sourcePosition, sourceRead, sourceSeek, sourceGrow};

struct ContextFree {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleRelease {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};

std::string problemOf(const heif_error& e) {
    std::string m = e.message != nullptr ? e.message : "";
    while (!m.empty() && (m.back() == '\n' || m.back() == ' ')) {
        m.pop_back();
    }
    return "HEIF-Metadaten nicht lesbar: " + m;
}

// The first item of `type` (and, when given, `contentType`) of the picture.
std::optional<heif_item_id> firstItem(const heif_image_handle* handle, const char* type,
                                      std::string_view contentType) {
    const int count = heif_image_handle_get_number_of_metadata_blocks(handle, type);
    if (count <= 0) {
        return std::nullopt;
    }
    std::vector<heif_item_id> ids(static_cast<std::size_t>(count));
    const int got = heif_image_handle_get_list_of_metadata_block_IDs(handle, type, ids.data(), count);
    for (int i = 0; i < got && i < count; ++i) {
        const char* content = heif_image_handle_get_metadata_content_type(handle, ids[static_cast<std::size_t>(i)]);
        if (contentType.empty() || (content != nullptr && contentType == content)) {
            return ids[static_cast<std::size_t>(i)];
        }
    }
    return std::nullopt;
}

// Reads an item when it is at most `maxItem` bytes; its size is told anyway.
bool readItem(const heif_image_handle* handle, heif_item_id id, std::size_t maxItem,
              std::vector<std::uint8_t>& out, std::size_t& size, std::string& error) {
    size = heif_image_handle_get_metadata_size(handle, id);
    if (size > maxItem) {
        return true;
    }
    out.resize(size);
    const heif_error e = heif_image_handle_get_metadata(handle, id, out.data());
    if (e.code != heif_error_Ok) {
        error = problemOf(e);
        return false;
    }
    return true;
}

}  // namespace

std::optional<HeifMetadata> readHeifMetadata(int fd, std::size_t maxItem, std::string& error) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        error = "HEIF-Metadaten nicht lesbar: " + std::string(std::strerror(errno));
        return std::nullopt;
    }
    FdSource source{fd, static_cast<std::int64_t>(st.st_size), 0};
    try {
        std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
        if (!context) {
            error = "nicht genug Speicher für den HEIF-Leser";
            return std::nullopt;
        }
        heif_error e = heif_context_read_from_reader(context.get(), &kFdReader, &source, nullptr);
        if (e.code != heif_error_Ok) {
            error = problemOf(e);
            return std::nullopt;
        }
        heif_image_handle* rawHandle = nullptr;
        e = heif_context_get_primary_image_handle(context.get(), &rawHandle);
        const std::unique_ptr<heif_image_handle, HandleRelease> handle(rawHandle);
        if (e.code != heif_error_Ok) {
            error = problemOf(e);
            return std::nullopt;
        }
        HeifMetadata out;
        if (const auto exif = firstItem(handle.get(), "Exif", {})) {
            std::vector<std::uint8_t> item;
            if (!readItem(handle.get(), *exif, maxItem, item, out.exifSize, error)) {
                return std::nullopt;
            }
            // ISO/IEC 23008-12, A.2.1: a 32-bit big-endian offset from the
            // end of this field to the TIFF header.
            if (item.size() >= 4) {
                const std::size_t offset = std::size_t{item[0]} << 24 | std::size_t{item[1]} << 16 |
                                           std::size_t{item[2]} << 8 | item[3];
                if (offset > item.size() - 4) {
                    error = "HEIF-Metadaten beschädigt: EXIF-Beginn hinter dem Ende";
                    return std::nullopt;
                }
                std::size_t start = 4 + offset;
                // Some writers count the offset to "Exif\0\0", not past it.
                if (item.size() - start >= 6 && std::memcmp(&item[start], "Exif\0\0", 6) == 0) {
                    start += 6;
                }
                out.exif.assign(item.begin() + static_cast<std::ptrdiff_t>(start), item.end());
            }
        }
        if (const auto xmp = firstItem(handle.get(), "mime", "application/rdf+xml")) {
            std::vector<std::uint8_t> item;
            if (!readItem(handle.get(), *xmp, maxItem, item, out.xmpSize, error)) {
                return std::nullopt;
            }
            out.xmp.assign(item.begin(), item.end());
        }
        return out;
    } catch (const std::bad_alloc&) {
        error = "nicht genug Speicher für die HEIF-Metadaten";
        return std::nullopt;
    }
}

}  // namespace vendrik
