#include "raster/MemBitmap.h"

#include <cstdint>
#include <cstdlib>

namespace tesselor::raster {

namespace {

constexpr uintptr_t kPixelAlignBytes = 64;
// The block is capacity + 63 bytes and capacity is a signed 32-bit count, so anything larger is
// refused as if the allocation had failed rather than wrapped.
constexpr int64_t kMaxCapacityBytes = INT32_MAX - static_cast<int64_t>(kPixelAlignBytes - 1);

}  // namespace

MemBitmap::~MemBitmap() { std::free(_storage); }

uint32_t* MemBitmap::Pixels() {
    if (!_storage) return nullptr;
    const uintptr_t at = reinterpret_cast<uintptr_t>(_storage);
    return reinterpret_cast<uint32_t*>((at + kPixelAlignBytes - 1) & ~(kPixelAlignBytes - 1));
}

bool MemBitmap::Resize(int width, int height) {
    if (width == _width && height == _height) return false;
    _width = width;
    _height = height;

    int64_t needed = 0;  // bytes
    if (width > 0 && height > 0) {
        const int64_t span =
            (static_cast<int64_t>(width) + kRowAlignMask) & ~static_cast<int64_t>(kRowAlignMask);
        // Compared by division first: h * span * 4 could overflow even 64 bits.
        needed = span <= kMaxCapacityBytes / 4 / height ? static_cast<int64_t>(height) * span * 4
                                                        : kMaxCapacityBytes + 1;
    }

    if (needed > 0 && needed <= kMaxCapacityBytes) {
        if (!_storage) {
            _capacityBytes = static_cast<int>(needed);
            _storage = std::malloc(static_cast<size_t>(needed) + kPixelAlignBytes - 1);
        } else if (_capacityBytes < needed) {
            // 25 % slack so that a run of small enlargements does not reallocate every time.
            int64_t grown = needed + needed / 4;
            if (grown > kMaxCapacityBytes) grown = kMaxCapacityBytes;
            void* moved = std::realloc(_storage, static_cast<size_t>(grown) + kPixelAlignBytes - 1);
            if (moved) {
                _storage = moved;
                _capacityBytes = static_cast<int>(grown);
            } else {
                std::free(_storage);
                _capacityBytes = static_cast<int>(needed);
                _storage = std::malloc(static_cast<size_t>(needed) + kPixelAlignBytes - 1);
            }
        }
    } else {
        std::free(_storage);
        _storage = nullptr;
    }

    if (!_storage) {
        _capacityBytes = 0;
        _width = 0;
        _height = 0;
    }
    return true;
}

}  // namespace tesselor::raster
