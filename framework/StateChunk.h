#pragma once

#include <cstdint>

namespace tesselor::framework {

// A growable byte buffer in which parameter values travel as little-endian IEEE 754 doubles,
// whatever the machine's byte order. The growth rule is fixed (see Resize) so that capacity,
// and therefore the cost of repeated appends, is the same everywhere.
//
// No lock: each chunk is used by one thread at a time.
class StateChunk {
public:
    static constexpr int kGranularity = 4096;  // bytes

    StateChunk() = default;
    ~StateChunk();
    StateChunk(const StateChunk&) = delete;
    StateChunk& operator=(const StateChunk&) = delete;

    // Grows by 8 bytes and stores v at the old end. Returns the new size, or -1 (nothing written)
    // when the chunk cannot grow.
    int AppendDouble(double v);
    // Copies the 8 bytes at `pos` into *v and returns pos + 8; returns -1 and leaves *v alone when
    // fewer than 8 bytes remain (or pos is negative).
    int ReadDouble(double* v, int pos) const;
    // Changes the size to `size` (below 0 counts as 0), keeping the content up to the smaller of
    // the two sizes; new bytes are zero. Returns the size afterwards, which is the old size when
    // the storage could not grow.
    int Resize(int size, bool allowShrink = true);

    std::uint8_t* Data() { return _storage; }
    const std::uint8_t* Data() const { return _storage; }
    int Size() const { return _size; }
    int Capacity() const { return _capacity; }

private:
    std::uint8_t* _storage = nullptr;  // null while empty
    int _capacity = 0;                 // bytes allocated
    int _size = 0;                     // bytes in use
};

}  // namespace tesselor::framework
