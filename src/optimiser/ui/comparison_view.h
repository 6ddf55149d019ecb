#pragma once
// The comparison's picture area: the source (at the output's scale) and the
// output, side by side or one over the other with a divider between them,
// at 100 % (one picture pixel on one device pixel), 200 % or fitted into
// the area. Both always show the same part of the picture: panning moves
// them together.
//
// The user pans by dragging with the mouse, with the wheel (Shift: sideways)
// or with the arrow keys and Page Up/Down, and moves the divider by dragging
// it (or with the window's slider, which follows dividerMoved). A paint
// copies only the visible parts of two prepared images, so that a drag of
// the divider repaints within a frame; the fitted copies are made once for
// each size.

#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QWidget>

namespace vendrik {

class ComparisonView : public QWidget {
    Q_OBJECT
public:
    enum class Arrangement { SideBySide, Divider };
    enum class Zoom { Actual, Double, Fit };  // 100 %, 200 %, "Einpassen"
    // The divider's position: the share of the area's width left of it, in
    // thousandths.
    static constexpr int kDividerRange = 1000;

    explicit ComparisonView(QWidget* parent = nullptr);

    // The two pictures to compare (the output decides the scale); the
    // message goes. Any format; they are kept as 32-bit images.
    void setPictures(const QImage& source, const QImage& output);
    // No pictures; `message` in their place.
    void showMessage(const QString& message);

    // The message shown in place of the pictures, or empty.
    [[nodiscard]] const QString& message() const {
        return m_message;
    }
    [[nodiscard]] const QImage& sourceImage() const {
        return m_source;
    }
    [[nodiscard]] const QImage& outputImage() const {
        return m_output;
    }

    void setArrangement(Arrangement arrangement);
    [[nodiscard]] Arrangement arrangement() const {
        return m_arrangement;
    }
    void setZoom(Zoom zoom);
    [[nodiscard]] Zoom zoom() const {
        return m_zoom;
    }
    // Device pixels for one picture pixel now (below 1 when fitted).
    [[nodiscard]] double scale() const;

    // 0 to kDividerRange; raises dividerMoved when it changes.
    void setDivider(int position);
    [[nodiscard]] int divider() const {
        return m_divider;
    }

    // The middle of what is shown, as a share of the picture's width and
    // height (0.5, 0.5: its centre). Kept across new pictures, so that a
    // changed setting shows the same place.
    [[nodiscard]] QPointF centre() const {
        return m_centre;
    }
    void setCentre(QPointF centre);

    [[nodiscard]] QSize sizeHint() const override;

signals:
    void dividerMoved(int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Drag { None, Pan, Divider };

    // Where each picture is shown: one area for both (Divider) or the left
    // and the right half.
    [[nodiscard]] QRect sourceArea() const;
    [[nodiscard]] QRect outputArea() const;
    [[nodiscard]] int dividerX() const;
    [[nodiscard]] bool nearDivider(QPoint at) const;
    // Logical pixels for one picture pixel.
    [[nodiscard]] double logicalScale() const;
    // Draws `picture` into `area` around the shared centre.
    void drawPicture(QPainter& painter, const QRect& area, const QImage& picture) const;
    // The image drawn for `picture`: itself, or its fitted copy.
    [[nodiscard]] const QImage& shown(const QImage& picture, QImage& fitted) const;
    // Moves the centre by `delta` logical pixels of the screen.
    void panBy(QPointF delta);
    void dropFitted();

    QImage m_source;
    QImage m_output;
    mutable QImage m_sourceFitted;
    mutable QImage m_outputFitted;
    QString m_message;
    Arrangement m_arrangement = Arrangement::Divider;
    Zoom m_zoom = Zoom::Actual;
    int m_divider = kDividerRange / 2;
    QPointF m_centre{0.5, 0.5};
    Drag m_drag = Drag::None;
    QPoint m_dragFrom;
};

}  // namespace vendrik
