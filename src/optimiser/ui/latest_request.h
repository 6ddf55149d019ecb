#pragma once
// Work for the latest request only, on one thread of its own: what the
// preview and the size estimate need when the user clicks faster than a
// picture can be read.
//
// At most one piece of work runs. A request made meanwhile waits for it and
// replaces any other waiting one; an answer that is no longer the latest
// request's is dropped. Answers are delivered on the receiver's thread by a
// queued call. The destructor waits for the work in hand; its answer, posted
// to the receiver, is dropped with the receiver's posted events, so a
// LatestRequest belongs inside the receiver it answers.

#include <QMetaObject>
#include <QObject>
#include <QThreadPool>
#include <atomic>
#include <cstdint>
#include <utility>

namespace vendrik {

class LatestRequest {
public:
    LatestRequest() {
        m_pool.setMaxThreadCount(1);
    }
    ~LatestRequest() {
        drop();
        m_pool.waitForDone();
    }
    LatestRequest(const LatestRequest&) = delete;
    LatestRequest& operator=(const LatestRequest&) = delete;

    // Runs `work()` on the thread, then `answer(result)` on `receiver`'s
    // thread, unless a later request or a drop came in between. Supersedes
    // every earlier request.
    template <typename Work, typename Answer>
    void start(QObject* receiver, Work work, Answer answer) {
        const std::uint64_t request = ++m_request;
        m_pending = true;
        m_pool.clear();  // a request still waiting is out of date
        m_pool.start([this, receiver, request, work = std::move(work),
                      answer = std::move(answer)]() mutable {
            if (request != m_request.load()) {
                return;
            }
            auto result = work();
            QMetaObject::invokeMethod(
                receiver,
                [this, request, answer = std::move(answer), result = std::move(result)]() mutable {
                    if (request != m_request.load()) {
                        return;  // a later request or a drop came in between
                    }
                    m_pending = false;
                    answer(std::move(result));
                },
                Qt::QueuedConnection);
        });
    }

    // Drops every request: no answer comes until the next one.
    void drop() {
        ++m_request;
        m_pool.clear();
        m_pending = false;
    }

    // True while the latest request has not been answered.
    [[nodiscard]] bool pending() const {
        return m_pending;
    }

private:
    QThreadPool m_pool;
    std::atomic<std::uint64_t> m_request{0};
    bool m_pending = false;
};

}  // namespace vendrik
