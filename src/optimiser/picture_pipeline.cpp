#include "optimiser/picture_pipeline.h"

#include <malloc.h>

#include <algorithm>
#include <exception>
#include <mutex>
#include <utility>

#include "common/regular_file.h"
#include "imaging/cImage.h"
#include "imaging/picture_loader.h"
#include "imaging/scaling.h"
#include "optimiser/size_target.h"
#include "optimiser/source_as_output.h"

namespace vendrik {
namespace {

// From the scaled picture on, a picture is held twice: the picture and
// its cImage copy, which the encoder reads. The encoder's own memory comes
// on top (OutputFormat::encodeBytesPerPictureByte).
constexpr std::size_t kPictureCopiesWhileEncoding = 2;

// A picture's whole need, reckoned when the loader announces what decoding
// it takes, before any of it is allocated: the decoded pixels, the decoder's
// own buffers (libjpeg's coefficient arrays of a progressive file can be ten
// times the pixels decoded into a small box), then the encoding of the scaled
// picture, which is the decoded picture itself when the size is kept and at
// most the box else.
std::size_t pictureNeed(const DecodeMemory& decode, bool keepSize, BoxSize box, BoxTurn turn,
                        const OutputFormat& format) {
    const auto rows = [](BoxSize b) {
        return Surface::paddedStride(std::max(b.width, 1)) *
               static_cast<std::size_t>(std::max(b.height, 1));
    };
    // A box that may be turned holds the picture either way; its rows'
    // padding differs.
    const std::size_t boxBytes =
        turn == BoxTurn::Fixed ? rows(box) : std::max(rows(box), rows({box.height, box.width}));
    const std::size_t scaled = keepSize ? decode.picture : boxBytes;
    return decode.picture * static_cast<std::size_t>(std::max(decode.copies, 1)) + decode.working +
           (kPictureCopiesWhileEncoding + format.encodeBytesPerPictureByte()) * scaled;
}

// Every picture allocates and frees a few buffers of megabytes (decoded
// pixels, the scaled picture, the encoder's planes). By default glibc maps
// each from the kernel and unmaps it on free, so every picture faults all
// its pages in again, zeroed: a third of a run's time. Keeping freed memory
// in the heap lets the next picture reuse it. Process-wide, set once.
void keepLargeBuffersForReuse() {
    static std::once_flag once;
    std::call_once(once, [] {
        mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);  // glibc's upper bound
        mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
        mallopt(M_TOP_PAD, 64 * 1024 * 1024);
    });
}

}  // namespace

PicturePipeline::PicturePipeline(PictureSettings settings)
    : m_settings(std::move(settings)), m_box(kInitialDestSize) {
    keepLargeBuffersForReuse();
    // A lossless rewrite keeps the source's JPEG data, so its file is a JPEG
    // (and named so) whatever format the run names.
    if (!m_settings.format || m_settings.lossless) {
        m_settings.format = jpegOutputFormat();
    }
    SetDestSize(m_settings.sizeIndex, m_settings.size, m_box);
}

Result<ScaledPicture> PicturePipeline::scale(
    const std::string& source, const std::function<void(std::size_t bytes)>& reserve) const {
    if (m_settings.lossless) {
        return rewrite(source, reserve);
    }
    ScaledPicture scaled;
    scaled.source = source;
    LoadOptions load;
    load.convertColours = m_settings.convertColours;
    load.colourReport = &scaled.colour;
    if (reserve) {
        load.reserveMemory = [&](const DecodeMemory& decode) {
            reserve(pictureNeed(decode, m_settings.size.keepOriginalSize, m_box,
                                m_settings.boxTurn, format()));
        };
    }
    Result<Surface> pixels =
        m_settings.size.keepOriginalSize
            ? CopyPictureToBox(source, load)
            : FitPictureToBox(source, m_box, load,
                              m_settings.noEnlarge ? Enlarging::Never : Enlarging::Allowed,
                              m_settings.boxTurn);
    if (!pixels) {
        return pixels.failure();
    }
    scaled.pixels = std::move(*pixels);
    if (scaled.colour.outcome == ColourOutcome::Ignored) {
        scaled.notes.push_back(scaled.colour.note);
    }
    return scaled;
}

