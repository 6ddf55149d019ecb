#pragma once
// The five-line EXIF summary beside the preview: one text per label of the
// main window, each either filled from the picture's EXIF entries or left to
// the label's bare caption.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vendrik {

// The labels lblCam, lblBlende, lblExp, lblTime and lblDate, top to bottom.
enum class ExifLabel { Camera, Aperture, Exposure, Time, Date };

inline constexpr std::array<std::string_view, 5> kExifCaptions = {
    "Camera:", "Blende:", "Belichtung:", "Uhrzeit:", "Datum:"};
static_assert(kExifCaptions.size() == static_cast<std::size_t>(ExifLabel::Date) + 1);

struct ExifSummary {
    // nullopt: the picture gives nothing for this label; it keeps its caption.
    std::array<std::optional<std::string>, 5> texts;

    [[nodiscard]] const std::optional<std::string>& text(ExifLabel label) const {
        return texts[static_cast<std::size_t>(label)];
    }
    // What the label shows: the filled-in text, else its bare caption.
    [[nodiscard]] std::string shown(ExifLabel label) const {
        const auto& t = text(label);
        return t ? *t : std::string(kExifCaptions[static_cast<std::size_t>(label)]);
    }
};

}  // namespace vendrik
