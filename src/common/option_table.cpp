#include "common/option_table.h"

#include <getopt.h>

#include <algorithm>

#include "common/utf8.h"

namespace vendrik {
namespace {

// getopt_long reports a long option by this value plus its index, so that
// long options without a short name need no letter of their own.
constexpr int kLongOptionBase = 256;

std::vector<CliOption> withCommonOptions(const std::vector<CliOption>& options) {
    std::vector<CliOption> all = options;
    all.push_back({"help", 'h', "", "diese Hilfe zeigen", nullptr, false, ""});
    all.push_back({"version", 'V', "", "die Version zeigen", nullptr, false, ""});
    return all;
}

std::string spelled(const CliOption& o) {
    return "--" + o.longName;
}

// The long option a word like "--qua=80" stands for, or why none does.
std::string unknownLongOption(const std::vector<CliOption>& all, const std::string& word) {
    const std::string name = word.substr(0, word.find('='));
    std::vector<std::string> candidates;
    for (const CliOption& o : all) {
        if (name.size() > 2 && spelled(o).rfind(name, 0) == 0) {
            candidates.push_back(spelled(o));
        }
    }
    if (candidates.size() > 1) {
        std::string list;
        for (const std::string& c : candidates) {
            list += (list.empty() ? "" : ", ") + c;
        }
        return "mehrdeutige Option '" + name + "' (" + list + ")";
    }
    return "unbekannte Option '" + name + "'";
}

std::size_t displayWidth(std::string_view text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return !isUtf8Continuation(c); }));
}

// `text` broken into lines of at most `width` characters at blanks; a line
// that fits is kept as it is (with its runs of blanks, as in a table).
std::vector<std::string> wrapped(std::string_view text, std::size_t width) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        bool cut = false;
        while (displayWidth(line) > width) {
            cut = true;
            // The last blank that keeps the line within the width; a word
            // longer than the width stands alone.
            std::size_t blank = std::string_view::npos;
            for (std::size_t i = 0, shown = 0; i < line.size() && shown <= width; ++i) {
                if (line[i] == ' ') {
                    blank = i;
                }
                shown += isUtf8Continuation(line[i]) ? 0 : 1;
            }
            if (blank == std::string_view::npos || blank == 0) {
                blank = std::min(line.find(' ', 1), line.size());
            }
            lines.emplace_back(line.substr(0, blank));
            line.remove_prefix(std::min(blank + 1, line.size()));
        }
        if (!cut || !line.empty()) {
            lines.emplace_back(line);
        }
        if (end == text.size()) {
            return lines;
        }
        start = end + 1;
    }
}

std::string operandColumn(const CommandOperand& o) {
    return "  " + o.name;
}

std::string optionColumn(const CliOption& o) {
    std::string left = o.shortName != 0 ? std::string("  -") + o.shortName + ", " : "      ";
    left += spelled(o);
    if (!o.valueName.empty()) {
        left += " " + o.valueName;
    }
    return left;
}

}  // namespace

