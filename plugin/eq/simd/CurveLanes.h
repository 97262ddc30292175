#pragma once

#include "plugin/eq/TransferCurve.h"
#include "plugin/eq/simd/StereoLanes.h"

namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD {

// The curve in every lane of V (Quad, or Octo in the AVX-512 build) in place, each value taken
// times `scale` / TransferCurve::kScale first, by the curve's polynomial (TransferCurve::kFit):
// no table reads, so the lanes need not be taken apart. (Wide values travel by reference: see
// AddProduct.)
template <typename V, typename Bits>
[[gnu::always_inline]] inline void EvaluateCurveLanes(V& v, double scale) noexcept {
    constexpr double kLast = TransferCurve::kEntryCount - 1.0;
    constexpr const double* kFit = TransferCurve::kFit;
    constexpr int kDegree = TransferCurve::kFitDegree;
    const Bits bits = reinterpret_cast<Bits>(v);
    const V a = reinterpret_cast<V>(bits & ~kSignBit) * scale;
    const Bits fits = a < 2147483648.0;  // false for NaN as well
    const Bits inside = a < kLast;
    const V x = inside ? a : V{} + kLast;
    V sum = V{} + kFit[kDegree];
    for (int k = kDegree - 1; k >= 0; --k) {
        V next = V{} + kFit[k];
        AddProduct(next, sum, x);
        sum = next;
    }
    const V c = inside ? x * sum : V{} + TransferCurve::kLastEntry;
    v = reinterpret_cast<V>((reinterpret_cast<Bits>(c) & fits) | (bits & kSignBit));
}

#if defined(__AVX512F__)
// The curve in sixteen single-precision lanes in place, as EvaluateCurveLanes but with the
// coefficients and the arithmetic rounded to single precision (within about 1e-7 of it).
[[gnu::always_inline]] inline void EvaluateCurveFloats(Floats& v, float scale) noexcept {
    constexpr float kLast = TransferCurve::kEntryCount - 1.0f;
    constexpr const double* kFit = TransferCurve::kFit;
    constexpr int kDegree = TransferCurve::kFitDegree;
    constexpr std::int32_t kFloatSign = INT32_MIN;
    const FloatsBits bits = reinterpret_cast<FloatsBits>(v);
    const Floats a = reinterpret_cast<Floats>(bits & ~kFloatSign) * scale;
    const FloatsBits fits = a < 2147483648.0f;  // false for NaN as well
    const FloatsBits inside = a < kLast;
    const Floats x = inside ? a : Floats{} + kLast;
    Floats sum = Floats{} + static_cast<float>(kFit[kDegree]);
    for (int k = kDegree - 1; k >= 0; --k)
        sum = _mm512_fmadd_ps(sum, x, Floats{} + static_cast<float>(kFit[k]));
    const Floats c = inside ? x * sum : Floats{} + static_cast<float>(TransferCurve::kLastEntry);
    v = reinterpret_cast<Floats>((reinterpret_cast<FloatsBits>(c) & fits) | (bits & kFloatSign));
}
#endif

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
