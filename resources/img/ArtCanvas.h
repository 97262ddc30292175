#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "raster/CachedFont.h"
#include "raster/MemBitmap.h"

// The painting kit of the artwork generator: a floating-point canvas, antialiased shapes given as
// signed distances, and text rendered through the raster layer's fonts as coverage masks.
//
// Coordinates are pixels with (0, 0) at the top-left corner of the top-left pixel, so pixel
// (x, y) has its centre at (x + 0.5, y + 0.5). A shape is a signed distance in pixels from a
// point to its outline, negative inside. Its coverage of a pixel is approximated from the
// distance at the pixel's centre as if the outline were straight there: a box filter one pixel
// wide, exact for edges along the pixel grid and close to the true area for slanted edges and
// the radii drawn here.

namespace tesselor::resources {

// Straight (not premultiplied) colour; every channel 0..1.
struct Colour {
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
    double a = 1.0;
};

constexpr Colour Grey(double v, double alpha = 1.0) { return {v, v, v, alpha}; }
// `c` with its colour channels multiplied by `k` (alpha kept); k > 1 brightens, limited to 1.
Colour Shade(const Colour& c, double k);
Colour WithAlpha(const Colour& c, double alpha);
// a at t = 0, b at t = 1, every channel linearly.
Colour Mix(const Colour& a, const Colour& b, double t);

// Coverage of a pixel whose centre lies `distance` pixels from a straight edge (negative inside).
inline double EdgeCoverage(double distance) { return std::clamp(0.5 - distance, 0.0, 1.0); }
// A soft edge `width` pixels wide centred on the outline, for shadows and glows; smoothstep.
double SoftCoverage(double distance, double width);

// Signed distances, pixels.
double DiscDistance(double x, double y, double cx, double cy, double radius);
double RingDistance(double x, double y, double cx, double cy, double radius, double halfWidth);
// A line from (x0, y0) to (x1, y1) with round ends, `halfWidth` pixels either side.
double SegmentDistance(double x, double y, double x0, double y0, double x1, double y1,
                       double halfWidth);
// The rectangle left..right, top..bottom with corners rounded to `radius`.
double RoundRectDistance(double x, double y, double left, double top, double right, double bottom,
                         double radius);

// Pixels of a canvas: left, top inclusive; right, bottom exclusive.
struct PixelBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The pixels a shape reaching `reach` pixels from (cx, cy) can touch, one pixel to spare.
PixelBox BoxAround(double cx, double cy, double reach);
PixelBox BoxAround(double left, double top, double right, double bottom);

// An 8-bit coverage mask of rendered text, and the box its inked pixels occupy.
struct TextMask {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> coverage;  // width * height, rows top-down
    PixelBox ink;                   // empty (all 0) when nothing was drawn
};

// A DejaVu Sans face at one size, rendered through the raster layer's cached fonts.
class ArtFont {
public:
    // `emPx`: em height in pixels.
    ArtFont(int emPx, bool bold);
    ArtFont(const ArtFont&) = delete;
    ArtFont& operator=(const ArtFont&) = delete;

    bool IsLoaded() const { return _font.GetFontHandle() != nullptr; }
    // `text` is UTF-8; `trackingPx` extra pixels go between characters (letter-spaced capitals).
    TextMask Render(const char* text, int trackingPx = 0);

private:
    int Advance(const char* text, int length);

    raster::CachedFont _font;
};

// A straight-alpha RGBA image in doubles, painted with source-over compositing. It starts fully
// transparent.
class ArtCanvas {
public:
    ArtCanvas(int width, int height);

    int Width() const { return _width; }
    int Height() const { return _height; }

    // Source-over of `c` weighted by `coverage` (0..1) at pixel (x, y); ignored off the canvas.
    void Blend(int x, int y, const Colour& c, double coverage);
    Colour At(int x, int y) const;

    // For every pixel of `box` on the canvas, with its centre (px, py): blends paint(px, py), a
    // Colour, weighted by cover(px, py), 0..1. `paint` is only asked where `cover` is above 0.
    template <class Cover, class Paint>
    void Fill(const PixelBox& box, Cover&& cover, Paint&& paint) {
        const int top = std::max(box.top, 0), bottom = std::min(box.bottom, _height);
        const int left = std::max(box.left, 0), right = std::min(box.right, _width);
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                const double px = x + 0.5, py = y + 0.5;
                const double k = cover(px, py);
                if (k > 0.0) Blend(x, y, paint(px, py), k);
            }
        }
    }

    // Blends `colour` through `mask` with the mask's top-left corner at pixel (x, y).
    void BlendMask(const TextMask& mask, int x, int y, const Colour& colour);
    // Draws `mask` with the centre of its ink at (cx, cy), rounded to whole pixels.
    void TextCentred(const TextMask& mask, double cx, double cy, const Colour& colour);
    // Draws `mask` with its ink's left edge at `left` and vertical ink centre at `cy`.
    void TextLeft(const TextMask& mask, int left, double cy, const Colour& colour);

    // The canvas in the raster layer's pixel format (8 bits, straight alpha, rounded); null when
    // the bitmap cannot be allocated.
    std::unique_ptr<raster::MemBitmap> ToBitmap() const;

private:
    int _width;
    int _height;
    std::vector<double> _pixels;  // premultiplied r, g, b, a per pixel, rows top-down
};

}  // namespace tesselor::resources
