#include "base/atomic_file.h"
#include "formats/io/bounded_reader.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace lp {
namespace {

TEST(BoundedReader, ReadsLittleAndBigEndianAndStopsAtTheEnd) {
    const std::uint8_t data[] = {1, 2, 3, 4, 5, 6, 7};
    BoundedReader r(data, "End of file");
    EXPECT_EQ(r.U8(), 1);
    EXPECT_EQ(r.U16LE(), 0x0302);
    EXPECT_EQ(r.U16BE(), 0x0405);
    EXPECT_EQ(r.Remaining(), 2u);
    try {
        r.U32LE();
        FAIL() << "read past the end";
    } catch (const TruncatedInput& e) {
        EXPECT_STREQ(e.what(), "End of file");
    }
    EXPECT_EQ(r.Position(), 5u);  // a failed read consumes nothing
    EXPECT_EQ(r.BytesUpTo(100).size(), 2u);
    EXPECT_TRUE(r.AtEnd());
    EXPECT_THROW(r.Seek(8), TruncatedInput);
    EXPECT_NO_THROW(r.Seek(7));
    r.Seek(0);
    EXPECT_EQ(r.U32BE(), 0x01020304u);
    EXPECT_THROW(r.Skip(~0ull), TruncatedInput);  // no wrap-around in position math
    EXPECT_THROW(r.Bytes(~0ull - 2), TruncatedInput);
}

TEST(ReadWholeFile, MissingFileAndSizeCap) {
    test::ScratchDir dir;
    EXPECT_THROW(ReadWholeFile(dir / "none", "Error Opening File"), InnerError);
    EXPECT_THROW(ReadWholeFile(dir.Path(), "Error Opening File"), InnerError);
    test::WriteFileBytes(dir / "f", std::vector<std::uint8_t>(100, 9));
    EXPECT_EQ(ReadWholeFile(dir / "f", "x").size(), 100u);
    EXPECT_THROW(ReadWholeFile(dir / "f", "x", 99), InnerError);
}

TEST(AtomicFileWriter, ReplacesOnlyOnCommit) {
    test::ScratchDir dir;
    const auto target = dir / "out.bin";
    test::WriteFileBytes(target, {1, 2, 3});
    {
        AtomicFileWriter w(target, "open", "write");
        const std::uint8_t bytes[] = {9, 9};
        w.Write(bytes);
        EXPECT_EQ(test::ReadFileBytes(target), (std::vector<std::uint8_t>{1, 2, 3}));
        // Destroyed without Commit: a failed save leaves the old file and no temporary.
    }
    EXPECT_EQ(test::ReadFileBytes(target), (std::vector<std::uint8_t>{1, 2, 3}));
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path())) ++files;
    EXPECT_EQ(files, 1);

    const std::uint8_t bytes[] = {7, 8, 9, 10};
    WriteFileAtomically(target, bytes, "open", "write");
    EXPECT_EQ(test::ReadFileBytes(target), (std::vector<std::uint8_t>{7, 8, 9, 10}));
}

TEST(AtomicFileWriter, KeepsModeOfReplacedFileAndFailsInMissingFolder) {
    test::ScratchDir dir;
    const auto target = dir / "mode.bin";
    test::WriteFileBytes(target, {1});
    ::chmod(target.c_str(), 0640);
    const std::uint8_t bytes[] = {2};
    WriteFileAtomically(target, bytes, "open", "write");
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    try {
        WriteFileAtomically(dir / "no" / "such" / "x.bin", bytes, "Error Opening File", "write");
        FAIL();
    } catch (const InnerError& e) {
        EXPECT_STREQ(e.what(), "Error Opening File");
    }
}

namespace fs = std::filesystem;

std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
    return names;
}

mode_t ModeOf(const fs::path& p) {
    struct stat st {};
    EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
    return st.st_mode & 07777;
}

