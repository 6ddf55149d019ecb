#include "json_output.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "common/utf8.h"
#include "optimiser/source_as_output.h"

namespace vendrik::cli {
namespace {

std::string_view statusName(const PictureResult& r, bool dryRun) {
    switch (r.status) {
        case PictureStatus::Written:
            if (dryRun) {
                return "dry-run";
            }
            return r.sourceKept ? "source-kept" : "written";
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

std::string base64(std::string_view bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k) {
            group = group << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0U);
        }
        for (std::size_t k = 0; k < 4; ++k) {
            out += k <= n ? kDigits[(group >> (18 - 6 * k)) & 0x3F] : '=';
        }
    }
    return out;
}

std::string jsonResult(const PictureResult& r, const std::string& source,
                       const std::string& target, bool dryRun, std::string_view format) {
    // A name that is not UTF-8 reads with U+FFFD in its place; its bytes
    // beside it name the file exactly.
    const auto name = [](const char* field, const std::string& text) {
        std::string out = ",\"" + std::string(field) + "\":" + jsonString(text);
        if (!isValidUtf8(text)) {
            out += ",\"" + std::string(field) + "_bytes\":\"" + base64(text) + "\"";
        }
        return out;
    };
    std::string out = "{" + name("source", source).substr(1);
    out += name("target", target);
    out += ",\"status\":\"" + std::string(statusName(r, dryRun)) + "\"";
    std::string reason = r.reason;
    if (r.sourceKept) {
        reason += (reason.empty() ? "" : "; ") + std::string(kSourceKeptText);
    }
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
    out += ",\"notes\":[";
    for (std::size_t i = 0; i < r.notes.size(); ++i) {
        out += (i > 0 ? "," : "") + jsonString(r.notes[i]);
    }
    out += "]}";
    return out;
}

}  // namespace vendrik::cli
