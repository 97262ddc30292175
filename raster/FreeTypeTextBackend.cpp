// The Linux text renderer: fonts found with fontconfig and rendered with FreeType, laid out the
// way the raster layer's callers expect of the platform's DrawText (integer pixel advances, no
// kerning, lines broken only at line feeds).

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "raster/PixelRules.h"
#include "raster/TextBackend.h"
#include "raster/TextLines.h"
#include "raster/Utf8.h"

namespace tesselor::raster {

namespace {

constexpr const char* kDefaultFamily = "DejaVu Sans";
// Used when fontconfig itself is unusable; scripts/setup installs these.
constexpr const char* kDefaultFiles[4] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-Oblique.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-BoldOblique.ttf",
};
constexpr int kDefaultEmPx = 13;            // size of a font made with height 0
constexpr int kNonAntialiased = 3;          // quality value
constexpr int kBoldWeight = 600;            // at or above: bold
constexpr int kMaxCachedGlyphArea = 65536;  // pixels; larger glyphs are rendered on every use
constexpr size_t kMaxCachedGlyphs = 4096;

// Guards the FreeType library object (face creation and release) and fontconfig set-up.
std::mutex gLibraryMutex;
// Created on first use and deliberately never released: fonts in process-wide caches may be
// destroyed after any static destructor would have run.
FT_Library gLibrary = nullptr;
bool gFontconfigReady = false;

FT_Library LibraryLocked() {
    if (!gLibrary && FT_Init_FreeType(&gLibrary) != 0) gLibrary = nullptr;
    return gLibrary;
}

bool SameFamily(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        const char ca = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a + 32) : *a;
        const char cb = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b + 32) : *b;
        if (ca != cb) return false;
    }
    return *a == *b;
}

struct FontFile {
    std::string path;
    int index = 0;
};

// Asks fontconfig for `family`. With `exactFamily` the match must be that family, not a
// substitute, so that unknown faces fall through to our own default.
bool MatchFontLocked(const char* family, int weight, bool italic, bool exactFamily, FontFile& out) {
    if (!gFontconfigReady) gFontconfigReady = FcInit() == FcTrue;
    if (!gFontconfigReady) return false;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return false;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(std::clamp(weight, 1, 1000)));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return false;

    bool ok = false;
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
        ok = !exactFamily;
        FcChar8* matched = nullptr;
        for (int i = 0; !ok && FcPatternGetString(match, FC_FAMILY, i, &matched) == FcResultMatch;
             ++i) {
            ok = SameFamily(reinterpret_cast<const char*>(matched), family);
        }
        if (ok) {
            out.path = reinterpret_cast<const char*>(file);
            int index = 0;
            out.index =
                FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch ? index : 0;
        }
    }
    FcPatternDestroy(match);
    return ok;
}

FT_Face OpenFaceLocked(const FontFile& file) {
    FT_Library library = LibraryLocked();
    FT_Face face = nullptr;
    if (!library || FT_New_Face(library, file.path.c_str(), file.index, &face) != 0) return nullptr;
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
        FT_Done_Face(face);
        return nullptr;
    }
    return face;
}

// Verdana (the panel's face) and anything this machine does not have become the default sans.
FT_Face OpenBestFaceLocked(const TextFontSpec& fontSpec) {
    const bool bold = fontSpec.weight >= kBoldWeight;
    FontFile file;
    const char* face = fontSpec.face;
    if (face && *face && !SameFamily(face, "Verdana") &&
        MatchFontLocked(face, fontSpec.weight, fontSpec.italic, true, file)) {
        if (FT_Face f = OpenFaceLocked(file)) return f;
    }
    if (MatchFontLocked(kDefaultFamily, fontSpec.weight, fontSpec.italic, true, file)) {
        if (FT_Face f = OpenFaceLocked(file)) return f;
    }
    for (int i : {(bold ? 1 : 0) + (fontSpec.italic ? 2 : 0), 0}) {
        file.path = kDefaultFiles[i];
        file.index = 0;
        if (FT_Face f = OpenFaceLocked(file)) return f;
    }
    if (MatchFontLocked("sans-serif", fontSpec.weight, fontSpec.italic, false, file))
        return OpenFaceLocked(file);
    return nullptr;
}

struct Glyph {
    int left = 0;  // pixels from the pen to the first column
    int top = 0;   // pixels from the baseline up to the first row
    int width = 0;
    int height = 0;
    std::vector<uint8_t> coverage;  // width * height, 0..255
};

// Pixels of the target that may be drawn; right and bottom exclusive.
class FreeTypeFont final : public TextFont {
public:
    FreeTypeFont(FT_Face face, const TextFontSpec& fontSpec) : _face(face) {
        const int height = std::clamp(fontSpec.height, -kMaxTextHeight, kMaxTextHeight);
        _mono = fontSpec.quality == kNonAntialiased;
        _embolden = fontSpec.weight >= kBoldWeight && !(face->style_flags & FT_STYLE_FLAG_BOLD);
        _oblique = fontSpec.italic && !(face->style_flags & FT_STYLE_FLAG_ITALIC);

        // The line height is the Windows cell height: winAscent + winDescent, scaled.
        double ascent = 0.0, descent = 0.0;  // font units
        if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
            os2 && os2->usWinAscent + os2->usWinDescent > 0) {
            ascent = os2->usWinAscent;
            descent = os2->usWinDescent;
        } else if (face->ascender - face->descender > 0) {
            ascent = face->ascender;
            descent = -face->descender;
        } else {
            ascent = 0.8 * face->units_per_EM;
            descent = 0.2 * face->units_per_EM;
        }
        const double cell = ascent + descent;
        double emPx = 0.0;
        if (height > 0) {
            emPx = height * face->units_per_EM / cell;
            _lineHeight = height;
            _ascent = static_cast<int>(std::lround(ascent * height / cell));
        } else {
            emPx = height < 0 ? -height : kDefaultEmPx;
            _ascent = static_cast<int>(std::lround(ascent * emPx / face->units_per_EM));
            _lineHeight = std::max(
                1, _ascent + static_cast<int>(std::lround(descent * emPx / face->units_per_EM)));
        }
        FT_Size_RequestRec request{};
        request.type = FT_SIZE_REQUEST_TYPE_NOMINAL;
        request.height = std::max<FT_Long>(1, std::lround(emPx * 64.0));  // 26.6 pixels
        _sized = FT_Request_Size(face, &request) == 0;
    }

    ~FreeTypeFont() override {
        std::lock_guard<std::mutex> lock(gLibraryMutex);
        FT_Done_Face(_face);
    }

    int LineHeight() const override { return _lineHeight; }
    int Ascent() const { return _ascent; }

    // Pixels the pen moves for `code`; 0 when the font cannot load it.
    int Advance(char32_t code) {
        if (auto it = _advances.find(code); it != _advances.end()) return it->second;
        int advance = 0;
        if (Load(code)) advance = static_cast<int>((_face->glyph->advance.x + 32) >> 6);
        if (_advances.size() >= kMaxCachedGlyphs) _advances.clear();
        _advances.emplace(code, advance);
        return advance;
    }

    // The glyph of `code` for a pen at (penX, baseline): the whole glyph, cached, for ordinary
    // sizes; for a big glyph only its part inside `clip`, rendered for this call. Null when it has
    // no pixels there. The pointer is valid until the next call.
    const Glyph* GlyphAt(char32_t code, int64_t penX, int64_t baseline, const TextClip& clip) {
        if (auto it = _glyphs.find(code); it != _glyphs.end())
            return it->second.coverage.empty() ? nullptr : &it->second;
        if (!Load(code)) return nullptr;
        FT_GlyphSlot slot = _face->glyph;
        if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
            FT_BBox box;  // 26.6, y up from the baseline
            FT_Outline_Get_CBox(&slot->outline, &box);
            const int64_t left = box.xMin >> 6, right = (box.xMax + 63) >> 6;
            const int64_t top = -((box.yMax + 63) >> 6), bottom = -(box.yMin >> 6);  // y down
            if ((right - left) * (bottom - top) > kMaxCachedGlyphArea) {
                return RenderVisiblePart(slot, penX + left, baseline + top, penX + right,
                                         baseline + bottom, penX, baseline, clip);
            }
        }
        Glyph glyph;
        if (FT_Render_Glyph(slot, _mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) == 0)
            CopyBitmap(slot, glyph);
        if (_glyphs.size() >= kMaxCachedGlyphs) _glyphs.clear();
        Glyph& stored = _glyphs.emplace(code, std::move(glyph)).first->second;
        return stored.coverage.empty() ? nullptr : &stored;
    }

