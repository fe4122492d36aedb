#pragma once
#include <QDialog>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "batch/batch_report.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace lp {

/// The report window of a batch run: "Summary", "Detailed Report" and "Picture Preview", and
/// a save button writing the report as text. The site optimizer replaces the summary and
/// adds its analysis page.
class CBatchReportWindow final : public QDialog {
    Q_OBJECT
public:
    CBatchReportWindow(const QString& caption, double modemSpeed, QWidget* parent = nullptr);

    BatchReport& Report() { return m_report; }
    /// Adds one processed file to the rows, the preview list and the totals.
    void AddFile(const BatchFileResult& result);

    /// Puts a page in place of the browser run's summary (site optimizer).
    void ReplaceSummary(QWidget* page);
    /// Adds a page after the others.
    void AddPage(QWidget* page, const QString& title);

    /// Writes the report; false (after the message) when it cannot be written.
    bool SaveTo(const std::filesystem::path& path);
    /// The text a save writes; unset: the browser run's summary and detailed report.
    std::function<std::string()> savedText;
    /// The save dialog (parent, proposed name "report.txt"); unset: nothing is saved.
    std::function<std::optional<std::filesystem::path>(QWidget*, const std::filesystem::path&)> chooseFile;
    /// Double-click on a row: open that file (a picture window, or the browser for a site run).
    std::function<void(const std::filesystem::path&)> openFile;

    QTabWidget* Tabs() const { return m_tabs; }
    QTreeWidget* DetailList() const { return m_detail; }
    QComboBox* PreviewFiles() const { return m_files; }
    QPushButton* SaveButton() const { return m_save; }
    QPushButton* PreviousButton() const { return m_previous; }
    QPushButton* NextButton() const { return m_next; }
    /// A text of the summary or preview page by its accessible name.
    QString FieldText(const QString& accessibleName) const;
    /// The row the user double-clicked (index into Report().Rows()).
    void OpenRow(int row);

private:
    void RefreshSummary();
    void ShowPreview(int file);

    BatchReport m_report;
    double m_speed;
    QTabWidget* m_tabs = nullptr;
    QWidget* m_summary = nullptr;
    QTreeWidget* m_detail = nullptr;
    QComboBox* m_files = nullptr;
    QLabel* m_original = nullptr;
    QLabel* m_optimized = nullptr;
    QPushButton* m_previous = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_save = nullptr;
};

}  // namespace lp
