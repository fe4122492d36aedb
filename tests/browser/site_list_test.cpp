#include "browser/site_list.h"

#include "test_support.h"

#include <cstring>
#include <fstream>

namespace lp {
namespace {

using test::ScratchDir;

SiteRecord Site(const std::string& url, int level = 0, bool all = false) {
    SiteRecord r;
    r.url = url;
    r.level = level;
    r.downloadAll = all;
    return r;
}

std::int32_t IntAt(const std::vector<std::uint8_t>& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= std::uint32_t(b[at + std::size_t(i)]) << (8 * i);
    return std::int32_t(v);
}

TEST(SiteListFormat, LayoutIsByteForByte) {
    SiteRecord mapped = Site("www.example.com/pics/", 5, true);
    mapped.pictureList = "htp00003.him";
    mapped.mapLocally = true;
    mapped.mappedDirectory = "/srv/mirror";
    const std::vector<SiteRecord> records = {Site("a.org/"), mapped};
    const std::vector<std::uint8_t> bytes = SerializeSiteList(4, records);
    ASSERT_EQ(bytes.size(), 56u + 2 * 842u);
    EXPECT_EQ(bytes[0], 'M');
    EXPECT_EQ(bytes[1], 'T');
    EXPECT_EQ(IntAt(bytes, 2), 4);
    for (std::size_t i = 6; i < 56; ++i) EXPECT_EQ(bytes[i], ' ') << i;

    const std::size_t first = 56;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[first])), "a.org/");
    for (std::size_t i = first + 6; i < first + 260; ++i) ASSERT_EQ(bytes[i], 0) << i;
    EXPECT_EQ(IntAt(bytes, first + 260), 0);
    // A site without a picture list: 260 blanks; the mapped directory blank-padded after its NUL.
    for (std::size_t i = first + 272; i < first + 532; ++i) ASSERT_EQ(bytes[i], ' ') << i;
    EXPECT_EQ(IntAt(bytes, first + 532), 0);
    EXPECT_EQ(bytes[first + 536], 0);
    EXPECT_EQ(bytes[first + 537], ' ');
    EXPECT_EQ(bytes[first + 840], ' ');
    EXPECT_EQ(bytes[first + 841], ' ');

    const std::size_t second = 56 + 842;
    EXPECT_EQ(IntAt(bytes, second + 264), 5);
    EXPECT_EQ(IntAt(bytes, second + 268), 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[second + 272])), "htp00003.him");
    EXPECT_EQ(IntAt(bytes, second + 532), 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[second + 536])), "/srv/mirror");

    const ParsedSiteList parsed = ParseSiteList(bytes);
    ASSERT_TRUE(parsed.valid);
    EXPECT_EQ(parsed.nextNumber, 4);
    EXPECT_EQ(parsed.records, records);
    // Written again, the same bytes.
    EXPECT_EQ(SerializeSiteList(parsed.nextNumber, parsed.records), bytes);
}

TEST(SiteListFormat, OlderLayoutIsConvertedAndOtherMagicIgnored) {
    std::vector<std::uint8_t> old(56 + 578 + 100, 0);  // one record and a cut one
    old[0] = 'H';
    old[1] = 'T';
    old[2] = 2;
    std::memcpy(&old[56], "old.site/", 9);
    old[56 + 264] = 3;
    old[56 + 268] = 1;
    std::memcpy(&old[56 + 272], "htp00001.him", 12);
    const ParsedSiteList parsed = ParseSiteList(old);
    ASSERT_TRUE(parsed.valid);
    EXPECT_EQ(parsed.nextNumber, 2);
    ASSERT_EQ(parsed.records.size(), 1u);
    EXPECT_EQ(parsed.records[0].url, "old.site/");
    EXPECT_EQ(parsed.records[0].level, 3);
    EXPECT_TRUE(parsed.records[0].downloadAll);
    EXPECT_EQ(parsed.records[0].pictureList, "htp00001.him");
    EXPECT_FALSE(parsed.records[0].mapLocally);

    std::vector<std::uint8_t> other = old;
    other[0] = 'O';
    other[1] = 'X';
    EXPECT_FALSE(ParseSiteList(other).valid);
    EXPECT_FALSE(ParseSiteList(std::vector<std::uint8_t>(20, 'M')).valid);
}

TEST(SiteListFormat, PictureListEntriesAre260Bytes) {
    const std::vector<std::filesystem::path> paths = {"/home/u/Download/a.gif", "/tmp/b c.jpg"};
    const std::vector<std::uint8_t> bytes = SerializePictureList(paths);
    ASSERT_EQ(bytes.size(), 520u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[0])), "/home/u/Download/a.gif");
    for (std::size_t i = 22; i < 260; ++i) ASSERT_EQ(bytes[i], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[260])), "/tmp/b c.jpg");
    EXPECT_EQ(ParsePictureList(bytes), paths);
    // A path too long for an entry is left out rather than cut.
    EXPECT_TRUE(SerializePictureList(std::vector<std::filesystem::path>{std::string(300, 'a')}).empty());
}

