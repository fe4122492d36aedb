#include "app/optimize_site_command.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <optional>
#include <string_view>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "app/command_options.h"
#include "base/data_folders.h"
#include "base/prompter.h"
#include "batch/apply_batch_macro.h"
#include "batch/batch_macro.h"
#include "web/batch_site_images.h"
#include "web/internet_settings.h"
#include "web/site_optimizer.h"
#include "web/site_report.h"

namespace lp {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;

constexpr const char* kSynopsis =
    "--optimize-site URL OUTDIR [--levels N] [--no-alt] [--no-width]\n"
    "                 [--no-height] [--macro NAME.TPL] [--report FILE] [--mirror-only] [--json] [--yes]";
constexpr const char* kDescription =
    "Downloads the web site at URL into OUTDIR (one folder per server, the server's\n"
    "paths below it), adds ALT, WIDTH and HEIGHT to image tags that lack them, and\n"
    "optimizes the site's images with the batch macro (resized to the size the pages\n"
    "declare). Prints the site report; --report also saves it.\n";
constexpr const char* kFooter =
    "Exit status: 0 done, 1 the site could not be fetched or a step failed, 2 usage.\n";

struct Arguments {
    std::string url;
    std::filesystem::path outputDir;
    std::optional<int> levels;
    bool noAlt = false, noWidth = false, noHeight = false;
    bool mirrorOnly = false;
    bool json = false, yes = false;
    std::string macro;
    std::filesystem::path report;
};

std::string ReportJson(const SiteReport& r, const std::vector<std::string>& failures, const std::string& limit) {
    nlohmann::ordered_json json = {
        {"url", r.url},
        {"outputDir", r.outputDir},
        {"levels", r.levels},
        {"htmlFiles", r.htmlFiles},
        {"imageFiles", r.imageFiles},
        {"imagesProcessed", r.imagesProcessed},
        {"altAdded", r.altCount},
        {"widthAdded", r.widthCount},
        {"heightAdded", r.heightCount},
        {"tagsAttached", r.TagsAttached()},
        {"bytesBefore", r.bytesBefore},
        {"bytesAfter", r.bytesAfter},
        {"improvementPercent", r.improvement},
        {"modemSpeed", r.modemSpeed},
        {"pageDownloadSeconds", r.PageDownloadTime()},
        {"designRating", std::string(RateDesign(r.TagsAttached()))},
        {"downloadRating", std::string(RateDownloadTime(r.PageDownloadTime()))},
        {"improvementRating", std::string(RateImprovement(r.improvement))},
        {"failures", failures},
    };
    if (!limit.empty()) json["endedEarly"] = limit;
    return json.dump(2) + "\n";
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
    Arguments parsedArguments;
    Arguments* parsed = &parsedArguments;
    int levels = 1;
    std::string reportFile;
    CommandOptions cli("--optimize-site", kSynopsis, kDescription, kFooter);
    CLI::Option* levelsOption =
        cli.Int("--levels", levels, 1, 1000000, "N",
                "page levels to follow, 1 = the start page only, 6 or more = all\n"
                "(default: the macro's, 1 without a macro)",
                "a whole number of 1 or more");
    cli.Flag("--no-alt", parsed->noAlt, "do not add ALT");
    cli.Flag("--no-width", parsed->noWidth, "do not add WIDTH");
    cli.Flag("--no-height", parsed->noHeight, "do not add HEIGHT");
    cli.Text("--macro", parsed->macro, "NAME",
             "batch macro: TEMPLATE/NAME(.TPL), or a file path when NAME has a \"/\"");
    cli.Text("--report", reportFile, "FILE", "save the report text to FILE");
    cli.Flag("--mirror-only", parsed->mirrorOnly, "only download: no attributes added, no image optimized");
    cli.Flag("--json", parsed->json, "print the site report as JSON instead of text");
    cli.Flag("--yes", parsed->yes,
             "answer Yes to every question (for example: resize the frames of an animation to\n"
             "its declared size) instead of the default answer");
    if (const int code = cli.Parse(args, out, err); code >= 0) return code;
    if (levelsOption->count()) parsed->levels = std::min(levels, 6);
    parsed->report = reportFile;
    const std::vector<std::string>& positional = cli.Positionals();
    if (positional.size() != 2) return cli.UsageError("give a URL and an output folder", err);
    parsed->url = positional[0];
    parsed->outputDir = positional[1];
    if (parsed->url.empty() || parsed->outputDir.empty())
        return cli.UsageError("the URL and the output folder may not be empty", err);

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

    DefaultAnswerPrompter prompter(parsed->yes);
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
    const std::string text = parsed->json ? ReportJson(report, job.Failures(), job.LimitReached())
                                          : SiteSummaryText(report) + SiteAnalysisText(report);
    std::fputs(text.c_str(), out);

    bool ok = !job.StartFailed();
    if (!parsed->report.empty() && !SaveSiteReport(job.Report(), parsed->report)) {
        std::fprintf(err, "lumaprism: cannot write the report %s\n", parsed->report.string().c_str());
        ok = false;
    }
    // Images the batch engine could not optimize make the run fail; pages and
    // images the server did not deliver are listed above but do not.
    if (job.ImageStepFailures() > 0) ok = false;
    return ok ? kExitOk : kExitFailed;
}

}  // namespace lp
