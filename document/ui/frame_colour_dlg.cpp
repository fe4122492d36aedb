#include "document/ui/frame_colour_dlg.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace lp {

namespace {

constexpr int kSwatchesPerRow = 16;

QString ColourName(ColourRef c) {
    return QStringLiteral("%1, %2, %3").arg(RedOf(c)).arg(GreenOf(c)).arg(BlueOf(c));
}

}  // namespace

CFrameColourDlg::CFrameColourDlg(std::span<const ColourRef> colours, ColourRef current, QWidget* parent)
    : QDialog(parent), m_chosen(current) {
    setObjectName(QStringLiteral("FrameColourChooser"));
    setWindowTitle(QStringLiteral("Transparent Color"));
    auto* outer = new QVBoxLayout(this);
    auto* chosenText = new QLabel(this);
    chosenText->setAccessibleName(QStringLiteral("Chosen colour"));
    auto* grid = new QGridLayout;
    grid->setSpacing(1);
    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    auto showChosen = [this, chosenText] { chosenText->setText(ColourName(m_chosen)); };
    for (std::size_t i = 0; i < colours.size(); ++i) {
        const ColourRef c = colours[i];
        auto* swatch = new QToolButton(this);
        swatch->setCheckable(true);
        swatch->setAutoRaise(false);
        swatch->setFixedSize(18, 18);
        QPixmap face(12, 12);
        face.fill(QColor(RedOf(c), GreenOf(c), BlueOf(c)));
        swatch->setIcon(face);
        swatch->setToolTip(ColourName(c));
        swatch->setAccessibleName(ColourName(c));
        swatch->setChecked(c == current);
        group->addButton(swatch);
        connect(swatch, &QToolButton::clicked, this, [this, c, showChosen] {
            m_chosen = c;
            showChosen();
        });
        grid->addWidget(swatch, int(i) / kSwatchesPerRow, int(i) % kSwatchesPerRow);
        m_swatches.push_back(swatch);
    }
    outer->addLayout(grid);
    showChosen();
    outer->addWidget(chosenText);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setAccessibleName(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setAccessibleName(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    outer->addWidget(buttons);
}

}  // namespace lp
