#include "browser/ui/br_frame.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QStatusBar>
#include <QVBoxLayout>

#include "browser/picture_catalog.h"
#include "browser/ui/file_view.h"
#include "guikit/ui/command_ids.h"

namespace lp {

CBrFrame::CBrFrame(AppSettings& settings, Prompter& prompter, std::filesystem::path cacheDirectory, QWidget* parent)
    : QMdiSubWindow(parent) {
    setObjectName(QStringLiteral("BrowserWindow"));
    setWindowTitle(QStringLiteral("Lumaprism Browser"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_view = new CFileView(settings, prompter, std::move(cacheDirectory), body);
    m_view->progressSink = this;
    layout->addWidget(m_view, 1);

    m_statusBar = new QStatusBar(body);
    m_statusBar->setSizeGripEnabled(false);
    m_message = new QLabel(m_statusBar);
    m_message->setObjectName(QStringLiteral("BrowserMessagePane"));
    m_statusText = new QLabel(QString::fromLatin1(kIdleStatus), m_statusBar);
    m_statusText->setObjectName(QStringLiteral("BrowserStatusPane"));
    m_progress = new QProgressBar(m_statusBar);
    m_progress->setObjectName(QStringLiteral("BrowserProgress"));
    m_progress->setAccessibleName(QStringLiteral("Progress"));
    m_progress->setMaximumWidth(120);
    m_progress->setTextVisible(false);
    m_progress->hide();
    m_counts = new QLabel(m_statusBar);
    m_counts->setObjectName(QStringLiteral("BrowserCountsPane"));
    m_statusBar->addWidget(m_message, 2);
    m_statusBar->addWidget(m_statusText, 2);
    m_statusBar->addPermanentWidget(m_progress);
    m_statusBar->addPermanentWidget(m_counts);
    layout->addWidget(m_statusBar);
    setWidget(body);

    // The window is not closed through its system menu.
    if (QMenu* menu = systemMenu())
        for (QAction* action : menu->actions())
            if (action->shortcut() == QKeySequence(QKeySequence::Close) || action->text().contains(QStringLiteral("Close")))
                action->setEnabled(false);
    setWindowFlags(windowFlags() & ~Qt::WindowCloseButtonHint);

    connect(m_view, &CFileView::UpdateCounts, this, &CBrFrame::UpdateCounts);
    connect(m_view, &CFileView::UpdateMessagePane, this, &CBrFrame::UpdateMessagePane);
    UpdateCounts(0);
}

CBrFrame::~CBrFrame() = default;

QString CBrFrame::PaneText(int pane) const {
    switch (pane) {
        case 0: return m_message->text();
        case 1: return m_statusText->text();
        case 3: return m_counts->text();
        default: return {};
    }
}

void CBrFrame::UpdateCounts(int n) {
    const CountsTexts texts =
        FormatCounts(m_view->Total(), m_view->Selected(), n, m_view->StatusText().toStdString());
    m_counts->setText(QString::fromStdString(texts.counts));
    m_statusText->setText(QString::fromStdString(texts.status));
}

void CBrFrame::UpdateMessagePane() { m_message->setText(m_view->MessageText()); }

void CBrFrame::Begin(long low, long high, std::string_view text) {
    m_progress->setRange(int(low), int(std::max(low, high)));
    m_progress->setValue(int(low));
    m_progress->show();
    if (!text.empty()) m_message->setText(QString::fromUtf8(text.data(), qsizetype(text.size())));
}

void CBrFrame::Step(long position) { m_progress->setValue(int(position)); }

void CBrFrame::SetText(std::string_view text) { m_message->setText(QString::fromUtf8(text.data(), qsizetype(text.size()))); }

void CBrFrame::End() {
    m_progress->hide();
    m_progress->reset();
}

bool CBrFrame::UpdateCommand(int id, CommandState& state) {
    if (id == cmd::kBrowserPictureWindow) {
        state.enabled = bool(backToPictureWindow);
        return true;
    }
    return false;
}

bool CBrFrame::ExecuteCommand(int id) {
    if (id == cmd::kBrowserPictureWindow) {
        if (backToPictureWindow) backToPictureWindow();
        return true;
    }
    return false;
}

}  // namespace lp
