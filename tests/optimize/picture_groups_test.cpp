// Master and preview groups: numbering, labels, the editing and closing rules, and the
// Windows Manager's rows.
#include <gtest/gtest.h>

#include "base/prompter.h"
#include "optimize/picture_groups.h"

namespace lp {
namespace {

TEST(PictureGroups, PreviewsAreNumberedFromTwoAndLabelledFromOne) {
    PictureGroups g;
    const GroupWindowId master = g.AddMaster("/p/photo.jpg");
    EXPECT_EQ(g.HighestPreviewNumber("/p/photo.jpg"), 1);
    const GroupWindowId p1 = g.AddPreview("/p/photo.jpg", kPreviewSize);
    const GroupWindowId p2 = g.AddPreview("/p/photo.jpg", kPreviewColors);
    const GroupWindowId p3 = g.AddPreview("/p/photo.jpg", kPreviewQuality);
    EXPECT_EQ(g.Find(p3)->previewNumber, 4);
    EXPECT_EQ(ShownPreviewNumber(g.Find(p3)->previewNumber), 3);
    EXPECT_EQ(GroupStatusTitle(g.Find(p3)->previewNumber, kPreviewQuality), "Preview 3  (JPEG Quality) ");
    EXPECT_EQ(GroupStatusTitle(g.Find(p1)->previewNumber, kPreviewSize), "Preview 1  (Size) ");
    EXPECT_EQ(GroupStatusTitle(g.Find(p2)->previewNumber, kPreviewColors), "Preview 2  (Color Reduction) ");
    EXPECT_EQ(GroupStatusTitle(1, 0), "Master Picture Window");
    EXPECT_EQ(g.FindGroupWindow("/p/photo.jpg", 3), p2);
    EXPECT_TRUE(g.IsMaster(master));
    // Another picture is a group of its own.
    g.AddMaster("/p/other.gif");
    EXPECT_EQ(g.HighestPreviewNumber("/p/other.gif"), 1);
    EXPECT_EQ(g.Keys(), (std::vector<std::string>{"/p/photo.jpg", "/p/other.gif"}));
    // Closing the newest preview frees its number for the next one.
    g.Remove(p3);
    EXPECT_EQ(g.Find(g.AddPreview("/p/photo.jpg", kPreviewSize))->previewNumber, 4);
}

TEST(PictureGroups, ClosePreviewsCloseAllButAndPromote) {
    PictureGroups g;
    const GroupWindowId master = g.AddMaster("a");
    const GroupWindowId p1 = g.AddPreview("a", kPreviewSize);
    const GroupWindowId p2 = g.AddPreview("a", kPreviewColors);
    const GroupWindowId other = g.AddMaster("b");

    PictureGroups copy = g;
    EXPECT_EQ(copy.ClosePreviews("a"), (std::vector<GroupWindowId>{p1, p2}));
    EXPECT_EQ(copy.Find(p1)->previewNumber, 0);
    EXPECT_EQ(copy.Find(master)->previewNumber, 1);
    EXPECT_EQ(copy.Find(other)->previewNumber, 1);

    copy = g;
    EXPECT_EQ(copy.CloseAllBut("a", 2), (std::vector<GroupWindowId>{master, p2}));

    EXPECT_EQ(g.MakeMaster(p2), master);
    EXPECT_EQ(g.Find(p2)->previewNumber, 1);
    EXPECT_EQ(g.Find(master)->previewNumber, 3);
    EXPECT_FALSE(g.MakeMaster(p2).has_value());  // already the master
    EXPECT_EQ(g.CloseAllBut("a", 1), (std::vector<GroupWindowId>{master, p1}));
}

TEST(PictureGroups, EditingRule) {
    struct Case {
        const char* name;
        bool onPreview;
        bool withPreviews;
        PromptAnswer answer;
        bool runs;
        std::size_t questions;
        std::string_view question;
    };
    const Case cases[] = {
        {"master alone asks nothing", false, false, PromptAnswer::Cancel, true, 0, {}},
        {"master, OK", false, true, PromptAnswer::Ok, true, 1, kMasterEditQuestion},
        {"master, Cancel", false, true, PromptAnswer::Cancel, false, 1, kMasterEditQuestion},
        {"preview, OK", true, true, PromptAnswer::Ok, true, 1, kPreviewEditQuestion},
        {"preview, Cancel", true, true, PromptAnswer::Cancel, false, 1, kPreviewEditQuestion},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PictureGroups g;
        const GroupWindowId master = g.AddMaster("k");
        GroupWindowId p1 = 0, p2 = 0;
        if (c.withPreviews) {
            p1 = g.AddPreview("k", kPreviewSize);
            p2 = g.AddPreview("k", kPreviewColors);
        }
        ScriptedPrompter prompter({c.answer});
        const GroupWindowId edited = c.onPreview ? p2 : master;
        const EditPlan plan = PlanEdit(g, edited, prompter);
        EXPECT_EQ(plan.run, c.runs);
        ASSERT_EQ(prompter.Questions().size(), c.questions);
        if (c.questions) {
            EXPECT_EQ(prompter.Questions()[0].text, c.question);
        }
        if (!c.runs) {
            EXPECT_TRUE(plan.close.empty());
            EXPECT_EQ(g.Find(edited)->previewNumber, c.onPreview ? 3 : 1);
            continue;
        }
        if (!c.withPreviews) {
            EXPECT_TRUE(plan.close.empty());
        } else if (c.onPreview) {
            // Preview 2 becomes the master; the old master and preview 1 close.
            EXPECT_EQ(g.Find(p2)->previewNumber, 1);
            EXPECT_EQ(plan.oldMaster, master);
            EXPECT_EQ(plan.close, (std::vector<GroupWindowId>{master, p1}));
        } else {
            EXPECT_EQ(plan.close, (std::vector<GroupWindowId>{p1, p2}));
        }
    }
}

TEST(PictureGroups, ClosingTheMaster) {
    struct Case {
        PromptAnswer answer;
        CloseChoice choice;
        std::size_t closed;
    };
    for (const Case& c : {Case{PromptAnswer::Yes, CloseChoice::ChooseNewMaster, 0},
                          Case{PromptAnswer::No, CloseChoice::Close, 1}, Case{PromptAnswer::Cancel, CloseChoice::Cancel, 0}}) {
        PictureGroups g;
        const GroupWindowId master = g.AddMaster("k");
        g.AddPreview("k", kPreviewSize);
        ScriptedPrompter prompter({c.answer});
        const ClosePlan plan = PlanClose(g, master, prompter, false);
        EXPECT_EQ(plan.choice, c.choice);
        EXPECT_EQ(plan.close.size(), c.closed);
        ASSERT_EQ(prompter.Questions().size(), 1u);
        EXPECT_EQ(prompter.Questions()[0].text, kCloseMasterQuestion);
    }
    // A preview, a lone master, and shutting down close without a question.
    PictureGroups g;
    const GroupWindowId master = g.AddMaster("k");
    const GroupWindowId preview = g.AddPreview("k", kPreviewSize);
    ScriptedPrompter prompter;
    EXPECT_EQ(PlanClose(g, preview, prompter, false).choice, CloseChoice::Close);
    EXPECT_EQ(PlanClose(g, master, prompter, true).close, (std::vector<GroupWindowId>{preview}));
    EXPECT_TRUE(prompter.Questions().empty());
}

TEST(WindowsManagerModel, ColumnsTextsAndSorting) {
    WindowsManagerModel png(true);
    ASSERT_EQ(png.Columns().size(), 8u);
    EXPECT_EQ(png.Columns().back().title, "PNG Time");
    WindowsManagerModel m(false);
    const auto columns = m.Columns();
    ASSERT_EQ(columns.size(), 7u);
    EXPECT_EQ(columns[0].title, "Window");
    EXPECT_EQ(columns[0].width, 70);
    EXPECT_TRUE(columns[0].rightAligned);
    EXPECT_FALSE(columns[1].rightAligned);

    m.SetRows({{3, 3, kPreviewColors, 200, 150, 64, 2.0, 9.5, 0},
               {1, 1, 0, 400, 300, 250, 10.04, 20.0, 0},
               {2, 2, kPreviewSize, 100, 75, 250, 1.0, 12.0, 0}});
    EXPECT_EQ(m.Rows()[0].id, 1);
    EXPECT_EQ(m.CellText(m.Rows()[0], WmColumn::Window), "Master");
    EXPECT_EQ(m.CellText(m.Rows()[0], WmColumn::Type), "");
    EXPECT_EQ(m.CellText(m.Rows()[1], WmColumn::Window), "Preview     1");
    EXPECT_EQ(m.CellText(m.Rows()[1], WmColumn::Type), "Size");
    EXPECT_EQ(m.CellText(m.Rows()[2], WmColumn::Type), "Colors");
    EXPECT_EQ(m.CellText(m.Rows()[0], WmColumn::JpgTime), "10.0s");

    // Numbers compare numerically; each click reverses the one direction flag.
    EXPECT_TRUE(m.SortBy(WmColumn::GifTime));
    EXPECT_EQ(m.Rows()[0].id, 3);  // 9.5 before 12 (a text sort would put "12.0s" first)
    EXPECT_TRUE(m.SortBy(WmColumn::Width));
    EXPECT_EQ(m.Rows()[0].id, 1);  // descending now
    EXPECT_FALSE(m.SortBy(WmColumn::Type));
    EXPECT_EQ(m.Rows()[0].id, 1);
}

TEST(WindowsManagerModel, CloseRefusesTheMasterWhileOthersRemain) {
    PictureGroups g;
    const GroupWindowId master = g.AddMaster("k");
    const GroupWindowId p1 = g.AddPreview("k", kPreviewSize);
    const GroupWindowId p2 = g.AddPreview("k", kPreviewSize);
    WindowsManagerModel m(false);
    m.SetRows({{master, 1}, {p1, 2}, {p2, 3}});
    EXPECT_TRUE(m.CloseRefused({master, p1}));
    EXPECT_FALSE(m.CloseRefused({p1}));
    g.Remove(p1);
    m.RemoveRows({p1}, g);
    ASSERT_EQ(m.Rows().size(), 2u);
    EXPECT_EQ(m.Rows()[1].id, p2);
    m.SetRows({{master, 1}});
    EXPECT_FALSE(m.CloseRefused({master}));  // the only row may close
    EXPECT_TRUE(WindowsManagerModel::CanSelect(1));
    EXPECT_FALSE(WindowsManagerModel::CanSelect(2));
    EXPECT_FALSE(WindowsManagerModel::CanActivate(0));
}

}  // namespace
}  // namespace lp
