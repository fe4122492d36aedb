#include "app/macro_command.h"

#include <atomic>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/command_options.h"
#include "base/data_folders.h"
#include "base/prompter.h"
#include "batch/apply_batch_macro.h"
#include "batch/batch_macro.h"
#include "batch/batch_report.h"
#include "imaging/console_progress.h"

namespace lp {

const char* const kMacroCommandUsage = "--macro NAME [OPTIONS] FILE...";

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kMaxJobs = 64;

/// Draws one step per finished file; workers call it from their threads.
class FileCounter {
public:
    FileCounter(std::size_t total, const std::string& text) { m_progress.Begin(0, long(total), text); }
    ~FileCounter() { m_progress.End(); }
    void FileDone() {
        std::lock_guard lock(m_mutex);
        m_progress.Step(long(++m_done));
    }

private:
    std::mutex m_mutex;
    ConsoleProgress m_progress;
    std::size_t m_done = 0;
};

const char* const kMacroDescription =
    "Applies a batch macro to picture files, as the picture browser does.\n"
    "NAME is a macro of the TEMPLATE folder (\".TPL\" is added when it has no\n"
    "extension) or, when it contains \"/\", the path of a .TPL file. Shipped macros:\n"
    "web-photo, web-graphic, animation.\n";

const char* const kMacroFooter =
    "Questions take their default answer (Yes with --yes); a file skipped by a No\n"
    "counts as failed.\n"
    "Exit status: 0 every file done, 1 a file or the macro failed, 2 usage error.\n";

const char* TypeName(MacroPictureType type) {
    switch (type) {
        case MacroPictureType::Gif: return "GIF";
        case MacroPictureType::Jpeg: return "JPEG";
        case MacroPictureType::Png: return "PNG";
        case MacroPictureType::Bmp: return "BMP";
        case MacroPictureType::Pcx: return "PCX";
        case MacroPictureType::Tiff: return "TIFF";
        case MacroPictureType::Targa: return "Targa";
        case MacroPictureType::Dib: return "DIB";
        case MacroPictureType::Rle: return "RLE";
        default: return "unsupported";
    }
}

/// The batch report as JSON: every file with its sizes and status, then the summary.
std::string ReportJson(const std::string& macroName, const std::vector<std::filesystem::path>& files,
                       const std::vector<BatchFileResult>& results, const BatchReport& report,
                       std::int32_t modemSpeed) {
    nlohmann::ordered_json json;
    json["macro"] = macroName;
    json["files"] = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < files.size(); ++i) {
        const BatchFileResult& r = results[i];
        nlohmann::ordered_json file;
        file["file"] = files[i].string();
        file["status"] = !r.ok ? "failed" : r.outputs.empty() ? "nothing written" : "done";
        if (!r.ok) file["error"] = r.error;
        file["sourceBytes"] = r.sourceBytes;
        file["sourceType"] = TypeName(r.sourceType);
        file["before"] = {{"width", r.widthBefore}, {"height", r.heightBefore}, {"colors", r.colorsBefore}};
        file["after"] = {{"width", r.widthAfter}, {"height", r.heightAfter}, {"colors", r.colorsAfter}};
        file["outputs"] = nlohmann::ordered_json::array();
        for (const BatchOutputFile& out : r.outputs)
            file["outputs"].push_back({{"path", out.path.string()}, {"bytes", out.bytes}});
        json["files"].push_back(std::move(file));
    }
    const BatchSummary s = report.Summary(modemSpeed);
    json["summary"] = {{"filesSelected", s.filesSelected}, {"filesProcessed", s.filesProcessed},
                       {"sizeBefore", s.sizeBefore},       {"sizeAfter", s.sizeAfter},
                       {"saved", s.saved},                 {"savedPercent", s.savedPercent},
                       {"averagePercent", s.averagePercent}, {"secondsBefore", s.secondsBefore},
                       {"secondsAfter", s.secondsAfter},   {"secondsSaved", s.secondsSaved},
                       {"modemSpeed", modemSpeed}};
    return json.dump(2) + "\n";
}

}  // namespace

