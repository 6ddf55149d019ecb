// WebP through libwebp: a still picture, or the first frame of an animation
// as it is shown (composed onto the animation's canvas), with alpha
// flattened onto white and an EXIF Orientation in the file applied as for
// a JPEG. An embedded ICC profile (the "ICCP" chunk) goes to the loader,
// which converts the pixels to sRGB from it.

#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>
#include <memory>
#include <span>
#include <new>
#include <vector>

#include "imaging/exif_orientation.h"
#include "imaging/interleaved_pixels.h"
#include "imaging/picture_decoders.h"
#include "imaging/surface_ops.h"

namespace vendrik::decoders {
namespace {

struct DemuxDelete {
    void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};
struct AnimDecoderDelete {
    void operator()(WebPAnimDecoder* d) const { WebPAnimDecoderDelete(d); }
};

std::string webpProblem(VP8StatusCode status) {
    switch (status) {
        case VP8_STATUS_OUT_OF_MEMORY:
            return "nicht genug Speicher für das WebP-Bild";
        case VP8_STATUS_NOT_ENOUGH_DATA:
            return "WebP abgeschnitten";
        case VP8_STATUS_UNSUPPORTED_FEATURE:
            return "WebP mit nicht unterstützter Eigenschaft";
        default:
            return "WebP beschädigt";
    }
}

// The EXIF chunk's Orientation, 1 when there is none. The chunk holds the
// TIFF structure itself; some writers put JPEG's "Exif\0\0" before it.
int orientationOf(const WebPData& data) {
    std::unique_ptr<WebPDemuxer, DemuxDelete> demux(WebPDemux(&data));
    if (!demux || (WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS) & EXIF_FLAG) == 0) {
        return 1;
    }
    WebPChunkIterator chunk{};
    if (WebPDemuxGetChunk(demux.get(), "EXIF", 1, &chunk) == 0) {
        return 1;
    }
    const std::span<const std::uint8_t> payload(chunk.chunk.bytes, chunk.chunk.size);
    const bool jpegStyle = payload.size() >= 6 && std::memcmp(payload.data(), "Exif\0\0", 6) == 0;
    const int o = jpegStyle ? exifOrientation(payload) : exifOrientationOfTiff(payload);
    WebPDemuxReleaseChunkIterator(&chunk);
    return o;
}

// The "ICCP" chunk's profile, handed to the loader.
void reportProfile(const WebPData& data, LoadedPicture& out) {
    std::unique_ptr<WebPDemuxer, DemuxDelete> demux(WebPDemux(&data));
    if (!demux || (WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS) & ICCP_FLAG) == 0) {
        return;
    }
    WebPChunkIterator chunk{};
    if (WebPDemuxGetChunk(demux.get(), "ICCP", 1, &chunk) == 0) {
        return;
    }
    // WebP stores colour only.
    takeEmbeddedProfile(out, chunk.chunk.bytes, chunk.chunk.size, PictureChannels::Colour);
    WebPDemuxReleaseChunkIterator(&chunk);
}

// The first frame of an animation on its canvas (w × h, already checked).
Result<void> decodeFirstFrame(const WebPData& data, Surface& out) {
    WebPAnimDecoderOptions decoderOptions;
    if (WebPAnimDecoderOptionsInit(&decoderOptions) == 0) {
        return Failure{"WebP-Leser passt nicht zur Bibliothek"};
    }
    decoderOptions.color_mode = MODE_BGRA;
    decoderOptions.use_threads = 0;
    std::unique_ptr<WebPAnimDecoder, AnimDecoderDelete> decoder(
        WebPAnimDecoderNew(&data, &decoderOptions));
    if (!decoder) {
        return Failure{"WebP-Animation beschädigt"};
    }
    WebPAnimInfo info{};
    if (WebPAnimDecoderGetInfo(decoder.get(), &info) == 0 ||
        static_cast<int>(info.canvas_width) != out.width() ||
        static_cast<int>(info.canvas_height) != out.height()) {
        return Failure{"WebP-Animation beschädigt"};
    }
    std::uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp) == 0 || canvas == nullptr) {
        return Failure{"WebP-Animation beschädigt oder abgeschnitten"};
    }
    copyInterleavedRows(canvas, std::ptrdiff_t{4} * out.width(), ChannelOrder::Bgra, out);
    return {};
}

