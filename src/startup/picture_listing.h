#pragma once
// The pictures of a folder as the file list shows them, for the main window's
// list, the folder chooser's preview of a folder and a batch over a folder
// from the command line, with or without its subfolders; and which paths of
// a run name the same file. It sits with start-up, below the windows and the
// batch engine, so that all of them list pictures the same way.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace vendrik {

// The names (without folder) of the regular files in `folder` whose names
// match the file list's pattern (kFileListPattern, ignoring case), sorted by
// name ignoring case (names equal but for case by their bytes). Links to
// files count as files. Nothing when the folder cannot be read.
[[nodiscard]] std::optional<std::vector<std::string>> listPictureFiles(const std::string& folder);

struct TreePicture {
    std::string path;       // the listed folder joined with the picture's relative path
    std::string subfolder;  // the folder below the listed one it lies in ("" or "2024/rom")
};

struct PictureTree {
    // A folder's own pictures first (in listPictureFiles' order), then each
    // subfolder's, subfolders sorted the same way.
    std::vector<TreePicture> pictures;
    // Subfolders that could not be read; their pictures are missing.
    std::vector<std::string> unreadableFolders;
    // Subfolders of the listed folder that were not entered (no recursion).
    std::size_t subfoldersLeftOut = 0;
};

// The pictures of `folder` and, when `recursive`, of all its subfolders.
// Links to folders are not followed (as `find` does not), so no listing can
// run in a circle. A subfolder that is `leaveOut` (a run's target folder
// inside its own sources, whose earlier outputs are no sources) is not
// entered. Nothing when `folder` itself cannot be read.
[[nodiscard]] std::optional<PictureTree> listPictureTree(const std::string& folder, bool recursive,
                                                         const std::string& leaveOut = {});

// A text that is equal for two paths exactly when they name the same entry
// of the same folder, however they spell it: "a/b.jpg", "./a//b.jpg",
// "x/../a/b.jpg" and the same name through a link to its folder. The last
// name is not resolved, so a link to a picture is an entry of its own (its
// output takes the link's name). Works for entries that do not exist yet.
[[nodiscard]] std::string entryIdentity(const std::string& path);

// For each path, the index of the first earlier path naming the same entry
// (entryIdentity), or nullopt for the first naming of an entry.
[[nodiscard]] std::vector<std::optional<std::size_t>> earlierNamings(
    const std::vector<std::string>& paths);

}  // namespace vendrik
