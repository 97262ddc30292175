#pragma once

#include <type_traits>

#include "plugin/eq/LaneTypes.h"
#include "plugin/eq/simd/SimdBuild.h"

#if defined(__FMA__)
#include <immintrin.h>
#endif

namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD {

[[gnu::always_inline]] inline Stereo Splat(double v) { return Stereo{v, v}; }

// acc += a * b for two, four or eight lanes (or sixteen single-precision ones), fused (one
// rounding) where the build has FMA, else two roundings. Every place where the engine may fuse says
// so by calling this or MulAdd; the compiler fuses nothing on its own (-ffp-contract=off). Wide
// values only travel by reference between helpers: passed by value they would take a different
// calling convention in each build, which the compiler rightly warns about.
template <typename V>
[[gnu::always_inline]] inline void AddProduct(V& acc, const V& a, const V& b) {
#if defined(__FMA__)
    if constexpr (sizeof(V) == 64) {
#if defined(__AVX512F__)
        if constexpr (std::is_same_v<V, Floats>)
            acc = _mm512_fmadd_ps(a, b, acc);
        else
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

}  // namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD
