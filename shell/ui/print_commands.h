#pragma once
#include <QObject>
#include <functional>
#include <memory>

#include "guikit/ui/command_router.h"

class QPrinter;
class QPrintPreviewDialog;
class QWidget;

namespace lp {

class CChildFrame;
class CMainFrame;

/// The printing commands of the main window: "Prin&ting Options", "&Print...",
/// "Print Pre&view" for the active picture window, and "P&rint Setup...", all on the
/// application's one printer. The dialogs of the platform can be replaced (tests).
class CPrintCommands final : public QObject, public CommandTarget {
    Q_OBJECT
public:
    explicit CPrintCommands(CMainFrame& mainFrame);
    ~CPrintCommands() override;

    QPrinter& Printer() { return *m_printer; }

    /// The print dialog before printing; true to print. Default: QPrintDialog.
    std::function<bool(QPrinter&, QWidget* parent)> printDialog;
    /// "P&rint Setup..." and the options' "Print &Setup": the printer choice. Default: QPrintDialog.
    std::function<bool(QPrinter&, QWidget* parent)> printSetupDialog;
    /// The options' "Pa&ge Setup" over the printer with the margins set. Default: QPageSetupDialog.
    std::function<bool(QPrinter&, QWidget* parent)> pageSetupDialog;
    /// Runs the preview dialog. Default: exec.
    std::function<void(QPrintPreviewDialog&)> runPreview;

    /// Opens the options for the active picture window; true when they were confirmed.
    bool PrintingOptions();
    /// Prints the active picture window's picture; false when nothing was printed.
    bool Print();
    void Preview();
    void PrintSetup();

    bool UpdateCommand(int id, CommandState& state) override;
    bool ExecuteCommand(int id) override;

private:
    CChildFrame* PrintableWindow() const;
    /// The rulers of the window hidden while printing or previewing, shown again after.
    class RulersHidden;
    bool PaintPages(QPrinter& printer, CChildFrame& window);

    CMainFrame& m_mainFrame;
    std::unique_ptr<QPrinter> m_printer;
};

}  // namespace lp
