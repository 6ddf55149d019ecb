#pragma once
// The pictures of a folder as the file list shows them, for the main window's
// list and for a batch over a folder from the command line.

#include <optional>
#include <string>
#include <vector>

namespace vendrik {

// The names (without folder) of the regular files in `folder` whose names
// match the file list's pattern (kFileListPattern, ignoring case), sorted by
// name ignoring case (names equal but for case by their bytes). Links to
// files count as files. Nothing when the folder cannot be read.
[[nodiscard]] std::optional<std::vector<std::string>> listPictureFiles(const std::string& folder);

}  // namespace vendrik
