#include "json_output.h"

#include <cstdio>

#include "common/utf8.h"

namespace vendrik::cli {
namespace {

std::string_view statusName(PictureStatus status, bool dryRun) {
    switch (status) {
        case PictureStatus::Written:
            return dryRun ? "dry-run" : "written";
        case PictureStatus::Skipped:
            return "skipped";
        case PictureStatus::Failed:
            return "failed";
        case PictureStatus::Cancelled:
            return "cancelled";
    }
    return "failed";
}

}  // namespace

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    // RFC 8259 section 7: quotation mark, reverse solidus and the control
    // characters U+0000 to U+001F must be escaped; everything else may
    // stand as UTF-8.
    for (const char32_t c : utf8CodePoints(text, U'\uFFFD')) {
        switch (c) {
            case U'"':
                out += "\\\"";
                break;
            case U'\\':
                out += "\\\\";
                break;
            case U'\b':
                out += "\\b";
                break;
            case U'\f':
                out += "\\f";
                break;
            case U'\n':
                out += "\\n";
                break;
            case U'\r':
                out += "\\r";
                break;
            case U'\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                    out += escaped;
                } else {
                    appendUtf8(out, c);
                }
        }
    }
    out += '"';
    return out;
}

std::string jsonResult(const PictureResult& r, const std::string& source,
                       const std::string& target, bool dryRun, std::string_view format) {
    std::string out = "{\"source\":" + jsonString(source);
    out += ",\"target\":" + jsonString(target);
    out += ",\"status\":\"" + std::string(statusName(r.status, dryRun)) + "\"";
    std::string reason = r.reason;
    if (!r.watermarkError.empty()) {
        reason += (reason.empty() ? "" : "; ") + std::string("Wasserzeichen nicht eingeblendet: ") +
                  r.watermarkError;
    }
    out += ",\"reason\":" + jsonString(reason);
    out += ",\"width\":" + std::to_string(r.size.width);
    out += ",\"height\":" + std::to_string(r.size.height);
    out += ",\"bytes\":" + std::to_string(r.bytes);
    out += ",\"quality\":" + std::to_string(r.quality);
    out += ",\"format\":" + jsonString(format);
    out += '}';
    return out;
}

}  // namespace vendrik::cli
