#pragma once

#include "graphics/Control.h"

namespace tesselor::graphics {

enum KnobDirection : int { kKnobVertical = 0, kKnobHorizontal = 1 };

// A rotary control: dragging and the wheel change its value and push it to the plug-in.
class KnobControl : public Control {
public:
    // `gearing`: how many control heights (widths) of mouse travel sweep the whole range.
    KnobControl(framework::PluginBase* plugin, const PixelRect& rect, int paramIndex,
                int direction = kKnobVertical, double gearing = 4.0, BlendSpec blend = {});

    // Up (or right) raises the value: a travel of height x gearing pixels sweeps 0..1, ten times
    // that with shift or control held.
    void MouseDrag(int x, int y, int dx, int dy, const MouseModifiers& mods) override;
    // 0.01 per notch, 0.001 with shift or control.
    void MouseWheel(int x, int y, const MouseModifiers& mods, int notches) override;

    int Direction() const { return _direction; }
    double Gearing() const { return _gearing; }

private:
    int _direction;
    double _gearing;
};

}  // namespace tesselor::graphics
