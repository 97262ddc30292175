#pragma once

#include <cstdint>
#include <vector>

#include "raster/RasterBitmap.h"

// PNG encoding of a bitmap in the raster layer's pixel format (bytes blue, green, red, alpha;
// straight alpha) as an 8-bit RGBA image, alpha kept as it is. The bytes depend only on the pixels
// and the zlib in use: no time stamp or other chunk is added. Encoding keeps all its state in the
// call, so different bitmaps may be written on different threads at once.

namespace tesselor::raster {

enum class PngWriteStatus {
    kOk,
    kNoPixels,      // null bitmap, no storage, or a zero or negative size
    kOutOfMemory,   // the encoded image did not fit in memory
    kEncodeFailed,  // libpng refused the image
    kCannotOpen,    // the file could not be created
    kWriteFailed,   // writing or closing the file failed; the partial file has been removed
};

// A short English reason, for error messages; never null.
const char* DescribePngWriteStatus(PngWriteStatus status);

// Encodes `bitmap` into `out` (replacing its contents; left empty on failure).
PngWriteStatus WritePngToMemory(RasterBitmap* bitmap, std::vector<uint8_t>& out);

// Encodes `bitmap` into the file at the UTF-8 `path`, replacing any file there. The image is
// encoded in full before the file is opened, so a failed encode leaves an existing file alone.
PngWriteStatus WritePngToFile(RasterBitmap* bitmap, const char* path);

}  // namespace tesselor::raster
