#include "common/atomic_file.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vendrik {
namespace {

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
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

}  // namespace

bool pathEntryExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

AtomicWriteOutcome writeFileAtomically(const std::string& path, std::span<const std::byte> bytes,
                                       ReplacePolicy policy) {
    AtomicWriteOutcome out;
    if (policy == ReplacePolicy::NoReplace && pathEntryExists(path)) {
        out.result = AtomicWriteResult::Exists;
        return out;
    }
    std::string temp = folderOf(path) + "/." + nameOf(path) + ".XXXXXX.part";
    const int fd = ::mkstemps(temp.data(), 5);
    if (fd < 0) {
        out.errorNumber = errno;
        out.errorText = std::strerror(errno);
        return out;
    }
    // mkstemps creates 0600; a picture or settings file should get the
    // ordinary permissions the user's umask allows.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);

    bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0;
    int savedErrno = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (ok) {
        const int rc = policy == ReplacePolicy::NoReplace
                           ? renameNoReplace(temp.c_str(), path.c_str())
                           : ::rename(temp.c_str(), path.c_str());
        if (rc == 0) {
            out.result = AtomicWriteResult::Written;
            return out;
        }
        savedErrno = errno;
        if (savedErrno == EEXIST) {
            ::unlink(temp.c_str());
            out.result = AtomicWriteResult::Exists;
            return out;
        }
    }
    ::unlink(temp.c_str());
    out.errorNumber = savedErrno;
    out.errorText = std::strerror(savedErrno);
    return out;
}

}  // namespace vendrik
