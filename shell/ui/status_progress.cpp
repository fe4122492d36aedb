#include "shell/ui/status_progress.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QStatusBar>
#include <algorithm>
#include <climits>
#include <cstdio>

namespace lp {

namespace {

QString FromView(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

// Printf-style forms must not follow the user's locale: numbers are always
// written with a decimal point.
QString Printf(const char* format, auto... values) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, format, values...);
    return QString::fromLatin1(buffer);
}

int ClampToInt(long value) { return int(std::clamp<long>(value, INT_MIN, INT_MAX)); }

struct PaneLayout {
    int firstPane;            // panes below it are the status bar's stretching message area
    std::vector<int> widths;  // from firstPane on
    int barPane;
    int stretchPane;  // -1: pane 0 stretches
};

PaneLayout LayoutOf(CStatusProgress::Mode mode) {
    switch (mode) {
        case CStatusProgress::Mode::MainText:
            return {1, {180, 100, 120}, 2, -1};
        case CStatusProgress::Mode::TextControl:
            return {1, {80, 120}, 1, -1};
        case CStatusProgress::Mode::FourPane:
            return {0, {100, 93, 90, 100}, 2, 3};
    }
    return {1, {}, 1, -1};
}

}  // namespace

QString StatusSizeText(double width, double height, bool wholeNumbers) {
    if (width == 0 || height == 0) return {};
    if (wholeNumbers) return Printf("%8d x %d", int(width), int(height));
    return Printf("%8.2f x %8.2f", width, height);
}

QString StatusFrameText(int frame, int count) { return Printf("Frame %d of %d", frame, count); }

QString StatusModemText(double kbps) { return Printf("Modem %g kbps ", kbps); }

QString StatusColoursText(long count) {
    if (count == 0) return {};
    return Printf("%10s%ld", "Colors  ", count);
}

QString StatusResolutionText(int x, int y) { return Printf("%d Dpi x %d Dpi", x, y); }

CStatusProgress::CStatusProgress(QStatusBar* statusBar, Mode mode, std::function<void(const QString&)> mainText)
    : m_statusBar(statusBar), m_mode(mode), m_mainText(std::move(mainText)) {
    const PaneLayout layout = LayoutOf(mode);
    // Pane 0 of the first two layouts is the status bar's message area; it is
    // a label of its own here so that its text can be set and read like the others.
    m_panes.resize(layout.firstPane + layout.widths.size(), nullptr);
    if (layout.firstPane == 1) {
        auto* message = new QLabel(statusBar);
        message->setObjectName(QStringLiteral("pane0"));
        statusBar->addWidget(message, 1);
        m_panes[0] = message;
    }
    for (std::size_t i = 0; i < layout.widths.size(); ++i) {
        const int pane = layout.firstPane + int(i);
        auto* label = new QLabel(statusBar);
        label->setObjectName(QStringLiteral("pane%1").arg(pane));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        // The layout's widths are the least a pane gets; a pane grows when the
        // user's font needs more room for its text.
        label->setMinimumWidth(layout.widths[i]);
        if (pane == layout.stretchPane) {
            statusBar->addWidget(label, 1);
        } else {
            if (layout.firstPane == 0)
                statusBar->addWidget(label);
            else
                statusBar->addPermanentWidget(label);
        }
        m_panes[pane] = label;
    }
    m_barPane = layout.barPane;
    PlaceOverPane();

    if (mode == Mode::TextControl) {
        m_textControl = new QLabel(QStringLiteral("Prog Text"), m_panes[0]);
        m_textControl->setObjectName(QStringLiteral("Prog Text"));
        auto* textLayout = new QHBoxLayout(m_panes[0]);
        textLayout->setContentsMargins(0, 0, 0, 0);
        textLayout->addWidget(m_textControl);
        m_textControl->setAutoFillBackground(true);
        m_textControl->hide();
    }
    setTextVisible(false);
    hide();
}

CStatusProgress::~CStatusProgress() = default;

void CStatusProgress::PlaceOverPane() {
    QLabel* pane = m_panes[m_barPane];
    auto* layout = new QHBoxLayout(pane);
    layout->setContentsMargins(1, 1, 1, 1);
    setParent(pane);
    layout->addWidget(this);
}

void CStatusProgress::Begin(long low, long high, std::string_view text) {
    m_running = true;
    setRange(ClampToInt(low), ClampToInt(std::max(low, high)));
    setValue(ClampToInt(low));
    show();
    if (m_textControl) m_textControl->show();
    ShowMessage(FromView(text));
}

void CStatusProgress::Step(long position) {
    setValue(std::clamp(ClampToInt(position), minimum(), maximum()));
    // The operation runs on this thread: repaint now, the event loop is not turning.
    repaint();
}

void CStatusProgress::SetText(std::string_view text) { ShowMessage(FromView(text)); }

void CStatusProgress::End() {
    m_running = false;
    hide();
    if (m_textControl) m_textControl->hide();
}

void CStatusProgress::ShowMessage(const QString& text) {
    m_message = text;
    switch (m_mode) {
        case Mode::MainText:
            if (m_mainText) m_mainText(text);
            break;
        case Mode::TextControl:
            m_textControl->setText(text);
            if (m_running) m_textControl->repaint();
            break;
        case Mode::FourPane:
            SetPane(3, text);
            if (m_running) m_panes[3]->repaint();
            break;
    }
}

void CStatusProgress::SetPane(int pane, const QString& text) {
    if (QLabel* label = Pane(pane)) label->setText(text);
}

QLabel* CStatusProgress::Pane(int pane) const {
    if (pane < 0 || pane >= int(m_panes.size())) return nullptr;
    return m_panes[pane];
}

QString CStatusProgress::PaneText(int pane) const {
    const QLabel* label = Pane(pane);
    return label ? label->text() : QString();
}

void CStatusProgress::ShowSize(double width, double height, bool wholeNumbers) {
    if (width == 0 || height == 0) return;
    SetPane(2, StatusSizeText(width, height, wholeNumbers));
}

void CStatusProgress::ShowFrame(int frame, int count) { SetPane(1, StatusFrameText(frame, count)); }

void CStatusProgress::ShowModem(double kbps) { SetPane(2, StatusModemText(kbps)); }

void CStatusProgress::ShowColours(long count) { SetPane(m_mode == Mode::FourPane ? 0 : 3, StatusColoursText(count)); }

void CStatusProgress::ShowResolution(int x, int y) { SetPane(1, StatusResolutionText(x, y)); }

void CStatusProgress::ShowTitle(const QString& text) { SetPane(3, text); }

}  // namespace lp
