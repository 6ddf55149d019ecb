#include "optimiser/ui/size_estimate.h"

#include <sys/resource.h>
#include <unistd.h>

#include "optimiser/size_target.h"
#include "optimiser/ui/window_look.h"

namespace vendrik {

namespace {

// The estimate gives way to the preview and to the window: on two cores a
// click while an estimate is computed would otherwise share a core with it
// and show its preview later. Linux weighs a thread of niceness 10 at about
// a tenth of a normal one; it still runs on any core left idle.
constexpr int kEstimateNiceness = 10;

void giveWay() {
    static_cast<void>(
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kEstimateNiceness));
}

}  // namespace

SizeEstimate::SizeEstimate(QObject* parent) : QObject(parent) {
    // One thread: a newer request waits for the one in hand instead of
    // piling up beside it.
    m_pool.setMaxThreadCount(1);
}

SizeEstimate::~SizeEstimate() {
    // The computation posts its answer to this object: wait for it while
    // the object can still take (and drop) the posting.
    cancel();
    m_pool.waitForDone();
}

void SizeEstimate::request(std::string picture, BatchSettings settings) {
    const std::uint64_t request = ++m_request;
    m_pending = true;
    m_pool.clear();  // a request still waiting is out of date
    m_pool.start([this, request, picture = std::move(picture), settings = std::move(settings)] {
        if (request != m_request.load()) {
            return;
        }
        giveWay();  // the pool's thread, once more each time: cheap
        std::optional<std::uint64_t> bytes;
        try {
            const PictureResult result = estimatePicture(picture, settings);
            if (result.status == PictureStatus::Written) {
                bytes = result.bytes;
            }
        } catch (...) {
            // Nothing to show; the run would name the reason.
        }
        QMetaObject::invokeMethod(
            this, [this, request, bytes] { answer(request, bytes); }, Qt::QueuedConnection);
    });
}

void SizeEstimate::cancel() {
    ++m_request;
    m_pool.clear();
    m_pending = false;
    m_bytes.reset();
}

void SizeEstimate::answer(std::uint64_t request, std::optional<std::uint64_t> bytes) {
    if (request != m_request.load()) {
        return;  // a later request or a cancel came in between
    }
    m_pending = false;
    m_bytes = bytes;
    emit estimated();
}

QString estimateText(std::optional<std::uint64_t> bytes) {
    return bytes ? QStringLiteral("ca. ") + qtText(kiloBytesText(*bytes)) : QString();
}

}  // namespace vendrik
