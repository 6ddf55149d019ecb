// The JPEG output format: Vendrik's own encoder, baseline or, with the strong
// compression, progressive.

#include <new>

#include "common/error.h"
#include "jpeg/cJpeg.h"
#include "optimiser/output_format.h"

namespace vendrik {
namespace {

class JpegOutput final : public OutputFormat {
public:
    [[nodiscard]] std::string_view name() const noexcept override {
        return "JPEG";
    }
    [[nodiscard]] std::string_view ending() const noexcept override {
        return ".jpg";
    }
    [[nodiscard]] bool compresses() const noexcept override {
        return true;
    }
    // The coefficient planes: 16 bits for each of three components a pixel.
    [[nodiscard]] std::size_t encodeBytesPerPictureByte() const noexcept override {
        return 2;
    }

    [[nodiscard]] Result<EncodedFile> encode(const Surface& picture, const EncodeSettings& settings,
                                             const MetadataSegments& metadata,
                                             const EncodeProgress& progress) const override {
        EncodedFile file;
        try {
            cJpeg jpeg;
            const SamplingFactors f = samplingFactors(settings.sampling);
            jpeg.SetSamplingFrequencies(f.h1, f.v1, f.h2, f.v2, f.h3, f.v3);
            jpeg.Quality(settings.quality);
            jpeg.setCompression(settings.compression);
            jpeg.setProgress(progress);
            if (jpeg.SampleHDC(picture, picture.width(), picture.height(), 0, 0) !=
                cJpeg::kSampled) {
                return Failure{"Bild kann nicht kodiert werden (Größe " +
                               std::to_string(picture.height()) + " x " +
                               std::to_string(picture.width()) + ")"};
            }
            file.bytes = jpeg.encodeToMemory();
        } catch (const VendrikError& e) {
            return Failure{"Bild kann nicht kodiert werden: " + e.description()};
        }
        if (!metadata.empty()) {
            if (Result<void> inserted = insertMetadata(file.bytes, metadata); !inserted) {
                file.notes.push_back(inserted.reason());
            }
        }
        return file;
    }
};

}  // namespace

std::shared_ptr<const OutputFormat> jpegOutputFormat() {
    static const auto format = std::make_shared<const JpegOutput>();
    return format;
}

}  // namespace vendrik
