#include "watermark/ui/preview_widgets.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <algorithm>
#include <cstring>

namespace vendrik {
namespace {

QColor fromColorRef(std::uint32_t rgb) {
    const Bgr c = Surface::fromColorRef(rgb);
    return {c.r, c.g, c.b};
}

}  // namespace

QImage toQImage(const Surface& surface) {
    if (surface.empty()) {
        return {};
    }
    // Surface rows are blue, green, red, as QImage's BGR888 rows are.
    QImage image(surface.width(), surface.height(), QImage::Format_BGR888);
    const auto rowBytes = static_cast<std::size_t>(surface.width()) * Surface::kBytesPerPixel;
    for (int y = 0; y < surface.height(); ++y) {
        std::memcpy(image.scanLine(y), surface.row(y), rowBytes);
    }
    return image;
}

PreviewBox::PreviewBox(int width, int height, std::uint32_t background, QWidget* parent)
    : QWidget(parent), m_background(fromColorRef(background)) {
    setFixedSize(width, height);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PreviewBox::setPicture(const Surface& picture, double scale) {
    m_picture = toQImage(picture);
    m_picture.setDevicePixelRatio(scale);
    m_ratioDrawnFor = std::max(1.0, devicePixelRatioF());
    update();
}

void PreviewBox::paintEvent(QPaintEvent* /*e*/) {
    // Compared with the ratio the picture was asked for, not with the
    // picture's own: a picture that could only be drawn at its own size would
    // otherwise ask again at every paint. Asked for after this paint:
    // redrawing inside it would paint again while painting.
    if (const double ratio = std::max(1.0, devicePixelRatioF());
        !m_picture.isNull() && ratio != m_ratioDrawnFor) {
        m_ratioDrawnFor = ratio;
        QMetaObject::invokeMethod(this, &PreviewBox::scaleChanged, Qt::QueuedConnection);
    }
    QPainter p(this);
    p.fillRect(rect(), m_background);
    p.drawImage(QPoint(0, 0), m_picture);
}

ColourSwatch::ColourSwatch(std::uint32_t colour, QRadioButton* option, QWidget* parent)
    : QWidget(parent), m_colour(fromColorRef(colour)), m_option(option) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->addWidget(option, 0, Qt::AlignCenter);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
}

void ColourSwatch::paintEvent(QPaintEvent* /*e*/) {
    QPainter p(this);
    p.fillRect(rect(), m_colour);
    // A thin frame, so that the white and the black swatch stand out from
    // the window and from each other.
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void ColourSwatch::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && m_option->isEnabled()) {
        m_option->click();
        m_option->setFocus(Qt::MouseFocusReason);
        e->accept();
        return;
    }
    QWidget::mousePressEvent(e);
}

SettingScrollBar::SettingScrollBar(int minimum, int maximum, int value, QWidget* parent)
    : QScrollBar(Qt::Horizontal, parent) {
    setRange(minimum, maximum);
    setValue(value);
    setSingleStep(1);
    setPageStep(5);
    // Scroll bars' keys count as in a scrolled view unless told otherwise.
    setInvertedControls(false);
    setFocusPolicy(Qt::StrongFocus);
}

void SettingScrollBar::paintEvent(QPaintEvent* e) {
    QScrollBar::paintEvent(e);
    if (hasFocus()) {
        QPainter p(this);
        p.setPen(QPen(palette().color(QPalette::Highlight), 2));
        p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
}

}  // namespace vendrik
