// The Options sheet over the settings file, and the control panel's Animation page.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <fstream>
#include <set>
#include <sstream>

#include "app/ini_settings_store.h"
#include "batch/ui/transfer_manager.h"
#include "document/ui/animation_page.h"
#include "document/ui/frame_colour_dlg.h"
#include "formats/gif/gif_reader.h"
#include "formats/gif/gif_writer.h"
#include "guikit/ui/command_ids.h"
#include "imaging/colour_count.h"
#include "options/ui/options_sheet_dlg.h"
#include "shell/ui/child_frame.h"
#include "shell/ui/control_panel.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/status_progress.h"
#include "tools/ui/spot_remover_page.h"
#include "ui/ui_test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;
using test::Settle;

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

/// An application whose settings live in a real settings file.
struct FileHarness {
    test::ScratchDir scratch;
    fs::path ini = scratch / "Lumaprism 2.8.ini";
    std::unique_ptr<IniSettingsStore> store;
    ScriptedPrompter prompter;
    test::ScriptedChooser chooser;
    InMemoryClipboard clipboard;
    std::unique_ptr<CLumaprismApp> app;

    explicit FileHarness(const std::string& text = "[Settings]\nWelcomeScreen=0\nPBWizard=0\nUserSettings=1\n") {
        std::ofstream(ini, std::ios::binary) << text;
    }
    CLumaprismApp& Start() {
        store = std::make_unique<IniSettingsStore>(ini);
        CLumaprismApp::Services services;
        services.store = store.get();
        services.prompter = &prompter;
        services.chooser = &chooser;
        services.clipboard = &clipboard;
        services.runProgram = [](const std::string&, const std::vector<std::string>&) {};
        app = std::make_unique<CLumaprismApp>(services);
        app->Startup({});
        Settle();
        return *app;
    }
    ~FileHarness() { app.reset(); }
};

/// Runs the Options command; while its sheet is open, act on it.
void WithOptionsSheet(CMainFrame& frame, const std::function<void(CAllPgSt&)>& act) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* sheet = qobject_cast<CAllPgSt*>(QApplication::activeModalWidget());
        if (!sheet) {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* s = qobject_cast<CAllPgSt*>(w); s && s->isVisible()) sheet = s;
        }
        ASSERT_NE(sheet, nullptr);
        seen = true;
        act(*sheet);
        if (sheet->isVisible()) sheet->reject();
    });
    frame.RouteCommand(cmd::kOptions);
    EXPECT_TRUE(seen);
}

fs::path WriteAnimation(const fs::path& path) {
    GifFrameList frames;
    for (int i = 0; i < 4; ++i) {
        GifFrame f;
        f.delay = 20;
        f.disposal = 1;
        f.left = 4 * i;
        f.picture.Create(40 + 4 * i, 30);
        f.picture.Fill(MakeColour(std::uint8_t(50 * i), 120, 200));
        for (int x = 0; x < 20; ++x) test::SetPixel(f.picture, x, x % 30, MakeColour(std::uint8_t(10 * x), 0, 0));
        frames.Add(std::move(f));
    }
    GifInfo info;
    info.loop = 1;
    SaveGif(frames, info, path);
    return path;
}

TEST(OptionsSheetWindow, OptionsIsEnabledWithAndWithoutAPicture) {
    FileHarness h;
    CMainFrame& frame = h.Start().MainFrame();
    frame.UpdateCommandStates();
    EXPECT_TRUE(frame.Action(cmd::kOptions)->isEnabled());
    EXPECT_TRUE(frame.OptionsButton()->isEnabled());
    ASSERT_NE(h.app->OpenDocumentFile(test::TestDataDir() / "web" / "photo.jpg"), nullptr);
    frame.UpdateCommandStates();
    EXPECT_TRUE(frame.Action(cmd::kOptions)->isEnabled());
}

TEST(OptionsSheetWindow, CancelLeavesTheSettingsAndTheFileAlone) {
    FileHarness h;
    CMainFrame& frame = h.Start().MainFrame();
    const AppSettings before = frame.Settings();
    const std::string fileBefore = ReadText(h.ini);
    WithOptionsSheet(frame, [](CAllPgSt& sheet) {
        EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Options"));
        EXPECT_EQ(sheet.Tabs()->tabText(sheet.Tabs()->currentIndex()), QStringLiteral("Units/Res"));
        sheet.DefaultsPage()->PenWidthList()->setCurrentIndex(6);
        emit sheet.DefaultsPage()->PenWidthList()->activated(6);
        sheet.DefaultsPage()->QualitySlider()->setValue(20);
        sheet.SpotRemoverPage()->Slider()->setValue(80);
        sheet.CancelButton()->click();
    });
    EXPECT_EQ(frame.Settings(), before);
    EXPECT_EQ(ReadText(h.ini), fileBefore);
}

