// Printing to PDF files: the pages, their labels and their ink, checked with poppler's tools;
// the print options dialog; the commands of a picture window; the command line's print request.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPageSize>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTimer>
#include <cstdlib>
#include <regex>

#include "formats/format_table.h"
#include "guikit/ui/command_ids.h"
#include "shell/print_options.h"
#include "shell/ui/child_frame.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/orvantix_view.h"
#include "shell/ui/picture_printer.h"
#include "shell/ui/print_commands.h"
#include "shell/ui/print_options_dlg.h"
#include "shell/ui/ruler.h"
#include "tools/ui/resize_dialog.h"
#include "ui/ui_test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;

#define SKIP_WITHOUT_POPPLER()                                                                                   \
    do {                                                                                                         \
        if (!PopplerPresent()) GTEST_SKIP() << "poppler-utils (pdfinfo, pdftotext, pdftoppm) are not installed"; \
    } while (0)

bool PopplerPresent() {
    for (const char* tool : {"pdfinfo", "pdftotext", "pdftoppm"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) return false;
    return true;
}

std::string Run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    process.waitForFinished(60000);
    return process.readAllStandardOutput().toStdString();
}

int PdfPages(const fs::path& pdf) {
    const std::string info = Run(QStringLiteral("pdfinfo"), {QString::fromStdString(pdf.string())});
    std::smatch m;
    if (!std::regex_search(info, m, std::regex(R"(Pages:\s+(\d+))"))) return -1;
    return std::stoi(m[1]);
}

std::string PdfText(const fs::path& pdf, int page) {
    return Run(QStringLiteral("pdftotext"),
               {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"), QString::number(page),
                QString::fromStdString(pdf.string()), QStringLiteral("-")});
}

/// Page n rendered at dpi dots per inch.
QImage RenderPage(const fs::path& pdf, int page, int dpi) {
    const fs::path prefix = pdf.parent_path() / ("page" + std::to_string(page));
    Run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
         QString::number(page), QStringLiteral("-singlefile"), QStringLiteral("-png"),
         QString::fromStdString(pdf.string()), QString::fromStdString(prefix.string())});
    return QImage(QString::fromStdString(prefix.string() + ".png"));
}

/// Share of dark pixels (the ink) inside a rectangle of a rendered page.
double Ink(const QImage& image, QRect area) {
    long dark = 0, all = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x, ++all) dark += qGray(image.pixel(x, y)) < 128;
    return all ? double(dark) / all : 0;
}

/// A PDF printer at 100 dots per inch on letter paper: 850 x 1100 dots, no margins.
std::unique_ptr<QPrinter> PdfPrinter(const fs::path& pdf) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(pdf.string()));
    printer->setResolution(100);
    printer->setPageSize(QPageSize(QPageSize::Letter));
    ClearPageMargins(*printer);
    return printer;
}

Picture Solid(int w, int h, std::int32_t colour) {
    Picture p;
    p.Create(w, h);
    p.Fill(colour);
    return p;
}

/// Thirds of pure cyan, magenta and yellow from left to right.
Picture InkThirds(int w, int h) {
    Picture p = Solid(w, h, 0);
    const std::int32_t inks[] = {0xFFFF00, 0xFF00FF, 0x00FFFF};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) test::SetPixel(p, x, y, inks[x * 3 / w]);
    return p;
}

TEST(PrintPdf, PrinterCapsOfTheTestPrinter) {
    test::ScratchDir scratch;
    auto printer = PdfPrinter(scratch / "x.pdf");
    EXPECT_EQ(CapsOf(*printer), (PrinterCaps{100, 100, 850, 1100}));
}

