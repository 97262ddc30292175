#pragma once

#include "raster/RasterBitmap.h"

namespace tesselor::raster {

// A bitmap whose pixels live in a heap block. Decoded images are of this kind.
// Rows are padded to a multiple of 4 pixels (row mask 3) and start on a 64-byte boundary; the
// block only ever grows (with 25 % slack), so shrinking and regrowing does not reallocate.
class MemBitmap final : public RasterBitmap {
public:
    // Empty (no storage, 0 x 0); the creator calls Resize with the wanted size.
    MemBitmap() = default;
    ~MemBitmap() override;

    uint32_t* Pixels() override;
    int Width() const override { return _width; }
    int Height() const override { return _height; }
    int RowSpan() const override { return (_width + kRowAlignMask) & ~kRowAlignMask; }
    // Resizing to the current size returns false and changes nothing. A zero or negative
    // dimension frees the block and leaves 0 x 0 (returns true).
    bool Resize(int width, int height) override;

    // Bytes of pixel data the block can hold (the alignment slack not counted).
    int CapacityBytes() const { return _capacityBytes; }

private:
    void* _storage = nullptr;  // malloc'd, _capacityBytes + 63 bytes so Pixels() can be aligned
    int _width = 0;
    int _height = 0;
    int _capacityBytes = 0;
    static constexpr int kRowAlignMask = 3;  // pixels: rows padded to a multiple of four
};

}  // namespace tesselor::raster
