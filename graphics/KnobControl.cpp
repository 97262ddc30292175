#include "graphics/KnobControl.h"

namespace tesselor::graphics {

namespace {
constexpr double kFineFactor = 10.0;  // shift or control: ten times finer
constexpr double kWheelStep = 0.01;   // per notch
constexpr double kFineWheelStep = 0.001;
}  // namespace

KnobControl::KnobControl(framework::PluginBase* plugin, const PixelRect& rect, int paramIndex,
                         int direction, double gearing, BlendSpec blend)
    : Control(plugin, rect, paramIndex, blend), _direction(direction), _gearing(gearing) {}

void KnobControl::MouseDrag(int, int, int dx, int dy, const MouseModifiers& mods) {
    double gearing = _gearing;
    if (mods.shift || mods.control) gearing *= kFineFactor;
    const PixelRect& r = Rect();
    // T - B is minus the height, so moving the mouse up (dy < 0) raises the value.
    if (_direction == kKnobVertical)
        SetValue(Value() + dy / static_cast<double>(r.top - r.bottom) / gearing);
    else
        SetValue(Value() + dx / static_cast<double>(r.right - r.left) / gearing);
    MarkDirty(true);
}

void KnobControl::MouseWheel(int, int, const MouseModifiers& mods, int notches) {
    SetValue(Value() + notches * (mods.shift || mods.control ? kFineWheelStep : kWheelStep));
    MarkDirty(true);
}

}  // namespace tesselor::graphics
