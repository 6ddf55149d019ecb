#pragma once
// How many bytes of XMP a picture file holds, found by walking the file's
// structure, before anything parses the packet.
//
// Exiv2 parses a file's XMP packet as it reads the file's metadata, under
// the XMP toolkit's process-wide lock: a 36 MB packet in a PNG text chunk
// took 11 s and more than a gigabyte there while every other picture of the
// run waited for the lock. Its size is therefore checked first, from the
// blocks Exiv2 would take the packet from: the JPEG APP1 segments named
// "http://ns.adobe.com/xap/1.0/", the PNG text chunks keyed
// "XML:com.adobe.xmp" or "Raw profile type xmp", the TIFF tag XMLPacket
// (700) of IFD0 and the WebP chunk "XMP ".

#include <cstdint>

#include "imaging/picture_loader.h"

namespace vendrik {

// The bytes of those blocks in the file open at `fd` (read with pread,
// the descriptor's offset untouched), as stored (compressed text chunks
// count with their compressed size). 0 for the other formats, which
// carry no XMP Exiv2 reads, and where the structure ends early.
[[nodiscard]] std::uint64_t xmpBlockBytes(int fd, PictureFormat format);

}  // namespace vendrik
