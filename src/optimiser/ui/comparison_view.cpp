#include "optimiser/ui/comparison_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace vendrik {
namespace {

// The gap between the two pictures side by side, and how close to the
// divider (either side) a press takes hold of it, in logical pixels.
constexpr int kGap = 4;
constexpr int kDividerGrip = 6;
// What one wheel notch (120 eighths of a degree) pans, in logical pixels;
// an arrow key pans an eighth of the area.
constexpr double kWheelStep = 60.0;
constexpr double kKeyShare = 1.0 / 8;

const QColor kBackground{72, 72, 72};

QImage opaque(const QImage& image) {
    return image.format() == QImage::Format_RGB32 ? image
                                                  : image.convertToFormat(QImage::Format_RGB32);
}

// Where the shared centre lies in a picture of `length` pixels shown at
// `perPixel` logical pixels each in `span` logical pixels: in the middle
// when the picture fits, else no nearer its edge than half the span, so
// that no empty room shows beside a picture larger than the area.
double clampedShare(double share, double length, double perPixel, double span) {
    const double half = span / 2.0 / perPixel / length;
    if (half >= 0.5) {
        return 0.5;
    }
    return std::clamp(share, half, 1.0 - half);
}

void drawTag(QPainter& painter, const QRect& area, const QString& text, bool right) {
    const QFontMetrics metrics = painter.fontMetrics();
    QRect box(0, 0, metrics.horizontalAdvance(text) + 10, metrics.height() + 4);
    box.moveTop(area.top() + 6);
    if (right) {
        box.moveRight(area.right() - 6);
    } else {
        box.moveLeft(area.left() + 6);
    }
    painter.fillRect(box, QColor(0, 0, 0, 150));
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, text);
}

}  // namespace

ComparisonView::ComparisonView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(QStringLiteral("Quelle und Ausgabe"));
    setAccessibleDescription(QStringLiteral(
        "Links die Quelle, rechts die Ausgabe; Pfeiltasten verschieben den Ausschnitt"));
}

QSize ComparisonView::sizeHint() const {
    return {900, 600};
}

void ComparisonView::setPictures(const QImage& source, const QImage& output) {
    m_source = opaque(source);
    m_output = opaque(output);
    m_message.clear();
    dropFitted();
    update();
}

void ComparisonView::showMessage(const QString& message) {
    m_source = QImage();
    m_output = QImage();
    m_message = message;
    dropFitted();
    update();
}

void ComparisonView::dropFitted() {
    m_sourceFitted = QImage();
    m_outputFitted = QImage();
}

void ComparisonView::setArrangement(Arrangement arrangement) {
    if (arrangement != m_arrangement) {
        m_arrangement = arrangement;
        dropFitted();
        update();
    }
}

void ComparisonView::setZoom(Zoom zoom) {
    if (zoom != m_zoom) {
        m_zoom = zoom;
        update();
    }
}

void ComparisonView::setDivider(int position) {
    position = std::clamp(position, 0, kDividerRange);
    if (position != m_divider) {
        m_divider = position;
        update();
        emit dividerMoved(position);
    }
}

void ComparisonView::setCentre(QPointF centre) {
    m_centre = {std::clamp(centre.x(), 0.0, 1.0), std::clamp(centre.y(), 0.0, 1.0)};
    update();
}

QRect ComparisonView::sourceArea() const {
    if (m_arrangement == Arrangement::Divider) {
        return rect();
    }
    return {0, 0, (width() - kGap) / 2, height()};
}

QRect ComparisonView::outputArea() const {
    if (m_arrangement == Arrangement::Divider) {
        return rect();
    }
    const int half = (width() - kGap) / 2;
    return {width() - half, 0, half, height()};
}

int ComparisonView::dividerX() const {
    return static_cast<int>(std::lround(static_cast<double>(width()) * m_divider / kDividerRange));
}

