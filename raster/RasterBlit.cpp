#include "raster/RasterBlit.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "raster/PixelRules.h"

namespace tesselor::raster {

namespace {

constexpr int kFullWeight = 256;
constexpr uint32_t kHalfMask = 0x7F7F7F7Fu;     // after >> 1: each byte halved, low bits dropped
constexpr uint32_t kQuarterMask = 0x3F3F3F3Fu;  // after >> 2

constexpr uint32_t Half(uint32_t p) { return (p >> 1) & kHalfMask; }
constexpr uint32_t Quarter(uint32_t p) { return (p >> 2) & kQuarterMask; }

// The clipped area of one blit: `rows` rows of `cols` pixels.
struct BlitArea {
    uint32_t* dst;
    ptrdiff_t dstStep;  // words from one row to the next, negative for flipped bitmaps
    const uint32_t* src;
    ptrdiff_t srcStep;
    int rows;
    int cols;
};

// Runs `op(d, s) -> new d` over every pixel; the mode is chosen once per call, outside the loops.
template <class Op>
void ForEachPixel(const BlitArea& a, Op op) {
    uint32_t* d = a.dst;
    const uint32_t* s = a.src;
    for (int r = 0; r < a.rows; ++r, d += a.dstStep, s += a.srcStep) {
        for (int i = 0; i < a.cols; ++i) d[i] = op(d[i], s[i]);
    }
}

template <class F>
inline uint32_t EachChannel(uint32_t d, uint32_t s, F f) {
    return PackPixel(f(Channel(d, 0), Channel(s, 0)), f(Channel(d, 1), Channel(s, 1)),
                     f(Channel(d, 2), Channel(s, 2)), f(Channel(d, 3), Channel(s, 3)));
}

// Source weight for the alpha-weighted rules: ia * (a + 1) / 256, 0..256.
inline int AlphaWeight(int ia, uint32_t s) { return ia * (Channel(s, 3) + 1) / 256; }

// The alpha-weighted form of a per-channel rule: the source's alpha scales the weight. With
// kSkipClear, fully transparent source pixels leave the destination as it is; the rules that need
// it would otherwise still act there at weight 1 under full opacity.
template <bool kSkipClear, class Rule>
void AlphaWeighted(const BlitArea& area, int ia, Rule rule) {
    ForEachPixel(area, [ia, rule](uint32_t d, uint32_t s) {
        if (kSkipClear && Channel(s, 3) == 0) return d;
        const int w = AlphaWeight(ia, s);
        return EachChannel(d, s, [w, rule](int dc, int sc) { return rule(dc, sc, w); });
    });
}

void BlitWeighted(const BlitArea& area, int sel, int ia) {
    const int low = sel & kBlitModeMask;
    if (!(sel & kBlitUseSourceAlpha)) {
        if (low == kBlitHsvAdjust) {
            ForEachPixel(area, [ia](uint32_t d, uint32_t s) {
                return HsvAdjustPixel(d, Channel(s, 2), Channel(s, 1), Channel(s, 0), ia,
                                      Channel(s, 3));
            });
            return;
        }
        WithChannelRule(low, [&](auto rule) {
            ForEachPixel(area, [ia, rule](uint32_t d, uint32_t s) {
                return EachChannel(d, s, [ia, rule](int dc, int sc) { return rule(dc, sc, ia); });
            });
        });
        return;
    }
    switch (low) {
        case kBlitCopy:
            if (ia == kFullWeight) {
                // The editor's image path: most pixels are fully transparent or fully opaque.
                ForEachPixel(area, [](uint32_t d, uint32_t s) {
                    const int a = Channel(s, 3);
                    if (a == 0) return d;
                    if (a == 255) return s;
                    return PackPixel(Lerp256(Channel(d, 0), Channel(s, 0), a + 1),
                                     Lerp256(Channel(d, 1), Channel(s, 1), a + 1),
                                     Lerp256(Channel(d, 2), Channel(s, 2), a + 1),
                                     std::min(255, Channel(d, 3) + a));
                });
            } else {
                ForEachPixel(area, [ia](uint32_t d, uint32_t s) {
                    if (Channel(s, 3) == 0) return d;
                    const int w = AlphaWeight(ia, s);
                    return PackPixel(Lerp256(Channel(d, 0), Channel(s, 0), w),
                                     Lerp256(Channel(d, 1), Channel(s, 1), w),
                                     Lerp256(Channel(d, 2), Channel(s, 2), w),
                                     std::min(255, Channel(d, 3) + w));
                });
            }
            break;
        case kBlitHsvAdjust:
            ForEachPixel(area, [ia](uint32_t d, uint32_t s) {
                return HsvAdjustPixel(d, Channel(s, 2), Channel(s, 1), Channel(s, 0),
                                      AlphaWeight(ia, s), Channel(s, 3));
            });
            break;
        default:
            WithChannelRule(low, [&](auto rule) {
                if (low == kBlitAdd || low == kBlitMultiply)
                    AlphaWeighted<true>(area, ia, rule);
                else
                    AlphaWeighted<false>(area, ia, rule);
            });
            break;
    }
}

}  // namespace

int OpacityWeight(double opacity) {
    if (!(opacity > 0.0)) return 0;
    if (opacity >= 1.0) return kFullWeight;
    return static_cast<int>(opacity * 256.0);
}

void RasterBlit(RasterBitmap* dest, RasterBitmap* src, int x, int y, const RasterRect* sourceRect,
                float opacity, int mode) {
    if (!dest || !src || opacity == 0.0f) return;

    // Clipping in 64 bits: positions and rectangles come from callers and may be extreme.
    int64_t px = x, py = y;
    int64_t right = src->Width(), bottom = src->Height();
    int64_t sx = 0, sy = 0;
    if (sourceRect) {
        right = std::min<int64_t>(sourceRect->right, right);
        bottom = std::min<int64_t>(sourceRect->bottom, bottom);
        if (sourceRect->left < 0) {
            px -= sourceRect->left;
        } else {
            sx = sourceRect->left;
        }
        if (sourceRect->top < 0) {
            py -= sourceRect->top;
        } else {
            sy = sourceRect->top;
        }
    }
    if (px < 0) sx -= px;
    if (py < 0) sy -= py;
    if (!(sx < right && sy < bottom)) return;
    const int64_t dx = std::max<int64_t>(px, 0), dy = std::max<int64_t>(py, 0);
    const int64_t destW = dest->Width(), destH = dest->Height();
    if (!(dx < destW && dy < destH)) return;
    right = std::min(sx + destW - dx, right);
    bottom = std::min(sy + destH - dy, bottom);
    if (!(sx < right && sy < bottom)) return;
    if (!dest->Pixels() || !src->Pixels()) return;

    BlitArea area{};
    area.dst = dest->Row(static_cast<int>(dy)) + dx;
    area.dstStep = dest->RowStep();
    area.src = src->Row(static_cast<int>(sy)) + sx;
    area.srcStep = src->RowStep();
    area.rows = static_cast<int>(bottom - sy);
    area.cols = static_cast<int>(right - sx);

    const int low = mode & kBlitModeMask;
    if (low >= 0xF0) {
        const int fromShift = (low & 3) * 8;
        const int toShift = ((low >> 2) & 3) * 8;
        const uint32_t keep = ~(0xFFu << toShift);
        ForEachPixel(area, [=](uint32_t d, uint32_t s) {
            return (d & keep) | ((s >> fromShift) & 0xFFu) << toShift;
        });
        return;
    }
    const int sel = mode & (kBlitUseSourceAlpha | kBlitModeMask);
    const int ia = OpacityWeight(opacity);
    if (sel == kBlitCopy && ia == kFullWeight) {
        uint32_t* d = area.dst;
        const uint32_t* s = area.src;
        const size_t bytes = static_cast<size_t>(area.cols) * sizeof(uint32_t);
        for (int r = 0; r < area.rows; ++r, d += area.dstStep, s += area.srcStep)
            std::memmove(d, s, bytes);
        return;
    }
    if (sel == kBlitCopy && opacity == 0.5f) {
        ForEachPixel(area, [](uint32_t d, uint32_t s) { return Half(d) + Half(s); });
        return;
    }
    if (ia == 0) return;
    BlitWeighted(area, sel, ia);
}

void RasterFillRect(RasterBitmap* dest, int x, int y, int width, int height, uint32_t color,
                    float opacity, int mode) {
    if (!dest) return;
    if (mode & kBlitUseSourceAlpha) opacity = opacity * (static_cast<float>(color >> 24) / 255.0f);
    if (opacity == 0.0f || !dest->Pixels() || dest->RowSpan() == 0) return;

    int64_t w = width, h = height, px = x, py = y;
    if (px < 0) w += px;
    if (w < 1) return;
    if (py < 0) h += py;
    if (h < 1) return;
    px = std::max<int64_t>(px, 0);
    py = std::max<int64_t>(py, 0);
    if (!(px < dest->Width() && py < dest->Height())) return;
    const int rows = static_cast<int>(std::min<int64_t>(dest->Height() - py, h));
    const int cols = static_cast<int>(std::min<int64_t>(dest->Width() - px, w));

    uint32_t* const first = dest->Row(static_cast<int>(py)) + px;
    const ptrdiff_t step = dest->RowStep();
    auto each = [&](auto op) {
        uint32_t* d = first;
        for (int r = 0; r < rows; ++r, d += step) {
            for (int i = 0; i < cols; ++i) d[i] = op(d[i]);
        }
    };

    const int ia = OpacityWeight(opacity);
    const int low = mode & kBlitModeMask;
    const uint32_t c = color;
    if (low == kBlitCopy) {
        switch (ia) {
            case 256:
                each([c](uint32_t) { return c; });
                return;
            case 128:
                each([c](uint32_t d) { return Half(c) + Half(d); });
                return;
            case 64:
                each([c](uint32_t d) { return Half(d) + Quarter(c) + Quarter(d); });
                return;
            case 192:
                each([c](uint32_t d) { return Quarter(c) + Quarter(d) + Half(c); });
                return;
            default:
                break;
        }
    }
    if (ia == 0) return;

    // The colour's blue, green and red, with ia standing in as its alpha.
    const int cb = Channel(c, 0), cg = Channel(c, 1), cr = Channel(c, 2);
    auto perChannel = [&](auto rule) {
        each([=](uint32_t d) {
            return PackPixel(rule(Channel(d, 0), cb, ia), rule(Channel(d, 1), cg, ia),
                             rule(Channel(d, 2), cr, ia), rule(Channel(d, 3), ia, ia));
        });
    };
    if (!WithChannelRule(low, perChannel) && low == kBlitHsvAdjust) {
        // The alpha byte is ia, limited to 255 so that full strength stays opaque.
        each([=](uint32_t d) { return HsvAdjustPixel(d, cr, cg, cb, ia, std::min(ia, 255)); });
    }
}

}  // namespace tesselor::raster
