#include "tools/ui/spot_remover_page.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

#include "base/settings.h"

namespace lp {

CSpotRemoverPage::CSpotRemoverPage(AppSettings& settings, SpotRemoverParams& params, QWidget* parent)
    : QWidget(parent), m_settings(settings), m_params(params) {
    setObjectName(QStringLiteral("SpotRemoverPage"));
    setAccessibleName(Title());
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(
        QStringLiteral("Spots are ' Visual Noise ', i.e unwanted pixels .\nRemoving these spots, improves the quality of "
                       "the picture and the transfer speed .Range specifies the extent to which spots will be removed ."),
        this);
    hint->setWordWrap(true);
    layout->addWidget(hint);

    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName(QStringLiteral("SpotRemoverRange"));
    m_slider->setAccessibleName(QStringLiteral("Range"));
    m_slider->setRange(0, 100);
    m_slider->setPageStep(1);
    m_slider->setValue(std::clamp(settings.spotRemover, 0, 100));
    m_position = new QLineEdit(QString::number(m_slider->value()), this);
    m_position->setAccessibleName(QStringLiteral("Range"));
    m_position->setReadOnly(true);
    m_position->setMaximumWidth(50);
    auto* sliderRow = new QGridLayout;
    sliderRow->addWidget(m_slider, 0, 0, 1, 4);
    sliderRow->addWidget(m_position, 0, 4);
    // Labels on deepening blues, from soft to very hard.
    const struct {
        const char* text;
        int level;
    } labels[] = {{"Soft", 215}, {"Medium", 181}, {"Hard", 145}, {"Very Hard", 110}};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(QString::fromUtf8(labels[i].text), this);
        label->setAlignment(Qt::AlignCenter);
        label->setAutoFillBackground(true);
        label->setStyleSheet(QStringLiteral("background-color: rgb(%1, %1, 255); font-family: 'MS Sans Serif';")
                                 .arg(labels[i].level));
        sliderRow->addWidget(label, 1, i);
    }
    layout->addLayout(sliderRow);
    auto* hint2 = new QLabel(QStringLiteral("Choose the range ' Soft ' for removing less spots . Choose a higher range "
                                            "for removing more spots ."),
                             this);
    hint2->setWordWrap(true);
    layout->addWidget(hint2);
    layout->addStretch(1);
    // The field follows the thumb while it moves and shows the final position after.
    connect(m_slider, &QSlider::valueChanged, this, [this](int v) { m_position->setText(QString::number(v)); });
}

void CSpotRemoverPage::Apply() {
    m_settings.spotRemover = m_slider->value();
    m_params = SpotRemoverParams::FromSlider(m_slider->value());
}

}  // namespace lp
