#include "document/picture_document.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <thread>

#include "base/data_folders.h"
#include "base/prompter.h"
#include "formats/format_table.h"
#include "formats/gif/gif_reader.h"
#include "formats/gif/gif_writer.h"
#include "imaging/colour_count.h"
#include "base/imp_exp_exception.h"
#include "test_support.h"
#include "tools/palette.h"

namespace lp {
namespace {

using test::PatternPicture;
using test::PixelAt;
using test::SetPixel;

constexpr ColourRef kFill = MakeColour(200, 40, 10);

/// A picture of exactly n distinct colours (n <= width * height).
Picture ColouredPicture(int width, int height, int n) {
    Picture p;
    p.Create(width, height);
    for (int i = 0; i < width * height; ++i) {
        const int c = i % n;
        SetPixel(p, i % width, i / width,
                 MakeColour(std::uint8_t(c * 7), std::uint8_t(c / 37 * 11), std::uint8_t(c % 5)));
    }
    return p;
}

GifFrameList OneFrame(Picture p) {
    GifFrameList frames;
    GifFrame f;
    f.delay = 50;
    f.picture = std::move(p);
    frames.Add(std::move(f));
    return frames;
}

/// One document with a scripted prompter, settings and data folders under a scratch folder.
class DocumentTest : public ::testing::Test {
protected:
    DocumentTest() : m_folders(DataFolders::UnderRoot(m_dir / "home")) {
        settings.usePng = 1;
        InstallShippedPalettes(m_folders);
    }

    DocumentServices Services() {
        DocumentServices s;
        s.prompter = &prompter;
        s.settings = &settings;
        s.folders = &m_folders;
        s.addToRecentFiles = [this](const std::filesystem::path& p) { recent.push_back(p); };
        return s;
    }
    std::unique_ptr<COrvantixDoc> NewDocument() { return std::make_unique<COrvantixDoc>(Services()); }

    std::filesystem::path Write(const std::string& name, const Picture& picture) {
        const auto path = m_dir / name;
        SavePictureByExtension(picture, path);
        return path;
    }
    std::filesystem::path WriteAnimation(const std::string& name, std::initializer_list<int> colourCounts) {
        GifFrameList frames;
        int i = 0;
        for (int n : colourCounts) {
            GifFrame f;
            f.delay = 3;
            f.index = i++;
            f.picture = ColouredPicture(12, 10, n);
            frames.Add(std::move(f));
        }
        GifInfo info;
        info.loopCount = 0;
        info.loop = 1;
        const auto path = m_dir / name;
        SaveGif(frames, info, path);
        return path;
    }
    const std::filesystem::path& Dir() const { return m_dir.Path(); }
    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> out;
        for (const auto& m : prompter.Messages()) out.push_back(m.text);
        return out;
    }

