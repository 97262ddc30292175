#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "raster/CachedFont.h"
#include "raster/MemBitmap.h"
#include "raster/RasterBlit.h"
#include "raster/SysBitmap.h"
#include "raster/TextBackend.h"

namespace tesselor::raster {
namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kNative = kFontOwnsHandle | kFontPreferNative;  // how the GUI attaches fonts

std::unique_ptr<CachedFont> MakeFont(int height, int quality = 0, const char* face = "Verdana") {
    TextFontSpec fontSpec;
    fontSpec.height = height;
    fontSpec.quality = quality;
    fontSpec.face = face;
    std::unique_ptr<TextFont> handle = CreateTextFont(fontSpec);
    EXPECT_NE(handle, nullptr);
    auto font = std::make_unique<CachedFont>();
    font->AttachFontHandle(handle.release(), kNative);
    return font;
}

template <class Bitmap>
std::unique_ptr<Bitmap> Canvas(int w, int h, uint32_t fill = kWhite) {
    std::unique_ptr<Bitmap> b;
    if constexpr (std::is_same_v<Bitmap, SysBitmap>) {
        b = std::make_unique<SysBitmap>(w, h);
    } else {
        b = std::make_unique<MemBitmap>();
        b->Resize(w, h);
    }
    RasterFillRect(b.get(), 0, 0, w, h, fill, 1.0f, kBlitCopy);
    return b;
}

// Leftmost and topmost columns and rows whose pixels differ from `background`; -1 when none.
struct Ink {
    int left = -1, top = -1, right = -1, bottom = -1;
};
Ink FindInk(RasterBitmap& b, uint32_t background = kWhite) {
    Ink ink;
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            if (b.Row(y)[x] == background) continue;
            if (ink.left < 0 || x < ink.left) ink.left = x;
            if (ink.top < 0) ink.top = y;
            ink.right = std::max(ink.right, x + 1);
            ink.bottom = y + 1;
        }
    }
    return ink;
}

int MaxChannelDifference(RasterBitmap& a, RasterBitmap& b) {
    int worst = 0;
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x) {
            for (int shift = 0; shift < 32; shift += 8) {
                const int ca = (a.Row(y)[x] >> shift) & 0xFF, cb = (b.Row(y)[x] >> shift) & 0xFF;
                worst = std::max(worst, std::abs(ca - cb));
            }
        }
    }
    return worst;
}

RasterRect Measure(CachedFont& font, const std::string& text, uint32_t flags) {
    RasterRect r{5, 7, 5, 7};
    font.DrawString(nullptr, text.c_str(), static_cast<int>(text.size()), r, flags | kTextCalcRect);
    return r;
}

// kTextNeedAlpha forces the glyph cache; without it the renderer draws directly.
constexpr uint32_t kPaths[] = {0, kTextNeedAlpha};

TEST(CachedFont, MeasuresTheSameOnBothPaths) {
    auto font = MakeFont(16);
    EXPECT_EQ(font->LineHeight(), 16);
    RasterRect nothing{};
    EXPECT_EQ(font->DrawString(nullptr, "x", -1, nothing, 0), 0);  // no bitmap and not measuring

    const RasterRect direct = Measure(*font, "Tesselor 2.0", 0);
    const RasterRect cached = Measure(*font, "Tesselor 2.0", kTextNeedAlpha);
    EXPECT_EQ(direct.bottom - direct.top, 16);
    EXPECT_EQ(cached.bottom - cached.top, 16);
    EXPECT_GT(direct.right - direct.left, 40);
    EXPECT_NEAR(direct.right - direct.left, cached.right - cached.left, 2);
    EXPECT_EQ(direct.left, 5);
    EXPECT_EQ(direct.top, 7);
}

