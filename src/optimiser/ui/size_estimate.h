#pragma once
// The estimated size of the clicked picture's output ("ca. 245 KB"): what
// the run would write for it with the window's settings, computed by the
// run's own picture pipeline (processPicture) on a thread of its own, so
// that the window never waits for it.
//
// At most one computation runs. A request made meanwhile waits for it and
// replaces any other waiting one; an answer that is no longer the latest
// request's is dropped. The destructor waits for the computation in hand
// (one picture at most) and drops its answer.

#include <QObject>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "optimiser/picture_pipeline.h"
#include "optimiser/ui/latest_request.h"

namespace vendrik {

class SizeEstimate : public QObject {
    Q_OBJECT
public:
    explicit SizeEstimate(QObject* parent = nullptr);
    ~SizeEstimate() override;
    SizeEstimate(const SizeEstimate&) = delete;
    SizeEstimate& operator=(const SizeEstimate&) = delete;

    // Computes the output of `picture` with `settings`; supersedes every
    // earlier request.
    void request(std::string picture, PictureSettings settings);
    // Drops every request: no answer comes until the next one.
    void cancel();

    // True while the latest request has not been answered.
    [[nodiscard]] bool busy() const {
        return m_computing.pending();
    }
    // The latest answer: the output's size in bytes, or nothing when the
    // picture cannot be made into a file (or none was asked for since the
    // last cancel).
    [[nodiscard]] std::optional<std::uint64_t> bytes() const {
        if (!m_output) {
            return std::nullopt;
        }
        return m_output->bytes.size();
    }
    // The latest answer's output itself, empty as bytes() is: the comparison
    // view shows it rather than encoding the picture once more.
    [[nodiscard]] std::shared_ptr<const EncodedPicture> output() const {
        return m_output;
    }

signals:
    // The latest request is answered; bytes() holds the answer.
    void estimated();

private:
    std::shared_ptr<const EncodedPicture> m_output;
    LatestRequest m_computing;
};

// "ca. 245 KB", the text the window shows for an estimate; empty for none.
[[nodiscard]] QString estimateText(std::optional<std::uint64_t> bytes);

}  // namespace vendrik
