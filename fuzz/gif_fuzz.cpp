// Fuzz target of the GIF reader (and, through a round trip, of the writer).
// Limits are lowered instead of filtering inputs: huge declared sizes still
// reach the checks that refuse them.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "formats/gif/gif_reader.h"
#include "formats/gif/gif_writer.h"
#include "base/imp_exp_exception.h"

namespace {

/// Traps when the reader breaks the progress protocol.
class CheckingSink : public lp::ProgressSink {
public:
    void Begin(long low, long high, std::string_view) override {
        if (m_open || low > high) std::abort();
        m_open = true;
        m_last = low;
        m_high = high;
    }
    void Step(long position) override {
        if (!m_open || position < m_last || position > m_high) std::abort();
        m_last = position;
    }
    void SetText(std::string_view) override {
        if (!m_open) std::abort();
    }
    void End() override {
        if (!m_open) std::abort();
        m_open = false;
    }
    bool Open() const { return m_open; }

private:
    bool m_open = false;
    long m_last = 0;
    long m_high = 0;
};

bool HasColour(const lp::Picture& p, lp::ColourRef c) {
    for (int y = 0; y < p.Height(); ++y) {
        const std::uint8_t* row = p.RowFromTop(y).data();
        for (int x = 0; x < p.Width(); ++x)
            if (lp::MakeColour(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]) == c) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    lp::GifReadOptions options;
    options.limits.picture.maxPixels = 1u << 18;
    options.limits.picture.maxDimension = 1 << 12;
    options.limits.maxTotalPixels = 1u << 21;
    options.limits.maxFrames = 500;
    const std::span<const std::uint8_t> file(data, size);

    CheckingSink sink;
    lp::GifAnimation a;
    try {
        a = lp::DecodeGif(file, "fuzz", &sink, options);
    } catch (const lp::ImpExpException&) {
        if (sink.Open()) std::abort();
        (void)lp::IsAnimatedGif(file, options);
        return 0;
    }
    if (sink.Open() || a.frames.Empty()) std::abort();

    // The records keep their invariants.
    for (std::size_t i = 0; i < a.frames.Count(); ++i) {
        const lp::GifFrame& f = a.frames[i];
        if (f.disposal < 0 || f.disposal > 3 || f.index != int(i) || f.left < 0 || f.left > 65535 || f.top < 0 ||
            f.top > 65535 || f.picture.Width() <= 0 || f.picture.Height() <= 0 || f.encodedSize < 0)
            std::abort();
    }
    if (a.info.comment.size() > lp::kGifMaxComment || a.info.valid != 1) std::abort();

    // A second image cut before any pixel still counts for the probe, so only one way holds.
    if (a.frames.Count() > 1 && !lp::IsAnimatedGif(file, options)) std::abort();
    lp::GifInfo firstInfo;
    const lp::GifFrame first = lp::DecodeGifFirstFrame(file, "fuzz", nullptr, &firstInfo, options);
    if (!first.picture.SamePixels(a.frames[0].picture)) std::abort();

    // What we read, we write and read back unchanged (when GIF can hold it).
    std::vector<std::uint8_t> bytes;
    try {
        bytes = lp::EncodeGif(a.frames, a.info);
    } catch (const lp::ImpExpException&) {
        return 0;  // more than 256 colours with the fill colour, or a frame past 65535
    }
    lp::GifAnimation b;
    try {
        b = lp::DecodeGif(bytes, "again", nullptr, options);
    } catch (const lp::ImpExpException&) {
        std::abort();
    }
    if (b.frames.Count() != a.frames.Count()) std::abort();
    for (std::size_t i = 0; i < a.frames.Count(); ++i) {
        const lp::GifFrame& x = a.frames[i];
        const lp::GifFrame& y = b.frames[i];
        if (!y.picture.SamePixels(x.picture)) std::abort();
        // A transparent colour no pixel has may be dropped (it is stored as a table index).
        if (y.transparentColour != x.transparentColour &&
            (y.transparentColour != lp::kNoColour || HasColour(x.picture, x.transparentColour)))
            std::abort();
        if (a.frames.Count() > 1 && (y.delay != x.delay || y.disposal != x.disposal || y.left != x.left ||
                                     y.top != x.top || (y.userInput != 0) != (x.userInput != 0)))
            std::abort();
    }
    if (b.info.loop != (a.info.loop != 0 || a.info.loopCount > 0 ? 1 : 0)) std::abort();
    if (b.info.loop && b.info.loopCount != a.info.loopCount) std::abort();
    if (b.info.comment != lp::GifCommentWithSignature(a.info.comment)) std::abort();
    return 0;
}
