#include "controls/ccXPButton.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QShortcutEvent>
#include <algorithm>
#include <cmath>

#include "controls/caption_text.h"
#include "controls/controls_accessible.h"
#include "controls/xp_button_look.h"

namespace vendrik {

ccXPButton::ccXPButton(QWidget* parent) : ccXPButton(QStringLiteral("&OK"), parent) {}

ccXPButton::ccXPButton(const QString& caption, QWidget* parent) : QAbstractButton(parent) {
    installControlsAccessibility();
    setText(caption);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);  // hot tracking needs moves without a button held
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    // click() is what programs and the accessibility interface call; our own
    // input never goes through it, so this is its only way to Click.
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_behaviour.flags().enabled) {
            emit Click();
        }
    });
    m_behaviour.setEnabled(isEnabled());
    m_shown = m_behaviour.state();
}

QChar ccXPButton::accessKey() const {
    return parseCaption(text()).accessKey;
}

void ccXPButton::setForeColor(const QColor& colour) {
    m_foreColor = colour;
    update();
}

void ccXPButton::setFocusRect(bool on) {
    m_focusRect = on;
    if (m_behaviour.flags().hasFocus) {
        update();
    }
}

void ccXPButton::setDefault(bool on) {
    apply(m_behaviour.setDefault(on));
}

void ccXPButton::SnapMouseTo() {
    // Half the size, rounded as every conversion to whole pixels is.
    const QPoint centre(static_cast<int>(std::lrint(width() / 2.0)),
                        static_cast<int>(std::lrint(height() / 2.0)));
    QCursor::setPos(mapToGlobal(centre));
}

QSize ccXPButton::sizeHint() const {
    // A common button is 75 x 23 pixels; a longer caption widens it.
    const QFontMetrics fm(font());
    const int textWidth = fm.horizontalAdvance(parseCaption(text()).shown);
    return {std::max(75, textWidth + 16), std::max(23, fm.height() + 8)};
}

QSize ccXPButton::minimumSizeHint() const {
    return {kMinimumPixels, kMinimumPixels};
}

void ccXPButton::apply(const XPButtonReaction& r) {
    if (m_behaviour.state() != m_shown) {
        m_shown = m_behaviour.state();
        update();
    }
    if (r.formActivate) {
        emit FormActivate(*r.formActivate);
    }
    if (r.dblClick) {
        emit DblClick();
    }
    if (r.click) {
        if (r.flushEventsFirst) {
            const QPointer<ccXPButton> self(this);
            QCoreApplication::processEvents();
            if (!self) {
                return;  // a pending event closed the window
            }
        }
        emit Click();
    }
}

bool ccXPButton::isOver(QPointF pos) const {
    const QPoint p = pos.toPoint();
    return XPButtonBehaviour::isOver(p.x(), p.y(), width(), height());
}

void ccXPButton::pointerMoved(QPointF pos, Qt::MouseButtons buttons,
                              Qt::KeyboardModifiers modifiers) {
    const XPButtonReaction r = m_behaviour.mouseMove(isOver(pos));
    apply(r);
    if (r.mouseMove) {
        const QPoint p = pos.toPoint();
        emit MouseMove(buttons, modifiers, p.x(), p.y());
    }
}

bool ccXPButton::event(QEvent* e) {
    // The window passes its activation on to every visible child.
    if (e->type() == QEvent::WindowActivate || e->type() == QEvent::WindowDeactivate) {
        const bool active = e->type() == QEvent::WindowActivate;
        if (active != m_behaviour.flags().windowActive) {
            apply(active ? m_behaviour.windowActivated() : m_behaviour.windowDeactivated());
        }
    } else if (e->type() == QEvent::Shortcut) {
        // The access key, registered by QAbstractButton from the caption.
        // Two buttons with the same key take the focus in turn instead.
        if (static_cast<QShortcutEvent*>(e)->isAmbiguous()) {
            setFocus(Qt::ShortcutFocusReason);
        } else {
            apply(m_behaviour.accessKey());
        }
        return true;
    }
    return QAbstractButton::event(e);
}

