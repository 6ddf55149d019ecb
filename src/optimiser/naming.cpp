#include "optimiser/naming.h"

#include <array>

#include "optimiser/presets.h"

namespace vendrik {
namespace {

bool endsWithIgnoringCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) {
        return false;
    }
    const std::string_view tail = text.substr(text.size() - suffix.size());
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != suffix[i]) {
            return false;
        }
    }
    return true;
}

constexpr std::array<std::string_view, 7> kListedExtensions{".jpg", ".jpeg", ".bmp", ".tif",
                                                            ".gif", ".png",  ".jps"};
static_assert(kListedExtensions.size() == 7);

}  // namespace

bool matchesFileListPattern(std::string_view fileName) noexcept {
    for (const std::string_view ext : kListedExtensions) {
        if (endsWithIgnoringCase(fileName, ext)) {
            return true;
        }
    }
    return false;
}

std::string BaseName(std::string_view fileName) {
    // Walk back four UTF-8 characters: skip continuation bytes (10xxxxxx).
    std::size_t end = fileName.size();
    for (int dropped = 0; dropped < 4 && end > 0; ++dropped) {
        --end;
        while (end > 0 && (static_cast<unsigned char>(fileName[end]) & 0xC0) == 0x80) {
            --end;
        }
    }
    return std::string(fileName.substr(0, end));
}

std::string baseNameFor(std::string_view fileName) {
    if (matchesFileListPattern(fileName)) {
        return BaseName(fileName);
    }
    // A leading point marks a hidden file, not an extension.
    const std::size_t dot = fileName.find_last_of('.');
    if (dot == std::string_view::npos || dot == 0) {
        return std::string(fileName);
    }
    return std::string(fileName.substr(0, dot));
}

std::string NameTag(const NamingSettings& naming, BoxSize scaled) {
    switch (naming.option) {
        case NameOption::ListTag:
            if (naming.listTag == kPictureSizeTag) {
                return std::to_string(scaled.height) + "x" + std::to_string(scaled.width);
            }
            return naming.listTag;
        case NameOption::OwnTag:
            return naming.ownTag;
        case NameOption::None:
            break;
    }
    return {};
}

std::string TargetName(std::string_view targetFolder, std::string_view baseName,
                       std::string_view nameTag, bool tagFirst) {
    std::string name(targetFolder);
    if (tagFirst) {
        name.append(nameTag).append("_").append(baseName);
    } else {
        name.append(baseName).append("_").append(nameTag);
    }
    return name + ".jpg";
}

std::string withTrailingSlash(std::string_view folder) {
    std::string out(folder);
    if (!out.empty() && out.back() != '/') {
        out += '/';
    }
    return out;
}

}  // namespace vendrik
