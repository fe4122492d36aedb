#include "document/picture_document.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <vector>

#include "base/data_folders.h"
#include "base/prompter.h"
#include "batch/apply_batch_macro.h"
#include "formats/file_types.h"
#include "formats/format_table.h"
#include "formats/write_prep.h"
#include "formats/gif/gif_canvas.h"
#include "formats/gif/gif_colours.h"
#include "formats/gif/gif_reader.h"
#include "formats/gif/gif_writer.h"
#include "formats/jpeg/jpeg_writer.h"
#include "imaging/colour_count.h"
#include "base/imp_exp_exception.h"
#include "tools/palette.h"

namespace lp {

namespace {

constexpr std::string_view kAppCaption = "Lumaprism";
constexpr std::uint16_t kNewFrameDelay = 50;
// The name the old measuring code gave its temporary JPEG; a document of that name is never
// saved in place.
constexpr std::string_view kMeasureJpegName = "12##1~~.JPG";

std::string Format1(std::string_view pattern, std::string_view value) {
    std::string out(pattern);
    const auto at = out.find("%s");
    if (at != std::string::npos) out.replace(at, 2, value);
    return out;
}

GifFrame NewFrameRecord(Picture picture, std::int32_t index = 0) {
    GifFrame frame;
    frame.delay = kNewFrameDelay;
    frame.picture = std::move(picture);
    frame.transparentColour = kNoColour;
    frame.index = index;
    return frame;
}

int FormatTabForType(PictureFileType type) {
    if (type == PictureFileType::Jpeg) return 2;
    if (type == PictureFileType::Gif || type == PictureFileType::Png) return 1;
    return 0;
}

int FormatTabForExtension(const std::string& upperExt) {
    if (upperExt == ".GIF" || upperExt == ".PNG") return 1;
    if (upperExt == ".JPG" || upperExt == ".JPEG") return 2;
    return 0;
}

std::int32_t ToInt32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, 0, std::numeric_limits<std::int32_t>::max()));
}

/// Add Frame reads each file with the document's settings applied, as a batch
/// run would apply them to that file (what is applied follows its extension).
bool ApplySettingsToAddedPicture(const BatchMacro& settings, const std::filesystem::path& file, Picture& picture,
                                 const DocumentServices& services) {
    const DataFolders folders = services.folders ? *services.folders : DataFolders::FromEnvironment();
    BatchContext context;
    context.folders = &folders;
    context.prompter = services.prompter;
    context.progress = services.progress;
    context.smartResizeSetting = services.settings && services.settings->smartReSize != 0;
    const std::string ext = UpperExtension(file);
    const bool jpegSource = ext == ".JPG" || ext == ".JPEG";
    unsigned what = kApplyResize | kApplyReduceColors;
    if (settings.outputFormat == kOutputJpeg || (settings.outputFormat == kOutputSame && jpegSource))
        what = kApplyResize;
    BatchFileResult result;
    return ApplyToPicture(settings, picture, what, MacroVariant::Full, context, result);
}

}  // namespace

struct COrvantixDoc::LoadedContent {
    GifFrameList frames;
    GifInfo info{};
    PictureFileType type = PictureFileType::Unknown;
    std::size_t framesInFile = 0;
};

COrvantixDoc::COrvantixDoc(DocumentServices services) : m_services(std::move(services)) {
    m_jpegQuality = m_services.settings ? m_services.settings->jpegQuality : kDefaultJpegQuality;
    m_transfer.settings = &m_settings;
}

COrvantixDoc::~COrvantixDoc() {
    // Windows may be gone already: a worker still running reports to nobody.
    m_observer.store(nullptr);
    StopPlaybackWorker();
}

// --- Framework state ---------------------------------------------------------------------------

void COrvantixDoc::SetTitle(std::string title) {
    m_title = std::move(title);
    NotifyTitle();
}

void COrvantixDoc::SetModifiedFlag(bool modified) {
    if (m_modified == modified) return;
    m_modified = modified;
    NotifyTitle();
}

