// The WebP output format: lossy VP8 through libwebp, in the extended
// container when metadata goes with it.

#include <webp/encode.h>
#include <webp/mux.h>

#include <memory>
#include <new>
#include <string>

#include "optimiser/output_format.h"

namespace vendrik {
namespace {

// libwebp's effort, 0 (fastest) to 6, chosen on bench photographs fitted
// into 1280 × 1024 at qualities 60 to 90, scored with SSIMULACRA: against
// 4 (cwebp's own default), 6 saves about 1.5 % of the bytes at equal
// quality for 40 % more time, and 2 costs 4 % more bytes for a third less
// time. 4 keeps the batch fast and the files as small as cwebp's.
constexpr int kMethod = 4;
// The sharper RGB to YUV conversion: on the same pictures its files are 6 %
// larger and only a little better, 1.3 % larger at equal quality, for 75 %
// more time. It pays on saturated edges in drawings, not on photographs.
constexpr bool kSharpYuv = false;

// Frees what libwebp allocated for a picture and a written file.
struct PictureGuard {
    WebPPicture& picture;
    ~PictureGuard() { WebPPictureFree(&picture); }
};
struct MuxDelete {
    void operator()(WebPMux* mux) const { WebPMuxDelete(mux); }
};

// The encoder's progress (0..100 over its passes) on the scale of an
// encoder's progress through one picture, 30..100.
int onProgress(int percent, const WebPPicture* picture) {
    const auto* progress = static_cast<const EncodeProgress*>(picture->user_data);
    if (progress != nullptr && *progress) {
        (*progress)(30 + percent * 70 / 100);
    }
    return 1;  // go on
}

std::string encoderError(WebPEncodingError error) {
    switch (error) {
        case VP8_ENC_ERROR_OUT_OF_MEMORY:
        case VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY:
            return "nicht genug Speicher für das Bild";
        case VP8_ENC_ERROR_BAD_DIMENSION:
            return "Bild kann nicht als WebP kodiert werden (höchstens " +
                   std::to_string(WEBP_MAX_DIMENSION) + " Bildpunkte je Seite)";
        case VP8_ENC_ERROR_PARTITION0_OVERFLOW:
        case VP8_ENC_ERROR_PARTITION_OVERFLOW:
        case VP8_ENC_ERROR_FILE_TOO_BIG:
            return "Bild zu groß für eine WebP-Datei";
        default:
            return "Bild kann nicht als WebP kodiert werden (libwebp-Fehler " +
                   std::to_string(static_cast<int>(error)) + ")";
    }
}

// The simple file (RIFF, VP8) with the metadata as the extended format's
// chunks: VP8X with its flags, the image, then EXIF and XMP, as the
// container orders them. libwebpmux sets the flags and the canvas size.
Result<std::vector<std::uint8_t>> withMetadata(const std::uint8_t* file, std::size_t size,
                                               const MetadataSegments& metadata) {
    const std::unique_ptr<WebPMux, MuxDelete> mux(WebPMuxNew());
    if (!mux) {
        return Failure{"nicht genug Speicher für das Bild"};
    }
    const WebPData image{file, size};
    if (WebPMuxSetImage(mux.get(), &image, 0) != WEBP_MUX_OK) {
        return Failure{"WebP-Datei kann nicht zusammengesetzt werden"};
    }
    const auto chunk = [&mux](const char* fourcc, std::span<const std::uint8_t> data) {
        if (data.empty()) {
            return true;
        }
        const WebPData d{data.data(), data.size()};
        return WebPMuxSetChunk(mux.get(), fourcc, &d, 0) == WEBP_MUX_OK;
    };
    if (!chunk("EXIF", exifTiff(metadata)) || !chunk("XMP ", xmpPacket(metadata))) {
        return Failure{"WebP-Datei kann nicht zusammengesetzt werden"};
    }
    WebPData assembled{};
    if (WebPMuxAssemble(mux.get(), &assembled) != WEBP_MUX_OK) {
        return Failure{"WebP-Datei kann nicht zusammengesetzt werden"};
    }
    std::vector<std::uint8_t> out(assembled.bytes, assembled.bytes + assembled.size);
    WebPDataClear(&assembled);
    return out;
}

class WebPOutput final : public OutputFormat {
public:
    [[nodiscard]] std::string_view name() const noexcept override {
        return "WebP";
    }
    [[nodiscard]] std::string_view ending() const noexcept override {
        return ".webp";
    }
    // Lossy WebP (VP8) stores its colour at half resolution, always.
    [[nodiscard]] bool choosesSampling() const noexcept override {
        return false;
    }
    [[nodiscard]] MetadataRoom metadataRoom() const noexcept override {
        // A chunk holds up to 4 GB; kMaxXmpPacket bounds what is read.
        return MetadataRoom{"WebP", false, kMaxXmpPacket + 64};
    }
    [[nodiscard]] std::size_t encodeBytesPerPictureByte() const noexcept override {
        // The ARGB copy, the YUV planes and the encoder's analysis and
        // token buffers: 2.4 times the picture at its peak, measured on a
        // 12-megapixel photograph.
        return 3;
    }

