// The manual shipped with the program answers every help topic with a page
// and an anchor that exist, and is found beside the program.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "base/data_folders.h"
#include "shell/help_manual.h"
#include "test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;

fs::path SourceManual() { return test::SourceDir() / "resources" / "data" / "help"; }

std::string ReadText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

/// Every page of the manual with the ids its elements carry.
std::map<std::string, std::set<std::string>> ManualAnchors(const fs::path& folder) {
    std::map<std::string, std::set<std::string>> pages;
    static const std::regex id(R"re(\bid="([^"]+)")re");
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() != ".html") continue;
        const std::string text = ReadText(entry.path());
        auto& ids = pages[entry.path().filename().string()];
        for (auto it = std::sregex_iterator(text.begin(), text.end(), id); it != std::sregex_iterator(); ++it)
            EXPECT_TRUE(ids.insert((*it)[1]).second)
                << entry.path().filename() << " has id \"" << (*it)[1] << "\" twice";
    }
    return pages;
}

TEST(HelpManual, EveryTopicIsAPageAndAnchorOfTheShippedManual) {
    const auto pages = ManualAnchors(SourceManual());
    ASSERT_TRUE(pages.count(std::string(kHelpContents.page)));
    ASSERT_GT(HelpTopics().size(), 100u);
    for (const HelpTopicEntry& entry : HelpTopics()) {
        const auto page = pages.find(std::string(entry.place.page));
        ASSERT_NE(page, pages.end()) << "topic " << entry.topic << ": no page " << entry.place.page;
        EXPECT_TRUE(page->second.count(std::string(entry.place.anchor)))
            << "topic " << entry.topic << ": no anchor " << entry.place.page << "#" << entry.place.anchor;
    }
    EXPECT_TRUE(pages.at(std::string(kHelpContents.page)).count(std::string(kHelpContents.anchor)));
}

TEST(HelpManual, EveryLinkBetweenPagesLeadsToAnExistingAnchor) {
    const auto pages = ManualAnchors(SourceManual());
    static const std::regex link(R"re(href="([^"#]*)(#([^"]*))?")re");
    std::set<std::string> fromContents;
    for (const auto& [name, ids] : pages) {
        const std::string text = ReadText(SourceManual() / name);
        for (auto it = std::sregex_iterator(text.begin(), text.end(), link); it != std::sregex_iterator(); ++it) {
            const std::string target = (*it)[1].str().empty() ? name : (*it)[1].str();
            if (target.find("://") != std::string::npos) continue;
            if (name == kHelpContents.page) fromContents.insert(target);
            if (target.size() > 4 && target.substr(target.size() - 4) == ".css") {
                EXPECT_TRUE(fs::is_regular_file(SourceManual() / target)) << name << " -> " << target;
                continue;
            }
            const auto page = pages.find(target);
            ASSERT_NE(page, pages.end()) << name << " links to a missing page " << target;
            if ((*it)[3].matched)
                EXPECT_TRUE(page->second.count((*it)[3])) << name << " -> " << target << "#" << (*it)[3];
        }
    }
    // The contents page links every other page.
    for (const auto& [name, ids] : pages)
        if (name != kHelpContents.page) EXPECT_TRUE(fromContents.count(name)) << "the contents do not list " << name;
}

TEST(HelpManual, TopicsAreInOrderOnceEachAndUnknownOnesOpenTheContents) {
    const auto topics = HelpTopics();
    for (std::size_t i = 1; i < topics.size(); ++i)
        EXPECT_LT(topics[i - 1].topic, topics[i].topic) << "entry " << i;
    // A command's topic, a dialog's own number, and topics nobody gave.
    struct Case {
        int topic;
        std::string_view page, anchor;
        bool known;
    };
    const Case cases[] = {
        {0x10000 + 32778, "vectorizer.html", "vectorization", true},  // Picture > Vectorization...
        {0x10000 + 33101, "index.html", "quick-start", true},         // Help > Quick Start
        {0x10000 + 33100, "index.html", "introduction", true},        // Help > Introduction
        {0x10000 + 0xE142, "index.html", "contents", true},           // Help > Topics
        {0x4007E, "units-resize-merge.html", "resize", true},         // the resize dialog's Help button
        {0, "index.html", "contents", false},
        {0x10000 + 1, "index.html", "contents", false},
        {0x7FFFFFFF, "index.html", "contents", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindHelpTopic(c.topic).has_value(), c.known) << c.topic;
        const HelpPlace place = HelpPlaceOf(c.topic);
        EXPECT_EQ(place.page, c.page) << c.topic;
        EXPECT_EQ(place.anchor, c.anchor) << c.topic;
    }
}

TEST(HelpManual, FoundInTheBuildTreeAndBesideAnInstalledProgram) {
    // This test program runs from the build folder: the manual comes from the source tree.
    EXPECT_EQ(ManualFolder(DataFolders::FindShippedFolder()), SourceManual());

    test::ScratchDir dir;
    const fs::path shipped = dir / "prefix" / "share" / "lumaprism";
    EXPECT_TRUE(ManualFolder(shipped).empty());  // no such folder
    fs::create_directories(shipped / "help");
    EXPECT_TRUE(ManualFolder(shipped).empty());  // a folder without the contents page
    std::ofstream(shipped / "help" / "index.html") << "<h1 id=\"contents\">Contents</h1>";
    EXPECT_EQ(ManualFolder(shipped), shipped / "help");
    EXPECT_TRUE(ManualFolder({}).empty());
}

TEST(HelpManual, UrlsAreFileUrlsWithTheAnchorAndAnEscapedPath) {
    EXPECT_EQ(ManualUrl("/usr/share/lumaprism/help", {"wizards.html", "jpeg-wizard"}),
              "file:///usr/share/lumaprism/help/wizards.html#jpeg-wizard");
    EXPECT_EQ(ManualUrl("/opt/my apps/#1/h\xC3\xA9lp", {"index.html", "contents"}),
              "file:///opt/my%20apps/%231/h%C3%A9lp/index.html#contents");
    EXPECT_EQ(ManualUrl("/a/./b/../help", {"index.html", ""}), "file:///a/help/index.html");
    // A relative folder (a program started as "./lumaprism") still gives an absolute URL.
    const std::string relative = ManualUrl("help", {"index.html", "contents"});
    EXPECT_EQ(relative.rfind("file:///", 0), 0u) << relative;
    EXPECT_NE(relative.find("/help/index.html#contents"), std::string::npos) << relative;
}

}  // namespace
}  // namespace lp