void COrvantixDoc::NotifyTitle() {
    if (m_observer) Observer()->TitleChanged();
}

Picture* COrvantixDoc::GetPicture() { return m_frames.Empty() ? nullptr : &m_frames[m_current].picture; }
const Picture* COrvantixDoc::GetPicture() const { return m_frames.Empty() ? nullptr : &m_frames[m_current].picture; }

void COrvantixDoc::ShowError(std::string_view text, std::string_view caption) {
    if (m_services.prompter) m_services.prompter->Message(text, caption, PromptIcon::Stop);
}

// --- Loading -----------------------------------------------------------------------------------

bool COrvantixDoc::LoadPicture(const std::filesystem::path& path) {
    // One read: the bytes that are sniffed are the bytes that are decoded.
    PictureFile file;
    int openError = 0;
    try {
        file = ReadPictureFile(path, &openError);
    } catch (const ImpExpException& e) {
        if (m_observer) Observer()->Beep();
        if (m_services.prompter)
            m_services.prompter->Message(
                openError == ENOENT ? Format1("%s - not Found\n Please verify the correct file name", path.string())
                                    : e.Message(),
                kAppCaption, PromptIcon::Exclamation);
        return false;
    }
    const PictureFileType type = file.type;
    if (type == PictureFileType::Unknown) {
        if (m_observer) Observer()->Beep();
        if (m_services.prompter)
            m_services.prompter->Message(
                Format1("Unsupported\\Don't know to load %s format", path.extension().string()), kAppCaption,
                PromptIcon::Exclamation);
        return false;
    }

    // Read into a separate record first: a failing read leaves the document as it was.
    LoadedContent content;
    content.type = type;
    DecodeOptions options;
    options.firstFrameOnly = m_services.firstFrameOnly;
    // RLE and DIB files load without progress, as they always have.
    options.progress = type == PictureFileType::Rle || type == PictureFileType::Dib ? nullptr : m_services.progress;
    // Only PNG composites transparency, over the user's background.
    if (type == PictureFileType::Png) options.background = m_services.settings->Background();
    try {
        DecodedPicture decoded = DecodePictureFile(file, options);
        file.bytes = {};
        content.framesInFile = decoded.framesInFile;
        if (type == PictureFileType::Gif) {
            content.frames = std::move(decoded.frames);
            content.info = std::move(decoded.info);
        } else {
            content.frames.Add(NewFrameRecord(std::move(decoded.frames[0].picture)));
        }
    } catch (const ImpExpException& e) {
        ShowError(e.Message(), e.Title());
        return false;
    } catch (const std::bad_alloc&) {
        ShowError("Not Enough Memory", kAppCaption);
        return false;
    }
    if (content.frames.Empty()) {
        ShowError("Unknown message code 1016", "Format Error");
        return false;
    }
    return CommitLoad(path, std::move(content));
}

std::unique_ptr<COrvantixDoc> COrvantixDoc::OpenDocument(const std::filesystem::path& path, DocumentServices services) {
    auto document = std::make_unique<COrvantixDoc>(std::move(services));
    if (!document->Open(path)) return nullptr;
    return document;
}

bool COrvantixDoc::CommitLoad(const std::filesystem::path& path, LoadedContent content) {
    StopPlaybackWorker();
    m_frames = std::move(content.frames);
    m_info = std::move(content.info);
    m_fileFrames = content.framesInFile;
    m_current = 0;
    m_undo.reset();
    m_propertyUndo.reset();
    m_formatTab = FormatTabForType(content.type);
    m_path = path;
    m_title = path.filename().string();
    m_modified = false;
    m_colourCount = 0;
    if (m_services.addToRecentFiles) m_services.addToRecentFiles(path);

    if (content.type != PictureFileType::Jpeg && m_services.settings->convToPalet) ConvertToPalette(false);
    // A conversion on loading is part of opening, not an edit of the user's.
    m_modified = false;
    m_undo.reset();

    AfterContentReplaced();
    return true;
}

