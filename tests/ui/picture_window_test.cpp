// Picture windows: opening every format, the caption with the transfer times,
// the document commands through the menus, the clipboard, bad files.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QMimeData>
#include <QSplitter>
#include <cstdio>
#include <fstream>

#include "app/ui/file_registration.h"
#include "document/ui/frame_strip.h"
#include "document/ui/qt_picture_clipboard.h"
#include "formats/format_table.h"
#include "imaging/ui/qimage_convert.h"
#include "optimize/transfer_info.h"
#include "shell/ui/child_frame.h"
#include "shell/ui/ruler.h"
#include "guikit/ui/command_ids.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/orvantix_view.h"
#include "shell/ui/status_progress.h"
#include "ui/ui_test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;
using test::AppHarness;

std::string OneDecimal(double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", v);
    return buffer;
}

/// A picture of sixteen colours in blocks: every writer, GIF and 4-bit RLE too, keeps it exactly.
Picture FewColours(int width, int height) {
    Picture p;
    p.Create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int cell = (x / 5 + y / 5 * 3) % 16;
            const std::uint8_t level = (cell & 1) ? 255 : 0;
            test::SetPixel(p, x, y, MakeColour((cell & 2) ? 255 : 0, (cell & 4) ? 255 : 0, cell & 8 ? 255 : level));
        }
    return p;
}

bool SamePixels(const QImage& image, const Picture& picture) {
    return image.size() == QSize(picture.Width(), picture.Height()) && FromQImage(image).SamePixels(picture);
}

TEST(PictureWindow, OpensEveryFormatAndShowsIt) {
    AppHarness h;
    CLumaprismApp& app = h.Start();
    const Picture pattern = FewColours(40, 30);
    for (const char* extension : {".bmp", ".png", ".gif", ".jpg", ".tif", ".tga", ".pcx", ".rle", ".dib"}) {
        SCOPED_TRACE(extension);
        const fs::path file = h.scratch / (std::string("picture") + extension);
        SavePictureByExtension(pattern, file);
        CChildFrame* window = app.OpenDocumentFile(file);
        ASSERT_NE(window, nullptr) << (h.prompter.Messages().empty() ? "" : h.prompter.Messages().back().text);
        const QImage& shown = window->View().ShownImage();
        EXPECT_EQ(shown.size(), QSize(40, 30));
        EXPECT_TRUE(SamePixels(shown, *window->Document().GetPicture()));
        const std::string ext(extension);
        if (ext != ".jpg") {
            EXPECT_TRUE(SamePixels(shown, pattern));
        }
        EXPECT_TRUE(window->windowTitle().endsWith(QString::fromStdString(file.filename().string())));
        EXPECT_TRUE(window->windowTitle().startsWith(QStringLiteral("(Master) (JPG ")));
        EXPECT_EQ(window->StatusProgress().PaneText(1), QStringLiteral("Frame 1 of 1"));
        EXPECT_EQ(window->StatusProgress().PaneText(2), QStringLiteral("      40 x 30"));
        EXPECT_EQ(window->StatusProgress().PaneText(3), QStringLiteral("Master Picture Window"));
    }
    EXPECT_EQ(app.MainFrame().PictureWindows().size(), 9u);
    EXPECT_TRUE(h.prompter.Messages().empty());
}

TEST(PictureWindow, CaptionCarriesTheTransferTimes) {
    AppHarness h;
    h.store.WriteInt(kSettingsSection, "ModemSpeed", 56000);
    const fs::path file = h.scratch / "photo.jpg";
    SavePictureByExtension(test::PatternPicture(200, 150), file);
    CChildFrame* window = h.Start(file).MainFrame().PictureWindows().at(0);
    // A JPEG file is its own JPEG measurement: its size on disk at the modem speed.
    const double jpegSeconds = double(fs::file_size(file)) * 8 / 56000;
    const TransferInfo& t = window->Document().Transfer();
    const std::string expected = "(Master) (JPG " + OneDecimal(jpegSeconds) + "s)   (GIF " +
                                 OneDecimal(TransferSeconds(t.gifBytes, 56000)) + "s) photo.jpg";
    EXPECT_EQ(window->windowTitle().toStdString(), expected);
    EXPECT_GT(t.gifBytes, 0);
}

