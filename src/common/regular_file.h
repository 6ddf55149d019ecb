#pragma once
// Opening a file for reading when it is an ordinary file, never waiting.
// A pipe, a socket or a device named like a picture or a settings file
// would otherwise stop the program in open() or read() until someone else
// writes to it, possibly for ever; a name that is swapped for such an entry
// between a check and the open is caught too, since the open itself does not
// block and the opened descriptor is checked.

#include <cstddef>
#include <string>

namespace vendrik {

class RegularFile {
public:
    // Opens `path` read-only. On failure fd() is -1 and problem() gives the
    // reason in German.
    explicit RegularFile(const std::string& path);
    ~RegularFile();
    RegularFile(RegularFile&& other) noexcept;
    RegularFile& operator=(RegularFile&&) = delete;
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    [[nodiscard]] bool isOpen() const noexcept { return m_fd >= 0; }
    [[nodiscard]] int fd() const noexcept { return m_fd; }
    // The file's size when it was opened.
    [[nodiscard]] long long size() const noexcept { return m_size; }
    // Why the file could not be opened; empty when it is open.
    [[nodiscard]] const std::string& problem() const noexcept { return m_problem; }
    // errno of the failing call, or 0 when the entry is there but no ordinary
    // file (or when the file is open).
    [[nodiscard]] int errorNumber() const noexcept { return m_errorNumber; }
    // True when the entry exists but is a folder.
    [[nodiscard]] bool isFolder() const noexcept { return m_folder; }

    // Reads from the current position on, at most `limit` bytes and no more
    // than the file held when it was opened (a file that grows meanwhile is
    // not followed), into `out`. False on a read error, with errno set.
    [[nodiscard]] bool readUpTo(std::string& out, std::size_t limit) const;

    // Gives up the descriptor; the caller closes it.
    [[nodiscard]] int release() noexcept;

private:
    int m_fd = -1;
    long long m_size = 0;
    int m_errorNumber = 0;
    bool m_folder = false;
    std::string m_problem;
};

// A German reason for an errno of a file operation, for messages that name
// the file or folder before it: "nicht gefunden", "keine Berechtigung", "Pfad
// zu lang", "kein Platz mehr auf dem Datenträger", ...
[[nodiscard]] std::string systemErrorText(int errorNumber);

}  // namespace vendrik
