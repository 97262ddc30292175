#pragma once

#include <cstdint>

#if defined(__FMA__)
#include <immintrin.h>
#endif

namespace tesselor::plugin {

// Left and right channel in one 128-bit register: lane 0 is left, lane 1 right. Both channels
// do identical work at every step, so the engine computes them together (SSE2 on x86-64, NEON
// or plain pairs elsewhere; the compiler picks).
using Stereo = double __attribute__((vector_size(16)));
using StereoBits = std::int64_t __attribute__((vector_size(16)));

constexpr int kLeft = 0;
constexpr int kRight = 1;

[[gnu::always_inline]] inline Stereo Splat(double v) { return Stereo{v, v}; }

// a * b + c, fused (one rounding) where the build has FMA, else two roundings. Every place
// where the engine may fuse says so by calling this; the compiler fuses nothing on its own.
[[gnu::always_inline]] inline Stereo MulAdd(Stereo a, Stereo b, Stereo c) {
#if defined(__FMA__)
    return _mm_fmadd_pd(a, b, c);
#else
    return a * b + c;
#endif
}

constexpr std::int64_t kSignBit = INT64_MIN;

[[gnu::always_inline]] inline Stereo Abs(Stereo v) {
    return reinterpret_cast<Stereo>(reinterpret_cast<StereoBits>(v) & ~kSignBit);
}
// Lanes of v where `mask` is all ones, 0 elsewhere.
[[gnu::always_inline]] inline Stereo Keep(Stereo v, StereoBits mask) {
    return reinterpret_cast<Stereo>(reinterpret_cast<StereoBits>(v) & mask);
}
// |magnitude| with the sign bit of `sign`; `magnitude` must be non-negative.
[[gnu::always_inline]] inline Stereo WithSignOf(Stereo magnitude, Stereo sign) {
    return reinterpret_cast<Stereo>(reinterpret_cast<StereoBits>(magnitude) |
                                    (reinterpret_cast<StereoBits>(sign) & kSignBit));
}

}  // namespace tesselor::plugin
