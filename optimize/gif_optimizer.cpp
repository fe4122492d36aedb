#include "optimize/gif_optimizer.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "formats/gif/gif_canvas.h"
#include "formats/gif/gif_lzw.h"
#include "formats/gif/gif_writer.h"
#include "base/colour.h"
#include "imaging/colour_reduce.h"
#include "imaging/image_size.h"
#include "base/imp_exp_exception.h"

namespace lp {

namespace {

constexpr const char* kWhere = "GIF frame optimizer";
constexpr const char* kTitle = "Gif Error";
constexpr const char* kProgressText = "Optimizing frames";
constexpr int kMaxCommonPalette = 512;
constexpr int kCommonPaletteTarget = 256;

// Canvas pixels are 0x00BBGGRR; this marks a pixel no frame has drawn (or a disposal cleared).
// Players disagree about what such a pixel shows, so it never counts as unchanged.
constexpr std::uint32_t kUnknown = GifCanvas::kUnknown;

std::uint32_t PixelColour(const std::uint8_t* bgr) {
    return std::uint32_t(bgr[2]) | std::uint32_t(bgr[1]) << 8 | std::uint32_t(bgr[0]) << 16;
}

int Distance(const std::uint8_t* bgr, std::uint32_t colour) {
    return ColourDistance(bgr[2], bgr[1], bgr[0], int(colour & 0xFF), int((colour >> 8) & 0xFF),
                          int((colour >> 16) & 0xFF));
}

/// Distinct colours of a set of pixels, in first-seen order, counting stops after `limit`.
class ColourSet {
public:
    explicit ColourSet(std::size_t limit) : m_limit(limit) { m_keys.fill(kEmpty); }