void COrvantixDoc::AfterContentReplaced() {
    m_colourCount = 0;
    if (m_services.countColoursOnLoad) RecountColours();
    NotifyTitle();
    if (m_observer) {
        Observer()->FramesChanged();
        Observer()->PictureReplaced();
    }
    MeasureSizes();
}

void COrvantixDoc::AdoptContent(GifFrameList frames, const GifInfo& info, std::size_t currentFrame) {
    StopPlaybackWorker();
    m_frames = std::move(frames);
    m_info = info;
    m_current = m_frames.Empty() ? 0 : std::min(currentFrame, m_frames.Count() - 1);
    m_undo.reset();
    m_propertyUndo.reset();
    if (m_frames.Count() >= 2) m_formatTab = 1;
    AfterContentReplaced();
}

void COrvantixDoc::RecountColours() {
    Picture* picture = GetPicture();
    if (!picture || picture->IsEmpty()) {
        m_colourCount = 0;
        return;
    }
    GifFrame& frame = m_frames[m_current];
    if (m_colourCount == 0) {
        try {
            m_colourCount = CountColours(*picture, m_services.progress);
        } catch (const ImpExpException& e) {
            ShowError(e.Message(), e.Title());
            return;
        }
    }
    frame.colourCount = ToInt32(m_colourCount);
}

// --- Saving ------------------------------------------------------------------------------------

bool COrvantixDoc::SavePicture(const std::filesystem::path& path) {
    const std::string ext = UpperExtension(path);
    const FormatRow* row = FindFormatForPath(path);
    if (!row || !row->CanWrite()) {
        if (m_observer) Observer()->Beep();
        if (m_services.prompter)
            m_services.prompter->Message(Format1("Unsupported Format. Don't know to save as %s.", ext), kAppCaption,
                                         PromptIcon::Exclamation);
        return false;
    }
    const Picture* picture = GetPicture();
    if (!picture || picture->IsEmpty()) {
        ShowError("There is no picture to save", kAppCaption);
        return false;
    }

    EncodeOptions options;
    options.progress = m_services.progress;
    options.background = m_services.settings->Background();
    options.jpegQuality = m_jpegQuality;
    options.where = path.string();
    std::int64_t writtenBytes = -1;
    try {
        if (row->accepts.maxFrames != 1) {
            // The frames are fitted on copies: the document takes the reduced pictures only once
            // the file is safely written.
            GifFrameList out = m_frames;
            GifInfo info = m_info;
            if (info.valid) {
                for (const GifFrame& frame : out) {
                    info.screenWidth = std::max(info.screenWidth, frame.left + frame.picture.Width());
                    info.screenHeight = std::max(info.screenHeight, frame.top + frame.picture.Height());
                }
            }
            info.backgroundColour = options.background;
            PrepareForWrite(*row, out, options);
            writtenBytes = static_cast<std::int64_t>(EncodeIntoFile(*row, path, out, &info, options));
            for (std::size_t i = 0; i < out.Count(); ++i) m_frames[i] = std::move(out[i]);
            m_info.screenWidth = info.screenWidth;
            m_info.screenHeight = info.screenHeight;
            m_info.comment = info.comment;
            m_info.valid = 1;
            m_colourCount = m_frames[m_current].colourCount;
            if (m_observer) Observer()->PictureReplaced();
        } else {
            if (row->type == PictureFileType::Png) {
                if (m_colourCount == 0) RecountColours();
                options.knownColours = m_colourCount;
            } else {
                // Formats other than PNG keep the background out of the file, as they always have.
                options.background = kNoColour;
            }
            GifFrameList one;
            one.Add(NewFrameRecord(*picture));
            PrepareForWrite(*row, one, options);
            writtenBytes = static_cast<std::int64_t>(EncodeIntoFile(*row, path, one, nullptr, options));
        }
    } catch (const ImpExpException& e) {
        ShowError(e.Message(), e.Title());
        return false;
    } catch (const std::filesystem::filesystem_error& e) {
        ShowError(e.what(), kAppCaption);
        return false;
    } catch (const std::bad_alloc&) {
        ShowError("Not Enough Memory", kAppCaption);
        return false;
    }

    if (writtenBytes >= 0) {
        if (ext == ".GIF") m_transfer.gifBytes0 = ToInt32(writtenBytes);
        if (ext == ".PNG") m_transfer.pngBytes0 = ToInt32(writtenBytes);
        if (ext == ".JPG" || ext == ".JPEG") m_transfer.jpegBytes0 = ToInt32(writtenBytes);
    }
    if (m_services.registerFileType) m_services.registerFileType(path);
    SetModifiedFlag(false);
    return true;
}

