#pragma once
#include <QDialog>

class QCheckBox;
class QPushButton;

namespace lp {

/// The question after a picture was opened: run the Lumaprism Wizard on it? Its check box is
/// the "PBWizard" setting (ticked: ask again next time).
class CAskWizardDialog final : public QDialog {
    Q_OBJECT
public:
    CAskWizardDialog(QWidget* parent, bool askEveryTime);

    QCheckBox* AskEveryTimeBox() const { return m_check; }
    QPushButton* YesButton() const { return m_yes; }
    QPushButton* NoButton() const { return m_no; }

private:
    QCheckBox* m_check = nullptr;
    QPushButton* m_yes = nullptr;
    QPushButton* m_no = nullptr;
};

}  // namespace lp
