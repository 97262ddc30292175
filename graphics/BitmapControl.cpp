#include "graphics/BitmapControl.h"

#include "graphics/Graphics.h"
#include "raster/RasterBlit.h"

namespace tesselor::graphics {

namespace {

// What a control shows when its image is missing: a dark grey rectangle with a lighter border.
constexpr ArgbColor kPlaceholderFill{255, 48, 48, 48};
constexpr ArgbColor kPlaceholderEdge{255, 112, 112, 112};

}  // namespace

BitmapControl::BitmapControl(framework::PluginBase* plugin, int x, int y, int paramIndex,
                             const FrameBitmap& image, int blendMethod)
    : Control(plugin, {x, y, x + image.FrameWidth(), y + image.FrameHeight()}, paramIndex,
              BlendSpec{blendMethod, 1.0f}),
      _image(image) {}

bool BitmapControl::DrawInto(Graphics& graphics) {
    return DrawStripFrame(graphics, _image, Rect(), Value(), Blend());
}

bool DrawStripFrame(Graphics& graphics, const FrameBitmap& image, const PixelRect& rect,
                    double value, const BlendSpec& blend) {
    if (!image.image) {
        graphics.FillRect(rect, kPlaceholderEdge);
        graphics.FillRect({rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1},
                          kPlaceholderFill);
        return true;
    }
    return graphics.DrawFrame(image, rect, FrameForValue(value, image.frames), &blend);
}

}  // namespace tesselor::graphics
