#pragma once

#include <memory>

#include "raster/RasterBitmap.h"

namespace tesselor::raster {

// A bitmap the platform's text renderer can draw into and the window can copy to the screen:
// the editor's back buffer and the font layer's scratch bitmaps. It owns a drawing context
// (DeviceContext()) bound to its pixels for its whole life; on Windows the pixels are a 32-bit
// top-down DIB section selected into that context's memory DC (raster/GdiDeviceContext.h). Its
// pixel section is zeroed when (re)allocated, is kept while a new size fits inside it, and is
// replaced otherwise; RowSpan() is the section's width, a multiple of 4 pixels.
class SysBitmap final : public RasterBitmap {
public:
    // Width and height in pixels; 0 x 0 leaves it without pixels until the first positive Resize.
    SysBitmap(int width, int height);
    ~SysBitmap() override;

    uint32_t* Pixels() override { return _pixels; }
    int Width() const override { return _width; }
    int Height() const override { return _height; }
    int RowSpan() const override { return _allocatedWidth; }
    bool Resize(int width, int height) override;
    TextSurface* DeviceContext() override { return _deviceContext.get(); }

private:
    // The platform's half (SysBitmapHeap.cpp, SysBitmapWin32.cpp): a zeroed section of
    // allocatedWidth x height pixels into _pixels (left null on failure), and its release.
    void AllocateSection(int allocatedWidth, int height);
    void ReleaseSection();

    int _width = 0;
    int _height = 0;
    std::unique_ptr<TextSurface> _deviceContext;  // null when it could not be created
    uint32_t* _pixels = nullptr;                  // the section, zeroed; null when none
    int _allocatedWidth = 0;                      // pixels, multiple of 4
    int _allocatedHeight = 0;
#ifdef _WIN32
    void* _section = nullptr;         // HBITMAP of the DIB section holding _pixels
    void* _replacedBitmap = nullptr;  // what the section replaced in the device context
#endif
};

}  // namespace tesselor::raster
