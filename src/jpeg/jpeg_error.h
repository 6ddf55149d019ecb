#pragma once
// The encoder's run-time errors: all carry number 1 and one of five fixed
// English descriptions, which callers and stored logs may match on.

#include <array>
#include <cstddef>
#include <string_view>

#include "common/error.h"

namespace vendrik {

enum class JpegErrc {
    InvalidSamplingValue,
    IllegalCommentLength,
    BadQuantizationTable,
    IllegalQuantPrecision,
    BadHuffmanTable,
};

inline constexpr std::array<std::string_view, 5> kJpegErrorTexts = {
    "Invalid Sampling Value",
    "Illegal Comment Length",
    "Bad Quantization Table",
    "Illegal precision in Quantisation Table",
    "Bad Huffman Table",
};

class JpegError : public VendrikError {
public:
    static constexpr int kNumber = 1;
    explicit JpegError(JpegErrc code)
        : VendrikError(kNumber, "cJpeg",
                       std::string(kJpegErrorTexts[static_cast<std::size_t>(code)])),
          m_code(code) {}
    [[nodiscard]] JpegErrc code() const noexcept { return m_code; }

private:
    JpegErrc m_code;
};

// For enforce(): enforce(ok, jpegError(JpegErrc::BadHuffmanTable)).
inline auto jpegError(JpegErrc code) {
    return [code] { return JpegError(code); };
}

}  // namespace vendrik