bool ComparisonView::nearDivider(QPoint at) const {
    return m_arrangement == Arrangement::Divider && std::abs(at.x() - dividerX()) <= kDividerGrip;
}

double ComparisonView::scale() const {
    switch (m_zoom) {
        case Zoom::Actual:
            return 1.0;
        case Zoom::Double:
            return 2.0;
        case Zoom::Fit:
            break;
    }
    if (m_output.isNull()) {
        return 1.0;
    }
    // A picture smaller than the area stays at 100 %: enlarged, it would
    // show blur that is not in the file.
    const double ratio = devicePixelRatioF();
    const QRect area = outputArea();
    return std::min(
        {1.0, area.width() * ratio / m_output.width(), area.height() * ratio / m_output.height()});
}

double ComparisonView::logicalScale() const {
    return scale() / devicePixelRatioF();
}

const QImage& ComparisonView::shown(const QImage& picture, QImage& fitted) const {
    const double s = scale();
    if (s >= 1.0 || picture.isNull()) {
        return picture;
    }
    const QSize wanted(std::max(1, static_cast<int>(std::lround(picture.width() * s))),
                       std::max(1, static_cast<int>(std::lround(picture.height() * s))));
    if (fitted.size() != wanted) {
        fitted = picture.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return fitted;
}

void ComparisonView::drawPicture(QPainter& painter, const QRect& area,
                                 const QImage& picture) const {
    // The fitted copy is drawn at one device pixel per pixel, the picture
    // itself at the zoom's scale.
    const double perPixel = (m_zoom == Zoom::Fit) ? 1.0 / devicePixelRatioF() : logicalScale();
    const QRect visible = area.intersected(painter.clipBoundingRect().toAlignedRect());
    if (picture.isNull() || visible.isEmpty()) {
        return;
    }
    const double ratio = devicePixelRatioF();
    const double w = picture.width();
    const double h = picture.height();
    const double cx = clampedShare(m_centre.x(), w, perPixel, area.width()) * w;
    const double cy = clampedShare(m_centre.y(), h, perPixel, area.height()) * h;
    // The picture's top left corner on a whole device pixel, so that 100 %
    // copies pixels and never blends neighbours.
    const double left =
        std::round((area.left() + area.width() / 2.0 - cx * perPixel) * ratio) / ratio;
    const double top =
        std::round((area.top() + area.height() / 2.0 - cy * perPixel) * ratio) / ratio;
    const int x0 = std::max(0, static_cast<int>(std::floor((visible.left() - left) / perPixel)));
    const int y0 = std::max(0, static_cast<int>(std::floor((visible.top() - top) / perPixel)));
    const int x1 = std::min(picture.width(),
                            static_cast<int>(std::ceil((visible.right() + 1 - left) / perPixel)));
    const int y1 = std::min(picture.height(),
                            static_cast<int>(std::ceil((visible.bottom() + 1 - top) / perPixel)));
    if (x1 <= x0 || y1 <= y0) {
        return;
    }
    const QRectF target(left + x0 * perPixel, top + y0 * perPixel, (x1 - x0) * perPixel,
                        (y1 - y0) * perPixel);
    painter.drawImage(target, picture, QRectF(x0, y0, x1 - x0, y1 - y0));
}

void ComparisonView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), kBackground);
    if (m_output.isNull()) {
        painter.setPen(Qt::white);
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, m_message);
        return;
    }
    // 200 % shows each pixel as a square block, as it is in the file.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QImage& source = shown(m_source, m_sourceFitted);
    const QImage& output = shown(m_output, m_outputFitted);
    const QString sourceTag = QStringLiteral("Quelle");
    const QString outputTag = QStringLiteral("Ausgabe");
    if (m_arrangement == Arrangement::SideBySide) {
        for (const auto& [area, picture, tag] : {std::tuple{sourceArea(), &source, sourceTag},
                                                 std::tuple{outputArea(), &output, outputTag}}) {
            painter.setClipRect(area.intersected(event->rect()));
            drawPicture(painter, area, *picture);
            drawTag(painter, area, tag, false);
        }
    } else {
        const int x = dividerX();
        const QRect all = rect();
        painter.setClipRect(QRect(0, 0, x, height()).intersected(event->rect()));
        drawPicture(painter, all, source);
        drawTag(painter, all, sourceTag, false);
        painter.setClipRect(QRect(x, 0, width() - x, height()).intersected(event->rect()));
        drawPicture(painter, all, output);
        drawTag(painter, all, outputTag, true);
        painter.setClipping(false);
        // The line: white with dark edges, visible on any picture, and a grip
        // in its middle.
        painter.fillRect(QRect(x - 2, 0, 4, height()), QColor(0, 0, 0, 110));
        painter.fillRect(QRect(x - 1, 0, 2, height()), Qt::white);
        const QRect grip(x - 5, height() / 2 - 16, 10, 32);
        painter.setPen(QColor(0, 0, 0, 160));
        painter.setBrush(Qt::white);
        painter.drawRoundedRect(grip, 3, 3);
    }
    if (hasFocus()) {
        painter.setClipping(false);
        painter.setPen(palette().color(QPalette::Highlight));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void ComparisonView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    dropFitted();
}

