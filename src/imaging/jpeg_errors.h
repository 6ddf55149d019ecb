#pragma once
// How Vendrik's two readers of JPEG files through libjpeg-turbo (the picture
// loader and the lossless rewriter) hear of a fault: libjpeg's error exit
// jumps back to the caller's setjmp with the message; warnings that mean
// damaged data (a file cut short, a bad Huffman code) are faults too; and a
// progressive file with an absurd number of scans is stopped.
//
// The caller keeps everything with a destructor outside the setjmp region,
// so that the jump skips none.

#include <csetjmp>
#include <cstdio>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

namespace vendrik::decoders {

// libjpeg's working memory for one picture: enough for the coefficient
// buffers of a progressive 100-megapixel picture at 4:2:0, far below what a
// forged header could ask for.
inline constexpr long kMaxJpegMemory = 700L * 1024 * 1024;
// A progressive file names its scans; real encoders use around ten. A file
// with thousands of tiny scans makes decoding quadratic (a known attack).
inline constexpr int kMaxScans = 100;

struct ErrorManager {
    jpeg_error_mgr pub{};
    std::jmp_buf jump{};
    char message[JMSG_LENGTH_MAX] = {};
};

// Installed as error_exit: keeps the message and jumps.
[[noreturn]] void failJpeg(j_common_ptr cinfo);
// Installed as emit_message: the warnings about damaged data fail.
void emitJpegMessage(j_common_ptr cinfo, int level);
// Installed as a decompressor's progress monitor: more than kMaxScans fail.
void limitScans(j_common_ptr cinfo);

// A decompressor's error manager, memory cap and scan limit; before
// jpeg_create_decompress for `err`, after it for the rest, as libjpeg asks.
inline void useErrorManager(j_common_ptr cinfo, ErrorManager& err) {
    cinfo->err = jpeg_std_error(&err.pub);
    err.pub.error_exit = failJpeg;
    err.pub.emit_message = emitJpegMessage;
}
inline void limitDecompressor(j_decompress_ptr cinfo, jpeg_progress_mgr& progress) {
    cinfo->mem->max_memory_to_use = kMaxJpegMemory;
    progress.progress_monitor = limitScans;
    cinfo->progress = &progress;
}

}  // namespace vendrik::decoders