    /// False once more than the limit were seen (the extra colour is not kept).
    bool Add(std::uint32_t colour) {
        std::uint32_t slot = Hash(colour);
        for (; m_keys[slot] != kEmpty; slot = (slot + 1) & (kSlots - 1))
            if (m_keys[slot] == colour) return true;
        if (m_colours.size() >= m_limit) {
            m_overflow = true;
            return false;
        }
        m_keys[slot] = colour;
        m_values[slot] = static_cast<std::uint16_t>(m_colours.size());
        m_colours.push_back(colour);
        return true;
    }
    /// The colour's number in first-seen order, -1 when it is not in the set.
    int IndexOf(std::uint32_t colour) const {
        for (std::uint32_t slot = Hash(colour);; slot = (slot + 1) & (kSlots - 1)) {
            if (m_keys[slot] == colour) return m_values[slot];
            if (m_keys[slot] == kEmpty) return -1;
        }
    }
    bool Contains(std::uint32_t colour) const {
        for (std::uint32_t slot = Hash(colour);; slot = (slot + 1) & (kSlots - 1)) {
            if (m_keys[slot] == colour) return true;
            if (m_keys[slot] == kEmpty) return false;
        }
    }
    bool Overflow() const { return m_overflow; }
    const std::vector<std::uint32_t>& Colours() const { return m_colours; }

private:
    static constexpr std::uint32_t kSlots = 2048;  // holds up to 600 keys at a low load
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    static std::uint32_t Hash(std::uint32_t c) { return (c * 2654435761u) >> 21; }
    std::array<std::uint32_t, kSlots> m_keys;
    std::array<std::uint16_t, kSlots> m_values{};
    std::vector<std::uint32_t> m_colours;
    std::size_t m_limit;
    bool m_overflow = false;
};

/// The frame's colours, at most `limit` of them, from the top row, left to right.
ColourSet FrameColours(const Picture& picture, std::size_t limit) {
    ColourSet set(limit);
    for (int y = 0; y < picture.Height(); ++y) {
        const std::uint8_t* p = picture.RowFromTop(y).data();
        for (int x = 0; x < picture.Width(); ++x, p += 3)
            if (!set.Add(PixelColour(p))) return set;
    }
    return set;
}

void SetPixel(std::uint8_t* bgr, ColourRef colour) {
    bgr[0] = BlueOf(colour);
    bgr[1] = GreenOf(colour);
    bgr[2] = RedOf(colour);
}

/// (v, 0, 0) for the smallest v that no colour of the set has as its red component.
ColourRef FreeRedKey(const std::vector<std::uint32_t>& colours) {
    std::array<bool, 256> used{};
    for (const std::uint32_t c : colours) used[c & 0xFF] = true;
    int v = 0;
    while (v < 255 && used[std::size_t(v)]) ++v;
    return MakeColour(static_cast<std::uint8_t>(v), 0, 0);
}

/// The size of a frame's colour numbers as the writer would store them alone: a table of the
/// numbers used (as many bits as they need) and their LZW data. What the trials compare, without
/// looking colours up each time. Renumbers ids in place.
std::size_t CodedSize(std::span<std::uint8_t> ids, std::vector<std::uint8_t>& scratch) {
    std::array<int, 256> number;
    number.fill(-1);
    int used = 0;
    for (std::uint8_t& id : ids) {
        if (number[id] < 0) number[id] = used++;
        id = std::uint8_t(number[id]);
    }
    int bits = 1;
    while ((1 << bits) < used) ++bits;
    scratch.clear();
    GifLzwEncoder lzw(std::max(bits, 2), scratch);
    lzw.Add(ids);
    lzw.Finish();
    return scratch.size() + (std::size_t(3) << bits);
}

/// A frame whose pixels now also show key keeps a chosen palette that holds them all.
void AddKeyToPalette(GifFrame& frame, ColourRef key) {
    if (frame.palette.empty()) return;
    const ColourEntry entry = ColourEntry::FromColour(key);
    if (std::find(frame.palette.begin(), frame.palette.end(), entry) == frame.palette.end())
        frame.palette.push_back(entry);
}

/// The screen the file will have: the given one, else the smallest that shows every frame.
std::pair<int, int> ScreenOf(const GifFrameList& frames, const GifInfo& info) {
    std::int64_t width = info.screenWidth, height = info.screenHeight;
    if (width <= 0 || height <= 0) {
        width = height = 1;
        for (const GifFrame& f : frames) {
            width = std::max<std::int64_t>(width, std::int64_t(f.left) + f.picture.Width());
            height = std::max<std::int64_t>(height, std::int64_t(f.top) + f.picture.Height());
        }
    }
    CheckImageSize(width, height, ImageLimits{});
    return {int(width), int(height)};
}

/// What the screen of the input needs drawn over a canvas: the rectangle of the pixels that
/// differ. Invalid when a pixel nothing shows would have to go
/// back to showing nothing, which no frame can do.
struct Plan {
    bool valid = true;
    bool unknownInside = false;  // the rectangle holds pixels nothing shows
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // right and bottom exclusive; empty when x0 >= x1
};

Plan PlanOver(const std::uint32_t* screen, const GifCanvas& canvas, int width, int height) {
    Plan plan;
    plan.x0 = width;
    plan.y0 = height;
    const std::uint32_t* c = canvas.Pixels();
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* s = &screen[std::size_t(y) * std::size_t(width)];
        const std::uint32_t* u = c + std::size_t(y) * std::size_t(width);
        int first = -1, last = -1;
        for (int x = 0; x < width; ++x) {
            if (s[x] == u[x]) continue;
            if (s[x] == kUnknown) {
                plan.valid = false;
                return plan;
            }
            if (first < 0) first = x;
            last = x;
        }
        if (first < 0) continue;
        plan.x0 = std::min(plan.x0, first);
        plan.x1 = std::max(plan.x1, last + 1);
        plan.y0 = std::min(plan.y0, y);
        plan.y1 = y + 1;
    }
    if (plan.y1 == 0) plan.x0 = plan.x1 = plan.y0 = 0;
    for (int y = plan.y0; y < plan.y1 && !plan.unknownInside; ++y)
        for (int x = plan.x0; x < plan.x1; ++x)
            if (screen[std::size_t(y) * std::size_t(width) + std::size_t(x)] == kUnknown) {
                plan.unknownInside = true;
                break;
            }
    return plan;
}

/// The screen's changed rectangle (plan) as a frame drawn over canvas: its pixels are the
/// screen's, a pixel nothing shows becomes the frame's key. Returns a rough coded size (the
/// unchanged pixels in runs of 8 or more cleared) to compare plans by, or SIZE_MAX when the
/// frame would draw more colours than its table can hold beside a key.
std::size_t BuildFrame(const std::uint32_t* screen, int width, const GifCanvas& canvas, const Plan& plan,
                       const GifFrame& source, GifFrame& frame, std::vector<std::uint8_t>& scratch) {
    frame.delay = source.delay;
    frame.userInput = source.userInput;
    frame.index = source.index;
    frame.disposal = 1;
    // A frame without changes is one pixel that shows what is there already.
    const bool empty = plan.x0 >= plan.x1;
    frame.left = empty ? 0 : plan.x0;
    frame.top = empty ? 0 : plan.y0;
    const int w = empty ? 1 : plan.x1 - plan.x0, h = empty ? 1 : plan.y1 - plan.y0;
    frame.picture.Create(w, h);
    std::uint32_t key = kUnknown;
    if (plan.unknownInside) {
        // A value no shown pixel of the frame has.
        std::array<bool, 256> reds{};
        for (int y = frame.top; y < frame.top + h; ++y)
            for (int x = frame.left; x < frame.left + w; ++x) {
                const std::uint32_t c = screen[std::size_t(y) * std::size_t(width) + std::size_t(x)];
                if (c != kUnknown && (c & 0xFFFF00u) == 0) reds[c & 0xFF] = true;
            }
        int v = 0;
        while (v < 256 && reds[std::size_t(v)]) ++v;
        if (v == 256) return SIZE_MAX;
        key = std::uint32_t(v);
        frame.transparentColour = ColourRef(key);
    }
    // Only the pixels that differ must be drawn: more colours than the table holds beside a key
    // for the rest cannot be written without a reduction.
    ColourSet mustDraw(256);
    ColourSet all(255);
    bool others = false;
    std::vector<std::uint8_t> ids(std::size_t(w) * std::size_t(h));
    constexpr std::uint8_t kKeyId = 255;
    constexpr int kLongRun = 8;
    for (int y = 0; y < h; ++y) {
        std::uint8_t* p = frame.picture.RowFromTop(y).data();
        const std::size_t row = std::size_t(frame.top + y) * std::size_t(width) + std::size_t(frame.left);
        const std::uint32_t* s = &screen[row];
        const std::uint32_t* c = canvas.Pixels() + row;
        std::uint8_t* id = &ids[std::size_t(y) * std::size_t(w)];
        int runStart = -1;
        for (int x = 0; x <= w; ++x) {
            const bool same = x < w && s[x] == c[x];
            if (same) {
                others = true;
                if (runStart < 0) runStart = x;
            } else if (runStart >= 0) {
                if (x - runStart >= kLongRun) std::fill(id + runStart, id + x, kKeyId);
                runStart = -1;
            }
            if (x == w) break;
            if (!same && !mustDraw.Add(s[x])) return SIZE_MAX;
            const std::uint32_t colour = s[x] == kUnknown ? key : s[x];
            SetPixel(p + std::size_t(x) * 3, ColourRef(colour));
            id[x] = s[x] == kUnknown || !all.Add(colour) ? kKeyId : std::uint8_t(all.IndexOf(colour));
        }
    }
    if (others && mustDraw.Colours().size() >= 256) return SIZE_MAX;
    return CodedSize(ids, scratch);
}

// What the transparency pass decided for a pixel.
enum : std::uint8_t { kOpaque = 0, kKey = 1, kMadeClear = 2 };

/// Frame i of count (from 0) starts: the progress text and position say so.
void StepFrame(ProgressScope& scope, int i, int count) {
    char text[64];
    std::snprintf(text, sizeof text, "Optimizing frames %d of %d ", i + 1, count);
    scope.SetText(text);
    scope.Step(i);
}

/// Runs a pass; a failure drops the pass's canvas and becomes the optimizer's error.
template <class Canvas, class Fn>
auto WithOptimizerErrors(std::unique_ptr<Canvas>& canvas, Fn&& fn) {
    try {
        return fn();
    } catch (const ImpExpException&) {
        canvas.reset();
        throw;
    } catch (const InnerError& e) {
        canvas.reset();
        throw ImpExpException(kWhere, e.what(), kTitle);
    } catch (const std::bad_alloc&) {
        canvas.reset();
        throw ImpExpException(kWhere, "Not Enough Memory", kTitle);
    }
}

}  // namespace

