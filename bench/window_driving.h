#pragma once
// What the window benchmarks share: a real click, waiting for a signal, and
// the median with the extremes of a series of times.

#include <QApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <vector>

namespace vendrik::bench {

struct Stats {
    double median = 0;
    double fastest = 0;
    double slowest = 0;
};

inline Stats statsOf(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v.front(), v.back()};
}

// Runs the event loop until `signal` of `sender` comes; false after
// `timeoutMs`.
template <typename Sender, typename Signal>
bool waitFor(Sender* sender, Signal signal, int timeoutMs) {
    QEventLoop loop;
    bool came = false;
    QObject::connect(sender, signal, &loop, [&] {
        came = true;
        loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return came;
}

// A click with the left mouse button, as the window system delivers it.
inline void click(QWidget* widget, QPoint at) {
    const QPointF global = widget->mapToGlobal(QPointF(at));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

}  // namespace vendrik::bench
