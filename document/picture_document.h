#pragma once
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/settings.h"
#include "batch/batch_macro.h"
#include "document/picture_clipboard.h"
#include "formats/gif/gif_records.h"
#include "imaging/picture.h"
#include "imaging/progress_sink.h"
#include "optimize/transfer_info.h"

namespace lp {

class DataFolders;
class Prompter;

/// What a document tells its windows. Every call but the two playback ones comes on the
/// thread that called the document; PlaybackFrame and PlaybackEnded come on the playback
/// worker and must not block on the user-interface thread (post, do not send).
class DocumentObserver {
public:
    virtual ~DocumentObserver() = default;
    /// The picture to show changed (load, edit, undo, frame switch): redraw.
    virtual void PictureReplaced() {}
    /// Frame count, current frame or format tab changed: refresh the frame controls.
    virtual void FramesChanged() {}
    /// Path name, title or modified flag changed.
    virtual void TitleChanged() {}
    /// Measured or estimated sizes changed: refresh the caption and the size fields.
    virtual void TransferInfoChanged() {}
    /// Status bar: the colour count and the picture size.
    virtual void StatusChanged(std::int64_t colourCount, std::int32_t width, std::int32_t height) {}
    /// The current frame has a transparent colour: the main window's control shows it.
    virtual void TransparentColourShown(ColourRef colour) {}
    /// Playback worker: the canvas as it should be shown now, after drawing frame index.
    virtual void PlaybackFrame(const Picture& canvas, std::size_t index) {}
    /// Playback worker: playback ended (stopped or out of passes); redraw the view.
    virtual void PlaybackEnded() {}
    /// The warning beep that goes with some refusals (unknown format, Next at the last frame).
    virtual void Beep() {}
};

/// Services a document uses. The prompter and settings must outlive the document.
struct DocumentServices {
    Prompter* prompter = nullptr;           // required: every message and question
    const AppSettings* settings = nullptr;  // required: background, JPEG quality, modem speed, Use PNG...
    const DataFolders* folders = nullptr;   // palette folder; null = DataFolders::FromEnvironment()
    ProgressSink* progress = nullptr;       // status-bar progress, may be null
    /// The path goes into the recent-file list (after a successful load).
    std::function<void(const std::filesystem::path&)> addToRecentFiles;
    /// The file-type registration that runs after a successful save.
    std::function<void(const std::filesystem::path&)> registerFileType;
    /// False: the document never measures its sizes (conversions that only save).
    bool measureSizes = true;
    /// True: an animation is read up to its first frame only (conversions to a one-picture format).
    bool firstFrameOnly = false;
    /// False: colours are counted only when something asks for the count (a writer that
    /// needs it, the PNG palette choice), not every time the pictures are replaced.
    bool countColoursOnLoad = true;
};

/// A rectangle of the picture, counted from the top-left as displayed.
struct PictureRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

/// One open picture or animation: its frames, one level of undo, its measured sizes, its
/// optimization settings and the file operations. Needs no window: the GUI drives it and
/// listens through DocumentObserver; questions and messages go through the Prompter. No
/// operation throws to its caller; failures are shown and reported as false.
///
/// The current picture is always the current frame's picture: a single picture is a list
/// of one frame (Delay 50, no transparent colour).
class COrvantixDoc {
public:
    explicit COrvantixDoc(DocumentServices services);
    ~COrvantixDoc();  // stops playback first
    COrvantixDoc(const COrvantixDoc&) = delete;
    COrvantixDoc& operator=(const COrvantixDoc&) = delete;

    /// The observer must outlive playback (or be reset before it goes away).
    void SetObserver(DocumentObserver* observer) { m_observer.store(observer); }

    // --- Framework state ----------------------------------------------------------------------
    const std::filesystem::path& PathName() const { return m_path; }
    const std::string& Title() const { return m_title; }
    void SetTitle(std::string title);
    bool IsModified() const { return m_modified; }
    void SetModifiedFlag(bool modified = true);

