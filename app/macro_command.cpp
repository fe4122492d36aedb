#include "app/macro_command.h"

#include <atomic>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "base/data_folders.h"
#include "base/prompter.h"
#include "batch/apply_batch_macro.h"
#include "batch/batch_macro.h"
#include "batch/batch_report.h"
#include "imaging/console_progress.h"

namespace lp {

const char* const kMacroCommandUsage =
    "Usage: lumaprism --macro NAME [--report FILE] [--jobs N] FILE...\n"
    "\n"
    "Applies a batch macro to picture files, as the picture browser does.\n"
    "NAME is a macro of the TEMPLATE folder (\".TPL\" is added when it has no\n"
    "extension) or, when it contains \"/\", the path of a .TPL file.\n"
    "  --report FILE  write the batch report (summary and detailed report) to FILE\n"
    "  --jobs N       work on N files at once (1..64); results and report rows are\n"
    "                 the same as with one job, in the order of the files given\n"
    "Questions take their default answer; a file skipped that way counts as failed.\n"
    "Exit status: 0 every file done, 1 a file or the macro failed, 2 usage error.\n";

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kMaxJobs = 64;

/// Questions take their defaults; messages are dropped because every failure
/// is printed once from its result.
class QuietDefaultPrompter final : public Prompter {
public:
    PromptAnswer Ask(std::string_view, std::string_view, PromptButtons, PromptAnswer defaultAnswer) override {
        return defaultAnswer;
    }
    void Message(std::string_view, std::string_view, PromptIcon) override {}
};

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

int Usage(const char* problem) {
    if (problem) std::fprintf(stderr, "lumaprism --macro: %s\n", problem);
    std::fputs(kMacroCommandUsage, stderr);
    return kExitUsage;
}

}  // namespace

int RunMacro(std::span<const std::string> args, const AppSettings& settings) {
    std::string macroName;
    std::string reportPath;
    int jobs = 1;
    std::vector<std::filesystem::path> files;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!optionsEnded && (a == "--help" || a == "-h")) {
            std::fputs(kMacroCommandUsage, stdout);
            return kExitOk;
        }
        if (!optionsEnded && a == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && a == "--report") {
            if (++i >= args.size() || args[i].empty()) return Usage("--report needs a file name");
            reportPath = args[i];
        } else if (!optionsEnded && a == "--jobs") {
            if (++i >= args.size()) return Usage("--jobs needs a number");
            const std::string& v = args[i];
            auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), jobs);
            if (ec != std::errc() || end != v.data() + v.size() || jobs < 1 || jobs > kMaxJobs)
                return Usage("--jobs needs a number from 1 to 64");
        } else if (!optionsEnded && a.size() > 1 && a[0] == '-' && a != "-") {
            return Usage(("unknown option " + a).c_str());
        } else if (macroName.empty()) {
            macroName = a;
        } else {
            files.emplace_back(a);
        }
    }
    if (macroName.empty()) return Usage("no macro given");
    if (files.empty()) return Usage("no files given");

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
            QuietDefaultPrompter prompter;
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
        for (const BatchOutputFile& out : r.outputs)
            std::printf("%s -> %s (%llu -> %llu bytes)\n", files[i].string().c_str(), out.path.string().c_str(),
                        static_cast<unsigned long long>(r.sourceBytes), static_cast<unsigned long long>(out.bytes));
        if (r.outputs.empty() && r.outputPath == kUnsupportedOutput)
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
    std::fflush(stdout);
    return exitCode;
}

}  // namespace lp
