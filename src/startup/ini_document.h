#pragma once
// A private profile (INI) file held in memory as its lines, in the file's own
// bytes (Windows-1252). Reading forgives what a file edited by hand holds
// (names in any case, blanks and quotes around values); writing changes only
// the line of the key written, so such a file keeps every other byte, its
// comments and its line endings.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vendrik {

class IniDocument {
public:
    // Any bytes at all: lines without "=", binary garbage and duplicate
    // sections are kept as they are and simply never match. Lines end with
    // LF or CR LF; a file without any LF but with CRs (as the classic Mac OS
    // wrote them) has lines ending with CR.
    [[nodiscard]] static IniDocument parse(std::string_view bytes);
    // The same, taking over the bytes instead of copying them.
    [[nodiscard]] static IniDocument fromBytes(std::string&& bytes);

    // The value of the first matching key of the first matching section,
    // names compared without regard to case. Blanks and tabs around the value
    // are trimmed and one pair of enclosing quotes (" or ') is removed: a
    // user who writes Tag = "klein" means klein. Text after a NUL byte is not
    // part of the value.
    [[nodiscard]] std::optional<std::string> value(std::string_view section,
                                                   std::string_view key) const;

    // The values of several keys of one section, as value() gives each, in
    // the order of `keys`, found in one pass over the document.
    [[nodiscard]] std::vector<std::optional<std::string>> values(
        std::string_view section, const std::vector<std::string_view>& keys) const;

    // True when a section of that name (compared without regard to case)
    // is in the document, even one without keys.
    [[nodiscard]] bool hasSection(std::string_view section) const;

    // The names of every section in the order of their headers, as written
    // (duplicates included), found in one pass however many there are.
    [[nodiscard]] std::vector<std::string> sectionNames() const;

    // Removes every section of that name (compared without regard to case):
    // its header and its lines up to the next header. False when there was
    // none.
    bool removeSection(std::string_view section);

    // Stores `value` under the key, adding the section and the key when
    // missing. A key whose stored value already reads back as `value` is left
    // untouched, byte for byte. All arguments are Windows-1252.
    void setValue(std::string_view section, std::string_view key, std::string_view value);

    [[nodiscard]] const std::string& bytes() const noexcept { return m_bytes; }

    // True when the lines end with CR alone.
    [[nodiscard]] bool carriageReturnLines() const noexcept;

private:
    // The document is kept as its bytes, not as a table of lines: a file of
    // tens of megabytes of empty lines would otherwise take gigabytes.
    std::string m_bytes;
};

}  // namespace vendrik
