#pragma once
// The frame "JPEG-Kompression: ": the sampling options optQuali ("beste
// Qualität", "höhere Geschwindigkeit"), the quality slider HScroll1 (40 to
// 95, large step 5) with its caption Label2(2), and the four preset buttons
// ccXPButton1 ("Website", "eMail", "Normal", "Optimal"), the one matching
// the slider marked in dark red; beside the slider the field "höchstens N
// KB" (0: no limit), the size each output may have at most. Below them the
// metadata choice cboMetadata ("Metadaten:": "entfernen", "behalten",
// "behalten ohne GPS"), in the order of MetadataChoice and the settings key
// "Metadaten", and beside it the output format cboFormat ("Format:":
// "JPEG", "WebP", "AVIF"), in the order of the settings key "Format". A
// format this computer cannot write stays in the list, disabled, with a
// tooltip saying why. Under them the check box "kleinere Dateien
// (langsamer)", the strong compression (the settings key "Kompression"),
// which only JPEG has.

#include <QGroupBox>
#include <array>
#include <optional>

#include "optimiser/presets.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;
class QScrollBar;
class QSpinBox;

namespace vendrik {

class ccXPButton;

class QualityPanel : public QGroupBox {
    Q_OBJECT
public:
    // The text colour of the preset button that matches the slider: red 192.
    static inline const QColor kMarkedPresetColour{192, 0, 0};

    QualityPanel(QWidget* dummy, QWidget* parent = nullptr);

    [[nodiscard]] QScrollBar* HScroll1() const {
        return m_slider;
    }
    [[nodiscard]] QLabel* qualityLabel() const {
        return m_caption;
    }  // Label2(2)
    [[nodiscard]] QRadioButton* optQuali(int index) const {
        return m_sampling[static_cast<std::size_t>(index)];
    }
    [[nodiscard]] ccXPButton* ccXPButton1(int index) const {
        return m_presets[static_cast<std::size_t>(index)];
    }
    [[nodiscard]] QComboBox* cboMetadata() const {
        return m_metadata;
    }
    [[nodiscard]] QComboBox* cboFormat() const {
        return m_format;
    }
    // Chooses the stored format when it can be written here; JPEG else.
    void chooseFormat(int stored);
    // "kleinere Dateien (langsamer)": the strong compression.
    [[nodiscard]] QCheckBox* chkCompression() const {
        return m_compression;
    }
    // "höchstens N KB": 0 (shown as "–") for no limit.
    [[nodiscard]] QSpinBox* maxSizeField() const {
        return m_maxSize;
    }

    // The sampling the user chose by clicking an option since the slider
    // last moved; nothing while the options show the slider's rule.
    [[nodiscard]] std::optional<Sampling> sampling() const {
        return m_chosenSampling;
    }

    // The slider's value changed (by the user, a preset or a setting): the
    // caption, the sampling option by the slider's rule (a choice by hand
    // ends), and the preset marks.
    void HScroll1_Change();
    // A preset button: its slider value, and the sampling by the rule.
    void presetClicked(int element);
    // A sampling chosen by hand before (a setting or an own preset): shown
    // and used until the slider moves, as a click on its option would be; or
    // (nothing) the slider's rule.
    void chooseSampling(std::optional<Sampling> sampling);

private:
    // The slider's rule at `value` for the chosen format and compression.
    [[nodiscard]] Sampling ruleSampling(int value) const;
    void showSampling(Sampling s);

    QWidget* m_dummy;
    std::array<QRadioButton*, 2> m_sampling{};
    std::optional<Sampling> m_chosenSampling;
    QLabel* m_caption = nullptr;
    QScrollBar* m_slider = nullptr;
    QSpinBox* m_maxSize = nullptr;
    std::array<ccXPButton*, 4> m_presets{};
    QComboBox* m_metadata = nullptr;
    QComboBox* m_format = nullptr;
    QCheckBox* m_compression = nullptr;
};

}  // namespace vendrik
