// HEIF (HEIC from phones, AVIF) through libheif: the primary image of the
// file, with the file's own transformations (rotation, mirror, crop)
// applied by libheif, alpha flattened onto white and more than 8 bits per
// channel brought down to 8.
//
// A HEIF file says how it is to be shown in its transformation properties;
// an EXIF Orientation it may carry as well describes the camera's sensor and
// is not applied on top (phones write both, and applying both would turn
// the picture twice). So `orientation` stays 1.
//
// AVIF's AV1 stream is decoded by our own decoder (av1_decoding.h).
//
// Colours: libheif turns the coded YCbCr into RGB with the file's own
// matrix (its nclx box). An embedded ICC profile (phones write Display P3;
// profile types "prof" and "rICC") goes to the loader, which converts the
// pixels to sRGB from it.

#include <libheif/heif.h>

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "imaging/av1_decoding.h"
#include "imaging/heif_source.h"
#include "imaging/interleaved_pixels.h"
#include "imaging/picture_decoders.h"

namespace vendrik::decoders {
namespace {


std::string heifProblem(const heif_error& e) {
    // Our AV1 decoder's own reason, without libheif's words around it.
    if (e.code == heif_error_Decoder_plugin_error) {
        const std::string m = heifMessage(e);
        const std::size_t ours = m.find("AV1-");
        if (ours != std::string::npos) {
            return "HEIF beschädigt: " + m.substr(ours);
        }
    }
    // libheif refuses sizes past its own limits before allocating.
    if (e.subcode == heif_suberror_Security_limit_exceeded) {
        return "Bild zu groß: " + heifMessage(e);
    }
    if (e.code == heif_error_Unsupported_feature || e.code == heif_error_Unsupported_filetype) {
        return "HEIF-Bild mit nicht unterstützter Kodierung: " + heifMessage(e);
    }
    if (e.code == heif_error_Memory_allocation_error) {
        return "nicht genug Speicher für das HEIF-Bild";
    }
    return "HEIF beschädigt oder abgeschnitten: " + heifMessage(e);
}

// libheif does not say before decoding whether a picture is coded as
// monochrome; decoded to RGB, such a picture has its three channels equal
// in every pixel. Asked only when the file carries a grey profile: a colour
// picture under one has its profile ignored.
bool allNeutral(const Surface& pixels) {
    for (int y = 0; y < pixels.height(); ++y) {
        const std::uint8_t* p = pixels.row(y);
        for (int x = 0; x < pixels.width(); ++x, p += 3) {
            if (p[0] != p[1] || p[1] != p[2]) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

Result<void> decodeHeif(std::FILE* file, const LoadOptions& options, LoadedPicture& out) {
    Result<std::uint64_t> fileSize = encodedFileSize(file);
    if (!fileSize) {
        return fileSize.failure();
    }
    HeifSource source(::fileno(file), static_cast<std::int64_t>(*fileSize));
    preferOwnAv1Decoder();
    try {
        HeifPtr<heif_context> context(heif_context_alloc());
        if (!context) {
            return Failure{"nicht genug Speicher für den HEIF-Leser"};
        }
        if (Result<void> read = source.read(context.get(), heifProblem); !read) {
            return read;
        }
        heif_image_handle* rawHandle = nullptr;
        heif_error e = heif_context_get_primary_image_handle(context.get(), &rawHandle);
        HeifPtr<heif_image_handle> handle(rawHandle);
        if (e.code != heif_error_Ok) {
            return Failure{heifProblem(e)};
        }
        // The size as shown (after rotation), from the file's properties,
        // checked before libheif decodes anything.
        const int w = heif_image_handle_get_width(handle.get());
        const int h = heif_image_handle_get_height(handle.get());
        if (Result<void> size = checkPictureSize(w, h); !size) {
            return size;
        }
        // The coded stream carries a size of its own, which libheif decodes
        // at whatever the file's properties claim: 64 x 64 in the file over
        // a stream of 8192 x 8192 would take half a gigabyte past what was
        // reserved. So libheif refuses a coded picture wider or taller than
        // the stored size (before a crop), rounded up to the coding units
        // (at most 64 pixels) a stream pads its pictures to; what it may
        // then decode is at most that side squared.
        const int stored = std::max({w, h, heif_image_handle_get_ispe_width(handle.get()),
                                     heif_image_handle_get_ispe_height(handle.get())});
        const int codedSide = (stored + 63) / 64 * 64;
        heif_context_set_maximum_image_size_limit(context.get(), codedSide + 1);
        if (const std::size_t n = heif_image_handle_get_raw_color_profile_size(handle.get());
            n > kMaxProfileBytes) {
            out.colour = {ColourOutcome::Ignored, "Farbprofil zu groß (höchstens 4 MB), ignoriert"};
        } else if (n > 0) {
            std::vector<std::uint8_t> profile(n);
            if (heif_image_handle_get_raw_color_profile(handle.get(), profile.data()).code ==
                heif_error_Ok) {
                takeEmbeddedProfile(out, profile.data(), profile.size(), PictureChannels::Colour);
            }
        }
        const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
        // Besides our surface, libheif holds the coded data it reads (at
        // most the file) and hands on to the decoder, the decoded planes (up
        // to 16 bits a sample at 4:4:4: two surfaces' worth) and its
        // interleaved result (4 bytes a pixel with alpha), each at most at
        // the coded size.
        const std::size_t coded = static_cast<std::size_t>(codedSide) * codedSide;
        const std::size_t working =
            2 * static_cast<std::size_t>(*fileSize) + coded * 3 * 2 + coded * (alpha ? 4 : 3);
        if (Result<void> allocated = allocatePixels(out, w, h, options, 1, working); !allocated) {
            return allocated;
        }

        HeifPtr<heif_decoding_options> decoding(heif_decoding_options_alloc());
        if (!decoding) {
            return Failure{"nicht genug Speicher für den HEIF-Leser"};
        }
        decoding->ignore_transformations = 0;
        decoding->convert_hdr_to_8bit = 1;
        // A damaged picture is an error, not a picture with grey gaps.
        decoding->strict_decoding = 1;
        heif_image* rawImage = nullptr;
        e = heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                              alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                              decoding.get());
        HeifPtr<heif_image> image(rawImage);
        if (e.subcode == heif_suberror_Security_limit_exceeded) {
            return Failure{"HEIF beschädigt: das kodierte Bild ist größer als angegeben (" +
                           std::to_string(w) + " x " + std::to_string(h) + " Pixel)"};
        }
        if (e.code != heif_error_Ok || !image) {
            return Failure{heifProblem(e)};
        }
        int stride = 0;
        const std::uint8_t* top =
            heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
        const int dw = heif_image_get_width(image.get(), heif_channel_interleaved);
        const int dh = heif_image_get_height(image.get(), heif_channel_interleaved);
        const int bits = heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved);
        if (top == nullptr || bits != 8 || dw != w || dh != h ||
            stride < (alpha ? 4 : 3) * w) {
            return Failure{"HEIF-Bild mit nicht unterstütztem Pixelformat"};
        }
        copyInterleavedRows(top, stride, alpha ? ChannelOrder::Rgba : ChannelOrder::Rgb,
                            out.pixels);
        if (isGreyProfile(out.iccProfile) && allNeutral(out.pixels)) {
            out.channels = PictureChannels::Grey;
        }
    } catch (const std::bad_alloc&) {
        return Failure{"nicht genug Speicher für das HEIF-Bild"};
    }
    return {};
}

}  // namespace vendrik::decoders
