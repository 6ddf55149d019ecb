#include "optimiser/ui/quality_panel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStandardItemModel>

#include "common/settings_keys.h"
#include "controls/ccXPButton.h"
#include "optimiser/output_format.h"
#include "optimiser/output_formats.h"
#include "optimiser/ui/window_look.h"

namespace vendrik {
namespace {

// The preset buttons' access keys: "Website", "eMail", "Normal", "Optimal"
// ("O" is "Ordner aktualisieren"'s).
constexpr std::array<char, 4> kPresetKeys = {'W', 'M', 'N', 'p'};

}  // namespace

QualityPanel::QualityPanel(QWidget* dummy, QWidget* parent)
    : QGroupBox(QStringLiteral("JPEG-Kompression: "), parent), m_dummy(dummy) {
    QGridLayout* grid = frameGrid(this);

    auto* group = new QButtonGroup(this);
    m_sampling[0] = new QRadioButton(QStringLiteral("beste Qualität"), this);
    m_sampling[1] = new QRadioButton(QStringLiteral("höhere Geschwindigkeit"), this);
    auto* options = new QHBoxLayout;
    for (std::size_t i = 0; i < m_sampling.size(); ++i) {
        group->addButton(m_sampling[i]);
        options->addWidget(m_sampling[i]);
        // Only a click is a choice; the slider sets the options by its rule.
        connect(m_sampling[i], &QRadioButton::clicked, this, [this, i] {
            m_chosenSampling = i == 0 ? Sampling::Best : Sampling::Faster;
            m_dummy->setFocus();
        });
    }
    options->addStretch(1);

    m_caption = new QLabel(this);
    m_slider = new QScrollBar(Qt::Horizontal, this);
    m_slider->setRange(kQualityMin, kQualityMax);
    m_slider->setSingleStep(1);
    m_slider->setPageStep(kQualityLargeStep);
    // Reached by Tab like every other control: arrows move it by 1, Page Up
    // and Page Down by the large step.
    m_slider->setFocusPolicy(Qt::StrongFocus);
    m_caption->setBuddy(m_slider);

    // The slider and the field "höchstens N KB" stand over the preset
    // buttons in the buttons' columns: the slider over "Website" and
    // "eMail", the field over "Normal" and "Optimal".
    auto* sliderAndPresets = new QGridLayout;
    sliderAndPresets->setHorizontalSpacing(5);
    sliderAndPresets->setVerticalSpacing(5);
    for (int i = 0; i < static_cast<int>(m_presets.size()); ++i) {
        sliderAndPresets->setColumnStretch(i, 1);
    }
    for (std::size_t i = 0; i < m_presets.size(); ++i) {
        m_presets[i] =
            new ccXPButton(withAccessKey(qtText(kQualityPresets[i].caption), kPresetKeys[i]), this);
        m_presets[i]->setFixedHeight(23);
        sliderAndPresets->addWidget(m_presets[i], 1, static_cast<int>(i));
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

    // The output format. A format whose encoder is missing on this computer
    // (libheif without AV1) stays listed, so that the user learns why it
    // cannot be chosen rather than wondering where it went.
    auto* formatLabel = new QLabel(QStringLiteral("Format:"), this);
    m_format = new QComboBox(this);
    auto* formats = new QStandardItemModel(m_format);
    for (const OutputFormatId id : kOutputFormatIds) {
        const std::shared_ptr<const OutputFormat> format = outputFormat(id);
        auto* item = new QStandardItem(qtText(format->name()));
        if (Result<void> usable = format->usable(); !usable) {
            item->setEnabled(false);
            item->setToolTip(qtText(usable.reason()));
        }
        formats->appendRow(item);
    }
    m_format->setModel(formats);
    formatLabel->setBuddy(m_format);
    m_format->setAccessibleName(QStringLiteral("Format:"));
    connect(m_format, &QComboBox::activated, m_dummy, [this] { m_dummy->setFocus(); });

    auto* metadata = new QHBoxLayout;
    metadata->setSpacing(6);
    metadata->addWidget(metadataLabel);
    metadata->addWidget(m_metadata, 1);
    metadata->addSpacing(12);
    metadata->addWidget(formatLabel);
    metadata->addWidget(m_format, 1);
    // The stronger compression costs time, not look: the user trades the
    // run's length for smaller files, so the box says both.
    m_compression = new QCheckBox(QStringLiteral("kleinere Dateien (langsamer)"), this);
    m_compression->setAccessibleName(QStringLiteral("kleinere Dateien (langsamer)"));
    m_compression->setToolTip(
        QStringLiteral("Progressive JPEG-Dateien, bei gleichem Aussehen kleiner; das Kodieren "
                       "dauert einige Male länger. Nur für JPEG"));
    connect(m_compression, &QCheckBox::clicked, m_dummy, [this] { m_dummy->setFocus(); });
    // The strong mode is our JPEG encoder's; WebP and AVIF have their own
    // effort settings, so the box is grey (and ignored) for them.
    connect(m_format, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_compression->setEnabled(outputFormatOfSetting(index)->compresses());
    });

    // "höchstens N KB" beside the slider: the largest file each picture may
    // become. The slider's quality is the most a picture gets; one whose
    // file is larger is written at the highest quality from 10 up that fits.
    auto* atMost = new QLabel(QStringLiteral("höchstens"), this);
    m_maxSize = new QSpinBox(this);
    m_maxSize->setRange(0, kInt16Max);
    m_maxSize->setSuffix(QStringLiteral(" KB"));
    m_maxSize->setSpecialValueText(QStringLiteral("–"));
    m_maxSize->setAccessibleName(QStringLiteral("höchstens N KB"));
    m_maxSize->setToolTip(QStringLiteral(
        "Größte Dateigröße je Bild in KB (1024 Bytes): passt ein Bild mit der "
        "eingestellten Qualität nicht, wird sie dafür gesenkt, bis 10. – : keine Grenze"));
    m_maxSize->setAlignment(Qt::AlignRight);
    atMost->setBuddy(m_maxSize);
    auto* maxSizeRow = new QHBoxLayout;
    maxSizeRow->setSpacing(6);
    maxSizeRow->addWidget(atMost);
    maxSizeRow->addWidget(m_maxSize, 1);
    sliderAndPresets->addWidget(m_slider, 0, 0, 1, 2, Qt::AlignVCenter);
    sliderAndPresets->addLayout(maxSizeRow, 0, 2, 1, 2);

    // One column, every row from the frame's left edge to its right, with
    // a little more air between the rows than the other frames have: the
    // frame holds the most controls.
    grid->setVerticalSpacing(5);
    grid->addLayout(options, 0, 0);
    grid->addWidget(m_caption, 1, 0);
    grid->addLayout(sliderAndPresets, 2, 0);
    grid->addLayout(metadata, 3, 0);
    // A row of its own: no row of the frame has room for it beside its
    // controls without widening the window, so the window grows by the row.
    grid->addWidget(m_compression, 4, 0);

    connect(m_slider, &QScrollBar::valueChanged, this, [this] { HScroll1_Change(); });
    m_slider->setValue(kDefaultQuality);
    HScroll1_Change();
    // The rule depends on the compression of the format: shown anew when
    // either changes, unless the user chose a sampling.
    const auto showRule = [this] {
        if (!m_chosenSampling) {
            showSampling(ruleSampling(m_slider->value()));
        }
    };
    connect(m_compression, &QCheckBox::toggled, this, showRule);
    connect(m_format, &QComboBox::currentIndexChanged, this, showRule);
}

void QualityPanel::chooseFormat(int stored) {
    const auto* formats = static_cast<const QStandardItemModel*>(m_format->model());
    const bool choosable = stored >= 0 && stored < formats->rowCount() &&
                           formats->item(stored)->isEnabled();
    m_format->setCurrentIndex(choosable ? stored : static_cast<int>(OutputFormatId::Jpeg));
}

Sampling QualityPanel::ruleSampling(int value) const {
    return samplingOf(*outputFormatOfSetting(m_format->currentIndex()), std::nullopt, value,
                      m_compression->isChecked() ? JpegCompression::Strong
                                                 : JpegCompression::Standard);
}

void QualityPanel::showSampling(Sampling s) {
    m_sampling[s == Sampling::Best ? 0 : 1]->setChecked(true);
}

void QualityPanel::chooseSampling(std::optional<Sampling> sampling) {
    m_chosenSampling = sampling;
    showSampling(sampling.value_or(ruleSampling(m_slider->value())));
}

void QualityPanel::HScroll1_Change() {
    const int value = m_slider->value();
    const QString caption = QString::fromStdString(qualityCaption(value));
    m_caption->setText(caption);
    m_slider->setAccessibleName(caption);
    m_chosenSampling.reset();
    showSampling(ruleSampling(value));
    const std::optional<int> marked = markedQualityPreset(value);
    for (std::size_t i = 0; i < m_presets.size(); ++i) {
        m_presets[i]->setForeColor(marked && *marked == static_cast<int>(i) ? kMarkedPresetColour
                                                                            : QColor(Qt::black));
    }
}

void QualityPanel::presetClicked(int element) {
    const QualityPreset& p = kQualityPresets[static_cast<std::size_t>(element)];
    m_slider->setValue(p.value);
    // Also when the slider stood at the preset already.
    m_chosenSampling.reset();
    showSampling(ruleSampling(p.value));
    m_dummy->setFocus();
}

}  // namespace vendrik