TEST(CachedFont, PlacesAlignedTextOnEveryPathAndBitmapKind) {
    auto font = MakeFont(16);
    font->SetForeground(kBlack);
    for (uint32_t path : kPaths) {
        for (bool memory : {false, true}) {
            SCOPED_TRACE(std::string(path ? "cached" : "direct") +
                         (memory ? " memory" : " system"));
            auto canvas = [&]() -> std::unique_ptr<RasterBitmap> {
                if (memory) return Canvas<MemBitmap>(160, 40);
                return Canvas<SysBitmap>(160, 40);
            };
            const int w = Measure(*font, "Mixing", path).right - 5;
            auto plain = canvas();
            RasterRect at{0, 0, 160, 40};
            EXPECT_EQ(font->DrawString(plain.get(), "Mixing", -1, at, path), 16);
            const Ink base = FindInk(*plain);
            ASSERT_GE(base.left, 0);

            // Room of w + 40 from x = 10 centres the text at x = 30, like 50 pixels in 10..100.
            auto centred = canvas();
            RasterRect box{10, 0, 10 + w + 40, 40};
            font->DrawString(centred.get(), "Mixing", -1, box, path | kTextCenter | kTextNoClip);
            EXPECT_EQ(FindInk(*centred).left, 30 + base.left);

            auto right = canvas();
            RasterRect edge{0, 0, 150, 40};
            font->DrawString(right.get(), "Mixing", -1, edge, path | kTextRight | kTextNoClip);
            EXPECT_EQ(FindInk(*right).left, 150 - w + base.left);

            auto bottom = canvas();
            RasterRect low{0, 0, 160, 36};
            font->DrawString(bottom.get(), "Mixing", -1, low, path | kTextBottom | kTextSingleLine);
            EXPECT_EQ(FindInk(*bottom).top, 20 + base.top);
        }
    }
}

TEST(CachedFont, LineFeedBreaksLinesUnlessSingleLine) {
    auto font = MakeFont(14);
    font->SetForeground(kBlack);
    const int lh = font->LineHeight();
    for (uint32_t path : kPaths) {
        SCOPED_TRACE(path ? "cached" : "direct");
        const RasterRect two = Measure(*font, "AB\nCD", path);
        EXPECT_EQ(two.bottom - two.top, 2 * lh);
        EXPECT_EQ(Measure(*font, "AB\r\nCD", path).bottom, two.bottom);
        const RasterRect one = Measure(*font, "AB\nCD", path | kTextSingleLine);
        EXPECT_EQ(one.bottom - one.top, lh);
        EXPECT_EQ(one.right, Measure(*font, "AB CD", path).right);

        auto canvas = Canvas<SysBitmap>(100, 3 * lh);
        RasterRect at{0, 0, 100, 3 * lh};
        font->DrawString(canvas.get(), "AB\nCD", -1, at, path);
        const Ink ink = FindInk(*canvas);
        EXPECT_LT(ink.top, lh);
        EXPECT_GT(ink.bottom, lh + lh / 2);  // the second line sits one line height lower
        EXPECT_LE(ink.bottom, 2 * lh);
    }
}

TEST(CachedFont, TransparentForegroundDrawsNothingAndRestoresOpacity) {
    auto font = MakeFont(16);
    auto reference = Canvas<SysBitmap>(120, 30);
    RasterRect at{2, 2, 120, 30};
    font->SetForeground(kBlack);
    font->DrawString(reference.get(), "Gain", -1, at, kTextNeedAlpha);

    auto canvas = Canvas<SysBitmap>(120, 30);
    font->SetForeground(0x00000000);
    EXPECT_EQ(font->DrawString(canvas.get(), "Gain", -1, at, kTextUseForegroundAlpha), 0);
    EXPECT_EQ(FindInk(*canvas).left, -1);

    font->SetForeground(kBlack);
    font->DrawString(canvas.get(), "Gain", -1, at, kTextUseForegroundAlpha);
    EXPECT_EQ(MaxChannelDifference(*canvas, *reference), 0);

    auto half = Canvas<SysBitmap>(120, 30);
    font->SetForeground(0x80000000);
    font->DrawString(half.get(), "Gain", -1, at, kTextUseForegroundAlpha);
    const Ink ink = FindInk(*reference);
    uint32_t darkest = 0xFF;
    for (int y = ink.top; y < ink.bottom; ++y)
        for (int x = ink.left; x < ink.right; ++x)
            darkest = std::min(darkest, half->Row(y)[x] & 0xFF);
    EXPECT_NEAR(static_cast<int>(darkest), 127, 2);  // half strength over white
}

