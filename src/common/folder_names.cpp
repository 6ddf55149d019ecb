#include "common/folder_names.h"

#include <dirent.h>

#include <algorithm>

#include "common/ascii_case.h"

namespace vendrik {
namespace {

FolderEntryType typeOf(unsigned char dType) {
    switch (dType) {
        case DT_DIR:
            return FolderEntryType::Folder;
        case DT_REG:
            return FolderEntryType::File;
        case DT_LNK:
            return FolderEntryType::Link;
        case DT_UNKNOWN:
            return FolderEntryType::Unknown;
        default:
            return FolderEntryType::Other;
    }
}

}  // namespace

std::optional<std::vector<std::string>> sortedNamesIn(
    const std::string& folder,
    const std::function<bool(const std::string& name, FolderEntryType type)>& keep) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name != "." && name != ".." && keep(name, typeOf(e->d_type))) {
            names.push_back(std::move(name));
        }
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return lessIgnoringCase(a, b); });
    return names;
}

}  // namespace vendrik