COrvantixDoc::SaveResult COrvantixDoc::Save() {
    if (m_path.empty() || m_frames.Count() > 1 || m_path.filename() == kMeasureJpegName) return SaveResult::NeedsSaveAs;
    return SavePicture(m_path) ? SaveResult::Saved : SaveResult::Failed;
}

bool COrvantixDoc::SaveAs(const std::filesystem::path& path) {
    if (!SavePicture(path)) return false;
    m_path = path;
    m_title = path.filename().string();
    m_undo.reset();
    NotifyTitle();
    MeasureSizes();
    if (m_observer) Observer()->PictureReplaced();
    return true;
}

int COrvantixDoc::SaveAsFilterIndex() const {
    if (m_frames.Count() >= 2) return SaveFilterIndexForExtension(".gif");
    return SaveFilterIndexForExtension(m_path.extension().string());
}

std::filesystem::path COrvantixDoc::WithFilterExtension(const std::filesystem::path& path, int filterIndex) {
    if (path.has_extension() || filterIndex < 0 || filterIndex >= SaveFilterCount()) return path;
    // "Graphics Files" gives the first format's extension.
    std::filesystem::path out = path;
    out += SaveFilterExtension(std::max(filterIndex, 1));
    return out;
}

bool COrvantixDoc::Reload() {
    if (!CanReload()) return false;
    const PromptAnswer answer =
        m_services.prompter ? m_services.prompter->Ask(Format1("Discard Changes to Picture %s", m_path.string()),
                                                       kAppCaption, PromptButtons::YesNo, PromptAnswer::No)
                            : PromptAnswer::No;
    if (answer != PromptAnswer::Yes) return false;
    StopPlaybackWorker();
    m_reloading = true;
    const std::filesystem::path path = m_path;
    const bool ok = LoadPicture(path);
    m_reloading = false;
    if (m_observer) Observer()->FramesChanged();
    return ok;
}

// --- Editing -----------------------------------------------------------------------------------

bool COrvantixDoc::ApplyEdit(const std::function<void(Picture&)>& edit) {
    Picture* picture = GetPicture();
    if (!picture) return false;
    Picture result;
    try {
        result = *picture;
        edit(result);
    } catch (const ImpExpException& e) {
        ShowError(e.Message(), e.Title());
        return false;
    } catch (const std::bad_alloc&) {
        ShowError("Not Enough Memory", kAppCaption);
        return false;
    }
    m_undo = std::move(*picture);
    m_propertyUndo.reset();
    *picture = std::move(result);
    SetModifiedFlag(true);
    if (m_observer) Observer()->PictureReplaced();
    PictureChanged();
    return true;
}

void COrvantixDoc::RememberForUndo() {
    if (const Picture* picture = GetPicture()) {
        m_undo = *picture;
        m_propertyUndo.reset();
    }
}

void COrvantixDoc::DiscardUndoPicture() { m_undo.reset(); }

void COrvantixDoc::Undo() {
    if (m_propertyUndo) {
        RestoreProperties();
        return;
    }
    Picture* picture = GetPicture();
    if (!m_undo || !picture) return;
    m_frames[m_current].gifSize = 0;
    *picture = std::move(*m_undo);
    m_undo.reset();
    m_colourCount = 0;
    RecountColours();
    if (m_observer) {
        Observer()->PictureReplaced();
        Observer()->StatusChanged(m_colourCount, picture->Width(), picture->Height());
    }
    MeasureSizes();
}

