#pragma once
// The JPEG decoder's readers for the two application segments it uses: the
// first APP1 "Exif" segment (for the Orientation) and the APP2
// "ICC_PROFILE" chunks. libjpeg would keep every saved segment in memory,
// however many a file holds; these readers keep one EXIF segment and at most
// kMaxProfileBytes of profile, and pass over the rest unread.

#include <jpeglib.h>

#include <array>
#include <cstdint>
#include <vector>

#include "imaging/colour_profile.h"

namespace vendrik::decoders {

struct JpegMarkers {
    std::vector<std::uint8_t> exif;  // the first APP1 "Exif" payload, empty when none
    IccChunks icc;
    // The segment being read: one segment's payload is at most 65533 bytes.
    std::array<std::uint8_t, 65535> segment{};
};

// Installs the readers on `cinfo` before jpeg_read_header; `markers` must
// outlive the decompression (it is reached through cinfo->client_data). The
// readers hold nothing that a longjmp from libjpeg would have to clean up.
void watchMarkers(j_decompress_ptr cinfo, JpegMarkers& markers);

}  // namespace vendrik::decoders
