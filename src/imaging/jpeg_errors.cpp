#include "imaging/jpeg_errors.h"

#include <jerror.h>

namespace vendrik::decoders {

void failJpeg(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings about the data itself mean the picture would come out with grey
// or smeared blocks: they are treated as the corruption they are.
void emitJpegMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) {
        return;
    }
    switch (cinfo->err->msg_code) {
        case JWRN_JPEG_EOF:
        case JWRN_HIT_MARKER:
        case JWRN_HUFF_BAD_CODE:
        case JWRN_MUST_RESYNC:
            failJpeg(cinfo);
        default:
            cinfo->err->num_warnings++;
    }
}

void limitScans(j_common_ptr cinfo) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->progressive_mode && d->input_scan_number > kMaxScans) {
        auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
        std::snprintf(err->message, sizeof err->message,
                      "mehr als %d Scans in einem progressiven JPEG", kMaxScans);
        std::longjmp(err->jump, 2);
    }
}

}  // namespace vendrik::decoders
