#include "browser/thumbnail_maker.h"

#include "browser/browser_item.h"
#include "formats/file_types.h"
#include "formats/format_table.h"
#include "imaging/colour_count.h"
#include "base/imp_exp_exception.h"
#include "imaging/resize.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace lp {

namespace {

constexpr const char* kBrowserErrorTitle = "Browser Error";

void CopyOnto(Picture& target, const Picture& source, int left, int top) {
    // Clipped: a source larger than the target's free area loses its edges.
    const int x0 = std::max(0, -left);
    const int x1 = std::min(source.Width(), target.Width() - left);
    const int y0 = std::max(0, -top);
    const int y1 = std::min(source.Height(), target.Height() - top);
    if (x0 >= x1 || y0 >= y1) return;
    for (int y = y0; y < y1; ++y) {
        const auto from = source.RowFromTop(y);
        auto to = target.RowFromTop(y + top);
        std::memcpy(to.data() + std::size_t(left + x0) * 3, from.data() + std::size_t(x0) * 3,
                    std::size_t(x1 - x0) * 3);
    }
}

void SetPixel(Picture& p, int x, int yFromTop, std::uint8_t value) {
    auto row = p.RowFromTop(yFromTop);
    row[std::size_t(x) * 3] = row[std::size_t(x) * 3 + 1] = row[std::size_t(x) * 3 + 2] = value;
}

void DrawFrame(Picture& p, std::uint8_t value) {
    const int w = p.Width(), h = p.Height();
    for (int x = 0; x < w; ++x) {
        SetPixel(p, x, 0, value);
        SetPixel(p, x, h - 1, value);
    }
    for (int y = 0; y < h; ++y) {
        SetPixel(p, 0, y, value);
        SetPixel(p, w - 1, y, value);
    }
}

struct DecodedSource {
    Picture picture;  // possibly decoded at a reduced scale
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool animated = false;
    std::int32_t colours = -1;  // counted when a tally was given
};

/// Decodes the source; with a tally (counting on: always at full scale) also counts
/// the picture's colours, on the decoder's rows where the codec hands them over.
DecodedSource DecodeSource(const PictureFile& file, ColourTally* tally, ProgressSink* progress) {
    const bool reducedScaleAllowed = tally == nullptr;
    // The header gives the geometry (and whether a GIF holds a second image) without
    // decoding; only the first frame is decoded.
    const FormatRow* row = file.Row();
    const PictureHeader header = row && row->header ? row->header(file.bytes).value_or(PictureHeader{0, 0, 0})
                                                    : PictureHeader{0, 0, 0};
    DecodeOptions options;
    options.firstFrameOnly = true;
    options.progress = progress;
    DecodedSource out;
    out.animated = file.type == PictureFileType::Gif && header.frames > 1;
    const int w = header.width, h = header.height;
    if (file.type == PictureFileType::Jpeg && reducedScaleAllowed && w > 0 && h > 0) {
        // The largest reduction that still leaves at least the thumbnail's size, so the
        // final resize only ever shrinks.
        const ThumbnailSize target = ComputeThumbnailSize(w, h);
        for (int d : {8, 4, 2}) {
            if ((w + d - 1) / d >= target.width && (h + d - 1) / d >= target.height &&
                (target.width != w || target.height != h)) {
                options.scaleDenominator = d;
                break;
            }
        }
    }
    if (tally) {
        tally->Clear();  // rows left by a picture that failed half way
        options.colours = tally;
    }
    out.picture = std::move(DecodePictureFile(file, options).frames[0].picture);
    if (tally && !out.picture.IsEmpty()) {
        // Codecs that do not count while decoding (and any that stopped short) are
        // counted here, over the picture as the reader made it.
        if (tally->Rows() != out.picture.Height()) {
            tally->Clear();
            tally->AddPicture(out.picture);
        }
        out.colours = static_cast<std::int32_t>(std::min<std::int64_t>(tally->TakeCount(), INT32_MAX));
    }
    const bool scaled = options.scaleDenominator > 1 && !out.picture.IsEmpty();
    out.width = scaled ? w : out.picture.Width();
    out.height = scaled ? h : out.picture.Height();
    return out;
}

/// The source's bytes, read once; nothing when it cannot be read (it stays a placeholder,
/// as an unrecognised file does).
std::optional<PictureFile> ReadSource(const std::filesystem::path& path) {
    try {
        return ReadPictureFile(path);
    } catch (const ImpExpException&) {
        return std::nullopt;
    }
}

std::string CachePathText(const std::filesystem::path& path) {
    std::error_code ec;
    if (path.is_absolute()) return path.lexically_normal().string();
    const auto absolute = std::filesystem::absolute(path, ec);
    return ec ? std::string() : absolute.lexically_normal().string();
}

void Resized(Picture& picture, int width, int height, bool smooth, ProgressSink* progress) {
    if (smooth)
        SmartResize(picture, width, height, progress);
    else
        Resize(picture, width, height);
}

}  // namespace

