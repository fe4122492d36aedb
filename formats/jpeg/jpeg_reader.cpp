#include "formats/jpeg/jpeg_reader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "formats/io/bounded_reader.h"
#include "formats/jpeg/jpeg_glue.h"
#include "imaging/colour_count.h"
#include "base/imp_exp_exception.h"

namespace lp {

namespace {

using jpeg_detail::ErrorManager;
using jpeg_detail::Guarded;

constexpr const char* kTitle = "Jpeg Error";

// A progressive file may hold any number of scans, each of which costs a pass
// over the whole coefficient buffer; real encoders write about ten.
constexpr int kMaxScans = 1000;

// Source manager over bytes already in memory. When the data ends early it
// does what the library's own sources do: warn and insert an EOI marker, so a
// truncated file keeps the rows decoded so far.
struct MemorySource {
    jpeg_source_mgr pub;
};

const JOCTET kFakeEoi[2] = {0xFF, JPEG_EOI};

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
    WARNMS(cinfo, JWRN_JPEG_EOF);
    cinfo->src->next_input_byte = kFakeEoi;
    cinfo->src->bytes_in_buffer = sizeof kFakeEoi;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    jpeg_source_mgr* src = cinfo->src;
    if (static_cast<unsigned long>(count) > src->bytes_in_buffer) {
        FillInputBuffer(cinfo);
        return;
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= static_cast<std::size_t>(count);
}

void TermSource(j_decompress_ptr) {}

void AttachSource(j_decompress_ptr cinfo, MemorySource& source, std::span<const std::uint8_t> data) {
    source.pub.init_source = &InitSource;
    source.pub.fill_input_buffer = &FillInputBuffer;
    source.pub.skip_input_data = &SkipInputData;
    source.pub.resync_to_restart = &jpeg_resync_to_restart;
    source.pub.term_source = &TermSource;
    source.pub.next_input_byte = data.data();
    source.pub.bytes_in_buffer = data.size();
    cinfo->src = &source.pub;
}

void LimitScans(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans)
        jpeg_detail::FailWith(cinfo, "Too many scans in JPEG file");
}

// Owns the decompression object: destroyed on every path, also after a
// library error left it half built (jpeg_destroy accepts that).
class Decompressor {
public:
    Decompressor() {
        std::memset(&m_cinfo, 0, sizeof m_cinfo);
        m_cinfo.err = jpeg_detail::InstallErrorManager(m_err);
        try {
            Guarded(m_err, [this] { jpeg_create_decompress(&m_cinfo); });
        } catch (...) {
            jpeg_destroy_decompress(&m_cinfo);  // no destructor runs for a failed constructor
            throw;
        }
    }
    ~Decompressor() { jpeg_destroy_decompress(&m_cinfo); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    jpeg_decompress_struct* operator->() { return &m_cinfo; }
    jpeg_decompress_struct* get() { return &m_cinfo; }
    ErrorManager& err() { return m_err; }

private:
    ErrorManager m_err;
    jpeg_decompress_struct m_cinfo;
};

constexpr std::uint8_t MulDiv255(unsigned a, unsigned b) {
    const unsigned t = a * b + 128;
    return static_cast<std::uint8_t>((t + (t >> 8)) >> 8);
}

// CMYK rows to 24-bit BGR. Adobe writes its CMYK inverted (0 = full ink); the
// plain form stores ink amounts. Both become RGB by the multiplicative rule
// R = (255 - C) x (255 - K) / 255, and likewise for G and B.
void CmykToBgr(const std::uint8_t* in, std::uint8_t* out, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 3) {
        unsigned c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        out[0] = MulDiv255(y, k);
        out[1] = MulDiv255(m, k);
        out[2] = MulDiv255(c, k);
    }
}

Picture Decode(std::span<const std::uint8_t> data, ProgressSink* progress, const JpegReadOptions& options) {
    Decompressor cinfo;
    MemorySource source{};
    jpeg_progress_mgr scanLimit{};
    scanLimit.progress_monitor = &LimitScans;

    Guarded(cinfo.err(), [&] {
        AttachSource(cinfo.get(), source, data);
        cinfo->progress = &scanLimit;
        jpeg_read_header(cinfo.get(), TRUE);
    });
    // The library allocates per full-size row (and, for progressive files, for
    // the whole image) whatever the output scale, so check both sizes.
    CheckImageSize(cinfo->image_width, cinfo->image_height, options.limits);
    // Sequential Huffman data spends at least 2 bits on every 8 x 8 block (a DC code and an
    // end of block), so a file under half that for a large picture is mostly missing: refused
    // before allocating. Progressive and arithmetic-coded data have no such floor (runs of
    // empty blocks cost almost nothing), and smaller pictures keep what a cut file decoded.
    if (!cinfo->progressive_mode && !cinfo->arith_code &&
        PictureBytes24(cinfo->image_width, cinfo->image_height) > kFillCheckBytes) {
        std::uint64_t blocks = 0;
        for (int c = 0; c < cinfo->num_components; ++c) {
            const jpeg_component_info& comp = cinfo->comp_info[c];
            const std::uint64_t w = (std::uint64_t(cinfo->image_width) * comp.h_samp_factor +
                                     std::uint64_t(cinfo->max_h_samp_factor) * 8 - 1) /
                                    (std::uint64_t(cinfo->max_h_samp_factor) * 8);
            const std::uint64_t h = (std::uint64_t(cinfo->image_height) * comp.v_samp_factor +
                                     std::uint64_t(cinfo->max_v_samp_factor) * 8 - 1) /
                                    (std::uint64_t(cinfo->max_v_samp_factor) * 8);
            blocks += w * h;
        }
        const std::uint64_t leastBytes = blocks / 4;
        if (std::uint64_t(data.size()) * 2 < leastBytes) throw InnerError(kNotEnoughImageData);
    }

    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    const bool invertedCmyk = cmyk && cinfo->saw_Adobe_marker;
    Guarded(cinfo.err(), [&] {
        // Greyscale, YCbCr and RGB all arrive as 24-bit BGR rows (grey values
        // repeated), straight into the picture; CMYK is converted here.
        cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
        cinfo->scale_num = 1;
        cinfo->scale_denom = options.scaleDenominator > 0 ? static_cast<unsigned>(options.scaleDenominator) : 1;
        jpeg_calc_output_dimensions(cinfo.get());
    });
    const JDIMENSION width = cinfo->output_width;
    const JDIMENSION height = cinfo->output_height;
    CheckImageSize(width, height, options.limits);

    Picture picture;
    try {
        picture.Create(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
    } catch (const ImpExpException&) {
        throw InnerError("Not Enough Memory");
    }
    std::vector<std::uint8_t> cmykRow;
    if (cmyk) cmykRow.resize(std::size_t(width) * 4);

    Guarded(cinfo.err(), [&] { jpeg_start_decompress(cinfo.get()); });
    if (cinfo->output_width != width || cinfo->output_height != height || cinfo->output_components != (cmyk ? 4 : 3))
        throw InnerError("Unsupported File Format");

    ProgressScope scope(progress, 0, 100, "Loading JPEG File");
    // Several rows per call, straight into the picture: the library fills as
    // many as it has ready, and each call crosses the error boundary once.
    constexpr JDIMENSION kBatch = 16;
    JSAMPROW targets[kBatch];
    while (cinfo->output_scanline < height) {
        const JDIMENSION line = cinfo->output_scanline;
        scope.Step(static_cast<long>(std::uint64_t(line) * 100 / height));
        const JDIMENSION want = cmyk ? 1 : std::min(kBatch, height - line);
        if (cmyk)
            targets[0] = cmykRow.data();
        else
            for (JDIMENSION i = 0; i < want; ++i) targets[i] = picture.RowFromTop(static_cast<int>(line + i)).data();
        JDIMENSION got = 0;
        Guarded(cinfo.err(), [&] { got = jpeg_read_scanlines(cinfo.get(), targets, want); });
        if (got == 0 || got > want) throw InnerError("Premature end of JPEG file");
        for (JDIMENSION i = 0; i < got; ++i) {
            std::uint8_t* row = picture.RowFromTop(static_cast<int>(line + i)).data();
            if (cmyk) CmykToBgr(cmykRow.data(), row, width, invertedCmyk);
            if (options.colours) options.colours->AddRow(row, static_cast<int>(width));
            if (i + 1 < got) scope.Step(static_cast<long>(std::uint64_t(line + i + 1) * 100 / height));
        }
    }
    Guarded(cinfo.err(), [&] { jpeg_finish_decompress(cinfo.get()); });
    return picture;
}

}  // namespace

Picture DecodeJpeg(std::span<const std::uint8_t> file, const std::string& where, ProgressSink* progress,
                   const JpegReadOptions& options) {
    return WithImpExpErrors(where, kTitle, [&] { return Decode(file, progress, options); });
}

Picture LoadJpeg(const std::filesystem::path& path, ProgressSink* progress, const JpegReadOptions& options) {
    const std::vector<std::uint8_t> bytes = WithImpExpErrors(
        path.string(), kTitle, [&] { return ReadWholeFile(path, "Error Opening File\n" + path.string()); });
    return DecodeJpeg(bytes, path.string(), progress, options);
}

Picture LoadJpeg(const std::filesystem::path& path, ProgressSink* progress) {
    return LoadJpeg(path, progress, JpegReadOptions{});
}

#define LP_JPEG_TEXT(x) LP_JPEG_TEXT_(x)
#define LP_JPEG_TEXT_(x) #x

std::string JpegLibraryVersion() {
#ifdef LIBJPEG_TURBO_VERSION
    return "libjpeg-turbo " LP_JPEG_TEXT(LIBJPEG_TURBO_VERSION) " (libjpeg " LP_JPEG_TEXT(
        JPEG_LIB_VERSION) " interface)";
#else
    return "libjpeg " LP_JPEG_TEXT(JPEG_LIB_VERSION);
#endif
}

#undef LP_JPEG_TEXT
#undef LP_JPEG_TEXT_

}  // namespace lp
