#pragma once
#include <QDockWidget>

class QTabWidget;
class QToolButton;

namespace lp {

/// The control panel docked at the main window's left edge (id 244): a tab
/// control with the pages "Speed", "Palette", "Animation" and "Browser" and a
/// collapse button at its top right corner. The pages are created once, in
/// the order palette, Transfer Manager, animation controls, drive tree.
class CControlPanel final : public QDockWidget {
    Q_OBJECT
public:
    /// transferManager: the "Speed" page (the Transfer Manager), animation: the "Animation"
    /// page, palette: the "Palette" page (the palette window), driveView: the "Browser" page
    /// (the drive tree); null shows a placeholder.
    explicit CControlPanel(QWidget* transferManager = nullptr, QWidget* parent = nullptr,
                           QWidget* animation = nullptr, QWidget* palette = nullptr, QWidget* driveView = nullptr);

    QTabWidget* Tabs() const { return m_tabs; }
    QToolButton* CollapseButton() const { return m_collapse; }
    /// The page of a tab index (0 Speed .. 3 Browser).
    QWidget* Page(int index) const;
    /// Shows the page of the index and hides the other three.
    void ShowPage(int index);
    int CurrentIndex() const;

signals:
    /// The user chose a tab.
    void TabChosen(int index);
    void CollapseRequested();

private:
    QTabWidget* m_tabs;
    QToolButton* m_collapse;
    QWidget* m_pages[4] = {};
};

/// The narrow bar shown instead of the control panel while it is collapsed (id 255).
class CCollapsedPanel final : public QDockWidget {
    Q_OBJECT
public:
    explicit CCollapsedPanel(QWidget* parent = nullptr);
    QToolButton* ExpandButton() const { return m_expand; }

signals:
    void ExpandRequested();

private:
    QToolButton* m_expand;
};

}  // namespace lp
