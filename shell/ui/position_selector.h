#pragma once
#include <QWidget>
#include <functional>

namespace lp {

/// The picture-position selector of the main tool bar ("Pos Win"): a 3 x 3
/// grid of 9 x 6 cells starting 2 pixels from the top left corner. The
/// selection follows the mouse while the button is held; release reports it.
class CPositionSelector final : public QWidget {
    Q_OBJECT
public:
    explicit CPositionSelector(QWidget* parent = nullptr);

    /// -1 for none, else column + 3 x row.
    int Selection() const { return m_selection; }
    void SetSelection(int cell);
    /// The cell under (x, y), or -1 when the column or row lies outside 0..2.
    static int CellAt(int x, int y);

    QSize sizeHint() const override { return {31, 22}; }

signals:
    /// The button was released over the control with this selection.
    void Released(int cell);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Follow(QPoint point);
    int m_selection = -1;
};

}  // namespace lp
