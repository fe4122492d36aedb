#pragma once
#include <QDialog>

#include "tools/palette_window_model.h"

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace lp {

/// "Color sort options": the sort key and the order.
class CColourSortDlg final : public QDialog {
    Q_OBJECT
public:
    CColourSortDlg(ColourSortKey key, ColourSortOrder order, QWidget* parent = nullptr);
    ColourSortKey Key() const;
    ColourSortOrder Order() const;

    QComboBox* KeyList() const { return m_key; }
    QRadioButton* DescendingButton() const { return m_descending; }

private:
    QComboBox* m_key = nullptr;
    QRadioButton* m_ascending = nullptr;
    QRadioButton* m_descending = nullptr;
};

/// "Palette Name": the name a palette is saved under ("Save this Color Palette as", at most
/// 12 characters).
class CPaletteNameDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CPaletteNameDlg(QWidget* parent = nullptr);
    std::string Name() const;
    QLineEdit* NameField() const { return m_name; }

private:
    QLineEdit* m_name = nullptr;
};

}  // namespace lp
