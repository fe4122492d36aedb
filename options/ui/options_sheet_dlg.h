#pragma once
#include <QDialog>
#include <QPushButton>
#include <optional>
#include <array>
#include <functional>
#include <memory>

#include "base/data_folders.h"
#include "options/options_sheet.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTabWidget;

namespace lp {

class CMainFrame;
class CPositionSelector;
class CSpotRemoverPage;
class CUnitsPage;
class CMergeRotateOpt;
class Prompter;
class SettingsStore;

/// A colour box of the "Defaults" page: shows its colour, a click opens the colour dialog.
class CColourBox final : public QPushButton {
    Q_OBJECT
public:
    CColourBox(const QString& name, QWidget* parent);
    void SetColour(ColourRef colour);
    ColourRef Colour() const { return m_colour; }
    /// Unset: the system colour dialog. Tests answer with a colour (or nothing).
    std::function<std::optional<ColourRef>(ColourRef)> chooseColour;

signals:
    void ColourChosen(ColourRef colour);

private:
    ColourRef m_colour = 0;
};

/// The "Defaults" page.
class CDefaultsPage final : public QWidget {
    Q_OBJECT
public:
    CDefaultsPage(OptionsSheetModel& model, std::vector<std::string> palettes, int picPosition, QWidget* parent);
    /// Redraws every control from the model.
    void Load();

    CColourBox* TransparentBox() const { return m_transparent; }
    CColourBox* ForegroundBox() const { return m_foreground; }
    QCheckBox* ConvertBox() const { return m_convert; }
    QComboBox* PaletteList() const { return m_palettes; }
    QComboBox* PenWidthList() const { return m_penWidth; }
    QCheckBox* SmartSizingBox() const { return m_smart; }
    QCheckBox* ZoomBox() const { return m_zoom; }
    QSpinBox* ToleranceField() const { return m_tolerance; }
    CPositionSelector* PositionSelector() const { return m_position; }
    QSlider* QualitySlider() const { return m_quality; }
    QLabel* QualityText() const { return m_qualityText; }
    QRadioButton* TransparencyButton(int choice) const { return m_keep[std::size_t(choice)]; }
    QCheckBox* UserSettingsBox() const { return m_user; }
    QPushButton* RestoreButton() const { return m_restore; }
    /// Whether a child window is open (a colour box does nothing otherwise).
    std::function<bool()> childWindowOpen;

signals:
    void PositionChosen(int cell);

private:
    OptionsSheetModel& m_model;
    bool m_loading = false;
    CColourBox* m_transparent = nullptr;
    CColourBox* m_foreground = nullptr;
    QCheckBox* m_convert = nullptr;
    QComboBox* m_palettes = nullptr;
    QComboBox* m_penWidth = nullptr;
    QCheckBox* m_smart = nullptr;
    QCheckBox* m_zoom = nullptr;
    QSpinBox* m_tolerance = nullptr;
    CPositionSelector* m_position = nullptr;
    QSlider* m_quality = nullptr;
    QLabel* m_qualityText = nullptr;
    std::array<QRadioButton*, 3> m_keep{};
    QCheckBox* m_user = nullptr;
    QPushButton* m_restore = nullptr;
};

/// The "Transfer" page (`CTransferPage`): speed list, custom box, "Use PNG Format".
class CTransferPage final : public QWidget {
    Q_OBJECT
public:
    CTransferPage(OptionsSheetModel& model, QWidget* parent);
    QComboBox* SpeedList() const { return m_speed; }
    QLineEdit* CustomField() const { return m_custom; }
    QCheckBox* UsePngBox() const { return m_usePng; }

private:
    void Load();
    OptionsSheetModel& m_model;
    QComboBox* m_speed = nullptr;
    QLineEdit* m_custom = nullptr;
    QCheckBox* m_usePng = nullptr;
};

/// The "Internet" page.
class CInternetPage final : public QWidget {
    Q_OBJECT
public:
    CInternetPage(OptionsSheetModel& model, QWidget* parent);
    QRadioButton* AccessButton(int accessType) const;
    QLineEdit* ServerField() const { return m_server; }
    QPlainTextEdit* ByPassField() const { return m_bypass; }
    QLineEdit* DirectoryField() const { return m_directory; }
    QPushButton* BrowseButton() const { return m_browse; }

private:
    void Load();
    OptionsSheetModel& m_model;
    QRadioButton* m_current = nullptr;
    QRadioButton* m_proxy = nullptr;
    QRadioButton* m_direct = nullptr;
    QLineEdit* m_server = nullptr;
    QPlainTextEdit* m_bypass = nullptr;
    QLineEdit* m_directory = nullptr;
    QPushButton* m_browse = nullptr;
};

/// The "Browser" page.
class CBrowserPage final : public QWidget {
    Q_OBJECT
public:
    CBrowserPage(OptionsSheetModel& model, QWidget* parent);
    QRadioButton* TypeButton(int type) const { return m_types[std::size_t(type)]; }
    QCheckBox* Box(int index) const { return m_boxes[std::size_t(index)]; }

private:
    void Load();
    OptionsSheetModel& m_model;
    std::array<QRadioButton*, 3> m_types{};
    std::array<QCheckBox*, 3> m_boxes{};
};

/// The Options sheet, captioned "Options": its pages in the sheet's order, each working on the
/// model's copy of the settings. OK checks every page (a refusal shows its message and keeps
/// that page open) and then stores them; Cancel drops them.
class CAllPgSt final : public QDialog {
    Q_OBJECT
public:
    CAllPgSt(const AppSettings& settings, OptionsCaller caller, const DataFolders& folders, Prompter& prompter,
             QWidget* parent = nullptr);
    ~CAllPgSt() override;

