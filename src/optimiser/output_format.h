#pragma once
// An output format: how the last step of a picture's road turns the finished
// picture into the bytes of its file. JPEG through Vendrik's own encoder is
// the format the program is built around (jpegOutputFormat()); another format
// is added by implementing this interface and handing it to the run in
// PictureSettings::format, without a change to the run, the size search or
// the windows' run code.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "imaging/surface.h"
#include "jpeg/cJpeg.h"
#include "optimiser/metadata_copy.h"
#include "optimiser/presets.h"

namespace vendrik {

// How one picture is encoded; every choice already resolved.
struct EncodeSettings {
    int quality = kDefaultQuality;       // the slider's scale, 1..100
    Sampling sampling = Sampling::Best;  // chroma at full resolution or 2 × 2
    // "kleinere Dateien (langsamer)": smaller files of the same look at
    // several times the encoding time. A format without such a mode ignores
    // it.
    JpegCompression compression = JpegCompression::Standard;
};

// An encoder's own progress through one picture, 30..100, as cJpeg reports
// it; an encoder that cannot tell reports 100 when it is done. May be empty.
using EncodeProgress = std::function<void(int value)>;

struct EncodedFile {
    std::vector<std::uint8_t> bytes;  // the whole file
    // What the file was written despite (German), such as metadata the
    // format could not take.
    std::vector<std::string> notes;
};

class OutputFormat {
public:
    virtual ~OutputFormat() = default;

    // The format's name as a user chooses it ("JPEG").
    [[nodiscard]] virtual std::string_view name() const noexcept = 0;
    // The ending of its files, with the point (".jpg"); the naming rule puts
    // it after the name.
    [[nodiscard]] virtual std::string_view ending() const noexcept = 0;

    // Whether EncodeSettings::sampling changes the file. A format that
    // always stores its colour at one resolution says no, and the size
    // search then does not search again at the other sampling, which
    // would only encode the same files twice.
    [[nodiscard]] virtual bool choosesSampling() const noexcept {
        return true;
    }
    // Whether EncodeSettings::compression changes the file: the strong
    // mode is the JPEG encoder's, other formats ignore it.
    [[nodiscard]] virtual bool compresses() const noexcept {
        return false;
    }
    // What the format's files can hold of a source's metadata; the
    // pipeline reads the metadata to fit it.
    [[nodiscard]] virtual MetadataRoom metadataRoom() const noexcept {
        return {};
    }
    // Whether this program can write the format here, or why not (German,
    // one line): a library found at run time may lack the encoder.
    [[nodiscard]] virtual Result<void> usable() const {
        return {};
    }
    // Bytes the encoder holds at most while it encodes, per byte of the
    // 24-bit picture it is given, beside that picture: what the run's
    // memory budget reserves for a picture from its scaling on.
    [[nodiscard]] virtual std::size_t encodeBytesPerPictureByte() const noexcept = 0;

    // The file of `picture` (24-bit, upright, sRGB) encoded with `settings`
    // and carrying `metadata` where the format keeps it, or why there is
    // none. The several jobs of a run call it at once on one object, so it
    // keeps no state between calls. The size search calls it once for each
    // quality it tries.
    [[nodiscard]] virtual Result<EncodedFile> encode(const Surface& picture,
                                                     const EncodeSettings& settings,
                                                     const MetadataSegments& metadata,
                                                     const EncodeProgress& progress) const = 0;
};

// The sampling `format` encodes with at `quality`: the user's choice, or
// the slider's rule for the compression where the format has one.
[[nodiscard]] inline Sampling samplingOf(const OutputFormat& format,
                                         std::optional<Sampling> chosen, int quality,
                                         JpegCompression compression) noexcept {
    return resolvedSampling(chosen, quality,
                            format.compresses() ? compression : JpegCompression::Standard);
}

// JFIF through cJpeg (baseline; progressive with the strong compression), the
// metadata as APP1/APP13 segments after the JFIF header.
[[nodiscard]] std::shared_ptr<const OutputFormat> jpegOutputFormat();

// Lossy WebP through libwebp, always 4:2:0; EXIF and XMP as the container's
// chunks, IPTC inside the XMP packet.
[[nodiscard]] std::shared_ptr<const OutputFormat> webpOutputFormat();

// AVIF through libheif's AV1 encoder, 4:4:4 or 4:2:0 as EncodeSettings
// says, sRGB signalled; EXIF and XMP as the file's metadata items, IPTC
// inside the XMP packet.
[[nodiscard]] std::shared_ptr<const OutputFormat> avifOutputFormat();

}  // namespace vendrik
