// Every row of the format table, read and written through the same door the program uses.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/batch_job_runner.h"
#include "base/data_folders.h"
#include "base/prompter.h"
#include "app/error_log.h"
#include "batch/apply_batch_macro.h"
#include "formats/bmp/bmp_reader.h"
#include "formats/bmp/bmp_writer.h"
#include "formats/eps/eps_writer.h"
#include "formats/format_table.h"
#include "formats/gif/gif_reader.h"
#include "formats/gif/gif_writer.h"
#include "formats/jpeg/jpeg_writer.h"
#include "formats/pcx/pcx_writer.h"
#include "formats/png/png_writer.h"
#include "formats/tga/tga_writer.h"
#include "formats/tiff/tiff_writer.h"
#include "formats/write_prep.h"
#include "imaging/colour_count.h"
#include "base/imp_exp_exception.h"
#include "optimize/transfer_info.h"
#include "test_support.h"
#include "formats/png_test_support.h"

namespace lp {
namespace {

namespace fs = std::filesystem;

Picture FewColours(int width, int height) {
    Picture p;
    p.Create(width, height);
    const std::int32_t colours[] = {MakeColour(0, 0, 0), MakeColour(255, 255, 255), MakeColour(255, 0, 0),
                                    MakeColour(0, 0, 255)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) test::SetPixel(p, x, y, colours[(x / 2 + y) % 4]);
    return p;
}

GifFrameList OneFrame(Picture picture) {
    GifFrameList frames;
    GifFrame frame;
    frame.picture = std::move(picture);
    frames.Add(std::move(frame));
    return frames;
}

std::string RowName(const FormatRow& row) { return std::string(row.name); }

// --- Reading ------------------------------------------------------------------------------------

TEST(FormatTable, EveryReadableRowSniffsDecodesAndTellsItsSizeFromTheHeader) {
    const Picture source = FewColours(13, 7);
    int readable = 0;
    for (const FormatRow& row : FormatRows()) {
        if (!row.CanRead()) continue;
        SCOPED_TRACE(RowName(row));
        ++readable;
        ASSERT_TRUE(row.CanWrite());
        const std::vector<std::uint8_t> bytes = EncodeSaveable(row, source, EncodeOptions{});
        const std::string name = "x" + row.CanonicalExtension();

        EXPECT_EQ(SniffBytes(bytes, name), row.type);
        const auto header = row.header(bytes);
        ASSERT_TRUE(header.has_value());
        EXPECT_EQ(header->width, 13);
        EXPECT_EQ(header->height, 7);
        EXPECT_EQ(header->frames, 1);

        DecodedPicture decoded = row.decode(bytes, name, DecodeOptions{});
        ASSERT_EQ(decoded.frames.Count(), 1u);
        EXPECT_EQ(decoded.frames[0].picture.Width(), 13);
        EXPECT_EQ(decoded.frames[0].picture.Height(), 7);
        // Lossless rows give back every pixel; JPEG only its size.
        if (row.type != PictureFileType::Jpeg) {
            EXPECT_TRUE(decoded.frames[0].picture.SamePixels(source));
        }

        // A cut file is a clean error or a picture, never a crash; its header never lies about a size.
        for (std::size_t keep : {std::size_t(0), std::size_t(5), bytes.size() / 2}) {
            const std::span<const std::uint8_t> cut(bytes.data(), keep);
            try {
                DecodedPicture part = row.decode(cut, name, DecodeOptions{});
                EXPECT_FALSE(part.frames.Empty());
            } catch (const ImpExpException& e) {
                EXPECT_FALSE(e.Message().empty());
            }
            if (const auto h = row.header(cut)) {
                EXPECT_EQ(h->width, 13);
            }
        }
    }
    EXPECT_EQ(readable, 9);
}

TEST(FormatTable, RoundTripsEveryLosslessRowThroughFiles) {
    test::ScratchDir dir;
    const Picture source = test::PatternPicture(40, 9);
    for (const FormatRow& row : FormatRows()) {
        // JPEG loses detail; the BMP RLE rows map onto 16 or 256 colours; EPS is not read.
        if (!row.CanRead() || row.type == PictureFileType::Jpeg || row.type == PictureFileType::Rle ||
            row.type == PictureFileType::Dib)
            continue;
        SCOPED_TRACE(RowName(row));
        GifFrameList frames = OneFrame(source);  // a GIF is fitted to 256 colours first
        EncodeOptions options;
        PrepareForWrite(row, frames, options);
        const fs::path path = dir / ("round" + row.CanonicalExtension());
        SaveWithRow(row, frames, nullptr, path, options);
        const PictureFile file = ReadPictureFile(path);
        EXPECT_EQ(file.type, row.type);
        DecodedPicture back = DecodePictureFile(file);
        EXPECT_TRUE(back.frames[0].picture.SamePixels(frames[0].picture)) << "encode(decode(x)) == x";
        // And once more: decoding what was written and writing it again gives the same bytes.
        EXPECT_EQ(EncodeWithRow(row, back.frames, nullptr, options),
                  std::vector<std::uint8_t>(file.bytes.begin(), file.bytes.end()));
    }
}

// Remembers how the bytes came: a writer that streams hands them over a row or a
// library buffer at a time.
class RecordingSink final : public ByteSink {
public:
    void Write(std::span<const std::uint8_t> bytes) override {
        Count(bytes.size());
        largest = std::max(largest, bytes.size());
        all.insert(all.end(), bytes.begin(), bytes.end());
    }
    std::size_t largest = 0;
    std::vector<std::uint8_t> all;
};

TEST(FormatTable, EveryRowPutsTheSameBytesIntoTheFileAsInMemoryAndTheStreamingOnesNeverHoldTheWholeFile) {
    test::ScratchDir dir;
    // Noise: even the JPEG and PNG files are then many times the libraries' buffers.
    Picture source;
    source.Create(800, 600);
    std::uint32_t seed = 12345;
    for (int y = 0; y < source.Height(); ++y)
        for (std::uint8_t& byte : source.Row(y).first(std::size_t(source.Width()) * 3))
            byte = std::uint8_t((seed = seed * 1664525u + 1013904223u) >> 24);
    for (const FormatRow& row : FormatRows()) {
        if (!row.CanWrite()) continue;
        SCOPED_TRACE(RowName(row));
        GifFrameList frames = OneFrame(source);
        EncodeOptions options;
        PrepareForWrite(row, frames, options);
        const std::vector<std::uint8_t> inMemory = EncodeWithRow(row, frames, nullptr, options);
        const fs::path path = dir / ("stream" + row.CanonicalExtension());
        EXPECT_EQ(EncodeIntoFile(row, path, frames, nullptr, options), inMemory.size());
        EXPECT_EQ(test::ReadFileBytes(path), inMemory);

        RecordingSink sink;
        row.encode(frames, nullptr, options, sink);
        EXPECT_EQ(sink.all, inMemory);
        EXPECT_EQ(sink.Written(), inMemory.size());
        const bool streams = row.type == PictureFileType::Jpeg || row.type == PictureFileType::Png ||
                             row.type == PictureFileType::Bmp || row.type == PictureFileType::Targa ||
                             row.type == PictureFileType::Pcx;
        if (streams) {
            EXPECT_LT(sink.largest, inMemory.size() / 4) << "the writer gathered its whole file";
        }
    }
}

// Only the texts of the progress ranges a save opens.
class RangeTexts final : public ProgressSink {
public:
    void Begin(long, long, std::string_view text) override { texts.emplace_back(text); }
    void Step(long) override {}
    void SetText(std::string_view) override {}
    void End() override {}
    std::vector<std::string> texts;
};

TEST(FormatTable, EveryRowTellsTheProgressSinkItIsSaving) {
    for (const FormatRow& row : FormatRows()) {
        if (!row.CanWrite()) continue;
        SCOPED_TRACE(RowName(row));
        GifFrameList frames = OneFrame(FewColours(16, 8));
        EncodeOptions options;
        PrepareForWrite(row, frames, options);
        RangeTexts progress;
        options.progress = &progress;
        EncodeWithRow(row, frames, nullptr, options);
        const bool saying = std::any_of(progress.texts.begin(), progress.texts.end(),
                                        [](const std::string& t) { return t.starts_with("Saving"); });
        EXPECT_TRUE(saying) << "no \"Saving ...\" range";
    }
}

TEST(FormatTable, AWriteFailingHalfwayThroughAStreamedSaveKeepsTheOldFileAndSaysSoInTheFormatsWords) {
    test::ScratchDir dir;
    const fs::path path = dir / "big.bmp";
    test::WriteFileBytes(path, {1, 2, 3});
    const Picture picture = test::PatternPicture(600, 400);  // about 720 KB of rows
    const FormatRow& row = *FindFormat(PictureFileType::Bmp);
    // The file-size limit makes a write fail partway through, as a full disk would.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string message;
    try {
        EncodeIntoFile(row, path, OneFrame(picture), nullptr, EncodeOptions{});
    } catch (const ImpExpException& e) {
        message = e.Message() + " | " + e.Title();
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(message, BmpErrorText(6) + std::string(" | Bitmap Error"));
    EXPECT_EQ(test::ReadFileBytes(path), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

TEST(FormatTable, GifHeaderCountsFramesAndRebuildsAnEmptyScreen) {
    GifFrameList frames;
    for (int i = 0; i < 3; ++i) {
        GifFrame frame;
        frame.picture = FewColours(5, 4);
        frame.left = i * 10;
        frame.top = i;
        frame.delay = 10;
        frames.Add(std::move(frame));
    }
    GifInfo info;
    std::vector<std::uint8_t> bytes = EncodeGif(frames, info);
    const FormatRow& gif = *FindFormat(PictureFileType::Gif);
    auto header = gif.header(bytes);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->frames, 3);
    EXPECT_EQ(header->width, 25);
    EXPECT_EQ(header->height, 6);
    bytes[6] = bytes[7] = bytes[8] = bytes[9] = 0;  // logical screen 0 x 0
    header = gif.header(bytes);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->width, 25) << "rebuilt from the frames";
    EXPECT_EQ(header->height, 6);
}

// The header's frame count is what the reader keeps, so a caller can name it without
// decoding every frame: for every cut of an animation, and with stray bytes between blocks.
TEST(FormatTable, GifHeaderCountsTheFramesTheReaderKeeps) {
    GifFrameList frames;
    for (int i = 0; i < 3; ++i) {
        GifFrame frame;
        frame.picture = test::PatternPicture(12 + i, 9);
        frame.delay = 10;
        frames.Add(std::move(frame));
    }
    GifInfo info;
    const std::vector<std::uint8_t> whole = EncodeSaveable(*FindFormat(PictureFileType::Gif), frames, &info, {});
    const FormatRow& gif = *FindFormat(PictureFileType::Gif);

    std::vector<std::uint8_t> stray = whole;
    const std::uint8_t control[] = {0x21, 0xF9, 0x04};
    auto second = std::search(stray.begin() + 13, stray.end(), std::begin(control), std::end(control));
    second = std::search(second + 1, stray.end(), std::begin(control), std::end(control));
    ASSERT_NE(second, stray.end());
    stray.insert(second, {0x00, 0x07});  // ignored by the reader
    ASSERT_EQ(DecodeGif(stray, "stray").frames.Count(), 3u);
    ASSERT_TRUE(gif.header(stray));
    EXPECT_EQ(gif.header(stray)->frames, 3);

    int compared = 0;
    for (std::size_t keep = 0; keep <= whole.size(); ++keep) {
        const std::span<const std::uint8_t> cut(whole.data(), keep);
        const auto header = gif.header(cut);
        std::size_t kept = 0;
        try {
            kept = DecodeGif(cut, "cut").frames.Count();
        } catch (const ImpExpException&) {
        }
        SCOPED_TRACE(keep);
        if (kept == 0) {
            EXPECT_FALSE(header && header->frames > 0);
            continue;
        }
        ASSERT_TRUE(header);
        EXPECT_EQ(std::size_t(header->frames), kept);
        ++compared;
    }
    EXPECT_GT(compared, 100);
}

// --- Writing ------------------------------------------------------------------------------------

TEST(FormatTable, AFailedSaveKeepsTheOldFileForEveryWriter) {
    test::ScratchDir dir;
    for (const FormatRow& row : FormatRows()) {
        if (!row.CanWrite()) continue;
        SCOPED_TRACE(RowName(row));
        const fs::path target = dir / ("old" + row.CanonicalExtension());
        test::WriteFileBytes(target, {1, 2, 3});
        try {
            SaveWithRow(row, OneFrame(Picture{}), nullptr, target, EncodeOptions{});
            ADD_FAILURE() << "an empty picture was written";
        } catch (const ImpExpException& e) {
            EXPECT_EQ(e.Where(), target.string());
            EXPECT_FALSE(e.Message().empty());
        }
        EXPECT_EQ(test::ReadFileBytes(target), (std::vector<std::uint8_t>{1, 2, 3}));
        std::size_t files = 0;
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.Path())) ++files;
        EXPECT_EQ(files, 1u) << "no temporary file is left";
        fs::remove(target);
    }
}

TEST(FormatTable, EveryWriterTakesWhatItsRowAcceptsAndRefusesTheRest) {
    for (const FormatRow& row : FormatRows()) {
        if (!row.CanWrite()) continue;
        SCOPED_TRACE(RowName(row));
        const std::string title(row.errorTitle);
        const auto refused = [&](const GifFrameList& frames, const char* what) {
            try {
                EncodeWithRow(row, frames, nullptr, EncodeOptions{});
                ADD_FAILURE() << what << " was accepted";
            } catch (const ImpExpException& e) {
                EXPECT_EQ(e.Title(), title) << what << ": " << e.Message();
            }
        };
        if (row.accepts.maxSide != 0) {
            EXPECT_NO_THROW(EncodeWithRow(row, OneFrame(FewColours(row.accepts.maxSide, 1)), nullptr, {}));
            refused(OneFrame(FewColours(row.accepts.maxSide + 1, 1)), "a picture past the largest side");
        }
        if (row.accepts.maxColours != 0) {
            Picture many = test::PatternPicture(32, 32);
            ASSERT_GT(CountColours(many), row.accepts.maxColours);
            refused(OneFrame(many), "a frame over the colour limit");
            EXPECT_NO_THROW(EncodeWithRow(row, OneFrame(FewColours(8, 8)), nullptr, {}));
        }
        GifFrameList two = OneFrame(FewColours(4, 4));
        two.Add(two[0]);
        if (row.accepts.maxFrames == 1) {
            refused(two, "two frames");
        } else {
            GifInfo info;
            EXPECT_NO_THROW(EncodeWithRow(row, two, &info, {}));
        }
        refused(OneFrame(Picture{}), "an empty picture");
    }
}

// The table writes files with each format's own texts; a save where no file can be
// created must fail exactly as the format's own save does.
TEST(FormatTable, WriteErrorsAreTheFormatsOwn) {
    test::ScratchDir dir;
    const Picture p = FewColours(4, 4);
    const fs::path folder = dir / "no such folder";
    struct Case {
        PictureFileType type;
        std::string extension;
        void (*save)(const Picture&, const fs::path&);
    };
    const Case cases[] = {
        {PictureFileType::Jpeg, ".jpg", [](const Picture& q, const fs::path& t) { SaveJpeg(q, t, 75); }},
        {PictureFileType::Gif, ".gif", [](const Picture& q, const fs::path& t) { SaveGifPicture(q, t, nullptr); }},
        {PictureFileType::Png, ".png", [](const Picture& q, const fs::path& t) { SavePng(q, t); }},
        {PictureFileType::Bmp, ".bmp",
         [](const Picture& q, const fs::path& t) { SaveBmp(q, t, BmpCompression::None, 24, nullptr); }},
        {PictureFileType::Tiff, ".tif", [](const Picture& q, const fs::path& t) { SaveTiff(q, t, nullptr); }},
        {PictureFileType::Targa, ".tga", [](const Picture& q, const fs::path& t) { SaveTarga(q, t, true, nullptr); }},
        {PictureFileType::Pcx, ".pcx", [](const Picture& q, const fs::path& t) { SavePcx(q, t, nullptr); }},
        {PictureFileType::Unknown, ".eps", [](const Picture& q, const fs::path& t) { SaveEpsWithPreview(q, t, nullptr); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extension);
        const fs::path target = folder / ("x" + c.extension);
        std::string ownMessage, ownTitle;
        try {
            c.save(p, target);
        } catch (const ImpExpException& e) {
            ownMessage = e.Message();
            ownTitle = e.Title();
        }
        ASSERT_FALSE(ownMessage.empty());
        try {
            SavePictureByExtension(p, target);
            ADD_FAILURE() << "saved into a missing folder";
        } catch (const ImpExpException& e) {
            EXPECT_EQ(e.Message(), ownMessage);
            EXPECT_EQ(e.Title(), ownTitle);
            EXPECT_EQ(e.Where(), target.string());
        }
    }
}

TEST(FormatTable, SavingAPhotoAsGifFitsItTo256Colours) {
    test::ScratchDir dir;
    const Picture photo = test::PatternPicture(64, 48);
    ASSERT_GT(CountColours(photo), 256);
    const fs::path target = dir / "photo.gif";
    ASSERT_NO_THROW(SavePictureByExtension(photo, target));
    const DecodedPicture back = DecodePictureFile(ReadPictureFile(target));
    EXPECT_EQ(back.frames[0].picture.Width(), 64);
    EXPECT_LE(CountColours(back.frames[0].picture), 256);
}

TEST(FormatTable, AFrameWithATransparentColourKeepsAnExactKeyWhenFitted) {
    GifFrame frame;
    frame.picture = test::PatternPicture(40, 40);
    const ColourRef key = MakeColour(1, 2, 3);
    for (int x = 0; x < 10; ++x) test::SetPixel(frame.picture, x, 0, key);
    frame.transparentColour = key;
    GifFrameList frames;
    frames.Add(frame);
    EncodeOptions options;
    PrepareForWrite(*FindFormat(PictureFileType::Gif), frames, options);
    const GifFrame& fitted = frames[0];
    EXPECT_LE(CountColours(fitted.picture), 256);
    ASSERT_NE(fitted.transparentColour, kNoColour);
    for (int x = 0; x < 10; ++x) EXPECT_EQ(test::PixelAt(fitted.picture, x, 0), fitted.transparentColour);
    for (int x = 10; x < 40; ++x) EXPECT_NE(test::PixelAt(fitted.picture, x, 0), fitted.transparentColour);
}

TEST(FormatTable, PngPaletteModeFollowsTheColourCount) {
    const FormatRow& png = *FindFormat(PictureFileType::Png);
    const auto palette = [&](const Picture& p) {
        GifFrameList frames = OneFrame(p);
        EncodeOptions options;
        PrepareForWrite(png, frames, options);
        return options.pngPalette;
    };
    EXPECT_EQ(palette(FewColours(20, 20)), PngPaletteMode::Palette);
    EXPECT_EQ(palette(test::PatternPicture(64, 64)), PngPaletteMode::TrueColour);
}

TEST(FormatTable, MeasuredSizesAreTheSizesSavingWrites) {
    test::ScratchDir dir;
    for (const Picture& p : {FewColours(30, 20), test::PatternPicture(30, 20)}) {
        SavePictureByExtension(p, dir / "m.png");
        EXPECT_EQ(MeasurePngBytes(p, kNoColour), std::int64_t(fs::file_size(dir / "m.png")));
    }
}

// --- A palette chosen before the writer -----------------------------------------------------------

/// The colour table a palette writer stored, as colours in file order.
std::vector<ColourRef> StoredTable(PictureFileType type, const std::vector<std::uint8_t>& bytes) {
    if (type == PictureFileType::Png) return test::StoredPngPalette(bytes);
    std::vector<ColourRef> table;
    // BMP family: 14-byte file header, 40-byte info header, then (blue, green, red, 0) entries.
    const std::size_t offBits = std::size_t(bytes[10]) | std::size_t(bytes[11]) << 8;
    for (std::size_t at = 54; at + 4 <= offBits; at += 4)
        table.push_back(MakeColour(bytes[at + 2], bytes[at + 1], bytes[at]));
    return table;
}

struct PaletteRowCase {
    PictureFileType type;
    EncodeOptions options;
};

std::vector<ColourEntry> Entries(std::initializer_list<ColourRef> colours) {
    std::vector<ColourEntry> entries;
    for (const ColourRef c : colours) entries.push_back(ColourEntry::FromColour(c));
    return entries;
}

std::vector<PaletteRowCase> PaletteRows() {
    EncodeOptions png;
    png.pngPalette = PngPaletteMode::Palette;
    return {{PictureFileType::Png, png}, {PictureFileType::Rle, {}}, {PictureFileType::Dib, {}}};
}

TEST(FormatTable, PaletteWritersStoreAChosenPaletteInItsOrder) {
    const Picture picture = FewColours(12, 6);
    const std::vector<ColourEntry> chosen =
        Entries({MakeColour(0, 0, 255), MakeColour(255, 0, 0), MakeColour(255, 255, 255), MakeColour(0, 0, 0)});
    for (const PaletteRowCase& c : PaletteRows()) {
        const FormatRow& row = *FindFormat(c.type);
        SCOPED_TRACE(RowName(row));
        const std::vector<ColourRef> discovered = StoredTable(c.type, EncodePictureWithRow(row, picture, c.options));
        ASSERT_GE(discovered.size(), 4u);
        std::vector<ColourRef> chosenOrder;
        for (const ColourEntry& e : chosen) chosenOrder.push_back(e.ToColour());
        EXPECT_NE(std::vector<ColourRef>(discovered.begin(), discovered.begin() + 4), chosenOrder)
            << "without a palette the writer finds an order of its own";

        EncodeOptions options = c.options;
        options.palette = chosen;
        const std::vector<std::uint8_t> bytes = EncodePictureWithRow(row, picture, options);
        const std::vector<ColourRef> stored = StoredTable(c.type, bytes);
        ASSERT_GE(stored.size(), chosen.size());
        for (std::size_t i = 0; i < chosen.size(); ++i) EXPECT_EQ(stored[i], chosen[i].ToColour()) << i;
        const DecodedPicture back = row.decode(bytes, "chosen", {});
        EXPECT_TRUE(back.frames[0].picture.SamePixels(picture));

        // The frame's own palette serves when the options bring none.
        GifFrameList frames = OneFrame(picture);
        frames[0].palette = chosen;
        EXPECT_EQ(EncodeWithRow(row, frames, nullptr, c.options), bytes);
    }
}

TEST(FormatTable, APaletteThatMissesColoursOfThePictureLosesNone) {
    const Picture picture = FewColours(12, 6);
    // Stale: red and blue are gone, two colours the picture does not show came instead.
    const std::vector<ColourEntry> stale =
        Entries({MakeColour(0, 0, 0), MakeColour(9, 9, 9), MakeColour(255, 255, 255), MakeColour(7, 7, 7)});
    std::vector<PaletteRowCase> rows = PaletteRows();
    rows.push_back({PictureFileType::Gif, {}});
    for (const PaletteRowCase& c : rows) {
        const FormatRow& row = *FindFormat(c.type);
        SCOPED_TRACE(RowName(row));
        EncodeOptions options = c.options;
        options.palette = stale;
        const std::vector<std::uint8_t> bytes = EncodePictureWithRow(row, picture, options);
        EXPECT_TRUE(row.decode(bytes, "stale", {}).frames[0].picture.SamePixels(picture));
    }
}

TEST(FormatTable, GifWrittenWithAChosenPaletteHasTheSameBytes) {
    const FormatRow& gif = *FindFormat(PictureFileType::Gif);
    // A photo fitted by the preparation carries the reduction's palette into the writer.
    GifFrameList fitted = OneFrame(test::PatternPicture(64, 48));
    EncodeOptions options;
    PrepareForWrite(gif, fitted, options);
    ASSERT_FALSE(fitted[0].palette.empty());
    GifFrameList rediscovered = fitted;
    rediscovered[0].palette.clear();
    EXPECT_EQ(EncodeWithRow(gif, fitted, nullptr, options), EncodeWithRow(gif, rediscovered, nullptr, options));

    // 256 chosen colours none of which the picture shows still leave room for its own.
    std::vector<ColourEntry> unused;
    for (int i = 0; i < 256; ++i) unused.push_back(ColourEntry::FromColour(MakeColour(std::uint8_t(i), 1, 2)));
    const Picture few = FewColours(12, 6);
    EncodeOptions withUnused;
    withUnused.palette = unused;
    EXPECT_EQ(EncodePictureWithRow(gif, few, withUnused), EncodePictureWithRow(gif, few, {}));
}

// --- Dialogs and names --------------------------------------------------------------------------

TEST(FormatTable, DialogFiltersAreBuiltFromTheRowsWithTheirExactTexts) {
    EXPECT_EQ(OpenFileFilter(),
              "Graphics Files (*.jpg,*,jpeg,*.gif,*.png,*.bmp,*.tif,*.tga,*.pcx,*.rle,*.dib)|*.jpg;*.jpeg;*.gif;*.png;*.bmp;"
              "*.tif;*.tga;*.pcx;*.rle;*.dib|Jpeg Files (*.jpg,*.jpeg)|*.jpg;*.jpeg|GIF Files (*.gif)|*.gif|PNG Files "
              "(*.png)|*.png|Bitmap Files (*.bmp)|*.bmp|Tiff Files (*.tif)|*.tif|Targa Files (*.tga)|*.tga|PCX Files "
              "(*.pcx)|*.pcx|16 color BMP Files (*.rle)|*.rle|256 color BMP Files (*.dib)|*.dib|All Files (*.*)|*.*||");
    EXPECT_EQ(SaveFileFilter(),
              "Graphics Files (*.jpg,*.jpeg,*.gif,*.png,*.bmp,*.tif,*.tga,*.pcx,*.rle,*.dib,*.eps)|*.jpg;*.jpeg;*.gif;*.png;"
              "*.bmp;*.tif;*.tga;*.pcx;*.rle;*.dib;*.eps|Jpeg Files (*.jpg,*.jpeg)|*.jpg;*.jpeg|GIF Files (*.gif)|*.gif|PNG "
              "Files (*.png)|*.png|Bitmap Files (*.bmp)|*.bmp|Tiff Files (*.tif)|*.tif|Targa Files (*.tga)|*.tga|PCX Files "
              "(*.pcx)|*.pcx|16 color BMP Files (*.rle)|*.rle|256 color BMP Files (*.dib)|*.dib|Encapsulated PS Files "
              "(*.eps)|*.eps||");
    EXPECT_STREQ(kOpenFileFilter, OpenFileFilter().c_str());
    // The extension a typed name gets follows the filter order.
    const std::pair<int, const char*> extensions[] = {{1, ".jpg"}, {2, ".gif"}, {3, ".png"}, {4, ".bmp"},
                                                      {5, ".tif"}, {6, ".tga"}, {7, ".pcx"}, {8, ".rle"},
                                                      {9, ".dib"}, {10, ".eps"}, {0, ""},    {11, ""}};
    for (const auto& [index, ext] : extensions) EXPECT_EQ(SaveFilterExtension(index), ext) << index;
    EXPECT_EQ(SaveFilterIndexForExtension(".JPEG"), 1);
    EXPECT_EQ(SaveFilterIndexForExtension(".tiff"), 5);
    EXPECT_EQ(SaveFilterIndexForExtension(".xyz"), 0);
}

TEST(FormatTable, TiffLoadsUnderBothExtensionsEverywhere) {
    EXPECT_EQ(FindFormatByExtension(".TIFF"), FindFormat(PictureFileType::Tiff));
    EXPECT_EQ(FindFormatByExtension(".tif"), FindFormat(PictureFileType::Tiff));
    EXPECT_EQ(MacroTypeOfExtension(".TIFF"), MacroPictureType::Tiff);
    EXPECT_EQ(MacroTypeOfExtension(".TIF"), MacroPictureType::Tiff);
}

TEST(FormatTable, APipeIsReadToItsEnd) {
    // A pipe reports size 0: every byte comes through the growth path.
    test::ScratchDir dir;
    const fs::path bmp = dir / "few.bmp";
    SavePictureByExtension(FewColours(300, 200), bmp);
    const ByteBuffer expected = ReadPictureFile(bmp).bytes;
    const fs::path fifo = dir / "pipe.bmp";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] {
        std::ofstream out(fifo, std::ios::binary);
        out.write(reinterpret_cast<const char*>(expected.data()), std::streamsize(expected.size()));
    });
    const PictureFile file = ReadPictureFile(fifo);
    writer.join();
    EXPECT_EQ(file.bytes, expected);
    EXPECT_EQ(file.type, PictureFileType::Bmp);
}

