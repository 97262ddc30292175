#pragma once

#include "graphics/KnobControl.h"

namespace tesselor::graphics {

// A knob drawn from a filmstrip: the frame its value selects.
class FilmstripKnobControl : public KnobControl {
public:
    // At (x, y), one frame of `image` in size.
    FilmstripKnobControl(framework::PluginBase* plugin, int x, int y, int paramIndex,
                         const FrameBitmap& image, int direction = kKnobVertical,
                         double gearing = 4.0);

    bool DrawInto(Graphics& graphics) override;

    const FrameBitmap& Image() const { return _image; }

private:
    FrameBitmap _image;
};

}  // namespace tesselor::graphics
