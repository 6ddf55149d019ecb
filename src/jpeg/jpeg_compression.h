#pragma once

namespace vendrik {

enum class JpegCompression {
    Standard,  // baseline sequential, T.81 Annex K tables, optimised Huffman tables
    Strong,    // progressive, tuned tables, rate–distortion optimised quantisation
};

}  // namespace vendrik
