#pragma once

#include <cstdint>

namespace tesselor::plugin::eq {

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

    // The positive table's entries, shortest round-trip form.
    static const float kEntries[kEntryCount];
    static constexpr double kScale = 142.14300537109375;  // the tables' float scale, exactly

    // For the vector path (simd/CurveLanes.h): entry k widened to double at [2k], and the step
    // to entry k + 1 at [2k + 1]; the last entry has step 0 so that clamping the index to it is
    // exact. 16-byte aligned.
    const double* Pairs() const noexcept;

private:
    Table _positive;
    Table _negative;
    alignas(16) double _pairs[2 * kEntryCount];
};

}  // namespace tesselor::plugin::eq
