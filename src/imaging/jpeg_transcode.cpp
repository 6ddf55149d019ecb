#include "imaging/jpeg_transcode.h"

#include <cerrno>
#include <cstdlib>
#include <exception>
#include <string>

#include "common/regular_file.h"
#include "imaging/exif_orientation.h"
#include "imaging/jpeg_errors.h"
#include "imaging/jpeg_markers.h"
#include "imaging/picture_decoders.h"

namespace vendrik {
namespace {

using decoders::ErrorManager;

// The coefficient arrays libjpeg keeps for the whole picture: one JBLOCK
// (64 coefficients of 16 bits) per 8 × 8 samples of each component, rows and
// columns rounded up to whole MCUs.
std::size_t coefficientBytes(const jpeg_decompress_struct& cinfo) {
    std::size_t bytes = 0;
    for (int c = 0; c < cinfo.num_components; ++c) {
        const jpeg_component_info& comp = cinfo.comp_info[c];
        const auto roundUp = [](std::size_t n, int to) {
            const auto step = static_cast<std::size_t>(to < 1 ? 1 : to);
            return (n + step - 1) / step * step;
        };
        bytes += roundUp(comp.width_in_blocks, comp.h_samp_factor) *
                 roundUp(comp.height_in_blocks, comp.v_samp_factor) * sizeof(JBLOCK);
    }
    return bytes;
}

// Owns the two libjpeg objects and the output buffer, so that every way out
// frees them.
struct Codecs {
    jpeg_decompress_struct in{};
    jpeg_compress_struct out{};
    bool inMade = false;
    bool outMade = false;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;

    Codecs() = default;
    Codecs(const Codecs&) = delete;
    Codecs& operator=(const Codecs&) = delete;
    ~Codecs() {
        if (outMade) {
            jpeg_destroy_compress(&out);
        }
        if (inMade) {
            jpeg_destroy_decompress(&in);
        }
        std::free(buffer);
    }
};

}  // namespace

Result<RewrittenJpeg> rewriteJpeg(const std::string& path, const JpegRewrite& how) {
    RegularFile file(path);
    if (!file.isOpen()) {
        return Failure{file.problem()};
    }
    std::string source;
    if (!file.readUpTo(source, static_cast<std::size_t>(file.size()))) {
        return Failure{"Datei nicht lesbar: " + systemErrorText(errno)};
    }
    if (source.size() < 3 || static_cast<unsigned char>(source[0]) != 0xFF ||
        static_cast<unsigned char>(source[1]) != 0xD8 ||
        static_cast<unsigned char>(source[2]) != 0xFF) {
        return Failure{"kein JPEG: verlustfrei lassen sich nur JPEG-Dateien neu schreiben"};
    }

    // Everything with a destructor lives outside the setjmp region so that a
    // longjmp from libjpeg skips none.
    RewrittenJpeg result;
    Codecs codecs;
    ErrorManager err;
    jpeg_progress_mgr progress{};
    decoders::JpegMarkers markers;
    std::vector<JpegSegment> segments;
    std::vector<std::uint8_t> profile;
    std::string problem;

    decoders::useErrorManager(reinterpret_cast<j_common_ptr>(&codecs.in), err);
    codecs.out.err = codecs.in.err;
    if (setjmp(err.jump) != 0) {
        return Failure{std::string("JPEG beschädigt oder abgeschnitten: ") + err.message};
    }
    jpeg_create_decompress(&codecs.in);
    codecs.inMade = true;
    decoders::limitDecompressor(&codecs.in, progress);
    jpeg_mem_src(&codecs.in, reinterpret_cast<const unsigned char*>(source.data()),
                 static_cast<unsigned long>(source.size()));
    decoders::watchMarkers(&codecs.in, markers);
    jpeg_read_header(&codecs.in, TRUE);

    if (codecs.in.arith_code) {
        return Failure{"arithmetisch kodiertes JPEG: verlustfrei wird nur Huffman-Kodierung "
                       "neu geschrieben"};
    }
    if (codecs.in.data_precision != 8) {
        return Failure{"JPEG mit " + std::to_string(codecs.in.data_precision) +
                       " Bit: verlustfrei werden nur 8-Bit-Dateien neu geschrieben"};
    }
    if (Result<void> size = decoders::checkPictureSize(codecs.in.image_width,
                                                       codecs.in.image_height);
        !size) {
        return size.failure();
    }
    result.facts.stored = {static_cast<int>(codecs.in.image_width),
                           static_cast<int>(codecs.in.image_height)};
    result.facts.orientation = exifOrientation(markers.exif);
    if (auto icc = markers.icc.profile(problem)) {
        profile = std::move(*icc);
    } else if (!problem.empty()) {
        result.notes.push_back(problem + ", weggelassen");
    }
    try {
        if (how.segments) {
            segments = how.segments(result.facts);
        }
        if (how.reserveMemory) {
            how.reserveMemory(coefficientBytes(codecs.in) + source.size());
        }
    } catch (const std::exception& e) {
        return Failure{e.what()};
    }

    jvirt_barray_ptr* coefficients = jpeg_read_coefficients(&codecs.in);
    jpeg_create_compress(&codecs.out);
    codecs.outMade = true;
    jpeg_mem_dest(&codecs.out, &codecs.buffer, &codecs.size);
    jpeg_copy_critical_parameters(&codecs.in, &codecs.out);
    codecs.out.optimize_coding = TRUE;
    jpeg_write_coefficients(&codecs.out, coefficients);
    for (const JpegSegment& s : segments) {
        jpeg_write_marker(&codecs.out, s.marker, s.payload.data(),
                          static_cast<unsigned>(s.payload.size()));
    }
    if (!profile.empty()) {
        jpeg_write_icc_profile(&codecs.out, profile.data(), static_cast<unsigned>(profile.size()));
    }
    jpeg_finish_compress(&codecs.out);
    jpeg_finish_decompress(&codecs.in);

    result.bytes.assign(codecs.buffer, codecs.buffer + codecs.size);
    return result;
}

}  // namespace vendrik