TEST(PictureWindow, CaptionWithPngTimes) {
    AppHarness h;
    h.store.WriteInt(kSettingsSection, "Use PNG", 1);
    const fs::path file = h.scratch / "art.png";
    SavePictureByExtension(test::PatternPicture(64, 64), file);
    CChildFrame* window = h.Start(file).MainFrame().PictureWindows().at(0);
    const QString caption = window->windowTitle();
    EXPECT_TRUE(caption.startsWith(QStringLiteral(" (Master) (JPG "))) << caption.toStdString();
    EXPECT_TRUE(caption.contains(QStringLiteral("   (PNG "))) << caption.toStdString();
    EXPECT_TRUE(caption.endsWith(QStringLiteral("s) art.png"))) << caption.toStdString();
}

TEST(PictureWindow, CommandStatesFollowTheDocument) {
    AppHarness h;
    const fs::path file = h.scratch / "states.bmp";
    SavePictureByExtension(test::PatternPicture(20, 10), file);
    CLumaprismApp& app = h.Start(file);
    CMainFrame& frame = app.MainFrame();
    frame.UpdateCommandStates();
    auto enabled = [&](int id) { return frame.Action(id)->isEnabled(); };
    EXPECT_TRUE(enabled(cmd::kFileSave));
    EXPECT_TRUE(enabled(cmd::kFileSaveAs));
    EXPECT_TRUE(enabled(cmd::kEditCopy));
    EXPECT_TRUE(enabled(cmd::kAddFrame));
    EXPECT_FALSE(enabled(cmd::kEditUndo));
    EXPECT_FALSE(enabled(cmd::kReload));  // not modified
    EXPECT_FALSE(enabled(cmd::kDeleteFrame));
    EXPECT_FALSE(enabled(cmd::kNextFrame));
    EXPECT_FALSE(enabled(cmd::kPlay));
    EXPECT_FALSE(enabled(cmd::kEditPaste));  // the clipboard is empty

    COrvantixDoc& doc = frame.PictureWindows()[0]->Document();
    ASSERT_TRUE(doc.ApplyEdit([](Picture& p) { p.Fill(0x0000FF); }));
    frame.UpdateCommandStates();
    EXPECT_TRUE(enabled(cmd::kEditUndo));
    EXPECT_TRUE(enabled(cmd::kReload));
}

TEST(PictureWindow, EditUndoSaveReloadThroughTheMenus) {
    AppHarness h;
    const fs::path file = h.scratch / "edit.png";
    const Picture original = test::PatternPicture(30, 20);
    SavePictureByExtension(original, file);
    CLumaprismApp& app = h.Start(file);
    CMainFrame& frame = app.MainFrame();
    CChildFrame* window = frame.PictureWindows().at(0);
    COrvantixDoc& doc = window->Document();

    ASSERT_TRUE(doc.ApplyEdit([](Picture& p) { p.Fill(0x00FF00); }));
    EXPECT_EQ(test::PixelAt(FromQImage(window->View().ShownImage()), 0, 0), 0x00FF00);
    frame.Action(cmd::kEditUndo)->trigger();
    EXPECT_TRUE(doc.GetPicture()->SamePixels(original));
    EXPECT_TRUE(SamePixels(window->View().ShownImage(), original));
    EXPECT_FALSE(frame.Action(cmd::kEditUndo)->isEnabled());

    ASSERT_TRUE(doc.ApplyEdit([](Picture& p) { p.Fill(0x112233); }));
    frame.Action(cmd::kFileSave)->trigger();
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(test::PixelAt(LoadPicture(file, SniffFileType(file)), 5, 5), 0x112233);

    // Reload asks first; Yes reads the file again.
    ASSERT_TRUE(doc.ApplyEdit([](Picture& p) { p.Fill(0x445566); }));
    h.prompter = ScriptedPrompter({PromptAnswer::Yes});
    frame.Action(cmd::kReload)->trigger();
    ASSERT_EQ(h.prompter.Questions().size(), 1u);
    EXPECT_NE(h.prompter.Questions()[0].text.find("Discard Changes to Picture"), std::string::npos);
    EXPECT_EQ(test::PixelAt(*doc.GetPicture(), 5, 5), 0x112233);
    EXPECT_EQ(test::PixelAt(FromQImage(window->View().ShownImage()), 5, 5), 0x112233);
    EXPECT_FALSE(doc.IsModified());
}

