#include "optimiser/presets.h"

#include <algorithm>
#include <cmath>

#include "common/number_text.h"

namespace vendrik {

namespace {

// A side in pixels from an own-size text. Absurd values are held at a bound
// far above any picture the run makes, so that nothing overflows; the run
// refuses such a box itself.
int ownSide(std::string_view text) {
    constexpr double kBound = 1'000'000;
    const double side = leadingNumber(text, kPlainNumberSyntax).value;
    return static_cast<int>(std::nearbyint(std::min(side, kBound)));
}

}  // namespace

void SetDestSize(int index, const DestSizeInputs& inputs, BoxSize& box) {
    if (inputs.keepOriginalSize || index < 0 || index > kOwnSizeIndex) {
        return;
    }
    if (index == kOwnSizeIndex) {
        box.height = ownSide(inputs.ownHeightText);
        box.width = ownSide(inputs.ownWidthText);
        return;
    }
    const SizePreset& p = kSizePresets[static_cast<std::size_t>(index)];
    box.height = p.height;
    box.width = p.width;
}

std::optional<int> sizePresetIndex(std::string_view text) noexcept {
    if (text == kOwnSizeText) {
        return kOwnSizeIndex;
    }
    const auto it = std::find_if(kSizePresets.begin(), kSizePresets.end(),
                                 [&](const SizePreset& p) { return p.text == text; });
    if (it == kSizePresets.end()) {
        return std::nullopt;
    }
    return static_cast<int>(it - kSizePresets.begin());
}

std::optional<int> markedQualityPreset(int value) noexcept {
    const auto it = std::find_if(kQualityPresets.begin(), kQualityPresets.end(),
                                 [&](const QualityPreset& p) { return p.value == value; });
    if (it == kQualityPresets.end()) {
        return std::nullopt;
    }
    return static_cast<int>(it - kQualityPresets.begin());
}

std::optional<int> qualityPresetIndex(std::string_view caption) noexcept {
    const auto it = std::find_if(kQualityPresets.begin(), kQualityPresets.end(),
                                 [&](const QualityPreset& p) { return p.caption == caption; });
    if (it == kQualityPresets.end()) {
        return std::nullopt;
    }
    return static_cast<int>(it - kQualityPresets.begin());
}

std::string qualityCaption(int value) {
    return "Verwendungszweck / Qualität: " + std::to_string(value) + "%";
}

}  // namespace vendrik
