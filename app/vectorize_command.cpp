#include "app/vectorize_command.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>

#include "formats/file_types.h"
#include "formats/format_table.h"
#include "base/imp_exp_exception.h"
#include "vector/vector_file.h"
#include "vector/vectorizer.h"

namespace lp {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char* kVectorizeUsage =
    "Usage: lumaprism --vectorize FILE --output OUT [--tolerance N] [--precision P]\n"
    "                 [--background R,G,B] [--no-overlap]\n"
    "\n"
    "Turns a picture into filled polygons, one per region of alike colour, and writes\n"
    "them in the format of OUT's extension: .lvf, .wmf, .emf, .eps or .svg.\n"
    "  --tolerance N        0..255 (default 0): channels alike within buckets of N+1\n"
    "  --precision P        0..100 (default 100): lower values merge more points\n"
    "  --background R,G,B   regions of this colour touching the border make no object\n"
    "  --no-overlap         outer objects get holes instead of being painted under\n"
    "                       inner ones\n";

int Usage(const char* problem) {
    if (problem) std::fprintf(stderr, "lumaprism --vectorize: %s\n\n", problem);
    std::fputs(kVectorizeUsage, stderr);
    return kExitUsage;
}

std::optional<int> ParseInt(std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high) return std::nullopt;
    return value;
}

std::optional<ColourRef> ParseColour(std::string_view text) {
    int channel[3];
    for (int i = 0; i < 3; ++i) {
        const std::size_t comma = i < 2 ? text.find(',') : text.size();
        if (comma == std::string_view::npos) return std::nullopt;
        const auto value = ParseInt(text.substr(0, comma), 0, 255);
        if (!value) return std::nullopt;
        channel[i] = *value;
        text.remove_prefix(i < 2 ? comma + 1 : text.size());
    }
    return MakeColour(std::uint8_t(channel[0]), std::uint8_t(channel[1]), std::uint8_t(channel[2]));
}

std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\n') c = ' ';
    return text;
}

}  // namespace

int RunVectorizeCommand(std::span<const std::string> args) {
    std::optional<std::filesystem::path> input, output;
    // Unlike the dialog (precision 0), the command line keeps every corner
    // unless asked: at 0 a circle comes out as a pentagon.
    VectorizerSettings settings;
    settings.precision = 100;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> const std::string* { return i + 1 < args.size() ? &args[++i] : nullptr; };
        if (arg == "--help") {
            std::fputs(kVectorizeUsage, stdout);
            return kExitOk;
        }
        if (arg == "--output") {
            const std::string* v = value();
            if (!v || v->empty()) return Usage("--output needs a file name");
            output = *v;
        } else if (arg == "--tolerance") {
            const std::string* v = value();
            const auto n = v ? ParseInt(*v, 0, 255) : std::nullopt;
            if (!n) return Usage("--tolerance needs a number from 0 to 255");
            settings.tolerance = *n;
        } else if (arg == "--precision") {
            const std::string* v = value();
            const auto n = v ? ParseInt(*v, 0, 100) : std::nullopt;
            if (!n) return Usage("--precision needs a number from 0 to 100");
            settings.precision = *n;
        } else if (arg == "--background") {
            const std::string* v = value();
            const auto c = v ? ParseColour(*v) : std::nullopt;
            if (!c) return Usage("--background needs R,G,B with each from 0 to 255");
            settings.background = *c;
        } else if (arg == "--no-overlap") {
            settings.overlapped = false;
        } else if (arg.starts_with("--")) {
            const std::string problem = "unknown option '" + arg + "'";
            return Usage(problem.c_str());
        } else if (!input) {
            input = arg;
        } else {
            return Usage("give one picture");
        }
    }
    if (!input) return Usage("no picture given");
    if (!output) return Usage("no --output given");
    const std::string ext = UpperExtension(*output);
    if (!VectorFormatForExtension(ext)) {
        std::fprintf(stderr, "lumaprism --vectorize: Unsupported Format. Don't know to save as %s.\n",
                     ext.empty() ? "(no extension)" : ext.c_str());
        return kExitUsage;
    }

    try {
        DecodeOptions options;
        options.firstFrameOnly = true;
        const Picture picture = std::move(DecodePictureFile(ReadPictureFile(*input), options).frames[0].picture);
        CVectorizer vectorizer(settings);
        const VectorizeResult result = vectorizer.Run(picture);
        if (!result.Complete())
            std::fprintf(stderr, "lumaprism --vectorize: %s: %s\n", CVectorizer::kErrorTitle,
                         OneLine(result.stopMessage).c_str());
        WriteVectorFile(result.drawing, *output);
        std::size_t holes = 0, points = 0;
        for (const VectorObject& object : result.drawing.objects) {
            holes += object.holeCount;
            points += object.points.size();
        }
        std::printf("%s: %zu objects, %zu holes, %zu points\n", output->string().c_str(), result.drawing.objects.size(),
                    holes, points);
        return result.Complete() ? kExitOk : kExitFailed;
    } catch (const ImpExpException& e) {
        std::fprintf(stderr, "lumaprism --vectorize: %s: %s\n", e.Title().c_str(), OneLine(e.Message()).c_str());
        return kExitFailed;
    } catch (const std::bad_alloc&) {
        std::fputs("lumaprism --vectorize: Not enough Memory\n", stderr);
        return kExitFailed;
    }
}

}  // namespace lp
