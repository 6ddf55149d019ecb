// libFuzzer target for the EXIF reader: any bytes as the head of a picture
// file, and as the data of a directory beyond a file head. Besides the
// sanitizers' findings it checks the reader's promises: a plain state, a
// bounded number of entries, display texts within their limit and valid
// UTF-8.

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "exif/clsEXIF.h"
#include "exif/exif_error.h"
#include "exif/exif_format.h"
#include "exif/exif_tags.h"

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool validUtf8(const std::string& s) {
    return vendrik::utf8ValidLength(s) == s.size();
}

void exercise(vendrik::clsEXIF& exif) {
    using namespace vendrik;
    require(exif.state() <= ExifState::FileMissing);
    require(exif.entries().size() <= clsEXIF::kMaxEntries);
    for (const ExifEntry& e : exif.entries()) {
        require(e.Display.size() <= kDisplayLimit);
        require(validUtf8(e.Display));
    }
    const std::string info = exif.ListInfo();
    require(validUtf8(info));
    const ExifSummary summary = exif.ListEXIF();
    for (const ExifLabel label : {ExifLabel::Camera, ExifLabel::Aperture, ExifLabel::Exposure,
                                  ExifLabel::Time, ExifLabel::Date}) {
        require(validUtf8(summary.shown(label)));
    }
    for (const std::int32_t tag : {272, 33434, 33437, 34665, 37377, 37378, 0, -1}) {
        std::string text;
        try {
            (void)exif.MetaInfo(tag, text);
            require(exif.state() == ExifState::Read);
        } catch (const ExifError& e) {
            require(exif.state() != ExifState::Read);
            require(e.number() == 10 || e.number() == 11);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    // The separator from the input, so both forms are explored.
    vendrik::clsEXIF exif(size > 0 && (data[0] & 1) ? "," : ".");
    exif.imageBytes(bytes);
    exercise(exif);

    // The whole input as directory data, larger than a file head can be.
    if (size >= 6) {
        vendrik::clsEXIF direct(".");
        const std::uint64_t offset = vendrik::ReadNumber(bytes, 0, 4, true) % size;
        (void)direct.ReadIFD(bytes, 4, offset, vendrik::tag::kExifOffset);
        exercise(direct);
    }
    return 0;
}
