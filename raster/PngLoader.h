#pragma once

#include <memory>

#include "raster/MemBitmap.h"

// PNG decoding into the raster layer's pixel format (bytes blue, green, red, alpha; straight
// alpha, no premultiplication). Every colour type and bit depth is accepted; 16-bit samples are
// reduced to 8 bits, grey is widened to RGB, a tRNS chunk becomes alpha, and images without alpha
// come out opaque. Images wider or taller than kMaxPngDimension are refused before any pixel
// memory is allocated. Decoding keeps all its state in the call, so different images may be
// decoded on different threads at once.

namespace tesselor::raster {

constexpr int kMaxPngDimension = 16384;  // pixels

// Decodes `length` bytes of PNG data into a new bitmap; null on any failure (too short, not a
// PNG, corrupt or truncated, too large, out of memory).
std::unique_ptr<MemBitmap> LoadPngFromMemory(const void* data, int length);

// Decodes the PNG file at the UTF-8 `path`. Without `dest` the result is a new MemBitmap that the
// caller owns; with it, `dest` is resized to the image and returned (the caller keeps owning it;
// after a late failure it may hold a partial image at the new size). Null on failure.
RasterBitmap* LoadPngFromFile(const char* path, RasterBitmap* dest = nullptr);

// One entry of the process-wide list of image loaders.
struct ImageLoaderEntry {
    // Loads `path`, refusing other extensions first when `checkExtension` is set; `dest` as for
    // LoadPngFromFile. Null on failure.
    RasterBitmap* (*load)(const char* path, bool checkExtension, RasterBitmap* dest);
    // File-dialog filter: a description, a NUL, the pattern, and a second NUL.
    const char* (*extensions)();
    const ImageLoaderEntry* next;
};

// Head of the list; the PNG loader is always in it.
const ImageLoaderEntry* FirstImageLoader();

}  // namespace tesselor::raster
