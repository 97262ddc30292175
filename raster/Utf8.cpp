#include "raster/Utf8.h"

namespace tesselor::raster {

namespace {

constexpr bool IsContinuation(unsigned char b) { return b >= 0x80 && b <= 0xBF; }

// True when `count` continuation bytes follow `at` within `available` bytes. A NUL is not a
// continuation byte, so NUL-terminated text (available < 0) never reads past its end.
bool ContinuationsFollow(const unsigned char* at, int available, int count) {
    if (available >= 0 && available < count + 1) return false;
    for (int i = 1; i <= count; ++i) {
        if (!IsContinuation(at[i])) return false;
    }
    return true;
}

}  // namespace

bool Utf8Cursor::Next(uint32_t& code, int& bytes) {
    if (_remaining == 0 || !_at || *_at == 0) return false;
    const unsigned char* p = _at;
    const unsigned char b0 = p[0];
    bytes = 1;
    code = b0;
    if (b0 >= 0xC2 && b0 <= 0xDF && ContinuationsFollow(p, _remaining, 1)) {
        code = (static_cast<uint32_t>(b0 & 0x1F) << 6) | (p[1] & 0x3F);
        bytes = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF && ContinuationsFollow(p, _remaining, 2)) {
        code = ((static_cast<uint32_t>(b0) << 12) | (static_cast<uint32_t>(p[1] & 0x3F) << 6) |
                (p[2] & 0x3F)) &
               0xFFFF;
        bytes = 3;
    } else if (b0 >= 0xF0 && b0 <= 0xF4 && ContinuationsFollow(p, _remaining, 3)) {
        code = (static_cast<uint32_t>(b0 & 0x07) << 18) |
               (static_cast<uint32_t>(p[1] & 0x3F) << 12) |
               (static_cast<uint32_t>(p[2] & 0x3F) << 6) | (p[3] & 0x3F);
        bytes = 4;
    }
    _at += bytes;
    if (_remaining > 0) _remaining -= bytes;
    return true;
}

bool HasUtf8Sequence(const char* text, int length) {
    if (!text) return false;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    for (int i = 0; length < 0 ? p[i] != 0 : i < length; ++i) {
        const int available = length < 0 ? -1 : length - i;
        if (p[i] >= 0xC2 && p[i] <= 0xDF && ContinuationsFollow(p + i, available, 1)) return true;
        if (p[i] >= 0xE0 && p[i] <= 0xF4 && ContinuationsFollow(p + i, available, 2)) return true;
    }
    return false;
}

int Utf8ToUtf16(const char* text, int length, char16_t* out, int capacity) {
    if (!text) return length == 0 ? 0 : -1;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    int count = 0;
    int i = 0;
    auto put = [&](uint32_t unit) {
        if (out && count < capacity) out[count] = static_cast<char16_t>(unit);
        ++count;
    };
    while (length < 0 ? p[i] != 0 : i < length) {
        const int available = length < 0 ? -1 : length - i;
        const unsigned char b0 = p[i];
        uint32_t code = 0;
        int size = 1;
        if (b0 < 0x80) {
            code = b0;
        } else if (b0 >= 0xC2 && b0 <= 0xDF) {
            if (!ContinuationsFollow(p + i, available, 1)) return -1;
            code = (static_cast<uint32_t>(b0 & 0x1F) << 6) | (p[i + 1] & 0x3F);
            size = 2;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            if (!ContinuationsFollow(p + i, available, 2)) return -1;
            code = (static_cast<uint32_t>(b0 & 0x0F) << 12) |
                   (static_cast<uint32_t>(p[i + 1] & 0x3F) << 6) | (p[i + 2] & 0x3F);
            if (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF)) return -1;
            size = 3;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            if (!ContinuationsFollow(p + i, available, 3)) return -1;
            code = (static_cast<uint32_t>(b0 & 0x07) << 18) |
                   (static_cast<uint32_t>(p[i + 1] & 0x3F) << 12) |
                   (static_cast<uint32_t>(p[i + 2] & 0x3F) << 6) | (p[i + 3] & 0x3F);
            if (code < 0x10000 || code > 0x10FFFF) return -1;
            size = 4;
        } else {
            return -1;
        }
        if (code >= 0x10000) {
            put(0xD800 + ((code - 0x10000) >> 10));
            put(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            put(code);
        }
        i += size;
    }
    if (out && count > capacity) return -1;
    return count;
}

}  // namespace tesselor::raster
