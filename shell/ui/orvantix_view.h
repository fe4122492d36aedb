#pragma once
#include <QAbstractScrollArea>
#include <QImage>

#include "guikit/ui/command_router.h"

namespace lp {

class COrvantixDoc;

/// The picture view of a picture window: shows the document's current frame
/// at its own size, placed by the picture position (0 top left .. 8 bottom
/// right) while it is smaller than the window, scrollable when larger. The
/// view's own commands (tools, zoom, rotation, cut-out) come with the view
/// tools; until then it answers none, and the routing passes them on.
class COrvantixView final : public QAbstractScrollArea, public CommandTarget {
    Q_OBJECT
public:
    explicit COrvantixView(COrvantixDoc& document, QWidget* parent = nullptr);

    /// Takes the document's current picture again (after load, edit, undo, frame switch).
    void RefreshPicture();
    /// Shows a playback canvas instead of the current frame until RefreshPicture.
    void ShowCanvas(const QImage& canvas);
    void SetPicturePosition(int position);
    int PicturePosition() const { return m_position; }
    const QImage& ShownImage() const { return m_image; }
    /// Where the picture's top-left corner lies in the viewport.
    QPoint PictureOrigin() const;

    bool UpdateCommand(int id, CommandState& state) override;
    bool ExecuteCommand(int id) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateScrollBars();

    COrvantixDoc& m_document;
    QImage m_image;
    int m_position = 4;
};

}  // namespace lp
