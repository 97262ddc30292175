#pragma once

#include <cstdint>

#include "raster/RasterBitmap.h"

// The two compositing primitives of the raster layer. Both work on any RasterBitmap in its pixel
// format (bytes blue, green, red, alpha; straight alpha), never allocate, and do nothing on a
// missing bitmap, zero opacity, a bitmap without pixels or a rectangle that clips away.
// Opacity 0..1 becomes an integer weight ia = trunc(opacity * 256), 0..256; values outside 0..1
// (and NaN, as 0) are limited to that range. No floating point inside the pixel loops.

namespace tesselor::raster {

// Mode word: the low byte picks the rule, bit 16 weights by alpha.
constexpr int kBlitCopy = 0;
constexpr int kBlitAdd = 1;
constexpr int kBlitDodge = 2;
constexpr int kBlitMultiply = 3;
constexpr int kBlitOverlay = 4;
constexpr int kBlitHsvAdjust = 5;  // source red/green/blue shift hue/saturation/value; 128 neutral
constexpr int kBlitModeMask = 0xFF;
// Blit: weight every pixel by the source pixel's alpha. Fill: multiply opacity by colour alpha/255.
constexpr int kBlitUseSourceAlpha = 0x10000;

// RasterBlit only: copies byte channel `srcChannel` of each source pixel into byte channel
// `dstChannel` of the destination (0 blue, 1 green, 2 red, 3 alpha); opacity is ignored (but 0
// still draws nothing).
constexpr int BlitChannelCopy(int srcChannel, int dstChannel) {
    return 0xF0 | (dstChannel & 3) << 2 | (srcChannel & 3);
}

// trunc(opacity * 256) limited to 0..256; NaN gives 0.
int OpacityWeight(double opacity);

// Copies or blends `sourceRect` of `src` (the whole source when null; right and bottom exclusive,
// clipped to the source) onto `dest` with its top-left corner at (x, y). Rows are processed top
// first, so dest == src works for copies that move up or stay in place.
void RasterBlit(RasterBitmap* dest, RasterBitmap* src, int x, int y, const RasterRect* sourceRect,
                float opacity, int mode);

// Fills or blends the rectangle (x, y, width, height) of `dest` with the pixel word `color`.
void RasterFillRect(RasterBitmap* dest, int x, int y, int width, int height, uint32_t color,
                    float opacity, int mode);

}  // namespace tesselor::raster
