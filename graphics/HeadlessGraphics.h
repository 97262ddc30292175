#pragma once

#include "graphics/Graphics.h"
#include "raster/MemBitmap.h"

namespace tesselor::graphics {

// An editor without a window: PresentRect copies into an off-screen image, the "screen", which
// holds what a window would show. Used by tests and by the command-line tool's snapshot. Dialogs
// answer as cancelled; images come from the compiled-in table.
class HeadlessGraphics : public Graphics {
public:
    using Graphics::Graphics;

    bool PresentRect(const PixelRect& r) override;
    const char* GraphicsApiName() const override { return "headless"; }

    // What the window would show: width x height pixels, black until the first PresentRect.
    raster::MemBitmap& Screen();
    // Draws the whole panel as a window shows it when it opens: every control dirty, one tick.
    void DrawAll();

private:
    raster::MemBitmap _screen;
};

}  // namespace tesselor::graphics
