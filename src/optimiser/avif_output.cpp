// The AVIF output format: AV1 through libheif's encoder, sRGB signalled.

#include <libheif/heif.h>

#include <cstring>
#include <memory>
#include <string>

#include "imaging/heif_handles.h"
#include "optimiser/output_format.h"

namespace vendrik {
namespace {

// The AV1 encoder's speed, 0 (slowest) to 9, chosen on bench photographs
// fitted into 1280 × 1024 at qualities 50 to 85, scored with SSIMULACRA:
// against 6 (heif-enc's default), 4 saves about 5 % of the bytes at equal
// quality for 4.4 times the time, and 8 costs 19 % more bytes for 2.4 times
// the speed. 6 keeps a batch of photographs within seconds a picture.
constexpr int kSpeed = 6;


std::string failed(const char* step, const heif_error& e) {
    std::string reason = "Bild kann nicht als AVIF kodiert werden (" + std::string(step);
    if (e.message != nullptr && *e.message != '\0') {
        reason += ": ";
        reason += e.message;
    }
    return reason + ")";
}

// heif_context_write hands the file over in pieces.
heif_error appendTo(heif_context*, const void* data, std::size_t size, void* userdata) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(userdata);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
}

// The colour signalled in the file and used for its RGB to YCbCr
// conversion: sRGB primaries (BT.709) and transfer, the BT.601 matrix that
// JPEG and WebP use too, full range.
HeifPtr<heif_color_profile_nclx> srgbProfile() {
    HeifPtr<heif_color_profile_nclx> nclx(heif_nclx_color_profile_alloc());
    if (nclx) {
        nclx->color_primaries = heif_color_primaries_ITU_R_BT_709_5;
        nclx->transfer_characteristics = heif_transfer_characteristic_IEC_61966_2_1;
        nclx->matrix_coefficients = heif_matrix_coefficients_ITU_R_BT_601_6;
        nclx->full_range_flag = 1;
    }
    return nclx;
}

// The picture, upright and top-down, as libheif's interleaved RGB.
Result<HeifPtr<heif_image>> rgbImage(const Surface& picture) {
    heif_image* raw = nullptr;
    heif_error e = heif_image_create(picture.width(), picture.height(), heif_colorspace_RGB,
                                     heif_chroma_interleaved_RGB, &raw);
    HeifPtr<heif_image> image(raw);
    if (e.code != heif_error_Ok) {
        return Failure{failed("Bild anlegen", e)};
    }
    e = heif_image_add_plane(raw, heif_channel_interleaved, picture.width(), picture.height(), 8);
    if (e.code != heif_error_Ok) {
        return Failure{failed("Bild anlegen", e)};
    }
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(raw, heif_channel_interleaved, &stride);
    if (plane == nullptr) {
        return Failure{"nicht genug Speicher für das Bild"};
    }
    for (int y = 0; y < picture.height(); ++y) {
        const std::uint8_t* from = picture.row(y);
        std::uint8_t* to = plane + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < picture.width(); ++x, from += 3, to += 3) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    }
    return image;
}

class AvifOutput final : public OutputFormat {
public:
    [[nodiscard]] std::string_view name() const noexcept override {
        return "AVIF";
    }
    [[nodiscard]] std::string_view ending() const noexcept override {
        return ".avif";
    }
    [[nodiscard]] MetadataRoom metadataRoom() const noexcept override {
        return MetadataRoom{"AVIF", false, kMaxXmpPacket + 64};
    }
    [[nodiscard]] Result<void> usable() const override {
        if (heif_have_encoder_for_format(heif_compression_AV1) == 0) {
            return Failure{"AVIF nicht verfügbar: libheif hat keinen AV1-Kodierer"};
        }
        return {};
    }
    [[nodiscard]] std::size_t encodeBytesPerPictureByte() const noexcept override {
        // libheif's RGB copy and YCbCr planes and the AV1 encoder's frame
        // buffers, look-ahead and threads' work: 12.2 times the picture at
        // its peak, measured on a 12-megapixel photograph at 4:4:4.
        return 13;
    }

