#pragma once
// ccXPButton: the program's own push button, used for every button of its
// windows. It draws itself in five states (disabled, normal, focused or
// default, hot, pressed) with a rounded outline, gradients and fixed
// colours, and raises Click from the mouse, the space bar, Enter or its
// access key.
//
// A window uses it like this:
//   auto* start = new ccXPButton(QStringLiteral("&Starten"), this);  // Alt+S clicks it
//   connect(start, &ccXPButton::Click, this, &frmOptimize::start);
//   start->setEnabled(false);          // draws state 0, raises nothing
//   start->setForeColor(Qt::darkRed);  // caption colour while enabled
//   start->setDefault(true);           // shown as the window's default button
// Caption is QAbstractButton's text (setText works the same as setCaption).
// Font and Enabled are QWidget's own; a button takes the font of its
// window unless given one. Sizes are in pixels; a button is never smaller
// than 100 twips (7 pixels at 15 twips per pixel) either way: a smaller
// size is raised to it as soon as it is set.
//
// The caption is the button's accessible name (without the "&"), its role
// is a push button and its Press action raises Click.

#include <QAbstractButton>
#include <QColor>

#include "controls/xp_button_behaviour.h"

namespace vendrik {

class ccXPButton : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(QColor ForeColor READ ForeColor WRITE setForeColor)
    Q_PROPERTY(QFont Font READ font WRITE setFont)
    Q_PROPERTY(bool FocusRect READ FocusRect WRITE setFocusRect)
    Q_PROPERTY(bool Default READ isDefault WRITE setDefault)

public:
    static constexpr int kTwipsPerPixel = 15;
    static constexpr int kMinimumTwips = 100;
    // The smallest whole number of pixels that is not below 100 twips.
    static constexpr int kMinimumPixels = (kMinimumTwips + kTwipsPerPixel - 1) / kTwipsPerPixel;

    explicit ccXPButton(QWidget* parent = nullptr);
    explicit ccXPButton(const QString& caption, QWidget* parent = nullptr);

    // A single "&" marks the access key, "&&" is a literal "&". The default
    // is "&OK".
    [[nodiscard]] QString Caption() const {
        return text();
    }
    void setCaption(const QString& caption) {
        setText(caption);
    }
    // The access key in lower case, null when the caption marks none.
    [[nodiscard]] QChar accessKey() const;

    [[nodiscard]] QColor ForeColor() const {
        return m_foreColor;
    }
    void setForeColor(const QColor& colour);

    [[nodiscard]] bool FocusRect() const {
        return m_focusRect;
    }
    void setFocusRect(bool on);

    // The window's default-button indication: a default button shows state
    // 2 while the pointer is not over it. Which button is the default, and
    // what Enter elsewhere in the window does, is the window's choice.
    [[nodiscard]] bool isDefault() const {
        return m_behaviour.flags().isDefault;
    }
    void setDefault(bool on);

    [[nodiscard]] XPButtonState visualState() const {
        return m_behaviour.state();
    }
    [[nodiscard]] const XPButtonFlags& flags() const {
        return m_behaviour.flags();
    }

    // Moves the screen's mouse pointer to the centre of the button.
    void SnapMouseTo();

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

signals:
    void Click();
    void DblClick();
    // Buttons and modifier keys held, position in pixels from the top left.
    void MouseMove(Qt::MouseButtons Button, Qt::KeyboardModifiers Shift, int X, int Y);
    // 1 when the button's window became active, 0 when it became inactive.
    void FormActivate(int State);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    [[nodiscard]] bool isOver(QPointF pos) const;
    void pointerMoved(QPointF pos, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
    // Shows the state the input left behind and raises what it asks for.
    void apply(const XPButtonReaction& r);

    XPButtonBehaviour m_behaviour;
    XPButtonState m_shown = XPButtonState::Normal;
    QColor m_foreColor = Qt::black;
    bool m_focusRect = true;
};

}  // namespace vendrik
