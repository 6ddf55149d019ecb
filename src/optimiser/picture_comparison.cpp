#include "optimiser/picture_comparison.h"

#include <exception>
#include <future>
#include <new>
#include <utility>

#include "imaging/picture_loader.h"

namespace vendrik {

namespace {

// A lossless rewrite decodes nothing on its way; its source side is the
// source itself, which the rewrite keeps pixel for pixel in size.
Result<Surface> unscaledSource(const std::string& source) {
    Result<LoadedPicture> original = loadPicture(source);
    if (!original) {
        return original.failure();
    }
    return std::move(original->pixels);
}

Result<Surface> decodedOutput(const std::vector<std::uint8_t>& bytes) {
    Result<LoadedPicture> output = loadPicture(bytes);
    if (!output) {
        return Failure{"Ausgabe nicht lesbar: " + output.reason()};
    }
    return std::move(output->pixels);
}

// The source side when the output is known: decoded again, upright and in
// sRGB as the run scales it, on this thread while another decodes the
// output.
Result<PictureComparison> compareWithKnown(const std::string& source,
                                           const PicturePipeline& pipeline,
                                           const EncodedPicture& known) {
    std::future<Result<Surface>> output =
        std::async(std::launch::async, [&known] { return decodedOutput(known.bytes); });
    PictureComparison comparison;
    if (pipeline.settings().lossless) {
        Result<Surface> original = unscaledSource(source);
        if (!original) {
            return original.failure();
        }
        comparison.source = std::move(*original);
    } else {
        Result<ScaledPicture> scaled = pipeline.scale(source);
        if (!scaled) {
            return scaled.failure();
        }
        comparison.source = std::move(scaled->pixels);
    }
    Result<Surface> decoded = output.get();
    if (!decoded) {
        return decoded.failure();
    }
    comparison.output = std::move(*decoded);
    comparison.encoded = known;
    return comparison;
}

Result<PictureComparison> compareAfresh(const std::string& source,
                                        const PicturePipeline& pipeline) {
    Result<ScaledPicture> scaled = pipeline.scale(source);
    if (!scaled) {
        return scaled.failure();
    }
    PictureComparison comparison;
    if (scaled->rewritten) {
        Result<Surface> original = unscaledSource(source);
        if (!original) {
            return original.failure();
        }
        comparison.source = std::move(*original);
    } else {
        comparison.source = scaled->pixels.clone();
    }
    Result<EncodedPicture> encoded = pipeline.encode(std::move(*scaled));
    if (!encoded) {
        return encoded.failure();
    }
    Result<Surface> output = decodedOutput(encoded->bytes);
    if (!output) {
        return output.failure();
    }
    comparison.output = std::move(*output);
    comparison.encoded = std::move(*encoded);
    return comparison;
}

}  // namespace

Result<PictureComparison> comparePicture(const std::string& source, const PictureSettings& settings,
                                         const EncodedPicture* known) {
    try {
        const PicturePipeline pipeline(settings);
        return known != nullptr ? compareWithKnown(source, pipeline, *known)
                                : compareAfresh(source, pipeline);
    } catch (const std::bad_alloc&) {
        return Failure{"nicht genug Speicher für den Vergleich"};
    } catch (const std::exception& e) {
        return Failure{e.what()};
    }
}

}  // namespace vendrik
