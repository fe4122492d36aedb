#include "vector/vector_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cctype>
#include <map>
#include <span>
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

/// One path element of our SVG: its style's colour and its contours in
/// absolute points, each closed by a repetition of its first point (open
/// subpaths close by themselves, as their fill does).
struct SvgPath {
    ColourRef colour = 0;
    std::vector<std::vector<ContourPoint>> contours;
};

/// Reads back what our writer emits: class styles giving each class its
/// colour, filled and outlined in it through currentColor, and path data with
/// M/m, H/h, V/v, L/l (repeated pairs included) and Z/z.
std::vector<SvgPath> ParseOurSvg(const std::string& svg) {
    std::map<std::string, ColourRef> styles;
    const std::size_t styleAt = svg.find("<style>");
    if (styleAt != std::string::npos) {
        const std::string css = svg.substr(styleAt + 7, svg.find("</style>") - styleAt - 7);
        const std::string shared = "path{fill:currentColor;stroke:currentColor}";
        EXPECT_EQ(css.substr(0, shared.size()), shared);
        for (std::size_t at = 0; (at = css.find('.', at)) != std::string::npos;) {
            const std::size_t brace = css.find('{', at);
            const std::string name = css.substr(at + 1, brace - at - 1);
            const std::size_t hash = css.find("color:#", brace) + 7;
            std::string hex = css.substr(hash, css.find('}', hash) - hash);
            if (hex.size() == 3) hex = {hex[0], hex[0], hex[1], hex[1], hex[2], hex[2]};
            EXPECT_EQ(hex.size(), 6u) << name;
            const unsigned v = std::stoul(hex, nullptr, 16);
            styles[name] = MakeColour(std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v));
            at = brace;
        }
    }
    std::vector<SvgPath> paths;
    for (std::size_t at = 0; (at = svg.find("<path class=\"", at)) != std::string::npos;) {
        at += 13;
        const std::string name = svg.substr(at, svg.find('"', at) - at);
        EXPECT_TRUE(styles.count(name)) << name;
        SvgPath path;
        path.colour = styles[name];
        const std::size_t d = svg.find("d=\"", at) + 3;
        const std::string data = svg.substr(d, svg.find('"', d) - d);
        std::size_t i = 0;
        auto number = [&] {
            while (i < data.size() && data[i] == ' ') ++i;
            std::size_t used = 0;
            const long v = std::stol(data.substr(i), &used);
            i += used;
            return static_cast<std::int32_t>(v);
        };
        char command = 0;
        ContourPoint current, start;
        bool open = false;  // a contour not yet closed by z
        auto closeOpen = [&] {
            if (open) path.contours.back().push_back(start);
            open = false;
        };
        while (i < data.size()) {
            if (std::isalpha(static_cast<unsigned char>(data[i]))) command = data[i++];
            else if (command == 'M') command = 'L';  // pairs after a move are lines
            else if (command == 'm') command = 'l';
            switch (command) {
                case 'M': case 'm': {
                    closeOpen();
                    const std::int32_t x = number(), y = number();
                    start = command == 'M' ? ContourPoint{x, y} : ContourPoint{current.x + x, current.y + y};
                    current = start;
                    path.contours.push_back({start});
                    open = true;
                    break;
                }
                case 'H': current.x = number(); path.contours.back().push_back(current); break;
                case 'h': current.x += number(); path.contours.back().push_back(current); break;
                case 'V': current.y = number(); path.contours.back().push_back(current); break;
                case 'v': current.y += number(); path.contours.back().push_back(current); break;
                case 'L': case 'l': {
                    const std::int32_t x = number(), y = number();
                    current = command == 'L' ? ContourPoint{x, y} : ContourPoint{current.x + x, current.y + y};
                    path.contours.back().push_back(current);
                    break;
                }
                case 'Z': case 'z':
                    closeOpen();
                    current = start;
                    command = 0;
                    break;
                default:
                    ADD_FAILURE() << "unexpected path data at " << i << ": " << data;
                    return paths;
            }
        }
        closeOpen();
        paths.push_back(std::move(path));
    }
    return paths;
}

