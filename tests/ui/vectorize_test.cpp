// "Vectorization..." from the Picture menu: the dialog with its settings and progress, the
// "Vector Preview" windows, and the files the save writes, drawn by independent renderers.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <cstdlib>
#include <set>

#include "formats/format_table.h"
#include "guikit/ui/command_ids.h"
#include "shell/ui/child_frame.h"
#include "shell/ui/main_frame.h"
#include "ui/ui_test_support.h"
#include "vector/ui/vector_preview.h"
#include "vector/ui/vectorize_dialog.h"

namespace lp {
namespace {

namespace fs = std::filesystem;
using test::AppHarness;

bool HaveTool(const std::string& name) { return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0; }
std::string Quote(const fs::path& p) { return "'" + p.string() + "'"; }

constexpr int kW = 60, kH = 40;
const ColourRef kGround = MakeColour(255, 255, 255);
const ColourRef kSquare = MakeColour(200, 0, 0);
const ColourRef kDot = MakeColour(0, 0, 180);

/// A red square with a blue dot inside, on white.
fs::path WriteShapes(const fs::path& path) {
    Picture p;
    p.Create(kW, kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            ColourRef c = kGround;
            if (x >= 10 && x < 40 && y >= 8 && y < 32) c = kSquare;
            if (x >= 20 && x < 28 && y >= 16 && y < 24) c = kDot;
            test::SetPixel(p, x, y, c);
        }
    SavePictureByExtension(p, path);
    return path;
}

struct VectorHarness {
    AppHarness h;
    CMainFrame* main = nullptr;
    explicit VectorHarness(std::deque<PromptAnswer> answers = {}) {
        h.prompter = ScriptedPrompter(std::move(answers));
        h.store.WriteInt(kSettingsSection, "BeginnersHint", 0);  // hints are modal dialogs
        main = &h.Start(WriteShapes(h.scratch / "shapes.bmp")).MainFrame();
    }
    /// "&Vectorization..." from the menu; the dialog it opened.
    CVectorizeDlg* Open() {
        QAction* action = main->Action(cmd::kVectorize);
        EXPECT_TRUE(action->isEnabled());
        action->trigger();
        return main->findChild<CVectorizeDlg*>();
    }
};

/// Runs the event loop until done() or a few seconds have passed.
template <typename Done>
bool WaitFor(Done done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 10000) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return done();
}

/// The rendered picture agrees with the source away from the edges: inside the dot, the square
/// and the ground.
void ExpectShapes(const Picture& rendered, const std::string& tool) {
    ASSERT_EQ(rendered.Width(), kW) << tool;
    ASSERT_EQ(rendered.Height(), kH) << tool;
    struct Probe {
        int x, y;
        ColourRef colour;
    };
    const Probe probes[] = {{2, 2, kGround},   {55, 36, kGround}, {13, 11, kSquare}, {36, 28, kSquare},
                            {24, 10, kSquare}, {23, 19, kDot},    {26, 22, kDot}};
    for (const Probe& p : probes) {
        const ColourRef c = test::PixelAt(rendered, p.x, p.y);
        EXPECT_LE(std::abs(RedOf(c) - RedOf(p.colour)) + std::abs(GreenOf(c) - GreenOf(p.colour)) +
                      std::abs(BlueOf(c) - BlueOf(p.colour)),
                  12)
            << tool << " at " << p.x << "," << p.y;
    }
}

TEST(Vectorization, MenuOpensTheDialogWithItsDefaults) {
    VectorHarness v;
    CVectorizeDlg* dialog = v.Open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Vectorization"));
    EXPECT_TRUE(dialog->OverlappedBox()->isChecked());
    EXPECT_EQ(dialog->PrecisionField()->value(), 0);
    EXPECT_EQ(dialog->PrecisionField()->maximum(), 100);
    EXPECT_TRUE(dialog->DisableBox()->isChecked());
    EXPECT_TRUE(dialog->ExactBox()->isChecked());
    EXPECT_EQ(dialog->ToleranceField()->maximum(), 255);
    EXPECT_FALSE(dialog->ToleranceField()->isEnabled());
    const VectorizerSettings s = dialog->Settings();
    EXPECT_EQ(s.tolerance, 0);
    EXPECT_EQ(s.background, kNoColour);
    EXPECT_TRUE(s.overlapped);
    // "Exact" off takes the tolerance; "Disable" off takes the swatch colour.
    dialog->ExactBox()->setChecked(false);
    dialog->ToleranceField()->setValue(9);
    dialog->DisableBox()->setChecked(false);
    EXPECT_EQ(dialog->Settings().tolerance, 9);
    EXPECT_EQ(dialog->Settings().background, MakeColour(255, 255, 255));
    dialog->CancelButton()->click();
    test::Settle();
    EXPECT_EQ(v.main->findChild<CVectorizeDlg*>(), nullptr);
}

TEST(Vectorization, PreviewShowsThePolygonsAndSelectGivesItsSettingsBack) {
    VectorHarness v;
    CVectorizeDlg* dialog = v.Open();
    ASSERT_NE(dialog, nullptr);
    dialog->PrecisionField()->setValue(100);
    dialog->OverlappedBox()->setChecked(false);
    dialog->PreviewButton()->click();
    ASSERT_TRUE(WaitFor([&] { return !dialog->Busy() && !dialog->Previews().empty(); }));
    // The worker's progress arrived through the queued reports.
    EXPECT_EQ(dialog->ProgressText()->text(), QStringLiteral("Vectorizing ..."));
    CVectorPreview* preview = dialog->Previews().front();
    EXPECT_EQ(preview->windowTitle(), QStringLiteral("Vector Preview"));
    EXPECT_EQ(preview->Drawing().objects.size(), 3u);  // ground (with a hole), square (with a hole), dot
    const QImage& image = preview->Area()->Image();
    ASSERT_EQ(image.size(), QSize(kW, kH));
    EXPECT_EQ(image.pixel(2, 2) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(image.pixel(13, 11) & 0xFFFFFF, 0xC80000u);
    EXPECT_EQ(image.pixel(23, 19) & 0xFFFFFF, 0x0000B4u);

    // Scrolling never goes past the bitmap's right or bottom edge, nor before its corner.
    preview->Area()->setMinimumSize(1, 1);
    preview->Area()->resize(20, 16);
    preview->Area()->SetOrigin(QPoint(500, 500));
    EXPECT_EQ(preview->Area()->Origin(), QPoint(kW - 20, kH - 16));
    preview->Area()->SetOrigin(QPoint(-5, 3));
    EXPECT_EQ(preview->Area()->Origin(), QPoint(0, 3));

    // Another setting, then "&Select" of the first preview restores its own.
    dialog->PrecisionField()->setValue(3);
    dialog->OverlappedBox()->setChecked(true);
    preview->SelectButton()->click();
    EXPECT_EQ(dialog->PrecisionField()->value(), 100);
    EXPECT_FALSE(dialog->OverlappedBox()->isChecked());
    preview->CloseButton()->click();
    EXPECT_TRUE(WaitFor([&] { return dialog->Previews().empty(); }));
    dialog->CancelButton()->click();
}

struct Renderer {
    const char* tool;
    const char* name;
    int filterIndex;
    std::string (*command)(const fs::path& in, const fs::path& png);
};

class VectorizationRenders : public ::testing::TestWithParam<Renderer> {};

TEST_P(VectorizationRenders, OkWritesAFileThatAnIndependentRendererDraws) {
    const Renderer& r = GetParam();
    if (!HaveTool(r.tool)) GTEST_SKIP() << r.tool << " is not installed (scripts/install-deps.sh installs it)";
    VectorHarness v;
    const fs::path chosen = v.h.scratch / r.name;  // typed without an extension
    v.h.chooser.vectorSaveAnswers.push_back(FileChooser::SaveChoice{chosen, r.filterIndex});
    CVectorizeDlg* dialog = v.Open();
    ASSERT_NE(dialog, nullptr);
    dialog->PrecisionField()->setValue(100);
    dialog->OkButton()->click();
    ASSERT_TRUE(WaitFor([&] { return v.main->findChild<CVectorizeDlg*>() == nullptr; }));
    EXPECT_TRUE(v.h.prompter.Messages().empty());
    const fs::path written = fs::path(chosen.string() + (r.filterIndex == 3 ? ".eps" : ".svg"));
    ASSERT_TRUE(fs::exists(written));
    const fs::path png = v.h.scratch / "rendered.png";
    const std::string command = r.command(written, png) + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    ExpectShapes(LoadPicture(png, PictureFileType::Png), r.tool);
}

INSTANTIATE_TEST_SUITE_P(
    Tools, VectorizationRenders,
    ::testing::Values(Renderer{"gs", "shapes-eps", 3,
                               [](const fs::path& in, const fs::path& png) {
                                   return "gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -r72 -sDEVICE=png16m "
                                          "-sOutputFile=" +
                                          Quote(png) + " " + Quote(in);
                               }},
                      Renderer{"rsvg-convert", "shapes-svg", 4,
                               [](const fs::path& in, const fs::path& png) {
                                   return "rsvg-convert -b white -o " + Quote(png) + " " + Quote(in);
                               }}),
    [](const ::testing::TestParamInfo<Renderer>& info) {
        return std::string(info.param.filterIndex == 3 ? "Eps" : "Svg");
    });

TEST(Vectorization, AnExistingFileIsReplacedOnlyAfterYes) {
    VectorHarness v({PromptAnswer::No});
    const fs::path target = v.h.scratch / "kept.lvf";
    test::WriteFileBytes(target, {'o', 'l', 'd'});
    // No: the dialog comes again, and that time it is cancelled; the old file stays.
    v.h.chooser.vectorSaveAnswers.push_back(FileChooser::SaveChoice{target, 0});
    CVectorizeDlg* dialog = v.Open();
    ASSERT_NE(dialog, nullptr);
    dialog->OkButton()->click();
    ASSERT_TRUE(WaitFor([&] { return v.main->findChild<CVectorizeDlg*>() == nullptr; }));
    ASSERT_EQ(v.h.prompter.Questions().size(), 1u);
    EXPECT_EQ(v.h.prompter.Questions()[0].text, target.string() + " already exists\n Do you want to replace it ?");
    EXPECT_EQ(v.h.chooser.vectorSaveRequests, 2);
    EXPECT_EQ(test::ReadFileBytes(target), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
}

TEST(Vectorization, AnUnknownExtensionIsRefusedWithTheMessage) {
    VectorHarness v;
    const fs::path target = v.h.scratch / "picture.xyz";
    v.h.chooser.vectorSaveAnswers.push_back(FileChooser::SaveChoice{target, 0});
    CVectorizeDlg* dialog = v.Open();
    ASSERT_NE(dialog, nullptr);
    dialog->OkButton()->click();
    ASSERT_TRUE(WaitFor([&] { return v.main->findChild<CVectorizeDlg*>() == nullptr; }));
    ASSERT_EQ(v.h.prompter.Messages().size(), 1u);
    EXPECT_EQ(v.h.prompter.Messages()[0].text, "Unsupported Format. Don't know to save as .XYZ.");
    EXPECT_FALSE(fs::exists(target));
}

}  // namespace
}  // namespace lp

namespace lp {
namespace {

TEST(Screenshot, VectorPreviewOfTheSamplePicture) {
    test::AppHarness h;
    h.store.WriteInt(kSettingsSection, "BeginnersHint", 0);
    CLumaprismApp& app = h.Start();
    ASSERT_NE(app.OpenDocumentFile(app.ProposedOpenName()), nullptr);
    CMainFrame& main = app.MainFrame();
    main.showNormal();
    main.Action(cmd::kVectorize)->trigger();
    CVectorizeDlg* dialog = main.findChild<CVectorizeDlg*>();
    ASSERT_NE(dialog, nullptr);
    dialog->ExactBox()->setChecked(false);
    dialog->ToleranceField()->setValue(63);
    dialog->PrecisionField()->setValue(100);
    dialog->PreviewButton()->click();
    ASSERT_TRUE(WaitFor([&] { return !dialog->Busy() && !dialog->Previews().empty(); }));
    CVectorPreview* preview = dialog->Previews().front();
    preview->resize(360, 310);
    test::Settle();
    EXPECT_GT(preview->Drawing().objects.size(), 20u);
    const QImage shot = preview->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const char* dir = std::getenv("LP_SCREENSHOT_DIR");
    const fs::path out = fs::path(dir && *dir ? dir : fs::current_path().string()) / "lumaprism-vector-preview.png";
    EXPECT_TRUE(shot.save(QString::fromStdString(out.string())));
    // The polygons reach the screen: the picture area shows many colours.
    const QImage area = preview->Area()->grab().toImage();
    std::set<QRgb> colours;
    for (int y = 0; y < area.height(); y += 2)
        for (int x = 0; x < area.width(); x += 2) colours.insert(area.pixel(x, y) & 0xFFFFFF);
    EXPECT_GT(colours.size(), 10u);
    dialog->CancelButton()->click();
}

}  // namespace
}  // namespace lp
