// The Windows text renderer: GDI fonts drawn with DrawTextW into the DIB section of a SysBitmap
// through its memory device context. Lines are broken, measured and placed here by the same rules
// as the Linux renderer (FreeTypeTextBackend.cpp), so that the interface means the same on both
// platforms whatever GDI would make of a NUL, a carriage return, an '&' or a rectangle far
// outside the bitmap; GDI renders the glyphs of each visible line.

#include <windows.h>
// windows.h maps DrawText to DrawTextA or DrawTextW, which would rename TextSurface's operation.
#undef DrawText

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "raster/GdiDeviceContext.h"
#include "raster/PixelRules.h"
#include "raster/SysBitmap.h"
#include "raster/TextBackend.h"
#include "raster/TextLines.h"
#include "raster/Utf8.h"

namespace tesselor::raster {

namespace {

constexpr int kMaxQuality = 5;  // CLEARTYPE_QUALITY; other values outside 0..5 mean the default
// How GDI draws one visible line: at the top left of its cell, unclipped by the cell (the device
// context's clip region limits it), '&' an ordinary character.
constexpr UINT kLineFlags = DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP;

// round(v / 255) for v >= 0.
constexpr int DivRound255(int v) { return (v + 127) / 255; }

COLORREF ToColorRef(uint32_t pixel) {
    return RGB(Channel(pixel, 2), Channel(pixel, 1), Channel(pixel, 0));
}

void AppendUtf16(std::u16string& out, uint32_t code) {
    if (code < 0x10000) {
        out.push_back(static_cast<char16_t>(code));
        return;
    }
    code -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
}

bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

const wchar_t* Wide(const char16_t* units) { return reinterpret_cast<const wchar_t*>(units); }

class GdiFont final : public TextFont {
public:
    GdiFont(HFONT font, int lineHeight) : _font(font), _lineHeight(lineHeight) {}
    ~GdiFont() override { DeleteObject(_font); }

    int LineHeight() const override { return _lineHeight; }
    HFONT Handle() const { return _font; }

private:
    HFONT _font;
    int _lineHeight;  // pixels: the cell height, tmHeight
};

// Selects a GDI object into a device context for one scope; a font must not stay selected, since
// GDI refuses to delete a selected object.
class ScopedSelection {
public:
    ScopedSelection(HDC dc, HGDIOBJ object) : _dc(dc), _previous(SelectObject(dc, object)) {}
    ~ScopedSelection() {
        if (_previous && _previous != HGDI_ERROR) SelectObject(_dc, _previous);
    }
    ScopedSelection(const ScopedSelection&) = delete;
    ScopedSelection& operator=(const ScopedSelection&) = delete;

private:
    HDC _dc;
    HGDIOBJ _previous;
};

// Pixels of the target that may be drawn; right and bottom exclusive.
class GdiSurface final : public TextSurface {
public:
    GdiSurface(RasterBitmap& target, HDC dc) : _target(target), _dc(dc) {}
    ~GdiSurface() override { DeleteDC(_dc); }

    HDC Dc() const { return _dc; }

    TextFont* SelectFont(TextFont* font) override {
        TextFont* previous = _selected;
        _selected = font;
        _font = dynamic_cast<GdiFont*>(font);
        return previous;
    }
    uint32_t SetTextColor(uint32_t color) override { return std::exchange(_textColor, color); }
    int SetBackgroundMode(int mode) override { return std::exchange(_backgroundMode, mode); }
    uint32_t SetBackgroundColor(uint32_t color) override {
        return std::exchange(_backgroundColor, color);
    }

    // UTF-8 is read by the raster layer's own lenient rule rather than handed to DrawTextA, which
    // would read it in the system's ANSI code page.
    int DrawText(const char* utf8, int length, RasterRect& rect, uint32_t flags) override {
        std::u16string text;
        Utf8Cursor cursor(utf8, length);
        uint32_t code = 0;
        int bytes = 0;
        while (cursor.Next(code, bytes)) AppendUtf16(text, code);
        return Layout(text, rect, flags);
    }

    int DrawText(const char16_t* utf16, int length, RasterRect& rect, uint32_t flags) override {
        std::u16string text;
        for (int i = 0; utf16 && (length < 0 || i < length) && utf16[i] != 0; ++i)
            text.push_back(utf16[i]);
        return Layout(text, rect, flags);
    }

private:
    int Layout(std::u16string& text, RasterRect& rect, uint32_t flags) {
        if (!_font || text.empty()) {
            if (flags & kTextCalcRect) {
                rect.right = rect.left;
                rect.bottom = rect.top;
            }
            return 0;
        }
        std::vector<TextLine> lines = BreakTextLines(text, flags);

        ScopedSelection selected(_dc, _font->Handle());
        // _extents[i]: pixels from the start of i's line to the pen after unit i, as GDI places
        // glyphs (advances summed, no kerning).
        _extents.assign(text.size(), 0);
        for (TextLine& line : lines) {
            const int count = static_cast<int>(line.end - line.begin);
            SIZE size{};
            if (count > 0 && GetTextExtentExPointW(_dc, Wide(text.data() + line.begin), count, 0,
                                                   nullptr, _extents.data() + line.begin, &size)) {
                line.width = std::max<LONG>(size.cx, 0);
            }
        }
        return PlaceTextLines(
            lines, _font->LineHeight(), rect, flags, _target,
            [&](const TextLine& line, int64_t x, int64_t y, const TextClip& clip) {
                if (_backgroundMode == kBackgroundOpaque) FillCell(clip, x, y, line.width);
                DrawVisiblePart(text, line, x, y, clip);
            });
    }

