#pragma once
// The controls' gallery (vendrik --controls-gallery): every state of the
// push button and a few progress bars in one window, to look at them and
// try them by mouse and keyboard.

#include <QWidget>

class QLabel;

namespace vendrik {

class ccXPButton;
class XP_ProgressBar;

class ControlsGallery : public QWidget {
    Q_OBJECT
public:
    explicit ControlsGallery(QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* e) override;

private:
    void addButtonStates();
    void addProgressBars();
    // Puts the "hot" and "pressed" samples into their states the way a
    // pointer resting on one and a held space bar on the other would.
    void showHeldStates();
    void noteEvent(const QString& text);

    ccXPButton* m_hot = nullptr;
    ccXPButton* m_pressed = nullptr;
    XP_ProgressBar* m_stepped = nullptr;
    QLabel* m_events = nullptr;
    bool m_statesShown = false;
};

}  // namespace vendrik
