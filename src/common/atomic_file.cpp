#include "common/atomic_file.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <set>

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

// ".<name>.<six characters>.part" beside the target, not yet taken.
std::string temporaryName(const std::string& path, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    constexpr std::string_view kLetters =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    auto x = static_cast<unsigned long long>(
                 std::chrono::steady_clock::now().time_since_epoch().count()) ^
             (static_cast<unsigned long long>(::getpid()) << 20) ^
             (static_cast<unsigned long long>(counter.fetch_add(1) + attempt) * 0x9E3779B97F4A7C15ULL);
    std::string suffix;
    for (int i = 0; i < 6; ++i) {
        suffix += kLetters[x % kLetters.size()];
        x /= kLetters.size();
    }
    return std::string(folderPart(path)) + "." + std::string(lastPathName(path)) + "." + suffix +
           ".part";
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

// Writes, flushes and closes; the result is 0 or the errno of the failure.
int fillAndClose(int fd, std::span<const std::byte> bytes) {
    bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0;
    int savedErrno = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
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
    // The descriptor's link stays valid after close only through a second
    // descriptor; keep one open for linkat.
    const int keep = ::dup(fd);
    if (keep < 0) {
        const int e = errno;
        ::close(fd);
        return failure(e);
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{keep};
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
    std::string temp = std::string(folderPart(path)) + "." + std::string(lastPathName(path)) +
                       ".XXXXXX.part";
    int fd = -1;
    {
        const std::lock_guard lock(namingMutex());
        fd = ::mkstemps(temp.data(), 5);
        if (fd < 0) {
            return failure(errno);
        }
        namedTemporaries().insert(temp);
    }
    // mkstemps creates 0600; a picture or settings file should get the
    // ordinary permissions the user's umask allows.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);

    int savedErrno = fillAndClose(fd, bytes);
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

}  // namespace

bool pathEntryExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

AtomicWriteOutcome writeFileAtomically(const std::string& path, std::span<const std::byte> bytes,
                                       ReplacePolicy policy) {
    if (policy == ReplacePolicy::NoReplace && pathEntryExists(path)) {
        return exists();
    }
    if (auto outcome = writeUnnamed(path, bytes, policy)) {
        return *outcome;
    }
    return writeNamed(path, bytes, policy);
}

std::unique_lock<std::mutex> holdAtomicWrites() {
    std::unique_lock lock(namingMutex());
    for (const std::string& name : namedTemporaries()) {
        ::unlink(name.c_str());
    }
    namedTemporaries().clear();
    return lock;
}

}  // namespace vendrik
