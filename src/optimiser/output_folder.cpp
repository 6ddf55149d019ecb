#include "optimiser/output_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/path_text.h"
#include "common/regular_file.h"

namespace vendrik {

Result<void> checkTargetFolder(const std::string& folder) {
    const std::string path = folder.empty() ? "." : folder;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) {
            return Failure{"Zielordner " + folder + " nicht gefunden"};
        }
        return Failure{"Zielordner " + folder + ": " + systemErrorText(errno)};
    }
    if (!S_ISDIR(st.st_mode)) {
        return Failure{"Ziel " + folder + " ist kein Ordner"};
    }
    if (::access(path.c_str(), W_OK | X_OK) != 0) {
        return Failure{"Zielordner " + folder + " ist schreibgeschützt"};
    }
    return {};
}

bool isPlainSubfolder(std::string_view subfolder) noexcept {
    if (subfolder.empty()) {
        return true;
    }
    if (subfolder.front() == '/') {
        return false;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = subfolder.find('/', start);
        const std::string_view part = subfolder.substr(start, slash - start);
        if (part.empty() || part == "." || part == "..") {
            return false;
        }
        if (slash == std::string_view::npos) {
            return true;
        }
        start = slash + 1;
    }
}

Result<void> makeSubfolders(const std::string& base, std::string_view subfolder) {
    std::string path = withTrailingSlash(base);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return Failure{"Zielordner " + base + " nicht gefunden"};
    }
    std::size_t start = 0;
    while (start < subfolder.size()) {
        const std::size_t slash = std::min(subfolder.find('/', start), subfolder.size());
        path += subfolder.substr(start, slash - start);
        if (::mkdir(path.c_str(), 0777) != 0) {
            const int made = errno;
            // A link in the target folder, even to a folder, is not
            // followed: it could lead the outputs anywhere.
            if (made == EEXIST && ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
                return Failure{"Ordner " + path +
                               " ist ein symbolischer Verweis; Ausgaben bleiben im Zielordner"};
            }
            if (made != EEXIST || ::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
                return Failure{"Ordner " + path + " kann nicht angelegt werden: " +
                               systemErrorText(made == EEXIST ? ENOTDIR : made)};
            }
        }
        path += '/';
        start = slash + 1;
    }
    return {};
}

std::string writeProblem(int errorNumber) {
    switch (errorNumber) {
        case ENOENT:
        case ENOTDIR:
            return "Zielordner nicht gefunden";
        case EACCES:
        case EPERM:
        case EROFS:
            return "Zielordner ist schreibgeschützt";
        case ENOSPC:
        case EDQUOT:
            return "kein Platz mehr auf dem Datenträger";
        default:
            // EFBIG under a file-size limit (ulimit -f), a name too long, ...
            return "Schreibfehler: " + systemErrorText(errorNumber);
    }
}

}  // namespace vendrik
