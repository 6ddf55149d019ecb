#pragma once
// Reading the names of a folder for the lists that show them: the file
// list's pictures and the folder chooser's subfolders. One pass over the
// folder, a filter that decides per name, one order.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vendrik {

// What the folder itself says an entry is, without a look at the entry.
// Some file systems do not say (Unknown); links say nothing of their target.
enum class FolderEntryType { Folder, File, Link, Other, Unknown };

// The names in `folder` that `keep` accepts, sorted by name ignoring case
// (names equal but for case by their bytes). "." and ".." are never offered.
// Nothing when the folder cannot be read.
[[nodiscard]] std::optional<std::vector<std::string>> sortedNamesIn(
    const std::string& folder,
    const std::function<bool(const std::string& name, FolderEntryType type)>& keep);

}  // namespace vendrik
