#include "app/ui/lumaprism_app.h"

#include <QMdiArea>


#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDesktopServices>
#include <QEventLoop>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStringList>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <algorithm>

#include "app/ui/file_registration.h"
#include "app/ui/qt_prompter.h"
#include "app/ui/sample_picture.h"
#include "app/ui/ask_wizard_dialog.h"
#include "app/ui/default_viewer_dialog.h"
#include "base/imp_exp_exception.h"
#include "app/ui/welcome_dialog.h"
#include "batch/ui/transfer_manager.h"
#include "browser/ui/br_frame.h"
#include "browser/ui/file_view.h"
#include "imaging/image_size.h"
#include "document/picture_document.h"
#include "document/ui/qt_picture_clipboard.h"
#include "shell/ui/child_frame.h"
#include "guikit/ui/command_ids.h"
#include "guikit/ui/file_chooser.h"
#include "optimize/ui/wizard_launcher.h"
#include "options/ui/options_sheet_dlg.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/orvantix_view.h"
#include "shell/desktop_integration.h"
#include "shell/help_manual.h"
#include "shell/ui/status_progress.h"
#include "shell/sane_source_manager.h"
#include "shell/twain_connector.h"
#include "shell/ui/select_source_dialog.h"

namespace lp {

CLumaprismApp::CLumaprismApp(Services services)
    : m_services(std::move(services)),
      m_folders(DataFolders::FromEnvironment()),
      m_manual(ManualFolder(m_folders.ShippedFolder())) {
    // 1-2: the store and every setting (a damaged store gives defaults, key by key).
    m_settings = LoadSettings(*m_services.store);
    ApplyPictureBudgetSetting(m_settings.pictureBudget);

    if (m_services.prompter) {
        m_prompter = m_services.prompter;
    } else {
        m_ownPrompter = std::make_unique<QtPrompter>();
        m_prompter = m_ownPrompter.get();
    }
    if (m_services.chooser) {
        m_chooser = m_services.chooser;
    } else {
        m_ownChooser = std::make_unique<DialogFileChooser>();
        m_chooser = m_ownChooser.get();
    }
    if (m_services.clipboard) {
        m_clipboard = m_services.clipboard;
    } else {
        m_ownClipboard = std::make_unique<QtPictureClipboard>();
        m_clipboard = m_ownClipboard.get();
    }

    // 3: the main window, not shown yet, with the modem speed and the Use PNG switch.
    m_main = std::make_unique<CMainFrame>(m_settings, *m_prompter);
    if (auto* qtPrompter = dynamic_cast<QtPrompter*>(m_prompter)) qtPrompter->SetParent(m_main.get());
    m_main->SetApplication(this);
    m_main->ShowModem(m_settings.modemSpeed);
    m_main->SetRecentFiles(m_settings.recentFiles);
    m_main->RestoreBarState(m_settings.barState);
    m_main->onClosing = [this] { OnMainWindowClosing(); };
    m_main->documentServices = [this] { return MakeDocumentServices(); };
    m_main->addDocumentWindow = [this](std::unique_ptr<COrvantixDoc> document) { return AddWindow(std::move(document)); };
    m_main->TransferManager().SetServices(&m_folders, m_prompter);
    m_main->openHelpTopic = [this](int topic) { OpenHelpTopic(topic); };
    m_main->onFilesDropped = [this](const std::vector<std::filesystem::path>& files) {
        for (const auto& file : files) OpenDocumentFile(file);
    };
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        connect(clipboard, &QClipboard::dataChanged, m_main.get(), &CMainFrame::UpdateCommandStates);
}

CLumaprismApp::~CLumaprismApp() {
    // A scan under way is stopped and its worker joined before anything it reports to goes;
    // nothing waits in an event loop any more.
    m_closing = true;
    m_twain.reset();
    // Windows own documents that report to the main window: close them first.
    if (m_main) {
        for (QMdiSubWindow* window : m_main->MdiArea()->subWindowList()) {
            if (auto* frame = qobject_cast<CChildFrame*>(window))
                frame->CloseWithoutAsking();
            else
                window->close();
        }
    }
    if (m_welcome) {
        m_welcome->disconnect(this);
        delete m_welcome;
    }
}

void CLumaprismApp::Startup(const std::filesystem::path& fileToOpen) {
    EnsureSamplePicture(m_folders.Folder(DataFolder::Picture));
    // 5: a minimized or default show state becomes the maximized state.
    m_main->showMaximized();
    if (!fileToOpen.empty()) OpenDocumentFile(fileToOpen);
    m_main->ShowModem(m_settings.modemSpeed);
    if (m_settings.welcomeScreen != 0 && fileToOpen.empty()) ShowWelcomeScreen();
    m_main->MainToolBar()->show();
    if (CChildFrame* frame = m_main->ActivePictureWindow()) frame->View().setFocus();
    m_main->UpdateCommandStates();
}

bool CLumaprismApp::ExitStep() { return WriteSettingsAtExit(m_settings, *m_services.store); }

void CLumaprismApp::OnMainWindowClosing() {
    m_settings.barState = m_main->SaveBarState();
    WriteSettingsAtClose(m_settings, *m_services.store);
}

DocumentServices CLumaprismApp::MakeDocumentServices() {
    DocumentServices services;
    services.prompter = m_prompter;
    services.settings = &m_settings;
    services.folders = &m_folders;
    services.progress = &m_main->StatusProgress();
    services.addToRecentFiles = [this](const std::filesystem::path& path) { AddToRecentFiles(path); };
    services.registerFileType = [this](const std::filesystem::path& path) {
        RegisterAsHandler(path, m_settings.defaultBrowser,
                          [this](const std::string& program, const std::vector<std::string>& args) {
                              RunDesktopCommand({program, args});
                          });
    };
    return services;
}

CChildFrame* CLumaprismApp::AddWindow(std::unique_ptr<COrvantixDoc> document) {
    auto* frame = new CChildFrame(*m_main, std::move(document), *m_clipboard, *m_chooser);
    m_main->AddPictureWindow(frame);
    return frame;
}

CChildFrame* CLumaprismApp::OpenDocumentFile(const std::filesystem::path& path) {
    auto document = std::make_unique<COrvantixDoc>(MakeDocumentServices());
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool opened = document->Open(path);
    QApplication::restoreOverrideCursor();
    // A file that cannot be read leaves no window behind; the document showed why.
    if (!opened) return nullptr;
    // The registration rule applies to opened files as well as saved ones.
    MakeDocumentServices().registerFileType(path);
    return AddWindow(std::move(document));
}

std::filesystem::path CLumaprismApp::ProposedOpenName() const {
    if (m_settings.recentFiles[0].empty()) return m_folders.Folder(DataFolder::Picture) / kSamplePictureName;
    return std::filesystem::path(m_settings.recentFiles[0]);
}

void CLumaprismApp::OnFileOpen() {
    for (const std::filesystem::path& path : m_chooser->OpenFileNames(m_main.get(), ProposedOpenName(), false))
        if (OpenDocumentFile(path)) AskWizardStep();
}

CChildFrame* CLumaprismApp::OnPaste() {
    std::unique_ptr<COrvantixDoc> document = COrvantixDoc::Paste(*m_clipboard, MakeDocumentServices());
    if (!document) return nullptr;
    return AddWindow(std::move(document));
}

bool CLumaprismApp::CloseAll() {
    for (QMdiSubWindow* window : m_main->MdiArea()->subWindowList())
        if (!window->close()) return false;
    return true;
}

void CLumaprismApp::AddToRecentFiles(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    const std::string entry = (ec ? path : absolute.lexically_normal()).string();
    auto& files = m_settings.recentFiles;
    auto it = std::find(files.begin(), files.end(), entry);
    if (it == files.end()) it = files.end() - 1;
    std::rotate(files.begin(), it, it + 1);
    files[0] = entry;
    m_main->SetRecentFiles(files);
}

void CLumaprismApp::OpenRecent(int index) {
    const std::string file = m_settings.recentFiles[std::size_t(index)];
    if (file.empty()) return;
    if (OpenDocumentFile(file)) {
        AskWizardStep();
        return;
    }
    // A file that can no longer be opened leaves the list.
    auto& files = m_settings.recentFiles;
    auto it = std::find(files.begin(), files.end(), file);
    if (it != files.end()) {
        std::rotate(it, it + 1, files.end());
        files.back().clear();
    }
    m_main->SetRecentFiles(files);
}

CAskWizardDialog* CLumaprismApp::AskWizardDialog() const { return m_askWizard.data(); }

void CLumaprismApp::AskWizardStep() {
    if (m_settings.pbWizard == 0) return;
    ++m_askWizardSteps;
    // Several files opened at once get one question, for the last of them.
    if (m_askWizard) return;
    auto* dialog = new CAskWizardDialog(m_main.get(), true);
    m_askWizard = dialog;
    connect(dialog, &QDialog::finished, this, [this, dialog](int result) {
        m_settings.pbWizard = dialog->AskEveryTimeBox()->isChecked() ? 1 : 0;
        dialog->deleteLater();
        m_main->UpdateCommandStates();
        // The picture may have been closed while the question was open.
        if (result == QDialog::Accepted && m_main->ActivePictureWindow()) m_main->Wizards().StartMaster();
    });
    // Window-modal without blocking the open command: the event loop runs it.
    dialog->open();
}

void CLumaprismApp::ShowWelcomeScreen() {
    m_welcome = new CWelcomeDialog(m_main.get(), m_settings.welcomeScreen != 0);
    m_welcome->Button(CWelcomeDialog::QuickStart)->setEnabled(!m_manual.empty());
    m_welcome->Button(CWelcomeDialog::OpenRecent)->setEnabled(!m_settings.recentFiles[0].empty());
    m_welcome->Button(CWelcomeDialog::Paste)->setEnabled(m_clipboard->HasPicture());
    connect(m_welcome, &CWelcomeDialog::ShowAtStartChanged, this, [this](bool on) {
        m_settings.welcomeScreen = on ? 1 : 0;
        m_main->UpdateCommandStates();
    });
    connect(m_welcome, &QDialog::finished, this, [this] {
        CWelcomeDialog* dialog = m_welcome;
        m_welcome = nullptr;
        const int choice = dialog->Chosen();
        dialog->deleteLater();
        OnWelcomeChoice(choice);
    });
    // Window-modal, without blocking start-up: the event loop runs it.
    m_welcome->open();
}

void CLumaprismApp::OnWelcomeChoice(int choice) {
    switch (choice) {
        case CWelcomeDialog::OpenPicture:
            OnFileOpen();
            break;
        case CWelcomeDialog::OpenRecent:
            m_main->showMaximized();
            OpenRecent(0);
            break;
        case CWelcomeDialog::Paste:
            OnPaste();
            break;
        case CWelcomeDialog::Scan:
            m_main->showMaximized();
            Acquire();
            break;
        case CWelcomeDialog::QuickStart:
            m_main->showMaximized();
            OpenHelpTopic(cmd::HelpTopic(cmd::kHelpQuickStart));
            break;
        default:
            m_main->showMaximized();
            break;
    }
    m_main->UpdateCommandStates();
}

void CLumaprismApp::OpenHelpTopic(int topic) {
    if (m_manual.empty()) {
        m_prompter->Message("The Lumaprism manual is not installed: it belongs in share/lumaprism/help beside the "
                            "program's folder.",
                            "Lumaprism", PromptIcon::Stop);
        return;
    }
    const std::string url = ManualUrl(m_manual, HelpPlaceOf(topic));
    if (m_services.openUrl)
        m_services.openUrl(url);
    else if (!QDesktopServices::openUrl(QUrl(QString::fromStdString(url))))
        m_prompter->Message("No program to show the manual was found; it is at " + url, "Lumaprism",
                            PromptIcon::Stop);
}

void CLumaprismApp::ShowAbout() {
    QMessageBox::about(m_main.get(), QStringLiteral("About Lumaprism"),
                       QStringLiteral("Lumaprism Version %1\n\nPicture editor and web-graphics optimizer.")
                           .arg(QStringLiteral(LP_VERSION_TEXT)));
}

bool CLumaprismApp::UpdateCommand(int id, CommandState& state) {
    if (id >= cmd::kFileMru1 && id < cmd::kFileMru1 + kRecentFileCount) {
        state.enabled = !m_settings.recentFiles[std::size_t(id - cmd::kFileMru1)].empty();
        return true;
    }
    switch (id) {
        case cmd::kFileOpen:
        case cmd::kAppAbout:
        case cmd::kOptions:
            return true;
        case cmd::kCloseAll:
            state.enabled = !m_main->MdiArea()->subWindowList().isEmpty();
            return true;
        case cmd::kEditPaste:
            state.enabled = m_clipboard->HasPicture();
            return true;
        case cmd::kAskWizard:
            state.checked = m_settings.pbWizard != 0;
            return true;
        case cmd::kDefaultBrowser:
            return true;
        case cmd::kScanSelect:
            state.enabled = !m_scanBusy;
            return true;
        case cmd::kScanAcquire:
            state.enabled = !Scanning() && !m_scanBusy;
            return true;
        case cmd::kHelpIntroduction:
        case cmd::kHelpQuickStart:
        case cmd::kHelpIndex:
            state.enabled = !m_manual.empty();
            return true;
        case cmd::kWallpaperTile:
        case cmd::kWallpaperCentered:
        case cmd::kWallpaperStretch:
            state.enabled = m_main->ActivePictureWindow() && m_main->ActivePictureWindow()->Document().HasPicture();
            return true;
        default:
            return false;
    }
}

CTwainConnector& CLumaprismApp::Twain() {
    if (m_twain) return *m_twain;
    CSaneSourceManager::Callbacks callbacks;
    callbacks.choose = [this](std::span<const ScanDevice> devices, std::size_t initial) -> std::optional<std::size_t> {
        if (m_services.chooseScanSource) return m_services.chooseScanSource(devices, initial);
        // The list is shown without the wait cursor of the command around it.
        QApplication::restoreOverrideCursor();
        CSelectSourceDlg dialog(devices, initial, m_main.get());
        const bool chosen = dialog.exec() == QDialog::Accepted && !devices.empty();
        QApplication::setOverrideCursor(Qt::WaitCursor);
        if (!chosen) return std::nullopt;
        return dialog.Chosen();
    };
    // Both come from the scanning worker: they reach the window's thread queued.
    callbacks.post = [this](SourceMessage message) {
        QMetaObject::invokeMethod(this, [this, message] { OnScanMessage(message); }, Qt::QueuedConnection);
    };
    callbacks.progress = [this](int rows, int lines) {
        QMetaObject::invokeMethod(this, [this, rows, lines] { OnScanProgress(rows, lines); }, Qt::QueuedConnection);
    };
    callbacks.wait = [this](std::string_view what, const std::function<bool()>& finished) {
        WaitForScanner(what, finished);
    };
    auto manager = m_services.scanLibrary.empty()
                       ? std::make_unique<CSaneSourceManager>(std::move(callbacks))
                       : std::make_unique<CSaneSourceManager>(std::move(callbacks), m_services.scanLibrary);
    m_sane = manager.get();
    m_twain = std::make_unique<CTwainConnector>(std::move(manager), *m_prompter, [this](Picture picture) {
        if (auto document = COrvantixDoc::NewUntitled(std::move(picture), MakeDocumentServices()))
            AddWindow(std::move(document));
    });
    const QScreen* screen = QGuiApplication::primaryScreen();
    m_twain->SetPaletteDisplay(screen && screen->depth() <= 8);
    return *m_twain;
}

bool CLumaprismApp::Scanning() const { return m_twain && m_twain->SourceEnabled(); }

void CLumaprismApp::WaitForScanner(std::string_view what, const std::function<bool()>& finished) {
    if (m_closing || !m_main) return;  // the manager blocks instead
    CStatusProgress& status = m_main->StatusProgress();
    const QString before = status.Message();
    const bool own = !status.Running();
    if (own)
        status.Begin(0, 0, what);  // a busy bar: SANE tells nothing of how long
    else
        status.SetText(what);
    m_main->UpdateCommandStates();
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (finished()) loop.quit();
    });
    poll.start();
    // Returns at once when the application is quitting; the manager then waits the rest.
    if (!finished()) loop.exec();
    status.SetText(before.toStdString());  // the wait's text would outlive it
    if (own) status.End();
}

