// libFuzzer target: LoadPngFromMemory must survive any byte string, leak nothing, and hand back
// only bitmaps whose every pixel can be read.
#include <cstddef>
#include <cstdint>

#include "raster/PngLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > static_cast<size_t>(INT32_MAX)) return 0;
    std::unique_ptr<tesselor::raster::MemBitmap> bitmap =
        tesselor::raster::LoadPngFromMemory(data, static_cast<int>(size));
    if (!bitmap) return 0;
    if (bitmap->Width() < 1 || bitmap->Height() < 1 ||
        bitmap->Width() > tesselor::raster::kMaxPngDimension ||
        bitmap->Height() > tesselor::raster::kMaxPngDimension || !bitmap->Pixels()) {
        __builtin_trap();
    }
    uint32_t sum = 0;
    for (int y = 0; y < bitmap->Height(); ++y) {
        const uint32_t* row = bitmap->Row(y);
        for (int x = 0; x < bitmap->Width(); ++x) sum += row[x];
    }
    volatile uint32_t sink = sum;
    (void)sink;
    return 0;
}
