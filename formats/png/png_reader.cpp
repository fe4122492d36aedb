#include "formats/png/png_reader.h"

#include <cstring>
#include <new>
#include <vector>

#include "formats/io/bounded_reader.h"
#include "formats/png/png_glue.h"
#include "base/imp_exp_exception.h"

namespace lp {

namespace {

using png_detail::ErrorContext;
using png_detail::Guarded;

constexpr const char* kTitle = "Png Error";

struct MemoryInput {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position;
};

void ReadFn(png_structp png, png_bytep out, png_size_t length) {
    auto* in = static_cast<MemoryInput*>(png_get_io_ptr(png));
    // The text libpng's own stdio reader gives when the file ends early.
    if (length > in->size - in->position) png_error(png, "Read Error");
    std::memcpy(out, in->data + in->position, length);
    in->position += length;
}

// Owns the read and info structures; destroyed on every path.
class PngReadHandle {
public:
    explicit PngReadHandle(ErrorContext& ctx) : m_ctx(ctx) {
        Guarded(ctx, [this] {
            m_png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &m_ctx, &png_detail::ErrorFn, &png_detail::WarningFn);
            if (m_png) m_info = png_create_info_struct(m_png);
        });
        if (!m_png || !m_info) {
            Destroy();
            throw InnerError("Not Enough Memory to Complete Operation");
        }
    }
    ~PngReadHandle() { Destroy(); }
    PngReadHandle(const PngReadHandle&) = delete;
    PngReadHandle& operator=(const PngReadHandle&) = delete;

    png_structp png() const { return m_png; }
    png_infop info() const { return m_info; }

private:
    void Destroy() {
        if (m_png) png_destroy_read_struct(&m_png, m_info ? &m_info : nullptr, nullptr);
        m_png = nullptr;
        m_info = nullptr;
    }
    ErrorContext& m_ctx;
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
};

struct Header {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int interlace = 0;
    bool hasTrns = false;
    bool hasBkgd = false;
};

// Requests the transformations that turn any PNG into 8-bit BGR rows: palette
// and low-depth grey expanded, tRNS made alpha, alpha composited over the
// background, 16-bit samples cut to their high byte, grey widened to three
// channels. No gamma correction and no sBIT shift: pixels arrive as stored.
void RequestTransforms(png_structp png, png_infop info, const Header& h, ColourRef background) {
    if (h.colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (h.colourType == PNG_COLOR_TYPE_GRAY && h.bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (h.hasTrns) png_set_tRNS_to_alpha(png);
    if ((h.colourType & PNG_COLOR_MASK_ALPHA) != 0 || h.hasTrns) {
        // Composite in the stored values. With a gAMA chunk libpng would
        // otherwise blend in linear light and re-encode: gamma handling that
        // pixels read as stored must not get. Declaring file and screen
        // linear makes every gamma step an identity.
        png_set_gamma(png, 1.0, 1.0);
        png_color_16p fileBackground = nullptr;
        if (h.hasBkgd && png_get_bKGD(png, info, &fileBackground) != 0 && fileBackground) {
            png_set_background(png, fileBackground, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
        } else {
            // The caller's colour is given at 8 bits; libpng scales it itself
            // when a 16-bit file is cut to 8 bits after composition.
            const ColourRef bg = background == kNoColour ? 0 : background;
            png_color_16 colour{};
            colour.red = RedOf(bg);
            colour.green = GreenOf(bg);
            colour.blue = BlueOf(bg);
            // For grey images libpng composites on the grey value when the
            // colour is grey, else it widens the image to RGB first.
            colour.gray = colour.red;
            png_set_background(png, &colour, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
        }
    }
    if (h.bitDepth == 16) png_set_strip_16(png);
    if (h.bitDepth < 8) png_set_packing(png);
    if ((h.colourType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
    png_set_bgr(png);
}

Picture Decode(std::span<const std::uint8_t> data, ColourRef background, ProgressSink* progress,
               const ImageLimits& limits) {
    ErrorContext ctx{};
    PngReadHandle handle(ctx);
    png_structp png = handle.png();
    png_infop info = handle.info();
    MemoryInput input{data.data(), data.size(), 0};

    Header h;
    Guarded(ctx, [&] {
        png_set_read_fn(png, &input, &ReadFn);
        png_read_info(png, info);
        png_get_IHDR(png, info, &h.width, &h.height, &h.bitDepth, &h.colourType, &h.interlace, nullptr, nullptr);
        h.hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
        h.hasBkgd = png_get_valid(png, info, PNG_INFO_bKGD) != 0;
    });
    CheckImageSize(h.width, h.height, limits);
    // Deflate expands at most about 1032 times: a file too small to hold the
    // declared pixels fails before a large picture is allocated.
    const std::uint64_t sourceChannels =
        (h.colourType & PNG_COLOR_MASK_COLOR ? 3u : 1u) + (h.colourType & PNG_COLOR_MASK_ALPHA ? 1u : 0u);
    const std::uint64_t bitsPerPixel =
        h.colourType == PNG_COLOR_TYPE_PALETTE ? h.bitDepth : sourceChannels * h.bitDepth;
    const std::uint64_t leastPixelBytes = (std::uint64_t(h.width) * bitsPerPixel + 7) / 8 * h.height;
    if (leastPixelBytes > (std::uint64_t(input.size - input.position) + 64) * 1032)
        throw InnerError("Not enough image data");

    int passes = 1;
    int channels = 0;
    int depth = 0;
    Guarded(ctx, [&] {
        RequestTransforms(png, info, h, background);
        passes = png_set_interlace_handling(png);
        png_read_update_info(png, info);
        channels = png_get_channels(png, info);
        depth = png_get_bit_depth(png, info);
    });
    if (channels != 3 || depth != 8) throw InnerError("Unsupported File Format");

    Picture picture;
    try {
        picture.Create(static_cast<std::int32_t>(h.width), static_cast<std::int32_t>(h.height));
    } catch (const ImpExpException&) {
        throw InnerError("Not Enough Memory");
    }

    // Rows go straight into the picture. For interlaced files every pass
    // reads into the same rows, so libpng merges each pass into the pixels of
    // the earlier ones and the final picture is complete.
    const int height = static_cast<int>(h.height);
    ProgressScope scope(progress, 0, height, "Loading PNG File ..");
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < height; ++y) {
            scope.Step(y);
            png_bytep row = picture.RowFromTop(y).data();
            Guarded(ctx, [&] { png_read_row(png, row, nullptr); });
        }
    }
    Guarded(ctx, [&] { png_read_end(png, nullptr); });
    return picture;
}

}  // namespace

Picture DecodePng(std::span<const std::uint8_t> file, const std::string& where, ColourRef background,
                  ProgressSink* progress, const ImageLimits& limits) {
    return WithImpExpErrors(where, kTitle, [&] { return Decode(file, background, progress, limits); });
}

Picture LoadPng(const std::filesystem::path& path, ColourRef background, ProgressSink* progress,
                const ImageLimits& limits) {
    const std::vector<std::uint8_t> bytes = WithImpExpErrors(
        path.string(), kTitle, [&] { return ReadWholeFile(path, "Error Opening File\n" + path.string()); });
    return DecodePng(bytes, path.string(), background, progress, limits);
}

Picture LoadPng(const std::filesystem::path& path, ColourRef background, ProgressSink* progress) {
    return LoadPng(path, background, progress, ImageLimits{});
}

std::string PngLibraryVersion() { return "libpng " PNG_LIBPNG_VER_STRING; }

}  // namespace lp
