#include "tools/ui/palette_dialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace lp {

CColourSortDlg::CColourSortDlg(ColourSortKey key, ColourSortOrder order, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ColourSortDialog"));
    setWindowTitle(QStringLiteral("Color sort options"));
    auto* layout = new QVBoxLayout(this);
    auto* keyBox = new QGroupBox(QStringLiteral("Sort by"), this);
    auto* keyLayout = new QVBoxLayout(keyBox);
    m_key = new QComboBox(keyBox);
    m_key->setAccessibleName(QStringLiteral("Sort by"));
    for (std::string_view text : kColourSortKeyTexts)
        m_key->addItem(QString::fromLatin1(text.data(), qsizetype(text.size())));
    m_key->setCurrentIndex(int(key));
    keyLayout->addWidget(m_key);
    layout->addWidget(keyBox);

    auto* orderBox = new QGroupBox(QStringLiteral("Sort order"), this);
    auto* orderLayout = new QVBoxLayout(orderBox);
    m_ascending = new QRadioButton(QStringLiteral("Ascending"), orderBox);
    m_descending = new QRadioButton(QStringLiteral("Descending"), orderBox);
    m_ascending->setAccessibleName(m_ascending->text());
    m_descending->setAccessibleName(m_descending->text());
    (order == ColourSortOrder::Ascending ? m_ascending : m_descending)->setChecked(true);
    orderLayout->addWidget(m_ascending);
    orderLayout->addWidget(m_descending);
    layout->addWidget(orderBox);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

ColourSortKey CColourSortDlg::Key() const { return ColourSortKey(std::max(0, m_key->currentIndex())); }

ColourSortOrder CColourSortDlg::Order() const {
    return m_descending->isChecked() ? ColourSortOrder::Descending : ColourSortOrder::Ascending;
}

CPaletteNameDlg::CPaletteNameDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("PaletteNameDialog"));
    setWindowTitle(QStringLiteral("Palette Name"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("Save this Color Palette as"), this);
    m_name = new QLineEdit(this);
    m_name->setMaxLength(int(PaletteWindowModel::kSaveNameMax));
    m_name->setAccessibleName(label->text());
    label->setBuddy(m_name);
    layout->addWidget(label);
    layout->addWidget(m_name);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

std::string CPaletteNameDlg::Name() const { return m_name->text().trimmed().toStdString(); }

}  // namespace lp
