#pragma once
// Where a run's outputs go: whether a folder can take them, the folders a
// folder tree's outputs get below the target folder, and what a failed
// write tells the user.

#include <string>
#include <string_view>

#include "common/result.h"

namespace vendrik {

// Whether `folder` can take outputs ("" is the current folder), and why not:
// "Zielordner … nicht gefunden", "… ist schreibgeschützt", not a folder. The
// run checks it before loading each picture; a front may check it once
// before the run.
[[nodiscard]] Result<void> checkTargetFolder(const std::string& folder);

// A picture's subfolder below the target folder: relative, and no part of
// it empty, "." or "..", so that no output can leave the target folder.
[[nodiscard]] bool isPlainSubfolder(std::string_view subfolder) noexcept;

// Makes the folders of `subfolder` below `base`, which must exist already:
// the run never makes the target folder itself. A part that exists as a
// symbolic link (to a folder or not) is refused, never followed.
[[nodiscard]] Result<void> makeSubfolders(const std::string& base, std::string_view subfolder);

// Why writing an output failed with `errorNumber` (errno), as the user reads it.
[[nodiscard]] std::string writeProblem(int errorNumber);

}  // namespace vendrik
