#include "optimiser/output_formats.h"

#include "common/ascii_case.h"

namespace vendrik {

std::shared_ptr<const OutputFormat> outputFormat(OutputFormatId id) {
    switch (id) {
        case OutputFormatId::WebP:
            return webpOutputFormat();
        case OutputFormatId::Avif:
            return avifOutputFormat();
        case OutputFormatId::Jpeg:
            break;
    }
    return jpegOutputFormat();
}

std::shared_ptr<const OutputFormat> outputFormatOfSetting(int value) {
    for (const OutputFormatId id : kOutputFormatIds) {
        if (static_cast<int>(id) == value) {
            return outputFormat(id);
        }
    }
    return jpegOutputFormat();
}

std::optional<OutputFormatId> outputFormatNamed(std::string_view name) {
    for (const OutputFormatId id : kOutputFormatIds) {
        if (equalsIgnoringCase(outputFormat(id)->name(), name)) {
            return id;
        }
    }
    return std::nullopt;
}

std::optional<OutputFormatId> outputFormatForFileName(std::string_view fileName) {
    for (const OutputFormatId id : kOutputFormatIds) {
        if (endsWithIgnoringCase(fileName, outputFormat(id)->ending())) {
            return id;
        }
    }
    // The other spelling of JPEG's ending.
    if (endsWithIgnoringCase(fileName, ".jpeg")) {
        return OutputFormatId::Jpeg;
    }
    return std::nullopt;
}

std::string outputFormatKeyword(const OutputFormat& format) {
    std::string keyword(format.name());
    for (char& c : keyword) {
        c = asciiLower(c);
    }
    return keyword;
}

}  // namespace vendrik