TEST(PictureWindow, SaveAsTakesTheNewNameInTheCaption) {
    AppHarness h;
    const fs::path file = h.scratch / "orig.bmp";
    SavePictureByExtension(test::PatternPicture(16, 16), file);
    CLumaprismApp& app = h.Start(file);
    CMainFrame& frame = app.MainFrame();
    // Typed without extension with "GIF Files" (index 2) chosen.
    h.chooser.saveAnswers.push_back(FileChooser::SaveChoice{h.scratch / "copy", 2});
    frame.Action(cmd::kFileSaveAs)->trigger();
    ASSERT_EQ(h.chooser.saveFilters.size(), 1u);
    EXPECT_EQ(h.chooser.saveFilters[0], 4);  // the document's own ".bmp" filter is preselected
    const fs::path saved = h.scratch / "copy.gif";
    ASSERT_TRUE(fs::exists(saved));
    EXPECT_EQ(SniffFileType(saved), PictureFileType::Gif);
    CChildFrame* window = frame.PictureWindows().at(0);
    EXPECT_TRUE(window->windowTitle().endsWith(QStringLiteral("copy.gif"))) << window->windowTitle().toStdString();
    EXPECT_EQ(window->Document().PathName(), saved);
}

TEST(PictureWindow, CopyAndPasteThroughTheMenus) {
    AppHarness h;
    const fs::path file = h.scratch / "clip.bmp";
    const Picture original = test::PatternPicture(12, 9);
    SavePictureByExtension(original, file);
    CLumaprismApp& app = h.Start(file);
    CMainFrame& frame = app.MainFrame();
    frame.UpdateCommandStates();
    EXPECT_FALSE(frame.Action(cmd::kEditPaste)->isEnabled());
    frame.Action(cmd::kEditCopy)->trigger();
    ASSERT_TRUE(h.clipboard.HasPicture());
    EXPECT_TRUE(frame.Action(cmd::kEditPaste)->isEnabled());
    frame.Action(cmd::kEditPaste)->trigger();
    ASSERT_EQ(frame.PictureWindows().size(), 2u);
    CChildFrame* pasted = frame.PictureWindows()[1];
    EXPECT_TRUE(pasted->Document().GetPicture()->SamePixels(original));
    EXPECT_TRUE(pasted->Document().IsModified());
    EXPECT_TRUE(pasted->windowTitle().endsWith(QStringLiteral("Untitled")));
    EXPECT_EQ(frame.ActivePictureWindow(), pasted);
}

TEST(PictureWindow, SystemClipboardRoundTrip) {
    QtPictureClipboard clipboard;
    const Picture picture = test::PatternPicture(7, 5);
    ASSERT_EQ(clipboard.PutPicture(picture), PictureClipboard::Status::Ok);
    EXPECT_TRUE(clipboard.HasPicture());
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasImage());
    std::optional<Picture> back;
    ASSERT_EQ(clipboard.GetPicture(back), PictureClipboard::Status::Ok);
    ASSERT_TRUE(back.has_value());
    EXPECT_TRUE(back->SamePixels(picture));
    QGuiApplication::clipboard()->setText(QStringLiteral("no picture"));
    EXPECT_FALSE(clipboard.HasPicture());
    ASSERT_EQ(clipboard.GetPicture(back), PictureClipboard::Status::Ok);
    EXPECT_FALSE(back.has_value());
}

