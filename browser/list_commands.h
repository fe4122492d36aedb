#pragma once
#include "browser/browser_item.h"

namespace lp {

/// The commands of the browser list that depend on what the list shows; the
/// menu bar, the tool bar and the context menu all ask here.
enum class ListCommand {
    Open,
    Delete,
    Copy,
    DownLoad,
    ThumbNail,
    ListView,
    Details,
    Refresh,
    SelectAll,
    InvertSelection,
    FileTypes,
    CacheInfo,
    Properties,
    ArrangeByColors,
};

/// Whether the command is offered for the list's mode and its selected rows.
/// The frames of an animated GIF are no files: they can only be viewed,
/// selected, refreshed and, from two frames on, handed to the frame properties.
bool ListCommandEnabled(ListCommand command, BrowseMode mode, int selectedRows);

}  // namespace lp