TEST(CachedFont, CachedGlyphsMatchDirectDrawing) {
    for (int quality : {0, 3}) {
        for (int height : {11, 16, 23}) {
            SCOPED_TRACE("quality " + std::to_string(quality) + " height " +
                         std::to_string(height));
            auto font = MakeFont(height, quality);
            font->SetForeground(0xFF203040);
            const char* text = "Tesselor 0123 \xC3\xA9\xC3\xBC W";
            auto direct = Canvas<SysBitmap>(260, 40);
            auto cached = Canvas<SysBitmap>(260, 40);
            auto viaScratch = Canvas<MemBitmap>(260, 40);
            RasterRect a{3, 4, 260, 40}, b = a, c = a;
            font->DrawString(direct.get(), text, -1, a, 0);
            font->DrawString(cached.get(), text, -1, b, kTextNeedAlpha);
            font->DrawString(viaScratch.get(), text, -1, c, 0);
            ASSERT_GE(FindInk(*direct).left, 0);
            EXPECT_LE(MaxChannelDifference(*direct, *cached), 2);
            EXPECT_EQ(MaxChannelDifference(*direct, *viaScratch), 0);
        }
    }
}

TEST(CachedFont, CachedPathDrawsFourByteCharactersAsSpaces) {
    auto font = MakeFont(16);
    EXPECT_EQ(Measure(*font, "a\xF0\x9F\x98\x80z", kTextNeedAlpha).right,
              Measure(*font, "a z", kTextNeedAlpha).right);
}

TEST(CachedFont, OpaqueBackgroundFillsBehindTheGlyphs) {
    auto font = MakeFont(16);
    font->SetForeground(kBlack);
    font->SetBackground(0xFFFF0000);
    font->SetBackgroundMode(kBackgroundOpaque);
    for (uint32_t path : kPaths) {
        auto canvas = Canvas<SysBitmap>(60, 30);
        RasterRect at{0, 0, 60, 30};
        font->DrawString(canvas.get(), "i i", -1, at, path);
        EXPECT_EQ(canvas->Row(1)[1], 0xFFFF0000u) << path;  // inside the first cell, no ink there
        EXPECT_EQ(canvas->Row(20)[55], kWhite) << path;     // past the text
    }
}

TEST(CachedFont, DrawCachedGlyphClipsAndNeedsACachedGlyph) {
    auto font = MakeFont(16);
    font->SetForeground(kBlack);
    auto canvas = Canvas<SysBitmap>(40, 20);
    const RasterRect clip{0, 0, 20, 20};
    EXPECT_FALSE(font->DrawCachedGlyph(canvas.get(), 'H', 2, 0, clip));  // not cached yet
    RasterRect measure{};
    font->DrawString(nullptr, "H", -1, measure, kTextNeedAlpha | kTextCalcRect);
    EXPECT_FALSE(
        font->DrawCachedGlyph(canvas.get(), 'H', 20 + 3, 0, clip));  // starts right of the clip
    EXPECT_FALSE(font->DrawCachedGlyph(canvas.get(), 'H', 2, 20, clip));
    EXPECT_EQ(FindInk(*canvas).left, -1);
    EXPECT_TRUE(font->DrawCachedGlyph(canvas.get(), 'H', 15, 0, clip));
    EXPECT_LE(FindInk(*canvas).right, 20);
    const RasterRect beyondBitmap{-100, -100, 1000, 1000};
    EXPECT_TRUE(font->DrawCachedGlyph(canvas.get(), 'H', 35, 0, beyondBitmap));
    EXPECT_FALSE(font->DrawCachedGlyph(nullptr, 'H', 2, 0, clip));
}

TEST(CachedFont, ScratchBitmapsLiveWhileAnyFontDoes) {
    ASSERT_EQ(CachedFont::LiveFontCount(), 0);
    EXPECT_FALSE(CachedFont::HasScratchBitmaps());
    {
        auto first = MakeFont(12);
        auto second = MakeFont(12);
        EXPECT_TRUE(CachedFont::HasScratchBitmaps());
        first.reset();
        EXPECT_TRUE(CachedFont::HasScratchBitmaps());
    }
    EXPECT_FALSE(CachedFont::HasScratchBitmaps());
    auto again = MakeFont(12);
    EXPECT_TRUE(CachedFont::HasScratchBitmaps());
    auto canvas = Canvas<SysBitmap>(40, 20);
    RasterRect at{0, 0, 40, 20};
    again->SetForeground(kBlack);
    again->DrawString(canvas.get(), "ok", -1, at, kTextNeedAlpha);
    EXPECT_GE(FindInk(*canvas).left, 0);
}

