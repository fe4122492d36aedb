#include "app/ini_settings_store.h"
#include "base/settings.h"
#include "app/settings_samples.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

namespace lp {
namespace {

namespace fs = std::filesystem;

// What a settings object writes, as "section/key" -> text: a readable way to
// compare two settings objects key by key.
std::map<std::string, std::string> Written(const AppSettings& s) {
    InMemorySettingsStore out;
    WriteSettingsAtClose(s, out);
    WriteSettingsAtExit(s, out);
    return out.Dump();
}

TEST(SettingsIniFile, FileIsNamedFromTheApplicationKeyInLumaprismHome) {
    test::ScratchDir dir;
    IniSettingsStore store;
    EXPECT_EQ(store.File(), dir / "home" / "Lumaprism 2.8.ini");
    AppSettings s = LoadSettings(store);
    ASSERT_TRUE(WriteSettingsAtClose(s, store));
    EXPECT_TRUE(fs::is_regular_file(dir / "home" / "Lumaprism 2.8.ini"));
}

TEST(SettingsIniFile, FirstStartWithNoFileUsesDefaults) {
    test::ScratchDir dir;
    IniSettingsStore store(dir / "none.ini");
    EXPECT_EQ(LoadSettings(store), LoadSettings(InMemorySettingsStore{}));
    EXPECT_FALSE(fs::exists(dir / "none.ini")) << "reading alone creates nothing";
}

TEST(SettingsIniFile, UserModeRoundTripsEveryKey) {
    test::ScratchDir dir;
    const fs::path file = dir / "round.ini";
    const AppSettings changed = test::EveryKeyChanged();
    {
        IniSettingsStore store(file);
        ASSERT_TRUE(WriteSettingsAtClose(changed, store));
        ASSERT_TRUE(WriteSettingsAtExit(changed, store));
    }
    IniSettingsStore reopened(file);
    const AppSettings loaded = LoadSettings(reopened);
    EXPECT_EQ(Written(loaded), Written(changed));
    EXPECT_TRUE(loaded == changed);
    // Nothing of it equals a default, so the comparison above covers every key.
    const auto defaults = Written(LoadSettings(InMemorySettingsStore{}));
    for (const auto& [key, value] : Written(changed))
        EXPECT_NE(defaults.count(key) ? defaults.at(key) : "", value) << key;
}

TEST(SettingsIniFile, UserSettingsOffResetsJpegQualityAtNextStart) {
    test::ScratchDir dir;
    {
        IniSettingsStore store;
        AppSettings s = LoadSettings(store);
        s.jpegQuality = 30;
        ASSERT_TRUE(WriteSettingsAtClose(s, store));
    }
    IniSettingsStore next;
    EXPECT_EQ(LoadSettings(next).jpegQuality, 75);
}

TEST(SettingsIniFile, NumbersAreWrittenAsPlainDecimalText) {
    test::ScratchDir dir;
    const fs::path file = dir / "plain.ini";
    AppSettings s;
    s.modemSpeed = 1234567;
    s.userSettings = 1;
    {
        IniSettingsStore store(file);
        WriteSettingsAtClose(s, store);
    }
    std::ifstream in(file);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(text.find("ModemSpeed=1234567\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Settings]"), std::string::npos);
}

struct DamagedFile {
    const char* name;
    std::vector<std::uint8_t> bytes;
    // Expected effective values ("section/key" -> text as written back).
    std::map<std::string, std::string> expected;
};

std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

std::vector<DamagedFile> DamagedFiles() {
    auto fixture = [](const char* name) { return test::ReadFileBytes(test::TestDataDir() / "settings" / name); };
    std::string enormous = "[Settings]\nUserSettings=1\nPenWidth=4\nPalette%20Name=";
    enormous += std::string(600 * 1024, 'x');
    enormous += "\nJpegQuality=60\n[Recent%20File%20List]\nFile1=/" + std::string(200 * 1024, 'f') + "\n";
    std::string oversized = "[Settings]\nUserSettings=1\nJpegQuality=90\n; " + std::string(2 << 20, 'z') + "\n";
    return {
        {"truncated",
         fixture("truncated.ini"),
         {{"Settings/JpegQuality", "80"}, {"Settings/PenWidth", "5"}, {"Settings/ModemSpeed", "33600"}}},
        {"binary",
         fixture("binary.ini"),
         {{"Settings/JpegQuality", "75"}, {"Settings/UserSettings", "0"}, {"Settings/Palette Name", "Web-Safe"}}},
        {"wrong types",
         fixture("wrong_types.ini"),
         {{"Settings/JpegQuality", "75"},
          {"Settings/PicPosition", "4"},
          {"Settings/ModemSpeed", "28800"},
          {"Settings/WelcomeScreen", "11"},
          {"Settings/Palette Name", "Web-Safe"},
          {"Settings/FG_Blue", "128"},
          {"Settings/PenWidth", "5"},
          {"Settings/Step Rotation", "50"},
          {"Internet Settings/Access Type", "0"}}},
        {"nul bytes",
         fixture("nul_bytes.ini"),
         {{"Settings/JpegQuality", "75"}, {"Settings/MagicTolerance", "100"}, {"Settings/PenWidth", "3"}}},
        {"enormous strings",
         Bytes(enormous),
         {{"Settings/Palette Name", "Web-Safe"},
          {"Settings/PenWidth", "4"},
          {"Settings/JpegQuality", "60"},
          {"Recent File List/File1", "<absent>"}}},
        {"oversized file", Bytes(oversized), {{"Settings/JpegQuality", "75"}, {"Settings/UserSettings", "0"}}},
    };
}

TEST(SettingsIniFile, DamagedFilesFallBackKeyByKeyAndAreRewritten) {
    for (const DamagedFile& c : DamagedFiles()) {
        SCOPED_TRACE(c.name);
        test::ScratchDir dir;
        const fs::path file = dir / "damaged.ini";
        test::WriteFileBytes(file, c.bytes);

        AppSettings loaded;
        {
            IniSettingsStore store(file);
            loaded = LoadSettings(store);
            const auto effective = Written(loaded);
            for (const auto& [key, value] : c.expected) {
                auto it = effective.find(key);
                EXPECT_EQ(it == effective.end() ? std::string("<absent>") : it->second, value) << key;
            }
            ASSERT_TRUE(WriteSettingsAtClose(loaded, store));
            ASSERT_TRUE(WriteSettingsAtExit(loaded, store));
        }

        // Every key now reads back as a good value, equal to what was loaded.
        IniSettingsStore reopened(file);
        for (const auto& [path, value] : Written(loaded)) {
            const auto slash = path.find('/');
            const StoredText t = reopened.ReadText(path.substr(0, slash), path.substr(slash + 1));
            EXPECT_EQ(t.state, StoredState::Present) << path;
            EXPECT_EQ(t.text, value) << path;
        }
        EXPECT_TRUE(LoadSettings(reopened) == loaded);
        EXPECT_LE(fs::file_size(file), IniSettingsStore::kMaxFileBytes);
    }
}

TEST(SettingsIniFile, AFolderInPlaceOfTheFileGivesDefaultsAndAFailedWrite) {
    test::ScratchDir dir;
    const fs::path file = dir / "folder.ini";
    fs::create_directories(file);
    IniSettingsStore store(file);
    const AppSettings s = LoadSettings(store);
    EXPECT_EQ(s.jpegQuality, 75);
    EXPECT_FALSE(WriteSettingsAtClose(s, store));
    EXPECT_TRUE(fs::is_directory(file));
}

}  // namespace
}  // namespace lp

