#include "app/vectorize_command.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>

#include "app/command_options.h"
#include "formats/file_types.h"
#include "formats/format_table.h"
#include "base/imp_exp_exception.h"
#include "vector/vector_file.h"
#include "vector/vectorizer.h"

namespace lp {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;

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
    std::string outputName;
    std::optional<ColourRef> background;
    bool noOverlap = false;
    CommandOptions cli("--vectorize",
                       "--vectorize FILE --output OUT [--tolerance N] [--precision P]\n"
                       "                 [--background R,G,B] [--no-overlap]",
                       "Turns a picture into filled polygons, one per region of alike colour, and writes\n"
                       "them in the format of OUT's extension: .lvf, .wmf, .emf, .eps or .svg.\n",
                       "Exit status: 0 written, 1 the picture or the output failed, 2 usage error.\n");
    cli.Text("--output", outputName, "OUT", "the vector file to write");
    cli.Int("--tolerance", settings.tolerance, 0, 255, "N", "0..255 (default 0): channels alike within buckets of N+1");
    cli.Int("--precision", settings.precision, 0, 100, "P", "0..100 (default 100): lower values merge more points");
    cli.Colour("--background", background, "regions of this colour touching the border make no object");
    cli.Flag("--no-overlap", noOverlap, "outer objects get holes instead of being painted under inner ones");
    if (const int code = cli.Parse(args, stdout, stderr); code >= 0) return code;
    if (background) settings.background = *background;
    if (noOverlap) settings.overlapped = false;
    if (cli.Positionals().empty()) return cli.UsageError("no picture given", stderr);
    if (cli.Positionals().size() > 1) return cli.UsageError("give one picture", stderr);
    input = cli.Positionals()[0];
    if (outputName.empty()) return cli.UsageError("no --output given", stderr);
    output = outputName;
    const std::string ext = UpperExtension(*output);
    if (!VectorFormatForExtension(ext)) {
        std::fprintf(stderr, "lumaprism --vectorize: Unsupported Format. Don't know to save as %s.\n",
                     ext.empty() ? "(no extension)" : ext.c_str());
        return kCommandExitUsage;
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
