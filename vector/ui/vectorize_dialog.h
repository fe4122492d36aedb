#pragma once
#include <QDialog>
#include <QPointer>
#include <filesystem>
#include <functional>
#include <memory>

#include "imaging/picture.h"
#include "vector/vectorizer.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace lp {

class CVectorizeJob;
class CVectorPreview;
class FileChooser;
class Prompter;

/// "Vectorization": the vectorizer's settings; "&Preview" opens a "Vector Preview" window of
/// the result, "&Ok" vectorizes and saves through the vector save dialog. The runs happen on a
/// worker; the dialog shows their progress and stays responsive.
class CVectorizeDlg final : public QDialog {
    Q_OBJECT
public:
    /// picture: a copy of the picture to vectorize; proposed: the name the save dialog starts from.
    CVectorizeDlg(Picture picture, std::filesystem::path proposed, FileChooser& chooser, Prompter& prompter,
                  QWidget* parent = nullptr);
    ~CVectorizeDlg() override;

    /// The parameters as the fields give them (tolerance 0 with "Exact", no background with "Disable").
    VectorizerSettings Settings() const;
    /// "&Select" of a preview: its parameters back into the fields.
    void SetSettings(const VectorizerSettings& settings);

    /// Opens the help topic of "&Help"; unset: the button is disabled.
    std::function<void()> openHelp;
    /// Chooses the background swatch's colour (invalid when cancelled); replaceable by tests.
    std::function<QColor(QColor initial)> chooseColour;

    QCheckBox* OverlappedBox() const { return m_overlapped; }
    QSpinBox* PrecisionField() const { return m_precision; }
    QCheckBox* DisableBox() const { return m_disable; }
    QPushButton* ColourButton() const { return m_colour; }
    QCheckBox* ExactBox() const { return m_exact; }
    QSpinBox* ToleranceField() const { return m_tolerance; }
    QPushButton* PreviewButton() const { return m_preview; }
    QPushButton* HelpButton() const { return m_help; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }
    QProgressBar* ProgressBar() const { return m_progress; }
    /// The text of the last progress report from the worker.
    QLabel* ProgressText() const { return m_progressText; }
    /// The preview windows still open.
    std::vector<CVectorPreview*> Previews() const;
    bool Busy() const;

signals:
    /// A run ended (preview shown, or the save settled).
    void RunEnded();

private:
    void StartRun(bool preview);
    void OnRunFinished(bool preview);
    void ShowSwatch();
    void SetBusy(bool busy);

    Picture m_picture;
    std::filesystem::path m_proposed;
    FileChooser& m_chooser;
    Prompter& m_prompter;
    ColourRef m_background = MakeColour(255, 255, 255);
    std::unique_ptr<CVectorizeJob> m_job;
    std::vector<QPointer<CVectorPreview>> m_previews;

    QCheckBox* m_overlapped = nullptr;
    QSpinBox* m_precision = nullptr;
    QCheckBox* m_disable = nullptr;
    QPushButton* m_colour = nullptr;
    QCheckBox* m_exact = nullptr;
    QSpinBox* m_tolerance = nullptr;
    QPushButton* m_preview = nullptr;
    QPushButton* m_help = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_progressText = nullptr;
};

/// Asks for a vector file name (LVF, WMF, EMF, EPS or SVG), asks before replacing a file, and
/// writes the drawing. False when cancelled or when writing failed (after the message).
bool SaveVectorDrawing(QWidget* parent, const VectorDrawing& drawing, const std::filesystem::path& proposed,
                       FileChooser& chooser, Prompter& prompter);

}  // namespace lp
