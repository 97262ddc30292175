#include "graphics/SwitchControl.h"

namespace tesselor::graphics {

void SwitchControl::MouseDown(int, int, const MouseModifiers&) {
    const double step = _image.frames >= 2 ? 1.0 / (_image.frames - 1) : 1.0;
    double value = Value() + step;
    if (value > 1.001) value = 0.0;  // past the last frame, with room for rounding
    SetValue(value);
    MarkDirty(true);
}

void SwitchControl::MouseDoubleClick(int x, int y, const MouseModifiers& mods) {
    SwitchControl::MouseDown(x, y, mods);
}

}  // namespace tesselor::graphics
