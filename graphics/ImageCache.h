#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "raster/RasterBitmap.h"

namespace tesselor::graphics {

// Decoded images shared by every editor in the process, by resource id. An entry is added the
// first time an id is loaded and stays while the module is loaded, so the images outlive every
// editor that draws them; a failed load is remembered as a null image.
//
// Threads: any; the lock is held only while searching or appending, never while decoding.
class ImageCache {
public:
    static ImageCache& Instance();

    // The image of `id`, calling load() to decode it the first time. If two threads load the same
    // id at once, the first image stored wins and the other is dropped.
    template <typename Load>
    raster::RasterBitmap* Get(int id, Load&& load) {
        if (raster::RasterBitmap** cached = Find(id)) return *cached;
        return Store(id, load());
    }

    // How many images have been decoded into the cache (failed loads included).
    int LoadCount() const;

private:
    struct Entry {
        int id;
        std::unique_ptr<raster::RasterBitmap> image;
        raster::RasterBitmap* pointer;  // image.get(), read without touching the unique_ptr
    };
    raster::RasterBitmap** Find(int id);
    raster::RasterBitmap* Store(int id, std::unique_ptr<raster::RasterBitmap> image);

    mutable std::mutex _mutex;
    std::vector<std::unique_ptr<Entry>> _entries;
    int _loads = 0;
};

}  // namespace tesselor::graphics