/// Whether this folder's file system creates unnamed files.
bool FolderTakesUnnamedFiles(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

/// Sets the umask for one test and puts the old one back.
class UmaskScope {
public:
    explicit UmaskScope(mode_t mask) : m_old(::umask(mask)) {}
    ~UmaskScope() { ::umask(m_old); }

private:
    mode_t m_old;
};

const AtomicTempFile kBothKinds[] = {AtomicTempFile::Unnamed, AtomicTempFile::Named};

TEST(AtomicFileWriter, SavingThroughALinkWritesTheFileItNames) {
    for (const AtomicTempFile kind : kBothKinds) {
        SCOPED_TRACE(kind == AtomicTempFile::Named ? "named temporary" : "unnamed temporary");
        test::ScratchDir dir;
        fs::create_directories(dir / "real");
        test::WriteFileBytes(dir / "real" / "target.bmp", {1, 2, 3});
        ::chmod((dir / "real" / "target.bmp").c_str(), 0604);
        fs::create_symlink("real/target.bmp", dir / "link.bmp");  // relative, as users make them
        fs::create_symlink(dir / "link.bmp", dir / "chain.bmp");   // a link to the link
        const std::uint8_t bytes[] = {4, 5};
        for (const char* name : {"link.bmp", "chain.bmp"}) {
            AtomicFileWriter w(dir / name, "open", "write", kind);
            EXPECT_EQ(w.Destination(), dir / "real" / "target.bmp");
            w.Write(bytes);
            if (kind == AtomicTempFile::Named) {
                EXPECT_EQ(w.TempPath().parent_path(), dir / "real");
            }
            w.Commit();
        }
        EXPECT_TRUE(fs::is_symlink(dir / "link.bmp"));
        EXPECT_TRUE(fs::is_symlink(dir / "chain.bmp"));
        EXPECT_EQ(test::ReadFileBytes(dir / "real" / "target.bmp"), (std::vector<std::uint8_t>{4, 5}));
        EXPECT_EQ(ModeOf(dir / "real" / "target.bmp"), 0604u);
        EXPECT_EQ(Names(dir / "real"), std::set<std::string>{"target.bmp"});
        // A dangling link names the file to create.
        fs::create_symlink("real/new.bmp", dir / "dangling.bmp");
        WriteFileAtomically(dir / "dangling.bmp", bytes, "open", "write");
        EXPECT_TRUE(fs::is_symlink(dir / "dangling.bmp"));
        EXPECT_EQ(test::ReadFileBytes(dir / "real" / "new.bmp"), (std::vector<std::uint8_t>{4, 5}));
        // A loop of links is refused, the links left as they are.
        fs::create_symlink("loop2", dir / "loop1");
        fs::create_symlink("loop1", dir / "loop2");
        EXPECT_THROW(AtomicFileWriter(dir / "loop1", "open", "write", kind), InnerError);
        EXPECT_TRUE(fs::is_symlink(dir / "loop1"));
    }
}

TEST(AtomicFileWriter, NewFilesGetTheUmaskModeAndReplacedFilesKeepTheirs) {
    const UmaskScope mask(027);
    for (const AtomicTempFile kind : kBothKinds) {
        SCOPED_TRACE(kind == AtomicTempFile::Named ? "named temporary" : "unnamed temporary");
        test::ScratchDir dir;
        const std::uint8_t bytes[] = {1};
        {
            AtomicFileWriter w(dir / "new.bin", "open", "write", kind);
            w.Write(bytes);
            w.Commit();
        }
        EXPECT_EQ(ModeOf(dir / "new.bin"), 0640u);  // 0666 minus the umask, not mkstemp's 0600
        for (const mode_t old : {mode_t(0600), mode_t(0644), mode_t(0755)}) {
            ::chmod((dir / "new.bin").c_str(), old);
            AtomicFileWriter w(dir / "new.bin", "open", "write", kind);
            w.Write(bytes);
            w.Commit();
            EXPECT_EQ(ModeOf(dir / "new.bin"), old);
        }
    }
}

TEST(AtomicFileWriter, TheTemporaryIsUnnamedWhereTheFileSystemAllowsIt) {
    test::ScratchDir dir;
    const auto target = dir / "out.bin";
    test::WriteFileBytes(target, {1, 2, 3});
    const std::uint8_t bytes[] = {9, 9, 9, 9};
    {
        AtomicFileWriter w(target, "open", "write");
        w.Write(bytes);
        if (!FolderTakesUnnamedFiles(dir.Path())) GTEST_SKIP() << "this file system has no O_TMPFILE";
        EXPECT_TRUE(w.IsUnnamed());
        EXPECT_TRUE(w.TempPath().empty());
        EXPECT_EQ(Names(dir.Path()), std::set<std::string>{"out.bin"});  // nothing visible while writing
        w.Commit();
    }
    EXPECT_EQ(test::ReadFileBytes(target), (std::vector<std::uint8_t>{9, 9, 9, 9}));
    EXPECT_EQ(Names(dir.Path()), std::set<std::string>{"out.bin"});
}

TEST(AtomicFileWriter, TheNamedFallbackIsHiddenBesideTheTargetAndRemovedOnFailure) {
    test::ScratchDir dir;
    const auto target = dir / "out.bin";
    test::WriteFileBytes(target, {1, 2, 3});
    const std::uint8_t bytes[] = {5, 6};
    {
        AtomicFileWriter w(target, "open", "write", AtomicTempFile::Named);
        EXPECT_FALSE(w.IsUnnamed());
        w.Write(bytes);
        ASSERT_FALSE(w.TempPath().empty());
        EXPECT_EQ(w.TempPath().parent_path(), dir.Path());
        EXPECT_TRUE(w.TempPath().filename().string().starts_with(".out.bin."));
        EXPECT_EQ(Names(dir.Path()).size(), 2u);
        // Destroyed without Commit.
    }
    EXPECT_EQ(Names(dir.Path()), std::set<std::string>{"out.bin"});
    EXPECT_EQ(test::ReadFileBytes(target), (std::vector<std::uint8_t>{1, 2, 3}));
    AtomicFileWriter w(target, "open", "write", AtomicTempFile::Named);
    w.Write(bytes);
    w.Commit();
    EXPECT_EQ(test::ReadFileBytes(target), (std::vector<std::uint8_t>{5, 6}));
    EXPECT_EQ(Names(dir.Path()), std::set<std::string>{"out.bin"});
}

TEST(AtomicFileWriter, GathersSmallWritesAndPassesLargeOnesThroughInOrder) {
    test::ScratchDir dir;
    const auto target = dir / "mixed.bin";
    std::vector<std::uint8_t> expected;
    AtomicFileWriter w(target, "open", "write");
    const auto put = [&](std::size_t size, std::uint8_t seed) {
        std::vector<std::uint8_t> piece(size);
        for (std::size_t i = 0; i < size; ++i) piece[i] = std::uint8_t(seed + i * 7);
        w.Write(piece);
        expected.insert(expected.end(), piece.begin(), piece.end());
    };
    for (int i = 0; i < 3000; ++i) put(1 + i % 97, std::uint8_t(i));  // rows of a small picture
    put(1 << 20, 3);                                                   // one library buffer of a megabyte
    put(5, 9);
    put(300 * 1024, 11);  // larger than what is gathered, with bytes already waiting
    EXPECT_EQ(w.Written(), expected.size());
    w.Commit();
    EXPECT_EQ(test::ReadFileBytes(target), expected);
}

TEST(AtomicFileWriter, AProcessKilledDuringASaveLeavesTheOldFileAndNoTemporary) {
    test::ScratchDir dir;
    if (!FolderTakesUnnamedFiles(dir.Path())) GTEST_SKIP() << "this file system has no O_TMPFILE";
    const auto target = dir / "big.bin";
    test::WriteFileBytes(target, {1, 2, 3});
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AtomicFileWriter w(target, "open", "write");
        const std::vector<std::uint8_t> chunk(1 << 20, 7);
        for (int i = 0; i < 8; ++i) w.Write(chunk);
        ::kill(::getpid(), SIGKILL);  // no destructor, no cleanup
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
    EXPECT_EQ(test::ReadFileBytes(target), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(Names(dir.Path()), std::set<std::string>{"big.bin"});
}

}  // namespace
}  // namespace lp