bool parseCommandLine(const std::vector<CliOption>& options, const std::vector<std::string>& args,
                      CommandLine& out, std::string& error) {
    const std::vector<CliOption> all = withCommonOptions(options);
    const std::size_t helpIndex = all.size() - 2;
    const std::size_t versionIndex = all.size() - 1;

    std::vector<option> longOptions;
    // "-": operands come back in order as option 1 (whatever
    // POSIXLY_CORRECT says); ":": a missing value is told apart.
    std::string shortOptions = "-:";
    for (std::size_t i = 0; i < all.size(); ++i) {
        const int hasValue = all[i].valueName.empty() ? no_argument : required_argument;
        longOptions.push_back(
            {all[i].longName.c_str(), hasValue, nullptr, kLongOptionBase + static_cast<int>(i)});
        if (all[i].shortName != 0) {
            shortOptions += all[i].shortName;
            shortOptions += hasValue == required_argument ? ":" : "";
        }
    }
    longOptions.push_back({nullptr, 0, nullptr, 0});
    const auto indexOfShort = [&](int c) -> std::size_t {
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (all[i].shortName == c) {
                return i;
            }
        }
        return all.size();
    };

    // getopt_long permutes its argv; it gets copies of the words.
    std::vector<std::string> words;
    words.reserve(args.size() + 1);
    // argv[0]: getopt names it only in the messages it is told not to print.
    words.emplace_back("vendrik");
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) {
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);
    const int argc = static_cast<int>(words.size());

    optind = 0;  // a fresh start, also of GNU getopt's inner state
    opterr = 0;
    for (;;) {
        const int c =
            getopt_long(argc, argv.data(), shortOptions.c_str(), longOptions.data(), nullptr);
        if (c == -1) {
            break;
        }
        if (c == 1) {
            out.operands.emplace_back(optarg);
            continue;
        }
        if (c == '?' || c == ':') {
            // optopt is 0 for a long option that is unknown or ambiguous
            // (its word is the last one read), the letter of a short one, or
            // our value of a known long one.
            if (optopt == 0) {
                error = unknownLongOption(all, argv[static_cast<std::size_t>(optind - 1)]);
                return false;
            }
            const bool isLong = optopt >= kLongOptionBase;
            const std::size_t index =
                isLong ? static_cast<std::size_t>(optopt - kLongOptionBase) : indexOfShort(optopt);
            if (index == all.size()) {
                error = "unbekannte Option '-" + std::string(1, static_cast<char>(optopt)) + "'";
                return false;
            }
            // Built from its two characters: GCC 12 takes "-" + std::string
            // here for an overlapping copy (-Wrestrict, a false alarm).
            const std::string name =
                isLong ? spelled(all[index]) : std::string{'-', all[index].shortName};
            error = c == ':' ? name + " erwartet einen Wert (" + all[index].valueName + ")"
                             : name + " erwartet keinen Wert";
            return false;
        }
        const std::size_t index =
            c >= kLongOptionBase ? static_cast<std::size_t>(c - kLongOptionBase) : indexOfShort(c);
        if (index == helpIndex) {
            out.help = true;
        } else if (index == versionIndex) {
            out.version = true;
        } else {
            // The table outlives the parse; `all` is a copy of it.
            out.given.push_back({&options[index], optarg != nullptr ? optarg : ""});
        }
    }
    // The words after "--".
    for (int i = optind; i < argc; ++i) {
        out.operands.emplace_back(argv[static_cast<std::size_t>(i)]);
    }
    return true;
}

bool applyOptions(const CommandLine& line, bool early, std::string& error) {
    for (const CommandLine::Given& g : line.given) {
        if (g.option->early == early && g.option->apply && !g.option->apply(g.value, error)) {
            return false;
        }
    }
    return true;
}

std::string helpText(const CommandHelp& help, const std::vector<CliOption>& options) {
    const std::vector<CliOption> all = withCommonOptions(options);
    constexpr std::size_t kMaxColumn = 30;
    constexpr std::size_t kLineWidth = 80;
    std::size_t column = 0;
    for (const CliOption& o : all) {
        column = std::max(column, displayWidth(optionColumn(o)) + 2);
    }
    for (const CommandOperand& o : help.operands) {
        column = std::max(column, displayWidth(operandColumn(o)) + 2);
    }
    column = std::min(column, kMaxColumn);
    const std::string indent(column, ' ');
    // One entry: its left column, then its help wrapped beside it (below it
    // when the left column is too wide).
    const auto entry = [&](const std::string& left, std::string_view entryHelp) {
        const std::size_t width = displayWidth(left);
        std::string out = left;
        out += width + 2 <= column ? std::string(column - width, ' ') : "\n" + indent;
        const std::vector<std::string> lines = wrapped(entryHelp, kLineWidth - column);
        for (std::size_t k = 0; k < lines.size(); ++k) {
            out += (k == 0 ? "" : indent) + lines[k] + "\n";
        }
        return out;
    };

    std::string text = "Aufruf: " + std::string(help.usage) + "\n\n";
    text += help.description;
    if (!help.operands.empty()) {
        text += "\nArgumente:\n";
        for (const CommandOperand& o : help.operands) {
            text += entry(operandColumn(o), o.help);
        }
    }
    text += "\nOptionen:\n";
    for (std::size_t i = 0; i < all.size(); ++i) {
        const CliOption& o = all[i];
        if (!o.heading.empty()) {
            text += "\n" + o.heading + "\n";
        }
        if (i + 2 == all.size()) {
            text += "\n";  // -h and -V close the list
        }
        text += entry(optionColumn(o), o.help);
    }
    text += "\n";
    text += help.returns;
    return text;
}

}  // namespace vendrik
