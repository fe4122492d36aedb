// The settings file between the toolkit's own INI code (which wrote the files
// of earlier versions), the GUI and the headless commands.
#include <gtest/gtest.h>

#include <QSettings>
#include <QStringList>
#include <fstream>

#include "app/ini_settings_store.h"
#include "app/settings_samples.h"
#include "formats/format_table.h"
#include "shell/ui/main_frame.h"
#include "ui/ui_test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;

QString KeyPath(std::string_view section, std::string_view key) {
    return QString::fromUtf8(section.data(), qsizetype(section.size())) + QLatin1Char('/') +
           QString::fromUtf8(key.data(), qsizetype(key.size()));
}

/// Writes through QSettings the way the earlier versions stored settings: every
/// value as text.
class QSettingsWriter final : public SettingsStore {
public:
    explicit QSettingsWriter(const fs::path& file)
        : m_settings(QString::fromStdString(file.string()), QSettings::IniFormat) {}
    StoredText ReadText(std::string_view, std::string_view) const override { return {}; }
    void WriteText(std::string_view section, std::string_view key, std::string_view value) override {
        m_settings.setValue(KeyPath(section, key), QString::fromUtf8(value.data(), qsizetype(value.size())));
    }
    void Remove(std::string_view section, std::string_view key) override { m_settings.remove(KeyPath(section, key)); }
    bool Flush() override {
        m_settings.sync();
        return m_settings.status() == QSettings::NoError;
    }

private:
    QSettings m_settings;
};

std::map<std::string, std::string> Written(const AppSettings& s) {
    InMemorySettingsStore out;
    WriteSettingsAtClose(s, out);
    WriteSettingsAtExit(s, out);
    return out.Dump();
}

TEST(SettingsInterop, AFileTheToolkitWroteReadsEveryKey) {
    test::ScratchDir dir;
    const fs::path file = dir / "old.ini";
    const AppSettings changed = test::EveryKeyChanged();
    {
        QSettingsWriter old(file);
        ASSERT_TRUE(WriteSettingsAtClose(changed, old));
        ASSERT_TRUE(WriteSettingsAtExit(changed, old));
    }
    {
        std::ifstream in(file);
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        ASSERT_NE(text.find("[Internet%20Settings]"), std::string::npos) << "the old file escapes names:\n" << text;
    }
    IniSettingsStore store(file);
    const AppSettings loaded = LoadSettings(store);
    EXPECT_EQ(Written(loaded), Written(changed));
    EXPECT_TRUE(loaded == changed);
}

TEST(SettingsInterop, OurFileReadsBackInTheToolkitValueForValue) {
    // Our quoting is the toolkit's: a file written now still opens in an older version.
    test::ScratchDir dir;
    const fs::path file = dir / "new.ini";
    const AppSettings changed = test::EveryKeyChanged();
    {
        IniSettingsStore store(file);
        ASSERT_TRUE(WriteSettingsAtClose(changed, store));
        ASSERT_TRUE(WriteSettingsAtExit(changed, store));
    }
    QSettings qt(QString::fromStdString(file.string()), QSettings::IniFormat);
    const auto written = Written(changed);
    for (const auto& [path, value] : written) {
        const auto slash = path.find('/');
        const QVariant v = qt.value(KeyPath(path.substr(0, slash), path.substr(slash + 1)));
        const QString text = v.typeId() == QMetaType::QStringList ? v.toStringList().join(QLatin1Char(',')) : v.toString();
        EXPECT_EQ(text.toStdString(), value) << path;
    }
    EXPECT_GT(written.size(), 40u);
}

TEST(SettingsInterop, TheWindowsAndTheHeadlessCommandsShareOneFile) {
    test::ScratchDir scratch;  // LUMAPRISM_HOME: both sides find the same default file
    SavePictureByExtension(test::PatternPicture(16, 16), scratch / "pic.bmp");
    {
        IniSettingsStore first;
        first.WriteInt(kSettingsSection, "WelcomeScreen", 0);
        ASSERT_TRUE(first.Flush());
    }
    {
        IniSettingsStore store;
        ScriptedPrompter prompter;
        test::ScriptedChooser chooser;
        InMemoryClipboard clipboard;
        CLumaprismApp::Services services;
        services.store = &store;
        services.prompter = &prompter;
        services.chooser = &chooser;
        services.clipboard = &clipboard;
        CLumaprismApp app(services);
        app.Startup({});
        app.Settings().modemSpeed = 14400;
        app.Settings().proxyName = "proxy.lan:8080";
        ASSERT_TRUE(app.MainFrame().close());
        ASSERT_TRUE(app.ExitStep());
    }
    // The headless command reads what the windows wrote...
    const auto analyze = test::RunLumaprism({"--analyze", "pic.bmp"}, scratch.Path());
    EXPECT_EQ(analyze.exitCode, 0) << analyze.err;
    EXPECT_NE(analyze.out.find("Modem speed: 14400 bits per second"), std::string::npos) << analyze.out;

    // ...and a batch run's exit step writes back what it read, in the same file.
    const auto batch = test::RunLumaprism({"-ipic.bmp", "-oout.bmp", "-w8"}, scratch.Path());
    EXPECT_EQ(batch.exitCode, 0) << batch.err;
    IniSettingsStore after;
    const AppSettings read = LoadSettings(after);
    EXPECT_EQ(read.modemSpeed, 14400);
    EXPECT_EQ(read.proxyName, "proxy.lan:8080");
    EXPECT_EQ(read.welcomeScreen, 0);
    std::ifstream in(IniSettingsStore::DefaultFile());
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(text.find("[Internet Settings]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Proxy Name=proxy.lan:8080\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace lp