void CLumaprismApp::Acquire() {
    if (Scanning() || m_scanBusy) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_scanBusy = true;
    Twain().Acquire();
    m_scanBusy = false;
    QApplication::restoreOverrideCursor();
    if (Scanning()) {
        if (!m_scanStop) {
            m_scanStop = new QPushButton(QStringLiteral("Stop"), m_main.get());
            m_scanStop->setObjectName(QStringLiteral("ScanStop"));
            m_scanStop->setAccessibleName(QStringLiteral("Stop"));
            m_scanStop->setToolTip(QStringLiteral("Stops the scan"));
            m_main->statusBar()->addPermanentWidget(m_scanStop);
            connect(m_scanStop, &QPushButton::clicked, this, [this] {
                if (m_sane && Scanning()) m_sane->Stop();
            });
        }
        m_scanStop->show();
        m_main->StatusProgress().Begin(0, 100, "Scanning ..");
    }
    m_main->UpdateCommandStates();
}

void CLumaprismApp::OnScanProgress(int rows, int lines) {
    if (Scanning() && lines > 0) m_main->StatusProgress().Step(long(std::int64_t(rows) * 100 / lines));
}

void CLumaprismApp::OnScanMessage(SourceMessage message) {
    if (!Scanning()) return;
    m_main->StatusProgress().End();
    if (m_scanStop) m_scanStop->hide();
    m_scanBusy = true;
    m_twain->OnSourceMessage(message);
    m_scanBusy = false;
    m_main->UpdateCommandStates();
}

