#pragma once
// The small path and file helpers every window uses. Folder paths handed
// between the parts of the program end in "/", results of ParentPath do not.
// None of these throws; failure shows in the result.

#include <string>
#include <string_view>

namespace vendrik {

// Appends "/" unless the path already ends in one; an empty path becomes "/"
// (the root, where every absolute path starts, so that an empty box still
// names a folder that exists). Returns the same, changed path.
std::string& AddBackslash(std::string& path);

// True when the path names a folder that can be listed. An empty path is the
// root folder.
[[nodiscard]] bool FolderExists(std::string path);

// True when the path names a file (not a folder) that can be opened for
// reading.
[[nodiscard]] bool FileExists(const std::string& path);

// The path less its last name: one trailing "/" is removed first, then the
// text is cut before the last "/". "/Bilder/a.jpg" gives "/Bilder",
// "/Bilder/" and "/a.jpg" give "/" (the root keeps its one "/"), a text
// without "/" comes back unchanged.
[[nodiscard]] std::string ParentPath(std::string_view path);

// The last name of a path: one trailing "/" is removed, then the text after
// the last "/" is returned, or the whole text if there is none.
[[nodiscard]] std::string FileNameOf(std::string_view path);

// An existing path comes back as it is. For a missing one, the part behind
// its longest existing folder gets the case rule: a character becomes upper
// case after a blank, "-", "(", "_" or "/", lower case otherwise, and the
// first character of the whole text upper case when no folder of it exists.
// The existing folders keep their spelling, because on this platform's case-
// sensitive file systems another spelling names another folder.
[[nodiscard]] std::string LongPathName(const std::string& path);

// Creates every missing folder of an absolute path; `path` gets its trailing
// "/". False when a level cannot be created or entered (a read-only file
// system, a file in the way, no permission) or the path is not absolute.
// The process's current folder is left alone: a library call that moved it
// would surprise every relative path elsewhere in the program.
[[nodiscard]] bool MakePath(std::string& path);

// The user's temporary folder with a trailing "/": $TMPDIR, else /tmp.
[[nodiscard]] std::string GetTempDir();

// The program's place, as start-up works it out once.
struct ProgramPaths {
    std::string programFolder;    // with a trailing "/"
    std::string programFileName;  // without its extension, if it has one
    std::string programFile;      // LongPathName of folder + file name
    std::string tempFolder;       // GetTempDir()
};

// `programFile` is the running program's path; empty means this process's
// own executable.
[[nodiscard]] ProgramPaths InitPaths(const std::string& programFile = {});

}  // namespace vendrik