ThumbnailSize ComputeThumbnailSize(std::int32_t w, std::int32_t h) {
    if (w <= 0 || h <= 0) return {1, 1};
    const int pw = 9000 / w;
    const int ph = 9000 / h;
    double tw = w, th = h;
    if (pw == 0 || ph == 0) {
        // Over 9000 pixels the whole percentage would be 0: fit the box exactly.
        const double scale = double(kThumbnailBox) / double(std::max(w, h));
        tw = w * scale;
        th = h * scale;
    } else if (w >= kThumbnailBox || h >= kThumbnailBox) {
        const double ratio = double(w) / double(h);
        if (pw < ph) {
            tw = pw * 0.01 * w;
            th = tw / ratio;
        } else {
            th = ph * 0.01 * h;
            tw = ratio * th;
        }
    }
    return {std::max(1, int(tw)), std::max(1, int(th))};
}

Picture ComposeLargeImage(const Picture& thumbnail) {
    Picture large;
    large.Create(kLargeImageSize, kLargeImageSize);
    // The frame: white paper with a grey border.
    for (int y = 0; y < kLargeImageSize; ++y) std::memset(large.Row(y).data(), 0xFF, large.Stride());
    DrawFrame(large, 0xC0);
    const int left = (kThumbnailBox - thumbnail.Width()) / 2 + 5;
    const int top = (kThumbnailBox - thumbnail.Height()) / 2 + 5;
    CopyOnto(large, thumbnail, left, top);
    return large;
}

Picture ComposeSmallImage(const Picture& thumbnail, bool smooth, bool* usedSmooth) {
    if (usedSmooth) *usedSmooth = false;
    Picture small;
    small.Create(kSmallImageSize, kSmallImageSize);
    small.Fill(0x00FFFFFF);
    const int tw = thumbnail.Width(), th = thumbnail.Height();
    const int sw = std::max(1, int(tw * 0.32));
    const int sh = std::max(1, int(th * 0.32));
    Picture scaled;
    const Picture* source = &thumbnail;
    if (sw != tw || sh != th) {
        scaled.CopyFrom(thumbnail);
        Resized(scaled, sw, sh, smooth, nullptr);
        if (usedSmooth) *usedSmooth = smooth;
        source = &scaled;
    }
    CopyOnto(small, *source, (kSmallImageSize - source->Width()) / 2, (kSmallImageSize - source->Height()) / 2);
    DrawFrame(small, 0x00);
    return small;
}

ThumbnailOptions ThumbnailOptions::FromSettings(const AppSettings& settings) {
    ThumbnailOptions options;
    options.cacheInfo = settings.cacheInfo == 1;
    options.noColours = settings.optColors == 1;
    options.largeOnly = settings.optLargePics == 1;
    options.fastResize = settings.optTnailQlty == 1;
    return options;
}

ColourTally& ThumbnailScratch::Tally() {
    if (!m_tally) m_tally.emplace();
    return *m_tally;
}

bool ThumbnailJob::AnySelected() const {
    return std::any_of(rows.begin(), rows.end(), [](const ThumbnailRow& r) { return r.selected; });
}

ThumbnailOutcome MakeThumbnail(const ThumbnailJob& job, std::size_t index, CThumbnailCache* cache,
                               ProgressSink* progress, ErrorListing& errors) {
    ThumbnailScratch scratch;
    return MakeThumbnail(job, index, cache, progress, errors, scratch);
}

