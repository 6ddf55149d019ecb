#include "startup/xdg_dirs.h"

#include <algorithm>
#include <cstdlib>

#include "startup/path_helpers.h"

namespace vendrik {
namespace {

std::string baseDir(const char* variable, const char* fallbackUnderHome) {
    std::string dir = environmentValue(variable);
    if (dir.empty() || dir.front() != '/') {
        const std::string home = environmentValue("HOME");
        if (home.empty() || home.front() != '/') {
            return {};
        }
        dir = home + (home.back() == '/' ? "" : "/") + fallbackUnderHome;
    }
    return AddBackslash(dir);
}

}  // namespace

std::string environmentValue(const char* name) {
    const char* v = std::getenv(name);
    return v == nullptr ? std::string() : std::string(v);
}

std::string xdgConfigHome() {
    return baseDir("XDG_CONFIG_HOME", ".config");
}

std::string xdgDataHome() {
    return baseDir("XDG_DATA_HOME", ".local/share");
}

std::vector<std::string> xdgDataDirs() {
    std::string list = environmentValue("XDG_DATA_DIRS");
    if (list.empty()) {
        list = "/usr/local/share/:/usr/share/";
    }
    std::vector<std::string> dirs;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(':', start), list.size());
        std::string dir = list.substr(start, end - start);
        if (!dir.empty() && dir.front() == '/') {
            dirs.push_back(AddBackslash(dir));
        }
        start = end + 1;
    }
    return dirs;
}

}  // namespace vendrik
