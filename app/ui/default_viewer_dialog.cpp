#include "app/ui/default_viewer_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/desktop_integration.h"

namespace lp {

CDefaultViewerDlg::CDefaultViewerDlg(std::int32_t bits, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("DefaultViewer"));
    setWindowTitle(QStringLiteral("Lumaprism As Default Viewer"));
    auto* outer = new QVBoxLayout(this);
    auto* text = new QLabel(QStringLiteral("Indicate the file types for which Lumaprism is the default viewer"), this);
    outer->addWidget(text);
    auto* grid = new QGridLayout;
    int i = 0;
    for (const DefaultViewerBox& b : kDefaultViewerBoxes) {
        auto* box = new QCheckBox(QString::fromLatin1(b.label.data(), qsizetype(b.label.size())), this);
        box->setAccessibleName(box->text());
        box->setChecked((bits & b.bit) != 0);
        grid->addWidget(box, i / 3, i % 3);
        m_boxes.push_back(box);
        ++i;
    }
    outer->addLayout(grid);
    outer->addWidget(new QLabel(QStringLiteral("( The selection shows the current file types for which Lumaprism\n"
                                               "  is the default viewer )"),
                                this));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* ok = new QPushButton(QStringLiteral("&Ok"), this);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    ok->setAccessibleName(QStringLiteral("Ok"));
    cancel->setAccessibleName(QStringLiteral("Cancel"));
    ok->setDefault(true);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    outer->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::int32_t CDefaultViewerDlg::Bits() const {
    std::int32_t bits = 0;
    for (std::size_t i = 0; i < m_boxes.size(); ++i)
        if (m_boxes[i]->isChecked()) bits |= kDefaultViewerBoxes[i].bit;
    return bits;
}

}  // namespace lp
