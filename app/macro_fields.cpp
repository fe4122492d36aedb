#include "app/macro_fields.h"

#include "app/command_options.h"

namespace lp {

namespace {

using Kind = MacroField::Kind;

MacroField Number(std::string_view option, std::string_view meaning, std::int32_t BatchMacro::*member,
                  std::int32_t low, std::int32_t high) {
    return {option, meaning, Kind::Number, low, high, {}, nullptr, member, nullptr};
}
MacroField Short(std::string_view option, std::string_view meaning, std::int16_t BatchMacro::*member,
                 std::int32_t low, std::int32_t high) {
    return {option, meaning, Kind::Number, low, high, {}, nullptr, nullptr, member};
}
MacroField Choice(std::string_view option, std::string_view meaning, std::int32_t BatchMacro::*member,
                  std::int32_t low, std::vector<std::string_view> names) {
    const auto high = static_cast<std::int32_t>(low + names.size() - 1);
    // names[0] stands for `low`; pad so that names[v] is value v.
    std::vector<std::string_view> byValue(static_cast<std::size_t>(low));
    byValue.insert(byValue.end(), names.begin(), names.end());
    return {option, meaning, Kind::Choice, low, high, std::move(byValue), nullptr, member, nullptr};
}
MacroField Text(std::string_view option, std::string_view meaning, std::string BatchMacro::*member,
                std::int32_t longest) {
    return {option, meaning, Kind::Text, 0, longest, {}, member, nullptr, nullptr};
}
MacroField YesNo(std::string_view option, std::string_view meaning, std::int32_t BatchMacro::*member) {
    return Number(option, meaning, member, 0, 1);
}

const std::vector<MacroField>& Table() {
    static const std::vector<MacroField> table = {
        Text("name", "the macro's name (default: the file name without extension)", &BatchMacro::name,
             std::int32_t(kMacroNameField - 1)),
        Text("palette", "palette file of PALETTE, without .pal (empty: the palette window's)",
             &BatchMacro::paletteName, std::int32_t(kMacroPaletteField - 1)),
        Text("output-dir", "folder the results go to (not used with --output-format same)", &BatchMacro::outputDir,
             std::int32_t(kMacroOutputDirField - 1)),
        Choice("resize", "none, relative (percentages) or absolute (pixels)", &BatchMacro::resizeMode, 0,
               {"none", "relative", "absolute"}),
        Number("width", "absolute width in pixels", &BatchMacro::width, 1, 65535),
        Number("height", "absolute height in pixels", &BatchMacro::height, 1, 65535),
        Number("width-percent", "relative width in percent", &BatchMacro::widthPercent, 1, 1000),
        Number("height-percent", "relative height in percent", &BatchMacro::heightPercent, 1, 1000),
        Choice("color-count-mode", "relative (--color-percent) or absolute (--colors, from --palette)",
               &BatchMacro::colorCountMode, 1, {"relative", "absolute"}),
        Number("colors", "target number of colours", &BatchMacro::colors, 1, 256),
        Choice("output-format", "same (as the input, beside it), gif, jpeg or png", &BatchMacro::outputFormat, 0,
               {"same", "gif", "jpeg", "png"}),
        Choice("transparent-mode", "none, keep (the picture's own) or color (--transparent-color)",
               &BatchMacro::transparentMode, 0, {"none", "keep", "color"}),
        MacroField{"transparent-color", "transparent colour R,G,B for --transparent-mode color", Kind::Colour, 0, 0,
                   {}, nullptr, nullptr, nullptr},
        YesNo("use-palette", "1: take fixed colours from the palette during colour reduction",
              &BatchMacro::usePalette),
        YesNo("cut-out", "1: cut unchanged borders out of animation frames", &BatchMacro::cutOut),
        YesNo("make-transparent", "1: make pixels equal to the previous frame transparent",
              &BatchMacro::makeTransparent),
        Short("cut-out-tolerance", "colour tolerance of the cut-out", &BatchMacro::cutOutTolerance, 0, 765),
        Short("transparent-tolerance", "colour tolerance of the transparency step",
              &BatchMacro::transparentTolerance, 0, 765),
        Choice("reduction-mode", "wizards: auto, exposure or count", &BatchMacro::reductionMode, 0,
               {"auto", "exposure", "count"}),
        Choice("exposure", "wizards: low, medium or high exposure", &BatchMacro::exposure, 0,
               {"low", "medium", "high"}),
        YesNo("update-transparent", "1: colour reduction may replace the transparent colour",
              &BatchMacro::updateTransparent),
        Choice("jpeg-level", "JPEG wizard level: low, medium, high or expert", &BatchMacro::jpegLevel, 0,
               {"low", "medium", "high", "expert"}),
        YesNo("smart-resize", "1: smoothing resize (wizards and site optimizer)", &BatchMacro::smartResize),
        YesNo("gif-chosen", "wizard: 1 optimized as GIF, 0 as JPEG", &BatchMacro::gifChosen),
        Number("color-percent", "relative colour count in percent", &BatchMacro::colorPercent, 1, 100),
        Number("quality", "JPEG quality", &BatchMacro::quality, 0, 100),
        Number("html-levels", "site optimizer: link levels to follow (6: all)", &BatchMacro::htmlLevels, 1, 6),
        YesNo("add-tags", "site optimizer: add missing IMG attributes", &BatchMacro::addTags),
        YesNo("add-alt", "site optimizer: add ALT", &BatchMacro::addAlt),
        YesNo("add-width", "site optimizer: add WIDTH", &BatchMacro::addWidth),
        YesNo("add-height", "site optimizer: add HEIGHT", &BatchMacro::addHeight),
        YesNo("resize-images", "site optimizer: resize images", &BatchMacro::resizeImages),
    };
    return table;
}

std::int32_t NumberOf(const MacroField& field, const BatchMacro& macro) {
    return field.number ? macro.*field.number : std::int32_t(macro.*field.shortNumber);
}

}  // namespace

std::span<const MacroField> MacroFields() { return Table(); }

std::string MacroFieldText(const MacroField& field, const BatchMacro& macro) {
    switch (field.kind) {
        case Kind::Text:
            return macro.*field.text;
        case Kind::Colour:
            return std::to_string(RedOf(macro.transparentColor)) + "," + std::to_string(GreenOf(macro.transparentColor)) +
                   "," + std::to_string(BlueOf(macro.transparentColor));
        case Kind::Choice: {
            const std::int32_t v = NumberOf(field, macro);
            if (v >= field.low && v <= field.high) return std::string(field.names[std::size_t(v)]);
            return std::to_string(v);  // a value the file holds but no name describes
        }
        case Kind::Number:
            break;
    }
    return std::to_string(NumberOf(field, macro));
}

std::string SetMacroField(const MacroField& field, BatchMacro& macro, const std::string& value) {
    switch (field.kind) {
        case Kind::Text:
            if (value.size() > std::size_t(field.high))
                return "'" + value + "' is longer than " + std::to_string(field.high) + " characters";
            if (field.text != &BatchMacro::outputDir && !value.empty() && !IsValidMacroName(value))
                return "'" + value + "' is not a name (no /, \\, .. or control characters)";
            macro.*field.text = value;
            return {};
        case Kind::Colour:
            if (const auto colour = ParseColourValue(value)) {
                macro.transparentColor = *colour;
                return {};
            }
            return "'" + value + "' is not R,G,B with each from 0 to 255";
        case Kind::Choice: {
            std::string allowed;
            for (std::int32_t v = field.low; v <= field.high; ++v) {
                if (value == field.names[std::size_t(v)]) {
                    macro.*field.number = v;
                    return {};
                }
                allowed += (v == field.low ? "" : v == field.high ? " or " : ", ") +
                           std::string(field.names[std::size_t(v)]);
            }
            return "'" + value + "' is not " + allowed;
        }
        case Kind::Number: {
            const auto parsed = ParseIntValue(value, field.low, field.high);
            if (!parsed)
                return "'" + value + "' is not a number from " + std::to_string(field.low) + " to " +
                       std::to_string(field.high);
            if (field.number)
                macro.*field.number = std::int32_t(*parsed);
            else
                macro.*field.shortNumber = std::int16_t(*parsed);
            return {};
        }
    }
    return {};
}

std::string MacroFieldDefault(const MacroField& field) {
    const BatchMacro fresh;
    if (field.kind == Kind::Text && field.text == &BatchMacro::name) return "the file name";
    const std::string text = MacroFieldText(field, fresh);
    return text.empty() ? "empty" : text;
}

}  // namespace lp
