#include "imaging/heif_metadata.h"

#include <libheif/heif.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string_view>

#include "imaging/heif_source.h"

namespace vendrik {
namespace {

std::string problemOf(const heif_error& e) {
    return "HEIF-Metadaten nicht lesbar: " + heifMessage(e);
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
Result<void> readItem(const heif_image_handle* handle, heif_item_id id, std::size_t maxItem,
                      std::vector<std::uint8_t>& out, std::size_t& size) {
    size = heif_image_handle_get_metadata_size(handle, id);
    if (size > maxItem) {
        return {};
    }
    out.resize(size);
    const heif_error e = heif_image_handle_get_metadata(handle, id, out.data());
    if (e.code != heif_error_Ok) {
        return Failure{problemOf(e)};
    }
    return {};
}

}  // namespace

Result<HeifMetadata> readHeifMetadata(int fd, std::size_t maxItem) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return Failure{"HEIF-Metadaten nicht lesbar: " + std::string(std::strerror(errno))};
    }
    HeifSource source(fd, static_cast<std::int64_t>(st.st_size));
    try {
        HeifPtr<heif_context> context(heif_context_alloc());
        if (!context) {
            return Failure{"nicht genug Speicher für den HEIF-Leser"};
        }
        if (Result<void> read = source.read(context.get(), problemOf); !read) {
            return read.failure();
        }
        heif_image_handle* rawHandle = nullptr;
        const heif_error e = heif_context_get_primary_image_handle(context.get(), &rawHandle);
        const HeifPtr<heif_image_handle> handle(rawHandle);
        if (e.code != heif_error_Ok) {
            return Failure{problemOf(e)};
        }
        HeifMetadata out;
        if (const auto exif = firstItem(handle.get(), "Exif", {})) {
            std::vector<std::uint8_t> item;
            if (Result<void> read = readItem(handle.get(), *exif, maxItem, item, out.exifSize);
                !read) {
                return read.failure();
            }
            // ISO/IEC 23008-12, A.2.1: a 32-bit big-endian offset from the
            // end of this field to the TIFF header.
            if (item.size() >= 4) {
                const std::size_t offset = std::size_t{item[0]} << 24 | std::size_t{item[1]} << 16 |
                                           std::size_t{item[2]} << 8 | item[3];
                if (offset > item.size() - 4) {
                    return Failure{"HEIF-Metadaten beschädigt: EXIF-Beginn hinter dem Ende"};
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
            if (Result<void> read = readItem(handle.get(), *xmp, maxItem, item, out.xmpSize);
                !read) {
                return read.failure();
            }
            out.xmp.assign(item.begin(), item.end());
        }
        return out;
    } catch (const std::bad_alloc&) {
        return Failure{"nicht genug Speicher für die HEIF-Metadaten"};
    }
}

}  // namespace vendrik
