#include "quit_signals.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>
#include <array>
#include <csignal>

namespace vendrik {
namespace {

int g_signalPipe[2] = {-1, -1};

extern "C" void onQuitSignal(int /*signal*/) {
    const char byte = 1;
    // Async-signal-safe; a full pipe means a close is on its way already.
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}

}  // namespace

void closeOnQuitSignals(QWidget* window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) {
        return;  // the default handling (ending at once) stays
    }
    ::fcntl(g_signalPipe[1], F_SETFL, O_NONBLOCK);
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, window);
    QObject::connect(
        notifier, &QSocketNotifier::activated, window, [w = QPointer<QWidget>(window)] {
            std::array<char, 16> drain{};
            [[maybe_unused]] const auto got = ::read(g_signalPipe[0], drain.data(), drain.size());
            if (w) {
                w->close();
            }
        });
    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int s : {SIGTERM, SIGHUP, SIGINT}) {
        ::sigaction(s, &action, nullptr);
    }
}

}  // namespace vendrik
