#include "browser/file_operations.h"

#include "test_support.h"

#include <fstream>

namespace lp {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

void Write(const fs::path& p, const std::string& text) { std::ofstream(p) << text; }
std::string Read(const fs::path& p) {
    std::ifstream in(p);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(BrowserFileOps, NewFolderTakesTheSmallestFreeNumber) {
    ScratchDir dir;
    EXPECT_EQ(NewFolderName(dir.Path()), "New Folder");
    fs::create_directory(dir / "New Folder");
    fs::create_directory(dir / "New Folder(1)");
    Write(dir / "New Folder(3)", "a file takes the name too");
    EXPECT_EQ(NewFolderName(dir.Path()), "New Folder(2)");
    const FolderResult made = MakeNewFolder(dir.Path());
    EXPECT_TRUE(made.error.empty());
    EXPECT_TRUE(fs::is_directory(dir / "New Folder(2)"));
    EXPECT_EQ(NewFolderName(dir.Path()), "New Folder(4)");
    const FolderResult failed = MakeNewFolder(dir / "missing");
    EXPECT_EQ(failed.error, "Unable to Create Directory " + (dir / "missing" / "New Folder").string());
}

TEST(BrowserFileOps, ExtensionQuestionOnlyWhenTheExtensionChanges) {
    EXPECT_TRUE(ExtensionChanges("a.gif", "a.jpg"));
    EXPECT_FALSE(ExtensionChanges("a.gif", "b.GIF"));
    EXPECT_TRUE(ExtensionChanges("a.gif", "a"));
}

TEST(BrowserFileOps, RenameNeverReplacesAFile) {
    ScratchDir dir;
    Write(dir / "a.gif", "A");
    Write(dir / "b.gif", "B");
    const std::string error = RenameInFolder(dir / "a.gif", "b.gif");
    EXPECT_EQ(error, "Unable to rename " + (dir / "a.gif").string() + " to " + (dir / "b.gif").string());
    EXPECT_EQ(Read(dir / "a.gif"), "A");
    EXPECT_EQ(Read(dir / "b.gif"), "B");
    EXPECT_TRUE(RenameInFolder(dir / "a.gif", "c.gif").empty());
    EXPECT_FALSE(fs::exists(dir / "a.gif"));
    EXPECT_EQ(Read(dir / "c.gif"), "A");
    // A name that would leave the folder is refused.
    fs::create_directory(dir / "sub");
    EXPECT_FALSE(RenameInFolder(dir / "c.gif", "../x.gif").empty());
    EXPECT_FALSE(RenameInFolder(dir / "c.gif", "sub/x.gif").empty());
    EXPECT_EQ(Read(dir / "c.gif"), "A");
}

TEST(BrowserFileOps, RenameFolderKeepsItsParent) {
    ScratchDir dir;
    fs::create_directory(dir / "old");
    Write(dir / "old" / "p.gif", "P");
    fs::create_directory(dir / "taken");
    EXPECT_EQ(RenameFolder(dir / "old", "taken"), "Unable to Create Directory " + (dir / "taken").string());
    EXPECT_TRUE(RenameFolder(dir / "old", "new").empty());
    EXPECT_EQ(Read(dir / "new" / "p.gif"), "P");
}

TEST(BrowserFileOps, CopyAndMoveNeverOverwrite) {
    ScratchDir dir;
    fs::create_directory(dir / "from");
    fs::create_directory(dir / "to");
    Write(dir / "from" / "x.gif", "new");
    Write(dir / "from" / "y.gif", "Y");
    Write(dir / "to" / "x.gif", "old");
    std::vector<std::string> errors;
    const std::vector<fs::path> files = {dir / "from" / "x.gif", dir / "from" / "y.gif"};
    const auto copied = TransferFiles(files, dir / "to", TransferKind::Copy, errors);
    EXPECT_TRUE(errors.empty());
    ASSERT_EQ(copied.size(), 2u);
    EXPECT_EQ(copied[0], dir / "to" / "x(1).gif");
    EXPECT_EQ(Read(dir / "to" / "x.gif"), "old");
    EXPECT_EQ(Read(dir / "to" / "x(1).gif"), "new");
    EXPECT_TRUE(fs::exists(dir / "from" / "x.gif"));

    fs::create_directory(dir / "moved");
    const auto moved = TransferFiles(files, dir / "moved", TransferKind::Move, errors);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(moved.size(), 2u);
    EXPECT_FALSE(fs::exists(dir / "from" / "x.gif"));
    EXPECT_EQ(Read(dir / "moved" / "y.gif"), "Y");
    // A file that is gone is reported, the others go on.
    const auto missing = TransferFiles(files, dir / "to", TransferKind::Copy, errors);
    EXPECT_TRUE(missing.empty());
    EXPECT_EQ(errors.size(), 2u);
}

TEST(BrowserFileOps, LinksAreMadeAndResolved) {
    ScratchDir dir;
    fs::create_directory(dir / "pics");
    fs::create_directory(dir / "links");
    Write(dir / "pics" / "x.gif", "GIF89a");
    std::vector<std::string> errors;
    const std::vector<std::string> dropped = {(dir / "pics" / "x.gif").string(), "http://www.a.com/y.gif"};
    const auto links = LinkFiles(dropped, dir / "links", errors);
    EXPECT_TRUE(errors.empty());
    ASSERT_EQ(links.size(), 1u);  // the URL is skipped
    EXPECT_EQ(links[0], dir / "links" / "Shortcut to x.gif.LNK");
    EXPECT_EQ(ResolveShortcut(links[0]), dir / "pics" / "x.gif");
    // Making it again does not replace the existing link.
    EXPECT_FALSE(MakeShortcut(dir / "pics" / "x.gif", links[0]).empty());

    // A relative symbolic link resolves against its folder.
    fs::create_symlink("../pics/x.gif", dir / "links" / "rel.LNK");
    EXPECT_EQ(ResolveShortcut(dir / "links" / "rel.LNK"), dir / "pics" / "x.gif");

    // A freedesktop link file, with an escaped name.
    Write(dir / "pics" / "a b.gif", "GIF89a");
    Write(dir / "links" / "desk.LNK", "[Desktop Entry]\nType=Link\nName=a\nURL=file://" + (dir / "pics").string() +
                                          "/a%20b.gif\n");
    EXPECT_EQ(ResolveShortcut(dir / "links" / "desk.LNK"), dir / "pics" / "a b.gif");
    Write(dir / "links" / "app.LNK", "[Desktop Entry]\nType=Application\nExec=/bin/true\n");
    EXPECT_EQ(ResolveShortcut(dir / "links" / "app.LNK"), std::nullopt);

    // A link whose target is gone gives no target.
    fs::remove(dir / "pics" / "x.gif");
    EXPECT_EQ(ResolveShortcut(links[0]), std::nullopt);
    EXPECT_EQ(ResolveShortcut(dir / "links" / "none.LNK"), std::nullopt);
}

}  // namespace
}  // namespace lp
