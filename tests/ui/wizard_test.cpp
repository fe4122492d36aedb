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
    WizardSession() {
        const fs::path file = h.scratch / "photo.bmp";
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

}  // namespace
}  // namespace lp
