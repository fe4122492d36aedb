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

#include <QComboBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>

#include "base/prompter.h"
#include "browser/site_list.h"

namespace lp {

namespace {
constexpr std::string_view kSitesCaption = "Lumaprism";
}

CWebSitesDlg::CWebSitesDlg(CSiteList& sites, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_sites(sites), m_snapshot(std::make_unique<CSiteList>(sites)), m_prompter(prompter) {
    setWindowTitle(QStringLiteral("Web Sites"));
    auto* layout = new QGridLayout(this);
    auto* urlsLabel = new QLabel(QStringLiteral("Uniform Resource Locators (URLs) :"), this);
    m_urls = new QListWidget(this);
    m_urls->setAccessibleName(urlsLabel->text());
    urlsLabel->setBuddy(m_urls);
    auto* add = new QPushButton(QStringLiteral("&Add URL"), this);
    auto* modify = new QPushButton(QStringLiteral("&Modify"), this);
    auto* remove = new QPushButton(QStringLiteral("&Delete"), this);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {add, modify, remove}) buttons->addWidget(b);
    buttons->addStretch(1);
    layout->addWidget(urlsLabel, 0, 0, 1, 2);
    layout->addWidget(m_urls, 1, 0);
    layout->addLayout(buttons, 1, 1);

    auto* mapping = new QGroupBox(QStringLiteral("Mapping Options"), this);
    auto* mapLayout = new QHBoxLayout(mapping);
    m_map = new QCheckBox(QStringLiteral("Map the URL Locally"), mapping);
    m_directory = new QLineEdit(mapping);
    m_directory->setAccessibleName(QStringLiteral("directory"));
    m_browse = new QPushButton(QStringLiteral("Browse..."), mapping);
    mapLayout->addWidget(m_map);
    mapLayout->addWidget(m_directory, 1);
    mapLayout->addWidget(m_browse);
    layout->addWidget(mapping, 2, 0, 1, 2);

    auto* options = new QGroupBox(QStringLiteral("Options"), this);
    auto* optLayout = new QHBoxLayout(options);
    auto* levelLabel = new QLabel(QStringLiteral("Recursive Level"), options);
    m_levels = new QComboBox(options);
    m_levels->addItems({"1", "2", "3", "4", "5", "All"});
    m_levels->setAccessibleName(levelLabel->text());
    levelLabel->setBuddy(m_levels);
    m_all = new QCheckBox(QStringLiteral("&DownLoad All Files"), options);
    optLayout->addWidget(levelLabel);
    optLayout->addWidget(m_levels);
    optLayout->addWidget(m_all);
    layout->addWidget(options, 3, 0, 1, 2);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(box, 4, 0, 1, 2);

    auto ask = [this](const QString& title, const QString& prompt) -> std::optional<QString> {
        if (askUrl) return askUrl(title, prompt);
        bool ok = false;
        const QString text = QInputDialog::getText(this, title, prompt, QLineEdit::Normal, QString(), &ok);
        if (!ok) return std::nullopt;
        return text;
    };
    connect(add, &QPushButton::clicked, this, [this, ask] {
        if (auto t = ask(QStringLiteral("Add URL"), QStringLiteral("Enter the URL to be analysed"))) AddUrl(*t);
    });
    connect(modify, &QPushButton::clicked, this, [this, ask] {
        if (auto t = ask(QStringLiteral("Modify URL"), QStringLiteral("Enter the URL to be analysed"))) ModifyUrl(*t);
    });
    connect(remove, &QPushButton::clicked, this, &CWebSitesDlg::DeleteUrl);
    connect(m_browse, &QPushButton::clicked, this, [this] {
        const QString dir = QFileDialog::getExistingDirectory(this, QStringLiteral("Select the Directory to be mapped"),
                                                              m_directory->text());
        if (!dir.isEmpty()) m_directory->setText(dir);
    });
    connect(m_urls, &QListWidget::currentRowChanged, this, [this](int) { Load(); });
    connect(m_map, &QCheckBox::toggled, this, [this] {
        UpdateStates();
        Store();
    });
    connect(m_directory, &QLineEdit::textChanged, this, [this] { Store(); });
    connect(m_levels, &QComboBox::currentIndexChanged, this, [this] { Store(); });
    connect(m_all, &QCheckBox::toggled, this, [this] { Store(); });

    for (std::size_t i = 0; i < m_sites.Count(); ++i) m_urls->addItem(QString::fromStdString(m_sites.Record(i).url));
    if (m_urls->count() > 0) m_urls->setCurrentRow(0);
    Load();
}

void CWebSitesDlg::SelectUrl(const std::string& url) {
    if (const auto index = m_sites.Find(url)) m_urls->setCurrentRow(int(*index));
}

void CWebSitesDlg::UpdateStates() {
    m_directory->setEnabled(m_map->isChecked());
    m_browse->setEnabled(m_map->isChecked());
}

void CWebSitesDlg::Load() {
    m_loading = true;
    const int row = m_urls->currentRow();
    SiteRecord r;
    if (row >= 0 && std::size_t(row) < m_sites.Count()) r = m_sites.Record(std::size_t(row));
    m_map->setChecked(r.mapLocally);
    m_directory->setText(QString::fromStdString(r.mappedDirectory));
    m_levels->setCurrentIndex(r.level);
    m_all->setChecked(r.downloadAll);
    UpdateStates();
    m_loading = false;
}

void CWebSitesDlg::Store() {
    if (m_loading) return;
    const int row = m_urls->currentRow();
    if (row < 0 || std::size_t(row) >= m_sites.Count()) return;
    SiteRecord& r = m_sites.Record(std::size_t(row));
    r.mapLocally = m_map->isChecked();
    r.mappedDirectory = m_directory->text().toStdString();
    r.level = m_levels->currentIndex();
    r.downloadAll = m_all->isChecked();
}

std::optional<std::string> CWebSitesDlg::Validate(const QString& typed) {
    const std::string text = typed.trimmed().toStdString();
    const auto url = text.empty() ? std::nullopt : NormaliseSiteUrl(text);
    if (!url) m_prompter.Message("Error: Not a Valid URL !!", kSitesCaption, PromptIcon::Stop);
    return url;
}

void CWebSitesDlg::AddUrl(const QString& typed) {
    const auto url = Validate(typed);
    if (!url) return;
    SiteRecord r;
    r.url = *url;
    r.mapLocally = m_map->isChecked();
    r.mappedDirectory = m_directory->text().toStdString();
    r.level = m_levels->currentIndex();
    r.downloadAll = m_all->isChecked();
    if (!m_sites.Add(r)) {
        m_prompter.Message("Unable to Add URL to list\nEntry Already exist !!", kSitesCaption, PromptIcon::Stop);
        return;
    }
    m_urls->addItem(QString::fromStdString(*url));
    m_urls->setCurrentRow(m_urls->count() - 1);
}

void CWebSitesDlg::ModifyUrl(const QString& typed) {
    const int row = m_urls->currentRow();
    if (row < 0) return;
    const auto url = Validate(typed);
    if (!url) return;
    SiteRecord r = m_sites.Record(std::size_t(row));
    const std::string old = r.url;
    r.url = *url;
    if (!m_sites.Modify(std::size_t(row), r)) {
        m_prompter.Message("Unable to Modify URL " + old + " to " + *url, kSitesCaption, PromptIcon::Stop);
        return;
    }
    m_urls->item(row)->setText(QString::fromStdString(*url));
}

void CWebSitesDlg::DeleteUrl() {
    const int row = m_urls->currentRow();
    if (row < 0) return;
    if (m_prompter.Ask("Are you sure you want to delete the\nSelected URL from list", kSitesCaption, PromptButtons::YesNo,
                       PromptAnswer::No) != PromptAnswer::Yes)
        return;
    m_sites.Delete(std::size_t(row));
    delete m_urls->takeItem(row);
    Load();
}

void CWebSitesDlg::accept() {
    for (std::size_t i = 0; i < m_sites.Count(); ++i)
        if (m_sites.Record(i).mapLocally && m_sites.Record(i).mappedDirectory.empty()) {
            m_prompter.Message("Mapped-Directory-Path cannot be empty", kSitesCaption, PromptIcon::Stop);
            return;
        }
    m_sites.Save();
    QDialog::accept();
}

void CWebSitesDlg::reject() {
    m_sites = *m_snapshot;
    QDialog::reject();
}

}  // namespace lp
