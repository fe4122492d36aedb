#include "document/animation_edits.h"

#include <gtest/gtest.h>

#include "base/prompter.h"
#include "document/picture_document.h"
#include "formats/gif/gif_reader.h"
#include "formats/gif/gif_writer.h"
#include "optimize/transfer_info.h"
#include "test_support.h"

namespace lp {
namespace {

using test::SetPixel;

/// Counts the document's notifications.
struct CountingObserver final : DocumentObserver {
    int frames = 0, pictures = 0, titles = 0;
    void FramesChanged() override { ++frames; }
    void PictureReplaced() override { ++pictures; }
    void TitleChanged() override { ++titles; }
};

Picture Solid(int w, int h, ColourRef colour, int spots = 0) {
    Picture p;
    p.Create(w, h);
    p.Fill(colour);
    for (int i = 0; i < spots; ++i) SetPixel(p, i % w, (i / w) % h, MakeColour(std::uint8_t(i * 40), 0, 255));
    return p;
}

class AnimationEditTest : public ::testing::Test {
protected:
    AnimationEditTest() {
        DocumentServices s;
        s.prompter = &prompter;
        s.settings = &settings;
        doc = std::make_unique<COrvantixDoc>(s);
        GifFrameList frames;
        for (int i = 0; i < 3; ++i) {
            GifFrame f;
            f.delay = std::uint16_t(10 * (i + 1));
            f.disposal = 1;
            f.left = 10 * i;
            f.picture = Solid(50, 40, MakeColour(std::uint8_t(60 * i), 100, 20), i + 1);
            frames.Add(std::move(f));
        }
        GifInfo info;
        info.valid = 1;
        info.screenWidth = 200;
        info.screenHeight = 100;
        info.loop = 1;
        doc->AdoptContent(std::move(frames), info);
        doc->SetObserver(&observer);
    }