    // Hands GDI only the units whose glyphs can reach the clip (none reaches a whole line height
    // beyond its advance), so that every coordinate it sees stays small however long the line or
    // far off its rectangle.
    void DrawVisiblePart(const std::u16string& text, const TextLine& line, int64_t x, int64_t y,
                         const TextClip& clip) {
        const int64_t reach = _font->LineHeight();
        auto penBefore = [&](size_t i) { return x + (i > line.begin ? _extents[i - 1] : 0); };
        size_t first = line.begin;
        while (first < line.end && x + _extents[first] <= clip.left - reach) ++first;
        size_t end = first;
        while (end < line.end && penBefore(end) < clip.right + reach) ++end;
        if (first > line.begin && IsLowSurrogate(text[first])) --first;  // keep pairs whole
        if (end < line.end && IsLowSurrogate(text[end])) ++end;
        if (first >= end) return;
        const int64_t pen = penBefore(first);
        DrawRun(text.data() + first, static_cast<int>(end - first), pen, y, penBefore(end) - pen,
                clip);
    }

    // GDI leaves the alpha byte of every pixel it draws at 0, while text must move alpha toward
    // 255 by its coverage. So GDI draws only inside a region around the run (its cell, plus room
    // for glyphs that overhang it, within the clip) whose alpha bytes are kept first; afterwards
    // each pixel of the region gets alpha a + (255 - a) * k / 255 from its kept alpha a and its
    // coverage k. Where a is 255 that is 255 whatever k is; only when the region holds a
    // translucent pixel is k needed, and then the run is drawn again, white on black, into a
    // scratch bitmap whose brightest channel is the coverage.
    void DrawRun(const char16_t* units, int count, int64_t x, int64_t y, int64_t width,
                 const TextClip& clip) {
        const int64_t lineHeight = _font->LineHeight();
        const int64_t left = std::max(clip.left, x - lineHeight);
        const int64_t right = std::min(clip.right, x + width + lineHeight);
        const int64_t top = std::max(clip.top, y - lineHeight / 2);
        const int64_t bottom = std::min(clip.bottom, y + lineHeight + lineHeight / 2);
        if (left >= right || top >= bottom) return;
        const int w = static_cast<int>(right - left), h = static_cast<int>(bottom - top);

        _alpha.resize(static_cast<size_t>(w) * h);
        bool translucent = false;
        for (int r = 0; r < h; ++r) {
            const uint32_t* row = _target.Row(static_cast<int>(top) + r) + left;
            uint8_t* kept = _alpha.data() + static_cast<size_t>(r) * w;
            for (int c = 0; c < w; ++c) {
                kept[c] = static_cast<uint8_t>(row[c] >> 24);
                translucent |= kept[c] != 255;
            }
        }

        RECT cell{ClampToInt(x), ClampToInt(y), ClampToInt(x + width), ClampToInt(y + lineHeight)};
        const int saved = SaveDC(_dc);
        IntersectClipRect(_dc, static_cast<int>(left), static_cast<int>(top),
                          static_cast<int>(right), static_cast<int>(bottom));
        ::SetTextColor(_dc, ToColorRef(_textColor));
        SetBkMode(_dc, TRANSPARENT);
        DrawTextW(_dc, Wide(units), count, &cell, kLineFlags);
        RestoreDC(_dc, saved);
        GdiFlush();  // GDI may batch; the pixels are read and written directly below

        const bool haveCoverage =
            translucent && RenderCoverage(units, count, x - left, y - top, width, w, h);
        for (int r = 0; r < h; ++r) {
            uint32_t* row = _target.Row(static_cast<int>(top) + r) + left;
            const uint8_t* kept = _alpha.data() + static_cast<size_t>(r) * w;
            const uint32_t* coverage = haveCoverage ? _coverage->Row(r) : nullptr;
            for (int c = 0; c < w; ++c) {
                // Without coverage every kept alpha is 255 (or the scratch could not be made,
                // and the kept alpha is the best left).
                const int a = kept[c];
                const int k = coverage ? std::max({Channel(coverage[c], 0), Channel(coverage[c], 1),
                                                   Channel(coverage[c], 2)})
                                       : 0;
                row[c] = (row[c] & 0xFFFFFFu) |
                         static_cast<uint32_t>(a + DivRound255((255 - a) * k)) << 24;
            }
        }
    }

