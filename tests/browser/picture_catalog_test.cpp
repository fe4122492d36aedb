#include "browser/picture_catalog.h"

#include "browser/thumbnail_cache.h"
#include "formats/format_table.h"
#include "formats/gif/gif_writer.h"
#include "formats/jpeg/jpeg_writer.h"
#include "test_support.h"

#include <ctime>
#include <functional>
#include <fstream>

namespace lp {
namespace {

using test::ScratchDir;

std::uint64_t LocalFileTime(int year, int month, int day, int hour, int minute) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_isdst = -1;
    return FileTimeFromUnix(std::mktime(&tm), 0);
}

std::vector<std::string> Names(const PictureCatalog& catalog) {
    std::vector<std::string> names;
    for (const auto& row : catalog.Rows()) names.push_back(row.item.name);
    return names;
}

BrowserItem Item(const std::string& name, std::int32_t width, std::uint32_t size = 0) {
    BrowserItem item;
    item.name = name;
    item.width = width;
    item.size = size;
    return item;
}

TEST(PictureCatalogTest, ListsRecognisedPicturesByContent) {
    ScratchDir dir;
    const auto folder = dir / "pics";
    std::filesystem::create_directories(folder / "sub.jpg");
    SaveJpeg(test::PatternPicture(16, 8), folder / "x.bmp", 75);     // a JPEG named .bmp
    SaveJpeg(test::PatternPicture(16, 8), folder / "photo.txt", 75); // extension not in the filter
    SavePictureByExtension(test::PatternPicture(4, 4), folder / "b.gif");
    std::ofstream(folder / "a.gif") << "GIF12a and more bytes";     // neither 87 nor 89a
    std::ofstream(folder / "link.lnk") << "[Desktop Entry]\n";      // shortcuts are not pictures
    std::ofstream(folder / "zero.jpg");                             // empty: not recognised
    std::filesystem::create_symlink("loop.jpg", folder / "loop.jpg");
    std::filesystem::create_symlink(folder / "b.gif", folder / "c.gif");  // a link to a picture

    PictureCatalog catalog;
    EXPECT_EQ(catalog.ListFolder(folder), 3u);
    EXPECT_EQ(Names(catalog), (std::vector<std::string>{"b.gif", "c.gif", "x.bmp"}));
    EXPECT_EQ(catalog.Rows()[2].item.typeName, "Jpeg Picture");
    EXPECT_EQ(catalog.Rows()[0].item.typeName, "GIF Picture");
    const BrowserItem& x = catalog.Rows()[2].item;
    EXPECT_EQ(x.size, std::filesystem::file_size(folder / "x.bmp"));
    EXPECT_NE(x.lastWrite, 0u);
    EXPECT_EQ(x.width, 0);
    EXPECT_EQ(x.colors, -1);
    EXPECT_EQ(x.imageIndex, 2);
    EXPECT_EQ(catalog.Paths().size(), 3u);
    EXPECT_EQ(catalog.Paths()[2], folder / "x.bmp");
    EXPECT_EQ(catalog.StatusText(), "Idle ");
}

TEST(PictureCatalogTest, StopsListingWhenTheRunningFlagIsCleared) {
    ScratchDir dir;
    SavePictureByExtension(test::PatternPicture(4, 4), dir / "a.gif");
    std::atomic<bool> running{false};
    PictureCatalog catalog;
    EXPECT_EQ(catalog.ListFolder(dir.Path(), &running), 0u);
}

TEST(PictureCatalogTest, ColumnTexts) {
    BrowserItem item;
    item.name = "a.jpg";
    item.typeName = "Jpeg Picture";
    item.width = 640;
    item.height = 480;
    EXPECT_EQ(ColumnText(item, 0), "a.jpg");
    EXPECT_EQ(ColumnText(item, 1), "");  // size 0
    EXPECT_EQ(ColumnText(item, 2), "");  // no date
    EXPECT_EQ(ColumnText(item, 3), "Jpeg Picture");
    EXPECT_EQ(ColumnText(item, 4), "640");
    EXPECT_EQ(ColumnText(item, 5), "480");
    EXPECT_EQ(ColumnText(item, 6), "-1");
    item.size = 4000000000u;
    EXPECT_EQ(ColumnText(item, 1), "4000000000");

    EXPECT_EQ(LastModifiedText(LocalFileTime(2001, 3, 7, 13, 5)), "3/07/01 (1:05p)");
    EXPECT_EQ(LastModifiedText(LocalFileTime(2010, 12, 25, 0, 30)), "12/25/10 (12:30a)");
    EXPECT_EQ(LastModifiedText(LocalFileTime(1999, 11, 1, 12, 0)), "11/01/99 (12:00p)");

    const auto& columns = CatalogColumns();
    ASSERT_EQ(columns.size(), 7u);
    EXPECT_STREQ(columns[1].heading, "Size (Bytes)");
    EXPECT_STREQ(columns[6].heading, "Colors  ");
    EXPECT_EQ(columns[2].align, CatalogColumn::Align::Centre);
}

TEST(PictureCatalogTest, HeaderClicksFlipOneSharedDirection) {
    EXPECT_LT(CompareByColumn(Item("a", 0), Item("B", 0), 0), 0);  // case-insensitive
    EXPECT_LT(CompareByColumn(Item("a", 500), Item("b", 20), 4), 0);  // wider first
    // Sizes far apart compare by value, not by a wrapped difference.
    EXPECT_LT(CompareByColumn(Item("a", 0, 1), Item("b", 0, 4000000000u), 1), 0);
    EXPECT_GT(CompareByColumn(Item("a", 0, 4000000000u), Item("b", 0, 1), 1), 0);

    ScratchDir dir;
    const int widths[] = {30, 90, 10};
    const char* names[] = {"b.png", "C.png", "a.png"};
    for (int i = 0; i < 3; ++i) SavePictureByExtension(test::PatternPicture(widths[i], 5), dir / names[i]);
    PictureCatalog catalog;
    ASSERT_EQ(catalog.ListFolder(dir.Path()), 3u);
    ThumbnailJob job = catalog.MakeJob(PassKind::FirstListing, {});
    ErrorListing errors;
    for (std::size_t i = 0; i < job.rows.size(); ++i) ASSERT_TRUE(catalog.Apply(MakeThumbnail(job, i, nullptr, nullptr, errors)));

    catalog.SortByColumn(4);  // first click on "Width": the widest first
    EXPECT_EQ(Names(catalog), (std::vector<std::string>{"C.png", "b.png", "a.png"}));
    catalog.SortByColumn(0);  // the flag flips again: names descend now
    EXPECT_EQ(Names(catalog), (std::vector<std::string>{"C.png", "b.png", "a.png"}));
    catalog.SortByColumn(0);
    EXPECT_EQ(Names(catalog), (std::vector<std::string>{"a.png", "b.png", "C.png"}));
    PictureCatalog fresh;
    fresh.ListFolder(dir.Path());
    fresh.SortByColumn(0);  // the first click on "File Name" sorts A to Z
    EXPECT_EQ(Names(fresh), (std::vector<std::string>{"a.png", "b.png", "C.png"}));
}

TEST(PictureCatalogTest, CountsPaneAndStatusText) {
    struct Case {
        int total, selected, n;
        const char* counts;
        const char* status;
    };
    const Case cases[] = {
        {3, 1, 0, "3 File(s) ", "Idle "},
        {3, 2, 0, "3 File(s) (2 Selected )", "Idle "},
        {3, 0, 2, "3 File(s) ", "Idle  : #2"},
        {12, 0, 13, "12 Frame(s) ", "Idle "},
    };
    for (const Case& c : cases) {
        const CountsTexts t = FormatCounts(c.total, c.selected, c.n, "Idle ");
        EXPECT_EQ(t.counts, c.counts);
        EXPECT_EQ(t.status, c.status);
    }
}

TEST(PictureCatalogTest, FiltersDialogBuildsTheFilter) {
    const FileTypeFilter initial;
    EXPECT_EQ(initial.Text(), ".PCX;.GIF;.TGA;.TIF;.BMP;.JPG;.JPEG;.RLE;.DIB;.PNG;.LNK;");
    EXPECT_EQ(initial.SelectedTypeNames(), AvailableTypeNames());

    FilterDialogState dialog;
    EXPECT_FALSE(dialog.RemoveEnabled());
    dialog.Add({3, 1, 3});  // "Jpeg Picture", "GIF Picture", again "Jpeg Picture"
    EXPECT_EQ(dialog.selected, (std::vector<std::string>{"Jpeg Picture", "GIF Picture"}));
    dialog.Add({9});
    dialog.Remove({1});
    EXPECT_TRUE(dialog.RemoveEnabled());
    const FileTypeFilter filter = FileTypeFilter::FromTypeNames(dialog.selected);
    EXPECT_EQ(filter.Text(), ".JPG;.JPEG;.LNK;");
    EXPECT_TRUE(filter.Admits(".JPEG"));
    EXPECT_FALSE(filter.Admits(".GIF"));
    EXPECT_EQ(filter.SelectedTypeNames(), (std::vector<std::string>{"Jpeg Picture", "Shortcut"}));
}

TEST(PictureCatalogTest, RefreshDropsGoneFilesAndAddsNewOnes) {
    ScratchDir dir;
    for (const char* n : {"a.png", "b.png", "c.png"}) SavePictureByExtension(test::PatternPicture(8, 8), dir / n);
    PictureCatalog catalog;
    ASSERT_EQ(catalog.ListFolder(dir.Path()), 3u);
    std::filesystem::remove(dir / "a.png");
    SavePictureByExtension(test::PatternPicture(8, 8), dir / "d.png");
    const auto queued = catalog.RefreshFolder();
    EXPECT_EQ(Names(catalog), (std::vector<std::string>{"b.png", "c.png", "d.png"}));
    EXPECT_EQ(queued.size(), 3u);
    // The images of the dropped row are gone and the others moved down.
    EXPECT_EQ(catalog.Rows()[0].item.imageIndex, 0);
    EXPECT_EQ(catalog.Rows()[1].item.imageIndex, 1);
    EXPECT_EQ(catalog.Rows()[2].item.imageIndex, 2);

    // A narrower filter drops rows at the next refresh.
    catalog.Filter() = FileTypeFilter(".GIF;");
    EXPECT_TRUE(catalog.RefreshFolder().empty());
    EXPECT_TRUE(catalog.Rows().empty());
}

TEST(PictureCatalogTest, ResultsOfAnOlderPassAreDropped) {
    ScratchDir dir;
    SavePictureByExtension(test::PatternPicture(30, 20), dir / "a.png");
    PictureCatalog catalog;
    catalog.ListFolder(dir.Path());
    const Picture placeholder = catalog.LargeImage(0);
    const ThumbnailJob old = catalog.MakeJob(PassKind::FirstListing, {});
    const ThumbnailJob current = catalog.MakeJob(PassKind::FirstListing, {});
    ErrorListing errors;
    EXPECT_FALSE(catalog.Apply(MakeThumbnail(old, 0, nullptr, nullptr, errors)));
    EXPECT_EQ(catalog.Rows()[0].item.width, 0);
    EXPECT_TRUE(catalog.Apply(MakeThumbnail(current, 0, nullptr, nullptr, errors)));
    EXPECT_EQ(catalog.Rows()[0].item.width, 30);
    EXPECT_EQ(catalog.Rows()[0].item.height, 20);
    EXPECT_EQ(catalog.Rows()[0].item.smallIconState, kIconDrawn);
    EXPECT_FALSE(catalog.LargeImage(0).SamePixels(placeholder));
}

TEST(PictureCatalogTest, SelectionGoesToTheBatchEngineAsPaths) {
    ScratchDir dir;
    for (const char* n : {"a.png", "b.png", "c.png"}) SavePictureByExtension(test::PatternPicture(8, 8), dir / n);
    PictureCatalog catalog;
    catalog.ListFolder(dir.Path());
    EXPECT_TRUE(catalog.PathsForBatch().empty());
    catalog.Select(0, true);
    catalog.Select(2, true);
    EXPECT_EQ(catalog.SelectedCount(), 2);
    EXPECT_EQ(catalog.PathsForBatch(), (std::vector<std::filesystem::path>{dir / "a.png", dir / "c.png"}));
    catalog.InvertSelection();
    EXPECT_EQ(catalog.PathsForBatch(), (std::vector<std::filesystem::path>{dir / "b.png"}));
    EXPECT_EQ(catalog.PathsForBatch(true).size(), 3u);
    catalog.SelectAll();
    EXPECT_EQ(catalog.SelectedCount(), 3);
}

// An animation of count frames of w x h, frame i painted by paint(picture, i).
void SaveAnimation(const std::filesystem::path& path, int count, int w, int h,
                   const std::function<void(Picture&, int)>& paint) {
    GifFrameList frames;
    for (int i = 0; i < count; ++i) {
        GifFrame f;
        f.picture.Create(w, h);
        paint(f.picture, i);
        frames.Add(std::move(f));
    }
    GifInfo info;
    SaveGif(frames, info, path);
}

TEST(PictureCatalogTest, AnimatedGifListsItsFrames) {
    ScratchDir dir;
    SaveAnimation(dir / "anim.gif", 12, 200, 100, [](Picture& p, int i) { p.Fill(0x00000010 * i); });
    PictureCatalog catalog;
    ASSERT_EQ(catalog.ListGifFrames(dir / "anim.gif"), 12u);
    EXPECT_EQ(catalog.Mode(), BrowseMode::GifFrames);
    const BrowserItem& first = catalog.Rows()[0].item;
    EXPECT_EQ(first.name, "Frame #1");
    EXPECT_EQ(catalog.Rows()[11].item.name, "Frame #12");
    EXPECT_EQ(first.typeName, "Animated GIF Frame");
    EXPECT_EQ(first.colors, 1);
    EXPECT_EQ(first.width, 200);
    EXPECT_EQ(first.size, std::filesystem::file_size(dir / "anim.gif"));
    EXPECT_EQ(FormatCounts(12, 0, 13, "Adding Frame").counts, "12 Frame(s) ");
    EXPECT_TRUE(catalog.PathsForBatch(true).empty());

    SavePictureByExtension(test::PatternPicture(4, 4), dir / "still.gif");
    EXPECT_EQ(catalog.ListGifFrames(dir / "still.gif"), 0u);
}

TEST(PictureCatalogTest, GifFramesOfOneRowAreShrunkAndAFileThatIsNoGifFails) {
    ScratchDir dir;
    // A 300 x 1 frame: red in its first 30 columns, blue after. Shrunk, red starts the box;
    // copied unscaled and clipped, the box would show the blue middle.
    SaveAnimation(dir / "strip.gif", 2, 300, 1, [](Picture& p, int) {
        p.Fill(0x00FF0000);
        for (int x = 0; x < 30; ++x) test::SetPixel(p, x, 0, 0x000000FF);
    });
    PictureCatalog catalog;
    ASSERT_EQ(catalog.ListGifFrames(dir / "strip.gif"), 2u);
    EXPECT_EQ(catalog.Rows()[0].item.width, 300);
    EXPECT_EQ(catalog.LargeImage(0).Width(), 100);
    EXPECT_EQ(test::PixelAt(catalog.LargeImage(0), 6, 49), 0x000000FFu);

    SavePictureByExtension(test::PatternPicture(4, 4), dir / "still.png");
    try {
        catalog.ListGifFrames(dir / "still.png");
        ADD_FAILURE() << "a PNG listed as GIF frames";
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), "Unknown message code 1016");
    }
    try {
        catalog.ListGifFrames(dir / "missing.gif");
        ADD_FAILURE() << "a missing file listed";
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), OpenFailureText(ENOENT));
    }
}

}  // namespace
}  // namespace lp
