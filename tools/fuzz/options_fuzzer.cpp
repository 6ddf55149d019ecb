// libFuzzer target for the command line's option tables: any bytes as the
// words after a subcommand (NUL bytes between them), parsed against the
// table of `optimise` (which holds the --wm-* and settings options too) or
// of `watermark-preview`, or against a table of every shape of option, and
// applied as the commands apply them. Besides the sanitizers' findings it
// checks the parser's promises: a refusal names its reason, options keep
// their order, and what was parsed is the words given.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "command_line.h"
#include "fuzz_support.h"
#include "optimise_options.h"
#include "settings_options.h"
#include "watermark_options.h"

using vendrik::fuzz::require;

namespace {

// Words of a switch, a value, a short option and a long one whose names
// share their start (for abbreviations).
std::vector<vendrik::CliOption> shapesTable(std::vector<std::string>& seen) {
    using vendrik::CliOption;
    const auto note = [&seen](const char* name) {
        return [&seen, name](const std::string& v, std::string& e) {
            if (v == "fail") {
                e = std::string("--") + name + " mag 'fail' nicht";
                return false;
            }
            seen.push_back(std::string(name) + "=" + v);
            return true;
        };
    };
    return {
        {"alpha", 'a', "", "Schalter", note("alpha"), false, ""},
        {"alphabet", 0, "TEXT", "Wert", note("alphabet"), false, ""},
        {"beta", 'b', "N", "Wert", note("beta"), true, "Gruppe"},
        {"gamma", 'g', "", "Schalter", note("gamma"), false, ""},
    };
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vendrik;
    using namespace vendrik::cli;
    const auto input = vendrik::fuzz::chosenInput(data, size);
    if (!input) {
        return 0;
    }
    const std::uint8_t choice = input->choice;
    Args args;
    std::string word;
    for (const std::uint8_t byte : input->bytes) {
        if (byte == 0) {
            args.push_back(word);
            word.clear();
        } else {
            word += static_cast<char>(byte);
        }
    }
    if (!word.empty()) {
        args.push_back(word);
    }
    if (args.size() > 64) {
        return 0;
    }

    OptimiseOptions optimise;
    optimise.batch = startingBatchSettings(Settings{});
    SettingsSelection selection;
    vendrik::WatermarkSettings design;
    bool designed = false;
    std::vector<std::string> seen;
    std::vector<CliOption> table;
    switch (choice % 3) {
        case 0:
            table = optimiseOptionTable(optimise);
            break;
        case 1:
            addWatermarkOptions(table, design, designed, "");
            addSettingsOptions(table, selection, "Einstellungsdatei");
            break;
        default:
            table = shapesTable(seen);
    }
    CommandLine line;
    std::string error;
    if (!parseCommandLine(table, args, line, error)) {
        require(!error.empty());
        return 0;
    }
    for (const auto& given : line.given) {
        require(given.option != nullptr);
    }
    // Operands are words as given ("-" and what follows "--" included).
    for (const std::string& operand : line.operands) {
        require(std::find(args.begin(), args.end(), operand) != args.end());
    }
    const bool early = applyOptions(line, true, error);
    require(early || !error.empty());
    error.clear();
    const bool late = early && applyOptions(line, false, error);
    require(late || !early || !error.empty());
    if (late && choice % 3 == 0) {
        error.clear();
        const bool complete = completeOptimiseOptions(optimise, error);
        require(complete || !error.empty());
    }
    if (choice % 3 == 2 && late) {
        // Every option given was applied, in the order given.
        require(seen.size() == line.given.size());
    }
    (void)helpText(kOptimiseHelp, table);
    return 0;
}
