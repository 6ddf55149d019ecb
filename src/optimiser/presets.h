#pragma once
// The vocabulary of the main window's choices: size presets and the target
// box they set, quality presets and the slider rule, and the tag list.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "common/settings_keys.h"
#include "imaging/box_size.h"
#include "jpeg/jpeg_compression.h"

namespace vendrik {

// ---- Size presets (cboSizes) -------------------------------------------------

struct SizePreset {
    std::string_view text;  // the first number is the height, the second the width
    int height;
    int width;
};

inline constexpr std::array<SizePreset, 10> kSizePresets{{
    {"120 x 160", 120, 160},
    {"240 x 320", 240, 320},
    {"480 x 640", 480, 640},
    {"600 x 800", 600, 800},
    {"768 x 1024", 768, 1024},
    {"1024 x 1280", 1024, 1280},
    {"1050 x 1680", 1050, 1680},
    {"1200 x 1600", 1200, 1600},
    {"1200 x 1800", 1200, 1800},
    {"1536 x 2048", 1536, 2048},
}};
static_assert(kSizePresets.size() == 10);

inline constexpr int kOwnSizeIndex = 10;
inline constexpr std::string_view kOwnSizeText = "Eigene Größe";
inline constexpr int kDefaultSizeIndex = settingDefaultWhole("Size");
// The destination box before any preset is applied: 768 high, 1024 wide.
inline constexpr BoxSize kInitialDestSize{1024, 768};

// What SetDestSize reads besides the preset index.
struct DestSizeInputs {
    bool keepOriginalSize = false;  // "Originalgröße(n) beibehalten"
    std::string ownHeightText;      // txtSizeH
    std::string ownWidthText;       // txtSizeW
};

// Applies a size preset to the destination box. Keeping the original size
// and an index outside 0..10 leave the box unchanged. Index 10 takes the own
// size texts, a side read as a leading plain number (kPlainNumberSyntax:
// "640,5" reads 640, "12.5px" 12.5) and rounded to whole pixels (ties to
// even); an empty or non-numeric text gives 0, which the batch run reports for the picture.
void SetDestSize(int index, const DestSizeInputs& inputs, BoxSize& box);

// The preset index whose item text is `text`, if any ("Eigene Größe" is 10).
[[nodiscard]] std::optional<int> sizePresetIndex(std::string_view text) noexcept;

// ---- Quality (HScroll1, optQuali, ccXPButton1) -------------------------------

enum class Sampling {
    Best,    // optQuali 0, "beste Qualität": all components 1 × 1
    Faster,  // optQuali 1, "höhere Geschwindigkeit": luminance 2 × 2
};

// A preset button sets the slider; the slider's rule then chooses the
// sampling ("Website" 4:2:0, the others 4:4:4).
struct QualityPreset {
    std::string_view caption;
    int value;
};

inline constexpr std::array<QualityPreset, 4> kQualityPresets{{
    {"Website", 60},
    {"eMail", 70},
    {"Normal", 80},
    {"Optimal", 90},
}};
static_assert(kQualityPresets.size() == 4);

// The slider's range, which is also the range a stored "Quality" must lie in.
inline constexpr int kQualityMin = settingKey("Quality").min;
inline constexpr int kQualityMax = settingKey("Quality").max;
inline constexpr int kQualityLargeStep = 5;
inline constexpr int kDefaultQuality = settingDefaultWhole("Quality");
// The slider's rule, the one place that decides it: from 70 up "beste
// Qualität" (4:4:4), below "höhere Geschwindigkeit" (4:2:0), which gives the
// lower qualities more detail for the same bytes. The strong compression
// (for JPEG; other formats follow the standard rule) keeps 4:2:0 up to 89:
// its halved colour is sharpened for the decoder's enlargement and finely
// quantised. Over eight photographs at 1280 × 1024 its 4:2:0 files needed
// 6–8 % fewer bytes than its 4:4:4 ones for the SSIMULACRA and butteraugli
// scores libjpeg's 4:2:0 quality 85 reaches, and 11–14 % for quality 70's.
[[nodiscard]] constexpr Sampling samplingForQuality(
    int value, JpegCompression compression = JpegCompression::Standard) noexcept {
    const int fullColourFrom = compression == JpegCompression::Strong ? 90 : 70;
    return value >= fullColourFrom ? Sampling::Best : Sampling::Faster;
}

// The sampling a picture is encoded with at `quality`: the user's choice
// when there is one, else the slider's rule.
[[nodiscard]] constexpr Sampling resolvedSampling(
    std::optional<Sampling> chosen, int quality,
    JpegCompression compression = JpegCompression::Standard) noexcept {
    return chosen ? *chosen : samplingForQuality(quality, compression);
}

// The preset button marked for a slider value: the one with exactly that value.
[[nodiscard]] std::optional<int> markedQualityPreset(int value) noexcept;
[[nodiscard]] std::optional<int> qualityPresetIndex(std::string_view caption) noexcept;

// "Verwendungszweck / Qualität: 80%"
[[nodiscard]] std::string qualityCaption(int value);

// The six sampling factors handed to SetSamplingFrequencies.
struct SamplingFactors {
    int h1, v1, h2, v2, h3, v3;
};
[[nodiscard]] constexpr SamplingFactors samplingFactors(Sampling s) noexcept {
    return s == Sampling::Best ? SamplingFactors{1, 1, 1, 1, 1, 1} : SamplingFactors{2, 2, 1, 1, 1, 1};
}

// ---- Tags (cboPreTags) -------------------------------------------------------

inline constexpr std::string_view kPictureSizeTag = "Bildgröße";
inline constexpr std::array<std::string_view, 7> kPreTags{
    "eMail", "web", "thumb", "small", "mini", "new", kPictureSizeTag};
static_assert(kPreTags.size() == 7);
inline constexpr int kDefaultPreTagIndex = settingDefaultWhole("PreTags");

// A stored list index applies only inside its list.
static_assert(settingKey("PreTags").max == kPreTags.size() - 1);
static_assert(settingKey("Size").max == kOwnSizeIndex);

}  // namespace vendrik
