#include "base/atomic_file.h"
#include "formats/io/bounded_reader.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

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

}  // namespace
}  // namespace lp
