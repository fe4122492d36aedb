#include "shell/ui/print_commands.h"

#include <QApplication>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPointer>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "base/prompter.h"
#include "base/settings.h"
#include "document/picture_document.h"
#include "guikit/ui/command_ids.h"
#include "shell/ui/child_frame.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/orvantix_view.h"
#include "shell/ui/picture_printer.h"
#include "shell/ui/print_options_dlg.h"
#include "shell/ui/ruler.h"
#include "shell/ui/status_progress.h"

namespace lp {

namespace {

constexpr const char* kCaption = "Lumaprism";

std::array<std::int32_t, 4> ThousandthsOf(const QMarginsF& inches) {
    auto t = [](qreal v) { return std::int32_t(std::lround(v * 1000)); };
    return {t(inches.left()), t(inches.top()), t(inches.right()), t(inches.bottom())};
}

}  // namespace

class CPrintCommands::RulersHidden {
public:
    explicit RulersHidden(CChildFrame& window) : m_horz(window.HorzRuler()), m_vert(window.VertRuler()) {
        m_horzShown = m_horz && !m_horz->isHidden();
        m_vertShown = m_vert && !m_vert->isHidden();
        if (m_horz) m_horz->hide();
        if (m_vert) m_vert->hide();
    }
    ~RulersHidden() {
        if (m_horz && m_horzShown) m_horz->show();
        if (m_vert && m_vertShown) m_vert->show();
    }
    RulersHidden(const RulersHidden&) = delete;
    RulersHidden& operator=(const RulersHidden&) = delete;

private:
    QPointer<Ruler> m_horz;
    QPointer<Ruler> m_vert;
    bool m_horzShown = false;
    bool m_vertShown = false;
};

CPrintCommands::CPrintCommands(CMainFrame& mainFrame)
    : QObject(&mainFrame), m_mainFrame(mainFrame), m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    ClearPageMargins(*m_printer);
    printDialog = [](QPrinter& printer, QWidget* parent) {
        QPrintDialog dialog(&printer, parent);
        dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
        return dialog.exec() == QDialog::Accepted;
    };
    printSetupDialog = printDialog;
    pageSetupDialog = [](QPrinter& printer, QWidget* parent) {
        QPageSetupDialog dialog(&printer, parent);
        return dialog.exec() == QDialog::Accepted;
    };
    runPreview = [](QPrintPreviewDialog& dialog) { dialog.exec(); };
}

CPrintCommands::~CPrintCommands() = default;

CChildFrame* CPrintCommands::PrintableWindow() const {
    CChildFrame* window = m_mainFrame.ActivePictureWindow();
    return window && window->Document().HasPicture() ? window : nullptr;
}

bool CPrintCommands::UpdateCommand(int id, CommandState& state) {
    switch (id) {
        case cmd::kPrintingOptions:
        case cmd::kFilePrint:
        case cmd::kFilePrintPreview:
            state.enabled = PrintableWindow() != nullptr;
            return true;
        case cmd::kFilePrintSetup:
            state.enabled = true;
            return true;
        default:
            return false;
    }
}

bool CPrintCommands::ExecuteCommand(int id) {
    switch (id) {
        case cmd::kPrintingOptions:
            PrintingOptions();
            return true;
        case cmd::kFilePrint:
            Print();
            return true;
        case cmd::kFilePrintPreview:
            Preview();
            return true;
        case cmd::kFilePrintSetup:
            PrintSetup();
            return true;
        default:
            return false;
    }
}

bool CPrintCommands::PrintingOptions() {
    CChildFrame* window = PrintableWindow();
    if (!window) return false;
    const Picture* picture = window->Document().GetPicture();
    PrintSettings& settings = window->View().Printing();
    // A view without margins of its own takes the page setup's proposal.
    if (settings.margins == std::array<std::int32_t, 4>{0, 0, 0, 0}) settings.margins = DefaultPageMargins();
    CPrintOptionsDlg dialog(picture->Width(), picture->Height(), CapsOf(*m_printer), settings.margins,
                            m_mainFrame.Settings().units.unit, &m_mainFrame.GetPrompter(), &m_mainFrame);
    dialog.SetPrintSetup([this, &dialog]() -> std::optional<PrinterCaps> {
        if (!printSetupDialog(*m_printer, &dialog)) return std::nullopt;
        ClearPageMargins(*m_printer);
        return CapsOf(*m_printer);
    });
    dialog.SetPageSetup(
        [this, &dialog](const std::array<std::int32_t, 4>& margins) -> std::optional<std::array<std::int32_t, 4>> {
            m_printer->setPageMargins(
                QMarginsF(margins[0] / 1000.0, margins[1] / 1000.0, margins[2] / 1000.0, margins[3] / 1000.0),
                QPageLayout::Inch);
            const bool ok = pageSetupDialog(*m_printer, &dialog);
            const auto chosen = ThousandthsOf(m_printer->pageLayout().margins(QPageLayout::Inch));
            // The options keep the margins; the printer's own stay at zero.
            ClearPageMargins(*m_printer);
            if (!ok) return std::nullopt;
            return chosen;
        });
    if (m_mainFrame.openHelpTopic) dialog.SetHelp(m_mainFrame.openHelpTopic);
    if (dialog.exec() != QDialog::Accepted || !dialog.Result()) return false;
    settings = *dialog.Result();
    return true;
}

bool CPrintCommands::PaintPages(QPrinter& printer, CChildFrame& window) {
    const Picture* picture = window.Document().GetPicture();
    if (!picture) return false;
    std::string error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = PaintPicturePages(printer, *picture, window.View().Printing(), &window.StatusProgress(), &error);
    QApplication::restoreOverrideCursor();
    if (!ok) m_mainFrame.GetPrompter().Message(error, kCaption, PromptIcon::Stop);
    return ok;
}

bool CPrintCommands::Print() {
    CChildFrame* window = PrintableWindow();
    if (!window) return false;
    if (!printDialog(*m_printer, &m_mainFrame)) return false;
    // The print options hold the margins; the dialog's own page margins do not add to them.
    ClearPageMargins(*m_printer);
    RulersHidden hidden(*window);
    return PaintPages(*m_printer, *window);
}

void CPrintCommands::Preview() {
    CChildFrame* window = PrintableWindow();
    if (!window) return;
    RulersHidden hidden(*window);
    QPrintPreviewDialog dialog(m_printer.get(), &m_mainFrame);
    dialog.setWindowTitle(QStringLiteral("Print Preview"));
    QPointer<CChildFrame> guarded(window);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this, guarded](QPrinter* printer) {
        if (guarded) PaintPages(*printer, *guarded);
    });
    runPreview(dialog);
}

void CPrintCommands::PrintSetup() {
    if (printSetupDialog(*m_printer, &m_mainFrame)) ClearPageMargins(*m_printer);
}

}  // namespace lp
