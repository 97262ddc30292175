#pragma once

#include <memory>

#include "raster/RasterBitmap.h"

namespace tesselor::graphics {

// A PNG image compiled into a module, where modules carry no resources of their own (Linux).
struct ModuleImage {
    int id;
    const char* name;  // the file it was made from, e.g. "resources/img/BG.png"
    const unsigned char* bytes;
    int size;
};

struct ModuleImages {
    const ModuleImage* images = nullptr;
    int count = 0;

    const ModuleImage* Find(int id) const;
};

// Whether `name` ends in ".png", in any case.
bool HasPngExtension(const char* name);

// Decodes image `id` of `images`; null when the name is not a ".png", the id is missing, the data
// is shorter than a PNG signature or does not decode.
std::unique_ptr<raster::RasterBitmap> LoadModuleImage(const ModuleImages& images, int id,
                                                      const char* name);

}  // namespace tesselor::graphics
