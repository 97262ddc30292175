#include "raster/CachedFont.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "raster/PixelRules.h"
#include "raster/RasterBlit.h"
#include "raster/SysBitmap.h"
#include "raster/Utf8.h"

namespace tesselor::raster {

namespace {

// Process-wide, UI thread only (see the class comment).
int gLiveFonts = 0;
SysBitmap* gGlyphScratch = nullptr;  // glyphs are rendered here, white on black
SysBitmap* gTextScratch = nullptr;   // direct drawing onto bitmaps the renderer cannot reach
int gWine = -1;                      // -1 until probed

constexpr int kGlyphScratchMinSize = 256;  // pixels, square
constexpr int kTextScratchMinSize = 4;
constexpr int kDirectLineHeight = 256;      // pixels; at or above, always draw directly
constexpr int kMaxCachedLineHeight = 1024;  // pixels; glyphs this tall are never cached
constexpr int kCoverageGrowBytes = 65536;
constexpr uint32_t kCarriageReturn = 13;
constexpr uint32_t kLineFeed = 10;

int WineIndicator() {
    if (gWine < 0) gWine = ProbeWine();
    return gWine;
}

// White text on an opaque black background: the red byte of a pixel is then the coverage.
void PrepareGlyphScratch(int size) {
    if (!gGlyphScratch) gGlyphScratch = new (std::nothrow) SysBitmap(0, 0);
    if (!gGlyphScratch) return;
    if (gGlyphScratch->Width() < size || gGlyphScratch->Height() < size) {
        gGlyphScratch->Resize(size, size);
        if (TextSurface* dc = gGlyphScratch->DeviceContext()) {
            dc->SetTextColor(0xFFFFFF);
            dc->SetBackgroundMode(kBackgroundOpaque);
            dc->SetBackgroundColor(0);
        }
    }
}

int Margin(int lineHeight) { return lineHeight < 16 ? 2 : lineHeight / 16 + 2; }

int ClampInt(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// The cached path's reading of text: the lenient UTF-8 rule, with characters beyond 16 bits
// standing in as spaces.
struct CachedChars {
    Utf8Cursor cursor;
    bool Next(uint32_t& code) {
        int bytes = 0;
        if (!cursor.Next(code, bytes)) return false;
        if (code > 0xFFFF) code = 0x20;
        return true;
    }
};

}  // namespace

CachedFont::CachedFont() { ++gLiveFonts; }

CachedFont::~CachedFont() {
    if (_attachFlags & kFontOwnsHandle) delete _handle;
    if (--gLiveFonts == 0) {
        delete gGlyphScratch;
        delete gTextScratch;
        gGlyphScratch = nullptr;
        gTextScratch = nullptr;
    }
    std::free(_coverage);
}

int CachedFont::LiveFontCount() { return gLiveFonts; }
bool CachedFont::HasScratchBitmaps() { return gGlyphScratch || gTextScratch; }

void CachedFont::AttachFontHandle(TextFont* handle, uint32_t flags) {
    if ((_attachFlags & kFontOwnsHandle) && _handle != handle) delete _handle;
    _attachFlags = flags;
    _handle = handle;
    if (handle) {
        PrepareGlyphScratch(kGlyphScratchMinSize);
        _lineHeight = handle->LineHeight();
    }
    ClearCache();
}

void CachedFont::ClearCache() {
    _asciiGlyphs.fill(GlyphRecord{});
    _extendedGlyphs.clear();
    _coverageSize = 0;
}

uint32_t CachedFont::SetForeground(uint32_t color) { return std::exchange(_foreground, color); }
uint32_t CachedFont::SetBackground(uint32_t color) { return std::exchange(_background, color); }
uint32_t CachedFont::SetAccentColor(uint32_t color) { return std::exchange(_accent, color); }
int CachedFont::SetBackgroundMode(int mode) { return std::exchange(_backgroundMode, mode); }

void CachedFont::SetBlend(int mode, float opacity) {
    _combineMode = mode;
    _opacity = opacity;
}

int CachedFont::DrawString(RasterBitmap* bitmap, const char* text, int length, RasterRect& rect,
                           uint32_t flags) {
    if (!bitmap && !(flags & kTextCalcRect)) return 0;
    if (!text) text = "";
    const bool direct =
        ((_attachFlags & kFontPreferNative) && _handle && !(flags & kTextNeedAlpha) &&
         WineIndicator() == 0 && !(flags & kTextUseForegroundAlpha) &&
         !(_attachFlags & kFontVariantMask)) ||
        _lineHeight >= kDirectLineHeight;
    if (direct) return DrawDirect(bitmap, text, length, rect, flags & ~kTextNeedAlpha);
    if (flags & kTextCalcRect) return MeasureCached(text, length, rect, flags);
    return DrawCachedString(bitmap, text, length, rect, flags);
}

int CachedFont::DrawDirect(RasterBitmap* bitmap, const char* text, int length, RasterRect& rect,
                           uint32_t flags) {
    // Text that holds UTF-8 sequences goes to the renderer as UTF-16 when it converts cleanly;
    // anything else goes as the bytes it is.
    constexpr int kStackUnits = 1024;
    char16_t stackUnits[kStackUnits];
    std::unique_ptr<char16_t[]> heapUnits;
    const char16_t* wide = nullptr;
    if (HasUtf8Sequence(text, length)) {
        const int needed = Utf8ToUtf16(text, length, nullptr, 0);
        if (needed >= 0) {
            char16_t* buffer = stackUnits;
            int capacity = kStackUnits;
            if (needed >= 1000) {
                capacity = needed + 32;
                heapUnits.reset(new (std::nothrow) char16_t[capacity]);
                buffer = heapUnits.get();
            }
            if (buffer && Utf8ToUtf16(text, length, buffer, capacity) == needed) {
                buffer[needed] = 0;
                wide = buffer;
            }
        }
    }
    auto drawOn = [&](TextSurface& dc, RasterRect& r, uint32_t f) {
        return wide ? dc.DrawText(wide, -1, r, f) : dc.DrawText(text, length, r, f);
    };
    auto setColors = [&](TextSurface& dc) {
        dc.SetTextColor(_foreground);
        dc.SetBackgroundMode(_backgroundMode);
        if (_backgroundMode == kBackgroundOpaque) dc.SetBackgroundColor(_background);
    };

    if (TextSurface* dc = bitmap ? bitmap->DeviceContext() : nullptr) {
        TextFont* previous = dc->SelectFont(_handle);
        setColors(*dc);
        RasterRect r = rect;
        const int result = drawOn(*dc, r, flags | kTextNoPrefix);
        if (flags & kTextCalcRect) rect = r;
        dc->SelectFont(previous);
        return result;
    }

    // A bitmap the renderer cannot draw into: render into the scratch over a copy of the
    // destination, then copy back at the font's opacity.
    if (!gTextScratch) gTextScratch = new (std::nothrow) SysBitmap(0, 0);
    if (!gTextScratch) return 0;
    if (gTextScratch->Width() < kTextScratchMinSize ||
        gTextScratch->Height() < kTextScratchMinSize) {
        gTextScratch->Resize(kTextScratchMinSize, kTextScratchMinSize);
    }
    TextSurface* dc = gTextScratch->DeviceContext();
    if (!dc) return 0;
    TextFont* previous = dc->SelectFont(_handle);
    RasterRect measured{};
    const uint32_t unaligned = flags & ~kTextAlignMask;
    int result = drawOn(*dc, measured, unaligned | kTextCalcRect | kTextNoPrefix);
    const int64_t w = static_cast<int64_t>(measured.right) - measured.left;
    const int64_t h = static_cast<int64_t>(measured.bottom) - measured.top;
    if (flags & kTextCalcRect) {
        rect.right = ClampInt(rect.left + w);
        rect.bottom = ClampInt(rect.top + h);
        dc->SelectFont(previous);
        return result;
    }
    int64_t x = rect.left, y = rect.top;
    if (flags & kTextRight) {
        x = rect.right - w;
    } else if (flags & kTextCenter) {
        x = (static_cast<int64_t>(rect.left) + rect.right - w) / 2;
    }
    if (flags & kTextBottom) {
        y = rect.bottom - h;
    } else if (flags & kTextVCenter) {
        y = (static_cast<int64_t>(rect.top) + rect.bottom - h) / 2;
    }
    int64_t right = std::min<int64_t>(x + w, bitmap->Width());
    int64_t bottom = std::min<int64_t>(y + h, bitmap->Height());
    int64_t originX = 0, originY = 0;
    if (!(flags & kTextNoClip)) {
        right = std::min<int64_t>(right, rect.right);
        bottom = std::min<int64_t>(bottom, rect.bottom);
        originX = std::max(rect.left, 0);
        originY = std::max(rect.top, 0);
    }
    int64_t offsetX = 0, offsetY = 0;  // <= 0: how much of the text lies before the clip origin
    if (x < originX) offsetX = x - originX, x = originX;
    if (y < originY) offsetY = y - originY, y = originY;

    if (x < right && y < bottom) {
        // A little of the destination to the left too, for glyphs that reach left of the pen.
        const int margin = static_cast<int>(std::min<int64_t>(Margin(_lineHeight), x));
        const int64_t x0 = x - margin;
        const int areaW = static_cast<int>(right - x0), areaH = static_cast<int>(bottom - y);
        if (gTextScratch->Width() < areaW || gTextScratch->Height() < areaH) {
            gTextScratch->Resize(areaW, areaH);
            dc->SelectFont(_handle);
        }
        if (gTextScratch->Width() >= areaW && gTextScratch->Height() >= areaH) {
            const RasterRect area{static_cast<int>(x0), static_cast<int>(y),
                                  static_cast<int>(right), static_cast<int>(bottom)};
            RasterBlit(gTextScratch, bitmap, 0, 0, &area, 1.0f, kBlitCopy);
            setColors(*dc);
            RasterRect at{ClampInt(margin + offsetX), ClampInt(offsetY), areaW, areaH};
            result = drawOn(*dc, at, unaligned | kTextNoPrefix);
            const RasterRect back{0, 0, areaW, areaH};
            RasterBlit(bitmap, gTextScratch, static_cast<int>(x0), static_cast<int>(y), &back,
                       _opacity, kBlitCopy);
        }
    }
    dc->SelectFont(previous);
    return result;
}

std::vector<CachedFont::GlyphRecord>::iterator CachedFont::ExtendedSlot(uint32_t code) {
    return std::lower_bound(
        _extendedGlyphs.begin(), _extendedGlyphs.end(), code,
        [](const GlyphRecord& r, uint32_t c) { return static_cast<uint32_t>(r.code) < c; });
}

CachedFont::GlyphRecord* CachedFont::FindRecord(uint32_t code) {
    if (code < 128) return &_asciiGlyphs[code];
    const auto it = ExtendedSlot(code);
    return (it != _extendedGlyphs.end() && static_cast<uint32_t>(it->code) == code) ? &*it
                                                                                    : nullptr;
}

const CachedFont::GlyphRecord* CachedFont::RenderedGlyph(uint32_t code) {
    GlyphRecord* record = FindRecord(code);
    if (!record) {
        if (_lineHeight >= kMaxCachedLineHeight || !_handle) return nullptr;
        const auto at = ExtendedSlot(code);
        try {
            GlyphRecord fresh;
            fresh.code = static_cast<int>(code);
            record = &*_extendedGlyphs.insert(at, fresh);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }
    if (record->position == 0) RenderGlyph(*record, code);
    return record->position > 0 ? record : nullptr;
}

bool CachedFont::GrowCoverage(int bytes) {
    const int64_t needed = static_cast<int64_t>(_coverageSize) + bytes;
    if (needed > INT32_MAX - kCoverageGrowBytes) return false;
    if (needed <= _coverageCapacity) return true;
    const int64_t capacity =
        (needed + kCoverageGrowBytes - 1) / kCoverageGrowBytes * kCoverageGrowBytes;
    auto* grown = static_cast<uint8_t*>(std::realloc(_coverage, static_cast<size_t>(capacity)));
    if (!grown) return false;
    _coverage = grown;
    _coverageCapacity = static_cast<int>(capacity);
    return true;
}

void CachedFont::RenderGlyph(GlyphRecord& record, uint32_t code) {
    record.code = static_cast<int>(code);
    record.position = -1;
    record.width = record.height = record.advance = record.leftOffset = 0;
    if (_lineHeight >= kMaxCachedLineHeight || !_handle) return;

    PrepareGlyphScratch(2 * std::max(_lineHeight, 1) + 8);
    SysBitmap* scratch = gGlyphScratch;
    TextSurface* dc = scratch ? scratch->DeviceContext() : nullptr;
    if (!dc || !scratch->Pixels()) return;
    const int margin = Margin(_lineHeight);
    TextFont* previous = dc->SelectFont(_handle);
    const char16_t unit[2] = {static_cast<char16_t>(code), 0};
    RasterRect measured{};
    dc->DrawText(unit, 1, measured, kTextCalcRect | kTextSingleLine | kTextNoPrefix);
    int w = measured.right - measured.left;
    int h = measured.bottom - measured.top;
    RasterFillRect(scratch, 0, 0, w + 2 * margin, h, 0, 1.0f, kBlitCopy);
    RasterRect at{margin, 0, margin + w, h};
    dc->DrawText(unit, 1, at, kTextNoPrefix | kTextNoClip | kTextSingleLine);
    w = std::min(w, scratch->Width() - 2 * margin);
    h = std::min(h, scratch->Height());
    dc->SelectFont(previous);
    if (w < 1 || h < 1) return;

    const int areaW = w + 2 * margin;
    if (!GrowCoverage(areaW * h)) return;
    uint8_t* mask = _coverage + _coverageSize;
    int first = margin;    // leftmost column with coverage, at most the margin
    int end = w + margin;  // one past the rightmost column with coverage, at least w + margin
    for (int r = 0; r < h; ++r) {
        const uint32_t* row = scratch->Row(r);
        uint8_t* out = mask + r * areaW;
        for (int c = 0; c < areaW; ++c) {
            out[c] = static_cast<uint8_t>(Channel(row[c], 2));
            if (out[c]) {
                first = std::min(first, c);
                end = std::max(end, c + 1);
            }
        }
    }
    const int keptW = end - first;
    if (first > 0 || end < areaW) {
        for (int r = 0; r < h; ++r) std::memmove(mask + r * keptW, mask + r * areaW + first, keptW);
    }
    record.position = _coverageSize + 1;
    _coverageSize += keptW * h;
    record.width = keptW;
    record.height = h;
    record.advance = w;
    record.leftOffset = margin - first;
}

template <class Place>
void CachedFont::LayOut(const char* text, int length, uint32_t flags, Place&& place) {
    int64_t x = 0, y = 0;
    CachedChars chars{Utf8Cursor(text, length)};
    uint32_t code = 0;
    while (chars.Next(code)) {
        if (code == kCarriageReturn) continue;
        if (code == kLineFeed) {
            if (!(flags & kTextSingleLine)) {
                y += _lineHeight;
                x = 0;
                continue;
            }
            code = ' ';
        }
        const GlyphRecord* g = RenderedGlyph(code);
        if (!g) continue;
        place(*g, x, y);
        x += g->advance;
    }
}

int CachedFont::MeasureCached(const char* text, int length, RasterRect& rect, uint32_t flags) {
    int64_t extentX = 0, extentY = 0;
    LayOut(text, length, flags, [&](const GlyphRecord& g, int64_t x, int64_t y) {
        extentX = std::max({extentX, x + g.advance, x + g.width - g.leftOffset});
        extentY = std::max(extentY, y + g.height);
    });
    rect.right = ClampInt(rect.left + extentX);
    rect.bottom = ClampInt(rect.top + extentY);
    return ClampInt(extentY);
}

int CachedFont::DrawCachedString(RasterBitmap* bitmap, const char* text, int length,
                                 RasterRect& rect, uint32_t flags) {
    double scaled = _opacity;
    if (flags & kTextUseForegroundAlpha) scaled *= (_foreground >> 24) / 255.0;
    const float opacity = static_cast<float>(scaled);
    if (opacity == 0.0f) return 0;

    int64_t x = rect.left, y = rect.top;
    if (flags & kTextAlignMask) {
        RasterRect m{};
        DrawString(nullptr, text, length, m,
                   (flags & (kTextNeedAlpha | kTextSingleLine)) | kTextCalcRect);
        const int64_t w = static_cast<int64_t>(m.right) - m.left,
                      h = static_cast<int64_t>(m.bottom) - m.top;
        if (flags & kTextCenter) {
            x = rect.left + (rect.right - w - rect.left) / 2;
        } else if (flags & kTextRight) {
            x = rect.right - w;
        }
        if (flags & kTextVCenter) {
            y = rect.top + (rect.bottom - h - rect.top) / 2;
        } else if (flags & kTextBottom) {
            y = rect.bottom - h;
        }
    }

    RasterRect clip{0, 0, bitmap->Width(), bitmap->Height()};
    if (!(flags & kTextNoClip)) {
        clip.left = std::max(clip.left, rect.left);
        clip.top = std::max(clip.top, rect.top);
        clip.right = std::min(clip.right, rect.right);
        clip.bottom = std::min(clip.bottom, rect.bottom);
    }
    if (clip.left >= clip.right || clip.top >= clip.bottom) return 0;

    const int64_t startX = x, startY = y;
    int64_t drawnBottom = startY;
    LayOut(text, length, flags, [&](const GlyphRecord& g, int64_t dx, int64_t dy) {
        if (CompositeGlyph(bitmap, g, startX + dx, startY + dy, clip, opacity))
            drawnBottom = std::max(drawnBottom, startY + dy + g.height);
    });
    return ClampInt(drawnBottom - startY);
}

bool CachedFont::DrawCachedGlyph(RasterBitmap* bitmap, uint32_t code, int x, int y,
                                 const RasterRect& clip) {
    const GlyphRecord* g = FindRecord(code);
    return g && CompositeGlyph(bitmap, *g, x, y, clip, _opacity);
}

bool CachedFont::CompositeGlyph(RasterBitmap* bitmap, const GlyphRecord& g, int64_t x, int64_t y,
                                const RasterRect& clipIn, float opacity) {
    if (g.position <= 0 || !bitmap || !bitmap->Pixels()) return false;
    if (static_cast<int64_t>(g.position) - 1 + static_cast<int64_t>(g.width) * g.height >
        _coverageSize)
        return false;
    const int64_t clipLeft = std::max(clipIn.left, 0), clipTop = std::max(clipIn.top, 0);
    const int64_t clipRight = std::min(clipIn.right, bitmap->Width()),
                  clipBottom = std::min(clipIn.bottom, bitmap->Height());

    const int64_t gx = x - g.leftOffset, gy = y;
    if (gx >= clipRight || gy >= clipBottom || gx + g.width <= clipLeft || gy + g.height <= clipTop)
        return false;
    const int64_t left = std::max(gx, clipLeft), top = std::max(gy, clipTop);
    const int64_t right = std::min(gx + g.width, clipRight),
                  bottom = std::min(gy + g.height, clipBottom);
    if (left >= right || top >= bottom) return false;

    if (_backgroundMode == kBackgroundOpaque) {
        RasterFillRect(bitmap, static_cast<int>(left), static_cast<int>(top),
                       static_cast<int>(right - left), static_cast<int>(bottom - top), _background,
                       opacity, _combineMode & ~kBlitUseSourceAlpha);
    }
    const int strength = OpacityWeight(opacity);  // D, 0..256
    if (strength == 0) return true;

    const uint8_t* mask = _coverage + (g.position - 1);
    const uint32_t f = _foreground;
    const int fb = Channel(f, 0), fg = Channel(f, 1), fr = Channel(f, 2);
    // Runs rule(d, w) -> new d over the covered pixels, w being the coverage at strength D; the
    // mode is chosen once, outside the loops.
    auto each = [&](auto rule) {
        for (int64_t r = top; r < bottom; ++r) {
            uint32_t* row = bitmap->Row(static_cast<int>(r));
            const uint8_t* maskRow = mask + (r - gy) * g.width;
            for (int64_t c = left; c < right; ++c) {
                const int k = maskRow[c - gx];
                if (k == 0) continue;
                const int w = strength == 256 ? k + 1 : strength * k / 256;
                row[c] = rule(row[c], w);
            }
        }
    };
    // The foreground colour with an opaque alpha, channel by channel.
    auto perChannel = [&](auto channel) {
        each([=](uint32_t d, int w) {
            return PackPixel(channel(Channel(d, 0), fb, w), channel(Channel(d, 1), fg, w),
                             channel(Channel(d, 2), fr, w), channel(Channel(d, 3), 255, w));
        });
    };
    const int mode = _combineMode & kBlitModeMask;
    if (!WithChannelRule(mode, perChannel) && mode == kBlitHsvAdjust)
        each([=](uint32_t d, int w) { return HsvAdjustPixel(d, fr, fg, fb, w, 255); });
    return true;
}

}  // namespace tesselor::raster
