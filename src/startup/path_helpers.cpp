#include "startup/path_helpers.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "common/path_text.h"
#include "common/utf8.h"

namespace vendrik {
namespace {

bool isFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Upper and lower case of the letters of Windows-1252 (as Unicode code
// points), which is the alphabet the case rule knew.
char32_t upperOf(char32_t c) {
    if ((c >= U'a' && c <= U'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
        return c - 0x20;
    }
    switch (c) {
        case 0xFF: return 0x178;
        case 0x161: return 0x160;
        case 0x153: return 0x152;
        case 0x17E: return 0x17D;
        default: return c;
    }
}

char32_t lowerOf(char32_t c) {
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) {
        return c + 0x20;
    }
    switch (c) {
        case 0x178: return 0xFF;
        case 0x160: return 0x161;
        case 0x152: return 0x153;
        case 0x17D: return 0x17E;
        default: return c;
    }
}

// Changes the case of the character starting at byte i of UTF-8 text and
// returns the byte length of that character. Every letter the mapping knows
// keeps its UTF-8 length (one or two bytes), so the text can be changed in
// place; a byte that starts no well-formed character passes unchanged.
std::size_t applyCase(std::string& s, std::size_t i, bool upper) {
    const auto c = decodeUtf8At(s, i);
    if (!c) {
        return 1;
    }
    const char32_t mapped = upper ? upperOf(c->codePoint) : lowerOf(c->codePoint);
    if (c->length <= 2 && mapped != c->codePoint) {
        std::string encoded;
        appendUtf8(encoded, mapped);
        s.replace(i, c->length, encoded);
    }
    return c->length;
}

bool startsWord(char previous) {
    return previous == ' ' || previous == '-' || previous == '(' || previous == '_' ||
           previous == '/';
}

}  // namespace

std::string& AddBackslash(std::string& path) {
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    return path;
}

bool FolderExists(std::string path) {
    AddBackslash(path);
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr) {
        return false;
    }
    ::closedir(dir);
    return true;
}

bool FileExists(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    // O_NONBLOCK: opening a FIFO must answer, not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    const bool ok = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    ::close(fd);
    return ok;
}

std::string ParentPath(std::string_view path) {
    if (path.size() > 1 && path.back() == '/') {
        path.remove_suffix(1);
    }
    const std::string_view folder = folderPart(path);
    if (folder.empty()) {
        return std::string(path);
    }
    // The root keeps its "/"; any other folder loses it.
    return folder.size() == 1 ? std::string(folder) : std::string(folder.substr(0, folder.size() - 1));
}

std::string FileNameOf(std::string_view path) {
    if (!path.empty() && path.back() == '/') {
        path.remove_suffix(1);
    }
    return std::string(lastPathName(path));
}

std::string LongPathName(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::lstat(path.c_str(), &st) == 0) {
        return path;
    }
    // Keep the longest leading part that is an existing folder.
    std::size_t keep = 0;
    for (auto slash = path.rfind('/'); slash != std::string::npos;
         slash = slash == 0 ? std::string::npos : path.rfind('/', slash - 1)) {
        if (isFolder(path.substr(0, slash + 1))) {
            keep = slash + 1;
            break;
        }
    }
    std::string out = path;
    std::size_t i = keep;
    if (keep == 0) {
        i = applyCase(out, 0, true);
    }
    while (i < out.size()) {
        i += applyCase(out, i, startsWord(out[i - 1]));
    }
    return out;
}

bool MakePath(std::string& path) {
    AddBackslash(path);
    if (path.front() != '/') {
        return false;
    }
    for (auto slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string level = path.substr(0, slash);
        if (level.back() == '/' || FileNameOf(level) == ".") {
            continue;  // "//" or "/./" names no new level
        }
        if (::mkdir(level.c_str(), 0777) != 0 && errno != EEXIST) {
            return false;
        }
        // A level that cannot be entered (a file of that name, no search
        // permission) ends the walk.
        if (!isFolder(level) || ::access(level.c_str(), X_OK) != 0) {
            return false;
        }
    }
    return true;
}

std::string GetTempDir() {
    const char* env = std::getenv("TMPDIR");
    std::string dir = (env != nullptr && *env == '/') ? std::string(env) : std::string("/tmp");
    return AddBackslash(dir);
}

ProgramPaths InitPaths(const std::string& programFile) {
    std::string file = programFile;
    if (file.empty()) {
        std::error_code ec;
        file = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    }
    ProgramPaths p;
    p.programFolder = ParentPath(file);
    AddBackslash(p.programFolder);
    const std::string name = FileNameOf(file);
    const auto dot = name.rfind('.');
    p.programFileName = (dot == std::string::npos || dot == 0) ? name : name.substr(0, dot);
    p.programFile = LongPathName(p.programFolder + name);
    p.tempFolder = GetTempDir();
    return p;
}

}  // namespace vendrik
