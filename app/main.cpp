// The lumaprism program: the command-line batch mode, and the picture windows
// when the command line holds no batch work or names a file to open. The windows
// come from a module loaded only then, so batch runs never load the GUI toolkit.
// jpeglib.h needs <cstdio> before it.
// clang-format off
#include "app/batch_command_line.h"
#include "app/batch_job_runner.h"
#include "app/analyze_command.h"
#include "imaging/image_size.h"
#include "app/convert_command.h"
#include "app/error_log.h"
#include "app/gui_module.h"
#include "app/macro_command.h"
#include "app/macro_new_command.h"
#include "app/optimize_site_command.h"
#include "app/thumbnails_command.h"
#include "app/vectorize_command.h"
#include "app/ini_settings_store.h"
#include "base/settings.h"

#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#include <zlib.h>
// clang-format on

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "Usage: lumaprism [JOB ...]\n"
    "       lumaprism --help | --version\n"
    "       lumaprism --macro NAME [--report FILE] [--jobs N] [--json] FILE...  (see --macro --help)\n"
    "       lumaprism --macro-new FILE.TPL [--FIELD VALUE]...  (see --macro-new --help)\n"
    "       lumaprism --macro-show NAME [--json]\n"
    "       lumaprism --analyze FILE... [--modem BPS] [--json]  (see --analyze --help)\n"
    "       lumaprism --convert IN... OUT|--out-dir DIR [OPTIONS]  (see --convert --help)\n"
    "       lumaprism --vectorize FILE --output OUT.{lvf,wmf,emf,eps,svg} [OPTIONS]\n"
    "       lumaprism --thumbnails FOLDER [--jobs N]\n"
    "       lumaprism --optimize-site URL OUTDIR [OPTIONS]  (see --optimize-site --help)\n"
    "       lumaprism [PICTURE]  opens the picture windows\n"
    "       lumaprism -p PICTURE  prints the picture on the default printer\n"
    "       lumaprism -pt PICTURE PRINTER  prints on the named printer (NAME.pdf: a PDF file)\n"
    "\n"
    "Converts pictures without opening a window. A job needs an input and a width,\n"
    "height or quality; the output is written in the format of the input.\n"
    "\n"
    "Flags (value attached, no space; letters in any case):\n"
    "  -iNAME        input picture                      INPUT=NAME\n"
    "  -oNAME        output file                        OUTPUT=NAME\n"
    "  -wN           width in pixels                    WIDTH=N\n"
    "  -hN           height in pixels                   HEIGHT=N\n"
    "  -qN           JPEG quality                       QUALITY=N\n"
    "  -nN           number of colours (GIF)            COLORS=N\n"
    "  -b(R,G,B)     background colour of the canvas    BACKGROUND=(R,G,B)\n"
    "  -t(R,G,B)     transparent colour                 TRANSPARENT=(R,G,B)\n"
    "  -sy           smart (area-averaging) resize      SMART=y\n"
    "  -rX           keep the aspect with width and     PROPORTIONAL=X\n"
    "                height: w by width, h by height, anything else fits\n"
    "  -gtN          GIF transparency tolerance         GTRANSPARENT=N\n"
    "  -gcN          GIF cut-out tolerance              GCUTOUT=N\n"
    "\n"
    "Several jobs: separate them with \",\" or write each between \"{\" and \"}\" (give\n"
    "the width, height or quality after the input and output). @FILE reads keyword\n"
    "tokens and braces from a response file.\n"
    "\n"
    "Errors are written to Error.log in the current folder and to standard error.\n"
    "Exit status: 0 all jobs done, 1 a token or job failed, 2 no job to run.\n"
    "\n"
    "Example: lumaprism -isample.bmp -oout.bmp -w320\n";

/// Headless entries that take the whole command line after their own name
/// ("lumaprism --vectorize FILE ..."). Each runs without a window and returns
/// the process exit code. One line per command.
struct HeadlessCommand {
    std::string_view name;
    int (*run)(std::span<const std::string> args);
};
const std::initializer_list<HeadlessCommand> kHeadlessCommands = {
    {"--optimize-site", lp::RunOptimizeSiteCommand},
    {"--thumbnails", lp::RunThumbnailsCommand},
    {"--macro", lp::RunMacroCommand},
    {"--macro-new", lp::RunMacroNewCommand},
    {"--macro-show", lp::RunMacroShowCommand},
    {"--vectorize", lp::RunVectorizeCommand},
    {"--analyze", lp::RunAnalyzeCommand},
    {"--convert", lp::RunConvertCommand},
};

const HeadlessCommand* FindHeadlessCommand(const std::vector<std::string>& args) {
    if (args.empty()) return nullptr;
    for (const HeadlessCommand& command : kHeadlessCommands)
        if (args.front() == command.name) return &command;
    return nullptr;
}