// --- Inputs that cannot be read -----------------------------------------------------------------

TEST(FormatTable, AnInputThatCannotBeOpenedSaysWhy) {
    test::ScratchDir dir;
    int error = 0;
    try {
        ReadPictureFile(dir / "missing.bmp", &error);
        ADD_FAILURE() << "read a missing file";
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), "Error Opening File: No such file or directory");
        EXPECT_EQ(e.Where(), (dir / "missing.bmp").string());
    }
    EXPECT_EQ(error, ENOENT);
    EXPECT_THROW(ReadPictureFile(dir.Path()), ImpExpException) << "a folder is no picture";

    const fs::path locked = dir / "locked.bmp";
    SavePictureByExtension(FewColours(4, 4), locked);
    fs::permissions(locked, fs::perms::none);
    if (::access(locked.c_str(), R_OK) == 0) GTEST_SKIP() << "running with rights that read any file";
    try {
        ReadPictureFile(locked);
        ADD_FAILURE() << "read an unreadable file";
    } catch (const ImpExpException& e) {
        EXPECT_EQ(e.Message(), "Error Opening File: Permission denied");
    }
}

TEST(FormatTable, AJobWithAMissingInputLogsWhatHappened) {
    test::ScratchDir dir;
    BatchJob job;
    job.input = (dir / "missing.bmp").string();
    job.output = (dir / "out.bmp").string();
    ErrorLog log;
    EXPECT_FALSE(RunBatchJob(job, log));
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0], "ERROR: " + job.input + " Error Opening File: No such file or directory\n");
}

