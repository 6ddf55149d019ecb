#include "interrupt.h"

#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "common/atomic_file.h"

namespace vendrik::cli {
namespace {

sigset_t interruptSignals() {
    sigset_t s;
    sigemptyset(&s);
    sigaddset(&s, SIGINT);
    sigaddset(&s, SIGTERM);
    return s;
}

}  // namespace

InterruptGuard::InterruptGuard() : m_signals(interruptSignals()) {
    pthread_sigmask(SIG_BLOCK, &m_signals, &m_previous);
    m_waiter = std::jthread([this](std::stop_token done) { wait(std::move(done)); });
}

InterruptGuard::~InterruptGuard() {
    m_waiter.request_stop();
    m_waiter.join();
    // A signal that came after the run and was not taken yet is delivered
    // now, with its default action, once the mask is restored.
    pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
}

int InterruptGuard::signal() const {
    return m_signal.load();
}

int InterruptGuard::exitCode() const {
    const int s = m_signal.load();
    return s == 0 ? 0 : 128 + s;
}

void InterruptGuard::wait(std::stop_token done) {
    // A short timeout, so that the end of the run ends this thread soon.
    const timespec tick{0, 50'000'000};
    while (!done.stop_requested()) {
        const int s = ::sigtimedwait(&m_signals, nullptr, &tick);
        if (s < 0) {
            continue;  // EAGAIN (no signal yet) or EINTR
        }
        int expected = 0;
        if (m_signal.compare_exchange_strong(expected, s)) {
            static const char kNotice[] =
                "\nvendrik-cli: Abbruch, die begonnenen Bilder werden fertig geschrieben "
                "(erneut Strg+C: sofort beenden)\n";
            static_cast<void>(::write(STDERR_FILENO, kNotice, sizeof kNotice - 1));
            m_stop.request_stop();
            continue;
        }
        // The second signal: end now, but only while no write is between
        // naming its temporary file and the rename.
        const auto held = holdAtomicWrites();
        ::_exit(128 + m_signal.load());
    }
}

}  // namespace vendrik::cli
