#include "base/data_folders.h"
#include "base/prompter.h"
#include "base/temp_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

namespace lp {
namespace {

TEST(DataFolders, LumaprismHomeHoldsEverything) {
    test::ScratchDir dir;  // sets LUMAPRISM_HOME
    const auto folders = DataFolders::FromEnvironment();
    const auto home = dir / "home";
    EXPECT_EQ(folders.Folder(DataFolder::Template), home / "TEMPLATE");
    EXPECT_EQ(folders.Folder(DataFolder::Palette), home / "PALETTE");
    EXPECT_EQ(folders.Folder(DataFolder::Picture), home / "PICTURE");
    EXPECT_EQ(folders.Folder(DataFolder::Cache), home / "CACHE");
    EXPECT_EQ(folders.SettingsFolder(), home);
    EXPECT_TRUE(std::filesystem::is_directory(home / "PALETTE"));
}

TEST(DataFolders, XdgFoldersWithoutOverride) {
    test::ScratchDir dir;
    const std::string saved = std::getenv("LUMAPRISM_HOME");
    ::unsetenv("LUMAPRISM_HOME");
    ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (dir / "cache").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    const auto folders = DataFolders::FromEnvironment();
    EXPECT_EQ(folders.Folder(DataFolder::Template), dir / "data" / "lumaprism" / "TEMPLATE");
    EXPECT_EQ(folders.Folder(DataFolder::Cache), dir / "cache" / "lumaprism" / "CACHE");
    EXPECT_EQ(folders.SettingsFolder(), dir / "config" / "lumaprism");
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("XDG_CACHE_HOME");
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("LUMAPRISM_HOME", saved.c_str(), 1);
}

TEST(UniqueTempFile, NamesDifferAndFilesAreRemoved) {
    test::ScratchDir dir;
    std::set<std::filesystem::path> names;
    std::filesystem::path kept;
    {
        UniqueTempFile a(".GIF", dir.Path());
        UniqueTempFile b(".GIF", dir.Path());
        EXPECT_NE(a.Path(), b.Path());
        EXPECT_EQ(a.Path().extension(), ".GIF");
        EXPECT_TRUE(std::filesystem::exists(a.Path()));
        kept = a.Path();
    }
    EXPECT_FALSE(std::filesystem::exists(kept));
}

TEST(Prompter, ScriptedAnswersThenDefaults) {
    ScriptedPrompter p({PromptAnswer::No});
    EXPECT_EQ(p.Ask("Save?", "Lumaprism", PromptButtons::YesNo, PromptAnswer::Yes), PromptAnswer::No);
    EXPECT_EQ(p.Ask("Again?", "Lumaprism", PromptButtons::YesNo, PromptAnswer::Yes), PromptAnswer::Yes);
    p.Message("Done", "Info", PromptIcon::Information);
    ASSERT_EQ(p.Questions().size(), 2u);
    EXPECT_EQ(p.Questions()[1].text, "Again?");
    ASSERT_EQ(p.Messages().size(), 1u);
    EXPECT_EQ(p.Messages()[0].caption, "Info");

    DefaultAnswerPrompter batch;
    EXPECT_EQ(batch.Ask("Overwrite?", "x", PromptButtons::YesNoCancel, PromptAnswer::Cancel), PromptAnswer::Cancel);
}

TEST(Prompter, DefaultAnswersOrYesToAllWithMessagesToTheSink) {
    std::vector<std::string> messages;
    const auto sink = [&](std::string_view text, std::string_view caption) {
        messages.push_back(std::string(caption) + "|" + std::string(text));
    };
    DefaultAnswerPrompter defaults(false, sink);
    DefaultAnswerPrompter yes(true, sink);
    for (const PromptAnswer given : {PromptAnswer::No, PromptAnswer::Cancel, PromptAnswer::Ok}) {
        EXPECT_EQ(defaults.Ask("Continue?", "x", PromptButtons::YesNoCancel, given), given);
        EXPECT_EQ(yes.Ask("Continue?", "x", PromptButtons::YesNoCancel, given), PromptAnswer::Yes);
    }
    defaults.Message("Saved", "Lumaprism", PromptIcon::Information);
    yes.Message("Failed", "Gif Error", PromptIcon::Stop);
    EXPECT_EQ(messages, (std::vector<std::string>{"Lumaprism|Saved", "Gif Error|Failed"}));

    DefaultAnswerPrompter quiet(false, DefaultAnswerPrompter::Quiet());
    testing::internal::CaptureStderr();
    quiet.Message("Nobody reads this", "x", PromptIcon::None);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    DefaultAnswerPrompter standard;
    testing::internal::CaptureStderr();
    standard.Message("Saved", "Lumaprism", PromptIcon::None);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Lumaprism: Saved\n");
}

}  // namespace
}  // namespace lp
