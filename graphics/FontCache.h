#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "graphics/GraphicsTypes.h"
#include "raster/CachedFont.h"

namespace tesselor::graphics {

// Fonts shared by every editor in the process, keyed by size, orientation, style and face; the
// first font made for a key serves every quality. Fonts stay while the module is loaded.
//
// Threads: the lock covers searching and appending; the fonts themselves are used on the UI
// thread only.
class FontCache {
public:
    static FontCache& Instance();

    // The font for `style`, made on first use; null when the text renderer cannot make one.
    raster::RasterFont* Get(const TextStyle& style);

private:
    struct Entry {
        int size;
        int orientation;
        int style;
        std::string face;
        std::unique_ptr<raster::CachedFont> font;
    };

    std::mutex _mutex;
    std::vector<Entry> _entries;
};

}  // namespace tesselor::graphics