void COrvantixDoc::PictureChanged() {
    Picture* picture = GetPicture();
    if (!picture) return;
    m_colourCount = 0;  // an edit may change any colour: the old count cannot be trusted
    m_frames[m_current].gifSize = 0;
    RecountColours();
    const GifFrame& frame = m_frames[m_current];
    if (m_observer && frame.transparentColour != kNoColour) Observer()->TransparentColourShown(frame.transparentColour);
    EstimateSizes();
    if (m_observer) Observer()->StatusChanged(m_colourCount, picture->Width(), picture->Height());
}

// --- Clipboard ---------------------------------------------------------------------------------

namespace {

void ShowClipboardStatus(Prompter* prompter, PictureClipboard::Status status) {
    if (!prompter || status == PictureClipboard::Status::Ok) return;
    prompter->Message(status == PictureClipboard::Status::CannotOpen ? "Cannot open the Clipboard" : "Clipboard Error",
                      kAppCaption, PromptIcon::Stop);
}

}  // namespace

bool COrvantixDoc::Copy(PictureClipboard& clipboard, const std::optional<PictureRect>& selection) {
    const Picture* picture = GetPicture();
    if (!picture || picture->IsEmpty()) return false;
    Picture copy;
    try {
        if (!selection) {
            copy.CopyFrom(*picture);
        } else {
            // The selection is clipped to the picture; nothing is left when it lies outside.
            const std::int64_t left = std::max<std::int64_t>(selection->left, 0);
            const std::int64_t top = std::max<std::int64_t>(selection->top, 0);
            const std::int64_t right =
                std::min<std::int64_t>(std::int64_t(selection->left) + selection->width, picture->Width());
            const std::int64_t bottom =
                std::min<std::int64_t>(std::int64_t(selection->top) + selection->height, picture->Height());
            if (right <= left || bottom <= top) return false;
            copy.Create(std::int32_t(right - left), std::int32_t(bottom - top));
            for (std::int64_t y = top; y < bottom; ++y) {
                const auto src =
                    picture->RowFromTop(int(y)).subspan(std::size_t(left) * 3, std::size_t(right - left) * 3);
                std::memcpy(copy.RowFromTop(int(y - top)).data(), src.data(), src.size());
            }
        }
    } catch (const ImpExpException& e) {
        ShowError(e.Message(), e.Title());
        return false;
    }
    return PutOnClipboard(clipboard, copy);
}

bool COrvantixDoc::PutOnClipboard(PictureClipboard& clipboard, const Picture& picture) {
    const PictureClipboard::Status status = clipboard.PutPicture(picture);
    ShowClipboardStatus(m_services.prompter, status);
    return status == PictureClipboard::Status::Ok;
}

std::unique_ptr<COrvantixDoc> COrvantixDoc::Paste(PictureClipboard& clipboard, DocumentServices services) {
    std::optional<Picture> picture;
    const PictureClipboard::Status status = clipboard.GetPicture(picture);
    if (status != PictureClipboard::Status::Ok) {
        ShowClipboardStatus(services.prompter, status);
        return nullptr;
    }
    if (!picture || picture->IsEmpty()) return nullptr;
    Picture copy;
    copy.CopyFrom(*picture);
    return NewUntitled(std::move(copy), std::move(services));
}

std::unique_ptr<COrvantixDoc> COrvantixDoc::NewUntitled(Picture picture, DocumentServices services) {
    if (picture.IsEmpty()) return nullptr;
    auto document = std::make_unique<COrvantixDoc>(std::move(services));
    GifFrameList frames;
    frames.Add(NewFrameRecord(std::move(picture)));
    document->m_title = "Untitled";
    document->AdoptContent(std::move(frames), GifInfo{});
    document->SetModifiedFlag(true);
    return document;
}

// --- Palette conversion ------------------------------------------------------------------------

