#pragma once
#include <QWizard>
#include <functional>
#include <map>
#include <string>

#include "batch/batch_macro.h"
#include "optimize/wizard_flow.h"

class QWizardPage;

namespace lp {

class DataFolders;
class Prompter;

/// One optimization wizard: the pages of WizardPageSequence for its kind, each reading the
/// wizard's macro when shown and writing it back as the user changes its controls. Page ids
/// are the WizardPage values.
class CWizardSheet final : public QWizard {
    Q_OBJECT
public:
    struct Environment {
        const DataFolders* folders = nullptr;  // TEMPLATE and PALETTE
        Prompter* prompter = nullptr;          // required
        /// The system folder chooser: (parent, title, start folder) -> chosen folder or empty.
        std::function<QString(QWidget*, const QString&, const QString&)> chooseFolder;
        std::string downloadDirectory;  // the Html-Page page's initial output folder
        std::string saveDirectory;      // the Save to directory page's initial folder
    };

    CWizardSheet(WizardKind kind, WizardFlowState state, WizardPictureState picture, Environment environment,
                 QWidget* parent = nullptr);

    WizardKind Kind() const { return m_kind; }
    BatchMacro& Macro() { return m_macro; }
    const BatchMacro& Macro() const { return m_macro; }
    WizardFlowState& FlowState() { return m_state; }
    const WizardPictureState& PictureState() const { return m_picture; }
    const Environment& Env() const { return m_env; }
    /// The site job the Html-Page pages chose (the URL as accepted by the URL page).
    HtmlJobTexts& HtmlJob() { return m_html; }
    const HtmlJobTexts& HtmlJob() const { return m_html; }
    /// The name the macro was saved under on Finish, empty when not saved.
    const std::string& SavedName() const { return m_savedName; }
    void SetSavedName(std::string name) { m_savedName = std::move(name); }

    /// The pages shown for the present answers, in order.
    std::vector<WizardPage> Sequence() const { return WizardPageSequence(m_kind, m_macro, m_state); }
    WizardPage CurrentPageKind() const { return static_cast<WizardPage>(currentId()); }
    QWizardPage* PageOf(WizardPage p) const { return page(static_cast<int>(p)); }

    int nextId() const override;

private:
    WizardKind m_kind;
    WizardFlowState m_state;
    WizardPictureState m_picture;
    Environment m_env;
    BatchMacro m_macro;
    HtmlJobTexts m_html;
    std::string m_savedName;
};

/// The artwork on the left of every page: our own drawing per wizard and page.
QPixmap WizardPageArt(WizardKind kind, WizardPage page);
/// The small sample picture beside an exposure or JPEG level (0 low .. 3 custom).
QPixmap WizardLevelSample(bool jpeg, int level);

}  // namespace lp
