#include "graphics/x11/X11Input.h"

#include <X11/X.h>
#include <X11/keysym.h>

#include <cstdlib>

namespace tesselor::graphics {

int KeyCodeForKeysym(unsigned long keysym) {
    switch (keysym) {
        case XK_space:
            return kKeySpace;
        case XK_Up:
        case XK_KP_Up:
            return kKeyUp;
        case XK_Down:
        case XK_KP_Down:
            return kKeyDown;
        case XK_Left:
        case XK_KP_Left:
            return kKeyLeft;
        case XK_Right:
        case XK_KP_Right:
            return kKeyRight;
        default:
            break;
    }
    if (keysym >= XK_0 && keysym <= XK_9) return kKeyDigit0 + static_cast<int>(keysym - XK_0);
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9)
        return kKeyDigit0 + static_cast<int>(keysym - XK_KP_0);
    if (keysym >= XK_a && keysym <= XK_z) return kKeyLetterA + static_cast<int>(keysym - XK_a);
    if (keysym >= XK_A && keysym <= XK_Z) return kKeyLetterA + static_cast<int>(keysym - XK_A);
    return -1;
}

MouseModifiers ModifiersForState(unsigned int state, int button, bool pressed) {
    MouseModifiers m;
    m.left = (state & Button1Mask) != 0;
    m.right = (state & Button3Mask) != 0;
    if (button == Button1) m.left = pressed;
    if (button == Button3) m.right = pressed;
    m.shift = (state & ShiftMask) != 0;
    m.control = (state & ControlMask) != 0;
    m.alt = (state & Mod1Mask) != 0;
    return m;
}

int WheelNotches(int button) {
    if (button == Button4) return 1;
    if (button == Button5) return -1;
    return 0;
}

bool DoubleClickDetector::Press(int x, int y, unsigned long timeMs) {
    const auto time = static_cast<std::uint32_t>(timeMs);
    Move(x, y);
    const bool isDouble = _armed && time - _timeMs <= kDoubleClickMs;
    _armed = !isDouble;
    _x = x;
    _y = y;
    _timeMs = time;
    return isDouble;
}

void DoubleClickDetector::Move(int x, int y) {
    if (std::abs(x - _x) > kDoubleClickPixels || std::abs(y - _y) > kDoubleClickPixels)
        _armed = false;
}

}  // namespace tesselor::graphics
