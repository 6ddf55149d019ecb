#include "common/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <optional>
#include <set>

#include "common/atomic_file_fallback.h"
#include "common/path_text.h"

namespace vendrik {
namespace {

// Guards every moment at which a temporary name exists in a target folder
// (see holdAtomicWrites), and the names of temporary files of the fallback
// below, which exist while they are written.
std::mutex& namingMutex() {
    static std::mutex m;
    return m;
}
std::set<std::string>& namedTemporaries() {
    static std::set<std::string> names;
    return names;
}

bool writeAll(int fd, std::span<const std::byte> bytes) {
    const std::byte* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// rename(2) that refuses to replace an existing entry. renameat2 is atomic;
// on file systems that lack it, link(2) gives the same refusal (EEXIST).
int renameNoReplace(const char* from, const char* to) {
#ifdef SYS_renameat2
    if (::syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return -1;
    }
#endif
    if (::link(from, to) != 0) {
        return -1;
    }
    ::unlink(from);
    return 0;
}

// Temporary names are short, whatever the target's name, so that a target
// name of up to 255 bytes can be written: ".vendrik-<pid>-<six>.part" in the
// target folder. The writer holds an flock on the file from before it has a
// name until it is renamed, so a later writer in the same folder can tell an
// abandoned one (a writer killed between naming and renaming) from one that
// is still being written, and removes it (removeAbandonedTemporaries).
constexpr std::string_view kTemporaryPrefix = ".vendrik-";
constexpr std::string_view kTemporarySuffix = ".part";
constexpr std::size_t kRandomLetters = 6;

std::string pidText() {
    return std::to_string(static_cast<long>(::getpid()));
}

std::string temporaryName(const std::string& path, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    constexpr std::string_view kLetters =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    auto x = static_cast<unsigned long long>(
                 std::chrono::steady_clock::now().time_since_epoch().count()) ^
             (static_cast<unsigned long long>(counter.fetch_add(1) + attempt) * 0x9E3779B97F4A7C15ULL);
    std::string suffix;
    for (std::size_t i = 0; i < kRandomLetters; ++i) {
        suffix += kLetters[x % kLetters.size()];
        x /= kLetters.size();
    }
    return std::string(folderPart(path)) + std::string(kTemporaryPrefix) + pidText() + "-" +
           suffix + std::string(kTemporarySuffix);
}

// The writer's pid when `name` is one of our temporary names, else nothing.
std::optional<pid_t> temporaryOwner(std::string_view name) {
    if (!name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporarySuffix)) {
        return std::nullopt;
    }
    name.remove_prefix(kTemporaryPrefix.size());
    name.remove_suffix(kTemporarySuffix.size());
    const auto dash = name.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash > 10 ||
        name.size() - dash - 1 != kRandomLetters) {
        return std::nullopt;
    }
    long pid = 0;
    for (const char c : name.substr(0, dash)) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        pid = pid * 10 + (c - '0');
    }
    return pid > 0 && pid <= std::numeric_limits<pid_t>::max()
               ? std::optional(static_cast<pid_t>(pid))
               : std::nullopt;
}

// Removes temporary files that writers killed between naming and renaming
// left in `folder`. One is abandoned when nobody holds its lock and its
// writer's process is gone: the lock is free for a moment after a named
// temporary file is created (see writeNamed), the process check covers that.
// The entry is removed only if it is still the file that was checked.
void removeAbandonedTemporaries(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const auto owner = temporaryOwner(entry->d_name);
        if (!owner || *owner == ::getpid()) {
            continue;
        }
        const int fd = ::openat(dirFd, entry->d_name,
                                O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        struct stat opened {};
        struct stat named {};
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::kill(*owner, 0) != 0 && errno == ESRCH &&
            ::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_dev == opened.st_dev && named.st_ino == opened.st_ino) {
            ::unlinkat(dirFd, entry->d_name, 0);
        }
        ::close(fd);
    }
    ::closedir(dir);
}

// Each folder is looked through once per process, at its first write.
void removeAbandonedTemporariesOnce(const std::string& folder) {
    static std::mutex mutex;
    static std::set<std::string> done;
    {
        const std::lock_guard lock(mutex);
        if (!done.insert(folder).second) {
            return;
        }
    }
    removeAbandonedTemporaries(folder);
}

AtomicWriteOutcome failure(int errorNumber) {
    AtomicWriteOutcome out;
    out.errorNumber = errorNumber;
    out.errorText = std::strerror(errorNumber);
    return out;
}

AtomicWriteOutcome written() {
    AtomicWriteOutcome out;
    out.result = AtomicWriteResult::Written;
    return out;
}

AtomicWriteOutcome exists() {
    AtomicWriteOutcome out;
    out.result = AtomicWriteResult::Exists;
    return out;
}

// Whether a file opened with O_TMPFILE can be given a name through /proc.
bool procFdLinkable() {
    static const bool ok = ::access("/proc/self/fd", X_OK) == 0;
    return ok;
}

struct ClosesOnExit {
    int fd;
    ~ClosesOnExit() { ::close(fd); }
};

// Writes and flushes; the result is 0 or the errno of the failure.
int fill(int fd, std::span<const std::byte> bytes) {
    return writeAll(fd, bytes) && ::fsync(fd) == 0 ? 0 : errno;
}

