#include "file_list_input.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace vendrik::cli {

bool FileListSplitter::fail(std::string problem) {
    if (m_problem.empty()) {
        m_problem = std::move(problem);
    }
    return false;
}

bool FileListSplitter::take(std::string_view name) {
    if (++m_entries > kMaxListEntries) {
        return fail("mehr als " + std::to_string(kMaxListEntries) +
                    " Einträge; teilen Sie die Liste (split)");
    }
    if (name.size() > kMaxListedName) {
        return fail("Eintrag " + std::to_string(m_entries) + " ist länger als ein Pfad sein kann (" +
                    std::to_string(name.size()) + " Bytes, höchstens " +
                    std::to_string(kMaxListedName) + ")");
    }
    if (!name.empty()) {
        m_names.emplace_back(name);
    }
    return true;
}

bool FileListSplitter::splitPending(bool atEnd) {
    if (m_separator == Separator::Undecided) {
        if (m_pending.find('\0') != std::string::npos) {
            m_separator = Separator::Nul;
        } else if (m_pending.size() > kMaxListedName || atEnd) {
            m_separator = Separator::Line;
        } else {
            return true;  // not yet known
        }
    }
    const bool lines = m_separator == Separator::Line;
    if (lines && m_pending.find('\0') != std::string::npos) {
        // Read with NUL as the separator, as a list holding one is, its first
        // entry is longer than any path.
        return fail("Eintrag 1 ist länger als ein Pfad sein kann (NUL-Byte erst nach mehr als " +
                    std::to_string(kMaxListedName) + " Bytes)");
    }
    const char separator = lines ? '\n' : '\0';
    std::size_t start = 0;
    for (std::size_t end; (end = m_pending.find(separator, start)) != std::string::npos;
         start = end + 1) {
        std::string_view name(m_pending.data() + start, end - start);
        if (lines && !name.empty() && name.back() == '\r') {
            name.remove_suffix(1);
        }
        if (!take(name)) {
            return false;
        }
    }
    m_pending.erase(0, start);
    if (atEnd) {
        std::string_view last = m_pending;
        if (lines && !last.empty() && last.back() == '\r') {
            last.remove_suffix(1);
        }
        const bool ok = take(last);
        m_pending.clear();
        return ok;
    }
    // An entry still open may not grow past a path's length either.
    return m_pending.size() <= kMaxListedName + 1 || take(m_pending);
}

bool FileListSplitter::feed(std::string_view bytes) {
    if (!m_problem.empty()) {
        return false;
    }
    if (bytes.size() > kMaxListBytes - m_bytes) {
        return fail("Liste größer als " + std::to_string(kMaxListBytes / (1024 * 1024)) +
                    " MB; teilen Sie die Liste (split)");
    }
    m_bytes += bytes.size();
    m_pending.append(bytes);
    return splitPending(false);
}

bool FileListSplitter::finish() {
    return m_problem.empty() && splitPending(true);
}

std::vector<std::string> splitFileList(std::string_view list, std::string* problem) {
    FileListSplitter splitter;
    if (!splitter.feed(list) || !splitter.finish()) {
        if (problem != nullptr) {
            *problem = splitter.problem();
        }
    }
    return std::move(splitter.names());
}

bool readFileList(const std::string& source, std::vector<std::string>& names, std::string& error) {
    const bool standardInput = source == "-";
    const int fd = standardInput ? STDIN_FILENO : ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "--files-from " + source + ": " + std::strerror(errno);
        return false;
    }
    FileListSplitter splitter;
    std::array<char, 65536> buffer{};
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got > 0) {
            if (!splitter.feed({buffer.data(), static_cast<std::size_t>(got)})) {
                error = "--files-from " + source + ": " + splitter.problem();
                ok = false;
                break;
            }
        } else if (got == 0) {
            if (!splitter.finish()) {
                error = "--files-from " + source + ": " + splitter.problem();
                ok = false;
            }
            break;
        } else if (errno != EINTR) {
            error = "--files-from " + source + ": " + std::strerror(errno);
            ok = false;
            break;
        }
    }
    if (!standardInput) {
        ::close(fd);
    }
    if (ok) {
        names = std::move(splitter.names());
    }
    return ok;
}

}  // namespace vendrik::cli