void ComparisonView::panBy(QPointF delta) {
    if (m_output.isNull()) {
        return;
    }
    const double perPixel = logicalScale();
    const QRect area = outputArea();
    const double w = m_output.width();
    const double h = m_output.height();
    // Dragging the picture right shows what lies left of it.
    const double x = m_centre.x() - delta.x() / perPixel / w;
    const double y = m_centre.y() - delta.y() / perPixel / h;
    setCentre(
        {clampedShare(x, w, perPixel, area.width()), clampedShare(y, h, perPixel, area.height())});
}

void ComparisonView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint at = event->position().toPoint();
    m_drag = nearDivider(at) ? Drag::Divider : Drag::Pan;
    m_dragFrom = at;
    if (m_drag == Drag::Pan) {
        setCursor(Qt::ClosedHandCursor);
    }
}

void ComparisonView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    switch (m_drag) {
        case Drag::Divider:
            if (width() > 0) {
                setDivider(static_cast<int>(
                    std::lround(static_cast<double>(at.x()) * kDividerRange / width())));
            }
            break;
        case Drag::Pan:
            panBy(at - m_dragFrom);
            m_dragFrom = at;
            break;
        case Drag::None:
            setCursor(nearDivider(at) ? Qt::SplitHCursor : Qt::OpenHandCursor);
            break;
    }
}

void ComparisonView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_drag = Drag::None;
        setCursor(nearDivider(event->position().toPoint()) ? Qt::SplitHCursor : Qt::OpenHandCursor);
    }
}

void ComparisonView::wheelEvent(QWheelEvent* event) {
    QPointF notches = QPointF(event->angleDelta()) / 120.0;
    if (event->modifiers() & Qt::ShiftModifier) {
        notches = {notches.y(), notches.x()};
    }
    panBy(notches * kWheelStep);
    event->accept();
}

void ComparisonView::keyPressEvent(QKeyEvent* event) {
    const double across = width() * kKeyShare;
    const double down = height() * kKeyShare;
    switch (event->key()) {
        case Qt::Key_Left:
            panBy({across, 0});
            break;
        case Qt::Key_Right:
            panBy({-across, 0});
            break;
        case Qt::Key_Up:
            panBy({0, down});
            break;
        case Qt::Key_Down:
            panBy({0, -down});
            break;
        case Qt::Key_PageUp:
            panBy({0, height() * 0.9});
            break;
        case Qt::Key_PageDown:
            panBy({0, -height() * 0.9});
            break;
        case Qt::Key_Home:
            setCentre({0.5, 0.5});
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

}  // namespace vendrik
