#include "tools/palette_window_model.h"

#include <algorithm>
#include <cstring>

#include "base/imp_exp_exception.h"
#include "imaging/colour_count.h"
#include "imaging/colour_reduce.h"

namespace lp {

namespace {

int Channel(const ColourEntry& c, char which) {
    switch (which) {
        case 'R':
            return c.red;
        case 'G':
            return c.green;
        default:
            return c.blue;
    }
}

// The exchange sort of the window over [first, last) by a value of each colour.
template <typename Value>
void ExchangeSort(std::span<ColourEntry> colours, std::size_t first, std::size_t last, ColourSortOrder order,
                  Value value) {
    for (std::size_t i = first; i < last; ++i)
        for (std::size_t j = i + 1; j < last; ++j) {
            const auto a = value(colours[i]);
            const auto b = value(colours[j]);
            const bool exchange = order == ColourSortOrder::Ascending ? b < a : b >= a;
            if (exchange) std::swap(colours[i], colours[j]);
        }
}

const char* KeyChannels(ColourSortKey key) {
    switch (key) {
        case ColourSortKey::RGB:
            return "RGB";
        case ColourSortKey::GBR:
            return "GBR";
        case ColourSortKey::BRG:
            return "BRG";
        case ColourSortKey::RBG:
            return "RBG";
        case ColourSortKey::GRB:
            return "GRB";
        case ColourSortKey::BGR:
            return "BGR";
        case ColourSortKey::Brightness:
            break;
    }
    return nullptr;
}

// The distinct colours of the pictures together, in scan order, while at most limit; returns
// false (with colours partly filled) when there are more.
bool DistinctColours(std::span<const Picture* const> pictures, std::size_t limit, std::vector<ColourEntry>& colours) {
    ColourBitset seen;
    for (const Picture* picture : pictures) {
        if (!picture || picture->IsEmpty()) continue;
        for (int y = 0; y < picture->Height(); ++y) {
            const std::uint8_t* px = picture->RowFromTop(y).data();
            for (int x = 0; x < picture->Width(); ++x, px += 3) {
                if (!seen.Insert(px[2], px[1], px[0])) continue;
                if (colours.size() >= limit) return false;
                colours.push_back({px[2], px[1], px[0], 0});
            }
        }
    }
    return true;
}

// The pixels of every frame packed into one picture, so that the reduction's popularity
// search counts each frame's pixels once (the last row repeats the last pixel).
Picture PackedFrames(std::span<const Picture* const> frames) {
    constexpr std::int32_t kWidth = 256;
    std::int64_t total = 0;
    for (const Picture* p : frames)
        if (p) total += std::int64_t(p->Width()) * p->Height();
    Picture packed;
    if (total == 0) return packed;
    packed.Create(kWidth, std::int32_t((total + kWidth - 1) / kWidth));
    std::int64_t at = 0;
    const std::uint8_t* last = nullptr;
    auto put = [&](const std::uint8_t* px) {
        std::uint8_t* out = packed.RowFromTop(int(at / kWidth)).data() + std::size_t(at % kWidth) * 3;
        std::memcpy(out, px, 3);
        ++at;
    };
    for (const Picture* p : frames) {
        if (!p) continue;
        for (int y = 0; y < p->Height(); ++y) {
            const std::uint8_t* px = p->RowFromTop(y).data();
            for (int x = 0; x < p->Width(); ++x, px += 3) put(px);
            if (p->Width() > 0) last = px - 3;
        }
    }
    while (last && at % kWidth != 0) put(last);
    return packed;
}

// At most n colours of the pictures: their own when they have no more, else a reduction's.
std::vector<ColourEntry> ColoursUpTo(std::span<const Picture* const> pictures, int n, ProgressSink* progress) {
    std::vector<ColourEntry> colours;
    if (n <= 0) return colours;
    if (DistinctColours(pictures, std::size_t(n), colours)) return colours;
    if (pictures.size() == 1) return BuildPalette(*pictures[0], n, {}, progress);
    const Picture packed = PackedFrames(pictures);
    return BuildPalette(packed, n, {}, progress);
}

}  // namespace

void SortColours(std::span<ColourEntry> colours, ColourSortKey key, ColourSortOrder order) {
    const std::size_t n = colours.size();
    const char* channels = KeyChannels(key);
    if (!channels) {
        ExchangeSort(colours, 0, n, order, [](const ColourEntry& c) {
            return std::uint32_t(c.blue) * 65536u + std::uint32_t(c.green) * 256u + c.red;
        });
        return;
    }
    // Each further pass sorts the runs that agree on every channel sorted so far, so the result
    // is ordered by the key as a whole (a run of equal second channels alone would mix colours
    // of different first channels again).
    for (int pass = 0; pass < 3; ++pass) {
        std::size_t first = 0;
        while (first < n) {
            std::size_t last = first + 1;
            while (last < n) {
                bool same = true;
                for (int k = 0; k < pass; ++k)
                    if (Channel(colours[last], channels[k]) != Channel(colours[first], channels[k])) same = false;
                if (!same) break;
                ++last;
            }
            const char c = channels[pass];
            ExchangeSort(colours, first, last, order, [c](const ColourEntry& e) { return Channel(e, c); });
            first = last;
        }
    }
}

bool PaletteWindowModel::Contains(ColourRef colour) const {
    const ColourEntry e = ColourEntry::FromColour(colour);
    return std::find(m_colours.begin(), m_colours.end(), e) != m_colours.end();
}

ColourRef PaletteWindowModel::ColourAt(int index) const {
    if (index < 0 || index >= Count()) return kNoColour;
    return m_colours[std::size_t(index)].ToColour();
}

std::string PaletteWindowModel::Title() const { return m_name.empty() ? "Palette" : "Palette (" + m_name + ")"; }

bool PaletteWindowModel::Add(ColourRef colour) {
    if (colour == kNoColour || Full() || Contains(colour)) return false;
    m_colours.push_back(ColourEntry::FromColour(colour));
    return true;
}

int PaletteWindowModel::AddColours(std::span<const ColourEntry> colours) {
    int added = 0;
    for (const ColourEntry& c : colours) {
        if (Full()) break;
        if (Add(MakeColour(c.red, c.green, c.blue))) ++added;
    }
    return added;
}

bool PaletteWindowModel::Remove(int index) {
    if (index < 0 || index >= Count()) return false;
    m_colours.erase(m_colours.begin() + index);
    return true;
}

bool PaletteWindowModel::SetColour(int index, ColourRef colour) {
    if (index < 0 || colour == kNoColour) return false;
    const ColourEntry e = ColourEntry::FromColour(colour);
    if (index < Count()) {
        if (m_colours[std::size_t(index)] == e) return true;
        if (Contains(colour)) return false;
        m_colours[std::size_t(index)] = e;
        return true;
    }
    return Add(colour);
}

void PaletteWindowModel::Truncate(int n) {
    if (n < 0) n = 0;
    if (n < Count()) m_colours.resize(std::size_t(n));
}

void PaletteWindowModel::Clear() {
    m_colours.clear();
    m_name.clear();
}

void PaletteWindowModel::Sort(ColourSortKey key, ColourSortOrder order) { SortColours(m_colours, key, order); }

void PaletteWindowModel::LoadPalette(const Palette& palette) {
    m_colours.clear();
    for (const PaletteEntry& entry : palette.Entries()) {
        if (Full()) break;
        Add(MakeColour(entry.colour.red, entry.colour.green, entry.colour.blue));
    }
    m_name = std::string(palette.Name());
}

void PaletteWindowModel::LoadFromPicture(const Picture& picture, ProgressSink* progress) {
    const Picture* one[] = {&picture};
    std::vector<ColourEntry> colours = ColoursUpTo(one, kMaxColours, progress);
    m_colours.clear();
    m_name.clear();
    AddColours(colours);
}

void PaletteWindowModel::LoadCommonPalette(std::span<const Picture* const> frames, int n, ProgressSink* progress) {
    std::vector<ColourEntry> colours = ColoursUpTo(frames, std::min(n, kMaxColours), progress);
    m_colours.clear();
    m_name.clear();
    AddColours(colours);
}

int PaletteWindowModel::AddColoursInRect(const Picture& picture, PickRect rect, ProgressSink* progress) {
    const std::int32_t left = std::max(0, std::min(rect.left, rect.right));
    const std::int32_t right = std::min(picture.Width(), std::max(rect.left, rect.right));
    const std::int32_t top = std::max(0, std::min(rect.top, rect.bottom));
    const std::int32_t bottom = std::min(picture.Height(), std::max(rect.top, rect.bottom));
    if (left >= right || top >= bottom) return 0;
    ProgressScope scope(progress, top, bottom, kAddingProgress);
    ColourBitset shown;
    for (const ColourEntry& c : m_colours) shown.Insert(c.red, c.green, c.blue);
    int added = 0;
    for (std::int32_t y = top; y < bottom && !Full(); ++y) {
        const std::uint8_t* px = picture.RowFromTop(y).data() + std::size_t(left) * 3;
        for (std::int32_t x = left; x < right && !Full(); ++x, px += 3) {
            if (!shown.Insert(px[2], px[1], px[0])) continue;
            m_colours.push_back({px[2], px[1], px[0], 0});
            ++added;
        }
        scope.Step(y);
    }
    return added;
}

int PaletteWindowModel::SliderReleased(int n, std::span<const Picture* const> frames, std::size_t currentFrame,
                                       bool useAllFrames, ProgressSink* progress) {
    n = std::clamp(n, 0, kMaxColours);
    if (frames.size() >= 2 && useAllFrames) {
        LoadCommonPalette(frames, n, progress);
        return Count();
    }
    if (n < Count()) {
        Truncate(n);
        return Count();
    }
    if (n == Count() || currentFrame >= frames.size() || !frames[currentFrame]) return Count();
    const Picture* one[] = {frames[currentFrame]};
    AddColours(ColoursUpTo(one, n, progress));
    return Count();
}

Palette PaletteWindowModel::MakePalette(std::string_view name) const {
    Palette palette;
    palette.SetName(name);
    int i = 1;
    for (const ColourEntry& c : m_colours) palette.AddEntry(c.ToColour(), std::string(name) + std::to_string(i++));
    return palette;
}

std::string PaletteWindowModel::SaveAs(std::string_view name, const DataFolders& folders) {
    if (name.empty()) return kEmptyNameMessage;
    const std::filesystem::path path = PaletteFilePath(folders, name);
    if (path.empty()) return kSaveErrorMessage;  // a name the palette folder refuses
    Palette palette = MakePalette(name);
    if (palette.Write(path) != 0) return kSaveErrorMessage;
    m_name = std::string(name);
    return {};
}

int PaletteWindowModel::PositionAt(int x, int y) {
    if (x < 0 || y < 0) return -1;
    const int column = x / kPitch, row = y / kPitch;
    if (column >= kPerRow || x % kPitch >= kSwatchSize || y % kPitch >= kSwatchSize) return -1;
    const int index = row * kPerRow + column;
    return index < kMaxColours ? index : -1;
}

}  // namespace lp
