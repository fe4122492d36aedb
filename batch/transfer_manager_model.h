#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "batch/batch_macro.h"
#include "formats/gif/gif_records.h"
#include "optimize/transfer_info.h"

namespace lp {

/// The Transfer Manager's format tab.
enum TransferTab : int { kTabSize = 0, kTabGifPng = 1, kTabJpeg = 2 };
/// The three formats it shows, in display order.
enum TransferFormat : int { kFormatJpg = 0, kFormatGif = 1, kFormatPng = 2 };
/// "Compare to" of the Overall Improve group.
enum CompareTo : int { kCompareOriginal = 0, kCompareSpecific = 1 };

inline constexpr std::string_view kZeroSizeMessage = "Size should always be greater than zero";
inline constexpr std::string_view kWizardNotAvailable = "The Lumaprism Wizard is not available in this version";

/// Legend colours of the JPG, GIF and PNG check boxes, as 0xRRGGBB.
inline constexpr std::array<std::uint32_t, 3> kLegendColours{0xC80000, 0x009600, 0x0000C8};

// ---------------------------------------------------------------------------------------------

/// The bar-graph history of a group: up to seven window columns and the live trial.
class HistoryGraph {
public:
    static constexpr int kMaxWindowColumns = 7;
    static constexpr int kSegments = 18;
    static constexpr int kLeft = 4;

    struct Column {
        int previewNumber = 0;
        std::array<std::int64_t, 3> bytes{};  // JPG, GIF, PNG
    };

    /// A window joins (or updates its column); with seven present the oldest goes first.
    void SetWindow(int previewNumber, std::array<std::int64_t, 3> bytes);
    void RemoveWindow(int previewNumber);
    void SwapNumbers(int a, int b);
    void SetLive(std::array<std::int64_t, 3> bytes) { m_live = bytes; }
    const std::vector<Column>& Windows() const { return m_windows; }
    const std::array<std::int64_t, 3>& Live() const { return m_live; }

    /// The largest value of the shown formats over every column, live one included.
    std::int64_t Largest(const std::array<bool, 3>& shown) const;
    /// Lit segments of a bar: value / (largest + 1) x 18 + 1, truncated (1..18).
    static int Segments(std::int64_t value, std::int64_t largest);
    static int ColumnWidth(bool usePng) { return usePng ? 14 : 10; }
    /// Left edge of column index (window columns first, then the live one).
    static int ColumnLeft(int index, bool usePng) { return kLeft + index * ColumnWidth(usePng); }
    /// The window column under x, -1 for none (the live column holds no window).
    int WindowColumnAt(int x, bool usePng) const;
    /// Vertical nudge in pixels of each bar, so that equal heights stay apart.
    static std::array<int, 3> Nudges(const std::array<int, 3>& segments);

private:
    std::vector<Column> m_windows;
    std::array<std::int64_t, 3> m_live{};
};

// ---------------------------------------------------------------------------------------------

/// The size curve graph on the format tab.
class SizeCurve {
public:
    struct State {
        double width = 0;
        double height = 0;
        int colors = 0;  // at most 256
        int quality = 75;
    };
    struct Point {
        int x;
        int y;
    };
    struct Plot {
        std::vector<int> gridX;
        std::vector<int> gridY;
        bool curves = false;                       // false: only background and grid
        std::array<std::vector<Point>, 3> points;  // per format; empty when not drawn
        int markerX = 0;
    };
    /// What a click or drag sets: by mode width and height, colours or quality.
    struct Trial {
        int width = 0;
        int height = 0;
        int colors = 0;
        int quality = 0;
    };

    void SetReference(const State& state);  // both states
    void SetTrial(const State& state) { m_trial = state; }
    void SetMode(int tab) { m_mode = tab; }
    void SetShown(int format, bool shown) { m_shown[std::size_t(format)] = shown; }
    const State& Reference() const { return m_ref; }
    const State& TrialState() const { return m_trial; }
    int Mode() const { return m_mode; }
    bool Shown(int format) const { return m_shown[std::size_t(format)]; }

