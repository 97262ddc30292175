#pragma once

#include "plugin/eq/TransferCurve.h"
#include "plugin/eq/simd/StereoLanes.h"

namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD {

// Four lanes of the curve in place (by reference: see AddProduct), each value taken times
// `scale` / TransferCurve::kScale first. From the curve's widened pairs (TransferCurve::Pairs):
// e_i + (e_(i+1) - e_i) * frac, which differs from the two-product form of
// TransferCurve::Evaluate only by rounding.
[[gnu::always_inline]] inline void EvaluateCurveLanes(const double* curvePairs, Quad& v,
                                                      double scale) noexcept {
    const Quad scales = {scale, scale, scale, scale};
    const Quad fitLimit = {2147483648.0, 2147483648.0, 2147483648.0, 2147483648.0};
    constexpr double kLast = TransferCurve::kEntryCount - 1.0;
    const Quad last = {kLast, kLast, kLast, kLast};
    const QuadBits bits = reinterpret_cast<QuadBits>(v);
    const Quad a = reinterpret_cast<Quad>(bits & ~kSignBit) * scales;
    const QuadBits fits = a < fitLimit;  // false for NaN as well
    const Quad clamped = a < last ? a : last;
    const QuadIndex i = __builtin_convertvector(clamped, QuadIndex);
    const Quad frac = clamped - __builtin_convertvector(i, Quad);
    // Entry and step of lanes 0 and 2 in one register, lanes 1 and 3 in the other, so that one
    // unpack per 128-bit half sorts them into entries and steps.
    const Stereo* pairs = reinterpret_cast<const Stereo*>(curvePairs);
    const Quad even = __builtin_shufflevector(pairs[i[0]], pairs[i[2]], 0, 1, 2, 3);
    const Quad odd = __builtin_shufflevector(pairs[i[1]], pairs[i[3]], 0, 1, 2, 3);
    const Quad entry = __builtin_shufflevector(even, odd, 0, 4, 2, 6);
    const Quad step = __builtin_shufflevector(even, odd, 1, 5, 3, 7);
    Quad c = entry;
    AddProduct(c, step, frac);
    const QuadBits kept = reinterpret_cast<QuadBits>(c) & fits;
    v = reinterpret_cast<Quad>(kept | (bits & kSignBit));
}

// The curve of `count` stereo values in place (the engine folds its oversampling factor into
// `scale`; a power of two, so the products are the same). `values` is 32-byte aligned.
[[gnu::always_inline]] inline void EvaluateCurveInPlace(const double* curvePairs, Stereo* values,
                                                        int count, double scale) noexcept {
    Quad* quads = reinterpret_cast<Quad*>(values);
    for (int j = 0; j < count / 2; ++j) EvaluateCurveLanes(curvePairs, quads[j], scale);
    if (count % 2 != 0) {
        // The odd one out travels in the lower half; the upper half is evaluated and dropped.
        Quad last = __builtin_shufflevector(values[count - 1], values[count - 1], 0, 1, 2, 3);
        EvaluateCurveLanes(curvePairs, last, scale);
        values[count - 1] = __builtin_shufflevector(last, last, 0, 1);
    }
}

}  // namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD
