#include "tools/edit_commands.h"

#include <gtest/gtest.h>

#include "base/prompter.h"
#include "document/picture_clipboard.h"
#include "document/picture_document.h"
#include "imaging/rotate.h"
#include "test_support.h"
#include "tools/picture_edits.h"
#include "tools/view_tools.h"

namespace lp {
namespace {

using test::PatternPicture;
using test::PixelAt;
using test::SetPixel;

const ColourRef kRed = MakeColour(255, 0, 0);
const ColourRef kBlack = MakeColour(0, 0, 0);
const ColourRef kWhite = MakeColour(255, 255, 255);

GifFrameList Frames(std::vector<Picture> pictures) {
    GifFrameList frames;
    for (Picture& p : pictures) {
        GifFrame f;
        f.delay = 50;
        f.picture = std::move(p);
        frames.Add(std::move(f));
    }
    return frames;
}

class EditCommandTest : public ::testing::Test {
protected:
    std::unique_ptr<COrvantixDoc> Document(std::vector<Picture> pictures) {
        DocumentServices s;
        s.prompter = &prompter;
        s.settings = &settings;
        s.measureSizes = false;
        auto doc = std::make_unique<COrvantixDoc>(s);
        GifInfo info;
        info.screenWidth = pictures[0].Width();
        info.screenHeight = pictures[0].Height();
        doc->AdoptContent(Frames(std::move(pictures)), info);
        return doc;
    }
    AppSettings settings;
    ScriptedPrompter prompter;
};

// --- Rotation and mirroring ---------------------------------------------------------------------

TEST(Rotation, FourQuarterTurnsAreTheIdentity) {
    const Picture original = PatternPicture(7, 4);
    for (const double step : {90.0, -90.0}) {
        Picture p = original;
        for (int i = 0; i < 4; ++i) {
            Rotate(p, step, kBlack);
            EXPECT_EQ(p.Width(), i % 2 == 0 ? 4 : 7);
        }
        EXPECT_TRUE(p.SamePixels(original)) << step;
    }
}

TEST(Rotation, HalfTurnIsBothFlips) {
    Picture turned = PatternPicture(5, 3);
    Picture flipped = turned;
    Rotate(turned, 180, kBlack);
    Mirror(flipped, true);
    Mirror(flipped, false);
    EXPECT_TRUE(turned.SamePixels(flipped));
}

TEST(Rotation, CounterClockwiseMovesTheRightEdgeToTheTop) {
    Picture p;
    p.Create(4, 3);
    p.Fill(kBlack);
    for (int y = 0; y < 3; ++y) SetPixel(p, 3, y, kRed);
    Rotate(p, 90, kBlack);
    ASSERT_EQ(p.Width(), 3);
    ASSERT_EQ(p.Height(), 4);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelAt(p, x, 0), kRed);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelAt(p, x, 1), kBlack);
}

struct AngleCase {
    double angle;
    int width, height;
};

class ArbitraryAngle : public ::testing::TestWithParam<AngleCase> {};

TEST_P(ArbitraryAngle, CanvasHoldsTheTurnedPicture) {
    // 100 x 50: the exact extents |w cos| + |h sin| by |w sin| + |h cos|, rounded up.
    Picture p;
    p.Create(100, 50);
    p.Fill(kWhite);
    Rotate(p, GetParam().angle, kRed);
    EXPECT_EQ(p.Width(), GetParam().width);
    EXPECT_EQ(p.Height(), GetParam().height);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ArbitraryAngle,
                         ::testing::Values(AngleCase{90, 50, 100}, AngleCase{-90, 50, 100}, AngleCase{180, 100, 50},
                                           AngleCase{45, 107, 107}, AngleCase{-45, 107, 107},
                                           AngleCase{30, 112, 94}, AngleCase{0, 100, 50}));

TEST(Rotation, FortyFiveDegreesLeavesBackgroundCorners) {
    Picture p;
    p.Create(40, 40);
    p.Fill(kWhite);
    Rotate(p, 45, kRed);
    const int w = p.Width(), h = p.Height();
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}})
        EXPECT_EQ(PixelAt(p, x, y), kRed);
    EXPECT_EQ(PixelAt(p, w / 2, h / 2), kWhite);
}

TEST(Rotation, MirrorOfAOnePixelWidePictureChangesNothing) {
    Picture p = PatternPicture(1, 6);
    const Picture before = p;
    Mirror(p, true);
    EXPECT_TRUE(p.SamePixels(before));
}

TEST_F(EditCommandTest, EveryRotationAndFlipKeepsTheUndoCopy) {
    const Picture original = PatternPicture(6, 3);
    struct Case {
        const char* name;
        std::function<bool(COrvantixDoc&)> run;
        int width, height;
    };
    const std::vector<Case> cases = {
        {"180", [](COrvantixDoc& d) { return RotatePicture(d, 180, kBlack); }, 6, 3},
        {"90 CW", [](COrvantixDoc& d) { return RotatePicture(d, -90, kBlack); }, 3, 6},
        {"90 CCW", [](COrvantixDoc& d) { return RotatePicture(d, 90, kBlack); }, 3, 6},
        {"arbitrary", [](COrvantixDoc& d) { return RotatePicture(d, 20, kRed); }, 7, 5},
        {"flip vertical", [](COrvantixDoc& d) { return FlipPicture(d, true); }, 6, 3},
        {"flip horizontal", [](COrvantixDoc& d) { return FlipPicture(d, false); }, 6, 3},
    };
    for (const Case& c : cases) {
        auto doc = Document({original});
        ASSERT_TRUE(c.run(*doc)) << c.name;
        EXPECT_TRUE(doc->IsModified()) << c.name;
        EXPECT_EQ(doc->GetPicture()->Width(), c.width) << c.name;
        EXPECT_EQ(doc->GetPicture()->Height(), c.height) << c.name;
        EXPECT_FALSE(doc->GetPicture()->SamePixels(original)) << c.name;
        ASSERT_TRUE(doc->CanUndo()) << c.name;
        doc->Undo();
        EXPECT_TRUE(doc->GetPicture()->SamePixels(original)) << c.name;
    }
}

TEST_F(EditCommandTest, FlipVerticalReversesEachRow) {
    auto doc = Document({PatternPicture(5, 2)});
    const Picture before = *doc->GetPicture();
    FlipPicture(*doc, true);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(PixelAt(*doc->GetPicture(), x, 0), PixelAt(before, 4 - x, 0));
    FlipPicture(*doc, false);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(PixelAt(*doc->GetPicture(), x, 1), PixelAt(before, 4 - x, 0));
}

TEST_F(EditCommandTest, AllFramesTurnAndTheScreenGrowsToTheLargest) {
    auto doc = Document({PatternPicture(10, 4), PatternPicture(3, 20), PatternPicture(6, 6)});
    for (GifFrame& frame : doc->Frames()) frame.gifSize = 12345;  // sizes measured before the turn
    ASSERT_TRUE(RotatePicture(*doc, -90, kBlack, true));
    for (const GifFrame& frame : doc->Frames()) EXPECT_EQ(frame.gifSize, 0) << "a stale measured size";
    EXPECT_EQ(doc->Frames()[0].picture.Width(), 4);
    EXPECT_EQ(doc->Frames()[1].picture.Width(), 20);
    EXPECT_EQ(doc->Frames()[1].picture.Height(), 3);
    EXPECT_EQ(doc->AnimationInfo().screenWidth, 20);
    EXPECT_EQ(doc->AnimationInfo().screenHeight, 10);
    // Without the flag only the current frame turns.
    auto single = Document({PatternPicture(10, 4), PatternPicture(3, 20)});
    RotatePicture(*single, -90, kBlack, false);
    EXPECT_EQ(single->Frames()[1].picture.Width(), 3);
}

// --- Fills, cut-out, retouch ----------------------------------------------------------------------

TEST_F(EditCommandTest, FillForegroundChangesExactlyTheSelectionAndUndoes) {
    const Picture original = PatternPicture(8, 8);
    auto doc = Document({original});
    CEllipseSelection e(1, 1);
    e.SetPoint(7, 6);
    ASSERT_TRUE(FillSelection(*doc, e, kRed));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(PixelAt(*doc->GetPicture(), x, y), e.Covers(x, y) ? kRed : PixelAt(original, x, y));
    EXPECT_GT(doc->ColourCount(), 0);
    doc->Undo();
    EXPECT_TRUE(doc->GetPicture()->SamePixels(original));
}

TEST_F(EditCommandTest, TransparentFillGivesTheFrameItsTransparentColour) {
    auto doc = Document({PatternPicture(6, 6)});
    CRectSelection r(0, 0);
    r.SetPoint(2, 2);
    ASSERT_TRUE(FillSelection(*doc, r, kRed, false));
    EXPECT_EQ(doc->Frames()[0].transparentColour, kNoColour);
    ASSERT_TRUE(FillSelection(*doc, r, kWhite, true));
    EXPECT_EQ(doc->Frames()[0].transparentColour, kWhite);
    // An existing transparent colour stays.
    ASSERT_TRUE(FillSelection(*doc, r, kRed, true));
    EXPECT_EQ(doc->Frames()[0].transparentColour, kWhite);
}

TEST(CutOut, RectangleCopiesAllEllipseLeavesTransparentCorners) {
    const Picture p = PatternPicture(10, 10);
    CRectSelection r(2, 3);
    r.SetPoint(8, 7);
    const auto rect = CutOut(p, r, kWhite);
    ASSERT_TRUE(rect);
    EXPECT_EQ(rect->Width(), 6);
    EXPECT_EQ(rect->Height(), 4);
    EXPECT_EQ(PixelAt(*rect, 0, 0), PixelAt(p, 2, 3));
    EXPECT_EQ(PixelAt(*rect, 5, 3), PixelAt(p, 7, 6));

    CEllipseSelection e(0, 0);
    e.SetPoint(10, 10);
    const auto oval = CutOut(p, e, kWhite);
    ASSERT_TRUE(oval);
    EXPECT_EQ(PixelAt(*oval, 0, 0), kWhite);
    EXPECT_EQ(PixelAt(*oval, 9, 9), kWhite);
    EXPECT_EQ(PixelAt(*oval, 5, 5), PixelAt(p, 5, 5));
}

TEST(CutOut, RefusesWandOpenPolygonAndEmptyRectangle) {
    const Picture p = PatternPicture(6, 6);
    CRectSelection empty(2, 2);
    EXPECT_FALSE(CutOut(p, empty, kWhite));
    CPolygonSelection open(0, 0);
    open.SetPoint(5, 0);
    open.SetPoint(5, 5);
    EXPECT_FALSE(CutOut(p, open, kWhite));
    CPolygonSelection one(1, 1);
    one.Close();
    EXPECT_FALSE(CutOut(p, one, kWhite));
    EXPECT_FALSE(CutOut(p, CWandSelection(p, 0, 0, 765), kWhite));
}

TEST_F(EditCommandTest, CutOutReplacesThePictureAndUndoes) {
    const Picture original = PatternPicture(10, 10);
    auto doc = Document({original});
    CRectSelection r(1, 1);
    r.SetPoint(4, 3);
    ASSERT_TRUE(CutOutSelection(*doc, r, kWhite));
    EXPECT_EQ(doc->GetPicture()->Width(), 3);
    doc->Undo();
    EXPECT_TRUE(doc->GetPicture()->SamePixels(original));
}

TEST_F(EditCommandTest, CopyWithASelectionPutsItsCutOutAndLeavesThePicture) {
    const Picture original = PatternPicture(10, 10);
    auto doc = Document({original});
    InMemoryClipboard clipboard;
    CEllipseSelection e(0, 0);
    e.SetPoint(10, 10);
    ASSERT_TRUE(CopySelection(*doc, clipboard, e, kWhite));
    std::optional<Picture> copied;
    ASSERT_EQ(clipboard.GetPicture(copied), PictureClipboard::Status::Ok);
    ASSERT_TRUE(copied);
    EXPECT_TRUE(copied->SamePixels(*CutOut(original, e, kWhite)));
    EXPECT_EQ(PixelAt(*copied, 0, 0), kWhite);
    EXPECT_TRUE(doc->GetPicture()->SamePixels(original));
    EXPECT_FALSE(doc->IsModified());
    EXPECT_FALSE(doc->CanUndo());

    // A wand area gives no cut-out, so nothing reaches the clipboard.
    clipboard.Clear();
    EXPECT_FALSE(CopySelection(*doc, clipboard, CWandSelection(original, 0, 0, 765), kWhite));
    EXPECT_FALSE(clipboard.HasPicture());

    // A clipboard that cannot be opened is said, as for Copy of the whole picture.
    clipboard.failOpen = true;
    EXPECT_FALSE(CopySelection(*doc, clipboard, e, kWhite));
    ASSERT_EQ(prompter.Messages().size(), 1u);
    EXPECT_EQ(prompter.Messages()[0].text, "Cannot open the Clipboard");
}

TEST(RetouchPen, LineOfPenWidth) {
    Picture p;
    p.Create(20, 20);
    p.Fill(kBlack);
    DrawPenLine(p, {2, 2}, {12, 2}, 1, kRed);
    int count = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) count += PixelAt(p, x, y) == kRed;
    EXPECT_EQ(count, 11);
    p.Fill(kBlack);
    DrawPenLine(p, {10, 3}, {10, 15}, 3, kRed);
    EXPECT_EQ(PixelAt(p, 9, 8), kRed);
    EXPECT_EQ(PixelAt(p, 11, 8), kRed);
    EXPECT_EQ(PixelAt(p, 12, 8), kBlack);
    EXPECT_EQ(PixelAt(p, 10, 17), kBlack);
    // Strokes past the edge are clipped.
    DrawPenLine(p, {-5, -5}, {25, 25}, 9, kWhite);
    EXPECT_EQ(PixelAt(p, 0, 0), kWhite);
}

TEST_F(EditCommandTest, RetouchStrokesUndoToThePictureBeforeThePress) {
    const Picture original = PatternPicture(10, 10);
    auto doc = Document({original});
    ASSERT_TRUE(BeginRetouch(*doc));
    RetouchStroke(*doc, {0, 0}, {9, 9}, 2, kRed);
    RetouchStroke(*doc, {9, 9}, {0, 9}, 2, kRed);
    EndRetouch(*doc);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(PixelAt(*doc->GetPicture(), 5, 9), kRed);
    doc->Undo();
    EXPECT_TRUE(doc->GetPicture()->SamePixels(original));
}

// --- Free-hand rotation ----------------------------------------------------------------------------

TEST_F(EditCommandTest, FreeHandStepsGrowTheCanvasAndUndoToTheStart) {
    Picture original;
    original.Create(40, 20);
    original.Fill(kBlack);
    auto doc = Document({original});
    ASSERT_TRUE(BeginFreeHandRotation(*doc));
    int lastWidth = 40;
    for (int i = 0; i < 3; ++i) {
        FreeHandRotationStep(*doc, nullptr, 0.5, kWhite);
        EXPECT_GE(doc->GetPicture()->Width(), lastWidth);
        lastWidth = doc->GetPicture()->Width();
    }
    EXPECT_GT(doc->GetPicture()->Height(), 20);
    doc->Undo();
    EXPECT_TRUE(doc->GetPicture()->SamePixels(original));
}

TEST_F(EditCommandTest, FreeHandWithAnEllipseChangesOnlyItsBox) {
    const Picture original = PatternPicture(30, 30);
    auto doc = Document({original});
    CEllipseSelection e(5, 6);
    e.SetPoint(20, 18);
    BeginFreeHandRotation(*doc);
    FreeHandRotationStep(*doc, &e, 10, kWhite);
    const Picture& now = *doc->GetPicture();
    ASSERT_EQ(now.Width(), 30);
    bool changedInside = false;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            const bool inBox = x >= 5 && x < 20 && y >= 6 && y < 18;
            if (!inBox) {
                EXPECT_EQ(PixelAt(now, x, y), PixelAt(original, x, y)) << x << "," << y;
            }
            changedInside |= inBox && PixelAt(now, x, y) != PixelAt(original, x, y);
        }
    EXPECT_TRUE(changedInside);
    // Polygon and wand selections do not turn.
    CPolygonSelection poly(0, 0);
    const Picture before = now;
    FreeHandRotationStep(*doc, &poly, 10, kWhite);
    EXPECT_TRUE(doc->GetPicture()->SamePixels(before));
}

// --- Spot remover command ------------------------------------------------------------------------

TEST_F(EditCommandTest, SpotRemoverAsksForTheWholePictureWithoutASelection) {
    Picture p;
    p.Create(5, 5);
    p.Fill(MakeColour(100, 100, 100));
    SetPixel(p, 2, 2, MakeColour(250, 250, 250));
    auto doc = Document({p});
    prompter = ScriptedPrompter({PromptAnswer::No});
    EXPECT_EQ(RemoveSpots(*doc, prompter, nullptr, SpotRemoverParams{}), -1);
    EXPECT_FALSE(doc->CanUndo());
    ASSERT_EQ(prompter.Questions().size(), 1u);
    EXPECT_EQ(prompter.Questions()[0].text,
              "No Area Selected. Do you Want to Remove the Spots from the entire Bitmap?");
    prompter = ScriptedPrompter({PromptAnswer::Yes});
    EXPECT_EQ(RemoveSpots(*doc, prompter, nullptr, SpotRemoverParams{}), 1);
    EXPECT_EQ(PixelAt(*doc->GetPicture(), 2, 2), MakeColour(100, 100, 100));
    doc->Undo();
    EXPECT_EQ(PixelAt(*doc->GetPicture(), 2, 2), MakeColour(250, 250, 250));
}

TEST_F(EditCommandTest, SpotRemoverWorksOnTheSelectedRectangleOnly) {
    Picture p;
    p.Create(12, 6);
    p.Fill(MakeColour(100, 100, 100));
    SetPixel(p, 2, 2, MakeColour(250, 250, 250));
    SetPixel(p, 8, 2, MakeColour(250, 250, 250));
    auto doc = Document({p});
    CRectSelection r(6, 0);
    r.SetPoint(12, 6);
    EXPECT_EQ(RemoveSpots(*doc, prompter, &r, SpotRemoverParams{}), 1);
    EXPECT_TRUE(prompter.Questions().empty());
    EXPECT_EQ(PixelAt(*doc->GetPicture(), 2, 2), MakeColour(250, 250, 250));
    EXPECT_EQ(PixelAt(*doc->GetPicture(), 8, 2), MakeColour(100, 100, 100));

    CRectSelection outside(-4, 0);
    outside.SetPoint(3, 3);
    EXPECT_EQ(RemoveSpots(*doc, prompter, &outside, SpotRemoverParams{}), -1);
    ASSERT_EQ(prompter.Messages().size(), 1u);
    EXPECT_EQ(prompter.Messages()[0].text, "Please select an area within the picture region");
}

// --- View arithmetic --------------------------------------------------------------------------------

TEST(Zoom, InAndOutSteps) {
    std::vector<double> in;
    for (double z = 0.5; in.size() < 14; z = ZoomInStep(z)) in.push_back(z);
    EXPECT_EQ(in, (std::vector<double>{0.5, 0.75, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10, 10}));
    std::vector<double> out;
    for (double z = 3.0; out.size() < 6; z = ZoomOutStep(z)) out.push_back(z);
    EXPECT_EQ(out, (std::vector<double>{3, 2, 1, 0.75, 0.5, 0.5}));
}

TEST(Zoom, FitsAndTexts) {
    EXPECT_DOUBLE_EQ(BestFitZoom(400, 300, 800, 300), 0.5);
    EXPECT_DOUBLE_EQ(BestFitZoom(400, 300, 100, 50), 4.0);
    EXPECT_DOUBLE_EQ(FitWidthZoom(400, 800), 0.5);
    EXPECT_DOUBLE_EQ(FitHeightZoom(300, 100), 3.0);
    EXPECT_DOUBLE_EQ(BestFitZoom(400, 300, 0, 0), 1.0);
    EXPECT_EQ(ZoomListText(0.75), "75%");
    EXPECT_EQ(ZoomListText(3.0), "300%");
    EXPECT_TRUE(IsListedZoom(2.0));
    EXPECT_FALSE(IsListedZoom(3.0));
    EXPECT_EQ(CustomZoomValue(0.57), 57);
    EXPECT_EQ(CustomZoomValue(50.0), 1000);
}

TEST(Zoom, ListGetsANinthEntryOnlyForAnUnlistedZoom) {
    const std::vector<std::string> fixed{"50%",     "100%",         "200%",          "400%",
                                         "Best Fit", "Fit to Width", "Fit to Height", "Custom"};
    struct Case {
        double zoom;
        std::string ninth;  // empty: no ninth entry
        int selected;
    };
    for (const Case& c : {Case{0.5, "", 0}, Case{1.0, "", 1}, Case{2.0, "", 2}, Case{4.0, "", 3},
                          Case{1.37, "137%", 8}, Case{0.75, "75%", 8}, Case{10.0, "1000%", 8}}) {
        std::vector<std::string> expected = fixed;
        if (!c.ninth.empty()) expected.push_back(c.ninth);
        EXPECT_EQ(ZoomListEntries(c.zoom), expected) << c.zoom;
        EXPECT_EQ(ZoomListSelection(c.zoom), c.selected) << c.zoom;
    }
}

TEST(ManualResize, CornerKeepsTheAspectRatio) {
    EXPECT_EQ(ProportionalResize({200, 100}, {300, 120}), (SizeWH{300, 150}));
    EXPECT_EQ(ProportionalResize({200, 100}, {210, 150}), (SizeWH{300, 150}));
}

TEST(ManualResize, HandlesAndDraggedSizes) {
    // A picture shown 200 x 100 window pixels large.
    struct Hit {
        double x, y;
        ResizeHandle handle;
    };
    for (const Hit& h : {Hit{200, 50, ResizeHandle::RightEdge}, Hit{197, 53, ResizeHandle::RightEdge},
                         Hit{100, 100, ResizeHandle::BottomEdge}, Hit{200, 100, ResizeHandle::Corner},
                         Hit{203, 97, ResizeHandle::Corner}, Hit{204, 50, ResizeHandle::None},
                         Hit{150, 100, ResizeHandle::None}, Hit{100, 50, ResizeHandle::None}})
        EXPECT_EQ(HitResizeHandle(200, 100, h.x, h.y), h.handle) << h.x << "," << h.y;

    const SizeWH original{200, 100};
    struct Drag {
        ResizeHandle handle;
        int x, y;
        bool free;
        SizeWH size;
    };
    for (const Drag& d : {Drag{ResizeHandle::RightEdge, 260, 10, false, {260, 100}},
                          Drag{ResizeHandle::BottomEdge, 5, 40, false, {200, 40}},
                          Drag{ResizeHandle::Corner, 300, 120, false, {300, 150}},
                          Drag{ResizeHandle::Corner, 300, 120, true, {300, 120}},
                          Drag{ResizeHandle::RightEdge, -20, 0, false, {1, 100}},
                          Drag{ResizeHandle::Corner, 0, 0, true, {1, 1}}})
        EXPECT_EQ(DraggedSize(d.handle, original, d.x, d.y, d.free), d.size) << d.x << "," << d.y;
}

TEST_F(EditCommandTest, ResizeToANewSizeUndoesAndTheSameSizeDoesNothing) {
    const Picture original = PatternPicture(20, 10);
    for (const bool smart : {false, true}) {
        auto doc = Document({original});
        EXPECT_FALSE(ResizePictureTo(*doc, {20, 10}, smart));
        EXPECT_FALSE(doc->IsModified());
        EXPECT_FALSE(doc->CanUndo());
        ASSERT_TRUE(ResizePictureTo(*doc, {30, 15}, smart));
        EXPECT_EQ(doc->GetPicture()->Width(), 30);
        EXPECT_EQ(doc->GetPicture()->Height(), 15);
        EXPECT_TRUE(doc->IsModified());
        doc->Undo();
        EXPECT_TRUE(doc->GetPicture()->SamePixels(original));
    }
}

TEST(Tools, FreeHandRemembersAndRestoresTheTool) {
    ToolState tools;
    EXPECT_EQ(tools.Current(), ViewTool::Rectangle);
    tools.Choose(ViewTool::Ellipse);
    tools.BeginFreeHand();
    EXPECT_TRUE(tools.InFreeHand());
    EXPECT_EQ(tools.Previous(), ViewTool::Ellipse);
    tools.BeginFreeHand();  // twice does not forget the tool
    tools.EndFreeHand();
    EXPECT_EQ(tools.Current(), ViewTool::Ellipse);
    EXPECT_EQ(ToolHintNumber(ViewTool::ManualResize), 11);
}

}  // namespace
}  // namespace lp
