#include "batch/transfer_manager_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace lp {

int CeilPercent(double value) {
    // A ratio such as 150/300 x 200/400 must give 25, not 26 through rounding noise.
    return int(std::ceil(value - 1e-9));
}

// ---------------------------------------------------------------------------------------------
// History graph

void HistoryGraph::SetWindow(int previewNumber, std::array<std::int64_t, 3> bytes) {
    for (Column& c : m_windows)
        if (c.previewNumber == previewNumber) {
            c.bytes = bytes;
            return;
        }
    if (int(m_windows.size()) >= kMaxWindowColumns) m_windows.erase(m_windows.begin());
    m_windows.push_back({previewNumber, bytes});
}

void HistoryGraph::RemoveWindow(int previewNumber) {
    std::erase_if(m_windows, [previewNumber](const Column& c) { return c.previewNumber == previewNumber; });
}

void HistoryGraph::SwapNumbers(int a, int b) {
    for (Column& c : m_windows) {
        if (c.previewNumber == a)
            c.previewNumber = b;
        else if (c.previewNumber == b)
            c.previewNumber = a;
    }
}

std::int64_t HistoryGraph::Largest(const std::array<bool, 3>& shown) const {
    std::int64_t largest = 0;
    for (std::size_t f = 0; f < 3; ++f) {
        if (!shown[f]) continue;
        for (const Column& c : m_windows) largest = std::max(largest, c.bytes[f]);
        largest = std::max(largest, m_live[f]);
    }
    return largest;
}

int HistoryGraph::Segments(std::int64_t value, std::int64_t largest) {
    if (value < 0) value = 0;
    const int n = int(double(value) / double(std::max<std::int64_t>(largest, 0) + 1) * kSegments + 1);
    return std::clamp(n, 1, kSegments);
}

int HistoryGraph::WindowColumnAt(int x, bool usePng) const {
    if (x < kLeft) return -1;
    const int index = (x - kLeft) / ColumnWidth(usePng);
    return index < int(m_windows.size()) ? index : -1;
}

