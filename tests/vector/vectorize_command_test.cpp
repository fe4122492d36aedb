#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/format_table.h"
#include "vector/lvf_format.h"
#include "vector/vector_file.h"
#include "vector/vectorizer.h"
#include "vector_test_pictures.h"

namespace lp {
namespace {

using test::RunLumaprism;
using test::ScratchDir;

class VectorizeCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_picture = test::GridPicture({".......", ".rrr...", ".rrr.b.", ".rrr...", "......."});
        SavePictureByExtension(m_picture, m_dir / "in.bmp");
    }
    ScratchDir m_dir;
    Picture m_picture;
};

TEST_F(VectorizeCommandTest, WritesEveryFormatAsTheLibraryDoes) {
    CVectorizer vectorizer(VectorizerSettings{0, 100, kNoColour, true});
    const VectorDrawing drawing = vectorizer.Run(m_picture).drawing;
    // White and red, each region once; the lone blue pixel makes no object.
    ASSERT_EQ(drawing.objects.size(), 2u);
    for (const char* name : {"out.lvf", "out.WMF", "out.emf", "out.eps", "out.svg"}) {
        const auto result = RunLumaprism({"--vectorize", "in.bmp", "--output", name}, m_dir.Path());
        EXPECT_EQ(result.exitCode, 0) << name << result.err;
        EXPECT_EQ(result.out, std::string(name) + ": 2 objects, 0 holes, 10 points\n");
        const auto format = VectorFormatForExtension(UpperExtension(name));
        ASSERT_TRUE(format);
        EXPECT_EQ(test::ReadFileBytes(m_dir / name), EncodeVectorFile(drawing, *format)) << name;
    }
}

TEST_F(VectorizeCommandTest, OptionsReachTheVectorizer) {
    const auto result = RunLumaprism({"--vectorize", "in.bmp", "--no-overlap", "--background", "255,255,255",
                                      "--precision", "0", "--tolerance", "3", "--output", "out.lvf"},
                                     m_dir.Path());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const VectorDrawing back = ReadLvf(m_dir / "out.lvf");
    EXPECT_EQ(back.background, MakeColour(255, 255, 255));
    ASSERT_EQ(back.objects.size(), 1u);  // white is left out; the blue pixel is alone
    EXPECT_EQ(back.objects[0].colour, MakeColour(255, 0, 0));
}

TEST_F(VectorizeCommandTest, UsageErrorsExitTwoAndWriteNothing) {
    const std::vector<std::vector<std::string>> cases = {
        {"--vectorize"},
        {"--vectorize", "in.bmp"},
        {"--vectorize", "in.bmp", "--output"},
        {"--vectorize", "in.bmp", "--output", "out.png"},
        {"--vectorize", "in.bmp", "--output", "out"},
        {"--vectorize", "in.bmp", "--output", "out.eps", "--tolerance", "256"},
        {"--vectorize", "in.bmp", "--output", "out.eps", "--tolerance", "3x"},
        {"--vectorize", "in.bmp", "--output", "out.eps", "--precision", "-1"},
        {"--vectorize", "in.bmp", "--output", "out.eps", "--precision"},
        {"--vectorize", "in.bmp", "--output", "out.eps", "--background", "1,2"},
        {"--vectorize", "in.bmp", "--output", "out.eps", "--background", "1,2,300"},
        {"--vectorize", "in.bmp", "--output", "out.eps", "--overlap"},
        {"--vectorize", "in.bmp", "other.bmp", "--output", "out.eps"},
    };
    for (const auto& args : cases) {
        const auto result = RunLumaprism(args, m_dir.Path());
        std::string line;
        for (const auto& a : args) line += a + " ";
        EXPECT_EQ(result.exitCode, 2) << line;
        EXPECT_NE(result.err.find("lumaprism --vectorize"), std::string::npos) << line << result.err;
        EXPECT_FALSE(std::filesystem::exists(m_dir / "out.eps")) << line;
        EXPECT_FALSE(std::filesystem::exists(m_dir / "out.png")) << line;
    }
    const auto help = RunLumaprism({"--vectorize", "--help"}, m_dir.Path());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Usage: lumaprism --vectorize FILE --output OUT"), std::string::npos);
}

TEST_F(VectorizeCommandTest, FailuresExitOneWithTheMessage) {
    const auto missing = RunLumaprism({"--vectorize", "nothere.bmp", "--output", "out.eps"}, m_dir.Path());
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_FALSE(missing.err.empty());
    EXPECT_FALSE(std::filesystem::exists(m_dir / "out.eps"));

    const auto unwritable = RunLumaprism({"--vectorize", "in.bmp", "--output", "no/such/out.wmf"}, m_dir.Path());
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_EQ(unwritable.err,
              "lumaprism --vectorize: Vector Error: Unable to create Meta file  no/such/out.wmf for writing\n");
}

TEST_F(VectorizeCommandTest, StoppedRunWritesWhatItMadeAndFails) {
    // A zigzag edge far longer than a contour may be.
    Picture p;
    p.Create(12000, 4);
    p.Fill(0);
    for (int x = 0; x < 12000; ++x) {
        test::SetPixel(p, x, 0, MakeColour(255, 0, 0));
        if (x % 2 == 1) test::SetPixel(p, x, 1, MakeColour(255, 255, 255));
    }
    SavePictureByExtension(p, m_dir / "zigzag.bmp");
    const auto result =
        RunLumaprism({"--vectorize", "zigzag.bmp", "--output", "z.lvf", "--precision", "100"}, m_dir.Path());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err,
              "lumaprism --vectorize: Vector Error: You got to Increase/Decrease the Tolerance level and Try again "
              "Part of Image is Processed\n");
    EXPECT_EQ(ReadLvf(m_dir / "z.lvf").objects.size(), 1u);
}

}  // namespace
}  // namespace lp
