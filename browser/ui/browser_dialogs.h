#pragma once
#include <QDialog>
#include <vector>

#include "base/settings.h"
#include "browser/browser_item.h"
#include "browser/cache_dialog.h"
#include "browser/error_listing.h"

class QButtonGroup;
class QCheckBox;
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
