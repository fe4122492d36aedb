// The picture browser window: the list of a folder with its columns and thumbnails, ordering,
// renaming through the list, superseded worker passes, the tree, the dialogs, and the
// selection handed to the Transfer Manager.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QLabel>
#include <QListView>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QThread>
#include <QTreeView>
#include <QTreeWidget>
#include <fstream>

#include "base/prompter.h"
#include "batch/ui/transfer_manager.h"
#include "browser/thumbnail_cache.h"
#include "browser/ui/br_frame.h"
#include "browser/ui/browser_dialogs.h"
#include "browser/ui/catalog_model.h"
#include "browser/ui/drive_view.h"
#include "browser/ui/file_view.h"
#include "formats/format_table.h"
#include "formats/gif/gif_writer.h"
#include "guikit/ui/command_ids.h"
#include "batch/batch_report.h"
#include "batch/ui/batch_report_window.h"
#include "optimize/ui/wizard_launcher.h"
#include "optimize/ui/wizard_sheet.h"
#include "shell/ui/child_frame.h"
#include "shell/ui/control_panel.h"
#include "shell/ui/main_frame.h"
#include "browser/file_operations.h"
#include "browser/html_pictures.h"
#include "browser/site_list.h"
#include "ui/ui_test_support.h"
#include "web/test_http_server.h"

