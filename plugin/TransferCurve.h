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

    // Evaluate of `count` stereo values in place, each taken times `scale` / kScale first (the
    // engine folds its oversampling factor in; a power of two, so the products are the same).
    // Four lanes at a time from the widened pairs: e_i + (e_(i+1) - e_i) * frac, which differs
    // from the two-product form only by rounding. `values` is 32-byte aligned.
    [[gnu::always_inline]] inline void EvaluateInPlace(Stereo* values, int count,
                                                       double scale) const noexcept {
        Quad* quads = reinterpret_cast<Quad*>(values);
        for (int j = 0; j < count / 2; ++j) EvaluateLanes(quads[j], scale);
        if (count % 2 != 0) {
            // The odd one out travels in the lower half; the upper half is evaluated and dropped.
            Quad last = __builtin_shufflevector(values[count - 1], values[count - 1], 0, 1, 2, 3);
            EvaluateLanes(last, scale);
            values[count - 1] = __builtin_shufflevector(last, last, 0, 1);
        }
    }

    // The positive table's entries, shortest round-trip form.
    static const float kEntries[kEntryCount];
    static constexpr double kScale = 142.14300537109375;  // the tables' float scale, exactly

private:
    // Four lanes of the curve in place (by reference: see AddProduct).
    [[gnu::always_inline]] inline void EvaluateLanes(Quad& v, double scale) const noexcept {
        const Quad scales = {scale, scale, scale, scale};
        const Quad fitLimit = {2147483648.0, 2147483648.0, 2147483648.0, 2147483648.0};
        constexpr double kLast = kEntryCount - 1.0;
        const Quad last = {kLast, kLast, kLast, kLast};
        const QuadBits bits = reinterpret_cast<QuadBits>(v);
        const Quad a = reinterpret_cast<Quad>(bits & ~kSignBit) * scales;
        const QuadBits fits = a < fitLimit;  // false for NaN as well
        const Quad clamped = a < last ? a : last;
        const QuadIndex i = __builtin_convertvector(clamped, QuadIndex);
        const Quad frac = clamped - __builtin_convertvector(i, Quad);
        // Entry and step of lanes 0 and 2 in one register, lanes 1 and 3 in the other, so that
        // one unpack per 128-bit half sorts them into entries and steps.
        const Stereo* pairs = reinterpret_cast<const Stereo*>(_pairs);
        const Quad even = __builtin_shufflevector(pairs[i[0]], pairs[i[2]], 0, 1, 2, 3);
        const Quad odd = __builtin_shufflevector(pairs[i[1]], pairs[i[3]], 0, 1, 2, 3);
        const Quad entry = __builtin_shufflevector(even, odd, 0, 4, 2, 6);
        const Quad step = __builtin_shufflevector(even, odd, 1, 5, 3, 7);
        Quad c = entry;
        AddProduct(c, step, frac);
        const QuadBits kept = reinterpret_cast<QuadBits>(c) & fits;
        v = reinterpret_cast<Quad>(kept | (bits & kSignBit));
    }

    Table _positive;
    Table _negative;
    // For the vector path: entry k widened to double at [2k], and the step to entry k + 1 at
    // [2k + 1]; the last entry has step 0 so that clamping the index to it is exact.
    alignas(16) double _pairs[2 * kEntryCount];
};

}  // namespace tesselor::plugin