bool COrvantixDoc::ConvertToPalette(bool webSafe) {
    if (m_frames.Empty()) return false;
    std::vector<Picture*> pictures;
    for (GifFrame& frame : m_frames) pictures.push_back(&frame.picture);
    const Picture before = *GetPicture();
    const DataFolders folders = m_services.folders ? *m_services.folders : DataFolders::FromEnvironment();
    PaletteConversion result;
    try {
        result = ConvertPicturesToPaletteFile(pictures, m_path, webSafe, m_services.settings->paletteName, folders,
                                              m_services.progress);
    } catch (const ImpExpException& e) {
        ShowError(e.Message(), e.Title());
        return false;
    }
    if (result.outcome != PaletteConversion::Outcome::Converted) {
        const PromptIcon icon = result.outcome == PaletteConversion::Outcome::PaletteUnreadable ? PromptIcon::Stop
                                                                                                : PromptIcon::Exclamation;
        if (m_services.prompter) m_services.prompter->Message(result.message, kAppCaption, icon);
        return false;
    }
    for (GifFrame& frame : m_frames) {
        frame.colourCount = ToInt32(CountColours(frame.picture));
        frame.gifSize = 0;
    }
    m_colourCount = m_frames[m_current].colourCount;
    m_undo = before;
    m_propertyUndo.reset();
    SetModifiedFlag(true);
    if (m_observer) Observer()->PictureReplaced();
    EstimateSizes();
    return true;
}

// --- Frames ------------------------------------------------------------------------------------

std::size_t COrvantixDoc::AddFrames(std::span<const std::filesystem::path> files) {
    std::size_t added = 0;
    for (const std::filesystem::path& file : files) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(file, ec)) {
            if (m_services.prompter)
                m_services.prompter->Message(
                    Format1("%s - not Found\n Please verify the correct file name", file.string()), kAppCaption,
                    PromptIcon::Exclamation);
            continue;
        }
        Picture picture;
        std::int64_t colours = 0;
        try {
            const PictureFile bytes = ReadPictureFile(file);
            if (bytes.type == PictureFileType::Unknown) {
                if (m_services.prompter)
                    m_services.prompter->Message(
                        Format1("Unsupported\\Don't know to load %s format", file.extension().string()), kAppCaption,
                        PromptIcon::Exclamation);
                continue;
            }
            DecodeOptions options;
            options.firstFrameOnly = true;
            options.progress = m_services.progress;
            if (bytes.type == PictureFileType::Png) options.background = m_services.settings->Background();
            picture = std::move(DecodePictureFile(bytes, options).frames[0].picture);
            // A missing palette file has been reported; the file is not added.
            if (!ApplySettingsToAddedPicture(m_settings, file, picture, m_services)) continue;
            colours = CountColours(picture);
            if (colours > 256) {
                if (m_services.prompter)
                    m_services.prompter->Message("Too many colors in picture;Reduce to 256 to include as GIF frame",
                                                 kAppCaption, PromptIcon::Information);
                FitGifColours(picture, m_services.progress);
                colours = CountColours(picture);
            }
        } catch (const ImpExpException& e) {
            ShowError(e.Message(), e.Title());
            continue;
        }
        GifFrame frame = NewFrameRecord(std::move(picture), static_cast<std::int32_t>(m_frames.Count()));
        frame.colourCount = ToInt32(colours);
        m_frames.Add(std::move(frame));
        ++added;
    }
    if (added == 0) return 0;
    m_propertyUndo.reset();  // the snapshot no longer matches the frames
    if (m_frames.Count() == added) {
        // The document was empty: the first frame added becomes its picture.
        m_current = 0;
        m_colourCount = m_frames[0].colourCount;
    }
    if (m_frames.Count() >= 2) {
        const std::string ext = UpperExtension(m_path);
        if (ext == ".GIF" || ext == ".PNG") m_formatTab = 1;
    }
    SetModifiedFlag(true);
    if (m_observer) Observer()->FramesChanged();
    MeasureSizes();
    return added;
}

