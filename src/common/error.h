#pragma once
// The one exception hierarchy of the core. cJpeg and clsEXIF raise their
// run-time errors as VendrikError subclasses carrying the number, the source
// and the description their callers (and tests) rely on; helpers never throw.

#include <stdexcept>
#include <string>
#include <utility>

namespace vendrik {

class VendrikError : public std::runtime_error {
public:
    VendrikError(int number, std::string source, const std::string& description)
        : std::runtime_error(description), m_number(number), m_source(std::move(source)) {}

    [[nodiscard]] int number() const noexcept { return m_number; }
    [[nodiscard]] const std::string& source() const noexcept { return m_source; }
    [[nodiscard]] std::string description() const { return what(); }

private:
    int m_number;
    std::string m_source;
};

// Precondition check that reads as a sentence at the call site; the second
// argument makes the error and is only called when the condition fails. As
// the encoder checks a quantisation value (jpegError is in jpeg_error.h):
//   enforce(q >= 1 && q <= 255, jpegError(JpegErrc::BadQuantizationTable));
template <typename MakeError>
void enforce(bool condition, MakeError&& makeError) {
    if (!condition) {
        throw std::forward<MakeError>(makeError)();
    }
}

}  // namespace vendrik
