#pragma once
// The single-instance test: an exclusive flock on a per-user lock file, held
// for the life of the process. The kernel drops the lock when the process
// ends in any way, so a crashed copy never blocks the next start.

#include <string>

namespace vendrik {

enum class InstanceLockState {
    Held,         // this process is the only running copy
    HeldElsewhere,  // another copy holds the lock: end at once
    Unavailable,  // the lock file cannot be opened; start anyway rather than never
};

class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(InstanceLock&& other) noexcept;
    InstanceLock& operator=(InstanceLock&& other) noexcept;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Tries to take the lock without waiting.
    [[nodiscard]] static InstanceLock acquire(const std::string& lockFile);

    [[nodiscard]] InstanceLockState state() const { return m_state; }

private:
    int m_fd = -1;
    InstanceLockState m_state = InstanceLockState::Unavailable;
};

// $XDG_RUNTIME_DIR/vendrik.lock (private to the user by the base directory
// specification), else vendrik-<uid>.lock in the temporary folder.
[[nodiscard]] std::string instanceLockPath();

}  // namespace vendrik