bool COrvantixDoc::DeleteFrame() {
    if (!CanDeleteFrame()) return false;
    m_frames.RemoveAt(m_current);
    m_current = std::min(m_current, m_frames.Count() - 1);
    m_colourCount = m_frames[m_current].colourCount;
    m_undo.reset();
    m_propertyUndo.reset();
    if (m_frames.Count() == 1) {
        StopPlaybackWorker();
        m_formatTab = FormatTabForExtension(UpperExtension(m_path));
    }
    SetModifiedFlag(true);
    if (m_observer) {
        Observer()->FramesChanged();
        Observer()->PictureReplaced();
    }
    return true;
}

void COrvantixDoc::SwitchToFrame(std::size_t index) {
    if (index >= m_frames.Count()) return;
    m_frames[m_current].colourCount = ToInt32(m_colourCount);
    m_current = index;
    m_colourCount = m_frames[m_current].colourCount;
    m_undo.reset();
    if (m_observer) {
        Observer()->PictureReplaced();
        Observer()->FramesChanged();
    }
    // The frame's cached count is kept when it has one; a new count only when it was never made.
    RecountColours();
    const GifFrame& frame = m_frames[m_current];
    if (m_observer && frame.transparentColour != kNoColour) Observer()->TransparentColourShown(frame.transparentColour);
    EstimateSizes();
    if (m_observer) Observer()->StatusChanged(m_colourCount, frame.picture.Width(), frame.picture.Height());
}

bool COrvantixDoc::NextFrame() {
    if (!CanNextFrame()) {
        if (m_observer) Observer()->Beep();
        return false;
    }
    SwitchToFrame(m_current + 1);
    return true;
}

bool COrvantixDoc::PreviousFrame() {
    if (!CanPreviousFrame()) return false;
    SwitchToFrame(m_current - 1);
    return true;
}

void COrvantixDoc::FirstFrame() {
    if (!m_frames.Empty()) SwitchToFrame(0);
}

void COrvantixDoc::LastFrame() {
    if (!m_frames.Empty()) SwitchToFrame(m_frames.Count() - 1);
}

void COrvantixDoc::SelectFrame(std::size_t index) { SwitchToFrame(index); }

// --- Playback ----------------------------------------------------------------------------------

namespace {

constexpr std::int32_t kWhite = 0x00FFFFFF;

}  // namespace

bool COrvantixDoc::IsPlaying() const { return m_player.joinable() && !m_stopFlag.load(); }

bool COrvantixDoc::Play() {
    if (m_frames.Count() < 2 || IsPlaying()) return false;
    if (!m_info.loop && m_info.loopCount == 0) return false;  // nothing to play
    StopPlaybackWorker();                                     // joins a worker that has ended

    // The worker plays a snapshot: the document stays free to change while it runs.
    GifFrameList frames = m_frames;
    std::int32_t width = m_info.screenWidth;
    std::int32_t height = m_info.screenHeight;
    if (width <= 0 || height <= 0) {
        width = height = 0;
        for (const GifFrame& f : frames) {
            width = std::max(width, f.left + f.picture.Width());
            height = std::max(height, f.top + f.picture.Height());
        }
    }
    // What the observer is shown; the screen the frames are composed on starts white, as a
    // disposal to the background leaves it.
    Picture shown;
    std::optional<GifCanvas> canvas;
    try {
        shown.Create(width, height);
        canvas.emplace(width, height, std::uint32_t(kWhite));
    } catch (const ImpExpException& e) {
        ShowError(e.Message(), e.Title());
        return false;
    } catch (const std::bad_alloc&) {
        ShowError("Not Enough Memory", "Bitmap Error");
        return false;
    }
    const bool loop = m_info.loop != 0;
    const std::int32_t passes = loop ? 1 : m_info.loopCount;

    m_stopFlag.store(false);
    m_player = std::thread([this, frames = std::move(frames), canvas = std::move(*canvas), shown = std::move(shown),
                            loop, passes]() mutable {
        std::int32_t left = passes;
        while ((left > 0 || loop) && !m_stopFlag.load()) {
            for (std::size_t i = 0; i < frames.Count() && !m_stopFlag.load(); ++i) {
                const GifFrame& frame = frames[i];
                canvas.Draw(frame);
                canvas.CopyTo(shown);
                if (DocumentObserver* observer = Observer()) observer->PlaybackFrame(shown, i);
                const double ms = std::max(1.0, frame.delay * 10.0 * m_playbackSpeed.load());
                {
                    std::unique_lock lock(m_playMutex);
                    m_playWake.wait_for(lock, std::chrono::duration<double, std::milli>(ms),
                                        [this] { return m_stopFlag.load(); });
                }
                canvas.Dispose(frame);
            }
            --left;
        }
        m_stopFlag.store(true);
        if (DocumentObserver* observer = Observer()) observer->PlaybackEnded();
    });
    if (m_observer) Observer()->FramesChanged();
    return true;
}

