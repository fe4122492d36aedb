#include "base/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

namespace lp {
namespace {

std::string CurrentFolder() { return std::filesystem::current_path().string(); }

// Every key a first start writes back, with its section, exact name and default.
std::map<std::string, std::string> FirstStartKeys() {
    return {
        {"BarSettings/State", ""},
        {"Settings/WelcomeScreen", "11"},
        {"Settings/PicPosition", "4"},
        {"Settings/BeginnersHint", "1"},
        {"Settings/SpotRemover", "1"},
        {"Settings/JpegQuality", "75"},
        {"Settings/Transparency", "0"},
        {"Settings/CacheInfo", "1"},
        {"Settings/MagicTolerance", "100"},
        {"Settings/Palette Name", "Web-Safe"},
        {"Settings/PenWidth", "1"},
        {"Settings/SmartReSize", "0"},
        {"Settings/ConvToPalet", "0"},
        {"Settings/UserSettings", "0"},
        {"Settings/ZoomWindow", "0"},
        {"Settings/FG_Red", "0"},
        {"Settings/FG_Green", "0"},
        {"Settings/FG_Blue", "128"},
        {"Settings/BG_Red", "255"},
        {"Settings/BG_Green", "255"},
        {"Settings/BG_Blue", "255"},
        {"Settings/PBWizard", "1"},
        {"Settings/OptType", "0"},
        {"Settings/OptColors", "0"},
        {"Settings/OptLargePics", "0"},
        {"Settings/OptTnailQlty", "0"},
        {"Settings/ModemSpeed", "28800"},
        {"Settings/Use PNG", "0"},
        {"Settings/DefaultBrowser", "0"},
        {"Settings/Overlap", "0"},
        {"Settings/Merge Gap X", "0"},
        {"Settings/Merge Gap Y", "0"},
        {"Settings/PictureBudget", "1024"},
        {"Settings/Step Rotation", "50"},
        {"Settings/TMPosX", "510"},
        {"Settings/TMPosY", "125"},
        {"Settings/PalPosX", "5"},
        {"Settings/PalPosY", "240"},
        {"Internet Settings/Access Type", "0"},
        {"Internet Settings/Proxy Name", ""},
        {"Internet Settings/Proxy ByPass", ""},
        {"Internet Settings/Down Load Directory", CurrentFolder()},
    };
}

TEST(SettingsLoad, FirstStartWithEmptyStoreUsesEveryDefault) {
    InMemorySettingsStore empty;
    const AppSettings s = LoadSettings(empty);

    EXPECT_EQ(s.welcomeScreen, 11);
    EXPECT_EQ(s.picPosition, 4);
    EXPECT_EQ(s.jpegQuality, 75);
    EXPECT_EQ(s.magicTolerance, 100);
    EXPECT_EQ(s.paletteName, "Web-Safe");
    EXPECT_EQ(s.Foreground(), MakeColour(0, 0, 128));
    EXPECT_EQ(s.Background(), MakeColour(255, 255, 255));
    EXPECT_EQ(s.modemSpeed, 28800);
    EXPECT_EQ(s.defaultBrowser, 0) << "-1 asks for the installer's value, which reads as 0 here";
    EXPECT_DOUBLE_EQ(s.stepRotation, 0.5);
    EXPECT_EQ(s.tmPosX, 510);
    EXPECT_EQ(s.palPosY, 240);
    EXPECT_EQ(s.downLoadDirectory, CurrentFolder());
    for (const auto& f : s.recentFiles) EXPECT_TRUE(f.empty());

    // Writing back shows every key under its exact name with its default.
    InMemorySettingsStore written;
    ASSERT_TRUE(WriteSettingsAtClose(s, written));
    ASSERT_TRUE(WriteSettingsAtExit(s, written));
    EXPECT_EQ(written.Dump(), FirstStartKeys());
}

TEST(SettingsLoad, ApplicationKeyNamesProductAndVersion) { EXPECT_EQ(ApplicationKey(), "Lumaprism 2.8"); }

TEST(SettingsLoad, StepRotationIsStoredInHundredthsOfADegree) {
    InMemorySettingsStore store;
    store.WriteInt("Settings", "Step Rotation", 50);
    EXPECT_DOUBLE_EQ(LoadSettings(store).stepRotation, 0.5);

    // 29 hundredths held as a double is 0.28999...; writing back must not lose a hundredth.
    for (int stored : {1, 29, 57, 1010, 35900}) {
        store.WriteInt("Settings", "Step Rotation", stored);
        AppSettings s = LoadSettings(store);
        InMemorySettingsStore out;
        WriteSettingsAtClose(s, out);
        EXPECT_EQ(out.ReadInt("Settings", "Step Rotation").value, stored);
    }
}

TEST(SettingsLoad, UserSettingsOffResetsUserModeKeysAtNextStart) {
    InMemorySettingsStore store;
    AppSettings s = LoadSettings(store);
    ASSERT_EQ(s.userSettings, 0);
    s.jpegQuality = 50;
    s.picPosition = 0;
    s.fgRed = 200;
    s.smartReSize = 1;
    s.modemSpeed = 56000;  // an "always" key
    s.paletteName = "Greys";
    ASSERT_TRUE(WriteSettingsAtClose(s, store));

    const AppSettings next = LoadSettings(store);
    EXPECT_EQ(next.jpegQuality, 75);
    EXPECT_EQ(next.picPosition, 4);
    EXPECT_EQ(next.fgRed, 0);
    EXPECT_EQ(next.smartReSize, 0);
    EXPECT_EQ(next.modemSpeed, 56000);
    EXPECT_EQ(next.paletteName, "Greys");
}

TEST(SettingsLoad, UserSettingsOnKeepsUserModeKeys) {
    InMemorySettingsStore store;
    AppSettings s = LoadSettings(store);
    s.userSettings = 1;
    s.jpegQuality = 50;
    s.transparency = 2;
    s.bgGreen = 7;
    ASSERT_TRUE(WriteSettingsAtClose(s, store));
    const AppSettings next = LoadSettings(store);
    EXPECT_EQ(next.jpegQuality, 50);
    EXPECT_EQ(next.transparency, 2);
    EXPECT_EQ(next.bgGreen, 7);
}

TEST(SettingsLoad, ClosingAndExitWriteTheirOwnSections) {
    AppSettings s = LoadSettings(InMemorySettingsStore{});
    s.proxyName = "proxy.example:8080";
    s.accessType = 3;
    s.recentFiles = {"/p/a.jpg", "", "/p/c.gif", "", ""};

    InMemorySettingsStore atClose;
    WriteSettingsAtClose(s, atClose);
    EXPECT_FALSE(atClose.Contains("Internet Settings", "Access Type"));
    EXPECT_FALSE(atClose.Contains("Recent File List", "File1"));

    InMemorySettingsStore atExit;
    atExit.WriteText("Recent File List", "File2", "/stale.png");
    WriteSettingsAtExit(s, atExit);
    EXPECT_FALSE(atExit.Contains("Settings", "JpegQuality")) << "a batch run's exit leaves \"Settings\" alone";
    EXPECT_EQ(atExit.Dump(), (std::map<std::string, std::string>{
                                 {"Internet Settings/Access Type", "3"},
                                 {"Internet Settings/Proxy Name", "proxy.example:8080"},
                                 {"Internet Settings/Proxy ByPass", ""},
                                 {"Internet Settings/Down Load Directory", CurrentFolder()},
                                 {"Recent File List/File1", "/p/a.jpg"},
                                 {"Recent File List/File3", "/p/c.gif"},
                             }));
    EXPECT_EQ(LoadSettings(atExit).recentFiles[2], "/p/c.gif");
}

struct BadValueCase {
    const char* section;
    const char* key;
    const char* stored;  // nullptr: a value that is not text at all
    std::string expected;
    std::string (*field)(const AppSettings&);
};

std::string Int(std::int32_t v) { return std::to_string(v); }

const BadValueCase kValueCases[] = {
    {"Settings", "JpegQuality", "abc", "75", [](const AppSettings& s) { return Int(s.jpegQuality); }},
    {"Settings", "JpegQuality", "0", "75", [](const AppSettings& s) { return Int(s.jpegQuality); }},
    {"Settings", "JpegQuality", "101", "75", [](const AppSettings& s) { return Int(s.jpegQuality); }},
    {"Settings", "JpegQuality", "", "75", [](const AppSettings& s) { return Int(s.jpegQuality); }},
    {"Settings", "JpegQuality", "7.5", "75", [](const AppSettings& s) { return Int(s.jpegQuality); }},
    {"Settings", "JpegQuality", "12abc", "75", [](const AppSettings& s) { return Int(s.jpegQuality); }},
    {"Settings", "JpegQuality", "99999999999999999999", "75", [](const AppSettings& s) { return Int(s.jpegQuality); }},
    {"Settings", "JpegQuality", nullptr, "75", [](const AppSettings& s) { return Int(s.jpegQuality); }},
    {"Settings", "JpegQuality", " 42 ", "42", [](const AppSettings& s) { return Int(s.jpegQuality); }},
    {"Settings", "JpegQuality", "+100", "100", [](const AppSettings& s) { return Int(s.jpegQuality); }},
    {"Settings", "JpegQuality", "1", "1", [](const AppSettings& s) { return Int(s.jpegQuality); }},
    {"Settings", "PicPosition", "9", "4", [](const AppSettings& s) { return Int(s.picPosition); }},
    {"Settings", "PicPosition", "-1", "4", [](const AppSettings& s) { return Int(s.picPosition); }},
    {"Settings", "PicPosition", "8", "8", [](const AppSettings& s) { return Int(s.picPosition); }},
    {"Settings", "ModemSpeed", "-1", "28800", [](const AppSettings& s) { return Int(s.modemSpeed); }},
    {"Settings", "ModemSpeed", "0", "0", [](const AppSettings& s) { return Int(s.modemSpeed); }},
    {"Settings", "ModemSpeed", "2147483647", "2147483647", [](const AppSettings& s) { return Int(s.modemSpeed); }},
    {"Settings", "ModemSpeed", "2147483648", "28800", [](const AppSettings& s) { return Int(s.modemSpeed); }},
    {"Settings", "FG_Red", "256", "0", [](const AppSettings& s) { return Int(s.fgRed); }},
    {"Settings", "BG_Blue", "-3", "255", [](const AppSettings& s) { return Int(s.bgBlue); }},
    {"Settings", "PenWidth", "0", "1", [](const AppSettings& s) { return Int(s.penWidth); }},
    {"Settings", "PenWidth", "10", "1", [](const AppSettings& s) { return Int(s.penWidth); }},
    {"Settings", "PenWidth", "9", "9", [](const AppSettings& s) { return Int(s.penWidth); }},
    {"Settings", "MagicTolerance", "101", "100", [](const AppSettings& s) { return Int(s.magicTolerance); }},
    {"Settings", "MagicTolerance", "0", "0", [](const AppSettings& s) { return Int(s.magicTolerance); }},
    {"Settings", "SmartReSize", "2", "0", [](const AppSettings& s) { return Int(s.smartReSize); }},
    {"Settings", "UserSettings", "-1", "0", [](const AppSettings& s) { return Int(s.userSettings); }},
    {"Settings", "Transparency", "3", "0", [](const AppSettings& s) { return Int(s.transparency); }},
    {"Settings", "OptType", "2", "2", [](const AppSettings& s) { return Int(s.optType); }},
    {"Settings", "Merge Gap X", "-2", "0", [](const AppSettings& s) { return Int(s.mergeGapX); }},
    {"Settings", "TMPosX", "-300", "-300", [](const AppSettings& s) { return Int(s.tmPosX); }},
    {"Settings", "DefaultBrowser", "-1", "0", [](const AppSettings& s) { return Int(s.defaultBrowser); }},
    {"Settings", "DefaultBrowser", "511", "511", [](const AppSettings& s) { return Int(s.defaultBrowser); }},
    {"Settings", "DefaultBrowser", "512", "0", [](const AppSettings& s) { return Int(s.defaultBrowser); }},
    {"Settings", "DefaultBrowser", "0x10", "0", [](const AppSettings& s) { return Int(s.defaultBrowser); }},
    {"Settings", "Step Rotation", "0", "50", [](const AppSettings& s) { return Int(int(s.stepRotation * 100 + 0.5)); }},
    {"Settings", "Step Rotation", "-50", "50",
     [](const AppSettings& s) { return Int(int(s.stepRotation * 100 + 0.5)); }},
    {"Settings", "Step Rotation", "35901", "50",
     [](const AppSettings& s) { return Int(int(s.stepRotation * 100 + 0.5)); }},
    {"Settings", "Step Rotation", "100", "100",
     [](const AppSettings& s) { return Int(int(s.stepRotation * 100 + 0.5)); }},
    {"Settings", "Palette Name", "", "Web-Safe", [](const AppSettings& s) { return s.paletteName; }},
    {"Settings", "Palette Name", "../../etc/passwd", "Web-Safe", [](const AppSettings& s) { return s.paletteName; }},
    {"Settings", "Palette Name", "a/b", "Web-Safe", [](const AppSettings& s) { return s.paletteName; }},
    {"Settings", "Palette Name", "bad\x01name", "Web-Safe", [](const AppSettings& s) { return s.paletteName; }},
    {"Settings", "Palette Name", "\xff\xfe", "Web-Safe", [](const AppSettings& s) { return s.paletteName; }},
    {"Settings", "Palette Name", nullptr, "Web-Safe", [](const AppSettings& s) { return s.paletteName; }},
    {"Settings", "Palette Name", "Mes couleurs \xc3\xa9t\xc3\xa9", "Mes couleurs \xc3\xa9t\xc3\xa9",
     [](const AppSettings& s) { return s.paletteName; }},
    {"Internet Settings", "Access Type", "2", "0", [](const AppSettings& s) { return Int(s.accessType); }},
    {"Internet Settings", "Access Type", "3", "3", [](const AppSettings& s) { return Int(s.accessType); }},
    {"Internet Settings", "Proxy Name", "host\nname", "", [](const AppSettings& s) { return s.proxyName; }},
    {"Internet Settings", "Proxy ByPass", "a.example\r\nb.example", "a.example\r\nb.example",
     [](const AppSettings& s) { return s.proxyByPass; }},
    {"Internet Settings", "Down Load Directory", "", CurrentFolder(),
     [](const AppSettings& s) { return s.downLoadDirectory; }},
    {"Internet Settings", "Down Load Directory", "/srv/pictures", "/srv/pictures",
     [](const AppSettings& s) { return s.downLoadDirectory; }},
    {"Recent File List", "File1", "/p/\x07.jpg", "", [](const AppSettings& s) { return s.recentFiles[0]; }},
    {"Recent File List", "File5", "/p/e.jpg", "/p/e.jpg", [](const AppSettings& s) { return s.recentFiles[4]; }},
    {"BarSettings", "State", "AAAA\x80", "", [](const AppSettings& s) { return s.barState; }},
};

TEST(SettingsLoad, EachBadValueFallsBackToItsOwnDefault) {
    for (const BadValueCase& c : kValueCases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key + " = " + (c.stored ? c.stored : "<not text>"));
        InMemorySettingsStore store;
        // A neighbour with a good value shows that the fallback is key by key.
        store.WriteText("Settings", "MagicTolerance", c.key == std::string("MagicTolerance") ? "100" : "33");
        if (c.stored)
            store.WriteText(c.section, c.key, c.stored);
        else
            store.SetInvalid(c.section, c.key);
        const AppSettings s = LoadSettings(store);
        EXPECT_EQ(c.field(s), c.expected);
        if (c.key != std::string("MagicTolerance")) {
            EXPECT_EQ(s.magicTolerance, 33);
        }
    }
}

TEST(SettingsLoad, OverlongTextsFallBack) {
    InMemorySettingsStore store;
    store.WriteText("Settings", "Palette Name", std::string(256, 'p'));
    store.WriteText("Internet Settings", "Down Load Directory", "/" + std::string(5000, 'd'));
    store.WriteText("Recent File List", "File2", "/" + std::string(5000, 'f'));
    store.WriteText("BarSettings", "State", std::string(70000, 'A'));
    const AppSettings s = LoadSettings(store);
    EXPECT_EQ(s.paletteName, "Web-Safe");
    EXPECT_EQ(s.downLoadDirectory, CurrentFolder());
    EXPECT_EQ(s.recentFiles[1], "");
    EXPECT_EQ(s.barState, "");

    store.WriteText("Settings", "Palette Name", std::string(255, 'p'));
    EXPECT_EQ(LoadSettings(store).paletteName, std::string(255, 'p'));
}

}  // namespace
}  // namespace lp
