#include "tools/ui/merge_rotate_opt.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace lp {

namespace {
constexpr int kMaxGap = 65535;

QString Accessible(const QString& label) {
    return QString(label).remove(QLatin1Char('&')).remove(QLatin1Char(':')).trimmed();
}
}  // namespace

CMergeRotateOpt::CMergeRotateOpt(MergeRotatePageValues& values, QWidget* parent) : QWidget(parent), m_values(values) {
    setObjectName(QStringLiteral("MergeRotatePage"));
    setAccessibleName(QStringLiteral("Rotate/Merge"));
    auto* outer = new QVBoxLayout(this);
    auto* merge = new QGroupBox(QStringLiteral("Merge"), this);
    auto* mg = new QGridLayout(merge);
    m_gapX = new QSpinBox(merge);
    m_gapY = new QSpinBox(merge);
    m_gapXLabel = new QLabel(QStringLiteral("Pixels between images horizontally : "), merge);
    m_gapYLabel = new QLabel(QStringLiteral("Pixels between images vertically : "), merge);
    for (auto [label, field] : {std::pair{m_gapXLabel, m_gapX}, std::pair{m_gapYLabel, m_gapY}}) {
        field->setRange(0, kMaxGap);
        label->setBuddy(field);
        field->setAccessibleName(Accessible(label->text()));
    }
    mg->addWidget(m_gapXLabel, 0, 0);
    mg->addWidget(m_gapX, 0, 1);
    mg->addWidget(m_gapYLabel, 1, 0);
    mg->addWidget(m_gapY, 1, 1);
    m_noOverlap = new QRadioButton(QStringLiteral("Do not overlap images."), merge);
    m_overlap = new QRadioButton(QStringLiteral("Overlap the images ( No gap between images )"), merge);
    for (QRadioButton* b : {m_noOverlap, m_overlap}) b->setAccessibleName(b->text());
    mg->addWidget(m_noOverlap, 2, 0, 1, 2);
    mg->addWidget(m_overlap, 3, 0, 1, 2);
    outer->addWidget(merge);

    auto* rotate = new QGroupBox(QStringLiteral("Rotation"), this);
    auto* rl = new QHBoxLayout(rotate);
    m_step = new QLineEdit(rotate);
    m_step->setMaximumWidth(80);
    auto* stepLabel = new QLabel(QStringLiteral("Rotate image in steps of :"), rotate);
    stepLabel->setBuddy(m_step);
    m_step->setAccessibleName(Accessible(stepLabel->text()));
    rl->addWidget(stepLabel);
    rl->addWidget(m_step);
    rl->addWidget(new QLabel(QStringLiteral("degrees"), rotate));
    rl->addStretch(1);
    outer->addWidget(rotate);
    outer->addStretch(1);

    connect(m_gapX, &QSpinBox::valueChanged, this, [this](int v) {
        if (!m_loading) m_values.gapX = v;
    });
    connect(m_gapY, &QSpinBox::valueChanged, this, [this](int v) {
        if (!m_loading) m_values.gapY = v;
    });
    connect(m_overlap, &QRadioButton::toggled, this, [this](bool on) {
        if (m_loading) return;
        m_values.overlap = on;
        Load();
    });
    connect(m_step, &QLineEdit::textEdited, this, [this](const QString& t) { m_values.stepText = t.toStdString(); });
    Load();
}

void CMergeRotateOpt::Load() {
    m_loading = true;
    m_gapX->setValue(m_values.gapX);
    m_gapY->setValue(m_values.gapY);
    (m_values.overlap ? m_overlap : m_noOverlap)->setChecked(true);
    // Overlapping leaves no gaps to choose.
    for (QWidget* w : std::initializer_list<QWidget*>{m_gapX, m_gapY, m_gapXLabel, m_gapYLabel})
        w->setEnabled(!m_values.overlap);
    if (m_step->text().toStdString() != m_values.stepText) m_step->setText(QString::fromStdString(m_values.stepText));
    m_loading = false;
}

}  // namespace lp