TEST(CachedFont, SurvivesHostileTextAndSizes) {
    std::mt19937 rng(5);
    std::string junk(400, '\0');
    for (char& c : junk) c = static_cast<char>(rng());
    const std::string withNul = std::string("ab\0cd\xC3", 6);
    auto mem = Canvas<MemBitmap>(64, 64);
    auto sys = Canvas<SysBitmap>(64, 64);
    const RasterRect extremes[] = {{0, 0, 64, 64},
                                   {INT_MIN, INT_MIN, INT_MAX, INT_MAX},
                                   {INT_MAX, INT_MAX, INT_MIN, INT_MIN},
                                   {-30, 50, 10, 70}};
    for (int height : {1, 12, 300, 1500, 100000, -100000, 0}) {
        auto font = MakeFont(height);
        EXPECT_GT(font->LineHeight(), 0);
        EXPECT_LE(font->LineHeight(), 2 * kMaxTextHeight);
        font->SetForeground(0x80102030);
        for (const RasterRect& r : extremes) {
            for (uint32_t flags :
                 {0u, kTextNeedAlpha, kTextCenter | kTextVCenter | kTextSingleLine | kTextNeedAlpha,
                  kTextRight | kTextBottom | kTextNoClip | kTextUseForegroundAlpha}) {
                for (RasterBitmap* target : {static_cast<RasterBitmap*>(mem.get()),
                                             static_cast<RasterBitmap*>(sys.get())}) {
                    RasterRect a = r, b = r, c = r;
                    font->DrawString(target, junk.c_str(), static_cast<int>(junk.size()), a, flags);
                    font->DrawString(target, withNul.c_str(), static_cast<int>(withNul.size()), b,
                                     flags);
                    font->DrawString(target, "\xE9\xC3", 0, c, flags);
                }
                RasterRect m = r;
                font->DrawString(nullptr, junk.c_str(), -1, m, flags | kTextCalcRect);
            }
        }
    }
    // NUL inside the length ends the text on the cached path.
    auto font = MakeFont(16);
    EXPECT_EQ(Measure(*font, withNul, kTextNeedAlpha).right,
              Measure(*font, "ab", kTextNeedAlpha).right);
    // A font without a handle measures and draws nothing.
    CachedFont detached;
    RasterRect r{0, 0, 64, 64};
    EXPECT_EQ(detached.DrawString(sys.get(), "abc", -1, r, 0), 0);
}

// Glyphs too big to cache are rasterised only where they are visible; any window onto them must
// agree with the whole.
TEST(TextSurface, BigGlyphsAgreeWhateverPartIsVisible) {
    TextFontSpec fontSpec;
    fontSpec.height = 700;
    std::unique_ptr<TextFont> font = CreateTextFont(fontSpec);
    ASSERT_NE(font, nullptr);
    SysBitmap part(520, 700);
    RasterFillRect(&part, 0, 0, 520, 700, kWhite, 1.0f, kBlitCopy);
    part.DeviceContext()->SelectFont(font.get());
    part.DeviceContext()->SetBackgroundMode(kBackgroundTransparent);
    RasterRect window{130, 310, 330, 520};
    part.DeviceContext()->DrawText("Wg", -1, window, 0);  // clipped to the window
    int inked = 0;
    for (int y = 0; y < 700; ++y) {
        for (int x = 0; x < 520; ++x) {
            const bool inside = x >= 130 && x < 330 && y >= 310 && y < 520;
            if (!inside) {
                ASSERT_EQ(part.Row(y)[x], kWhite) << x << ", " << y;
            }
            inked += inside && part.Row(y)[x] != kWhite;
        }
    }
    EXPECT_GT(inked, 1000);
    // The window's text starts at its own corner: compare against the whole drawn at that corner.
    SysBitmap shifted(520, 700);
    RasterFillRect(&shifted, 0, 0, 520, 700, kWhite, 1.0f, kBlitCopy);
    shifted.DeviceContext()->SelectFont(font.get());
    shifted.DeviceContext()->SetBackgroundMode(kBackgroundTransparent);
    RasterRect corner{130, 310, 520, 700};
    shifted.DeviceContext()->DrawText("Wg", -1, corner, kTextNoClip);
    for (int y = 310; y < 520; ++y)
        for (int x = 130; x < 330; ++x)
            ASSERT_EQ(part.Row(y)[x], shifted.Row(y)[x]) << x << ", " << y;
}

