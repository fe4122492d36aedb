#include "tools/palette.h"

#include "base/imp_exp_exception.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace lp {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::filesystem::path Fixture(const char* name) { return test::TestDataDir() / "palette" / name; }

void PutU16(Bytes& b, std::size_t at, unsigned v) {
    b[at] = std::uint8_t(v & 0xFF);
    b[at + 1] = std::uint8_t(v >> 8);
}
void PutU32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
}

void ExpectThree(const Palette& p) {
    EXPECT_EQ(p.Name(), "three");
    ASSERT_EQ(p.Count(), 3);
    std::string name;
    EXPECT_EQ(p.GetEntry(0, &name), MakeColour(255, 0, 0));
    EXPECT_EQ(name, "Red");
    EXPECT_EQ(p.GetEntry(1, &name), MakeColour(0, 128, 255));
    EXPECT_EQ(name, "Sky");
    EXPECT_EQ(p.GetEntry(2, &name), MakeColour(1, 2, 3));
    EXPECT_EQ(name, std::string(29, 'A'));
}

TEST(PaletteFile, ReadsAFileLaidOutByHand) {
    Palette p;
    ASSERT_EQ(p.Read(Fixture("three.pal")), 0);
    ExpectThree(p);
    EXPECT_EQ(p.Path(), Fixture("three.pal"));
}

TEST(PaletteFile, ReadsAnyOffsetAndIgnoresBytesAfterNamesAndReservedFields) {
    // Entries at offset 100, junk in reserved fields and after terminating zeros, and a colour name that
    // fills its 30-byte field without a zero (read as its first 29 characters).
    Palette p;
    ASSERT_EQ(p.Read(Fixture("odd_layout.pal")), 0);
    ExpectThree(p);
    // Written back, it takes the program's own layout.
    EXPECT_EQ(p.Encode(), test::ReadFileBytes(Fixture("three.pal")));
}

TEST(PaletteFile, RoundTripsByteForByte) {
    test::ScratchDir dir;
    Palette p;
    ASSERT_EQ(p.Read(Fixture("three.pal")), 0);
    ASSERT_EQ(p.Write(dir / "copy.pal"), 0);
    EXPECT_EQ(test::ReadFileBytes(dir / "copy.pal"), test::ReadFileBytes(Fixture("three.pal")));

    // A large palette with every kind of name, written, read and written again.
    Palette big;
    big.SetName("big one");
    for (int i = 0; i < 16000; ++i)
        big.AddEntry(MakeColour(std::uint8_t(i), std::uint8_t(i >> 8), std::uint8_t(i * 7)),
                     i % 3 == 0 ? std::string() : "colour " + std::to_string(i));
    ASSERT_EQ(big.Write(dir / "big.pal"), 0);
    Palette again;
    ASSERT_EQ(again.Read(dir / "big.pal"), 0);
    ASSERT_EQ(again.Count(), 16000);
    ASSERT_EQ(again.Write(dir / "big2.pal"), 0);
    EXPECT_EQ(test::ReadFileBytes(dir / "big.pal"), test::ReadFileBytes(dir / "big2.pal"));
    EXPECT_EQ(test::ReadFileBytes(dir / "big.pal").size(), 64u + 16000u * 33u);
}

TEST(PaletteFile, SavedEntriesFollowTheLayout) {
    // "blue" with three colours named blue1..blue3: header name, count 3, offset 64, 33-byte entries.
    Palette p;
    p.SetName("blue");
    for (int i = 1; i <= 3; ++i) p.AddEntry(MakeColour(0, 0, std::uint8_t(80 * i)), "blue" + std::to_string(i));
    const Bytes b = p.Encode();
    ASSERT_EQ(b.size(), 64u + 3 * 33);
    EXPECT_EQ(0, std::memcmp(b.data(), "VP1.0\0\0\0\0\0blue\0", 15));
    EXPECT_EQ(b[40], 3);
    EXPECT_EQ(b[41], 0);
    EXPECT_EQ(b[42], 64);
    EXPECT_EQ(b[64 + 33 * 2 + 2], 240);  // blue of the third entry
    EXPECT_EQ(0, std::memcmp(&b[64 + 33 * 2 + 3], "blue3\0", 6));
}

