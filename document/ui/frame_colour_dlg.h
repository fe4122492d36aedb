#pragma once
#include <QDialog>
#include <span>
#include <vector>

#include "base/colour.h"

class QToolButton;

namespace lp {

/// Chooses a frame's transparent colour among the frame's own colours (up to 256), one
/// swatch each, the current colour marked.
class CFrameColourDlg final : public QDialog {
    Q_OBJECT
public:
    CFrameColourDlg(std::span<const ColourRef> colours, ColourRef current, QWidget* parent);

    const std::vector<QToolButton*>& Swatches() const { return m_swatches; }
    /// The marked colour (the current one until a swatch is clicked).
    ColourRef Chosen() const { return m_chosen; }

private:
    std::vector<QToolButton*> m_swatches;
    ColourRef m_chosen;
};

}  // namespace lp
