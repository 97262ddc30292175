#pragma once

#include <limits>
#include <type_traits>

#include "plugin/eq/TransferCurve.h"
#include "plugin/eq/simd/StereoLanes.h"

namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD {

// The curve in every lane of V (Quad, Octo in the AVX-512 build, or Floats there in single
// precision) in place, each value taken times `scale` / TransferCurve::kScale first, by the
// curve's polynomial (TransferCurve::kFit): no table reads, so the lanes need not be taken apart.
// In single precision the coefficients and the arithmetic are rounded to it (within about 1e-7).
// (Wide values travel by reference: see AddProduct.)
template <typename V, typename Bits>
[[gnu::always_inline]] inline void EvaluateCurveLanes(V& v, double scale) noexcept {
    using Scalar = std::remove_cvref_t<decltype(v[0])>;
    using Bit = std::remove_cvref_t<decltype(Bits{}[0])>;
    constexpr Bit kSign = std::numeric_limits<Bit>::min();
    constexpr Scalar kLast = TransferCurve::kEntryCount - 1;
    constexpr const double* kFit = TransferCurve::kFit;
    constexpr int kDegree = TransferCurve::kFitDegree;
    const Bits bits = reinterpret_cast<Bits>(v);
    const V a = reinterpret_cast<V>(bits & ~kSign) * static_cast<Scalar>(scale);
    const Bits fits = a < static_cast<Scalar>(2147483648.0);  // false for NaN as well
    const Bits inside = a < kLast;
    const V x = inside ? a : V{} + kLast;
    V sum = V{} + static_cast<Scalar>(kFit[kDegree]);
    for (int k = kDegree - 1; k >= 0; --k) {
        V next = V{} + static_cast<Scalar>(kFit[k]);
        AddProduct(next, sum, x);
        sum = next;
    }
    const V c = inside ? x * sum : V{} + static_cast<Scalar>(TransferCurve::kLastEntry);
    v = reinterpret_cast<V>((reinterpret_cast<Bits>(c) & fits) | (bits & kSign));
}

// The curve of `count` stereo values in place (the engine folds its oversampling factor into
// `scale`; a power of two, so the products are the same). `values` is 32-byte aligned.
[[gnu::always_inline]] inline void EvaluateCurveInPlace(Stereo* values, int count,
                                                        double scale) noexcept {
    int done = 0;
#if defined(__AVX512F__)
    for (; done + 4 <= count; done += 4) {
        Octo eight;
        __builtin_memcpy(&eight, values + done, sizeof eight);
        EvaluateCurveLanes<Octo, OctoBits>(eight, scale);
        __builtin_memcpy(values + done, &eight, sizeof eight);
    }
#endif
    Quad* quads = reinterpret_cast<Quad*>(values + done);
    for (int j = 0; j < (count - done) / 2; ++j)
        EvaluateCurveLanes<Quad, QuadBits>(quads[j], scale);
    if (count % 2 != 0) {
        // The odd one out travels in the lower half; the upper half is evaluated and dropped.
        Quad last = __builtin_shufflevector(values[count - 1], values[count - 1], 0, 1, 2, 3);
        EvaluateCurveLanes<Quad, QuadBits>(last, scale);
        values[count - 1] = __builtin_shufflevector(last, last, 0, 1);
    }
}

}  // namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD
