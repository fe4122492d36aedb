#include "app/convert_command.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

#include "app/command_options.h"
#include "app/job_warnings.h"
#include "base/prompter.h"
#include "base/temp_file.h"
#include "document/picture_document.h"
#include "formats/file_types.h"
#include "formats/format_table.h"
#include "formats/gif/gif_colours.h"
#include "imaging/colour_count.h"
#include "base/imp_exp_exception.h"
#include "imaging/quantize_perceptual.h"
#include "imaging/resize.h"
#include "optimize/gif_optimizer.h"

namespace lp {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxJobs = 64;

const char* const kConvertSynopsis = "--convert IN... OUT | --convert IN... --out-dir DIR  [OPTIONS]";

const char* const kConvertFooter =
    "Examples:\n"
    "  lumaprism --convert photo.png photo.jpg --width 800 --smart --quality 70\n"
    "  lumaprism --convert logo.png logo.gif --colors 64 --quantizer precise\n"
    "  lumaprism --convert anim.gif small.gif --optimize-frames\n"
    "  lumaprism --convert *.png --out-dir web --format gif --colors 64 --jobs 2\n"
    "\n"
    "Exit status: 0 every file saved, 1 a file failed (an existing output is left\n"
    "intact), 2 usage error (nothing written).\n";

/// Text broken between words so that no line passes 79 columns.
std::string Wrapped(std::string_view text) {
    std::string out;
    std::size_t column = 0;
    while (!text.empty()) {
        const std::size_t space = text.find(' ');
        const std::string_view word = text.substr(0, space);
        text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
        if (column > 0 && column + 1 + word.size() > 79) {
            out += '\n';
            column = 0;
        } else if (column > 0) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
    }
    return out + "\n";
}

std::vector<const FormatRow*> WritableRows() {
    std::vector<const FormatRow*> rows;
    for (const FormatRow& row : FormatRows())
        if (row.CanWrite()) rows.push_back(&row);
    return rows;
}

/// The names --format takes are a writable row's extensions without the dot; each row is
/// shown by its last one (jpeg, tiff).
std::vector<std::string> ShownFormatNames() {
    std::vector<std::string> names;
    for (const FormatRow* row : WritableRows()) {
        std::string_view last;
        for (std::string_view e : row->extensions)
            if (!e.empty()) last = e;
        names.emplace_back(last.substr(1));
    }
    return names;
}

std::string FormatNamesText(std::string_view separator, std::string_view lastJoin) {
    const std::vector<std::string> names = ShownFormatNames();
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i) text += i + 1 == names.size() ? lastJoin : separator;
        text += names[i];
    }
    return text;
}

/// The writable row --format NAME chooses, or null.
const FormatRow* FormatNamed(std::string_view name) {
    if (name.empty() || name.front() == '.') return nullptr;
    const FormatRow* row = FindFormatByExtension("." + std::string(name));
    return row && row->CanWrite() ? row : nullptr;
}

std::string ConvertDescription() {
    std::string extensions;
    for (const FormatRow* row : WritableRows())
        for (std::string_view e : row->extensions)
            if (!e.empty()) extensions += (extensions.empty() ? "" : " ") + std::string(e);
    return Wrapped("Opens each IN (every frame of an animated GIF) and saves it in the format of its output's "
                   "extension (" + extensions +
                   ") or of --format. One input: OUT names the output (\"-\" writes the picture to standard "
                   "output and needs --format). Several inputs: --out-dir DIR receives each under its own name. "
                   "An existing output is replaced only once the new file is complete; an output that is its "
                   "own input is refused unless --in-place is given.");
}

