#pragma once
// The push button's state machine, apart from any window system: it takes
// the button's inputs (pointer, keys, focus, window activation, Enabled,
// the default-button indication), keeps the flags they leave behind, picks
// which of the five looks to show, and says which events to raise. The
// widget feeds it and paints the state it picks; tests drive it directly.

#include <optional>

namespace vendrik {

// The five looks; the numbers index the colour table.
enum class XPButtonState { Disabled = 0, Normal = 1, Focused = 2, Hot = 3, Pressed = 4 };

// What an input asks of the widget besides showing the new state.
struct XPButtonReaction {
    bool click = false;
    bool dblClick = false;
    bool mouseMove = false;
    std::optional<int> formActivate;  // 1: the window became active, 0: inactive
    // Let the window finish what is pending (a repaint, a focus move) once
    // before Click runs, as a click by access key does.
    bool flushEventsFirst = false;
};

struct XPButtonFlags {
    bool enabled = true;
    bool hot = false;  // the pointer is over the button
    bool hasFocus = false;
    bool pressed = false;    // a press by mouse or space bar is under way
    bool mouseHeld = false;  // the left mouse button went down on the button
    bool spaceHeld = false;
    bool isDefault = false;  // the window shows this button as its default
    bool windowActive = false;
};

class XPButtonBehaviour {
public:
    [[nodiscard]] XPButtonState state() const noexcept {
        return m_state;
    }
    [[nodiscard]] const XPButtonFlags& flags() const noexcept {
        return m_flags;
    }

    // The pointer counts as over the button on its right and bottom edge
    // too: 0 <= x <= width and 0 <= y <= height, in pixels.
    [[nodiscard]] static bool isOver(int x, int y, int width, int height) noexcept;

    // Pointer.
    XPButtonReaction mouseMove(bool over);
    XPButtonReaction mouseLeave();
    XPButtonReaction leftDown();
    XPButtonReaction leftUp();
    XPButtonReaction leftDoubleClick();
    // Where the pointer is when no move told us (a press arriving without a
    // move before it); changes no state by itself.
    void notePointer(bool over) noexcept {
        m_flags.hot = over;
    }

    // Keys; the widget calls these for presses that are not auto-repeats
    // (Enter repeats like a held key does).
    XPButtonReaction enterDown();
    XPButtonReaction spaceDown();
    XPButtonReaction spaceUp();
    XPButtonReaction accessKey();

    XPButtonReaction focusIn();
    XPButtonReaction focusOut();
    XPButtonReaction setDefault(bool isDefault);
    XPButtonReaction windowActivated();
    XPButtonReaction windowDeactivated();
    // For a button that appears in a window whose activation it has not
    // seen change: takes the flag without raising anything.
    void noteWindowActive(bool active) noexcept {
        m_flags.windowActive = active;
    }
    XPButtonReaction setEnabled(bool enabled);

private:
    XPButtonFlags m_flags;
    XPButtonState m_state = XPButtonState::Normal;
};

}  // namespace vendrik