GifFrameOptimizer::GifFrameOptimizer(int cutOutTolerance, int transparencyTolerance, bool commonPalette,
                                     GifTransparencyChoice choice)
    : m_cutOutTolerance(cutOutTolerance),
      m_transparencyTolerance(transparencyTolerance),
      m_commonPalette(commonPalette),
      m_choice(choice) {}

GifFrameOptimizer::~GifFrameOptimizer() = default;

void GifFrameOptimizer::CutOut(GifFrameList& frames, GifInfo& info, ProgressSink* progress) {
    Run(Pass::CutOut, frames, info, progress);
}

void GifFrameOptimizer::MakeTransparent(GifFrameList& frames, GifInfo& info, ProgressSink* progress) {
    Run(Pass::Transparency, frames, info, progress);
}

void GifFrameOptimizer::Run(Pass pass, GifFrameList& frames, GifInfo& info, ProgressSink* progress) {
    if (frames.Empty()) return;
    WithOptimizerErrors(m_canvas, [&] {
        ProgressScope scope(progress, 0, long(frames.Count()), kProgressText);
        const auto [width, height] = ScreenOf(frames, info);
        m_canvas = std::make_unique<GifCanvas>(width, height, kUnknown);
        if (m_commonPalette) {
            info.commonPaletteCount = 0;
            MergeIntoCommonPalette(frames[0], info);
        }
        m_canvas->Show(frames[0]);
        m_animationColours.clear();
        if (pass == Pass::Transparency && m_choice == GifTransparencyChoice::Smallest) CollectAnimationColours(frames);

        const int count = int(std::min<std::size_t>(frames.Count(), INT32_MAX));
        for (int i = 1; i < count; ++i) {
            StepFrame(scope, i, count);
            GifFrame& frame = frames[std::size_t(i)];
            if (pass == Pass::CutOut)
                CutOutFrame(frame);
            else
                MakeFrameTransparent(frame);
            if (m_commonPalette) MergeIntoCommonPalette(frame, info);
            m_canvas->Show(frame);
        }
        AssignCommonPalette(frames, info);
        m_canvas.reset();
    });
}

