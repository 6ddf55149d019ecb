#pragma once
// XP_ProgressBar: the program's progress bar, a flat bar in the push
// button's colours. The main window shows two of them, current picture and
// whole run, each set to values from 0 to 100.
//
// A window uses it like this:
//   auto* bar = new XP_ProgressBar(this);     // Min 0, Max 100, Value 0
//   bar->setShowText(true);                   // "42 %" in the middle
//   connect(job, &Job::pictureProgress, bar, &XP_ProgressBar::setValue);
// Every setter takes any value: Value is kept within Min .. Max, Min and
// Max keep each other in order, Percent within 0 .. 100.
//
// Accessibility: the role is a progress bar; its value (and its range) is
// what a screen reader reads, and a change of Value is announced.

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

namespace vendrik {

class XP_ProgressBar : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Min READ Min WRITE setMin)
    Q_PROPERTY(int Max READ Max WRITE setMax)
    Q_PROPERTY(int Value READ Value WRITE setValue)
    Q_PROPERTY(double Percent READ Percent WRITE setPercent)
    Q_PROPERTY(bool ShowText READ ShowText WRITE setShowText)
    Q_PROPERTY(QString Text READ Text WRITE setText)
    Q_PROPERTY(QColor TextColor READ TextColor WRITE setTextColor)
    Q_PROPERTY(QColor Color READ Color WRITE setColor)
    Q_PROPERTY(Qt::BrushStyle BrushStyle READ BrushStyle WRITE setBrushStyle)
    Q_PROPERTY(Qt::Orientation Orientation READ Orientation WRITE setOrientation)
    Q_PROPERTY(ScrollingStyle Scrolling READ Scrolling WRITE setScrolling)
    Q_PROPERTY(QImage Image READ Image WRITE setImage)

public:
    // How the filled part is drawn: in blocks with gaps between them, as
    // classic progress bars do, or as one smooth bar.
    enum class ScrollingStyle { Standard = 0, Smooth = 1 };
    Q_ENUM(ScrollingStyle)

    explicit XP_ProgressBar(QWidget* parent = nullptr);

    [[nodiscard]] int Min() const {
        return m_min;
    }
    [[nodiscard]] int Max() const {
        return m_max;
    }
    [[nodiscard]] int Value() const {
        return m_value;
    }
    // How far Value is from Min to Max, 0 .. 100; 0 when Min equals Max.
    [[nodiscard]] double Percent() const;
    [[nodiscard]] bool ShowText() const {
        return m_showText;
    }
    // Shown instead of the percentage when not empty.
    [[nodiscard]] QString Text() const {
        return m_text;
    }
    [[nodiscard]] QColor TextColor() const {
        return m_textColor;
    }
    [[nodiscard]] QColor Color() const {
        return m_color;
    }
    [[nodiscard]] Qt::BrushStyle BrushStyle() const {
        return m_brushStyle;
    }
    [[nodiscard]] Qt::Orientation Orientation() const {
        return m_orientation;
    }
    [[nodiscard]] ScrollingStyle Scrolling() const {
        return m_scrolling;
    }
    // Drawn over the whole bar's inside and shown where it is filled; a
    // null image fills with Color and BrushStyle instead.
    [[nodiscard]] QImage Image() const {
        return m_image;
    }

    // The text the bar shows with ShowText (and reads out): Text, or else
    // the rounded percentage, "42 %".
    [[nodiscard]] QString shownText() const;
    // The part of the bar's inside that is filled, in pixels.
    [[nodiscard]] QRect filledRect() const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

public slots:
    // A Min above Max moves Max up to it, a Max below Min moves Min down.
    void setMin(int min);
    void setMax(int max);
    void setValue(int value);
    // Sets Value to the nearest value that shows `percent`; NaN is ignored.
    void setPercent(double percent);
    void setShowText(bool on);
    void setText(const QString& text);
    void setTextColor(const QColor& colour);
    void setColor(const QColor& colour);
    // The hatch and dot patterns and the solid brush; any other style
    // (none, gradients, textures) draws solid.
    void setBrushStyle(Qt::BrushStyle style);
    void setOrientation(Qt::Orientation orientation);
    void setScrolling(ScrollingStyle style);
    void setImage(const QImage& image);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    [[nodiscard]] QRect insideRect() const;
    // Keeps `value` within Min .. Max, redraws and tells the accessibility
    // interface when that changes Value.
    void takeValue(int value);

    int m_min = 0;
    int m_max = 100;
    int m_value = 0;
    bool m_showText = false;
    QString m_text;
    QColor m_textColor = Qt::black;
    QColor m_color;
    Qt::BrushStyle m_brushStyle = Qt::SolidPattern;
    Qt::Orientation m_orientation = Qt::Horizontal;
    ScrollingStyle m_scrolling = ScrollingStyle::Standard;
    QImage m_image;
};

}  // namespace vendrik
