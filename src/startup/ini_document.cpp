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

}  // namespace

IniDocument IniDocument::parse(std::string_view bytes) {
    IniDocument doc;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const auto lf = bytes.find('\n', start);
        if (lf == std::string_view::npos) {
            doc.m_lines.push_back({std::string(bytes.substr(start)), ""});
            break;
        }
        std::string_view text = bytes.substr(start, lf - start);
        std::string_view ending = "\n";
        if (!text.empty() && text.back() == '\r') {
            text.remove_suffix(1);
            ending = "\r\n";
        }
        doc.m_lines.push_back({std::string(text), std::string(ending)});
        start = lf + 1;
    }
    return doc;
}

std::optional<std::size_t> IniDocument::findSection(std::string_view section) const {
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const auto name = sectionName(m_lines[i].text);
        if (name && equalsIgnoringCase(*name, section)) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<std::size_t> IniDocument::findKey(std::size_t header, std::string_view key) const {
    for (std::size_t i = header + 1; i < m_lines.size(); ++i) {
        if (sectionName(m_lines[i].text)) {
            break;
        }
        const auto kl = keyLine(m_lines[i].text);
        if (kl && equalsIgnoringCase(kl->key, key)) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<std::string> IniDocument::value(std::string_view section,
                                              std::string_view key) const {
    const auto header = findSection(section);
    if (!header) {
        return std::nullopt;
    }
    const auto line = findKey(*header, key);
    if (!line) {
        return std::nullopt;
    }
    return readableValue(keyLine(m_lines[*line].text)->value);
}

std::string IniDocument::newLineEnding() const {
    // A file that already uses bare LF keeps doing so; a new one gets the
    // CR LF of the format's home platform.
    for (const Line& l : m_lines) {
        if (!l.ending.empty()) {
            return l.ending;
        }
    }
    return "\r\n";
}

void IniDocument::setValue(std::string_view section, std::string_view key,
                           std::string_view value) {
    const std::string eol = newLineEnding();
    const auto header = findSection(section);
    // A last line without its ending gets one before anything follows it.
    const auto endLastLine = [&] {
        if (!m_lines.empty() && m_lines.back().ending.empty()) {
            m_lines.back().ending = eol;
        }
    };
    if (!header) {
        endLastLine();
        m_lines.push_back({std::string(1, '[').append(section).append("]"), eol});
        m_lines.push_back({std::string(key) + "=" + std::string(value), eol});
        return;
    }
    if (const auto line = findKey(*header, key)) {
        Line& l = m_lines[*line];
        const auto kl = keyLine(l.text);
        if (readableValue(kl->value) != value) {
            // Keep the key as spelt in the file; only the value changes.
            l.text = std::string(kl->key) + "=" + std::string(value);
        }
        return;
    }
    // After the section's last key line, so that blank lines and comments
    // separating it from the next section stay where they are.
    std::size_t insertAt = *header + 1;
    for (std::size_t i = *header + 1; i < m_lines.size() && !sectionName(m_lines[i].text); ++i) {
        if (keyLine(m_lines[i].text)) {
            insertAt = i + 1;
        }
    }
    if (insertAt == m_lines.size()) {
        endLastLine();
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                   Line{std::string(key) + "=" + std::string(value), eol});
}

std::string IniDocument::bytes() const {
    std::string out;
    for (const Line& l : m_lines) {
        out += l.text;
        out += l.ending;
    }
    return out;
}

}  // namespace vendrik
