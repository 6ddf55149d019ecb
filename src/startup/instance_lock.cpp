#include "startup/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

#include "startup/path_helpers.h"

namespace vendrik {

InstanceLock::~InstanceLock() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

InstanceLock::InstanceLock(InstanceLock&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_state(other.m_state) {}

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = std::exchange(other.m_fd, -1);
        m_state = other.m_state;
    }
    return *this;
}

InstanceLock InstanceLock::acquire(const std::string& lockFile) {
    InstanceLock lock;
    // O_NOFOLLOW: in a shared temporary folder another user could plant a
    // link under our name.
    const int fd =
        ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) {
        return lock;
    }
    int rc = 0;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const bool busy = errno == EWOULDBLOCK;
        ::close(fd);
        lock.m_state = busy ? InstanceLockState::HeldElsewhere : InstanceLockState::Unavailable;
        return lock;
    }
    lock.m_fd = fd;
    lock.m_state = InstanceLockState::Held;
    return lock;
}

std::string instanceLockPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime == '/') {
        std::string dir = runtime;
        return AddBackslash(dir) + "vendrik.lock";
    }
    return GetTempDir() + "vendrik-" + std::to_string(::getuid()) + ".lock";
}

}  // namespace vendrik
