#include "document/animation_edits.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

#include "base/imp_exp_exception.h"
#include "base/prompter.h"
#include "document/picture_document.h"
#include "imaging/colour_count.h"
#include "optimize/transfer_info.h"

namespace lp {

namespace {

// Keys that group the keystrokes of one field into one undo step; 0 never groups.
enum EditKey : int {
    kKeyNone = 0,
    kKeyLeft = 1,
    kKeyTop,
    kKeyDelay,
    kKeyScreen,
    kKeyLoopCount,
    kKeyComment,
};

std::int32_t Clamp(std::int64_t value, std::int32_t low, std::int32_t high) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, low, high));
}

std::string Printf(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

// --- Texts and arithmetic ----------------------------------------------------------------------

int DisposalChoice(int disposal) { return disposal == 2 ? 1 : disposal == 3 ? 2 : 0; }

int DisposalOfChoice(int choice) { return std::clamp(choice, 0, 2) + 1; }

std::string_view DisposalLabel(int disposal) { return kDisposalLabels[std::size_t(DisposalChoice(disposal))]; }

std::string DelayText(std::int32_t hundredths) { return Printf("%.2f", hundredths * 0.01); }

bool IsDelayText(std::string_view text) {
    int points = 0;
    for (char c : text) {
        if (c == '.') {
            if (++points > 1) return false;
        } else if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

std::optional<std::int32_t> DelayFromText(std::string_view text) {
    if (!IsDelayText(text) || text.empty() || text == ".") return std::nullopt;
    // Whole hundredths from the digits themselves: no floating point, so "1.15" is 115.
    std::int64_t whole = 0;
    std::int64_t fraction = 0;
    int fractionDigits = 0;
    bool afterPoint = false;
    for (char c : text) {
        if (c == '.') {
            afterPoint = true;
            continue;
        }
        const int digit = c - '0';
        if (!afterPoint) {
            whole = std::min<std::int64_t>(whole * 10 + digit, kMaxFrameDelay);
        } else if (fractionDigits < 2) {
            fraction = fraction * 10 + digit;
            ++fractionDigits;
        }
    }
    if (fractionDigits == 1) fraction *= 10;
    return Clamp(whole * 100 + fraction, 0, kMaxFrameDelay);
}

double PlaybackSpeedFactor(int position) {
    const int p = std::clamp(position, 0, kSpeedSliderMax);
    if (p > kSpeedSliderNormal) return (20 - p) * 0.1;
    return (kSpeedSliderNormal - p) * 0.5 + 1.0;
}

std::string SpeedSliderText(int position) { return std::to_string(position - kSpeedSliderNormal); }

std::uint16_t ScaledDelay(std::uint16_t delay, double factor) {
    const double d = (delay == 0 && factor != 1.0) ? 1.0 : double(delay);
    const double scaled = std::trunc(d * factor);
    return static_cast<std::uint16_t>(std::clamp(scaled, 0.0, double(kMaxFrameDelay)));
}

std::string FrameLabel(std::size_t index) { return "Frame " + std::to_string(index + 1); }

// --- Document edits ------------------------------------------------------------------------------

void COrvantixDoc::RememberPropertiesForUndo(int editKey) {
    // Typing on in one field of one frame is one step: keep the state before its first keystroke.
    if (editKey != kKeyNone && m_propertyUndo && m_propertyUndo->editKey == editKey &&
        m_propertyUndo->frame == m_current && m_lastEditKey == editKey)
        return;
    PropertySnapshot snapshot;
    snapshot.frames.reserve(m_frames.Count());
    for (const GifFrame& f : m_frames)
        snapshot.frames.push_back({f.delay, f.disposal, f.userInput, f.left, f.top, f.transparentColour, f.gifSize});
    snapshot.info = m_info;
    snapshot.editKey = editKey;
    snapshot.frame = m_current;
    m_propertyUndo = std::move(snapshot);
    m_undo.reset();
    m_lastEditKey = editKey;
}

void COrvantixDoc::RestoreProperties() {
    PropertySnapshot snapshot = std::move(*m_propertyUndo);
    m_propertyUndo.reset();
    m_lastEditKey = kKeyNone;
    if (snapshot.frames.size() != m_frames.Count()) return;  // the frames changed since
    for (std::size_t i = 0; i < m_frames.Count(); ++i) {
        const FrameProperties& p = snapshot.frames[i];
        GifFrame& f = m_frames[i];
        f.delay = p.delay;
        f.disposal = p.disposal;
        f.userInput = p.userInput;
        f.left = p.left;
        f.top = p.top;
        f.transparentColour = p.transparentColour;
        f.gifSize = p.gifSize;
    }
    m_info = snapshot.info;
    AfterPropertyEdit(true);
}

void COrvantixDoc::AfterPropertyEdit(bool redraw) {
    SetModifiedFlag(true);
    if (!m_observer) return;
    if (redraw) Observer()->PictureReplaced();
    Observer()->FramesChanged();
}

void COrvantixDoc::GrowScreenToFrames() {
    if (!m_info.valid) return;
    for (const GifFrame& f : m_frames) {
        m_info.screenWidth = std::max<std::int32_t>(m_info.screenWidth, Clamp(std::int64_t(f.left) + f.picture.Width(), 0, INT32_MAX));
        m_info.screenHeight = std::max<std::int32_t>(m_info.screenHeight, Clamp(std::int64_t(f.top) + f.picture.Height(), 0, INT32_MAX));
    }
}

void COrvantixDoc::SetFrameLeft(std::int64_t left) {
    if (m_frames.Empty()) return;
    const std::int32_t value = Clamp(left, 0, kMaxFramePosition);
    if (m_frames[m_current].left == value) return;
    RememberPropertiesForUndo(kKeyLeft);
    m_frames[m_current].left = value;
    GrowScreenToFrames();
    AfterPropertyEdit(true);
}

void COrvantixDoc::SetFrameTop(std::int64_t top) {
    if (m_frames.Empty()) return;
    const std::int32_t value = Clamp(top, 0, kMaxFramePosition);
    if (m_frames[m_current].top == value) return;
    RememberPropertiesForUndo(kKeyTop);
    m_frames[m_current].top = value;
    GrowScreenToFrames();
    AfterPropertyEdit(true);
}

void COrvantixDoc::SetFrameTransparent(bool on, ColourRef colour) {
    if (m_frames.Empty()) return;
    const ColourRef value = on ? colour : kNoColour;
    GifFrame& frame = m_frames[m_current];
    if (frame.transparentColour == value) return;
    RememberPropertiesForUndo(kKeyNone);
    frame.transparentColour = value;
    frame.gifSize = 0;  // the transparent entry changes what is written
    if (on) m_info.backgroundColour = colour;
    if (m_observer && on) Observer()->TransparentColourShown(colour);
    AfterPropertyEdit(true);
}

void COrvantixDoc::SetFrameDelay(std::int64_t hundredths) {
    if (m_frames.Empty()) return;
    const auto value = static_cast<std::uint16_t>(Clamp(hundredths, 0, kMaxFrameDelay));
    if (m_frames[m_current].delay == value) return;
    RememberPropertiesForUndo(kKeyDelay);
    m_frames[m_current].delay = value;
    AfterPropertyEdit(false);
}

void COrvantixDoc::SetFrameUserInput(bool on) {
    if (m_frames.Empty()) return;
    if ((m_frames[m_current].userInput != 0) == on) return;
    RememberPropertiesForUndo(kKeyNone);
    m_frames[m_current].userInput = on ? 1 : 0;
    AfterPropertyEdit(false);
}

void COrvantixDoc::SetFrameDisposal(int disposal) {
    if (m_frames.Empty()) return;
    const int value = (disposal == 2 || disposal == 3) ? disposal : 1;
    if (m_frames[m_current].disposal == value) return;
    RememberPropertiesForUndo(kKeyNone);
    m_frames[m_current].disposal = value;
    AfterPropertyEdit(false);
}

void COrvantixDoc::SetAutomaticSize(bool on) {
    if ((m_info.valid != 0) == on) return;
    RememberPropertiesForUndo(kKeyNone);
    m_info.valid = on ? 1 : 0;
    GrowScreenToFrames();
    AfterPropertyEdit(true);
}

void COrvantixDoc::SetScreenSize(std::int64_t width, std::int64_t height) {
    const std::int32_t w = Clamp(width, kMinScreenSide, kMaxScreenSide);
    const std::int32_t h = Clamp(height, kMinScreenSide, kMaxScreenSide);
    if (m_info.screenWidth == w && m_info.screenHeight == h) return;
    RememberPropertiesForUndo(kKeyScreen);
    m_info.screenWidth = w;
    m_info.screenHeight = h;
    GrowScreenToFrames();
    AfterPropertyEdit(true);
}

void COrvantixDoc::SetContinuous(bool on) {
    const bool now = m_info.loop != 0;
    if (now == on && (!on || m_info.loopCount == 0)) return;
    RememberPropertiesForUndo(kKeyNone);
    // The loop flag is what plays endlessly; unticked, the animation runs once.
    m_info.loop = on ? 1 : 0;
    m_info.loopCount = on ? 0 : 1;
    AfterPropertyEdit(false);
}

void COrvantixDoc::SetLoopCount(std::int64_t count) {
    const std::int32_t value = Clamp(count, 0, kMaxLoopCount);
    if (m_info.loopCount == value) return;
    RememberPropertiesForUndo(kKeyLoopCount);
    m_info.loopCount = value;
    AfterPropertyEdit(false);
}

void COrvantixDoc::SetComment(std::string_view comment) {
    std::string text(comment.substr(0, comment.find('\0')));
    if (text.size() > kGifMaxComment) text.resize(kGifMaxComment);
    if (m_info.comment == text) return;
    RememberPropertiesForUndo(kKeyComment);
    m_info.comment = std::move(text);
    AfterPropertyEdit(false);
}

void COrvantixDoc::ScaleDelays(double factor) {
    if (m_frames.Empty()) return;
    bool changes = false;
    for (const GifFrame& f : m_frames) changes = changes || ScaledDelay(f.delay, factor) != f.delay;
    if (changes) {
        RememberPropertiesForUndo(kKeyNone);
        for (GifFrame& f : m_frames) f.delay = ScaledDelay(f.delay, factor);
    }
    SetPlaybackSpeed(1.0);
    if (changes) AfterPropertyEdit(false);
}

std::int64_t COrvantixDoc::FrameGifBytes(std::size_t index) {
    if (index >= m_frames.Count()) return 0;
    GifFrame& frame = m_frames[index];
    if (frame.gifSize > 0) return frame.gifSize;
    try {
        ProgressScope scope(m_services.progress, 0, 1, kMeasureGifText);
        const std::int64_t bytes = MeasureGifBytes(frame.picture, &frame, &m_info, m_services.settings->Background());
        frame.gifSize = static_cast<std::int32_t>(std::clamp<std::int64_t>(bytes, 0, INT32_MAX));
    } catch (const ImpExpException& e) {
        ShowError(e.Message(), e.Title());
    } catch (const std::bad_alloc&) {
        ShowError("Not Enough Memory", "Lumaprism");
    }
    return frame.gifSize;
}

std::int64_t COrvantixDoc::AnimationGifBytes() {
    std::int64_t total = 0;
    for (std::size_t i = 0; i < m_frames.Count(); ++i) total += FrameGifBytes(i);
    return total;
}

// --- Panel and list texts ------------------------------------------------------------------------

AnimationPanelTexts DescribeAnimation(COrvantixDoc& document, double bitsPerSecond) {
    AnimationPanelTexts t;
    t.frameCount = document.FrameCount();
    t.enabled = t.frameCount >= 2;
    if (t.frameCount == 0) return t;
    t.currentFrame = document.CurrentFrame();
    const GifFrame& frame = document.Frames()[t.currentFrame];
    const GifInfo& info = document.AnimationInfo();
    t.frameLabel = FrameLabel(t.currentFrame);
    t.left = std::to_string(frame.left);
    t.top = std::to_string(frame.top);
    t.transparent = frame.transparentColour != kNoColour;
    t.transparentColour = frame.transparentColour;
    t.delay = DelayText(frame.delay);
    t.userInput = frame.userInput != 0;
    t.disposalChoice = DisposalChoice(frame.disposal);
    const std::int64_t frameBytes = document.FrameGifBytes(t.currentFrame);
    t.frameSize = FormatFrameSize(frameBytes * 0.001);
    t.frameTime = FormatFrameSeconds(TransferSeconds(frameBytes, bitsPerSecond));
    t.automaticSize = info.valid != 0;
    t.screenWidth = info.screenWidth;
    t.screenHeight = info.screenHeight;
    t.continuous = info.loop != 0;
    t.loopCount = info.loopCount;
    const std::int64_t total = document.AnimationGifBytes();
    t.fileSize = FormatFrameSize(total * 0.001);
    t.fileTime = FormatFrameSeconds(TransferSeconds(total, bitsPerSecond));
    t.comment = info.comment;
    return t;
}

std::array<std::string, 12> FrameListRow(COrvantixDoc& document, std::size_t index, double bitsPerSecond) {
    std::array<std::string, 12> row;
    if (index >= document.FrameCount()) return row;
    GifFrame& frame = document.Frames()[index];
    if (index == document.CurrentFrame() && document.ColourCount() > 0)
        frame.colourCount = static_cast<std::int32_t>(std::min<std::int64_t>(document.ColourCount(), INT32_MAX));
    if (frame.colourCount == 0)
        frame.colourCount = static_cast<std::int32_t>(std::min<std::int64_t>(CountColours(frame.picture), INT32_MAX));
    const std::int64_t bytes = document.FrameGifBytes(index);
    row[0] = FrameLabel(index);
    row[1] = std::to_string(frame.picture.Width());
    row[2] = std::to_string(frame.picture.Height());
    row[3] = std::to_string(frame.colourCount);
    row[4] = std::to_string(bytes);
    row[5] = FormatFrameListTime(TransferSeconds(bytes, bitsPerSecond));
    row[6] = frame.transparentColour != kNoColour ? "Yes" : "No";
    row[7] = std::to_string(frame.left);
    row[8] = std::to_string(frame.top);
    row[9] = DelayText(frame.delay);
    row[10] = frame.userInput ? "Yes" : "No";
    row[11] = std::string(DisposalLabel(frame.disposal));
    return row;
}

}  // namespace lp