    OptionsSheetModel& Model() { return m_model; }
    QTabWidget* Tabs() const { return m_tabs; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }
    CUnitsPage* UnitsPage() const { return m_units; }
    CSpotRemoverPage* SpotRemoverPage() const { return m_spot; }
    CMergeRotateOpt* MergeRotatePage() const { return m_mergeRotate; }
    CDefaultsPage* DefaultsPage() const { return m_defaults; }
    CTransferPage* TransferPage() const { return m_transfer; }
    CInternetPage* InternetPage() const { return m_internet; }
    CBrowserPage* BrowserPage() const { return m_browser; }

    /// After OK: the pages' values into the settings; the windows' part is the caller's.
    OptionsEffects Accept(AppSettings& settings, SpotRemoverParams& spotParams) const {
        return m_model.Accept(settings, spotParams);
    }

    void accept() override;

private:
    bool LeavePage(int index);

    OptionsSheetModel m_model;
    Prompter& m_prompter;
    std::unique_ptr<AppSettings> m_spotScratch;  // the spot remover page works on its own copy
    SpotRemoverParams m_spotParams;
    QTabWidget* m_tabs = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    CUnitsPage* m_units = nullptr;
    CSpotRemoverPage* m_spot = nullptr;
    CMergeRotateOpt* m_mergeRotate = nullptr;
    CDefaultsPage* m_defaults = nullptr;
    CTransferPage* m_transfer = nullptr;
    CInternetPage* m_internet = nullptr;
    CBrowserPage* m_browser = nullptr;
    int m_currentPage = 0;
};

/// The "&Options" command: opens the sheet over the main window and, after OK, stores the
/// settings, writes them to the store (when given) and brings the windows up to date.
/// True when the sheet was closed with OK.
bool RunOptionsSheet(CMainFrame& mainFrame, OptionsCaller caller, const DataFolders& folders,
                     SettingsStore* store);

/// The windows' part of OK: captions, Transfer Manager (rebuilt when Use PNG changed), status
/// bar.
void ApplyOptionsEffects(CMainFrame& mainFrame, const OptionsEffects& effects);

}  // namespace lp