void GifFrameOptimizer::CollectAnimationColours(const GifFrameList& frames) {
    // The writer's global table: every colour of the animation when they fit in 256, else
    // those of frame 0.
    // A run of one colour is looked up once, and so is a pixel the frame before (of the same
    // size) has at the same place: it was added then.
    ColourSet all(256);
    const Picture* last = nullptr;
    for (const GifFrame& f : frames) {
        const bool sameSize =
            last && last->Width() == f.picture.Width() && last->Height() == f.picture.Height();
        for (int y = 0; y < f.picture.Height() && !all.Overflow(); ++y) {
            const std::uint8_t* p = f.picture.RowFromTop(y).data();
            const std::uint8_t* q = sameSize ? last->RowFromTop(y).data() : nullptr;
            std::uint32_t previous = kUnknown;
            for (int x = 0; x < f.picture.Width(); ++x, p += 3) {
                if (q && std::memcmp(p, q + std::size_t(x) * 3, 3) == 0) continue;
                const std::uint32_t c = PixelColour(p);
                if (c == previous) continue;
                previous = c;
                if (!all.Add(c)) break;
            }
        }
        last = &f.picture;
    }
    m_animationColours = all.Overflow() ? FrameColours(frames[0].picture, 256).Colours() : all.Colours();
}

void GifFrameOptimizer::OptimizeLossless(GifFrameList& frames, GifInfo& info, ProgressSink* progress) {
    if (frames.Empty()) return;
    const int cutOut = m_cutOutTolerance, transparency = m_transparencyTolerance;
    const GifTransparencyChoice choice = m_choice;
    const bool common = m_commonPalette;
    m_cutOutTolerance = 0;
    m_transparencyTolerance = 1;
    m_choice = GifTransparencyChoice::Smallest;
    m_commonPalette = false;
    struct Restore {
        GifFrameOptimizer& o;
        int cutOut, transparency;
        GifTransparencyChoice choice;
        bool common;
        ~Restore() {
            o.m_cutOutTolerance = cutOut;
            o.m_transparencyTolerance = transparency;
            o.m_choice = choice;
            o.m_commonPalette = common;
        }
    } restore{*this, cutOut, transparency, choice, common};
    const bool rebuilt = WithOptimizerErrors(m_canvas, [&] { return RebuildLossless(frames, info, progress); });
    if (rebuilt) return;
    Run(Pass::CutOut, frames, info, progress);
    Run(Pass::Transparency, frames, info, progress);
}

