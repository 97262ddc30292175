#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "raster/RasterBitmap.h"
#include "raster/TextBackend.h"

// How the text renderers (FreeType, GDI) break text into lines and place the lines in a rectangle,
// written once so that both lay text out alike; each renderer measures and draws the glyphs.

namespace tesselor::raster {

// Code units [begin, end) of a text, and their width in pixels.
struct TextLine {
    size_t begin = 0;
    size_t end = 0;
    int64_t width = 0;
};

// The part of the target text may touch, in pixels; right and bottom exclusive.
struct TextClip {
    int64_t left, top, right, bottom;
};

inline int ClampToInt(int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// Breaks `text` into lines in place: carriage returns vanish; a line feed ends a line, or is a
// space with kTextSingleLine. The text is shortened to what remains; widths are left 0.
template <typename Char>
std::vector<TextLine> BreakTextLines(std::basic_string<Char>& text, uint32_t flags) {
    const bool singleLine = (flags & kTextSingleLine) != 0;
    std::vector<TextLine> lines;
    size_t out = 0, begin = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const Char c = text[i];
        if (c == Char('\r')) continue;
        if (c == Char('\n') && !singleLine) {
            lines.push_back({begin, out, 0});
            begin = out;
            continue;
        }
        text[out++] = c == Char('\n') ? Char(' ') : c;
    }
    lines.push_back({begin, out, 0});
    text.resize(out);
    return lines;
}

// Places measured lines of `lineHeight` pixels in `rect`. With kTextCalcRect: sets rect.right and
// rect.bottom to the text's extent and returns its height. Otherwise each line goes at the left,
// centre (kTextCenter) or right (kTextRight) of the rectangle, a single line also centred
// vertically (kTextVCenter) or at the bottom (kTextBottom); draw(line, x, y, clip) is called for
// every line that reaches the clip (the target, and the rectangle unless kTextNoClip), top line
// first. Returns the text's height, from rect.top when a single line was placed vertically.
template <typename Draw>
int PlaceTextLines(const std::vector<TextLine>& lines, int64_t lineHeight, RasterRect& rect,
                   uint32_t flags, RasterBitmap& target, Draw&& draw) {
    const int64_t textHeight = lineHeight * static_cast<int64_t>(lines.size());
    int64_t textWidth = 0;
    for (const TextLine& line : lines) textWidth = std::max(textWidth, line.width);
    if (flags & kTextCalcRect) {
        rect.right = ClampToInt(rect.left + textWidth);
        rect.bottom = ClampToInt(rect.top + textHeight);
        return ClampToInt(textHeight);
    }

    const bool singleLine = (flags & kTextSingleLine) != 0;
    int64_t y = rect.top;
    const bool placedVertically = singleLine && (flags & (kTextVCenter | kTextBottom));
    if (singleLine && (flags & kTextVCenter)) {
        y = rect.top + (static_cast<int64_t>(rect.bottom) - rect.top - lineHeight) / 2;
    } else if (singleLine && (flags & kTextBottom)) {
        y = rect.bottom - lineHeight;
    }
    const int result = ClampToInt(placedVertically ? y + lineHeight - rect.top : textHeight);
    if (!target.Pixels()) return result;

    TextClip clip{0, 0, target.Width(), target.Height()};
    if (!(flags & kTextNoClip)) {
        clip.left = std::max<int64_t>(clip.left, rect.left);
        clip.top = std::max<int64_t>(clip.top, rect.top);
        clip.right = std::min<int64_t>(clip.right, rect.right);
        clip.bottom = std::min<int64_t>(clip.bottom, rect.bottom);
    }
    if (clip.left >= clip.right || clip.top >= clip.bottom) return result;

    for (const TextLine& line : lines) {
        int64_t x = rect.left;
        if (flags & kTextCenter) {
            x = rect.left + (static_cast<int64_t>(rect.right) - rect.left - line.width) / 2;
        } else if (flags & kTextRight) {
            x = rect.right - line.width;
        }
        if (y < clip.bottom && y + lineHeight > clip.top) draw(line, x, y, clip);
        y += lineHeight;
    }
    return result;
}

}  // namespace tesselor::raster