TEST(TextSurface, MeasuresUtf8AndUtf16AlikeAndHandlesEmptyText) {
    TextFontSpec fontSpec;
    fontSpec.height = 20;
    fontSpec.face = "No Such Face Anywhere";
    std::unique_ptr<TextFont> font = CreateTextFont(fontSpec);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->LineHeight(), 20);
    SysBitmap bitmap(50, 30);
    TextSurface* dc = bitmap.DeviceContext();
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(dc->SelectFont(font.get()), nullptr);
    RasterRect a{}, b{}, empty{3, 4, 9, 9};
    EXPECT_EQ(dc->DrawText("\xC3\xA9t\xC3\xA9", -1, a, kTextCalcRect), 20);
    EXPECT_EQ(dc->DrawText(u"\u00E9t\u00E9", -1, b, kTextCalcRect), 20);
    EXPECT_EQ(a.right, b.right);
    EXPECT_EQ(dc->DrawText("", -1, empty, kTextCalcRect), 0);
    EXPECT_EQ(empty.right, 3);
    EXPECT_EQ(empty.bottom, 4);
    const char16_t lone[] = {0xD800, u'a', 0};
    RasterRect c{0, 0, 50, 30};
    dc->DrawText(lone, -1, c, 0);
    RasterRect centred{0, 0, 50, 30};
    EXPECT_EQ(dc->DrawText("x", -1, centred, kTextVCenter | kTextSingleLine), 25);  // top 5 + 20
    EXPECT_EQ(dc->SelectFont(nullptr), font.get());
}

TEST(TextSurface, AmpersandIsPlainTextAndNulAndCarriageReturnFollowTheTextRules) {
    TextFontSpec fontSpec;
    fontSpec.height = 20;
    std::unique_ptr<TextFont> font = CreateTextFont(fontSpec);
    ASSERT_NE(font, nullptr);
    SysBitmap bitmap(10, 10);
    TextSurface* dc = bitmap.DeviceContext();
    dc->SelectFont(font.get());
    auto width = [&](const char* text, int length) {
        RasterRect r{};
        dc->DrawText(text, length, r, kTextCalcRect);
        return r.right;
    };
    EXPECT_GT(width("a&b", -1), width("ab", -1));
    EXPECT_EQ(width("ab\0cd", 5), width("ab", -1));
    EXPECT_EQ(width("a\rb", -1), width("ab", -1));
    dc->SelectFont(nullptr);
}

// The platform renderer may write alpha 0 wherever it draws (GDI does); the surface must still
// leave opaque pixels opaque, raise transparent ones by the text's coverage, and make an opaque
// background's cell opaque.
TEST(TextSurface, TextRaisesAlphaByCoverageAndOpaqueCellsAreOpaque) {
    TextFontSpec fontSpec;
    fontSpec.height = 24;
    std::unique_ptr<TextFont> font = CreateTextFont(fontSpec);
    ASSERT_NE(font, nullptr);
    const char* text = "Hg&W";
    auto draw = [&](uint32_t fill, int mode) {
        auto canvas = Canvas<SysBitmap>(100, 40, fill);
        TextSurface* dc = canvas->DeviceContext();
        dc->SelectFont(font.get());
        dc->SetTextColor(0x000000);
        dc->SetBackgroundMode(mode);
        dc->SetBackgroundColor(0x0000FF);
        RasterRect at{4, 6, 100, 40};
        dc->DrawText(text, -1, at, 0);
        dc->SelectFont(nullptr);
        return canvas;
    };
    const auto onWhite = draw(kWhite, kBackgroundTransparent);
    const auto onClear = draw(0, kBackgroundTransparent);
    const auto filled = draw(0, kBackgroundOpaque);
    RasterRect cell{4, 6, 4, 6};
    filled->DeviceContext()->SelectFont(font.get());
    filled->DeviceContext()->DrawText(text, -1, cell, kTextCalcRect);
    filled->DeviceContext()->SelectFont(nullptr);

    int inked = 0, background = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 100; ++x) {
            SCOPED_TRACE(std::to_string(x) + ", " + std::to_string(y));
            const uint32_t white = onWhite->Row(y)[x], clear = onClear->Row(y)[x];
            ASSERT_EQ(white >> 24, 255u);
            ASSERT_EQ(clear & 0xFFFFFF, 0u);  // black text on transparent black
            ASSERT_EQ(white != kWhite, clear != 0);
            inked += clear != 0;
            const uint32_t f = filled->Row(y)[x];
            if (x >= cell.left && x < cell.right && y >= cell.top && y < cell.bottom) {
                ASSERT_EQ(f >> 24, 255u);
                background += f == 0xFF0000FF;
            } else {
                ASSERT_EQ(f, clear);
            }
        }
    }
    EXPECT_GT(inked, 100);
    EXPECT_GT(background, 100);
}

}  // namespace
}  // namespace tesselor::raster