/// Whether two closed contours (each ending with a repetition of its first
/// point) visit the same points in the same cyclic order, whichever they start from.
bool SameClosedContour(std::span<const ContourPoint> a, std::span<const ContourPoint> b) {
    if (a.size() != b.size() || a.empty()) return a.size() == b.size();
    const std::size_t n = a.size() - 1;
    if (n == 0) return a[0] == b[0];
    for (std::size_t shift = 0; shift < n; ++shift) {
        bool same = true;
        for (std::size_t k = 0; k < n && same; ++k) same = a[k] == b[(k + shift) % n];
        if (same) return true;
    }
    return false;
}

TEST(VectorSvgTest, CompactPathsInRelativeStepsWithOneStylePerColour) {
    const std::string svg = EncodeVectorSvg(TwoObjects());
    EXPECT_NE(svg.find("width=\"12\" height=\"8\" viewBox=\"0 0 12 8\""), std::string::npos);
    EXPECT_NE(svg.find("<rect width=\"12\" height=\"8\" fill=\"#ffffff\"/>"), std::string::npos);
    EXPECT_NE(svg.find("fill-rule=\"evenodd\" stroke-linecap=\"square\""), std::string::npos);
    EXPECT_NE(svg.find("<style>path{fill:currentColor;stroke:currentColor}.a{color:#005ac8}.b{color:#ff0080}</style>"),
              std::string::npos)
        << svg;
    EXPECT_NE(svg.find("<path class=\"a\" d=\"M0 0h11v7h-11zm5 2-1-1-1 1 1 1z\"/>"), std::string::npos) << svg;
    EXPECT_NE(svg.find("<path class=\"b\" d=\"M2 2h2v2h-2z\"/>"), std::string::npos) << svg;
    EXPECT_EQ(svg.substr(svg.size() - 12), "</g>\n</svg>\n");
}

