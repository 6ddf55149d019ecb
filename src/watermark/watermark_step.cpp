#include "watermark/watermark_step.h"

#include <memory>
#include <utility>

#include "watermark/alpha_and_rot_blt.h"
#include "watermark/text_picture.h"
#include "watermark/text_renderer.h"

namespace vendrik {
namespace {

struct StepState {
    explicit StepState(WatermarkSettings s)
        : settings(std::move(s)), renderer(makeSystemTextRenderer()), textBox(*renderer) {}

    WatermarkSettings settings;
    std::unique_ptr<TextRenderer> renderer;
    TextPicture textBox;
};

}  // namespace

std::function<void(Surface&)> makeWatermarkStep(WatermarkSettings settings) {
    auto state = std::make_shared<StepState>(std::move(settings));
    return [state](Surface& picture) { AlphaAndRotBlt(picture, state->settings, state->textBox); };
}

}  // namespace vendrik