bool GifFrameOptimizer::RebuildLossless(GifFrameList& frames, const GifInfo& info, ProgressSink* progress) {
    ProgressScope scope(progress, 0, long(frames.Count()), kProgressText);
    const auto [width, height] = ScreenOf(frames, info);
    CollectAnimationColours(frames);

    // shown: the input as a player shows it. before/after: the output's screen before and after
    // its latest frame was drawn; "restore to previous" for that frame takes the next one back to
    // before, "leave" to after.
    GifCanvas shown(width, height, kUnknown);
    GifCanvas before(width, height, kUnknown);
    GifFrameList out;
    out.Add(frames[0]);
    shown.Show(frames[0]);
    GifCanvas after = before;
    after.Draw(out[0]);

    std::vector<std::uint8_t> scratch;
    const int count = int(std::min<std::size_t>(frames.Count(), INT32_MAX));
    for (int i = 1; i < count; ++i) {
        StepFrame(scope, i, count);
        const GifFrame& source = frames[std::size_t(i)];
        // What the input shows now, read until its disposal below.
        shown.Draw(source);
        const std::uint32_t* screen = shown.Pixels();

        const Plan leave = PlanOver(screen, after, width, height);
        const Plan restore = PlanOver(screen, before, width, height);
        GifFrame candidates[2];
        std::size_t sizes[2] = {SIZE_MAX, SIZE_MAX};
        if (leave.valid) sizes[0] = BuildFrame(screen, width, after, leave, source, candidates[0], scratch);
        if (restore.valid) sizes[1] = BuildFrame(screen, width, before, restore, source, candidates[1], scratch);
        if (sizes[0] == SIZE_MAX && sizes[1] == SIZE_MAX) return false;
        const bool restoring = sizes[1] < sizes[0];
        out[std::size_t(i) - 1].disposal = restoring ? 3 : 1;
        const GifCanvas& canvas = restoring ? before : after;
        GifFrame frame = std::move(candidates[restoring ? 1 : 0]);
        shown.Dispose(source);
        m_canvas = std::make_unique<GifCanvas>(canvas);
        MakeFrameTransparent(frame);
        // Counted here, on the small frame, so that the writer need not count it again.
        frame.colourCount = int(FrameColours(frame.picture, 257).Colours().size());
        after = canvas;
        before = canvas;
        after.Draw(frame);
        out.Add(std::move(frame));
    }
    // After the last frame the player starts over from the first: what the input asked for there.
    out[out.Count() - 1].disposal = frames[frames.Count() - 1].disposal;
    m_canvas.reset();
    for (GifFrame& frame : out) {
        frame.mark1 = 1;
        frame.mark2 = 0;
    }
    frames = std::move(out);
    return true;
}

void GifFrameOptimizer::CutOutFrame(GifFrame& frame) const {
    Picture& picture = frame.picture;
    const int width = picture.Width(), height = picture.Height();
    if (width <= 0 || height <= 0) return;
    // After a disposal 2 the player clears the frame's rectangle: a smaller one would leave
    // stale pixels around it, so such a frame keeps its rectangle.
    if (frame.disposal == 2) return;

    const bool hasKey = frame.transparentColour != kNoColour;
    const std::uint32_t key = std::uint32_t(frame.transparentColour);
    const int tolerance = m_cutOutTolerance;
    std::vector<std::uint32_t> under;
    const auto changed = [&](const std::uint8_t* p, std::uint32_t canvas) {
        if (hasKey && PixelColour(p) == key) return false;
        return canvas == kUnknown || Distance(p, canvas) > tolerance;
    };

    int left = width, right = 0, top = height, bottom = 0;
    for (int y = 0; y < height; ++y) {
        m_canvas->RowUnder(frame, y, under);
        const std::uint8_t* row = picture.RowFromTop(y).data();
        int first = -1;
        for (int x = 0; x < width; ++x)
            if (changed(row + std::size_t(x) * 3, under[std::size_t(x)])) {
                first = x;
                break;
            }
        if (first < 0) continue;
        top = std::min(top, y);
        bottom = y + 1;
        left = std::min(left, first);
        // From the right, only past what is already known to be inside.
        for (int x = width - 1; x >= std::max(first, right); --x)
            if (changed(row + std::size_t(x) * 3, under[std::size_t(x)])) {
                right = std::max(right, x + 1);
                break;
            }
    }

    if (bottom == 0) {
        // Nothing changed: one pixel (which matches what is shown) at the frame's own place.
        left = 0;
        top = 0;
        right = 1;
        bottom = 1;
    }
    if (left == 0 && top == 0 && right == width && bottom == height) return;

    Picture part;
    part.Create(right - left, bottom - top);
    const std::size_t bytes = std::size_t(right - left) * 3;
    for (int y = top; y < bottom; ++y)
        std::memcpy(part.RowFromTop(y - top).data(), picture.RowFromTop(y).data() + std::size_t(left) * 3, bytes);
    picture.Adopt(std::move(part));
    frame.left += left;
    frame.top += top;
    frame.colourCount = 0;
}