void CLumaprismApp::RunDesktopCommand(const DesktopCommand& command) {
    if (m_services.runProgram) {
        m_services.runProgram(command.program, command.args);
        return;
    }
    QStringList args;
    for (const std::string& arg : command.args) args.append(QString::fromStdString(arg));
    QProcess::startDetached(QString::fromStdString(command.program), args);
}

void CLumaprismApp::SetWallpaper(WallpaperMode mode) {
    CChildFrame* window = m_main->ActivePictureWindow();
    const Picture* picture = window ? window->Document().GetPicture() : nullptr;
    if (!picture) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->size() * screen->devicePixelRatio() : QSize(800, 600);
    const std::filesystem::path file = WallpaperFile(m_folders);
    try {
        WriteWallpaper(*picture, mode, size.width(), size.height(), file, &m_main->StatusProgress());
    } catch (const ImpExpException& e) {
        QApplication::restoreOverrideCursor();
        m_prompter->Message(e.Message(), e.Title(), PromptIcon::Stop);
        return;
    } catch (const std::bad_alloc&) {
        QApplication::restoreOverrideCursor();
        m_prompter->Message("Not Enough Memory", "Lumaprism", PromptIcon::Stop);
        return;
    }
    QApplication::restoreOverrideCursor();
    const auto commands = WallpaperCommands(qEnvironmentVariable("XDG_CURRENT_DESKTOP").toStdString(), file, mode);
    if (!commands) {
        m_prompter->Message(kWallpaperUnsupported, "Lumaprism", PromptIcon::Information);
        return;
    }
    for (const DesktopCommand& command : *commands) RunDesktopCommand(command);
}

