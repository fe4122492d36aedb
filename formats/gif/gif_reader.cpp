#include "formats/gif/gif_reader.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "formats/gif/gif_lzw.h"
#include "formats/io/bounded_reader.h"
#include "base/colour.h"
#include "base/imp_exp_exception.h"

namespace lp {

namespace {

constexpr const char* kTitle = "GIF Error";
constexpr const char* kOpenError = "File Open Error";
constexpr const char* kPrematureEnd = "Premature end of input file";
constexpr const char* kNotGif = "Unknown message code 1016";
constexpr const char* kBadCodeSize = "Unknown message code 1013";
constexpr const char* kNoImage = "The GIF file holds no image";

enum class ReadMode { FirstFrame, AllFrames, Probe };

/// A colour table as the frames see it: entries past the file's table read as black.
struct ColourTable {
    std::array<std::uint8_t, 256 * 3> rgb{};  // red, green, blue per entry
    int count = 0;

    ColourRef Colour(int index) const {
        if (index < 0 || index >= count) return 0;
        const std::size_t i = std::size_t(index) * 3;
        return MakeColour(rgb[i], rgb[i + 1], rgb[i + 2]);
    }
};

/// Values of the graphic control extension; they persist from one image to the next.
struct Control {
    std::uint16_t delay = 0;
    int disposal = 0;
    int userInput = 0;
    int transparentIndex = -1;
};

struct ImageDescriptor {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    int codeSize = 0;
};

/// Visits the rows of an image in the order they are stored (interlaced: passes
/// starting at rows 0, 4, 2, 1 with steps 8, 8, 4, 2).
class RowOrder {
public:
    RowOrder(int height, bool interlaced) : m_height(height), m_interlaced(interlaced) {}
    int Next() {
        const int row = m_row;
        if (!m_interlaced) {
            ++m_row;
            return row;
        }
        static constexpr int kStart[4] = {0, 4, 2, 1};
        static constexpr int kStep[4] = {8, 8, 4, 2};
        m_row += kStep[m_pass];
        while (m_row >= m_height && m_pass < 3) {
            ++m_pass;
            m_row = kStart[m_pass];
        }
        return row;
    }

private:
    int m_height;
    bool m_interlaced;
    int m_pass = 0;
    int m_row = 0;
};

bool ReadSubBlocksInto(BoundedReader& r, std::vector<std::uint8_t>& out) {
    for (;;) {
        if (r.AtEnd()) return false;
        const std::uint8_t length = r.U8();
        if (length == 0) return true;
        const auto bytes = r.BytesUpTo(length);
        out.insert(out.end(), bytes.begin(), bytes.end());
        if (bytes.size() < length) return false;
    }
}

void SkipSubBlocks(BoundedReader& r) {
    for (;;) {
        const std::uint8_t length = r.U8();
        if (length == 0) return;
        r.Skip(length);
    }
}

void ReadColourTable(BoundedReader& r, int sizeBits, ColourTable& table) {
    const int count = 2 << sizeBits;
    const auto bytes = r.Bytes(std::uint64_t(count) * 3);
    std::copy(bytes.begin(), bytes.end(), table.rgb.begin());
    table.count = count;
}

// Most pixels LZW data of this many bytes can make: with no clear code, the n-th code
// yields at most n pixels until the table is full, then at most the longest entry.
// Codes widen as a decoder widens them, no earlier, so the bound is generous.
std::uint64_t GifLzwMostPixels(std::uint64_t bytes, int codeSize) {
    std::uint64_t bits = bytes * 8;
    int width = codeSize + 1;
    std::uint32_t next = (1u << codeSize) + 2;
    std::uint64_t length = 0;
    std::uint64_t pixels = 0;
    bool first = true;  // the first code adds no entry
    while (bits >= std::uint64_t(width)) {
        bits -= std::uint64_t(width);
        pixels += ++length;
        if (first) {
            first = false;
            continue;
        }
        if (next >= 4096) return pixels + bits / 12 * (length + 1);
        if (++next >= (1u << width) && width < 12) ++width;
    }
    return pixels;
}

// A colour none of the table's entries has, near wanted.
ColourRef UnusedColour(ColourRef wanted, const std::vector<std::array<std::uint8_t, 3>>& lut) {
    std::vector<ColourRef> taken;
    taken.reserve(lut.size());
    for (const auto& c : lut) taken.push_back(MakeColour(c[2], c[1], c[0]));
    std::sort(taken.begin(), taken.end());
    for (std::uint32_t k = 1;; ++k) {
        const ColourRef candidate = static_cast<ColourRef>((std::uint32_t(wanted) ^ k) & 0xFFFFFFu);
        if (!std::binary_search(taken.begin(), taken.end(), candidate)) return candidate;
    }
}

void ReplaceColour(Picture& picture, ColourRef from, ColourRef to) {
    const std::uint8_t fb = BlueOf(from), fg = GreenOf(from), fr = RedOf(from);
    for (int y = 0; y < picture.Height(); ++y) {
        std::uint8_t* p = picture.RowFromTop(y).data();
        for (int x = 0; x < picture.Width(); ++x, p += 3)
            if (p[0] == fb && p[1] == fg && p[2] == fr) {
                p[0] = BlueOf(to);
                p[1] = GreenOf(to);
                p[2] = RedOf(to);
            }
    }
}

std::string FrameText(const GifReadOptions& options, int frameNumber) {
    if (!options.caption.empty()) return options.caption;
    char text[64];
    std::snprintf(text, sizeof text, "Loading GIF File ... Frame #%d", frameNumber);
    return text;
}

class GifDecoder {
public:
    GifDecoder(std::span<const std::uint8_t> file, const GifReadOptions& options, ProgressSink* progress, ReadMode mode)
        : m_reader(file, kPrematureEnd), m_options(options), m_progress(progress), m_mode(mode) {}

