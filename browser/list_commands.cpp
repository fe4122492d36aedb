#include "browser/list_commands.h"

namespace lp {

bool ListCommandEnabled(ListCommand command, BrowseMode mode, int selectedRows) {
    const bool frames = mode == BrowseMode::GifFrames;
    switch (command) {
        case ListCommand::Open:
            return !frames;
        case ListCommand::Delete:
            return mode == BrowseMode::Folder;
        case ListCommand::Copy:
            // A site's pictures are URLs until downloaded: nothing to put on the clipboard.
            return !frames && mode != BrowseMode::WebSite && selectedRows > 0;
        case ListCommand::DownLoad:
            return mode == BrowseMode::WebSite;
        case ListCommand::Properties:
            return frames && selectedRows > 1;
        case ListCommand::ArrangeByColors:
            return false;
        case ListCommand::ThumbNail:
        case ListCommand::ListView:
        case ListCommand::Details:
        case ListCommand::Refresh:
        case ListCommand::SelectAll:
        case ListCommand::InvertSelection:
        case ListCommand::FileTypes:
        case ListCommand::CacheInfo:
            return true;
    }
    return false;
}

}  // namespace lp
