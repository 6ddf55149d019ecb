#include "controls/XP_ProgressBar.h"

#include <QAccessible>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "controls/controls_accessible.h"
#include "controls/xp_button_look.h"

namespace vendrik {

namespace {

// The bar borrows the button's outline and colours so both read as one set.
constexpr BgrColour kBackground = 0xFFFFFF;
constexpr BgrColour kDefaultFill = 0xEF826B;  // the focused button's lower ring line
constexpr int kBlockGap = 2;

}  // namespace

XP_ProgressBar::XP_ProgressBar(QWidget* parent) : QWidget(parent), m_color(toQRgb(kDefaultFill)) {
    installControlsAccessibility();
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

double XP_ProgressBar::Percent() const {
    if (m_max == m_min) {
        return 0.0;
    }
    // In 64 bits: Max - Min of two ints can overflow an int.
    const auto span = static_cast<double>(static_cast<qint64>(m_max) - m_min);
    return static_cast<double>(static_cast<qint64>(m_value) - m_min) * 100.0 / span;
}

QString XP_ProgressBar::shownText() const {
    if (!m_text.isEmpty()) {
        return m_text;
    }
    return QStringLiteral("%1 %").arg(std::lrint(Percent()));
}

QSize XP_ProgressBar::sizeHint() const {
    return m_orientation == Qt::Horizontal ? QSize(150, 17) : QSize(17, 150);
}

QSize XP_ProgressBar::minimumSizeHint() const {
    return {7, 7};
}

void XP_ProgressBar::setMin(int min) {
    m_min = min;
    m_max = std::max(m_max, min);
    takeValue(m_value);
    update();
}

void XP_ProgressBar::setMax(int max) {
    m_max = max;
    m_min = std::min(m_min, max);
    takeValue(m_value);
    update();
}

void XP_ProgressBar::setValue(int value) {
    takeValue(value);
}

void XP_ProgressBar::takeValue(int value) {
    const int clamped = std::clamp(value, m_min, m_max);
    if (clamped == m_value) {
        return;
    }
    m_value = clamped;
    update();
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, m_value);
        QAccessible::updateAccessibility(&event);
    }
}

void XP_ProgressBar::setPercent(double percent) {
    if (std::isnan(percent)) {
        return;
    }
    const double share = std::clamp(percent, 0.0, 100.0) / 100.0;
    const auto span = static_cast<double>(static_cast<qint64>(m_max) - m_min);
    setValue(static_cast<int>(m_min + std::llrint(span * share)));
}

void XP_ProgressBar::setShowText(bool on) {
    m_showText = on;
    update();
}

void XP_ProgressBar::setText(const QString& text) {
    m_text = text;
    update();
}

void XP_ProgressBar::setTextColor(const QColor& colour) {
    m_textColor = colour;
    update();
}

void XP_ProgressBar::setColor(const QColor& colour) {
    m_color = colour;
    update();
}

void XP_ProgressBar::setBrushStyle(Qt::BrushStyle style) {
    const bool pattern = style >= Qt::SolidPattern && style <= Qt::DiagCrossPattern;
    m_brushStyle = pattern ? style : Qt::SolidPattern;
    update();
}

void XP_ProgressBar::setOrientation(Qt::Orientation orientation) {
    m_orientation = orientation == Qt::Vertical ? Qt::Vertical : Qt::Horizontal;
    // Long along the bar, as thick as its hint across it.
    if (m_orientation == Qt::Horizontal) {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    } else {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    }
    updateGeometry();
    update();
}

void XP_ProgressBar::setScrolling(ScrollingStyle style) {
    m_scrolling =
        style == ScrollingStyle::Smooth ? ScrollingStyle::Smooth : ScrollingStyle::Standard;
    update();
}

void XP_ProgressBar::setImage(const QImage& image) {
    m_image = image;
    update();
}

QRect XP_ProgressBar::insideRect() const {
    // One pixel of outline, one of background around the fill.
    return rect().adjusted(2, 2, -2, -2);
}

QRect XP_ProgressBar::filledRect() const {
    const QRect inside = insideRect();
    if (inside.isEmpty()) {
        return {};
    }
    const bool horizontal = m_orientation == Qt::Horizontal;
    const int length = horizontal ? inside.width() : inside.height();
    const int filled =
        std::clamp(static_cast<int>(std::lrint(length * Percent() / 100.0)), 0, length);
    if (horizontal) {
        return {inside.left(), inside.top(), filled, inside.height()};
    }
    return {inside.left(), inside.bottom() + 1 - filled, inside.width(), filled};
}

void XP_ProgressBar::paintEvent(QPaintEvent* /*e*/) {
    QPainter p(this);
    const int w = width();
    const int h = height();
    const QColor outline(
        toQRgb(coloursOf(isEnabled() ? XPButtonState::Normal : XPButtonState::Disabled).outline));
    // The outline leaves its corner pixels out, a hint of the button's round.
    p.fillRect(QRect(1, 0, w - 2, 1), outline);
    p.fillRect(QRect(1, h - 1, w - 2, 1), outline);
    p.fillRect(QRect(0, 1, 1, h - 2), outline);
    p.fillRect(QRect(w - 1, 1, 1, h - 2), outline);
    p.fillRect(rect().adjusted(1, 1, -1, -1), QColor(toQRgb(kBackground)));

    const QRect inside = insideRect();
    const QRect filled = filledRect();
    if (!filled.isEmpty()) {
        QRegion fillArea(filled);
        if (m_scrolling == ScrollingStyle::Standard) {
            // Whole blocks, two thirds as long as the bar is thick, from
            // the start of the bar; the last one may reach past the value.
            const bool horizontal = m_orientation == Qt::Horizontal;
            const int thickness = horizontal ? inside.height() : inside.width();
            const int block = std::max(2, thickness * 2 / 3);
            const int length = horizontal ? filled.width() : filled.height();
            fillArea = QRegion();
            for (int start = 0; start < length; start += block + kBlockGap) {
                const QRect r =
                    horizontal ? QRect(inside.left() + start, inside.top(), block, inside.height())
                               : QRect(inside.left(), inside.bottom() + 1 - start - block,
                                       inside.width(), block);
                fillArea += r.intersected(inside);
            }
        }
        p.save();
        p.setClipRegion(fillArea);
        if (!m_image.isNull()) {
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(inside, m_image);
        } else {
            const QColor fill = isEnabled() ? m_color : QColor(toQRgb(kDisabledText));
            p.fillRect(inside, QBrush(fill, m_brushStyle));
        }
        p.restore();
    }

    if (m_showText) {
        p.setPen(isEnabled() ? m_textColor : QColor(toQRgb(kDisabledText)));
        p.drawText(inside, Qt::AlignCenter | Qt::TextSingleLine, shownText());
    }
}

}  // namespace vendrik