void GifFrameOptimizer::MakeFrameTransparent(GifFrame& frame) const {
    Picture& picture = frame.picture;
    const int width = picture.Width(), height = picture.Height();
    if (width <= 0 || height <= 0 || m_transparencyTolerance <= 0) return;
    // Players clear a disposal 2 frame's rectangle to transparency when the frame has a key and
    // to the background colour otherwise (some do): giving such a frame a key could change that.
    if (frame.disposal == 2 && frame.transparentColour == kNoColour) return;

    // Which pixels end up transparent: those already of the key and those the player would show
    // (nearly) the same without them. Decided before any colour reduction moves colours around.
    const bool hasKey = frame.transparentColour != kNoColour;
    const std::uint32_t key = std::uint32_t(frame.transparentColour);
    std::vector<std::uint8_t> state(std::size_t(width) * std::size_t(height), kOpaque);
    std::vector<std::uint32_t> under;
    std::size_t madeClear = 0;
    for (int y = 0; y < height; ++y) {
        m_canvas->RowUnder(frame, y, under);
        const std::uint8_t* p = picture.RowFromTop(y).data();
        std::uint8_t* s = &state[std::size_t(y) * std::size_t(width)];
        for (int x = 0; x < width; ++x, p += 3) {
            if (hasKey && PixelColour(p) == key) {
                s[x] = kKey;
            } else if (under[std::size_t(x)] != kUnknown &&
                       Distance(p, under[std::size_t(x)]) < m_transparencyTolerance) {
                s[x] = kMadeClear;
                ++madeClear;
            }
        }
    }
    if (madeClear == 0) return;

    if (m_choice == GifTransparencyChoice::Smallest && MakeFrameTransparentSmallest(frame, state)) return;

    // The opaque pixels and the key must fit one table of 256: more than 255 opaque colours are
    // reduced to 255. The pixels that end transparent are parked on an opaque colour meanwhile so
    // that they take no entry of the reduced palette.
    ColourSet opaque(255);
    for (int y = 0; y < height && !opaque.Overflow(); ++y) {
        const std::uint8_t* p = picture.RowFromTop(y).data();
        const std::uint8_t* s = &state[std::size_t(y) * std::size_t(width)];
        for (int x = 0; x < width; ++x, p += 3)
            if (s[x] == kOpaque && !opaque.Add(PixelColour(p))) break;
    }
    std::vector<std::uint32_t> opaqueColours = opaque.Colours();
    if (opaque.Overflow()) {
        const std::uint32_t park = opaqueColours.front();
        for (int y = 0; y < height; ++y) {
            std::uint8_t* p = picture.RowFromTop(y).data();
            const std::uint8_t* s = &state[std::size_t(y) * std::size_t(width)];
            for (int x = 0; x < width; ++x, p += 3)
                if (s[x] != kOpaque) SetPixel(p, ColourRef(park));
        }
        frame.palette = ReduceColours(picture, 255);
        opaqueColours.clear();
        for (const ColourEntry& e : frame.palette) opaqueColours.push_back(std::uint32_t(e.ToColour()));
    }

    // The key: the frame's own unless an opaque colour took it during the reduction.
    ColourRef newKey = frame.transparentColour;
    if (!hasKey || std::find(opaqueColours.begin(), opaqueColours.end(), key) != opaqueColours.end())
        newKey = FreeRedKey(opaqueColours);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = picture.RowFromTop(y).data();
        const std::uint8_t* s = &state[std::size_t(y) * std::size_t(width)];
        for (int x = 0; x < width; ++x, p += 3)
            if (s[x] != kOpaque) SetPixel(p, newKey);
    }
    frame.transparentColour = newKey;
    AddKeyToPalette(frame, newKey);
    frame.colourCount = 0;
    if (frame.disposal == 0) frame.disposal = 1;
}