TEST(PrintPdf, PageCountsForFitKeepCustomAndTiling) {
    SKIP_WITHOUT_POPPLER();
    test::ScratchDir scratch;
    const PrinterCaps caps{100, 100, 850, 1100};
    struct Case {
        const char* name;
        int w, h;
        PrintSizeMode mode;
        int percent;  // custom only
        PrintSeparation separation;
        int pages;
    };
    const Case cases[] = {
        {"fit", 2000, 500, PrintSizeMode::FitToPage, 0, PrintSeparation::Colour, 1},
        {"keep", 2000, 500, PrintSizeMode::KeepSize, 0, PrintSeparation::Colour, 3},
        {"custom", 400, 400, PrintSizeMode::Custom, 300, PrintSeparation::Colour, 4},  // 1200 x 1200 dots
        {"custom-cmy", 400, 400, PrintSizeMode::Custom, 300, PrintSeparation::Cmy, 12},
    };
    for (const Case& c : cases) {
        PrintOptionsModel model(c.w, c.h, caps, {0, 0, 0, 0}, MeasureUnit::Pixel);
        model.SetSizeMode(c.mode);
        model.SetSeparation(c.separation);
        if (c.mode == PrintSizeMode::Custom) model.SetXPercent(c.percent);
        ASSERT_EQ(model.PagesText(), std::to_string(c.pages)) << c.name;
        const PrintSettings settings = std::get<PrintSettings>(model.Accept());
        const fs::path pdf = scratch / (std::string(c.name) + ".pdf");
        auto printer = PdfPrinter(pdf);
        std::string error;
        ASSERT_TRUE(PaintPicturePages(*printer, test::PatternPicture(c.w, c.h), settings, nullptr, &error)) << error;
        EXPECT_EQ(PdfPages(pdf), c.pages) << c.name;
    }
}

TEST(PrintPdf, TiledPagesShowTheirPartAndTheLastColumnIsCut) {
    SKIP_WITHOUT_POPPLER();
    test::ScratchDir scratch;
    // 1000 x 100 at keep size: 850 dots on page 1, the last 150 on page 2.
    Picture picture = Solid(1000, 100, 0xFFFFFF);
    for (int y = 0; y < 100; ++y)
        for (int x = 850; x < 1000; ++x) test::SetPixel(picture, x, y, 0);
    PrintSettings s;
    s.printWidth = 1000;
    s.printHeight = 100;
    s.planes = 1;
    const fs::path pdf = scratch / "tiles.pdf";
    auto printer = PdfPrinter(pdf);
    ASSERT_TRUE(PaintPicturePages(*printer, picture, s, nullptr, nullptr));
    ASSERT_EQ(PdfPages(pdf), 2);
    const QImage first = RenderPage(pdf, 1, 100);
    const QImage second = RenderPage(pdf, 2, 100);
    ASSERT_FALSE(first.isNull());
    ASSERT_FALSE(second.isNull());
    EXPECT_LT(Ink(first, QRect(5, 5, 830, 90)), 0.01);     // the white part
    EXPECT_GT(Ink(second, QRect(5, 5, 140, 90)), 0.99);    // the black end, at the page's start
    EXPECT_LT(Ink(second, QRect(160, 5, 600, 90)), 0.01);  // and nothing after it
}

TEST(PrintPdf, CmykSeparationsGiveFourLabelledPlatesWithTheirOwnInk) {
    SKIP_WITHOUT_POPPLER();
    test::ScratchDir scratch;
    PrintSettings s;
    s.printWidth = 600;  // ten dots per pixel
    s.printHeight = 300;
    s.planes = 4;
    const fs::path pdf = scratch / "cmyk.pdf";
    auto printer = PdfPrinter(pdf);
    ASSERT_TRUE(PaintPicturePages(*printer, InkThirds(60, 30), s, nullptr, nullptr));
    ASSERT_EQ(PdfPages(pdf), 4);
    const char* labels[] = {"Cyan Plane", "Magenta Label", "Yellow Plane", "Black Plane"};
    // Inside each third (30 dots of border, then 200 dots a third), with a little room.
    const QRect thirds[] = {QRect(40, 40, 180, 280), QRect(240, 40, 180, 280), QRect(440, 40, 180, 280)};
    for (int page = 1; page <= 4; ++page) {
        const std::string text = PdfText(pdf, page);
        EXPECT_NE(text.find(labels[page - 1]), std::string::npos) << page << ": " << text;
        for (int other = 0; other < 4; ++other)
            if (other != page - 1) EXPECT_EQ(text.find(labels[other]), std::string::npos) << page << ": " << text;
        const QImage image = RenderPage(pdf, page, 100);
        ASSERT_FALSE(image.isNull()) << page;
        for (int third = 0; third < 3; ++third) {
            const double ink = Ink(image, thirds[third]);
            // Plate n prints the n-th ink only; the black plate prints none of the three.
            if (third == page - 1)
                EXPECT_GT(ink, 0.99) << "page " << page << " third " << third;
            else
                EXPECT_LT(ink, 0.01) << "page " << page << " third " << third;
        }
        // Registration marks in the border off the picture's corners, none elsewhere in it.
        EXPECT_GT(Ink(image, QRect(5, 5, 20, 20)), 0.02) << page;
        EXPECT_GT(Ink(image, QRect(635, 335, 20, 20)), 0.02) << page;
        EXPECT_LT(Ink(image, QRect(700, 500, 100, 100)), 0.001) << page;
    }
}

