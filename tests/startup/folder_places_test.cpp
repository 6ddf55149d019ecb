#include "startup/folder_places.h"

#include <gtest/gtest.h>

#include <string>

namespace vendrik {
namespace {

TEST(MountInfo, ParsesFieldsEscapesAndOptionalTags) {
    const std::string text =
        "22 1 0:21 / /proc rw,nosuid shared:12 - proc proc rw\n"
        "31 1 8:17 / /media/anna/USB\\040STICK rw,nosuid shared:40 master:2 - vfat /dev/sdb1 rw\n"
        "40 1 0:50 / /mnt/nas rw - nfs4 nas:/export/fotos rw,vers=4.2\n"
        "kaputt\n"
        "41 1 0:51 / /ohne/strich rw nfs4 x rw\n"
        "42 1 0:52 / relativ rw - ext4 /dev/sdc1 rw\n";
    const auto mounts = parseMountInfo(text);
    ASSERT_EQ(mounts.size(), 3u);
    EXPECT_EQ(mounts[0].mountPoint, "/proc");
    EXPECT_EQ(mounts[0].fileSystemType, "proc");
    EXPECT_EQ(mounts[1].mountPoint, "/media/anna/USB STICK");
    EXPECT_EQ(mounts[1].fileSystemType, "vfat");
    EXPECT_EQ(mounts[1].source, "/dev/sdb1");
    EXPECT_EQ(mounts[2].source, "nas:/export/fotos");
}

struct VolumeCase {
    const char* name;
    const char* mountPoint;
    const char* type;
    bool shown;
};

class UserVolume : public ::testing::TestWithParam<VolumeCase> {};

TEST_P(UserVolume, Rule) {
    const MountEntry m{GetParam().mountPoint, GetParam().type, "/dev/x"};
    EXPECT_EQ(isUserVolume(m, "/home/anna"), GetParam().shown) << GetParam().mountPoint;
}

INSTANTIATE_TEST_SUITE_P(
    Mounts, UserVolume,
    ::testing::Values(
        VolumeCase{"Root", "/", "ext4", false}, VolumeCase{"Home", "/home/anna/", "ext4", false},
        VolumeCase{"Proc", "/proc", "proc", false},
        VolumeCase{"Cgroup", "/sys/fs/cgroup/memory", "cgroup", false},
        VolumeCase{"RunTmpfs", "/run/user/1000", "tmpfs", false},
        VolumeCase{"DevShm", "/dev/shm", "tmpfs", false},
        VolumeCase{"Snap", "/snap/core22/864", "squashfs", false},
        VolumeCase{"SquashfsElsewhere", "/mnt/image", "squashfs", false},
        VolumeCase{"BootEfi", "/boot/efi", "vfat", false},
        VolumeCase{"DockerLayer", "/var/lib/docker/overlay2/ab/merged", "overlay", false},
        VolumeCase{"DocumentPortal", "/home/anna/.cache/doc", "fuse.portal", false},
        VolumeCase{"TmpItself", "/tmp", "tmpfs", false},
        VolumeCase{"HomePartition", "/home", "ext4", false},
        VolumeCase{"UdisksUnderRun", "/run/media/anna/KAMERA", "vfat", true},
        VolumeCase{"Media", "/media/anna/USB STICK", "exfat", true},
        VolumeCase{"Nfs", "/mnt/nas", "nfs4", true}, VolumeCase{"Cifs", "/srv/share", "cifs", true},
        VolumeCase{"OtherDisk", "/daten", "ext4", true},
        VolumeCase{"DiskInsideHome", "/home/anna/Fotos", "btrfs", true},
        VolumeCase{"UsersOwnTmpfs", "/mnt/ram", "tmpfs", true},
        VolumeCase{"BelowTmp", "/tmp/stick", "vfat", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Places, RootHomeThenVolumesSortedAndNamed) {
    const std::vector<MountEntry> mounts{
        {"/", "ext4", "/dev/sda1"},          {"/proc", "proc", "proc"},
        {"/mnt/nas", "nfs4", "nas:/export"}, {"/media/anna/stick", "vfat", "/dev/sdb1"},
        {"/mnt/nas", "nfs4", "nas:/export"},  // mounted over: one place
        {"/home/anna", "ext4", "/dev/sda2"},
    };
    const auto places = placesFrom(mounts, "/home/anna/", {{"/dev/sdb1", "URLAUB"}});
    ASSERT_EQ(places.size(), 4u);
    EXPECT_EQ(places[0].path, "/");
    EXPECT_EQ(places[0].name, "Dateisystem (/)");
    EXPECT_EQ(places[1].path, "/home/anna");
    EXPECT_EQ(places[1].name, "Persönlicher Ordner (/home/anna)");
    EXPECT_EQ(places[2].path, "/media/anna/stick");
    EXPECT_EQ(places[2].name, "URLAUB (/media/anna/stick)");
    EXPECT_EQ(places[3].name, "nas (/mnt/nas)");
}

TEST(Places, WithoutHomeOnlyTheRootIsSure) {
    EXPECT_EQ(placesFrom({}, "", {}).size(), 1u);
    EXPECT_EQ(placesFrom({}, "/", {}).size(), 1u);
    EXPECT_EQ(placesFrom({}, "relativ", {}).size(), 1u);
}

TEST(Places, HoldingIsTheLongestAncestor) {
    const std::vector<Place> places{{"r", "/"}, {"h", "/home/anna"}, {"f", "/home/anna/Fotos"}};
    EXPECT_EQ(placeHolding(places, "/"), 0u);
    EXPECT_EQ(placeHolding(places, "/tmp"), 0u);
    EXPECT_EQ(placeHolding(places, "/home/anna"), 1u);
    EXPECT_EQ(placeHolding(places, "/home/anna/Briefe"), 1u);
    EXPECT_EQ(placeHolding(places, "/home/anna/Fotos/2004"), 2u);
    EXPECT_EQ(placeHolding(places, "/home/annabell"), 0u);
    EXPECT_EQ(placeHolding(places, "/home/anna/Fotoserie"), 1u);
}

TEST(Places, ThisMachineStartsWithTheRoot) {
    const auto places = choosablePlaces();
    ASSERT_FALSE(places.empty());
    EXPECT_EQ(places[0].path, "/");
    for (const Place& p : places) {
        EXPECT_FALSE(p.path.rfind("/proc", 0) == 0 || p.path.rfind("/sys", 0) == 0) << p.path;
    }
}

}  // namespace
}  // namespace vendrik
