#pragma once
// A budget of memory shared by the pictures a batch run works on at once.
// With one job per core a folder of 100-megapixel pictures would otherwise
// need 300 MB or more per core at the same moment; with the budget, pictures
// wait for memory instead, and a picture larger than the whole budget runs
// alone.

#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace vendrik {

class MemoryBudget {
public:
    explicit MemoryBudget(std::size_t capacity) : m_capacity(capacity) {}

    // Takes `bytes` of the budget. A caller that holds nothing yet waits
    // until they fit beside what the others hold, or until nothing is held
    // at all (a picture larger than the budget then runs alone). A caller
    // that holds some already never waits: two pictures each holding part
    // and waiting for more would wait for ever. So a picture should take its
    // whole need at once.
    void acquire(std::size_t bytes, std::size_t heldByCaller) {
        std::unique_lock lock(m_mutex);
        if (heldByCaller == 0) {
            m_freed.wait(lock, [&] { return m_used == 0 || m_used + bytes <= m_capacity; });
        }
        m_used += bytes;
    }

    void release(std::size_t bytes) {
        {
            std::lock_guard lock(m_mutex);
            m_used -= bytes;
        }
        m_freed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_freed;
    std::size_t m_capacity;
    std::size_t m_used = 0;
};

// What one picture holds of the budget; all of it goes back at release() or
// when the reservation ends.
class MemoryReservation {
public:
    explicit MemoryReservation(MemoryBudget& budget) : m_budget(budget) {}
    ~MemoryReservation() { release(); }
    MemoryReservation(const MemoryReservation&) = delete;
    MemoryReservation& operator=(const MemoryReservation&) = delete;

    void add(std::size_t bytes) {
        m_budget.acquire(bytes, m_held);
        m_held += bytes;
    }
    void release() {
        if (m_held > 0) {
            m_budget.release(m_held);
            m_held = 0;
        }
    }

private:
    MemoryBudget& m_budget;
    std::size_t m_held = 0;
};

}  // namespace vendrik
