#pragma once
// "höchstens N KB": a cap on the file's size under the slider's quality. A
// picture whose file fits at the slider's quality is written at it, byte
// for byte as without the cap; one that does not is written at the highest
// quality down to kSizeSearchLowest whose file fits, found by encoding the
// once scaled picture at a few qualities. Each trial is a
// whole encode (JPEG's Huffman tables are optimised per file and the other
// formats' encoders adapt as much, so no cheaper estimate is exact); the
// search keeps the number of trials small by
// aiming at the limit through the sizes it has seen.
//
// Sizes are in bytes; "KB" is 1024 bytes wherever Vendrik shows or reads
// one, in the window's field and its estimate as on the command line.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "optimiser/output_format.h"
#include "optimiser/presets.h"

namespace vendrik {

// The lowest quality the search goes down to. The slider stops at 40, but a
// size cap is a promise the user relies on (a mail's attachment limit), and
// quality 10 still shows the picture.
inline constexpr int kSizeSearchLowest = 10;

// The qualities a search may use, both ends included.
struct QualityRange {
    int lowest = kSizeSearchLowest;
    int highest = kQualityMax;
};

struct SizedEncoding {
    EncodedFile file;  // the chosen encoding
    int quality = 0;
    bool fits = false;  // false: even the lowest quality is larger than the limit
    int trials = 0;     // encodes made
};

// The file encoded at a quality, or why it cannot be encoded.
using EncodeAtQuality = std::function<Result<EncodedFile>(int quality)>;

// The highest quality of `range` whose file is at most `maxBytes`, with that
// file, trying `start` first. When even the lowest is larger, its file comes
// back with fits == false. A failing trial ends the
// search with its reason (the size alone decides whether a picture can be
// encoded, so the first trial tells for all).
//
// The search assumes the size grows with the quality, which holds for
// scaled quantisation tables up to rounding. It keeps the largest quality
// known to fit and the smallest known not to, and ends only when the two are
// neighbours, both encoded; so the answer's neighbour above has been seen
// not to fit. The next trial is aimed at the limit by interpolating the
// logarithm of the size between the nearest qualities seen, with halving as
// a fallback when aiming fails to narrow the range.
[[nodiscard]] Result<SizedEncoding> encodeWithinSize(std::uint64_t maxBytes, QualityRange range,
                                                     int start, const EncodeAtQuality& encode);

// "höchstens N KB" for one picture in one format: encodeWithinSize over
// `format`'s encodes of `picture` with `metadata`, from kSizeSearchLowest up
// to the slider's `quality`, which is tried first. The sampling is the
// user's choice (`chosen`) at every quality; without one it is the slider's
// rule for `quality`, and when that is 4:4:4 and only a quality below the
// rule's switch fits, or none, the search goes on at 4:2:0, as the slider
// chooses there, and the higher quality of the two is taken (or, when
// neither fits, the smaller file); not for a format whose files do not depend on the sampling
// (OutputFormat::choosesSampling). Every trial uses `compression`: the
// strong mode's smaller files fit a limit at a higher quality (a format
// other than JPEG ignores it). `onTrial` hears of each encode made.
[[nodiscard]] Result<SizedEncoding> encodeWithinLimit(const OutputFormat& format,
                                                      const Surface& picture, int quality,
                                                      std::optional<Sampling> chosen,
                                                      JpegCompression compression,
                                                      const MetadataSegments& metadata,
                                                      std::uint64_t maxBytes,
                                                      const std::function<void()>& onTrial);

// Reads a size as the command line takes it: a number with an optional
// fraction and an optional suffix "K"/"KB" (1024 bytes, also without a
// suffix, as jpegoptim reads it) or "M"/"MB" (1024 × 1024); case does not
// matter. Nothing for anything else, for 0 and for more than 1 GB.
[[nodiscard]] std::optional<std::uint64_t> parseSizeLimit(std::string_view text);

// "245 KB": bytes in KB of 1024, rounded to the nearest, at least 1 for a
// non-empty file.
[[nodiscard]] std::string kiloBytesText(std::uint64_t bytes);

}  // namespace vendrik