std::array<int, 3> HistoryGraph::Nudges(const std::array<int, 3>& segments) {
    std::array<int, 3> nudge{};
    for (std::size_t i = 1; i < 3; ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (segments[j] == segments[i]) nudge[i] = std::max(nudge[i], nudge[j] + 1);
    return nudge;
}

// ---------------------------------------------------------------------------------------------
// Size curve

void SizeCurve::SetReference(const State& state) {
    m_ref = state;
    m_ref.colors = std::min(m_ref.colors, 256);
    m_trial = m_ref;
}

double SizeCurve::ScaleMax(const TransferInfo* master) const {
    double m = 0;
    if (m_shown[kFormatJpg]) m = std::max<double>(m, EstimateJpegSize(master, m_ref.width, m_ref.height, 100));
    if (m_shown[kFormatGif]) m = std::max<double>(m, EstimateGifSize(master, m_ref.width, m_ref.height, m_ref.colors));
    if (m_shown[kFormatPng]) m = std::max<double>(m, EstimatePngSize(master, m_ref.width, m_ref.height, m_ref.colors));
    return m;
}

int SizeCurve::MarkerX(int w) const {
    const double span = w - 10;
    int p = 1;
    switch (m_mode) {
        case kTabSize: {
            const double area = m_ref.width * m_ref.height;
            p = area > 0 ? int(m_trial.width * m_trial.height / area * span) + 1 : 1;
            break;
        }
        case kTabGifPng:
            p = m_ref.colors > 0 ? int(double(m_trial.colors) / m_ref.colors * span) + 1 : 1;
            break;
        default:
            p = int(m_trial.quality * span * 0.01) + 1;
            break;
    }
    return p + 5;
}

SizeCurve::Plot SizeCurve::Compute(const TransferInfo* master, int w, int h) const {
    Plot plot;
    for (int k = 0;; ++k) {
        const int x = int(5 + (w - 10) * 0.1111111111111111 * k);
        if (x >= w - 4) break;
        plot.gridX.push_back(x);
    }
    for (int k = 0;; ++k) {
        const int y = int(5 + (h - 10) / 8.0 * k);
        if (y >= h - 4) break;
        plot.gridY.push_back(y);
    }
    plot.markerX = MarkerX(w);
    const double m = ScaleMax(master);
    if (m_trial.width <= 0 || m_trial.height <= 0 || m_trial.colors <= 0 || m <= 0 || w <= 10 || h <= 10) return plot;
    plot.curves = true;
    const double span = w - 10;
    const auto yOf = [&](double s) { return h - 5 - int(s / m * (h - 10)); };
    for (std::size_t f = 0; f < 3; ++f)
        if (m_shown[f]) plot.points[f].reserve(std::size_t(w - 9));
    for (int i = 5; i <= w - 5; ++i) {
        const double t = (i - 5) / span;
        double sizes[3] = {};
        switch (m_mode) {
            case kTabSize: {
                const double f = std::sqrt(t);
                const double width = f * m_ref.width;
                const double height = f * m_ref.height;
                if (m_shown[0]) sizes[0] = EstimateJpegSize(master, width, height, m_trial.quality);
                if (m_shown[1]) sizes[1] = EstimateGifSize(master, width, height, m_trial.colors);
                if (m_shown[2]) sizes[2] = EstimatePngSize(master, width, height, m_trial.colors);
                break;
            }
            case kTabGifPng: {
                double n = t * m_ref.colors;
                if (n < 1) n = 0;
                if (m_shown[0]) sizes[0] = EstimateJpegSize(master, m_trial.width, m_trial.height, m_trial.quality);
                if (m_shown[1]) sizes[1] = EstimateGifSize(master, m_trial.width, m_trial.height, n);
                if (m_shown[2]) sizes[2] = EstimatePngSize(master, m_trial.width, m_trial.height, n);
                break;
            }
            default:
                if (m_shown[0]) sizes[0] = EstimateJpegSize(master, m_trial.width, m_trial.height, t * 100);
                if (m_shown[1]) sizes[1] = EstimateGifSize(master, m_trial.width, m_trial.height, m_trial.colors);
                if (m_shown[2]) sizes[2] = EstimatePngSize(master, m_trial.width, m_trial.height, m_trial.colors);
                break;
        }
        for (std::size_t f = 0; f < 3; ++f)
            if (m_shown[f]) plot.points[f].push_back({i, yOf(sizes[f])});
    }
    return plot;
}

bool SizeCurve::TrialAt(int x, int w, Trial& trial) const {
    if (x < 5 || x > w - 5 || w <= 10) return false;
    const double t = (x - 5) / double(w - 10);
    trial = {};
    switch (m_mode) {
        case kTabSize:
            trial.width = int(std::sqrt(t) * m_ref.width);
            trial.height = int(std::sqrt(t) * m_ref.height);
            break;
        case kTabGifPng:
            trial.colors = int(t * m_ref.colors);
            break;
        default:
            trial.quality = int(t * 100);
            break;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Transfer Manager

TransferManagerModel::TransferManagerModel(bool usePng) : m_usePng(usePng) {
    m_shown[kFormatPng] = usePng;
    m_curve.SetShown(kFormatPng, usePng);
}

void TransferManagerModel::Attach(TransferInfo* info, BatchMacro* settings, GifFrameList* frames,
                                  std::size_t currentFrame, int formatTab, std::string groupKey) {
    m_info = info;
    m_settings = settings;
    m_frames = frames;
    m_currentFrame = currentFrame;
    m_groupKey = std::move(groupKey);
    m_tab = std::clamp(formatTab, 0, 2);
    m_curve.SetMode(m_tab);
    if (!m_info) return;
    if (!m_info->settings) m_info->settings = m_settings;
    // Force the present state through, whatever the record holds.
    const std::int32_t w = m_info->width, h = m_info->height, c = m_info->colors, q = m_info->quality;
    m_present = {-1, -1, -1, -1};
    SetPresentState(w, h, c, q);
    SizeCurve::State present{double(w), double(h), std::min(c, 256), q};
    m_curve.SetReference(present);
    Graph().SetWindow(1, PresentBytes());
    RefreshTrial();
    for (int f = 0; f < 3; ++f) m_curve.SetShown(f, Shown(f));
}

void TransferManagerModel::Detach() {
    m_info = nullptr;
    m_settings = nullptr;
    m_frames = nullptr;
    m_groupKey.clear();
    m_present = {-1, -1, -1, -1};
}

bool TransferManagerModel::SetPresentState(std::int32_t w, std::int32_t h, std::int32_t c, std::int32_t q) {
    if (!m_info) return false;
    c = std::min(c, 256);
    q = std::clamp(q, 0, 100);
    if (m_present == std::array<std::int32_t, 4>{w, h, c, q}) return false;
    m_present = {w, h, c, q};
    m_info->width = w;
    m_info->height = h;
    m_info->colors = c;
    m_info->quality = q;
    BatchMacro& s = m_settings ? *m_settings : m_macro;
    s.quality = q;
    EstimatePresent();
    s.width = std::min(s.width, w);
    s.height = std::min(s.height, h);
    s.colors = std::clamp(s.colors, 1, std::max(c, 1));
    MoveSlidersFromSettings();
    RefreshTrial();
    return true;
}

void TransferManagerModel::EstimatePresent() {
    TransferInfo& t = *m_info;
    t.jpegBytes = EstimateJpegSize(&t, t.width, t.height, t.quality);
    t.gifBytes = EstimateGifSize(&t, t.width, t.height, t.colors);
    t.pngBytes = m_usePng ? EstimatePngSize(&t, t.width, t.height, t.colors) : 0;
    t.jpegSeconds = Seconds(t.jpegBytes);
    t.gifSeconds = Seconds(t.gifBytes);
    t.pngSeconds = Seconds(t.pngBytes);
    if (m_frames && m_frames->Count() >= 2) {
        AnimationEstimate what;
        what.useAllFrames = m_useAllFrames;
        what.currentFrame = m_currentFrame;
        EstimateAnimationSize(&t, *m_frames, what);
    }
}

void TransferManagerModel::MoveSlidersFromSettings() {
    if (!m_info || m_info->width <= 0 || m_info->height <= 0) return;
    const BatchMacro& s = TrialSettings();
    m_areaPercent = std::clamp(
        CeilPercent(double(s.height) / m_info->height * double(s.width) / m_info->width * 100.0), 0, 100);
}

void TransferManagerModel::RefreshTrial() {
    if (!m_info) return;
    TransferInfo& t = *m_info;
    const BatchMacro& s = TrialSettings();
    const double W = t.width, H = t.height, C = t.colors;
    switch (m_tab) {
        case kTabSize:
            t.previewJpegBytes = EstimateJpegSize(&t, s.width, s.height, 75);
            t.previewGifBytes = EstimateGifSize(&t, s.width, s.height, C);
            t.previewPngBytes = m_usePng ? EstimatePngSize(&t, s.width, s.height, C) : 0;
            m_curve.SetTrial({double(s.width), double(s.height), int(std::min(C, 256.0)), 75});
            break;
        case kTabGifPng:
            t.previewJpegBytes = EstimateJpegSize(&t, W, H, 75);
            t.previewGifBytes = EstimateGifSize(&t, W, H, s.colors);
            t.previewPngBytes = m_usePng ? EstimatePngSize(&t, W, H, s.colors) : 0;
            m_curve.SetTrial({W, H, std::min(s.colors, 256), t.quality});
            break;
        default:
            t.previewJpegBytes = EstimateJpegSize(&t, W, H, s.quality);
            t.previewGifBytes = EstimateGifSize(&t, W, H, C);
            t.previewPngBytes = m_usePng ? EstimatePngSize(&t, W, H, C) : 0;
            m_curve.SetTrial({W, H, int(std::min(C, 256.0)), s.quality});
            break;
    }
    t.previewJpegSeconds = Seconds(t.previewJpegBytes);
    t.previewGifSeconds = Seconds(t.previewGifBytes);
    t.previewPngSeconds = Seconds(t.previewPngBytes);
    if (AnimationTotals()) {
        AnimationEstimate what;
        what.useAllFrames = true;
        what.preview = true;
        what.sizePageSelected = m_tab == kTabSize;
        what.gifPageSelected = m_tab == kTabGifPng;
        what.settingsWidth = s.width;
        what.settingsHeight = s.height;
        what.settingsColors = s.colors;
        what.currentFrame = m_currentFrame;
        EstimateAnimationSize(&t, *m_frames, what);
    }
    Graph().SetLive(TrialBytes());
}

// --- Tabs and switches ----------------------------------------------------------------------------

void TransferManagerModel::SelectTab(int tab) {
    m_tab = std::clamp(tab, 0, 2);
    m_curve.SetMode(m_tab);
    RefreshTrial();
}

bool TransferManagerModel::UseAllFramesEnabled() const { return m_frames && m_frames->Count() >= 2; }

void TransferManagerModel::SetUseAllFrames(bool on) {
    m_useAllFrames = on;
    if (on) {
        m_shown[kFormatJpg] = false;
        m_shown[kFormatPng] = false;
    } else {
        m_shown[kFormatJpg] = true;
        m_shown[kFormatPng] = m_usePng;
    }
    for (int f = 0; f < 3; ++f) m_curve.SetShown(f, Shown(f));
    if (m_info) {
        EstimatePresent();
        RefreshTrial();
    }
}

bool TransferManagerModel::AnimationTotals() const {
    return m_useAllFrames && m_frames && m_frames->Count() >= 2;
}

bool TransferManagerModel::FormatEnabled(int format) const {
    if (format == kFormatPng && !m_usePng) return false;
    if (format != kFormatGif && m_useAllFrames && UseAllFramesEnabled()) return false;
    return true;
}

void TransferManagerModel::SetShown(int format, bool shown) {
    if (format < 0 || format > 2) return;
    m_shown[std::size_t(format)] = shown && FormatEnabled(format);
    m_curve.SetShown(format, Shown(format));
}

bool TransferManagerModel::Shown(int format) const {
    return format >= 0 && format <= 2 && m_shown[std::size_t(format)] && FormatEnabled(format);
}

// --- Speed ----------------------------------------------------------------------------------------

void TransferManagerModel::SetSpeed(double bitsPerSecond) {
    m_speed = std::max(0.0, bitsPerSecond);
    m_speedIndex = SpeedEntryIndex(kTransferManagerSpeedTable, std::int32_t(m_speed));
    if (CustomSelected()) m_customKbps = m_speed / 1000.0;
    if (m_info) {
        EstimatePresent();
        RefreshTrial();
    }
}

std::size_t TransferManagerModel::SpeedIndex() const { return m_speedIndex; }

double TransferManagerModel::ChooseSpeed(std::size_t index) {
    if (index >= kTransferManagerSpeedTable.size()) return m_speed;
    m_speedIndex = index;
    if (CustomSelected()) {
        std::int32_t bps = 0;
        if (CustomSpeedFromKbps(m_customKbps, bps)) m_speed = bps;
    } else {
        m_speed = kTransferManagerSpeedTable[index].bitsPerSecond;
    }
    if (m_info) {
        EstimatePresent();
        RefreshTrial();
    }
    return m_speed;
}

bool TransferManagerModel::SetCustomKbps(double kbps) {
    std::int32_t bps = 0;
    if (!CustomSpeedFromKbps(kbps, bps)) return false;
    m_customKbps = kbps;
    if (CustomSelected()) {
        m_speed = bps;
        if (m_info) {
            EstimatePresent();
            RefreshTrial();
        }
    }
    return true;
}

// --- Sliders --------------------------------------------------------------------------------------

int TransferManagerModel::ColorsMax() const { return std::clamp(PresentColors(), 1, 256); }

void TransferManagerModel::AfterSlider() {
    RefreshTrial();
    if (m_settings) {
        const std::string name = m_macro.name;
        m_macro.CopySettingsFrom(*m_settings);
        if (m_macro.name.empty()) m_macro.name = name;
    }
}

void TransferManagerModel::SetAreaPercent(int p) {
    p = std::clamp(p, 0, 100);
    BatchMacro& s = m_settings ? *m_settings : m_macro;
    s.resizeMode = kResizeAbsolute;
    s.width = int(PresentWidth() * 0.1 * std::sqrt(double(p)));
    s.height = int(PresentHeight() * 0.1 * std::sqrt(double(p)));
    m_areaPercent = p;
    AfterSlider();
}

void TransferManagerModel::SetTrialWidth(int w) {
    BatchMacro& s = m_settings ? *m_settings : m_macro;
    s.resizeMode = kResizeAbsolute;
    s.width = std::clamp(w, 0, std::max(PresentWidth(), 0));
    MoveSlidersFromSettings();
    AfterSlider();
}

void TransferManagerModel::SetTrialHeight(int h) {
    BatchMacro& s = m_settings ? *m_settings : m_macro;
    s.resizeMode = kResizeAbsolute;
    s.height = std::clamp(h, 0, std::max(PresentHeight(), 0));
    MoveSlidersFromSettings();
    AfterSlider();
}

void TransferManagerModel::SetColors(int c) {
    BatchMacro& s = m_settings ? *m_settings : m_macro;
    s.colors = std::clamp(c, 1, ColorsMax());
    AfterSlider();
}

void TransferManagerModel::SetQuality(int q) {
    BatchMacro& s = m_settings ? *m_settings : m_macro;
    s.quality = std::clamp(q, 0, 100);
    AfterSlider();
}

void TransferManagerModel::SetUsePalette(bool on) {
    BatchMacro& s = m_settings ? *m_settings : m_macro;
    s.usePalette = on ? 1 : 0;
    AfterSlider();
}

bool TransferManagerModel::DragCurve(int x, int w) {
    if (!m_info) return false;
    SizeCurve::Trial trial;
    if (!m_curve.TrialAt(x, w, trial)) return false;
    switch (m_tab) {
        case kTabSize: {
            BatchMacro& s = m_settings ? *m_settings : m_macro;
            s.resizeMode = kResizeAbsolute;
            s.width = std::clamp(trial.width, 0, PresentWidth());
            s.height = std::clamp(trial.height, 0, PresentHeight());
            MoveSlidersFromSettings();
            AfterSlider();
            break;
        }
        case kTabGifPng:
            SetColors(trial.colors);
            break;
        default:
            SetQuality(trial.quality);
            break;
    }
    return true;
}

void TransferManagerModel::TakeMacro(const BatchMacro& loaded) {
    m_macro = loaded;
    if (!m_settings) return;
    m_settings->CopySettingsFrom(loaded);
    if (m_settings->resizeMode == kResizeRelative && m_info) {
        m_settings->width = int(double(m_info->width) * m_settings->widthPercent / 100.0);
        m_settings->height = int(double(m_info->height) * m_settings->heightPercent / 100.0);
        m_settings->resizeMode = kResizeAbsolute;
    }
    if (m_info) {
        m_settings->width = std::clamp(m_settings->width, 0, m_info->width);
        m_settings->height = std::clamp(m_settings->height, 0, m_info->height);
        m_settings->colors = std::clamp(m_settings->colors, 1, ColorsMax());
    }
    MoveSlidersFromSettings();
    RefreshTrial();
}

// --- Displays -------------------------------------------------------------------------------------

std::int64_t TransferManagerModel::PresentValue(int format) const {
    if (!m_info) return 0;
    if (format == kFormatGif && AnimationTotals()) return std::int64_t(m_info->allFramesKb * 1000.0);
    return format == kFormatJpg ? m_info->jpegBytes : format == kFormatGif ? m_info->gifBytes : m_info->pngBytes;
}

std::int64_t TransferManagerModel::TrialValue(int format) const {
    if (!m_info) return 0;
    if (format == kFormatGif && AnimationTotals()) return std::int64_t(m_info->previewAllFramesKb * 1000.0);
    return format == kFormatJpg   ? m_info->previewJpegBytes
           : format == kFormatGif ? m_info->previewGifBytes
                                  : m_info->previewPngBytes;
}

std::int64_t TransferManagerModel::ReferenceValue(int format) const {
    if (!m_info) return 0;
    if (format == kFormatGif && AnimationTotals()) return std::int64_t(m_info->allFramesKb * 1000.0);
    if (m_compare == kCompareOriginal) return m_info->fileBytes;
    return format == kFormatJpg ? m_info->jpegBytes0 : format == kFormatGif ? m_info->gifBytes0 : m_info->pngBytes0;
}

std::array<std::int64_t, 3> TransferManagerModel::PresentBytes() const {
    return {PresentValue(0), PresentValue(1), m_usePng ? PresentValue(2) : 0};
}

std::array<std::int64_t, 3> TransferManagerModel::TrialBytes() const {
    return {TrialValue(0), TrialValue(1), m_usePng ? TrialValue(2) : 0};
}

std::string TransferManagerModel::SizeOrTime(int format, std::int64_t bytes, bool trial) const {
    if (!m_info || !Shown(format)) return {};
    const bool kbTotal = format == kFormatGif && AnimationTotals();
    if (m_times) {
        if (m_speed <= 0 || (trial && bytes == 0)) return std::string(kEmptyTimeField);
        return FormatTimeField(kbTotal ? TransferSecondsForKb(double(bytes) / 1000.0, m_speed) : Seconds(bytes));
    }
    if (trial && bytes == 0) return std::string(kEmptySizeField);
    if (kbTotal) return FormatAnimationKb(double(bytes) / 1000.0);
    return FormatSizeField(bytes);
}

std::string TransferManagerModel::MasterField(int format) const { return SizeOrTime(format, PresentValue(format), false); }

std::string TransferManagerModel::PreviewField(int format) const { return SizeOrTime(format, TrialValue(format), true); }

namespace {
std::string Percent(double preview, double reference, double speed) {
    if (reference == 0 || speed <= 0) return "0% ";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.0f", 100.0 - preview / reference * 100.0);
    std::string text = buffer;
    if (text == "-0") text = "0";
    return text + "% ";
}
}  // namespace

std::string TransferManagerModel::ImproveField(int format) const {
    if (!m_info || !Shown(format)) return {};
    return Percent(double(TrialValue(format)), double(PresentValue(format)), m_speed);
}

std::string TransferManagerModel::OverallImproveField(int format) const {
    if (!m_info || !Shown(format)) return {};
    return Percent(double(TrialValue(format)), double(ReferenceValue(format)), m_speed);
}

const HistoryGraph* TransferManagerModel::GraphOf(const std::string& key) const {
    const auto it = m_graphs.find(key);
    return it == m_graphs.end() ? nullptr : &it->second;
}

}  // namespace lp