bool GifFrameOptimizer::MakeFrameTransparentSmallest(GifFrame& frame, const std::vector<std::uint8_t>& state) const {
    Picture& picture = frame.picture;
    const int width = picture.Width(), height = picture.Height();
    // Every pixel may keep its own colour here, so all of them and the key must fit one table.
    ColourSet colours(255);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* p = picture.RowFromTop(y).data();
        const std::uint8_t* s = &state[std::size_t(y) * std::size_t(width)];
        for (int x = 0; x < width; ++x, p += 3)
            if (s[x] != kKey && !colours.Add(PixelColour(p))) return false;
    }
    // A key the animation already has costs no table entry of its own: the frame can go on
    // sharing the global table.
    ColourRef key = frame.transparentColour;
    if (key == kNoColour) {
        for (const std::uint32_t c : m_animationColours)
            if (!colours.Contains(c)) {
                key = ColourRef(c);
                break;
            }
        if (key == kNoColour) key = FreeRedKey(colours.Colours());
    }

    // Scattered transparent pixels break the coder's strings; long runs of them make long
    // strings. Each candidate clears the unchanged pixels in horizontal runs of at least a given
    // length, with its own minimum for runs that reach the frame's left or right edge.
    constexpr std::uint32_t kEdge = 0x10000u;  // flag beside the run length (at most 65535)
    std::vector<std::uint32_t> run(state.size(), 0);
    for (int y = 0; y < height; ++y) {
        const std::size_t row = std::size_t(y) * std::size_t(width);
        for (int x = 0; x < width;) {
            if (state[row + std::size_t(x)] == kOpaque) {
                ++x;
                continue;
            }
            int end = x;
            while (end < width && state[row + std::size_t(end)] != kOpaque) ++end;
            const std::uint32_t value =
                std::uint32_t(std::min(end - x, 65535)) | ((x == 0 || end == width) ? kEdge : 0u);
            std::fill(run.begin() + std::ptrdiff_t(row) + x, run.begin() + std::ptrdiff_t(row) + end, value);
            x = end;
        }
    }
    struct Candidate {
        std::uint32_t inner, edge;  // least run length cleared inside the row and at its edges
    };
    // The patterns that won on photo, plasma and flat-colour animations (others added under 0.01%).
    constexpr Candidate kCandidates[] = {{1, 1}, {8, 8}, {16, 1}, {32, 1}};
    // The trials code colour numbers: the frame's own colours, then the key.
    const int keyId = int(colours.Colours().size());
    std::vector<std::uint8_t> ids(state.size());
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* p = picture.RowFromTop(y).data();
        const std::size_t row = std::size_t(y) * std::size_t(width);
        for (int x = 0; x < width; ++x, p += 3)
            ids[row + std::size_t(x)] = state[row + std::size_t(x)] == kKey
                                            ? std::uint8_t(keyId)
                                            : std::uint8_t(colours.IndexOf(PixelColour(p)));
    }
    std::vector<std::uint8_t> scratch;
    std::vector<std::uint8_t> trial = ids;
    std::size_t bestSize = CodedSize(trial, scratch);  // no new transparency: the frame as it is
    const Candidate* best = nullptr;
    for (const Candidate& c : kCandidates) {
        trial = ids;
        bool any = false;
        for (std::size_t k = 0; k < state.size(); ++k) {
            if (state[k] != kMadeClear) continue;
            const std::uint32_t r = run[k];
            if ((r & 0xFFFFu) >= ((r & kEdge) ? c.edge : c.inner)) {
                trial[k] = std::uint8_t(keyId);
                any = true;
            }
        }
        if (!any) continue;
        const std::size_t size = CodedSize(trial, scratch);
        if (size < bestSize) {
            bestSize = size;
            best = &c;
        }
    }
    const bool changed = best != nullptr;
    if (changed) {
        for (int y = 0; y < height; ++y) {
            std::uint8_t* p = picture.RowFromTop(y).data();
            const std::size_t row = std::size_t(y) * std::size_t(width);
            for (int x = 0; x < width; ++x, p += 3) {
                if (state[row + std::size_t(x)] != kMadeClear) continue;
                const std::uint32_t r = run[row + std::size_t(x)];
                if ((r & 0xFFFFu) >= ((r & kEdge) ? best->edge : best->inner)) SetPixel(p, key);
            }
        }
    }
    if (changed) {
        frame.transparentColour = key;
        AddKeyToPalette(frame, key);
        frame.colourCount = 0;
        if (frame.disposal == 0) frame.disposal = 1;
    }
    return true;
}

