#include "formats/jpeg/jpeg_writer.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/atomic_file.h"
#include "formats/jpeg/jpeg_glue.h"
#include "base/imp_exp_exception.h"

namespace lp {

namespace {

using jpeg_detail::ErrorManager;
using jpeg_detail::Guarded;

constexpr const char* kTitle = "Jpeg Error";
constexpr std::size_t kChunk = 64 * 1024;

// Destination manager handing the library's output to a byte sink (a vector,
// the file being saved, or a counter). The compression object's client_data
// points at it.
struct ByteSinkDestination {
    jpeg_destination_mgr pub;
    ByteSink* out = nullptr;
    std::vector<JOCTET> buffer;

    // Never throws: it runs inside a library callback.
    bool Take(std::size_t bytes) noexcept {
        try {
            out->Write({buffer.data(), bytes});
            return true;
        } catch (...) {
            return false;
        }
    }
};

ByteSinkDestination& SinkOf(j_compress_ptr cinfo) { return *static_cast<ByteSinkDestination*>(cinfo->client_data); }

void InitDestination(j_compress_ptr cinfo) {
    ByteSinkDestination& d = SinkOf(cinfo);
    d.pub.next_output_byte = d.buffer.data();
    d.pub.free_in_buffer = d.buffer.size();
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
    ByteSinkDestination& d = SinkOf(cinfo);
    // The library's own stdio destination reports a failed write this way.
    if (!d.Take(d.buffer.size())) ERREXIT(cinfo, JERR_FILE_WRITE);
    d.pub.next_output_byte = d.buffer.data();
    d.pub.free_in_buffer = d.buffer.size();
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
    ByteSinkDestination& d = SinkOf(cinfo);
    if (!d.Take(d.buffer.size() - d.pub.free_in_buffer)) ERREXIT(cinfo, JERR_FILE_WRITE);
}

class Compressor {
public:
    Compressor() {
        std::memset(&m_cinfo, 0, sizeof m_cinfo);
        m_cinfo.err = jpeg_detail::InstallErrorManager(m_err);
        try {
            Guarded(m_err, [this] { jpeg_create_compress(&m_cinfo); });
        } catch (...) {
            jpeg_destroy_compress(&m_cinfo);  // no destructor runs for a failed constructor
            throw;
        }
    }
    ~Compressor() { jpeg_destroy_compress(&m_cinfo); }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    jpeg_compress_struct* operator->() { return &m_cinfo; }
    jpeg_compress_struct* get() { return &m_cinfo; }
    ErrorManager& err() { return m_err; }

private:
    ErrorManager m_err;
    jpeg_compress_struct m_cinfo;
};

void Encode(const Picture& picture, int quality, ProgressSink* progress, std::string_view caption, ByteSink& out) {
    Compressor cinfo;
    ByteSinkDestination sink;
    sink.out = &out;
    sink.buffer.resize(kChunk);
    sink.pub.init_destination = &InitDestination;
    sink.pub.empty_output_buffer = &EmptyOutputBuffer;
    sink.pub.term_destination = &TermDestination;
    quality = std::clamp(quality, 1, 100);

    const int height = picture.Height();
    Guarded(cinfo.err(), [&] {
        cinfo->dest = &sink.pub;
        cinfo->client_data = &sink;
        cinfo->image_width = static_cast<JDIMENSION>(picture.Width());
        cinfo->image_height = static_cast<JDIMENSION>(height);
        cinfo->input_components = 3;
        // The library's RGB path, fed our BGR rows directly: the file is the
        // same as from swapped RGB rows.
        cinfo->in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(cinfo.get());
        jpeg_set_quality(cinfo.get(), quality, FALSE);
        jpeg_start_compress(cinfo.get(), TRUE);
    });

    ProgressScope scope(progress, 0, 100, caption.empty() ? std::string_view("Saving JPEG File") : caption);
    while (cinfo->next_scanline < cinfo->image_height) {
        const JDIMENSION line = cinfo->next_scanline;
        // The library only reads the rows it is given.
        JSAMPROW row = const_cast<JSAMPROW>(picture.RowFromTop(static_cast<int>(line)).data());
        JDIMENSION written = 0;
        Guarded(cinfo.err(), [&] { written = jpeg_write_scanlines(cinfo.get(), &row, 1); });
        if (written != 1) throw InnerError("Output file write error --- out of disk space?");
        scope.Step(static_cast<long>(std::uint64_t(line + 1) * 100 / static_cast<std::uint64_t>(height)));
    }
    Guarded(cinfo.err(), [&] { jpeg_finish_compress(cinfo.get()); });
}

}  // namespace

void EncodeJpeg(const Picture& picture, int quality, ByteSink& out, ProgressSink* progress, std::string_view caption) {
    WithImpExpErrors("", kTitle, [&] { Encode(picture, quality, progress, caption, out); });
}

std::vector<std::uint8_t> EncodeJpeg(const Picture& picture, int quality, ProgressSink* progress,
                                     std::string_view caption) {
    std::vector<std::uint8_t> bytes;
    VectorSink sink(bytes);
    EncodeJpeg(picture, quality, sink, progress, caption);
    return bytes;
}

std::uint64_t MeasureJpegSize(const Picture& picture, int quality) {
    CountingSink sink;
    EncodeJpeg(picture, quality, sink);
    return sink.Written();
}

void SaveJpeg(const Picture& picture, const std::filesystem::path& path, int quality, ProgressSink* progress,
              std::string_view caption) {
    WithImpExpErrors(path.string(), kTitle, [&] {
        AtomicFileWriter file(path, "Error Opening File\n" + path.string(),
                              "Output file write error --- out of disk space?");
        Encode(picture, quality, progress, caption, file);
        file.Commit();
    });
}

}  // namespace lp
