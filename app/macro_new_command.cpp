#include "app/macro_new_command.h"

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>

#include "app/command_options.h"
#include "base/data_folders.h"
#include "app/macro_fields.h"
#include "batch/batch_macro.h"

namespace lp {

namespace fs = std::filesystem;

namespace {

/// A value containing "/" is a file path, else TEMPLATE/NAME(.TPL), as for --macro.
fs::path ResolveMacro(const std::string& name) {
    if (name.find('/') != std::string::npos) return name;
    return MacroPath(name, DataFolders::FromEnvironment());
}

std::string FieldHelp(const MacroField& field) {
    return std::string(field.meaning) + " (default: " + MacroFieldDefault(field) + ")";
}

std::string ValueName(const MacroField& field) {
    switch (field.kind) {
        case MacroField::Kind::Text:
            return "TEXT";
        case MacroField::Kind::Colour:
            return "R,G,B";
        case MacroField::Kind::Choice:
            return "NAME";
        case MacroField::Kind::Number:
            break;
    }
    return field.low == 0 && field.high == 1 ? "0|1" : std::to_string(field.low) + ".." + std::to_string(field.high);
}

}  // namespace

int RunMacroNew(std::span<const std::string> args, std::FILE* out, std::FILE* err) {
    CommandOptions options(
        "--macro-new", "--macro-new FILE.TPL [--FIELD VALUE]... [--replace]",
        "Writes a batch macro (.TPL, 514 bytes) without opening a window. FILE is a\n"
        "macro of the TEMPLATE folder (\".TPL\" is added when it has no extension) or,\n"
        "when it contains \"/\", a path. Each option sets one field of the macro; the\n"
        "others keep the defaults of a new macro.\n",
        "Example (a web photo: JPEG at quality 70, 800 x 600 pixels):\n"
        "  lumaprism --macro-new web-photo --output-format jpeg --quality 70 \\\n"
        "            --resize absolute --width 800 --height 600\n"
        "\n"
        "Exit status: 0 written, 1 the file could not be written, 2 usage error.\n");
    BatchMacro macro;
    bool nameGiven = false;
    bool replace = false;
    for (const MacroField& field : MacroFields()) {
        const MacroField* f = &field;
        const bool isName = field.text == &BatchMacro::name;
        options.Custom("--" + std::string(field.option), ValueName(field), FieldHelp(field), "a value",
                       [f, isName, &macro, &nameGiven](const std::string& text) {
                           if (isName) nameGiven = true;
                           return SetMacroField(*f, macro, text);
                       });
    }
    options.Flag("--replace", replace, "replace an existing file (default: refuse)");
    if (const int code = options.Parse(args, out, err); code >= 0) return code;
    const auto& names = options.Positionals();
    if (names.size() != 1) return options.UsageError("give one macro file", err);

    fs::path path;
    try {
        path = ResolveMacro(names[0]);
    } catch (const BatchMacroError& e) {
        return options.UsageError(names[0] + ": " + e.what(), err);
    }
    if (!nameGiven) {
        const std::string stem = path.stem().string();
        if (const std::string problem = SetMacroField(MacroFields()[0], macro, stem); !problem.empty())
            return options.UsageError("the file name cannot serve as the macro's name: " + problem +
                                          "; give --name",
                                      err);
    }
    std::error_code ec;
    if (!replace && fs::exists(path, ec)) {
        std::fprintf(err, "lumaprism --macro-new: %s exists; give --replace to replace it\n", path.string().c_str());
        return kCommandExitFailed;
    }
    try {
        SaveBatchMacroFile(macro, path);
    } catch (const BatchMacroError& e) {
        std::fprintf(err, "ERROR: %s %s\n", path.string().c_str(), e.what());
        return kCommandExitFailed;
    }
    std::fprintf(out, "%s\n", path.string().c_str());
    return kCommandExitOk;
}

int RunMacroShow(std::span<const std::string> args, std::FILE* out, std::FILE* err) {
    bool json = false;
    CommandOptions options("--macro-show", "--macro-show NAME [--json]",
                           "Prints every field of a batch macro as the options of --macro-new set it.\n"
                           "NAME is a macro of the TEMPLATE folder or, when it contains \"/\", a path.\n",
                           "Exit status: 0 shown, 1 the macro could not be read, 2 usage error.\n");
    options.Flag("--json", json, "one JSON object: option names as keys, values as --macro-new takes them");
    if (const int code = options.Parse(args, out, err); code >= 0) return code;
    const auto& names = options.Positionals();
    if (names.size() != 1) return options.UsageError("give one macro", err);
    BatchMacro macro;
    fs::path path;
    try {
        path = ResolveMacro(names[0]);
        macro = LoadBatchMacroFile(path);
    } catch (const BatchMacroError& e) {
        const std::string file = e.File().empty() ? (path.empty() ? names[0] : path.string()) : e.File().string();
        std::fprintf(err, "ERROR: %s %s\n", file.c_str(), e.what());
        return kCommandExitFailed;
    }
    if (json) {
        nlohmann::ordered_json object;
        for (const MacroField& field : MacroFields()) {
            const std::string key(field.option);
            if (field.kind == MacroField::Kind::Number)
                object[key] = field.number ? macro.*field.number : std::int32_t(macro.*field.shortNumber);
            else if (field.kind == MacroField::Kind::Colour)
                object[key] = {RedOf(macro.transparentColor), GreenOf(macro.transparentColor),
                               BlueOf(macro.transparentColor)};
            else
                object[key] = MacroFieldText(field, macro);
        }
        std::fprintf(out, "%s\n", object.dump(2).c_str());
        return kCommandExitOk;
    }
    std::size_t width = 0;
    for (const MacroField& field : MacroFields()) width = std::max(width, field.option.size());
    for (const MacroField& field : MacroFields())
        std::fprintf(out, "%-*s  %s\n", int(width), std::string(field.option).c_str(),
                     MacroFieldText(field, macro).c_str());
    return kCommandExitOk;
}

int RunMacroNewCommand(std::span<const std::string> args) { return RunMacroNew(args, stdout, stderr); }
int RunMacroShowCommand(std::span<const std::string> args) { return RunMacroShow(args, stdout, stderr); }

}  // namespace lp
