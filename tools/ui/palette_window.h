#pragma once
#include <QColor>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "tools/palette.h"
#include "tools/palette_window_model.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;

namespace lp {

class CMainFrame;
class COrvantixDoc;

/// The swatches of the palette window: 9 x 9 on a 10-pixel pitch, 12 to a row, on white.
class CPaletteGrid final : public QWidget {
    Q_OBJECT
public:
    explicit CPaletteGrid(const PaletteWindowModel& model, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    /// The centre of a swatch position, in this widget (for tests and the accessibility flows).
    QPoint SwatchCentre(int index) const;

signals:
    void LeftClicked(int index, bool ctrl);
    void RightClicked(int index);
    void DoubleClicked(int position);
    void Hovered(bool overSwatch);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    static constexpr int kMargin = 4;
    int PositionAt(QPoint p) const;
    const PaletteWindowModel& m_model;
};

/// The control panel's "Palette" page: collects up to 256 colours (from the active picture,
/// palette files and the pick-palette tool), edits and sorts them, saves them as palette
/// files, sets the foreground and transparent colours by clicking, and hands its colours to
/// the Transfer Manager. The model does the work; this page draws it and forwards.
class CPaletteWindow final : public QWidget {
    Q_OBJECT
public:
    explicit CPaletteWindow(CMainFrame& mainFrame, QWidget* parent = nullptr);

    PaletteWindowModel& Model() { return m_model; }
    const PaletteWindowModel& Model() const { return m_model; }
    /// The colours as a palette for colour reduction; null while the grid is empty.
    const Palette* CurrentPalette() const { return m_model.Empty() ? nullptr : &m_palette; }
    /// Picture windows arrange themselves after a preview by this choice.
    bool CascadePreviews() const;

    /// The pick-palette tool's rectangle of a picture.
    void AddColoursFromPicture(const Picture& picture, PickRect rect);
    /// Rebuilds the "Load Palette  :  " list: "Load from Picture" and the palette folder's files.
    void RefreshPaletteList();
    /// Loads the list entry (0 "Load from Picture", else a palette file by its base name).
    void LoadEntry(int index);
    /// "Load from Picture" on the active picture.
    void LoadFromPicture();
    /// The slider released at n.
    void ReleaseSlider(int n);
    void ClickSwatch(int index, bool ctrl);
    void RemoveSwatch(int index);
    /// Double click: the colour chooser for a position; appends past the last colour.
    void EditSwatch(int position);
    void Clear();
    void Sort();
    /// "&Save...": asks for the name, then saves (or shows the message).
    void Save();
    /// Saves under a name as "&Save..." does after its dialog; true when written.
    bool SaveAs(const std::string& name);
    void Apply();
    void Preview();

    // Modal questions, replaceable by tests: the palette name (nothing when cancelled), the sort
    // choice, and the colour chooser (an invalid colour when cancelled).
    std::function<std::optional<std::string>()> askName;
    std::function<std::optional<std::pair<ColourSortKey, ColourSortOrder>>(ColourSortKey, ColourSortOrder)> askSort;
    std::function<QColor(QColor initial)> chooseColour;

    // The controls, for the window tests and the accessibility flows.
    CPaletteGrid* Grid() const { return m_grid; }
    QLabel* TitleLabel() const { return m_title; }
    QLabel* CountText() const { return m_countText; }
    QSlider* CountSlider() const { return m_slider; }
    QComboBox* PaletteList() const { return m_list; }
    QCheckBox* UseAllFramesBox() const { return m_allFrames; }
    QPushButton* ClearButton() const { return m_clear; }
    QPushButton* SaveButton() const { return m_save; }
    QPushButton* ApplyButton() const { return m_apply; }
    QPushButton* PreviewButton() const { return m_preview; }
    QPushButton* SortButton() const { return m_sort; }
    QRadioButton* TileButton() const { return m_tile; }
    QRadioButton* CascadeButton() const { return m_cascade; }

signals:
    /// The colours changed (the Transfer Manager's palette follows).
    void ColoursChanged();

private:
    void Changed();
    COrvantixDoc* ActiveDocument() const;
    std::vector<const Picture*> ActiveFrames(std::size_t* current) const;
    void ShowStatus(const QString& text);

    CMainFrame& m_main;
    PaletteWindowModel m_model;
    Palette m_palette;  // the model's colours, kept for the Transfer Manager
    ColourSortKey m_sortKey = ColourSortKey::Brightness;
    ColourSortOrder m_sortOrder = ColourSortOrder::Ascending;
    ColourRef m_lastColour = kNoColour;  // the colour chooser's start for an empty position
    bool m_loadedByChange = false;       // the list's change loaded the entry its activation names

    CPaletteGrid* m_grid = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_countText = nullptr;
    QSlider* m_slider = nullptr;
    QComboBox* m_list = nullptr;
    QCheckBox* m_allFrames = nullptr;
    QPushButton* m_clear = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_apply = nullptr;
    QPushButton* m_preview = nullptr;
    QPushButton* m_sort = nullptr;
    QRadioButton* m_tile = nullptr;
    QRadioButton* m_cascade = nullptr;
};

}  // namespace lp
