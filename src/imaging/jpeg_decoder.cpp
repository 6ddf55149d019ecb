// JPEG (and JPS, a JPEG by another name) through libjpeg-turbo.

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "imaging/exif_orientation.h"
#include "imaging/jpeg_errors.h"
#include "imaging/jpeg_markers.h"
#include "imaging/picture_decoders.h"
#include "imaging/scaling.h"
#include "imaging/surface_ops.h"

namespace vendrik::decoders {
namespace {

// The embedded profile: handed to the loader for an RGB or grey picture; a
// CMYK picture is converted here, from its ink values, when the caller wants
// sRGB. Returns the transform for the CMYK rows, or nullptr.
std::unique_ptr<CmykToSrgb> settleProfile(const JpegMarkers& markers, bool cmyk, bool inverted,
                                          const LoadOptions& options, LoadedPicture& out) {
    std::string problem;
    auto profile = markers.icc.profile(problem);
    if (!problem.empty()) {
        out.colour = {ColourOutcome::Ignored, problem + ", ignoriert"};
        return nullptr;
    }
    if (!profile) {
        return nullptr;
    }
    if (!cmyk) {
        out.iccProfile = std::move(*profile);
        return nullptr;
    }
    if (!options.convertColours) {
        out.colour = {ColourOutcome::NotConverted, {}};
        return nullptr;
    }
    auto transform = CmykToSrgb::create(*profile, inverted, problem);
    out.colour = transform ? ColourReport{ColourOutcome::Converted, {}}
                           : ColourReport{ColourOutcome::Ignored, problem};
    return transform;
}

// The smallest DCT scaling n/8 whose output is at least 1.5 times `need` in
// both directions (libjpeg-turbo rounds the scaled size up). DCT scaling by
// itself is a poor low-pass at ratios other than halves; leaving at least
// half a pixel more per result pixel to the area-averaging reduction keeps
// the result within a fraction of a decibel of reducing the full picture
// (measured on 12-megapixel photographs: 37.2 dB against a box filter at
// quality 95 instead of 36.1 dB when decoding just large enough).
void chooseScale(j_decompress_ptr cinfo, BoxSize need) {
    cinfo->scale_denom = 8;
    for (unsigned n = 1; n <= 8; ++n) {
        cinfo->scale_num = n;
        jpeg_calc_output_dimensions(cinfo);
        if (2 * static_cast<std::int64_t>(cinfo->output_width) >= 3 * std::int64_t{need.width} &&
            2 * static_cast<std::int64_t>(cinfo->output_height) >= 3 * std::int64_t{need.height}) {
            return;
        }
    }
}

// What libjpeg will allocate for decoding, known from the header: a
// progressive file, or one whose first scan does not hold every component,
// keeps the coefficients of the whole picture at full size (a JBLOCK, 64
// coefficients of 16 bits, per 8 × 8 pixels of each component, the rows
// rounded up to whole MCUs), however small the picture is decoded; every
// file needs a few rows of blocks and of samples.
std::size_t libjpegWorkingMemory(j_decompress_ptr cinfo) {
    const bool wholePicture =
        cinfo->progressive_mode != 0 || cinfo->comps_in_scan < cinfo->num_components;
    std::size_t bytes = 0;
    for (int c = 0; c < cinfo->num_components; ++c) {
        const jpeg_component_info& comp = cinfo->comp_info[c];
        const auto roundUp = [](std::size_t n, int m) {
            const auto mm = static_cast<std::size_t>(std::max(m, 1));
            return (n + mm - 1) / mm * mm;
        };
        const std::size_t wide = roundUp(comp.width_in_blocks, comp.h_samp_factor);
        const std::size_t high = roundUp(comp.height_in_blocks, comp.v_samp_factor);
        const std::size_t rows = wholePicture ? high : static_cast<std::size_t>(comp.v_samp_factor);
        bytes += wide * rows * sizeof(JBLOCK);
        // Sample rows for upsampling and colour conversion: a few rows of the
        // component's width, with context above and below.
        bytes += wide * DCTSIZE * static_cast<std::size_t>(cinfo->max_v_samp_factor) * DCTSIZE * 3;
    }
    return bytes;
}

// Adobe CMYK files store inverted ink values; others store them plainly.
void cmykRowToBgr(const JSAMPLE* in, std::uint8_t* out, int width, bool inverted) {
    for (int x = 0; x < width; ++x, in += 4, out += 3) {
        unsigned c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
        out[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
        out[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
    }
}

}  // namespace

Result<void> decodeJpeg(std::FILE* file, const LoadOptions& options, LoadedPicture& out) {
    // Everything with a destructor lives outside the setjmp region so that a
    // longjmp from libjpeg skips none.
    jpeg_decompress_struct cinfo{};
    ErrorManager err;
    jpeg_progress_mgr progress{};
    std::vector<JSAMPLE> cmykRow;
    Surface decoded;
    JpegMarkers markers;
    std::unique_ptr<CmykToSrgb> cmykToSrgb;

    useErrorManager(reinterpret_cast<j_common_ptr>(&cinfo), err);
    if (setjmp(err.jump) != 0) {
        jpeg_destroy_decompress(&cinfo);
        return Failure{std::string("JPEG beschädigt oder abgeschnitten: ") + err.message};
    }
    jpeg_create_decompress(&cinfo);
    limitDecompressor(&cinfo, progress);
    jpeg_stdio_src(&cinfo, file);
    watchMarkers(&cinfo, markers);
    jpeg_read_header(&cinfo, TRUE);

    if (Result<void> size = checkPictureSize(cinfo.image_width, cinfo.image_height); !size) {
        jpeg_destroy_decompress(&cinfo);
        return size;
    }
    out.orientation = exifOrientation(markers.exif);
    const auto transform = static_cast<Transform>(out.orientation);
    const bool swap = swapsSides(transform);
    out.width = static_cast<int>(swap ? cinfo.image_height : cinfo.image_width);
    out.height = static_cast<int>(swap ? cinfo.image_width : cinfo.image_height);

    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    out.channels = cinfo.jpeg_color_space == JCS_GRAYSCALE ? PictureChannels::Grey
                                                           : PictureChannels::Colour;
    cmykToSrgb = settleProfile(markers, cmyk, cinfo.saw_Adobe_marker != 0, options, out);
    if (options.fitBox) {
        const BoxSize box = turnedBox(*options.fitBox, out.width, out.height, options.fitBoxTurn);
        const BoxSize fit = fitPictureSize(out.width, out.height, box);
        chooseScale(&cinfo, swap ? BoxSize{fit.height, fit.width} : fit);
    }
    jpeg_calc_output_dimensions(&cinfo);
    const int w = static_cast<int>(cinfo.output_width);
    const int h = static_cast<int>(cinfo.output_height);
    // All of it before jpeg_start_decompress, which allocates libjpeg's part.
    reserveDecodeMemory(options, w, h, transform == Transform::Identity ? 1 : 2,
                        libjpegWorkingMemory(&cinfo) +
                            (cmyk ? static_cast<std::size_t>(w) * 4 : 0));
    jpeg_start_decompress(&cinfo);

    if (Result<void> allocated = allocateSurface(decoded, w, h); !allocated) {
        jpeg_destroy_decompress(&cinfo);
        return allocated;
    }
    if (cmyk) {
        cmykRow.resize(static_cast<std::size_t>(w) * 4);
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        std::uint8_t* row = decoded.row(static_cast<int>(cinfo.output_scanline));
        JSAMPROW dest = cmyk ? cmykRow.data() : row;
        jpeg_read_scanlines(&cinfo, &dest, 1);
        if (cmykToSrgb) {
            cmykToSrgb->convertRow(cmykRow.data(), row, w);
        } else if (cmyk) {
            cmykRowToBgr(cmykRow.data(), row, w, cinfo.saw_Adobe_marker != 0);
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);

    if (transform == Transform::Identity) {
        out.pixels = std::move(decoded);
        return {};
    }
    try {
        out.pixels = transformed(decoded, transform);
    } catch (const std::bad_alloc&) {
        return Failure{"nicht genug Speicher zum Aufrichten des Bildes"};
    }
    return {};
}

}  // namespace vendrik::decoders