TEST(PrintPdf, MarginsThatLeaveNoRoomPrintNothingAndSaySo) {
    test::ScratchDir scratch;
    PrintSettings s;
    s.margins = {5000, 0, 5000, 0};
    auto printer = PdfPrinter(scratch / "none.pdf");
    std::string error;
    EXPECT_FALSE(PaintPicturePages(*printer, Solid(10, 10, 0), s, nullptr, &error));
    EXPECT_NE(error.find("margins"), std::string::npos) << error;
}

// ---------------------------------------------------------------------------------------------
// The dialog

TEST(PrintOptionsDialog, ShowsTheModelAndForwardsEdits) {
    ScriptedPrompter prompter;
    CPrintOptionsDlg dialog(200, 100, {100, 100, 850, 1100}, {1000, 500, 1000, 500}, MeasureUnit::Cm, &prompter);
    // Names a screen reader says are the labels a user reads.
    EXPECT_EQ(dialog.SizeModeButton(PrintSizeMode::FitToPage)->accessibleName(), QStringLiteral("Fit To Page"));
    EXPECT_EQ(dialog.ProportionalBox()->text(), QStringLiteral("&Propotional"));
    EXPECT_EQ(dialog.ProportionalBox()->accessibleName(), QStringLiteral("Propotional"));
    EXPECT_EQ(dialog.SeparationButton(PrintSeparation::Cmyk)->accessibleName(), QStringLiteral("CMYK"));
    EXPECT_EQ(dialog.WidthField()->accessibleName(), QStringLiteral("X Axis"));
    EXPECT_EQ(dialog.PagesLabel()->accessibleName(), QStringLiteral("# Pages"));
    EXPECT_EQ(dialog.MarginLabel(kMarginTop)->accessibleName(), QStringLiteral("Top"));

    EXPECT_EQ(dialog.ResolutionLabel()->text(), QStringLiteral("  100 Dpi x 100 Dpi"));
    EXPECT_EQ(dialog.MarginLabel(kMarginLeft)->text(), QStringLiteral("1.00\""));
    EXPECT_EQ(dialog.MarginLabel(kMarginBottom)->text(), QStringLiteral("0.50\""));
    EXPECT_TRUE(dialog.SizeModeButton(PrintSizeMode::FitToPage)->isChecked());
    EXPECT_TRUE(dialog.UnitButton(MeasureUnit::Cm)->isChecked());
    EXPECT_FALSE(dialog.WidthField()->isEnabled());
    EXPECT_FALSE(dialog.ProportionalBox()->isEnabled());
    // 6.5 inches across: fitted to the width.
    EXPECT_EQ(dialog.WidthField()->Text(), QStringLiteral("16.51"));
    EXPECT_EQ(dialog.PagesLabel()->text(), QStringLiteral("1"));

    dialog.SeparationButton(PrintSeparation::Cmyk)->click();
    EXPECT_EQ(dialog.PagesLabel()->text(), QStringLiteral("4"));
    EXPECT_EQ(dialog.PagesLabel()->accessibleDescription(), QStringLiteral("4"));
    dialog.SizeModeButton(PrintSizeMode::Custom)->click();
    EXPECT_TRUE(dialog.WidthField()->isEnabled());
    EXPECT_TRUE(dialog.XPercentField()->isEnabled());

    dialog.WidthField()->Edit()->setText(QStringLiteral("1.2.3"));
    emit dialog.WidthField()->Edit()->editingFinished();
    ASSERT_EQ(prompter.Messages().size(), 1u);
    EXPECT_EQ(prompter.Messages()[0].text, "Invalid Data");
    EXPECT_EQ(dialog.HeightField()->Text(), QStringLiteral("2.54"));  // unchanged

    dialog.WidthField()->Edit()->setText(QStringLiteral("5"));
    emit dialog.WidthField()->Edit()->editingFinished();
    EXPECT_EQ(dialog.HeightField()->Text(), QStringLiteral("2.50"));
    EXPECT_EQ(dialog.XPercentField()->value(), 98);
    dialog.UnitButton(MeasureUnit::Inch)->click();
    EXPECT_EQ(dialog.HeightField()->Text(), QStringLiteral("0.98"));
    dialog.HeightField()->stepBy(1);  // a tenth of an inch more
    EXPECT_EQ(dialog.HeightField()->Text(), QStringLiteral("1.08"));

    dialog.OkButton()->click();
    ASSERT_TRUE(dialog.Result());
    EXPECT_EQ(dialog.Result()->planes, 4);
    EXPECT_EQ(dialog.Result()->printHeight, 108);
    EXPECT_EQ(dialog.Result()->printWidth, 216);
    EXPECT_EQ(dialog.Result()->margins, (std::array<std::int32_t, 4>{1000, 500, 1000, 500}));
}

