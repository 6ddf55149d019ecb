#pragma once
// The subcommands of vendrik-cli. Each takes the arguments after its name and
// returns the process exit code: 0 success, 1 the work failed, 2 bad usage.

#include <string>
#include <vector>

namespace vendrik::cli {

using Args = std::vector<std::string>;

int runEncode(const Args& args);
int runExif(const Args& args);
int runOptimise(const Args& args);
int runSettings(const Args& args);
int runRegister(const Args& args);
int runWatermarkPreview(const Args& args);

}  // namespace vendrik::cli
