#pragma once
// The fields of a batch macro as the command line names them: one long option per field,
// with its meaning, its default and the values it may take.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "batch/batch_macro.h"

namespace lp {

struct MacroField {
    enum class Kind { Text, Number, Choice, Colour };
    std::string_view option;   // "quality": the long option is "--quality"
    std::string_view meaning;  // one line for --help
    Kind kind;
    std::int32_t low = 0, high = 0;       // Number; Text: high is the longest length
    std::vector<std::string_view> names;  // Choice: names[v] is value v (low is 0 or 1)
    std::string BatchMacro::*text = nullptr;
    std::int32_t BatchMacro::*number = nullptr;
    std::int16_t BatchMacro::*shortNumber = nullptr;
};

/// Every field of the record, in file order.
std::span<const MacroField> MacroFields();

/// The field's value as the command line writes it ("jpeg", "70", "255,0,0", a text).
std::string MacroFieldText(const MacroField& field, const BatchMacro& macro);
/// Sets the field from the command line's form; returns an error text ("" when set).
std::string SetMacroField(const MacroField& field, BatchMacro& macro, const std::string& value);
/// "jpeg", "70": the default of a new macro, as text.
std::string MacroFieldDefault(const MacroField& field);

}  // namespace lp