TEST(PictureWindow, BadFilesLeaveNoWindow) {
    AppHarness h;
    CLumaprismApp& app = h.Start();
    struct Case {
        const char* name;
        std::string bytes;
        const char* messageHas;
    };
    const Case cases[] = {
        {"broken.bmp", std::string("BM\x10\x00\x00\x00garbage-not-a-bitmap", 26), ""},
        {"cut.png", std::string("\x89PNG\r\n\x1a\n\x00\x00\x00\x0dIHDR", 16), ""},
        {"notes.txt", "just some text, no picture here", "Don't know to load"},
        {"empty.gif", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = h.scratch / c.name;
        std::ofstream(file, std::ios::binary) << c.bytes;
        const std::size_t messages = h.prompter.Messages().size();
        EXPECT_EQ(app.OpenDocumentFile(file), nullptr);
        ASSERT_EQ(h.prompter.Messages().size(), messages + 1);
        EXPECT_NE(h.prompter.Messages().back().text.find(c.messageHas), std::string::npos)
            << h.prompter.Messages().back().text;
        EXPECT_TRUE(app.MainFrame().PictureWindows().empty());
    }
    // The open command with a bad file: the message, no window.
    h.chooser.openAnswers.push_back({h.scratch / "notes.txt"});
    app.MainFrame().RouteCommand(cmd::kFileOpen);
    EXPECT_TRUE(app.MainFrame().PictureWindows().empty());
    EXPECT_EQ(app.AskWizardStepsReached(), 0);
}

TEST(PictureWindow, FramesThroughTheMenusAndTheStrip) {
    AppHarness h;
    const fs::path first = h.scratch / "anim.gif";
    const fs::path second = h.scratch / "second.bmp";
    SavePictureByExtension(FewColours(40, 40), first);
    Picture other = FewColours(40, 40);
    other.Fill(0x000080);
    SavePictureByExtension(other, second);
    CLumaprismApp& app = h.Start(first);
    CMainFrame& frame = app.MainFrame();
    CChildFrame* window = frame.PictureWindows().at(0);
    window->resize(400, 400);
    QApplication::processEvents();
    EXPECT_EQ(window->Splitter()->sizes().at(1), 0);  // one frame: no strip

    h.chooser.openAnswers.push_back({second});
    frame.Action(cmd::kAddFrame)->trigger();
    ASSERT_EQ(window->Document().FrameCount(), 2u);
    window->resize(400, 420);
    QApplication::processEvents();
    EXPECT_GT(window->Splitter()->sizes().at(1), 0);  // room for a thumbnail
    EXPECT_TRUE(frame.Action(cmd::kDeleteFrame)->isEnabled());
    // The strip shows both frames, each with its thumbnail, the current one selected.
    CFrameStrip* strip = window->FrameStrip();
    ASSERT_EQ(strip->count(), 2);
    EXPECT_EQ(strip->item(1)->text(), QStringLiteral("Frame 2"));
    EXPECT_FALSE(strip->item(1)->icon().isNull());
    EXPECT_EQ(strip->item(1)->icon().pixmap(40, 40).toImage().pixel(20, 20) & 0xFFFFFF, 0x800000u);  // red 0x80
    EXPECT_EQ(strip->currentRow(), 0);

    EXPECT_TRUE(frame.Action(cmd::kNextFrame)->isEnabled());
    frame.Action(cmd::kNextFrame)->trigger();
    EXPECT_EQ(window->Document().CurrentFrame(), 1u);
    EXPECT_EQ(window->StatusProgress().PaneText(1), QStringLiteral("Frame 2 of 2"));
    EXPECT_EQ(test::PixelAt(FromQImage(window->View().ShownImage()), 3, 3), 0x000080);
    EXPECT_FALSE(frame.Action(cmd::kNextFrame)->isEnabled());
    EXPECT_EQ(strip->currentRow(), 1);
    // A click on the strip makes that frame current.
    strip->setCurrentRow(0);
    EXPECT_EQ(window->Document().CurrentFrame(), 0u);
    EXPECT_EQ(window->StatusProgress().PaneText(1), QStringLiteral("Frame 1 of 2"));
    frame.Action(cmd::kDeleteFrame)->trigger();
    EXPECT_EQ(window->Document().FrameCount(), 1u);
    EXPECT_EQ(strip->count(), 0);  // a single picture has no strip
    EXPECT_FALSE(frame.Action(cmd::kDeleteFrame)->isEnabled());
    EXPECT_TRUE(window->Document().IsModified());
}

TEST(PictureWindow, RulersTwiceRestoreTheSize) {
    AppHarness h;
    const fs::path file = h.scratch / "rulers.bmp";
    SavePictureByExtension(test::PatternPicture(10, 10), file);
    CMainFrame& frame = h.Start(file).MainFrame();
    CChildFrame* window = frame.PictureWindows().at(0);
    window->showNormal();
    window->resize(300, 250);
    const QRect before = window->geometry();
    EXPECT_TRUE(window->HorzRuler()->isHidden());
    frame.Action(cmd::kViewRuler)->trigger();
    EXPECT_FALSE(window->HorzRuler()->isHidden());
    EXPECT_FALSE(window->VertRuler()->isHidden());
    EXPECT_EQ(window->size(), before.size() + QSize(20, 20));
    EXPECT_EQ(window->pos(), before.topLeft());
    EXPECT_TRUE(frame.Action(cmd::kViewRuler)->isChecked());
    frame.Action(cmd::kViewRuler)->trigger();
    EXPECT_EQ(window->geometry(), before);
    EXPECT_TRUE(window->HorzRuler()->isHidden());
}

TEST(PictureWindow, ModifiedWindowAsksBeforeClosing) {
    AppHarness h;
    const fs::path file = h.scratch / "keep.bmp";
    SavePictureByExtension(test::PatternPicture(10, 10), file);
    CMainFrame& frame = h.Start(file).MainFrame();
    CChildFrame* window = frame.PictureWindows().at(0);
    ASSERT_TRUE(window->Document().ApplyEdit([](Picture& p) { p.Fill(0); }));
    h.prompter = ScriptedPrompter({PromptAnswer::Cancel});
    EXPECT_FALSE(window->close());
    EXPECT_EQ(frame.PictureWindows().size(), 1u);
    ASSERT_EQ(h.prompter.Questions().size(), 1u);
    EXPECT_EQ(h.prompter.Questions()[0].text, "Save changes to keep.bmp?");
    h.prompter = ScriptedPrompter({PromptAnswer::Yes});
    EXPECT_TRUE(window->close());
    QApplication::processEvents();
    EXPECT_TRUE(frame.PictureWindows().empty());
    EXPECT_EQ(test::PixelAt(LoadPicture(file, PictureFileType::Bmp), 1, 1), 0);
}

TEST(PictureWindow, RegistersAsHandlerOnlyForChosenTypes) {
    AppHarness h;
    h.store.WriteInt(kSettingsSection, "DefaultBrowser", 0x20);  // PNG only
    CLumaprismApp& app = h.Start();
    const fs::path png = h.scratch / "a.png";
    const fs::path bmp = h.scratch / "b.bmp";
    const fs::path disguised = h.scratch / "c.png";
    SavePictureByExtension(test::PatternPicture(4, 4), png);
    SavePictureByExtension(test::PatternPicture(4, 4), bmp);
    fs::copy_file(bmp, disguised);  // a BMP named .png: the extension does not match the type
    ASSERT_NE(app.OpenDocumentFile(png), nullptr);
    ASSERT_NE(app.OpenDocumentFile(bmp), nullptr);
    app.OpenDocumentFile(disguised);
    ASSERT_EQ(h.programsRun.size(), 1u);
    EXPECT_EQ(h.programsRun[0], "xdg-mime default lumaprism.desktop image/png");
}

}  // namespace
}  // namespace lp

