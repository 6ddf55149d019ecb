#include "startup/picture_listing.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <unordered_map>
#include <utility>

#include "common/ascii_case.h"
#include "common/folder_names.h"
#include "common/path_text.h"
#include "common/picture_endings.h"

namespace vendrik {
namespace {

struct FolderEntries {
    std::vector<std::string> pictures;    // names, sorted
    std::vector<std::string> subfolders;  // names of real folders (not links), sorted
    dev_t device = 0;
    ino_t inode = 0;
};

void sortIgnoringCase(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return lessIgnoringCase(a, b); });
}

std::optional<FolderEntries> readFolder(const std::string& folder) {
    FolderEntries out;
    // One pass over the folder: the pictures are what the filter keeps, the
    // real subfolders are gathered on the way.
    auto pictures = sortedNamesIn(folder, [&](const std::string& name, FolderEntryType type) {
        const std::string path = joinPath(folder, name);
        struct stat st {};
        if (matchesFileListPattern(name) && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            return true;
        }
        // lstat: a link to a folder is not a subfolder, so no walk can loop.
        if (type == FolderEntryType::Folder ||
            (type == FolderEntryType::Unknown && ::lstat(path.c_str(), &st) == 0 &&
             S_ISDIR(st.st_mode))) {
            out.subfolders.push_back(name);
        }
        return false;
    });
    if (!pictures) {
        return std::nullopt;
    }
    out.pictures = std::move(*pictures);
    sortIgnoringCase(out.subfolders);
    struct stat self {};
    if (::stat(folder.c_str(), &self) == 0) {
        out.device = self.st_dev;
        out.inode = self.st_ino;
    }
    return out;
}

class TreeWalk {
public:
    TreeWalk(std::string root, const std::string& leaveOut) : m_root(std::move(root)) {
        struct stat st {};
        if (!leaveOut.empty() && ::stat(leaveOut.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            m_leaveOut = {st.st_dev, st.st_ino};
        }
    }

    // Lists the folder `relative` below the root; false when it cannot be read.
    bool walk(const std::string& relative, bool recursive) {
        const std::string folder = relative.empty() ? m_root : joinPath(m_root, relative);
        const auto entries = readFolder(folder);
        if (!entries) {
            return false;
        }
        // Bind mounts can show a folder inside itself; a folder seen before
        // is not listed twice.
        const std::pair<dev_t, ino_t> id{entries->device, entries->inode};
        if (!m_seen.insert(id).second || (!relative.empty() && m_leaveOut == id)) {
            return true;
        }
        for (const std::string& name : entries->pictures) {
            m_tree.pictures.push_back({joinPath(folder, name), relative});
        }
        if (!recursive) {
            m_tree.subfoldersLeftOut += entries->subfolders.size();
            return true;
        }
        for (const std::string& name : entries->subfolders) {
            const std::string sub = relative.empty() ? name : relative + "/" + name;
            if (!walk(sub, true)) {
                m_tree.unreadableFolders.push_back(joinPath(m_root, sub));
            }
        }
        return true;
    }

    PictureTree take() {
        return std::move(m_tree);
    }

private:
    std::string m_root;
    std::optional<std::pair<dev_t, ino_t>> m_leaveOut;
    PictureTree m_tree;
    std::set<std::pair<dev_t, ino_t>> m_seen;
};

}  // namespace

std::optional<std::vector<std::string>> listPictureFiles(const std::string& folder) {
    auto entries = readFolder(folder);
    if (!entries) {
        return std::nullopt;
    }
    return std::move(entries->pictures);
}

std::optional<PictureTree> listPictureTree(const std::string& folder, bool recursive,
                                           const std::string& leaveOut) {
    TreeWalk walk(folder, leaveOut);
    if (!walk.walk({}, recursive)) {
        return std::nullopt;
    }
    return walk.take();
}

std::string entryIdentity(const std::string& path) {
    namespace fs = std::filesystem;
    const std::string_view name = lastPathName(path);
    std::error_code ec;
    if (name.empty() || name == "." || name == "..") {
        const fs::path whole = fs::weakly_canonical(path, ec);
        return ec ? fs::absolute(path, ec).lexically_normal().string() : whole.string();
    }
    const std::string folder = path.size() == name.size() ? "." : std::string(folderPart(path));
    fs::path resolved = fs::weakly_canonical(folder, ec);
    if (ec) {
        resolved = fs::absolute(folder, ec).lexically_normal();
    }
    return (resolved / std::string(name)).string();
}

std::vector<std::optional<std::size_t>> earlierNamings(const std::vector<std::string>& paths) {
    std::vector<std::optional<std::size_t>> out(paths.size());
    std::unordered_map<std::string, std::size_t> first;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const auto [it, inserted] = first.emplace(entryIdentity(paths[i]), i);
        if (!inserted) {
            out[i] = it->second;
        }
    }
    return out;
}

}  // namespace vendrik
