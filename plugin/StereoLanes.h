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
using StereoUnsigned = std::uint64_t __attribute__((vector_size(16)));

// Four lanes, for stretches of values that do not depend on each other (the side path's curve):
// one 256-bit register where the build has AVX, two 128-bit ones elsewhere. Only used inside
// inlined code, never passed between functions of different builds.
using Quad = double __attribute__((vector_size(32)));
using QuadBits = std::int64_t __attribute__((vector_size(32)));
using QuadUnsigned = std::uint64_t __attribute__((vector_size(32)));
using QuadIndex = std::int32_t __attribute__((vector_size(16)));

constexpr int kLeft = 0;
constexpr int kRight = 1;

[[gnu::always_inline]] inline Stereo Splat(double v) { return Stereo{v, v}; }

// Eight lanes: the three upper bands of both channels side by side (see UpperBandLanes). Only used
// in the AVX-512 build, where they are one register.
using Octo = double __attribute__((vector_size(64)));
using OctoBits = std::int64_t __attribute__((vector_size(64)));

// acc += a * b for two, four or eight lanes, fused (one rounding) where the build has FMA, else
// two roundings. Every place where the engine may fuse says so by calling this or MulAdd; the
// compiler fuses nothing on its own. Wide values only travel by reference between helpers:
// passed by value they would take a different calling convention in each build, which the
// compiler rightly warns about.
template <typename V>
[[gnu::always_inline]] inline void AddProduct(V& acc, const V& a, const V& b) {
#if defined(__FMA__)
    if constexpr (sizeof(V) == 64) {
#if defined(__AVX512F__)
        acc = _mm512_fmadd_pd(a, b, acc);
#else
        static_assert(sizeof(V) != 64, "eight lanes only in the AVX-512 build");
#endif
    } else if constexpr (sizeof(V) == 32) {
        acc = _mm256_fmadd_pd(a, b, acc);
    } else {
        acc = _mm_fmadd_pd(a, b, acc);
    }
#else
    acc = a * b + acc;
#endif
}

// a * b + c for two lanes, fused as AddProduct.
[[gnu::always_inline]] inline Stereo MulAdd(Stereo a, Stereo b, Stereo c) {
    AddProduct(c, a, b);
    return c;
}

constexpr std::int64_t kSignBit = INT64_MIN;

}  // namespace tesselor::plugin
