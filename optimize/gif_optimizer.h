#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "formats/gif/gif_records.h"
#include "imaging/progress_sink.h"

namespace lp {

class GifCanvas;

/// How the transparency pass decides for a frame. Both show the same picture.
enum class GifTransparencyChoice {
    /// Every unchanged pixel becomes transparent; a frame without a key gets (v, 0, 0). The default.
    Always,
    /// Smaller files, lossless beside Always: the key is a colour of the animation that the frame
    /// does not use (so it can share the global table), and of "no new transparency" and a few
    /// "unchanged pixels in horizontal runs of at least N become transparent" patterns the frame
    /// keeps whichever encodes smallest. A frame that would need a colour reduction is handled
    /// as with Always. Costs a few trial encodings per frame.
    Smallest,
};

/// Shrinks an animation by comparing every frame with what a player shows at that moment
/// (the canvas). The cut-out pass crops each frame to the rectangle of changed pixels; the
/// transparency pass turns unchanged pixels into the frame's transparent colour. Frame 0 is
/// never changed. Either pass leaves the animation displaying as before within its tolerance:
///  - distances are |dR| + |dG| + |dB|; cut-out keeps a pixel out when distance <= tolerance,
///    transparency makes it transparent when distance < tolerance;
///  - the canvas follows the players' rules (disposal applies after a frame is shown: 2 clears
///    its rectangle, 3 restores what was there before). Pixels that nothing has drawn yet, that
///    a disposal 2 cleared, or that lie off the logical screen count as changed;
///  - a frame with disposal 2 keeps its rectangle (a smaller one would clear less afterwards),
///    and gets no transparency unless it already has a key;
///  - a frame without changes becomes 1 x 1 at its own (left, top); a 0-size frame is left alone.
/// With a common palette the colours of all frames are gathered into info.commonPalette and each
/// frame's mark1 says whether it can use it (0) or needs its own table (1).
///
/// Typical use (the command line's order: cut-out first, then transparency):
///     GifFrameOptimizer optimizer(cutOutTolerance, transparencyTolerance);
///     optimizer.CutOut(frames, info, progress);
///     optimizer.MakeTransparent(frames, info, progress);
/// Failures raise ImpExpException (title "Gif Error"); the list may then be partly rewritten.
/// Objects hold no global state; one object per thread.
class GifFrameOptimizer {
public:
    GifFrameOptimizer(int cutOutTolerance, int transparencyTolerance, bool commonPalette = false,
                      GifTransparencyChoice choice = GifTransparencyChoice::Always);
    ~GifFrameOptimizer();
    GifFrameOptimizer(const GifFrameOptimizer&) = delete;
    GifFrameOptimizer& operator=(const GifFrameOptimizer&) = delete;

    /// Crops every frame after the first to its changed rectangle (left/top move with it).
    /// Progress: Begin(0, count, "Optimizing frames"), then "Optimizing frames N of M " per frame.
    void CutOut(GifFrameList& frames, GifInfo& info, ProgressSink* progress = nullptr);
    /// Turns unchanged pixels of every frame after the first into its transparent colour. A frame
    /// without one gets (v, 0, 0), v the smallest value no opaque pixel has as red; a frame that
    /// would need more than 256 colours has its opaque pixels reduced to 255 first. A frame whose
    /// pixels change gets disposal 1 when it had 0 (2 and 3 are kept: later frames rely on them).
    void MakeTransparent(GifFrameList& frames, GifInfo& info, ProgressSink* progress = nullptr);

    /// Both passes at once, exactly: every frame after the first is rebuilt from what the input
    /// shows at that moment, so that the output composites to the same screens pixel for pixel
    /// (whatever this object's tolerances). Per frame the disposal of the frame before it is
    /// chosen, "leave" (1) or "restore to previous" (3): whichever leaves the frame less to code
    /// (a trial coding of the pixels that differ from that screen). The frame is cut down to those
    /// pixels and its unchanged ones are cleared as GifTransparencyChoice::Smallest does. The
    /// last frame keeps the input's disposal; the first frame's pixels stay as they are. An animation that cannot be rebuilt so without
    /// a colour reduction (a frame that would have to draw more than 256 colours) is optimized
    /// by CutOut and MakeTransparent at tolerances 0 and 1 instead. Progress as for CutOut.
    void OptimizeLossless(GifFrameList& frames, GifInfo& info, ProgressSink* progress = nullptr);

    int CutOutTolerance() const { return m_cutOutTolerance; }
    int TransparencyTolerance() const { return m_transparencyTolerance; }

private:
    enum class Pass { CutOut, Transparency };
    void Run(Pass pass, GifFrameList& frames, GifInfo& info, ProgressSink* progress);
    /// False when some frame cannot be drawn without a reduction; frames is then unchanged.
    bool RebuildLossless(GifFrameList& frames, const GifInfo& info, ProgressSink* progress);
    void CollectAnimationColours(const GifFrameList& frames);
    void CutOutFrame(GifFrame& frame) const;
    void MakeFrameTransparent(GifFrame& frame) const;
    /// False when the frame's colours leave no room for a key (then Always applies).
    bool MakeFrameTransparentSmallest(GifFrame& frame, const std::vector<std::uint8_t>& state) const;
    void MergeIntoCommonPalette(const GifFrame& frame, GifInfo& info) const;
    void AssignCommonPalette(GifFrameList& frames, const GifInfo& info) const;

    int m_cutOutTolerance;
    int m_transparencyTolerance;
    bool m_commonPalette;
    GifTransparencyChoice m_choice;
    std::unique_ptr<GifCanvas> m_canvas;            // lives for one pass
    std::vector<std::uint32_t> m_animationColours;  // Smallest: the writer's likely global table
};

/// The lossless optimization on its own: GifFrameOptimizer::OptimizeLossless.
void OptimizeGifFramesLossless(GifFrameList& frames, GifInfo& info, ProgressSink* progress = nullptr);

/// A tolerance the command line was given: the value when it lies in 1..100, else fallback.
int GifJobTolerance(std::int32_t given, int fallback);

/// The command line's GIF optimization: the cut-out pass when a cut-out tolerance was given
/// (not -1; tolerance GifJobTolerance(cutOut, 50)), then the transparency pass when a
/// transparency tolerance was given (GifJobTolerance(transparency, 1)). Nothing when neither.
void OptimizeGifJobFrames(GifFrameList& frames, GifInfo& info, std::int32_t cutOut, std::int32_t transparency,
                          ProgressSink* progress = nullptr,
                          GifTransparencyChoice choice = GifTransparencyChoice::Always);

}  // namespace lp
