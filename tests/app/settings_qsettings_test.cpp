#include "app/qt/qsettings_store.h"
#include "base/settings.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

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

// Every key with a value different from its default (user mode on, so that the
// user-mode keys are written as they are).
AppSettings EveryKeyChanged() {
    AppSettings s;
    s.welcomeScreen = 0;
    s.picPosition = 8;
    s.beginnersHint = 0;
    s.spotRemover = 37;
    s.jpegQuality = 42;
    s.transparency = 2;
    s.cacheInfo = 0;
    s.magicTolerance = 12;
    s.paletteName = "Erdt\xc3\xb6ne, warm";
    s.penWidth = 9;
    s.smartReSize = 1;
    s.convToPalet = 1;
    s.userSettings = 1;
    s.zoomWindow = 1;
    s.fgRed = 1, s.fgGreen = 2, s.fgBlue = 3;
    s.bgRed = 4, s.bgGreen = 5, s.bgBlue = 6;
    s.pbWizard = 0;
    s.optType = 2;
    s.optColors = 1;
    s.optLargePics = 1;
    s.optTnailQlty = 1;
    s.modemSpeed = 56000;
    s.usePng = 1;
    s.defaultBrowser = 0x1A5;
    s.overlap = 1;
    s.mergeGapX = 7;
    s.mergeGapY = 9;
    s.stepRotation = 0.29;
    s.tmPosX = -20, s.tmPosY = 900;
    s.palPosX = 1600, s.palPosY = -4;
    s.accessType = 3;
    s.proxyName = "proxy.example:3128";
    s.proxyByPass = "localhost\r\n*.lan, 10.0.0.1";
    s.downLoadDirectory = "/home/someone/Bilder mit Leerzeichen";
    s.recentFiles = {"/a/one.jpg", "/b/two, with comma.gif", "/c/@three.png", "/d/four=4.bmp", "/e/five;5.tif"};
    s.barState = "AAAA/wAAAAD9AAAAAQ==";
    return s;
}

TEST(SettingsQSettings, FileIsNamedFromTheApplicationKeyInLumaprismHome) {
    test::ScratchDir dir;
    QSettingsStore store;
    EXPECT_EQ(store.File(), dir / "home" / "Lumaprism 2.8.ini");
    AppSettings s = LoadSettings(store);
    ASSERT_TRUE(WriteSettingsAtClose(s, store));
    EXPECT_TRUE(fs::is_regular_file(dir / "home" / "Lumaprism 2.8.ini"));
}

TEST(SettingsQSettings, FirstStartWithNoFileUsesDefaults) {
    test::ScratchDir dir;
    QSettingsStore store(dir / "none.ini");
    EXPECT_EQ(LoadSettings(store), LoadSettings(InMemorySettingsStore{}));
    EXPECT_FALSE(fs::exists(dir / "none.ini")) << "reading alone creates nothing";
}

TEST(SettingsQSettings, UserModeRoundTripsEveryKey) {
    test::ScratchDir dir;
    const fs::path file = dir / "round.ini";
    const AppSettings changed = EveryKeyChanged();
    {
        QSettingsStore store(file);
        ASSERT_TRUE(WriteSettingsAtClose(changed, store));
        ASSERT_TRUE(WriteSettingsAtExit(changed, store));
    }
    QSettingsStore reopened(file);
    const AppSettings loaded = LoadSettings(reopened);
    EXPECT_EQ(Written(loaded), Written(changed));
    EXPECT_TRUE(loaded == changed);
    // Nothing of it equals a default, so the comparison above covers every key.
    const auto defaults = Written(LoadSettings(InMemorySettingsStore{}));
    for (const auto& [key, value] : Written(changed))
        EXPECT_NE(defaults.count(key) ? defaults.at(key) : "", value) << key;
}

TEST(SettingsQSettings, UserSettingsOffResetsJpegQualityAtNextStart) {
    test::ScratchDir dir;
    {
        QSettingsStore store;
        AppSettings s = LoadSettings(store);
        s.jpegQuality = 30;
        ASSERT_TRUE(WriteSettingsAtClose(s, store));
    }
    QSettingsStore next;
    EXPECT_EQ(LoadSettings(next).jpegQuality, 75);
}

TEST(SettingsQSettings, NumbersAreWrittenAsPlainDecimalText) {
    test::ScratchDir dir;
    const fs::path file = dir / "plain.ini";
    AppSettings s;
    s.modemSpeed = 1234567;
    s.userSettings = 1;
    {
        QSettingsStore store(file);
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

TEST(SettingsQSettings, DamagedFilesFallBackKeyByKeyAndAreRewritten) {
    for (const DamagedFile& c : DamagedFiles()) {
        SCOPED_TRACE(c.name);
        test::ScratchDir dir;
        const fs::path file = dir / "damaged.ini";
        test::WriteFileBytes(file, c.bytes);

        AppSettings loaded;
        {
            QSettingsStore store(file);
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
        QSettingsStore reopened(file);
        for (const auto& [path, value] : Written(loaded)) {
            const auto slash = path.find('/');
            const StoredText t = reopened.ReadText(path.substr(0, slash), path.substr(slash + 1));
            EXPECT_EQ(t.state, StoredState::Present) << path;
            EXPECT_EQ(t.text, value) << path;
        }
        EXPECT_TRUE(LoadSettings(reopened) == loaded);
        EXPECT_LE(fs::file_size(file), QSettingsStore::kMaxFileBytes);
    }
}

TEST(SettingsQSettings, AFolderInPlaceOfTheFileGivesDefaultsAndAFailedWrite) {
    test::ScratchDir dir;
    const fs::path file = dir / "folder.ini";
    fs::create_directories(file);
    QSettingsStore store(file);
    const AppSettings s = LoadSettings(store);
    EXPECT_EQ(s.jpegQuality, 75);
    EXPECT_FALSE(WriteSettingsAtClose(s, store));
    EXPECT_TRUE(fs::is_directory(file));
}

}  // namespace
}  // namespace lp
