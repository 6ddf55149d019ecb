#pragma once
// A batch run from the main window, off the window thread: the core's
// runBatch on a worker thread of its own (which starts one thread per job),
// with everything the run reports brought back to the window thread.
//
// Threading:
// - start() and cancel() are called on the window thread; the signals are
//   emitted there, in the order the engine reported (queued signals from
//   one worker thread at a time keep their order).
// - The overwrite question reaches the window thread by a queued call; the
//   job that asks waits for the answer while the other jobs go on. When the
//   run is cancelled or the controller goes, a waiting question is answered
//   "no" so that no job waits for a window that will not answer.
// - The destructor stops a run that still goes and waits for the pictures
//   in hand: nothing is left half-written.

#include <QObject>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "optimiser/batch_engine.h"

namespace vendrik {

class RunController : public QObject {
    Q_OBJECT
public:
    // Asked on the window thread whether `targetName` may be replaced.
    using ReplaceQuestion = std::function<bool(const std::string& targetName)>;

    explicit RunController(QObject* parent = nullptr);
    ~RunController() override;
    RunController(const RunController&) = delete;
    RunController& operator=(const RunController&) = delete;

    void setReplaceQuestion(ReplaceQuestion question) {
        m_question = std::move(question);
    }

    // Starts a run over `sources`; false (and nothing started) while a run
    // goes.
    bool start(std::vector<BatchSource> sources, BatchSettings settings);
    // Stops the run after the pictures in hand; finished() follows.
    void cancel();
    [[nodiscard]] bool running() const {
        return m_running;
    }
    [[nodiscard]] bool cancelRequested() const {
        return m_cancelled;
    }
    // The results of the last finished run, one per source in order.
    [[nodiscard]] const std::vector<PictureResult>& results() const {
        return m_results;
    }

signals:
    void overallProgress(int value);
    void currentProgress(int picture, int value);
    void pictureFinished(int picture);
    // The run is over; results() holds its outcome.
    void finished();

private:
    class Observer;
    void askOnWindowThread(const std::string& target);
    void workerDone(std::vector<PictureResult> results);
    void stopAndJoin();

    ReplaceQuestion m_question;
    std::unique_ptr<Observer> m_observer;
    std::stop_source m_stop;
    std::thread m_worker;
    bool m_running = false;
    bool m_cancelled = false;
    std::vector<PictureResult> m_results;

    // The question handshake between a waiting job and the window thread.
    std::mutex m_askMutex;
    std::condition_variable m_answered;
    std::optional<bool> m_answer;
    bool m_abandonQuestions = false;
};

}  // namespace vendrik
