#pragma once

#include <cstdint>

#include "graphics/GraphicsTypes.h"

namespace tesselor::graphics {

// How the X11 window reads the mouse and the keyboard: X's key symbols, state masks and button
// numbers turned into what Graphics dispatches. No X header is needed to call these.

// The editor's key for X key symbol `keysym`: space, the arrows, the digits of the main row and of
// the keypad, the letters in either case; -1 for any other key (the window passes those on).
int KeyCodeForKeysym(unsigned long keysym);

// Modifiers from an X event's state mask. X gives the buttons as they were before the event, so
// for a press or release of `button` (1 left, 3 right) that button is taken as it is after it.
MouseModifiers ModifiersForState(unsigned int state, int button = 0, bool pressed = false);

// Wheel notches for a press of X button `button`: +1 for 4 (rolled away from the user), -1 for 5,
// 0 for every other button, the horizontal wheel's 6 and 7 included.
int WheelNotches(int button);

// X reports no double clicks: this finds them among the left button's presses. A press that comes
// within kDoubleClickMs of the previous one and within kDoubleClickPixels of it on both axes
// completes a double click; the press after that starts a new pair, and so does a press after the
// pointer left the first one's neighbourhood (a drag is no click).
class DoubleClickDetector {
public:
    static constexpr std::uint32_t kDoubleClickMs = 400;  // the desktops' usual interval
    static constexpr int kDoubleClickPixels = 4;

    // A press at (x, y) at server time `timeMs` (milliseconds, wrapping at 2^32). True when it
    // completes a double click.
    bool Press(int x, int y, unsigned long timeMs);
    // The pointer is at (x, y).
    void Move(int x, int y);
    // Another button was pressed: the next left press is a single click.
    void Reset() { _armed = false; }

private:
    bool _armed = false;
    int _x = 0;
    int _y = 0;
    std::uint32_t _timeMs = 0;
};

}  // namespace tesselor::graphics
