#include "startup/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <span>

#include "common/atomic_file.h"
#include "common/cp1252.h"
#include "startup/ini_document.h"
#include "startup/path_helpers.h"
#include "startup/xdg_dirs.h"

namespace vendrik {
namespace {

enum class ReadOutcome { Read, Missing, Unreadable };

struct FileBytes {
    ReadOutcome outcome = ReadOutcome::Unreadable;
    std::string bytes;
};

FileBytes readSettingsBytes(const std::string& path) {
    FileBytes out;
    // O_NONBLOCK: a FIFO planted under the settings name must not hang
    // start-up.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        out.outcome = errno == ENOENT ? ReadOutcome::Missing : ReadOutcome::Unreadable;
        return out;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::size_t>(st.st_size) > kMaxIniFileSize) {
        ::close(fd);
        return out;
    }
    out.bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t have = 0;
    while (have < out.bytes.size()) {
        const ssize_t n = ::read(fd, out.bytes.data() + have, out.bytes.size() - have);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        have += static_cast<std::size_t>(n);
    }
    ::close(fd);
    // A file that shrank while being read still gives what it held.
    out.bytes.resize(have);
    out.outcome = ReadOutcome::Read;
    return out;
}

bool isWritableFolder(const std::string& folder) {
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

IniDocument readIniFile(const std::string& file) {
    const FileBytes fb = readSettingsBytes(file);
    return fb.outcome == ReadOutcome::Read ? IniDocument::parse(fb.bytes) : IniDocument();
}

std::string iniValue(const IniDocument& document, std::string_view section, std::string_view key,
                     const std::string& defaultValue) {
    const auto value = document.value(utf8ToCp1252(section), utf8ToCp1252(key));
    if (!value || value->empty()) {
        return defaultValue;
    }
    return cp1252ToUtf8(std::string_view(*value).substr(0, kMaxIniValueLength));
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
    std::string target = file;
    std::error_code ec;
    if (std::filesystem::is_symlink(file, ec)) {
        const auto resolved = std::filesystem::weakly_canonical(file, ec);
        if (ec) {
            return false;
        }
        target = resolved.string();
    }
    const FileBytes fb = readSettingsBytes(target);
    if (fb.outcome == ReadOutcome::Unreadable) {
        return false;
    }
    IniDocument doc = IniDocument::parse(fb.bytes);
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
    const std::string bytes = doc.bytes();
    if (fb.outcome == ReadOutcome::Read && bytes == fb.bytes) {
        return allStored;  // nothing changed: spare the disk and the file's date
    }
    const auto outcome = writeFileAtomically(
        target, std::as_bytes(std::span(bytes.data(), bytes.size())), ReplacePolicy::Replace);
    return allStored && outcome.result == AtomicWriteResult::Written;
}

std::string locateSettingsFile(const std::string& programFolder) {
    const std::string folder = programFolder.empty() ? InitPaths().programFolder : programFolder;
    if (!folder.empty() && isWritableFolder(folder)) {
        return folder + std::string(kSettingsFileName);
    }
    const std::string config = xdgConfigHome();
    if (config.empty()) {
        return {};
    }
    return config + "vendrik/" + std::string(kSettingsFileName);
}

}  // namespace vendrik
