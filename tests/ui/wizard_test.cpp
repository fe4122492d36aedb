// The optimization wizards, their result and the Optimization report in the running program.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "formats/format_table.h"
#include "guikit/ui/command_ids.h"
#include "optimize/ui/group_windows.h"
#include "optimize/ui/optimization_report_dlg.h"
#include "optimize/ui/wizard_launcher.h"
#include "optimize/ui/wizard_sheet.h"
#include "shell/ui/child_frame.h"
#include "shell/ui/main_frame.h"
#include "ui/ui_test_support.h"
#include "web/test_http_server.h"
#include "web/ui/site_jobs.h"
#include "batch/ui/batch_report_window.h"

namespace lp {
namespace {

namespace fs = std::filesystem;
using test::Settle;

bool WaitFor(const std::function<bool()>& done, int ms = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

struct WizardSession {
    test::AppHarness h;
    CMainFrame* main = nullptr;
    explicit WizardSession(const char* name = "photo.bmp") {
        const fs::path file = h.scratch / name;
        SavePictureByExtension(test::PatternPicture(96, 64), file);
        main = &h.Start(file).MainFrame();
        Settle();
    }
    CWizardSheet* Open(int command) {
        main->RouteCommand(command);
        Settle();
        return main->Wizards().Sheet();
    }
};

TEST(Wizards, ColorAutomaticMakesPreviewAndReportAndApplyPromotes) {
    WizardSession s;
    ASSERT_TRUE(s.main->Action(cmd::kWizardColour)->isEnabled());
    CWizardSheet* sheet = s.Open(cmd::kWizardColour);
    ASSERT_NE(sheet, nullptr);
    std::vector<WizardPage> seen{sheet->CurrentPageKind()};
    while (sheet->nextId() != -1) {
        sheet->next();
        seen.push_back(sheet->CurrentPageKind());
    }
    EXPECT_EQ(seen, (std::vector<WizardPage>{WizardPage::Welcome, WizardPage::UserLevel, WizardPage::Summary}));
    auto* list = sheet->findChild<QListWidget*>(QStringLiteral("SummaryList"));
    ASSERT_NE(list, nullptr);
    ASSERT_GE(list->count(), 3);
    EXPECT_EQ(list->item(2)->text(), QStringLiteral("   Automatic Reduction"));
    CChildFrame* master = s.main->PictureWindows().at(0);
    sheet->accept();
    ASSERT_TRUE(WaitFor([&] { return s.main->Wizards().Report() && s.main->Wizards().Report()->isVisible(); }));
    Settle();
    ASSERT_EQ(s.main->PictureWindows().size(), 2u);
    COptimizationReportDlg* report = s.main->Wizards().Report();
    EXPECT_EQ(report->windowTitle(), QStringLiteral("Optimization report"));
    EXPECT_EQ(report->FieldText(QStringLiteral("Window name value")), QStringLiteral("Preview 1  (Color Optimization)"));
    EXPECT_EQ(report->FieldText(QStringLiteral("After optimization label")), QStringLiteral("After Optimization ( GIF )"));
    EXPECT_EQ(report->ApplyButton()->accessibleName(), QStringLiteral("Apply"));
    CChildFrame* preview = s.main->PictureWindows().at(1);
    EXPECT_EQ(s.main->Groups().PreviewNumber(preview), 2);
    EXPECT_LE(preview->Document().ColourCount(), 255);

    report->ApplyButton()->click();
    Settle();
    ASSERT_EQ(s.main->PictureWindows().size(), 1u);
    EXPECT_EQ(s.main->PictureWindows().at(0), preview);  // the result is the master now
    EXPECT_EQ(s.main->Groups().PreviewNumber(preview), 1);
    EXPECT_FALSE(report->isVisible());
    (void)master;
}

TEST(Wizards, TryAgainReopensAndEmptySaveNameKeepsTheWizardOpen) {
    WizardSession s;
    CWizardSheet* sheet = s.Open(cmd::kWizardColour);
    ASSERT_NE(sheet, nullptr);
    while (sheet->nextId() != -1) sheet->next();
    auto* save = sheet->findChild<QCheckBox*>();
    for (QCheckBox* c : sheet->findChildren<QCheckBox*>())
        if (c->text() == QStringLiteral("Save macro as")) save = c;
    ASSERT_NE(save, nullptr);
    save->setChecked(true);
    sheet->findChild<QLineEdit*>(QStringLiteral("SaveMacroName"))->setText(QStringLiteral("   "));
    sheet->accept();
    Settle();
    ASSERT_FALSE(s.h.prompter.Messages().empty());
    EXPECT_EQ(s.h.prompter.Messages().back().text, "Specify a filename for saving the Template");
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(s.main->PictureWindows().size(), 1u);

    save->setChecked(false);
    sheet->accept();
    ASSERT_TRUE(WaitFor([&] { return s.main->Wizards().Report() && s.main->Wizards().Report()->isVisible(); }));
    Settle();
    s.main->Wizards().Report()->TryAgainButton()->click();
    Settle();
    ASSERT_NE(s.main->Wizards().Sheet(), nullptr);
    EXPECT_EQ(s.main->Wizards().Sheet()->Kind(), WizardKind::Color);
    EXPECT_FALSE(s.main->Wizards().Report()->isVisible());
    s.main->Wizards().Sheet()->reject();
    Settle();
}

TEST(Wizards, JpegMediumComparesJpegAndCancelClosesThePreview) {
    WizardSession s;
    CWizardSheet* sheet = s.Open(cmd::kWizardJpeg);
    ASSERT_NE(sheet, nullptr);
    sheet->next();
    ASSERT_EQ(sheet->CurrentPageKind(), WizardPage::JpegLevel);
    for (QRadioButton* r : sheet->PageOf(WizardPage::JpegLevel)->findChildren<QRadioButton*>())
        if (r->text() == QStringLiteral("Medium")) r->click();
    EXPECT_EQ(sheet->Macro().quality, 50);
    sheet->next();
    ASSERT_EQ(sheet->CurrentPageKind(), WizardPage::Summary);
    sheet->accept();
    ASSERT_TRUE(WaitFor([&] { return s.main->Wizards().Report() && s.main->Wizards().Report()->isVisible(); }));
    Settle();
    COptimizationReportDlg* report = s.main->Wizards().Report();
    EXPECT_EQ(report->FieldText(QStringLiteral("After optimization label")), QStringLiteral("After Optimization ( JPG )"));
    EXPECT_EQ(report->Data().masterBytes, s.main->PictureWindows().at(0)->Document().Transfer().jpegBytes0);
    report->CancelButton()->click();
    Settle();
    EXPECT_EQ(s.main->PictureWindows().size(), 1u);
}

TEST(Wizards, JpegMediumResultSavedFromTheReportKeepsItsQuality) {
    // A JPEG master: the result must not fall back to the quality the master was opened with.
    WizardSession s("photo.jpg");
    CWizardSheet* sheet = s.Open(cmd::kWizardJpeg);
    ASSERT_NE(sheet, nullptr);
    sheet->next();
    for (QRadioButton* r : sheet->PageOf(WizardPage::JpegLevel)->findChildren<QRadioButton*>())
        if (r->text() == QStringLiteral("Medium")) r->click();
    sheet->next();
    sheet->accept();
    ASSERT_TRUE(WaitFor([&] { return s.main->Wizards().Report() && s.main->Wizards().Report()->isVisible(); }));
    Settle();
    ASSERT_EQ(s.main->PictureWindows().size(), 2u);
    CChildFrame* preview = s.main->PictureWindows().at(1);
    EXPECT_EQ(preview->Document().JpegQuality(), 50);
    const fs::path saved = s.h.scratch / "medium.jpg";
    s.h.chooser.saveAnswers.push_back(FileChooser::SaveChoice{saved, 0});
    s.main->Wizards().Report()->SaveAsButton()->click();
    Settle();
    ASSERT_EQ(s.main->PictureWindows().size(), 1u);
    EXPECT_EQ(s.main->PictureWindows().at(0), preview);
    EXPECT_EQ(preview->Document().JpegQuality(), 50);
    ASSERT_TRUE(fs::exists(saved));
}

// A screen reader's toggle action checks a radio button without clicking it: the choice counts
// all the same, on every page of choices.
TEST(Wizards, ChoicesCheckedWithoutAClickCount) {
    WizardSession s;
    CWizardSheet* sheet = s.Open(cmd::kWizardJpeg);
    ASSERT_NE(sheet, nullptr);
    sheet->next();
    ASSERT_EQ(sheet->CurrentPageKind(), WizardPage::JpegLevel);
    for (QRadioButton* r : sheet->PageOf(WizardPage::JpegLevel)->findChildren<QRadioButton*>())
        if (r->text() == QStringLiteral("Medium")) r->toggle();
    EXPECT_EQ(sheet->Macro().quality, 50);
    sheet->reject();
    Settle();

    sheet = s.Open(cmd::kWizardColour);
    ASSERT_NE(sheet, nullptr);
    sheet->next();
    ASSERT_EQ(sheet->CurrentPageKind(), WizardPage::UserLevel);
    for (QRadioButton* r : sheet->PageOf(WizardPage::UserLevel)->findChildren<QRadioButton*>())
        if (r->text() == QStringLiteral("Manual")) r->toggle();
    // Manual leads to the colour-count page instead of the summary.
    sheet->next();
    EXPECT_NE(sheet->CurrentPageKind(), WizardPage::Summary);
    sheet->reject();
    Settle();
}

std::string WebFixture(const std::string& name) {
    const auto bytes = test::ReadFileBytes(test::TestDataDir() / "web" / name);
    return std::string(bytes.begin(), bytes.end());
}

/// Runs the Html-Page wizard on the URL, with the output folder, to its Finish.
void RunHtmlWizard(CMainFrame& main, const std::string& url, const fs::path& out) {
    main.RouteCommand(cmd::kWizardHtml);
    Settle();
    CWizardSheet* sheet = main.Wizards().Sheet();
    ASSERT_NE(sheet, nullptr);
    for (int guard = 0; guard < 20; ++guard) {
        if (sheet->CurrentPageKind() == WizardPage::HtmlUrl) {
            sheet->findChild<QLineEdit*>(QStringLiteral("HtmlUrl"))->setText(QString::fromStdString(url));
            sheet->findChild<QLineEdit*>(QStringLiteral("HtmlOutputDirectory"))
                ->setText(QString::fromStdString(out.string()));
            sheet->findChild<QListWidget*>(QStringLiteral("HtmlLevels"))->setCurrentRow(5);  // "All"
        }
        if (sheet->nextId() == -1) break;
        sheet->next();
    }
    ASSERT_EQ(sheet->CurrentPageKind(), WizardPage::Summary);
    sheet->accept();
    Settle();
}

TEST(HtmlPageWizard, MirrorsALocalSiteAndShowsItsReport) {
    test::TestHttpServer server;
    server.Page("/index.html", "<html><body><img src=\"img/photo.jpg\"><a href=\"more.html\">more</a></body></html>");
    server.Page("/more.html", "<html><img src=\"img/photo.jpg\"><img src=\"img/logo.gif\"></html>");
    server.Set("/img/photo.jpg", test::CannedResponse{200, WebFixture("photo.jpg"), {"Content-Type: image/jpeg"}});
    server.Set("/img/logo.gif", test::CannedResponse{200, WebFixture("logo.gif"), {"Content-Type: image/gif"}});
    test::AppHarness h;
    CMainFrame& main = h.Start().MainFrame();
    const fs::path out = h.scratch / "site";
    fs::create_directories(out);
    RunHtmlWizard(main, server.Base() + "/index.html", out);
    CSiteJobs& jobs = main.Wizards().SiteJobs();
    ASSERT_NE(jobs.LastStatusWindow(), nullptr);
    EXPECT_TRUE(jobs.LastStatusWindow()->isVisible());
    ASSERT_TRUE(WaitFor([&] { return jobs.Running() == 0 && jobs.LastReportWindow() != nullptr; }));
    Settle();
    CBatchReportWindow* report = jobs.LastReportWindow();
    EXPECT_TRUE(report->isVisible());
    EXPECT_EQ(report->FieldText(QStringLiteral("Number  of  Html  files  found  :")), QStringLiteral("2 "));
    EXPECT_EQ(report->FieldText(QStringLiteral("Images found :")), QStringLiteral("2 "));
    EXPECT_EQ(report->FieldText(QStringLiteral("URL / Site          :")),
              QString::fromStdString(server.Base() + "/index.html"));
    // The mirrored pages and pictures are in the output folder.
    bool page = false, picture = false;
    for (const auto& entry : fs::recursive_directory_iterator(out)) {
        page = page || entry.path().filename() == "more.html";
        picture = picture || entry.path().filename() == "photo.jpg";
    }
    EXPECT_TRUE(page);
    EXPECT_TRUE(picture);
}

TEST(HtmlPageWizard, StopEndsAJobWaitingForASlowPage) {
    test::TestHttpServer server;
    server.Set("/index.html", test::CannedResponse{200, "<html>late</html>", {"Content-Type: text/html"},
                                                   std::chrono::milliseconds(30000)});
    test::AppHarness h;
    CMainFrame& main = h.Start().MainFrame();
    const fs::path out = h.scratch / "slow";
    fs::create_directories(out);
    RunHtmlWizard(main, server.Base() + "/index.html", out);
    CSiteJobs& jobs = main.Wizards().SiteJobs();
    ASSERT_NE(jobs.LastStatusWindow(), nullptr);
    ASSERT_TRUE(WaitFor([&] { return !server.Requests().empty(); }));
    EXPECT_EQ(jobs.Running(), 1u);
    QElapsedTimer stopped;
    stopped.start();
    jobs.LastStatusWindow()->StopButton()->click();
    // Far below the page's 30 s: the fetch gave up on the stop, not on the page.
    ASSERT_TRUE(WaitFor([&] { return jobs.Running() == 0; }, 10000));
    RecordProperty("stop_to_end_ms", int(stopped.elapsed()));
    EXPECT_LT(stopped.elapsed(), 10000);
    Settle();
}

TEST(HtmlPageWizard, AnUnreachableSiteEndsWithItsErrorInTheStatusWindow) {
    // A port that nobody listens on: taken from the system, then given back.
    int port = 0;
    {
        test::TestHttpServer closed;
        port = closed.Port();
    }
    test::AppHarness h;
    CMainFrame& main = h.Start().MainFrame();
    const fs::path out = h.scratch / "unreachable";
    fs::create_directories(out);
    RunHtmlWizard(main, "http://127.0.0.1:" + std::to_string(port) + "/index.html", out);
    CSiteJobs& jobs = main.Wizards().SiteJobs();
    ASSERT_NE(jobs.LastStatusWindow(), nullptr);
    ASSERT_TRUE(WaitFor([&] { return jobs.Running() == 0; }));
    Settle();
    CSiteStatusWindow* status = jobs.LastStatusWindow();
    ASSERT_NE(status, nullptr);  // kept open with the error for the user to read
    EXPECT_TRUE(status->Text().startsWith(QStringLiteral("Attempts to connect to the server failed."))) << status->Text().toStdString();
    EXPECT_EQ(status->StopButton()->text(), QStringLiteral("Close"));
    EXPECT_EQ(jobs.LastReportWindow(), nullptr);
}

// The wizard's JPEG page and the report it ends with, as the program shows them, for the README.
TEST(Screenshot, JpegWizardAndItsOptimizationReport) {
    WizardSession s;
    const char* dir = std::getenv("LP_SCREENSHOT_DIR");
    const fs::path folder = dir && *dir ? fs::path(dir) : fs::current_path();
    CWizardSheet* sheet = s.Open(cmd::kWizardJpeg);
    ASSERT_NE(sheet, nullptr);
    sheet->show();
    sheet->next();
    ASSERT_EQ(sheet->CurrentPageKind(), WizardPage::JpegLevel);
    for (QRadioButton* r : sheet->PageOf(WizardPage::JpegLevel)->findChildren<QRadioButton*>())
        if (r->text() == QStringLiteral("Medium")) r->click();
    Settle();
    const QImage page = sheet->grab().toImage();
    EXPECT_GT(page.width(), 200);
    EXPECT_TRUE(page.save(QString::fromStdString((folder / "lumaprism-jpeg-wizard.png").string())));
    sheet->next();
    sheet->accept();
    ASSERT_TRUE(WaitFor([&] { return s.main->Wizards().Report() && s.main->Wizards().Report()->isVisible(); }));
    Settle();
    COptimizationReportDlg* report = s.main->Wizards().Report();
    // The figures the picture shows are the ones the report holds.
    EXPECT_FALSE(report->FieldText(QStringLiteral("After bytes")).isEmpty());
    EXPECT_FALSE(report->FieldText(QStringLiteral("Improvement value")).isEmpty());
    const QImage shot = report->grab().toImage();
    EXPECT_GT(shot.width(), 200);
    EXPECT_TRUE(shot.save(QString::fromStdString((folder / "lumaprism-optimization-report.png").string())));
    report->CancelButton()->click();
    Settle();
}

}  // namespace
}  // namespace lp