TEST(PrintOptionsDialog, PrintAndPageSetupApplyTheSizeModeAgain) {
    ScriptedPrompter prompter;
    CPrintOptionsDlg dialog(200, 100, {100, 100, 850, 1100}, {0, 0, 0, 0}, MeasureUnit::Pixel, &prompter);
    EXPECT_FALSE(dialog.PrintSetupButton()->isEnabled());
    dialog.SetPrintSetup([] { return std::optional<PrinterCaps>(PrinterCaps{300, 300, 2550, 3300}); });
    dialog.SetPageSetup([](const std::array<std::int32_t, 4>& current) {
        EXPECT_EQ(current, (std::array<std::int32_t, 4>{0, 0, 0, 0}));
        return std::optional<std::array<std::int32_t, 4>>({1000, 0, 1000, 0});
    });
    dialog.PrintSetupButton()->click();
    EXPECT_EQ(dialog.ResolutionLabel()->text(), QStringLiteral("  300 Dpi x 300 Dpi"));
    EXPECT_EQ(dialog.WidthField()->Text(), QStringLiteral("2550"));
    dialog.PageSetupButton()->click();
    EXPECT_EQ(dialog.MarginLabel(kMarginRight)->text(), QStringLiteral("1.00\""));
    EXPECT_EQ(dialog.WidthField()->Text(), QStringLiteral("1950"));
}

// ---------------------------------------------------------------------------------------------
// The commands of a picture window

struct PrintingApp {
    test::AppHarness h;
    fs::path file;
    CLumaprismApp* app = nullptr;
    PrintingApp() {
        file = h.scratch / "inks.bmp";
        SavePictureByExtension(InkThirds(60, 30), file);
        app = &h.Start(file);
    }
    CMainFrame& Frame() { return app->MainFrame(); }
    CChildFrame& Window() { return *Frame().ActivePictureWindow(); }
    /// Answers the next "Printing Options" dialog.
    void AnswerOptions(std::function<void(CPrintOptionsDlg&)> answer) {
        QTimer::singleShot(0, [answer] {
            auto* dialog = qobject_cast<CPrintOptionsDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            answer(*dialog);
        });
    }
    /// The print dialog "chooses" a PDF file at 100 dots per inch on letter paper.
    void PrintTo(const fs::path& pdf) {
        Frame().PrintCommands().printDialog = [pdf](QPrinter& printer, QWidget*) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(QString::fromStdString(pdf.string()));
            printer.setResolution(100);
            printer.setPageSize(QPageSize(QPageSize::Letter));
            return true;
        };
    }
};

