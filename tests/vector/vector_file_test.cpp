#include "vector/vector_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "formats/file_types.h"
#include "base/imp_exp_exception.h"
#include "vector/lvf_format.h"
#include "vector/metafile_writer.h"
#include "vector/vector_text_writers.h"
#include "vector/vectorizer.h"
#include "vector_test_pictures.h"

namespace lp {
namespace {

using test::ReadFileBytes;
using test::ScratchDir;
using Bytes = std::vector<std::uint8_t>;

std::uint16_t U16At(const Bytes& b, std::size_t at) { return std::uint16_t(b[at] | (b[at + 1] << 8)); }
std::uint32_t U32At(const Bytes& b, std::size_t at) {
    return std::uint32_t(b[at]) | (std::uint32_t(b[at + 1]) << 8) | (std::uint32_t(b[at + 2]) << 16) |
           (std::uint32_t(b[at + 3]) << 24);
}

VectorObject Square(ColourRef colour, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
    VectorObject o;
    o.colour = colour;
    o.points = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
    return o;
}

VectorDrawing TwoObjects() {
    VectorDrawing d;
    d.width = 12;
    d.height = 8;
    d.objects.push_back(Square(MakeColour(0, 90, 200), 0, 0, 11, 7));
    VectorObject& withHole = d.objects.back();
    withHole.points.insert(withHole.points.end(), {{5, 2}, {4, 1}, {3, 2}, {4, 3}, {5, 2}});
    withHole.holeCount = 1;
    d.objects.push_back(Square(MakeColour(255, 0, 128), 2, 2, 4, 4));
    return d;
}

TEST(LvfFormatTest, OneFourCornerObjectIsTwoHundredThirtyOneBytes) {
    VectorDrawing d;
    d.width = 10;
    d.height = 10;
    d.objects.push_back(Square(MakeColour(1, 2, 3), 0, 0, 9, 9));
    const Bytes b = EncodeLvf(d);
    ASSERT_EQ(b.size(), 231u);
    EXPECT_EQ(b[0], 0x4C);
    EXPECT_EQ(b[1], 0x56);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[2])), "LINEAR VECTOR FORMAT 1.0");
    EXPECT_EQ(b[26], 0);
    for (std::size_t i = 27; i < 177; ++i) ASSERT_EQ(b[i], 0x20) << i;
    EXPECT_EQ((Bytes{b[177], b[178], b[179]}), (Bytes{0, 0, 0}));  // no background
    EXPECT_EQ(U16At(b, 180), 1);
    EXPECT_EQ(U16At(b, 182), 1);  // type
    EXPECT_EQ(U16At(b, 184), 0);  // holes
    EXPECT_EQ((Bytes{b[186], b[187], b[188]}), (Bytes{1, 2, 3}));
    EXPECT_EQ(U16At(b, 189), 5);
    EXPECT_EQ(U32At(b, 191 + 8), 9u);       // second point x
    EXPECT_EQ(U32At(b, 191 + 8 + 4), 0u);   // second point y
    EXPECT_EQ(U32At(b, 191 + 16 + 4), 9u);  // third point y

    d.background = MakeColour(200, 100, 50);
    const Bytes withBackground = EncodeLvf(d);
    EXPECT_EQ((Bytes{withBackground[177], withBackground[178], withBackground[179]}), (Bytes{200, 100, 50}));
}

TEST(LvfFormatTest, VectorizedPictureRoundTrips) {
    ScratchDir dir;
    CVectorizer v(VectorizerSettings{0, 50, MakeColour(255, 255, 255), false});
    const VectorizeResult r = v.Run(test::FewColourGraphic(100, 80));
    ASSERT_FALSE(r.drawing.objects.empty());
    const auto path = dir / "shapes.LVF";
    WriteVectorFile(r.drawing, path);
    const VectorDrawing back = ReadLvf(path);
    EXPECT_EQ(back.background, MakeColour(255, 255, 255));
    ASSERT_EQ(back.objects.size(), r.drawing.objects.size());
    for (std::size_t i = 0; i < back.objects.size(); ++i) {
        EXPECT_EQ(back.objects[i].type, r.drawing.objects[i].type);
        EXPECT_EQ(back.objects[i].colour, r.drawing.objects[i].colour);
        EXPECT_EQ(back.objects[i].holeCount, r.drawing.objects[i].holeCount);
        EXPECT_EQ(back.objects[i].points, r.drawing.objects[i].points);
    }
}

