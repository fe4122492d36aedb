#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/colour.h"
#include "imaging/picture.h"

namespace lp {

/// One frame of a GIF: its own picture plus what the file says about showing it.
/// The reader hands over records whose invariants hold; the writer checks them again.
struct GifFrame {
    std::uint16_t delay = 0;                  // after the frame, hundredths of a second
    std::int32_t disposal = 0;                // 0..3 (values 4..7 in a file read as 0)
    std::int32_t userInput = 0;               // non-zero when the user-input flag is set
    std::int32_t left = 0;                    // position on the logical screen, 0..65535;
    std::int32_t top = 0;                     //   the frame may reach past the screen's edge
    std::int32_t colourCount = 0;             // distinct colours of picture, 0 = not yet counted
    Picture picture;                          // the frame's pixels; its size is the frame's size
    ColourRef transparentColour = kNoColour;  // colour of the transparent entry, kNoColour = none
    std::int32_t index = 0;                   // frame number in the file, from 0
    std::int32_t encodedSize = 0;             // estimate of the compressed size, bytes
    std::int32_t gifSize = 0;                 // measured size of the frame alone as a GIF, 0 = not yet
    std::uint16_t mark1 = 0;                  // frame optimizer: 1 = own colour table, 0 = common palette
    std::uint16_t mark2 = 0;
    /// The colours a reduction mapped picture onto, in the order a writer stores them;
    /// empty when none was chosen. Whoever gives pixels colours outside it clears or extends
    /// it; a writer still finds every pixel's entry and adds any colour the palette lacks.
    std::vector<ColourEntry> palette;
};

/// The frames of an animation, in order. Grows in steps of one eighth of its
/// count (at least 4, at most 1024 records) unless the owner sets a step.
class GifFrameList {
public:
    GifFrameList() = default;

    std::size_t Count() const { return m_frames.size(); }
    bool Empty() const { return m_frames.empty(); }
    GifFrame& operator[](std::size_t i) { return m_frames[i]; }
    const GifFrame& operator[](std::size_t i) const { return m_frames[i]; }
    GifFrame& At(std::size_t i) { return m_frames.at(i); }
    const GifFrame& At(std::size_t i) const { return m_frames.at(i); }

    GifFrame& Add(GifFrame frame);
    GifFrame& InsertAt(std::size_t position, GifFrame frame);
    void RemoveAt(std::size_t position);
    void Clear() { m_frames.clear(); }

    /// 0 restores the default growth rule.
    void SetGrowStep(std::size_t step) { m_growStep = step; }

    auto begin() { return m_frames.begin(); }
    auto end() { return m_frames.end(); }
    auto begin() const { return m_frames.begin(); }
    auto end() const { return m_frames.end(); }

private:
    void GrowForOneMore();

    std::vector<GifFrame> m_frames;
    std::size_t m_growStep = 0;
};

/// Longest comment kept or written: one sub-block of text plus its terminator.
inline constexpr std::size_t kGifMaxComment = 254;

/// The animation-level record.
struct GifInfo {
    ColourRef backgroundColour = 0;    // global table's background entry, 0 without a global table
    std::int32_t valid = 0;            // 1 once filled by the reader or after a save
    std::int32_t fileScreenWidth = 0;  // logical screen as read
    std::int32_t fileScreenHeight = 0;
    std::int32_t screenWidth = 0;  // logical screen to write
    std::int32_t screenHeight = 0;
    std::int32_t loop = 0;                         // 1 when the file has a looping block
    std::int32_t loopCount = 0;                    // 0 = endless; kept as given when written
    std::string comment;                           // at most kGifMaxComment characters, no NUL
    std::array<ColourEntry, 512> commonPalette{};  // built by the frame optimizer
    std::int32_t commonPaletteCount = 0;
};

}  // namespace lp
