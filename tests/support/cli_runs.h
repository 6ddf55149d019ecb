#pragma once
// What the suites that run vendrik-cli from outside share: the program's
// path as a shell word and the names they all use. For test sources only:
// it brings those names into the unnamed namespace of namespace vendrik.

#include <filesystem>
#include <string>

#include "support/test_support.h"

namespace vendrik {
namespace test {

// The vendrik-cli under test, quoted for a shell command line.
[[nodiscard]] inline std::string cli() {
    return shellQuote(cliPath());
}

}  // namespace test

// In the suites' own unnamed namespace, where test::cli hides the command
// line's namespace vendrik::cli.
namespace {
namespace fs = std::filesystem;
using test::cli;
using test::runCommand;
using test::shellQuote;
using test::TempDir;
}  // namespace

}  // namespace vendrik