    // --- Content --------------------------------------------------------------------------------
    bool HasPicture() const { return !m_frames.Empty(); }
    /// The current picture (the current frame's), or null when the document is empty.
    Picture* GetPicture();
    const Picture* GetPicture() const;
    const Picture* UndoPicture() const { return m_undo ? &*m_undo : nullptr; }
    /// One level: the picture before the last edit, or the frame properties before the last
    /// property edit, whichever came last.
    bool CanUndo() const { return m_undo.has_value() || m_propertyUndo.has_value(); }

    GifFrameList& Frames() { return m_frames; }
    const GifFrameList& Frames() const { return m_frames; }
    std::size_t FrameCount() const { return m_frames.Count(); }
    /// Frames the opened file holds; more than FrameCount() after a first-frame-only load.
    std::size_t FileFrameCount() const { return std::max(m_fileFrames, m_frames.Count()); }
    std::size_t CurrentFrame() const { return m_current; }
    GifInfo& AnimationInfo() { return m_info; }
    const GifInfo& AnimationInfo() const { return m_info; }

    /// Distinct colours of the current picture, 0 = not counted yet.
    std::int64_t ColourCount() const { return m_colourCount; }
    int JpegQuality() const { return m_jpegQuality; }
    void SetJpegQuality(int quality) { m_jpegQuality = quality; }
    /// The Transfer Manager's format page: 0, 1 (GIF or PNG files) or 2 (JPEG files).
    int FormatTab() const { return m_formatTab; }
    /// Whether the Transfer Manager shows its "Jpeg"/"Quality" page (single pictures only).
    bool ShowsJpegPage() const { return m_frames.Count() < 2; }

    TransferInfo& Transfer() { return m_transfer; }
    const TransferInfo& Transfer() const { return m_transfer; }
    /// The optimization settings applied to this picture, named "Default".
    BatchMacro& Settings() { return m_settings; }
    const BatchMacro& Settings() const { return m_settings; }
    const AppSettings& AppConfig() const { return *m_services.settings; }

    double PlaybackSpeed() const { return m_playbackSpeed.load(); }
    void SetPlaybackSpeed(double factor) { m_playbackSpeed.store(factor); }
    bool IsReloading() const { return m_reloading; }

    // --- Files ----------------------------------------------------------------------------------
    /// Reads the file into the document (every frame of a GIF). On failure shows the message
    /// and leaves the document as it was (an empty document stays empty).
    bool Open(const std::filesystem::path& path) { return LoadPicture(path); }
    /// A new document for the file, or null (after the message) when it cannot be read.
    static std::unique_ptr<COrvantixDoc> OpenDocument(const std::filesystem::path& path, DocumentServices services);
    bool LoadPicture(const std::filesystem::path& path);
    /// Writes the picture (all frames for GIF) in the format of the path's extension, atomically:
    /// a failure leaves any old file intact and the document as it was.
    bool SavePicture(const std::filesystem::path& path);

    enum class SaveResult { Saved, Failed, NeedsSaveAs };
    /// Save in place; animations, unsaved pictures and the old measuring name go through Save As.
    SaveResult Save();
    /// After the save dialog: SavePicture, then the document takes the new path and title,
    /// discards its undo picture and measures again.
    bool SaveAs(const std::filesystem::path& path);
    /// The filter of kSaveFileFilter the save dialog preselects (0 = the first).
    int SaveAsFilterIndex() const;
    /// A name typed without extension gets the chosen filter's extension.
    static std::filesystem::path WithFilterExtension(const std::filesystem::path& path, int filterIndex);

    /// Only for a modified document with a file: asks "Discard Changes to Picture %s"; on Yes
    /// reads the file again. False when refused, not asked or failed (then nothing changed).
    bool Reload();
    bool CanReload() const { return m_modified && !m_path.empty(); }

    /// Replaces the whole content (paste, preview copies): frames, animation record and current
    /// frame. Discards undo, counts colours, measures. The document is not marked modified.
    void AdoptContent(GifFrameList frames, const GifInfo& info, std::size_t currentFrame = 0);

