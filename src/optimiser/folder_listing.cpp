#include "optimiser/folder_listing.h"

#include <sys/stat.h>

#include "common/folder_names.h"
#include "common/path_text.h"
#include "common/picture_endings.h"

namespace vendrik {

std::optional<std::vector<std::string>> listPictureFiles(const std::string& folder) {
    return sortedNamesIn(folder, [&](const std::string& name, FolderEntryType) {
        if (!matchesFileListPattern(name)) {
            return false;
        }
        struct stat st {};
        return ::stat(joinPath(folder, name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
    });
}

}  // namespace vendrik
