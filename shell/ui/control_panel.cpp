#include "shell/ui/control_panel.h"

#include <QLabel>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "shell/ui/tool_icons.h"

namespace lp {

namespace {

// A page whose panel arrives with its own part of the program: it says what
// it will hold instead of pretending to work.
QWidget* PlaceholderPage(const QString& name, const QString& objectName) {
    auto* page = new QWidget;
    page->setObjectName(objectName);
    auto* layout = new QVBoxLayout(page);
    auto* label = new QLabel(name + QStringLiteral("\n\n(not available in this version)"), page);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setEnabled(false);
    layout->addWidget(label);
    layout->addStretch(1);
    return page;
}

}  // namespace

CControlPanel::CControlPanel(QWidget* transferManager, QWidget* parent, QWidget* animation, QWidget* palette,
                             QWidget* driveView)
    : QDockWidget(parent) {
    setObjectName(QStringLiteral("ControlPanel"));
    setWindowTitle(QStringLiteral("Controls"));
    setToolTip(QStringLiteral("Show or hide Control Dialog"));
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    setFeatures(QDockWidget::DockWidgetMovable);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("ControlTabs"));
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(12);
    font.setBold(true);
    m_tabs->tabBar()->setFont(font);

    // Created in this order: palette window, Transfer Manager, animation controls, drive tree.
    m_pages[1] = palette ? palette : PlaceholderPage(QStringLiteral("Palette"), QStringLiteral("PalettePage"));
    m_pages[0] = transferManager ? transferManager
                                 : PlaceholderPage(QStringLiteral("Transfer Manager"), QStringLiteral("TransferManagerPage"));
    m_pages[2] = animation ? animation : PlaceholderPage(QStringLiteral("Animation Controls"), QStringLiteral("AnimationPage"));
    m_pages[3] = driveView ? driveView : PlaceholderPage(QStringLiteral("Drive view"), QStringLiteral("Drive view"));

    const struct {
        const char* text;
        const char* tooltip;
    } kTabs[] = {{"Speed", "Transfer Manager"},
                 {"Palette", "Palette"},
                 {"Animation", "Animation Controls"},
                 {"Browser", "Lumaprism Browser"}};
    for (int i = 0; i < 4; ++i) {
        m_tabs->addTab(m_pages[i], QString::fromLatin1(kTabs[i].text));
        m_tabs->setTabToolTip(i, QString::fromLatin1(kTabs[i].tooltip));
    }
    m_tabs->setCurrentIndex(3);

    m_collapse = new QToolButton(m_tabs);
    m_collapse->setObjectName(QStringLiteral("CollapseButton"));
    m_collapse->setIcon(CollapseIcon());
    m_collapse->setAutoRaise(true);
    m_collapse->setToolTip(QStringLiteral("Collapse"));
    m_tabs->setCornerWidget(m_collapse, Qt::TopRightCorner);

    m_tabs->setMinimumWidth(300);
    setWidget(m_tabs);
    // A click on the current tab changes nothing but is still the user's choice; any other
    // choice (mouse, keyboard, a screen reader) arrives as the change of the current tab.
    // ShowPage blocks the tab widget's signals: a page the program shows is no choice.
    connect(m_tabs->tabBar(), &QTabBar::tabBarClicked, this, [this](int index) {
        if (index >= 0 && index == m_tabs->currentIndex()) emit TabChosen(index);
    });
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (index >= 0) emit TabChosen(index);
    });
    connect(m_collapse, &QToolButton::clicked, this, &CControlPanel::CollapseRequested);
}

QWidget* CControlPanel::Page(int index) const { return (index >= 0 && index < 4) ? m_pages[index] : nullptr; }

void CControlPanel::ShowPage(int index) {
    if (index < 0 || index > 3) return;
    const QSignalBlocker block(m_tabs);
    m_tabs->setCurrentIndex(index);
}

int CControlPanel::CurrentIndex() const { return m_tabs->currentIndex(); }

CCollapsedPanel::CCollapsedPanel(QWidget* parent) : QDockWidget(parent) {
    setObjectName(QStringLiteral("CollapsedPanel"));
    setWindowTitle(QStringLiteral("Controls"));
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    setFeatures(QDockWidget::NoDockWidgetFeatures);
    setTitleBarWidget(new QWidget(this));
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(1, 2, 1, 2);
    m_expand = new QToolButton(body);
    m_expand->setObjectName(QStringLiteral("ExpandButton"));
    m_expand->setIcon(ExpandIcon());
    m_expand->setAutoRaise(true);
    m_expand->setToolTip(QStringLiteral("Expand"));
    layout->addWidget(m_expand);
    layout->addStretch(1);
    setWidget(body);
    connect(m_expand, &QToolButton::clicked, this, &CCollapsedPanel::ExpandRequested);
}

}  // namespace lp
