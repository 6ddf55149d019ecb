#pragma once
// The EXIF reader's run-time errors. Each carries the number, source and
// German description its callers rely on; the texts also serve as the
// one-line answers of ListInfo, so they live in one table.

#include <array>
#include <cstddef>
#include <string_view>

#include "common/error.h"

namespace vendrik {

enum class ExifErrc {
    FileNotFound,  // missing or empty file; absorbed by ImageFile
    NoExifData,    // MetaInfo on a file without an EXIF block
    FileError,     // MetaInfo on a missing or empty file
};

struct ExifErrorText {
    int number;
    std::string_view source;
    std::string_view description;
};

inline constexpr std::array<ExifErrorText, 3> kExifErrorTexts = {{
    {2, "ReadMetaInfo", "Datei nicht gefunden."},
    {10, "MetaInfo", "Keine EXIF-Daten vorhanden."},
    {11, "MetaInfo", "Error."},
}};

[[nodiscard]] constexpr const ExifErrorText& exifErrorText(ExifErrc code) {
    return kExifErrorTexts[static_cast<std::size_t>(code)];
}

class ExifError : public VendrikError {
public:
    explicit ExifError(ExifErrc code)
        : VendrikError(exifErrorText(code).number, std::string(exifErrorText(code).source),
                       std::string(exifErrorText(code).description)),
          m_code(code) {}
    [[nodiscard]] ExifErrc code() const noexcept { return m_code; }

private:
    ExifErrc m_code;
};

}  // namespace vendrik
