#include "startup/ini_document.h"

#include <algorithm>

#include "common/ascii_case.h"

namespace vendrik {
namespace {

std::string_view trimBlanks(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

// The section name of a header line "[name]", or nothing for any other line.
std::optional<std::string_view> sectionName(std::string_view line) {
    line = trimBlanks(line);
    if (line.empty() || line.front() != '[') {
        return std::nullopt;
    }
    line.remove_prefix(1);
    const auto close = line.find(']');
    return trimBlanks(line.substr(0, close));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;  // untrimmed
};

// A "key=value" line; comment lines (";") and lines without "=" are none.
std::optional<KeyLine> keyLine(std::string_view line) {
    const auto trimmed = trimBlanks(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[') {
        return std::nullopt;
    }
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) {
        return std::nullopt;
    }
    return KeyLine{trimBlanks(line.substr(0, eq)), line.substr(eq + 1)};
}

std::string readableValue(std::string_view raw) {
    raw = raw.substr(0, raw.find('\0'));
    raw = trimBlanks(raw);
    if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') &&
        raw.back() == raw.front()) {
        raw = raw.substr(1, raw.size() - 2);
    }
    return std::string(raw);
}

bool crOnly(std::string_view bytes) {
    return bytes.find('\n') == std::string_view::npos && bytes.find('\r') != std::string_view::npos;
}

// The byte that ends lines: LF (of LF or CR LF), or CR in a file without
// any LF.
char lineSeparator(std::string_view bytes) {
    return crOnly(bytes) ? '\r' : '\n';
}

// The line ending new lines get: that of the document's first line that has
// one; CR LF, the ending INI files are expected to have, for a document
// without any.
std::string newLineEnding(std::string_view bytes) {
    if (crOnly(bytes)) {
        return "\r";
    }
    const auto lf = bytes.find('\n');
    if (lf == std::string_view::npos) {
        return "\r\n";
    }
    return lf > 0 && bytes[lf - 1] == '\r' ? "\r\n" : "\n";
}

// One line of the document: its text without the ending, and where the
// next line starts.
struct Line {
    std::size_t begin = 0;
    std::string_view text;
    std::size_t end = 0;  // after the line's ending
};

// The line starting at `begin` (a line start, before the end).
Line lineAt(std::string_view bytes, char separator, std::size_t begin) {
    Line line;
    line.begin = begin;
    const auto sep = bytes.find(separator, begin);
    const bool ended = sep != std::string_view::npos;
    std::string_view text = bytes.substr(begin, ended ? sep - begin : std::string_view::npos);
    // The CR of a CR LF ending, and a CR on the last line of an LF file,
    // which would become that ending's CR once a line is added after it.
    if (separator == '\n' && !text.empty() && text.back() == '\r') {
        text.remove_suffix(1);
    }
    line.text = text;
    line.end = ended ? sep + 1 : bytes.size();
    return line;
}

// The header line of the first section of that name. Only lines whose first
// byte other than blanks is "[" can be headers, so the search jumps from one
// "[" to the next instead of looking at every line: a settings file of tens
// of megabytes is searched in a moment.
std::optional<Line> findSection(std::string_view bytes, char separator, std::string_view section) {
    std::size_t pos = 0;  // always the start of a line
    while (pos < bytes.size()) {
        const auto bracket = bytes.find('[', pos);
        if (bracket == std::string_view::npos) {
            return std::nullopt;
        }
        const auto before = bracket == pos ? std::string_view::npos
                                           : bytes.rfind(separator, bracket - 1);
        const std::size_t lineBegin =
            before == std::string_view::npos || before < pos ? pos : before + 1;
        const Line line = lineAt(bytes, separator, lineBegin);
        if (bytes.find_first_not_of(" \t", lineBegin) == bracket) {
            const auto name = sectionName(line.text);
            if (name && equalsIgnoringCase(*name, section)) {
                return line;
            }
        }
        pos = line.end;
    }
    return std::nullopt;
}

}  // namespace

IniDocument IniDocument::parse(std::string_view bytes) {
    return fromBytes(std::string(bytes));
}

IniDocument IniDocument::fromBytes(std::string&& bytes) {
    IniDocument doc;
    doc.m_bytes = std::move(bytes);
    return doc;
}

bool IniDocument::carriageReturnLines() const noexcept {
    return crOnly(m_bytes);
}

std::vector<std::optional<std::string>> IniDocument::values(
    std::string_view section, const std::vector<std::string_view>& keys) const {
    std::vector<std::optional<std::string>> out(keys.size());
    const char separator = lineSeparator(m_bytes);
    const auto header = findSection(m_bytes, separator, section);
    if (!header) {
        return out;
    }
    std::size_t missing = keys.size();
    for (std::size_t pos = header->end; pos < m_bytes.size() && missing > 0;) {
        const Line line = lineAt(m_bytes, separator, pos);
        pos = line.end;
        if (sectionName(line.text)) {
            break;  // the section ends at the next header
        }
        const auto kl = keyLine(line.text);
        if (!kl) {
            continue;
        }
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (!out[i] && equalsIgnoringCase(kl->key, keys[i])) {
                out[i] = readableValue(kl->value);
                --missing;
            }
        }
    }
    return out;
}