    AppSettings settings;
    ScriptedPrompter prompter;
    CountingObserver observer;
    std::unique_ptr<COrvantixDoc> doc;
};

TEST(AnimationTexts, DelayTextsAreCheckedAndTruncated) {
    const struct {
        const char* text;
        bool acceptable;
        int stored;  // -1: nothing stored
    } cases[] = {
        {"1.5", true, 150},    {"1.50", true, 150}, {"0.07", true, 7},      {"1.999", true, 199},
        {"12", true, 1200},    {".5", true, 50},    {"700", true, 65535},   {"", true, -1},
        {".", true, -1},       {"1.5.", false, -1}, {"1,5", false, -1},     {"-1", false, -1},
        {"1e3", false, -1},    {" 1", false, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsDelayText(c.text), c.acceptable) << c.text;
        const auto stored = DelayFromText(c.text);
        EXPECT_EQ(stored.has_value(), c.stored >= 0) << c.text;
        if (stored) EXPECT_EQ(*stored, c.stored) << c.text;
    }
    EXPECT_EQ(DelayText(150), "1.50");
    EXPECT_EQ(DelayText(7), "0.07");
}

TEST(AnimationTexts, SpeedSliderFactorsAndScaledDelays) {
    EXPECT_DOUBLE_EQ(PlaybackSpeedFactor(10), 1.0);
    EXPECT_NEAR(PlaybackSpeedFactor(19), 0.1, 1e-12);
    EXPECT_DOUBLE_EQ(PlaybackSpeedFactor(0), 6.0);
    EXPECT_NEAR(PlaybackSpeedFactor(15), 0.5, 1e-12);
    EXPECT_DOUBLE_EQ(PlaybackSpeedFactor(9), 1.5);
    EXPECT_EQ(SpeedSliderText(15), "5");
    EXPECT_EQ(SpeedSliderText(0), "-10");
    // A delay of 0 counts as 1 when the speed changes: trunc(1 x 0.5) is still 0.
    EXPECT_EQ(ScaledDelay(0, 0.5), 0);
    EXPECT_EQ(ScaledDelay(0, 6.0), 6);
    EXPECT_EQ(ScaledDelay(0, 1.0), 0);
    EXPECT_EQ(ScaledDelay(25, 0.5), 12);
    EXPECT_EQ(ScaledDelay(30000, 6.0), 65535);  // 16 bits hold no more
}

TEST(AnimationTexts, DisposalChoicesAndLabels) {
    EXPECT_EQ(DisposalLabel(1), "Nothing");
    EXPECT_EQ(DisposalLabel(0), "Nothing");
    EXPECT_EQ(DisposalLabel(2), "Background Color");
    EXPECT_EQ(DisposalLabel(3), "Overwrite previous");
    for (int choice = 0; choice < 3; ++choice) EXPECT_EQ(DisposalChoice(DisposalOfChoice(choice)), choice);
}

TEST_F(AnimationEditTest, EveryFramePropertyEditChangesTheRecordAndUndoes) {
    doc->SelectFrame(1);
    GifFrame& frame = doc->Frames()[1];
    const struct {
        const char* what;
        std::function<void()> edit;
        std::function<bool()> changed;
    } edits[] = {
        {"left", [&] { doc->SetFrameLeft(33); }, [&] { return frame.left == 33; }},
        {"top", [&] { doc->SetFrameTop(7); }, [&] { return frame.top == 7; }},
        {"transparent", [&] { doc->SetFrameTransparent(true, MakeColour(60, 100, 20)); },
         [&] { return frame.transparentColour == MakeColour(60, 100, 20); }},
        {"delay", [&] { doc->SetFrameDelay(150); }, [&] { return frame.delay == 150; }},
        {"user input", [&] { doc->SetFrameUserInput(true); }, [&] { return frame.userInput == 1; }},
        {"disposal", [&] { doc->SetFrameDisposal(3); }, [&] { return frame.disposal == 3; }},
        {"screen", [&] { doc->SetScreenSize(300, 120); },
         [&] { return doc->AnimationInfo().screenWidth == 300 && doc->AnimationInfo().screenHeight == 120; }},
        {"continuous off", [&] { doc->SetContinuous(false); },
         [&] { return doc->AnimationInfo().loop == 0 && doc->AnimationInfo().loopCount == 1; }},
        {"comment", [&] { doc->SetComment("hello"); }, [&] { return doc->AnimationInfo().comment == "hello"; }},
        {"automatic size", [&] { doc->SetAutomaticSize(false); }, [&] { return doc->AnimationInfo().valid == 0; }},
    };
    for (const auto& e : edits) {
        doc->SetModifiedFlag(false);
        const int notified = observer.frames;
        e.edit();
        EXPECT_TRUE(e.changed()) << e.what;
        EXPECT_TRUE(doc->IsModified()) << e.what;
        EXPECT_GT(observer.frames, notified) << e.what;
        ASSERT_TRUE(doc->CanUndo()) << e.what;
        doc->Undo();
        EXPECT_FALSE(e.changed()) << e.what;
        EXPECT_FALSE(doc->CanUndo()) << e.what;  // one level
    }
    EXPECT_EQ(frame.left, 10);
    EXPECT_EQ(frame.delay, 20);
    EXPECT_EQ(doc->AnimationInfo().loop, 1);
}

TEST_F(AnimationEditTest, TypingInOneFieldIsOneUndoStepAndValuesAreClamped) {
    doc->SetFrameDelay(1);
    doc->SetFrameDelay(15);
    doc->SetFrameDelay(150);
    doc->Undo();
    EXPECT_EQ(doc->Frames()[0].delay, 10);  // back before the first keystroke

    doc->SetFrameLeft(-40);
    EXPECT_EQ(doc->Frames()[0].left, 0);
    doc->SetFrameLeft(1'000'000);
    EXPECT_EQ(doc->Frames()[0].left, kMaxFramePosition);
    doc->SetFrameDelay(70000);
    EXPECT_EQ(doc->Frames()[0].delay, 65535);
    doc->SetScreenSize(0, 9000);
    EXPECT_EQ(doc->AnimationInfo().screenWidth, std::max(1, kMaxFramePosition + 50));  // covers the frame
    EXPECT_EQ(doc->AnimationInfo().screenHeight, kMaxScreenSide);
    doc->SetLoopCount(99999);
    EXPECT_EQ(doc->AnimationInfo().loopCount, kMaxLoopCount);
    doc->SetComment(std::string(400, 'c'));
    EXPECT_EQ(doc->AnimationInfo().comment.size(), kGifMaxComment);
}

TEST_F(AnimationEditTest, APictureEditAfterAPropertyEditTakesTheUndoSlot) {
    doc->SetFrameDelay(77);
    ASSERT_TRUE(doc->ApplyEdit([](Picture& p) { p.Fill(MakeColour(1, 2, 3)); }));
    doc->Undo();
    EXPECT_EQ(doc->Frames()[0].delay, 77);  // the picture came back, not the delay
    EXPECT_FALSE(doc->CanUndo());
}

TEST_F(AnimationEditTest, LeftBeyondTheScreenWidensItWithAutomaticSize) {
    doc->SetFrameLeft(300);  // a 50-pixel frame on a 200-pixel screen
    EXPECT_EQ(doc->AnimationInfo().screenWidth, 350);
    doc->SetAutomaticSize(false);
    doc->SetFrameTop(500);
    EXPECT_EQ(doc->AnimationInfo().screenHeight, 100);  // the screen is left alone without it
}

TEST_F(AnimationEditTest, ApplyingTheSpeedScalesEveryDelayAndResetsTheFactor) {
    doc->Frames()[2].delay = 0;
    doc->SetPlaybackSpeed(PlaybackSpeedFactor(15));
    doc->ScaleDelays(doc->PlaybackSpeed());
    EXPECT_EQ(doc->Frames()[0].delay, 5);
    EXPECT_EQ(doc->Frames()[1].delay, 10);
    EXPECT_EQ(doc->Frames()[2].delay, 0);
    EXPECT_DOUBLE_EQ(doc->PlaybackSpeed(), 1.0);
    doc->Undo();
    EXPECT_EQ(doc->Frames()[0].delay, 10);
    EXPECT_EQ(doc->Frames()[1].delay, 20);
}

TEST_F(AnimationEditTest, FrameSizesAreMeasuredOnceAndSumUp) {
    const std::int64_t first = doc->FrameGifBytes(0);
    ASSERT_GT(first, 0);
    // The measurement the window caption uses, of this frame alone.
    EXPECT_EQ(first, MeasureGifBytes(doc->Frames()[0].picture, &doc->Frames()[0], &doc->AnimationInfo(),
                                     settings.Background()));
    EXPECT_EQ(doc->Frames()[0].gifSize, first);
    // A cached size is not measured again.
    doc->Frames()[1].gifSize = 12345;
    EXPECT_EQ(doc->FrameGifBytes(1), 12345);
    const std::int64_t total = doc->AnimationGifBytes();
    EXPECT_GT(doc->Frames()[2].gifSize, 0);
    EXPECT_EQ(total, first + 12345 + doc->Frames()[2].gifSize);
    // An edit of the picture makes the frame's size unknown again.
    ASSERT_TRUE(doc->ApplyEdit([](Picture& p) { p.Fill(MakeColour(9, 9, 9)); }));
    EXPECT_EQ(doc->Frames()[0].gifSize, 0);
}

TEST_F(AnimationEditTest, PanelAndListTextsPerFrameAndForTheAnimation) {
    settings.modemSpeed = 28800;
    doc->SelectFrame(2);
    doc->Frames()[2].gifSize = 3600;
    doc->Frames()[0].gifSize = 1000;
    doc->Frames()[1].gifSize = 2000;
    doc->SetFrameDisposal(2);
    doc->SetFrameTransparent(true, MakeColour(120, 100, 20));
    doc->Frames()[2].gifSize = 3600;  // keep the fixture's size after the transparency edit
    const AnimationPanelTexts t = DescribeAnimation(*doc, settings.modemSpeed);
    EXPECT_TRUE(t.enabled);
    EXPECT_EQ(t.frameLabel, "Frame 3");
    EXPECT_EQ(t.left, "20");
    EXPECT_EQ(t.delay, "0.30");
    EXPECT_EQ(t.disposalChoice, 1);
    EXPECT_TRUE(t.transparent);
    EXPECT_EQ(t.frameSize, "3.6 k");
    EXPECT_EQ(t.frameTime, "1.0 s");
    EXPECT_EQ(t.fileSize, "6.6 k");
    EXPECT_EQ(t.fileTime, "1.8 s");
    EXPECT_TRUE(t.continuous);
    EXPECT_EQ(t.screenWidth, 200);

    const auto row = FrameListRow(*doc, 2, settings.modemSpeed);
    const std::array<std::string, 12> expected = {"Frame 3", "50",  "40", "4",   "3600", "1.0 sec.",
                                                  "Yes",     "20",  "0",  "0.30", "No",  "Background Color"};
    EXPECT_EQ(row, expected);
    EXPECT_EQ(FrameListRow(*doc, 0, 0)[5], "0.0 sec.");  // speed 0: every time is 0
}

TEST_F(AnimationEditTest, EditedPropertiesReachTheSavedFile) {
    test::ScratchDir dir;
    doc->SelectFrame(2);
    doc->SetFrameDelay(*DelayFromText("1.5"));
    doc->SetFrameDisposal(3);
    doc->SetFrameUserInput(true);
    doc->SetFrameLeft(70);
    doc->SetComment("frames");
    doc->SetContinuous(false);
    doc->SetLoopCount(4);
    ASSERT_TRUE(doc->SavePicture(dir / "edited.gif"));
    const GifAnimation back = LoadGif(dir / "edited.gif");
    ASSERT_EQ(back.frames.Count(), 3u);
    EXPECT_EQ(back.frames[2].delay, 150);
    EXPECT_EQ(back.frames[2].disposal, 3);
    EXPECT_NE(back.frames[2].userInput, 0);
    EXPECT_EQ(back.frames[2].left, 70);
    EXPECT_EQ(back.frames[0].delay, 10);
    EXPECT_EQ(back.info.loopCount, 4);
    EXPECT_EQ(back.info.comment.rfind("frames", 0), 0u);
}

}  // namespace
}  // namespace lp
