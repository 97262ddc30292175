#include "framework/StateChunk.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace tesselor::framework {

StateChunk::~StateChunk() { std::free(_storage); }

int StateChunk::Resize(int size, bool allowShrink) {
    const std::int64_t s = std::max(size, 0);
    if (s == _size && !(allowShrink && s < _capacity / 2)) return _size;

    std::int64_t shrinkThreshold = 0;
    if (allowShrink && s < _size) {
        shrinkThreshold = std::max<std::int64_t>(
            1, std::min<std::int64_t>(_capacity / 2, _capacity - 4 * std::int64_t{kGranularity}));
    }

    if (s > _capacity || s < shrinkThreshold) {
        std::int64_t capacity = 0;
        if (s > 0) {
            // Over-allocate by half the size, in whole 4 KiB pages less a 96-byte allowance for
            // the allocator's own header.
            std::int64_t g = std::max<std::int64_t>(s / 2, kGranularity);
            g = std::clamp<std::int64_t>(g / 4096 * 4096, 4096, 4194304);
            capacity = (s + 96 + g) / 4096 * 4096 - 96;
        }
        if (capacity > std::numeric_limits<int>::max()) return _size;

        if (capacity <= 0) {
            std::free(_storage);
            _storage = nullptr;
        } else {
            auto* grown = static_cast<std::uint8_t*>(std::realloc(_storage, capacity));
            if (!grown) {
                grown = static_cast<std::uint8_t*>(std::malloc(capacity));
                if (!grown) return _size;
                if (_storage) std::memcpy(grown, _storage, std::min<std::int64_t>(_size, capacity));
                std::free(_storage);
            }
            _storage = grown;
        }
        _capacity = static_cast<int>(std::max<std::int64_t>(capacity, 0));
    }

    if (s > _size) std::memset(_storage + _size, 0, s - _size);
    _size = static_cast<int>(s);
    return _size;
}

int StateChunk::AppendDouble(double v) {
    const int at = _size;
    if (at > std::numeric_limits<int>::max() - 8 || Resize(at + 8) != at + 8) return -1;
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
    for (int i = 0; i < 8; ++i) _storage[at + i] = static_cast<std::uint8_t>(bits >> (8 * i));
    return _size;
}

int StateChunk::ReadDouble(double* v, int pos) const {
    if (pos < 0 || pos > _size - 8) return -1;
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= std::uint64_t{_storage[pos + i]} << (8 * i);
    *v = std::bit_cast<double>(bits);
    return pos + 8;
}

}  // namespace tesselor::framework