    [[nodiscard]] Result<EncodedFile> encode(const Surface& picture, const EncodeSettings& settings,
                                             const MetadataSegments& metadata,
                                             const EncodeProgress& progress) const override {
        if (Result<void> can = usable(); !can) {
            return can.failure();
        }
        const HeifPtr<heif_context> context(heif_context_alloc());
        if (!context) {
            return Failure{"nicht genug Speicher für das Bild"};
        }
        heif_encoder* rawEncoder = nullptr;
        heif_error e =
            heif_context_get_encoder_for_format(context.get(), heif_compression_AV1, &rawEncoder);
        const HeifPtr<heif_encoder> encoder(rawEncoder);
        if (e.code != heif_error_Ok) {
            return Failure{failed("AV1-Kodierer", e)};
        }
        // The slider's rule, as for JPEG: full colour from quality 70 up, or
        // the user's own choice. SSIMULACRA, little moved by colour, scores
        // 4:2:0 about a tenth cheaper at equal quality on photographs; the
        // colour edges of text and drawings are what 4:4:4 keeps.
        const bool full = settings.sampling == Sampling::Best;
        if ((e = heif_encoder_set_lossy_quality(encoder.get(), settings.quality)).code !=
                heif_error_Ok ||
            (e = heif_encoder_set_parameter_integer(encoder.get(), "speed", kSpeed)).code !=
                heif_error_Ok ||
            (e = heif_encoder_set_parameter_string(encoder.get(), "chroma", full ? "444" : "420"))
                    .code != heif_error_Ok) {
            return Failure{failed("Einstellungen", e)};
        }

        Result<HeifPtr<heif_image>> image = rgbImage(picture);
        if (!image) {
            return image.failure();
        }
        const auto nclx = srgbProfile();
        const HeifPtr<heif_encoding_options> options(
            heif_encoding_options_alloc());
        if (!nclx || !options) {
            return Failure{"nicht genug Speicher für das Bild"};
        }
        if ((e = heif_image_set_nclx_color_profile(image->get(), nclx.get())).code !=
            heif_error_Ok) {
            return Failure{failed("Farbraum", e)};
        }
        options->output_nclx_profile = nclx.get();
        // Write the colour box even though it says sRGB, the default a
        // reader would assume: "sRGB signalled" means in the file.
        options->macOS_compatibility_workaround_no_nclx_profile = 0;

        heif_image_handle* rawHandle = nullptr;
        e = heif_context_encode_image(context.get(), image->get(), encoder.get(), options.get(),
                                      &rawHandle);
        const HeifPtr<heif_image_handle> handle(rawHandle);
        if (e.code != heif_error_Ok) {
            return Failure{failed("Kodieren", e)};
        }
        EncodedFile file;
        const std::span<const std::uint8_t> exif = exifTiff(metadata);
        const std::span<const std::uint8_t> xmp = xmpPacket(metadata);
        if (!exif.empty() &&
            heif_context_add_exif_metadata(context.get(), handle.get(), exif.data(),
                                           static_cast<int>(exif.size()))
                    .code != heif_error_Ok) {
            file.notes.push_back("EXIF-Daten nicht schreibbar, weggelassen");
        }
        if (!xmp.empty() &&
            heif_context_add_XMP_metadata(context.get(), handle.get(), xmp.data(),
                                          static_cast<int>(xmp.size()))
                    .code != heif_error_Ok) {
            file.notes.push_back("XMP-Daten nicht schreibbar, weggelassen");
        }
        heif_writer writer{};
        writer.writer_api_version = 1;
        writer.write = appendTo;
        if ((e = heif_context_write(context.get(), &writer, &file.bytes)).code != heif_error_Ok) {
            return Failure{failed("Schreiben", e)};
        }
        if (progress) {
            progress(100);
        }
        return file;
    }
};

}  // namespace

std::shared_ptr<const OutputFormat> avifOutputFormat() {
    static const auto format = std::make_shared<const AvifOutput>();
    return format;
}

}  // namespace vendrik
