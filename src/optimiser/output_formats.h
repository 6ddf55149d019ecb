#pragma once
// The output formats a user chooses from, in the order of the window's list
// "Format:" and of the stored values of the settings key "Format"; the
// command line names them ("--format webp") by their names in any case.

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "optimiser/output_format.h"

namespace vendrik {

// The stored values of the settings key "Format".
enum class OutputFormatId {
    Jpeg = 0,
    WebP = 1,
    Avif = 2,
};

inline constexpr std::array<OutputFormatId, 3> kOutputFormatIds = {
    OutputFormatId::Jpeg, OutputFormatId::WebP, OutputFormatId::Avif};

[[nodiscard]] std::shared_ptr<const OutputFormat> outputFormat(OutputFormatId id);

// The format of a stored value; JPEG for a value that names none.
[[nodiscard]] std::shared_ptr<const OutputFormat> outputFormatOfSetting(int value);

// The format of a name as the command line takes it ("webp", "AVIF").
[[nodiscard]] std::optional<OutputFormatId> outputFormatNamed(std::string_view name);

// The format a file name's ending asks for (".webp", ".avif"; ".jpg" and
// ".jpeg"), ignoring case; nothing for any other name.
[[nodiscard]] std::optional<OutputFormatId> outputFormatForFileName(std::string_view fileName);

// The format's name as the command line and its JSON spell it: "webp".
[[nodiscard]] std::string outputFormatKeyword(const OutputFormat& format);

}  // namespace vendrik