namespace lp {
namespace {

TEST(DesktopEntry, ListsEveryTypeTheProgramRegistersFor) {
    const std::filesystem::path desktop = test::SourceDir() / "resources" / "lumaprism.desktop";
    std::ifstream in(desktop);
    ASSERT_TRUE(in) << desktop;
    std::string line, mimeLine, execLine;
    while (std::getline(in, line)) {
        if (line.rfind("MimeType=", 0) == 0) mimeLine = line;
        if (line.rfind("Exec=", 0) == 0) execLine = line;
    }
    EXPECT_EQ(execLine, "Exec=lumaprism %f");
    test::ScratchDir scratch;
    for (const char* ext : {".jpg", ".jpeg", ".gif", ".png", ".bmp", ".pcx", ".tga", ".tif", ".tiff", ".rle", ".dib"}) {
        const std::filesystem::path file = scratch / (std::string("x") + ext);
        const std::string writerExt = std::string(ext) == ".jpeg" ? ".jpg" : std::string(ext) == ".tiff" ? ".tif" : ext;
        SavePictureByExtension(test::PatternPicture(4, 4), scratch / ("w" + writerExt));
        std::filesystem::copy_file(scratch / ("w" + writerExt), file);
        const FileTypeRegistration registration = RegistrationFor(file);
        ASSERT_NE(registration.bit, 0) << ext;
        EXPECT_NE(mimeLine.find(registration.mimeType + ";"), std::string::npos) << registration.mimeType;
    }
}

}  // namespace
}  // namespace lp