void CLumaprismApp::ChooseDefaultViewer() {
    CDefaultViewerDlg dialog(m_settings.defaultBrowser, m_main.get());
    if (dialog.exec() != QDialog::Accepted) return;
    m_settings.defaultBrowser = dialog.Bits();
    if (const auto command = DefaultViewerCommand(m_settings.defaultBrowser)) RunDesktopCommand(*command);
}

bool CLumaprismApp::ExecuteCommand(int id) {
    if (id >= cmd::kFileMru1 && id < cmd::kFileMru1 + kRecentFileCount) {
        OpenRecent(id - cmd::kFileMru1);
        return true;
    }
    switch (id) {
        case cmd::kOptions:
        {
            // From the browser window the sheet opens on its "Transfer" page, and the list follows
            // the browser options after OK.
            CBrFrame* browser = m_main->Browser();
            const bool fromBrowser = browser && m_main->MdiArea()->currentSubWindow() == browser;
            if (RunOptionsSheet(*m_main, fromBrowser ? OptionsCaller::Browser : OptionsCaller::PictureWindow, m_folders,
                                m_services.store) &&
                browser)
                browser->View().OptionsChanged();
            return true;
        }
        case cmd::kFileOpen:
            OnFileOpen();
            return true;
        case cmd::kAppAbout:
            ShowAbout();
            return true;
        case cmd::kCloseAll:
            CloseAll();
            return true;
        case cmd::kEditPaste:
            OnPaste();
            return true;
        case cmd::kAskWizard:
            m_settings.pbWizard = m_settings.pbWizard ? 0 : 1;
            return true;
        case cmd::kDefaultBrowser:
            ChooseDefaultViewer();
            return true;
        case cmd::kScanSelect:
        {
            if (m_scanBusy) return true;
            QApplication::setOverrideCursor(Qt::WaitCursor);
            m_scanBusy = true;
            Twain().SelectSource();
            m_scanBusy = false;
            QApplication::restoreOverrideCursor();
            m_main->UpdateCommandStates();
            return true;
        }
        case cmd::kScanAcquire:
            Acquire();
            return true;
        case cmd::kHelpIntroduction:
        case cmd::kHelpQuickStart:
        case cmd::kHelpIndex:
            OpenHelpTopic(cmd::HelpTopic(id));
            return true;
        case cmd::kWallpaperTile:
            SetWallpaper(WallpaperMode::Tile);
            return true;
        case cmd::kWallpaperCentered:
            SetWallpaper(WallpaperMode::Centered);
            return true;
        case cmd::kWallpaperStretch:
            SetWallpaper(WallpaperMode::Stretch);
            return true;
        default:
            return false;
    }
}

}  // namespace lp