int RunMacro(std::span<const std::string> args, const AppSettings& settings) {
    std::string reportPath;
    int jobs = 1;
    bool json = false, yes = false;
    Shard shard;
    CommandOptions options("--macro", kMacroCommandUsage, kMacroDescription, kMacroFooter);
    options.Text("--report", reportPath, "FILE", "write the batch report (summary and detailed report) to FILE");
    options.Int("--jobs", jobs, 1, kMaxJobs, "N",
                "work on N files at once; results and report rows are the same as with one job,\n"
                "in the order of the files given",
                "a number from 1 to 64");
    options.Flag("--json", json, "print the batch report as JSON (every file, then the summary)");
    options.Flag("--yes", yes, "answer Yes to every question instead of its default answer");
    options.ShardOption(shard);
    if (const int code = options.Parse(args, stdout, stderr); code >= 0) return code;
    const std::vector<std::string>& names = options.Positionals();
    if (names.empty()) return options.UsageError("no macro given", stderr);
    if (names.size() < 2) return options.UsageError("no files given", stderr);
    const std::string macroName = names[0];
    std::vector<std::filesystem::path> files;
    const bool sharded = shard.count > 1;
    for (const std::string& name : sharded ? ShardOf({names.begin() + 1, names.end()}, shard)
                                           : std::vector<std::string>(names.begin() + 1, names.end()))
        files.emplace_back(name);

    const DataFolders folders = DataFolders::FromEnvironment();
    BatchMacro macro;
    try {
        const std::filesystem::path path = macroName.find('/') != std::string::npos
                                               ? std::filesystem::path(macroName)
                                               : MacroPath(macroName, folders);
        macro = LoadBatchMacroFile(path);
    } catch (const BatchMacroError& e) {
        const std::string file = e.File().empty() ? macroName : e.File().string();
        std::fprintf(stderr, "ERROR: %s %s\n", file.c_str(), e.what());
        return kExitFailed;
    }

    std::vector<BatchFileResult> results(files.size());
    {
        FileCounter counter(files.size(), "Applying batch macro " + macro.name);
        std::atomic<std::size_t> next{0};
        BatchOutputClaims claims;  // in the order given, whatever --jobs says
        claims.ReservePlanned(macro, files);
        auto work = [&] {
            // Messages are dropped: every failure is printed once from its result.
            DefaultAnswerPrompter prompter(yes, DefaultAnswerPrompter::Quiet());
            BatchContext context;
            context.folders = &folders;
            context.prompter = &prompter;
            context.skipCountsAsFailure = true;
            context.claims = &claims;
            context.smartResizeSetting = settings.smartReSize != 0;
            for (std::size_t i = next++; i < files.size(); i = next++) {
                // Absolute paths give the report its folders.
                std::error_code ec;
                const std::filesystem::path path = std::filesystem::absolute(files[i], ec);
                ApplyToFile(macro, ec ? files[i] : path, context, results[i]);
                counter.FileDone();
            }
        };
        const int threads = static_cast<int>(std::min<std::size_t>(std::size_t(jobs), files.size()));
        if (threads <= 1) {
            work();
        } else {
            std::vector<std::jthread> pool;
            for (int t = 0; t < threads; ++t) pool.emplace_back(work);
        }
    }

    int exitCode = kExitOk;
    BatchReport report;
    report.SetFilesSelected(static_cast<int>(files.size()));
    for (std::size_t i = 0; i < files.size(); ++i) {
        const BatchFileResult& r = results[i];
        report.AddFile(r);
        if (!r.ok) {
            exitCode = kExitFailed;
            std::fprintf(stderr, "ERROR: %s %s\n", files[i].string().c_str(), r.error.c_str());
            continue;
        }
        if (json) continue;
        for (const BatchOutputFile& out : r.outputs)
            std::printf("%s -> %s (%llu -> %llu bytes)\n", files[i].string().c_str(), out.path.string().c_str(),
                        static_cast<unsigned long long>(r.sourceBytes), static_cast<unsigned long long>(out.bytes));
        if (!json && r.outputs.empty() && r.outputPath == kUnsupportedOutput)
            std::printf("%s -> %s\n", files[i].string().c_str(), r.outputPath.c_str());
    }
    if (!reportPath.empty()) {
        try {
            BatchReport::SaveText(reportPath, report.SavedText(settings.modemSpeed));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "ERROR: %s\n", e.what());
            exitCode = kExitFailed;
        }
    }
    if (json) std::fputs(ReportJson(macro.name, files, results, report, settings.modemSpeed).c_str(), stdout);
    std::fflush(stdout);
    return exitCode;
}

}  // namespace lp