ThumbnailOutcome MakeThumbnail(const ThumbnailJob& job, std::size_t index, CThumbnailCache* cache,
                               ProgressSink* progress, ErrorListing& errors, ThumbnailScratch& scratch) {
    ThumbnailOutcome out;
    out.index = index;
    out.passNumber = job.passNumber;
    if (index >= job.rows.size()) return out;
    const ThumbnailRow& row = job.rows[index];
    out.colours = row.colours;
    out.smallIconState = row.smallIconState;
    const bool anySelected = job.AnySelected();
    const bool refresh = job.pass == PassKind::Refresh;
    if (anySelected && refresh && !row.selected) return out;

    const ThumbnailOptions& opt = job.options;
    try {
        // Symbolic links (our shortcuts) are followed by stat and the readers.
        const auto stamp = StampOf(row.path);
        if (!stamp) return out;
        CThumbnailCache* usedCache = (opt.cacheInfo && cache && cache->Enabled()) ? cache : nullptr;
        const std::string cachePath = CachePathText(row.path);

        Picture thumbnail;
        bool haveThumbnail = false;
        if (usedCache && !cachePath.empty()) {
            if (auto record = usedCache->Lookup(cachePath, stamp->size, stamp->lastWrite)) {
                const bool coloursOk = opt.noColours || (record->colours != -1 && record->colours != 0);
                const bool qualityOk = opt.fastResize || record->thumbQuality == kSmoothQuality;
                if (coloursOk && qualityOk && (!refresh || anySelected)) {
                    if ((opt.largeOnly || record->smallIconState == kIconDrawn) && refresh && record->colours != 0 &&
                        row.colours != -1) {
                        out.kind = ThumbnailOutcome::Kind::Complete;
                        return out;
                    }
                    if (record->width == 0 || record->height == 0) return out;
                    try {
                        thumbnail = usedCache->ReadThumbnail(*record);
                        haveThumbnail = thumbnail.Width() <= kThumbnailBox && thumbnail.Height() <= kThumbnailBox &&
                                        !thumbnail.IsEmpty();
                    } catch (const ImpExpException&) {
                        haveThumbnail = false;
                    }
                    if (haveThumbnail) {
                        out.kind = ThumbnailOutcome::Kind::FromCache;
                        out.width = record->width;
                        out.height = record->height;
                        out.colours = record->colours;
                        out.thumbQuality = record->thumbQuality;
                        if (record->animated == 1) out.typeName = kAnimatedGifTypeName;
                    } else {
                        // A damaged or oversized cache file: rebuilt from the source.
                        usedCache->Forget(cachePath);
                        thumbnail.Destroy();
                    }
                }
            }
        }

        if (!haveThumbnail) {
            std::optional<PictureFile> file = ReadSource(row.path);
            if (!file || file->type == PictureFileType::Unknown) return out;
            DecodedSource source = DecodeSource(*file, opt.noColours ? nullptr : &scratch.Tally(), progress);
            file.reset();
            if (source.picture.IsEmpty() || source.width <= 0 || source.height <= 0) return out;
            if (source.animated) out.typeName = kAnimatedGifTypeName;
            if (!opt.noColours) out.colours = source.colours;
            const ThumbnailSize size = ComputeThumbnailSize(source.width, source.height);
            thumbnail = std::move(source.picture);
            const bool scaledDecode = source.width != thumbnail.Width() || source.height != thumbnail.Height();
            // Either dimension changing needs the resize: a 600 x 1 picture must
            // shrink to 90 x 1, or the cached file is oversized and refused.
            if (size.width != source.width || size.height != source.height || scaledDecode) {
                if (thumbnail.Width() != size.width || thumbnail.Height() != size.height)
                    Resized(thumbnail, size.width, size.height, !opt.fastResize, progress);
                out.thumbQuality = opt.fastResize ? 0 : kSmoothQuality;
            } else if (!opt.fastResize) {
                out.thumbQuality = kSmoothQuality;
            }
            out.width = source.width;
            out.height = source.height;
            out.kind = ThumbnailOutcome::Kind::Made;
            if (usedCache && !cachePath.empty() && cachePath.size() < kCachePathBytes) {
                if (auto name = usedCache->StoreThumbnail(thumbnail)) {
                    CacheRecord record;
                    record.path = cachePath;
                    record.size = stamp->size;
                    record.lastWrite = stamp->lastWrite;
                    record.width = source.width;
                    record.height = source.height;
                    record.colours = out.colours;
                    record.cacheName = *name;
                    record.animated = source.animated ? 1 : 0;
                    record.smallIconState = row.smallIconState;
                    record.thumbQuality = out.thumbQuality;
                    out.cached = usedCache->Add(std::move(record));
                }
            }
        }

        if (!opt.drawImages) return out;
        out.largeImage = ComposeLargeImage(thumbnail);
        if (!opt.largeOnly) {
            bool smooth = false;
            out.smallImage = ComposeSmallImage(thumbnail, !opt.fastResize, &smooth);
            if (smooth) out.thumbQuality = kSmoothQuality;
            out.smallIconState = kIconDrawn;
        }
        return out;
    } catch (const ImpExpException& e) {
        errors.Add(e);
    } catch (const std::bad_alloc&) {
        errors.Add(ImpExpException(row.path.string(), "Not Enough Memory", kBrowserErrorTitle));
    } catch (const std::exception& e) {
        errors.Add(ImpExpException(row.path.string(), e.what(), kBrowserErrorTitle));
    }
    ThumbnailOutcome failed;
    failed.kind = ThumbnailOutcome::Kind::Failed;
    failed.index = index;
    failed.passNumber = job.passNumber;
    failed.colours = row.colours;
    failed.smallIconState = row.smallIconState;
    return failed;
}

}  // namespace lp
