#include "app/ui/ask_wizard_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace lp {

CAskWizardDialog::CAskWizardDialog(QWidget* parent, bool askEveryTime) : QDialog(parent) {
    setObjectName(QStringLiteral("AskWizard"));
    setWindowTitle(QStringLiteral("Lumaprism Wizard"));
    auto* outer = new QVBoxLayout(this);
    auto* question = new QLabel(
        QStringLiteral("Do you want the Lumaprism Wizard to optimize this picture for the web?"), this);
    question->setWordWrap(true);
    question->setAccessibleName(question->text());
    outer->addWidget(question);

    m_check = new QCheckBox(QStringLiteral("Show ask Wizard dialog everytime after opening a picture"), this);
    m_check->setAccessibleName(m_check->text());
    m_check->setChecked(askEveryTime);
    outer->addWidget(m_check);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_yes = new QPushButton(QStringLiteral("&Yes"), this);
    m_no = new QPushButton(QStringLiteral("&No"), this);
    m_yes->setAccessibleName(QStringLiteral("Yes"));
    m_no->setAccessibleName(QStringLiteral("No"));
    m_yes->setDefault(true);
    buttons->addWidget(m_yes);
    buttons->addWidget(m_no);
    outer->addLayout(buttons);
    connect(m_yes, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_no, &QPushButton::clicked, this, &QDialog::reject);
}

}  // namespace lp
