#pragma once
#include <QDialog>

class QCheckBox;
class QToolButton;

namespace lp {

/// The welcome screen: a picture face with five picture buttons (from the
/// top: quick start, open a picture, acquire from a scanner, open the most
/// recent file, paste the clipboard) and the check box that is the
/// "WelcomeScreen" setting itself.
class CWelcomeDialog final : public QDialog {
    Q_OBJECT
public:
    enum Choice { None = 0, QuickStart, OpenPicture, Scan, OpenRecent, Paste };

    CWelcomeDialog(QWidget* parent, bool showAtStart);

    QToolButton* Button(Choice choice) const;
    QCheckBox* ShowAtStartBox() const { return m_check; }
    Choice Chosen() const { return m_chosen; }

signals:
    /// Every click on the check box: the setting's new state.
    void ShowAtStartChanged(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Choose(Choice choice);

    QToolButton* m_buttons[5] = {};
    QCheckBox* m_check = nullptr;
    Choice m_chosen = None;
};

}  // namespace lp
