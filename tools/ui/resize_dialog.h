#pragma once
#include <QAbstractSpinBox>
#include <QDialog>
#include <array>
#include <functional>
#include <optional>

#include "tools/picture_resize.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace lp {

class Prompter;

/// A size field: free text in the dialog's unit with spin buttons that step as the
/// size-field rules say.
class CSizeField final : public QAbstractSpinBox {
    Q_OBJECT
public:
    explicit CSizeField(QWidget* parent);
    void stepBy(int steps) override;
    QString Text() const;
    void SetText(const QString& text);
    /// The field's text control (typing, selection).
    QLineEdit* Edit() const { return lineEdit(); }

signals:
    void Stepped(int steps);

protected:
    StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }
};

/// "Picture Resize": the new size in pixels, centimetres, inches or millimetres, or in
/// percent of the present size, with or without proportions, plain or smart resampling.
class CPictureResizeDlg final : public QDialog {
    Q_OBJECT
public:
    CPictureResizeDlg(int width, int height, const MeasureUnits& units, Prompter* prompter, QWidget* parent = nullptr);

    /// After "&Ok": the new size and the smart flag.
    std::optional<ResizeResult> Result() const { return m_result; }
    PictureResizeModel& Model() { return m_model; }

    CSizeField* WidthField() const { return m_width; }
    CSizeField* HeightField() const { return m_height; }
    QSpinBox* XPercentField() const { return m_xPercent; }
    QSpinBox* YPercentField() const { return m_yPercent; }
    QRadioButton* UnitButton(MeasureUnit unit) const { return m_units[std::size_t(unit)]; }
    QCheckBox* ProportionalBox() const { return m_proportional; }
    QCheckBox* SmartBox() const { return m_smart; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }
    QPushButton* HelpButton() const { return m_help; }
    /// Opens a help topic; unset: "&Help" is disabled.
    void SetHelp(std::function<void(int)> openTopic);

    void accept() override;

private:
    void Load();
    /// A field's text that differs from what the model took is typed now; false when refused.
    bool TakeField(bool width);
    void Refuse(CSizeField* field, const std::string& message);

    PictureResizeModel m_model;
    Prompter* m_prompter;
    std::function<void(int)> m_openHelp;
    std::optional<ResizeResult> m_result;
    bool m_loading = false;
    bool m_refusing = false;
    CSizeField* m_width = nullptr;
    CSizeField* m_height = nullptr;
    QSpinBox* m_xPercent = nullptr;
    QSpinBox* m_yPercent = nullptr;
    std::array<QRadioButton*, 4> m_units{};
    QCheckBox* m_proportional = nullptr;
    QCheckBox* m_smart = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_help = nullptr;
};

}  // namespace lp
