#pragma once
// Keeping a source picture's metadata in its output, as the user chooses:
// none (the output is a bare JFIF file), all of it, or all but where the
// picture was taken.
//
// Kept are the EXIF directories, the XMP packet and the IPTC data set,
// read with Exiv2 (a HEIF file's EXIF and XMP from its items through
// libheif) and adapted to what the output is: the Orientation it carries
// (1: the pixels are already upright), no thumbnail (IFD1 and XMP
// thumbnails),
// PixelXDimension/PixelYDimension the output's size, no tags that describe
// how the source stored its pixels (strips, tiles, compression, an embedded
// profile), and ColorSpace sRGB when the pixels were converted to it.
// Without location, only what is known to carry no place stays
// (place_free_metadata.h): no GPS, no maker notes, no XMP namespace,
// property or IPTC data set that is not vouched for.
//
// A JPEG output stays a JFIF file: SOI, APP0, then APP1 "Exif", APP1 XMP
// and APP13 IPTC (each only when there is something to keep), then the
// encoder's tables and scan. The blocks are made in the form these segments
// take; an output format whose container holds them otherwise (WebP's
// chunks, AVIF's items) takes the same TIFF structure and packet without
// the segments' names (exifTiff, xmpPacket). A format without a place for
// IPTC gets its data sets inside the XMP packet instead (MetadataRoom).
//
// Metadata is distrusted like pixels: whatever Exiv2 or libheif cannot
// read cleanly (it reports a fault or throws), a file that is no picture
// the loader reads, and an XMP packet above kMaxXmpPacket (known before it
// is parsed) is left out whole, and a note says why; the picture itself is
// never stopped by its metadata.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "imaging/box_size.h"

namespace vendrik {

// The stored values of the settings key "Metadaten" and the window's order.
enum class MetadataChoice {
    Strip = 0,            // "entfernen"
    Keep = 1,             // "behalten"
    KeepWithoutGps = 2,   // "behalten ohne GPS"
};

// The largest XMP packet read from a source. One JPEG segment holds at most
// 64 KB of XMP; a packet far above that is not a photograph's.
inline constexpr std::size_t kMaxXmpPacket = std::size_t{1} * 1024 * 1024;

// A JPEG segment's length field counts itself: 65535 - 2 bytes of payload.
inline constexpr std::size_t kMaxSegmentPayload = 65533;

// What an output format's files can hold, where formats differ.
struct MetadataRoom {
    // Named in a note about a block too large for it ("zu groß für JPEG").
    std::string_view format = "JPEG";
    // A place for IPTC data sets of their own (JPEG's APP13). Without one,
    // the data sets go into the XMP packet as the IPTC schemas of XMP
    // spell them, where the packet has no value of its own for them.
    bool iptc = true;
    // The largest block (name and data) it holds: one JPEG segment's
    // payload. The EXIF block is kept within one segment whatever the
    // format, since Exiv2 leaves large maker-note parts out to fit it.
    std::size_t largestBlock = kMaxSegmentPayload;
};

struct OutputFacts {
    BoxSize size;                   // the output's pixels
    bool coloursConverted = false;  // converted to sRGB from another profile
    // The Orientation the output carries: 1 when its pixels were turned
    // upright, the source's own when they are stored as the source stored
    // them (a lossless rewrite).
    int orientation = 1;
    MetadataRoom room;  // what the output format holds
};

// The segments' payloads (after the length field), ready to write.
struct MetadataSegments {
    std::vector<std::uint8_t> exif;  // "Exif\0\0" and a TIFF structure
    std::vector<std::uint8_t> xmp;   // "http://ns.adobe.com/xap/1.0/\0" and the packet
    std::vector<std::uint8_t> iptc;  // "Photoshop 3.0\0" and the IPTC resource
    // What was left out and why (German), for the picture's result.
    std::vector<std::string> notes;

    [[nodiscard]] bool empty() const noexcept { return exif.empty() && xmp.empty() && iptc.empty(); }
};

// The metadata of `source` as the output keeps it under `choice`. Strip
// reads nothing. Never throws.
[[nodiscard]] MetadataSegments metadataForOutput(const std::string& source, MetadataChoice choice,
                                                 const OutputFacts& output);

// The EXIF block's TIFF structure, without the name "Exif\0\0" of its
// JPEG segment; empty when there is none.
[[nodiscard]] std::span<const std::uint8_t> exifTiff(const MetadataSegments& segments) noexcept;

// The XMP packet alone, without the namespace name of its JPEG segment;
// empty when there is none.
[[nodiscard]] std::span<const std::uint8_t> xmpPacket(const MetadataSegments& segments) noexcept;

// An APP1 "Exif" payload holding nothing but the Orientation (1..8), for an
// output that keeps no metadata but must still be shown upright.
[[nodiscard]] std::vector<std::uint8_t> orientationExif(int orientation);

// The segments as they stand in a file (marker, length, payload), APP1 EXIF,
// APP1 XMP, APP13 IPTC, appended to `out`; an empty one is left out.
void appendMetadataSegments(std::vector<std::uint8_t>& out, const MetadataSegments& segments);

// Puts the segments into an encoded JFIF file, right after its APP0. Fails,
// leaving the file unchanged, when it does not begin with SOI and APP0.
[[nodiscard]] Result<void> insertMetadata(std::vector<std::uint8_t>& jpeg,
                                          const MetadataSegments& segments);

}  // namespace vendrik
