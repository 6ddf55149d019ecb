#include "optimiser/ui/run_controller.h"

#include <QMetaObject>

namespace vendrik {

// Runs on the engine's threads: forwards every report by a queued call, and
// waits for the window thread's answer to the overwrite question.
class RunController::Observer : public BatchObserver {
public:
    explicit Observer(RunController& owner) : m_owner(owner) {}

    void overallProgress(int value) override {
        post([o = &m_owner, value] { emit o->overallProgress(value); });
    }
    void currentProgress(std::size_t picture, int value) override {
        post([o = &m_owner, p = static_cast<int>(picture), value] {
            emit o->currentProgress(p, value);
        });
    }
    void pictureFinished(std::size_t picture, const PictureResult& /*result*/) override {
        post([o = &m_owner, p = static_cast<int>(picture)] { emit o->pictureFinished(p); });
    }
    bool replaceExisting(const std::string& targetName) override {
        std::unique_lock lock(m_owner.m_askMutex);
        if (m_owner.m_abandonQuestions) {
            return false;
        }
        m_owner.m_answer.reset();
        post([o = &m_owner, targetName] { o->askOnWindowThread(targetName); });
        m_owner.m_answered.wait(
            lock, [this] { return m_owner.m_answer.has_value() || m_owner.m_abandonQuestions; });
        return m_owner.m_answer.value_or(false);
    }

private:
    template <typename F>
    void post(F&& f) {
        QMetaObject::invokeMethod(&m_owner, std::forward<F>(f), Qt::QueuedConnection);
    }

    RunController& m_owner;
};

RunController::RunController(QObject* parent) : QObject(parent) {}

RunController::~RunController() {
    stopAndJoin();
}

bool RunController::start(std::vector<BatchSource> sources, BatchSettings settings) {
    if (m_running) {
        return false;
    }
    if (m_worker.joinable()) {
        m_worker.join();  // the last run's thread has reported and is ending
    }
    m_running = true;
    m_cancelled = false;
    m_results.clear();
    m_stop = std::stop_source();
    {
        std::lock_guard lock(m_askMutex);
        m_abandonQuestions = false;
        m_answer.reset();
    }
    m_observer = std::make_unique<Observer>(*this);
    m_worker = std::thread([this, sources = std::move(sources), settings = std::move(settings),
                            token = m_stop.get_token()] {
        std::vector<PictureResult> results = runBatch(sources, settings, *m_observer, token);
        QMetaObject::invokeMethod(
            this, [this, r = std::move(results)]() mutable { workerDone(std::move(r)); },
            Qt::QueuedConnection);
    });
    return true;
}

void RunController::cancel() {
    if (!m_running) {
        return;
    }
    m_cancelled = true;
    m_stop.request_stop();
    std::lock_guard lock(m_askMutex);
    m_abandonQuestions = true;
    m_answered.notify_all();
}

void RunController::askOnWindowThread(const std::string& target) {
    bool answer = false;
    {
        std::lock_guard lock(m_askMutex);
        if (m_abandonQuestions) {
            return;  // the waiting job has been released already
        }
    }
    answer = m_question ? m_question(target) : false;
    std::lock_guard lock(m_askMutex);
    m_answer = answer;
    m_answered.notify_all();
}

void RunController::workerDone(std::vector<PictureResult> results) {
    if (m_worker.joinable()) {
        m_worker.join();
    }
    m_observer.reset();
    m_results = std::move(results);
    m_running = false;
    emit finished();
}

void RunController::stopAndJoin() {
    if (m_worker.joinable()) {
        m_stop.request_stop();
        {
            std::lock_guard lock(m_askMutex);
            m_abandonQuestions = true;
            m_answered.notify_all();
        }
        m_worker.join();
    }
}

}  // namespace vendrik
