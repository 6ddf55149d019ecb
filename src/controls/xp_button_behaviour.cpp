#include "controls/xp_button_behaviour.h"

namespace vendrik {

using S = XPButtonState;

bool XPButtonBehaviour::isOver(int x, int y, int width, int height) noexcept {
    return x >= 0 && x <= width && y >= 0 && y <= height;
}

XPButtonReaction XPButtonBehaviour::mouseMove(bool over) {
    m_flags.hot = over;
    if (!m_flags.enabled) {
        return {};
    }
    if (m_flags.windowActive && !m_flags.spaceHeld) {
        if (m_flags.hot) {
            m_state = m_flags.pressed ? S::Pressed : S::Hot;
        } else {
            m_state = m_flags.hasFocus ? S::Focused : S::Normal;
        }
    }
    XPButtonReaction r;
    r.mouseMove = true;
    return r;
}

XPButtonReaction XPButtonBehaviour::mouseLeave() {
    m_flags.hot = false;
    if (m_flags.spaceHeld || m_state == S::Disabled) {
        return {};
    }
    if (m_flags.hasFocus || m_flags.isDefault) {
        if (m_state == S::Pressed) {
            m_state = m_flags.pressed ? S::Focused : S::Normal;
        } else if (m_state != S::Focused && m_flags.windowActive) {
            m_state = S::Focused;
        }
    } else {
        m_state = S::Normal;
    }
    return {};
}

XPButtonReaction XPButtonBehaviour::leftDown() {
    if (!m_flags.enabled) {
        return {};
    }
    m_flags.hasFocus = m_flags.pressed = m_flags.mouseHeld = true;
    m_state = S::Pressed;
    return {};
}

XPButtonReaction XPButtonBehaviour::leftUp() {
    XPButtonReaction r;
    if (m_flags.enabled && m_flags.windowActive) {
        if (m_flags.hot) {
            m_state = S::Hot;
        } else if (m_flags.hasFocus) {
            m_state = S::Focused;
        }
        r.click = m_flags.hot && m_flags.hasFocus && m_flags.pressed;
    }
    m_flags.pressed = m_flags.mouseHeld = false;
    return r;
}

XPButtonReaction XPButtonBehaviour::leftDoubleClick() {
    if (!m_flags.enabled) {
        return {};
    }
    m_state = S::Pressed;
    XPButtonReaction r;
    r.dblClick = true;
    return r;
}

XPButtonReaction XPButtonBehaviour::enterDown() {
    XPButtonReaction r;
    r.click = m_flags.enabled;
    return r;
}

XPButtonReaction XPButtonBehaviour::spaceDown() {
    if (!m_flags.enabled || m_flags.mouseHeld) {
        return {};
    }
    m_flags.spaceHeld = m_flags.pressed = true;
    m_state = S::Pressed;
    return {};
}

XPButtonReaction XPButtonBehaviour::spaceUp() {
    if (!m_flags.enabled || m_flags.mouseHeld) {
        return {};
    }
    m_state = m_flags.hot ? S::Hot : S::Focused;
    XPButtonReaction r;
    r.click = m_flags.pressed;
    m_flags.spaceHeld = m_flags.pressed = false;
    return r;
}

XPButtonReaction XPButtonBehaviour::accessKey() {
    if (!m_flags.enabled) {
        return {};
    }
    XPButtonReaction r;
    if (m_flags.spaceHeld) {
        // The key cancels a press under way by the space bar instead.
        m_flags.spaceHeld = m_flags.pressed = false;
        m_state = m_flags.hot ? S::Hot : S::Focused;
    } else {
        r.flushEventsFirst = true;
        r.click = true;
    }
    return r;
}

XPButtonReaction XPButtonBehaviour::focusIn() {
    m_flags.hasFocus = true;
    if (!m_flags.enabled) {
        return {};
    }
    if (m_flags.hot) {
        if (m_state != S::Hot && m_state != S::Pressed) {
            m_state = S::Hot;
        }
    } else if (!m_flags.pressed) {
        m_state = S::Focused;
    }
    return {};
}

XPButtonReaction XPButtonBehaviour::focusOut() {
    m_flags.hasFocus = m_flags.pressed = m_flags.spaceHeld = false;
    if (!m_flags.enabled) {
        return {};
    }
    if (!m_flags.windowActive) {
        m_state = S::Normal;
    } else if (m_flags.hot) {
        m_state = S::Hot;
    } else {
        m_state = m_flags.isDefault ? S::Focused : S::Normal;
    }
    return {};
}

XPButtonReaction XPButtonBehaviour::setDefault(bool isDefault) {
    m_flags.isDefault = isDefault;
    if (m_flags.enabled && !m_flags.hot) {
        m_state = isDefault ? S::Focused : S::Normal;
    }
    return {};
}

XPButtonReaction XPButtonBehaviour::windowActivated() {
    m_flags.windowActive = true;
    if (!m_flags.enabled) {
        return {};
    }
    if (m_flags.hot) {
        m_state = S::Hot;
    } else if (m_flags.hasFocus || m_flags.isDefault) {
        m_state = S::Focused;
    }
    XPButtonReaction r;
    r.formActivate = 1;
    return r;
}

XPButtonReaction XPButtonBehaviour::windowDeactivated() {
    m_flags.windowActive = m_flags.pressed = m_flags.mouseHeld = m_flags.spaceHeld = false;
    if (!m_flags.enabled) {
        return {};
    }
    m_state = S::Normal;
    XPButtonReaction r;
    r.formActivate = 0;
    return r;
}

XPButtonReaction XPButtonBehaviour::setEnabled(bool enabled) {
    m_flags.enabled = enabled;
    if (enabled && m_flags.hot) {
        m_state = S::Hot;
    } else if (enabled && m_flags.isDefault) {
        m_state = S::Focused;
    } else {
        m_state = enabled ? S::Normal : S::Disabled;
    }
    return {};
}

}  // namespace vendrik
