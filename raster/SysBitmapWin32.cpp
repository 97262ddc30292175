// SysBitmap on Windows: the pixels are a 32-bit top-down DIB section selected into the memory
// device context of the bitmap's GDI text surface, so GDI text lands straight in Pixels() and a
// window can BitBlt from that device context.

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "raster/GdiDeviceContext.h"
#include "raster/SysBitmap.h"
#include "raster/TextBackend.h"

namespace tesselor::raster {

namespace {

// Largest section in bytes; a bigger request fails like a refused allocation instead of wrapping
// inside GDI's own size arithmetic.
constexpr int64_t kMaxSectionBytes = INT32_MAX;

HDC DcOf(TextSurface* surface) { return static_cast<HDC>(GdiDeviceContext(surface)); }

}  // namespace

SysBitmap::SysBitmap(int width, int height) {
    _deviceContext = CreateTextSurface(*this);
    Resize(width, height);
}

SysBitmap::~SysBitmap() {
    ReleaseSection();
    _deviceContext.reset();
}

void SysBitmap::ReleaseSection() {
    // A section still selected into a device context cannot be deleted: put back what it replaced.
    if (HDC dc = DcOf(_deviceContext.get()); dc && _replacedBitmap) {
        SelectObject(dc, static_cast<HGDIOBJ>(_replacedBitmap));
    }
    _replacedBitmap = nullptr;
    if (_section) DeleteObject(static_cast<HGDIOBJ>(_section));
    _section = nullptr;
    _pixels = nullptr;
}

bool SysBitmap::Resize(int width, int height) {
    HDC dc = DcOf(_deviceContext.get());
    if (!dc) {
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

    if (allocatedWidth <= kMaxSectionBytes / 4 / height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = static_cast<LONG>(allocatedWidth);
        info.bmiHeader.biHeight = IsFlipped() ? height : -height;  // negative: rows top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ replaced = section && bits ? SelectObject(dc, section) : nullptr;
        if (replaced && replaced != HGDI_ERROR) {
            _section = section;
            _replacedBitmap = replaced;
            _pixels = static_cast<uint32_t*>(bits);
            // New sections are zeroed by contract; do not lean on how the system allocates them.
            std::memset(bits, 0, static_cast<size_t>(allocatedWidth) * height * 4);
        } else if (section) {
            DeleteObject(section);
        }
    }
    if (!_pixels) {
        _width = 0;
        _height = 0;
    }
    return true;
}

}  // namespace tesselor::raster