Result<ScaledPicture> PicturePipeline::rewrite(
    const std::string& source, const std::function<void(std::size_t bytes)>& reserve) const {
    ScaledPicture scaled;
    scaled.source = source;
    JpegRewrite how;
    how.reserveMemory = reserve;
    how.segments = [&](const JpegFacts& facts) {
        MetadataSegments& metadata = scaled.rewrittenMetadata;
        if (m_settings.metadata != MetadataChoice::Strip) {
            // A rewrite is a JPEG file, whatever format the run names.
            const OutputFacts output{.size = facts.stored,
                                     .orientation = facts.orientation,
                                     .room = MetadataRoom{}};
            metadata = metadataForOutput(source, m_settings.metadata, output);
            scaled.notes.insert(scaled.notes.end(), metadata.notes.begin(), metadata.notes.end());
        }
        // Nothing is turned: without the tag the picture would show on its side.
        if (metadata.exif.empty() && facts.orientation != 1) {
            metadata.exif = orientationExif(facts.orientation);
        }
        std::vector<JpegSegment> segments;
        for (const auto& [marker, payload] :
             {std::pair{0xE1, &metadata.exif}, std::pair{0xE1, &metadata.xmp},
              std::pair{0xED, &metadata.iptc}}) {
            if (!payload->empty()) {
                segments.push_back({marker, *payload});
            }
        }
        return segments;
    };
    Result<RewrittenJpeg> rewritten = rewriteJpeg(source, how);
    if (!rewritten) {
        return Failure{"nur verlustfrei: " + rewritten.reason()};
    }
    scaled.notes.insert(scaled.notes.end(), rewritten->notes.begin(), rewritten->notes.end());
    scaled.rewritten = std::move(*rewritten);
    return scaled;
}

Result<EncodedPicture> PicturePipeline::encode(
    ScaledPicture picture, const std::function<void(int value)>& progress) const {
    const auto report = [&progress](int value) {
        if (progress) {
            progress(value);
        }
    };
    EncodedPicture out;
    out.size = picture.size();
    out.notes = std::move(picture.notes);
    if (picture.rewritten) {
        out.bytes = std::move(picture.rewritten->bytes);
        // A rewrite is never worth more bytes than the source has.
        keepSmallerSource(picture, picture.rewrittenMetadata, picture.rewritten->facts.stored,
                          picture.rewritten->facts.orientation, out);
        report(100);
        return out;
    }

    if (m_settings.watermark) {
        try {
            m_settings.watermark(picture.pixels);
        } catch (const std::exception& e) {
            out.watermarkError = e.what();
        } catch (...) {
            out.watermarkError = "unbekannter Fehler";
        }
    }

    // Flatten into a 24-bit cImage (in memory; no scratch file), whose
    // surface the encoder reads.
    cImage image;
    int bitCount = 0;
    if (!image.CopyStdPicture(StdPicture{&picture.pixels, 24, {}}, bitCount)) {
        return Failure{"nicht genug Speicher für das Bild"};
    }
    picture.pixels = Surface();
    report(20);

    // The source's metadata as chosen. A size limit counts it too: it is
    // part of the file the user gets.
    MetadataSegments metadata;
    if (m_settings.metadata != MetadataChoice::Strip) {
        const OutputFacts facts{
            .size = out.size,
            .coloursConverted = picture.colour.outcome == ColourOutcome::Converted,
            .room = format().metadataRoom()};
        metadata = metadataForOutput(picture.source, m_settings.metadata, facts);
        out.notes.insert(out.notes.end(), metadata.notes.begin(), metadata.notes.end());
    }

    const Surface surface = image.hDC();
    EncodedFile file;
    if (m_settings.maxBytes > 0) {
        // Each trial moves the current picture's progress on; the encoder's
        // own steps would run up to 100 again each time.
        int trials = 0;
        Result<SizedEncoding> sized = encodeWithinLimit(
            format(), surface, m_settings.quality, m_settings.sampling, m_settings.compression,
            metadata, m_settings.maxBytes, [&] { report(std::min(95, 20 + 15 * ++trials)); });
        if (!sized) {
            return sized.failure();
        }
        report(100);
        out.quality = sized->quality;
        if (!sized->fits) {
            out.overLimit = "größer als höchstens " + kiloBytesText(m_settings.maxBytes) +
                            ", auch mit der niedrigsten Qualität " +
                            std::to_string(sized->quality) + " (" +
                            kiloBytesText(sized->file.bytes.size()) + ")";
        }
        file = std::move(sized->file);
    } else {
        const EncodeSettings settings{m_settings.quality,
                                      samplingOf(format(), m_settings.sampling, m_settings.quality,
                                                 m_settings.compression),
                                      m_settings.compression};
        Result<EncodedFile> encoded = format().encode(surface, settings, metadata, report);
        if (!encoded) {
            return encoded.failure();
        }
        out.quality = m_settings.quality;
        file = std::move(*encoded);
    }
    out.bytes = std::move(file.bytes);
    out.notes.insert(out.notes.end(), file.notes.begin(), file.notes.end());
    if (m_settings.neverLarger) {
        keepSmallerSource(picture, metadata, out.size, 1, out);
    }
    return out;
}

