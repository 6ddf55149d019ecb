// jpeglib.h needs FILE and size_t declared first.
#include <cstddef>
#include <cstdio>

#include "imaging/jpeg_markers.h"

#include <cstring>
#include <span>

namespace vendrik::decoders {
namespace {

// The decoder reads from a stdio source, which never suspends: when the file
// ends it supplies a fake end-of-image marker (and warns, which the decoder
// treats as a corrupt file). So a reader may fetch bytes in a loop.
int nextByte(j_decompress_ptr cinfo) {
    jpeg_source_mgr* src = cinfo->src;
    if (src->bytes_in_buffer == 0 && (*src->fill_input_buffer)(cinfo) == FALSE) {
        return -1;
    }
    --src->bytes_in_buffer;
    return *src->next_input_byte++;
}

// Reads the segment's length and as much of its payload as `keep` allows
// into markers.segment, and passes over the rest. Returns the bytes kept.
std::size_t readSegment(j_decompress_ptr cinfo, JpegMarkers& markers, std::size_t keep) {
    const int hi = nextByte(cinfo);
    const int lo = nextByte(cinfo);
    if (hi < 0 || lo < 0) {
        return 0;
    }
    const long length = ((hi << 8) | lo) - 2;  // the length counts its own two bytes
    if (length <= 0) {
        return 0;
    }
    const std::size_t wanted = std::min(static_cast<std::size_t>(length), keep);
    std::size_t got = 0;
    for (; got < wanted; ++got) {
        const int b = nextByte(cinfo);
        if (b < 0) {
            return got;
        }
        markers.segment[got] = static_cast<std::uint8_t>(b);
    }
    if (static_cast<std::size_t>(length) > got) {
        (*cinfo->src->skip_input_data)(cinfo, static_cast<long>(static_cast<std::size_t>(length) - got));
    }
    return got;
}

JpegMarkers& markersOf(j_decompress_ptr cinfo) {
    return *static_cast<JpegMarkers*>(cinfo->client_data);
}

boolean readApp1(j_decompress_ptr cinfo) {
    JpegMarkers& m = markersOf(cinfo);
    // Once one EXIF segment is kept, later APP1 segments (XMP, a second
    // EXIF) are passed over.
    const std::size_t got = readSegment(cinfo, m, m.exif.empty() ? m.segment.size() : 0);
    if (got >= 6 && std::memcmp(m.segment.data(), "Exif\0\0", 6) == 0) {
        m.exif.assign(m.segment.begin(), m.segment.begin() + static_cast<std::ptrdiff_t>(got));
    }
    return TRUE;
}

boolean readApp2(j_decompress_ptr cinfo) {
    JpegMarkers& m = markersOf(cinfo);
    const std::size_t got = readSegment(cinfo, m, m.segment.size());
    m.icc.add(std::span<const std::uint8_t>(m.segment.data(), got));
    return TRUE;
}

}  // namespace

void watchMarkers(j_decompress_ptr cinfo, JpegMarkers& markers) {
    cinfo->client_data = &markers;
    jpeg_set_marker_processor(cinfo, JPEG_APP0 + 1, readApp1);
    jpeg_set_marker_processor(cinfo, JPEG_APP0 + 2, readApp2);
}

}  // namespace vendrik::decoders
