#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "TestBitmaps.h"
#include "raster/MemBitmap.h"
#include "raster/RasterBlit.h"

namespace tesselor::raster {
namespace {

using test::VectorBitmap;

// ---- A literal, per-channel evaluation of the compositing rules, kept apart from the library ----

int Ch(uint32_t p, int c) { return static_cast<int>((p >> (8 * c)) & 0xFF); }
uint32_t Word(const std::array<int, 4>& c) {
    return static_cast<uint32_t>(c[0] & 0xFF) | static_cast<uint32_t>(c[1] & 0xFF) << 8 |
           static_cast<uint32_t>(c[2] & 0xFF) << 16 | static_cast<uint32_t>(c[3] & 0xFF) << 24;
}
int Clamp(int v) { return std::clamp(v, 0, 255); }
int Dodge(int d, int s, int w) {
    const int t = s * w / 256, q = 256 - t;
    const int r = q > 1 ? d * 256 / q : d * 256;
    return r < 0 ? 0 : (r >= 256 ? 255 : r);
}
int Overlay(int d, int s, int w) {
    const int m = s * w + (256 - w) * 128;
    return Clamp((((32768 - m) * d / 256 + m) * d) >> 15);
}
int Multiply(int d, int s, int w) { return ((w * (s - 256) + 65536) * d) >> 16; }

uint32_t Hsv(uint32_t dest, int sr, int sg, int sb, int w, int alpha) {
    auto T = [](int x) { return x == 0 ? 0 : 65536 / x - 1; };
    const int R = Ch(dest, 2), G = Ch(dest, 1), B = Ch(dest, 0);
    int max, delta, n, base;
    if (G > R && G > B) {
        max = G, delta = G - std::min(R, B), n = B - R, base = 128;
    } else if (G > R) {
        max = B, delta = B - R, n = R - G, base = 256;
    } else if (R > B) {
        max = R, delta = R - std::min(G, B), n = G - B, base = G < B ? 383 : 0;
    } else {
        max = B, delta = B - std::min(R, G), n = R - G, base = 256;
    }
    int S = delta * T(max) / 256, H = base + n * (T(delta) + 1) / 1024, V = max;
    H = H + w * (sr + sr / 2 - 192) / 256;
    if (H < 0)
        H += 384;
    else if (H >= 384)
        H -= 384;
    S = Clamp(S + (sg - 128) * w / 128);
    V = Clamp(V + (sb - 128) * w / 128);
    const int low = V * (256 - S) / 256;
    auto ramp = [&](int k) { return (((16384 + k * S) * V) / 16384) & 0xFF; };
    int r, g, b;
    if (H < 64)
        r = V, g = ramp(H - 64), b = low;
    else if (H < 128)
        r = ramp(64 - H), g = V, b = low;
    else if (H < 192)
        r = low, g = V, b = ramp(H - 192);
    else if (H < 256)
        r = low, g = ramp(192 - H), b = V;
    else if (H < 320)
        r = ramp(H - 320), g = low, b = V;
    else
        r = V, g = low, b = ramp(320 - H);
    return Word({b, g, r, alpha});
}

template <class F>
uint32_t PerChannel(uint32_t d, uint32_t s, F f) {
    return Word({f(Ch(d, 0), Ch(s, 0)), f(Ch(d, 1), Ch(s, 1)), f(Ch(d, 2), Ch(s, 2)),
                 f(Ch(d, 3), Ch(s, 3))});
}

uint32_t ReferenceBlit(uint32_t d, uint32_t s, float opacity, int mode) {
    if ((mode & 0xFF) >= 0xF0) {
        const int from = mode & 3, to = (mode >> 2) & 3;
        std::array<int, 4> c{Ch(d, 0), Ch(d, 1), Ch(d, 2), Ch(d, 3)};
        c[to] = Ch(s, from);
        return Word(c);
    }
    const int sel = mode & 0x100FF;
    if (sel == 0 && opacity == 1.0f) return s;
    if (sel == 0 && opacity == 0.5f) return ((d >> 1) & 0x7F7F7F7F) + ((s >> 1) & 0x7F7F7F7F);
    const int ia = static_cast<int>(opacity * 256.0);
    if (ia == 0) return d;
    const int a = Ch(s, 3);
    const int w = ia * (a + 1) / 256;
    switch (sel) {
        case 0:
            return ia == 256 ? s : PerChannel(d, s, [&](int dc, int sc) {
                return sc + (dc - sc) * (256 - ia) / 256;
            });
        case 1:
            return PerChannel(d, s, [&](int dc, int sc) { return Clamp(dc + sc * ia / 256); });
        case 2:
            return PerChannel(d, s, [&](int dc, int sc) { return Dodge(dc, sc, ia); });
        case 3:
            return PerChannel(d, s, [&](int dc, int sc) { return Multiply(dc, sc, ia); });
        case 4:
            return PerChannel(d, s, [&](int dc, int sc) { return Overlay(dc, sc, ia); });
        case 5:
            return Hsv(d, Ch(s, 2), Ch(s, 1), Ch(s, 0), ia, a);
        case 0x10000: {
            if (a == 0) return d;
            if (ia == 256 && a == 255) return s;
            const int k = ia == 256 ? 255 - a : 256 - w;
            std::array<int, 4> c{};
            for (int i = 0; i < 3; ++i) c[i] = Ch(s, i) + (Ch(d, i) - Ch(s, i)) * k / 256;
            c[3] = std::min(255, Ch(d, 3) + (ia == 256 ? a : w));
            return Word(c);
        }
        case 0x10001:
            return a == 0
                       ? d
                       : PerChannel(d, s, [&](int dc, int sc) { return Clamp(dc + sc * w / 256); });
        case 0x10002:
            return PerChannel(d, s, [&](int dc, int sc) { return Dodge(dc, sc, w); });
        case 0x10003:
            return a == 0 ? d : PerChannel(d, s, [&](int dc, int sc) {
                return ((sc * w + (256 - w) * 256) * dc) >> 16;
            });
        case 0x10004:
            return PerChannel(d, s, [&](int dc, int sc) { return Overlay(dc, sc, w); });
        case 0x10005:
            return Hsv(d, Ch(s, 2), Ch(s, 1), Ch(s, 0), w, a);
        default:
            return d;
    }
}

uint32_t ReferenceFill(uint32_t d, uint32_t c, float opacity, int mode) {
    if (mode & 0x10000) opacity = opacity * (static_cast<float>(c >> 24) / 255.0f);
    const int ia = static_cast<int>(opacity * 256.0);
    const int low = mode & 0xFF;
    auto half = [](uint32_t p) { return (p >> 1) & 0x7F7F7F7Fu; };
    auto quarter = [](uint32_t p) { return (p >> 2) & 0x3F3F3F3Fu; };
    if (low == 0 && ia == 256) return c;
    if (low == 0 && ia == 128) return half(c) + half(d);
    if (low == 0 && ia == 64) return half(d) + quarter(c) + quarter(d);
    if (low == 0 && ia == 192) return quarter(c) + quarter(d) + half(c);
    if (ia == 0) return d;
    const uint32_t s = (c & 0xFFFFFFu) | static_cast<uint32_t>(ia & 0xFF) << 24;
    auto withAlpha = [&](auto f) {  // the alpha operand is ia itself, which may be 256
        std::array<int, 4> out{};
        for (int i = 0; i < 3; ++i) out[i] = f(Ch(d, i), Ch(c, i));
        out[3] = f(Ch(d, 3), ia);
        return Word(out);
    };
    switch (low) {
        case 0:
            return withAlpha([&](int dc, int sc) { return sc + (dc - sc) * (256 - ia) / 256; });
        case 1:
            return withAlpha([&](int dc, int sc) { return Clamp(dc + sc * ia / 256); });
        case 2:
            return withAlpha([&](int dc, int sc) { return Dodge(dc, sc, ia); });
        case 3:
            return withAlpha(
                [&](int dc, int sc) { return (dc * (ia * sc + (256 - ia) * 256)) >> 16; });
        case 4:
            return withAlpha([&](int dc, int sc) { return Overlay(dc, sc, ia); });
        case 5:
            return Hsv(d, Ch(s, 2), Ch(s, 1), Ch(s, 0), ia, std::min(ia, 255));
        default:
            return d;
    }
}

// ---- The published cases ----

TEST(RasterBlit, SourceAlphaCopyAtFullOpacity) {
    VectorBitmap dest(3, 1, 3, false, 0xFF204060);
    VectorBitmap src(3, 1, 3, false);
    src.At(0, 0) = 0x00FFFFFF;  // alpha 0: untouched
    src.At(1, 0) = 0xFF102030;  // alpha 255: overwritten, alpha included
    src.At(2, 0) = 0x80C08040;  // alpha 128 over opaque: alpha 255, colour s + (d - s) * 127 / 256
    RasterBlit(&dest, &src, 0, 0, nullptr, 1.0f, kBlitUseSourceAlpha);
    EXPECT_EQ(dest.At(0, 0), 0xFF204060u);
    EXPECT_EQ(dest.At(1, 0), 0xFF102030u);
    const int r = 0xC0 + (0x20 - 0xC0) * 127 / 256, g = 0x80 + (0x40 - 0x80) * 127 / 256,
              b = 0x40 + (0x60 - 0x40) * 127 / 256;
    EXPECT_EQ(dest.At(2, 0), Word({b, g, r, 255}));
}

TEST(RasterBlit, HalfOpacityCopyHalvesWords) {
    VectorBitmap dest(2, 1, 2, false);
    dest.At(1, 0) = 0xFF000000;
    VectorBitmap src(2, 1, 2, false, 0xFFFFFFFF);
    RasterBlit(&dest, &src, 0, 0, nullptr, 0.5f, kBlitCopy);
    EXPECT_EQ(dest.At(0, 0), 0x7F7F7F7Fu);
    EXPECT_EQ(dest.At(1, 0), 0xFE7F7F7Fu);
}

TEST(RasterBlit, FullWeightCopyOntoItselfShiftsLikeAMove) {
    // Scrolling a bitmap within itself: at any opacity of full weight, every pixel must come
    // from the source as it was, not from pixels the blit has already written.
    for (const float opacity : {1.0f, 1.5f}) {
        VectorBitmap b(4, 1, 4, false);
        for (int x = 0; x < 4; ++x) b.At(x, 0) = 0xFF000000u + x;
        RasterBlit(&b, &b, 1, 0, nullptr, opacity, kBlitCopy);
        EXPECT_EQ(b.At(0, 0), 0xFF000000u) << opacity;
        EXPECT_EQ(b.At(1, 0), 0xFF000000u) << opacity;
        EXPECT_EQ(b.At(2, 0), 0xFF000001u) << opacity;
        EXPECT_EQ(b.At(3, 0), 0xFF000002u) << opacity;
    }
}

TEST(RasterBlit, DodgeAtFullWeightSaturatesEveryLitChannel) {
    VectorBitmap dest(1, 1, 1, false, 0x00010080);  // blue 0x80, green 0, red 1, alpha 0
    VectorBitmap src(1, 1, 1, false, 0xFFFFFFFF);
    RasterBlit(&dest, &src, 0, 0, nullptr, 1.0f, kBlitDodge);
    EXPECT_EQ(dest.At(0, 0), 0x00FF00FFu);
}

TEST(RasterBlit, NeutralHsvAdjustKeepsGreyAndTakesSourceAlpha) {
    for (int grey : {0, 1, 77, 128, 254, 255}) {
        for (int mode : {kBlitHsvAdjust, kBlitHsvAdjust | kBlitUseSourceAlpha}) {
            VectorBitmap dest(1, 1, 1, false, Word({grey, grey, grey, 255}));
            VectorBitmap src(1, 1, 1, false, 0x5A808080);
            RasterBlit(&dest, &src, 0, 0, nullptr, 1.0f, mode);
            EXPECT_EQ(dest.At(0, 0), Word({grey, grey, grey, 0x5A})) << grey << " mode " << mode;
        }
    }
}

TEST(RasterBlit, ClipsNegativePositionsAndSourceRectangles) {
    VectorBitmap src(10, 2, 12, false);
    for (int x = 0; x < 10; ++x) src.At(x, 0) = src.At(x, 1) = static_cast<uint32_t>(x + 1);

    VectorBitmap dest(20, 2, 20, false);
    RasterBlit(&dest, &src, -3, 0, nullptr, 1.0f, kBlitCopy);
    EXPECT_EQ(dest.At(0, 0), 4u);  // source column 3 at destination column 0
    EXPECT_EQ(dest.At(6, 1), 10u);
    EXPECT_EQ(dest.At(7, 0), 0u);

    VectorBitmap shifted(20, 2, 20, false);
    const RasterRect leftOfSource{-2, 0, 4, 1};
    RasterBlit(&shifted, &src, 5, 0, &leftOfSource, 1.0f, kBlitCopy);
    EXPECT_EQ(shifted.At(6, 0), 0u);
    EXPECT_EQ(shifted.At(7, 0), 1u);  // two to the right, from source column 0
    EXPECT_EQ(shifted.At(10, 0), 4u);
    EXPECT_EQ(shifted.At(11, 0), 0u);
    EXPECT_EQ(shifted.At(7, 1), 0u);  // the rectangle's bottom is exclusive

    // Past the destination's right and bottom edges, and nothing at all for empty cases.
    VectorBitmap small(4, 1, 4, false);
    RasterBlit(&small, &src, 2, 0, nullptr, 1.0f, kBlitCopy);
    EXPECT_EQ(small.At(3, 0), 2u);
    VectorBitmap untouched(4, 4, 4, false, 0xAB);
    const RasterRect outside{10, 0, 20, 2};
    RasterBlit(&untouched, &src, 0, 0, &outside, 1.0f, kBlitCopy);
    RasterBlit(&untouched, &src, 0, 0, nullptr, 0.0f, kBlitCopy);
    RasterBlit(&untouched, &src, 4, 0, nullptr, 1.0f, kBlitCopy);
    RasterBlit(&untouched, &src, 0, -2, nullptr, 1.0f, kBlitCopy);
    RasterBlit(&untouched, &src, INT32_MIN, INT32_MAX, nullptr, 1.0f, kBlitCopy);
    RasterBlit(&untouched, nullptr, 0, 0, nullptr, 1.0f, kBlitCopy);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(untouched.At(x, y), 0xABu);
}

TEST(RasterBlit, HonoursFlippedRowsOnBothSides) {
    VectorBitmap src(2, 3, 4, true);
    for (int y = 0; y < 3; ++y)
        src.At(0, y) = src.At(1, y) = 0xFF000000u | static_cast<uint32_t>(y + 1);
    VectorBitmap dest(2, 3, 2, false);
    const RasterRect rows1to2{0, 1, 2, 3};
    RasterBlit(&dest, &src, 0, 0, &rows1to2, 1.0f, kBlitUseSourceAlpha);
    EXPECT_EQ(dest.At(1, 0), 0xFF000002u);
    EXPECT_EQ(dest.At(1, 1), 0xFF000003u);
    EXPECT_EQ(dest.At(1, 2), 0u);
    VectorBitmap flippedDest(2, 3, 2, true);
    RasterBlit(&flippedDest, &dest, 0, 1, nullptr, 1.0f, kBlitCopy);
    EXPECT_EQ(flippedDest.At(0, 1), 0xFF000002u);
    EXPECT_EQ(flippedDest.At(0, 2), 0xFF000003u);
}

TEST(RasterBlit, ChannelCopyMovesOneByte) {
    VectorBitmap dest(1, 1, 1, false, 0x11223344);
    VectorBitmap src(1, 1, 1, false, 0xAABBCCDD);
    RasterBlit(&dest, &src, 0, 0, nullptr, 0.3f, BlitChannelCopy(/*red*/ 2, /*alpha*/ 3));
    EXPECT_EQ(dest.At(0, 0), 0xBB223344u);
}

// Every rule against the literal evaluation, on random pixels, at the fast-path opacities and
// others.
TEST(RasterBlit, EveryModeMatchesTheRuleOnRandomPixels) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<uint32_t> any;
    std::vector<int> modes;
    for (int m = 0; m <= 6; ++m) {
        modes.push_back(m);
        modes.push_back(m | kBlitUseSourceAlpha);
    }
    modes.push_back(0xF0);
    modes.push_back(0xF7);
    modes.push_back(0xFE | kBlitUseSourceAlpha);
    for (float opacity : {1.0f, 0.5f, 0.25f, 0.75f, 0.3f, 0.999f, 0.004f, 0.002f}) {
        for (int mode : modes) {
            VectorBitmap dest(16, 16, 17, false), src(16, 16, 16, false);
            for (int y = 0; y < 16; ++y) {
                for (int x = 0; x < 16; ++x) {
                    dest.At(x, y) = any(rng);
                    uint32_t s = any(rng);
                    if (x < 3)
                        s = (s & 0xFFFFFF) | (x == 0 ? 0u : (x == 1 ? 0xFF000000u : 0x80000000u));
                    src.At(x, y) = s;
                }
            }
            uint32_t expected[16][16];
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    expected[y][x] = ReferenceBlit(dest.At(x, y), src.At(x, y), opacity, mode);
            RasterBlit(&dest, &src, 0, 0, nullptr, opacity, mode);
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    ASSERT_EQ(dest.At(x, y), expected[y][x])
                        << "mode " << mode << " opacity " << opacity;
        }
    }
}

TEST(RasterFillRect, FastPathsAndEveryModeMatchTheRule) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<uint32_t> any;
    for (float opacity : {1.0f, 0.5f, 0.25f, 0.75f, 0.6f, 0.01f}) {
        for (int mode = 0; mode <= 6; ++mode) {
            for (int sourceAlpha : {0, kBlitUseSourceAlpha}) {
                const uint32_t color = any(rng);
                VectorBitmap dest(8, 8, 8, false);
                for (int y = 0; y < 8; ++y)
                    for (int x = 0; x < 8; ++x) dest.At(x, y) = any(rng);
                uint32_t expected[8][8];
                for (int y = 0; y < 8; ++y)
                    for (int x = 0; x < 8; ++x)
                        expected[y][x] =
                            ReferenceFill(dest.At(x, y), color, opacity, mode | sourceAlpha);
                RasterFillRect(&dest, 0, 0, 8, 8, color, opacity, mode | sourceAlpha);
                for (int y = 0; y < 8; ++y)
                    for (int x = 0; x < 8; ++x)
                        ASSERT_EQ(dest.At(x, y), expected[y][x])
                            << "mode " << mode << " opacity " << opacity;
            }
        }
    }
    // The word arithmetic of the quarter steps, checked on known words.
    VectorBitmap words(4, 1, 4, false, 0xFF000000);
    RasterFillRect(&words, 0, 0, 1, 1, 0xFFFFFFFF, 1.0f, kBlitCopy);
    RasterFillRect(&words, 1, 0, 1, 1, 0xFFFFFFFF, 0.5f, kBlitCopy);
    RasterFillRect(&words, 2, 0, 1, 1, 0xFFFFFFFF, 0.25f, kBlitCopy);
    RasterFillRect(&words, 3, 0, 1, 1, 0xFFFFFFFF, 0.75f, kBlitCopy);
    EXPECT_EQ(words.At(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(words.At(1, 0), 0xFE7F7F7Fu);
    EXPECT_EQ(words.At(2, 0), 0xFD3F3F3Fu);  // 0x7F + 0x3F + 0x3F, and 0x3F for each colour
    EXPECT_EQ(words.At(3, 0), 0xFDBEBEBEu);
}

TEST(RasterFillRect, ClipsAndSkipsNothingToDo) {
    VectorBitmap dest(4, 4, 4, true, 0x12345678);
    RasterFillRect(&dest, -2, -1, 4, 3, 0xFFFFFFFF, 1.0f, kBlitCopy);  // covers (0,0)-(2,2)
    EXPECT_EQ(dest.At(1, 1), 0xFFFFFFFFu);
    EXPECT_EQ(dest.At(2, 1), 0x12345678u);
    EXPECT_EQ(dest.At(1, 2), 0x12345678u);
    VectorBitmap untouched(4, 4, 4, false, 0x12345678);
    RasterFillRect(&untouched, 0, 0, 4, 4, 0x00FFFFFF, 1.0f,
                   kBlitUseSourceAlpha);  // colour alpha 0
    RasterFillRect(&untouched, -5, 0, 5, 4, 0xFFFFFFFF, 1.0f, kBlitCopy);
    RasterFillRect(&untouched, 4, 0, 5, 4, 0xFFFFFFFF, 1.0f, kBlitCopy);
    RasterFillRect(&untouched, INT32_MIN, INT32_MIN, INT32_MIN, 4, 0xFFFFFFFF, 1.0f, kBlitCopy);
    RasterFillRect(&untouched, 0, 0, 4, 4, 0xFFFFFFFF, std::numeric_limits<float>::quiet_NaN(),
                   kBlitAdd);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(untouched.At(x, y), 0x12345678u);
    MemBitmap empty;
    RasterFillRect(&empty, 0, 0, 4, 4, 0xFFFFFFFF, 1.0f, kBlitCopy);
    RasterFillRect(nullptr, 0, 0, 4, 4, 0xFFFFFFFF, 1.0f, kBlitCopy);
}

}  // namespace
}  // namespace tesselor::raster
