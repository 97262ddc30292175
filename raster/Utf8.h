#pragma once

#include <cstdint>

namespace tesselor::raster {

// Walks text one character at a time by the raster layer's lenient rule, which never fails:
//   0xC2..0xDF + 1 continuation byte (0x80..0xBF)  -> 11-bit code
//   0xE0..0xEF + 2 continuation bytes              -> 16-bit code (no overlong or surrogate checks)
//   0xF0..0xF4 + 3 continuation bytes              -> 21-bit code
//   any other byte, or a sequence cut short        -> the byte's own value
// A sequence never reaches past the given length. Iteration ends at the length or at a NUL.
class Utf8Cursor {
public:
    // length < 0: up to the NUL.
    Utf8Cursor(const char* text, int length)
        : _at(reinterpret_cast<const unsigned char*>(text)), _remaining(text ? length : 0) {}

    // False at the end; otherwise sets `code` and `bytes` (1..4, the sequence's size).
    bool Next(uint32_t& code, int& bytes);

private:
    const unsigned char* _at;
    int _remaining;  // bytes; negative = unknown, stop at the NUL
};

// True when the text holds at least one well-formed-looking multi-byte sequence (0xC2..0xDF + one
// continuation byte, or 0xE0..0xF4 + two), i.e. it is meant as UTF-8 rather than single bytes.
bool HasUtf8Sequence(const char* text, int length);

// Strict UTF-8 to UTF-16 over exactly `length` bytes (negative: up to and excluding the NUL). Any
// ill-formed sequence (stray or missing continuation, overlong form, surrogate, above U+10FFFF)
// fails with -1. Otherwise returns the number of UTF-16 units; writes them when `out` is not null
// and `capacity` suffices (else returns -1). Embedded NULs are converted like any character.
int Utf8ToUtf16(const char* text, int length, char16_t* out, int capacity);

}  // namespace tesselor::raster
