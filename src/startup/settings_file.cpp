#include "startup/settings_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <span>

#include "common/atomic_file.h"
#include "common/cp1252.h"
#include "common/regular_file.h"
#include "common/settings_keys.h"
#include "startup/ini_document.h"
#include "startup/path_helpers.h"
#include "startup/xdg_dirs.h"

namespace vendrik {
namespace {

std::string megabytes(std::size_t bytes) {
    return std::to_string(bytes >> 20) + " MiB";
}

// The file's bytes; `found` false (and no bytes) when there is no such file.
struct SettingsBytes {
    bool found = false;
    std::string bytes;
};

Result<SettingsBytes> readSettingsBytes(const std::string& path) {
    const RegularFile file(path);
    if (!file.isOpen()) {
        if (file.errorNumber() == ENOENT) {
            return SettingsBytes{};
        }
        return Failure{file.problem()};
    }
    if (static_cast<std::size_t>(file.size()) > kMaxIniFileSize) {
        return Failure{"größer als " + megabytes(kMaxIniFileSize) + ", nicht gelesen"};
    }
    SettingsBytes out;
    out.found = true;
    if (!file.readUpTo(out.bytes, kMaxIniFileSize)) {
        return Failure{"Datei nicht lesbar: " + systemErrorText(errno)};
    }
    return out;
}

// /usr is the system's read-only, shared hierarchy: a program there was
// installed by a package or `make install`, even when root may write to
// it. A settings file beside it would be shared by every user and left
// behind when the package goes.
bool isSystemProgramFolder(const std::string& folder) {
    return folder.starts_with("/usr/") || folder == "/bin/" || folder == "/sbin/";
}

bool isWritableFolder(const std::string& folder) {
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::access(folder.c_str(), W_OK | X_OK) == 0;
}

// The writers' turn: an flock on the settings file itself. The file is
// replaced by each write, so a writer that got the lock checks that the file
// it locked is still the one under the name, and otherwise locks the new one.
// The file is created (empty, which reads as no settings) when missing, so
// that there is something to lock. Without a lock (a folder without write
// permission for a missing file, a FIFO in its place) the write goes on
// unlocked and fails or succeeds as it would have.
class SettingsWriteLock {
public:
    explicit SettingsWriteLock(const std::string& path) {
        for (int attempt = 0; attempt < 1000; ++attempt) {
            const int fd = ::open(path.c_str(),
                                  O_RDONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
            if (fd < 0) {
                return;
            }
            struct stat locked {};
            if (::fstat(fd, &locked) != 0 || !S_ISREG(locked.st_mode)) {
                ::close(fd);
                return;
            }
            int rc = 0;
            do {
                rc = ::flock(fd, LOCK_EX);
            } while (rc != 0 && errno == EINTR);
            struct stat named {};
            if (rc == 0 && ::stat(path.c_str(), &named) == 0 && named.st_dev == locked.st_dev &&
                named.st_ino == locked.st_ino) {
                m_fd = fd;
                return;
            }
            ::close(fd);
            if (rc != 0) {
                return;  // no locks on this file system
            }
        }
    }
    ~SettingsWriteLock() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    SettingsWriteLock(const SettingsWriteLock&) = delete;
    SettingsWriteLock& operator=(const SettingsWriteLock&) = delete;

private:
    int m_fd = -1;
};

}  // namespace

Result<SettingsFileRead> readSettingsFile(const std::string& file) {
    Result<SettingsBytes> read = readSettingsBytes(file);
    if (!read) {
        return read.failure();
    }
    SettingsFileRead out;
    out.found = read->found;
    out.document = IniDocument::fromBytes(std::move(read->bytes));
    return out;
}

IniDocument readIniFile(const std::string& file) {
    Result<SettingsFileRead> read = readSettingsFile(file);
    return read ? std::move(read->document) : IniDocument();
}

std::string iniValue(const IniDocument& document, std::string_view section, std::string_view key,
                     const std::string& defaultValue) {
    const auto value = document.value(utf8ToCp1252(section), utf8ToCp1252(key));
    if (!value || value->empty()) {
        return defaultValue;
    }
    return cp1252ToUtf8(std::string_view(*value).substr(0, kMaxIniValueLength));
}

std::vector<std::string> storedSettingTexts(const IniDocument& document) {
    std::vector<std::string> keys;  // Windows-1252, as the document is
    for (const SettingKey& k : kSettingKeys) {
        keys.push_back(utf8ToCp1252(k.name));
    }
    const auto values =
        document.values(utf8ToCp1252(SettingsSection), {keys.begin(), keys.end()});
    std::vector<std::string> out;
    out.reserve(values.size());
    for (const auto& v : values) {
        out.push_back(v ? cp1252ToUtf8(std::string_view(*v).substr(0, kMaxIniValueLength))
                        : std::string());
    }
    return out;
}

std::string ReadIniValue(std::string_view section, std::string_view key, const std::string& file,
                         const std::string& defaultValue) {
    return iniValue(readIniFile(file), section, key, defaultValue);
}

bool WriteIniValue(std::string_view section, std::string_view key, std::string_view value,
                   const std::string& file) {
    return WriteIniValues(section, {{std::string(key), std::string(value)}}, file);
}

bool WriteIniValues(std::string_view section, const std::vector<IniEntry>& entries,
                    const std::string& file) {
    return editIniFile(file,
                       [&](IniDocument& doc) { return setIniValues(doc, section, entries); });
}

bool setIniValues(IniDocument& doc, std::string_view section,
                  const std::vector<IniEntry>& entries) {
    bool allStored = true;
    for (const IniEntry& e : entries) {
        // A line break would end the value early and forge a line of its own.
        if (e.value.find_first_of("\r\n") != std::string::npos || e.key.empty() ||
            e.key.find_first_of("\r\n=[") != std::string::npos) {
            allStored = false;
            continue;
        }
        doc.setValue(utf8ToCp1252(section), utf8ToCp1252(e.key), utf8ToCp1252(e.value));
    }
    return allStored;
}

bool editIniFile(const std::string& file, const std::function<bool(IniDocument&)>& change) {
    std::string target = file;
    std::error_code ec;
    if (std::filesystem::is_symlink(file, ec)) {
        const auto resolved = std::filesystem::weakly_canonical(file, ec);
        if (ec) {
            return false;
        }
        target = resolved.string();
    }
    // Read, change and replace the file in one turn.
    const SettingsWriteLock turn(target);
    const Result<SettingsBytes> read = readSettingsBytes(target);
    if (!read) {
        return false;
    }
    const std::string& before = read->bytes;
    IniDocument doc = IniDocument::parse(before);
    const bool done = change(doc);
    const std::string& bytes = doc.bytes();
    if (read->found && bytes == before) {
        return done;  // nothing changed: spare the disk and the file's date
    }
    if (bytes.size() > kMaxIniFileSize) {
        // The file would no longer be read: keep it as it is.
        return false;
    }
    const auto outcome = writeFileAtomically(
        target, std::as_bytes(std::span(bytes.data(), bytes.size())), ReplacePolicy::Replace);
    return done && outcome.result == AtomicWriteResult::Written;
}

std::string locateSettingsFile(const std::string& programFolder) {
    const std::string folder = programFolder.empty() ? InitPaths().programFolder : programFolder;
    if (!folder.empty() && !isSystemProgramFolder(folder) && isWritableFolder(folder)) {
        return folder + std::string(kSettingsFileName);
    }
    const std::string config = xdgConfigHome();
    if (config.empty()) {
        return {};
    }
    return config + "vendrik/" + std::string(kSettingsFileName);
}

}  // namespace vendrik