std::string Upper(std::string text) {
    for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

/// Extensions naming the same writer compare equal (.JPG/.JPEG, .TIF/.TIFF): the row's
/// canonical one, upper case.
std::string WriterKey(std::string upperExtension) {
    const FormatRow* row = FindFormatByExtension(upperExtension);
    return row ? Upper(row->CanonicalExtension()) : upperExtension;
}

enum class Quantizer { Classic, Precise };

struct ConvertRequest {
    std::optional<int> width, height;
    std::optional<std::pair<int, int>> fit;
    bool smart = false;
    std::optional<int> colours;
    Quantizer quantizer = Quantizer::Classic;
    bool optimizeFrames = false;
    std::optional<int> frameTolerance;
    std::optional<ColourRef> background;
    std::optional<int> quality;
    std::string format;  // the extension --format names, "" when not given
    int jobs = 1;
    bool quiet = false;
    bool inPlace = false;
    bool yes = false;
};

struct Task {
    fs::path input;
    fs::path output;  // "-" for standard output
};

struct TaskResult {
    bool ok = false;
    std::string messages;  // warnings and errors, printed in input order
    std::vector<std::uint8_t> stdoutBytes;
};

/// The size the first frame is scaled to; width x height of the picture when nothing asks.
std::pair<std::int64_t, std::int64_t> TargetSize(const ConvertRequest& request, std::int64_t w, std::int64_t h) {
    auto atLeastOne = [](std::int64_t v) { return std::max<std::int64_t>(v, 1); };
    if (request.fit) {
        const std::int64_t boxW = request.fit->first, boxH = request.fit->second;
        // Within the box, aspect kept: the tighter side decides (compared exactly).
        if (boxW * h <= boxH * w) return {boxW, atLeastOne(h * boxW / w)};
        return {atLeastOne(w * boxH / h), boxH};
    }
    if (request.width && request.height) return {*request.width, *request.height};
    if (request.width) return {*request.width, atLeastOne(h * *request.width / w)};
    if (request.height) return {atLeastOne(w * *request.height / h), *request.height};
    return {w, h};
}

void ResizeFrames(GifFrameList& frames, GifInfo& info, const ConvertRequest& request) {
    const std::int64_t w = frames[0].picture.Width(), h = frames[0].picture.Height();
    const auto [newW, newH] = TargetSize(request, w, h);
    if (newW == w && newH == h) return;
    auto scaleX = [&, newW = newW](std::int64_t v) { return v * newW / w; };
    auto scaleY = [&, newH = newH](std::int64_t v) { return v * newH / h; };
    std::int64_t screenW = 0, screenH = 0;
    for (std::size_t i = 0; i < frames.Count(); ++i) {
        GifFrame& frame = frames[i];
        const std::int64_t fw = i == 0 ? newW : std::max<std::int64_t>(1, scaleX(frame.picture.Width()));
        const std::int64_t fh = i == 0 ? newH : std::max<std::int64_t>(1, scaleY(frame.picture.Height()));
        // Averaging would blend a transparent key into its neighbours.
        if (request.smart && frame.transparentColour == kNoColour)
            SmartResize(frame.picture, int(fw), int(fh), nullptr);
        else
            Resize(frame.picture, int(fw), int(fh));
        frame.left = int(std::min<std::int64_t>(scaleX(frame.left), 65535));
        frame.top = int(std::min<std::int64_t>(scaleY(frame.top), 65535));
        frame.colourCount = 0;
        screenW = std::max(screenW, frame.left + fw);
        screenH = std::max(screenH, frame.top + fh);
    }
    info.screenWidth = int(std::min<std::int64_t>(std::max(scaleX(info.screenWidth), screenW), 65535));
    info.screenHeight = int(std::min<std::int64_t>(std::max(scaleY(info.screenHeight), screenH), 65535));
}

/// The precise quantizer on one frame; a transparent key stays exact and out of the palette. It
/// clusters in plain RGB, minimising the mean squared error of the channels: the measure of how close
/// the result is to the original (PSNR). Clustering in a perceptual space gave about 2 dB less on photos.
void QuantizeFramePrecisely(GifFrame& frame, int colours) {
    Picture& picture = frame.picture;
    const ColourRef key = frame.transparentColour;
    std::vector<std::pair<int, int>> keyPixels;
    if (key != kNoColour) {
        for (int y = 0; y < picture.Height(); ++y) {
            const auto row = picture.Row(y);
            for (int x = 0; x < picture.Width(); ++x)
                if (MakeColour(row[3 * x + 2], row[3 * x + 1], row[3 * x]) == key) keyPixels.emplace_back(x, y);
        }
    }
    QuantizeOptions options;
    options.colours = std::max(1, keyPixels.empty() ? colours : colours - 1);
    options.space = QuantizeSpace::Rgb;
    const std::vector<ColourEntry> palette = QuantizeColours(picture, options);
    if (keyPixels.empty()) return;
    // A key the palette does not use: (v, 0, 0) with the smallest such v, else any free colour.
    ColourRef newKey = key;
    auto used = [&](ColourRef c) {
        return std::any_of(palette.begin(), palette.end(), [c](const ColourEntry& e) {
            return e.ToColour() == c;
        });
    };
    for (std::uint32_t v = 0; used(newKey) && v < 0x1000000; ++v)
        newKey = MakeColour(std::uint8_t(v & 0xFF), std::uint8_t((v >> 8) & 0xFF), std::uint8_t(v >> 16));
    for (const auto& [x, y] : keyPixels) {
        auto row = picture.Row(y);
        row[3 * x] = std::uint8_t((newKey >> 16) & 0xFF);
        row[3 * x + 1] = std::uint8_t((newKey >> 8) & 0xFF);
        row[3 * x + 2] = std::uint8_t(newKey & 0xFF);
    }
    frame.transparentColour = newKey;
}

void ReduceFrames(GifFrameList& frames, const ConvertRequest& request) {
    for (GifFrame& frame : frames) {
        if (request.quantizer == Quantizer::Precise)
            QuantizeFramePrecisely(frame, *request.colours);
        else
            ReduceGifFrameColours(frame, *request.colours);
        frame.colourCount = 0;
    }
}

void WriteMessages(std::FILE* err, const std::string& text) {
    if (!text.empty()) std::fwrite(text.data(), 1, text.size(), err);
}

TaskResult ConvertOne(const Task& task, const ConvertRequest& request, const AppSettings& settings) {
    TaskResult result;
    // Messages are kept for the file's result.
    DefaultAnswerPrompter prompter(request.yes, [&result](std::string_view text, std::string_view caption) {
        result.messages += "lumaprism: " + std::string(text) + " (" + std::string(caption) + ")\n";
    });
    DocumentServices services;
    services.prompter = &prompter;
    services.settings = &settings;
    services.measureSizes = false;  // nothing here shows sizes
    services.countColoursOnLoad = false;  // nor the count: writers count where they need it
    const bool toStdout = task.output == "-";
    const std::string outputExtension =
        toStdout || !request.format.empty() ? request.format : task.output.extension().string();
    const std::string outputKey = WriterKey(Upper(outputExtension));
    const std::string shownOutput = toStdout ? std::string("standard output") : task.output.string();
    // A one-picture target needs the first frame only; the file's header still tells how
    // many frames the warning names.
    const FormatRow* outputRow = FindFormatByExtension(outputExtension);
    services.firstFrameOnly = outputRow && outputRow->accepts.maxFrames == 1;
    COrvantixDoc document(std::move(services));
    if (!document.Open(task.input)) {
        if (result.messages.empty()) result.messages = "lumaprism: " + task.input.string() + ": cannot be opened\n";
        return result;
    }
    if (!request.quiet) {
        if (const std::string w = KeptFirstFrameWarning(shownOutput, outputKey == ".GIF", document.FileFrameCount());
            !w.empty())
            result.messages += w + "\n";
        if (request.quality && outputKey != ".JPG")
            result.messages += "warning: --quality applies to JPEG output only; ignored for " + shownOutput + "\n";
    }
    // Without edits the pictures stay as they were opened (no copy, no recount).
    const bool edits = request.width || request.height || request.fit || request.colours ||
                       (request.optimizeFrames && document.FrameCount() >= 2);
    if (edits) {
        try {
            // Moved out and back: no copy of the pictures.
            GifFrameList frames = std::move(document.Frames());
            GifInfo info = document.AnimationInfo();
            if (request.width || request.height || request.fit) ResizeFrames(frames, info, request);
            if (request.colours) ReduceFrames(frames, request);
            if (request.optimizeFrames && frames.Count() >= 2) {
                // Cut-out keeps a pixel out when its distance is <= t, transparency clears it when < t + 1:
                // both treat exactly the pixels within the tolerance as unchanged.
                const int tolerance = request.frameTolerance.value_or(0);
                GifFrameOptimizer optimizer(tolerance, tolerance + 1, false, GifTransparencyChoice::Smallest);
                if (tolerance == 0) {
                    // Exact: frames rebuilt from what the input shows, disposals chosen per frame.
                    optimizer.OptimizeLossless(frames, info);
                } else {
                    optimizer.CutOut(frames, info);
                    optimizer.MakeTransparent(frames, info);
                }
            }
            document.AdoptContent(std::move(frames), info);
        } catch (const ImpExpException& e) {
            result.messages += "lumaprism: " + task.input.string() + ": " + e.Message() + " (" + e.Title() + ")\n";
            return result;
        } catch (const std::bad_alloc&) {
            result.messages += "lumaprism: " + task.input.string() + ": Not Enough Memory\n";
            return result;
        }
    }
    if (request.quality) document.SetJpegQuality(*request.quality);

    if (!toStdout) {
        // --format agrees with the output's extension (checked before any work).
        result.ok = document.SavePicture(task.output);
        return result;
    }
    const UniqueTempFile temp(request.format);
    if (!document.SavePicture(temp.Path())) return result;
    std::ifstream in(temp.Path(), std::ios::binary);
    result.stdoutBytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    result.ok = bool(in) || in.eof();
    return result;
}

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    if (fs::equivalent(a, b, ec)) return true;
    return fs::weakly_canonical(fs::absolute(a, ec), ec) == fs::weakly_canonical(fs::absolute(b, ec), ec);
}

}  // namespace

int RunConvert(std::span<const std::string> args, const AppSettings& settings, std::FILE* out, std::FILE* err) {
    ConvertRequest request;
    Shard shard;
    std::string outDir, quantizer = "classic", format;
    int width = 0, height = 0, colours = 0, frameTolerance = 0, quality = 0;
    std::optional<ColourRef> background;
    std::optional<std::pair<int, int>> fit;
    CommandOptions options("--convert", kConvertSynopsis, ConvertDescription(), kConvertFooter);
    CLI::Option* widthOption = options.Int("--width", width, 1, 65535, "N",
                                           "width in pixels (alone: the height keeps the aspect)",
                                           "a width from 1 to 65535");
    CLI::Option* heightOption = options.Int("--height", height, 1, 65535, "N",
                                            "height in pixels (alone: the width keeps the aspect)",
                                            "a height from 1 to 65535");
    CLI::Option* fitOption = options.Custom(
        "--fit", "WxH", "fit within W x H pixels, aspect kept", "WxH with each from 1 to 65535",
        [&fit](const std::string& text) -> std::string {
            const std::size_t x = text.find_first_of("xX");
            const auto w = x == std::string::npos ? std::nullopt : ParseIntValue(text.substr(0, x), 1, 65535);
            const auto h = x == std::string::npos ? std::nullopt : ParseIntValue(text.substr(x + 1), 1, 65535);
            if (!w || !h) return "'" + text + "' is not WxH with each from 1 to 65535";
            fit = std::pair<int, int>(int(*w), int(*h));
            return {};
        });
    options.Flag("--smart", request.smart,
                 "area-averaging resize: smoother, the better choice for photos (default: nearest pixel)");
    CLI::Option* coloursOption =
        options.Int("--colors", colours, 1, 256, "N", "reduce to N colours (GIF, PNG as palette PNG, RLE, DIB)",
                    "a colour count from 1 to 256");
    options.Custom("--quantizer", "NAME",
                   "classic (default): popularity reduction; precise: variance median cut\n"
                   "refined by k-means, closer to the original at the same count",
                   "classic or precise", [&quantizer](const std::string& text) -> std::string {
                       if (text != "classic" && text != "precise") return "'" + text + "' is not classic or precise";
                       quantizer = text;
                       return {};
                   });
    options.Flag("--optimize-frames", request.optimizeFrames,
                 "animations: cut every frame down to its changes and clear unchanged pixels, choosing\n"
                 "the smallest encoding; lossless: every frame shows exactly as before (GIF output)");
    CLI::Option* toleranceOption = options.Int(
        "--frame-tolerance", frameTolerance, 0, 765, "N",
        "with --optimize-frames: pixels within N (|dR|+|dG|+|dB|) of what is shown count as\n"
        "unchanged (lossy above 0; default 0)",
        "a tolerance from 0 to 765");
    options.Colour("--background", background, "background colour behind transparent pixels (default: the setting)");
    CLI::Option* qualityOption =
        options.Int("--quality", quality, 1, 100, "Q", "JPEG quality (default: the JpegQuality setting)",
                    "a quality from 1 to 100");
    options.Custom("--format", "NAME", "write this format: " + FormatNamesText(" ", " "), FormatNamesText(", ", " or "),
                   [&format](const std::string& text) -> std::string {
                       if (const FormatRow* row = FormatNamed(text)) {
                           format = row->CanonicalExtension();
                           return {};
                       }
                       return "'" + text + "' is not " + FormatNamesText(", ", " or ");
                   });
    options.Text("--out-dir", outDir, "DIR", "write every output into DIR, named after its input");
    options.Int("--jobs", request.jobs, 1, kMaxJobs, "N",
                "convert N files at once (results are the same as with one)", "a number from 1 to 64");
    options.ShardOption(shard);
    options.Flag("--in-place", request.inPlace, "allow an output to replace its own input");
    options.Flag("--quiet", request.quiet, "no warnings (errors are still shown)");
    options.Flag("--yes", request.yes, "answer Yes to every question (default: the question's default answer)");
    fitOption->excludes(widthOption)->excludes(heightOption);
    toleranceOption->needs(options.App().get_option("--optimize-frames"));
    if (const int code = options.Parse(args, out, err); code >= 0) return code;

    if (widthOption->count()) request.width = width;
    if (heightOption->count()) request.height = height;
    request.fit = fit;
    if (coloursOption->count()) request.colours = colours;
    request.quantizer = quantizer == "precise" ? Quantizer::Precise : Quantizer::Classic;
    if (toleranceOption->count()) request.frameTolerance = frameTolerance;
    if (qualityOption->count()) request.quality = quality;
    request.background = background;
    request.format = format;

    // Inputs and outputs.
    std::vector<std::string> names = options.Positionals();
    std::vector<Task> tasks;
    if (!outDir.empty()) {
        if (names.empty()) return options.UsageError("--convert needs at least one input", err);
        std::error_code ec;
        if (!fs::is_directory(outDir, ec))
            return options.UsageError("--out-dir: '" + outDir + "' is not a folder", err);
        for (const std::string& name : ShardOf(names, shard)) {
            fs::path output = fs::path(outDir) / fs::path(name).filename();
            if (!format.empty()) output.replace_extension(format);
            tasks.push_back({name, output});
        }
    } else {
        if (names.size() < 2)
            return options.UsageError("--convert needs an input and an output file, or --out-dir DIR", err);
        if (names.size() > 2)
            return options.UsageError(
                "--convert needs an input and an output file; several inputs need --out-dir DIR", err);
        if (names[1] == "-" && format.empty())
            return options.UsageError("writing to standard output (\"-\") needs --format NAME", err);
        if (names[1] != "-" && !format.empty() &&
            WriterKey(Upper(fs::path(names[1]).extension().string())) != WriterKey(Upper(format)))
            return options.UsageError("--format does not match the extension of " + names[1], err);
        for (const std::string& name : ShardOf({names[0]}, shard)) tasks.push_back({name, names[1]});
    }
    for (const Task& task : tasks) {
        if (task.output == "-") continue;
        const std::string key = WriterKey(Upper(format.empty() ? task.output.extension().string() : format));
        if (request.colours && key != ".GIF" && key != ".PNG" && key != ".RLE" && key != ".DIB")
            return options.UsageError("--colors applies to GIF, PNG, RLE and DIB outputs, not to " +
                                          task.output.string(),
                                      err);
        if (request.optimizeFrames && key != ".GIF")
            return options.UsageError("--optimize-frames needs a GIF output, not " + task.output.string(), err);
        if (!request.inPlace && SameFile(task.input, task.output))
            return options.UsageError(task.output.string() + " is its own input; give --in-place to replace it",
                                      err);
    }
    if (request.optimizeFrames && format.empty() && !tasks.empty() && tasks.front().output == "-")
        return options.UsageError("--optimize-frames needs a GIF output", err);

    AppSettings effective = settings;
    if (request.background) {
        effective.bgRed = RedOf(*request.background);
        effective.bgGreen = GreenOf(*request.background);
        effective.bgBlue = BlueOf(*request.background);
    }

    std::vector<TaskResult> results(tasks.size());
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i = next++; i < tasks.size(); i = next++) results[i] = ConvertOne(tasks[i], request, effective);
    };
    const std::size_t threads = std::min<std::size_t>(std::size_t(request.jobs), tasks.size());
    if (threads <= 1) {
        work();
    } else {
        std::vector<std::jthread> pool;
        for (std::size_t t = 0; t < threads; ++t) pool.emplace_back(work);
    }
    bool failed = false;
    for (const TaskResult& result : results) {
        WriteMessages(err, result.messages);
        if (!result.stdoutBytes.empty()) std::fwrite(result.stdoutBytes.data(), 1, result.stdoutBytes.size(), out);
        failed = failed || !result.ok;
    }
    std::fflush(out);
    return failed ? kCommandExitFailed : kCommandExitOk;
}

}  // namespace lp
