#include "app/ui/welcome_dialog.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

#include "guikit/ui/command_ids.h"
#include "shell/ui/tool_icons.h"

namespace lp {

CWelcomeDialog::CWelcomeDialog(QWidget* parent, bool showAtStart) : QDialog(parent) {
    setObjectName(QStringLiteral("WelcomeScreen"));
    setWindowTitle(QStringLiteral("Welcome to Lumaprism"));
    setFixedSize(420, 300);

    const struct {
        Choice choice;
        int icon;
        const char* text;
    } kButtons[] = {
        {QuickStart, cmd::kBeginnersHint, "Quick Start"}, {OpenPicture, cmd::kFileOpen, "Open a Picture"},
        {Scan, cmd::kScanSelect, "Acquire from Scanner"}, {OpenRecent, cmd::kReload, "Open the last Picture"},
        {Paste, cmd::kEditPaste, "Paste from Clipboard"},
    };
    auto* column = new QVBoxLayout;
    column->setSpacing(6);
    for (const auto& b : kButtons) {
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(b.text));
        button->setIcon(ToolIcon(b.icon));
        button->setIconSize(QSize(16, 15));
        button->setText(QString::fromLatin1(b.text));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setMinimumWidth(180);
        button->installEventFilter(this);
        const Choice choice = b.choice;
        connect(button, &QToolButton::clicked, this, [this, choice] { Choose(choice); });
        m_buttons[b.choice - 1] = button;
        column->addWidget(button);
    }
    m_check = new QCheckBox(QStringLiteral("Show this screen at start-up"), this);
    m_check->setChecked(showAtStart);
    connect(m_check, &QCheckBox::clicked, this, &CWelcomeDialog::ShowAtStartChanged);
    column->addStretch(1);
    column->addWidget(m_check);

    auto* outer = new QHBoxLayout(this);
    outer->addStretch(1);
    outer->addLayout(column);
    outer->setContentsMargins(190, 20, 20, 12);
}

QToolButton* CWelcomeDialog::Button(Choice choice) const {
    return (choice >= QuickStart && choice <= Paste) ? m_buttons[choice - 1] : nullptr;
}

void CWelcomeDialog::Choose(Choice choice) {
    m_chosen = choice;
    accept();
}

bool CWelcomeDialog::eventFilter(QObject* watched, QEvent* event) {
    // Moving the mouse over a button gives it the focus.
    if (event->type() == QEvent::Enter)
        if (auto* button = qobject_cast<QToolButton*>(watched)) button->setFocus(Qt::MouseFocusReason);
    return QDialog::eventFilter(watched, event);
}

void CWelcomeDialog::paintEvent(QPaintEvent*) {
    // The dialog's face: a sky over a stone prism, with the program's name.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(40, 70, 140));
    sky.setColorAt(1, QColor(150, 190, 230));
    p.fillRect(rect(), sky);
    p.setPen(QPen(QColor(20, 20, 40), 2));
    p.setBrush(QColor(220, 235, 255, 200));
    p.drawPolygon(QPolygonF({QPointF(90, 70), QPointF(160, 210), QPointF(20, 210)}));
    const QColor beams[] = {QColor(220, 40, 40), QColor(240, 200, 60), QColor(40, 170, 70), QColor(60, 90, 220)};
    for (int i = 0; i < 4; ++i) {
        p.setPen(QPen(beams[i], 4));
        p.drawLine(QPointF(118, 140 + 5 * i), QPointF(182, 120 + 18 * i));
    }
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setPixelSize(22);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRect(10, 14, 180, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Lumaprism"));
}

}  // namespace lp
