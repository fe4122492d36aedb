#pragma once
#include <QObject>
#include <QPointer>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/data_folders.h"
#include "base/settings.h"
#include "guikit/ui/command_router.h"

class QPushButton;

namespace lp {

class CAskWizardDialog;
class CSaneSourceManager;
class CTwainConnector;
struct ScanDevice;
class CChildFrame;
class CMainFrame;
class COrvantixDoc;
class CWelcomeDialog;
class FileChooser;
class PictureClipboard;
class Prompter;
enum class SourceMessage;
struct DesktopCommand;
struct DocumentServices;
enum class WallpaperMode;

/// The application object: holds the settings for the run, creates the main
/// window, opens pictures and answers the application-level commands (open,
/// recent files, paste, close all, the ask-wizard switch, about).
class CLumaprismApp final : public QObject, public CommandTarget {
    Q_OBJECT
public:
    /// What the application needs from outside; null members get the GUI's own
    /// (message boxes, file dialogs, the system clipboard).
    struct Services {
        SettingsStore* store = nullptr;  // required
        Prompter* prompter = nullptr;
        FileChooser* chooser = nullptr;
        PictureClipboard* clipboard = nullptr;
        /// Runs an outside program (file-type registration); unset: detached process.
        std::function<void(const std::string&, const std::vector<std::string>&)> runProgram;
        /// Shows a page of the manual (a file URL with its anchor); unset: the desktop's browser.
        std::function<void(const std::string& url)> openUrl;
        /// The choice of "Select Source" among the scanners; unset: the source list dialog.
        std::function<std::optional<std::size_t>(std::span<const ScanDevice>, std::size_t initial)> chooseScanSource;
        /// The SANE library scanning loads; empty: the system's.
        std::string scanLibrary;
    };

    explicit CLumaprismApp(Services services);
    ~CLumaprismApp() override;

    /// Steps 1-3 of the start-up: settings read, main window created (not shown).
    /// Called by the constructor.
    /// Steps 5-6: show the main window, open the named file, the welcome screen.
    void Startup(const std::filesystem::path& fileToOpen);
    /// The exit step: internet settings and the recent-file list written.
    bool ExitStep();

    AppSettings& Settings() { return m_settings; }
    CMainFrame& MainFrame() { return *m_main; }
    Prompter& GetPrompter() { return *m_prompter; }
    /// Opens the manual at a help topic (0x10000 + command id, or a dialog's own number).
    void OpenHelpTopic(int topic);
    /// The installed manual's folder; empty when the program came without it.
    const std::filesystem::path& Manual() const { return m_manual; }
    /// The welcome screen while it is open, else null.
    CWelcomeDialog* WelcomeScreen() const { return m_welcome; }

    /// Opens a picture in a new window. On failure the reader's message has
    /// been shown and no window exists. Returns the window or null.
    CChildFrame* OpenDocumentFile(const std::filesystem::path& path);
    /// The open command: the open dialog (proposing the sample picture while
    /// the recent-file list is empty), then the ask-wizard step.
    void OnFileOpen();
    /// A new picture window from the clipboard's bitmap; null when there is none.
    CChildFrame* OnPaste();
    /// Closes every window; false when one stayed open (the user cancelled).
    bool CloseAll();
    /// The name the open dialog proposes.
    std::filesystem::path ProposedOpenName() const;
    void AddToRecentFiles(const std::filesystem::path& path);
    /// How often the ask-wizard step was reached.
    int AskWizardStepsReached() const { return m_askWizardSteps; }
    /// The ask-wizard question while it is open, else null.
    CAskWizardDialog* AskWizardDialog() const;

    /// The scanning connector of the run, created on first use.
    CTwainConnector& Twain();
    /// Whether an acquisition is under way (its Stop button is shown).
    bool Scanning() const;
    /// The scan's Stop button in the status bar (null before the first scan).
    QPushButton* ScanStopButton() const { return m_scanStop; }

    bool UpdateCommand(int id, CommandState& state) override;
    bool ExecuteCommand(int id) override;

private:
    DocumentServices MakeDocumentServices();
    CChildFrame* AddWindow(std::unique_ptr<COrvantixDoc> document);
    void ShowWelcomeScreen();
    void OnWelcomeChoice(int choice);
    void AskWizardStep();
    void OpenRecent(int index);
    void ShowAbout();
    /// "Set as WallPaper": the picture copied into the data folder, then the desktop told.
    void SetWallpaper(WallpaperMode mode);
    void ChooseDefaultViewer();
    /// Runs a desktop program (the test's recorder when one was given).
    void RunDesktopCommand(const DesktopCommand& command);
    void OnMainWindowClosing();
    void Acquire();
    void OnScanMessage(SourceMessage message);
    void OnScanProgress(int rows, int lines);
    /// Keeps the windows going while a SANE call runs on the scanning worker, its text in the
    /// status bar, the scan commands disabled.
    void WaitForScanner(std::string_view what, const std::function<bool()>& finished);

    Services m_services;
    std::unique_ptr<Prompter> m_ownPrompter;
    std::unique_ptr<FileChooser> m_ownChooser;
    std::unique_ptr<PictureClipboard> m_ownClipboard;
    Prompter* m_prompter = nullptr;
    FileChooser* m_chooser = nullptr;
    PictureClipboard* m_clipboard = nullptr;
    DataFolders m_folders;
    std::filesystem::path m_manual;
    AppSettings m_settings;
    std::unique_ptr<CMainFrame> m_main;
    CWelcomeDialog* m_welcome = nullptr;
    int m_askWizardSteps = 0;
    QPointer<CAskWizardDialog> m_askWizard;
    // Destroyed first (see the destructor): its worker may still post to this object.
    std::unique_ptr<CTwainConnector> m_twain;
    CSaneSourceManager* m_sane = nullptr;  // owned by m_twain
    QPushButton* m_scanStop = nullptr;
    /// A scan command is under way (its SANE calls run while the event loop turns).
    bool m_scanBusy = false;
    bool m_closing = false;
};

}  // namespace lp
