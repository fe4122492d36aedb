#pragma once
#include "document/picture_clipboard.h"

namespace lp {

/// The picture clipboard over the system clipboard (QClipboard). A picture is
/// offered as an image, which Qt publishes as image/png among other formats.
class QtPictureClipboard final : public PictureClipboard {
public:
    Status PutPicture(const Picture& picture) override;
    bool HasPicture() const override;
    Status GetPicture(std::optional<Picture>& picture) override;
};

}  // namespace lp