TEST(PaletteFile, CountAbove16000KeepsTheFirst16000) {
    test::ScratchDir dir;
    Bytes b(64 + 20000 * 33, 0);
    std::memcpy(b.data(), "VP1.0", 6);
    std::memcpy(&b[10], "many", 4);
    PutU16(b, 40, 20000);
    PutU32(b, 42, 64);
    for (int i = 0; i < 20000; ++i) b[64 + std::size_t(i) * 33] = std::uint8_t(i % 251);
    test::WriteFileBytes(dir / "many.pal", b);
    Palette p;
    ASSERT_EQ(p.Read(dir / "many.pal"), 0);
    EXPECT_EQ(p.Count(), 16000);
    EXPECT_EQ(p.GetEntry(15999), MakeColour(std::uint8_t(15999 % 251), 0, 0));
}

TEST(PaletteFile, DamagedFilesFailNamingTheFileAndLoadNothing) {
    test::ScratchDir dir;
    const Bytes good = test::ReadFileBytes(Fixture("three.pal"));
    struct Case {
        const char* name;
        Bytes bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"empty.pal", {}});
    cases.push_back({"short-header.pal", Bytes(good.begin(), good.begin() + 63)});
    {
        Bytes b = good;
        b[4] = '1';  // "VP1.1"
        cases.push_back({"wrong-magic.pal", b});
    }
    {
        Bytes b = good;
        b[5] = 'X';  // magic not followed by its zero byte
        cases.push_back({"magic-without-zero.pal", b});
    }
    cases.push_back({"cut-in-last-name.pal", Bytes(good.begin(), good.end() - 1)});
    cases.push_back({"names-missing.pal", Bytes(good.begin(), good.begin() + 64 + 33 * 2 + 3)});
    {
        Bytes b = good;
        PutU16(b, 40, 4);  // one entry more than the file holds
        cases.push_back({"count-too-high.pal", b});
    }
    {
        Bytes b = good;
        PutU16(b, 40, 65535);  // absurd count
        cases.push_back({"absurd-count.pal", b});
    }
    {
        Bytes b = good;
        PutU32(b, 42, 0xFFFFFFF0u);  // entries far past the end
        cases.push_back({"offset-past-end.pal", b});
    }
    {
        Bytes b = good;
        PutU32(b, 42, 65);  // shifted by one byte: the last entry is short
        cases.push_back({"offset-shifted.pal", b});
    }
    {
        Bytes b = good;
        std::memcpy(&b[10], "../../x\0", 8);  // a palette name that could climb out of its folder
        cases.push_back({"bad-name.pal", b});
    }
    {
        Bytes junk(777);
        std::uint32_t s = 12345;
        for (auto& v : junk) {
            s = s * 1103515245u + 12345u;
            v = std::uint8_t(s >> 24);
        }
        cases.push_back({"junk.pal", junk});
    }
    for (const Case& c : cases) {
        const auto path = dir / c.name;
        test::WriteFileBytes(path, c.bytes);
        Palette p;
        ASSERT_EQ(p.Read(Fixture("three.pal")), 0);
        try {
            p.Load(path);
            ADD_FAILURE() << c.name << " loaded";
        } catch (const ImpExpException& e) {
            EXPECT_EQ(e.Where(), path.string()) << c.name;
            EXPECT_EQ(e.Title(), "Palette Error") << c.name;
            EXPECT_FALSE(e.Message().empty()) << c.name;
        }
        // Nothing half-loaded: the palette is still the one read before.
        ExpectThree(p);
        EXPECT_EQ(p.Path(), Fixture("three.pal"));
        EXPECT_EQ(p.Read(path), -1) << c.name;
    }
    Palette p;
    EXPECT_EQ(p.Read(dir / "no-such-file.pal"), -1);
    EXPECT_EQ(p.Read(dir.Path()), -1);  // a folder
}

TEST(PaletteFile, MessagesSayWhatIsWrong) {
    test::ScratchDir dir;
    Bytes b = test::ReadFileBytes(Fixture("three.pal"));
    PutU16(b, 40, 9);
    test::WriteFileBytes(dir / "t.pal", b);
    Palette p;
    try {
        p.Load(dir / "t.pal");
        FAIL();
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), "Palette file is truncated: 9 entries announced, 3 present");
    }
    b[0] = 'X';
    test::WriteFileBytes(dir / "t.pal", b);
    try {
        p.Load(dir / "t.pal");
        FAIL();
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), "Not a palette file: the signature \"VP1.0\" is missing");
    }
}

