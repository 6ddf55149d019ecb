#include "imaging/picture_loader.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

#include "common/regular_file.h"
#include "imaging/picture_decoders.h"
#include "imaging/pnm_reader.h"

namespace vendrik {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Turns the decoded pixels into sRGB from the profile a decoder reported.
void settleColours(LoadedPicture& picture, const LoadOptions& options) {
    if (picture.colour.outcome == ColourOutcome::NoProfile && !picture.iccProfile.empty() &&
        !(options.convertColours && options.deferColourConversion)) {
        picture.colour = options.convertColours
                             ? convertToSrgb(picture.pixels, picture.iccProfile, picture.channels)
                             : ColourReport{ColourOutcome::NotConverted, {}};
    }
    if (options.colourReport != nullptr) {
        *options.colourReport = picture.colour;
    }
}

// The major brands (ISO/IEC 23008-12 and the AVIF specification) of still
// pictures and of sequences whose primary image is a still picture.
bool isHeifBrand(const unsigned char* brand) noexcept {
    static constexpr std::array<std::string_view, 12> kBrands{
        "heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "mif2", "msf1", "miaf", "avif",
        "avis"};
    const std::string_view b(reinterpret_cast<const char*>(brand), 4);
    return std::find(kBrands.begin(), kBrands.end(), b) != kBrands.end();
}

}  // namespace

namespace decoders {

void takeEmbeddedProfile(LoadedPicture& out, const std::uint8_t* bytes, std::size_t length,
                         PictureChannels channels) {
    out.channels = channels;
    if (bytes == nullptr || length == 0) {
        return;
    }
    if (length > kMaxProfileBytes) {
        out.colour = {ColourOutcome::Ignored, "Farbprofil zu groß (höchstens 4 MB), ignoriert"};
        return;
    }
    out.iccProfile.assign(bytes, bytes + length);
}

Result<void> checkPictureSize(std::int64_t width, std::int64_t height) {
    if (width <= 0 || height <= 0) {
        return Failure{"ungültige Bildgröße im Dateikopf"};
    }
    if (!withinPictureLimits(width, height)) {
        return Failure{"Bild zu groß (" + std::to_string(width) + " x " + std::to_string(height) +
                       " Pixel; höchstens 100 Megapixel und 65500 Pixel je Seite)"};
    }
    return {};
}

void reserveDecodeMemory(const LoadOptions& options, int width, int height, int copies,
                         std::size_t working) {
    if (options.reserveMemory) {
        DecodeMemory memory;
        memory.picture = Surface::paddedStride(width) * static_cast<std::size_t>(height);
        memory.copies = copies;
        memory.working = working;
        options.reserveMemory(memory);
    }
}

Result<void> allocateSurface(Surface& out, int width, int height) {
    try {
        out = Surface(width, height);
    } catch (const std::bad_alloc&) {
        return Failure{"nicht genug Speicher für " + std::to_string(width) + " x " +
                       std::to_string(height) + " Pixel"};
    }
    return {};
}

Result<void> allocatePixels(LoadedPicture& out, int width, int height, const LoadOptions& options,
                            int copies, std::size_t working) {
    reserveDecodeMemory(options, width, height, copies, working);
    return allocateSurface(out.pixels, width, height);
}

}  // namespace decoders

std::optional<PictureFormat> sniffPictureFormat(const unsigned char* head,
                                                std::size_t size) noexcept {
    auto starts = [&](const char* magic, std::size_t n) {
        return size >= n && std::memcmp(head, magic, n) == 0;
    };
    if (starts("\xFF\xD8\xFF", 3)) {
        return PictureFormat::Jpeg;
    }
    if (starts("\x89PNG\r\n\x1A\n", 8)) {
        return PictureFormat::Png;
    }
    if (starts("II*\0", 4) || starts("MM\0*", 4)) {
        return PictureFormat::Tiff;
    }
    if (starts("GIF87a", 6) || starts("GIF89a", 6)) {
        return PictureFormat::Gif;
    }
    if (starts("BM", 2)) {
        return PictureFormat::Bmp;
    }
    if (starts("P5", 2) || starts("P6", 2)) {
        return PictureFormat::Pnm;
    }
    if (starts("RIFF", 4) && size >= 12 && std::memcmp(head + 8, "WEBP", 4) == 0) {
        return PictureFormat::Webp;
    }
    if (size >= 12 && std::memcmp(head + 4, "ftyp", 4) == 0 && isHeifBrand(head + 8)) {
        return PictureFormat::Heif;
    }
    return std::nullopt;
}

