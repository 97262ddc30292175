#pragma once

#include <cstdint>

#include "plugin/StereoLanes.h"

namespace tesselor::plugin {

// The side path's odd transfer curve: about 0.5991 v for small v, bending to 0.833333313 at
// |v| = 1.4 and flat beyond. Two tables of 200 single-precision entries, the negative one the
// exact negation of the positive one, indexed by |v| * scale and interpolated linearly.
class TransferCurve {
public:
    static constexpr int kEntryCount = 200;

    struct Table {
        std::int32_t zero = 0;
        float limit = 0.0f;  // +-0.833333015
        float scale = 0.0f;  // index units per unit of |v|
        std::int32_t count = kEntryCount;
        float entries[kEntryCount] = {};
    };

    TransferCurve();

    // Curve of v, evaluated exactly as the tables prescribe: a = |v| * scale, i = trunc(a),
    // linear between entries i and i + 1 below the last entry, the last entry above; an index that
    // overflows (huge or NaN v) reads entry 0. The sign of the result is the sign of v (-0 too).
    double Evaluate(double v) const noexcept;

    const Table& Positive() const { return _positive; }
    const Table& Negative() const { return _negative; }
    // For the engine's vector path: entry k widened to double at [2k], and the step to entry
    // k + 1 at [2k + 1]; the last entry has step 0 so that clamping the index to it is exact.
    const double* WidenedPairs() const { return _pairs; }
    double Scale() const { return static_cast<double>(_positive.scale); }

    // Both lanes of Evaluate at once, from the widened pairs: e_i + (e_(i+1) - e_i) * frac, which
    // differs from the two-product form only by rounding.
    [[gnu::always_inline]] inline Stereo EvaluateStereo(Stereo v) const noexcept {
        const Stereo a = Abs(v) * Splat(kScale);
        const StereoBits fits = a < Splat(2147483648.0);  // false for NaN as well
        const Stereo clamped = a < Splat(kEntryCount - 1.0) ? a : Splat(kEntryCount - 1.0);
        const int iL = static_cast<int>(clamped[0]);
        const int iR = static_cast<int>(clamped[1]);
        const Stereo frac = clamped - Stereo{static_cast<double>(iL), static_cast<double>(iR)};
        const Stereo pairL = *reinterpret_cast<const Stereo*>(&_pairs[2 * iL]);
        const Stereo pairR = *reinterpret_cast<const Stereo*>(&_pairs[2 * iR]);
        const Stereo entry = __builtin_shufflevector(pairL, pairR, 0, 2);
        const Stereo step = __builtin_shufflevector(pairL, pairR, 1, 3);
        return WithSignOf(Keep(entry + step * frac, fits), v);
    }

    // The positive table's entries, shortest round-trip form.
    static const float kEntries[kEntryCount];
    static constexpr double kScale = 142.14300537109375;  // the tables' float scale, exactly

private:
    Table _positive;
    Table _negative;
    alignas(16) double _pairs[2 * kEntryCount];
};

}  // namespace tesselor::plugin
