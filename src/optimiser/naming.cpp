#include "optimiser/naming.h"

#include "common/ascii_case.h"
#include "common/utf8.h"
#include "optimiser/presets.h"

namespace vendrik {

std::string BaseName(std::string_view fileName) {
    return utf8WithoutLast(fileName, 4);
}

std::string baseNameFor(std::string_view fileName) {
    // One rule for every picture ending, three letters or four: the whole
    // ending goes with its point. Dropping four characters, as BaseName
    // does, is the same for ".jpg" but leaves the point of ".jpeg", ".tiff",
    // ".heic", ... behind ("strand.jpeg" would give "strand._new.jpg").
    // A leading point marks a hidden file, not an extension, unless the name
    // is a listed ending alone (".jpg" has an empty stem).
    const std::size_t dot = fileName.find_last_of('.');
    if (dot == std::string_view::npos || (dot == 0 && !matchesFileListPattern(fileName))) {
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

Result<void> checkNameTag(std::string_view nameTag) {
    if (nameTag.find('/') != std::string_view::npos) {
        return Failure{
            "Kennung enthält einen Schrägstrich; das Bild würde außerhalb des "
            "Zielordners geschrieben"};
    }
    if (nameTag == "." || nameTag == "..") {
        return Failure{"Kennung \"" + std::string(nameTag) + "\" ist ein Ordnerverweis"};
    }
    if (nameTag.find('\0') != std::string_view::npos) {
        return Failure{"Kennung enthält ein Nullzeichen"};
    }
    return {};
}

std::string TargetName(std::string_view targetFolder, std::string_view baseName,
                       std::string_view nameTag, bool tagFirst, std::string_view ending) {
    std::string name(targetFolder);
    if (tagFirst) {
        name.append(nameTag).append("_").append(baseName);
    } else {
        name.append(baseName).append("_").append(nameTag);
    }
    return name.append(ending);
}

}  // namespace vendrik
