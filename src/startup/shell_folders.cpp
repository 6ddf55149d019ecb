#include "startup/shell_folders.h"

#include <cstdlib>
#include <sstream>
#include <optional>
#include <string_view>

#include "common/regular_file.h"
#include "startup/path_helpers.h"
#include "startup/xdg_dirs.h"

namespace vendrik {
namespace {

// The value of one line of user-dirs.dirs, which xdg-user-dirs writes as
// NAME="$HOME/Dokumente" or NAME="/absolute/path", with \ escaping " \ $ `.
std::optional<std::string> userDirValue(std::string_view line, std::string_view name,
                                        const std::string& home) {
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line.substr(first, name.size()) != name) {
        return std::nullopt;
    }
    line.remove_prefix(first + name.size());
    if (line.substr(0, 2) != "=\"") {
        return std::nullopt;
    }
    line.remove_prefix(2);
    std::string out;
    if (line.substr(0, 5) == "$HOME") {
        out = home;
        line.remove_prefix(5);
    } else if (line.empty() || line.front() != '/') {
        return std::nullopt;  // only absolute or $HOME-relative paths are allowed
    }
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') {
            return out;
        }
        if (line[i] == '\\' && i + 1 < line.size()) {
            ++i;
        }
        out += line[i];
    }
    return std::nullopt;  // no closing quote
}

// The text of user-dirs.dirs: an ordinary file only (a FIFO in its place
// would hang start-up), and no more than any real one holds.
std::string userDirsText(const std::string& path) {
    constexpr std::size_t kMaxBytes = 1U << 20;
    const RegularFile file(path);
    if (!file.isOpen()) {
        return {};
    }
    std::string text;
    static_cast<void>(file.readUpTo(text, kMaxBytes));  // what was read, or nothing
    return text;
}

std::string documentsFolder() {
    const std::string home = environmentValue("HOME");
    const std::string config = xdgConfigHome();
    std::string folder;
    if (!config.empty()) {
        std::istringstream in(userDirsText(config + "user-dirs.dirs"));
        std::string line;
        while (std::getline(in, line)) {
            if (const auto v = userDirValue(line, "XDG_DOCUMENTS_DIR", home)) {
                folder = *v;  // the last assignment wins, as in the shell
            }
        }
    }
    if (folder.empty()) {
        folder = home;
    }
    if (folder.empty() || folder.front() != '/') {
        return "/";
    }
    return AddBackslash(folder);
}

}  // namespace

std::string GetSpecialFolder(int folderNumber) {
    if (folderNumber == kSpecialFolderDocuments) {
        return documentsFolder();
    }
    return "/";
}

std::string InitShellFolders() {
    return GetSpecialFolder(kSpecialFolderDocuments);
}

}  // namespace vendrik
