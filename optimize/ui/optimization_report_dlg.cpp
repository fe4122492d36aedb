#include "optimize/ui/optimization_report_dlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace lp {

namespace {
QString Q(const std::string& text) { return QString::fromStdString(text); }
/// A value field: its text, also as the description a screen reader reads after the field's name.
void SetValue(QLabel* field, const std::string& text) {
    field->setText(Q(text));
    field->setAccessibleDescription(field->text());
}
QLabel* Fixed(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAccessibleName(text);
    return label;
}
}  // namespace

COptimizationReportDlg::COptimizationReportDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("OptimizationReport"));
    setWindowTitle(QString::fromUtf8(kReportWindowCaption.data(), qsizetype(kReportWindowCaption.size())));
    setModal(false);
    auto* outer = new QVBoxLayout(this);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(Fixed(QStringLiteral("Window name"), this));
    m_windowName = Field(QStringLiteral("Window name value"));
    nameRow->addWidget(m_windowName, 1);
    outer->addLayout(nameRow);

    auto* grid = new QGridLayout;
    grid->addWidget(Fixed(QStringLiteral("File size"), this), 0, 1, 1, 2, Qt::AlignCenter);
    grid->addWidget(Fixed(QStringLiteral("Download time"), this), 0, 3, 1, 2, Qt::AlignCenter);
    grid->addWidget(Fixed(QStringLiteral("Before Optimization"), this), 1, 0);
    m_afterLabel = Field(QStringLiteral("After optimization label"));
    grid->addWidget(m_afterLabel, 2, 0);
    grid->addWidget(Fixed(QStringLiteral("Saving"), this), 3, 0);
    m_beforeBytes = Field(QStringLiteral("Before bytes"));
    m_beforeSeconds = Field(QStringLiteral("Before seconds"));
    m_afterBytes = Field(QStringLiteral("After bytes"));
    m_afterSeconds = Field(QStringLiteral("After seconds"));
    m_savingBytes = Field(QStringLiteral("Saving bytes"));
    m_savingSeconds = Field(QStringLiteral("Saving seconds"));
    QLabel* values[3][2] = {{m_beforeBytes, m_beforeSeconds}, {m_afterBytes, m_afterSeconds},
                            {m_savingBytes, m_savingSeconds}};
    for (int r = 0; r < 3; ++r) {
        grid->addWidget(values[r][0], r + 1, 1, Qt::AlignRight);
        grid->addWidget(Fixed(QStringLiteral("bytes"), this), r + 1, 2);
        grid->addWidget(values[r][1], r + 1, 3, Qt::AlignRight);
        grid->addWidget(Fixed(QStringLiteral("seconds"), this), r + 1, 4);
    }
    grid->addWidget(Fixed(QStringLiteral("Improvement"), this), 4, 0);
    m_improvement = Field(QStringLiteral("Improvement value"));
    grid->addWidget(m_improvement, 4, 1, Qt::AlignRight);
    outer->addLayout(grid);

    auto* speedRow = new QHBoxLayout;
    speedRow->addWidget(Fixed(QStringLiteral("Download time is calculated based on modem speed of"), this));
    m_speed = Field(QStringLiteral("Modem speed"));
    speedRow->addWidget(m_speed);
    speedRow->addStretch(1);
    outer->addLayout(speedRow);

    auto* buttons = new QHBoxLayout;
    m_apply = new QPushButton(QStringLiteral("&Apply"), this);
    m_saveAs = new QPushButton(QStringLiteral("&Save As..."), this);
    m_tryAgain = new QPushButton(QStringLiteral("&Try Again"), this);
    m_cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    for (QPushButton* b : {m_apply, m_saveAs, m_tryAgain, m_cancel}) {
        QString name = b->text();
        name.remove(QLatin1Char('&'));
        b->setAccessibleName(name);
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    outer->addLayout(buttons);
    connect(m_apply, &QPushButton::clicked, this, &COptimizationReportDlg::ApplyRequested);
    connect(m_saveAs, &QPushButton::clicked, this, &COptimizationReportDlg::SaveAsRequested);
    connect(m_tryAgain, &QPushButton::clicked, this, &COptimizationReportDlg::TryAgainRequested);
    connect(m_cancel, &QPushButton::clicked, this, &COptimizationReportDlg::CancelRequested);
}

QLabel* COptimizationReportDlg::Field(const QString& name) {
    auto* label = new QLabel(this);
    label->setObjectName(name);
    label->setAccessibleName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

void COptimizationReportDlg::Show(const OptimizationReportData& data) {
    m_data = data;
    const OptimizationReportTexts t = FormatOptimizationReport(data);
    SetValue(m_windowName, t.windowName);
    SetValue(m_afterLabel, t.afterLabel);
    SetValue(m_beforeBytes, t.beforeBytes);
    SetValue(m_beforeSeconds, t.beforeSeconds);
    SetValue(m_afterBytes, t.afterBytes);
    SetValue(m_afterSeconds, t.afterSeconds);
    SetValue(m_savingBytes, t.savingBytes);
    SetValue(m_savingSeconds, t.savingSeconds);
    SetValue(m_improvement, t.improvement);
    SetValue(m_speed, t.modemSpeed);
    show();
    raise();
    activateWindow();
}

QString COptimizationReportDlg::FieldText(const QString& accessibleName) const {
    for (QLabel* label : findChildren<QLabel*>())
        if (label->accessibleName() == accessibleName) return label->text();
    return {};
}

}  // namespace lp
