#include "startup/folder_places.h"

#include <dirent.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "startup/path_helpers.h"
#include "startup/xdg_dirs.h"

namespace vendrik {
namespace {

// File systems that hold no user's files: the kernel's views of itself, and
// read-only images (snaps) that only look like folders.
constexpr std::array<std::string_view, 24> kPseudoFileSystems{
    "proc",       "sysfs",   "devtmpfs",  "devpts",   "cgroup",      "cgroup2",
    "securityfs", "debugfs", "tracefs",   "pstore",   "bpf",         "configfs",
    "fusectl",    "mqueue",  "hugetlbfs", "autofs",   "binfmt_misc", "efivarfs",
    "rpc_pipefs", "nsfs",    "selinuxfs", "squashfs", "nfsd",        "fuse.snapfuse"};

// Folders whose mounts belong to the system, with everything below them.
constexpr std::array<std::string_view, 17> kSystemTrees{
    "/proc", "/sys",   "/dev", "/run",  "/boot",    "/efi",      "/snap",      "/usr",    "/etc",
    "/lib",  "/lib64", "/bin", "/sbin", "/var/lib", "/var/snap", "/var/cache", "/var/log"};

// Below /run only the removable media that udisks mounts there are the
// user's.
constexpr std::string_view kRunMedia = "/run/media/";

// Folders that are system mounts themselves but may hold user mounts below.
constexpr std::array<std::string_view, 4> kSystemFolders{"/tmp", "/var", "/home", "/opt"};

bool atOrBelow(std::string_view path, std::string_view folder) {
    return path == folder ||
           (path.size() > folder.size() && path.substr(0, folder.size()) == folder &&
            (folder.back() == '/' || path[folder.size()] == '/'));
}

bool hasHiddenName(std::string_view path) {
    return path.find("/.") != std::string_view::npos;
}

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

// mountinfo escapes a blank, tab, newline and backslash as \ and three octal
// digits.
std::string decodeOctalEscapes(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        const auto isOctal = [&](std::size_t k) { return field[k] >= '0' && field[k] <= '7'; };
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(i + 1) && isOctal(i + 2) &&
            isOctal(i + 3)) {
            out += static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) |
                                     (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

// udev's link names escape unsafe bytes as \x and two hex digits.
std::string decodeHexEscapes(std::string_view name) {
    std::string out;
    const auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') {
            return c - '0';
        }
        if (c >= 'a' && c <= 'f') {
            return c - 'a' + 10;
        }
        if (c >= 'A' && c <= 'F') {
            return c - 'A' + 10;
        }
        return -1;
    };
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' && hex(name[i + 2]) >= 0 &&
            hex(name[i + 3]) >= 0) {
            out += static_cast<char>((hex(name[i + 2]) << 4) | hex(name[i + 3]));
            i += 3;
        } else {
            out += name[i];
        }
    }
    return out;
}

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ') {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ') {
            ++i;
        }
        if (i > start) {
            fields.push_back(line.substr(start, i - start));
        }
    }
    return fields;
}

std::string canonicalDevice(const std::string& device) {
    char* resolved = ::realpath(device.c_str(), nullptr);
    if (resolved == nullptr) {
        return device;
    }
    std::string out(resolved);
    std::free(resolved);
    return out;
}

}  // namespace

std::vector<MountEntry> parseMountInfo(std::string_view text) {
    std::vector<MountEntry> mounts;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);

        // ID, parent ID, major:minor, root, mount point, options, optional
        // fields ending at "-", then type, source and super options.
        const auto fields = splitFields(line);
        const auto dash = std::find(fields.begin(), fields.end(), "-");
        if (fields.size() < 6 || std::distance(fields.begin(), dash) < 6 ||
            std::distance(dash, fields.end()) < 3) {
            continue;
        }
        MountEntry m;
        m.mountPoint = decodeOctalEscapes(fields[4]);
        m.fileSystemType = decodeOctalEscapes(dash[1]);
        m.source = decodeOctalEscapes(dash[2]);
        if (m.mountPoint.empty() || m.mountPoint.front() != '/') {
            continue;
        }
        mounts.push_back(std::move(m));
    }
    return mounts;
}

bool isUserVolume(const MountEntry& mount, std::string_view homeFolder) {
    const std::string point = withoutTrailingSlash(mount.mountPoint);
    if (point == "/" || point == withoutTrailingSlash(std::string(homeFolder))) {
        return false;
    }
    if (std::find(kPseudoFileSystems.begin(), kPseudoFileSystems.end(), mount.fileSystemType) !=
        kPseudoFileSystems.end()) {
        return false;
    }
    if (std::find(kSystemFolders.begin(), kSystemFolders.end(), point) != kSystemFolders.end()) {
        return false;
    }
    if (atOrBelow(point, kRunMedia)) {
        return !hasHiddenName(point);
    }
    const bool system = std::any_of(kSystemTrees.begin(), kSystemTrees.end(),
                                    [&](std::string_view tree) { return atOrBelow(point, tree); });
    return !system && !hasHiddenName(point);
}

std::vector<Place> placesFrom(const std::vector<MountEntry>& mounts, std::string_view homeFolder,
                              const std::map<std::string, std::string>& labels) {
    std::vector<Place> places{{"Dateisystem (/)", "/"}};
    const std::string home = withoutTrailingSlash(std::string(homeFolder));
    if (!home.empty() && home.front() == '/' && home != "/") {
        places.push_back({"Persönlicher Ordner (" + home + ")", home});
    }
    std::vector<Place> volumes;
    for (const MountEntry& m : mounts) {
        if (!isUserVolume(m, home)) {
            continue;
        }
        const std::string point = withoutTrailingSlash(m.mountPoint);
        // A folder mounted over twice is one place.
        if (std::any_of(volumes.begin(), volumes.end(),
                        [&](const Place& p) { return p.path == point; })) {
            continue;
        }
        const auto label = labels.find(m.source);
        const std::string name =
            label != labels.end() && !label->second.empty() ? label->second : FileNameOf(point);
        volumes.push_back({name + " (" + point + ")", point});
    }
    std::sort(volumes.begin(), volumes.end(),
              [](const Place& a, const Place& b) { return a.path < b.path; });
    places.insert(places.end(), volumes.begin(), volumes.end());
    return places;
}

std::map<std::string, std::string> volumeLabels() {
    std::map<std::string, std::string> labels;
    const std::string folder = "/dev/disk/by-label/";
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return labels;
    }
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        labels.emplace(canonicalDevice(folder + name), decodeHexEscapes(name));
    }
    ::closedir(dir);
    return labels;
}

std::vector<Place> choosablePlaces() {
    std::ifstream in("/proc/self/mountinfo");
    std::ostringstream text;
    text << in.rdbuf();
    std::vector<MountEntry> mounts = parseMountInfo(text.str());
    // A label belongs to the device the source resolves to (a /dev/mapper
    // name, say, is a link to /dev/dm-0).
    for (MountEntry& m : mounts) {
        if (m.source.rfind("/dev/", 0) == 0) {
            m.source = canonicalDevice(m.source);
        }
    }
    return placesFrom(mounts, environmentValue("HOME"), volumeLabels());
}

std::size_t placeHolding(const std::vector<Place>& places, std::string_view folder) {
    std::size_t best = 0;
    std::size_t bestLength = 0;
    for (std::size_t i = 0; i < places.size(); ++i) {
        const std::string& p = places[i].path;
        if (atOrBelow(folder, p) && p.size() > bestLength) {
            best = i;
            bestLength = p.size();
        }
    }
    return best;
}

}  // namespace vendrik
