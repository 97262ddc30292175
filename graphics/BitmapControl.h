#pragma once

#include "graphics/Control.h"

namespace tesselor::graphics {

// Draws the frame of its image that its value selects; the editor's background is one.
class BitmapControl : public Control {
public:
    // At (x, y), one frame of `image` in size.
    BitmapControl(framework::PluginBase* plugin, int x, int y, int paramIndex,
                  const FrameBitmap& image, int blendMethod = kBlendNone);

    bool DrawInto(Graphics& graphics) override;

    const FrameBitmap& Image() const { return _image; }

protected:
    FrameBitmap _image;
};

// Draws the frame for `value` of `image` into `rect` with `blend`; a control whose image could not
// be loaded draws a plain placeholder instead, so that the panel stays usable.
bool DrawStripFrame(Graphics& graphics, const FrameBitmap& image, const PixelRect& rect,
                    double value, const BlendSpec& blend);

}  // namespace tesselor::graphics
