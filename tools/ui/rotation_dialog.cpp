#include "tools/ui/rotation_dialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cstdlib>
#include <string>

namespace lp {

CRotationDialog::CRotationDialog(ColourRef background, bool multiFrame, QWidget* parent)
    : QDialog(parent), m_background(background) {
    setWindowTitle(QStringLiteral("Rotation"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_angle = new QLineEdit(QStringLiteral("0.00"), this);
    m_angle->setAccessibleName(QStringLiteral("Angle of rotation :"));
    form->addRow(QStringLiteral("Angle of rotation :"), m_angle);
    auto* directions = new QHBoxLayout;
    m_cw = new QRadioButton(QStringLiteral("CW"), this);
    m_cw->setAccessibleName(QStringLiteral("CW"));
    m_cw->setToolTip(QStringLiteral("Clockwise rotation"));
    m_ccw = new QRadioButton(QStringLiteral("CCW"), this);
    m_ccw->setAccessibleName(QStringLiteral("CCW"));
    m_ccw->setToolTip(QStringLiteral("Counter clockwise rotation"));
    m_cw->setChecked(true);
    directions->addWidget(m_cw);
    directions->addWidget(m_ccw);
    layout->addLayout(form);
    layout->addLayout(directions);
    m_swatch = new QPushButton(this);
    m_swatch->setAccessibleName(QStringLiteral("Background color :"));
    m_swatch->setFixedSize(40, 20);
    form->addRow(QStringLiteral("Background color :"), m_swatch);
    connect(m_swatch, &QPushButton::clicked, this, [this] {
        const QColor c = QColorDialog::getColor(QColor(RedOf(m_background), GreenOf(m_background), BlueOf(m_background)),
                                                this);
        if (c.isValid()) {
            m_background = MakeColour(std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue()));
            ShowSwatch();
        }
    });
    ShowSwatch();
    m_allFrames = new QCheckBox(QStringLiteral("Apply to all the frames"), this);
    m_allFrames->setAccessibleName(QStringLiteral("Apply to all the frames"));
    m_allFrames->setEnabled(multiFrame);
    m_allFrames->setChecked(multiFrame);
    layout->addWidget(m_allFrames);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CRotationDialog::ShowSwatch() {
    m_swatch->setStyleSheet(QStringLiteral("background-color: rgb(%1, %2, %3);")
                                .arg(RedOf(m_background))
                                .arg(GreenOf(m_background))
                                .arg(BlueOf(m_background)));
}

double CRotationDialog::Angle() const {
    // The "C" reading: a decimal point whatever the locale.
    const std::string text = m_angle->text().trimmed().toStdString();
    char* end = nullptr;
    double angle = std::strtod(text.c_str(), &end);
    if (end == text.c_str()) angle = 0;
    if (m_cw->isChecked()) angle = -angle;
    return angle;
}

bool CRotationDialog::AllFrames() const { return m_allFrames->isEnabled() && m_allFrames->isChecked(); }

}  // namespace lp
