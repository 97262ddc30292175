// SysBitmap's section on Windows: a 32-bit top-down DIB section selected into the memory device
// context of the bitmap's GDI text surface, so GDI text lands straight in Pixels() and a window
// can BitBlt from that device context.

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "raster/GdiDeviceContext.h"
#include "raster/SysBitmap.h"
#include "raster/TextBackend.h"

namespace tesselor::raster {

namespace {

HDC DcOf(TextSurface* surface) { return static_cast<HDC>(GdiDeviceContext(surface)); }

}  // namespace

void SysBitmap::AllocateSection(int allocatedWidth, int height) {
    HDC dc = DcOf(_deviceContext.get());
    if (!dc) return;
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

}  // namespace tesselor::raster
