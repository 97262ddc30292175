#include "graphics/HeadlessGraphics.h"

#include <algorithm>

#include "raster/RasterBlit.h"

namespace tesselor::graphics {

raster::MemBitmap& HeadlessGraphics::Screen() {
    if (_screen.Width() != Width() || _screen.Height() != Height()) {
        _screen.Resize(Width(), Height());
        raster::RasterFillRect(&_screen, 0, 0, Width(), Height(), 0xFF000000u, 1.0f,
                               raster::kBlitCopy);
    }
    return _screen;
}

bool HeadlessGraphics::PresentRect(const PixelRect& r) {
    raster::MemBitmap& screen = Screen();
    const raster::RasterRect source = {std::max(r.left, 0), std::max(r.top, 0), r.right, r.bottom};
    raster::RasterBlit(&screen, Surface(), source.left, source.top, &source, 1.0f,
                       raster::kBlitCopy);
    return true;
}

void HeadlessGraphics::DrawAll() {
    MarkAllDirty();
    Tick();
}

}  // namespace tesselor::graphics
