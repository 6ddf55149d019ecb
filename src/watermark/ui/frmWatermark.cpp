#include "watermark/ui/frmWatermark.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextDocument>
#include <algorithm>
#include <cmath>
#include <optional>
#include <new>
#include <utility>

#include "common/error.h"
#include "imaging/scaling.h"
#include "imaging/surface_ops.h"
#include "watermark/text_picture.h"
#include "watermark/text_renderer.h"
#include "watermark/ui/preview_widgets.h"
#include "watermark/watermark_preview.h"

namespace vendrik {
namespace {

// "Manuell" always starts from this angle, whatever was saved.
constexpr int kManualStartAngle = 40;

QString text(const char* utf8) {
    return QString::fromUtf8(utf8);
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

int checkedIndex(const QButtonGroup* group) {
    return group->checkedId();  // -1 when none is chosen
}

}  // namespace

frmWatermark::frmWatermark(WatermarkSettings& design, DesignerHost host, QWidget* mainWindow)
    : QDialog(nullptr),
      m_design(design),
      m_host(std::move(host)),
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
    if (const QScreen* s = screen(); s != nullptr && m_host.place) {
        move(m_host.place(s->geometry(), size()));
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

    // At a device pixel ratio above 1 the preview is drawn with that many
    // pixels per preview pixel, so that it is as sharp as the screen; the
    // placement and the positions it writes stay those of the preview's own
    // size.
    double scale = std::max(1.0, m_Picture2->devicePixelRatioF());
    if (scale != 1.0 && !makeSharpBackground(scale)) {
        scale = 1.0;
    }
    const Surface& background = scale != 1.0 ? m_sharpBackground : m_background;
    const QRect area = scale != 1.0 ? m_sharpArea : m_pictureArea;
    Surface preview = background.clone();
    Surface picture = Surface::view(
        preview.row(area.y()) + std::ptrdiff_t{area.x()} * Surface::kBytesPerPixel, area.width(),
        area.height(), preview.stride());
    try {
        vendrik::RotBlit(picture, design, m_design, *m_textBox, scale);
    } catch (const VendrikError&) {
        // No font, or a text too large to turn: the picture shows without
        // the watermark, and the dialog goes on.
    } catch (const std::bad_alloc&) {
    }
    m_Picture2->setPicture(preview, scale);
    emit previewRedrawn();
}

namespace {

// `picturePath` fitted into a `width` × `height` preview with its aspect
// kept and centred on the preview's grey, and the part the picture covers.
std::optional<std::pair<Surface, QRect>> letterboxed(const std::string& picturePath, int width,
                                                    int height) {
    Surface preview(width, height);
    preview.fill(Surface::fromColorRef(frmWatermark::kPreviewBackground));
    try {
        const Result<Surface> fitted = FitPictureToBox(picturePath, {width, height});
        if (!fitted) {
            return std::nullopt;
        }
        const QRect area((width - fitted->width()) / 2, (height - fitted->height()) / 2,
                         fitted->width(), fitted->height());
        copyRect(*fitted, 0, 0, fitted->width(), fitted->height(), preview, area.x(), area.y());
        return std::pair{std::move(preview), area};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace

bool frmWatermark::LoadExternalPic(const std::string& picturePath) {
    auto loaded = letterboxed(picturePath, kPreviewWidth, kPreviewHeight);
    if (!loaded) {
        return false;
    }
    m_background = std::move(loaded->first);
    m_pictureArea = loaded->second;
    m_externalPicture = picturePath;
    m_sharpBackground = Surface();
    m_sharpScale = 0.0;
    RotBlit();
    return true;
}

bool frmWatermark::makeSharpBackground(double scale) {
    if (m_sharpScale == scale) {
        return !m_sharpBackground.empty();
    }
    m_sharpScale = scale;
    const int width = previewPixels(kPreviewWidth, scale);
    const int height = previewPixels(kPreviewHeight, scale);
    if (!m_externalPicture.empty()) {
        if (auto loaded = letterboxed(m_externalPicture, width, height)) {
            m_sharpBackground = std::move(loaded->first);
            m_sharpArea = loaded->second;
            return true;
        }
        // The picture went away since it was loaded: the preview of its own
        // size, enlarged by the screen, beats showing another picture.
        m_sharpBackground = Surface();
        return false;
    }
    m_sharpBackground = makePreviewSample(scale);
    m_sharpArea = QRect(0, 0, width, height);
    return true;
}

void frmWatermark::ccXPButton1_Click() {
    const WatermarkSettings next = designFromControls();
    if (m_host.keep) {
        m_host.keep(next);
    }
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
