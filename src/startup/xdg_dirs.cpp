#include "startup/xdg_dirs.h"

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

}  // namespace vendrik