TEST(OptionsSheetWindow, OkWritesTheSettingsFileAndRebuildsTheTransferManager) {
    FileHarness h;
    CLumaprismApp& app = h.Start();
    CMainFrame& frame = app.MainFrame();
    CChildFrame* window = app.OpenDocumentFile(test::TestDataDir() / "web" / "photo.jpg");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(frame.TransferManager().FormatBox(kFormatPng), nullptr);
    EXPECT_EQ(window->CaptionText().indexOf(QStringLiteral("PNG")), -1);
    WithOptionsSheet(frame, [](CAllPgSt& sheet) {
        emit sheet.DefaultsPage()->PenWidthList()->activated(4);  // "5"
        sheet.DefaultsPage()->QualitySlider()->setValue(33);
        CTransferPage* transfer = sheet.TransferPage();
        transfer->SpeedList()->setCurrentIndex(4);  // "56"
        emit transfer->SpeedList()->activated(4);
        transfer->UsePngBox()->setChecked(true);
        sheet.SpotRemoverPage()->Slider()->setValue(80);
        sheet.BrowserPage()->TypeButton(1)->click();
        sheet.OkButton()->click();
    });
    const AppSettings& s = frame.Settings();
    EXPECT_EQ(s.penWidth, 5);
    EXPECT_EQ(s.jpegQuality, 33);
    EXPECT_EQ(s.modemSpeed, 56000);
    EXPECT_EQ(s.usePng, 1);
    EXPECT_EQ(s.spotRemover, 80);
    EXPECT_EQ(frame.SpotParams(), SpotRemoverParams::FromSlider(80));
    EXPECT_EQ(s.optType, 1);
    // The file holds them, and a new start reads them back.
    const std::string text = ReadText(h.ini);
    for (const char* line : {"PenWidth=5", "JpegQuality=33", "ModemSpeed=56000", "Use PNG=1", "SpotRemover=80",
                             "OptType=1"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    EXPECT_EQ(LoadSettings(IniSettingsStore(h.ini)).penWidth, 5);
    // Use PNG changed: the Transfer Manager has its PNG controls and the caption its PNG time.
    EXPECT_NE(frame.TransferManager().FormatBox(kFormatPng), nullptr);
    EXPECT_TRUE(frame.TransferManager().Model().Attached());
    EXPECT_NE(window->CaptionText().indexOf(QStringLiteral("(PNG")), -1);
    EXPECT_EQ(frame.StatusProgress().PaneText(2), QStringLiteral("Modem 56 kbps "));
}

TEST(OptionsSheetWindow, ASettingsFileWithJunkOpensTheSheetWithDefaults) {
    FileHarness h("\x01\x02 junk ]]][[\n[Settings]\nWelcomeScreen=0\nPenWidth=banana\nJpegQuality=4000\n"
                  "ModemSpeed=-5\nUse PNG=7\n[Internet Settings]\nAccess Type=99\n\xff\xfe\n");
    CMainFrame& frame = h.Start().MainFrame();
    WithOptionsSheet(frame, [](CAllPgSt& sheet) {
        CDefaultsPage* d = sheet.DefaultsPage();
        EXPECT_EQ(d->PenWidthList()->currentText(), QStringLiteral("1"));
        EXPECT_EQ(d->QualitySlider()->value(), 75);
        EXPECT_EQ(d->ToleranceField()->value(), 100);
        EXPECT_EQ(sheet.TransferPage()->SpeedList()->currentText(), QStringLiteral("28.8"));
        EXPECT_FALSE(sheet.TransferPage()->UsePngBox()->isChecked());
        EXPECT_TRUE(sheet.InternetPage()->AccessButton(kAccessSystem)->isChecked());
        sheet.OkButton()->click();
    });
    EXPECT_EQ(LoadSettings(IniSettingsStore(h.ini)).jpegQuality, 75);
}

TEST(OptionsSheetWindow, RefusedPagesKeepTheSheetOpen) {
    FileHarness h;
    CMainFrame& frame = h.Start().MainFrame();
    const AppSettings before = frame.Settings();
    WithOptionsSheet(frame, [&](CAllPgSt& sheet) {
        CInternetPage* internet = sheet.InternetPage();
        internet->AccessButton(kAccessProxy)->click();
        EXPECT_TRUE(internet->ServerField()->isEnabled());
        sheet.OkButton()->click();
        EXPECT_TRUE(sheet.isVisible());
        EXPECT_EQ(sheet.Tabs()->currentWidget(), internet);
        ASSERT_FALSE(h.prompter.Messages().empty());
        EXPECT_EQ(h.prompter.Messages().back().text, "Proxy Server Name cannot be EMPTY !");
        internet->ServerField()->setText(QStringLiteral("proxy:99999"));
        emit internet->ServerField()->textEdited(internet->ServerField()->text());
        sheet.OkButton()->click();
        EXPECT_TRUE(sheet.isVisible());
        EXPECT_EQ(h.prompter.Messages().back().text, std::string(kProxyPortRange));
        sheet.CancelButton()->click();
    });
    EXPECT_EQ(frame.Settings(), before);
}

TEST(OptionsSheetWindow, StartPagePerCallerAndRestoringTheDefaultsPage) {
    test::ScratchDir dir;
    AppSettings settings;
    settings.penWidth = 6;
    ScriptedPrompter prompter;
    const DataFolders folders = DataFolders::UnderRoot(dir / "home");
    CAllPgSt browser(settings, OptionsCaller::Browser, folders, prompter);
    EXPECT_EQ(browser.Tabs()->tabText(browser.Tabs()->currentIndex()), QStringLiteral("Transfer"));
    QStringList tabs;
    for (int i = 0; i < browser.Tabs()->count(); ++i) tabs << browser.Tabs()->tabText(i);
    EXPECT_EQ(tabs, (QStringList{"Units/Res", "Spot Remover", "Rotate/Merge", "Defaults", "Transfer", "Internet", "Browser"}));
    CAllPgSt picture(settings, OptionsCaller::PictureWindow, folders, prompter);
    EXPECT_EQ(picture.Tabs()->currentIndex(), 0);
    CDefaultsPage* d = picture.DefaultsPage();
    EXPECT_EQ(d->PenWidthList()->currentText(), QStringLiteral("6"));
    d->RestoreButton()->click();
    EXPECT_EQ(d->PenWidthList()->currentText(), QStringLiteral("1"));
    EXPECT_EQ(picture.Model().defaults.penWidth, 1);
}

/// Every control a user reaches carries the label it shows as its accessible name.
void ExpectNamedControls(QWidget* root) {
    for (QWidget* w : root->findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                             qobject_cast<QSpinBox*>(w) || qobject_cast<QSlider*>(w) || qobject_cast<QComboBox*>(w) ||
                             qobject_cast<QPlainTextEdit*>(w);
        if (!control || qobject_cast<QLineEdit*>(w->parentWidget()) || qobject_cast<QSpinBox*>(w->parentWidget()) ||
            qobject_cast<QComboBox*>(w->parentWidget()) || qobject_cast<QTabBar*>(w->parentWidget()))
            continue;
        EXPECT_FALSE(w->accessibleName().isEmpty()) << w->metaObject()->className() << " "
                                                    << w->objectName().toStdString();
        if (auto* b = qobject_cast<QAbstractButton*>(w); b && !b->text().isEmpty())
            EXPECT_EQ(w->accessibleName(), b->text().remove(QLatin1Char('&')).trimmed());
    }
}

TEST(OptionsSheetWindow, EveryControlHasItsLabelAsAccessibleName) {
    test::ScratchDir dir;
    AppSettings settings;
    ScriptedPrompter prompter;
    CAllPgSt sheet(settings, OptionsCaller::PictureWindow, DataFolders::UnderRoot(dir / "home"), prompter);
    ExpectNamedControls(&sheet);
    FileHarness h;
    ExpectNamedControls(h.Start().MainFrame().ControlPanel()->Page(2));
}

// --- The Animation page ------------------------------------------------------------------------

struct AnimationFixture {
    FileHarness h;
    CMainFrame* frame = nullptr;
    CChildFrame* window = nullptr;
    CAnimationPage* page = nullptr;
    fs::path file;

    AnimationFixture() {
        CLumaprismApp& app = h.Start();
        frame = &app.MainFrame();
        file = WriteAnimation(h.scratch / "anim.gif");
        window = app.OpenDocumentFile(file);
        frame->SelectPage(2);
        page = qobject_cast<CAnimationPage*>(frame->ControlPanel()->Page(2));
        Settle();
    }
    COrvantixDoc& Doc() { return window->Document(); }
};

TEST(AnimationPageWindow, FollowsTheActiveWindowAndSteps) {
    AnimationFixture f;
    ASSERT_NE(f.window, nullptr);
    ASSERT_NE(f.page, nullptr);
    EXPECT_EQ(f.page->Document(), &f.Doc());
    EXPECT_EQ(f.page->FrameText()->text(), QStringLiteral("Frame 1"));
    EXPECT_EQ(f.page->FrameSlider()->maximum(), 3);
    f.page->Button("Next")->click();
    f.page->Button("Next")->click();
    EXPECT_EQ(f.Doc().CurrentFrame(), 2u);
    EXPECT_EQ(f.page->FrameText()->text(), QStringLiteral("Frame 3"));
    EXPECT_EQ(f.page->LeftField()->text(), QStringLiteral("8"));
    EXPECT_TRUE(f.page->Button("Previous")->isEnabled());
    f.page->Button("Last")->click();
    EXPECT_FALSE(f.page->Button("Next")->isEnabled());
    f.page->FrameSlider()->setValue(1);
    EXPECT_EQ(f.Doc().CurrentFrame(), 1u);
    // The menu's Next Frame moves the page too.
    f.frame->RouteCommand(cmd::kNextFrame);
    EXPECT_EQ(f.page->FrameText()->text(), QStringLiteral("Frame 3"));
}

TEST(AnimationPageWindow, FieldsEditTheFrameAndUndoTakesItBack) {
    AnimationFixture f;
    f.page->Button("Next")->click();
    f.page->Button("Next")->click();
    f.page->DelayField()->setText(QStringLiteral("1.5"));
    EXPECT_EQ(f.Doc().Frames()[2].delay, 150);
    // A second point is refused: the value and the text stay.
    f.page->DelayField()->setText(QStringLiteral("1.5."));
    EXPECT_EQ(f.Doc().Frames()[2].delay, 150);
    EXPECT_EQ(f.page->DelayField()->text().count(QLatin1Char('.')), 1);
    f.page->DisposalButton(2)->click();
    EXPECT_EQ(f.Doc().Frames()[2].disposal, 3);
    EXPECT_TRUE(f.Doc().IsModified());
    f.frame->RouteCommand(cmd::kEditUndo);
    EXPECT_EQ(f.Doc().Frames()[2].disposal, 1);
    EXPECT_TRUE(f.page->DisposalButton(0)->isChecked());
    f.page->UserInputBox()->click();
    EXPECT_EQ(f.Doc().Frames()[2].userInput, 1);
    f.page->LeftField()->setText(QStringLiteral("300"));
    emit f.page->LeftField()->textEdited(QStringLiteral("300"));
    EXPECT_EQ(f.Doc().Frames()[2].left, 300);
    f.page->ContinuousBox()->click();
    EXPECT_EQ(f.Doc().AnimationInfo().loop, 0);
    EXPECT_TRUE(f.page->LoopCount()->isEnabled());
    f.page->LoopCount()->setValue(3);
    EXPECT_EQ(f.Doc().AnimationInfo().loopCount, 3);
    f.page->CommentEdit()->setPlainText(QStringLiteral("hi there"));
    EXPECT_EQ(f.Doc().AnimationInfo().comment, "hi there");
    EXPECT_FALSE(f.page->FileSizeText()->text().isEmpty());
    EXPECT_TRUE(f.page->FrameSizeText()->text().endsWith(QStringLiteral(" k")));
}

TEST(AnimationPageWindow, TransparentColourChooserOffersTheFramesOwnColours) {
    FileHarness h;
    CLumaprismApp& app = h.Start();
    // 200 distinct colours, far more than a colour dialog's 16 custom places.
    GifFrameList frames;
    GifFrame f;
    f.delay = 10;
    f.picture.Create(20, 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) test::SetPixel(f.picture, x, y, MakeColour(std::uint8_t(y * 20 + x), 40, 7));
    frames.Add(std::move(f));
    frames.Add(frames[0]);
    const fs::path file = h.scratch / "many.gif";
    GifInfo info;
    SaveGif(frames, info, file);
    CChildFrame* window = app.OpenDocumentFile(file);
    ASSERT_NE(window, nullptr);
    app.MainFrame().SelectPage(2);
    auto* page = qobject_cast<CAnimationPage*>(app.MainFrame().ControlPanel()->Page(2));
    ASSERT_NE(page, nullptr);
    Settle();
    COrvantixDoc& doc = window->Document();
    const std::int64_t distinct = CountColours(*doc.GetPicture());
    ASSERT_EQ(distinct, 200);
    page->TransparentBox()->click();
    ASSERT_TRUE(page->ColourButton()->isEnabled());
    page->ColourButton()->click();
    Settle();
    CFrameColourDlg* chooser = page->ColourChooser();
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(chooser->Swatches().size(), 200u);
    // The 150th swatch is the 150th colour met from the top row.
    std::array<ColourEntry, 256> found{};
    CollectColours(*doc.GetPicture(), found);
    const ColourRef wanted = found[149].ToColour();
    chooser->Swatches()[149]->click();
    EXPECT_EQ(chooser->Chosen(), wanted);
    EXPECT_EQ(chooser->Swatches()[149]->accessibleName(),
              QStringLiteral("%1, %2, %3").arg(RedOf(wanted)).arg(GreenOf(wanted)).arg(BlueOf(wanted)));
    chooser->accept();
    Settle();
    EXPECT_EQ(page->ColourChooser(), nullptr);
    EXPECT_EQ(doc.Frames()[0].transparentColour, wanted);
    EXPECT_EQ(app.Settings().Background(), wanted);
    // Cancel keeps the colour.
    page->ColourButton()->click();
    Settle();
    ASSERT_NE(page->ColourChooser(), nullptr);
    page->ColourChooser()->Swatches()[3]->click();
    page->ColourChooser()->reject();
    Settle();
    EXPECT_EQ(doc.Frames()[0].transparentColour, wanted);
}

TEST(AnimationPageWindow, SpeedApplyScalesTheDelaysAndPlaybackNeverBlocks) {
    AnimationFixture f;
    f.page->SpeedSlider()->setValue(15);
    EXPECT_EQ(f.page->SpeedText()->text(), QStringLiteral("5"));
    EXPECT_NEAR(f.Doc().PlaybackSpeed(), 0.5, 1e-9);
    for (QPushButton* b : f.page->findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("Apply")) b->click();
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(f.Doc().Frames()[i].delay, 10) << i;
    EXPECT_EQ(f.page->SpeedSlider()->value(), 10);
    EXPECT_EQ(f.page->SpeedText()->text(), QStringLiteral("0"));
    // Play returns at once; Stop ends the worker.
    const auto start = std::chrono::steady_clock::now();
    f.page->Button("Play")->click();
    EXPECT_TRUE(f.Doc().IsPlaying());
    Settle();
    f.page->Button("Stop")->click();
    EXPECT_FALSE(f.Doc().IsPlaying());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(AnimationPageWindow, FrameListShowsRowsAndIcons) {
    AnimationFixture f;
    CFrameListView* list = f.page->FrameList();
    ASSERT_EQ(list->Details()->topLevelItemCount(), 4);
    QTreeWidgetItem* row = list->Details()->topLevelItem(3);
    EXPECT_EQ(row->text(0), QStringLiteral("Frame 4"));
    EXPECT_EQ(row->text(1), QStringLiteral("52"));
    EXPECT_EQ(row->text(7), QStringLiteral("12"));
    EXPECT_EQ(row->text(9), QStringLiteral("0.20"));
    EXPECT_EQ(row->text(11), QStringLiteral("Nothing"));
    EXPECT_FALSE(row->icon(0).isNull());
    EXPECT_EQ(list->Details()->headerItem()->text(4), QStringLiteral("Size (Bytes)"));
    EXPECT_EQ(list->Details()->columnWidth(0), 150);
    list->LargeIconAction()->trigger();
    EXPECT_FALSE(list->Detailed());
    EXPECT_EQ(list->Icons()->count(), 4);
    list->Icons()->setCurrentRow(2);
    EXPECT_EQ(f.Doc().CurrentFrame(), 2u);
    list->DetailedAction()->trigger();
    EXPECT_TRUE(list->Detailed());
}

TEST(Screenshot, AnimationPanel) {
    AnimationFixture f;
    ASSERT_NE(f.page, nullptr);
    f.frame->showNormal();
    f.frame->resize(1100, 900);
    f.page->Button("Next")->click();
    Settle();
    const QImage shot = f.frame->ControlPanel()->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const char* dir = std::getenv("LP_SCREENSHOT_DIR");
    const fs::path out = fs::path(dir && *dir ? dir : fs::current_path().string()) / "lumaprism-animation-panel.png";
    EXPECT_TRUE(shot.save(QString::fromStdString(out.string())));
    std::set<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 2)
        for (int x = 0; x < shot.width(); x += 2) colours.insert(shot.pixel(x, y));
    EXPECT_GT(colours.size(), 20u);  // fields, texts and frame icons, not a blank page
}

}  // namespace
}  // namespace lp