private:
    bool Load(char32_t code) {
        if (!_sized) return false;
        const FT_Int32 flags =
            FT_LOAD_DEFAULT | (_mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
        if (FT_Load_Char(_face, code, flags) != 0) return false;
        if (_face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return true;
        if (_embolden) FT_GlyphSlot_Embolden(_face->glyph);
        if (_oblique) FT_GlyphSlot_Oblique(_face->glyph);
        return true;
    }

    // Rasterises only the part of a big outline (target box x0..x1, y0..y1) that lies in the clip,
    // so a glyph thousands of pixels tall costs what its visible pixels cost.
    const Glyph* RenderVisiblePart(FT_GlyphSlot slot, int64_t x0, int64_t y0, int64_t x1,
                                   int64_t y1, int64_t penX, int64_t baseline,
                                   const TextClip& clip) {
        const int64_t left = std::max(x0, clip.left), right = std::min(x1, clip.right);
        const int64_t top = std::max(y0, clip.top), bottom = std::min(y1, clip.bottom);
        if (left >= right || top >= bottom) return nullptr;
        Glyph& glyph = _uncached;
        glyph.width = static_cast<int>(right - left);
        glyph.height = static_cast<int>(bottom - top);
        glyph.left = static_cast<int>(left - penX);
        glyph.top = static_cast<int>(baseline - top);
        glyph.coverage.assign(static_cast<size_t>(glyph.width) * glyph.height, 0);

        // Grey renders straight into the coverage; one bit per pixel needs unpacking after.
        const int pitch = _mono ? (glyph.width + 7) / 8 : glyph.width;
        std::vector<unsigned char> bits(_mono ? static_cast<size_t>(pitch) * glyph.height : 0, 0);
        FT_Bitmap target{};
        target.rows = static_cast<unsigned>(glyph.height);
        target.width = static_cast<unsigned>(glyph.width);
        target.pitch = pitch;
        target.buffer = _mono ? bits.data() : glyph.coverage.data();
        target.num_grays = 256;
        target.pixel_mode = _mono ? FT_PIXEL_MODE_MONO : FT_PIXEL_MODE_GRAY;
        // Move the visible window's bottom-left corner to the outline origin (26.6, y up).
        FT_Outline_Translate(&slot->outline, static_cast<FT_Pos>(-(left - penX) * 64),
                             static_cast<FT_Pos>((bottom - baseline) * 64));
        FT_Library library = nullptr;
        {
            std::lock_guard<std::mutex> lock(gLibraryMutex);
            library = LibraryLocked();
        }
        if (!library || FT_Outline_Get_Bitmap(library, &slot->outline, &target) != 0)
            return nullptr;
        if (_mono) {
            for (int r = 0; r < glyph.height; ++r) {
                UnpackMonoRow(bits.data() + static_cast<size_t>(r) * pitch,
                              glyph.coverage.data() + static_cast<size_t>(r) * glyph.width,
                              glyph.width);
            }
        }
        return &glyph;
    }

    // One row of a one-bit mask (most significant bit first) as coverage 0 or 255.
    static void UnpackMonoRow(const unsigned char* row, uint8_t* out, int width) {
        for (int c = 0; c < width; ++c) out[c] = (row[c >> 3] & (0x80 >> (c & 7))) ? 255 : 0;
    }

    static void CopyBitmap(FT_GlyphSlot slot, Glyph& glyph) {
        const FT_Bitmap& bitmap = slot->bitmap;
        if (bitmap.width == 0 || bitmap.rows == 0 || !bitmap.buffer) return;
        if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO)
            return;
        glyph.width = static_cast<int>(bitmap.width);
        glyph.height = static_cast<int>(bitmap.rows);
        glyph.left = slot->bitmap_left;
        glyph.top = slot->bitmap_top;
        glyph.coverage.resize(static_cast<size_t>(glyph.width) * glyph.height);
        const int pitch = std::abs(bitmap.pitch);
        const int grey = std::max(1, static_cast<int>(bitmap.num_grays) - 1);
        for (int r = 0; r < glyph.height; ++r) {
            // A negative pitch means the rows are stored bottom-up.
            const unsigned char* row =
                bitmap.buffer +
                static_cast<ptrdiff_t>(bitmap.pitch >= 0 ? r : glyph.height - 1 - r) * pitch;
            uint8_t* out = glyph.coverage.data() + static_cast<size_t>(r) * glyph.width;
            if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
                UnpackMonoRow(row, out, glyph.width);
            } else if (grey == 255) {
                std::memcpy(out, row, static_cast<size_t>(glyph.width));
            } else {
                for (int c = 0; c < glyph.width; ++c)
                    out[c] = static_cast<uint8_t>(std::min(255, row[c] * 255 / grey));
            }
        }
    }

    FT_Face _face;
    bool _sized = false;
    bool _mono = false;
    bool _embolden = false;
    bool _oblique = false;
    int _lineHeight = 0;  // pixels
    int _ascent = 0;      // pixels from the top of a line to its baseline
    std::unordered_map<char32_t, int> _advances;
    std::unordered_map<char32_t, Glyph> _glyphs;
    Glyph _uncached;
};

