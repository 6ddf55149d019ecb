#pragma once
// How every subcommand of vendrik-cli starts: its option table (the shared
// parser of common/option_table.h) read from its arguments, --help and
// --version answered, a wrong call reported in one line.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "commands.h"
#include "common/option_table.h"
#include "jpeg/cJpeg.h"

namespace vendrik::cli {

// The start of every command: parses `args` against `options`; answers
// --help and --version on standard output and reports a usage error (one
// line, exit code 2) itself. Returns the exit code when the command ends
// there, nothing when it goes on with `line`.
[[nodiscard]] std::optional<int> readCommandLine(std::string_view command, const CommandHelp& help,
                                                 const std::vector<CliOption>& options,
                                                 const Args& args, CommandLine& line);

// --compression MODUS, as optimise and encode take it: "standard" or
// "strong" into `mode`, which must outlive the option.
[[nodiscard]] CliOption compressionOption(std::string help, JpegCompression& mode);

// "vendrik-cli (Tervane Vendrik) 0.1.0" and a line about the program.
[[nodiscard]] std::string versionText();

}  // namespace vendrik::cli
