#pragma once
#include <QDialog>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/settings.h"
#include "browser/browser_item.h"
#include "browser/cache_dialog.h"
#include "browser/error_listing.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTreeWidget;

namespace lp {

/// "Error Listing": the failures of one worker pass.
class CErrorListingDlg final : public QDialog {
    Q_OBJECT
public:
    CErrorListingDlg(const std::vector<ErrorListingEntry>& entries, QWidget* parent = nullptr);
    QTreeWidget* List() const { return m_list; }

private:
    QTreeWidget* m_list;
};

/// "Cache" ("&Cache Info"): statistics, cleaning, and the "Enable Cache Info" box.
class CCacheDlg final : public QDialog {
    Q_OBJECT
public:
    CCacheDlg(AppSettings& settings, CThumbnailCache& cache, QWidget* parent = nullptr);

    QCheckBox* EnableBox() const { return m_enable; }
    QRadioButton* AllButton() const { return m_all; }
    QRadioButton* KeepButton() const { return m_keep; }
    QSpinBox* DaysField() const { return m_days; }
    QLabel* FilesText() const { return m_files; }
    QLabel* SizeText() const { return m_size; }
    void accept() override;

private:
    void UpdateStates();

    AppSettings& m_settings;
    CThumbnailCache& m_cache;
    CacheDialogState m_state;
    QCheckBox* m_enable;
    QRadioButton* m_all;
    QRadioButton* m_keep;
    QSpinBox* m_days;
    QLabel* m_files;
    QLabel* m_size;
    QWidget* m_statistics;
    QWidget* m_clean;
};

/// "Filters" ("&File Types"): which picture types the list admits.
class CFiltersDlg final : public QDialog {
    Q_OBJECT
public:
    CFiltersDlg(const FileTypeFilter& filter, QWidget* parent = nullptr);
    FileTypeFilter Result() const;

    QListWidget* Available() const { return m_available; }
    QListWidget* Selected() const { return m_selected; }
    QPushButton* AddButton() const { return m_add; }
    QPushButton* RemoveButton() const { return m_remove; }

private:
    void Reload();

    FilterDialogState m_state;
    QListWidget* m_available;
    QListWidget* m_selected;
    QPushButton* m_add;
    QPushButton* m_remove;
};

}  // namespace lp

namespace lp {

class CSiteList;
class Prompter;

/// "Web Sites" ("&Web Sites"): the site list with each site's mapping and search options.
/// Choosing a URL loads its options; changing a control stores it into that site.
class CWebSitesDlg final : public QDialog {
    Q_OBJECT
public:
    CWebSitesDlg(CSiteList& sites, Prompter& prompter, QWidget* parent = nullptr);

    QListWidget* Urls() const { return m_urls; }
    QCheckBox* MapBox() const { return m_map; }
    QLineEdit* Directory() const { return m_directory; }
    QPushButton* BrowseButton() const { return m_browse; }
    QComboBox* Levels() const { return m_levels; }
    QCheckBox* DownloadAllBox() const { return m_all; }
    /// Chooses the site of a stored URL (the tree's "&Properties" of a site).
    void SelectUrl(const std::string& url);
    /// "&Add URL" with the answer to "Enter the URL to be analysed".
    void AddUrl(const QString& typed);
    /// "&Modify" of the chosen URL.
    void ModifyUrl(const QString& typed);
    /// "&Delete" of the chosen URL (after the question).
    void DeleteUrl();
    void accept() override;
    /// Cancel drops every change made in the dialog.
    void reject() override;

    /// The prompts of "&Add URL" and "&Modify"; unset: an input dialog.
    std::function<std::optional<QString>(const QString& title, const QString& prompt)> askUrl;

private:
    void Load();
    void Store();
    void UpdateStates();
    std::optional<std::string> Validate(const QString& typed);

    CSiteList& m_sites;
    std::unique_ptr<CSiteList> m_snapshot;
    Prompter& m_prompter;
    QListWidget* m_urls;
    QCheckBox* m_map;
    QLineEdit* m_directory;
    QPushButton* m_browse;
    QComboBox* m_levels;
    QCheckBox* m_all;
    bool m_loading = false;
};

}  // namespace lp
