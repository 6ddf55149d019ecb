#include "startup/folder_list.h"

#include <sys/stat.h>

#include <filesystem>

#include "common/folder_names.h"
#include "common/path_text.h"
#include "common/utf8.h"
#include "startup/path_helpers.h"

namespace vendrik {

std::string currentFolder() {
    std::error_code ec;
    const std::filesystem::path cwd = std::filesystem::current_path(ec);
    if (ec || !cwd.is_absolute()) {
        return "/";
    }
    return normalFolderPath(cwd.string(), "/");
}

std::string normalFolderPath(std::string_view path, std::string_view base) {
    std::filesystem::path p(path);
    if (!p.is_absolute()) {
        p = std::filesystem::path(base) / p;
    }
    std::string out = p.lexically_normal().string();
    while (out.size() > 1 && out.back() == '/') {
        out.pop_back();
    }
    return out.empty() ? std::string("/") : out;
}

std::string chooserStartFolder(std::string_view startPath, const std::string& fallback) {
    if (!startPath.empty() && FolderExists(std::string(startPath))) {
        return normalFolderPath(startPath, fallback);
    }
    return normalFolderPath(fallback, "/");
}

std::optional<std::vector<std::string>> listSubfolders(const std::string& folder) {
    return sortedNamesIn(folder, [&](const std::string& name, FolderEntryType type) {
        if (name.front() == '.') {
            return false;  // hidden
        }
        if (type == FolderEntryType::Link || type == FolderEntryType::Unknown) {
            struct stat st {};
            return ::stat(joinPath(folder, name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        return type == FolderEntryType::Folder;
    });
}

std::vector<FolderListEntry> folderListEntries(const std::string& folder,
                                               const std::vector<std::string>& subfolders) {
    std::vector<FolderListEntry> entries;
    entries.push_back({"/", "/", 0, true});
    std::string path;
    int level = 0;
    for (std::size_t start = 1; start < folder.size();) {
        auto end = folder.find('/', start);
        if (end == std::string::npos) {
            end = folder.size();
        }
        if (end > start) {
            path += '/';
            path.append(folder, start, end - start);
            entries.push_back({folder.substr(start, end - start), path, ++level, true});
        }
        start = end + 1;
    }
    entries.reserve(entries.size() + subfolders.size());
    for (const std::string& name : subfolders) {
        entries.push_back({name, joinPath(folder, name), level + 1, false});
    }
    return entries;
}

std::string displayName(std::string_view name) {
    constexpr char32_t kReplacement = 0xFFFD;
    constexpr char32_t kControlPictures = 0x2400;  // U+2400 + c shows control c
    constexpr char32_t kDeletePicture = 0x2421;
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size();) {
        const auto c = decodeUtf8At(name, i);
        if (!c) {
            appendUtf8(out, kReplacement);
            ++i;
            continue;
        }
        const char32_t cp = c->codePoint;
        if (cp < 0x20) {
            appendUtf8(out, kControlPictures + cp);
        } else if (cp == 0x7F) {
            appendUtf8(out, kDeletePicture);
        } else if (cp >= 0x80 && cp < 0xA0) {
            appendUtf8(out, kReplacement);  // C1 controls show nothing of their own
        } else {
            out.append(name, i, c->length);
        }
        i += c->length;
    }
    return out;
}

}  // namespace vendrik
