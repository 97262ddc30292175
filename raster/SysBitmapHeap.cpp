// SysBitmap's section where the text renderer draws into plain memory (FreeType): a zeroed heap
// block.
#include <cstdlib>

#include "raster/SysBitmap.h"

namespace tesselor::raster {

void SysBitmap::AllocateSection(int allocatedWidth, int height) {
    const size_t bytes = static_cast<size_t>(allocatedWidth) * static_cast<size_t>(height) * 4;
    _pixels = static_cast<uint32_t*>(std::calloc(bytes, 1));
}

void SysBitmap::ReleaseSection() {
    std::free(_pixels);
    _pixels = nullptr;
}

}  // namespace tesselor::raster
