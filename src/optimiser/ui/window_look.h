#pragma once
// Small things every panel of the main window does alike: the core's texts
// (UTF-8 string views) as Qt strings, and the margins and spacings of a
// frame's layout, so that the frames line up.

#include <QString>
#include <string_view>

class QGridLayout;
class QGroupBox;

namespace vendrik {

[[nodiscard]] inline QString qtText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// `caption` with its access key marked: an "&" before the first `key`
// (Alt and the key then press or focus the control; the caption reads the
// same, the key underlined). A caption without the key is returned as it is.
[[nodiscard]] QString withAccessKey(const QString& caption, QChar key);

// The grid of a frame ("Pfade: ", "Optimierungs-Einstellungen: ", ...):
// narrow margins under the frame's title, 6 pixels between columns and 3
// between rows.
QGridLayout* frameGrid(QGroupBox* frame);

}  // namespace vendrik