#define LP_STRINGIFY_INNER(x) #x
#define LP_STRINGIFY(x) LP_STRINGIFY_INNER(x)

void PrintVersion() {
    std::printf("Lumaprism %s\n", LP_VERSION_TEXT);
    std::printf("libpng %s, zlib %s\n", png_get_libpng_ver(nullptr), zlibVersion());
#ifdef LIBJPEG_TURBO_VERSION
    std::printf("libjpeg %d.%d (libjpeg-turbo %s)\n", JPEG_LIB_VERSION / 10, JPEG_LIB_VERSION % 10,
                LP_STRINGIFY(LIBJPEG_TURBO_VERSION));
#else
    std::printf("libjpeg %d.%d\n", JPEG_LIB_VERSION / 10, JPEG_LIB_VERSION % 10);
#endif
}

/// Our own "--" options, which the batch parser never sees. Returns the exit
/// code when one was given, -1 otherwise.
int HandleLongOptions(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (!arg.starts_with("--")) continue;
        if (arg == "--help") {
            std::fputs(kUsage, stdout);
            return kExitOk;
        }
        if (arg == "--version") {
            PrintVersion();
            return kExitOk;
        }
        std::fprintf(stderr, "lumaprism: unknown option '%s'\n\n%s", arg.c_str(), kUsage);
        return kExitUsage;
    }
    return -1;
}

/// The open request of a command line: a plain parameter naming an existing
/// file. Other plain parameters were already logged as errors.
bool HasOpenRequest(const lp::CCommandLineInfo& info) {
    if (info.Command() != lp::CCommandLineInfo::ShellCommand::FileOpen) return false;
    std::error_code ec;
    return std::filesystem::is_regular_file(info.FileToOpen(), ec);
}

void NoteWindowsUnavailable(const lp::CCommandLineInfo& info) {
    std::fprintf(stderr, "lumaprism: picture windows are not available without a display; %s not opened\n",
                 info.FileToOpen().c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (const HeadlessCommand* command = FindHeadlessCommand(args))
        return command->run(std::span<const std::string>(args).subspan(1));
    if (const int code = HandleLongOptions(args); code >= 0) return code;

    lp::CBatchCommandLineInfo info(stderr);
    lp::ParseCommandLine(info, args);
    lp::ErrorLog& log = info.Log();

    const bool batchWork = !info.Jobs().empty();
    const bool openRequest = HasOpenRequest(info);
    if (batchWork || log.HasErrors()) {
        if (!log.Open(lp::ErrorLog::kFileName)) {
            std::fprintf(stderr, "lumaprism: cannot create %s in the current folder\n", lp::ErrorLog::kFileName);
            return kExitFailed;
        }
    }

    if (!batchWork) {
        // The framework's print request prints the file and ends; it needs no display.
        if (info.IsPrintRequest())
            return lp::RunGuiPrintModule(argc, argv, info.FileToOpen(), info.PrinterName());
        // An unfinished job was meant as batch work: say what is missing instead of opening windows.
        const bool unfinishedJob = !openRequest && info.PendingJob().given != 0;
        // Without a display QApplication would abort: decide before constructing it.
        if (!unfinishedJob && lp::DisplayAvailable())
            return lp::RunGuiModule(argc, argv, openRequest ? info.FileToOpen() : std::string());
        if (openRequest) {
            NoteWindowsUnavailable(info);
            std::fputc('\n', stderr);
        } else if (unfinishedJob) {
            std::fputs("lumaprism: no job to run: a job needs an input and a width, height or quality\n\n", stderr);
        } else {
            std::fputs("lumaprism: picture windows are not available without a display\n\n", stderr);
        }
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }

    // A batch run ends the program through its exit step: the settings are read as at
    // any start, and only the exit keys are written back (the window's keys stay as they were).
    lp::IniSettingsStore store;
    const lp::AppSettings settings = lp::LoadSettings(store);
    lp::ApplyPictureBudgetSetting(settings.pictureBudget);
    lp::RunBatchJobs(info.Jobs(), log);
    lp::WriteSettingsAtExit(settings, store);
    if (log.HasErrors()) std::fputs("Refer to Error.log\n", stderr);
    if (info.IsPrintRequest()) {
        const int code = lp::RunGuiPrintModule(argc, argv, info.FileToOpen(), info.PrinterName());
        return log.HasErrors() ? kExitFailed : code;
    }
    if (openRequest) {
        // The jobs are done; the file the command line named opens in a window.
        if (lp::DisplayAvailable()) {
            const int code = lp::RunGuiModule(argc, argv, info.FileToOpen());
            return log.HasErrors() ? kExitFailed : code;
        }
        NoteWindowsUnavailable(info);
    }
    return log.HasErrors() ? kExitFailed : kExitOk;
}
