#include "optimiser/presets.h"

#include <algorithm>
#include <cmath>

namespace vendrik {

double leadingNumber(std::string_view text) noexcept {
    double value = 0;
    double scale = 0;  // 0 before the decimal point, then 0.1, 0.01, ...
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            if (scale == 0) {
                value = value * 10 + (c - '0');
            } else {
                value += (c - '0') * scale;
                scale /= 10;
            }
        } else if (c == '.' && scale == 0) {
            scale = 0.1;
        } else {
            break;
        }
    }
    return value;
}

namespace {

// A side in pixels from an own-size text. Absurd values are held at a bound
// far above any picture the run makes, so that nothing overflows; the run
// refuses such a box itself.
int ownSide(std::string_view text) {
    constexpr double kBound = 1'000'000;
    return static_cast<int>(std::nearbyint(std::min(leadingNumber(text), kBound)));
}

}  // namespace

void SetDestSize(int index, const DestSizeInputs& inputs, BoxSize& box) noexcept {
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
