#pragma once
// The palette window's colours and what can be done to them: collecting from
// pictures, palette files and picked areas, the 256-colour limit, editing,
// sorting and making a palette file. The window only draws and forwards.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/colour.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"
#include "tools/palette.h"

namespace lp {

enum class ColourSortKey { Brightness, RGB, GBR, BRG, RBG, GRB, BGR };
enum class ColourSortOrder { Ascending, Descending };

/// The keys as "Color sort options" lists them, in ColourSortKey order.
inline constexpr std::array<std::string_view, 7> kColourSortKeyTexts = {"Brightness", "R-G-B", "G-B-R", "B-R-G",
                                                                        "R-B-G",      "G-R-B", "B-G-R"};

/// Sorts colours by a key. Brightness compares blue x 65536 + green x 256 + red; a key X-Y-Z
/// sorts by X, then each run of neighbours with equal X by Y, then each run with equal Y by Z.
/// Every pass is the exchange sort of the palette window: a later colour changes place with an
/// earlier one when it is smaller (ascending) or greater or equal (descending).
void SortColours(std::span<ColourEntry> colours, ColourSortKey key, ColourSortOrder order);

/// A rectangle of a picture counted from its top-left corner as shown; clipped to the picture.
struct PickRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;   // exclusive
    std::int32_t bottom = 0;  // exclusive
};

/// The palette window's set: at most 256 colours, each at most once, in the order shown.
class PaletteWindowModel {
public:
    static constexpr int kMaxColours = 256;
    // Grid geometry: 9 x 9 swatches on a 10-pixel pitch, 12 to a row.
    static constexpr int kSwatchSize = 9;
    static constexpr int kPitch = 10;
    static constexpr int kPerRow = 12;

    static constexpr const char* kStatusText =
        "Right Click: Removes Color - Left Click: Updates ForeGround - Ctrl+Left Click: Updates BackGround";
    static constexpr const char* kEmptyNameMessage = "File name is empty";
    static constexpr const char* kSaveErrorMessage = "Error Saving Palette";
    static constexpr const char* kAddingProgress = "Adding Colors ..";
    static constexpr std::size_t kSaveNameMax = 12;  // the "Palette Name" field

    const std::vector<ColourEntry>& Colours() const { return m_colours; }
    int Count() const { return static_cast<int>(m_colours.size()); }
    bool Empty() const { return m_colours.empty(); }
    bool Full() const { return Count() >= kMaxColours; }
    bool Contains(ColourRef colour) const;
    /// The colour of a swatch, or kNoColour past the last.
    ColourRef ColourAt(int index) const;

    /// "Palette" or "Palette (" + name + ")".
    std::string Title() const;
    const std::string& PaletteName() const { return m_name; }

    /// Appends a colour unless it is shown already or the grid is full; true when appended.
    bool Add(ColourRef colour);
    /// Appends each colour not shown yet while there is room; returns how many were appended.
    int AddColours(std::span<const ColourEntry> colours);
    /// Right click: removes the swatch; later ones move up. False for no swatch.
    bool Remove(int index);
    /// The colour chooser's OK: replaces swatch index, or appends past the last. A colour shown
    /// in another swatch is not taken twice (false, nothing changes).
    bool SetColour(int index, ColourRef colour);
    /// Keeps the first n colours.
    void Truncate(int n);
    /// Empties the grid and forgets the palette's name.
    void Clear();
    void Sort(ColourSortKey key, ColourSortOrder order);

    /// A palette file's first 256 colours in file order, each once; the title takes its name.
    void LoadPalette(const Palette& palette);
    /// "Load from Picture": the picture's own colours (scan order from the top row) when it
    /// has at most 256, else the colours of a 256-colour reduction. The name is forgotten.
    void LoadFromPicture(const Picture& picture, ProgressSink* progress = nullptr);
    /// A common palette of at most n colours over all frames (the reduction's search over the
    /// frames together), replacing the grid. The name is forgotten.
    void LoadCommonPalette(std::span<const Picture* const> frames, int n, ProgressSink* progress = nullptr);
    /// Pick palette: adds the colours inside the rectangle (clipped), row by row from the top,
    /// each once, while there is room. Returns how many were added.
    int AddColoursInRect(const Picture& picture, PickRect rect, ProgressSink* progress = nullptr);

    /// The colour-count slider released at n: with frames and useAllFrames a common palette of
    /// n over the frames; else below the number shown the first n stay; else the colours of a
    /// reduction of the picture to n (its own colours when it has fewer) are added. The picture
    /// is never changed. Returns the number shown afterwards (the slider's new position).
    int SliderReleased(int n, std::span<const Picture* const> frames, std::size_t currentFrame, bool useAllFrames,
                       ProgressSink* progress = nullptr);

    /// The palette "Save..." writes: named name, entry i (from 1) the colour of swatch i named
    /// name + i.
    Palette MakePalette(std::string_view name) const;
    /// What the Transfer Manager reduces with: the colours under the palette's name.
    Palette AsPalette() const { return MakePalette(m_name); }
    /// "Save...": the palette named name written to PALETTE/name.pal. Returns the message to
    /// show ("File name is empty", "Error Saving Palette"), empty on success (the title then
    /// takes the name).
    std::string SaveAs(std::string_view name, const DataFolders& folders);

    /// The swatch under a point of the grid, or -1 between swatches and past the last row.
    /// Past the last colour the position's index is returned (a double click appends there).
    static int PositionAt(int x, int y);
    /// The top-left corner of a swatch position.
    static std::pair<int, int> SwatchOrigin(int index) {
        return {(index % kPerRow) * kPitch, (index / kPerRow) * kPitch};
    }

private:
    std::vector<ColourEntry> m_colours;
    std::string m_name;
};

}  // namespace lp
