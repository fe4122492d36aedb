#include "shell/ui/select_source_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace lp {

CSelectSourceDlg::CSelectSourceDlg(std::span<const ScanDevice> devices, std::size_t initial, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("SelectSource"));
    setWindowTitle(QStringLiteral("Select Source"));
    auto* outer = new QVBoxLayout(this);
    auto* caption = new QLabel(QStringLiteral("&Sources:"), this);
    m_list = new QListWidget(this);
    m_list->setAccessibleName(QStringLiteral("Sources"));
    caption->setBuddy(m_list);
    for (const ScanDevice& device : devices)
        m_list->addItem(QString::fromStdString(ScanDeviceLabel(device)));
    outer->addWidget(caption);
    outer->addWidget(m_list);
    if (devices.empty()) {
        // Nothing to choose from: say where devices come from instead of showing a bare empty list.
        auto* none = new QLabel(QStringLiteral("No scanner or camera was found. SANE lists the devices of the "
                                               "backends named in its dll.conf."),
                                this);
        none->setWordWrap(true);
        outer->addWidget(none);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_select = new QPushButton(QStringLiteral("Select"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_select->setAccessibleName(QStringLiteral("Select"));
    cancel->setAccessibleName(QStringLiteral("Cancel"));
    m_select->setDefault(true);
    buttons->addWidget(m_select);
    buttons->addWidget(cancel);
    outer->addLayout(buttons);
    if (!devices.empty()) m_list->setCurrentRow(int(std::min(initial, devices.size() - 1)));
    m_select->setEnabled(m_list->currentRow() >= 0);
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) { m_select->setEnabled(row >= 0); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(m_select, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::size_t CSelectSourceDlg::Chosen() const { return std::size_t(std::max(m_list->currentRow(), 0)); }

}  // namespace lp
