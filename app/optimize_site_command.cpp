#include "app/optimize_site_command.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <optional>
#include <string_view>
#include <unistd.h>

#include "base/data_folders.h"
#include "base/prompter.h"
#include "batch/apply_batch_macro.h"
#include "batch/batch_macro.h"
#include "web/batch_site_images.h"
#include "web/internet_settings.h"
#include "web/site_optimizer.h"

namespace lp {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "Usage: lumaprism --optimize-site URL OUTDIR [--levels N] [--no-alt] [--no-width]\n"
    "                 [--no-height] [--macro NAME.TPL] [--report FILE] [--mirror-only]\n"
    "\n"
    "Downloads the web site at URL into OUTDIR (one folder per server, the server's\n"
    "paths below it), adds ALT, WIDTH and HEIGHT to image tags that lack them, and\n"
    "optimizes the site's images with the batch macro (resized to the size the pages\n"
    "declare). Prints the site report; --report also saves it.\n"
    "\n"
    "  --levels N       page levels to follow, 1 = the start page only, 6 = all\n"
    "                   (default: the macro's, 1 without a macro)\n"
    "  --no-alt, --no-width, --no-height   do not add that attribute\n"
    "  --macro NAME     batch macro: TEMPLATE/NAME(.TPL), or a file path when NAME has a \"/\"\n"
    "  --report FILE    save the report text to FILE\n"
    "  --mirror-only    only download: no attributes added, no image optimized\n"
    "\n"
    "Exit status: 0 done, 1 the site could not be fetched or a step failed, 2 usage.\n";

struct Arguments {
    std::string url;
    std::filesystem::path outputDir;
    std::optional<int> levels;
    bool noAlt = false, noWidth = false, noHeight = false;
    bool mirrorOnly = false;
    std::string macro;
    std::filesystem::path report;
};

int Usage(std::FILE* err, const std::string& problem) {
    if (!problem.empty()) std::fprintf(err, "lumaprism: %s\n\n", problem.c_str());
    std::fputs(kUsage, err);
    return kExitUsage;
}

/// Nothing when the arguments are not usable; the problem is in `problem`.
std::optional<Arguments> Parse(std::span<const std::string> args, std::string& problem) {
    Arguments parsed;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size()) {
                problem = arg + " needs a value";
                return std::nullopt;
            }
            return args[++i];
        };
        if (arg == "--levels") {
            const auto text = value();
            if (!text) return std::nullopt;
            int levels = 0;
            const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), levels);
            if (ec != std::errc() || end != text->data() + text->size() || levels < 1) {
                problem = "--levels needs a whole number of 1 or more, not '" + *text + "'";
                return std::nullopt;
            }
            parsed.levels = std::min(levels, 6);
        } else if (arg == "--no-alt") {
            parsed.noAlt = true;
        } else if (arg == "--no-width") {
            parsed.noWidth = true;
        } else if (arg == "--no-height") {
            parsed.noHeight = true;
        } else if (arg == "--mirror-only") {
            parsed.mirrorOnly = true;
        } else if (arg == "--macro") {
            const auto text = value();
            if (!text) return std::nullopt;
            parsed.macro = *text;
        } else if (arg == "--report") {
            const auto text = value();
            if (!text) return std::nullopt;
            parsed.report = *text;
        } else if (arg == "--help") {
            problem.clear();
            return std::nullopt;
        } else if (arg.starts_with("--")) {
            problem = "unknown option '" + arg + "'";
            return std::nullopt;
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2) {
        problem = "give a URL and an output folder";
        return std::nullopt;
    }
    parsed.url = positional[0];
    parsed.outputDir = positional[1];
    if (parsed.url.empty() || parsed.outputDir.empty()) {
        problem = "the URL and the output folder may not be empty";
        return std::nullopt;
    }
    return parsed;
}

