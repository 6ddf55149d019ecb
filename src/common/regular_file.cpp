#include "common/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace vendrik {
namespace {

// The reason for an entry that is there but no ordinary file.
std::string kindProblem(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "ist ein Ordner, keine Datei";
    }
    if (S_ISFIFO(mode)) {
        return "ist eine benannte Pipe (FIFO), keine gewöhnliche Datei";
    }
    if (S_ISSOCK(mode)) {
        return "ist ein Socket, keine gewöhnliche Datei";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "ist eine Gerätedatei, keine gewöhnliche Datei";
    }
    return "keine gewöhnliche Datei";
}

std::string openProblem(int err) {
    switch (err) {
        case ENOENT:
            return "Datei nicht gefunden";
        case EACCES:
        case EPERM:
            return "keine Leseberechtigung";
        default:
            return "Datei nicht lesbar: " + systemErrorText(err);
    }
}

}  // namespace

RegularFile::RegularFile(const std::string& path) {
    // The kind is checked before the open as well: opening a device can have
    // effects of its own (a tape rewinds, a watchdog starts), and a FIFO's
    // open would wait for a writer without O_NONBLOCK.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        m_errorNumber = errno;
        m_problem = openProblem(m_errorNumber);
        return;
    }
    if (!S_ISREG(st.st_mode)) {
        m_folder = S_ISDIR(st.st_mode);
        m_problem = kindProblem(st.st_mode);
        return;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        m_errorNumber = errno;
        m_problem = openProblem(m_errorNumber);
        return;
    }
    // The name may have been swapped for something else since the stat.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        m_folder = S_ISDIR(st.st_mode);
        m_problem = kindProblem(st.st_mode);
        ::close(fd);
        return;
    }
    // Reads of an ordinary file never wait anyway; the flag goes so that the
    // descriptor behaves as any other for the libraries given it.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    m_fd = fd;
    m_size = static_cast<long long>(st.st_size);
}

RegularFile::~RegularFile() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

RegularFile::RegularFile(RegularFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_size(other.m_size),
      m_errorNumber(other.m_errorNumber),
      m_folder(other.m_folder),
      m_problem(std::move(other.m_problem)) {}

bool RegularFile::readUpTo(std::string& out, std::size_t limit) const {
    out.assign(std::min(static_cast<std::size_t>(std::max(m_size, 0LL)), limit), '\0');
    std::size_t have = 0;
    while (have < out.size()) {
        const ssize_t n = ::read(m_fd, out.data() + have, out.size() - have);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            out.clear();
            return false;
        }
        if (n == 0) {
            break;  // it shrank since it was opened
        }
        have += static_cast<std::size_t>(n);
    }
    out.resize(have);
    return true;
}

int RegularFile::release() noexcept {
    return std::exchange(m_fd, -1);
}

std::string systemErrorText(int errorNumber) {
    switch (errorNumber) {
        case ENOENT:
            return "nicht gefunden";
        case ENOTDIR:
            return "ein Teil des Pfades ist kein Ordner";
        case EACCES:
        case EPERM:
            return "keine Berechtigung";
        case EROFS:
            return "Datenträger ist schreibgeschützt";
        case ENOSPC:
        case EDQUOT:
            return "kein Platz mehr auf dem Datenträger";
        case EFBIG:
            return "Datei überschreitet die erlaubte Dateigröße";
        case ENAMETOOLONG:
            return "Name oder Pfad zu lang";
        case ELOOP:
            return "zu viele symbolische Verknüpfungen im Pfad";
        case EIO:
            return "Ein-/Ausgabefehler des Datenträgers";
        case EISDIR:
            return "ist ein Ordner";
        case EEXIST:
            return "existiert bereits";
        case EMFILE:
        case ENFILE:
            return "zu viele offene Dateien";
        case ENOMEM:
            return "nicht genug Speicher";
        default:
            return "Systemfehler " + std::to_string(errorNumber) + " (" +
                   std::strerror(errorNumber) + ")";
    }
}

}  // namespace vendrik
