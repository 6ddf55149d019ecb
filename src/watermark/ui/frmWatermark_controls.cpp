// The designer's controls: what they are, their captions, ranges and
// designed values, their layout and tab order, and which handler each one
// runs. What the handlers do is in frmWatermark.cpp.

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <array>

#include "controls/ccXPButton.h"
#include "watermark/ui/frmWatermark.h"
#include "watermark/ui/preview_widgets.h"
#include "watermark/watermark_preview.h"

namespace vendrik {
namespace {

struct ScrollRange {
    int minimum;
    int maximum;
    int designed;
};
constexpr ScrollRange kManualAngleRange{0, 90, 40};
constexpr ScrollRange kEffectiveAngleRange{0, 360, 40};
// HScroll1 elements 0 to 3: opacity, size, horizontal and vertical position.
constexpr std::array<ScrollRange, 4> kHScroll1Ranges{{
    {0, 100, 45},
    {16, 70, 38},
    {0, 390, 160},
    {0, 290, 120},
}};

struct ColourOption {
    const char* name;  // what a screen reader says after "Farbe:"
    const char* objectName;
};
constexpr std::array<ColourOption, 6> kColourOptions{{
    {"Schwarz", "Picture4"},
    {"Weiß", "Picture5"},
    {"Blau", "Picture6"},
    {"Gelb", "Picture7"},
    {"Rot", "Picture8"},
    {"Grün", "Picture9"},
}};
static_assert(kColourOptions.size() == kWatermarkColors.size());

QString text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QScrollBar* makeScrollBar(const ScrollRange& range, QWidget* parent) {
    return new SettingScrollBar(range.minimum, range.maximum, range.designed, parent);
}

// The scroll bars kept outside the visible area: they hold a value within
// their range for the preview and for storing, nothing more.
QScrollBar* makeHiddenScrollBar(const ScrollRange& range, QWidget* parent) {
    QScrollBar* bar = makeScrollBar(range, parent);
    bar->setFocusPolicy(Qt::NoFocus);
    bar->setVisible(false);
    return bar;
}

QLabel* makeCaption(const char* caption, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text(caption), parent);
    if (buddy != nullptr) {
        label->setBuddy(buddy);
        buddy->setAccessibleName(label->text());
    }
    return label;
}

QLabel* makeValueLabel(const QString& shown, const char* objectName, QWidget* parent) {
    auto* label = new QLabel(shown, parent);
    label->setObjectName(text(objectName));
    // Wide enough for "-90°" and "100", so the row does not move.
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("-90°  ")));
    return label;
}

