#pragma once

#include <cstdint>

namespace tesselor::raster {
class RasterBitmap;
class RasterFont;
}  // namespace tesselor::raster

namespace tesselor::graphics {

// A rectangle in editor pixels, origin at the top-left; right and bottom are exclusive. Only the
// all-zero rectangle counts as empty (a rectangle of width 0 elsewhere is not "empty" for the
// overlap test, which is how dirty areas that touch a control's edge still reach it).
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool IsEmpty() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    // L <= x < R and T <= y < B, on a rectangle that is not empty.
    bool Contains(int x, int y) const;
    // The redraw overlap of an area (this) and a control's rectangle `c`: both not empty, and
    // R >= c.L, L < c.R, B >= c.T, T < c.B, so an area touching c on its right or bottom edge
    // counts.
    bool Overlaps(const PixelRect& c) const;
    // The smallest rectangle holding both.
    PixelRect Union(const PixelRect& other) const;
    // The common part (may have no area); call only when Overlaps.
    PixelRect Intersection(const PixelRect& other) const;

    bool operator==(const PixelRect&) const = default;
};

// A colour with each channel 0..255; straight alpha.
struct ArgbColor {
    int a = 255;
    int r = 0;
    int g = 0;
    int b = 0;

    // The raster layer's pixel word: A << 24 | R << 16 | G << 8 | B.
    uint32_t Packed() const;
};

enum TextWeight : int { kTextNormal = 0, kTextBold = 1, kTextItalic = 2 };
enum TextAlign : int { kAlignNear = 0, kAlignCenter = 1, kAlignFar = 2 };
enum TextQuality : int {
    kQualityDefault = 0,
    kQualityNonAntialiased = 1,
    kQualityAntialiased = 2,
    kQualityClearType = 3,
};

constexpr int kTextFaceSize = 32;  // bytes, NUL included

// How a control draws text and styles its text entry.
struct TextStyle {
    char face[kTextFaceSize] = "Verdana";
    int size = 12;  // pixels, the character height given to font creation
    ArgbColor color{255, 0, 0, 0};
    ArgbColor entryBackground{255, 255, 255, 255};
    ArgbColor entryText{255, 0, 0, 0};
    int style = kTextNormal;
    int alignment = kAlignCenter;
    int orientation = 0;  // degrees
    int quality = kQualityDefault;
    raster::RasterFont* cachedFont = nullptr;  // from the font cache, on first use; not owned
};

// An image of N equal frames, stacked top to bottom unless `horizontal`. The image belongs to
// the process-wide image cache; it is null when the image could not be loaded.
struct FrameBitmap {
    raster::RasterBitmap* image = nullptr;
    int width = 0;   // of the whole image, pixels
    int height = 0;  // of the whole image, pixels
    int frames = 1;
    bool horizontal = false;

    int FrameWidth() const { return horizontal ? width / frames : width; }
    int FrameHeight() const { return horizontal ? height : height / frames; }
};

enum BlendMethod : int { kBlendNone = 0, kBlendClobber = 1, kBlendAdd = 2, kBlendColorDodge = 3 };

struct BlendSpec {
    int method = kBlendNone;
    float weight = 1.0f;  // opacity 0..1
};

struct MouseModifiers {
    bool left = false;
    bool right = false;
    bool shift = false;
    bool control = false;
    bool alt = false;
};

// Keys as controls see them; the windows map native key codes to these.
enum KeyCode : int {
    kKeySpace = 0,
    kKeyUp = 1,
    kKeyDown = 2,
    kKeyLeft = 3,
    kKeyRight = 4,
    kKeyDigit0 = 5,    // .. kKeyDigit0 + 9
    kKeyLetterA = 15,  // .. kKeyLetterA + 25
};

}  // namespace tesselor::graphics