void GifFrameOptimizer::MergeIntoCommonPalette(const GifFrame& frame, GifInfo& info) const {
    auto& palette = info.commonPalette;
    int count = std::clamp(info.commonPaletteCount, 0, kMaxCommonPalette);
    const ColourSet colours = FrameColours(frame.picture, 256);
    for (const std::uint32_t c : colours.Colours()) {
        const ColourEntry entry = ColourEntry::FromColour(ColourRef(c));
        const auto end = palette.begin() + count;
        if (std::find_if(palette.begin(), end, [&](const ColourEntry& e) {
                return e.red == entry.red && e.green == entry.green && e.blue == entry.blue;
            }) != end)
            continue;
        if (count == kMaxCommonPalette) break;  // cannot happen: the palette held at most 256 before
        palette[std::size_t(count++)] = entry;
    }

    if (count > kCommonPaletteTarget) {
        // Each entry's smallest distance to a later entry (1000 when none) and which entry that is;
        // the entry with the smallest such distance goes (the first on ties) until 256 are left.
        const auto dist = [&](int a, int b) {
            const ColourEntry& p = palette[std::size_t(a)];
            const ColourEntry& q = palette[std::size_t(b)];
            return ColourDistance(p.red, p.green, p.blue, q.red, q.green, q.blue);
        };
        std::vector<int> nearest(std::size_t(count), 1000), nearestIndex(std::size_t(count), -1);
        const auto recompute = [&](int j) {
            nearest[std::size_t(j)] = 1000;
            nearestIndex[std::size_t(j)] = -1;
            for (int k = j + 1; k < count; ++k) {
                const int d = dist(j, k);
                if (d < nearest[std::size_t(j)]) {
                    nearest[std::size_t(j)] = d;
                    nearestIndex[std::size_t(j)] = k;
                }
            }
        };
        for (int j = 0; j < count; ++j) recompute(j);
        while (count > kCommonPaletteTarget) {
            int victim = 0;
            for (int j = 1; j < count; ++j)
                if (nearest[std::size_t(j)] < nearest[std::size_t(victim)]) victim = j;
            std::copy(palette.begin() + victim + 1, palette.begin() + count, palette.begin() + victim);
            nearest.erase(nearest.begin() + victim);
            nearestIndex.erase(nearestIndex.begin() + victim);
            --count;
            for (int j = 0; j < count; ++j) {
                int& n = nearestIndex[std::size_t(j)];
                if (n > victim) {
                    --n;
                } else if (n == victim) {
                    recompute(j);
                }
            }
        }
    }
    info.commonPaletteCount = count;
}

void GifFrameOptimizer::AssignCommonPalette(GifFrameList& frames, const GifInfo& info) const {
    if (!m_commonPalette) {
        for (GifFrame& frame : frames) {
            frame.mark1 = 1;
            frame.mark2 = 0;
        }
        return;
    }
    ColourSet common(kMaxCommonPalette);
    for (int i = 0; i < std::clamp(info.commonPaletteCount, 0, kMaxCommonPalette); ++i)
        common.Add(std::uint32_t(info.commonPalette[std::size_t(i)].ToColour()));
    for (GifFrame& frame : frames) {
        // A frame whose colours all lie exactly in the common palette already shows its entries;
        // mapping it again would only risk merging near colours, so its pixels stay as they are.
        const ColourSet colours = FrameColours(frame.picture, 256);
        const bool fits = !colours.Overflow() && std::all_of(colours.Colours().begin(), colours.Colours().end(),
                                                             [&](std::uint32_t c) { return common.Contains(c); });
        frame.mark1 = fits ? 0 : 1;
    }
}

void OptimizeGifFramesLossless(GifFrameList& frames, GifInfo& info, ProgressSink* progress) {
    GifFrameOptimizer(0, 1, false, GifTransparencyChoice::Smallest).OptimizeLossless(frames, info, progress);
}

int GifJobTolerance(std::int32_t given, int fallback) { return (given >= 1 && given <= 100) ? given : fallback; }

void OptimizeGifJobFrames(GifFrameList& frames, GifInfo& info, std::int32_t cutOut, std::int32_t transparency,
                          ProgressSink* progress, GifTransparencyChoice choice) {
    if (cutOut == -1 && transparency == -1) return;
    GifFrameOptimizer optimizer(GifJobTolerance(cutOut, 50), GifJobTolerance(transparency, 1), false, choice);
    if (cutOut != -1) optimizer.CutOut(frames, info, progress);
    if (transparency != -1) optimizer.MakeTransparent(frames, info, progress);
}

}  // namespace lp
