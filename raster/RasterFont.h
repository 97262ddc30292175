#pragma once

#include <cstdint>

#include "raster/RasterBitmap.h"
#include "raster/TextBackend.h"

namespace tesselor::raster {

// AttachFontHandle flags.
constexpr uint32_t kFontOwnsHandle = 0x200;    // the font deletes its handle
constexpr uint32_t kFontPreferNative = 0x400;  // let the text renderer draw directly when allowed
constexpr uint32_t kFontVariantMask =
    0x1F7;  // rendering variants; any of them rules out direct drawing

// Measures and draws UTF-8 text onto bitmaps. Colours are pixel words (see RasterBitmap.h).
// UI thread only; no locks.
class RasterFont {
public:
    RasterFont() = default;
    RasterFont(const RasterFont&) = delete;
    RasterFont& operator=(const RasterFont&) = delete;
    virtual ~RasterFont() = default;

    // Takes `handle` (ownership only with kFontOwnsHandle) and clears everything cached for the
    // previous one.
    virtual void AttachFontHandle(TextFont* handle, uint32_t flags) = 0;
    // Each setter returns the previous value.
    virtual uint32_t SetForeground(uint32_t color) = 0;
    virtual uint32_t SetBackground(uint32_t color) = 0;   // used with kBackgroundOpaque
    virtual uint32_t SetAccentColor(uint32_t color) = 0;  // kept for callers; no drawing reads it
    virtual int SetBackgroundMode(int mode) = 0;  // kBackgroundTransparent or kBackgroundOpaque
    // Combine mode (a RasterBlit mode word) and opacity 0..1 for composited text.
    virtual void SetBlend(int mode, float opacity) = 0;
    // Draws `text` (length in bytes, negative = up to the NUL) laid out in `rect` with the kText*
    // flags, or with kTextCalcRect measures it into rect.right / rect.bottom (bitmap may then be
    // null). Returns the text height in pixels, 0 when nothing could be drawn.
    virtual int DrawString(RasterBitmap* bitmap, const char* text, int length, RasterRect& rect,
                           uint32_t flags) = 0;
    virtual uint32_t GetForeground() const = 0;
    virtual TextFont* GetFontHandle() const = 0;
    virtual int LineHeight() const = 0;  // pixels
};

}  // namespace tesselor::raster
