#include "optimiser/ui/quality_panel.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>

#include "common/settings_keys.h"
#include "controls/ccXPButton.h"
#include "optimiser/ui/window_look.h"

namespace vendrik {
QualityPanel::QualityPanel(QWidget* dummy, QWidget* parent)
    : QGroupBox(QStringLiteral("JPEG-Kompression: "), parent), m_dummy(dummy) {
    QGridLayout* grid = frameGrid(this);

    auto* group = new QButtonGroup(this);
    m_sampling[0] = new QRadioButton(QStringLiteral("beste Qualität"), this);
    m_sampling[1] = new QRadioButton(QStringLiteral("höhere Geschwindigkeit"), this);
    auto* options = new QHBoxLayout;
    for (QRadioButton* b : m_sampling) {
        group->addButton(b);
        options->addWidget(b);
        connect(b, &QRadioButton::clicked, m_dummy, [this] { m_dummy->setFocus(); });
    }
    options->addStretch(1);

    m_caption = new QLabel(this);
    m_slider = new QScrollBar(Qt::Horizontal, this);
    m_slider->setRange(kQualityMin, kQualityMax);
    m_slider->setSingleStep(1);
    m_slider->setPageStep(kQualityLargeStep);
    m_caption->setBuddy(m_slider);

    auto* presets = new QHBoxLayout;
    presets->setSpacing(5);
    for (std::size_t i = 0; i < m_presets.size(); ++i) {
        m_presets[i] = new ccXPButton(qtText(kQualityPresets[i].caption), this);
        m_presets[i]->setFixedHeight(23);
        presets->addWidget(m_presets[i]);
        connect(m_presets[i], &ccXPButton::Click, this,
                [this, i] { presetClicked(static_cast<int>(i)); });
    }

    // What the outputs keep of their sources' metadata; the default strips
    // it, as the outputs always were: bare JFIF files.
    auto* metadataLabel = new QLabel(QStringLiteral("Metadaten:"), this);
    m_metadata = new QComboBox(this);
    m_metadata->addItems({QStringLiteral("entfernen"), QStringLiteral("behalten"),
                          QStringLiteral("behalten ohne GPS")});
    metadataLabel->setBuddy(m_metadata);
    m_metadata->setAccessibleName(QStringLiteral("Metadaten:"));
    connect(m_metadata, &QComboBox::activated, m_dummy, [this] { m_dummy->setFocus(); });
    auto* metadata = new QHBoxLayout;
    metadata->addWidget(metadataLabel);
    metadata->addWidget(m_metadata, 1);

    grid->addLayout(options, 0, 0);
    grid->addWidget(m_caption, 1, 0);
    // "höchstens N KB" beside the slider: the largest file each picture may
    // become; the run then searches the highest quality that fits.
    auto* atMost = new QLabel(QStringLiteral("höchstens"), this);
    m_maxSize = new QSpinBox(this);
    m_maxSize->setRange(0, kInt16Max);
    m_maxSize->setSuffix(QStringLiteral(" KB"));
    m_maxSize->setSpecialValueText(QStringLiteral("–"));
    m_maxSize->setAccessibleName(QStringLiteral("höchstens N KB"));
    m_maxSize->setToolTip(QStringLiteral(
        "Größte Dateigröße je Bild in KB (1024 Bytes); die Qualität wird dafür gesenkt. "
        "– : keine Grenze"));
    atMost->setBuddy(m_maxSize);
    // No taller than the slider, so that the frame and the window keep
    // their heights.
    m_maxSize->setMaximumHeight(m_slider->sizeHint().height());
    auto* sliderRow = new QHBoxLayout;
    sliderRow->addWidget(m_slider, 1);
    sliderRow->addSpacing(6);
    sliderRow->addWidget(atMost);
    sliderRow->addWidget(m_maxSize);
    grid->addLayout(sliderRow, 2, 0);
    grid->addLayout(presets, 3, 0);
    grid->addLayout(metadata, 4, 0);

    connect(m_slider, &QScrollBar::valueChanged, this, [this] { HScroll1_Change(); });
    m_slider->setValue(kDefaultQuality);
    HScroll1_Change();
}

std::optional<Sampling> QualityPanel::sampling() const {
    if (m_sampling[0]->isChecked()) {
        return Sampling::Best;
    }
    if (m_sampling[1]->isChecked()) {
        return Sampling::Faster;
    }
    return std::nullopt;
}

void QualityPanel::chooseSampling(Sampling s) {
    m_sampling[s == Sampling::Best ? 0 : 1]->setChecked(true);
}

void QualityPanel::HScroll1_Change() {
    const int value = m_slider->value();
    const QString caption = QString::fromStdString(qualityCaption(value));
    m_caption->setText(caption);
    m_slider->setAccessibleName(caption);
    chooseSampling(samplingForQuality(value));
    const std::optional<int> marked = markedQualityPreset(value);
    for (std::size_t i = 0; i < m_presets.size(); ++i) {
        m_presets[i]->setForeColor(marked && *marked == static_cast<int>(i) ? kMarkedPresetColour
                                                                            : QColor(Qt::black));
    }
}

void QualityPanel::presetClicked(int element) {
    const QualityPreset& p = kQualityPresets[static_cast<std::size_t>(element)];
    m_slider->setValue(p.value);
    chooseSampling(p.sampling);
    m_dummy->setFocus();
}

}  // namespace vendrik
