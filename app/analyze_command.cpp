#include "app/analyze_command.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

#include "base/prompter.h"
#include "document/picture_document.h"
#include "optimize/transfer_info.h"

namespace lp {

namespace {

/// Messages of the document go to the error stream, prefixed with the file; questions take
/// their default answer. The last message is kept for the JSON report.
class ReportPrompter final : public Prompter {
public:
    ReportPrompter(std::FILE* err, std::string file) : m_err(err), m_file(std::move(file)) {}
    PromptAnswer Ask(std::string_view, std::string_view, PromptButtons, PromptAnswer defaultAnswer) override {
        return defaultAnswer;
    }
    void Message(std::string_view text, std::string_view caption, PromptIcon) override {
        m_last = std::string(text);
        std::fprintf(m_err, "lumaprism: %s: %.*s (%.*s)\n", m_file.c_str(), int(text.size()), text.data(),
                     int(caption.size()), caption.data());
    }
    const std::string& Last() const { return m_last; }

private:
    std::FILE* m_err;
    std::string m_file;
    std::string m_last;
};

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

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (u < 0x20) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04x", u);
                    out += buffer;
                } else {
                    out += c;  // UTF-8 passes through unchanged
                }
        }
    }
    return out + "\"";
}

std::string JsonNumber(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

bool ParseSpeed(std::string_view text, std::int32_t& speed) {
    std::int64_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return false;
    if (value < 0 || value > std::numeric_limits<std::int32_t>::max()) return false;
    speed = static_cast<std::int32_t>(value);
    return true;
}

Row Analyze(const std::string& file, const AppSettings& settings, std::FILE* err) {
    Row row;
    row.file = file;
    ReportPrompter prompter(err, file);
    DocumentServices services;
    services.prompter = &prompter;
    services.settings = &settings;
    COrvantixDoc document(std::move(services));
    if (!document.Open(file)) {
        row.error = prompter.Last().empty() ? "cannot be opened" : prompter.Last();
        return row;
    }
    const TransferInfo& t = document.Transfer();
    if (t.width0 == 0) {  // the measurement failed (its message was shown)
        row.error = prompter.Last().empty() ? "cannot be measured" : prompter.Last();
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
    std::fprintf(out, "%-*s  %11s  %8s  %6s  %10s  %8s  %10s  %8s  %10s  %8s  %10s\n", w, "File", "Size", "Colours",
                 "Frames", "File bytes", "GIF", "GIF time", "JPEG", "JPEG time", "PNG", "PNG time");
    for (const Row& r : rows) {
        if (!r.ok) {
            std::string error = r.error;  // one line per file
            for (char& c : error)
                if (c == '\n' || c == '\r') c = ' ';
            std::fprintf(out, "%-*s  error: %s\n", w, r.file.c_str(), error.c_str());
            continue;
        }
        const std::string size = std::to_string(r.width) + "x" + std::to_string(r.height);
        std::fprintf(out, "%-*s  %11s  %8lld  %6zu  %10d  %8d  %9ss  %10d  %8ss  %10d  %9ss\n", w, r.file.c_str(),
                     size.c_str(), static_cast<long long>(r.colours), r.frames, int(r.fileBytes), int(r.gifBytes),
                     FormatOneDecimal(r.gifSeconds).c_str(), int(r.jpegBytes), FormatOneDecimal(r.jpegSeconds).c_str(),
                     int(r.pngBytes), FormatOneDecimal(r.pngSeconds).c_str());
    }
}

void PrintJson(const std::vector<Row>& rows, std::int32_t speed, std::FILE* out) {
    std::string text = "{\n  \"modemSpeed\": " + std::to_string(speed) + ",\n  \"pictures\": [";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        text += i ? ",\n    {" : "\n    {";
        text += "\"file\": " + JsonString(r.file);
        if (!r.ok) {
            text += ", \"error\": " + JsonString(r.error) + "}";
            continue;
        }
        auto format = [](std::int32_t bytes, double seconds) {
            return "{\"bytes\": " + std::to_string(bytes) + ", \"seconds\": " + JsonNumber(seconds) + "}";
        };
        text += ", \"width\": " + std::to_string(r.width) + ", \"height\": " + std::to_string(r.height) +
                ", \"colours\": " + std::to_string(r.colours) + ", \"frames\": " + std::to_string(r.frames) +
                ", \"fileBytes\": " + std::to_string(r.fileBytes) + ", \"gif\": " + format(r.gifBytes, r.gifSeconds) +
                ", \"jpeg\": " + format(r.jpegBytes, r.jpegSeconds) + ", \"png\": " + format(r.pngBytes, r.pngSeconds) +
                "}";
    }
    text += rows.empty() ? "]\n}\n" : "\n  ]\n}\n";
    std::fputs(text.c_str(), out);
}

}  // namespace

int RunAnalyze(std::span<const std::string> args, const AppSettings& settings, std::FILE* out, std::FILE* err) {
    AppSettings effective = settings;
    effective.usePng = 1;  // the report always shows the PNG figures
    bool json = false;
    bool optionsEnded = false;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || !arg.starts_with("--")) {
            files.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help") {
            std::fputs(kAnalyzeUsage, out);
            return 0;
        } else if (arg == "--json") {
            json = true;
        } else if (arg == "--modem" || arg.starts_with("--modem=")) {
            std::string value;
            if (arg == "--modem") {
                if (i + 1 >= args.size()) {
                    std::fprintf(err, "lumaprism: --modem needs a speed in bits per second\n\n%s", kAnalyzeUsage);
                    return 2;
                }
                value = args[++i];
            } else {
                value = arg.substr(8);
            }
            if (!ParseSpeed(value, effective.modemSpeed)) {
                std::fprintf(err, "lumaprism: --modem: '%s' is not a speed in bits per second\n\n%s", value.c_str(),
                             kAnalyzeUsage);
                return 2;
            }
        } else {
            std::fprintf(err, "lumaprism: --analyze: unknown option '%s'\n\n%s", arg.c_str(), kAnalyzeUsage);
            return 2;
        }
    }
    if (files.empty()) {
        std::fprintf(err, "lumaprism: --analyze needs at least one picture file\n\n%s", kAnalyzeUsage);
        return 2;
    }

    std::vector<Row> rows;
    bool failed = false;
    for (const std::string& file : files) {
        rows.push_back(Analyze(file, effective, err));
        failed = failed || !rows.back().ok;
    }
    if (json)
        PrintJson(rows, effective.modemSpeed, out);
    else
        PrintTable(rows, effective.modemSpeed, out);
    return failed ? 1 : 0;
}

}  // namespace lp