TEST(LvfFormatTest, CountsPastSixteenBitsFailAndKeepTheOldFile) {
    ScratchDir dir;
    const auto path = dir / "old.lvf";
    test::WriteFileBytes(path, {'o', 'l', 'd'});

    VectorDrawing manyObjects;
    manyObjects.width = manyObjects.height = 10;
    manyObjects.objects.assign(65536, Square(0, 0, 0, 1, 1));
    VectorDrawing manyPoints;
    manyPoints.width = manyPoints.height = 10;
    manyPoints.objects.push_back(Square(0, 0, 0, 1, 1));
    manyPoints.objects[0].points.resize(65536);
    VectorDrawing manyHoles = manyPoints;
    manyHoles.objects[0].points.resize(5);
    manyHoles.objects[0].holeCount = 65536;

    for (const VectorDrawing* d : {&manyObjects, &manyPoints, &manyHoles}) {
        try {
            WriteVectorFile(*d, path);
            ADD_FAILURE() << "no error";
        } catch (const ImpExpException& e) {
            EXPECT_EQ(e.Message(), "Error writing to file");
            EXPECT_EQ(e.Title(), "Lumaprism");
        }
        EXPECT_EQ(ReadFileBytes(path), (Bytes{'o', 'l', 'd'}));
    }
    manyObjects.objects.resize(65535);
    EXPECT_NO_THROW(WriteVectorFile(manyObjects, path));
}

TEST(LvfFormatTest, DamagedFilesAreRefusedCleanly) {
    ScratchDir dir;
    Bytes good = EncodeLvf(TwoObjects());
    struct Case {
        const char* name;
        Bytes bytes;
        const char* message;
    };
    Bytes badSignature = good;
    badSignature[5] = 'X';
    Bytes hugeCount = good;
    hugeCount[189] = 0xFF;  // the first object claims 65535+ points
    hugeCount[190] = 0xFF;
    const std::vector<Case> cases = {
        {"cut header", Bytes(good.begin(), good.begin() + 100), "Not a complete LVF file"},
        {"cut points", Bytes(good.begin(), good.end() - 3), "Not a complete LVF file"},
        {"signature", badSignature, "Not an LVF file"},
        {"huge count", hugeCount, "Not a complete LVF file"},
    };
    for (const Case& c : cases) {
        const auto path = dir / "bad.lvf";
        test::WriteFileBytes(path, c.bytes);
        try {
            ReadLvf(path);
            ADD_FAILURE() << c.name;
        } catch (const ImpExpException& e) {
            EXPECT_EQ(e.Message(), c.message) << c.name;
            EXPECT_EQ(e.Title(), "Vector Error");
        }
    }
}

TEST(VectorEpsTest, WritesTheFixedProgramInTheCLocale) {
    VectorDrawing d;
    d.width = 200;
    d.height = 100;
    d.background = MakeColour(0, 0, 0);
    VectorObject o;
    o.colour = MakeColour(255, 0, 128);
    o.points = {{10, 20}, {30, 20}, {10, 40}, {10, 20}};
    d.objects.push_back(o);
    EXPECT_EQ(EncodeVectorEps(d),
              "%!PS-Adobe-3.0 EPSF-3.0\n"
              "%%BoundingBox: 0 0 200 100\n"
              "%%Pages: 0\n"
              "%%Creator: Lumaprism\n"
              "%%CreationDate: August 19th, 1997\n"
              "%%EndComments\n"
              "0 -100 translate\n"
              "0.25 setlinewidth\n"
              "/DeviceRGB setcolorspace\n"
              "0.000000 0.000000 0.000000 setcolor\n"
              "0 0 200 100 rectfill\n"
              "1.000000 0.000000 0.501961 setcolor\n"
              "newpath\n"
              "10 180 moveto\n"
              "30 180 lineto\n"
              "10 160 lineto\n"
              "10 180 lineto\n"
              "closepath\n"
              "fill\n");
    d.background = kNoColour;
    EXPECT_EQ(EncodeVectorEps(d).find("rectfill"), std::string::npos);
}

