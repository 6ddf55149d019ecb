#pragma once
// The watermark text keeps its line breaks in the settings file as marker
// characters, because every value there is one line: CR is stored as "#",
// LF as "§". Both conversions keep the text's length in characters and touch
// nothing else, so a "#" the user typed comes back as a line break after
// the next start.

#include <cstdint>
#include <string>
#include <string_view>

#include "watermark/watermark_settings.h"  // countWatermarkLineBreaks

namespace vendrik {

// Stored form of the notice that stands in for an empty watermark text: the
// maker on the first line, three blanks and the web address on the second.
inline constexpr std::string_view kDefaultWatermarkNotice =
    "\u00A9 Tervane Vendrik#\u00A7   www.tervane.example";

// Stored form to display form, in place; returns the converted text.
std::string DecodeMarkers(std::string& text);

// Display form to stored form, in place; returns the converted text.
std::string EncodeMarkers(std::string& text);

}  // namespace vendrik
