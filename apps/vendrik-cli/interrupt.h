#pragma once
// Ctrl+C (SIGINT) and SIGTERM during a run of vendrik-cli: the first asks the
// run to stop after the pictures in hand, the second ends the process at once.
// Neither leaves a partial file: the first lets every write finish, the
// second ends only while no write is between naming a temporary file and
// renaming it (holdAtomicWrites), so no name of an unfinished file exists.
//
// The signals are taken by a thread of their own with sigwait, not by a
// handler: that thread may take locks and remove files, which a handler
// may not.

#include <atomic>
#include <csignal>
#include <stop_token>
#include <thread>

namespace vendrik::cli {

class InterruptGuard {
public:
    // Blocks SIGINT and SIGTERM in the calling thread (and so in every thread
    // it starts afterwards) and starts the thread that waits for them.
    // Construct it before any other thread is started.
    InterruptGuard();
    // Stops waiting and unblocks the two signals again.
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // Requested by the first signal.
    [[nodiscard]] std::stop_token stopToken() const { return m_stop.get_token(); }

    // The first signal taken (SIGINT or SIGTERM), or 0.
    [[nodiscard]] int signal() const;

    // The conventional exit code for that signal: 128 + its number (130 for
    // SIGINT, 143 for SIGTERM); 0 without one.
    [[nodiscard]] int exitCode() const;

private:
    void wait(std::stop_token done);

    sigset_t m_signals{};
    sigset_t m_previous{};
    std::stop_source m_stop;
    std::atomic<int> m_signal{0};
    std::jthread m_waiter;  // last: it starts after the members above exist
};

}  // namespace vendrik::cli
