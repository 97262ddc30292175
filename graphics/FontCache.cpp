#include "graphics/FontCache.h"

#include "raster/TextBackend.h"

namespace tesselor::graphics {

namespace {

constexpr int kBoldWeight = 700;
constexpr int kRegularWeight = 400;

// The renderer's quality values for the editor's: default, none, anti-aliased, sub-pixel.
int RendererQuality(int quality) {
    switch (quality) {
        case kQualityDefault:
            return 0;
        case kQualityAntialiased:
            return 4;
        case kQualityClearType:
            return 5;
        default:
            return 3;  // non-antialiased, also for values that mean nothing
    }
}

}  // namespace

FontCache& FontCache::Instance() {
    static FontCache cache;
    return cache;
}

raster::RasterFont* FontCache::Get(const TextStyle& style) {
    std::lock_guard lock(_mutex);
    for (const Entry& e : _entries) {
        if (e.size == style.size && e.orientation == style.orientation && e.style == style.style &&
            e.face == style.face)
            return e.font.get();
    }
    raster::TextFontSpec fontSpec;
    fontSpec.height = style.size;
    fontSpec.weight = style.style == kTextBold ? kBoldWeight : kRegularWeight;
    fontSpec.italic = style.style == kTextItalic;
    fontSpec.quality = RendererQuality(style.quality);
    fontSpec.face = style.face;
    std::unique_ptr<raster::TextFont> handle = raster::CreateTextFont(fontSpec);
    if (!handle) return nullptr;
    auto font = std::make_unique<raster::CachedFont>();
    font->AttachFontHandle(handle.release(), raster::kFontOwnsHandle | raster::kFontPreferNative);
    raster::RasterFont* result = font.get();
    _entries.push_back(
        Entry{style.size, style.orientation, style.style, style.face, std::move(font)});
    return result;
}

}  // namespace tesselor::graphics