// Tab stops at the chosen option of a group only (at the first available
// one while none is chosen); the arrow keys move and choose within it.
void keepTabStopOnChosen(const QButtonGroup* group) {
    QAbstractButton* stop = group->checkedButton();
    for (QAbstractButton* b : group->buttons()) {
        if (stop == nullptr && b->isEnabled()) {
            stop = b;
        }
    }
    for (QAbstractButton* b : group->buttons()) {
        b->setFocusPolicy(b == stop ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

}  // namespace

void frmWatermark::buildControls() {
    m_Picture2 = new PreviewBox(kPreviewWidth, kPreviewHeight, kPreviewBackground, this);
    m_Picture2->setObjectName(QStringLiteral("Picture2"));
    m_Picture2->setAccessibleName(QStringLiteral("Vorschau"));
    connect(m_Picture2, &PreviewBox::scaleChanged, this, [this] { RotBlit(); });

    m_Text1 = new QPlainTextEdit(this);
    m_Text1->setObjectName(QStringLiteral("Text1"));
    m_Text1->setTabChangesFocus(true);  // Tab leaves the box, as in every other field
    m_Text1->installEventFilter(this);
    m_Text1->setFixedHeight(m_Text1->fontMetrics().lineSpacing() * 3 + 12);

    m_cboAngle = new QComboBox(this);
    m_cboAngle->setObjectName(QStringLiteral("cboAngle"));
    m_sldrManual = makeScrollBar(kManualAngleRange, this);
    m_sldrManual->setObjectName(QStringLiteral("sldrManual"));
    m_sldrManual->setEnabled(false);  // only the mode "Manuell" enables it
    m_sldrManual->setAccessibleDescription(text("Manueller Winkel in Grad"));
    m_sliderAngle = makeHiddenScrollBar(kEffectiveAngleRange, this);
    m_sliderAngle->setObjectName(QStringLiteral("sliderAngle"));
    m_Label13 = makeValueLabel(text("40°"), "Label13", this);

    const std::array<const char*, 4> scrollNames{"HScroll1_0", "HScroll1_1", "HScroll1_2",
                                                 "HScroll1_3"};
    for (std::size_t n = 0; n < m_HScroll1.size(); ++n) {
        m_HScroll1[n] = n < 2 ? makeScrollBar(kHScroll1Ranges[n], this)
                              : makeHiddenScrollBar(kHScroll1Ranges[n], this);
        m_HScroll1[n]->setObjectName(text(scrollNames[n]));
    }
    m_valueLabels[0] = makeValueLabel(QString::number(kHScroll1Ranges[0].designed), "Label3", this);
    m_valueLabels[1] = makeValueLabel(QString::number(kHScroll1Ranges[1].designed), "Label4", this);

    // The colour options, each in its swatch; one choice among the six.
    m_colourGroup = new QButtonGroup(this);
    auto* swatches = new QHBoxLayout;
    swatches->setSpacing(4);
    for (std::size_t i = 0; i < m_Option1.size(); ++i) {
        auto* option = new QRadioButton(this);
        option->setObjectName(QStringLiteral("Option1_%1").arg(i));
        option->setAccessibleName(text("Farbe: ") + text(kColourOptions[i].name));
        option->setToolTip(text(kColourOptions[i].name));
        auto* swatch = new ColourSwatch(kWatermarkColors[i], option, this);
        swatch->setObjectName(text(kColourOptions[i].objectName));
        swatches->addWidget(swatch);
        m_colourGroup->addButton(option, static_cast<int>(i));
        m_Option1[i] = option;
    }
    swatches->addStretch();

    const auto makeOptions = [this](auto& options, QButtonGroup*& group, const char* prefix,
                                    std::array<const char*, 3> captions, const char* groupCaption) {
        group = new QButtonGroup(this);
        auto* row = new QHBoxLayout;
        for (std::size_t i = 0; i < options.size(); ++i) {
            options[i] = new QRadioButton(text(captions[i]), this);
            options[i]->setObjectName(QStringLiteral("%1_%2").arg(text(prefix)).arg(i));
            options[i]->setAccessibleDescription(text(groupCaption));
            group->addButton(options[i], static_cast<int>(i));
            row->addWidget(options[i]);
        }
        row->addStretch();
        return row;
    };
    QHBoxLayout* hRow =
        makeOptions(m_Option2, m_hGroup, "Option2", {"Links", "Mitte", "Rechts"}, "H-Position:");
    QHBoxLayout* vRow =
        makeOptions(m_Option3, m_vGroup, "Option3", {"Oben", "Mitte", "Unten"}, "V-Position:");

    m_ccXPButton3 = new ccXPButton(QStringLiteral("VORSCHAU"), this);
    m_ccXPButton3->setObjectName(QStringLiteral("ccXPButton3"));
    m_ccXPButton1 = new ccXPButton(QStringLiteral("ÜBERNEHMEN"), this);
    m_ccXPButton1->setObjectName(QStringLiteral("ccXPButton1"));
    m_ccXPButton2 = new ccXPButton(QStringLiteral("Abbrechen"), this);
    m_ccXPButton2->setObjectName(QStringLiteral("ccXPButton2"));
    for (ccXPButton* b : {m_ccXPButton3, m_ccXPButton1, m_ccXPButton2}) {
        b->setMinimumSize(100, 25);
    }

    // Layout: the preview on the left, the settings beside it, the buttons
    // below; the tab order follows it row by row.
    auto* settings = new QGridLayout;
    settings->setHorizontalSpacing(8);
    int row = 0;
    settings->addWidget(makeCaption("Info:", m_Text1, this), row, 0, Qt::AlignTop);
    settings->addWidget(m_Text1, row++, 1, 1, 2);
    auto* angleRow = new QHBoxLayout;
    angleRow->addWidget(m_cboAngle);
    angleRow->addWidget(m_sldrManual, 1);
    settings->addWidget(makeCaption("Winkel:", m_cboAngle, this), row, 0);
    m_sldrManual->setAccessibleName(text("Winkel:"));
    settings->addLayout(angleRow, row, 1);
    settings->addWidget(m_Label13, row++, 2);
    settings->addWidget(makeCaption("Transparenz:", m_HScroll1[0], this), row, 0);
    settings->addWidget(m_HScroll1[0], row, 1);
    settings->addWidget(m_valueLabels[0], row++, 2);
    settings->addWidget(makeCaption("Grösse:", m_HScroll1[1], this), row, 0);
    settings->addWidget(m_HScroll1[1], row, 1);
    settings->addWidget(m_valueLabels[1], row++, 2);
    settings->addWidget(makeCaption("Farbe:", nullptr, this), row, 0);
    settings->addLayout(swatches, row++, 1, 1, 2);
    settings->addWidget(makeCaption("H-Position:", nullptr, this), row, 0);
    settings->addLayout(hRow, row++, 1, 1, 2);
    settings->addWidget(makeCaption("V-Position:", nullptr, this), row, 0);
    settings->addLayout(vRow, row++, 1, 1, 2);
    settings->setRowStretch(row, 1);
    settings->setColumnMinimumWidth(1, 220);

    auto* top = new QHBoxLayout;
    top->setSpacing(14);
    top->addWidget(m_Picture2, 0, Qt::AlignTop);
    top->addLayout(settings, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_ccXPButton3);
    buttons->addStretch();
    buttons->addWidget(m_ccXPButton1);
    buttons->addWidget(m_ccXPButton2);

    auto* whole = new QVBoxLayout(this);
    whole->addLayout(top);
    whole->addSpacing(6);
    whole->addLayout(buttons);
    whole->setSizeConstraint(QLayout::SetFixedSize);

    QWidget* order[] = {m_Text1,      m_cboAngle,   m_sldrManual,  m_HScroll1[0], m_HScroll1[1],
                        m_Option1[0], m_Option1[1], m_Option1[2],  m_Option1[3],  m_Option1[4],
                        m_Option1[5], m_Option2[0], m_Option2[1],  m_Option2[2],  m_Option3[0],
                        m_Option3[1], m_Option3[2], m_ccXPButton3, m_ccXPButton1, m_ccXPButton2};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }

    connect(m_cboAngle, &QComboBox::currentIndexChanged, this, [this] { cboAngle_Click(); });
    connect(m_sldrManual, &QScrollBar::valueChanged, this, [this] { sldrManual_Change(); });
    connect(m_sliderAngle, &QScrollBar::valueChanged, this, [this] { changed(); });
    for (std::size_t n = 0; n < m_HScroll1.size(); ++n) {
        connect(m_HScroll1[n], &QScrollBar::valueChanged, this, [this, n](int value) {
            if (n < m_valueLabels.size()) {
                m_valueLabels[n]->setText(QString::number(value));
            }
            changed();
        });
    }
    for (QButtonGroup* group : {m_colourGroup, m_hGroup, m_vGroup}) {
        keepTabStopOnChosen(group);
        connect(group, &QButtonGroup::idToggled, this, [this, group](int, bool on) {
            if (on) {
                keepTabStopOnChosen(group);
                changed();
            }
        });
    }
    connect(m_ccXPButton3, &ccXPButton::Click, this, [this] { RotBlit(); });
    connect(m_ccXPButton2, &ccXPButton::Click, this, [this] { reject(); });
    connect(m_ccXPButton1, &ccXPButton::Click, this, [this] { ccXPButton1_Click(); });
}

}  // namespace vendrik
