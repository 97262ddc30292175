#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "raster/RasterFont.h"

namespace tesselor::raster {

// A RasterFont with two ways to put text on a bitmap: the text renderer draws straight into the
// bitmap (the normal case for opaque text on the back buffer), or each character is rendered once
// into a process-wide scratch bitmap, kept as a trimmed 8-bit coverage mask in this font's glyph
// cache, and composited with the raster layer's arithmetic (translucent text, any combine mode,
// or when direct drawing is ruled out). The cache never evicts; re-attaching clears it.
//
// UI thread only: the scratch bitmaps are shared by all fonts without a lock.
class CachedFont final : public RasterFont {
public:
    CachedFont();
    ~CachedFont() override;

    void AttachFontHandle(TextFont* handle, uint32_t flags) override;
    uint32_t SetForeground(uint32_t color) override;
    uint32_t SetBackground(uint32_t color) override;
    uint32_t SetAccentColor(uint32_t color) override;
    int SetBackgroundMode(int mode) override;
    void SetBlend(int mode, float opacity) override;
    int DrawString(RasterBitmap* bitmap, const char* text, int length, RasterRect& rect,
                   uint32_t flags) override;
    uint32_t GetForeground() const override { return _foreground; }
    TextFont* GetFontHandle() const override { return _handle; }
    int LineHeight() const override { return _lineHeight; }

    // Composites the already cached glyph of `code` with the pen at (x, y), y being the top of
    // the line, inside `clip` (limited to the bitmap). False when the glyph is not cached, has
    // nothing to draw or lies outside the clip.
    bool DrawCachedGlyph(RasterBitmap* bitmap, uint32_t code, int x, int y, const RasterRect& clip);

    // Process-wide state, for tests and diagnostics.
    static int LiveFontCount();
    static bool HasScratchBitmaps();

private:
    struct GlyphRecord {
        int position =
            0;  // mask offset in the coverage store + 1; 0 = not rendered, -1 = nothing to draw
        int width = 0;  // mask, pixels
        int height = 0;
        int advance = 0;  // pen movement, pixels
        int code = 0;
        int leftOffset = 0;  // how far the mask starts left of the pen, pixels
    };

    int DrawDirect(RasterBitmap* bitmap, const char* text, int length, RasterRect& rect,
                   uint32_t flags);
    int MeasureCached(const char* text, int length, RasterRect& rect, uint32_t flags);
    int DrawCachedString(RasterBitmap* bitmap, const char* text, int length, RasterRect& rect,
                         uint32_t flags);
    GlyphRecord* FindRecord(uint32_t code);
    // Where the record of an extended code (>= 128) is or would go in the sorted list.
    std::vector<GlyphRecord>::iterator ExtendedSlot(uint32_t code);
    // The record of `code`, rendered into the cache first when needed; null when it has nothing
    // to draw.
    const GlyphRecord* RenderedGlyph(uint32_t code);
    void RenderGlyph(GlyphRecord& record, uint32_t code);
    bool GrowCoverage(int bytes);
    // Walks `text` as laid out from a pen at (0, 0): carriage returns skipped, a line feed a new
    // line (a space with kTextSingleLine). Calls place(record, x, y) for every glyph that has
    // something to draw.
    template <class Place>
    void LayOut(const char* text, int length, uint32_t flags, Place&& place);
    // Composites one cached glyph with its pen at (x, y), clipped to `clip` and the bitmap, at
    // `opacity`; false when nothing of it lands or its mask is not in the store.
    bool CompositeGlyph(RasterBitmap* bitmap, const GlyphRecord& g, int64_t x, int64_t y,
                        const RasterRect& clip, float opacity);
    void ClearCache();

    uint32_t _foreground = 0;
    uint32_t _background = 0xFFFFFFFF;
    uint32_t _accent = 0xFFFFFFFF;
    int _backgroundMode = kBackgroundTransparent;
    int _combineMode = 0;  // RasterBlit mode word
    float _opacity = 1.0f;
    uint32_t _attachFlags = 0;
    int _lineHeight = 0;  // pixels
    std::array<GlyphRecord, 128> _asciiGlyphs{};
    std::vector<GlyphRecord> _extendedGlyphs;  // codes >= 128, sorted by code
    uint8_t* _coverage = nullptr;              // all masks back to back
    int _coverageSize = 0;                     // bytes
    int _coverageCapacity = 0;
    TextFont* _handle = nullptr;
};

}  // namespace tesselor::raster
