#include "app/analyze_command.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/command_options.h"
#include "base/prompter.h"
#include "document/picture_document.h"
#include "optimize/transfer_info.h"

namespace lp {

namespace {

struct Row {
    std::string file;
    bool ok = false;
    std::string error;
    std::int32_t width = 0, height = 0;
    std::int64_t colours = 0;
    std::size_t frames = 0;
    std::int32_t fileBytes = 0;
    std::int32_t gifBytes = 0, jpegBytes = 0, pngBytes = 0;
    double gifSeconds = 0, jpegSeconds = 0, pngSeconds = 0;
};

/// The smallest of the three measured formats (the first of equals in GIF, JPEG, PNG order).
const char* SmallestFormat(const Row& r) {
    if (r.gifBytes <= r.jpegBytes && r.gifBytes <= r.pngBytes) return "GIF";
    return r.jpegBytes <= r.pngBytes ? "JPEG" : "PNG";
}

Row Analyze(const std::string& file, const AppSettings& settings, bool yes, std::FILE* err) {
    Row row;
    row.file = file;
    // Messages of the document go to the error stream, prefixed with the file; the last is
    // kept for the JSON report.
    std::string lastMessage;
    DefaultAnswerPrompter prompter(yes, [&](std::string_view text, std::string_view caption) {
        lastMessage = std::string(text);
        std::fprintf(err, "lumaprism: %s: %.*s (%.*s)\n", file.c_str(), int(text.size()), text.data(),
                     int(caption.size()), caption.data());
    });
    DocumentServices services;
    services.prompter = &prompter;
    services.settings = &settings;
    COrvantixDoc document(std::move(services));
    if (!document.Open(file)) {
        row.error = lastMessage.empty() ? "cannot be opened" : lastMessage;
        return row;
    }
    const TransferInfo& t = document.Transfer();
    if (t.width0 == 0) {  // the measurement failed (its message was shown)
        row.error = lastMessage.empty() ? "cannot be measured" : lastMessage;
        return row;
    }
    row.ok = true;
    row.width = t.width0;
    row.height = t.height0;
    row.colours = t.colors0;
    row.frames = document.FrameCount();
    row.fileBytes = t.fileBytes;
    row.gifBytes = t.gifBytes0;
    row.jpegBytes = t.jpegBytes0;
    row.pngBytes = t.pngBytes0;
    row.gifSeconds = TransferSeconds(t.gifBytes0, settings.modemSpeed);
    row.jpegSeconds = TransferSeconds(t.jpegBytes0, settings.modemSpeed);
    row.pngSeconds = TransferSeconds(t.pngBytes0, settings.modemSpeed);
    return row;
}

void PrintTable(const std::vector<Row>& rows, std::int32_t speed, std::FILE* out) {
    std::size_t nameWidth = 4;
    for (const Row& r : rows) nameWidth = std::max(nameWidth, r.file.size());
    const int w = static_cast<int>(nameWidth);
    std::fprintf(out, "Modem speed: %d bits per second\n", int(speed));
    std::fprintf(out, "%-*s  %11s  %8s  %6s  %10s  %8s  %10s  %8s  %10s  %8s  %10s  %8s\n", w, "File", "Size",
                 "Colours", "Frames", "File bytes", "GIF", "GIF time", "JPEG", "JPEG time", "PNG", "PNG time",
                 "Smallest");
    for (const Row& r : rows) {
        if (!r.ok) {
            std::string error = r.error;  // one line per file
            for (char& c : error)
                if (c == '\n' || c == '\r') c = ' ';
            std::fprintf(out, "%-*s  error: %s\n", w, r.file.c_str(), error.c_str());
            continue;
        }
        const std::string size = std::to_string(r.width) + "x" + std::to_string(r.height);
        std::fprintf(out, "%-*s  %11s  %8lld  %6zu  %10d  %8d  %9ss  %10d  %8ss  %10d  %9ss  %8s\n", w,
                     r.file.c_str(), size.c_str(), static_cast<long long>(r.colours), r.frames, int(r.fileBytes),
                     int(r.gifBytes), FormatOneDecimal(r.gifSeconds).c_str(), int(r.jpegBytes),
                     FormatOneDecimal(r.jpegSeconds).c_str(), int(r.pngBytes), FormatOneDecimal(r.pngSeconds).c_str(),
                     SmallestFormat(r));
    }
}

void PrintJson(const std::vector<Row>& rows, std::int32_t speed, std::FILE* out) {
    nlohmann::ordered_json json;
    json["modemSpeed"] = speed;
    json["pictures"] = nlohmann::ordered_json::array();
    for (const Row& r : rows) {
        nlohmann::ordered_json picture;
        picture["file"] = r.file;
        if (!r.ok) {
            picture["error"] = r.error;
            json["pictures"].push_back(std::move(picture));
            continue;
        }
        auto format = [](std::int32_t bytes, double seconds) {
            return nlohmann::ordered_json{{"bytes", bytes}, {"seconds", seconds}};
        };
        picture["width"] = r.width;
        picture["height"] = r.height;
        picture["colours"] = r.colours;
        picture["frames"] = r.frames;
        picture["fileBytes"] = r.fileBytes;
        picture["gif"] = format(r.gifBytes, r.gifSeconds);
        picture["jpeg"] = format(r.jpegBytes, r.jpegSeconds);
        picture["png"] = format(r.pngBytes, r.pngSeconds);
        picture["smallest"] = SmallestFormat(r);
        json["pictures"].push_back(std::move(picture));
    }
    const std::string text = json.dump(2) + "\n";
    std::fputs(text.c_str(), out);
}

}  // namespace

int RunAnalyze(std::span<const std::string> args, const AppSettings& settings, std::FILE* out, std::FILE* err) {
    AppSettings effective = settings;
    effective.usePng = 1;  // the report always shows the PNG figures
    bool json = false;
    CommandOptions options("--analyze", kAnalyzeUsage, kAnalyzeDescription, kAnalyzeFooter);
    options.Custom("--modem", "BPS", "transfer speed in bits per second (0: no times; default: the setting)",
                   "a speed in bits per second", [&effective](const std::string& text) -> std::string {
                       const auto speed = ParseIntValue(text, 0, std::numeric_limits<std::int32_t>::max());
                       if (!speed) return "'" + text + "' is not a speed in bits per second";
                       effective.modemSpeed = static_cast<std::int32_t>(*speed);
                       return {};
                   });
    options.Flag("--json", json, "one JSON document instead of the table");
    bool yes = false;
    options.Flag("--yes", yes, "answer Yes to every question instead of its default answer");
    if (const int code = options.Parse(args, out, err); code >= 0) return code;
    const std::vector<std::string>& files = options.Positionals();
    if (files.empty()) return options.UsageError("--analyze needs at least one picture file", err);

    std::vector<Row> rows;
    bool failed = false;
    for (const std::string& file : files) {
        rows.push_back(Analyze(file, effective, yes, err));
        failed = failed || !rows.back().ok;
    }
    if (json)
        PrintJson(rows, effective.modemSpeed, out);
    else
        PrintTable(rows, effective.modemSpeed, out);
    return failed ? 1 : 0;
}

}  // namespace lp