void COrvantixDoc::StopPlaybackWorker() {
    {
        std::lock_guard lock(m_playMutex);
        m_stopFlag.store(true);
    }
    m_playWake.notify_all();
    if (m_player.joinable()) m_player.join();
}

void COrvantixDoc::Stop() {
    StopPlaybackWorker();
    if (m_observer) Observer()->FramesChanged();
}

// --- Sizes -------------------------------------------------------------------------------------

void COrvantixDoc::MeasureSizes() {
    if (!m_services.measureSizes) return;
    const Picture* picture = GetPicture();
    if (!picture || picture->IsEmpty()) return;
    MeasureInput input;
    input.picture = picture;
    input.frame = &m_frames[m_current];
    input.animationInfo = &m_info;
    input.frameCount = m_frames.Count();
    input.path = m_path;
    input.background = m_services.settings->Background();
    input.usePng = m_services.settings->usePng != 0;
    input.progress = m_services.progress;
    try {
        lp::MeasureSizes(m_transfer, input);
    } catch (const ImpExpException& e) {
        ShowError(e.Message(), e.Title());
    } catch (const std::bad_alloc&) {
        ShowError("Not Enough Memory", kAppCaption);
    }
    EstimateSizes();
}

void COrvantixDoc::EstimateSizes() {
    const Picture* picture = GetPicture();
    if (!picture) return;
    if (m_colourCount == 0) RecountColours();
    const AppSettings& settings = *m_services.settings;
    const double speed = settings.modemSpeed;
    TransferInfo& t = m_transfer;
    t.width = picture->Width();
    t.height = picture->Height();
    t.colors = static_cast<std::int32_t>(std::min<std::int64_t>(m_colourCount, 256));
    t.quality = std::clamp(m_jpegQuality, 0, 100);
    t.jpegBytes = EstimateJpegSize(&t, t.width, t.height, t.quality);
    t.gifBytes = EstimateGifSize(&t, t.width, t.height, t.colors);
    t.pngBytes = settings.usePng ? EstimatePngSize(&t, t.width, t.height, t.colors) : 0;
    t.jpegSeconds = TransferSeconds(t.jpegBytes, speed);
    t.gifSeconds = TransferSeconds(t.gifBytes, speed);
    t.pngSeconds = TransferSeconds(t.pngBytes, speed);
    t.isAnimation = m_frames.Count() >= 2 ? 1 : 0;
    if (t.isAnimation) {
        AnimationEstimate what;
        what.useAllFrames = true;
        what.currentFrame = m_current;
        EstimateAnimationSize(&t, m_frames, what);
    } else {
        t.allFramesKb = 0;
    }
    if (m_observer) Observer()->TransferInfoChanged();
}

std::string COrvantixDoc::Caption(bool master, int previewNumber, bool useAllFrames) const {
    CaptionInput input;
    input.master = master;
    input.previewNumber = previewNumber;
    input.multiFrame = m_frames.Count() >= 2;
    input.useAllFrames = useAllFrames;
    input.usePng = m_services.settings->usePng != 0;
    input.modemSpeed = m_services.settings->modemSpeed;
    input.title = m_title;
    return WindowCaption(m_transfer, input);
}

}  // namespace lp
