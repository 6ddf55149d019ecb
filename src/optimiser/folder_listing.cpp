#include "optimiser/folder_listing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "common/ascii_case.h"
#include "common/path_text.h"
#include "common/picture_endings.h"

namespace vendrik {

std::optional<std::vector<std::string>> listPictureFiles(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (!matchesFileListPattern(name)) {
            continue;
        }
        struct stat st {};
        const std::string path = joinPath(folder, name);
        if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            names.push_back(name);
        }
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return lessIgnoringCase(a, b); });
    return names;
}

}  // namespace vendrik
