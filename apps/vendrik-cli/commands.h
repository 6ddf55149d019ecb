#pragma once
// The subcommands of vendrik-cli. Each takes the arguments after its name and
// returns the process exit code: 0 success, 1 the work failed, 2 bad usage.

#include <string>
#include <vector>

namespace vendrik::cli {

using Args = std::vector<std::string>;

// Reports a usage error of `command` on stderr, in one line with a pointer
// to its --help; returns the exit code for bad usage, 2.
int usageError(const std::string& command, const std::string& message);

int runEncode(const Args& args);
int runExif(const Args& args);
int runOptimise(const Args& args);
int runSettings(const Args& args);
int runRegister(const Args& args);
int runWatermarkPreview(const Args& args);

}  // namespace vendrik::cli