    [[nodiscard]] Result<EncodedFile> encode(const Surface& picture, const EncodeSettings& settings,
                                             const MetadataSegments& metadata,
                                             const EncodeProgress& progress) const override {
        if (picture.width() > WEBP_MAX_DIMENSION || picture.height() > WEBP_MAX_DIMENSION) {
            return Failure{encoderError(VP8_ENC_ERROR_BAD_DIMENSION)};
        }
        WebPConfig config;
        if (WebPConfigInit(&config) == 0) {
            return Failure{"WebP-Kodierer nicht nutzbar (libwebp passt nicht)"};
        }
        config.quality = static_cast<float>(settings.quality);
        config.method = kMethod;
        config.use_sharp_yuv = kSharpYuv ? 1 : 0;

        WebPPicture pic;
        if (WebPPictureInit(&pic) == 0) {
            return Failure{"WebP-Kodierer nicht nutzbar (libwebp passt nicht)"};
        }
        const PictureGuard guard{pic};
        pic.width = picture.width();
        pic.height = picture.height();
        // ARGB in, so that WebPEncode makes the YUV planes itself, by the
        // conversion the configuration asks for.
        pic.use_argb = 1;
        if (WebPPictureImportBGR(&pic, picture.row(0), static_cast<int>(picture.stride())) == 0) {
            return Failure{encoderError(pic.error_code)};
        }
        WebPMemoryWriter writer;
        WebPMemoryWriterInit(&writer);
        pic.writer = WebPMemoryWrite;
        pic.custom_ptr = &writer;
        pic.progress_hook = onProgress;
        pic.user_data = const_cast<EncodeProgress*>(&progress);
        const bool encoded = WebPEncode(&config, &pic) != 0;
        const std::unique_ptr<std::uint8_t, void (*)(void*)> written(writer.mem, WebPFree);
        if (!encoded) {
            return Failure{encoderError(pic.error_code)};
        }
        EncodedFile file;
        if (metadata.exif.empty() && metadata.xmp.empty()) {
            file.bytes.assign(writer.mem, writer.mem + writer.size);
            return file;
        }
        Result<std::vector<std::uint8_t>> withChunks = withMetadata(writer.mem, writer.size, metadata);
        if (!withChunks) {
            file.bytes.assign(writer.mem, writer.mem + writer.size);
            file.notes.push_back("Metadaten entfernt: " + withChunks.reason());
            return file;
        }
        file.bytes = std::move(*withChunks);
        return file;
    }
};

}  // namespace

std::shared_ptr<const OutputFormat> webpOutputFormat() {
    static const auto format = std::make_shared<const WebPOutput>();
    return format;
}

}  // namespace vendrik
