#pragma once
#include <QDialog>
#include <cstdint>
#include <vector>

class QCheckBox;

namespace lp {

/// "Lumaprism As Default Viewer": one box per picture file type, ticked from the
/// "DefaultBrowser" bits.
class CDefaultViewerDlg final : public QDialog {
    Q_OBJECT
public:
    CDefaultViewerDlg(std::int32_t bits, QWidget* parent);

    /// The bits of the ticked boxes.
    std::int32_t Bits() const;
    QCheckBox* Box(int index) const { return m_boxes[std::size_t(index)]; }

private:
    std::vector<QCheckBox*> m_boxes;
};

}  // namespace lp