std::vector<std::string> IniDocument::sectionNames() const {
    std::vector<std::string> names;
    const char separator = lineSeparator(m_bytes);
    for (std::size_t pos = 0; pos < m_bytes.size();) {
        const Line line = lineAt(m_bytes, separator, pos);
        pos = line.end;
        if (const auto name = sectionName(line.text)) {
            names.emplace_back(*name);
        }
    }
    return names;
}

bool IniDocument::removeSection(std::string_view section) {
    const char separator = lineSeparator(m_bytes);
    bool removed = false;
    while (const auto header = findSection(m_bytes, separator, section)) {
        std::size_t end = header->end;
        while (end < m_bytes.size()) {
            const Line line = lineAt(m_bytes, separator, end);
            if (sectionName(line.text)) {
                break;
            }
            end = line.end;
        }
        m_bytes.erase(header->begin, end - header->begin);
        removed = true;
    }
    return removed;
}

bool IniDocument::hasSection(std::string_view section) const {
    return findSection(m_bytes, lineSeparator(m_bytes), section).has_value();
}

std::optional<std::string> IniDocument::value(std::string_view section,
                                              std::string_view key) const {
    return values(section, {key}).front();
}

void IniDocument::setValue(std::string_view section, std::string_view key,
                           std::string_view value) {
    const std::string eol = newLineEnding(m_bytes);
    const char separator = lineSeparator(m_bytes);
    const auto header = findSection(m_bytes, separator, section);
    std::string added;
    std::size_t insertAt = m_bytes.size();
    bool unendedBefore = false;  // the line before the insertion has no ending
    if (!header) {
        unendedBefore = !m_bytes.empty() && m_bytes.back() != separator;
        added = std::string(1, '[').append(section).append("]").append(eol);
    } else {
        // After the section's last key line, so that blank lines and comments
        // separating it from the next section stay where they are.
        Line after = *header;
        for (std::size_t pos = header->end; pos < m_bytes.size();) {
            const Line line = lineAt(m_bytes, separator, pos);
            pos = line.end;
            if (sectionName(line.text)) {
                break;
            }
            const auto kl = keyLine(line.text);
            if (!kl) {
                continue;
            }
            if (equalsIgnoringCase(kl->key, key)) {
                if (readableValue(kl->value) != value) {
                    // Keep the key as spelt in the file; only the value changes.
                    const std::string text = std::string(kl->key) + "=" + std::string(value);
                    m_bytes.replace(line.begin, line.text.size(), text);
                }
                return;
            }
            after = line;
        }
        insertAt = after.end;
        // Ended only by the separator itself: a last line "[name]\r" in a
        // file of LF lines has no ending, whatever its CR.
        unendedBefore = m_bytes[after.end - 1] != separator;
    }
    if (unendedBefore) {
        added.insert(0, eol);
    }
    added.append(key).append("=").append(value).append(eol);
    m_bytes.insert(insertAt, added);
}

}  // namespace vendrik
