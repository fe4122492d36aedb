#pragma once
#include <QDialog>
#include <array>
#include <functional>
#include <optional>

#include "shell/print_options.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace lp {

class CSizeField;
class Prompter;

/// "Printing Options": the printed size (fit to page, keep size, or custom in a unit or
/// in percent), the separation, the printer's resolution, the margins and the number of
/// pages, with the printer and page setup. The arithmetic is PrintOptionsModel's.
class CPrintOptionsDlg final : public QDialog {
    Q_OBJECT
public:
    CPrintOptionsDlg(int width, int height, const PrinterCaps& caps, const std::array<std::int32_t, 4>& margins,
                     MeasureUnit unit, Prompter* prompter, QWidget* parent = nullptr);

    /// "Print &Setup": the printer dialog; the chosen printer's capabilities, or nothing
    /// when cancelled. Unset: the button is disabled.
    void SetPrintSetup(std::function<std::optional<PrinterCaps>()> printSetup);
    /// "Pa&ge Setup": the page-setup dialog over the current margins; the new margins, or
    /// nothing when cancelled. Unset: the button is disabled.
    void SetPageSetup(
        std::function<std::optional<std::array<std::int32_t, 4>>(const std::array<std::int32_t, 4>&)> pageSetup);
    /// Opens a help topic; unset: "&Help" is disabled.
    void SetHelp(std::function<void(int)> openTopic);

    /// After "&OK": what the view keeps.
    std::optional<PrintSettings> Result() const { return m_result; }
    PrintOptionsModel& Model() { return m_model; }

    QRadioButton* SizeModeButton(PrintSizeMode mode) const { return m_modes[std::size_t(mode)]; }
    QRadioButton* UnitButton(MeasureUnit unit) const { return m_units[std::size_t(unit)]; }
    QRadioButton* SeparationButton(PrintSeparation s) const { return m_separations[std::size_t(s)]; }
    CSizeField* WidthField() const { return m_width; }
    CSizeField* HeightField() const { return m_height; }
    QSpinBox* XPercentField() const { return m_xPercent; }
    QSpinBox* YPercentField() const { return m_yPercent; }
    QCheckBox* ProportionalBox() const { return m_proportional; }
    QLabel* ResolutionLabel() const { return m_resolution; }
    QLabel* MarginLabel(MarginSide side) const { return m_margins[std::size_t(side)]; }
    QLabel* PagesLabel() const { return m_pages; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }
    QPushButton* PrintSetupButton() const { return m_printSetupButton; }
    QPushButton* PageSetupButton() const { return m_pageSetupButton; }
    QPushButton* HelpButton() const { return m_help; }

    void accept() override;

private:
    void Load();
    bool TakeField(bool width);
    void Refuse(QWidget* field, const std::string& message);

    PrintOptionsModel m_model;
    Prompter* m_prompter;
    std::function<std::optional<PrinterCaps>()> m_printSetup;
    std::function<std::optional<std::array<std::int32_t, 4>>(const std::array<std::int32_t, 4>&)> m_pageSetup;
    std::function<void(int)> m_openHelp;
    std::optional<PrintSettings> m_result;
    bool m_loading = false;
    bool m_refusing = false;
    std::array<QRadioButton*, 3> m_modes{};
    std::array<QRadioButton*, 4> m_units{};
    std::array<QRadioButton*, 3> m_separations{};
    std::array<QLabel*, 4> m_margins{};
    std::array<QWidget*, 9> m_sizeControls{};
    CSizeField* m_width = nullptr;
    CSizeField* m_height = nullptr;
    QSpinBox* m_xPercent = nullptr;
    QSpinBox* m_yPercent = nullptr;
    QCheckBox* m_proportional = nullptr;
    QLabel* m_resolution = nullptr;
    QLabel* m_pages = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_printSetupButton = nullptr;
    QPushButton* m_pageSetupButton = nullptr;
    QPushButton* m_help = nullptr;
};

}  // namespace lp
