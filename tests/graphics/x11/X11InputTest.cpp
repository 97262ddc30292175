// How the X11 window reads keys, buttons and clicks.
#include "graphics/x11/X11Input.h"

#include <gtest/gtest.h>

#include <X11/X.h>
#include <X11/keysym.h>

namespace tesselor::graphics {
namespace {

TEST(X11Input, MapsTheKeysControlsKnowAndNoOthers) {
    struct Case {
        unsigned long keysym;
        int key;
    };
    constexpr Case kCases[] = {
        {XK_space, kKeySpace},
        {XK_Up, kKeyUp},
        {XK_KP_Down, kKeyDown},
        {XK_Left, kKeyLeft},
        {XK_Right, kKeyRight},
        {XK_0, kKeyDigit0},
        {XK_9, kKeyDigit0 + 9},
        {XK_KP_7, kKeyDigit0 + 7},
        {XK_a, kKeyLetterA},
        {XK_Z, kKeyLetterA + 25},
        {XK_q, kKeyLetterA + 16},
        {XK_Return, -1},
        {XK_F1, -1},
        {XK_Escape, -1},
        {XK_exclam, -1},
    };
    for (const Case& c : kCases) EXPECT_EQ(KeyCodeForKeysym(c.keysym), c.key) << c.keysym;
}

TEST(X11Input, TakesThePressedButtonAsItIsAfterTheEvent) {
    // A left press: X's state has no Button1 yet; a release still has it.
    EXPECT_TRUE(ModifiersForState(ShiftMask, Button1, true).left);
    EXPECT_TRUE(ModifiersForState(ShiftMask, Button1, true).shift);
    EXPECT_FALSE(ModifiersForState(Button1Mask, Button1, false).left);
    const MouseModifiers drag = ModifiersForState(Button3Mask | ControlMask | Mod1Mask);
    EXPECT_TRUE(drag.right && drag.control && drag.alt);
    EXPECT_FALSE(drag.left || drag.shift);
    // A right release while the left is held: the left stays down.
    const MouseModifiers release = ModifiersForState(Button1Mask | Button3Mask, Button3, false);
    EXPECT_TRUE(release.left);
    EXPECT_FALSE(release.right);

    EXPECT_EQ(WheelNotches(Button4), 1);
    EXPECT_EQ(WheelNotches(Button5), -1);
    for (int button : {1, 2, 3, 6, 7, 8}) EXPECT_EQ(WheelNotches(button), 0) << button;
}

TEST(X11Input, FindsDoubleClicksByTimeAndDistance) {
    DoubleClickDetector d;
    EXPECT_FALSE(d.Press(100, 100, 1000));
    EXPECT_TRUE(d.Press(104, 96, 1400));   // 400 ms and 4 pixels: still a pair
    EXPECT_FALSE(d.Press(104, 96, 1500));  // a third press starts a new pair
    EXPECT_TRUE(d.Press(104, 96, 1600));

    EXPECT_FALSE(d.Press(0, 0, 5000));
    EXPECT_FALSE(d.Press(0, 0, 5401));  // too late, but it starts the next pair
    EXPECT_TRUE(d.Press(0, 0, 5500));
    EXPECT_FALSE(d.Press(10, 10, 6000));
    EXPECT_FALSE(d.Press(15, 10, 6100));  // too far
    d.Move(30, 30);                       // the pointer went away in between: a drag
    d.Move(15, 10);
    EXPECT_FALSE(d.Press(15, 10, 6200));
    d.Reset();  // another button
    EXPECT_FALSE(d.Press(15, 10, 6300));
    // Server time wraps at 2^32 milliseconds.
    EXPECT_FALSE(d.Press(0, 0, 0xFFFFFF00ul));
    EXPECT_TRUE(d.Press(0, 0, 0x10ul));
}

}  // namespace
}  // namespace tesselor::graphics
