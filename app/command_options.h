#pragma once
// Long options of the headless commands ("lumaprism --convert ..."), parsed by CLI11 with
// one style of help, one style of error and one set of value checks for every command.
#include <CLI/CLI.hpp>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/colour.h"

namespace lp {

inline constexpr int kCommandExitOk = 0;
inline constexpr int kCommandExitFailed = 1;
inline constexpr int kCommandExitUsage = 2;

/// "K/N": the K-th (1-based) of N equal slices of a sorted list.
struct Shard {
    int index = 1;
    int count = 1;
};

/// The items of `items` (sorted first) that fall into the shard: slice k holds the items
/// whose position p satisfies p * N / size == k - 1, so the N slices differ by at most one.
std::vector<std::string> ShardOf(std::vector<std::string> items, Shard shard);

/// One command's long options. Values are checked as they are parsed; a bad value, an
/// unknown option or a missing value ends the parse with exit status 2 and a line naming
/// the option and what it takes, followed by the help text.
class CommandOptions {
public:
    /// command: "--convert"; usage: the synopsis after "Usage: lumaprism "; description and
    /// footer: paragraphs printed before and after the option list.
    CommandOptions(std::string command, std::string usage, std::string description, std::string footer);

    CLI::App& App() { return m_app; }

    /// Integer in low..high. noun describes the value in messages ("a quality from 1 to 100").
    CLI::Option* Int(const std::string& name, int& value, int low, int high, const std::string& valueName,
                     const std::string& help, const std::string& noun = {});
    CLI::Option* Text(const std::string& name, std::string& value, const std::string& valueName,
                      const std::string& help);
    CLI::Option* Flag(const std::string& name, bool& value, const std::string& help);
    CLI::Option* Colour(const std::string& name, std::optional<ColourRef>& value, const std::string& help);
    /// A value read by parse, which returns an error text ("" when the value is good).
    CLI::Option* Custom(const std::string& name, const std::string& valueName, const std::string& help,
                        const std::string& noun, std::function<std::string(const std::string&)> parse);
    CLI::Option* ShardOption(Shard& shard);

    /// The positional arguments, in order ("-" included).
    const std::vector<std::string>& Positionals() const { return m_positionals; }

    /// Parses; returns -1 when the command should run, else the exit status (help printed to
    /// out: 0; a usage error printed to err: 2).
    int Parse(std::span<const std::string> args, std::FILE* out, std::FILE* err);

    /// Prints "lumaprism --command: problem", a blank line and the help to err; returns 2.
    int UsageError(const std::string& problem, std::FILE* err) const;

    std::string Help() const;
    const std::string& Command() const { return m_command; }

private:
    std::string m_command;
    CLI::App m_app;
    std::vector<std::string> m_positionals;
    std::map<std::string, std::string> m_nouns;  // option name -> what its value is
};

/// "R,G,B" with each from 0 to 255.
std::optional<ColourRef> ParseColourValue(const std::string& text);
/// A whole decimal number in low..high.
std::optional<std::int64_t> ParseIntValue(const std::string& text, std::int64_t low, std::int64_t high);

}  // namespace lp
