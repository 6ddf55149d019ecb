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

SizeEstimate::SizeEstimate(QObject* parent) : QObject(parent) {}

SizeEstimate::~SizeEstimate() = default;

void SizeEstimate::request(std::string picture, PictureSettings settings) {
    const auto compute = [picture = std::move(picture), settings = std::move(settings)] {
        giveWay();  // the thread, once more each time: cheap
        std::shared_ptr<const EncodedPicture> answer;
        try {
            Result<EncodedPicture> output = processPicture(picture, settings);
            if (output) {
                answer = std::make_shared<const EncodedPicture>(std::move(*output));
            }
        } catch (...) {
            // Nothing to show; the run would name the reason.
        }
        return answer;
    };
    m_computing.start(this, compute, [this](std::shared_ptr<const EncodedPicture> output) {
        m_output = std::move(output);
        emit estimated();
    });
}

void SizeEstimate::cancel() {
    m_computing.drop();
    m_output.reset();
}

QString estimateText(std::optional<std::uint64_t> bytes) {
    return bytes ? QStringLiteral("ca. ") + qtText(kiloBytesText(*bytes)) : QString();
}

}  // namespace vendrik
