#pragma once

#include "graphics/BitmapControl.h"

namespace tesselor::graphics {

// A bitmap that steps to its next frame on every press (any button) or double-click, wrapping
// after the last: a two-frame switch alternates 0, 1, 0 ... and pushes each value.
class SwitchControl : public BitmapControl {
public:
    using BitmapControl::BitmapControl;

    void MouseDown(int x, int y, const MouseModifiers& mods) override;
    void MouseDoubleClick(int x, int y, const MouseModifiers& mods) override;
};

}  // namespace tesselor::graphics
