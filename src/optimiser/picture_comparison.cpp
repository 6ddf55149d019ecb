#include "optimiser/picture_comparison.h"

#include <exception>
#include <new>
#include <utility>

#include "imaging/picture_loader.h"

namespace vendrik {

Result<PictureComparison> comparePicture(const std::string& source,
                                         const PictureSettings& settings) {
    try {
        const PicturePipeline pipeline(settings);
        Result<ScaledPicture> scaled = pipeline.scale(source);
        if (!scaled) {
            return scaled.failure();
        }
        PictureComparison comparison;
        // A lossless rewrite decodes nothing on its way; its source side is
        // the source itself, which the rewrite keeps pixel for pixel in size.
        if (scaled->rewritten) {
            Result<LoadedPicture> original = loadPicture(source);
            if (!original) {
                return original.failure();
            }
            comparison.source = std::move(original->pixels);
        } else {
            comparison.source = scaled->pixels.clone();
        }
        Result<EncodedPicture> encoded = pipeline.encode(std::move(*scaled));
        if (!encoded) {
            return encoded.failure();
        }
        Result<LoadedPicture> output = loadPicture(encoded->bytes);
        if (!output) {
            return Failure{"Ausgabe nicht lesbar: " + output.reason()};
        }
        comparison.output = std::move(output->pixels);
        comparison.encoded = std::move(*encoded);
        return comparison;
    } catch (const std::bad_alloc&) {
        return Failure{"nicht genug Speicher für den Vergleich"};
    } catch (const std::exception& e) {
        return Failure{e.what()};
    }
}

}  // namespace vendrik
