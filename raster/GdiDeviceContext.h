#pragma once

namespace tesselor::raster {

class TextSurface;

// Windows only. The GDI memory device context (an HDC) behind a text surface made by
// CreateTextSurface: a SysBitmap's DIB section is selected into it, so a window can BitBlt the
// bitmap from it. Null when `surface` is null or not a GDI surface. Owned by the surface.
void* GdiDeviceContext(TextSurface* surface);

}  // namespace tesselor::raster