// Writes, flushes and closes; the result is 0 or the errno of the failure.
int fillAndClose(int fd, std::span<const std::byte> bytes) {
    int savedErrno = fill(fd, bytes);
    if (::close(fd) != 0 && savedErrno == 0) {
        savedErrno = errno;
    }
    return savedErrno;
}

// The usual way: the bytes go into a file without any name (O_TMPFILE), so
// nothing of it can be left behind by a crash or a kill while it is written;
// it gets a name only when complete. Nothing when the file system cannot make
// such files.
std::optional<AtomicWriteOutcome> writeUnnamed(const std::string& path,
                                               std::span<const std::byte> bytes,
                                               ReplacePolicy policy) {
    if (!procFdLinkable()) {
        return std::nullopt;
    }
    const std::string folder = folderPart(path).empty() ? std::string(".")
                                                        : std::string(folderPart(path));
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) {
            return std::nullopt;
        }
        return failure(errno);
    }
    // Locked while it has no name yet, so that its temporary name below is
    // never seen unlocked while this writer lives.
    static_cast<void>(::flock(fd, LOCK_EX | LOCK_NB));
    // The descriptor's link stays valid after close only through a second
    // descriptor; keep one open for linkat (it holds the lock too).
    const int keep = ::dup(fd);
    if (keep < 0) {
        const int e = errno;
        ::close(fd);
        return failure(e);
    }
    const ClosesOnExit closer{keep};
    if (const int e = fillAndClose(fd, bytes); e != 0) {
        return failure(e);
    }
    const std::string source = "/proc/self/fd/" + std::to_string(keep);
    const std::lock_guard lock(namingMutex());
    if (policy == ReplacePolicy::NoReplace) {
        // linkat never replaces: the name is taken whole or not at all.
        if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            return written();
        }
        return errno == EEXIST ? exists() : failure(errno);
    }
    // Replace: a name of its own first, then the rename over the target, both
    // under the lock, so that holdAtomicWrites never sees the name between.
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::string temp = temporaryName(path, attempt);
        if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            if (errno == EEXIST) {
                continue;
            }
            return failure(errno);
        }
        if (::rename(temp.c_str(), path.c_str()) == 0) {
            return written();
        }
        const int e = errno;
        ::unlink(temp.c_str());
        return failure(e);
    }
    return failure(EEXIST);
}

// For file systems without O_TMPFILE: a named temporary file, registered so
// that holdAtomicWrites can remove it.
AtomicWriteOutcome writeNamed(const std::string& path, std::span<const std::byte> bytes,
                              ReplacePolicy policy) {
    std::string temp = std::string(folderPart(path)) + std::string(kTemporaryPrefix) + pidText() +
                       "-XXXXXX" + std::string(kTemporarySuffix);
    int fd = -1;
    {
        const std::lock_guard lock(namingMutex());
        fd = ::mkostemps(temp.data(), static_cast<int>(kTemporarySuffix.size()), O_CLOEXEC);
        if (fd < 0) {
            return failure(errno);
        }
        namedTemporaries().insert(temp);
    }
    // Locked until it is renamed or removed (the descriptor stays open till
    // then), so that a later writer does not take it for abandoned.
    static_cast<void>(::flock(fd, LOCK_EX | LOCK_NB));
    const ClosesOnExit closer{fd};
    // mkstemps creates 0600; a picture or settings file should get the
    // ordinary permissions the user's umask allows.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);

    int savedErrno = fill(fd, bytes);
    const std::lock_guard lock(namingMutex());
    namedTemporaries().erase(temp);
    if (savedErrno == 0) {
        const int rc = policy == ReplacePolicy::NoReplace ? renameNoReplace(temp.c_str(), path.c_str())
                                                          : ::rename(temp.c_str(), path.c_str());
        if (rc == 0) {
            return written();
        }
        savedErrno = errno;
        if (savedErrno == EEXIST) {
            ::unlink(temp.c_str());
            return exists();
        }
    }
    ::unlink(temp.c_str());
    return failure(savedErrno);
}

AtomicWriteOutcome writeAtomically(const std::string& path, std::span<const std::byte> bytes,
                                   ReplacePolicy policy, bool unnamedAllowed) {
    if (policy == ReplacePolicy::NoReplace && pathEntryExists(path)) {
        return exists();
    }
    removeAbandonedTemporariesOnce(folderPart(path).empty() ? std::string(".")
                                                            : std::string(folderPart(path)));
    if (unnamedAllowed) {
        if (auto outcome = writeUnnamed(path, bytes, policy)) {
            return *outcome;
        }
    }
    return writeNamed(path, bytes, policy);
}

}  // namespace

void ignoreFileSizeLimitSignal() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGXFSZ, &ignore, nullptr);
}

bool pathEntryExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

AtomicWriteOutcome writeFileAtomically(const std::string& path, std::span<const std::byte> bytes,
                                       ReplacePolicy policy) {
    return writeAtomically(path, bytes, policy, true);
}

namespace detail {

AtomicWriteOutcome writeFileThroughNamedTemporary(const std::string& path,
                                                  std::span<const std::byte> bytes,
                                                  ReplacePolicy policy) {
    return writeAtomically(path, bytes, policy, false);
}

}  // namespace detail

std::unique_lock<std::mutex> holdAtomicWrites() {
    std::unique_lock lock(namingMutex());
    for (const std::string& name : namedTemporaries()) {
        ::unlink(name.c_str());
    }
    namedTemporaries().clear();
    return lock;
}

}  // namespace vendrik
