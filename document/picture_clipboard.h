#pragma once
#include <optional>

#include "imaging/picture.h"

namespace lp {

/// What the picture document needs from the system clipboard: put a bitmap on it and read
/// one back. The GUI implements it over the toolkit's clipboard; tests and headless runs use
/// InMemoryClipboard.
class PictureClipboard {
public:
    enum class Status {
        Ok,
        CannotOpen,  // shown as "Cannot open the Clipboard"
        Failed,      // emptying or storing failed: "Clipboard Error"
    };

    virtual ~PictureClipboard() = default;
    /// Replaces the clipboard's content with a copy of the picture (which the clipboard then owns).
    virtual Status PutPicture(const Picture& picture) = 0;
    /// True when the clipboard holds a bitmap (enables Paste).
    virtual bool HasPicture() const = 0;
    /// The clipboard's bitmap; Ok with an empty optional when it holds none.
    virtual Status GetPicture(std::optional<Picture>& picture) = 0;
};

/// A clipboard held in memory. The failure switches let tests take the error paths.
class InMemoryClipboard final : public PictureClipboard {
public:
    Status PutPicture(const Picture& picture) override {
        if (failOpen) return Status::CannotOpen;
        if (failStore) return Status::Failed;
        m_picture = picture;
        return Status::Ok;
    }
    bool HasPicture() const override { return m_picture.has_value(); }
    Status GetPicture(std::optional<Picture>& picture) override {
        if (failOpen) return Status::CannotOpen;
        picture = m_picture;
        return Status::Ok;
    }
    void Clear() { m_picture.reset(); }

    bool failOpen = false;
    bool failStore = false;

private:
    std::optional<Picture> m_picture;
};

}  // namespace lp