namespace lp {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteText(const fs::path& file, std::string_view text) {
    std::ofstream(file, std::ios::binary) << text;
}

// Values that need quoting or escapes: each must come back as it went in.
TEST(SettingsIniFile, EveryValueRoundTripsThroughItsEncoding) {
    const std::vector<std::string> values = {
        "",
        "plain",
        " leading blank",
        "trailing blank ",
        "a,b",
        "semi;colon",
        "eq=ual",
        "say \"hi\"",
        "back\\slash\\",
        "line\nbreak\r\nand\ttab",
        std::string("nul\0" "1 then hex", 12),
        "\x01" "f\x1f" "A\x7f",
        "@at start",
        "@@two",
        "@Variant(\\0\\0)",
        "Erdt\xc3\xb6ne \xe2\x82\xac \xf0\x9f\x98\x80",
        "100%",
        "\"",
        ",",
    };
    for (const std::string& value : values) {
        SCOPED_TRACE(testing::PrintToString(value));
        const std::string encoded = IniSettingsStore::EncodeValue(value);
        EXPECT_EQ(encoded.find_first_of("\n\r"), std::string::npos) << "stays on one line: " << encoded;
        const StoredText back = IniSettingsStore::DecodeValue(encoded);
        EXPECT_EQ(back.state, StoredState::Present) << encoded;
        EXPECT_EQ(back.text, value) << encoded;
    }
}

// Values as the older store or a person wrote them.
TEST(SettingsIniFile, ValuesReadAsTheOlderStoreWroteThem) {
    struct Case {
        const char* raw;
        StoredState state;
        std::string text;
    };
    const Case cases[] = {
        {"  spaced out  ", StoredState::Present, "spaced out"},
        {"\"  kept  \"", StoredState::Present, "  kept  "},
        {"\"quoted\"   ", StoredState::Present, "quoted"},
        {"a, b ,c", StoredState::Present, "a,b,c"},  // an unquoted list
        {"\"a, b\"", StoredState::Present, "a, b"},
        {"\"x\" , \"y\"", StoredState::Present, "x,y"},
        {"\\xf6l", StoredState::Present, "\xc3\xb6l"},  // older files escaped UTF-16 units
        {"\\x20ac", StoredState::Present, "\xe2\x82\xac"},
        {"\\xd83d\\xde00", StoredState::Present, "\xf0\x9f\x98\x80"},
        {"\\101\\102", StoredState::Present, "AB"},
        {"tab\\there\\\\", StoredState::Present, "tab\there\\"},
        {"@@at", StoredState::Present, "@at"},
        {"@plain", StoredState::Present, "@plain"},
        {"@String(text)", StoredState::Present, "text"},
        {"@ByteArray(5)", StoredState::Invalid, ""},
        {"@Variant(\\0\\0\\0\\x7f)", StoredState::Invalid, ""},
        {"@Rect(1 2 3 4)", StoredState::Invalid, ""},
        {"@Invalid()", StoredState::Invalid, ""},
        {"1, @Invalid()", StoredState::Invalid, ""},
        {"@ByteArray(unclosed", StoredState::Present, "@ByteArray(unclosed"},
        {"", StoredState::Present, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.raw);
        const StoredText t = IniSettingsStore::DecodeValue(c.raw);
        EXPECT_EQ(t.state, c.state);
        EXPECT_EQ(t.text, c.text);
    }
}

TEST(SettingsIniFile, NamesReadEscapedAndAreWrittenPlain) {
    const std::pair<const char*, const char*> read[] = {
        {"Internet%20Settings", "Internet Settings"},
        {"Palette%20Name", "Palette Name"},
        {"%U00F6l%U20AC", "\xc3\xb6l\xe2\x82\xac"},
        {"%e9t%E9", "\xc3\xa9t\xc3\xa9"},
        {"group\\key", "group/key"},
        {"100%", "100%"},
        {"%zz%2", "%zz%2"},
        {"Proxy ByPass", "Proxy ByPass"},
    };
    for (const auto& [raw, name] : read) EXPECT_EQ(IniSettingsStore::DecodeName(raw), name) << raw;

    const std::pair<const char*, const char*> written[] = {
        {"Internet Settings", "Internet Settings"},
        {"Down Load Directory", "Down Load Directory"},
        {"FG_Red", "FG_Red"},
        {"a=b", "a%3Db"},
        {"[x]", "%5Bx%5D"},
        {";comment", "%3Bcomment"},
        {" edge ", "%20edge%20"},
        {"50%", "50%25"},
        {"Erdt\xc3\xb6ne", "Erdt\xc3\xb6ne"},
    };
    for (const auto& [name, raw] : written) {
        EXPECT_EQ(IniSettingsStore::EncodeName(name), raw) << name;
        EXPECT_EQ(IniSettingsStore::DecodeName(IniSettingsStore::EncodeName(name)), name) << name;
    }
}

TEST(SettingsIniFile, ParsesCommentsDuplicatesContinuationsAndLineEnds) {
    const std::string text =
        "; a comment\r\n"
        "TopLevel=1\r\n"
        "# another comment\n"
        "  [Settings]  \n"
        "JpegQuality=10\n"
        "no equals sign here\n"
        "=no key\n"
        "  PenWidth = 4  \n"
        "[Internet%20Settings]\r"
        "Proxy%20Name=first\\\n"
        "second\n"
        "[Settings]\n"
        "JpegQuality=20\n"
        "[Truncated";
    const auto sections = IniSettingsStore::Parse(text);
    std::map<std::string, std::string> got;
    for (const auto& s : sections)
        for (const auto& e : s.entries) got[s.name + "/" + e.key] = e.value.text;
    const std::map<std::string, std::string> expected = {
        {"General/TopLevel", "1"},
        {"Settings/JpegQuality", "20"},  // the later value counts
        {"Settings/PenWidth", "4"},
        {"Internet Settings/Proxy Name", "firstsecond"},
    };
    EXPECT_EQ(got, expected);
    // A section given twice is one section.
    EXPECT_EQ(std::count_if(sections.begin(), sections.end(), [](const auto& s) { return s.name == "Settings"; }), 1);
}

TEST(SettingsIniFile, OldEscapedFileReadsWithEveryValueAndIsWrittenBackPlain) {
    test::ScratchDir dir;
    const fs::path file = dir / "old.ini";
    fs::copy_file(test::TestDataDir() / "settings" / "qsettings_escaped.ini", file);
    AppSettings loaded;
    {
        IniSettingsStore store(file);
        loaded = LoadSettings(store);
        EXPECT_EQ(loaded.userSettings, 1);
        EXPECT_EQ(loaded.jpegQuality, 42);
        EXPECT_EQ(loaded.modemSpeed, 56000);
        EXPECT_EQ(loaded.fgBlue, 3);
        EXPECT_EQ(loaded.paletteName, "Erdt\xc3\xb6ne, warm");
        EXPECT_DOUBLE_EQ(loaded.stepRotation, 0.29);
        EXPECT_EQ(loaded.accessType, 3);
        EXPECT_EQ(loaded.proxyName, "proxy.example:3128");
        EXPECT_EQ(loaded.proxyByPass, "localhost\r\n*.lan, 10.0.0.1");
        EXPECT_EQ(loaded.downLoadDirectory, "/home/someone/Bilder mit Leerzeichen");
        const std::array<std::string, kRecentFileCount> recent = {
            "/a/one.jpg", "/b/two, with comma.gif", "@three.png", "/d/four=4 \"quoted\" \\back.bmp", "/e/five;5.tif"};
        EXPECT_EQ(loaded.recentFiles, recent);
        EXPECT_EQ(loaded.barState, "AAAA/wAAAAD9AAAAAQ==");
        ASSERT_TRUE(WriteSettingsAtClose(loaded, store));
        ASSERT_TRUE(WriteSettingsAtExit(loaded, store));
    }
    const std::string text = ReadText(file);
    for (const char* plain : {"[Internet Settings]\n", "[Recent File List]\n", "[Settings]\n", "\nPalette Name=",
                              "\nDown Load Directory=/home/someone/Bilder mit Leerzeichen\n", "\nFile3=@@three.png\n"})
        EXPECT_NE(text.find(plain), std::string::npos) << plain << "\n" << text;
    EXPECT_EQ(text.find("%20"), std::string::npos) << text;
    // Each section once: the escaped and the plain spelling are the same section.
    EXPECT_EQ(text.find("[Settings]"), text.rfind("[Settings]")) << text;
    IniSettingsStore reopened(file);
    EXPECT_TRUE(LoadSettings(reopened) == loaded);
}

TEST(SettingsIniFile, KeysOfOthersAndValuesOfOtherTypesSurviveAWriteBack) {
    test::ScratchDir dir;
    const fs::path file = dir / "mixed.ini";
    WriteText(file,
              "[Settings]\nJpegQuality=50\nSomeoneElses=\"keep, me\"\nGeometry=@ByteArray(\\x1\\xd9\\xd0\\xcb)\n"
              "[Other%20Tool]\nLevel=3\n");
    {
        IniSettingsStore store(file);
        EXPECT_EQ(store.ReadText("Settings", "Geometry").state, StoredState::Invalid);
        store.WriteInt(kSettingsSection, "JpegQuality", 60);
        ASSERT_TRUE(store.Flush());
    }
    const std::string text = ReadText(file);
    EXPECT_NE(text.find("JpegQuality=60\n"), std::string::npos) << text;
    EXPECT_NE(text.find("SomeoneElses=\"keep, me\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Geometry=@ByteArray(\\x1\\xd9\\xd0\\xcb)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Other Tool]\nLevel=3\n"), std::string::npos) << text;
}

TEST(SettingsIniFile, TwoRunsWritingDifferentKeysKeepEachOthersValues) {
    test::ScratchDir dir;
    const fs::path file = dir / "shared.ini";
    WriteText(file, "[Settings]\nJpegQuality=50\nPenWidth=2\n[Internet Settings]\nProxy Name=old\n");
    IniSettingsStore window(file);
    IniSettingsStore batch(file);
    window.WriteInt(kSettingsSection, "JpegQuality", 60);
    window.Remove(kSettingsSection, "PenWidth");
    ASSERT_TRUE(window.Flush());
    batch.WriteText(kInternetSection, "Proxy Name", "new");
    ASSERT_TRUE(batch.Flush());

    IniSettingsStore after(file);
    EXPECT_EQ(after.ReadInt(kSettingsSection, "JpegQuality").value, 60);
    EXPECT_EQ(after.ReadText(kSettingsSection, "PenWidth").state, StoredState::Absent);
    EXPECT_EQ(after.ReadText(kInternetSection, "Proxy Name").text, "new");
    // The second store also sees the first one's keys once it has written.
    EXPECT_EQ(batch.ReadInt(kSettingsSection, "JpegQuality").value, 60);
}

TEST(SettingsIniFile, NothingWrittenLeavesTheFileUntouched) {
    test::ScratchDir dir;
    const fs::path file = dir / "keep.ini";
    const std::string original = "; the user's own notes\n[Settings]\nJpegQuality = 50\n";
    WriteText(file, original);
    IniSettingsStore store(file);
    EXPECT_EQ(LoadSettings(store).jpegQuality, 50);
    EXPECT_TRUE(store.Flush());
    EXPECT_EQ(ReadText(file), original);
}

TEST(SettingsIniFile, AFailedWriteKeepsTheOldFileAndReportsFailure) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    test::ScratchDir dir;
    const fs::path folder = dir / "ro";
    fs::create_directories(folder);
    const fs::path file = folder / "s.ini";
    const std::string original = "[Settings]\nJpegQuality=50\n";
    WriteText(file, original);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    IniSettingsStore store(file);
    store.WriteInt(kSettingsSection, "JpegQuality", 60);
    EXPECT_FALSE(store.Flush());
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_EQ(ReadText(file), original);
}

TEST(SettingsIniFile, AFileThatCannotBeReadIsNeverReplaced) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
    test::ScratchDir dir;
    const fs::path file = dir / "locked.ini";
    WriteText(file, "[Settings]\nJpegQuality=50\n");
    fs::permissions(file, fs::perms::none);
    IniSettingsStore store(file);
    EXPECT_EQ(LoadSettings(store).jpegQuality, 75);
    store.WriteInt(kSettingsSection, "JpegQuality", 60);
    EXPECT_FALSE(store.Flush());
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(ReadText(file), "[Settings]\nJpegQuality=50\n");
}

}  // namespace
}  // namespace lp
