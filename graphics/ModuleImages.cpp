#include "graphics/ModuleImages.h"

#include <cstring>

#include "raster/PngLoader.h"

namespace tesselor::graphics {

namespace {
constexpr int kSmallestPng = 8;  // bytes: the signature alone
}  // namespace

const ModuleImage* ModuleImages::Find(int id) const {
    for (int i = 0; i < count; ++i) {
        // Resource ids are 16-bit, as on Windows.
        if (images[i].id == (id & 0xFFFF)) return &images[i];
    }
    return nullptr;
}

bool HasPngExtension(const char* name) {
    if (!name) return false;
    const char* dot = std::strrchr(name, '.');
    if (!dot) return false;
    const char* want = "png";
    for (int i = 0; i < 3; ++i) {
        char c = dot[1 + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != want[i]) return false;
    }
    return dot[4] == '\0';
}

std::unique_ptr<raster::RasterBitmap> LoadModuleImage(const ModuleImages& images, int id,
                                                      const char* name) {
    if (!HasPngExtension(name)) return nullptr;
    const ModuleImage* image = images.Find(id);
    if (!image || image->size < kSmallestPng) return nullptr;
    return raster::LoadPngFromMemory(image->bytes, image->size);
}

}  // namespace tesselor::graphics