    test::ScratchDir m_dir;
    DataFolders m_folders;
    AppSettings settings;
    ScriptedPrompter prompter;
    std::vector<std::filesystem::path> recent;
};

// --- Opening ----------------------------------------------------------------------------------

struct FormatCase {
    const char* extension;
    int formatTab;
    bool lossless;
};
constexpr FormatCase kFormats[] = {
    {".bmp", 0, true}, {".jpg", 2, false}, {".png", 1, true}, {".gif", 1, true}, {".tif", 0, true},
    {".tga", 0, true}, {".pcx", 0, true},  {".rle", 0, true}, {".dib", 0, true},
};

TEST_F(DocumentTest, OpensEveryFormatAsOneFrameAndMeasuresIt) {
    for (const FormatCase& c : kFormats) {
        SCOPED_TRACE(c.extension);
        const auto path = Write(std::string("open") + c.extension, PatternPicture(16, 12));
        auto doc = NewDocument();
        ASSERT_TRUE(doc->Open(path)) << (prompter.Messages().empty() ? "" : prompter.Messages().back().text);
        ASSERT_NE(doc->GetPicture(), nullptr);
        EXPECT_EQ(doc->GetPicture()->Width(), 16);
        EXPECT_EQ(doc->GetPicture()->Height(), 12);
        ASSERT_EQ(doc->FrameCount(), 1u);
        // A GIF brings its own frame record; other formats get the new record (Delay 50).
        if (std::string(c.extension) != ".gif") {
            EXPECT_EQ(doc->Frames()[0].delay, 50);
        }
        EXPECT_EQ(doc->Frames()[0].transparentColour, kNoColour);
        EXPECT_EQ(doc->FormatTab(), c.formatTab);
        EXPECT_EQ(doc->Title(), path.filename().string());
        EXPECT_FALSE(doc->IsModified());
        EXPECT_FALSE(doc->CanUndo());
        EXPECT_EQ(doc->ColourCount(), CountColours(*doc->GetPicture()));
        ASSERT_FALSE(recent.empty());
        EXPECT_EQ(recent.back(), path);

        const TransferInfo& t = doc->Transfer();
        const auto size = std::int32_t(std::filesystem::file_size(path));
        EXPECT_EQ(t.fileBytes, size);
        EXPECT_EQ(t.width0, 16);
        if (std::string(c.extension) == ".jpg") {
            EXPECT_EQ(t.jpegBytes0, size);
        }
        if (std::string(c.extension) == ".gif") {
            EXPECT_EQ(t.gifBytes0, size);
        }
        if (std::string(c.extension) == ".png") {
            EXPECT_EQ(t.pngBytes0, size);
        }
        EXPECT_GT(t.gifBytes0, 0);
        EXPECT_GT(t.jpegBytes0, 0);
        EXPECT_GT(t.pngBytes0, 0);
        EXPECT_GT(t.gifSeconds, 0);
    }
    EXPECT_TRUE(prompter.Messages().empty());
}

TEST_F(DocumentTest, BadFilesShowTheirMessageAndCreateNothing) {
    const auto unknown = Dir() / "notes.xyz";
    test::WriteFileBytes(unknown, {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'});
    const auto empty = Dir() / "empty.png";
    test::WriteFileBytes(empty, {});
    auto bytes = test::ReadFileBytes(Write("cut.bmp", PatternPicture(16, 12)));
    bytes.resize(30);
    const auto truncated = Dir() / "cut.bmp";
    test::WriteFileBytes(truncated, bytes);
    const auto corrupt = Dir() / "corrupt.gif";
    test::WriteFileBytes(corrupt, {'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0});
    const auto missing = Dir() / "missing.jpg";

    auto doc = NewDocument();
    EXPECT_FALSE(doc->Open(unknown));
    ASSERT_EQ(prompter.Messages().size(), 1u);
    EXPECT_EQ(prompter.Messages()[0].text, "Unsupported\\Don't know to load .xyz format");
    for (const auto& path : {empty, truncated, corrupt, missing}) {
        SCOPED_TRACE(path.string());
        const std::size_t before = prompter.Messages().size();
        EXPECT_FALSE(doc->Open(path));
        EXPECT_EQ(prompter.Messages().size(), before + 1);
        EXPECT_FALSE(prompter.Messages().back().text.empty());
    }
    EXPECT_FALSE(doc->HasPicture());
    EXPECT_EQ(doc->GetPicture(), nullptr);
    EXPECT_TRUE(doc->PathName().empty());
    EXPECT_EQ(COrvantixDoc::OpenDocument(corrupt, Services()), nullptr);
    EXPECT_TRUE(recent.empty());
    EXPECT_NE(COrvantixDoc::OpenDocument(Write("whole.bmp", PatternPicture(4, 4)), Services()), nullptr);
}

TEST_F(DocumentTest, AFailedOpenKeepsWhatTheDocumentHeld) {
    const auto good = Write("keep.png", PatternPicture(8, 8));
    const auto bad = Dir() / "bad.png";
    test::WriteFileBytes(bad, {0x89, 'P', 'N', 'G', 1, 2, 3});
    auto doc = NewDocument();
    ASSERT_TRUE(doc->Open(good));
    const Picture before = *doc->GetPicture();
    EXPECT_FALSE(doc->Open(bad));
    ASSERT_TRUE(doc->HasPicture());
    EXPECT_TRUE(doc->GetPicture()->SamePixels(before));
    EXPECT_EQ(doc->PathName(), good);
}

TEST_F(DocumentTest, AnimatedGifArrivesAsFrames) {
    const auto path = WriteAnimation("anim.gif", {3, 5, 7});
    auto doc = NewDocument();
    ASSERT_TRUE(doc->Open(path));
    ASSERT_EQ(doc->FrameCount(), 3u);
    EXPECT_EQ(doc->CurrentFrame(), 0u);
    EXPECT_EQ(doc->FormatTab(), 1);
    EXPECT_FALSE(doc->ShowsJpegPage());
    EXPECT_EQ(doc->AnimationInfo().valid, 1);
    // An animation is measured by its current frame, not by its file.
    EXPECT_NE(doc->Transfer().gifBytes0, std::int32_t(std::filesystem::file_size(path)));
    EXPECT_EQ(doc->Transfer().isAnimation, 1);
    EXPECT_GT(doc->Transfer().allFramesKb, 0);
}

TEST_F(DocumentTest, ConvToPaletSettingMapsNonJpegPicturesOnOpening) {
    settings.convToPalet = 1;
    settings.paletteName = "Web-Safe";
    const auto png = Write("web.png", PatternPicture(16, 12));
    auto doc = NewDocument();
    ASSERT_TRUE(doc->Open(png));
    const Picture& p = *doc->GetPicture();
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x) {
            const ColourRef c = PixelAt(p, x, y);
            EXPECT_EQ(RedOf(c) % 51, 0);
            EXPECT_EQ(GreenOf(c) % 51, 0);
            EXPECT_EQ(BlueOf(c) % 51, 0);
        }
    EXPECT_FALSE(doc->IsModified());
    const auto jpg = Write("web.jpg", PatternPicture(16, 12));
    ASSERT_TRUE(doc->Open(jpg));
    EXPECT_NE(RedOf(PixelAt(*doc->GetPicture(), 3, 3)) % 51 + GreenOf(PixelAt(*doc->GetPicture(), 3, 3)) % 51, 0);
}

// --- Edit, undo, save, reload ---------------------------------------------------------------

TEST_F(DocumentTest, EditUndoSaveAndReloadEveryFormat) {
    for (const FormatCase& c : kFormats) {
        SCOPED_TRACE(c.extension);
        const auto path = Write(std::string("cycle") + c.extension, PatternPicture(16, 12));
        auto doc = NewDocument();
        ASSERT_TRUE(doc->Open(path));
        const Picture original = *doc->GetPicture();

        ASSERT_TRUE(doc->ApplyEdit([](Picture& p) { p.Fill(kFill); }));
        EXPECT_TRUE(doc->IsModified());
        EXPECT_TRUE(doc->CanUndo());
        EXPECT_EQ(doc->ColourCount(), 1);
        EXPECT_EQ(doc->Frames()[0].colourCount, 1);
        doc->Undo();
        EXPECT_TRUE(doc->GetPicture()->SamePixels(original));
        EXPECT_FALSE(doc->CanUndo());
        doc->Undo();  // one level only: a second undo changes nothing
        EXPECT_TRUE(doc->GetPicture()->SamePixels(original));

        ASSERT_TRUE(doc->ApplyEdit([](Picture& p) { p.Fill(kFill); }));
        EXPECT_EQ(doc->Save(), COrvantixDoc::SaveResult::Saved);
        EXPECT_FALSE(doc->IsModified());
        const Picture onDisk = lp::LoadPicture(path, SniffFileType(path));
        const ColourRef saved = PixelAt(onDisk, 5, 5);
        if (c.lossless) {
            EXPECT_EQ(saved, kFill);
        } else {
            EXPECT_NEAR(RedOf(saved), RedOf(kFill), 8);
            EXPECT_NEAR(GreenOf(saved), GreenOf(kFill), 8);
        }

        // Reload asks, and on Yes reads the file again.
        ASSERT_TRUE(doc->ApplyEdit([](Picture& p) { p.Fill(0); }));
        prompter = ScriptedPrompter({PromptAnswer::Yes});
        ASSERT_TRUE(doc->Reload());
        ASSERT_EQ(prompter.Questions().size(), 1u);
        EXPECT_EQ(prompter.Questions()[0].text, "Discard Changes to Picture " + path.string());
        EXPECT_FALSE(doc->IsModified());
        EXPECT_FALSE(doc->CanUndo());
        EXPECT_EQ(PixelAt(*doc->GetPicture(), 5, 5), saved);
    }
}

TEST_F(DocumentTest, ReloadOnlyForModifiedDocumentsAndNoKeepsChanges) {
    const auto path = Write("reload.bmp", PatternPicture(8, 8));
    auto doc = NewDocument();
    ASSERT_TRUE(doc->Open(path));
    EXPECT_FALSE(doc->Reload());
    EXPECT_TRUE(prompter.Questions().empty());
    ASSERT_TRUE(doc->ApplyEdit([](Picture& p) { p.Fill(kFill); }));
    prompter = ScriptedPrompter({PromptAnswer::No});
    EXPECT_FALSE(doc->Reload());
    EXPECT_EQ(prompter.Questions().size(), 1u);
    EXPECT_EQ(PixelAt(*doc->GetPicture(), 0, 0), kFill);
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(DocumentTest, AFailingEditLeavesPictureAndUndoAlone) {
    const auto path = Write("edit.bmp", PatternPicture(8, 8));
    auto doc = NewDocument();
    ASSERT_TRUE(doc->Open(path));
    const Picture before = *doc->GetPicture();
    EXPECT_FALSE(doc->ApplyEdit([](Picture& p) {
        p.Fill(kFill);
        throw ImpExpException("edit", "Not Enough Memory", "Bitmap Error");
    }));
    EXPECT_TRUE(doc->GetPicture()->SamePixels(before));
    EXPECT_FALSE(doc->CanUndo());
    EXPECT_FALSE(doc->IsModified());
    ASSERT_FALSE(prompter.Messages().empty());
    EXPECT_EQ(prompter.Messages().back().text, "Not Enough Memory");
    EXPECT_EQ(prompter.Messages().back().caption, "Bitmap Error");
}

TEST_F(DocumentTest, SaveInPlaceOrSaveAs) {
    auto doc = NewDocument();
    EXPECT_EQ(doc->Save(), COrvantixDoc::SaveResult::NeedsSaveAs);  // nothing, no name
    const auto anim = WriteAnimation("two.gif", {2, 3});
    ASSERT_TRUE(doc->Open(anim));
    EXPECT_EQ(doc->Save(), COrvantixDoc::SaveResult::NeedsSaveAs);  // animations go through Save As
    EXPECT_EQ(doc->SaveAsFilterIndex(), 2);                         // "GIF Files"

    const auto measuring = Write("12##1~~.JPG", PatternPicture(8, 8));
    ASSERT_TRUE(doc->Open(measuring));
    EXPECT_EQ(doc->Save(), COrvantixDoc::SaveResult::NeedsSaveAs);

    const auto copy = Dir() / "saved as.png";
    const auto jpg = Write("single.jpeg", PatternPicture(8, 8));
    ASSERT_TRUE(doc->Open(jpg));
    EXPECT_EQ(doc->SaveAsFilterIndex(), 1);  // "Jpeg Files"
    ASSERT_TRUE(doc->ApplyEdit([](Picture& p) { p.Fill(kFill); }));
    ASSERT_TRUE(doc->SaveAs(copy));
    EXPECT_EQ(doc->PathName(), copy);
    EXPECT_EQ(doc->Title(), "saved as.png");
    EXPECT_FALSE(doc->CanUndo());
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(doc->Transfer().pngBytes0, std::int32_t(std::filesystem::file_size(copy)));
    EXPECT_EQ(doc->SaveAsFilterIndex(), 3);
}

TEST_F(DocumentTest, SaveDialogFilterFollowsTheExtension) {
    const struct {
        const char* name;
        int filter;
    } cases[] = {{"a.JPG", 1}, {"a.jpeg", 1}, {"a.gif", 2}, {"a.png", 3}, {"a.bmp", 4}, {"a.tif", 5},
                 {"a.tga", 6}, {"a.pcx", 7},  {"a.rle", 8}, {"a.dib", 9}, {"a.eps", 10}};
    auto doc = NewDocument();
    doc->AdoptContent(OneFrame(PatternPicture(8, 8)), GifInfo{});
    EXPECT_EQ(doc->SaveAsFilterIndex(), 0);  // no file yet: the first filter
    for (const auto& c : cases) {
        ASSERT_TRUE(doc->SaveAs(Dir() / c.name)) << c.name;
        EXPECT_EQ(doc->SaveAsFilterIndex(), c.filter) << c.name;
    }
    EXPECT_EQ(COrvantixDoc::WithFilterExtension("pic", 2), std::filesystem::path("pic.gif"));
    EXPECT_EQ(COrvantixDoc::WithFilterExtension("pic", 10), std::filesystem::path("pic.eps"));
    EXPECT_EQ(COrvantixDoc::WithFilterExtension("pic.png", 2), std::filesystem::path("pic.png"));
}

TEST_F(DocumentTest, UnsupportedSaveExtensionKeepsTheDocumentModified) {
    const auto path = Write("x.bmp", PatternPicture(8, 8));
    auto doc = NewDocument();
    ASSERT_TRUE(doc->Open(path));
    ASSERT_TRUE(doc->ApplyEdit([](Picture& p) { p.Fill(kFill); }));
    EXPECT_FALSE(doc->SaveAs(Dir() / "x.webp"));
    ASSERT_FALSE(prompter.Messages().empty());
    EXPECT_EQ(prompter.Messages().back().text, "Unsupported Format. Don't know to save as .WEBP.");
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(doc->PathName(), path);
    EXPECT_FALSE(std::filesystem::exists(Dir() / "x.webp"));
}

TEST_F(DocumentTest, SaveIntoAMissingFolderFailsAndKeepsTheDocument) {
    const auto path = Write("y.png", PatternPicture(8, 8));
    auto doc = NewDocument();
    ASSERT_TRUE(doc->Open(path));
    ASSERT_TRUE(doc->ApplyEdit([](Picture& p) { p.Fill(kFill); }));
    EXPECT_FALSE(doc->SaveAs(Dir() / "no such folder" / "y.png"));
    EXPECT_FALSE(prompter.Messages().empty());
    EXPECT_TRUE(doc->IsModified());
    EXPECT_TRUE(doc->CanUndo());
    EXPECT_EQ(doc->PathName(), path);
}

/// Lowers the file-size limit for the current process so that writes fail as on a full disk.
class FullDisk {
public:
    explicit FullDisk(rlim_t bytes) {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit lower = m_old;
        lower.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FullDisk() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

TEST_F(DocumentTest, AFullDiskLeavesTheOldFileAndTheModifiedDocument) {
    for (const char* ext : {".bmp", ".gif", ".png", ".jpg", ".tif"}) {
        SCOPED_TRACE(ext);
        const auto path = Write(std::string("full") + ext, PatternPicture(16, 12));
        const auto oldBytes = test::ReadFileBytes(path);
        auto doc = NewDocument();
        ASSERT_TRUE(doc->Open(path));
        // A picture far larger than the limit below.
        ASSERT_TRUE(doc->ApplyEdit([](Picture& p) { p = PatternPicture(300, 200); }));
        bool saved = true;
        {
            FullDisk disk(256);
            saved = doc->SavePicture(path);
        }
        EXPECT_FALSE(saved);
        EXPECT_EQ(test::ReadFileBytes(path), oldBytes);
        EXPECT_TRUE(doc->IsModified());
        EXPECT_FALSE(prompter.Messages().empty());
        std::size_t leftovers = 0;
        for (const auto& entry : std::filesystem::directory_iterator(Dir()))
            leftovers += entry.path().filename().string().find("full") != std::string::npos ? 1 : 0;
        EXPECT_EQ(leftovers, 1u) << "no temporary file stays behind";
        std::filesystem::remove(path);
    }
}

// --- Sizes match the files saving would write -------------------------------------------------

TEST_F(DocumentTest, MeasuredSizesEqualTheSizesOfSavedFiles) {
    // 300 colours: the GIF is written from a reduced copy and PNG as true colour; 40 colours:
    // palette PNG.
    for (int colours : {300, 40}) {
        SCOPED_TRACE(colours);
        const auto source = Write("measure" + std::to_string(colours) + ".bmp", ColouredPicture(40, 30, colours));
        auto doc = NewDocument();
        ASSERT_TRUE(doc->Open(source));
        const TransferInfo measured = doc->Transfer();
        EXPECT_EQ(measured.colors0, colours);
        for (const char* ext : {".gif", ".jpg", ".png"}) {
            auto fresh = NewDocument();
            ASSERT_TRUE(fresh->Open(source));
            const auto target = Dir() / ("measured" + std::to_string(colours) + ext);
            ASSERT_TRUE(fresh->SaveAs(target)) << ext;
            const auto size = std::int32_t(std::filesystem::file_size(target));
            if (std::string(ext) == ".gif") {
                EXPECT_EQ(measured.gifBytes0, size);
            }
            if (std::string(ext) == ".jpg") {
                EXPECT_EQ(measured.jpegBytes0, size);
            }
            if (std::string(ext) == ".png") {
                EXPECT_EQ(measured.pngBytes0, size);
            }
        }
        // The measurement never changed the document's own picture.
        EXPECT_EQ(doc->ColourCount(), colours);
    }
}

TEST_F(DocumentTest, UsePngOffMeasuresNoPngAndCaptionHasNoPngPart) {
    settings.usePng = 0;
    settings.modemSpeed = 28800;
    const auto path = Write("nopng.bmp", PatternPicture(16, 12));
    auto doc = NewDocument();
    ASSERT_TRUE(doc->Open(path));
    EXPECT_EQ(doc->Transfer().pngBytes0, 0);
    EXPECT_EQ(doc->Transfer().pngBytes, 0);
    const std::string caption = doc->Caption();
    EXPECT_EQ(caption.rfind("(Master) (JPG ", 0), 0u) << caption;
    EXPECT_EQ(caption.find("PNG"), std::string::npos);
    EXPECT_EQ(caption.substr(caption.size() - 12), "s) nopng.bmp");
    settings.modemSpeed = 0;
    EXPECT_EQ(doc->Caption(), "(Master) (JPG 0.0s)   (GIF 0.0s) nopng.bmp");
}

// --- Frames -----------------------------------------------------------------------------------

TEST_F(DocumentTest, GifSaveReducesOnlyFramesOverTheLimit) {
    auto doc = NewDocument();
    GifFrameList frames;
    for (int n : {300, 10, 2}) {
        GifFrame f;
        f.delay = 7;
        f.picture = ColouredPicture(20, 20, n);
        frames.Add(std::move(f));
    }
    doc->AdoptContent(std::move(frames), GifInfo{});
    const Picture second = doc->Frames()[1].picture;
    const auto path = Dir() / "three.gif";
    ASSERT_TRUE(doc->SaveAs(path));
    EXPECT_EQ(doc->Frames()[0].colourCount, 256);
    EXPECT_LE(CountColours(doc->Frames()[0].picture), 256);
    EXPECT_EQ(doc->Frames()[1].colourCount, 10);
    EXPECT_EQ(doc->Frames()[2].colourCount, 2);
    EXPECT_TRUE(doc->Frames()[1].picture.SamePixels(second));
    EXPECT_EQ(doc->AnimationInfo().valid, 1);

    const GifAnimation back = LoadGif(path);
    ASSERT_EQ(back.frames.Count(), 3u);
    EXPECT_EQ(back.frames[1].delay, 7);
    EXPECT_TRUE(back.frames[1].picture.SamePixels(second));
}

TEST_F(DocumentTest, WithoutCountingOnLoadWritersStillCountWhereTheyNeedTo) {
    // Conversions skip the count on opening; the writers that depend on it must
    // count for themselves: GIF fits 300 colours to 256, PNG picks a palette for 10.
    DocumentServices services = Services();
    services.measureSizes = false;
    services.countColoursOnLoad = false;
    for (const auto& [colours, target] : {std::pair{300, "many.gif"}, std::pair{10, "few.png"}}) {
        SCOPED_TRACE(target);
        COrvantixDoc doc(services);
        ASSERT_TRUE(doc.Open(Write(std::to_string(colours) + ".bmp", ColouredPicture(20, 20, colours))));
        EXPECT_EQ(doc.ColourCount(), 0);
        const auto path = Dir() / target;
        ASSERT_TRUE(doc.SavePicture(path));
        const Picture back = LoadPicture(path, path.extension() == ".gif" ? PictureFileType::Gif : PictureFileType::Png);
        EXPECT_EQ(CountColours(back), std::min(colours, 256));
        if (path.extension() == ".png") {
            std::ifstream in(path, std::ios::binary);
            std::vector<char> head(26);
            in.read(head.data(), 26);
            EXPECT_EQ(head[25], 3) << "colour type: a palette PNG";
        }
    }
}

TEST_F(DocumentTest, FrameNavigationDeleteAndFormatTab) {
    const auto path = WriteAnimation("nav.gif", {3, 5, 7});
    auto doc = NewDocument();
    ASSERT_TRUE(doc->Open(path));
    EXPECT_FALSE(doc->CanPreviousFrame());
    EXPECT_TRUE(doc->CanNextFrame());
    ASSERT_TRUE(doc->ApplyEdit([](Picture& p) { p.Fill(kFill); }));
    EXPECT_TRUE(doc->NextFrame());
    EXPECT_EQ(doc->CurrentFrame(), 1u);
    EXPECT_FALSE(doc->CanUndo());  // switching frames drops the undo picture
    EXPECT_EQ(doc->ColourCount(), 5);
    EXPECT_EQ(doc->Frames()[0].colourCount, 1);  // the edited frame kept its new count
    EXPECT_EQ(PixelAt(doc->Frames()[0].picture, 0, 0), kFill);
    doc->LastFrame();
    EXPECT_EQ(doc->CurrentFrame(), 2u);
    EXPECT_FALSE(doc->NextFrame());  // stays at the last frame
    EXPECT_EQ(doc->CurrentFrame(), 2u);
    EXPECT_TRUE(doc->PreviousFrame());
    doc->FirstFrame();
    EXPECT_EQ(doc->CurrentFrame(), 0u);

    doc->LastFrame();
    ASSERT_TRUE(doc->DeleteFrame());  // the last frame: the index moves back
    EXPECT_EQ(doc->FrameCount(), 2u);
    EXPECT_EQ(doc->CurrentFrame(), 1u);
    EXPECT_EQ(doc->ColourCount(), 5);
    EXPECT_TRUE(doc->IsModified());
    ASSERT_TRUE(doc->DeleteFrame());
    EXPECT_EQ(doc->FrameCount(), 1u);
    EXPECT_FALSE(doc->CanDeleteFrame());
    EXPECT_FALSE(doc->DeleteFrame());
    EXPECT_TRUE(doc->ShowsJpegPage());  // the "Quality" page comes back
    EXPECT_EQ(doc->FormatTab(), 1);     // .gif
    EXPECT_EQ(PixelAt(*doc->GetPicture(), 0, 0), kFill);
}

TEST_F(DocumentTest, AddFramesReadsFilesReducesAndReportsMissingOnes) {
    const auto base = Write("base.gif", ColouredPicture(10, 10, 4));
    const auto many = Write("many.bmp", ColouredPicture(30, 20, 300));
    const auto few = Write("few.png", ColouredPicture(10, 10, 6));
    auto doc = NewDocument();
    ASSERT_TRUE(doc->Open(base));
    EXPECT_EQ(doc->FormatTab(), 1);
    doc->Settings().outputFormat = kOutputJpeg;  // settings that only resize (and here keep the size)
    const std::filesystem::path files[] = {many, Dir() / "gone.bmp", few};
    EXPECT_EQ(doc->AddFrames(files), 2u);
    ASSERT_EQ(doc->FrameCount(), 3u);
    const auto texts = MessageTexts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "Too many colors in picture;Reduce to 256 to include as GIF frame");
    EXPECT_EQ(texts[1], (Dir() / "gone.bmp").string() + " - not Found\n Please verify the correct file name");
    EXPECT_LE(CountColours(doc->Frames()[1].picture), 256);
    EXPECT_EQ(doc->Frames()[1].delay, 50);
    EXPECT_EQ(doc->Frames()[1].index, 1);
    EXPECT_EQ(doc->Frames()[2].index, 2);
    EXPECT_EQ(doc->Frames()[2].transparentColour, kNoColour);
    EXPECT_EQ(doc->Frames()[2].colourCount, 6);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_FALSE(doc->ShowsJpegPage());
    EXPECT_EQ(doc->Transfer().isAnimation, 1);
}

TEST_F(DocumentTest, AddFramesAppliesTheDocumentSettingsToEachFile) {
    const auto base = Write("base.gif", ColouredPicture(10, 10, 4));
    const auto added = Write("added.bmp", ColouredPicture(40, 20, 300));
    auto doc = NewDocument();
    ASSERT_TRUE(doc->Open(base));
    BatchMacro& settings = doc->Settings();
    settings.resizeMode = kResizeRelative;
    settings.widthPercent = 50;
    settings.heightPercent = 25;
    settings.colors = 16;
    const std::filesystem::path files[] = {added};
    ASSERT_EQ(doc->AddFrames(files), 1u);
    const GifFrame& frame = doc->Frames()[1];
    EXPECT_EQ(frame.picture.Width(), 20);
    EXPECT_EQ(frame.picture.Height(), 5);
    EXPECT_LE(CountColours(frame.picture), 16);
    EXPECT_EQ(frame.colourCount, CountColours(frame.picture));
    EXPECT_TRUE(MessageTexts().empty()) << "the settings reduced it: no 256-colour message";

    // Settings asking for a palette file that is not there: reported, nothing added.
    settings.colorCountMode = kColorCountAbsolute;
    settings.paletteName = "Nowhere";
    EXPECT_EQ(doc->AddFrames(files), 0u);
    EXPECT_EQ(doc->FrameCount(), 2u);
    const auto texts = MessageTexts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_TRUE(texts[0].starts_with("Unable to find palette file : Nowhere.")) << texts[0];
}

// --- Palette conversion -----------------------------------------------------------------------

TEST_F(DocumentTest, WebSafeConversionRefusedForJpegAndAppliedToEveryFrameOtherwise) {
    const auto jpg = Write("photo.jpg", PatternPicture(16, 12));
    auto doc = NewDocument();
    ASSERT_TRUE(doc->Open(jpg));
    const Picture before = *doc->GetPicture();
    EXPECT_FALSE(doc->ConvertToWebSafe());
    ASSERT_EQ(prompter.Messages().size(), 1u);
    EXPECT_EQ(prompter.Messages()[0].text, "Color conversion will not be allowed on JPEG pictures.");
    EXPECT_TRUE(doc->GetPicture()->SamePixels(before));
    EXPECT_FALSE(doc->IsModified());

    const auto anim = WriteAnimation("web.gif", {40, 60});
    ASSERT_TRUE(doc->Open(anim));
    ASSERT_TRUE(doc->ConvertToWebSafe());
    EXPECT_TRUE(doc->IsModified());
    for (const GifFrame& f : doc->Frames()) {
        EXPECT_EQ(f.colourCount, CountColours(f.picture));
        for (int y = 0; y < f.picture.Height(); ++y)
            for (int x = 0; x < f.picture.Width(); ++x) {
                const ColourRef c = PixelAt(f.picture, x, y);
                ASSERT_EQ(RedOf(c) % 51 + GreenOf(c) % 51 + BlueOf(c) % 51, 0);
            }
    }
}

// --- Clipboard --------------------------------------------------------------------------------

TEST_F(DocumentTest, CopyWholeOrSelectionAndPasteANewDocument) {
    const auto path = Write("clip.bmp", PatternPicture(16, 12));
    auto doc = NewDocument();
    ASSERT_TRUE(doc->Open(path));
    InMemoryClipboard clipboard;
    ASSERT_TRUE(doc->Copy(clipboard));
    std::optional<Picture> got;
    ASSERT_EQ(clipboard.GetPicture(got), PictureClipboard::Status::Ok);
    ASSERT_TRUE(got);
    EXPECT_TRUE(got->SamePixels(*doc->GetPicture()));

    ASSERT_TRUE(doc->Copy(clipboard, PictureRect{3, 2, 4, 5}));
    clipboard.GetPicture(got);
    ASSERT_EQ(got->Width(), 4);
    ASSERT_EQ(got->Height(), 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(PixelAt(*got, x, y), PixelAt(*doc->GetPicture(), x + 3, y + 2));
    // A selection reaching past the edge is clipped; one outside copies nothing.
    ASSERT_TRUE(doc->Copy(clipboard, PictureRect{14, 10, 10, 10}));
    clipboard.GetPicture(got);
    EXPECT_EQ(got->Width(), 2);
    EXPECT_EQ(got->Height(), 2);
    EXPECT_FALSE(doc->Copy(clipboard, PictureRect{40, 40, 3, 3}));

    auto pasted = COrvantixDoc::Paste(clipboard, Services());
    ASSERT_TRUE(pasted);
    EXPECT_TRUE(pasted->IsModified());
    ASSERT_EQ(pasted->FrameCount(), 1u);
    EXPECT_EQ(pasted->Frames()[0].delay, 50);
    EXPECT_EQ(pasted->Frames()[0].transparentColour, kNoColour);
    EXPECT_TRUE(pasted->GetPicture()->SamePixels(*got));
    EXPECT_EQ(pasted->ColourCount(), 4);
    EXPECT_EQ(pasted->Transfer().fileBytes, 2 * 2 * 3);
    EXPECT_EQ(pasted->Save(), COrvantixDoc::SaveResult::NeedsSaveAs);
}

TEST_F(DocumentTest, ClipboardFailuresShowTheirMessages) {
    const auto path = Write("clipfail.bmp", PatternPicture(8, 8));
    auto doc = NewDocument();
    ASSERT_TRUE(doc->Open(path));
    InMemoryClipboard clipboard;
    clipboard.failOpen = true;
    EXPECT_FALSE(doc->Copy(clipboard));
    EXPECT_EQ(COrvantixDoc::Paste(clipboard, Services()), nullptr);
    clipboard.failOpen = false;
    clipboard.failStore = true;
    EXPECT_FALSE(doc->Copy(clipboard));
    EXPECT_EQ(MessageTexts(),
              (std::vector<std::string>{"Cannot open the Clipboard", "Cannot open the Clipboard", "Clipboard Error"}));
    InMemoryClipboard empty;
    EXPECT_EQ(COrvantixDoc::Paste(empty, Services()), nullptr);  // no bitmap: nothing to paste
}

// --- Playback ---------------------------------------------------------------------------------

class RecordingObserver : public DocumentObserver {
public:
    void PlaybackFrame(const Picture& canvas, std::size_t index) override {
        std::lock_guard lock(m_mutex);
        frames.push_back(index);
        lastCanvas = canvas;
    }
    void PlaybackEnded() override { ended.store(true); }
    std::vector<std::size_t> Frames() {
        std::lock_guard lock(m_mutex);
        return frames;
    }

    std::atomic<bool> ended{false};
    std::vector<std::size_t> frames;
    Picture lastCanvas;

private:
    std::mutex m_mutex;
};

bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 500 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
}

TEST_F(DocumentTest, PlaybackRunsItsPassesAndStopsOnRequest) {
    auto doc = NewDocument();
    RecordingObserver observer;
    doc->SetObserver(&observer);
    GifFrameList frames;
    for (int i = 0; i < 2; ++i) {
        GifFrame f;
        f.delay = 1;
        f.picture.Create(2, 2);
        f.picture.Fill(i ? MakeColour(0, 0, 255) : MakeColour(255, 0, 0));
        f.left = i * 2;
        f.disposal = 1;
        frames.Add(std::move(f));
    }
    GifInfo info;
    info.loop = 0;
    info.loopCount = 0;
    doc->AdoptContent(frames, info);
    EXPECT_FALSE(doc->Play());  // no loop and no count: nothing plays

    info.loopCount = 2;
    doc->AdoptContent(frames, info);
    ASSERT_TRUE(doc->Play());
    ASSERT_TRUE(WaitFor([&] { return observer.ended.load(); }));
    EXPECT_EQ(observer.Frames(), (std::vector<std::size_t>{0, 1, 0, 1}));
    EXPECT_TRUE(doc->StopRequested());
    ASSERT_EQ(observer.lastCanvas.Width(), 4);  // the screen covers both frames
    EXPECT_EQ(PixelAt(observer.lastCanvas, 0, 0), MakeColour(255, 0, 0));
    EXPECT_EQ(PixelAt(observer.lastCanvas, 3, 1), MakeColour(0, 0, 255));

    // Endless: runs until Stop.
    observer.ended = false;
    info.loop = 1;
    doc->AdoptContent(frames, info);
    ASSERT_TRUE(doc->Play());
    EXPECT_TRUE(doc->IsPlaying());
    EXPECT_FALSE(doc->CanPlay());
    ASSERT_TRUE(WaitFor([&] { return observer.Frames().size() > 8; }));
    doc->Stop();
    EXPECT_FALSE(doc->IsPlaying());
    EXPECT_TRUE(observer.ended.load());
}

TEST_F(DocumentTest, PlaybackDisposalRestoresBackgroundAndPrevious) {
    auto doc = NewDocument();
    RecordingObserver observer;
    doc->SetObserver(&observer);
    GifFrameList frames;
    const ColourRef red = MakeColour(255, 0, 0), blue = MakeColour(0, 0, 255);
    GifFrame a;
    a.delay = 1;
    a.picture.Create(4, 1);
    a.picture.Fill(red);
    a.disposal = 2;  // cleared to white after showing
    GifFrame b;
    b.delay = 1;
    b.picture.Create(2, 1);
    b.picture.Fill(blue);
    b.left = 2;
    b.disposal = 3;  // the screen goes back to what it was before b
    b.transparentColour = kNoColour;
    frames.Add(a);
    frames.Add(b);
    GifInfo info;
    info.loopCount = 1;
    info.screenWidth = 4;
    info.screenHeight = 1;
    doc->AdoptContent(frames, info);
    ASSERT_TRUE(doc->Play());
    ASSERT_TRUE(WaitFor([&] { return observer.ended.load(); }));
    // While b shows, a has been cleared to white: white white blue blue.
    EXPECT_EQ(PixelAt(observer.lastCanvas, 0, 0), 0x00FFFFFF);
    EXPECT_EQ(PixelAt(observer.lastCanvas, 2, 0), blue);
}

// --- Corpus -----------------------------------------------------------------------------------

TEST_F(DocumentTest, CorpusAnimationsOpenWithAllFramesAndMeasure) {
    LP_REQUIRE_CORPUS();
    const auto folder = test::CorpusDir() / "gif" / "gif-test-suite" / "gifs";
    if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "gif-test-suite missing";
    int animations = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".gif") continue;
        SCOPED_TRACE(entry.path().string());
        auto doc = NewDocument();
        ASSERT_TRUE(doc->Open(entry.path()));
        const std::size_t expected = LoadGif(entry.path()).frames.Count();
        EXPECT_EQ(doc->FrameCount(), expected);
        if (expected > 1) {
            ++animations;
            EXPECT_EQ(doc->Transfer().gifBytes0,
                      std::int32_t(MeasureGifBytes(*doc->GetPicture(), &doc->Frames()[0], &doc->AnimationInfo(),
                                                   settings.Background())));
        } else {
            EXPECT_EQ(doc->Transfer().gifBytes0, std::int32_t(entry.file_size()));
        }
        EXPECT_GT(doc->Transfer().jpegBytes0, 0);
    }
    EXPECT_GT(animations, 0);
}

TEST_F(DocumentTest, CorpusJpegsTakeTheirFileSize) {
    LP_REQUIRE_CORPUS();
    const auto folder = test::CorpusDir() / "jpeg" / "libjpeg-turbo-testimages";
    if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "libjpeg-turbo test images missing";
    for (const char* name : {"testorig.jpg", "testimgp.jpg", "testimggray.jpg"}) {
        SCOPED_TRACE(name);
        auto doc = NewDocument();
        ASSERT_TRUE(doc->Open(folder / name));
        EXPECT_EQ(doc->Transfer().jpegBytes0, std::int32_t(std::filesystem::file_size(folder / name)));
        EXPECT_EQ(doc->FormatTab(), 2);
    }
    auto doc = NewDocument();
    EXPECT_FALSE(doc->Open(folder / "monkey12.jpg"));  // 12-bit: a clean failure
    EXPECT_FALSE(doc->HasPicture());
}

}  // namespace
}  // namespace lp
