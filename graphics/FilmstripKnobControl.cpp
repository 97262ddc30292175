#include "graphics/FilmstripKnobControl.h"

#include "graphics/BitmapControl.h"

namespace tesselor::graphics {

FilmstripKnobControl::FilmstripKnobControl(framework::PluginBase* plugin, int x, int y,
                                           int paramIndex, const FrameBitmap& image, int direction,
                                           double gearing)
    : KnobControl(plugin, {x, y, x + image.FrameWidth(), y + image.FrameHeight()}, paramIndex,
                  direction, gearing, BlendSpec{kBlendNone, 1.0f}),
      _image(image) {}

bool FilmstripKnobControl::DrawInto(Graphics& graphics) {
    return DrawStripFrame(graphics, _image, Rect(), Value(), Blend());
}

}  // namespace tesselor::graphics
