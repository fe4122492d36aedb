// What every long-option command shares: its help, its usage errors, the completion
// script that offers its options; and --analyze's JSON read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "formats/bmp/bmp_writer.h"
#include "test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;
using test::RunLumaprism;
using test::ScratchDir;

const char* const kCommands[] = {"--convert",       "--analyze",    "--macro",     "--macro-new",
                                 "--macro-show",    "--optimize-site", "--thumbnails", "--vectorize"};

/// The long options a help text lists (lines starting with "  --name" or "  -h,--name").
std::set<std::string> HelpOptions(const std::string& help) {
    std::set<std::string> names;
    const std::regex option(R"(^\s+(?:-\w,)?(--[a-z][a-z0-9-]*))");
    std::size_t start = 0;
    while (start < help.size()) {
        const std::size_t end = help.find('\n', start);
        const std::string line = help.substr(start, end == std::string::npos ? std::string::npos : end - start);
        std::smatch m;
        if (std::regex_search(line, m, option)) names.insert(m[1]);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return names;
}

TEST(CliOptions, EveryCommandHelpsAndRefusesUnknownOptions) {
    ScratchDir s;
    for (const char* command : kCommands) {
        SCOPED_TRACE(command);
        const auto help = RunLumaprism({command, "--help"}, s.Path());
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_TRUE(help.out.starts_with(std::string("Usage: lumaprism ") + command)) << help.out;
        EXPECT_NE(help.out.find("\nOptions:\n"), std::string::npos) << help.out;
        EXPECT_NE(help.out.find("Exit status:"), std::string::npos) << help.out;
        EXPECT_EQ(help.err, "");
        EXPECT_GE(HelpOptions(help.out).size(), 2u);

        const auto bad = RunLumaprism({command, "x", "--no-such-option"}, s.Path());
        EXPECT_EQ(bad.exitCode, 2);
        EXPECT_TRUE(bad.err.starts_with(std::string("lumaprism ") + command +
                                        ": unknown option '--no-such-option'\n\n"))
            << bad.err;
        EXPECT_EQ(bad.out, "");
    }
}

TEST(CliOptions, CompletionOffersEveryOption) {
    ScratchDir s;
    const auto bytes = test::ReadFileBytes(test::SourceDir() / "resources" / "completion" / "lumaprism.bash");
    const std::string script(bytes.begin(), bytes.end());
    for (const char* command : kCommands) {
        const auto help = RunLumaprism({command, "--help"}, s.Path());
        // The options of one command sit between its case label and the next ";;".
        const std::size_t label = script.find(std::string("        ") + command + ")");
        ASSERT_NE(label, std::string::npos) << command;
        const std::size_t optionsAt = script.find("options=\"", label);
        std::string block = script.substr(optionsAt + 9, script.find('"', optionsAt + 9) - optionsAt - 9) + " ";
        std::replace(block.begin(), block.end(), '\n', ' ');
        block = " " + block;
        for (const std::string& option : HelpOptions(help.out))
            EXPECT_NE(block.find(" " + option + " "), std::string::npos) << command << " " << option;
    }
}

TEST(CliOptions, AnalyzeJsonNamesTheSmallestFormat) {
    ScratchDir s;
    // Whichever of its own three sizes is smallest is the one named.
    Picture flat;
    flat.Create(64, 64);
    flat.Fill(0x336699);
    SaveBmp(flat, s / "flat.bmp", BmpCompression::None, 24, nullptr);
    SaveBmp(test::PatternPicture(64, 64), s / "pattern.bmp", BmpCompression::None, 24, nullptr);
    const auto r = RunLumaprism({"--analyze", "flat.bmp", "pattern.bmp", "missing.bmp", "--json", "--modem", "0"},
                                s.Path());
    EXPECT_EQ(r.exitCode, 1);
    const auto json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json.at("modemSpeed"), 0);
    ASSERT_EQ(json.at("pictures").size(), 3u);
    for (int i = 0; i < 2; ++i) {
        const auto& p = json["pictures"][i];
        EXPECT_EQ(p.at("width"), 64);
        const std::int64_t gif = p["gif"]["bytes"], jpeg = p["jpeg"]["bytes"], png = p["png"]["bytes"];
        const std::int64_t least = std::min({gif, jpeg, png});
        const std::string expected = gif == least ? "GIF" : jpeg == least ? "JPEG" : "PNG";
        EXPECT_EQ(p.at("smallest"), expected) << p.dump();
        EXPECT_EQ(p["gif"].at("seconds"), 0);
    }
    EXPECT_EQ(json["pictures"][0].at("colours"), 1);
    EXPECT_NE(json["pictures"][0].at("smallest"), "JPEG");  // one flat colour: a palette format wins
    EXPECT_TRUE(json["pictures"][2].contains("error"));

    const auto table = RunLumaprism({"--analyze", "flat.bmp"}, s.Path());
    ASSERT_EQ(table.exitCode, 0) << table.err;
    EXPECT_NE(table.out.find("Smallest"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find(json["pictures"][0]["smallest"].get<std::string>() + "\n"), std::string::npos)
        << table.out;
}

}  // namespace
}  // namespace lp
