#pragma once
#include <QWidget>
#include <array>
#include <string>

#include "batch/transfer_manager_model.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QStackedWidget;
class QTabBar;

namespace lp {

class DataFolders;
class Prompter;

/// The size curve graph on the format tab: draws the model's curve and forwards presses and
/// drags.
class CSizeCurveGraph final : public QWidget {
    Q_OBJECT
public:
    CSizeCurveGraph(TransferManagerModel& model, QWidget* parent);
    QSize sizeHint() const override { return {200, 90}; }

signals:
    /// The trial moved by a press or drag.
    void TrialDragged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TransferManagerModel& m_model;
    bool m_dragging = false;
};

/// The bar-graph history of the group's windows.
class CHistoryGraph final : public QWidget {
    Q_OBJECT
public:
    CHistoryGraph(TransferManagerModel& model, QWidget* parent);
    QSize sizeHint() const override { return {4 + 8 * 14 + 4, 18 * 2 + 12}; }

signals:
    /// A column that holds a window was clicked: the window of that previewNumber.
    void WindowClicked(int previewNumber);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    TransferManagerModel& m_model;
};

/// The Transfer Manager (the control panel's "Speed" page): the master's estimated sizes and
/// times, the trial sliders with their Preview and Improve values, the batch-macro commands and
/// the two graphs. All arithmetic and texts come from TransferManagerModel; this widget draws
/// them and forwards the user's moves.
class CTransferManager final : public QWidget {
    Q_OBJECT
public:
    CTransferManager(bool usePng, QWidget* parent = nullptr);

    TransferManagerModel& Model() { return m_model; }
    /// The picture browser is the active window: Apply works on its selection.
    void SetBrowserTarget(bool on);
    /// Where the macro list looks and how its load errors are shown.
    void SetServices(const DataFolders* folders, Prompter* prompter);

    /// A master became the group shown (its record, settings, frames).
    void Attach(TransferInfo* info, BatchMacro* settings, GifFrameList* frames, std::size_t currentFrame,
                int formatTab, const std::string& groupKey);
    void Detach();
    /// The attached master changed: its present state.
    void SetPresentState(std::int32_t w, std::int32_t h, std::int32_t c, std::int32_t q);
    /// The application's speed changed elsewhere (the options page).
    void SetSpeed(double bitsPerSecond);
    /// Rebuilds the "Batch Macro" list from the TEMPLATE folder.
    void RefreshMacroList();
    /// Redraws every field, slider and graph from the model.
    void Refresh();
    /// Builds the panel again in the layout with (or without) the PNG controls. The panel
    /// starts afresh, detached, keeping its macro and the speed; attach the master again.
    void RebuildLayout(bool usePng);

    // The controls, for the window tests and the accessibility flows.
    QTabBar* FormatTabs() const { return m_formatTabs; }
    QSlider* AreaSlider() const { return m_area; }
    QSlider* WidthSlider() const { return m_width; }
    QSlider* HeightSlider() const { return m_height; }
    QSlider* ColoursSlider() const { return m_colours; }
    QSlider* QualitySlider() const { return m_quality; }
    QLabel* AreaText() const { return m_areaText; }
    QLabel* ColoursText() const { return m_coloursText; }
    QComboBox* MacroList() const { return m_macros; }
    QPushButton* ApplyButton() const { return m_apply; }
    QPushButton* PreviewButton() const { return m_preview; }
    QPushButton* WizardButton() const { return m_wizard; }
    QCheckBox* UseAllFramesBox() const { return m_allFrames; }
    QCheckBox* UsePaletteBox() const { return m_usePalette; }
    QComboBox* SpeedList() const { return m_speed; }
    QLineEdit* CustomSpeed() const { return m_custom; }
    QCheckBox* FormatBox(int format) const { return m_formatBoxes[std::size_t(format)]; }
    QLineEdit* MasterField(int format) const { return m_fields[0][std::size_t(format)]; }
    QLineEdit* PreviewField(int format) const { return m_fields[1][std::size_t(format)]; }
    QLineEdit* ImproveField(int format) const { return m_fields[2][std::size_t(format)]; }
    QLineEdit* OverallImproveField(int format) const { return m_fields[3][std::size_t(format)]; }
    QTabBar* DisplayTabs() const { return m_displayTabs; }
    QComboBox* CompareList() const { return m_compare; }
    CSizeCurveGraph* Curve() const { return m_curve; }
    CHistoryGraph* History() const { return m_history; }

signals:
    void ApplyRequested();
    void PreviewRequested();
    /// "Wizard": the Lumaprism Wizard for the attached picture.
    void WizardRequested();
    /// The speed list or the custom box chose a new modem speed (bits per second).
    void SpeedChosen(double bitsPerSecond);
    /// A history column was clicked.
    void WindowClicked(int previewNumber);
    /// The format tab changed (the master document keeps it).
    void TabChosen(int tab);
    /// "Use all Frames" changed.
    void UseAllFramesChanged(bool on);

private:
    void Build();
    void OnMacroChosen(int index);
    void AfterTrialChange();
    void RefreshSliders();
    void RefreshFields();

    TransferManagerModel m_model;
    const DataFolders* m_folders = nullptr;
    bool m_browserTarget = false;
    Prompter* m_prompter = nullptr;
    bool m_updating = false;  // the widgets are being set from the model

    QTabBar* m_formatTabs = nullptr;
    QStackedWidget* m_pages = nullptr;
    CSizeCurveGraph* m_curve = nullptr;
    QSlider* m_area = nullptr;
    QLabel* m_areaText = nullptr;
    QSlider* m_width = nullptr;
    QSlider* m_height = nullptr;
    QLabel* m_widthText = nullptr;
    QLabel* m_heightText = nullptr;
    QSlider* m_colours = nullptr;
    QLabel* m_coloursText = nullptr;
    QCheckBox* m_usePalette = nullptr;
    QSlider* m_quality = nullptr;
    QLabel* m_qualityText = nullptr;
    QComboBox* m_macros = nullptr;
    QPushButton* m_apply = nullptr;
    QPushButton* m_preview = nullptr;
    QPushButton* m_wizard = nullptr;
    QCheckBox* m_allFrames = nullptr;
    QComboBox* m_speed = nullptr;
    QLineEdit* m_custom = nullptr;
    std::array<QCheckBox*, 3> m_formatBoxes{};
    std::array<std::array<QLineEdit*, 3>, 4> m_fields{};  // Master, Preview, Improve, Overall Improve
    QTabBar* m_displayTabs = nullptr;
    QComboBox* m_compare = nullptr;
    CHistoryGraph* m_history = nullptr;
};

}  // namespace lp
