#include "raster/SysBitmap.h"

#include <cstdint>

#include "raster/TextBackend.h"

namespace tesselor::raster {

namespace {

// Largest section in bytes; a bigger request fails like a refused allocation instead of wrapping
// (in our arithmetic, or in the system's when it makes the section).
constexpr int64_t kMaxSectionBytes = INT32_MAX;

}  // namespace

SysBitmap::SysBitmap(int width, int height) {
    _deviceContext = CreateTextSurface(*this);
    Resize(width, height);
}

SysBitmap::~SysBitmap() {
    ReleaseSection();
    _deviceContext.reset();
}

bool SysBitmap::Resize(int width, int height) {
    if (!_deviceContext) {
        _width = 0;
        _height = 0;
        _pixels = nullptr;
        return false;
    }
    if (width == _width && height == _height) return false;
    _width = width;
    _height = height;
    // Shrinking, or growing within the section, keeps it (and so the row span): resizing the
    // editor's back buffer back and forth stays cheap.
    if (width != 0 && height != 0 && width <= _allocatedWidth && height <= _allocatedHeight &&
        _pixels) {
        return true;
    }

    const int64_t allocatedWidth = (static_cast<int64_t>(width) + 3) & ~int64_t{3};
    _allocatedHeight = height;
    _allocatedWidth =
        allocatedWidth > INT32_MAX ? INT32_MAX & ~3 : static_cast<int>(allocatedWidth);
    ReleaseSection();
    if (allocatedWidth < 1 || height < 1) return false;

    if (allocatedWidth <= kMaxSectionBytes / 4 / height) AllocateSection(_allocatedWidth, height);
    if (!_pixels) {
        _width = 0;
        _height = 0;
    }
    return true;
}

}  // namespace tesselor::raster
