#pragma once
// A window holding one ccXPButton, shown and active, with helpers to put the
// button into each of its states through real input events.

#include <QTest>
#include <QWidget>
#include <memory>

#include "controls/ccXPButton.h"
#include "controls/xp_button_look.h"

namespace vendrik::test {

class ButtonHost {
public:
    // Inside the window, beside the button and the focus sink.
    static constexpr QPoint kRestingPoint{230, 112};

    explicit ButtonHost(const QString& caption, QSize size = QSize(75, 23))
        : m_window(std::make_unique<QWidget>()) {
        m_window->resize(240, 120);
        // First in the focus chain, so that the button starts without the
        // focus the window gives on activation.
        auto* sink = new QWidget(m_window.get());
        sink->setFocusPolicy(Qt::StrongFocus);
        sink->setGeometry(200, 90, 20, 20);
        m_button = new ccXPButton(caption, m_window.get());
        m_button->setGeometry(QRect(QPoint(20, 20), size));
    }

    // Shows and activates the window; false when the platform would not
    // activate it.
    [[nodiscard]] bool show() {
        m_window->show();
        m_window->activateWindow();
        if (!QTest::qWaitForWindowActive(m_window.get())) {
            return false;
        }
        // The pointer starts beside the button.
        QTest::mouseMove(m_window.get(), kRestingPoint);
        return true;
    }

    // The pointer is put to rest off the button before the window goes: the
    // next test's window opens at the same place, and a button that appears
    // under a resting pointer gets an enter without a later leave.
    ~ButtonHost() {
        if (m_window->isVisible()) {
            QTest::mouseMove(m_window.get(), kRestingPoint);
        }
    }
    ButtonHost(const ButtonHost&) = delete;
    ButtonHost& operator=(const ButtonHost&) = delete;

    [[nodiscard]] QWidget* window() const {
        return m_window.get();
    }
    [[nodiscard]] ccXPButton* button() const {
        return m_button;
    }
    [[nodiscard]] QPoint centre() const {
        return m_button->rect().center();
    }

    // The way a user gets there: disabled, nothing, the window's default,
    // the pointer over it, the space bar held on it.
    void driveTo(XPButtonState s) {
        switch (s) {
            case XPButtonState::Disabled:
                m_button->setEnabled(false);
                break;
            case XPButtonState::Normal:
                break;
            case XPButtonState::Focused:
                m_button->setDefault(true);
                break;
            case XPButtonState::Hot:
                QTest::mouseMove(m_button, centre());
                break;
            case XPButtonState::Pressed:
                QTest::keyPress(m_button, Qt::Key_Space);
                break;
        }
    }

    // What lies behind the button where it leaves pixels out.
    [[nodiscard]] QRgb behind() const {
        return m_window->palette().color(QPalette::Window).rgb();
    }

    // The button's own rendering at one device pixel per pixel.
    [[nodiscard]] QImage grab() const {
        return m_button->grab().toImage();
    }

private:
    std::unique_ptr<QWidget> m_window;
    ccXPButton* m_button = nullptr;  // owned by the window
};

[[nodiscard]] inline BgrColour bgrAt(const QImage& image, int x, int y) {
    return toBgr(image.pixel(x, y));
}

[[nodiscard]] inline QString hex(BgrColour c) {
    return QStringLiteral("&H%1").arg(c, 6, 16, QLatin1Char('0')).toUpper();
}

}  // namespace vendrik::test
