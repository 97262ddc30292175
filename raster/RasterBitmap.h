#pragma once

#include <cstddef>
#include <cstdint>

namespace tesselor::raster {

class TextSurface;

// The one pixel format of the raster layer and the GUI:
//   4 bytes per pixel, in memory order blue, green, red, alpha; read as a little-endian 32-bit word
//   it is 0xAARRGGBB (blue in bits 0-7, green 8-15, red 16-23, alpha 24-31).
//   Alpha is straight (colour channels are not premultiplied); 255 is opaque, 0 transparent.
// A colour handed to a raster primitive is a word in the same layout.
//
// Addressing: RowSpan() counts pixels (not bytes) from one row start to the next and is at least
// Width(). Pixel (x, y) is word y * span + x of Pixels(), or (Height() - 1 - y) * span + x when
// IsFlipped(). Every routine of the layer honours IsFlipped(); both kinds here store rows top-down.

// Left, top inclusive; right, bottom exclusive; pixels.
struct RasterRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// A 32-bit off-screen image. Owned by whoever created it and deleted through this interface.
// No locks: a bitmap is used by one thread at a time (the editor's on the UI thread).
class RasterBitmap {
public:
    RasterBitmap() = default;
    RasterBitmap(const RasterBitmap&) = delete;
    RasterBitmap& operator=(const RasterBitmap&) = delete;
    virtual ~RasterBitmap() = default;

    // Start of the pixel array; null while the bitmap has no storage.
    virtual uint32_t* Pixels() = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual int RowSpan() const = 0;
    virtual bool IsFlipped() const { return false; }
    // True when the size changed. Pixel contents are not cleared or re-laid out; on allocation
    // failure the bitmap is left empty (0 x 0, Pixels() null), so callers compare the size.
    virtual bool Resize(int width, int height) = 0;
    // The text renderer's drawing context bound to this bitmap, or null when text cannot be
    // drawn straight into it (memory bitmaps).
    virtual TextSurface* DeviceContext() { return nullptr; }
    // Generic extension query; no kind answers anything but 0.
    virtual intptr_t QueryExtension(int /*id*/, void* /*data*/) { return 0; }

    // First word of row y (0 = top row), honouring IsFlipped(). Requires Pixels() != null and
    // 0 <= y < Height(); the step to the next row down is RowStep().
    uint32_t* Row(int y) {
        const int stored = IsFlipped() ? Height() - 1 - y : y;
        return Pixels() + static_cast<ptrdiff_t>(stored) * RowSpan();
    }
    ptrdiff_t RowStep() const {
        return IsFlipped() ? -static_cast<ptrdiff_t>(RowSpan()) : RowSpan();
    }
};

}  // namespace tesselor::raster