    void Run();

    GifFrameList& Frames() { return m_frames; }
    GifInfo& Info() { return m_info; }
    bool Animated() const { return m_animated; }

private:
    void ReadHeader();
    /// Returns false when the scan is over (trailer, end of data, or the mode is satisfied).
    bool ReadBlock();
    void ReadExtension();
    void ReadImage();
    /// Decodes the image data into frame.picture; returns the number of pixels decoded.
    std::uint64_t DecodePixels(const ImageDescriptor& d, const ColourTable& table, GifFrame& frame,
                               std::span<const std::uint8_t> data);

    BoundedReader m_reader;
    const GifReadOptions& m_options;
    ProgressSink* m_progress;
    ReadMode m_mode;

    GifFrameList m_frames;
    GifInfo m_info;
    bool m_animated = false;

    ColourTable m_global;
    Control m_control;
    std::uint64_t m_totalPixels = 0;
    PictureBudget m_budget{m_options.limits.picture.maxBytes};
    int m_imagesSeen = 0;
    std::vector<std::uint8_t> m_data;  // the current image's joined sub-blocks
};

void GifDecoder::ReadHeader() {
    const auto file = m_reader.Rest();
    if (file.size() < 3 || std::memcmp(file.data(), "GIF", 3) != 0) throw InnerError(kNotGif);
    // Any version is accepted: only "GIF" is checked.
    m_reader.Skip(6);
    const int width = m_reader.U16LE();
    const int height = m_reader.U16LE();
    const std::uint8_t flags = m_reader.U8();
    const std::uint8_t background = m_reader.U8();
    m_reader.U8();  // aspect
    // The logical screen is no picture: only the frames are checked against the limits.
    if (flags & 0x80) ReadColourTable(m_reader, flags & 7, m_global);

    m_info.backgroundColour = m_global.count > 0 ? m_global.Colour(background) : 0;
    m_info.valid = 1;
    m_info.fileScreenWidth = m_info.screenWidth = width;
    m_info.fileScreenHeight = m_info.screenHeight = height;
}

void GifDecoder::Run() {
    ReadHeader();
    for (;;) {
        bool more;
        try {
            more = ReadBlock();
        } catch (const TruncatedInput&) {
            // A stream that ends after a complete frame keeps its frames.
            if (m_frames.Empty()) throw;
            more = false;
        }
        if (!more) break;
    }
    if (m_frames.Empty() && m_mode != ReadMode::Probe) throw InnerError(kNoImage);
    if (m_mode != ReadMode::Probe && (m_info.screenWidth == 0 || m_info.screenHeight == 0)) {
        // A screen of 0 holds nothing: the one that covers every frame, as the writer makes it.
        int width = 0, height = 0;
        for (const GifFrame& f : m_frames) {
            width = std::max(width, f.left + f.picture.Width());
            height = std::max(height, f.top + f.picture.Height());
        }
        m_info.screenWidth = std::min(width, 65535);
        m_info.screenHeight = std::min(height, 65535);
    }
}

bool GifDecoder::ReadBlock() {
    if (m_reader.AtEnd()) {
        if (m_frames.Empty()) m_reader.ThrowTruncated();
        return false;
    }
    switch (m_reader.U8()) {
        case 0x21:
            ReadExtension();
            return true;
        case 0x2C:
            if (m_mode == ReadMode::Probe && m_imagesSeen == 1) {
                m_animated = true;
                return false;
            }
            ReadImage();
            return !(m_mode == ReadMode::FirstFrame && m_imagesSeen == 1);
        case 0x3B:
            return false;
        default:
            return true;  // stray bytes between blocks are ignored
    }
}

void GifDecoder::ReadExtension() {
    const std::uint8_t label = m_reader.U8();
    switch (label) {
        case 0xF9: {
            const std::uint8_t length = m_reader.U8();
            if (length == 0) return;
            const auto block = m_reader.Bytes(length);
            std::uint8_t v[4] = {0, 0, 0, 0};
            std::copy_n(block.begin(), std::min<std::size_t>(block.size(), 4), v);
            m_control.transparentIndex = (v[0] & 1) ? v[3] : -1;
            m_control.delay = static_cast<std::uint16_t>(v[1] | (v[2] << 8));
            m_control.userInput = v[0] & 2;
            m_control.disposal = (v[0] >> 2) & 7;
            break;
        }
        case 0xFF: {
            const std::uint8_t length = m_reader.U8();
            if (length == 0) return;
            const auto name = m_reader.Bytes(length);
            const auto is = [&](const char* id) { return length == 11 && std::memcmp(name.data(), id, 11) == 0; };
            if (!is("NETSCAPE2.0") && !is("ANIMEXTS1.0")) break;
            // The looping sub-block: id 1, then the count (16-bit little-endian).
            for (std::uint8_t n = m_reader.U8(); n != 0; n = m_reader.U8()) {
                const auto block = m_reader.Bytes(n);
                if (n >= 3 && block[0] == 1) {
                    m_info.loop = 1;
                    m_info.loopCount = block[1] | (block[2] << 8);
                }
            }
            return;
        }
        case 0xFE: {
            const std::uint8_t length = m_reader.U8();
            if (length == 0) {
                m_info.comment.clear();
                return;
            }
            const auto text = m_reader.Bytes(length);
            std::size_t n = 0;
            while (n < text.size() && n < kGifMaxComment && text[n] != 0) ++n;
            m_info.comment.assign(reinterpret_cast<const char*>(text.data()), n);
            break;
        }
        default:
            break;
    }
    SkipSubBlocks(m_reader);
}

void GifDecoder::ReadImage() {
    ImageDescriptor d;
    d.left = m_reader.U16LE();
    d.top = m_reader.U16LE();
    d.width = m_reader.U16LE();
    d.height = m_reader.U16LE();
    const std::uint8_t flags = m_reader.U8();
    d.interlaced = (flags & 0x40) != 0;
    ColourTable local;
    const bool hasLocal = (flags & 0x80) != 0;
    if (hasLocal) ReadColourTable(m_reader, flags & 7, local);
    d.codeSize = m_reader.U8();
    if (d.codeSize < 1 || d.codeSize > 11) throw InnerError(kBadCodeSize);
    CheckImageSize(d.width, d.height, m_options.limits.picture);
    ++m_imagesSeen;

    if (m_mode == ReadMode::Probe) {
        SkipSubBlocks(m_reader);
        m_frames.Add(GifFrame{});  // only counts: the probe never hands frames out
        return;
    }

    if (m_frames.Count() >= m_options.limits.maxFrames)
        throw InnerError("Too many frames: more than " + std::to_string(m_options.limits.maxFrames));
    const std::uint64_t pixels = std::uint64_t(d.width) * std::uint64_t(d.height);
    if (pixels > m_options.limits.maxTotalPixels - std::min(m_totalPixels, m_options.limits.maxTotalPixels))
        throw InnerError("Animation too large: its frames hold more than " +
                         std::to_string(m_options.limits.maxTotalPixels) + " pixels");
    m_totalPixels += pixels;

    const std::uint64_t dataStart = m_reader.Position();
    m_data.clear();
    const bool complete = ReadSubBlocksInto(m_reader, m_data);
    const std::uint64_t dataEnd = m_reader.Position();
    // A few bytes cannot make a large frame: refuse it before allocating. A cut stream
    // keeps the frames before it, as a truncated file does.
    if (PictureBytes24(d.width, d.height) > kFillCheckBytes &&
        pixels > GifLzwMostPixels(m_data.size(), d.codeSize)) {
        if (!complete) m_reader.ThrowTruncated();
        throw InnerError(kNotEnoughImageData);
    }
    m_budget.Charge(d.width, d.height);

    const ColourTable& table = hasLocal ? local : m_global;
    GifFrame frame;
    frame.delay = m_control.delay;
    frame.disposal = m_control.disposal <= 3 ? m_control.disposal : 0;
    frame.userInput = m_control.userInput;
    frame.left = d.left;
    frame.top = d.top;
    frame.colourCount = 0;
    // A transparent index outside the table names no colour of the frame.
    frame.transparentColour = (m_control.transparentIndex >= 0 && m_control.transparentIndex < table.count)
                                  ? table.Colour(m_control.transparentIndex)
                                  : kNoColour;
    frame.index = static_cast<std::int32_t>(m_frames.Count());
    const std::uint64_t encoded = (dataEnd - dataStart) * 105 / 100;
    frame.encodedSize = static_cast<std::int32_t>(std::min<std::uint64_t>(encoded, INT32_MAX));

    const std::uint64_t decoded = DecodePixels(d, table, frame, m_data);
    if (!complete) {
        // The data was cut: the frame keeps what it decoded, and the scan ends.
        if (decoded > 0) m_frames.Add(std::move(frame));
        m_reader.ThrowTruncated();
    }
    m_frames.Add(std::move(frame));
}

std::uint64_t GifDecoder::DecodePixels(const ImageDescriptor& d, const ColourTable& table, GifFrame& frame,
                                       std::span<const std::uint8_t> data) {
    try {
        frame.picture.Create(d.width, d.height);
    } catch (const ImpExpException&) {
        throw InnerError("Not Enough Memory");
    }

    // Pixel value -> blue, green, red. Values past the table (including the
    // roots above 255 that a code size over 8 allows) read as black.
    const std::size_t lutSize = std::size_t(1) << std::max(d.codeSize, 8);
    std::vector<std::array<std::uint8_t, 3>> lut(lutSize, {0, 0, 0});
    for (int i = 0; i < table.count; ++i)
        lut[std::size_t(i)] = {table.rgb[std::size_t(i) * 3 + 2], table.rgb[std::size_t(i) * 3 + 1],
                               table.rgb[std::size_t(i) * 3]};
    // When another entry has the transparent entry's colour, the key pixels get a colour of
    // their own while decoding; it stays only if the frame shows that other entry.
    const ColourRef key = frame.transparentColour;
    const int keyIndex = m_control.transparentIndex;
    ColourRef provisional = kNoColour;
    if (key != kNoColour) {
        const std::array<std::uint8_t, 3> keyBgr = {BlueOf(key), GreenOf(key), RedOf(key)};
        bool shared = false;
        for (std::size_t i = 0; i < lutSize && !shared; ++i) shared = i != std::size_t(keyIndex) && lut[i] == keyBgr;
        if (shared) {
            provisional = UnusedColour(key, lut);
            lut[std::size_t(keyIndex)] = {BlueOf(provisional), GreenOf(provisional), RedOf(provisional)};
        }
    }
    std::vector<std::uint8_t> used(provisional != kNoColour ? lutSize : 0, 0);

    const ColourRef fill = key != kNoColour ? (provisional != kNoColour ? provisional : key) : m_info.backgroundColour;
    const std::array<std::uint8_t, 3> fillBgr = {BlueOf(fill), GreenOf(fill), RedOf(fill)};

    GifLzwDecoder lzw(d.codeSize, data);
    std::vector<std::uint16_t> indexes(std::size_t(d.width));
    RowOrder order(d.height, d.interlaced);
    ProgressScope scope(m_progress, 0, d.height, FrameText(m_options, static_cast<int>(m_frames.Count()) + 1));
    std::uint64_t decoded = 0;
    for (int i = 0; i < d.height; ++i) {
        const int y = order.Next();
        const std::size_t n = lzw.Finished() ? 0 : lzw.Read(indexes);
        decoded += n;
        std::uint8_t* out = frame.picture.RowFromTop(y).data();
        if (!used.empty())
            for (std::size_t x = 0; x < n; ++x) used[indexes[x]] = 1;
        for (std::size_t x = 0; x < n; ++x, out += 3) {
            const auto& c = lut[indexes[x]];
            out[0] = c[0];
            out[1] = c[1];
            out[2] = c[2];
        }
        if (fill != 0)
            for (std::size_t x = n; x < std::size_t(d.width); ++x, out += 3) {
                out[0] = fillBgr[0];
                out[1] = fillBgr[1];
                out[2] = fillBgr[2];
            }
        scope.Step(i + 1);
    }
    if (provisional != kNoColour) {
        const std::array<std::uint8_t, 3> keyBgr = {BlueOf(key), GreenOf(key), RedOf(key)};
        bool keyVisible = false;
        for (std::size_t i = 0; i < lutSize && !keyVisible; ++i)
            keyVisible = used[i] && i != std::size_t(keyIndex) && lut[i] == keyBgr;
        if (keyVisible)
            frame.transparentColour = provisional;
        else
            ReplaceColour(frame.picture, provisional, key);
    }
    return decoded;
}


std::vector<std::uint8_t> ReadGifFile(const std::filesystem::path& path) { return ReadWholeFile(path, kOpenError); }

}  // namespace

GifAnimation DecodeGif(std::span<const std::uint8_t> file, const std::string& where, ProgressSink* progress,
                       const GifReadOptions& options) {
    return WithImpExpErrors(where, kTitle, [&] {
        GifDecoder decoder(file, options, progress, ReadMode::AllFrames);
        decoder.Run();
        return GifAnimation{std::move(decoder.Frames()), std::move(decoder.Info())};
    });
}

GifAnimation LoadGif(const std::filesystem::path& path, ProgressSink* progress, const GifReadOptions& options) {
    const std::string where = path.string();
    const auto bytes = WithImpExpErrors(where, kTitle, [&] { return ReadGifFile(path); });
    return DecodeGif(bytes, where, progress, options);
}

GifFrame DecodeGifFirstFrame(std::span<const std::uint8_t> file, const std::string& where, ProgressSink* progress,
                             GifInfo* info, const GifReadOptions& options) {
    return WithImpExpErrors(where, kTitle, [&] {
        GifDecoder decoder(file, options, progress, ReadMode::FirstFrame);
        decoder.Run();
        if (info) *info = std::move(decoder.Info());
        return std::move(decoder.Frames()[0]);
    });
}

GifFrame LoadGifFirstFrame(const std::filesystem::path& path, ProgressSink* progress, GifInfo* info,
                           const GifReadOptions& options) {
    const std::string where = path.string();
    const auto bytes = WithImpExpErrors(where, kTitle, [&] { return ReadGifFile(path); });
    return DecodeGifFirstFrame(bytes, where, progress, info, options);
}

Picture LoadGifPicture(const std::filesystem::path& path, ProgressSink* progress) {
    return std::move(LoadGifFirstFrame(path, progress).picture);
}

bool IsAnimatedGif(std::span<const std::uint8_t> file, const GifReadOptions& options) {
    try {
        GifDecoder decoder(file, options, nullptr, ReadMode::Probe);
        decoder.Run();
        return decoder.Animated();
    } catch (const std::exception&) {
        return false;
    }
}

bool IsAnimatedGif(const std::filesystem::path& path, const GifReadOptions& options) {
    try {
        const auto bytes = ReadGifFile(path);
        return IsAnimatedGif(bytes, options);
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace lp