TEST(VectorSvgTest, ContoursEndOpenWhereTheSquareCapsCoverTheirLastStep) {
    // The outline's square caps cover the two pixels at the ends of an open
    // contour whole, so the step back to its start is left out when it is one
    // pixel long or retraces the first step; otherwise z closes it.
    struct Case {
        const char* name;
        std::vector<ContourPoint> points;  // closed by a repetition of the first
        const char* data;
    };
    const Case cases[] = {
        {"two pixels side by side", {{2, 1}, {3, 1}, {2, 1}}, "M2 1h1"},
        {"a column of four", {{5, 0}, {5, 3}, {5, 0}}, "M5 0v3"},
        {"two by two", {{1, 1}, {2, 1}, {2, 2}, {1, 2}, {1, 1}}, "M1 1h1v1h-1"},
        {"three by three: every side two long", {{1, 1}, {3, 1}, {3, 3}, {1, 3}, {1, 1}}, "M1 1h2v2h-2z"},
        // Wherever it started, one of its ends would be a diagonal step.
        {"an L, closed diagonally", {{0, 0}, {1, 0}, {1, 1}, {0, 0}}, "M0 0h1v1z"},
        {"a spike, back along the first step", {{0, 0}, {2, 0}, {2, 1}, {2, 0}, {0, 0}}, "M0 0h2v1v-1"},
        // It starts from a later point, after which a one-pixel step closes it.
        {"first step diagonal", {{1, 0}, {0, 1}, {0, 2}, {1, 2}, {1, 1}, {1, 0}}, "M1 2v-1v-1l-1 1v1"},
        {"a diagonal line", {{0, 0}, {1, 1}, {0, 0}}, "M0 0l1 1z"},
        {"one point", {{4, 4}, {4, 4}}, "M4 4z"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VectorDrawing d;
        d.width = 8;
        d.height = 8;
        VectorObject o;
        o.colour = MakeColour(0, 0, 0);
        o.points = c.points;
        d.objects.push_back(o);
        const std::string svg = EncodeVectorSvg(d);
        EXPECT_NE(svg.find(std::string("d=\"") + c.data + "\""), std::string::npos) << svg;
        const std::vector<SvgPath> paths = ParseOurSvg(svg);
        ASSERT_EQ(paths.size(), 1u);
        ASSERT_EQ(paths[0].contours.size(), 1u);
        EXPECT_TRUE(SameClosedContour(paths[0].contours[0], c.points));
    }
}

TEST(VectorSvgTest, ObjectsOfOnePathComeInShortMoves) {
    // Four squares of one colour at one depth, in drawing order far apart;
    // the path visits them nearest first from where the last one ended.
    VectorDrawing d;
    d.width = 400;
    d.height = 10;
    d.nestingKnown = true;
    for (const std::int32_t x : {0, 300, 10, 310})
        d.objects.push_back(Square(MakeColour(9, 9, 9), x, 0, x + 2, 2));
    const std::string svg = EncodeVectorSvg(d);
    EXPECT_NE(svg.find("d=\"M0 0h2v2h-2zm10 0h2v2h-2zm290 0h2v2h-2zm10 0h2v2h-2z\""), std::string::npos) << svg;
}

TEST(VectorSvgTest, PathsHoldEveryContourAndPaintEnclosingObjectsFirst) {
    // Vectorized drawings (nesting known: one path per depth and colour) and
    // the same objects without the nesting (one path each, in order).
    for (const bool overlapped : {true, false}) {
        const Picture picture = test::FewColourGraphic(120, 90);
        VectorDrawing drawing = CVectorizer(VectorizerSettings{0, 100, kNoColour, overlapped}).Run(picture).drawing;
        ASSERT_TRUE(drawing.nestingKnown);
        for (const bool nesting : {true, false}) {
            SCOPED_TRACE(std::string(overlapped ? "overlapped" : "not overlapped") + (nesting ? "" : ", no nesting"));
            drawing.nestingKnown = nesting;
            const std::vector<SvgPath> paths = ParseOurSvg(EncodeVectorSvg(drawing));
            // Where each object's outer contour was written.
            std::vector<std::size_t> pathOf;
            std::size_t written = 0;
            for (const VectorObject& o : drawing.objects) {
                const auto contours = o.Contours();
                std::size_t found = paths.size();
                for (std::size_t p = 0; p < paths.size() && found == paths.size(); ++p) {
                    if (paths[p].colour != o.colour) continue;
                    for (std::size_t c = 0; c < paths[p].contours.size(); ++c) {
                        if (!SameClosedContour(contours[0], paths[p].contours[c])) continue;
                        found = p;
                        // Its holes follow it in the same path.
                        for (std::size_t h = 1; h < contours.size(); ++h) {
                            ASSERT_LT(c + h, paths[p].contours.size());
                            EXPECT_TRUE(SameClosedContour(contours[h], paths[p].contours[c + h]));
                        }
                        break;
                    }
                }
                ASSERT_LT(found, paths.size()) << "object at " << o.points[0].x << "," << o.points[0].y;
                pathOf.push_back(found);
                written += contours.size();
            }
            std::size_t parsed = 0;
            for (const SvgPath& p : paths) parsed += p.contours.size();
            EXPECT_EQ(parsed, written);
            if (!nesting) {
                EXPECT_EQ(paths.size(), drawing.objects.size());
                for (std::size_t i = 0; i < pathOf.size(); ++i) EXPECT_EQ(pathOf[i], i);
            } else {
                EXPECT_LE(paths.size(), drawing.objects.size());
            }
            // An object whose first point lies inside another's outer contour
            // is painted after it.
            for (std::size_t i = 0; i < drawing.objects.size(); ++i)
                for (std::size_t j = 0; j < drawing.objects.size(); ++j) {
                    if (i == j) continue;
                    const auto outer = drawing.objects[i].Contours()[0];
                    const ContourPoint q = drawing.objects[j].points[0];
                    int crossings = 0;
                    for (std::size_t k = 0; k + 1 < outer.size(); ++k) {
                        const ContourPoint a = outer[k], b = outer[k + 1];
                        if ((a.y <= q.y) == (b.y <= q.y)) continue;
                        if (a.x + double(q.y - a.y) * (b.x - a.x) / (b.y - a.y) < q.x) ++crossings;
                    }
                    if (crossings % 2 == 1) EXPECT_LT(pathOf[i], pathOf[j]) << i << " encloses " << j;
                }
        }
    }
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
    EXPECT_EQ(WithVectorExtension("pic", 4), "pic.svg");  // our SVG entry after the four
    EXPECT_EQ(WithVectorExtension("pic", 5), "pic");
    EXPECT_EQ(std::string(kVectorSaveFilter),
              "Lumaprism Vector Format (*.LVF)|*.lvf|Window Meta File (*.WMF)|*.wmf|Window Enhanced Meta File "
              "(*.EMF)|*.emf|Encapsulated PostScript File (*.EPS)|*.eps||");
}

}  // namespace
}  // namespace lp
