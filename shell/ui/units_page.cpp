#include "shell/ui/units_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace lp {

CUnitsPage::CUnitsPage(UnitsPageValues& values, QWidget* parent) : QWidget(parent), m_values(values) {
    setObjectName(QStringLiteral("UnitsPage"));
    setAccessibleName(QStringLiteral("Units/Res"));
    auto* outer = new QVBoxLayout(this);
    auto* units = new QGroupBox(QStringLiteral("Units"), this);
    auto* ul = new QHBoxLayout(units);
    const char* names[4] = {"pixel", "cm", "inch", "mm"};
    for (int i = 0; i < 4; ++i) {
        auto* button = new QRadioButton(QString::fromLatin1(names[i]), units);
        button->setAccessibleName(button->text());
        m_units[std::size_t(i)] = button;
        ul->addWidget(button);
        connect(button, &QRadioButton::toggled, this, [this, i](bool on) {
            if (on && !m_loading) m_values.unit = MeasureUnit(i);
        });
    }
    outer->addWidget(units);

    auto* resolution = new QGroupBox(QStringLiteral("Resolution"), this);
    auto* rg = new QGridLayout(resolution);
    m_x = new QSpinBox(resolution);
    m_y = new QSpinBox(resolution);
    for (QSpinBox* field : {m_x, m_y}) {
        field->setRange(kMinResolution, kMaxResolution);
        field->setMaximumWidth(80);
    }
    auto* xLabel = new QLabel(QStringLiteral("X  Axis"), resolution);
    auto* yLabel = new QLabel(QStringLiteral("Y  Axis"), resolution);
    xLabel->setBuddy(m_x);
    yLabel->setBuddy(m_y);
    m_x->setAccessibleName(QStringLiteral("X Axis"));
    m_y->setAccessibleName(QStringLiteral("Y Axis"));
    rg->addWidget(xLabel, 0, 0);
    rg->addWidget(m_x, 0, 1);
    rg->addWidget(new QLabel(QStringLiteral("Dpi"), resolution), 0, 2);
    rg->addWidget(yLabel, 1, 0);
    rg->addWidget(m_y, 1, 1);
    rg->addWidget(new QLabel(QStringLiteral("Dpi"), resolution), 1, 2);
    m_equal = new QCheckBox(QStringLiteral("E&qual Resolution"), resolution);
    m_equal->setAccessibleName(QStringLiteral("Equal Resolution"));
    rg->addWidget(m_equal, 2, 0, 1, 3);
    outer->addWidget(resolution);
    outer->addStretch(1);

    connect(m_x, &QSpinBox::valueChanged, this, [this](int v) {
        if (m_loading) return;
        m_values.SetXResolution(v);
        Load();
    });
    connect(m_y, &QSpinBox::valueChanged, this, [this](int v) {
        if (m_loading) return;
        m_values.SetYResolution(v);
        Load();
    });
    connect(m_equal, &QCheckBox::toggled, this, [this](bool on) {
        if (m_loading) return;
        m_values.SetEqualResolution(on);
        Load();
    });
    Load();
}

void CUnitsPage::Load() {
    m_loading = true;
    m_units[std::size_t(m_values.unit)]->setChecked(true);
    m_x->setValue(m_values.xResolution);
    m_y->setValue(m_values.yResolution);
    m_equal->setChecked(m_values.equalResolution);
    m_loading = false;
}

}  // namespace lp