TEST(FormatTable, TiffNamedTiffLoadsInMacrosAndConversions) {
    test::ScratchDir dir;
    const fs::path in = dir / "pic.tiff";
    SavePictureByExtension(FewColours(12, 5), in);
    fs::create_directories(dir / "out");
    DataFolders folders = DataFolders::FromEnvironment();
    ScriptedPrompter prompter;
    BatchContext context;
    context.folders = &folders;
    context.prompter = &prompter;
    BatchMacro macro("Test");
    macro.outputFormat = kOutputPng;
    macro.outputDir = (dir / "out").string();
    BatchFileResult result;
    EXPECT_TRUE(ApplyToFile(macro, in, context, result));
    EXPECT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.sourceType, MacroPictureType::Tiff);

    const auto convert = test::RunLumaprism({"--convert", "pic.tiff", "back.png"}, dir.Path());
    EXPECT_EQ(convert.exitCode, 0) << convert.err;
    EXPECT_EQ(DecodePictureFile(ReadPictureFile(dir / "back.png")).frames[0].picture.Width(), 12);
}

TEST(FormatTable, ConvertingAMissingInputSaysItIsNotFound) {
    test::ScratchDir dir;
    const auto convert = test::RunLumaprism({"--convert", "missing.bmp", "x.png"}, dir.Path());
    EXPECT_EQ(convert.exitCode, 1);
    EXPECT_NE(convert.err.find("missing.bmp - not Found"), std::string::npos) << convert.err;
    EXPECT_FALSE(fs::exists(dir / "x.png"));
}

}  // namespace
}  // namespace lp
