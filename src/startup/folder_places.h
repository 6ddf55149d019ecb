#pragma once
// The places the folder chooser starts from: the root, the home folder and
// the mounted volumes a user recognises as their own (other disks, removable
// media, network shares), each with a name the user can read, so that a
// picture on a USB stick is two clicks away. What the kernel mounts for
// itself (/proc, /sys, cgroups, the tmpfs under /run and /dev, snaps,
// container layers) is left out: nobody keeps pictures there.

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vendrik {

// One line of /proc/self/mountinfo, with its escapes (\040 for a blank and
// the like) decoded.
struct MountEntry {
    std::string mountPoint;
    std::string fileSystemType;
    std::string source;  // the device, share or pseudo name
};

// The mounts of a mountinfo text in their order; lines that do not have the
// fields of mountinfo(5) are skipped.
[[nodiscard]] std::vector<MountEntry> parseMountInfo(std::string_view text);

// The rule: true for a mount a user would choose a folder on. False for the
// root and the home folder (places of their own), for pseudo and image file
// systems, for mounts at or below the system's own folders (/proc, /sys,
// /dev, /run but for /run/media, /boot, /snap, /var/lib, ...) and for
// mounts below a hidden folder.
[[nodiscard]] bool isUserVolume(const MountEntry& mount, std::string_view homeFolder);

struct Place {
    std::string name;  // what the list shows: a readable name and the path
    std::string path;  // the folder, without a trailing "/" but for the root
};

// The root, the home folder (when it is set and not the root), then the user
// volumes sorted by path, each path once. `labels` maps a device path to its
// file system label; a volume without one is named after its folder.
[[nodiscard]] std::vector<Place> placesFrom(const std::vector<MountEntry>& mounts,
                                            std::string_view homeFolder,
                                            const std::map<std::string, std::string>& labels);

// The labels of the machine's block devices (/dev/disk/by-label), keyed by
// the device path they resolve to.
[[nodiscard]] std::map<std::string, std::string> volumeLabels();

// placesFrom this process's mounts, $HOME and the volume labels.
[[nodiscard]] std::vector<Place> choosablePlaces();

// The index of the place that holds `folder` (an absolute path): the one
// with the longest path that is `folder` or one of its ancestors. 0 (the
// root, always first) when no other holds it.
[[nodiscard]] std::size_t placeHolding(const std::vector<Place>& places, std::string_view folder);

}  // namespace vendrik