namespace lp {
namespace {

namespace fs = std::filesystem;
using test::AppHarness;
using test::ScratchDir;
using test::Settle;

/// Lets the worker finish and its queued reports arrive.
bool WaitForPass(CFileView& view, int timeoutMs = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        Settle();
        if (!view.WorkerRunning()) {
            Settle();
            return true;
        }
        QThread::msleep(5);
    }
    return false;
}

struct Fixture {
    fs::path folder;
    std::uintmax_t sizeOf(const std::string& name) const { return fs::file_size(folder / name); }
};

/// Three pictures of different sizes and formats, one unreadable picture, one file that is no picture.
Fixture MakeFolder(const fs::path& folder) {
    fs::create_directories(folder);
    SavePictureByExtension(test::PatternPicture(120, 60), folder / "wide.bmp");
    SavePictureByExtension(test::PatternPicture(30, 50), folder / "small.png");
    SavePictureByExtension(test::PatternPicture(200, 100), folder / "big.jpg");
    std::ofstream(folder / "notes.txt") << "not a picture";
    return {folder};
}

int RowNamed(CCatalogModel& model, const std::string& name) {
    for (int r = 0; r < model.rowCount(); ++r)
        if (model.index(r, 0).data().toString().toStdString() == name) return r;
    return -1;
}

QString Cell(CCatalogModel& model, int row, int column) { return model.index(row, column).data().toString(); }

struct ViewHarness {
    ScratchDir scratch;
    ScriptedPrompter prompter;
    AppSettings settings;
    std::vector<std::vector<ErrorListingEntry>> errorListings;
    std::unique_ptr<CFileView> view;
    explicit ViewHarness(std::deque<PromptAnswer> answers = {}) : prompter(std::move(answers)) {
        view = std::make_unique<CFileView>(settings, prompter, scratch / "CACHE");
        view->showErrors = [this](const std::vector<ErrorListingEntry>& e) { errorListings.push_back(e); };
        view->resize(700, 500);
    }
};

TEST(BrowserList, FolderListsEveryPictureWithColumnsAndThumbnails) {
    ViewHarness h;
    const Fixture f = MakeFolder(h.scratch / "pics");
    h.view->ShowLocation(f.folder);
    ASSERT_TRUE(WaitForPass(*h.view));
    CCatalogModel& model = h.view->Model();
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.columnCount(), 7);
    EXPECT_EQ(model.headerData(6, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Colors  "));
    const struct {
        const char* name;
        const char* type;
        int width, height;
    } expected[] = {{"big.jpg", "Jpeg Picture", 200, 100}, {"small.png", "PNG Picture", 30, 50},
                    {"wide.bmp", "Windows Bitmap", 120, 60}};
    for (const auto& e : expected) {
        const int row = RowNamed(model, e.name);
        ASSERT_GE(row, 0) << e.name;
        EXPECT_EQ(Cell(model, row, 1).toStdString(), std::to_string(f.sizeOf(e.name))) << e.name;
        EXPECT_FALSE(Cell(model, row, 2).isEmpty()) << e.name;
        EXPECT_EQ(Cell(model, row, 3).toStdString(), e.type);
        EXPECT_EQ(Cell(model, row, 4).toInt(), e.width) << e.name;
        EXPECT_EQ(Cell(model, row, 5).toInt(), e.height) << e.name;
        EXPECT_GT(Cell(model, row, 6).toInt(), 1) << e.name;  // colours counted
        // The thumbnail replaced the placeholder: the centre of the 100 x 100 image is the picture's.
        const QPixmap large = model.index(row, 0).data(Qt::DecorationRole).value<QPixmap>();
        ASSERT_EQ(large.size(), QSize(100, 100)) << e.name;
        const QImage image = large.toImage();
        EXPECT_NE(image.pixel(50, 50) & 0xFFFFFF, 0xF0F0F0u) << e.name;
    }
    // The counts pane of the frame: totals with no selection part for one row.
    CBrFrame frame(h.settings, h.prompter, h.scratch / "CACHE2");
    frame.View().showErrors = [](const std::vector<ErrorListingEntry>&) {};
    frame.View().ShowLocation(f.folder);
    ASSERT_TRUE(WaitForPass(frame.View()));
    EXPECT_EQ(frame.PaneText(3), QStringLiteral("3 File(s) "));
    EXPECT_EQ(frame.PaneText(1), QStringLiteral("Idle "));
    frame.View().SelectAllRows();
    EXPECT_EQ(frame.PaneText(3), QStringLiteral("3 File(s) (3 Selected )"));
    EXPECT_EQ(frame.windowTitle(), QStringLiteral("Lumaprism Browser"));
    // The small icons of the List and Details views are 32 x 32.
    frame.View().SetViewStyle(CFileView::ViewStyle::Details);
    EXPECT_EQ(frame.View().Model().index(0, 0).data(Qt::DecorationRole).value<QPixmap>().size(), QSize(32, 32));
}

TEST(BrowserList, SecondVisitComesFromTheCache) {
    ViewHarness h;
    const Fixture f = MakeFolder(h.scratch / "pics");
    h.view->ShowLocation(f.folder);
    ASSERT_TRUE(WaitForPass(*h.view));
    EXPECT_EQ(h.view->Cache().Records().size(), 3u);
    h.view->ShowLocation(f.folder);
    ASSERT_TRUE(WaitForPass(*h.view));
    EXPECT_EQ(h.view->Cache().Records().size(), 3u);  // nothing made again
    EXPECT_EQ(Cell(h.view->Model(), RowNamed(h.view->Model(), "big.jpg"), 4).toInt(), 200);
}

TEST(BrowserList, HeaderClickSortsBySizeBothWays) {
    ViewHarness h;
    const Fixture f = MakeFolder(h.scratch / "pics");
    h.view->ShowLocation(f.folder);
    ASSERT_TRUE(WaitForPass(*h.view));
    h.view->SetViewStyle(CFileView::ViewStyle::Details);
    h.view->show();
    QHeaderView* header = h.view->DetailsView()->header();
    auto sizes = [&] {
        std::vector<std::uintmax_t> out;
        for (int r = 0; r < h.view->Model().rowCount(); ++r) out.push_back(Cell(h.view->Model(), r, 1).toULongLong());
        return out;
    };
    emit header->sectionClicked(1);
    std::vector<std::uintmax_t> ascending = sizes();
    ASSERT_EQ(ascending.size(), 3u);
    EXPECT_TRUE(std::is_sorted(ascending.begin(), ascending.end()));
    emit header->sectionClicked(1);
    std::vector<std::uintmax_t> descending = sizes();
    EXPECT_TRUE(std::is_sorted(descending.rbegin(), descending.rend()));
    EXPECT_NE(ascending, descending);
    // A selection follows its rows through a sort.
    const int small = RowNamed(h.view->Model(), "small.png");
    h.view->CurrentView()->selectionModel()->select(h.view->Model().index(small, 0),
                                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    emit header->sectionClicked(0);
    ASSERT_EQ(h.view->SelectedPaths().size(), 1u);
    EXPECT_EQ(h.view->SelectedPaths()[0], f.folder / "small.png");
    const QModelIndexList selected = h.view->CurrentView()->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected[0].data().toString(), QStringLiteral("small.png"));
}

TEST(BrowserList, RenameThroughTheListRenamesTheFile) {
    ViewHarness h({PromptAnswer::No});  // the extension question is answered No
    const Fixture f = MakeFolder(h.scratch / "pics");
    h.view->ShowLocation(f.folder);
    ASSERT_TRUE(WaitForPass(*h.view));
    CCatalogModel& model = h.view->Model();
    const int row = RowNamed(model, "small.png");
    ASSERT_TRUE(model.flags(model.index(row, 0)) & Qt::ItemIsEditable);
    EXPECT_TRUE(model.setData(model.index(row, 0), QStringLiteral("renamed.PNG"), Qt::EditRole));
    EXPECT_TRUE(h.prompter.Questions().empty());  // same extension in another case: no question
    EXPECT_FALSE(fs::exists(f.folder / "small.png"));
    EXPECT_TRUE(fs::exists(f.folder / "renamed.PNG"));
    EXPECT_EQ(Cell(model, row, 0), QStringLiteral("renamed.PNG"));
    EXPECT_EQ(h.view->Catalog().Paths().size(), 3u);
    EXPECT_EQ(std::count(h.view->Catalog().Paths().begin(), h.view->Catalog().Paths().end(), f.folder / "renamed.PNG"), 1);

    // Another extension asks first; No keeps the old name.
    EXPECT_FALSE(model.setData(model.index(row, 0), QStringLiteral("renamed.gif"), Qt::EditRole));
    ASSERT_EQ(h.prompter.Questions().size(), 1u);
    EXPECT_EQ(h.prompter.Questions()[0].text, kExtensionChangeQuestion);
    EXPECT_TRUE(fs::exists(f.folder / "renamed.PNG"));
    // A name that is taken gives the message and changes nothing.
    std::ofstream(f.folder / "taken.PNG") << "x";
    EXPECT_FALSE(model.setData(model.index(row, 0), QStringLiteral("taken.PNG"), Qt::EditRole));
    ASSERT_FALSE(h.prompter.Messages().empty());
    EXPECT_EQ(h.prompter.Messages().back().text,
              "Unable to rename " + (f.folder / "renamed.PNG").string() + " to " + (f.folder / "taken.PNG").string());
    EXPECT_TRUE(fs::exists(f.folder / "renamed.PNG"));
}

TEST(BrowserList, SupersededPassNeverUpdatesTheNewList) {
    ViewHarness h;
    const fs::path a = h.scratch / "a";
    const fs::path b = h.scratch / "b";
    fs::create_directories(a);
    fs::create_directories(b);
    SavePictureByExtension(test::PatternPicture(40, 20), a / "p.png");
    // In b, the same name holds a picture that cannot be read: its row keeps width 0 unless a
    // report of a's pass is applied to it.
    std::vector<std::uint8_t> cut = test::ReadFileBytes(a / "p.png");
    cut.resize(40);
    test::WriteFileBytes(b / "p.png", cut);

    h.view->ShowLocation(a);
    const quint64 oldPass = h.view->Catalog().PassNumber();
    // a's worker finishes; its reports wait in the event queue.
    for (int i = 0; i < 2000 && h.view->WorkerRunning(); ++i) QThread::msleep(5);
    ASSERT_FALSE(h.view->WorkerRunning());
    h.view->ShowLocation(b);
    ASSERT_TRUE(WaitForPass(*h.view));
    ASSERT_EQ(h.view->Model().rowCount(), 1);
    EXPECT_EQ(Cell(h.view->Model(), 0, 4).toInt(), 0);
    EXPECT_EQ(h.view->Catalog().Rows()[0].item.width, 0);
    // b's unreadable picture is in the error listing; the worker went on to the end.
    ASSERT_EQ(h.errorListings.size(), 1u);
    ASSERT_EQ(h.errorListings[0].size(), 1u);
    EXPECT_FALSE(h.errorListings[0][0].description.empty());

    // A late report of the old pass, sent as the worker sends it, changes nothing either.
    auto outcome = std::make_shared<ThumbnailOutcome>();
    outcome->kind = ThumbnailOutcome::Kind::Made;
    outcome->index = 0;
    outcome->passNumber = oldPass;
    outcome->width = 999;
    outcome->height = 999;
    emit h.view->WorkerThumbnail(oldPass, outcome);
    emit h.view->WorkerFinished(oldPass, std::make_shared<std::vector<ErrorListingEntry>>(1), false);
    Settle();
    EXPECT_EQ(h.view->Catalog().Rows()[0].item.width, 0);
    EXPECT_EQ(h.errorListings.size(), 1u);
}

TEST(BrowserList, FolderThatCannotBeReadSaysSo) {
    ViewHarness h;
    const fs::path gone = h.scratch / "gone";
    h.view->ShowLocation(gone);
    EXPECT_EQ(h.view->Model().rowCount(), 0);
    ASSERT_EQ(h.prompter.Messages().size(), 1u);
    EXPECT_EQ(h.prompter.Messages()[0].text, "Unable to open file " + gone.string());
}

TEST(BrowserList, FolderWithoutPermissionSaysSo) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every folder";
    ViewHarness h;
    const fs::path locked = h.scratch / "locked";
    fs::create_directories(locked);
    SavePictureByExtension(test::PatternPicture(4, 4), locked / "p.png");
    fs::permissions(locked, fs::perms::none);
    h.view->ShowLocation(locked);
    fs::permissions(locked, fs::perms::owner_all);
    EXPECT_EQ(h.view->Model().rowCount(), 0);
    ASSERT_EQ(h.prompter.Messages().size(), 1u);
    EXPECT_EQ(h.prompter.Messages()[0].text, "Unable to open file " + locked.string());
}

TEST(BrowserList, DeleteGoesToTheTrashAndRefreshes) {
    ViewHarness h;
    const Fixture f = MakeFolder(h.scratch / "pics");
    std::vector<fs::path> trashed;
    h.view->moveToTrash = [&](const std::vector<fs::path>& files) {
        trashed = files;
        for (const auto& file : files) fs::rename(file, h.scratch / file.filename());
        return std::vector<fs::path>{};
    };
    h.view->ShowLocation(f.folder);
    ASSERT_TRUE(WaitForPass(*h.view));
    const int row = RowNamed(h.view->Model(), "wide.bmp");
    h.view->CurrentView()->selectionModel()->select(h.view->Model().index(row, 0),
                                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    h.view->DeleteSelected();
    ASSERT_TRUE(WaitForPass(*h.view));
    EXPECT_EQ(trashed, std::vector<fs::path>{f.folder / "wide.bmp"});
    EXPECT_EQ(h.view->Model().rowCount(), 2);
    EXPECT_EQ(RowNamed(h.view->Model(), "wide.bmp"), -1);
}

TEST(BrowserList, DeleteUsesTheDesktopTrash) {
    ViewHarness h;
    const fs::path home = h.scratch / "userhome";
    fs::create_directories(home / ".local/share");
    const QByteArray oldHome = qgetenv("HOME"), oldData = qgetenv("XDG_DATA_HOME");
    qputenv("HOME", home.c_str());
    qputenv("XDG_DATA_HOME", (home / ".local/share").c_str());
    const Fixture f = MakeFolder(home / "pics");
    h.view->ShowLocation(f.folder);
    ASSERT_TRUE(WaitForPass(*h.view));
    h.view->CurrentView()->selectionModel()->select(h.view->Model().index(RowNamed(h.view->Model(), "big.jpg"), 0),
                                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    h.view->DeleteSelected();
    ASSERT_TRUE(WaitForPass(*h.view));
    qputenv("HOME", oldHome);
    qputenv("XDG_DATA_HOME", oldData);
    EXPECT_FALSE(fs::exists(f.folder / "big.jpg"));
    // In the trash, with the information that restores it.
    EXPECT_TRUE(fs::exists(home / ".local/share/Trash/files/big.jpg"));
    std::ifstream info(home / ".local/share/Trash/info/big.jpg.trashinfo");
    std::string text((std::istreambuf_iterator<char>(info)), {});
    EXPECT_NE(text.find("Path=" + (f.folder / "big.jpg").string()), std::string::npos) << text;
    EXPECT_EQ(h.view->Model().rowCount(), 2);
}

TEST(BrowserList, AnimatedGifListsItsFrames) {
    ViewHarness h;
    GifFrameList frames;
    for (int i = 0; i < 3; ++i) {
        GifFrame frame;
        frame.picture.Create(30 + i, 20);
        frame.picture.Fill(0x00102030 * (i + 1));
        frames.Add(std::move(frame));
    }
    GifInfo info;
    const fs::path gif = h.scratch / "anim.gif";
    SaveGif(frames, info, gif);
    CBrFrame frame(h.settings, h.prompter, h.scratch / "CACHE");
    frame.View().ShowLocation(gif);
    CCatalogModel& model = frame.View().Model();
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(Cell(model, 0, 0), QStringLiteral("Frame #1"));
    EXPECT_EQ(Cell(model, 2, 3), QStringLiteral("Animated GIF Frame"));
    EXPECT_EQ(Cell(model, 2, 4).toInt(), 32);
    EXPECT_EQ(frame.PaneText(3), QStringLiteral("3 Frame(s) "));
    // Frames are not files: no renaming, nothing for the batch engine.
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
    frame.View().SelectAllRows();
    EXPECT_TRUE(frame.View().SelectedPaths().empty());
}

TEST(BrowserDialogs, CacheDialogShowsStatisticsAndCleans) {
    ViewHarness h;
    const Fixture f = MakeFolder(h.scratch / "pics");
    h.view->ShowLocation(f.folder);
    ASSERT_TRUE(WaitForPass(*h.view));
    CCacheDlg dialog(h.settings, h.view->Cache());
    EXPECT_EQ(dialog.FilesText()->text(), QStringLiteral("    3"));
    EXPECT_TRUE(dialog.SizeText()->text().endsWith(QStringLiteral("Kb")));
    EXPECT_TRUE(dialog.AllButton()->isChecked());
    EXPECT_FALSE(dialog.DaysField()->isEnabled());
    dialog.KeepButton()->setChecked(true);
    EXPECT_TRUE(dialog.DaysField()->isEnabled());
    dialog.EnableBox()->setChecked(false);
    EXPECT_FALSE(dialog.DaysField()->isEnabled());
    EXPECT_FALSE(dialog.KeepButton()->isEnabled());
    dialog.EnableBox()->setChecked(true);
    dialog.AllButton()->setChecked(true);
    dialog.accept();
    EXPECT_EQ(h.view->Cache().Records().size(), 0u);
    EXPECT_EQ(h.settings.cacheInfo, 1);
}

TEST(BrowserDialogs, ErrorListingHasItsColumns) {
    CErrorListingDlg dialog({{"/x/bad.jpg", "Premature end of JPEG file"}, {"/x/gone.gif", "File does not exists"}});
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Error Listing"));
    EXPECT_EQ(dialog.List()->headerItem()->text(0), QStringLiteral("Object"));
    EXPECT_EQ(dialog.List()->headerItem()->text(1), QStringLiteral("Error Description"));
    ASSERT_EQ(dialog.List()->topLevelItemCount(), 2);
    EXPECT_EQ(dialog.List()->topLevelItem(1)->text(1), QStringLiteral("File does not exists"));
}

TEST(BrowserWindow, BrowserTabOpensItAndTheTreeShowsFolders) {
    AppHarness h;
    CLumaprismApp& app = h.Start();
    CMainFrame& main = app.MainFrame();
    EXPECT_EQ(main.Browser(), nullptr);
    main.OnTabChosen(3);
    CBrFrame* browser = main.Browser();
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(main.MdiArea()->currentSubWindow(), browser);
    EXPECT_EQ(main.CurrentToolbarLayout(), CMainFrame::ToolbarLayout::Browser);
    EXPECT_EQ(main.ControlPanel()->Page(3), main.DriveView());
    // Its commands answer while it is active.
    for (int id : {cmd::kBrowserThumbNail, cmd::kBrowserListView, cmd::kBrowserDetails, cmd::kBrowserRefresh,
                   cmd::kBrowserFileTypes})
        EXPECT_TRUE(main.Action(id)->isEnabled()) << id;
    main.Action(cmd::kBrowserDetails)->trigger();
    EXPECT_EQ(browser->View().Style(), CFileView::ViewStyle::Details);

    const Fixture f = MakeFolder(h.scratch / "pics");
    ASSERT_NE(main.DriveView()->RevealFolder(f.folder), nullptr);
    main.DriveView()->setCurrentItem(nullptr);
    QTreeWidgetItem* item = main.DriveView()->RevealFolder(f.folder);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(CDriveView::PathOf(item), f.folder);
    emit main.DriveView()->LocationChosen(f.folder);
    ASSERT_TRUE(WaitForPass(browser->View()));
    EXPECT_EQ(browser->View().Model().rowCount(), 3);
    EXPECT_TRUE(main.DriveView()->NetworkItem() != nullptr);
    EXPECT_EQ(main.DriveView()->SitesItem()->text(0), QStringLiteral("Web-Sites"));

    // Double-clicking a picture opens it in a picture window.
    emit browser->View().CurrentView()->doubleClicked(browser->View().Model().index(0, 0));
    Settle();
    ASSERT_EQ(main.PictureWindows().size(), 1u);
}

TEST(BrowserWindow, TransferManagerAppliesToTheBrowserSelection) {
    AppHarness h;
    CLumaprismApp& app = h.Start();
    CMainFrame& main = app.MainFrame();
    const Fixture f = MakeFolder(h.scratch / "pics");
    const fs::path out = h.scratch / "out";
    fs::create_directories(out);
    main.BrowseLocation(f.folder);
    CFileView& view = main.Browser()->View();
    ASSERT_TRUE(WaitForPass(view));
    for (const char* name : {"big.jpg", "wide.bmp"})
        view.CurrentView()->selectionModel()->select(view.Model().index(RowNamed(view.Model(), name), 0),
                                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    CTransferManager& tm = main.TransferManager();
    tm.Model().Macro().name = "ToPng";
    tm.Model().Macro().outputFormat = kOutputPng;
    tm.Model().Macro().outputDir = out.string();
    ASSERT_TRUE(tm.ApplyButton()->isEnabled());
    tm.ApplyButton()->click();
    Settle();
    EXPECT_TRUE(fs::exists(out / "big.png"));
    EXPECT_TRUE(fs::exists(out / "wide.png"));
    EXPECT_FALSE(fs::exists(out / "small.png"));
    ASSERT_FALSE(h.prompter.Messages().empty());
    EXPECT_EQ(h.prompter.Messages().back().text, "ToPng Template Successfully applied");
}

TEST(BrowserTree, FoldersSitesAndDropsOnAFolder) {
    ScratchDir scratch;
    ScriptedPrompter prompter({PromptAnswer::Yes});
    CDriveView tree(scratch / "CACHE", true, prompter);
    const fs::path root = scratch / "tree";
    fs::create_directories(root / "New Folder");
    fs::create_directories(root / "New Folder(1)");
    fs::create_directories(root / "target");
    SavePictureByExtension(test::PatternPicture(4, 4), root / "x.gif");

    QTreeWidgetItem* folder = tree.RevealFolder(root);
    ASSERT_NE(folder, nullptr);
    QTreeWidgetItem* made = tree.NewFolder();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->text(0), QStringLiteral("New Folder(2)"));
    EXPECT_TRUE(fs::is_directory(root / "New Folder(2)"));
    // Renaming the item renames the folder; a name in use says so and keeps the caption.
    made->setText(0, QStringLiteral("Holiday"));
    EXPECT_TRUE(fs::is_directory(root / "Holiday"));
    EXPECT_EQ(CDriveView::PathOf(made), root / "Holiday");
    made->setText(0, QStringLiteral("target"));
    EXPECT_EQ(made->text(0), QStringLiteral("Holiday"));
    EXPECT_EQ(prompter.Messages().back().text, "Unable to Create Directory " + (root / "target").string());

    // Drops: copy, then link ("Shortcut to x.gif.LNK", resolved to the file), then move.
    std::vector<fs::path> changed;
    QObject::connect(&tree, &CDriveView::FolderChanged, [&](const fs::path& f) { changed.push_back(f); });
    tree.DropFiles({root / "x.gif"}, root / "target", Qt::CopyAction);
    EXPECT_TRUE(fs::exists(root / "target" / "x.gif"));
    EXPECT_EQ(changed.front(), root / "target");
    tree.DropFiles({root / "x.gif"}, root / "target", Qt::LinkAction);
    EXPECT_EQ(ResolveShortcut(root / "target" / "Shortcut to x.gif.LNK"), root / "x.gif");
    tree.DropFiles({root / "x.gif"}, root / "Holiday", Qt::MoveAction);
    EXPECT_FALSE(fs::exists(root / "x.gif"));
    EXPECT_TRUE(fs::exists(root / "Holiday" / "x.gif"));

    // Sites: typed with "http://", stored without it; the same site twice gives the message.
    QTreeWidgetItem* site = tree.AddUrl();
    ASSERT_NE(site, nullptr);
    site->setText(0, QStringLiteral("http://www.example.com/pics/"));
    ASSERT_EQ(tree.Sites().Count(), 1u);
    EXPECT_EQ(tree.Sites().Record(0).url, "www.example.com/pics/");
    EXPECT_EQ(CDriveView::PathOf(site), fs::path("http://www.example.com/pics/"));
    tree.AddUrl()->setText(0, QStringLiteral("http://www.example.com/pics/"));
    EXPECT_EQ(tree.Sites().Count(), 1u);
    EXPECT_EQ(prompter.Messages().back().text, "Unable to Add URL www.example.com/pics/ to List\nEntry already exists !!");
    EXPECT_EQ(tree.SitesItem()->childCount(), 1);
    tree.AddUrl()->setText(0, QStringLiteral("http://bad name/"));
    EXPECT_EQ(prompter.Messages().back().text, "Not a Proper URL name\nCannot Add to URL list");
    EXPECT_EQ(tree.SitesItem()->childCount(), 1);
    // Deleting asks first (answered Yes).
    tree.setCurrentItem(tree.SitesItem()->child(0));
    tree.DeleteUrl();
    EXPECT_EQ(prompter.Questions().back().text, "Are you sure you want to delete the\nSelected URL from list");
    EXPECT_EQ(tree.Sites().Count(), 0u);
}

TEST(BrowserTree, CopiedPicturesPasteIntoAFolder) {
    ViewHarness h;
    const Fixture f = MakeFolder(h.scratch / "pics");
    h.view->ShowLocation(f.folder);
    ASSERT_TRUE(WaitForPass(*h.view));
    h.view->CurrentView()->selectionModel()->select(h.view->Model().index(RowNamed(h.view->Model(), "small.png"), 0),
                                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    h.view->CopySelected();
    CDriveView tree(h.scratch / "CACHE", true, h.prompter);
    const fs::path into = h.scratch / "into";
    fs::create_directories(into);
    ASSERT_NE(tree.RevealFolder(into), nullptr);
    tree.Paste(false);
    EXPECT_TRUE(fs::exists(into / "small.png"));
    EXPECT_TRUE(fs::exists(f.folder / "small.png"));
    tree.Paste(true);
    EXPECT_EQ(ResolveShortcut(into / "Shortcut to small.png.LNK"), f.folder / "small.png");
}

TEST(BrowserWindow, WizardWithoutAPictureWorksOnTheSelection) {
    AppHarness h;
    CMainFrame& main = h.Start().MainFrame();
    const Fixture f = MakeFolder(h.scratch / "pics");
    int folderChoices = 0;
    main.Wizards().chooseFolder = [&](QWidget*, const QString&, const QString&) {
        ++folderChoices;
        return QString();
    };
    main.BrowseLocation(f.folder);
    CFileView& view = main.Browser()->View();
    ASSERT_TRUE(WaitForPass(view));
    auto finish = [&] {
        main.RouteCommand(cmd::kWizardColour);
        Settle();
        CWizardSheet* sheet = main.Wizards().Sheet();
        if (!sheet) return false;
        while (sheet->nextId() != -1) sheet->next();
        sheet->accept();
        Settle();
        return true;
    };
    // Nothing selected: the message, no run.
    ASSERT_TRUE(finish());
    EXPECT_EQ(h.prompter.Messages().back().text, "You must first select an item from the list");
    for (const char* name : {"big.jpg", "wide.bmp"})
        view.CurrentView()->selectionModel()->select(view.Model().index(RowNamed(view.Model(), name), 0),
                                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ASSERT_TRUE(finish());
    QElapsedTimer timer;
    timer.start();
    while (!main.Wizards().BatchReportWindow() && timer.elapsed() < 20000) {
        Settle();
        QThread::msleep(5);
    }
    ASSERT_NE(main.Wizards().BatchReportWindow(), nullptr);
    EXPECT_EQ(main.Wizards().BatchReportWindow()->Report().Totals().filesSelected, 2);
    std::vector<std::string> before;
    for (const BatchReportRow& row : main.Wizards().BatchReportWindow()->Report().Rows())
        if (row.kind == BatchReportRow::Kind::Before) before.push_back(row.fileName);
    EXPECT_EQ(before, (std::vector<std::string>{"big.jpg", "wide.bmp"}));
    EXPECT_EQ(folderChoices, 0);
}

TEST(BrowserSites, ListedSiteIsSearchedDownloadedAndShownWithThumbnails) {
    test::TestHttpServer server;
    ScratchDir pictures;
    SavePictureByExtension(test::PatternPicture(64, 32), pictures / "one.gif");
    SavePictureByExtension(test::PatternPicture(20, 40), pictures / "two.png");
    const auto bytes = [&](const char* name) {
        const auto b = test::ReadFileBytes(pictures / name);
        return std::string(b.begin(), b.end());
    };
    server.Page("/index.html", "<img src=\"one.gif\"><img src=\"/pics/two.png\"><img src=\"gone.jpg\">");
    server.Page("/one.gif", bytes("one.gif"), "image/gif");
    server.Page("/pics/two.png", bytes("two.png"), "image/png");

    ViewHarness h;
    h.settings.downLoadDirectory = (h.scratch / "Download").string();
    h.settings.accessType = kAccessDirect;
    CSiteList sites(h.scratch / "CACHE", true);
    SiteRecord site;
    site.url = *NormaliseSiteUrl(server.Base() + "/");
    ASSERT_TRUE(sites.Add(site));
    h.view->sites = &sites;
    const std::string location = SiteLocation(site);
    h.view->ShowLocation(location);
    QElapsedTimer timer;
    timer.start();
    while ((h.view->SiteJobRunning() || h.view->Model().rowCount() < 3) && timer.elapsed() < 20000) {
        Settle();
        QThread::msleep(5);
    }
    ASSERT_TRUE(WaitForPass(*h.view));
    ASSERT_EQ(h.view->Model().rowCount(), 3);
    EXPECT_EQ(Cell(h.view->Model(), 0, 0).toStdString(), server.Base() + "/one.gif");
    EXPECT_EQ(Cell(h.view->Model(), 0, 3), QStringLiteral("GIF Picture"));

    // "&DownLoad" with nothing selected says so.
    h.view->DownloadSelected();
    ASSERT_FALSE(h.prompter.Messages().empty());
    EXPECT_EQ(h.prompter.Messages().back().text, kNoPicturesToDownload);
    // Opening the first row downloads from it on; the missing picture stays a URL and is listed.
    h.view->OpenRow(0);
    timer.restart();
    while (h.view->SiteJobRunning() && timer.elapsed() < 20000) {
        Settle();
        QThread::msleep(5);
    }
    ASSERT_TRUE(WaitForPass(*h.view));
    const fs::path down = h.scratch / "Download";
    EXPECT_TRUE(fs::exists(down / "one.gif"));
    EXPECT_TRUE(fs::exists(down / "two.png"));
    EXPECT_FALSE(fs::exists(down / "gone.jpg"));
    const int one = RowNamed(h.view->Model(), (down / "one.gif").string());
    ASSERT_GE(one, 0);
    EXPECT_EQ(Cell(h.view->Model(), one, 4).toInt(), 64);  // its thumbnail was made
    EXPECT_GE(RowNamed(h.view->Model(), server.Base() + "/gone.jpg"), 0);
    ASSERT_FALSE(h.errorListings.empty());
    EXPECT_EQ(h.errorListings.back().at(0).object, server.Base() + "/gone.jpg");
    EXPECT_EQ(h.errorListings.back().at(0).description, "Object not found.");

    // The site's picture list now opens the site without the server.
    const std::size_t requests = server.Requests().size();
    h.view->ShowLocation(location);
    ASSERT_TRUE(WaitForPass(*h.view));
    EXPECT_EQ(server.Requests().size(), requests);
    EXPECT_EQ(h.view->Model().rowCount(), 2);
    EXPECT_GE(RowNamed(h.view->Model(), (down / "two.png").string()), 0);
}

TEST(BrowserSites, WebSitesDialogEditsTheSiteList) {
    ScratchDir scratch;
    ScriptedPrompter prompter({PromptAnswer::Yes});
    CSiteList sites(scratch / "CACHE", true);
    {
        CWebSitesDlg dialog(sites, prompter);
        dialog.AddUrl(QStringLiteral("http://www.example.com/a/"));
        ASSERT_EQ(sites.Count(), 1u);
        EXPECT_EQ(dialog.Urls()->currentItem()->text(), QStringLiteral("www.example.com/a/"));
        dialog.AddUrl(QStringLiteral("http://www.example.com/a/"));
        EXPECT_EQ(prompter.Messages().back().text, "Unable to Add URL to list\nEntry Already exist !!");
        dialog.AddUrl(QString());
        EXPECT_EQ(prompter.Messages().back().text, "Error: Not a Valid URL !!");
        EXPECT_FALSE(dialog.Directory()->isEnabled());
        dialog.Levels()->setCurrentIndex(5);
        dialog.DownloadAllBox()->setChecked(true);
        dialog.MapBox()->setChecked(true);
        EXPECT_TRUE(dialog.Directory()->isEnabled());
        EXPECT_EQ(sites.Record(0).level, 5);
        EXPECT_TRUE(sites.Record(0).downloadAll);
        EXPECT_EQ(sites.Record(0).SearchDepth(), 6);
        dialog.accept();  // a mapped site without a directory
        EXPECT_EQ(prompter.Messages().back().text, "Mapped-Directory-Path cannot be empty");
        dialog.Directory()->setText(QString::fromStdString((scratch / "mirror").string()));
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    CSiteList saved(scratch / "CACHE", true);
    ASSERT_EQ(saved.Count(), 1u);
    EXPECT_EQ(saved.Record(0).mappedDirectory, (scratch / "mirror").string());
    {
        CWebSitesDlg dialog(sites, prompter);
        dialog.AddUrl(QStringLiteral("b.org/"));
        EXPECT_EQ(dialog.Urls()->currentRow(), 1);
        dialog.SelectUrl("www.example.com/a/");  // the tree's "&Properties" of that site
        EXPECT_EQ(dialog.Urls()->currentRow(), 0);
        EXPECT_TRUE(dialog.MapBox()->isChecked());
        EXPECT_EQ(dialog.Levels()->currentText(), QStringLiteral("All"));
        dialog.DeleteUrl();
        EXPECT_EQ(sites.Count(), 1u);
        dialog.reject();  // Cancel drops both changes
    }
    ASSERT_EQ(sites.Count(), 1u);
    EXPECT_EQ(sites.Record(0).url, "www.example.com/a/");
}

TEST(BrowserSites, HtmlFileListsItsPictures) {
    ViewHarness h;
    const fs::path page = h.scratch / "page";
    fs::create_directories(page);
    SavePictureByExtension(test::PatternPicture(10, 10), page / "a.png");
    std::ofstream(page / "index.htm") << "<img src=\"a.png\"><img src=\"b.gif\">";
    std::ofstream(page / "empty.htm") << "<p>text</p>";
    h.view->ShowLocation(page / "index.htm");
    ASSERT_TRUE(WaitForPass(*h.view));
    ASSERT_EQ(h.view->Model().rowCount(), 1);
    EXPECT_EQ(Cell(h.view->Model(), 0, 0).toStdString(), (page / "a.png").string());
    EXPECT_EQ(Cell(h.view->Model(), 0, 4).toInt(), 10);
    ASSERT_EQ(h.errorListings.size(), 1u);
    EXPECT_EQ(h.errorListings[0][0].description, "File does not exists");
    h.view->ShowLocation(page / "empty.htm");
    EXPECT_EQ(h.view->Model().rowCount(), 0);
    EXPECT_EQ(h.prompter.Messages().back().text, kNoImagesInHtml);
}

QStringList Titles(const std::vector<QMenu*>& menus) {
    QStringList titles;
    for (QMenu* menu : menus) titles << menu->title();
    return titles;
}

QMenu* MenuTitled(const std::vector<QMenu*>& menus, const QString& title) {
    for (QMenu* menu : menus)
        if (menu->title() == title) return menu;
    return nullptr;
}

QStringList ItemTexts(QMenu* menu) {
    QStringList texts;
    for (QAction* action : menu->actions())
        if (!action->isSeparator()) texts << action->text();
    return texts;
}

fs::path WriteAnimatedGif(const fs::path& gif, int count) {
    GifFrameList frames;
    for (int i = 0; i < count; ++i) {
        GifFrame frame;
        frame.picture.Create(30 + i, 20);
        frame.picture.Fill(0x00102030 * (i + 1));
        frames.Add(std::move(frame));
    }
    GifInfo info;
    SaveGif(frames, info, gif);
    return gif;
}

TEST(BrowserMenu, ActiveBrowserShowsItsMenuAndAPictureWindowBringsThePictureMenusBack) {
    AppHarness h;
    CMainFrame& main = h.Start().MainFrame();
    const Fixture f = MakeFolder(h.scratch / "pics");
    main.BrowseLocation(f.folder);
    ASSERT_TRUE(WaitForPass(main.Browser()->View()));
    EXPECT_EQ(main.ShownMenus(), CMainFrame::MenuSet::Browser);
    EXPECT_EQ(Titles(main.CurrentMenus()),
              (QStringList{"&File", "&Edit", "&View", "&Browser", "Wi&zards", "&Window", "&Help"}));
    // The menu bar holds the browser's menus, not only the list of them.
    QStringList bar;
    for (QAction* action : main.menuBar()->actions()) bar << action->text();
    EXPECT_EQ(bar, Titles(main.CurrentMenus()));
    EXPECT_EQ(ItemTexts(MenuTitled(main.CurrentMenus(), "&Edit")),
              (QStringList{"&Copy\tCtrl+C", "D&elete", "Select &All\tCtrl+A", "&Invert Selection", "&Options"}));
    EXPECT_EQ(ItemTexts(MenuTitled(main.CurrentMenus(), "&Browser")),
              (QStringList{"&Open", "&DownLoad", "&Stop", "&File Types", "&Web Sites", "&Cache Info", "P&roperties",
                           "Picture Window"}));
    const QStringList view = ItemTexts(MenuTitled(main.CurrentMenus(), "&View"));
    for (const char* item : {"Thumb &Nail", "&List View", "&Details", "&Refresh"})
        EXPECT_TRUE(view.contains(QString::fromLatin1(item))) << item;
    EXPECT_FALSE(view.contains(QStringLiteral("&DrawingTool")));
    EXPECT_EQ(main.Action(cmd::kBrowserSelectAll)->shortcut(), QKeySequence(QStringLiteral("Ctrl+A")));

    // Opening a picture activates its window: the picture menus come back.
    emit main.Browser()->View().CurrentView()->doubleClicked(main.Browser()->View().Model().index(0, 0));
    Settle();
    ASSERT_EQ(main.PictureWindows().size(), 1u);
    EXPECT_EQ(main.ShownMenus(), CMainFrame::MenuSet::Picture);
    EXPECT_TRUE(MenuTitled(main.CurrentMenus(), "&Picture") != nullptr);
    EXPECT_EQ(MenuTitled(main.CurrentMenus(), "&Browser"), nullptr);
    // The list's commands are not the picture window's.
    EXPECT_FALSE(main.Action(cmd::kBrowserSelectAll)->isEnabled());
    // And back to the browser.
    main.ActivateFirst(CMainFrame::WindowKind::Browser, true);
    Settle();
    EXPECT_EQ(main.ShownMenus(), CMainFrame::MenuSet::Browser);
    EXPECT_TRUE(main.Action(cmd::kBrowserSelectAll)->isEnabled());
}

TEST(BrowserMenu, SelectAllAndInvertSelectionReachTheListAndItsCounts) {
    AppHarness h;
    CMainFrame& main = h.Start().MainFrame();
    const Fixture f = MakeFolder(h.scratch / "pics");
    main.BrowseLocation(f.folder);
    CBrFrame& browser = *main.Browser();
    ASSERT_TRUE(WaitForPass(browser.View()));
    ASSERT_EQ(browser.View().Total(), 3);
    browser.View().CurrentView()->selectionModel()->select(browser.View().Model().index(0, 0),
                                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    Settle();
    EXPECT_EQ(browser.View().Selected(), 1);

    main.Action(cmd::kBrowserSelectAll)->trigger();
    EXPECT_EQ(browser.View().Selected(), 3);
    EXPECT_EQ(browser.View().CurrentView()->selectionModel()->selectedRows().size(), 3);
    EXPECT_EQ(browser.PaneText(3), QStringLiteral("3 File(s) (3 Selected )"));

    main.Action(cmd::kBrowserInvertSelection)->trigger();
    EXPECT_EQ(browser.View().Selected(), 0);
    EXPECT_EQ(browser.PaneText(3), QStringLiteral("3 File(s) "));
    // Invert a selection of one: the other two.
    browser.View().CurrentView()->selectionModel()->select(browser.View().Model().index(1, 0),
                                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    Settle();
    main.Action(cmd::kBrowserInvertSelection)->trigger();
    EXPECT_EQ(browser.View().Selected(), 2);
    EXPECT_FALSE(browser.View().Catalog().Rows()[1].selected);
    EXPECT_EQ(browser.PaneText(3), QStringLiteral("3 File(s) (2 Selected )"));

    // The views of the menu are those of the tool bar, checked as the list shows.
    main.Action(cmd::kBrowserDetails)->trigger();
    EXPECT_EQ(browser.View().Style(), CFileView::ViewStyle::Details);
    EXPECT_TRUE(main.Action(cmd::kBrowserDetails)->isChecked());
    EXPECT_FALSE(main.Action(cmd::kBrowserThumbNail)->isChecked());
}

TEST(BrowserMenu, GreyingFollowsTheModeOfTheList) {
    AppHarness h;
    CMainFrame& main = h.Start().MainFrame();
    const Fixture f = MakeFolder(h.scratch / "pics");
    const fs::path gif = WriteAnimatedGif(h.scratch / "anim.gif", 3);
    const fs::path html = h.scratch / "page.html";
    std::ofstream(html) << "<html><body><img src=\"pics/small.png\"></body></html>";
    using namespace cmd;
    const int ids[] = {kBrowserOpen, kBrowserDelete, kEditCopy, kBrowserDownload, kBrowserProperties, kBrowserRefresh,
                       kBrowserSelectAll};
    const struct {
        fs::path location;
        int selected;  // rows selected before the menu is looked at
        bool expected[7];
    } cases[] = {
        // Open, Delete, Copy, DownLoad, Properties, Refresh, Select All
        {f.folder, 1, {true, true, true, false, false, true, true}},
        {html, 1, {true, false, true, false, false, true, true}},
        {gif, 1, {false, false, false, false, false, true, true}},
        {gif, 2, {false, false, false, false, true, true, true}},
    };
    for (const auto& c : cases) {
        main.BrowseLocation(c.location);
        CFileView& view = main.Browser()->View();
        ASSERT_TRUE(WaitForPass(view)) << c.location;
        ASSERT_GE(view.Total(), c.selected) << c.location;
        QItemSelection selection;
        for (int r = 0; r < c.selected; ++r)
            selection.select(view.Model().index(r, 0), view.Model().index(r, 0));
        view.CurrentView()->selectionModel()->select(selection,
                                                     QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        Settle();
        main.UpdateCommandStates();
        for (std::size_t i = 0; i < std::size(ids); ++i)
            EXPECT_EQ(main.Action(ids[i])->isEnabled(), c.expected[i])
                << c.location << " selected " << c.selected << " " << main.Action(ids[i])->text().toStdString();
    }
}

TEST(BrowserMenu, WebSiteModeGreysCopyAndDeleteAndOffersDownLoad) {
    ViewHarness h;
    CFileView& view = *h.view;
    view.ShowLocation("http://127.0.0.1:1/");  // nothing listens: the rows stay empty
    view.StopWorker();
    ASSERT_EQ(view.Catalog().Mode(), BrowseMode::WebSite);
    const struct {
        int id;
        bool enabled;
    } cases[] = {{cmd::kBrowserDelete, false}, {cmd::kEditCopy, false}, {cmd::kBrowserOpen, true},
                 {cmd::kBrowserProperties, false}, {cmd::kBrowserRefresh, true}};
    for (const auto& c : cases) {
        CommandState state;
        ASSERT_TRUE(view.UpdateCommand(c.id, state)) << c.id;
        EXPECT_EQ(state.enabled, c.enabled) << c.id;
    }
}

TEST(BrowserMenu, FramePropertiesShowTheFirstSelectedFrameOnTheAnimationPage) {
    AppHarness h;
    CMainFrame& main = h.Start().MainFrame();
    const fs::path gif = WriteAnimatedGif(h.scratch / "anim.gif", 3);
    main.BrowseLocation(gif);
    CFileView& view = main.Browser()->View();
    ASSERT_EQ(view.Total(), 3);
    QItemSelection selection;
    selection.select(view.Model().index(1, 0), view.Model().index(2, 0));
    view.CurrentView()->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    Settle();
    main.UpdateCommandStates();
    ASSERT_TRUE(main.Action(cmd::kBrowserProperties)->isEnabled());
    main.Action(cmd::kBrowserProperties)->trigger();
    Settle();
    ASSERT_EQ(main.PictureWindows().size(), 1u);
    CChildFrame* window = main.ActivePictureWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Document().FrameCount(), 3u);
    EXPECT_EQ(window->Document().CurrentFrame(), 1u);
    EXPECT_EQ(main.CurrentPage(), 2);
    // Again from the browser: the window that shows the picture is used, not a second one.
    main.ActivateFirst(CMainFrame::WindowKind::Browser, true);
    Settle();
    main.Action(cmd::kBrowserProperties)->trigger();
    Settle();
    EXPECT_EQ(main.PictureWindows().size(), 1u);
    EXPECT_EQ(main.ActivePictureWindow(), window);
}

TEST(Screenshot, BrowserWindow) {
    AppHarness h;
    CLumaprismApp& app = h.Start();
    CMainFrame& main = app.MainFrame();
    main.showNormal();
    main.resize(1100, 760);
    const fs::path folder = h.scratch / "Pictures";
    fs::create_directories(folder);
    SavePictureByExtension(test::PatternPicture(160, 120), folder / "pattern.png");
    SavePictureByExtension(test::PatternPicture(90, 140), folder / "tall.bmp");
    fs::copy_file(app.ProposedOpenName(), folder / "rock.jpg");
    main.BrowseLocation(folder);
    ASSERT_TRUE(WaitForPass(main.Browser()->View()));
    // The tree as a user's first visit shows it: the root drive, the network and a listed site
    // (the folders of the machine the picture is made on are nobody's business).
    CDriveView& tree = *main.DriveView();
    SiteRecord site;
    site.url = "www.example.com/";
    tree.Sites().Add(site);
    tree.ReloadSites();
    tree.collapseAll();
    for (int i = 0; i < tree.topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = tree.topLevelItem(i);
        const bool keep = item == tree.NetworkItem() || item == tree.SitesItem() || CDriveView::PathOf(item) == "/";
        item->setHidden(!keep);
    }
    tree.SitesItem()->setExpanded(true);
    main.Browser()->View().SetViewStyle(CFileView::ViewStyle::ThumbNail);
    Settle();
    const QImage shot = main.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const char* dir = std::getenv("LP_SCREENSHOT_DIR");
    const fs::path path = fs::path(dir && *dir ? dir : fs::current_path().string()) / "lumaprism-browser.png";
    EXPECT_TRUE(shot.save(QString::fromStdString(path.string())));
}

}  // namespace
}  // namespace lp