namespace {

// Decodes the picture in the open file `fd`, read from its start; the
// descriptor is closed either way.
Result<LoadedPicture> loadOpened(int fd, const LoadOptions& options) {
    std::unique_ptr<std::FILE, FileCloser> file(::fdopen(fd, "rb"));
    if (!file) {
        const int error = errno;
        ::close(fd);
        return Failure{"Datei nicht lesbar: " + systemErrorText(error)};
    }
    unsigned char head[16] = {};
    const std::size_t got = std::fread(head, 1, sizeof head, file.get());
    if (got < sizeof head && std::ferror(file.get())) {
        return Failure{"Datei nicht lesbar: " + systemErrorText(errno)};
    }
    const auto format = sniffPictureFormat(head, got);
    if (!format) {
        return Failure{
            "kein unterstütztes Bildformat (JPEG, PNG, TIFF, GIF, BMP, HEIC, AVIF oder WebP)"};
    }
    std::rewind(file.get());

    LoadedPicture out;
    out.format = *format;
    Result<void> decoded;
    switch (*format) {
        case PictureFormat::Jpeg:
            decoded = decoders::decodeJpeg(file.get(), options, out);
            break;
        case PictureFormat::Png:
            decoded = decoders::decodePng(file.get(), options, out);
            break;
        case PictureFormat::Tiff:
            decoded = decoders::decodeTiff(fd, options, out);
            break;
        case PictureFormat::Gif:
            decoded = decoders::decodeGif(file.get(), options, out);
            break;
        case PictureFormat::Bmp:
            decoded = decoders::decodeBmp(file.get(), options, out);
            break;
        case PictureFormat::Heif:
            decoded = decoders::decodeHeif(file.get(), options, out);
            break;
        case PictureFormat::Webp:
            decoded = decoders::decodeWebp(file.get(), options, out);
            break;
        case PictureFormat::Pnm: {
            PnmLimits limits;
            limits.maxPixels = kMaxPicturePixels;
            limits.maxSide = kMaxPictureSide;
            limits.beforeAllocating = [&](int width, int height, std::size_t rowBuffer) {
                decoders::reserveDecodeMemory(options, width, height, 1, rowBuffer);
            };
            Result<PnmImage> pnm = readPnm(file.get(), limits);
            if (pnm) {
                out.pixels = std::move(pnm->surface);
            } else {
                decoded = pnm.failure();
            }
            break;
        }
    }
    if (!decoded) {
        return decoded.failure();
    }
    if (out.width == 0) {
        out.width = out.pixels.width();
        out.height = out.pixels.height();
    }
    settleColours(out, options);
    return out;
}

}  // namespace

Result<LoadedPicture> loadPicture(const std::string& path, const LoadOptions& options) {
    // Only an ordinary file, opened without waiting: a FIFO named like a
    // picture would hold the run up for ever.
    RegularFile regular(path);
    if (!regular.isOpen()) {
        return Failure{regular.problem()};
    }
    if (regular.size() == 0) {
        return Failure{"Datei ist leer"};
    }
    return loadOpened(regular.release(), options);
}

Result<LoadedPicture> loadPicture(std::span<const std::uint8_t> bytes, const LoadOptions& options) {
    if (bytes.empty()) {
        return Failure{"Datei ist leer"};
    }
    // The decoders read files (libtiff even a descriptor); an anonymous
    // file in memory serves them all without a name on disk.
    const int fd = ::memfd_create("vendrik-picture", MFD_CLOEXEC);
    if (fd < 0) {
        return Failure{"Datei nicht lesbar: " + systemErrorText(errno)};
    }
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            ::close(fd);
            return Failure{"Datei nicht lesbar: " + systemErrorText(error)};
        }
        written += static_cast<std::size_t>(n);
    }
    if (::lseek(fd, 0, SEEK_SET) != 0) {
        const int error = errno;
        ::close(fd);
        return Failure{"Datei nicht lesbar: " + systemErrorText(error)};
    }
    return loadOpened(fd, options);
}

}  // namespace vendrik