    double ScaleMax(const TransferInfo* master) const;
    /// Marker position x for a client width w.
    int MarkerX(int w) const;
    Plot Compute(const TransferInfo* master, int w, int h) const;
    /// The trial a press or drag at x gives; false outside 5 <= x <= w - 5.
    bool TrialAt(int x, int w, Trial& trial) const;
    /// Whether x is within one pixel of the marker (the marker cursor shows).
    bool NearMarker(int x, int w) const { return x >= MarkerX(w) - 1 && x <= MarkerX(w) + 1; }

private:
    State m_ref;
    State m_trial;
    int m_mode = kTabSize;
    std::array<bool, 3> m_shown{true, true, false};
};

// ---------------------------------------------------------------------------------------------

/// The Transfer Manager's logic: the attached master's record, the trial settings, the slider
/// arithmetic, the estimates of Master and Preview, the field texts and the two graphs. The
/// panel widget only draws this and forwards the user's moves.
class TransferManagerModel {
public:
    explicit TransferManagerModel(bool usePng);

    bool UsePng() const { return m_usePng; }

    // --- Attachment -----------------------------------------------------------------------------
    /// The active group's master: its record, its settings (the document's macro) and, for an
    /// animation, its frames. Refreshes everything.
    void Attach(TransferInfo* info, BatchMacro* settings, GifFrameList* frames, std::size_t currentFrame,
                int formatTab, std::string groupKey);
    void Detach();
    bool Attached() const { return m_info != nullptr; }
    const TransferInfo* Info() const { return m_info; }
    const std::string& GroupKey() const { return m_groupKey; }

    /// The master picture changed (or was attached): c is capped at 256. False when nothing
    /// changed.
    bool SetPresentState(std::int32_t w, std::int32_t h, std::int32_t c, std::int32_t q);

    // --- Tabs and switches ----------------------------------------------------------------------
    void SelectTab(int tab);
    int Tab() const { return m_tab; }
    /// "Use all Frames" is enabled only for two or more frames.
    bool UseAllFramesEnabled() const;
    void SetUseAllFrames(bool on);
    bool UseAllFrames() const { return m_useAllFrames; }
    /// An animated master with Use all Frames: GIF only.
    bool AnimationTotals() const;
    /// Whether a format's check box is available (PNG needs Use PNG; JPG and PNG are off
    /// while animation totals are shown).
    bool FormatEnabled(int format) const;
    void SetShown(int format, bool shown);
    bool Shown(int format) const;
    void SetDisplayTimes(bool times) { m_times = times; }
    bool DisplayTimes() const { return m_times; }
    void SetCompareTo(int compare) { m_compare = compare; }
    int Compare() const { return m_compare; }

    // --- Speed ----------------------------------------------------------------------------------
    /// The application's modem speed, bits per second.
    void SetSpeed(double bitsPerSecond);
    double Speed() const { return m_speed; }
    /// The speed list entry of the present speed (Custom when none matches).
    std::size_t SpeedIndex() const;
    /// Choosing an entry: its speed (Custom: the custom value x 1000). Returns the new speed.
    double ChooseSpeed(std::size_t index);
    bool CustomSelected() const { return m_speedIndex + 1 == kTransferManagerSpeedTable.size(); }
    /// Typing in the custom box (0..2000 kbit/s); false and nothing changes otherwise.
    bool SetCustomKbps(double kbps);
    double CustomKbps() const { return m_customKbps; }

    // --- Sliders --------------------------------------------------------------------------------
    void SetAreaPercent(int p);
    void SetTrialWidth(int w);
    void SetTrialHeight(int h);
    void SetColors(int c);
    void SetQuality(int q);
    /// "Use Current Palette".
    void SetUsePalette(bool on);
    /// A click or drag in the size curve: the trial of the tab's setting, as the slider would.
    bool DragCurve(int x, int w);

