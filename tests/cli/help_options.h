#pragma once
// The options a --help text lists in its option column ("  -s, --size ..."
// and "      --box ..."), read from the text itself, so that a check over
// them covers an option the day it is added.

#include <string>
#include <string_view>
#include <vector>

namespace vendrik::test {

// Each option's short form (when it has one) and its long form, in the
// order of the help.
inline std::vector<std::string> optionsOfHelp(std::string_view help) {
    std::vector<std::string> options;
    const auto word = [](std::string_view line, std::size_t at) {
        const std::size_t end = line.find(' ', at);
        return std::string(line.substr(at, end == std::string_view::npos ? end : end - at));
    };
    std::size_t start = 0;
    while (start < help.size()) {
        const std::size_t end = std::min(help.find('\n', start), help.size());
        const std::string_view line = help.substr(start, end - start);
        start = end + 1;
        if (line.substr(0, 3) == "  -" && line.size() > 8 && line[3] != '-' &&
            line.substr(4, 4) == ", --") {
            options.emplace_back(line.substr(2, 2));
            options.push_back(word(line, 6));
        } else if (line.substr(0, 8) == "      --") {
            options.push_back(word(line, 6));
        }
    }
    return options;
}

// Whether `text` holds `word` standing apart: not inside a longer option
// ("--tag" is not in "--tag-first").
inline bool holdsWord(std::string_view text, std::string_view word) {
    const auto apart = [](char c) {
        return c == ' ' || c == ',' || c == '=' || c == '(' || c == ')' || c == '.' || c == '\n' ||
               c == '|' || c == '[';
    };
    for (std::size_t at = text.find(word); at != std::string_view::npos;
         at = text.find(word, at + 1)) {
        const bool before = at == 0 || apart(text[at - 1]);
        const std::size_t after = at + word.size();
        if (before && (after == text.size() || apart(text[after]))) {
            return true;
        }
    }
    return false;
}

}  // namespace vendrik::test