Result<void> decodeStill(const WebPData& data, bool alpha, Surface& out) {
    WebPDecoderConfig config;
    if (WebPInitDecoderConfig(&config) == 0) {
        return Failure{"WebP-Leser passt nicht zur Bibliothek"};
    }
    if (alpha) {
        config.output.colorspace = MODE_BGRA;  // libwebp's buffer, flattened below
    } else {
        // Straight into the surface's rows.
        config.output.colorspace = MODE_BGR;
        config.output.is_external_memory = 1;
        config.output.u.RGBA.rgba = out.row(0);
        config.output.u.RGBA.stride = static_cast<int>(out.stride());
        config.output.u.RGBA.size =
            static_cast<std::size_t>(out.stride()) * static_cast<std::size_t>(out.height());
    }
    const VP8StatusCode status = WebPDecode(data.bytes, data.size, &config);
    if (status != VP8_STATUS_OK) {
        WebPFreeDecBuffer(&config.output);
        return Failure{webpProblem(status)};
    }
    if (config.output.width != out.width() || config.output.height != out.height()) {
        WebPFreeDecBuffer(&config.output);
        return Failure{"WebP beschädigt"};
    }
    if (alpha) {
        copyInterleavedRows(config.output.u.RGBA.rgba, config.output.u.RGBA.stride,
                            ChannelOrder::Bgra, out);
    }
    WebPFreeDecBuffer(&config.output);
    return {};
}

// The picture's size and kind from the file's first bytes, so that memory is
// reserved before the file is read. libwebp finds them in the first chunk,
// except that a still picture of the extended format may put metadata or
// its alpha plane before the frame; then the extended header's canvas and
// flags say the same.
Result<WebPBitstreamFeatures> headerFeatures(const std::vector<std::uint8_t>& head) {
    WebPBitstreamFeatures features{};
    const VP8StatusCode status = WebPGetFeatures(head.data(), head.size(), &features);
    if (status == VP8_STATUS_OK) {
        return features;
    }
    if (status != VP8_STATUS_NOT_ENOUGH_DATA || head.size() < 30 ||
        std::memcmp(head.data() + 12, "VP8X", 4) != 0) {
        return Failure{webpProblem(status)};
    }
    const auto bits24 = [&](std::size_t at) {
        return 1 + (head[at] | (head[at + 1] << 8) | (head[at + 2] << 16));
    };
    features = {};
    features.width = bits24(24);
    features.height = bits24(27);
    // A frame may bring alpha that the flags leave out: counted in any case.
    features.has_alpha = 1;
    features.has_animation = (head[20] & 0x02) != 0 ? 1 : 0;
    return features;
}

}  // namespace

Result<void> decodeWebp(std::FILE* file, const LoadOptions& options, LoadedPicture& out) {
    Result<std::vector<std::uint8_t>> head = readFileHead(file, 64 * 1024);
    if (!head) {
        return head.failure();
    }
    Result<WebPBitstreamFeatures> announced = headerFeatures(*head);
    if (!announced) {
        return announced.failure();
    }
    const WebPBitstreamFeatures features = *announced;
    // For an animation the size is the canvas's.
    if (Result<void> size = checkPictureSize(features.width, features.height); !size) {
        return size;
    }
    Result<std::uint64_t> fileSize = encodedFileSize(file);
    if (!fileSize) {
        return fileSize.failure();
    }
    // Our surface (and its upright copy), the file, and libwebp's BGRA
    // buffer for a picture with alpha; an animation's decoder keeps two
    // canvases and the frame it decodes. The orientation is not known before
    // the file is read, so the upright copy is counted in any case.
    const std::size_t canvas =
        static_cast<std::size_t>(features.width) * static_cast<std::size_t>(features.height) * 4;
    const std::size_t working =
        static_cast<std::size_t>(*fileSize) + (features.has_animation != 0 ? 3 * canvas
                                               : features.has_alpha != 0   ? canvas
                                                                           : 0);
    reserveDecodeMemory(options, features.width, features.height, 2, working);

    Result<std::vector<std::uint8_t>> read = readWholeFile(file);
    if (!read) {
        return read.failure();
    }
    const std::vector<std::uint8_t>& bytes = *read;
    const WebPData data{bytes.data(), bytes.size()};
    WebPBitstreamFeatures whole{};
    const VP8StatusCode status = WebPGetFeatures(data.bytes, data.size, &whole);
    if (status != VP8_STATUS_OK) {
        return Failure{webpProblem(status)};
    }
    if (whole.width != features.width || whole.height != features.height ||
        whole.has_animation != features.has_animation || whole.has_alpha > features.has_alpha) {
        return Failure{"WebP beschädigt (Kopf und Bild widersprechen sich)"};
    }
    const int orientation = orientationOf(data);
    const auto transform = static_cast<Transform>(orientation);
    try {
        if (Result<void> allocated = allocateSurface(out.pixels, features.width, features.height);
            !allocated) {
            return allocated;
        }
        Result<void> decoded = whole.has_animation != 0
                                   ? decodeFirstFrame(data, out.pixels)
                                   : decodeStill(data, whole.has_alpha != 0, out.pixels);
        if (!decoded) {
            return decoded;
        }
        out.orientation = orientation;
        reportProfile(data, out);
        if (transform != Transform::Identity) {
            out.pixels = transformed(out.pixels, transform);
        }
    } catch (const std::bad_alloc&) {
        return Failure{"nicht genug Speicher für das WebP-Bild"};
    }
    out.width = out.pixels.width();
    out.height = out.pixels.height();
    return {};
}

}  // namespace vendrik::decoders
