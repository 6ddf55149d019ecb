#include "watermark/watermark_step.h"

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "watermark/alpha_and_rot_blt.h"
#include "watermark/text_picture.h"
#include "watermark/text_renderer.h"

namespace vendrik {
namespace {

// What one picture at a time needs: the settings (whose position fields are
// scratch), a renderer and its render box.
struct Workbench {
    explicit Workbench(const WatermarkSettings& s)
        : settings(s), renderer(makeSystemTextRenderer()), textBox(*renderer) {}

    WatermarkSettings settings;
    std::unique_ptr<TextRenderer> renderer;
    TextPicture textBox;
};

// A run may composite several pictures at once. Each call borrows a
// workbench of its own, so no renderer or render box is shared between
// threads; workbenches are kept for the next pictures, so a run of n
// parallel jobs renders its text at most n times per picture width.
class WorkbenchPool {
public:
    explicit WorkbenchPool(WatermarkSettings settings) : m_settings(std::move(settings)) {}

    std::unique_ptr<Workbench> borrow() {
        {
            const std::lock_guard lock(m_mutex);
            if (!m_free.empty()) {
                std::unique_ptr<Workbench> w = std::move(m_free.back());
                m_free.pop_back();
                return w;
            }
        }
        return std::make_unique<Workbench>(m_settings);
    }

    void giveBack(std::unique_ptr<Workbench> w) {
        const std::lock_guard lock(m_mutex);
        m_free.push_back(std::move(w));
    }

private:
    const WatermarkSettings m_settings;
    std::mutex m_mutex;
    std::vector<std::unique_ptr<Workbench>> m_free;
};

}  // namespace

std::function<void(Surface&)> makeWatermarkStep(WatermarkSettings settings) {
    auto pool = std::make_shared<WorkbenchPool>(std::move(settings));
    return [pool](Surface& picture) {
        std::unique_ptr<Workbench> w = pool->borrow();
        // A failing picture still hands its workbench back: the renderer
        // is sound, only this picture could not be watermarked.
        struct GiveBack {
            WorkbenchPool& pool;
            std::unique_ptr<Workbench>& w;
            ~GiveBack() { pool.giveBack(std::move(w)); }
        } giveBack{*pool, w};
        AlphaAndRotBlt(picture, w->settings, w->textBox);
    };
}

}  // namespace vendrik