TEST(PaletteFile, FailedSaveLeavesTheOldFile) {
    test::ScratchDir dir;
    const auto target = dir / "keep.pal";
    const Bytes old = test::ReadFileBytes(Fixture("three.pal"));
    test::WriteFileBytes(target, old);

    Palette badName;
    badName.SetName("a/b");
    badName.AddEntry(MakeColour(1, 2, 3), "x");
    EXPECT_EQ(badName.Write(target), -1);
    EXPECT_THROW(badName.Save(target), ImpExpException);

    Palette tooMany;
    tooMany.SetName("huge");
    for (int i = 0; i < 65536; ++i) tooMany.AddEntry(MakeColour(1, 1, 1), {});
    EXPECT_EQ(tooMany.Write(target), -1);

    EXPECT_EQ(test::ReadFileBytes(target), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);  // no temporary left

    Palette good;
    good.SetName("fine");
    EXPECT_EQ(good.Write(dir / "missing-folder" / "x.pal"), -1);
    EXPECT_FALSE(std::filesystem::exists(dir / "missing-folder"));
}

TEST(PaletteFile, EmptyPathWritesWhereThePaletteCameFrom) {
    test::ScratchDir dir;
    std::filesystem::copy_file(Fixture("three.pal"), dir / "p.pal");
    Palette p;
    ASSERT_EQ(p.Read(dir / "p.pal"), 0);
    p.AddEntry(MakeColour(9, 9, 9), "nine");
    ASSERT_EQ(p.Write(), 0);
    Palette again;
    ASSERT_EQ(again.Read(dir / "p.pal"), 0);
    EXPECT_EQ(again.Count(), 4);

    Palette fresh;
    EXPECT_EQ(fresh.Write(), -1);  // never read: no file to write to
}

TEST(Palette, NearestTakesTheFirstOfEqualDistances) {
    Palette p;
    p.AddEntry(MakeColour(10, 0, 0), "a");
    p.AddEntry(MakeColour(0, 10, 0), "b");  // as far from black as a
    p.AddEntry(MakeColour(0, 0, 3), "c");
    p.AddEntry(MakeColour(0, 0, 3), "c again");
    EXPECT_EQ(p.Nearest(MakeColour(5, 5, 0)), MakeColour(10, 0, 0));  // a and b both 10 away, c 13
    EXPECT_EQ(p.Nearest(MakeColour(0, 0, 0)), MakeColour(0, 0, 3));
    EXPECT_EQ(p.Nearest(MakeColour(1, 9, 0)), MakeColour(0, 10, 0));
    Palette empty;
    EXPECT_EQ(empty.Nearest(MakeColour(7, 8, 9)), MakeColour(7, 8, 9));
}

TEST(Palette, EntriesAndNames) {
    Palette p;
    p.SetName(std::string(40, 'n'));
    EXPECT_EQ(p.Name(), std::string(29, 'n'));
    EXPECT_EQ(p.AddEntry(MakeColour(1, 2, 3), std::string(40, 'x')), 0);
    // A name cut at 29 bytes never ends in the middle of a UTF-8 character ("é" is 2 bytes).
    EXPECT_EQ(p.AddEntry(MakeColour(4, 5, 6), std::string(28, 'y') + "\xC3\xA9"), 0);
    std::string name;
    EXPECT_EQ(p.GetEntry(0, &name), MakeColour(1, 2, 3));
    EXPECT_EQ(name, std::string(29, 'x'));
    EXPECT_EQ(p.GetEntry(1, &name), MakeColour(4, 5, 6));
    EXPECT_EQ(name, std::string(28, 'y'));
    EXPECT_EQ(p.GetEntry(2), kNoColour);
    EXPECT_EQ(p.GetEntry(-1), kNoColour);

    p.Allocate(20000);
    EXPECT_EQ(p.Count(), 16000);
    EXPECT_EQ(p.GetEntry(15999), MakeColour(0, 0, 0));
    p.Allocate(-5);
    EXPECT_EQ(p.Count(), 0);
    p.AddEntry(MakeColour(1, 1, 1), "one");
    p.Clear();
    EXPECT_EQ(p.Count(), 0);
    EXPECT_EQ(p.Name(), "");
}

TEST(Palette, NameRule) {
    for (const char* ok : {"Web-Safe", "blue", "my palette 2", "dots.in.name", ""})
        EXPECT_TRUE(IsAcceptablePaletteName(ok)) << ok;
    for (const char* bad : {"a/b", "a\\b", "..", "x..y", "tab\there", "bell\x07"})
        EXPECT_FALSE(IsAcceptablePaletteName(bad)) << bad;
    EXPECT_FALSE(IsAcceptablePaletteName(std::string("nul\0x", 5)));
}

}  // namespace
}  // namespace lp
