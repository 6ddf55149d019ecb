#pragma once
// "nie größer als die Quelle": a JPEG source's own file taken as its output
// when encoding it anew would make it larger, as it does with a picture
// saved small already and written again at a high quality.
//
// The source serves only when it shows exactly what the output would: a
// baseline or progressive Huffman-coded JPEG of 8 bits, grey or three
// components, stored as large as the output and with the Orientation the
// output carries (1 or none for an output turned upright; a lossless
// rewrite keeps the source's). The caller rules out what the bytes cannot tell: another
// output format, a watermark, colours converted from a profile.
//
// Nothing is decoded or encoded again: the source's tables and scans are
// copied as they are. Its metadata segments (APP1 to APP13, APP15, COM) and
// whatever follows its end (a phone's second picture) are left out and the
// output's metadata put in their place, so the file carries what the
// metadata choice keeps and no more; JFIF (APP0) and Adobe (APP14), which
// say how to read the colours, stay, and the ICC profile where the output
// keeps it.

#include <cstdint>
#include <span>
#include <vector>

#include "common/result.h"
#include "imaging/box_size.h"
#include "optimiser/metadata_copy.h"

namespace vendrik {

// The text a picture's result carries when its source was taken.
inline constexpr const char* kSourceKeptText = "Quelle übernommen, kleiner als die Ausgabe";

// The output the source is to stand for.
struct SourceOutput {
    BoxSize storedSize;   // its pixels as stored, before any turn
    int orientation = 1;  // the EXIF Orientation it carries
    // Its pixels are the source's as stored, so the source's ICC profile
    // (APP2) still says what they mean and stays; an output converted to
    // sRGB or taken as sRGB has none.
    bool keepProfile = false;
};

// The source's file with `metadata` in place of its own, or why the source
// cannot stand for `output` (German).
[[nodiscard]] Result<std::vector<std::uint8_t>> sourceAsOutput(
    std::span<const std::uint8_t> source, const SourceOutput& output,
    const MetadataSegments& metadata);

}  // namespace vendrik
