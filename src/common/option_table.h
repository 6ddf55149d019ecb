#pragma once
// The options of a program or subcommand as one table: the parser, the
// --help text and the tests that hold the man pages and the bash completion
// to the help all read the same entries, so an option is added in exactly
// one place. Both programs read their command lines through it: vendrik-cli
// one table per subcommand, the window program one for all its modes.
//
// Parsing follows getopt_long, as Linux users know it from the GNU tools:
// "--opt=value" and "--opt value", "-j2" and "-j 2", short switches combined
// ("-qr"), unambiguous abbreviations of long options ("--qual"), options
// before, between and after the operands, "--" ending the options, "-" an
// operand (standard input or output). A value is always the next word, even
// one beginning with "-" ("--wm-text '-- privat --'"). Options take effect
// in the order given, so of two that set the same thing the last one wins.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vendrik {

struct CliOption {
    std::string longName;   // without "--"
    char shortName = 0;     // 0: none
    std::string valueName;  // empty: a switch that takes no value ("ORDNER", "N")
    // German; wrapped to the width of the help, "\n" forces a new line
    std::string help;
    // Takes the value ("" for a switch); false with a German reason that
    // names the option.
    std::function<bool(const std::string& value, std::string& error)> apply;
    // Applied before all others: the choice of the settings file, which the
    // other options then go over.
    bool early = false;
    // A heading printed above this option in the help, starting a group.
    std::string heading;
};

// What a command line held, in order, before anything was applied.
struct CommandLine {
    struct Given {
        const CliOption* option;
        std::string value;
    };
    std::vector<Given> given;
    std::vector<std::string> operands;  // files, folders, "-"
    bool help = false;                  // -h, --help
    bool version = false;               // -V, --version
};

// Parses `args` (the words after the program's name or the subcommand)
// against `options` and the -h/--help and -V/--version every command has.
// False with a one-line German reason naming the offending option (unknown,
// ambiguous, missing value, a value given to a switch).
[[nodiscard]] bool parseCommandLine(const std::vector<CliOption>& options,
                                    const std::vector<std::string>& args, CommandLine& out,
                                    std::string& error);

// Calls `apply` of the given options whose `early` equals `early`, in the
// order given; stops at the first that fails.
[[nodiscard]] bool applyOptions(const CommandLine& line, bool early, std::string& error);

// A word of the command line that is no option ("ORDNER", "BILDDATEI").
struct CommandOperand {
    std::string name;
    std::string help;  // German; wrapped as an option's help is
};

struct CommandHelp {
    std::string_view usage;        // "vendrik-cli encode [OPTIONEN] EINGABE AUSGABE"; further
                                   // lines bring their own indent
    std::string_view description;  // paragraphs, each line ending in "\n"
    std::string_view returns;      // "Rückgabe: ..." lines
    // Listed under "Argumente:" in the options' layout; without them the
    // description names the operands.
    std::vector<CommandOperand> operands = {};
};

// The help: usage, description, "Argumente:" with the operands when there
// are any, "Optionen:" with every entry of the table (and -h, -V) in the
// same layout, the return codes.
[[nodiscard]] std::string helpText(const CommandHelp& help, const std::vector<CliOption>& options);

}  // namespace vendrik
