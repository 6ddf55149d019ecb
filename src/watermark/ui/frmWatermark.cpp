#include "watermark/ui/frmWatermark.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextDocument>
#include <QVBoxLayout>
#include <cmath>
#include <new>
#include <optional>

#include "common/error.h"
#include "controls/ccXPButton.h"
#include "imaging/scaling.h"
#include "imaging/surface_ops.h"
#include "startup/settings.h"
#include "startup/window_helpers.h"
#include "watermark/text_picture.h"
#include "watermark/text_renderer.h"
#include "watermark/ui/preview_widgets.h"
#include "watermark/watermark_preview.h"

namespace vendrik {
namespace {

// The preview's background, seen around a picture of another aspect.
constexpr std::uint32_t kPreviewBackground = 0x404040;

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

// "Manuell" always starts from this angle, whatever was saved.
constexpr int kManualStartAngle = 40;

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

// Sets a scroll bar to `value` rounded (ties to even) when the bar can take
// it; a value it cannot take leaves its designed value.
void setIfInRange(QScrollBar* bar, double value) {
    if (!std::isfinite(value)) {
        return;
    }
    const double whole = std::nearbyint(value);
    if (whole >= bar->minimum() && whole <= bar->maximum()) {
        bar->setValue(static_cast<int>(whole));
    }
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

// Display form (lines separated by CR LF) to the text box's lines. Every
// line break, however stored, becomes one line of the box.
QString toBoxText(const std::string& displayText) {
    QString boxText = QString::fromStdString(displayText);
    boxText.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    boxText.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return boxText;
}

// The number of line breaks in the text box; each stands for one CR.
std::int16_t countLineBreaks(const QPlainTextEdit* box) {
    const QString raw = box->document()->toRawText();
    const auto n = raw.count(QChar::ParagraphSeparator) + raw.count(QChar::LineSeparator);
    return static_cast<std::int16_t>(std::min<qsizetype>(n, 32767));
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

int checkedIndex(const QButtonGroup* group) {
    return group->checkedId();  // -1 when none is chosen
}

}  // namespace

frmWatermark::frmWatermark(WatermarkSettings& design, std::string settingsFile,
                           QWidget* mainWindow)
    : QDialog(nullptr),
      m_design(design),
      m_settingsFile(std::move(settingsFile)),
      m_mainWindow(mainWindow),
      m_renderer(makeSystemTextRenderer()),
      m_textBox(std::make_unique<TextPicture>(*m_renderer)),
      m_background(makePreviewSample()) {
    setObjectName(QStringLiteral("frmWatermark"));
    setWindowTitle(QStringLiteral("Wasserzeichen Einstellungen"));
    buildControls();
    Form_Load();
}

frmWatermark::~frmWatermark() = default;

void frmWatermark::buildControls() {
    m_Picture2 = new PreviewBox(kPreviewWidth, kPreviewHeight, kPreviewBackground, this);
    m_Picture2->setObjectName(QStringLiteral("Picture2"));
    m_Picture2->setAccessibleName(QStringLiteral("Vorschau"));

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

    QWidget* order[] = {m_Text1,      m_cboAngle,   m_sldrManual, m_HScroll1[0], m_HScroll1[1],
                        m_Option1[0], m_Option1[1], m_Option1[2], m_Option1[3],  m_Option1[4],
                        m_Option1[5], m_Option2[0], m_Option2[1], m_Option2[2],  m_Option3[0],
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

void frmWatermark::Form_Load() {
    m_loading = true;
    const WatermarkSettings& d = m_design;
    // Values a scroll bar cannot take (an angle of 9999, a size of -5, a
    // position left far outside by a large picture's compositing) leave it
    // at its designed value.
    setIfInRange(m_sliderAngle, d.angle.toDouble());
    setIfInRange(m_HScroll1[0], d.opacity.toDouble());
    setIfInRange(m_HScroll1[1], d.size);
    setIfInRange(m_HScroll1[2], d.hPos);
    setIfInRange(m_HScroll1[3], d.vPos);
    if (isNamed(d.color)) {
        m_Option1[static_cast<std::size_t>(storedNumber(d.color))]->setChecked(true);
    }
    m_Text1->setPlainText(toBoxText(d.text));
    {
        const QSignalBlocker quiet(m_cboAngle);
        m_cboAngle->addItems({text("Normal"), text("Manuell"), text("-90°"), text("+90°")});
        m_cboAngle->setCurrentIndex(-1);
    }
    // Choosing the mode runs its handler; a mode outside the list chooses
    // none and leaves the angle as loaded.
    if (isNamed(d.angleMode)) {
        m_cboAngle->setCurrentIndex(storedNumber(d.angleMode));
    }
    // The alignments come last, so a design saved with "-90°" keeps the
    // alignment it was saved with.
    if (isNamed(d.hAlign)) {
        m_Option2[static_cast<std::size_t>(storedNumber(d.hAlign))]->setChecked(true);
    }
    if (isNamed(d.vAlign)) {
        m_Option3[static_cast<std::size_t>(storedNumber(d.vAlign))]->setChecked(true);
    }

    adjustSize();
    if (const QScreen* s = screen()) {
        const QRect area = s->geometry();
        const FormPosition at = CenterForm(area.width(), area.height(), width(), height());
        move(area.left() + at.left, area.top() + at.top);
    }
    m_Text1->setFocus(Qt::OtherFocusReason);

    m_loading = false;
    RotBlit();
}

void frmWatermark::cboAngle_Click() {
    m_sldrManual->setEnabled(false);
    const auto setFixedAngle = [this](int angle, const char* shown, bool topAndBottom) {
        m_sliderAngle->setValue(angle);
        m_Label13->setText(text(shown));
        m_Option3[0]->setEnabled(topAndBottom);
        m_Option3[2]->setEnabled(topAndBottom);
        if (!topAndBottom) {
            m_Option3[1]->setChecked(true);
        }
    };
    switch (static_cast<WatermarkAngleMode>(m_cboAngle->currentIndex())) {
        case WatermarkAngleMode::Normal:
            setFixedAngle(0, "0°", true);
            break;
        case WatermarkAngleMode::Manuell:
            m_sldrManual->setEnabled(true);
            m_sldrManual->setValue(kManualStartAngle);
            sldrManual_Change();
            m_Option3[0]->setEnabled(true);
            m_Option3[2]->setEnabled(true);
            break;
        case WatermarkAngleMode::Minus90:
            setFixedAngle(kMinus90Angle, "-90°", false);
            break;
        case WatermarkAngleMode::Plus90:
            setFixedAngle(kPlus90Angle, "90°", false);
            break;
    }
}

void frmWatermark::sldrManual_Change() {
    m_Label13->setText(QString::number(m_sldrManual->value()) + text("°"));
    m_sliderAngle->setValue(m_sldrManual->value());
}

std::string frmWatermark::textOfText1() const {
    QString raw = m_Text1->document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    raw.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
    return raw.toStdString();
}

WatermarkSettings frmWatermark::designFromControls() const {
    // A group with no option chosen (a colour or an alignment outside the
    // table, loaded from an edited settings file) keeps the loaded value.
    WatermarkSettings d = m_design;
    d.angleMode = WatermarkAngleMode{static_cast<std::int16_t>(m_cboAngle->currentIndex())};
    d.angle = Fixed4(m_sliderAngle->value());
    d.opacity = Fixed4(m_HScroll1[0]->value());
    d.size = static_cast<std::int16_t>(m_HScroll1[1]->value());
    d.hPos = m_HScroll1[2]->value();
    d.vPos = m_HScroll1[3]->value();
    if (const int c = checkedIndex(m_colourGroup); c >= 0) {
        d.color = WatermarkColour{static_cast<std::int16_t>(c)};
    }
    if (const int h = checkedIndex(m_hGroup); h >= 0) {
        d.hAlign = HorizontalAlignment{static_cast<std::int16_t>(h)};
    }
    if (const int v = checkedIndex(m_vGroup); v >= 0) {
        d.vAlign = VerticalAlignment{static_cast<std::int16_t>(v)};
    }
    d.text = textOfText1();
    d.lineBreaks = countWatermarkLineBreaks(d.text);
    return d;
}

void frmWatermark::changed() {
    if (!m_loading) {
        RotBlit();
    }
}

void frmWatermark::RotBlit() {
    const WatermarkSettings d = designFromControls();
    m_lineBreakCount = d.lineBreaks;
    PreviewDesign design = previewDesignOf(d);
    // No colour chosen keeps the render box's colour; no alignment chosen
    // counts as the first option.
    if (checkedIndex(m_colourGroup) < 0) {
        design.color = WatermarkColour{-1};
    }
    if (checkedIndex(m_hGroup) < 0) {
        design.hAlign = HorizontalAlignment::Left;
    }
    if (checkedIndex(m_vGroup) < 0) {
        design.vAlign = VerticalAlignment::Top;
    }

    Surface preview = m_background.clone();
    try {
        vendrik::RotBlit(preview, design, m_design, *m_textBox);
    } catch (const VendrikError&) {
        // No font, or a text too large to turn: the picture shows without
        // the watermark, and the dialog goes on.
    } catch (const std::bad_alloc&) {
    }
    m_Picture2->setPicture(preview);
    emit previewRedrawn();
}

bool frmWatermark::LoadExternalPic(const std::string& picturePath) {
    Surface picture(kPreviewWidth, kPreviewHeight);
    picture.fill(Surface::fromColorRef(kPreviewBackground));
    try {
        Surface fitted;
        std::string error;
        if (!FitPictureToBox(picturePath, {kPreviewWidth, kPreviewHeight}, fitted, error)) {
            return false;
        }
        copyRect(fitted, 0, 0, fitted.width(), fitted.height(), picture,
                 (kPreviewWidth - fitted.width()) / 2, (kPreviewHeight - fitted.height()) / 2);
    } catch (const std::exception&) {
        return false;
    }
    m_background = std::move(picture);
    RotBlit();
    return true;
}

void frmWatermark::ccXPButton1_Click() {
    const WatermarkSettings next = designFromControls();
    // A failed write goes unnoticed, as every write of the settings file
    // does; the design still holds for this session.
    (void)saveWatermarkSettings(next, m_settingsFile);
    m_design = next;
    m_lineBreakCount = next.lineBreaks;
    accept();
}

void frmWatermark::done(int result) {
    if (m_mainWindow) {
        m_mainWindow->show();
    }
    QDialog::done(result);
}

bool frmWatermark::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_Text1 && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        m_lineBreakCount = countLineBreaks(m_Text1);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            // A text of two lines takes no third by Enter; others do.
            if (m_lineBreakCount == 1) {
                return true;
            }
            // Shift or Ctrl with Enter would insert a soft line break; a
            // line break here is always a new line.
            if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
                m_Text1->insertPlainText(QStringLiteral("\n"));
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace vendrik
