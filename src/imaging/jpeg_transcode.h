#pragma once
// "nur verlustfrei": a JPEG file written anew without decoding its pixels.
// libjpeg-turbo reads the quantised DCT coefficients of every block and
// writes the very same coefficients with Huffman tables built for this
// picture (optimal tables, T.81 K.2), so the file decodes to exactly the
// pixels its source decodes to, and is usually a few percent smaller.
//
// What the rewriter promises:
// - The coefficients, quantisation tables, sampling and colour space are the
//   source's; the output is a baseline (sequential, Huffman-coded) file
//   with a JFIF or Adobe header as libjpeg writes for that colour space.
// - An embedded ICC profile is written back whole: it is part of how the
//   pixels are meant, not metadata. Every other segment of the source is
//   left out; the caller says which segments the output carries
//   (JpegRewrite::segments), knowing the picture's stored size and EXIF
//   Orientation, which the output keeps as a tag rather than turning pixels.
// - A file that is no JPEG, is cut short or damaged, is arithmetic-coded,
//   lossless or of 12 bits, or is above the loader's pixel limit fails with
//   a German reason; nothing throws.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "common/result.h"
#include "imaging/box_size.h"

namespace vendrik {

// A segment to write after the file's header: APPn marker (0xE0 + n) and
// payload, at most 65533 bytes.
struct JpegSegment {
    int marker = 0;
    std::vector<std::uint8_t> payload;
};

// What the header tells before any coefficient is read.
struct JpegFacts {
    BoxSize stored;       // width × height as stored, before the Orientation
    int orientation = 1;  // the EXIF Orientation, 1..8 (1 when none)
};

struct JpegRewrite {
    // Asked once the header is read: the segments the output carries.
    std::function<std::vector<JpegSegment>(const JpegFacts& facts)> segments;
    // Told, before the coefficients are read, the bytes libjpeg will hold
    // for them; it may block until that much may be used.
    std::function<void(std::size_t bytes)> reserveMemory;
};

struct RewrittenJpeg {
    std::vector<std::uint8_t> bytes;
    JpegFacts facts;
    // What the file was written despite (German): a damaged profile left out.
    std::vector<std::string> notes;
};

// Rewrites the JPEG file `path` as described above.
[[nodiscard]] Result<RewrittenJpeg> rewriteJpeg(const std::string& path, const JpegRewrite& how);

}  // namespace vendrik
