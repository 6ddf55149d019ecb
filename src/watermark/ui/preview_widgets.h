#pragma once
// The designer's own widgets: the preview, which shows a core Surface pixel
// for pixel; the colour swatches, each a solid colour with its option
// button inside, where a click anywhere on the swatch chooses that option;
// and a horizontal scroll bar that shows when it has the keyboard focus.

#include <QImage>
#include <QScrollBar>
#include <QWidget>
#include <cstdint>

#include "imaging/surface.h"

class QRadioButton;

namespace vendrik {

// A copy of `surface` as a QImage (24-bit, the same pixels).
[[nodiscard]] QImage toQImage(const Surface& surface);

// A fixed-size box showing one picture at its own size on a solid
// background; the picture is drawn from the top-left corner and never
// scaled, so what the box shows is exactly the surface it was given. A
// picture drawn for a HiDPI screen comes with its scale (device pixels per
// box pixel) and fills the same box with its device pixels; when the box
// moves to a screen of another scale it asks for the picture again.
class PreviewBox : public QWidget {
    Q_OBJECT
public:
    // `background` as &H00BBGGRR, shown where the picture does not reach.
    PreviewBox(int width, int height, std::uint32_t background, QWidget* parent = nullptr);

    void setPicture(const Surface& picture, double scale = 1.0);
    [[nodiscard]] const QImage& picture() const {
        return m_picture;
    }

signals:
    // The box is painted at a device pixel ratio its picture was not drawn for.
    void scaleChanged();

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QColor m_background;
    QImage m_picture;
    double m_ratioDrawnFor = 1.0;  // the box's device pixel ratio when the picture came
};

// A solid colour box holding one option button in its middle. A click on
// the box (outside the button) clicks the button, as the swatch stands for
// its option.
class ColourSwatch : public QWidget {
    Q_OBJECT
public:
    // `colour` as &H00BBGGRR; `option` is reparented into the swatch.
    ColourSwatch(std::uint32_t colour, QRadioButton* option, QWidget* parent = nullptr);

    [[nodiscard]] QRadioButton* option() const {
        return m_option;
    }

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    QColor m_colour;
    QRadioButton* m_option;
};

// A horizontal scroll bar used as a setting's slider: it takes the focus by
// Tab, the right arrow makes its value larger, and it frames itself while it
// has the focus (the style draws no focus mark on scroll bars).
class SettingScrollBar : public QScrollBar {
    Q_OBJECT
public:
    SettingScrollBar(int minimum, int maximum, int value, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* e) override;
};

}  // namespace vendrik
