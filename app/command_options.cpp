#include "app/command_options.h"

#include <algorithm>
#include <charconv>
#include <memory>

namespace lp {

namespace {

/// "Usage: lumaprism ...", the description, the options with their meanings, the footer.
class CommandFormatter final : public CLI::Formatter {
public:
    CommandFormatter(std::string usage, std::string description, std::string footer)
        : m_usage(std::move(usage)), m_description(std::move(description)), m_footer(std::move(footer)) {
        column_width(26);
    }
    std::string make_help(const CLI::App* app, std::string, CLI::AppFormatMode mode) const override {
        std::string text = "Usage: lumaprism " + m_usage + "\n";
        if (!m_description.empty()) text += "\n" + m_description;
        text += make_groups(app, mode);
        if (!m_footer.empty()) text += "\n" + m_footer;
        return text;
    }

private:
    std::string m_usage, m_description, m_footer;
};

/// The first "--name" in a CLI11 message: the option it is about.
std::string OptionNamed(const std::string& message) {
    const std::size_t at = message.find("--");
    if (at == std::string::npos) return {};
    std::size_t end = at + 2;
    while (end < message.size() && (std::isalnum(static_cast<unsigned char>(message[end])) || message[end] == '-'))
        ++end;
    return message.substr(at, end - at);
}

}  // namespace

std::optional<std::int64_t> ParseIntValue(const std::string& text, std::int64_t low, std::int64_t high) {
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high) return std::nullopt;
    return value;
}

std::optional<ColourRef> ParseColourValue(const std::string& text) {
    std::uint8_t channel[3];
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t comma = i < 2 ? text.find(',', start) : text.size();
        if (comma == std::string::npos) return std::nullopt;
        const auto value = ParseIntValue(text.substr(start, comma - start), 0, 255);
        if (!value) return std::nullopt;
        channel[i] = static_cast<std::uint8_t>(*value);
        start = comma + 1;
    }
    return MakeColour(channel[0], channel[1], channel[2]);
}

std::vector<std::string> ShardOf(std::vector<std::string> items, Shard shard) {
    std::sort(items.begin(), items.end());
    std::vector<std::string> slice;
    const auto size = static_cast<std::int64_t>(items.size());
    for (std::int64_t p = 0; p < size; ++p)
        if (p * shard.count / size == shard.index - 1) slice.push_back(std::move(items[std::size_t(p)]));
    return slice;
}

CommandOptions::CommandOptions(std::string command, std::string usage, std::string description,
                               std::string footer)
    : m_command(std::move(command)), m_app("", "lumaprism " + m_command) {
    m_app.formatter(std::make_shared<CommandFormatter>(std::move(usage), std::move(description), std::move(footer)));
    m_app.set_help_flag("-h,--help", "print this help and exit");
    m_app.add_option("arguments", m_positionals)->expected(0, -1);
}

CLI::Option* CommandOptions::Int(const std::string& name, int& value, int low, int high,
                                 const std::string& valueName, const std::string& help, const std::string& noun) {
    const std::string what = noun.empty() ? "a number from " + std::to_string(low) + " to " + std::to_string(high)
                                          : noun;
    return Custom(name, valueName, help, what, [&value, low, high, what](const std::string& text) -> std::string {
        const auto parsed = ParseIntValue(text, low, high);
        if (!parsed) return "'" + text + "' is not " + what;
        value = static_cast<int>(*parsed);
        return {};
    });
}

CLI::Option* CommandOptions::Text(const std::string& name, std::string& value, const std::string& valueName,
                                  const std::string& help) {
    return Custom(name, valueName, help, "a value", [&value](const std::string& text) -> std::string {
        if (text.empty()) return "needs a value";
        value = text;
        return {};
    });
}

CLI::Option* CommandOptions::Flag(const std::string& name, bool& value, const std::string& help) {
    return m_app.add_flag(name, value, help);
}

CLI::Option* CommandOptions::Colour(const std::string& name, std::optional<ColourRef>& value,
                                    const std::string& help) {
    return Custom(name, "R,G,B", help, "R,G,B with each from 0 to 255", [&value](const std::string& text) -> std::string {
        value = ParseColourValue(text);
        return value ? std::string() : "'" + text + "' is not R,G,B with each from 0 to 255";
    });
}

CLI::Option* CommandOptions::ShardOption(Shard& shard) {
    return Custom("--shard", "K/N",
                  "work only on the K-th of N equal slices of the sorted inputs (1 <= K <= N <= 100000)",
                  "K/N with 1 <= K <= N <= 100000", [&shard](const std::string& text) -> std::string {
                      const std::size_t slash = text.find('/');
                      const std::string bad = "'" + text + "' is not K/N with 1 <= K <= N <= 100000";
                      if (slash == std::string::npos) return bad;
                      const auto k = ParseIntValue(text.substr(0, slash), 1, 100000);
                      const auto n = ParseIntValue(text.substr(slash + 1), 1, 100000);
                      if (!k || !n || *k > *n) return bad;
                      shard = {int(*k), int(*n)};
                      return {};
                  });
}

CLI::Option* CommandOptions::Custom(const std::string& name, const std::string& valueName, const std::string& help,
                                    const std::string& noun, std::function<std::string(const std::string&)> parse) {
    m_nouns[name] = noun;
    CLI::Option* option = m_app.add_option_function<std::string>(
        name,
        [name, parse = std::move(parse)](const std::string& text) {
            const std::string problem = parse(text);
            if (!problem.empty()) throw CLI::ValidationError(name, problem);
        },
        help);
    option->type_name(valueName);
    return option;
}

int CommandOptions::Parse(std::span<const std::string> args, std::FILE* out, std::FILE* err) {
    // CLI11 reads its arguments from the back.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        m_app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        std::fputs(Help().c_str(), out);
        return kCommandExitOk;
    } catch (const CLI::ExtrasError&) {
        std::string first;
        for (const std::string& arg : m_app.remaining()) {
            if (arg.size() > 1 && arg[0] == '-') return UsageError("unknown option '" + arg + "'", err);
            if (first.empty()) first = arg;
        }
        return UsageError("unexpected argument '" + first + "'", err);
    } catch (const CLI::ArgumentMismatch& e) {
        const std::string name = OptionNamed(e.what());
        const auto noun = m_nouns.find(name);
        if (noun != m_nouns.end()) return UsageError(name + " needs a value: " + noun->second, err);
        return UsageError(e.what(), err);
    } catch (const CLI::ParseError& e) {
        return UsageError(e.what(), err);
    }
    return -1;
}

int CommandOptions::UsageError(const std::string& problem, std::FILE* err) const {
    std::fprintf(err, "lumaprism %s: %s\n\n%s", m_command.c_str(), problem.c_str(), Help().c_str());
    return kCommandExitUsage;
}

std::string CommandOptions::Help() const { return m_app.help(); }

}  // namespace lp
