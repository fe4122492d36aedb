#include "browser/drive_tree.h"

#include "formats/format_table.h"
#include "formats/gif/gif_writer.h"
#include "test_support.h"

#include <fstream>

namespace lp {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

TEST(DriveTree, MountTableGivesDrivesAndNetworkResources) {
    const char* table =
        "/dev/sda1 / ext4 rw 0 0\n"
        "proc /proc proc rw 0 0\n"
        "sysfs /sys sysfs rw 0 0\n"
        "tmpfs /run tmpfs rw 0 0\n"
        "/dev/sdb1 /media/My\\040Photos vfat rw 0 0\n"
        "server:/export /mnt/nfs nfs4 rw 0 0\n"
        "//nas/share /mnt/smb cifs rw 0 0\n"
        "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n"
        "/dev/sda1 / ext4 rw 0 0\n"
        "/dev/sdc1 /run/media/u/STICK vfat rw 0 0\n";
    const std::vector<MountEntry> mounts = ParseMountTable(table);
    std::vector<std::string> points;
    for (const auto& m : mounts) points.push_back(m.mountPoint.string() + (m.network ? " net" : ""));
    EXPECT_EQ(points, (std::vector<std::string>{"/", "/media/My Photos", "/mnt/nfs net", "/mnt/smb net",
                                                "/run/media/u/STICK"}));
}

TEST(DriveTree, FolderChildrenAreFoldersHtmlFilesAndAnimations) {
    ScratchDir dir;
    const fs::path f = dir / "site";
    fs::create_directories(f / "images");
    std::ofstream(f / "index.html") << "<html></html>";
    std::ofstream(f / "Page.SHTM") << "<html></html>";
    std::ofstream(f / "fake.htm") << "GIF89a not a page";  // GIF bytes under an HTML name
    std::ofstream(f / "notes.txt") << "x";
    GifFrameList two;
    for (int i = 0; i < 2; ++i) {
        GifFrame frame;
        frame.picture = test::PatternPicture(4, 4);
        two.Add(std::move(frame));
    }
    GifInfo info;
    SaveGif(two, info, f / "anim.gif");
    SavePictureByExtension(test::PatternPicture(4, 4), f / "still.gif");

    std::vector<std::string> names;
    for (const TreeChild& c : FolderChildren(f)) names.push_back(c.name + ":" + std::to_string(int(c.kind)));
    EXPECT_EQ(names, (std::vector<std::string>{"anim.gif:2", "images:0", "index.html:1", "Page.SHTM:1"}));

    // Only one-frame GIFs: an expand button, but no children.
    const fs::path stills = dir / "stills";
    fs::create_directories(stills);
    SavePictureByExtension(test::PatternPicture(4, 4), stills / "one.gif");
    EXPECT_TRUE(MayHaveChildren(stills));
    EXPECT_TRUE(FolderChildren(stills).empty());
    const fs::path empty = dir / "empty";
    fs::create_directories(empty);
    std::ofstream(empty / "a.jpg") << "x";
    EXPECT_FALSE(MayHaveChildren(empty));
}

}  // namespace
}  // namespace lp
