#pragma once
// A private profile (INI) file held in memory as its lines, in the file's own
// bytes (Windows-1252). Reading answers as the platform's profile reader
// does; writing changes only the line of the key written, so a file the user
// edited by hand keeps every other byte, its comments and its line endings.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vendrik {

class IniDocument {
public:
    // Any bytes at all: lines without "=", binary garbage and duplicate
    // sections are kept as they are and simply never match.
    [[nodiscard]] static IniDocument parse(std::string_view bytes);

    // The value of the first matching key of the first matching section,
    // names compared without regard to case. Blanks and tabs around the value
    // are trimmed and one pair of enclosing quotes (" or ') is removed, as the
    // platform's reader does. Text after a NUL byte is not part of the value.
    [[nodiscard]] std::optional<std::string> value(std::string_view section,
                                                   std::string_view key) const;

    // True when a section of that name (compared without regard to case)
    // is in the document, even one without keys.
    [[nodiscard]] bool hasSection(std::string_view section) const {
        return findSection(section).has_value();
    }

    // Stores `value` under the key, adding the section and the key when
    // missing. A key whose stored value already reads back as `value` is left
    // untouched, byte for byte. All arguments are Windows-1252.
    void setValue(std::string_view section, std::string_view key, std::string_view value);

    [[nodiscard]] std::string bytes() const;

private:
    struct Line {
        std::string text;    // without its line ending
        std::string ending;  // "\r\n", "\n" or "" for a last line without one
    };

    // Index of the header line of the first section of that name.
    [[nodiscard]] std::optional<std::size_t> findSection(std::string_view section) const;
    // Index of the first line of the key inside the section starting after
    // `header`; the section ends at the next header line.
    [[nodiscard]] std::optional<std::size_t> findKey(std::size_t header,
                                                     std::string_view key) const;
    [[nodiscard]] std::string newLineEnding() const;

    std::vector<Line> m_lines;
};

}  // namespace vendrik
