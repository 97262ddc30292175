#pragma once

#include <cstdint>
#include <memory>

#include "raster/RasterBitmap.h"

// The platform's text renderer, kept behind this one small interface: a font made from a few
// attributes, and a drawing context bound to one 32-bit bitmap into which a selected font measures
// and draws UTF-8 or UTF-16 text. On Linux it is FreeType with fontconfig
// (FreeTypeTextBackend.cpp); nothing of the platform shows here.

namespace tesselor::raster {

// Layout flags of TextSurface::DrawText and RasterFont::DrawString.
constexpr uint32_t kTextCenter = 0x1;   // horizontally centred in the rectangle
constexpr uint32_t kTextRight = 0x2;    // right-aligned
constexpr uint32_t kTextVCenter = 0x4;  // vertically centred (renderer: single line only)
constexpr uint32_t kTextBottom = 0x8;   // bottom-aligned (renderer: single line only)
constexpr uint32_t kTextAlignMask = 0xF;
constexpr uint32_t kTextSingleLine = 0x20;  // a line feed is drawn as a space instead of breaking
constexpr uint32_t kTextNoClip = 0x100;     // draw outside the rectangle (the bitmap still clips)
constexpr uint32_t kTextCalcRect = 0x400;   // measure only: set rect.right and rect.bottom
constexpr uint32_t kTextNoPrefix = 0x800;   // accepted for compatibility; '&' is never special
// Only RasterFont::DrawString reads these two; the renderer ignores them.
constexpr uint32_t kTextUseForegroundAlpha = 0x40000000;  // opacity *= foreground alpha / 255
constexpr uint32_t kTextNeedAlpha = 0x80000000;           // never draw with the renderer directly

constexpr int kBackgroundTransparent = 1;
constexpr int kBackgroundOpaque = 2;

struct TextFontSpec {
    // Pixels. > 0: cell height (ascent + descent, the line height); < 0: em height; 0: a default
    // size. Magnitudes above kMaxTextHeight are limited to it.
    int height = 0;
    int weight = 400;  // 100..900; 400 regular, 700 bold
    bool italic = false;
    // 0 default, 1 draft, 2 proof, 4 anti-aliased, 5 sub-pixel: all drawn with grey
    // anti-aliasing; 3: no anti-aliasing (coverage is 0 or 255).
    int quality = 0;
    const char* face = nullptr;  // UTF-8 family name; unknown, empty or null picks the default sans
};

constexpr int kMaxTextHeight = 4096;  // pixels

// A font of the renderer. Owned by its creator; deleted through this interface.
class TextFont {
public:
    TextFont() = default;
    TextFont(const TextFont&) = delete;
    TextFont& operator=(const TextFont&) = delete;
    virtual ~TextFont() = default;

    // Pixels from one line to the next (ascent + descent).
    virtual int LineHeight() const = 0;
};

// Drawing state bound to one bitmap: the selected font, text colour and background. Used on the
// UI thread only. Text stops at a NUL even within a given length; a carriage return is skipped,
// and a line feed starts a new line (drawn as a space with kTextSingleLine). Text pixels are
// blended into the colour channels by coverage and move alpha toward 255 by the same coverage;
// an opaque background fills each line's cell with the background colour at alpha 255.
class TextSurface {
public:
    TextSurface() = default;
    TextSurface(const TextSurface&) = delete;
    TextSurface& operator=(const TextSurface&) = delete;
    virtual ~TextSurface() = default;

    // Each setter returns the previous value. The font is not owned; null selects no font.
    virtual TextFont* SelectFont(TextFont* font) = 0;
    virtual uint32_t SetTextColor(uint32_t color) = 0;  // pixel word; its alpha is ignored
    virtual int SetBackgroundMode(int mode) = 0;  // kBackgroundTransparent or kBackgroundOpaque
    virtual uint32_t SetBackgroundColor(uint32_t color) = 0;

    // Draws `text` (length in code units, negative = up to the NUL) into the bound bitmap laid out
    // in `rect`, or with kTextCalcRect sets rect.right = left + width and rect.bottom = top +
    // height and draws nothing. Returns the text height in pixels (with kTextVCenter or
    // kTextBottom on a single line: from rect.top to the bottom of the text); 0 with no font or
    // no text. Invalid UTF-8 bytes stand for the characters of the same value.
    virtual int DrawText(const char* utf8, int length, RasterRect& rect, uint32_t flags) = 0;
    // Unpaired surrogates stand for themselves.
    virtual int DrawText(const char16_t* utf16, int length, RasterRect& rect, uint32_t flags) = 0;
};

// Null when no font could be loaded at all.
std::unique_ptr<TextFont> CreateTextFont(const TextFontSpec& fontSpec);
// A drawing context for `target`, which must outlive it; null on failure.
std::unique_ptr<TextSurface> CreateTextSurface(RasterBitmap& target);
// 1 when running under a Windows compatibility layer whose text output cannot be trusted, else 0.
int ProbeWine();

}  // namespace tesselor::raster
