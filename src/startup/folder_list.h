#pragma once
// What the folder chooser's folder list shows, the way a folder list box
// shows it: the open path from the root down to the current folder, each
// level indented one step further, then the current folder's subfolders one
// step below it. Folders are absolute paths without a trailing "/" (but for
// the root); names are bytes as the file system holds them, which need not
// be UTF-8.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vendrik {

struct FolderListEntry {
    std::string name;   // "/" for the root, else the folder's own name
    std::string path;   // the whole folder path
    int level = 0;      // indentation steps: the root is 0
    bool open = false;  // on the open path (the current folder included)
};

// The process's current folder, or "/" when it has none (it was removed, or
// is out of reach).
[[nodiscard]] std::string currentFolder();

// `path` made absolute against `base` (itself absolute) and lexically
// normal: no ".", "..", "//" or trailing "/" (the root stays "/"). Symbolic
// links are kept as the user wrote them.
[[nodiscard]] std::string normalFolderPath(std::string_view path, std::string_view base);

// The folder the chooser opens with: `startPath` when it is not empty and
// names a folder that can be listed, else `fallback` (the current folder);
// either made normal against `fallback`.
[[nodiscard]] std::string chooserStartFolder(std::string_view startPath,
                                             const std::string& fallback);

// The names of the folders in `folder` (links to folders count), sorted by
// name ignoring case, without "." and ".." and without hidden ones (names
// starting with "."). Only entries whose type the directory does not tell,
// and links, are looked at one by one. Nothing when the folder cannot be
// read.
[[nodiscard]] std::optional<std::vector<std::string>> listSubfolders(const std::string& folder);

// The list for `folder`: its open path, then `subfolders` (names in it).
[[nodiscard]] std::vector<FolderListEntry> folderListEntries(
    const std::string& folder, const std::vector<std::string>& subfolders);

// A file or folder name as a list can show it in one line: bytes that are
// not UTF-8 become U+FFFD, control characters their visible symbols
// (a line break shows as U+240A).
[[nodiscard]] std::string displayName(std::string_view name);

}  // namespace vendrik