    // --- Editing --------------------------------------------------------------------------------
    /// Runs an edit on a copy of the current picture; only when it succeeds does the copy become
    /// the picture and the old one the undo picture. An ImpExpException is shown. Marks modified.
    bool ApplyEdit(const std::function<void(Picture&)>& edit);
    /// For tools that edit the picture in place: keeps a copy of the present picture as undo.
    void RememberForUndo();
    /// Returns to the undo picture; nothing happens without one.
    void Undo();
    /// Forgets the undo picture (manual resize starts from the picture as it is).
    void DiscardUndoPicture();
    /// After an edit: recount colours, update the frame record, re-estimate sizes.
    void PictureChanged();

    // --- Clipboard ------------------------------------------------------------------------------
    /// Puts the picture, or the selected part of it, on the clipboard.
    bool Copy(PictureClipboard& clipboard, const std::optional<PictureRect>& selection = std::nullopt);
    /// Puts a picture made from this document (a selection's cut-out) on the clipboard; a
    /// failure is shown as Copy shows it.
    bool PutOnClipboard(PictureClipboard& clipboard, const Picture& picture);
    /// The application's Paste: a new document holding a copy of the clipboard's bitmap, marked
    /// modified. Null (after a message) when the clipboard cannot be read or holds no bitmap.
    static std::unique_ptr<COrvantixDoc> Paste(PictureClipboard& clipboard, DocumentServices services);
    /// A new "Untitled" document holding the picture (paste, merge), marked modified. Null
    /// for an empty picture.
    static std::unique_ptr<COrvantixDoc> NewUntitled(Picture picture, DocumentServices services);

    // --- Palette conversion ---------------------------------------------------------------------
    /// Every frame onto "Web-Safe.pal"; refused for JPEG documents.
    bool ConvertToWebSafe() { return ConvertToPalette(true); }
    /// Every frame onto the palette named by the settings (or Web-Safe); refused for JPEG documents.
    bool ConvertToPalette(bool webSafe);

    // --- Frames ---------------------------------------------------------------------------------
    /// Appends each file's picture as a frame. Missing files give "%s - not Found\n Please verify
    /// the correct file name"; pictures of more than 256 colours are reduced (after the message).
    /// Returns the number of frames added.
    std::size_t AddFrames(std::span<const std::filesystem::path> files);
    bool CanDeleteFrame() const { return m_frames.Count() >= 2; }
    bool DeleteFrame();
    bool CanNextFrame() const { return m_frames.Count() >= 2 && m_current + 1 < m_frames.Count(); }
    bool CanPreviousFrame() const { return m_current > 0; }
    /// At the last frame: stays (the GUI beeps) and answers false.
    bool NextFrame();
    bool PreviousFrame();
    void FirstFrame();
    void LastFrame();
    /// Switches to frame index (no-op outside the list).
    void SelectFrame(std::size_t index);

    // --- Frame and animation properties (animation_edits.cpp) ------------------------------------
    // Each edit keeps the properties as they were for Undo (typing on in the same field of the
    // same frame keeps the state before the first keystroke), marks the document modified and
    // tells the windows. Values outside a field's range are clamped to it.
    void SetFrameLeft(std::int64_t left);
    void SetFrameTop(std::int64_t top);
    /// On: the given colour (the colour selector's transparent colour) becomes the frame's
    /// transparent colour and the animation's background entry; off: no transparent colour.
    void SetFrameTransparent(bool on, ColourRef colour);
    /// Delay in hundredths of a second (0..65535).
    void SetFrameDelay(std::int64_t hundredths);
    void SetFrameUserInput(bool on);
    /// 1 nothing, 2 restore to background, 3 restore to previous (others read as 1).
    void SetFrameDisposal(int disposal);
    /// "Automatic Size": on makes the screen size apply and grow to cover every frame.
    void SetAutomaticSize(bool on);
    /// The logical screen (1..5000 each); with Automatic Size it still covers every frame.
    void SetScreenSize(std::int64_t width, std::int64_t height);
    /// "Continuous": on loops endlessly (loop flag, count 0); off plays once (count 1).
    void SetContinuous(bool on);
    void SetLoopCount(std::int64_t count);
    /// The animation's comment, cut to what a GIF keeps.
    void SetComment(std::string_view comment);
    /// Every delay d becomes trunc(d x factor), a delay of 0 counting as 1 when the factor is
    /// not 1.0; then the playback speed returns to 1.0.
    void ScaleDelays(double factor);

