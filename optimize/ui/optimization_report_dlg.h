#pragma once
#include <QDialog>

#include "optimize/wizard_report.h"

class QLabel;
class QPushButton;

namespace lp {

/// The modeless "Optimization report": the master against the wizard's result, with Apply,
/// Save As..., Try Again and Cancel. One exists at a time; a new result refills it.
class COptimizationReportDlg final : public QDialog {
    Q_OBJECT
public:
    explicit COptimizationReportDlg(QWidget* parent = nullptr);

    void Show(const OptimizationReportData& data);
    const OptimizationReportData& Data() const { return m_data; }
    /// The field of the window by its row ("Before", "After", "Saving") and column
    /// ("bytes", "seconds"), and the other texts, as shown.
    QString FieldText(const QString& accessibleName) const;

    QPushButton* ApplyButton() const { return m_apply; }
    QPushButton* SaveAsButton() const { return m_saveAs; }
    QPushButton* TryAgainButton() const { return m_tryAgain; }
    QPushButton* CancelButton() const { return m_cancel; }

signals:
    void ApplyRequested();
    void SaveAsRequested();
    void TryAgainRequested();
    void CancelRequested();

private:
    QLabel* Field(const QString& name);

    OptimizationReportData m_data;
    QLabel* m_windowName = nullptr;
    QLabel* m_afterLabel = nullptr;
    QLabel *m_beforeBytes, *m_beforeSeconds, *m_afterBytes, *m_afterSeconds, *m_savingBytes, *m_savingSeconds;
    QLabel* m_improvement = nullptr;
    QLabel* m_speed = nullptr;
    QPushButton *m_apply, *m_saveAs, *m_tryAgain, *m_cancel;
};

}  // namespace lp