TEST(VectorSvgTest, OnePathPerObjectWithEvenOddHoles) {
    const std::string svg = EncodeVectorSvg(TwoObjects());
    EXPECT_NE(svg.find("width=\"12\" height=\"8\" viewBox=\"0 0 12 8\""), std::string::npos);
    EXPECT_NE(svg.find("<rect width=\"12\" height=\"8\" fill=\"#ffffff\"/>"), std::string::npos);
    EXPECT_NE(svg.find("fill-rule=\"evenodd\""), std::string::npos);
    EXPECT_NE(svg.find("<path fill=\"#005ac8\" stroke=\"#005ac8\" d=\"M0 0H11V7H0ZM5 2L4 1L3 2L4 3Z\"/>"),
              std::string::npos);
    EXPECT_NE(svg.find("<path fill=\"#ff0080\" stroke=\"#ff0080\" d=\"M2 2H4V4H2Z\"/>"), std::string::npos);
    EXPECT_EQ(svg.substr(svg.size() - 12), "</g>\n</svg>\n");
}

struct WmfRecord {
    std::uint32_t words;
    std::uint16_t function;
    std::size_t at;
};

TEST(WmfWriterTest, RecordsAreConsistent) {
    const VectorDrawing d = TwoObjects();
    const Bytes b = EncodeWmf(d);
    ASSERT_GT(b.size(), 22u + 18u);
    EXPECT_EQ(U32At(b, 0), 0x9AC6CDD7u);
    std::uint16_t checksum = 0;
    for (std::size_t i = 0; i < 20; i += 2) checksum ^= U16At(b, i);
    EXPECT_EQ(U16At(b, 20), checksum);
    EXPECT_EQ(U16At(b, 10), 12);  // right
    EXPECT_EQ(U16At(b, 12), 8);   // bottom
    const std::size_t h = 22;
    EXPECT_EQ(U16At(b, h + 2), 9);
    EXPECT_EQ(U16At(b, h + 4), 0x0300);
    EXPECT_EQ(U32At(b, h + 6) * 2, b.size() - h);

    std::vector<WmfRecord> records;
    std::uint32_t largest = 0;
    for (std::size_t at = h + 18; at < b.size();) {
        const WmfRecord r{U32At(b, at), U16At(b, at + 4), at};
        ASSERT_GE(r.words, 3u);
        records.push_back(r);
        largest = std::max(largest, r.words);
        at += std::size_t(r.words) * 2;
        ASSERT_LE(at, b.size());
    }
    EXPECT_EQ(U32At(b, h + 12), largest);
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back().function, 0);
    EXPECT_EQ(records.back().at + 6, b.size());
    int polygons = 0, rectangles = 0, brushes = 0;
    for (const WmfRecord& r : records) {
        polygons += r.function == 0x0324;
        rectangles += r.function == 0x041B;
        brushes += r.function == 0x02FC;
    }
    EXPECT_EQ(polygons, 3);  // two contours of the first object, one of the second
    EXPECT_EQ(rectangles, 1);
    EXPECT_EQ(brushes, 3);  // canvas + one per object
    // The canvas brush is white when there is no background.
    const auto brush =
        std::find_if(records.begin(), records.end(), [](const WmfRecord& r) { return r.function == 0x02FC; });
    EXPECT_EQ(U32At(b, brush->at + 8), 0x00FFFFFFu);
}

TEST(WmfWriterTest, RefusesCoordinatesPastSixteenBits) {
    ScratchDir dir;
    VectorDrawing d = TwoObjects();
    d.width = 32768;
    const auto path = dir / "big.wmf";
    try {
        WriteVectorFile(d, path);
        ADD_FAILURE() << "no error";
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), "Unable to create Meta file \n" + path.string() + "\nfor writing");
        EXPECT_EQ(e.Title(), "Vector Error");
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(EmfWriterTest, HeaderAndRecordsAreConsistent) {
    VectorDrawing d = TwoObjects();
    d.background = MakeColour(10, 20, 30);
    const Bytes b = EncodeEmf(d);
    EXPECT_EQ(U32At(b, 0), 1u);
    EXPECT_EQ(U32At(b, 40), 0x464D4520u);
    EXPECT_EQ(U32At(b, 16), 11u);  // bounds right, inclusive
    EXPECT_EQ(U32At(b, 20), 7u);
    EXPECT_EQ(U32At(b, 32), std::uint32_t(12 * kEmfScreenMillimetresX * 100 / kEmfScreenPixelsX));
    EXPECT_EQ(U32At(b, 48), b.size());
    const std::uint32_t descriptionChars = U32At(b, 60), descriptionAt = U32At(b, 64);
    std::u16string description;
    for (std::uint32_t i = 0; i < descriptionChars; ++i) description += char16_t(U16At(b, descriptionAt + 2 * i));
    EXPECT_EQ(description, std::u16string(u"Orvantix\0\0", 10));

    std::uint32_t records = 0, polygons = 0, lastType = 0;
    for (std::size_t at = 0; at < b.size();) {
        const std::uint32_t type = U32At(b, at), size = U32At(b, at + 4);
        ASSERT_EQ(size % 4, 0u);
        ASSERT_GE(size, 8u);
        if (type == 3) {
            ++polygons;
            EXPECT_EQ(size, 28 + 8 * U32At(b, at + 24));
        }
        if (type == 39 && records == 2) {
            EXPECT_EQ(U32At(b, at + 16), 0x001E140Au);  // canvas brush
        }
        lastType = type;
        ++records;
        at += size;
        ASSERT_LE(at, b.size());
    }
    EXPECT_EQ(U32At(b, 52), records);
    EXPECT_EQ(polygons, 3u);
    EXPECT_EQ(lastType, 14u);
}