    /// GIF size of a frame written alone, measured once and kept in the frame record (0 after a
    /// failure, which has been shown).
    std::int64_t FrameGifBytes(std::size_t index);
    /// The sum of every frame's GIF size (each measured once).
    std::int64_t AnimationGifBytes();

    // --- Playback -------------------------------------------------------------------------------
    bool CanPlay() const { return m_frames.Count() >= 2 && !IsPlaying(); }
    /// Starts the playback worker on a snapshot of the frames. False when it cannot play.
    bool Play();
    /// Sets the stop flag and waits for the worker to end.
    void Stop();
    bool IsPlaying() const;
    /// The stop flag the worker tests; set when no playback runs.
    bool StopRequested() const { return m_stopFlag.load(); }

    // --- Sizes ----------------------------------------------------------------------------------
    /// Measures the current picture (see MeasureSizes in optimize/transfer_info.h). A codec
    /// failure is shown; the fields keep what was measured before it.
    void MeasureSizes();
    /// Estimates the present state (size, colours, the document's JPEG quality) against the
    /// document's own measurement and computes the three times at the modem speed.
    void EstimateSizes();
    /// The window caption of this document as a master window or as preview previewNumber.
    std::string Caption(bool master = true, int previewNumber = 1, bool useAllFrames = false) const;

private:
    struct LoadedContent;
    bool CommitLoad(const std::filesystem::path& path, LoadedContent content);
    void SwitchToFrame(std::size_t index);
    void RecountColours();
    void AfterContentReplaced();
    void StopPlaybackWorker();
    void ShowError(std::string_view text, std::string_view caption);
    void NotifyTitle();
    /// Keeps the frame properties for Undo; editKey groups keystrokes into one step.
    void RememberPropertiesForUndo(int editKey);
    void AfterPropertyEdit(bool redraw);
    void GrowScreenToFrames();
    void RestoreProperties();

    /// The properties of every frame and of the animation, without pixels.
    struct FrameProperties {
        std::uint16_t delay;
        std::int32_t disposal, userInput, left, top;
        ColourRef transparentColour;
        std::int32_t gifSize;
    };
    struct PropertySnapshot {
        std::vector<FrameProperties> frames;
        GifInfo info;
        int editKey = 0;
        std::size_t frame = 0;
    };

    DocumentServices m_services;
    DocumentObserver* Observer() const { return m_observer.load(); }
    std::atomic<DocumentObserver*> m_observer{nullptr};  // read by the playback worker too

    std::filesystem::path m_path;
    std::string m_title;
    bool m_modified = false;

    GifFrameList m_frames;
    std::size_t m_current = 0;
    std::size_t m_fileFrames = 0;
    GifInfo m_info{};
    std::optional<Picture> m_undo;
    std::optional<PropertySnapshot> m_propertyUndo;  // never set together with m_undo
    int m_lastEditKey = 0;                            // 0: the next property edit is a new step
    std::int64_t m_colourCount = 0;
    int m_jpegQuality = 75;
    int m_formatTab = 0;
    TransferInfo m_transfer;
    BatchMacro m_settings{"Default"};
    bool m_reloading = false;

    std::atomic<double> m_playbackSpeed{1.0};
    std::atomic<bool> m_stopFlag{true};
    std::mutex m_playMutex;  // guards the wake-up of a waiting worker
    std::condition_variable m_playWake;
    std::thread m_player;
};

}  // namespace lp
