#include "app/convert_command.h"

#include <charconv>
#include <string_view>
#include <vector>

#include "base/prompter.h"
#include "document/picture_document.h"
#include "formats/format_table.h"

namespace lp {

namespace {

/// Messages go to the error stream; questions take their default answer.
class StreamPrompter final : public Prompter {
public:
    explicit StreamPrompter(std::FILE* err) : m_err(err) {}
    PromptAnswer Ask(std::string_view, std::string_view, PromptButtons, PromptAnswer defaultAnswer) override {
        return defaultAnswer;
    }
    void Message(std::string_view text, std::string_view caption, PromptIcon) override {
        std::fprintf(m_err, "lumaprism: %.*s (%.*s)\n", int(text.size()), text.data(), int(caption.size()),
                     caption.data());
    }

private:
    std::FILE* m_err;
};

bool ParseQuality(std::string_view text, int& quality) {
    int value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() || value < 1 || value > 100) return false;
    quality = value;
    return true;
}

}  // namespace

int RunConvert(std::span<const std::string> args, const AppSettings& settings, std::FILE* out, std::FILE* err) {
    std::vector<std::string> names;
    int quality = 0;  // 0: the document's own (the JpegQuality setting)
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || !arg.starts_with("--")) {
            names.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help") {
            std::fputs(kConvertUsage, out);
            return 0;
        } else if (arg == "--quality" || arg.starts_with("--quality=")) {
            std::string value;
            if (arg == "--quality") {
                if (i + 1 >= args.size()) {
                    std::fprintf(err, "lumaprism: --quality needs a value from 1 to 100\n\n%s", kConvertUsage);
                    return 2;
                }
                value = args[++i];
            } else {
                value = arg.substr(10);
            }
            if (!ParseQuality(value, quality)) {
                std::fprintf(err, "lumaprism: --quality: '%s' is not a quality from 1 to 100\n\n%s", value.c_str(),
                             kConvertUsage);
                return 2;
            }
        } else {
            std::fprintf(err, "lumaprism: --convert: unknown option '%s'\n\n%s", arg.c_str(), kConvertUsage);
            return 2;
        }
    }
    if (names.size() != 2) {
        std::fprintf(err, "lumaprism: --convert needs an input and an output file\n\n%s", kConvertUsage);
        return 2;
    }

    StreamPrompter prompter(err);
    DocumentServices services;
    services.prompter = &prompter;
    services.settings = &settings;
    services.measureSizes = false;  // nothing here shows sizes
    // A one-picture target needs only the first frame of an animation.
    const FormatRow* target = FindFormatForPath(names[1]);
    services.firstFrameOnly = target && target->accepts.maxFrames == 1;
    COrvantixDoc document(std::move(services));
    if (!document.Open(names[0])) return 1;
    if (quality != 0) document.SetJpegQuality(quality);
    return document.SavePicture(names[1]) ? 0 : 1;
}

}  // namespace lp