void PicturePipeline::keepSmallerSource(const ScaledPicture& picture,
                                        const MetadataSegments& metadata, BoxSize stored,
                                        int orientation, EncodedPicture& out) const {
    RegularFile file(picture.source);
    if (!file.isOpen() || static_cast<unsigned long long>(file.size()) >= out.bytes.size()) {
        return;  // not larger (or the source is gone: nothing to compare with)
    }
    const auto why = [&]() -> Result<std::vector<std::uint8_t>> {
        // What the bytes of the source cannot tell. A rewrite is the
        // source's picture whatever the settings say.
        if (!picture.rewritten && &format() != jpegOutputFormat().get()) {
            return Failure{"die Ausgabe hat ein anderes Format"};
        }
        if (!picture.rewritten && m_settings.watermark) {
            return Failure{"die Ausgabe trägt ein Wasserzeichen"};
        }
        if (picture.colour.outcome == ColourOutcome::Converted) {
            return Failure{"die Farben der Quelle werden nach sRGB umgerechnet"};
        }
        std::string bytes;
        if (!file.readUpTo(bytes, static_cast<std::size_t>(file.size()))) {
            return Failure{"die Quelle ist nicht lesbar"};
        }
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
        return sourceAsOutput({data, bytes.size()},
                              SourceOutput{stored, orientation, picture.rewritten.has_value()},
                              metadata);
    };
    Result<std::vector<std::uint8_t>> source = why();
    if (!source || source->size() >= out.bytes.size()) {
        out.notes.push_back("größer als die Quelle (" + kiloBytesText(out.bytes.size()) +
                            " statt " + kiloBytesText(static_cast<std::uint64_t>(file.size())) +
                            "), die Quelle taugt nicht als Ausgabe: " +
                            (source ? std::string("sie ist mit den Metadaten nicht kleiner")
                                    : source.reason()));
        return;
    }
    out.bytes = std::move(*source);
    out.quality = 0;
    out.sourceKept = true;
    if (!out.overLimit.empty() && out.bytes.size() <= m_settings.maxBytes) {
        out.overLimit.clear();
    } else if (!out.overLimit.empty()) {
        out.overLimit = "größer als höchstens " + kiloBytesText(m_settings.maxBytes) +
                        ", auch als übernommene Quelle (" + kiloBytesText(out.bytes.size()) + ")";
    }
}

Result<EncodedPicture> processPicture(const std::string& source, const PictureSettings& settings) {
    const PicturePipeline pipeline(settings);
    Result<ScaledPicture> scaled = pipeline.scale(source);
    if (!scaled) {
        return scaled.failure();
    }
    return pipeline.encode(std::move(*scaled));
}

}  // namespace vendrik