// round(v / 255) for v of either sign.
constexpr int DivRound255(int v) { return v >= 0 ? (v + 127) / 255 : -((-v + 127) / 255); }

class FreeTypeSurface final : public TextSurface {
public:
    explicit FreeTypeSurface(RasterBitmap& target) : _target(target) {}

    TextFont* SelectFont(TextFont* font) override {
        TextFont* previous = _selected;
        _selected = font;
        _font = dynamic_cast<FreeTypeFont*>(font);
        return previous;
    }
    uint32_t SetTextColor(uint32_t color) override { return std::exchange(_textColor, color); }
    int SetBackgroundMode(int mode) override { return std::exchange(_backgroundMode, mode); }
    uint32_t SetBackgroundColor(uint32_t color) override {
        return std::exchange(_backgroundColor, color);
    }

    int DrawText(const char* utf8, int length, RasterRect& rect, uint32_t flags) override {
        std::u32string text;
        Utf8Cursor cursor(utf8, length);
        uint32_t code = 0;
        int bytes = 0;
        while (cursor.Next(code, bytes)) text.push_back(code);
        return Layout(text, rect, flags);
    }

    int DrawText(const char16_t* utf16, int length, RasterRect& rect, uint32_t flags) override {
        std::u32string text;
        for (int i = 0; utf16 && (length < 0 || i < length) && utf16[i] != 0; ++i) {
            char32_t code = utf16[i];
            const bool pairFollows =
                (length < 0 || i + 1 < length) && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF;
            if (code >= 0xD800 && code <= 0xDBFF && pairFollows) {
                code = 0x10000 + ((code - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
                ++i;
            }
            text.push_back(code);
        }
        return Layout(text, rect, flags);
    }

private:
    int Layout(std::u32string& text, RasterRect& rect, uint32_t flags) {
        if (!_font || text.empty()) {
            if (flags & kTextCalcRect) {
                rect.right = rect.left;
                rect.bottom = rect.top;
            }
            return 0;
        }
        std::vector<TextLine> lines = BreakTextLines(text, flags);
        for (TextLine& line : lines) {
            for (size_t i = line.begin; i < line.end; ++i) line.width += _font->Advance(text[i]);
        }
        const int64_t lineHeight = _font->LineHeight();
        return PlaceTextLines(
            lines, lineHeight, rect, flags, _target,
            [&](const TextLine& line, int64_t x, int64_t y, const TextClip& clip) {
                if (_backgroundMode == kBackgroundOpaque)
                    FillCell(clip, x, y, line.width, lineHeight);
                const int64_t baseline = y + _font->Ascent();
                for (size_t i = line.begin; i < line.end; ++i) {
                    // No glyph reaches back a whole line height.
                    if (x >= clip.right + lineHeight) break;
                    if (const Glyph* glyph = _font->GlyphAt(text[i], x, baseline, clip)) {
                        Composite(clip, *glyph, x + glyph->left, baseline - glyph->top);
                    }
                    x += _font->Advance(text[i]);
                }
            });
    }

    void FillCell(const TextClip& clip, int64_t x, int64_t y, int64_t width, int64_t height) {
        const int64_t left = std::max(clip.left, x), right = std::min(clip.right, x + width);
        const int64_t top = std::max(clip.top, y), bottom = std::min(clip.bottom, y + height);
        const uint32_t fill = (_backgroundColor & 0xFFFFFFu) | 0xFF000000u;
        for (int64_t r = top; r < bottom; ++r) {
            uint32_t* row = _target.Row(static_cast<int>(r));
            std::fill(row + left, row + right, fill);
        }
    }

    // Blends the text colour into the colour channels by coverage k / 255 and moves alpha toward
    // 255 by the same amount.
    void Composite(const TextClip& clip, const Glyph& glyph, int64_t x, int64_t y) {
        const int64_t left = std::max(clip.left, x), right = std::min(clip.right, x + glyph.width);
        const int64_t top = std::max(clip.top, y), bottom = std::min(clip.bottom, y + glyph.height);
        const int fb = Channel(_textColor, 0), fg = Channel(_textColor, 1),
                  fr = Channel(_textColor, 2);
        for (int64_t r = top; r < bottom; ++r) {
            uint32_t* row = _target.Row(static_cast<int>(r));
            const uint8_t* mask = glyph.coverage.data() + (r - y) * glyph.width;
            for (int64_t c = left; c < right; ++c) {
                const int k = mask[c - x];
                if (k == 0) continue;
                const uint32_t d = row[c];
                const int db = Channel(d, 0), dg = Channel(d, 1), dr = Channel(d, 2),
                          da = Channel(d, 3);
                row[c] =
                    PackPixel(db + DivRound255((fb - db) * k), dg + DivRound255((fg - dg) * k),
                              dr + DivRound255((fr - dr) * k), da + DivRound255((255 - da) * k));
            }
        }
    }

    RasterBitmap& _target;
    TextFont* _selected = nullptr;
    FreeTypeFont* _font = nullptr;  // _selected when it is one of ours
    uint32_t _textColor = 0;        // pixel word; alpha ignored
    int _backgroundMode = kBackgroundOpaque;
    uint32_t _backgroundColor = 0xFFFFFF;
};

}  // namespace

std::unique_ptr<TextFont> CreateTextFont(const TextFontSpec& fontSpec) {
    std::lock_guard<std::mutex> lock(gLibraryMutex);
    FT_Face face = OpenBestFaceLocked(fontSpec);
    if (!face) return nullptr;
    return std::make_unique<FreeTypeFont>(face, fontSpec);
}

std::unique_ptr<TextSurface> CreateTextSurface(RasterBitmap& target) {
    return std::make_unique<FreeTypeSurface>(target);
}

// Only the Windows build can be running under Wine.
int ProbeWine() { return 0; }

}  // namespace tesselor::raster

// fontconfig 2.14 loses a few hundred bytes while parsing its configuration files, once per
// process. That is not ours to fix; keep sanitizer builds of every program that draws text from
// reporting it. Weak, so a program may still supply its own list.
extern "C" __attribute__((weak, visibility("default"), used)) const char*
__lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