class RecordingSink : public ProgressSink {
public:
    long high = -1, last = -1;
    std::string text;
    int ends = 0;
    void Begin(long, long h, std::string_view t) override {
        high = h;
        text = t;
    }
    void Step(long p) override { last = p; }
    void SetText(std::string_view) override {}
    void End() override { ++ends; }
};

TEST(VectorFileTest, EveryFormatIsWrittenAndReportsProgressPerObject) {
    ScratchDir dir;
    const VectorDrawing d = TwoObjects();
    for (const char* name : {"a.lvf", "a.WMF", "a.Emf", "a.eps", "a.svg"}) {
        RecordingSink sink;
        const auto path = dir / name;
        WriteVectorFile(d, path, &sink);
        EXPECT_GT(std::filesystem::file_size(path), 100u) << name;
        EXPECT_EQ(sink.text, "Writing Objects..") << name;
        EXPECT_EQ(sink.high, 2) << name;
        EXPECT_EQ(sink.last, 2) << name;
        EXPECT_EQ(sink.ends, 1) << name;
        const auto format = VectorFormatForExtension(UpperExtension(path));
        ASSERT_TRUE(format);
        EXPECT_EQ(ReadFileBytes(path), EncodeVectorFile(d, *format)) << name;
    }
}

TEST(VectorFileTest, UnknownExtensionWritesNothing) {
    ScratchDir dir;
    for (const char* name : {"a.png", "noextension"}) {
        const auto path = dir / name;
        try {
            WriteVectorFile(TwoObjects(), path);
            ADD_FAILURE() << name;
        } catch (const ImpExpException& e) {
            EXPECT_EQ(e.Message(), "Unsupported Format. Don't know to save as " + UpperExtension(path) + ".");
        }
        EXPECT_FALSE(std::filesystem::exists(path));
    }
}

TEST(VectorFileTest, UnwritableFolderGivesTheOpenMessage) {
    ScratchDir dir;
    struct Case {
        const char* name;
        const char* title;
        const char* prefix;
    };
    for (const Case c :
         {Case{"x.lvf", "Lumaprism", "Unable to open file \n"}, Case{"x.eps", "Vector Error", "Unable to open file \n"},
          Case{"x.emf", "Vector Error", "Unable to create Meta file \n"}}) {
        const auto path = dir / "missing" / c.name;
        try {
            WriteVectorFile(TwoObjects(), path);
            ADD_FAILURE() << c.name;
        } catch (const ImpExpException& e) {
            EXPECT_EQ(e.Message(), std::string(c.prefix) + path.string() + "\nfor writing");
            EXPECT_EQ(e.Title(), c.title);
        }
    }
}

TEST(VectorFileTest, SaveDialogAddsTheFilterExtension) {
    EXPECT_EQ(WithVectorExtension("pic", 3), "pic.eps");
    EXPECT_EQ(WithVectorExtension("pic", 0), "pic.lvf");
    EXPECT_EQ(WithVectorExtension("dir/pic.wmf", 3), "dir/pic.wmf");
    EXPECT_EQ(std::string(kVectorSaveFilter),
              "Lumaprism Vector Format (*.LVF)|*.lvf|Window Meta File (*.WMF)|*.wmf|Window Enhanced Meta File "
              "(*.EMF)|*.emf|Encapsulated PostScript File (*.EPS)|*.eps||");
}

}  // namespace
}  // namespace lp
