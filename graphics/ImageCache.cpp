#include "graphics/ImageCache.h"

namespace tesselor::graphics {

ImageCache& ImageCache::Instance() {
    static ImageCache cache;
    return cache;
}

raster::RasterBitmap** ImageCache::Find(int id) {
    std::lock_guard lock(_mutex);
    for (const auto& e : _entries) {
        if (e->id == id) return &e->pointer;
    }
    return nullptr;
}

raster::RasterBitmap* ImageCache::Store(int id, std::unique_ptr<raster::RasterBitmap> image) {
    std::lock_guard lock(_mutex);
    ++_loads;
    for (const auto& e : _entries) {
        if (e->id == id) return e->pointer;
    }
    raster::RasterBitmap* pointer = image.get();
    _entries.push_back(std::make_unique<Entry>(Entry{id, std::move(image), pointer}));
    return pointer;
}

int ImageCache::LoadCount() const {
    std::lock_guard lock(_mutex);
    return _loads;
}

}  // namespace tesselor::graphics
