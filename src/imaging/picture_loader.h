#pragma once
// Turning a picture file into a 24-bit surface. The decoder is chosen by the
// file's first bytes, never by its name: JPEG (also .jps), PNG, TIFF, GIF
// (first frame), BMP, the binary PPM/PGM of the encoder's own command, HEIF
// (HEIC and AVIF, the primary image) and WebP (first frame).
//
// What the loader promises:
// - Pictures come out the way a viewer shows them: a JPEG's or WebP's EXIF
//   Orientation (1–8) is applied, so a phone photo stored sideways comes out
//   upright; a HEIF file's own rotation and mirror are applied instead of
//   its EXIF Orientation, never both.
// - Transparency (PNG alpha and transparent colours, GIF's transparent index,
//   TIFF alpha) is flattened onto white.
// - A picture above 100 megapixels or 65500 pixels on a side is refused from
//   its header, before any pixel memory is allocated. libjpeg's working
//   memory, the scans of a progressive JPEG (at most 100) and libpng's and
//   libtiff's allocations are capped as well.
// - What a picture will take (pixels and the decoder's own buffers) is told
//   to LoadOptions::reserveMemory before it is taken. A HEIF or WebP file is
//   sized from its header before it is read (HEIF only in the parts libheif
//   asks for), one larger than the raw samples of the largest picture
//   accepted (400 MB) is refused unread, and libheif decodes no stream
//   larger than the size the file declares.
// - Only an ordinary file is opened, and without waiting: a FIFO, socket or
//   device named like a picture is refused at once.
// - Colours come out as sRGB: a picture with an embedded ICC profile (JPEG
//   APP2, PNG iCCP, TIFF tag 34675) is converted from it with Little CMS,
//   perceptual intent, unless LoadOptions::convertColours is off. Pictures
//   without a profile or with an sRGB profile keep their pixels byte for
//   byte. A profile above 4 MB, one that cannot be used, and one whose
//   colour space is not the picture's (grey or colour) is ignored and
//   reported, never a failure (colour_profile.h).
// - A truncated or corrupt file is an error, not a picture padded with grey.
// - Every failure comes back as a German reason (result.h); nothing throws.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/result.h"
#include "imaging/box_size.h"
#include "imaging/colour_profile.h"
#include "imaging/surface.h"

namespace vendrik {

enum class PictureFormat { Jpeg, Png, Tiff, Gif, Bmp, Pnm, Heif, Webp };

// What decoding one picture allocates, in bytes.
struct DecodeMemory {
    std::size_t picture = 0;  // one decoded surface
    int copies = 1;           // surfaces held at once (2 when it is turned upright)
    // The decoder's own buffers while it decodes: libjpeg's coefficient
    // arrays of a progressive or multi-scan file (the whole picture at full
    // size, whatever size it is decoded at), libpng's rows, libtiff's strips
    // or tiles. Given back when decoding ends.
    std::size_t working = 0;
};

struct LoadOptions {
    // The box the picture will be fitted into. When set, a JPEG may be
    // decoded at a reduced size (libjpeg-turbo's DCT scaling), never smaller
    // in either direction than the fitted result.
    std::optional<BoxSize> fitBox;
    // Whether that box is turned to the picture's orientation first.
    BoxTurn fitBoxTurn = BoxTurn::Fixed;
    // Told, once and before any of it is allocated, the memory the decoding
    // of the picture will take; it may block until that much memory may be
    // used (the batch run shares a memory budget between pictures loaded at
    // once).
    std::function<void(const DecodeMemory& memory)> reserveMemory;
    // Convert a picture with an embedded profile to sRGB (off: the pixels
    // as stored, as `vendrik-cli optimise --keep-pixels` asks).
    bool convertColours = true;
    // The caller converts after scaling (FitPictureToBox does): an RGB or
    // grey picture comes back as stored, with its profile in iccProfile and
    // `colour` left at NoProfile. A CMYK JPEG is converted by its decoder
    // all the same.
    bool deferColourConversion = false;
    // When set, told what became of the picture's colours.
    ColourReport* colourReport = nullptr;
};

struct LoadedPicture {
    // The picture's own size, upright: what the size rules work with.
    int width = 0;
    int height = 0;
    // The decoded pixels, upright. Equal to width × height unless the loader
    // decoded a reduced size for LoadOptions::fitBox.
    Surface pixels;
    PictureFormat format = PictureFormat::Jpeg;
    int orientation = 1;  // the EXIF Orientation applied (1 when none)
    // Where a decoder reports an embedded ICC profile: it puts the profile's
    // bytes here (at most kMaxProfileBytes) and leaves `colour` alone; the
    // loader converts the decoded pixels to sRGB from it. A decoder that
    // converts by itself (the JPEG decoder for CMYK) or finds a damaged
    // profile sets `colour` instead and leaves this empty.
    std::vector<std::uint8_t> iccProfile;
    // How the decoder found the picture stored; the profile must be of the
    // same kind (a grey profile on a colour picture is ignored).
    PictureChannels channels = PictureChannels::Colour;
    ColourReport colour;
};

[[nodiscard]] Result<LoadedPicture> loadPicture(const std::string& path,
                                                const LoadOptions& options = {});
// The same for a whole file held in memory (an output not yet written),
// with the same promises.
[[nodiscard]] Result<LoadedPicture> loadPicture(std::span<const std::uint8_t> bytes,
                                                const LoadOptions& options = {});

// The format a file's first bytes announce, if any.
[[nodiscard]] std::optional<PictureFormat> sniffPictureFormat(const unsigned char* head,
                                                              std::size_t size) noexcept;

}  // namespace vendrik