/// The status line on a terminal: one line, rewritten in place.
class TerminalStatus {
public:
    explicit TerminalStatus(std::FILE* err) : m_err(err), m_tty(::isatty(::fileno(err)) == 1) {}
    void Show(std::string_view text) {
        if (!m_tty) return;
        std::fprintf(m_err, "\r\033[K%.*s", static_cast<int>(text.size()), text.data());
        std::fflush(m_err);
    }
    void Finish() {
        if (m_tty) std::fputs("\r\033[K", m_err);
    }

private:
    std::FILE* m_err;
    bool m_tty;
};

}  // namespace

int RunOptimizeSite(std::span<const std::string> args, const AppSettings& settings, std::FILE* out, std::FILE* err) {
    std::string problem;
    const auto parsed = Parse(args, problem);
    if (!parsed) {
        if (problem.empty()) {
            std::fputs(kUsage, out);
            return kExitOk;
        }
        return Usage(err, problem);
    }

    const DataFolders folders = DataFolders::FromEnvironment();
    BatchMacro macro("Default");
    if (!parsed->macro.empty()) {
        try {
            const std::filesystem::path file = parsed->macro.find('/') != std::string::npos
                                                   ? std::filesystem::path(parsed->macro)
                                                   : MacroPath(parsed->macro, folders);
            macro = LoadBatchMacroFile(file);
        } catch (const std::exception& e) {
            std::fprintf(err, "lumaprism: %s\n", e.what());
            return kExitFailed;
        }
    }

    SiteOptions options;
    options.levels = parsed->levels.value_or(std::max(1, macro.htmlLevels));
    options.addTags = macro.addTags != 0;
    options.addAlt = macro.addAlt != 0 && !parsed->noAlt;
    options.addWidth = macro.addWidth != 0 && !parsed->noWidth;
    options.addHeight = macro.addHeight != 0 && !parsed->noHeight;
    options.resizeImages = macro.resizeImages != 0;
    if (parsed->mirrorOnly) options.addTags = false;

    std::error_code ec;
    std::filesystem::create_directories(parsed->outputDir, ec);
    if (ec || !std::filesystem::is_directory(parsed->outputDir, ec)) {
        std::fprintf(err, "lumaprism: cannot use the output folder %s\n", parsed->outputDir.string().c_str());
        return kExitFailed;
    }

    DefaultAnswerPrompter prompter;
    BatchContext context;
    context.folders = &folders;
    context.prompter = &prompter;
    context.smartResizeSetting = settings.smartReSize != 0;
    context.skipCountsAsFailure = true;
    BatchSiteImageProcessor images(macro, context);

    TerminalStatus status(err);
    SiteJobList jobs;
    SiteJobEnvironment env;
    env.internet = InternetSettingsOf(settings);
    env.prompter = &prompter;
    env.stop = &jobs.Stop();
    env.images = parsed->mirrorOnly ? nullptr : &images;
    env.modemSpeed = settings.modemSpeed;
    env.statusPause = std::chrono::milliseconds(0);
    env.onStatus = [&status](std::string_view text) { status.Show(text); };
    env.onFinished = [&jobs](CSiteOptimizer& job) { jobs.Finished(job); };

    CSiteOptimizer job(parsed->url, parsed->outputDir, options, std::move(env));
    if (!jobs.Start(job, &prompter)) return kExitFailed;
    job.Wait();
    status.Finish();

    for (const std::string& failure : job.Failures()) std::fprintf(err, "lumaprism: %s\n", failure.c_str());
    if (!job.LimitReached().empty())
        std::fprintf(err, "lumaprism: the download ended early: %s\n", job.LimitReached().c_str());

    const SiteReport& report = job.Report();
    const std::string text = SiteSummaryText(report) + SiteAnalysisText(report);
    std::fputs(text.c_str(), out);

    bool ok = !job.StartFailed();
    if (!parsed->report.empty() && !SaveSiteReport(report, parsed->report)) {
        std::fprintf(err, "lumaprism: cannot write the report %s\n", parsed->report.string().c_str());
        ok = false;
    }
    // Images the batch engine could not optimize make the run fail; pages and
    // images the server did not deliver are listed above but do not.
    if (job.ImageStepFailures() > 0) ok = false;
    return ok ? kExitOk : kExitFailed;
}

}  // namespace lp