    // Draws the run white on black at (x, y) into the top-left w x h of the coverage scratch.
    bool RenderCoverage(const char16_t* units, int count, int64_t x, int64_t y, int64_t width,
                        int w, int h) {
        if (!_coverage) _coverage = std::make_unique<SysBitmap>(0, 0);
        if (_coverage->Width() < w || _coverage->Height() < h) {
            _coverage->Resize(std::max(w, _coverage->Width()), std::max(h, _coverage->Height()));
        }
        HDC dc = static_cast<HDC>(GdiDeviceContext(_coverage->DeviceContext()));
        if (!dc || !_coverage->Pixels() || _coverage->Width() < w || _coverage->Height() < h)
            return false;
        for (int r = 0; r < h; ++r) std::fill_n(_coverage->Row(r), w, 0u);
        ScopedSelection selected(dc, _font->Handle());
        ::SetTextColor(dc, RGB(255, 255, 255));
        SetBkMode(dc, TRANSPARENT);
        RECT cell{static_cast<int>(x), static_cast<int>(y), static_cast<int>(x + width),
                  static_cast<int>(y + _font->LineHeight())};
        DrawTextW(dc, Wide(units), count, &cell, kLineFlags);
        GdiFlush();
        return true;
    }

    void FillCell(const TextClip& clip, int64_t x, int64_t y, int64_t width) {
        const int64_t left = std::max(clip.left, x), right = std::min(clip.right, x + width);
        const int64_t top = std::max(clip.top, y);
        const int64_t bottom = std::min(clip.bottom, y + _font->LineHeight());
        const uint32_t fill = (_backgroundColor & 0xFFFFFFu) | 0xFF000000u;
        for (int64_t r = top; r < bottom; ++r) {
            uint32_t* row = _target.Row(static_cast<int>(r));
            std::fill(row + left, row + right, fill);
        }
    }

    RasterBitmap& _target;
    HDC _dc;  // owned; the target's section is selected into it
    TextFont* _selected = nullptr;
    GdiFont* _font = nullptr;  // _selected when it is one of ours
    uint32_t _textColor = 0;   // pixel word; alpha ignored
    int _backgroundMode = kBackgroundOpaque;
    uint32_t _backgroundColor = 0xFFFFFF;
    std::vector<int> _extents;             // see Layout
    std::vector<uint8_t> _alpha;           // see DrawRun
    std::unique_ptr<SysBitmap> _coverage;  // see RenderCoverage; made on first need
};

}  // namespace

std::unique_ptr<TextFont> CreateTextFont(const TextFontSpec& fontSpec) {
    // The face is UTF-8; LOGFONT holds at most LF_FACESIZE - 1 UTF-16 units of it.
    std::u16string face;
    Utf8Cursor cursor(fontSpec.face, -1);
    uint32_t code = 0;
    int bytes = 0;
    while (cursor.Next(code, bytes) && face.size() < LF_FACESIZE - 2) AppendUtf16(face, code);
    const int quality =
        fontSpec.quality >= 0 && fontSpec.quality <= kMaxQuality ? fontSpec.quality : 0;
    HFONT font =
        CreateFontW(std::clamp(fontSpec.height, -kMaxTextHeight, kMaxTextHeight), 0, 0, 0,
                    std::clamp(fontSpec.weight, 0, 1000), fontSpec.italic, FALSE, FALSE,
                    ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    static_cast<DWORD>(quality), DEFAULT_PITCH | FF_DONTCARE, Wide(face.c_str()));
    if (!font) return nullptr;

    TEXTMETRICW metrics{};
    bool measured = false;
    if (HDC dc = CreateCompatibleDC(nullptr)) {
        {
            ScopedSelection selected(dc, font);
            measured = GetTextMetricsW(dc, &metrics) && metrics.tmHeight > 0;
        }
        DeleteDC(dc);
    }
    if (!measured) {
        DeleteObject(font);
        return nullptr;
    }
    return std::make_unique<GdiFont>(font, static_cast<int>(metrics.tmHeight));
}

std::unique_ptr<TextSurface> CreateTextSurface(RasterBitmap& target) {
    // GDI draws only into a DIB section selected into its device context, which SysBitmap makes.
    if (!dynamic_cast<SysBitmap*>(&target)) return nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return nullptr;
    return std::make_unique<GdiSurface>(target, dc);
}

void* GdiDeviceContext(TextSurface* surface) {
    auto* gdi = dynamic_cast<GdiSurface*>(surface);
    return gdi ? gdi->Dc() : nullptr;
}

int ProbeWine() {
    static const int wine = [] {
        HKEY key = nullptr;
        if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Wine", &key) != ERROR_SUCCESS) return 0;
        RegCloseKey(key);
        return 1;
    }();
    return wine;
}

}  // namespace tesselor::raster