void ccXPButton::paintEvent(QPaintEvent* /*e*/) {
    QPainter p(this);
    const XPButtonState s = m_behaviour.state();
    paintXPButtonFace(p, width(), height(), s);
    const QColor textColour =
        m_behaviour.flags().enabled ? m_foreColor : QColor(toQRgb(kDisabledText));
    paintXPButtonCaption(p, width(), height(), text(), font(), textColour);
    if (m_behaviour.flags().hasFocus && m_focusRect && s > XPButtonState::Normal) {
        paintFocusRect(p, width(), height());
    }
}

void ccXPButton::resizeEvent(QResizeEvent* e) {
    // Not a minimum size: that would let layouts squeeze the button down to
    // it; a layout asks for the size hint and goes no lower than
    // minimumSizeHint anyway.
    if (width() < kMinimumPixels || height() < kMinimumPixels) {
        resize(std::max(width(), kMinimumPixels), std::max(height(), kMinimumPixels));
    }
    setMask(xpButtonRegion(width(), height()));
    QAbstractButton::resizeEvent(e);
}

void ccXPButton::showEvent(QShowEvent* e) {
    // A button that appears in a window already active has seen no change
    // of activation; it takes the window's state as it is.
    m_behaviour.noteWindowActive(isActiveWindow());
    QAbstractButton::showEvent(e);
}

void ccXPButton::changeEvent(QEvent* e) {
    switch (e->type()) {
        case QEvent::EnabledChange:
            apply(m_behaviour.setEnabled(isEnabled()));
            break;
        case QEvent::FontChange:
            updateGeometry();
            update();
            break;
        default:
            break;
    }
    QAbstractButton::changeEvent(e);
}

void ccXPButton::enterEvent(QEnterEvent* e) {
    // Arriving over the button is its first move over it.
    pointerMoved(e->position(), QGuiApplication::mouseButtons(),
                 QGuiApplication::keyboardModifiers());
    QAbstractButton::enterEvent(e);
}

void ccXPButton::leaveEvent(QEvent* e) {
    apply(m_behaviour.mouseLeave());
    QAbstractButton::leaveEvent(e);
}

void ccXPButton::mouseMoveEvent(QMouseEvent* e) {
    pointerMoved(e->position(), e->buttons(), e->modifiers());
}

namespace {

// Only the left button presses the button; other buttons' events go on to
// the parent.
bool isLeftButton(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        return true;
    }
    e->ignore();
    return false;
}

}  // namespace

void ccXPButton::mousePressEvent(QMouseEvent* e) {
    if (isLeftButton(e)) {
        // A press can come without a move before it (a touch, a test
        // robot); where it happens is where the pointer is.
        m_behaviour.notePointer(isOver(e->position()));
        apply(m_behaviour.leftDown());
    }
}

void ccXPButton::mouseReleaseEvent(QMouseEvent* e) {
    if (isLeftButton(e)) {
        m_behaviour.notePointer(isOver(e->position()));
        apply(m_behaviour.leftUp());
    }
}

void ccXPButton::mouseDoubleClickEvent(QMouseEvent* e) {
    if (isLeftButton(e)) {
        apply(m_behaviour.leftDoubleClick());
    }
}

void ccXPButton::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            apply(m_behaviour.enterDown());
            break;
        case Qt::Key_Space:
            if (!e->isAutoRepeat()) {
                apply(m_behaviour.spaceDown());
            }
            break;
        case Qt::Key_Left:
        case Qt::Key_Up:
            focusNextPrevChild(false);
            break;
        case Qt::Key_Right:
        case Qt::Key_Down:
            focusNextPrevChild(true);
            break;
        default:
            // Past QAbstractButton, whose own space and arrow handling this replaces.
            QWidget::keyPressEvent(e);  // NOLINT(bugprone-parent-virtual-call)
            break;
    }
}

void ccXPButton::keyReleaseEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Space) {
        // An X server repeats a held key as release and press pairs.
        if (!e->isAutoRepeat()) {
            apply(m_behaviour.spaceUp());
        }
        return;
    }
    QWidget::keyReleaseEvent(e);  // NOLINT(bugprone-parent-virtual-call)
}

void ccXPButton::focusInEvent(QFocusEvent* e) {
    apply(m_behaviour.focusIn());
    QAbstractButton::focusInEvent(e);
}

void ccXPButton::focusOutEvent(QFocusEvent* e) {
    apply(m_behaviour.focusOut());
    QAbstractButton::focusOutEvent(e);
}

}  // namespace vendrik