TEST(SiteListUrls, NormalisingKeepsServerPortAndPath) {
    EXPECT_EQ(NormaliseSiteUrl("http://www.example.com/pics/index.html"), "www.example.com/pics/index.html");
    EXPECT_EQ(NormaliseSiteUrl("http://127.0.0.1:8080/"), "127.0.0.1:8080/");
    EXPECT_EQ(NormaliseSiteUrl("http://www.a.com"), "www.a.com/");
    EXPECT_EQ(NormaliseSiteUrl("www.typed.as.is"), "www.typed.as.is");
    EXPECT_EQ(NormaliseSiteUrl("http://"), std::nullopt);
    EXPECT_EQ(NormaliseSiteUrl("http://bad host name/"), std::nullopt);
    EXPECT_EQ(SiteLocation(Site("www.a.com/")), "http://www.a.com/");
}

TEST(SiteListStore, AddRefusesDuplicatesAndSavesRoundTrip) {
    ScratchDir dir;
    const auto cache = dir / "CACHE";
    {
        CSiteList sites(cache, true);
        // A missing file is created with an empty header.
        EXPECT_EQ(test::ReadFileBytes(sites.FilePath()).size(), 56u);
        EXPECT_TRUE(sites.Add(Site(*NormaliseSiteUrl("http://www.a.com/x/"))));
        EXPECT_FALSE(sites.Add(Site("WWW.A.COM/x/")));  // the same URL in other case
        EXPECT_EQ(sites.Count(), 1u);
        EXPECT_TRUE(sites.Add(Site("b.org/", 2)));
        EXPECT_EQ(sites.FindLocation("http://www.a.com/x/"), 0u);
        EXPECT_FALSE(sites.Modify(1, Site("www.a.com/x/")));  // would duplicate record 0
        EXPECT_TRUE(sites.Delete(0));
        EXPECT_TRUE(sites.Save());
    }
    CSiteList again(cache, true);
    ASSERT_EQ(again.Count(), 1u);
    EXPECT_EQ(again.Record(0), Site("b.org/", 2));
}

TEST(SiteListStore, PictureListsAreNamedOnFirstUseAndNeedCaching) {
    ScratchDir dir;
    const auto cache = dir / "CACHE";
    CSiteList sites(cache, true);
    ASSERT_TRUE(sites.Add(Site("127.0.0.1:8000/")));
    EXPECT_EQ(sites.ReadPictureList("http://127.0.0.1:8000/"), std::nullopt);  // none yet
    const std::vector<std::filesystem::path> paths = {dir / "down" / "a.gif", dir / "down" / "b.png"};
    ASSERT_TRUE(sites.WritePictureList("http://127.0.0.1:8000/", paths));
    EXPECT_EQ(sites.Record(0).pictureList, "htp00000.him");
    EXPECT_EQ(sites.NextNumber(), 1);
    EXPECT_EQ(test::ReadFileBytes(cache / "htp00000.him"), SerializePictureList(paths));
    EXPECT_EQ(sites.ReadPictureList("http://127.0.0.1:8000/"), paths);
    // Written again: the same file, no new number.
    ASSERT_TRUE(sites.WritePictureList("http://127.0.0.1:8000/", std::vector<std::filesystem::path>{paths[0]}));
    EXPECT_EQ(sites.NextNumber(), 1);
    EXPECT_EQ(sites.ReadPictureList("http://127.0.0.1:8000/")->size(), 1u);
    // The list file itself records the name and the number.
    const ParsedSiteList parsed = ParseSiteList(test::ReadFileBytes(sites.FilePath()));
    ASSERT_TRUE(parsed.valid);
    EXPECT_EQ(parsed.nextNumber, 1);
    EXPECT_EQ(parsed.records.at(0).pictureList, "htp00000.him");

    sites.SetCacheInfo(false);
    EXPECT_EQ(sites.ReadPictureList("http://127.0.0.1:8000/"), std::nullopt);
    EXPECT_FALSE(sites.WritePictureList("http://127.0.0.1:8000/", paths));
    EXPECT_FALSE(sites.WritePictureList("http://unknown/", paths));
}

TEST(SiteListStore, UnreadableOrForeignFileStartsEmpty) {
    ScratchDir dir;
    const auto cache = dir / "CACHE";
    std::filesystem::create_directories(cache);
    std::ofstream(cache / kSiteListName) << "OXnot a site list at all, long enough to be a header.......";
    CSiteList sites(cache, true);
    EXPECT_EQ(sites.Count(), 0u);
}

TEST(SiteListStore, PictureListNameFromTheFileStaysInTheCacheFolder) {
    SiteRecord r = Site("evil/");
    r.pictureList = "../../etc/passwd";
    const ParsedSiteList parsed = ParseSiteList(SerializeSiteList(0, std::vector<SiteRecord>{r}));
    ASSERT_EQ(parsed.records.size(), 1u);
    EXPECT_EQ(parsed.records[0].pictureList, "");
}

}  // namespace
}  // namespace lp
