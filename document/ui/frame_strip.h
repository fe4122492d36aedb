#pragma once
#include <QListWidget>

namespace lp {

class COrvantixDoc;

/// The strip under a multi-frame picture: one thumbnail per frame, "Frame %d" under each, the
/// current frame selected; a click makes that frame current.
class CFrameStrip final : public QListWidget {
    Q_OBJECT
public:
    CFrameStrip(COrvantixDoc& document, QWidget* parent);

    /// The frames were added, removed or edited.
    void FramesChanged();
    /// The picture changed (the current frame's pixels, or those of every frame) or another
    /// frame became current.
    void CurrentFrameChanged();

private:
    /// Draws the frame's thumbnail again unless its pixels are those it was drawn from.
    void RedrawIcon(int index);

    COrvantixDoc& m_document;
    bool m_filling = false;
};

}  // namespace lp
