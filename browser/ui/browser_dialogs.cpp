#include "browser/ui/browser_dialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace lp {

CErrorListingDlg::CErrorListingDlg(const std::vector<ErrorListingEntry>& entries, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromLatin1(kErrorListingCaption));
    setObjectName(QStringLiteral("ErrorListing"));
    auto* layout = new QVBoxLayout(this);
    m_list = new QTreeWidget(this);
    m_list->setAccessibleName(QString::fromLatin1(kErrorListingCaption));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({QString::fromLatin1(kErrorObjectHeading), QString::fromLatin1(kErrorDescriptionHeading)});
    m_list->header()->resizeSection(0, kErrorObjectWidth);
    m_list->header()->resizeSection(1, kErrorDescriptionWidth);
    for (const ErrorListingEntry& e : entries) {
        auto* item = new QTreeWidgetItem(m_list, {QString::fromStdString(e.object), QString::fromStdString(e.description)});
        item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
    }
    layout->addWidget(m_list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    resize(420, 260);
}

CCacheDlg::CCacheDlg(AppSettings& settings, CThumbnailCache& cache, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_cache(cache), m_state(CacheDialogState::Open(settings, cache)) {
    setWindowTitle(QStringLiteral("Cache"));
    setObjectName(QStringLiteral("CacheDialog"));
    auto* layout = new QVBoxLayout(this);
    m_enable = new QCheckBox(QStringLiteral("Enable Cache Info"), this);
    m_enable->setChecked(m_state.enableCacheInfo);
    layout->addWidget(m_enable);

    auto* statistics = new QGroupBox(QStringLiteral("Statistics"), this);
    m_statistics = statistics;
    auto* grid = new QGridLayout(statistics);
    auto* filesLabel = new QLabel(QStringLiteral("Files "), statistics);
    m_files = new QLabel(QString::fromStdString(m_state.statistics.FilesText()), statistics);
    m_files->setAccessibleName(QStringLiteral("Files "));
    auto* sizeLabel = new QLabel(QStringLiteral("Size "), statistics);
    m_size = new QLabel(QString::fromStdString(m_state.statistics.SizeText()), statistics);
    m_size->setAccessibleName(QStringLiteral("Size "));
    grid->addWidget(filesLabel, 0, 0);
    grid->addWidget(m_files, 0, 1);
    grid->addWidget(sizeLabel, 1, 0);
    grid->addWidget(m_size, 1, 1);
    layout->addWidget(statistics);

    auto* clean = new QGroupBox(QStringLiteral("Clean"), this);
    m_clean = clean;
    auto* row = new QHBoxLayout(clean);
    m_all = new QRadioButton(QStringLiteral("&All"), clean);
    m_keep = new QRadioButton(QStringLiteral("&Keep Only "), clean);
    m_days = new QSpinBox(clean);
    m_days->setRange(CacheDialogState::kMinDays, CacheDialogState::kMaxDays);
    m_days->setValue(m_state.keepDays);
    m_days->setAccessibleName(QStringLiteral("Days Cache"));
    auto* daysLabel = new QLabel(QStringLiteral("Days Cache"), clean);
    daysLabel->setBuddy(m_days);
    auto* group = new QButtonGroup(this);
    group->addButton(m_all);
    group->addButton(m_keep);
    m_all->setChecked(true);
    row->addWidget(m_all);
    row->addWidget(m_keep);
    row->addWidget(m_days);
    row->addWidget(daysLabel);
    layout->addWidget(clean);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(m_enable, &QCheckBox::toggled, this, &CCacheDlg::UpdateStates);
    connect(m_all, &QRadioButton::toggled, this, &CCacheDlg::UpdateStates);
    UpdateStates();
}

void CCacheDlg::UpdateStates() {
    m_state.enableCacheInfo = m_enable->isChecked();
    m_state.cleanAll = m_all->isChecked();
    m_statistics->setEnabled(m_state.CleanAndStatisticsEnabled());
    m_clean->setEnabled(m_state.CleanAndStatisticsEnabled());
    m_days->setEnabled(m_state.DaysEnabled());
}

void CCacheDlg::accept() {
    UpdateStates();
    m_state.keepDays = m_days->value();
    if (!m_state.Accept(m_cache, m_settings)) return;
    QDialog::accept();
}

CFiltersDlg::CFiltersDlg(const FileTypeFilter& filter, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Filters"));
    m_state.selected = filter.SelectedTypeNames();
    auto* layout = new QGridLayout(this);
    auto* availableLabel = new QLabel(QStringLiteral("Available :"), this);
    auto* selectedLabel = new QLabel(QStringLiteral("Selected :"), this);
    m_available = new QListWidget(this);
    m_selected = new QListWidget(this);
    m_available->setAccessibleName(QStringLiteral("Available :"));
    m_selected->setAccessibleName(QStringLiteral("Selected :"));
    m_available->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_selected->setSelectionMode(QAbstractItemView::ExtendedSelection);
    availableLabel->setBuddy(m_available);
    selectedLabel->setBuddy(m_selected);
    m_add = new QPushButton(QStringLiteral("Add"), this);
    m_remove = new QPushButton(QStringLiteral("Remove"), this);
    auto* buttons = new QVBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_add);
    buttons->addWidget(m_remove);
    buttons->addStretch(1);
    layout->addWidget(availableLabel, 0, 0);
    layout->addWidget(selectedLabel, 0, 2);
    layout->addWidget(m_available, 1, 0);
    layout->addLayout(buttons, 1, 1);
    layout->addWidget(m_selected, 1, 2);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(box, 2, 0, 1, 3);
    connect(m_add, &QPushButton::clicked, this, [this] {
        std::vector<std::size_t> chosen;
        for (int i = 0; i < m_available->count(); ++i)
            if (m_available->item(i)->isSelected()) chosen.push_back(std::size_t(i));
        m_state.Add(chosen);
        Reload();
    });
    connect(m_remove, &QPushButton::clicked, this, [this] {
        std::vector<std::size_t> chosen;
        for (int i = 0; i < m_selected->count(); ++i)
            if (m_selected->item(i)->isSelected()) chosen.push_back(std::size_t(i));
        m_state.Remove(chosen);
        Reload();
    });
    Reload();
}

void CFiltersDlg::Reload() {
    m_available->clear();
    for (const auto& name : m_state.available) m_available->addItem(QString::fromStdString(name));
    m_selected->clear();
    for (const auto& name : m_state.selected) m_selected->addItem(QString::fromStdString(name));
    m_remove->setEnabled(m_state.RemoveEnabled());
}

FileTypeFilter CFiltersDlg::Result() const { return FileTypeFilter::FromTypeNames(m_state.selected); }

}  // namespace lp
