#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../../support/temp_dir.h"
#include "drive_list.h"

using file_lists::Drive;
using file_lists::ParseDrives;

TEST(DriveList, MountTableGivesRootFirstThenUserFileSystemsOnly) {
    const char* table =
        "sysfs /sys sysfs rw,nosuid 0 0\n"
        "proc /proc proc rw 0 0\n"
        "/dev/sdb1 /media/anna/USB\\040STICK vfat rw 0 0\n"
        "/dev/sda2 / ext4 rw,relatime 0 0\n"
        "tmpfs /run tmpfs rw 0 0\n"
        "tmpfs /media/ram tmpfs rw 0 0\n"
        "/dev/sda3 /home ext4 rw 0 0\n"
        "/dev/sdc1 /mnt/archiv/ xfs rw 0 0\n"
        "/dev/sdc2 /mnt xfs rw 0 0\n"
        "/dev/sdd1 /run/media/anna/CD iso9660 ro 0 0\n"
        "/dev/sde1 /srv ext4 rw 0 0\n"
        "/dev/sde1 /home/anna/data ext4 rw 0 0\n"
        "/dev/sdb1 /media/anna/USB\\040STICK vfat rw 0 0\n"
        "garbage\n"
        "\n";
    const std::vector<Drive> expected = {
        {"/", "ext4"},          {"/media/anna/USB STICK", "vfat"}, {"/home", "ext4"},
        {"/mnt/archiv", "xfs"}, {"/run/media/anna/CD", "iso9660"},
    };
    EXPECT_EQ(ParseDrives(table), expected);
    // Without a table there is still the root.
    EXPECT_EQ(ParseDrives(""), (std::vector<Drive>{{"/", ""}}));
}

TEST(DriveList, TheDriveOfAFolderIsItsLongestMountPoint) {
    const std::vector<Drive> drives = {
        {"/", "ext4"}, {"/home", "ext4"}, {"/media/usb", "vfat"}, {"/media/usb2", "vfat"}};
    struct Case {
        const char* folder;
        const char* drive;
    };
    const Case cases[] = {
        {"/", "/"},
        {"/etc", "/"},
        {"/home", "/home"},
        {"/home/anna/Musik", "/home"},
        {"/homework", "/"},
        {"/media/usb2/a", "/media/usb2"},
        {"/media/usb", "/media/usb"},
        {"/media", "/"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(file_lists::DriveOf(drives, c.folder), c.drive) << c.folder;
    }
}

TEST(DriveList, ReadsTheMountFileAndFallsBackToTheRoot) {
    testing_support::TempDir dir;
    testing_support::WriteFile(dir.File("mounts"),
                               "/dev/sda1 / btrfs rw 0 0\n/dev/sdb1 /mnt/usb exfat rw 0 0\n");
    file_lists::DriveList list;
    list.Read(dir.File("mounts"));
    EXPECT_EQ(list.Drives(), (std::vector<Drive>{{"/", "btrfs"}, {"/mnt/usb", "exfat"}}));
    list.Read(dir.File("missing"));
    EXPECT_EQ(list.Drives(), (std::vector<Drive>{{"/", ""}}));
}