TEST(PrintCommands, EnabledWithAPictureAndPrintingFollowsTheOptions) {
    PrintingApp a;
    CMainFrame& frame = a.Frame();
    for (int id : {cmd::kPrintingOptions, cmd::kFilePrint, cmd::kFilePrintPreview, cmd::kFilePrintSetup})
        EXPECT_TRUE(frame.Action(id)->isEnabled()) << frame.Action(id)->text().toStdString();
    EXPECT_EQ(frame.Action(cmd::kFilePrint)->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
    EXPECT_EQ(a.Window().View().Printing(), PrintSettings{});

    // Cancelled: only the margins the view took on opening are kept; the size stays unset.
    a.AnswerOptions([](CPrintOptionsDlg& d) { d.CancelButton()->click(); });
    frame.Action(cmd::kPrintingOptions)->trigger();
    EXPECT_EQ(a.Window().View().Printing().planes, 0);
    EXPECT_EQ(a.Window().View().Printing().printWidth, 0);
    EXPECT_EQ(a.Window().View().Printing().margins, (std::array<std::int32_t, 4>{1000, 1000, 1000, 1000}));

    // Printer capabilities come from the application's printer.
    frame.PrintCommands().Printer().setResolution(100);
    frame.PrintCommands().Printer().setPageSize(QPageSize(QPageSize::Letter));
    a.AnswerOptions([](CPrintOptionsDlg& d) {
        EXPECT_EQ(d.ResolutionLabel()->text(), QStringLiteral("  100 Dpi x 100 Dpi"));
        // The view had no margins: the page setup's proposal of an inch.
        EXPECT_EQ(d.MarginLabel(kMarginLeft)->text(), QStringLiteral("1.00\""));
        d.SizeModeButton(PrintSizeMode::KeepSize)->click();
        d.SeparationButton(PrintSeparation::Cmyk)->click();
        d.OkButton()->click();
    });
    frame.Action(cmd::kPrintingOptions)->trigger();
    const PrintSettings kept = a.Window().View().Printing();
    EXPECT_EQ(kept.planes, 4);
    EXPECT_EQ(kept.printWidth, 60);
    EXPECT_EQ(kept.printHeight, 30);
    EXPECT_EQ(kept.margins, (std::array<std::int32_t, 4>{1000, 1000, 1000, 1000}));

    SKIP_WITHOUT_POPPLER();
    const fs::path pdf = a.h.scratch / "printed.pdf";
    a.PrintTo(pdf);
    const bool rulersShown = !a.Window().HorzRuler()->isHidden();
    frame.Action(cmd::kFilePrint)->trigger();
    EXPECT_EQ(PdfPages(pdf), 4);
    EXPECT_NE(PdfText(pdf, 2).find("Magenta Label"), std::string::npos);
    EXPECT_EQ(!a.Window().HorzRuler()->isHidden(), rulersShown);
    EXPECT_TRUE(a.h.prompter.Messages().empty());
}

TEST(PrintCommands, PreviewPaintsTheSamePagesWithTheRulersHidden) {
    PrintingApp a;
    CMainFrame& frame = a.Frame();
    if (!frame.RulersShown()) frame.ToggleRulers();
    ASSERT_FALSE(a.Window().HorzRuler()->isHidden());
    a.Window().View().Printing().planes = 3;
    int pages = -1;
    bool rulersHidden = false;
    frame.PrintCommands().runPreview = [&](QPrintPreviewDialog& dialog) {
        auto* preview = dialog.findChild<QPrintPreviewWidget*>();
        ASSERT_NE(preview, nullptr);
        preview->updatePreview();
        pages = preview->pageCount();
        rulersHidden = a.Window().HorzRuler()->isHidden() && a.Window().VertRuler()->isHidden();
    };
    frame.Action(cmd::kFilePrintPreview)->trigger();
    EXPECT_EQ(pages, 3);
    EXPECT_TRUE(rulersHidden);
    EXPECT_FALSE(a.Window().HorzRuler()->isHidden());
    EXPECT_FALSE(a.Window().VertRuler()->isHidden());
}

TEST(PrintCommands, DisabledWithoutAPicture) {
    test::AppHarness h;
    CLumaprismApp& app = h.Start();
    CMainFrame& frame = app.MainFrame();
    for (int id : {cmd::kPrintingOptions, cmd::kFilePrint, cmd::kFilePrintPreview})
        EXPECT_FALSE(frame.Action(id)->isEnabled()) << id;
    EXPECT_TRUE(frame.Action(cmd::kFilePrintSetup)->isEnabled());
}

// ---------------------------------------------------------------------------------------------
// The command line

TEST(PrintCommandLine, PrintsToAPdfFileWithoutADisplayAndLogsNothing) {
    SKIP_WITHOUT_POPPLER();
    test::ScratchDir scratch;
    // 600 x 400 pixels of black at the PDF's 1200 dots per inch: half an inch by a third.
    SavePictureByExtension(Solid(600, 400, 0), scratch / "in.bmp");
    test::EnvironmentOverride env;
    env.Set("QT_QPA_PLATFORM", nullptr);
    env.Set("DISPLAY", nullptr);
    env.Set("WAYLAND_DISPLAY", nullptr);
    const auto r = test::RunLumaprism({"-pt", "in.bmp", "out.pdf"}, scratch.Path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find("Refer to Error.log"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(scratch / "Error.log"));
    ASSERT_EQ(PdfPages(scratch / "out.pdf"), 1);
    const QImage page = RenderPage(scratch / "out.pdf", 1, 72);
    ASSERT_FALSE(page.isNull());
    EXPECT_GT(Ink(page, QRect(1, 1, 33, 21)), 0.99);  // 36 x 24 points at the top left
    EXPECT_LT(Ink(page, QRect(38, 0, 40, 24)), 0.01);
    EXPECT_LT(Ink(page, QRect(0, 26, 36, 40)), 0.01);
}

TEST(PrintCommandLine, UnknownPrintersAndFilesFail) {
    test::ScratchDir scratch;
    SavePictureByExtension(Solid(10, 10, 0), scratch / "in.bmp");
    test::EnvironmentOverride env;
    env.Set("QT_QPA_PLATFORM", "offscreen");
    const auto printer = test::RunLumaprism({"-pt", "in.bmp", "No Such Printer"}, scratch.Path());
    EXPECT_EQ(printer.exitCode, 1);
    EXPECT_NE(printer.err.find("No printer named \"No Such Printer\""), std::string::npos) << printer.err;
    const auto file = test::RunLumaprism({"-pt", "missing.bmp", "out.pdf"}, scratch.Path());
    EXPECT_EQ(file.exitCode, 1);
    EXPECT_FALSE(fs::exists(scratch / "out.pdf"));
    // The missing file is the one error the log holds.
    EXPECT_NE(file.err.find("missing.bmp"), std::string::npos) << file.err;
}

// ---------------------------------------------------------------------------------------------

TEST(Screenshot, PrintingOptionsDialog) {
    CPrintOptionsDlg dialog(640, 480, {600, 600, 4800, 6600}, {1000, 1000, 1000, 1000}, MeasureUnit::Cm, nullptr);
    dialog.SeparationButton(PrintSeparation::Cmyk)->click();
    // As the program shows it: with the printer and page setup and the manual at hand.
    dialog.SetPrintSetup([] { return std::optional<PrinterCaps>(); });
    dialog.SetPageSetup(
        [](const std::array<std::int32_t, 4>&) { return std::optional<std::array<std::int32_t, 4>>(); });
    dialog.SetHelp([](int) {});
    dialog.show();
    QApplication::processEvents();
    const QImage shot = dialog.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const char* dir = std::getenv("LP_SCREENSHOT_DIR");
    const fs::path out = fs::path(dir && *dir ? dir : fs::current_path().string()) / "lumaprism-printing-options.png";
    EXPECT_TRUE(shot.save(QString::fromStdString(out.string())));
    EXPECT_GT(shot.width(), 200);
}

}  // namespace
}  // namespace lp
