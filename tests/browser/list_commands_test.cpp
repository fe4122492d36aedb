#include "browser/list_commands.h"

#include <gtest/gtest.h>

namespace lp {
namespace {

using C = ListCommand;
using M = BrowseMode;

TEST(ListCommands, GreyingFollowsTheModeAndTheSelection) {
    const struct {
        C command;
        M mode;
        int selected;
        bool enabled;
    } cases[] = {
        {C::Delete, M::Folder, 1, true},        {C::Delete, M::HtmlFile, 1, false},
        {C::Delete, M::WebSite, 1, false},      {C::Delete, M::GifFrames, 1, false},
        {C::Copy, M::Folder, 1, true},          {C::Copy, M::HtmlFile, 2, true},
        {C::Copy, M::WebSite, 1, false},        {C::Copy, M::GifFrames, 2, false},
        {C::Copy, M::Folder, 0, false},         {C::DownLoad, M::WebSite, 0, true},
        {C::DownLoad, M::Folder, 1, false},     {C::DownLoad, M::HtmlFile, 1, false},
        {C::DownLoad, M::GifFrames, 1, false},  {C::Properties, M::GifFrames, 2, true},
        {C::Properties, M::GifFrames, 1, false}, {C::Properties, M::GifFrames, 0, false},
        {C::Properties, M::Folder, 3, false},   {C::Open, M::Folder, 0, true},
        {C::Open, M::WebSite, 1, true},         {C::Open, M::GifFrames, 1, false},
        {C::ArrangeByColors, M::Folder, 1, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ListCommandEnabled(c.command, c.mode, c.selected), c.enabled)
            << "command " << int(c.command) << " mode " << int(c.mode) << " selected " << c.selected;
}

TEST(ListCommands, ViewsSelectionAndRefreshAreOfferedInEveryMode) {
    for (M mode : {M::Folder, M::HtmlFile, M::WebSite, M::GifFrames})
        for (C command : {C::ThumbNail, C::ListView, C::Details, C::Refresh, C::SelectAll, C::InvertSelection,
                          C::FileTypes, C::CacheInfo})
            EXPECT_TRUE(ListCommandEnabled(command, mode, 0)) << int(command) << " " << int(mode);
}

}  // namespace
}  // namespace lp