    int AreaPercent() const { return m_areaPercent; }
    int ColorsMax() const;
    int TrialWidth() const { return m_settings ? m_settings->width : m_macro.width; }
    int TrialHeight() const { return m_settings ? m_settings->height : m_macro.height; }
    int TrialColors() const { return m_settings ? m_settings->colors : m_macro.colors; }
    int TrialQuality() const { return m_settings ? m_settings->quality : m_macro.quality; }
    bool UsePalette() const { return (m_settings ? m_settings->usePalette : m_macro.usePalette) != 0; }
    std::int32_t PresentWidth() const { return m_info ? m_info->width : 0; }
    std::int32_t PresentHeight() const { return m_info ? m_info->height : 0; }
    std::int32_t PresentColors() const { return m_info ? m_info->colors : 0; }

    // --- Macro ----------------------------------------------------------------------------------
    /// The Transfer Manager's own macro ("Default" at first).
    const BatchMacro& Macro() const { return m_macro; }
    BatchMacro& Macro() { return m_macro; }
    /// A macro chosen in the list: into the panel's macro and the master's settings; relative
    /// sizes become pixels of the present size and the sliders move to the loaded values.
    void TakeMacro(const BatchMacro& loaded);
    /// The settings a Preview or Apply uses now (the master's, or the panel's without one).
    const BatchMacro& TrialSettings() const { return m_settings ? *m_settings : m_macro; }

    // --- Displays -------------------------------------------------------------------------------
    std::string MasterField(int format) const;
    std::string PreviewField(int format) const;
    std::string ImproveField(int format) const;
    std::string OverallImproveField(int format) const;
    /// Present-state and trial bytes of each format (animation totals in bytes for GIF).
    std::array<std::int64_t, 3> PresentBytes() const;
    std::array<std::int64_t, 3> TrialBytes() const;

    // --- Graphs ---------------------------------------------------------------------------------
    HistoryGraph& Graph() { return m_graphs[m_groupKey]; }
    const HistoryGraph* GraphOf(const std::string& key) const;
    void ForgetGraph(const std::string& key) { m_graphs.erase(key); }
    SizeCurve& Curve() { return m_curve; }
    const SizeCurve& Curve() const { return m_curve; }
    /// A window of the group as a column (previews register when they are made).
    void RegisterWindow(int previewNumber, std::array<std::int64_t, 3> bytes) { Graph().SetWindow(previewNumber, bytes); }

    /// Recomputes the trial estimates, the live graph column and the curve's trial.
    void RefreshTrial();

private:
    void EstimatePresent();
    void MoveSlidersFromSettings();
    void AfterSlider();
    double Seconds(std::int64_t bytes) const { return TransferSeconds(bytes, m_speed); }
    std::int64_t PresentValue(int format) const;
    std::int64_t TrialValue(int format) const;
    std::int64_t ReferenceValue(int format) const;
    std::string SizeOrTime(int format, std::int64_t bytes, bool trial) const;

    bool m_usePng;
    TransferInfo* m_info = nullptr;
    BatchMacro* m_settings = nullptr;
    GifFrameList* m_frames = nullptr;
    std::size_t m_currentFrame = 0;
    std::string m_groupKey;
    BatchMacro m_macro{"Default"};
    int m_tab = kTabSize;
    bool m_useAllFrames = false;
    std::array<bool, 3> m_shown{true, true, true};
    bool m_times = false;
    int m_compare = kCompareSpecific;
    double m_speed = 28800;
    std::size_t m_speedIndex = 2;
    double m_customKbps = 0;
    int m_areaPercent = 100;
    std::array<std::int32_t, 4> m_present{-1, -1, -1, -1};  // the last present state taken
    std::map<std::string, HistoryGraph> m_graphs;
    SizeCurve m_curve;
};

/// ceil of a percentage with the floating-point noise of the ratio taken off.
int CeilPercent(double value);

}  // namespace lp
